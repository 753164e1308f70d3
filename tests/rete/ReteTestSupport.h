// A small rule engine for testing rules and the match network without the
// inference engine: it keeps facts in a vector, an agenda in arrival order
// and a log of what happened, and makes calls of a handful of functions.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "core/IEFactPrinter.h"
#include "engine/ActivationAgenda.h"
#include "rete/IEContext.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "rete/IERulePrinter.h"
#include "rete/ReteNetwork.h"
#include "runtime/Conversions.h"

namespace ie::retetest {

class TTestRuleEngine;

// A call of eq, neq, not, and, or, >, log (appends its resolved arguments
// to the engine's log), return and retract.
class TTestCall : public TCustomFunctionCall {
  IE_CLASS(TTestCall, TCustomFunctionCall)

 public:
  TTestCall(TTestRuleEngine* Engine, std::string Name) : FEngine(Engine), FName(std::move(Name)) {}

  IIEValue Execute(TObject* Context) override;
  const std::string& GetName() const override { return FName; }
  int32_t GetArgumentCount() const override { return FArguments.GetCount(); }
  const IIEValue& GetArgument(int32_t Index) const override { return FArguments.Get(Index); }
  void SetArgument(int32_t Index, const IIEValue& Value) override { FArguments.Put(Index, Value); }
  int32_t AddArgument(const IIEValue& Value) override { return FArguments.Add(Value); }

  IInterface CloneInterface() const override {
    auto* Copy = new TTestCall(FEngine, FName);
    for (const IIEValue& Argument : FArguments) Copy->AddArgument(Argument->Clone());
    return IInterface(Copy);
  }
  using ICloneable::Assign;
  void Assign(const IInterface&) override {}
  bool Equals(const IInterface& Other) const override { return Other.Get() == this; }
  int32_t GetTag() const override { return 0; }
  void SetTag(int32_t) override {}
  std::string GetToString() const override {
    std::string Text = "(" + FName;
    for (const IIEValue& Argument : FArguments) Text += " " + Argument->GetToString();
    return Text + ")";
  }

 private:
  TTestRuleEngine* FEngine;
  std::string FName;
  TIList<TIEValue> FArguments;
};

class TTestRuleEngine : public TCustomRuleEngine {
  IE_CLASS(TTestRuleEngine, TCustomRuleEngine)

 public:
  explicit TTestRuleEngine(TComponent* Owner) : TCustomRuleEngine(Owner) {
    FContext = Create<TIEContext>(nullptr, this);
    FNetwork = Create<TReteNetwork>(this);
    FInitialPattern = Create<TIEPattern>(this, SInitialFactPattern, Ordered(SInitialFactPattern));
    FNullFact = new TFact(new TFactTemplate(this, SNullFact));
  }
  void BeforeDestruction() override {
    FNetwork->Clear();
    for (TActivation* Activation : Agenda) Activation->Free();
    Agenda.clear();
    TCustomRuleEngine::BeforeDestruction();
  }
  ~TTestRuleEngine() override {
    FInitialPattern->Free();
    FContext->Free();
  }

  std::vector<IFact> Facts;
  std::vector<TActivation*> Agenda;
  std::vector<std::string> Log;
  std::vector<TRule*> Rules;
  std::map<std::string, IFactTemplate> Templates;

  // An implied template: one multislot "__Data".
  IFactTemplate Ordered(const std::string& Name) {
    IFactTemplate& Template = Templates[Name];
    if (!Template) {
      Template = new TFactTemplate(this, Name);
      Template->AddMultiSlot(SDefaultSlotName, new TIEValue(IValueVector(new TValueVector())));
    }
    return Template;
  }
  IFact Fact(const std::string& Name, std::initializer_list<IIEValue> Values) {
    IValueVector List = new TValueVector();
    for (const IIEValue& Value : Values) List->Add(Value);
    IFact Made = new TFact(Ordered(Name));
    Made->SetValue(SDefaultSlotName, new TIEValue(List));
    return Made;
  }
  int32_t Assert(const std::string& Name, std::initializer_list<IIEValue> Values) {
    return Assert(Fact(Name, Values), false);
  }
  bool Retract(int32_t ID) {
    for (size_t I = 0; I < Facts.size(); ++I) {
      if (Facts[I]->GetID() != ID) continue;
      const IFact Gone = Facts[I];
      Facts.erase(Facts.begin() + I);
      FNetwork->ProcessToken(new TIEToken(taRemove, Gone));
      return true;
    }
    return false;
  }
  // "rule: f-1, f-2" for each activation waiting, first to fire first.
  std::vector<std::string> AgendaText() const {
    std::vector<std::string> Text;
    for (const TActivation* Activation : Agenda) {
      Text.push_back(Activation->GetRule()->GetRuleName() + ": " +
                     Activation->GetToken()->GetToFactsString());
    }
    return Text;
  }
  void Run() {
    while (!Agenda.empty()) {
      FFiring = Agenda.front();
      FFiring->Fire();
      TActivation* Fired = FFiring;
      FFiring = nullptr;
      Fired->Free();
    }
  }
  void ClearFacts() {
    Facts.clear();
    FNetwork->ProcessToken(new TIEToken());
  }

  // TCustomFactEngine
  TTypeChecks GetTypeChecks() const override { return {}; }
  void ChangeFactTemplateName(const std::string&, const std::string&) override {}
  std::string PrettyPrint(const IFactSlot& Slot) override { return ie::PrettyPrint(Slot); }
  std::string PrettyPrint(const IFactTemplate& Template) override {
    return ie::PrettyPrint(Template);
  }
  std::string PrettyPrint(const IFact& Fact) override { return ie::PrettyPrint(Fact); }
  IFactSlot ParseFactTemplateSlot(const std::string&) override { return nullptr; }
  IFact ParseFact(const std::string&) override { return nullptr; }
  bool FindFactTemplate(const std::string& Name, IFactTemplate& Template) override {
    const auto It = Templates.find(Name);
    if (It == Templates.end()) return false;
    Template = It->second;
    return true;
  }
  IFactTemplate CreateFactTemplate(const std::string& Name) override { return Ordered(Name); }
  TIEContext* GetContext() override { return FContext; }
  TObject* GetDefaultsContext() override { return FContext; }
  std::string GenerateSymbol(const std::string& Prefix) override {
    return Prefix + IntToStr(++FSymbols);
  }
  ICustomFunCall NewFunctionCall(const std::string& Name) override {
    return new TTestCall(this, Name);
  }
  int32_t GetNextFactId() const override { return FNextId; }

  // TCustomRuleEngine
  TReteNetwork* GetReteNetwork() const override { return FNetwork; }
  int32_t NewRuleId() override { return ++FRuleIds; }
  void RegisterRule(TRule* Rule) override {
    Rules.push_back(Rule);
    FNetwork->AddRule(Rule);
  }
  void UnregisterRule(TRule* Rule) override {
    std::erase(Rules, Rule);
    FNetwork->RemoveRule(Rule);
  }
  void RenameRule(TRule*, const std::string&) override {}
  void RuleChange(TRule* Rule) override {
    if (std::find(Rules.begin(), Rules.end(), Rule) == Rules.end()) return;
    FNetwork->RemoveRule(Rule);
    FNetwork->AddRule(Rule);
  }
  TIEPattern* GetInitialFactPattern() const override { return FInitialPattern; }
  void AddActivation(TActivation* Activation) override { Agenda.push_back(Activation); }
  void RemoveActivation(TActivation* Activation) override {
    std::erase(Agenda, Activation);
    if (Activation != FFiring) Activation->Free();
  }
  void RuleFired(TActivation* Activation) override { std::erase(Agenda, Activation); }
  int32_t Assert(const IFact& Made, bool) override {
    for (const IFact& Existing : Facts) {
      if (Existing->Equals(Made)) return -1;
    }
    Made->SetID(FNextId++);
    Facts.push_back(Made);
    FNetwork->ProcessToken(new TIEToken(taAdd, Made));
    return Made->GetID();
  }
  const IFact& GetNullFact() const override { return FNullFact; }
  std::vector<IFact> ListFacts() const override { return Facts; }
  IFact GetFactByID(int32_t ID) const override {
    for (const IFact& Fact : Facts) {
      if (Fact->GetID() == ID) return Fact;
    }
    return nullptr;
  }
  std::string PrettyPrint(const TIEPattern& Pattern) override { return ie::PrettyPrint(Pattern); }
  std::string PrettyPrint(const TRule& Rule) override { return ie::PrettyPrint(Rule); }

 private:
  TIEContext* FContext;
  TReteNetwork* FNetwork;
  TIEPattern* FInitialPattern;
  IFact FNullFact;
  TActivation* FFiring = nullptr;
  int32_t FNextId = 0;
  int32_t FRuleIds = 0;
  int32_t FSymbols = 0;
};

inline IIEValue Resolved(const IIEValue& Value, TObject* Context) {
  return Value->Resolve(Context);
}

inline IIEValue TTestCall::Execute(TObject* Context) {
  const auto Arg = [&](int32_t Index) { return Resolved(FArguments.Get(Index), Context); };
  const auto Truth = [](bool Value) { return IIEValue(Value ? FCTrue : FCFalse); };
  const auto IsTrue = [](const IIEValue& Value) { return !Value->Equals(IIEValue(FCFalse)); };
  if (FName == "eq" || FName == "neq") {
    const IIEValue First = Arg(0);
    bool Same = true;
    for (int32_t I = 1; I < GetArgumentCount(); ++I) Same = Same && First->Equals(Arg(I));
    return Truth(Same == (FName == "eq"));
  }
  if (FName == "not") return Truth(!IsTrue(Arg(0)));
  if (FName == "and" || FName == "or") {
    const bool Or = FName == "or";
    for (int32_t I = 0; I < GetArgumentCount(); ++I) {
      if (IsTrue(Arg(I)) == Or) return Truth(Or);
    }
    return Truth(!Or);
  }
  if (FName == ">") return Truth(Arg(0)->GetAsNumeric() > Arg(1)->GetAsNumeric());
  if (FName == "return") {
    static_cast<TIEContext*>(Context)->SetReturnValue(FCTrue);
    return FCTrue;
  }
  if (FName == "retract") {
    FEngine->Retract(Arg(0)->GetAsFactId());
    return FCTrue;
  }
  std::string Line;
  for (int32_t I = 0; I < GetArgumentCount(); ++I) {
    if (I > 0) Line += " ";
    Line += Arg(I)->GetToString();
  }
  FEngine->Log.push_back(Line);
  return FCTrue;
}

inline IIEValue Atom(const std::string& Text) { return new TIEValue(Text, dtAtom); }
inline IIEValue Int(int32_t Value) { return new TIEValue(Value, dtInteger); }
inline IIEValue Var(const std::string& Name) { return new TIEValue(Name, dtVariable); }
inline IIEValue MultiVar(const std::string& Name) { return new TIEValue(Name, dtMultiVariable); }

// Builds rules in a few lines: patterns on ordered templates, one test per
// field, and calls.
class TRuleBuilder {
 public:
  explicit TRuleBuilder(TTestRuleEngine* Engine) : FEngine(Engine) {}

  IIEValue Call(const std::string& Name, std::initializer_list<IIEValue> Arguments) const {
    ICustomFunCall Made = FEngine->NewFunctionCall(Name);
    for (const IIEValue& Argument : Arguments) Made->AddArgument(Argument);
    return new TIEValue(Made);
  }
  // A pattern on the implied template Name whose field I equals Fields[I].
  TIEPattern* Pattern(const std::string& Name, std::initializer_list<IIEValue> Fields,
                      int32_t NegatedCount = 0) const {
    auto* Made = Create<TIEPattern>(nullptr, Name, FEngine->Ordered(Name), NegatedCount);
    int32_t Position = 0;
    for (const IIEValue& Field : Fields) {
      Made->AddTest(SDefaultSlotName, Field, Position++, false, true);
    }
    Made->SetSlotLength(0, Position);
    return Made;
  }
  TIEPattern* Test(const IIEValue& Call, int32_t NegatedCount = 0) const {
    auto* Made = Create<TIEPattern>(nullptr, STestCE, FEngine->Ordered(STestCE), NegatedCount);
    Made->AddTest(SDefaultSlotName, Call, NoSubIndex, NegatedCount % 2 == 1, true);
    return Made;
  }
  // A rule filed with the engine, which compiles it.
  TRule* Rule(const std::string& Name, std::initializer_list<TIEPattern*> Patterns,
              std::initializer_list<IIEValue> Actions = {}) const {
    auto* Made = Create<TRule>(FEngine);
    Made->BeginUpdate();
    Made->SetRuleName(Name);
    for (TIEPattern* Pattern : Patterns) Made->GetPatterns().Add(Pattern);
    for (const IIEValue& Action : Actions) {
      Made->GetActions().Add(Action->GetAsFunCall<TCustomFunctionCall>());
    }
    Made->EndUpdate();
    FEngine->RegisterRule(Made);
    return Made;
  }

 private:
  TTestRuleEngine* FEngine;
};

}  // namespace ie::retetest
