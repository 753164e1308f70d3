#include "rete/IEPattern.h"

#include <algorithm>
#include <cctype>

#include "core/IEFactOwner.h"
#include "rete/IERule.h"
#include "rete/IERulePrinter.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"
#include "runtime/ScopeGuard.h"

namespace ie {

namespace {

// Slot entries sort as template slot names do: without regard to case.
bool NameBefore(std::string_view A, std::string_view B) {
  const auto Lower = [](char C) { return std::tolower(static_cast<unsigned char>(C)); };
  return std::lexicographical_compare(A.begin(), A.end(), B.begin(), B.end(),
                                      [&](char X, char Y) { return Lower(X) < Lower(Y); });
}

IIEValue CallValue(const ICustomFunCall& Call) { return IIEValue(new TIEValue(Call)); }

}  // namespace

// TSlotTests

TSlotTests::~TSlotTests() {
  for (TIEPatternMatchTest* Test : FItems) Test->Free();
}

TIEPatternMatchTest* TSlotTests::Get(int32_t Index) const {
  if (Index < 0 || Index >= GetCount()) ListIndexError(Index);
  return FItems[Index];
}

void TSlotTests::Notify(TIEPatternMatchTest* Test, TSlotTestAction Action) {
  if (FPattern != nullptr) FPattern->TestNotification(Test, Action);
}

void TSlotTests::Put(int32_t Index, TIEPatternMatchTest* Test) {
  Delete(Index);
  Insert(Index, Test);
}

int32_t TSlotTests::Add(TIEPatternMatchTest* Test) {
  Insert(GetCount(), Test);
  return GetCount() - 1;
}

void TSlotTests::Insert(int32_t Index, TIEPatternMatchTest* Test) {
  TOwned<TIEPatternMatchTest> Owned(Test);
  if (Index < 0 || Index > GetCount()) ListIndexError(Index);
  Test->SetPattern(FPattern);
  FItems.insert(FItems.begin() + Index, Test);
  Owned.release();
  Notify(Test, saAdded);
}

void TSlotTests::Delete(int32_t Index) {
  TOwned<TIEPatternMatchTest> Test(Get(Index));
  FItems.erase(FItems.begin() + Index);
  Notify(Test.get(), saDeleted);
}

TIEPatternMatchTest* TSlotTests::Extract(int32_t Index) {
  TIEPatternMatchTest* Test = Get(Index);
  FItems.erase(FItems.begin() + Index);
  Notify(Test, saExtracted);
  return Test;
}

int32_t TSlotTests::IndexOf(const TIEPatternMatchTest* Test) const {
  const auto It = std::find(FItems.begin(), FItems.end(), Test);
  return It == FItems.end() ? -1 : static_cast<int32_t>(It - FItems.begin());
}

void TSlotTests::Clear() {
  while (!FItems.empty()) Delete(GetCount() - 1);
}

// TIEPattern

TIEPattern::TIEPattern(TComponent* Owner, std::string Name, const IFactTemplate& FactTemplate,
                       int32_t NegatedCount)
    : FFactTemplate(FactTemplate),
      FNegatedCount(NegatedCount),
      FName(std::move(Name)),
      FOwner(Owner) {
  if (!FFactTemplate) return;
  const TStringList& Names = FFactTemplate->GetSlotNames();
  FSlots.resize(Names.GetCount());
  for (int32_t Index = 0; Index < Names.GetCount(); ++Index) FSlots[Index].Name = Names.Get(Index);
}

void TIEPattern::SetUnique(bool Value) {
  if (Value == FUnique) return;
  FUnique = Value;
  Change();
}

void TIEPattern::SetExplicit(bool Value) {
  if (Value == FExplicit) return;
  FExplicit = Value;
  Change();
}

void TIEPattern::SetFactTemplate(const IFactTemplate& Value) {
  if (Value == FFactTemplate) return;
  FFactTemplate = Value;
  Change();
}

void TIEPattern::SetNegatedCount(int32_t Value) {
  if (Value == FNegatedCount) return;
  FNegatedCount = Value;
  Change();
}

void TIEPattern::SetBoundName(const std::string& Name) {
  if (IsNegated() && FName == STestCE) throw EIEException(SNegatedPatternBinding);
  if (Name == FBoundName) return;
  FBoundName = Name;
  Change();
}

void TIEPattern::SetOwner(TComponent* Owner) {
  if (Owner == FOwner) return;
  Change();
  FOwner = Owner;
  if (FOwner != nullptr) Change();
}

void TIEPattern::Change() {
  if (FUpdateCount > 0) return;
  if (auto* Rule = dynamic_cast<TRule*>(FOwner)) Rule->Change(this);
  if (FOnChange) FOnChange(this);
}

void TIEPattern::EndUpdate() {
  if (FUpdateCount > 0 && --FUpdateCount == 0) Change();
}

TIEPatternMatchTest* TIEPattern::CreatePatternMatchTest(TIEPattern* Pattern,
                                                        TSlotTestType SlotTestType,
                                                        int32_t SubIndex, const IIEValue& Value) {
  return Create<TIEPatternMatchTest>(Pattern, SlotTestType, SubIndex, Value);
}

TIEPatternMatchTest* TIEPattern::CreatePatternMatchTest(const TIEPatternMatchTest& Source) {
  return Create<TIEPatternMatchTest>(this, Source, Source.GetSlotValue());
}

void TIEPattern::AddTest(const std::string& SlotName, TIEPatternMatchTest* Test) {
  TOwned<TIEPatternMatchTest> Owned(Test);
  if (!FFactTemplate) throw EIEException(SFactTemplateMissing);
  if (!FFactTemplate->ContainsSlot(SlotName)) throw EIEException(Format(SNoSuchSlot, SlotName));
  TSlotEntry& Entry = EnsureSlot(SlotName);
  if (!Entry.Tests) Entry.Tests = std::make_unique<TSlotTests>(this);
  Entry.Tests->Add(Owned.release());
}

TIEPatternMatchTest* TIEPattern::AddTest(const std::string& SlotName, const IIEValue& Value,
                                         int32_t SubIndex, bool Negate, bool Conjunction) {
  TIEPatternMatchTest* Test =
      CreatePatternMatchTest(this, Negate ? sttNotEquals : sttEquals, SubIndex, Value);
  Test->SetConjunction(Conjunction);
  AddTest(SlotName, Test);
  return Test;
}

const TIEPattern::TSlotEntry& TIEPattern::Slot(int32_t Index) const {
  if (Index < 0 || Index >= GetSlotCount()) ListIndexError(Index);
  return FSlots[Index];
}

TIEPattern::TSlotEntry& TIEPattern::EnsureSlot(const std::string& Name) {
  const int32_t Index = IndexOfSlotName(Name);
  if (Index >= 0) return FSlots[Index];
  const auto It = std::find_if(FSlots.begin(), FSlots.end(), [&](const TSlotEntry& Entry) {
    return NameBefore(Name, Entry.Name);
  });
  TSlotEntry& Entry = *FSlots.insert(It, TSlotEntry());
  Entry.Name = Name;
  return Entry;
}

int32_t TIEPattern::IndexOfSlotName(std::string_view Name) const {
  for (size_t Index = 0; Index < FSlots.size(); ++Index) {
    if (FSlots[Index].Name == Name) return static_cast<int32_t>(Index);
  }
  return -1;
}

void TIEPattern::SetSlotLength(int32_t Index, int32_t Length) {
  if (Slot(Index).Length == Length) return;
  FSlots[Index].Length = Length;
}

int32_t TIEPattern::GetSlotTestCount(int32_t Index) const {
  const TSlotTests* Tests = GetSlotTests(Index);
  return Tests == nullptr ? 0 : Tests->GetCount();
}

TIEPatternMatchTest* TIEPattern::GetSlotTest(int32_t Index, int32_t TestIndex) const {
  const TSlotTests* Tests = GetSlotTests(Index);
  if (Tests == nullptr) ListIndexError(TestIndex);
  return Tests->Get(TestIndex);
}

void TIEPattern::SetSlotTest(int32_t Index, int32_t TestIndex, TIEPatternMatchTest* Test) {
  TOwned<TIEPatternMatchTest> Owned(Test);
  TSlotTests* Tests = GetSlotTests(Index);
  if (Tests == nullptr) ListIndexError(TestIndex);
  Tests->Put(TestIndex, Owned.release());
}

bool TIEPattern::Holds(const TIEPatternMatchTest* Test) const {
  return std::any_of(FSlots.begin(), FSlots.end(), [&](const TSlotEntry& Entry) {
    return Entry.Tests && Entry.Tests->IndexOf(Test) >= 0;
  });
}

void TIEPattern::TestNotification(TIEPatternMatchTest* Test, TSlotTestAction Action) {
  const int32_t Step = Action == saAdded ? 1 : -1;
  FTestCount += Step;
  if (!Test->GetConjunction()) FDisjunctionCount += Step;
  Change();
}

void TIEPattern::TestChange(TIEPatternMatchTest* Test) {
  if (Holds(Test)) Change();
}

void TIEPattern::TestConjunctionChange(TIEPatternMatchTest* Test) {
  // A test made for this pattern but not yet in a list is counted when it
  // goes in.
  if (!Holds(Test)) return;
  FDisjunctionCount += Test->GetConjunction() ? -1 : 1;
  Change();
}

void TIEPattern::ClearSlots() {
  for (TSlotEntry& Entry : FSlots) {
    if (Entry.Tests) Entry.Tests->Clear();
  }
  FSlots.clear();
}

void TIEPattern::Assign(TPersistent* Source) {
  auto* Pattern = dynamic_cast<TIEPattern*>(Source);
  if (Pattern == nullptr) {
    TPersistent::Assign(Source);
    return;
  }
  if (Pattern == this) return;
  BeginUpdate();
  const TScopeGuard End([this] { EndUpdate(); });
  AssignFrom(*Pattern);
}

void TIEPattern::AssignFrom(const TIEPattern& Source) {
  FComment = Source.FComment;
  FBoundName = Source.FBoundName;
  FUnique = Source.FUnique;
  FExplicit = Source.FExplicit;
  FName = Source.FName;
  FFactTemplate = Source.FFactTemplate;
  FNegatedCount = Source.FNegatedCount;
  ClearSlots();
  for (const TSlotEntry& Entry : Source.FSlots) {
    if (Entry.Tests) {
      for (const TIEPatternMatchTest* Test : *Entry.Tests) {
        AddTest(Entry.Name, CreatePatternMatchTest(*Test));
      }
    }
    EnsureSlot(Entry.Name).Length = Entry.Length;
  }
}

TIEPattern* TIEPattern::Clone(TComponent* Owner) const {
  TOwned<TIEPattern> Copy(static_cast<TIEPattern*>(ClassType()->NewInstance(Owner)));
  Copy->Assign(const_cast<TIEPattern*>(this));
  return Copy.release();
}

namespace {

// The rewritten tests of one slot list; see FixTests.
std::vector<TOwned<TIEPatternMatchTest>> FixSlot(TIEPattern& Pattern, const std::string& SlotName,
                                                 const TSlotTests& Tests) {
  std::vector<TOwned<TIEPatternMatchTest>> Result;
  const int32_t Count = Tests.GetCount();
  int32_t Start = 0;
  while (Start < Count) {
    const int32_t SubIndex = Tests.Get(Start)->GetMultiSlotSubIndex();
    int32_t End = Start;
    bool HasOr = false;
    for (; End < Count && Tests.Get(End)->GetMultiSlotSubIndex() == SubIndex; ++End) {
      HasOr = HasOr || !Tests.Get(End)->GetConjunction();
    }
    if (!HasOr) {
      for (; Start < End; ++Start) {
        Result.emplace_back(Pattern.CreatePatternMatchTest(*Tests.Get(Start)));
      }
      continue;
    }
    auto* Rule = dynamic_cast<TRule*>(Pattern.GetOwner());
    TCustomFactEngine* Engine = Rule != nullptr ? Rule->GetEngine() : nullptr;
    if (Engine == nullptr) throw EIEException(SRuleMissing);
    // A leading plain ?x binds the field already; a negated one is a
    // constraint like any other.
    IIEValue Variable;
    const TIEPatternMatchTest* Head = Tests.Get(Start);
    if (Head->GetSlotTestType() == sttEquals && Head->GetSlotValue() &&
        Head->GetSlotValue()->GetDType() == dtVariable) {
      Variable = Head->GetSlotValue();
      ++Start;
    } else {
      const std::string Name = Engine->GenerateSymbol(SBlankPrefix);
      Rule->AddBinding(Name, Rule->IndexOfPattern(&Pattern), SlotName, SubIndex);
      Variable = new TIEValue(Name, dtVariable);
    }
    Result.emplace_back(Pattern.CreatePatternMatchTest(&Pattern, sttEquals, SubIndex, Variable));
    const ICustomFunCall Or = Engine->NewFunctionCall("or");
    while (Start < End) {
      int32_t GroupEnd = Start + 1;
      while (GroupEnd < End && Tests.Get(GroupEnd)->GetConjunction()) ++GroupEnd;
      if (GroupEnd - Start == 1) {
        Or->AddArgument(CallValue(Tests.Get(Start)->ConvertToFunCall(Engine, Variable)));
      } else {
        const ICustomFunCall And = Engine->NewFunctionCall("and");
        for (int32_t Index = Start; Index < GroupEnd; ++Index) {
          And->AddArgument(CallValue(Tests.Get(Index)->ConvertToFunCall(Engine, Variable)));
        }
        Or->AddArgument(CallValue(And));
      }
      Start = GroupEnd;
    }
    Result.emplace_back(
        Pattern.CreatePatternMatchTest(&Pattern, sttEquals, SubIndex, CallValue(Or)));
  }
  return Result;
}

}  // namespace

void TIEPattern::FixTests() {
  if (FDisjunctionCount == 0) return;
  // Every slot is rewritten before any list changes, so a failure leaves
  // the pattern as it was.
  std::vector<std::pair<TSlotTests*, std::vector<TOwned<TIEPatternMatchTest>>>> Rebuilt;
  for (const TSlotEntry& Entry : FSlots) {
    if (!Entry.Tests) continue;
    const auto IsOr = [](const TIEPatternMatchTest* Test) { return !Test->GetConjunction(); };
    if (std::none_of(Entry.Tests->begin(), Entry.Tests->end(), IsOr)) continue;
    Rebuilt.emplace_back(Entry.Tests.get(), FixSlot(*this, Entry.Name, *Entry.Tests));
  }
  BeginUpdate();
  for (auto& [List, Tests] : Rebuilt) {
    List->Clear();
    for (TOwned<TIEPatternMatchTest>& Test : Tests) List->Add(Test.release());
  }
  EndUpdate();
}

std::string TIEPattern::GetToString() const {
  auto* Engine =
      FFactTemplate ? dynamic_cast<TCustomRuleEngine*>(FFactTemplate->GetEngine()) : nullptr;
  return Engine != nullptr ? Engine->PrettyPrint(*this) : PrettyPrint(*this);
}

}  // namespace ie
