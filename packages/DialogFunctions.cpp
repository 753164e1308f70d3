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

// input-box and input-query: the caption, the prompt and the default
// text (each empty when not given) go to Ask.
class TInputDialogFunction : public TIEUserFunction {
 protected:
  TInputDialogFunction(const char* Name, const char* Help) {
    Describe(*this, Name, Help, SInputArguments, 0, 3);
  }
  ~TInputDialogFunction() override = default;

  virtual IIEValue Ask(TInferenceEngine& Engine, const std::string& Caption,
                       const std::string& Prompt, std::string Value) = 0;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    Result = Ask(EngineOf(Context), TextOf(FunCall, 0, Context), TextOf(FunCall, 1, Context),
                 TextOf(FunCall, 2, Context));
  }
};

class TInputBoxFunction : public TInputDialogFunction {
  IE_CLASS(TInputBoxFunction, TIEUserFunction)

 public:
  TInputBoxFunction()
      : TInputDialogFunction("input-box",
                             "Asks for a text in a dialog with the caption, prompt and default "
                             "text. Returns the text entered, or the default text when the "
                             "dialog is cancelled.") {}

 protected:
  ~TInputBoxFunction() override = default;

  IIEValue Ask(TInferenceEngine& Engine, const std::string& Caption, const std::string& Prompt,
               std::string Value) override {
    if (Engine.GetOnInputBox()) {
      Engine.GetOnInputBox()(&Engine, Caption, Prompt, Value);
    } else if (std::string Line = AskLine(Engine, Caption, Prompt, Value); !Line.empty()) {
      Value = std::move(Line);
    }
    return new TIEValue(std::move(Value), dtString);
  }
};

class TInputQueryFunction : public TInputDialogFunction {
  IE_CLASS(TInputQueryFunction, TIEUserFunction)

 public:
  TInputQueryFunction()
      : TInputDialogFunction("input-query",
                             "Asks for a text in a dialog with the caption, prompt and default "
                             "text. Returns the text entered, or FALSE when the dialog is "
                             "cancelled.") {}

 protected:
  ~TInputQueryFunction() override = default;

  IIEValue Ask(TInferenceEngine& Engine, const std::string& Caption, const std::string& Prompt,
               std::string Value) override {
    bool Accepted = true;
    if (Engine.GetOnInputQuery()) {
      Engine.GetOnInputQuery()(&Engine, Caption, Prompt, Value, Accepted);
    } else {
      Value = AskLine(Engine, Caption, Prompt, Value);
      Accepted = !Value.empty();
    }
    return Accepted ? IIEValue(new TIEValue(std::move(Value), dtString)) : IIEValue(FCFalse);
  }
};

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

class TMessageDlgFunction : public TIEUserFunction {
  IE_CLASS(TMessageDlgFunction, TIEUserFunction)

 public:
  TMessageDlgFunction() {
    Describe(*this, "message-dlg",
             "Shows the message in a dialog of the kind with the buttons of the set and the help "
             "context. Returns the result of the button pressed, mrYes, mrNo, mrOk, mrCancel, "
             "mrAbort, mrRetry, mrIgnore, mrAll, mrNoToAll, mrYesToAll or mrHelp.",
             " <string-expression> mtWarning|mtError|mtInformation|mtConfirmation|mtCustom "
             "<string-set-expression> [<integer-expression>]",
             2, 4);
  }

 protected:
  ~TMessageDlgFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TShowMessageFunction : public TIEUserFunction {
  IE_CLASS(TShowMessageFunction, TIEUserFunction)

 public:
  TShowMessageFunction() {
    Describe(*this, "show-message", "Shows the text in a dialog with an OK button. Returns TRUE.",
             " <string-expression> ", 1, 1);
  }

 protected:
  ~TShowMessageFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TInferenceEngine& Engine = EngineOf(Context);
    const std::string Message = TextOf(FunCall, 0, Context);
    if (Engine.GetOnShowMessage()) {
      Engine.GetOnShowMessage()(&Engine, Message);
    } else {
      Engine.PrintOut("", Message + NewLineString);
    }
    Result = FCTrue;
  }
};

}  // namespace

void AddDialogFunctions(TUserFunctionList& Functions) {
  Functions.Add(new TInputBoxFunction());
  Functions.Add(new TInputQueryFunction());
  Functions.Add(new TMessageDlgFunction());
  Functions.Add(new TShowMessageFunction());
}

}  // namespace ie
