#include "packages/DialogFunctions.h"

#include <string>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "engine/InferenceEngine.h"
#include "functions/IEHelperFunctions.h"
#include "packages/PackageSupport.h"
#include "runtime/Dialogs.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"

namespace ie {
namespace {

constexpr const char* SInputArguments = " [<caption-string> [<prompt-string> [<default-string>]]]";

// Argument Index as text, empty when it is not given.
std::string TextOf(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Index < FunCall->GetArgumentCount() ? Operand(FunCall, Index, Context)->GetAsString()
                                             : std::string();
}

// The text way of an input dialog: "caption: prompt [default] " and the
// line read from the standard input.
std::string AskLine(TInferenceEngine& Engine, const std::string& Caption, const std::string& Prompt,
                    const std::string& Default) {
  std::string Question = Caption;
  if (!Caption.empty() && !Prompt.empty()) Question += ": ";
  Question += Prompt;
  if (!Default.empty()) Question += (Question.empty() ? "[" : " [") + Default + "]";
  if (!Question.empty()) Engine.PrintOut("", Question + " ");
  return Engine.ReadLine("");
}

// What input-box and input-query answer; Value holds the default text.
using TAsk = IIEValue (*)(TInferenceEngine& Engine, const std::string& Caption,
                          const std::string& Prompt, std::string Value);

IIEValue AskBox(TInferenceEngine& Engine, const std::string& Caption, const std::string& Prompt,
                std::string Value) {
  if (Engine.GetOnInputBox()) {
    Engine.GetOnInputBox()(&Engine, Caption, Prompt, Value);
  } else if (std::string Line = AskLine(Engine, Caption, Prompt, Value); !Line.empty()) {
    Value = std::move(Line);
  }
  return new TIEValue(std::move(Value), dtString);
}

IIEValue AskQuery(TInferenceEngine& Engine, const std::string& Caption, const std::string& Prompt,
                  std::string Value) {
  bool Accepted = true;
  if (Engine.GetOnInputQuery()) {
    Engine.GetOnInputQuery()(&Engine, Caption, Prompt, Value, Accepted);
  } else {
    Value = AskLine(Engine, Caption, Prompt, Value);
    Accepted = !Value.empty();
  }
  return Accepted ? IIEValue(new TIEValue(std::move(Value), dtString)) : IIEValue(FCFalse);
}

// input-box and input-query: the caption, the prompt and the default
// text (each empty when not given) go to Ask.
template <TAsk Ask>
void CallInputDialog(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = Ask(EngineOf(Context), TextOf(FunCall, 0, Context), TextOf(FunCall, 1, Context),
               TextOf(FunCall, 2, Context));
}

// What a message of each kind is headed with when printed.
constexpr const char* MessageHeadings[] = {
    "Warning: ", "Error: ", "Information: ", "Confirmation: ", ""};

// The dialog kind named Name; an unknown name raises the set error, as an
// unknown button does.
TMsgDlgType DialogTypeOf(const std::string& Name) {
  for (size_t I = 0; I < std::size(MsgDlgTypeNames); ++I) {
    if (MsgDlgTypeNames[I] == Name) return static_cast<TMsgDlgType>(I);
  }
  throw Exception(Format(SInvalidSetItem, Name));
}

void CallMessageDlg(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Message = TextOf(FunCall, 0, Context);
  const TMsgDlgType Kind = DialogTypeOf(TextOf(FunCall, 1, Context));
  const TMsgDlgButtons Buttons =
      TMsgDlgButtons::FromBits(StringToSet(TextOf(FunCall, 2, Context), TMsgDlgBtnInfo, ""));
  const int32_t HelpContext =
      FunCall->GetArgumentCount() > 3 ? Operand(FunCall, 3, Context)->GetAsInteger() : 0;
  TModalResult Answer = ModalResultOf(DefaultButton(Buttons));
  if (Engine.GetOnMessageDlg()) {
    Engine.GetOnMessageDlg()(&Engine, Message, Kind, Buttons, HelpContext, Answer);
  } else {
    Engine.PrintOut("", MessageHeadings[Kind] + Message + NewLineString);
  }
  Result = new TIEValue(std::string(ModalResultNames[Answer]), dtAtom);
}

void CallShowMessage(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TInferenceEngine& Engine = EngineOf(Context);
  const std::string Message = TextOf(FunCall, 0, Context);
  if (Engine.GetOnShowMessage()) {
    Engine.GetOnShowMessage()(&Engine, Message);
  } else {
    Engine.PrintOut("", Message + NewLineString);
  }
  Result = FCTrue;
}

constexpr TFunctionRow DialogRows[] = {
    {"message-dlg", CallMessageDlg, 2, 4,
     " <string-expression> mtWarning|mtError|mtInformation|mtConfirmation|mtCustom "
     "<string-set-expression> [<integer-expression>]",
     "Shows the message in a dialog of the kind with the buttons of the set and the help context. "
     "Returns the result of the button pressed, mrYes, mrNo, mrOk, mrCancel, mrAbort, mrRetry, "
     "mrIgnore, mrAll, mrNoToAll, mrYesToAll or mrHelp."},
    {"show-message", CallShowMessage, 1, 1, " <string-expression> ",
     "Shows the text in a dialog with an OK button. Returns TRUE."},
    {"input-box", CallInputDialog<AskBox>, 0, 3, SInputArguments,
     "Asks for a text in a dialog with the caption, prompt and default text. Returns the text "
     "entered, or the default text when the dialog is cancelled."},
    {"input-query", CallInputDialog<AskQuery>, 0, 3, SInputArguments,
     "Asks for a text in a dialog with the caption, prompt and default text. Returns the text "
     "entered, or FALSE when the dialog is cancelled."},
};

}  // namespace

void AddDialogFunctions(TUserFunctionList& Functions) { AddRows(Functions, DialogRows); }

}  // namespace ie
