// The vocabulary of the runtime's standard dialogs: the kinds of message
// box, its buttons and the result naming the button pressed. The library
// shows no dialog itself; a host that has a user interface shows them
// when the engine asks (see the dialog events of TInferenceEngine).
#pragma once

#include <cstdint>
#include <string_view>

#include "runtime/Sets.h"
#include "runtime/TypeInfo.h"

namespace ie {

enum TMsgDlgType : uint8_t { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
inline constexpr std::string_view MsgDlgTypeNames[] = {"mtWarning", "mtError", "mtInformation",
                                                       "mtConfirmation", "mtCustom"};
inline constexpr TEnumTypeInfo TMsgDlgTypeInfo{"TMsgDlgType", MsgDlgTypeNames};

enum TMsgDlgBtn : uint8_t {
  mbYes,
  mbNo,
  mbOK,
  mbCancel,
  mbAbort,
  mbRetry,
  mbIgnore,
  mbAll,
  mbNoToAll,
  mbYesToAll,
  mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn, mbHelp>;
inline constexpr std::string_view MsgDlgBtnNames[] = {
    "mbYes",    "mbNo",  "mbOK",      "mbCancel",   "mbAbort", "mbRetry",
    "mbIgnore", "mbAll", "mbNoToAll", "mbYesToAll", "mbHelp"};
inline constexpr TEnumTypeInfo TMsgDlgBtnInfo{"TMsgDlgBtn", MsgDlgBtnNames};

enum TModalResult : uint8_t {
  mrNone,
  mrOk,
  mrCancel,
  mrAbort,
  mrRetry,
  mrIgnore,
  mrYes,
  mrNo,
  mrAll,
  mrNoToAll,
  mrYesToAll,
  mrHelp
};
inline constexpr std::string_view ModalResultNames[] = {
    "mrNone", "mrOk", "mrCancel", "mrAbort",   "mrRetry",    "mrIgnore",
    "mrYes",  "mrNo", "mrAll",    "mrNoToAll", "mrYesToAll", "mrHelp"};

// The result of pressing Button.
constexpr TModalResult ModalResultOf(TMsgDlgBtn Button) {
  constexpr TModalResult Results[] = {mrYes,    mrNo,  mrOk,      mrCancel,   mrAbort, mrRetry,
                                      mrIgnore, mrAll, mrNoToAll, mrYesToAll, mrHelp};
  return Results[Button];
}

// The button a message box starts with: OK when it has one, else Yes,
// else the first of its buttons; OK for a box without buttons.
constexpr TMsgDlgBtn DefaultButton(TMsgDlgButtons Buttons) {
  if (Buttons.Contains(mbOK) || Buttons.IsEmpty()) return mbOK;
  if (Buttons.Contains(mbYes)) return mbYes;
  TMsgDlgBtn First = mbYes;
  while (!Buttons.Contains(First)) First = static_cast<TMsgDlgBtn>(First + 1);
  return First;
}

}  // namespace ie
