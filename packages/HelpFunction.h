// The miscellaneous package's help: (help) lists the functions the engine
// knows by package, and the constructs; (help NAME) prints how a function
// or a construct is written and what it does. Everything comes from the
// engine's function table, the functions' own help and argument texts and
// the parser's construct table, so help never drifts from the code.
//
// Output goes through the engine's PrintOut on the standard output; a name
// that is neither a function nor a construct raises "Unknown function or
// construct name: %s".
#pragma once

#include "functions/IEPackages.h"

namespace ie {

void AddHelpFunction(TUserFunctionList& Functions);

}  // namespace ie
