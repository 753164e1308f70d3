#include "rete/TestNode.h"

#include <algorithm>

#include "rete/ReteNetwork.h"
#include "runtime/Conversions.h"

namespace ie {

TTestNode::~TTestNode() { ClearTests(); }

void TTestNode::AddTest(TIESlotTest* Test) { FTests.push_back(Test); }

void TTestNode::AddTest(TSlotTestType SlotTestType, int32_t SubIndex, const IIEValue& Value) {
  AddTest(Create<TIEPatternMatchTest>(nullptr, SlotTestType, SubIndex, Value));
}

void TTestNode::ClearTests() {
  for (TIESlotTest* Test : FTests) Test->Free();
  FTests.clear();
}

void TTestNode::DeleteTest(int32_t Index) {
  TIESlotTest* Test = GetTest(Index);
  FTests.erase(FTests.begin() + Index);
  Test->Free();
}

TIESlotTest* TTestNode::GetTest(int32_t Index) const {
  if (Index < 0 || Index >= GetTestCount()) ListIndexError(Index);
  return FTests[Index];
}

bool TTestNode::RunTests(const IReteToken& Token) {
  if (FTests.empty()) return true;
  TIEContext* Context = GetContext();
  Context->SetToken(Token);
  Context->SetFact(nullptr);
  return PerformTests(Context);
}

bool TTestNode::PerformTests(TIEContext* Context) {
  try {
    for (TIESlotTest* Test : FTests) {
      if (!Test->PerformTest(Context)) return false;
    }
  } catch (const EAbort&) {
    throw;
  } catch (const Exception&) {
    FRete->KeepFailure(std::current_exception());
    return false;
  }
  return true;
}

bool TTestNode::Equals(const TTestNode* Other) const {
  if (Other == nullptr || Other->ClassType() != ClassType() ||
      Other->FTests.size() != FTests.size()) {
    return false;
  }
  const auto IsMatchTest = [](const TIESlotTest* Test) {
    return Test->InheritsFrom(TIEPatternMatchTest::StaticClass());
  };
  if (std::any_of(FTests.begin(), FTests.end(), IsMatchTest) ||
      std::any_of(Other->FTests.begin(), Other->FTests.end(), IsMatchTest)) {
    return false;
  }
  return std::all_of(FTests.begin(), FTests.end(), [&](const TIESlotTest* Test) {
    return std::any_of(Other->FTests.begin(), Other->FTests.end(),
                       [&](const TIESlotTest* Theirs) { return Test->Equals(Theirs); });
  });
}

IReteToken TTestNode::Output(const IReteToken& Token) const {
  if (!FAddsNullFact) return Token;
  IReteToken Child = new TIEToken(Token, FRete->GetEngine()->GetNullFact());
  Child->SetTag(Token->GetTag());
  return Child;
}

bool TTestNode::CallNode(const IReteToken& Token, TCallType) {
  if (Token->GetTag() == taClear) {
    CallChildren(Token);
    return true;
  }
  if (!RunTests(Token)) return false;
  CallChildren(Output(Token));
  return true;
}

void TTestNode::CollectOutputs(const TTokenSink& Sink) {
  FParents.front().Source->CollectOutputs([&](const IReteToken& Token) {
    if (RunTests(Token)) Sink(Output(Token));
  });
}

std::string TTestNode::GetToString() const {
  std::string Text = TReteNode::GetToString() + " NumTests: " + IntToStr(GetTestCount()) + " (";
  for (size_t I = 0; I < FTests.size(); ++I) {
    if (I > 0) Text += ", ";
    Text += FTests[I]->GetToString();
  }
  return Text + ")";
}

}  // namespace ie
