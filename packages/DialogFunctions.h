// The miscellaneous package's dialogs: input-box, input-query, message-dlg
// and show-message. Each asks the engine's matching event (OnInputBox,
// OnInputQuery, OnMessageDlg, OnShowMessage), so a host with a user
// interface shows a real dialog and blocks until it is answered.
//
// Without a handler the dialogs work on text, so that the shell and batch
// files can answer them: the input functions print their caption, prompt
// and default and read the answer with the engine's ReadLine on the
// standard input (an empty line cancels); the message functions print the
// message and answer with the default button.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

// Adds one instance of each dialog function, in the package's order.
void AddDialogFunctions(TUserFunctionList& Functions);

}  // namespace ie
