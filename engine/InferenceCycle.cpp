// The inference cycle of TInferenceEngine: the agenda's order and the
// run that fires its activations.
#include "engine/InferenceEngine.h"

#include "engine/ActivationAgenda.h"
#include "rete/IERule.h"
#include "rete/ReteNetwork.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"

namespace ie {

// The agenda

void TInferenceEngine::WatchActivation(const char* Arrow, const TActivation* Activation) {
  if (!FWatch.Contains(cwActivation) || !FEvents.OnPrintOut) return;
  PrintOut("", std::string(Arrow) + Activation->GetRule()->GetRuleName() + " : " +
                   Activation->GetToken()->GetToFactsString() + NewLineString);
}

void TInferenceEngine::AddActivation(TActivation* Activation) {
  try {
    Activation->GetRule()->EvaluateSalience();
    const int32_t Index = FAgenda->Add(Activation);
    WatchActivation("==> Activation: ", Activation);
    if (FEvents.OnAddActivation) FEvents.OnAddActivation(this, Index, Activation);
  } catch (const EAbort&) {
    // A silent abort leaves the activation off the agenda when it came
    // before the insertion; nothing else would free it then.
    if (FAgenda->IndexOf(Activation) < 0) Activation->Free();
  }
}

void TInferenceEngine::RemoveActivation(int32_t Index) {
  TActivation* Activation = FAgenda->GetActivation(Index);
  if (FEvents.OnRemoveActivation) FEvents.OnRemoveActivation(this, Index, Activation);
  WatchActivation("<== Activation: ", Activation);
  // The activation being fired is freed by Run itself.
  if (Activation == FCurrentActivation) {
    FAgenda->Extract(Index);
  } else {
    FAgenda->Delete(Index);
  }
}

void TInferenceEngine::RemoveActivation(TActivation* Activation) {
  const int32_t Index = FAgenda->IndexOf(Activation);
  if (Index >= 0) RemoveActivation(Index);
}

void TInferenceEngine::RuleFired(TActivation* Activation) {
  if (FEvents.OnRuleFired) FEvents.OnRuleFired(this, Activation->GetRule());
  RemoveActivation(Activation);
}

TActivation* TInferenceEngine::GetActivation(int32_t Index) const {
  return FAgenda->GetActivation(Index);
}

int32_t TInferenceEngine::GetAgendaCount() const { return FAgenda->GetCount(); }

void TInferenceEngine::UnregisterRule(TRule* Rule) { FRules.Remove(Rule->GetRuleName(), Rule); }

TObject* TInferenceEngine::GetDefaultsContext() { return FContext.get(); }

int32_t TInferenceEngine::SearchInsertion(TActivation& Activation) {
  return ie::SearchInsertion(*FAgenda, Activation, FStrategy);
}

void TInferenceEngine::SetAgenda(TIEAgenda* Source) {
  FAgenda->Clear();
  // The activations themselves move over, so their terminal nodes keep
  // knowing them.
  Source->SetOwnsObjects(false);
  for (int32_t I = 0; I < Source->GetCount(); ++I) AddActivation(Source->GetActivation(I));
}

void TInferenceEngine::Resort(TIEAgenda* Scratch) {
  const bool Owned = FAgenda->GetOwnsObjects();
  FAgenda->SetOwnsObjects(false);
  Scratch->SetOwnsObjects(false);
  Scratch->Assign(FAgenda.get());
  TScopeGuard Restore([&] {
    FAgenda->SetOwnsObjects(Owned);
    Scratch->Clear();
  });
  SetAgenda(Scratch);
}

void TInferenceEngine::SetStrategy(TSearchStrategy Value) {
  if (Value == FStrategy) return;
  FStrategy = Value;
  const TOwned<TIEAgenda> Scratch = MakeOwned<TIEAgenda>(nullptr);
  Resort(Scratch.get());
}

// The inference cycle

void TInferenceEngine::BeginInference() {
  if (FEvents.OnStartInference) FEvents.OnStartInference(this);
  FStartTime = std::chrono::steady_clock::now();
  FRulesFired = 0;
  FFiringFailure = {};
  FMaxFacts = FFacts.GetCount();
  FFactsSum = 0;
  FMaxActivations = FAgenda->GetCount();
  FActivationsSum = 0;
  FHalted = false;
}

void TInferenceEngine::EndInference() {
  if (FWatch.Contains(cwStatistics)) PrintStatistics();
  if (FEvents.OnEndInference) FEvents.OnEndInference(this, FRulesFired);
}

void TInferenceEngine::PrintStatistics() {
  FRunTime = std::chrono::duration<double>(std::chrono::steady_clock::now() - FStartTime).count();
  if (FRulesFired <= 0 || !FEvents.OnPrintOut) return;
  const double MeanFacts = FFactsSum / FRulesFired;
  const double MeanActivations = FActivationsSum / FRulesFired;
  PrintOut("", Format("%d rules fired.     Run time is %.4f seconds", FRulesFired, FRunTime) +
                   NewLineString);
  PrintOut("", (FRunTime == 0 ? IntToStr(FRulesFired) : Format("%.4f", FRulesFired / FRunTime)) +
                   " rules per second" + NewLineString);
  PrintOut("",
           Format("%.4f mean number of facts (%d maximum)", MeanFacts, FMaxFacts) + NewLineString);
  PrintOut(
      "", Format("%.4f mean number of activations (%d maximum)", MeanActivations, FMaxActivations) +
              NewLineString);
}

// Fires the activation at the front of the agenda and frees it, also when
// its rule raises.
void TInferenceEngine::FireCurrent() {
  FCurrentActivation = FAgenda->GetActivation(0);
  FLastRuleName = FCurrentActivation->GetRule()->GetRuleName();
  if (FWatch.Contains(cwRule) && FEvents.OnPrintOut) {
    PrintOut("", "FIRE " + IntToStr(FRulesFired) + " " +
                     FCurrentActivation->GetRule()->GetRuleName() + " " +
                     FCurrentActivation->GetToken()->GetToFactsString() + NewLineString);
  }
  try {
    FCurrentActivation->Fire();
  } catch (...) {
    // A rule that raised leaves its activation on the agenda's front; it
    // goes also when noting the failure fails.
    const TScopeGuard Finish([&] {
      const int32_t Index = FAgenda->IndexOf(FCurrentActivation);
      if (Index >= 0) FAgenda->Extract(Index);
      EndFiring();
    });
    NoteFiringFailure(*FCurrentActivation->GetRule(), std::current_exception());
    throw;
  }
  if (FWatch.Contains(cwStatistics)) {
    FFactsSum += FFacts.GetCount();
    FMaxFacts = std::max(FMaxFacts, FFacts.GetCount());
    FActivationsSum += FAgenda->GetCount();
    FMaxActivations = std::max(FMaxActivations, FAgenda->GetCount());
  }
  EndFiring();
}

// The action's text on one line: an error message names it in passing.
void TInferenceEngine::NoteFiringFailure(const TRule& Rule, std::exception_ptr Error) {
  FFiringFailure = {Rule.GetRuleName(), "", std::move(Error)};
  if (!Rule.GetFailedAction()) return;
  bool InSpace = false;
  for (const char C : Rule.GetFailedAction()->GetToString()) {
    const bool Space = C == ' ' || C == '\t' || C == '\r' || C == '\n';
    if (Space && InSpace) continue;
    FFiringFailure.Action += Space ? ' ' : C;
    InSpace = Space;
  }
}

void TInferenceEngine::EndFiring() {
  FCurrentActivation->Free();
  FCurrentActivation = nullptr;
  FFiringOrigin = nullptr;
  if (FRetiredRule != nullptr) {
    TRule* Rule = FRetiredRule;
    FRetiredRule = nullptr;
    Rule->Free();
  }
}

// The load comes first: a plain read costs less than the exchange on the
// path taken at every firing.
bool TInferenceEngine::TakeInterrupt() {
  return FInterruptRequested.load(std::memory_order_relaxed) &&
         FInterruptRequested.exchange(false, std::memory_order_relaxed);
}

void TInferenceEngine::CheckInterrupt() {
  if (TakeInterrupt()) throw EAbort(SOperationAborted);
}

int32_t TInferenceEngine::Run(int32_t MaxSteps) {
  // Started by a rule's action, a run would fire that very activation again.
  if (FCurrentActivation != nullptr) return 0;
  BeginInference();
  std::unique_ptr<TIEAgenda, void (*)(TIEAgenda*)> Scratch(nullptr,
                                                           [](TIEAgenda* A) { A->Free(); });
  if (FSalienceEvaluation == sEveryTime) Scratch.reset(Create<TIEAgenda>(nullptr));
  while (FAgenda->GetCount() > 0 && !FHalted && FRulesFired < MaxSteps) {
    // An interrupt halts the run as halt does.
    if (TakeInterrupt()) {
      FHalted = true;
      break;
    }
    Lock();
    const TScopeGuard Unlocking([&] { Unlock(); });
    if (FAgenda->GetCount() > 0) {
      FireCurrent();
      ++FRulesFired;
    }
    if (Scratch) Resort(Scratch.get());
  }
  const int32_t Result = FRulesFired;
  EndInference();
  return Result;
}

}  // namespace ie
