// The events of an inference engine: the handlers' types, and all of them
// in one struct so that the engine detaches every handler with one
// assignment. Each handler gets the engine as its sender.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "core/IEDefinedType.h"
#include "core/IEFacts.h"
#include "functions/IEUserFunction.h"
#include "runtime/Component.h"
#include "runtime/Dialogs.h"

namespace ie {

class TRule;
class TActivation;
class TIEStreamToken;
using IStreamToken = TRef<TIEStreamToken>;

using TFactEvent = std::function<void(TObject* Sender, const IFact& Fact)>;
using TFactTemplateEvent = std::function<void(TObject* Sender, const IFactTemplate& Template)>;
using TIEDefinedTypeEvent = std::function<void(TObject* Sender, const IIEDefinedType& DefType)>;
using TUserFunctionEvent = std::function<void(TObject* Sender, const IUserFunction& Function)>;
using TRuleEvent = std::function<void(TObject* Sender, TRule* Rule)>;
using TAgendaEvent = std::function<void(TObject* Sender, int32_t Index, TActivation* Activation)>;
using TInferenceEvent = std::function<void(TObject* Sender, int32_t RulesFired)>;
// A handler that sets Done replaces the engine's own step.
using TFuzzyCorrelationEvent =
    std::function<void(TObject* Sender, const IFact& Fact, float Strength, bool& Done)>;
using TFuzzyInferenceEvent =
    std::function<void(TObject* Sender, const IFact& Fact1, const IFact& Fact2, bool& Done)>;
// StreamName is the logical stream; empty for the host's output.
using TPrintOutEvent =
    std::function<void(TObject* Sender, const std::string& StreamName, const std::string& Text)>;
// Text is the line the host read for the logical stream InID.
using TReadLineEvent =
    std::function<void(TObject* Sender, const std::string& InID, std::string& Text)>;
// Token is the token the host read for the logical stream InID; one left
// nil reads as the end of the input.
using TReadTokenEvent =
    std::function<void(TObject* Sender, const std::string& InID, IStreamToken& Token)>;

// The dialogs of the miscellaneous package, for a host that shows them.
// Value comes in as the default text; the input box leaves it for Cancel,
// the query clears Accepted. Result comes in as the default button's.
using TInputBoxEvent = std::function<void(TObject* Sender, const std::string& Caption,
                                          const std::string& Prompt, std::string& Value)>;
using TInputQueryEvent =
    std::function<void(TObject* Sender, const std::string& Caption, const std::string& Prompt,
                       std::string& Value, bool& Accepted)>;
using TMessageDlgEvent =
    std::function<void(TObject* Sender, const std::string& Message, TMsgDlgType DlgType,
                       TMsgDlgButtons Buttons, int32_t HelpContext, TModalResult& Result)>;
using TShowMessageEvent = std::function<void(TObject* Sender, const std::string& Message)>;

struct TEngineEvents {
  TNotifyEvent OnAddDefaultPackages;
  TIEDefinedTypeEvent OnAddDefinedType;
  TUserFunctionEvent OnAddUserFunction;
  TUserFunctionEvent OnRemoveUserFunction;
  TFactEvent OnAssertion;
  TNotifyEvent OnClear;
  TNotifyEvent OnClearDefinedTypes;
  TNotifyEvent OnClearFacts;
  TNotifyEvent OnClearFactTemplates;
  TFactTemplateEvent OnNewFactTemplate;
  TPrintOutEvent OnPrintOut;
  TIEDefinedTypeEvent OnRemoveDefinedType;
  TFactTemplateEvent OnRemoveFactTemplate;
  TFactEvent OnRetraction;
  TNotifyEvent OnReset;
  TRuleEvent OnAddRule;
  TRuleEvent OnRemoveRule;
  TNotifyEvent OnClearRules;
  TRuleEvent OnRuleFired;
  TAgendaEvent OnAddActivation;
  TAgendaEvent OnRemoveActivation;
  TNotifyEvent OnStartInference;
  TInferenceEvent OnEndInference;
  TFuzzyCorrelationEvent OnFuzzyCorrelation;
  TFuzzyInferenceEvent OnFuzzyInference;
  TReadLineEvent OnReadLine;
  TReadTokenEvent OnReadToken;
  TInputBoxEvent OnInputBox;
  TInputQueryEvent OnInputQuery;
  TMessageDlgEvent OnMessageDlg;
  TShowMessageEvent OnShowMessage;
};

}  // namespace ie
