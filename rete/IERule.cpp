#include "rete/IERule.h"

#include <algorithm>

#include "rete/IEPattern.h"
#include "rete/IERulePrinter.h"
#include "rete/ReteNetwork.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"
#include "runtime/ScopeGuard.h"

namespace ie {

namespace {

bool EngineGoing(const TCustomRuleEngine* Engine) {
  return Engine->GetComponentState().Contains(csDestroying);
}

// Pops and recycles a pushed context however the scope ends.
class TPushedContext {
 public:
  explicit TPushedContext(TIEContext* Parent) : FContext(Parent->Push()) {}
  ~TPushedContext() {
    FContext->ClearReturnValue();
    FContext->Pop();
    FContext->Recycle();
  }
  TPushedContext(const TPushedContext&) = delete;
  TPushedContext& operator=(const TPushedContext&) = delete;
  TIEContext* Get() const { return FContext; }

 private:
  TIEContext* FContext;
};

}  // namespace

// TRulePatternList

TRulePatternList::~TRulePatternList() {
  for (TIEPattern* Pattern : FItems) Pattern->Free();
}

TIEPattern* TRulePatternList::Get(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  return FItems[Index];
}

int32_t TRulePatternList::Add(TIEPattern* Pattern) {
  Insert(GetCount(), Pattern);
  return IndexOf(Pattern);
}

void TRulePatternList::Insert(int32_t Index, TIEPattern* Pattern) {
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  FItems.insert(FItems.begin() + Index, Pattern);
  FRule->PatternNotification(Pattern, Index, true);
}

void TRulePatternList::Delete(int32_t Index) {
  TIEPattern* Pattern = Get(Index);
  FItems.erase(FItems.begin() + Index);
  FRule->PatternNotification(Pattern, Index, false);
  Pattern->Free();
}

int32_t TRulePatternList::Remove(TIEPattern* Pattern) {
  const int32_t Index = IndexOf(Pattern);
  if (Index >= 0) Delete(Index);
  return Index;
}

int32_t TRulePatternList::IndexOf(const TIEPattern* Pattern) const {
  const auto It = std::find(FItems.begin(), FItems.end(), Pattern);
  return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

int32_t TRulePatternList::IndexOf(const IFactTemplate& Template) const {
  const auto It = std::find_if(FItems.begin(), FItems.end(), [&](const TIEPattern* Pattern) {
    return Pattern->GetFactTemplate() == Template;
  });
  return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

void TRulePatternList::Clear() {
  while (!FItems.empty()) Delete(GetCount() - 1);
}

// TRuleActionList

int32_t TRuleActionList::Add(const ICustomFunCall& Action) {
  const int32_t Index = FItems.Add(Action);
  FRule->ActionNotification();
  return Index;
}

void TRuleActionList::Insert(int32_t Index, const ICustomFunCall& Action) {
  FItems.Insert(Index, Action);
  FRule->ActionNotification();
}

void TRuleActionList::Delete(int32_t Index) {
  FItems.Delete(Index);
  FRule->ActionNotification();
}

int32_t TRuleActionList::Remove(const TCustomFunctionCall* Action) {
  const int32_t Index = FItems.IndexOf(Action);
  if (Index >= 0) Delete(Index);
  return Index;
}

void TRuleActionList::Clear() {
  FItems.Clear();
  FRule->ActionNotification();
}

// TRule

TRule::TRule(TComponent* Owner)
    : TComponent(Owner),
      FRuleName("Rule_0"),
      FSalienceExpression(new TIEValue(0, dtInteger)),
      FActions(this),
      FPatterns(this) {}

TRule::~TRule() { FreeBindings(); }

void TRule::AfterConstruction() {
  TComponent::AfterConstruction();
  if (auto* Engine = dynamic_cast<TCustomRuleEngine*>(GetOwner())) {
    FEngine = Engine;
    FEngine->FreeNotification(this);
    FRuleId = FEngine->NewRuleId();
  }
  FRuleName = "Rule_" + IntToStr(FRuleId);
  FRuleNameValue = new TIEValue(FRuleName, dtString);
}

void TRule::BeforeDestruction() {
  if (FEngine != nullptr && !EngineGoing(FEngine)) {
    FEngine->UnregisterRule(this);
    if (TReteNetwork* Network = FEngine->GetReteNetwork()) Network->RemoveRule(this);
  }
  TComponent::BeforeDestruction();
}

void TRule::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation == opRemove && Component == FEngine) FEngine = nullptr;
}

void TRule::SetRuleName(const std::string& Name) {
  for (char C : Name) {
    if (SForbiddenNameCharacters.find(C) != std::string_view::npos) {
      throw EIEException(Format(SUnexpectedCharacter, Name, std::string(1, C)));
    }
  }
  if (FNamed && Name == FRuleName) return;
  if (FEngine != nullptr && !GetComponentState().Contains(csLoading)) {
    FEngine->RenameRule(this, Name);
  }
  FRuleName = Name;
  FRuleNameValue = new TIEValue(FRuleName, dtString);
  FNamed = true;
  Change(this);
}

void TRule::SetSalience(const IIEValue& Expression) {
  FSalienceExpression = Expression ? Expression : IIEValue(new TIEValue(0, dtInteger));
  EvaluateSalience();
  Change(this);
}

int32_t TRule::EvaluateSalience() {
  if (FSalienceExpression->GetDType() == dtInteger) {
    FSalience = FSalienceExpression->GetAsInteger();
  } else if (FEngine != nullptr) {
    TPushedContext Context(FEngine->GetContext());
    SetSalienceInteger(FSalienceExpression->Resolve(Context.Get())->GetAsInteger());
  }
  return FSalience;
}

void TRule::SetSalienceInteger(int32_t Value) {
  FSalience = Value;
  if (FSalienceExpression->GetDType() == dtInteger) {
    FSalienceExpression = new TIEValue(Value, dtInteger);
  }
}

void TRule::SetEngine(TCustomRuleEngine* Engine) {
  if (Engine == FEngine) return;
  if (FEngine != nullptr) {
    FEngine->UnregisterRule(this);
    FEngine->RemoveFreeNotification(this);
  }
  FEngine = Engine;
  if (FEngine == nullptr) return;
  FEngine->FreeNotification(this);
  if (GetComponentState().Contains(csLoading)) return;
  FRuleId = FEngine->NewRuleId();
  if (!FNamed) {
    FRuleName = "Rule_" + IntToStr(FRuleId);
    FRuleNameValue = new TIEValue(FRuleName, dtString);
  }
  FEngine->RegisterRule(this);
}

TBinding* TRule::GetBinding(int32_t Index) const {
  if (Index < 0 || Index >= GetBindingCount()) ListIndexError(Index);
  return FBindings[Index];
}

TBinding* TRule::GetBindingByName(std::string_view Name) const {
  const int32_t Index = IndexOfBinding(Name);
  return Index >= 0 ? FBindings[Index] : nullptr;
}

int32_t TRule::IndexOfBinding(std::string_view Name) const {
  for (size_t I = 0; I < FBindings.size(); ++I) {
    if (FBindings[I]->GetName() == Name) return static_cast<int32_t>(I);
  }
  return -1;
}

TBinding* TRule::AddBinding(const std::string& Name, int32_t FactIndex,
                            const std::string& SlotIndex, int32_t SubIndex) {
  TOwned<TBinding> Binding = MakeOwned<TBinding>(Name, FactIndex, SlotIndex, SubIndex);
  for (TBinding* Existing : FBindings) {
    if (Existing->Equals(Binding.get())) return Existing;
  }
  // The two lists stay of one length when an allocation fails.
  FBindingSlots.push_back(
      TSlotCache{SlotIndex == SLocalBinding, SlotIndex == SPatternBinding, nullptr, -1});
  TScopeGuard Undo([this] { FBindingSlots.pop_back(); });
  FBindings.push_back(Binding.get());
  Undo.Dismiss();
  FFrameStale = true;
  return Binding.release();
}

void TRule::FreeBindings() {
  for (TBinding* Binding : FBindings) Binding->Free();
  FBindings.clear();
  FBindingSlots.clear();
  FFrameStale = true;
}

void TRule::ShiftBindings(int32_t From, int32_t Delta) {
  FFrameStale = true;
  for (size_t I = FBindings.size(); I-- > 0;) {
    TBinding* Binding = FBindings[I];
    const int32_t FactIndex = Binding->GetFactIndex();
    if (FactIndex < From) continue;
    if (Delta < 0 && FactIndex == From) {
      Binding->Free();
      FBindings.erase(FBindings.begin() + I);
      FBindingSlots.erase(FBindingSlots.begin() + I);
    } else {
      Binding->SetFactIndex(FactIndex + Delta);
    }
  }
}

void TRule::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Change();
}

void TRule::Change(TObject*) {
  if (FUpdateCount > 0 || FCompiling) return;
  if (FEngine != nullptr) FEngine->RuleChange(this);
  if (FOnChange) FOnChange(this);
}

void TRule::PatternNotification(TIEPattern* Pattern, int32_t Index, bool Added) {
  BeginUpdate();
  if (!Added) {
    ShiftBindings(Index, -1);
    EndUpdate();
    return;
  }
  TScopeGuard Undo([&] {
    // The pattern stays with the caller, as if it had never been put in.
    const int32_t At = FPatterns.IndexOf(Pattern);
    if (At >= 0) {
      FPatterns.FItems.erase(FPatterns.FItems.begin() + At);
      ShiftBindings(At, -1);
    }
    Pattern->SetOwner(nullptr);
    --FUpdateCount;
  });
  Pattern->SetOwner(this);
  ShiftBindings(Index, 1);
  AddPattern(Pattern, Index);
  Undo.Dismiss();
  EndUpdate();
}

void TRule::AddPattern(TIEPattern* Pattern, int32_t Index) {
  if (FEngine == nullptr) throw EIEException(SUnknownEngine);
  const bool IsTest = Pattern->GetName() == STestCE;
  if (Index == 0 && (Pattern->GetNegatedCount() > 0 || IsTest)) {
    InsertInitialPattern();
    Index = 1;
  }
  if (Pattern->GetBoundName().empty() && !(IsTest && Pattern->IsNegated())) {
    Pattern->SetBoundName(FEngine->GenerateSymbol(SFactPrefix));
  }
  if (!Pattern->GetBoundName().empty()) {
    AddBinding(Pattern->GetBoundName(), Index, SPatternBinding, NoSubIndex);
  }
  const TIEContext* Globals = FEngine->GetContext();
  for (int32_t Slot = 0; Slot < Pattern->GetSlotCount(); ++Slot) {
    const TSlotTests* Tests = Pattern->GetSlotTests(Slot);
    if (Tests == nullptr) continue;
    for (const TIEPatternMatchTest* Test : *Tests) {
      const IIEValue& Value = Test->GetSlotValue();
      if (!IsVariable(Value)) continue;
      const std::string& Name = Value->GetText();
      if (std::string_view(Name).starts_with(SBlankPrefix) || GetBindingByName(Name) != nullptr ||
          Globals->FindGlobalBinding(Name) != nullptr) {
        continue;
      }
      if (Pattern->IsNegated() || Test->GetSlotTestType() == sttNotEquals) {
        throw EIEException(Format(SFirstUseNegated, Name));
      }
      AddBinding(Name, Index, Pattern->GetSlotName(Slot), Test->GetMultiSlotSubIndex());
    }
  }
}

void TRule::InsertInitialPattern() {
  TOwned<TIEPattern> Initial(FEngine->GetInitialFactPattern()->Clone(this));
  FPatterns.Insert(0, Initial.get());
  Initial.release();
}

void TRule::ActionNotification() { Change(this); }

IIEValue TRule::BindingValue(TBinding& Binding, TSlotCache& Cache, TFact& Fact) const {
  if (Cache.WholeFact) return new TIEValue(Fact.GetID(), dtFactId);
  IIEValue Value;
  const ISlotLayout& Layout = Fact.GetTemplate()->GetLayout();
  if (Layout != Cache.Layout) {
    Cache.Layout = Layout;
    Cache.Position = Layout->IndexOf(Binding.GetSlotIndex());
  }
  if (Cache.Position >= 0) {
    Value = Fact.PeekValue(Cache.Position);
    if (!Value) Value = FCNil;
    // An action may change what it is bound to: the fact's own copy, not
    // the default its facts share.
    if (Value->IsFrozen()) Value = Fact.GetValue(Binding.GetSlotIndex());
  } else {
    // A value kept under a name the template has since dropped.
    Value = Fact.GetValue(Binding.GetSlotIndex());
  }
  if (Binding.GetSubIndex() == NoSubIndex) return Value;
  return Value->GetAsList()->Get(Binding.GetSubIndex());
}

void TRule::BuildFrame() {
  FFrame.Clear();
  FFramePositions.clear();
  for (const TBinding* Binding : FBindings) FFramePositions.push_back(FFrame.Add(Binding->GetName()));
  FRuleNamePosition = FFrame.Add(SRuleBinding);
  FFrameStale = false;
}

void TRule::Prepare(const IReteToken& Token, TIEContext* Context) {
  if (FFrameStale) BuildFrame();
  Context->SetFrame(&FFrame);
  const TFact* NullFact = FEngine != nullptr ? FEngine->GetNullFact().Get() : nullptr;
  // The token's facts, oldest first, walked once.
  FTokenFacts.assign(Token ? Token->GetCount() : 0, nullptr);
  for (const TIEToken* Link = Token.Get(); Link != nullptr; Link = Link->GetParent().Get()) {
    FTokenFacts[Link->GetCount() - 1] = Link->GetFact().Get();
  }
  const int32_t Count = static_cast<int32_t>(FTokenFacts.size());
  for (size_t I = 0; I < FBindings.size(); ++I) {
    TBinding& Binding = *FBindings[I];
    const int32_t FactIndex = Binding.GetFactIndex();
    TSlotCache& Cache = FBindingSlots[I];
    if (FactIndex < 0 || FactIndex >= Count || Cache.Local) continue;
    TFact* Fact = FTokenFacts[FactIndex];
    if (Fact == nullptr || Fact == NullFact) continue;
    Context->SetFrameValue(FFramePositions[I], BindingValue(Binding, Cache, *Fact));
  }
  Context->SetFrameValue(FRuleNamePosition, FRuleNameValue);
}

void TRule::Fire(const IReteToken& Token) {
  if (FEngine == nullptr) throw EIEException(SUnknownEngine);
  TPushedContext Pushed(FEngine->GetContext());
  TIEContext* Context = Pushed.Get();
  Context->ClearReturnValue();
  FFailedAction = nullptr;
  Prepare(Token, Context);
  FFired = true;
  if (FOnFire) FOnFire(this, Context);
  if (Context->GetReturnFlag()) return;
  for (const ICustomFunCall& Action : FActions) {
    try {
      Action->Execute(Context);
    } catch (...) {
      FFailedAction = Action;
      throw;
    }
    if (Context->GetReturnFlag()) break;
  }
}

std::string TRule::GetToString() const {
  return FEngine != nullptr ? FEngine->PrettyPrint(*this) : PrettyPrint(*this);
}

}  // namespace ie
