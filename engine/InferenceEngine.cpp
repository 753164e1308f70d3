#include "engine/InferenceEngine.h"

#include <algorithm>

#include "engine/ActivationAgenda.h"
#include "engine/Explanation.h"
#include "engine/Tracer.h"
#include "functions/IEInterpretedFunction.h"
#include "rete/IEContext.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "rete/ReteNetwork.h"
#include "rete/RuleMatches.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"

namespace ie {

// TInferenceEngine

TInferenceEngine::TInferenceEngine(TComponent* Owner)
    : TCustomRuleEngine(Owner),
      FFacts(this),
      FFactTemplates(this),
      FDefinedTypes(this),
      FEngineVariables(Create<TEngineVariables>(this)),
      FGlobalVariables(Create<TGlobalVariables>(this)),
      FFactSets(this),
      FAgenda(Create<TIEAgenda>(this)),
      FReteNetwork(Create<TReteNetwork>(this)),
      FRules(this),
      FUserFunctions(this),
      FContext(Create<TIEContext>(nullptr, this)) {
  FReteNetwork->SetEngine(this);
}

TInferenceEngine::~TInferenceEngine() {
  FreeAndNil(FCaptureStream);
  FreeParser();
  // In this order, before the other members go.
  FContext.reset();
  FAgenda.reset();
  FGlobalVariables.reset();
  FEngineVariables.reset();
}

void TInferenceEngine::AfterConstruction() {
  TCustomRuleEngine::AfterConstruction();
  try {
    MakeInternalTemplates();
    AddDefaultPackages();
    Assert(CreateFactTemplate(SInitialFactPattern)->NewFact(), false);
  } catch (...) {
    // Create deletes the engine: the packages must let go of it first, as
    // when it is freed.
    BeforeDestruction();
    throw;
  }
}

void TInferenceEngine::BeforeDestruction() {
  FTracer.reset();
  DetachEvents();
  Destroying();
  Clear();
  // Packages, rules and host functions let go of the engine while it still
  // stands; any function still listing it as a reasoner is told last.
  // Missing when the engine's construction failed.
  if (FInitialFactPattern != nullptr) FInitialFactPattern->Free();
  FInitialFactPattern = nullptr;
  DestroyComponents();
  FReteNetwork = nullptr;
  TCustomRuleEngine::BeforeDestruction();
  std::vector<IUserFunction> Functions;
  for (const auto& Entry : FUserFunctions) Functions.push_back(Entry.Value);
  for (const IUserFunction& Function : Functions) Function->DeleteReasoner(this);
  FUserFunctions.Clear();
}

void TInferenceEngine::SetTrace(std::ostream* Stream) {
  // The old trace gives the handlers back before the new one takes them.
  FTracer.reset();
  if (Stream != nullptr) FTracer = std::make_unique<TTracer>(*this, *Stream);
}

void TInferenceEngine::DetachEvents() { FEvents = TEngineEvents(); }

void TInferenceEngine::AddDefaultPackages() {
  for (TFunctionPackage Package : {pStandard, pMiscellaneous, pPredicate, pMath, pString, pObject,
                                   pTrigonometry, pBusiness, pFuzzyLogic}) {
    if (FPackages.Contains(Package)) CreateFunctionPackage(Package, this);
  }
  if (FEvents.OnAddDefaultPackages) FEvents.OnAddDefaultPackages(this);
}

void TInferenceEngine::SetPackages(TFunctionPackages Value) {
  if (Value == FPackages) return;
  for (int32_t I = GetComponentCount() - 1; I >= 0; --I) {
    if (auto* Package = dynamic_cast<TUserPackage*>(GetComponent(I))) Package->Free();
  }
  FPackages = Value;
  AddDefaultPackages();
}

void TInferenceEngine::MakeInternalTemplates() {
  // Rules without patterns match the initial fact, so its template stays
  // while the fact itself is gone (after Clear).
  const IFactTemplate InitialFact = CreateFactTemplate(SInitialFactPattern);
  FNullFact = new TFact(CreateFactTemplate(SNullFact));
  if (FInitialFactPattern != nullptr) FInitialFactPattern->Free();
  FInitialFactPattern = Create<TIEPattern>(this, SInitialFactPattern, InitialFact, 0);
  // The pattern (Initial-Fact) as the parser reads it: no fields.
  FInitialFactPattern->SetSlotLength(FInitialFactPattern->IndexOfSlotName(SDefaultSlotName), 0);
}

void TInferenceEngine::Clear() {
  FHalted = false;
  FNextFactId = 0;
  FNextRuleId = 0;
  // A rule's action may clear: the activation firing is freed by Run.
  if (FCurrentActivation != nullptr) {
    const int32_t Index = FAgenda->IndexOf(FCurrentActivation);
    if (Index >= 0) FAgenda->Extract(Index);
  }
  FAgenda->Clear();
  FReteNetwork->Clear();
  FRules.Clear();
  FFacts.Clear();
  FPendingAssertions.Clear();
  FPendingRetractions.Clear();
  // Their dependents are gone already: each collection is announced once.
  FFactTemplates.Clear();
  FDefinedTypes.Clear();
  FNullFact = nullptr;
  FSharedValues.Clear();
  FGlobalVariables->Clear();
  FFactSets.Clear();
  if (FUserFunctions.GetInterpretedCount() > 0) RemoveInterpretedFunctions();
  FEngineVariables->Clear();
  FIOStreams.Clear();
  if (!GetComponentState().Contains(csDestroying)) MakeInternalTemplates();
  if (FEvents.OnClear) FEvents.OnClear(this);
}

void TInferenceEngine::RemoveInterpretedFunctions() {
  std::vector<std::string> Names;
  for (const auto& Entry : FUserFunctions) {
    if (Entry.Value.TryAs<TInterpretedFunction>()) Names.push_back(Entry.Key);
  }
  for (auto It = Names.rbegin(); It != Names.rend(); ++It) FUserFunctions.Remove(*It);
}

void TInferenceEngine::Reset() {
  FFacts.Clear();
  FNextFactId = 0;
  for (const auto& Entry : FRules) Entry.Value->Reset();
  // A rule's condition that fails on one fact keeps no other fact out: the
  // first error is raised once every set is asserted.
  TDeferredError Failure;
  Failure.Run([&] { Assert(CreateFactTemplate(SInitialFactPattern)->NewFact(), false); });
  if (FResetGlobals) {
    for (const auto& Entry : *FGlobalVariables) ResetGlobalVariable(Entry.Key, Entry.Value);
  }
  // A fact set may join or leave while others assert.
  const std::vector<TFactSet*> Sets(FFactSets.begin(), FFactSets.end());
  for (TFactSet* Set : Sets) Failure.Run([&] { Set->Reset(); });
  if (FEvents.OnReset) FEvents.OnReset(this);
  Failure.Raise();
}

void TInferenceEngine::Notification(TComponent* Component, TOperation Operation) {
  TCustomRuleEngine::Notification(Component, Operation);
  if (Operation != opRemove) return;
  if (auto* Set = dynamic_cast<TFactSet*>(Component)) {
    FFactSets.Remove(Set);
  } else if (auto* Rule = dynamic_cast<TRule*>(Component)) {
    FRules.Remove(Rule->GetRuleName(), Rule);
  }
}

// Rules

void TInferenceEngine::AddRule(TRule* Rule) {
  if (FEvents.OnAddRule) FEvents.OnAddRule(this, Rule);
}

void TInferenceEngine::RemoveRule(TRule* Rule) {
  if (FEvents.OnRemoveRule) FEvents.OnRemoveRule(this, Rule);
  FReteNetwork->RemoveRule(Rule);
  if (Rule->GetOwner() != this || Rule->GetComponentState().Contains(csDestroying)) return;
  // The rule whose actions run now goes once they have ended.
  if (FCurrentActivation != nullptr && FCurrentActivation->GetRule() == Rule) {
    FRetiredRule = Rule;
  } else {
    Rule->Free();
  }
}

void TInferenceEngine::ClearRules() {
  if (FEvents.OnClearRules) FEvents.OnClearRules(this);
}

void TInferenceEngine::RenameRule(TRule* Rule, const std::string& NewName) {
  const std::string& OldName = Rule->GetRuleName();
  if (OldName == NewName || FRules.FTable.Get(OldName) != Rule) return;
  if (FRules.ContainsKey(NewName)) throw EIEException(Format(SDuplicateRule, NewName));
  FRules.FTable.Remove(OldName);
  FRules.FTable.Put(NewName, Rule);
}

void TInferenceEngine::RuleChange(TRule* Rule) {
  if (FRules.Get(Rule->GetRuleName()) != Rule) return;
  FReteNetwork->RemoveRule(Rule);
  FReteNetwork->AddRule(Rule);
}

void TInferenceEngine::ResetGlobalVariable(const std::string& Name, IIEValue Value) {
  if (Value && Value->GetDType() == dtFunCall) {
    TIEContext* Child = FContext->Push();
    const TScopeGuard Recycling([&] { Child->Recycle(); });
    Value = Value->GetAsFunCall()->Execute(Child);
  }
  FContext->AddGlobalBinding(Name, std::move(Value));
}

// Functions

void TInferenceEngine::AddFunction(const IUserFunction& Function) {
  if (FEvents.OnAddUserFunction) FEvents.OnAddUserFunction(this, Function);
}

void TInferenceEngine::RemoveFunction(const IUserFunction& Function) {
  if (FEvents.OnRemoveUserFunction) FEvents.OnRemoveUserFunction(this, Function);
}

bool TInferenceEngine::AddUserFunction(const IUserFunction& Function) {
  FUserFunctions.Add(Function);
  return true;
}

void TInferenceEngine::RemoveUserFunction(const IUserFunction& Function) {
  const std::string& Name = Function->GetFunctionName();
  if (FUserFunctions.Get(Name) == Function) FUserFunctions.Remove(Name);
}

bool TInferenceEngine::ContainsUserFunction(std::string_view Name) {
  return FUserFunctions.ContainsKey(Name);
}

bool TInferenceEngine::ContainsUserFunction(std::string_view Name, IUserFunction& Function) {
  return FUserFunctions.ContainsKey(Name, Function);
}

IUserFunction TInferenceEngine::GetUserFunction(std::string_view Name) {
  return FUserFunctions.Get(Name);
}

void TInferenceEngine::SetUserFunction(std::string_view Name, const IUserFunction& Function) {
  FUserFunctions.Put(Name, Function);
}

// Templates

IFactTemplate TInferenceEngine::CreateFactTemplate(const std::string& Name) {
  IFactTemplate Template;
  if (FFactTemplates.ContainsKey(Name, Template)) return Template;
  Template = new TFactTemplate(this, Name);
  Template->SetComment(SImpliedComment);
  FFactTemplates.Add(Template);
  return Template;
}

bool TInferenceEngine::FindFactTemplate(const std::string& Name, IFactTemplate& Template) {
  return FFactTemplates.ContainsKey(Name, Template);
}

// The fact base

int32_t TInferenceEngine::Assert(const IFact& Fact, bool Flag) {
  if (!Fact || !Fact->GetTemplate()) throw EIEException(SFactTemplateMissing);
  // A rule's condition that fails on the fact does not undo the
  // assertion: its error is raised once the fact is in and announced.
  TDeferredError Failure;
  int32_t HashCode = 0;
  if (Fact->GetTemplate()->IsFuzzy()) {
    // A fact a rule asserts holds only as strongly as the rule matched. An
    // equal fuzzy fact is merged into the new one, which takes its place:
    // fuzzy facts are never rejected as duplicates.
    if (FCurrentActivation != nullptr) FuzzyCorrelation(Fact, FCurrentActivation->GetStrength());
    const int32_t Existing = FFacts.FindFact(Fact);
    if (Existing >= 0) {
      FuzzyOperation(Fact, FFacts.Get(Existing), !Flag);
      Failure.Run([&] { RetractFact(Existing); });
    }
  } else {
    if (FFacts.GetCacheHashCodes()) HashCode = Fact->GetHashCode();
    if (!FFactDuplication && FFacts.FindEqual(Fact, HashCode) >= 0) return -1;
  }
  // Equal values share one object: the fact's hash and equality stay.
  Fact->ShareValues(FSharedValues);
  const int32_t ID = NewFactId();
  Fact->SetID(ID);
  // The origin is made before the fact goes in: a fact in the list is in
  // the network too.
  if (FCurrentActivation != nullptr && !FFiringOrigin) {
    FFiringOrigin = new TFactOrigin(fsRule, FCurrentActivation->GetRule()->GetRuleName(),
                                    FCurrentActivation->GetToken(), FRulesFired);
  }
  {
    FFacts.FEngineUpdating = true;
    const TScopeGuard Updated([&] { FFacts.FEngineUpdating = false; });
    FFacts.AppendIndexed(Fact, HashCode);
  }
  Fact->SetOrigin(FCurrentActivation == nullptr ? FOrigin : FFiringOrigin);
  WatchFact(" ==> ", Fact);
  Failure.Run([&] { FReteNetwork->ProcessFact(taAdd, Fact); });
  ProcessPendingFacts();
  if (FEvents.OnAssertion) FEvents.OnAssertion(this, Fact);
  Failure.Raise();
  return ID;
}

TFactExplanation TInferenceEngine::Why(int32_t FactID) const {
  const IFact Fact = FFacts.GetFactByID(FactID);
  if (!Fact) throw EIEException(Format(SNoSuchFactID, IntToStr(FactID)));
  return Explain(Fact, dynamic_cast<const TFactOrigin*>(Fact->GetOrigin().Get()), FNullFact.Get());
}

TRuleMatches TInferenceEngine::Matches(const std::string& RuleName) {
  TRule* Rule = FRules.Get(RuleName);
  if (Rule == nullptr) throw EIEException(Format(SUnknownName, "rule", RuleName));
  return FReteNetwork->GetRuleMatches(*Rule);
}

TInferenceEngine::TOriginScope::TOriginScope(TInferenceEngine* Engine, TFactSource Source,
                                             const std::string& Name)
    : FEngine(Engine), FOuter(Engine->FOrigin) {
  Engine->FOrigin = new TFactOrigin(Source, Name);
}

int32_t TInferenceEngine::Retract(int32_t ID) {
  const int32_t Index = FFacts.FindFact(ID);
  if (Index >= 0) RetractFact(Index);
  return Index;
}

int32_t TInferenceEngine::Retract(const IFact& Fact) {
  const int32_t Index = FFacts.FindFact(Fact);
  if (Index >= 0) RetractFact(Index);
  return Index;
}

void TInferenceEngine::RetractFact(int32_t Index) {
  const IFact Fact = FFacts.Get(Index);
  if (FEvents.OnRetraction) FEvents.OnRetraction(this, Fact);
  // As in Assert: the fact goes, then a failing condition's error is raised.
  TDeferredError Failure;
  Failure.Run([&] { FReteNetwork->ProcessFact(taRemove, Fact); });
  {
    FFacts.FEngineUpdating = true;
    const TScopeGuard Updated([&] { FFacts.FEngineUpdating = false; });
    WatchFact(" <== ", Fact);
    // The handlers and the network may have moved it, or taken it already.
    FFacts.DeleteIndexed(Fact);
  }
  ProcessPendingFacts();
  Failure.Raise();
}

void TInferenceEngine::RetractFacts() {
  FReteNetwork->ProcessToken(new TIEToken());
  if (FEvents.OnClearFacts) FEvents.OnClearFacts(this);
}

std::vector<IFact> TInferenceEngine::ListFacts() const {
  return std::vector<IFact>(FFacts.begin(), FFacts.end());
}

void TInferenceEngine::AddPendingFact(const IFact& Fact, bool Assertion) {
  (Assertion ? FPendingAssertions : FPendingRetractions).Add(Fact);
}

void TInferenceEngine::ProcessPendingFacts() {
  while (FPendingAssertions.GetCount() > 0) {
    const IFact Fact = FPendingAssertions.First();
    FPendingAssertions.Delete(0);
    Assert(Fact, false);
  }
  while (FPendingRetractions.GetCount() > 0) {
    const IFact Fact = FPendingRetractions.First();
    FPendingRetractions.Delete(0);
    Retract(Fact);
  }
}

void TInferenceEngine::BeginFactModify(const IFact& Fact) {
  FModifying = true;
  const int32_t Index = FFacts.IndexOf(Fact);
  if (Index >= 0) RetractFact(Index);
}

int32_t TInferenceEngine::EndFactModify(const IFact& Fact) {
  int32_t ID;
  try {
    ID = Assert(Fact, false);
  } catch (...) {
    // A modify is whole or fails with the fact still there: when the
    // assertion failed before the fact went in (memory ran short), it is
    // put back once more, and the error is reported either way.
    try {
      if (FFacts.IndexOf(Fact) < 0 && Fact->GetTemplate()) Assert(Fact, false);
    } catch (...) {
    }
    FModifying = false;
    throw;
  }
  FModifying = false;
  return ID;
}

std::string TInferenceEngine::GenerateSymbol(const std::string& Prefix) {
  return Prefix + IntToStr(FSymbolIndex++);
}

ICustomFunCall TInferenceEngine::NewFunctionCall(const std::string& Name) {
  return new TFunctionCall(this, Name);
}

void TInferenceEngine::SetSymbolIndex(int32_t Value) {
  FSymbolIndex = Value > FSymbolIndex ? Value : FSymbolIndex + 1;
}

void TInferenceEngine::SetFactDuplication(bool Value) {
  if (Value == FFactDuplication) return;
  FFactDuplication = Value;
  FFacts.SetCacheHashCodes(!Value);
}

void TInferenceEngine::SetMinActivationStrength(float Value) {
  if (Value == FMinActivationStrength) return;
  FMinActivationStrength = std::clamp(Value, 0.0f, 1.0f);
  FReteNetwork->SetMinActivationStrength(FMinActivationStrength);
}

// Output

void TInferenceEngine::WatchFact(const char* Arrow, const IFact& Fact) {
  if (!FWatch.Contains(cwFact) || !FEvents.OnPrintOut) return;
  PrintOut("", Arrow + Fact->GetToIDString() + NewLineString);
}

void TInferenceEngine::Lock() {
  if (!FLock) FLock = std::make_unique<std::recursive_mutex>();
  FLock->lock();
}

void TInferenceEngine::Unlock() {
  if (FLock) FLock->unlock();
}

// Collection hooks

void TInferenceEngine::AddFactTemplate(const IFactTemplate& Template) {
  if (FEvents.OnNewFactTemplate) FEvents.OnNewFactTemplate(this, Template);
}

void TInferenceEngine::RemoveFactTemplate(const IFactTemplate& Template) {
  if (FEvents.OnRemoveFactTemplate) FEvents.OnRemoveFactTemplate(this, Template);
}

void TInferenceEngine::ClearFactTemplates() {
  if (FEvents.OnClearFactTemplates) FEvents.OnClearFactTemplates(this);
}

void TInferenceEngine::AddDefinedType(const IIEDefinedType& DefinedType) {
  // Its sets compare with numbers by the engine's threshold.
  if (const IFuzzyVariable& Variable = DefinedType->GetFuzzyType()) {
    Variable->SetEqualsThreshold(FFuzzyEqualsThreshold);
  }
  if (FEvents.OnAddDefinedType) FEvents.OnAddDefinedType(this, DefinedType);
}

void TInferenceEngine::RemoveDefinedType(const IIEDefinedType& DefinedType) {
  if (FEvents.OnRemoveDefinedType) FEvents.OnRemoveDefinedType(this, DefinedType);
}

void TInferenceEngine::ClearDefinedTypes() {
  if (FEvents.OnClearDefinedTypes) FEvents.OnClearDefinedTypes(this);
}

}  // namespace ie
