#include "rete/JoinNode.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "rete/IEPattern.h"
#include "rete/ReteNetwork.h"
#include "runtime/Format.h"

namespace ie {

TJoinNode::TJoinNode(TReteNetwork* Rete, TRule* Rule, int32_t NegatedCount, bool Unique)
    : TTestNode(Rete),
      FNegatedCount(NegatedCount),
      FRule(Rule),
      FUnique(Unique),
      FBuckets(Rete->GetHashKey()) {}

TJoinNode::~TJoinNode() {
  FreeAndNil(FLeft);
  FreeAndNil(FRight);
}

void TJoinNode::SetPattern(TIEPattern* Pattern) {
  if (Pattern == nullptr || !Pattern->GetFactTemplate() ||
      !Pattern->GetFactTemplate()->IsBackwardChaining()) {
    throw EIEException(SInvalidBackChainPattern);
  }
  FPattern = Pattern;
}

void TJoinNode::AddTest(TSlotTestType SlotTestType, int32_t TokenIndex, const std::string& LeftSlot,
                        const std::string& RightSlot) {
  TTestNode::AddTest(Create<TIEJoinTest>(SlotTestType, LeftSlot, RightSlot, TokenIndex));
}

void TJoinNode::AddTest(TSlotTestType SlotTestType, int32_t TokenIndex, const std::string& LeftSlot,
                        int32_t LeftSubIndex, const std::string& RightSlot, int32_t RightSubIndex) {
  TTestNode::AddTest(Create<TIEJoinTest>(SlotTestType, LeftSlot, LeftSubIndex, RightSlot,
                                         RightSubIndex, TokenIndex));
}

bool TJoinNode::Equals(const TTestNode* Other) const {
  const auto* Join = dynamic_cast<const TJoinNode*>(Other);
  if (Join == nullptr || IsCounting() || Join->IsCounting() || FPattern != nullptr ||
      Join->FPattern != nullptr || FUnique != Join->FUnique) {
    return false;
  }
  return TTestNode::Equals(Other);
}

void TJoinNode::MakeMemories() {
  FreeAndNil(FLeft);
  FreeAndNil(FRight);
  if (FShortCut < 0) {
    FLeft = Create<TIETokenTree>(FBuckets, true, std::string(), 0, NoSubIndex);
    FRight = Create<TIETokenTree>(FBuckets, true, std::string(), 0, NoSubIndex);
    return;
  }
  const auto* Key = static_cast<const TIEJoinTest*>(FTests[FShortCut]);
  const bool Multi = Key->GetJoinTestType() == tstMultiSlot;
  FLeft = Create<TIETokenTree>(FBuckets, false, Key->GetLeftIndex(), Key->GetTokenIndex(),
                               Multi ? Key->GetLeftSubIndex() : NoSubIndex);
  FRight = Create<TIETokenTree>(FBuckets, false, Key->GetRightIndex(), 0,
                                Multi ? Key->GetRightSubIndex() : NoSubIndex);
  // Every other equality of two whole slots joins the hash too, so that a
  // token meets only partners that agree on all of them (a path of many
  // names under one id is not walked for each name).
  for (size_t I = 1; I < FTests.size(); ++I) {
    if (FTests[I]->ClassType() != TIEJoinTest::StaticClass()) continue;
    const auto* Test = static_cast<const TIEJoinTest*>(FTests[I]);
    if (Test->GetSlotTestType() != sttEquals || Test->GetJoinTestType() != tstSlot) continue;
    FLeft->AddKey(Test->GetLeftIndex(), Test->GetTokenIndex(), NoSubIndex);
    FRight->AddKey(Test->GetRightIndex(), 0, NoSubIndex);
  }
}

void TJoinNode::ClearMemory() {
  if (FLeft == nullptr) {
    MakeMemories();
    return;
  }
  FLeft->Clear();
  FRight->Clear();
}

void TJoinNode::PrepareShortCut() {
  const auto Find = [&](TJoinTestType Kind) {
    for (size_t I = 0; I < FTests.size(); ++I) {
      const auto* Test = dynamic_cast<const TIEJoinTest*>(FTests[I]);
      if (Test != nullptr && Test->GetSlotTestType() == sttEquals &&
          Test->GetJoinTestType() == Kind) {
        return static_cast<int32_t>(I);
      }
    }
    return -1;
  };
  int32_t Chosen = Find(tstSlot);
  if (Chosen < 0) Chosen = Find(tstMultiSlot);
  if (Chosen > 0) std::rotate(FTests.begin(), FTests.begin() + Chosen, FTests.begin() + Chosen + 1);
  FShortCut = Chosen < 0 ? -1 : 0;
  MakeMemories();
}

bool TJoinNode::RunTests(const IReteToken& Left, const IReteToken& Right) {
  if (FTests.empty()) return true;
  TIEContext* Context = GetContext();
  Context->SetToken(Left);
  Context->SetFact(Right->GetFact());
  return PerformTests(Context);
}

template <class TVisit>
void TJoinNode::Scan(TIETokenTree& Memory, int32_t Hash, bool Exact, TVisit&& Visit) {
  if (FShortCut >= 0) {
    const TTokenBucket* Bucket = Memory.GetTokens(Hash);
    if (Bucket == nullptr) return;
    // Integers on both sides with one hash are equal: when the join has
    // no other test, the pair passes without reading either fact again.
    const bool Decided = Exact && FTests.size() == 1;
    for (const TTokenBucket::TEntry& Entry : *Bucket) {
      // Another join value that shares the bucket cannot match.
      if (Entry.Hash == Hash && !Visit(Entry.Token, Decided && Entry.Exact)) return;
    }
    return;
  }
  Memory.ForEach([&](const IReteToken& Token) { return Visit(Token, false); });
}

IReteToken TJoinNode::Child(const IReteToken& Left, const IFact& Fact, float Strength,
                            TTokenAction Tag) const {
  IReteToken Token = new TIEToken(Left, Fact);
  Token->SetStrength(Strength);
  Token->SetTag(Tag);
  return Token;
}

void TJoinNode::PassCounted(const IReteToken& Left, TTokenAction Tag) {
  CallChildren(Child(Left, FRete->GetEngine()->GetNullFact(), Left->GetStrength(), Tag));
  if (Tag != taRemove) ++FMatchCount;
}

void TJoinNode::RunTestsVaryLeft(const IReteToken& Right, int32_t Hash, bool Exact) {
  const TTokenAction Tag = Right->GetTag();
  Scan(*FLeft, Hash, Exact, [&](const IReteToken& Left, bool Passes) {
    if (!Passes && !RunTests(Left, Right)) return true;
    if (!IsCounting()) {
      const float Strength = std::min(Left->GetStrength(), Right->GetStrength());
      CallChildren(Child(Left, Right->GetFact(), Strength, Tag));
      if (Tag != taRemove) ++FMatchCount;
      return true;
    }
    const bool Before = CountPasses(Left->GetNegatedCount());
    Left->SetNegatedCount(Left->GetNegatedCount() + (Tag == taRemove ? -1 : 1));
    const bool After = CountPasses(Left->GetNegatedCount());
    if (Before != After) PassCounted(Left, After ? taAdd : taRemove);
    return true;
  });
}

void TJoinNode::RunTestsVaryRight(const IReteToken& Left, TTokenAction Tag, int32_t Hash,
                                  bool Exact) {
  if (IsCounting()) {
    if (Tag == taRemove) {
      if (CountPasses(Left->GetNegatedCount())) PassCounted(Left, taRemove);
      return;
    }
    int32_t Count = 0;
    Scan(*FRight, Hash, Exact, [&](const IReteToken& Right, bool Passes) {
      if (Passes || RunTests(Left, Right)) ++Count;
      return true;
    });
    Left->SetNegatedCount(Count);
    if (CountPasses(Count)) PassCounted(Left, taAdd);
    return;
  }
  Scan(*FRight, Hash, Exact, [&](const IReteToken& Right, bool Passes) {
    if (!Passes && !RunTests(Left, Right)) return true;
    const float Strength = std::min(Left->GetStrength(), Right->GetStrength());
    CallChildren(Child(Left, Right->GetFact(), Strength, Tag));
    if (Tag == taRemove) return true;
    ++FMatchCount;
    return !FUnique;
  });
}

bool TJoinNode::CallNode(const IReteToken& Token, TCallType CallType) {
  FMatchCount = 0;
  if (FLeft == nullptr) MakeMemories();
  const TTokenAction Tag = Token->GetTag();
  if (Tag == taClear) {
    // Reached through both inputs: only the first clearing goes on.
    if (FLeft->IsEmpty() && FRight->IsEmpty()) return false;
    ClearMemory();
    CallChildren(Token);
    return false;
  }
  switch (CallType) {
    case ctRight: {
      bool Exact = false;
      const int32_t Hash = FRight->GetJoinHash(*Token, Exact);
      if (Tag == taRemove ? FRight->Extract(Token, Hash) != nullptr
                          : FRight->Add(Token, Hash, Exact)) {
        RunTestsVaryLeft(Token, Hash, Exact);
      }
      break;
    }
    case ctLeft: {
      bool Exact = false;
      const int32_t Hash = FLeft->GetJoinHash(*Token, Exact);
      if (Tag == taRemove) {
        if (const IReteToken Stored = FLeft->Extract(Token, Hash)) {
          RunTestsVaryRight(Stored, taRemove, Hash, Exact);
        }
      } else {
        // A counting join keeps its own copy: the copy carries the count.
        const IReteToken Kept = IsCounting() ? IReteToken(new TIEToken(Token)) : Token;
        if (FLeft->Add(Kept, Hash, Exact)) {
          RunTestsVaryRight(Kept, Tag, Hash, Exact);
          AskForBackChain(Kept);
        }
      }
      break;
    }
    case ctSingle:
    case ctActivate:
      throw EIEException(Format(SInvalidCallType, CallTypeNames[CallType]));
  }
  return FMatchCount > 0;
}

void TJoinNode::AskForBackChain(const IReteToken& Left) {
  // A negated pattern that passed nothing found a fact: no goal is missing.
  if (FPattern == nullptr || FMatchCount > 0 || GetNegatedPattern()) return;
  const std::string& Name = FPattern->GetFactTemplate()->GetTemplateName();
  TCustomRuleEngine* Engine = FRete->GetEngine();
  IFactTemplate Goal;
  if (std::string_view(Name).starts_with(SBackChainPrefix) || Engine == nullptr ||
      !Engine->FindFactTemplate(SBackChainPrefix + Name, Goal)) {
    return;
  }
  IFact Fact = new TFact(Goal);
  const ISlotLayout& Layout = Goal->GetLayout();
  for (int32_t I = 0; I < Layout->GetCount(); ++I) {
    Fact->SetValue(Layout->GetName(I),
                   Layout->GetSlot(I)->IsMultiSlot()
                       ? IIEValue(new TIEValue(IValueVector(new TValueVector())))
                       : IIEValue(FCNil));
  }
  const int32_t Position = FRule->IndexOfPattern(FPattern);
  for (int32_t Slot = 0; Slot < FPattern->GetSlotCount(); ++Slot) {
    const TSlotTests* Tests = FPattern->GetSlotTests(Slot);
    const std::string& SlotName = FPattern->GetSlotName(Slot);
    if (Tests == nullptr || !Goal->ContainsSlot(SlotName)) continue;
    std::vector<std::pair<int32_t, IIEValue>> Elements;
    for (const TIEPatternMatchTest* Test : *Tests) {
      if (Test->GetSlotTestType() != sttEquals || !Test->GetSlotValue()) continue;
      IIEValue Value = Test->GetSlotValue();
      if (IsVariable(Value)) {
        const TBinding* Binding = FRule->GetBindingByName(Value->GetText());
        if (Binding == nullptr || Binding->GetFactIndex() >= Position ||
            Binding->GetFactIndex() >= Left->GetCount()) {
          continue;
        }
        const TReteBindingInfo Address(Binding->GetFactIndex(), Binding->GetSlotIndex(),
                                       Binding->GetSubIndex());
        Value = Address.ReadFrom(*Left->GetFacts(Binding->GetFactIndex()));
      }
      if (Test->GetMultiSlotSubIndex() == NoSubIndex) {
        Fact->SetValue(SlotName, Value);
      } else {
        Elements.emplace_back(Test->GetMultiSlotSubIndex(), Value);
      }
    }
    if (Elements.empty()) continue;
    std::stable_sort(Elements.begin(), Elements.end(),
                     [](const auto& A, const auto& B) { return A.first < B.first; });
    IValueVector List = new TValueVector();
    for (const auto& Element : Elements) List->Add(Element.second);
    Fact->SetValue(SlotName, new TIEValue(List));
  }
  FRete->AddGoal(Fact);
}

void TJoinNode::CollectOutputs(const TTokenSink& Sink) {
  if (FLeft == nullptr) return;
  const IFact& NullFact = FRete->GetEngine()->GetNullFact();
  FLeft->ForEach([&](const IReteToken& Left) {
    if (IsCounting()) {
      if (CountPasses(Left->GetNegatedCount())) {
        Sink(Child(Left, NullFact, Left->GetStrength(), taAdd));
      }
      return true;
    }
    bool Exact = false;
    const int32_t Hash = FLeft->GetJoinHash(*Left, Exact);
    Scan(*FRight, Hash, Exact, [&](const IReteToken& Right, bool Passes) {
      if (!Passes && !RunTests(Left, Right)) return true;
      Sink(Child(Left, Right->GetFact(), std::min(Left->GetStrength(), Right->GetStrength()),
                 taAdd));
      return !FUnique;
    });
    return true;
  });
}

std::string TJoinNode::GetToString() const {
  std::string Text = TTestNode::GetToString();
  if (GetNegatedPattern()) Text += " *NEGATED*";
  Text += " Left Memory: ";
  if (FLeft != nullptr) Text += FLeft->GetToString();
  Text += " Right Memory: ";
  if (FRight != nullptr) Text += FRight->GetToString();
  return Text;
}

}  // namespace ie
