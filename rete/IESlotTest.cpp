#include "rete/IESlotTest.h"

#include "core/IEFactOwner.h"
#include "rete/IEContext.h"
#include "rete/IEPattern.h"
#include "runtime/Conversions.h"
#include "runtime/Format.h"
#include "runtime/Owned.h"

namespace ie {

namespace {

// Both empty, or both set and equal.
bool SameValue(const IIEValue& A, const IIEValue& B) {
  if (!A || !B) return !A && !B;
  return A->Equals(B);
}

}  // namespace

// TIESlotTest

bool TIESlotTest::Equals(const TIESlotTest* Other) const {
  return Other != nullptr && Other->ClassType() == ClassType() &&
         Other->FSlotTestType == FSlotTestType;
}

TIESlotTest* TIESlotTest::Clone() const {
  TOwned<TIESlotTest> Copy(static_cast<TIESlotTest*>(ClassType()->NewInstance(nullptr)));
  Copy->Assign(const_cast<TIESlotTest*>(this));
  return Copy.release();
}

void TIESlotTest::Assign(TPersistent* Source) {
  if (auto* Test = dynamic_cast<TIESlotTest*>(Source)) {
    FSlotTestType = Test->FSlotTestType;
    return;
  }
  TPersistent::Assign(Source);
}

std::string TIESlotTest::GetToString() const { return FSlotTestType == sttEquals ? "=" : "<>"; }

// TIEPatternMatchTest

TIEPatternMatchTest::TIEPatternMatchTest(TIEPattern* Pattern, TSlotTestType SlotTestType,
                                         int32_t SubIndex, const IIEValue& Value)
    : TIESlotTest(SlotTestType),
      FSlotValue(Value ? Value->Clone() : IIEValue()),
      FMultiSlotSubIndex(SubIndex),
      FPattern(Pattern) {}

TIEPatternMatchTest::TIEPatternMatchTest(TIEPattern* Pattern, const TIEPatternMatchTest& Source,
                                         const IIEValue& Value)
    : TIESlotTest(Source.GetSlotTestType()),
      FSlotValue(Value ? Value->Clone() : IIEValue()),
      FMultiSlotSubIndex(Source.FMultiSlotSubIndex),
      FConjunction(Source.FConjunction),
      FPattern(Pattern) {}

void TIEPatternMatchTest::Changed() {
  if (FPattern != nullptr) FPattern->TestChange(this);
}

void TIEPatternMatchTest::SetSlotValue(const IIEValue& Value) {
  FSlotValue = Value ? Value->Clone() : IIEValue();
  Changed();
}

void TIEPatternMatchTest::SetMultiSlotSubIndex(int32_t Value) {
  if (Value == FMultiSlotSubIndex) return;
  FMultiSlotSubIndex = Value;
  Changed();
}

void TIEPatternMatchTest::SetConjunction(bool Value) {
  if (Value == FConjunction) return;
  FConjunction = Value;
  if (FPattern != nullptr) FPattern->TestConjunctionChange(this);
}

bool TIEPatternMatchTest::PerformTest(TIEContext* Context) {
  const IIEValue Result = FSlotValue ? FSlotValue->Resolve(Context) : IIEValue();
  const bool IsFalse = Result && (Result == FCFalse || Result->Equals(IIEValue(FCFalse)));
  return (GetSlotTestType() == sttEquals) != IsFalse;
}

ICustomFunCall TIEPatternMatchTest::ConvertToFunCall(TCustomFactEngine* Reasoner,
                                                     const IIEValue& Value) const {
  if (FSlotValue && FSlotValue->GetDType() == dtFunCall) {
    ICustomFunCall Call = FSlotValue->GetAsFunCall<TCustomFunctionCall>();
    if (GetSlotTestType() == sttEquals) return Call;
    ICustomFunCall Not = Reasoner->NewFunctionCall("not");
    Not->AddArgument(FSlotValue);
    return Not;
  }
  ICustomFunCall Compare = Reasoner->NewFunctionCall(GetSlotTestType() == sttEquals ? "eq" : "neq");
  Compare->AddArgument(Value);
  Compare->AddArgument(FSlotValue);
  return Compare;
}

bool TIEPatternMatchTest::ValueEquals(const IIEValue& Value) const {
  return SameValue(FSlotValue, Value);
}

bool TIEPatternMatchTest::Equals(const TIESlotTest* Other) const {
  if (!TIESlotTest::Equals(Other)) return false;
  const auto* Test = static_cast<const TIEPatternMatchTest*>(Other);
  return ValueEquals(Test->FSlotValue) && Test->FMultiSlotSubIndex == FMultiSlotSubIndex &&
         Test->FConjunction == FConjunction;
}

bool TIEPatternMatchTest::Equals(bool IsEquals, bool Conjunction, int32_t SubIndex,
                                 const IIEValue& Value) const {
  return Conjunction == FConjunction && Equals(IsEquals, SubIndex, Value);
}

bool TIEPatternMatchTest::Equals(bool IsEquals, int32_t SubIndex, const IIEValue& Value) const {
  return (GetSlotTestType() == sttEquals) == IsEquals && SubIndex == FMultiSlotSubIndex &&
         ValueEquals(Value);
}

void TIEPatternMatchTest::Assign(TPersistent* Source) {
  // Through the setters, so that a pattern holding this test keeps its
  // counts.
  if (auto* Test = dynamic_cast<TIEPatternMatchTest*>(Source)) {
    SetSlotValue(Test->FSlotValue);
    SetMultiSlotSubIndex(Test->FMultiSlotSubIndex);
    SetConjunction(Test->FConjunction);
  }
  TIESlotTest::Assign(Source);
}

std::string TIEPatternMatchTest::GetToString() const {
  std::string Text = TIESlotTest::GetToString() + " SubIdx: " + IntToStr(FMultiSlotSubIndex);
  if (FSlotValue) Text += " Slot: " + FSlotValue->GetToString();
  return Text;
}

// TIEJoinTest

TIEJoinTest::TIEJoinTest(TSlotTestType SlotTestType, std::string LeftIndex, std::string RightIndex,
                         int32_t TokenIndex)
    : TIESlotTest(SlotTestType),
      FRightIndex(std::move(RightIndex)),
      FLeftIndex(std::move(LeftIndex)),
      FTokenIndex(TokenIndex) {}

TIEJoinTest::TIEJoinTest(TSlotTestType SlotTestType, std::string LeftIndex, int32_t LeftSubIndex,
                         std::string RightIndex, int32_t RightSubIndex, int32_t TokenIndex)
    : TIESlotTest(SlotTestType),
      FRightSubIndex(RightSubIndex),
      FRightIndex(std::move(RightIndex)),
      FLeftIndex(std::move(LeftIndex)),
      FTokenIndex(TokenIndex),
      FLeftSubIndex(LeftSubIndex),
      FJoinTestType(tstMultiSlot) {}

void TIEJoinTest::SetLeftIndex(std::string Value) {
  FLeftIndex = std::move(Value);
  FLeftRef = TSlotRef();
}

void TIEJoinTest::SetRightIndex(std::string Value) {
  FRightIndex = std::move(Value);
  FRightRef = TSlotRef();
}

const IIEValue* TIEJoinTest::SlotValue(const TFact& Fact, const std::string& Slot, int32_t SubIndex,
                                       TSlotRef& Ref) {
  const ISlotLayout& Layout = Fact.GetTemplate()->GetLayout();
  if (Ref.Layout.Get() != Layout.Get()) {
    const int32_t Position = Layout->IndexOf(Slot);
    if (Position < 0) throw EIEException(Format(SNoSuchSlot, Slot));
    Ref.Layout = Layout;
    Ref.Position = Position;
  }
  const IIEValue& Value = Fact.PeekValue(Ref.Position);
  if (SubIndex == NoSubIndex) return &Value;
  if (!Value || Value->GetDType() != dtList) return nullptr;
  const TValueVector* List = Value->GetAsList().Get();
  if (List == nullptr || SubIndex < 0 || SubIndex >= List->GetCount()) return nullptr;
  return &List->Get(SubIndex);
}

bool TIEJoinTest::PerformTest(TIEContext* Context) {
  const IReteToken& Token = Context->GetToken();
  const TFact* LeftFact = nullptr;
  if (Token && FTokenIndex >= 0 && FTokenIndex < Token->GetCount()) {
    LeftFact = Token->GetFacts(FTokenIndex).Get();
  }
  const bool Multi = FJoinTestType == tstMultiSlot;
  if (LeftFact == nullptr && Multi) return true;
  const IIEValue* Left =
      LeftFact != nullptr
          ? SlotValue(*LeftFact, FLeftIndex, Multi ? FLeftSubIndex : NoSubIndex, FLeftRef)
          : nullptr;
  const IIEValue* Right =
      SlotValue(*Context->GetFact(), FRightIndex, Multi ? FRightSubIndex : NoSubIndex, FRightRef);
  const bool Equal = Left != nullptr && Right != nullptr && SameValue(*Left, *Right);
  return (GetSlotTestType() == sttEquals) == Equal;
}

bool TIEJoinTest::Equals(const TIESlotTest* Other) const {
  if (!TIESlotTest::Equals(Other)) return false;
  const auto* Test = static_cast<const TIEJoinTest*>(Other);
  return Test->FLeftIndex == FLeftIndex && Test->FLeftSubIndex == FLeftSubIndex &&
         Test->FRightIndex == FRightIndex && Test->FRightSubIndex == FRightSubIndex &&
         Test->FTokenIndex == FTokenIndex && Test->FJoinTestType == FJoinTestType;
}

void TIEJoinTest::Assign(TPersistent* Source) {
  if (auto* Test = dynamic_cast<TIEJoinTest*>(Source)) {
    FRightSubIndex = Test->FRightSubIndex;
    SetRightIndex(Test->FRightIndex);
    SetLeftIndex(Test->FLeftIndex);
    FTokenIndex = Test->FTokenIndex;
    FLeftSubIndex = Test->FLeftSubIndex;
    FJoinTestType = Test->FJoinTestType;
  }
  TIESlotTest::Assign(Source);
}

std::string TIEJoinTest::GetToString() const {
  std::string Text = TIESlotTest::GetToString() +
                     (FJoinTestType == tstSlot ? " tstSlot" : " tstMultiSlot") +
                     " TokenIdx: " + IntToStr(FTokenIndex) + " Left: " + FLeftIndex;
  if (FJoinTestType == tstMultiSlot) {
    Text +=
        " " + IntToStr(FLeftSubIndex) + " Right: " + FRightIndex + " " + IntToStr(FRightSubIndex);
  } else {
    Text += " Right: " + FRightIndex;
  }
  return Text;
}

}  // namespace ie
