#include "rete/ReteNode.h"

#include "rete/PatternMatchNode.h"
#include "rete/ReteNetwork.h"
#include "runtime/Format.h"

namespace ie {

TReteNode::~TReteNode() { FreeAndNil(FContext); }

TIEContext* TReteNode::GetContext() {
  if (FContext == nullptr) {
    TCustomRuleEngine* Engine = FRete->GetEngine();
    FContext = Create<TReteContext>(Engine != nullptr ? Engine->GetContext() : nullptr, Engine);
  }
  return FContext;
}

void TReteNode::CallChildren(const IReteToken& Token) {
  if (FEdgeIndexStale) BuildEdgeIndex();
  if (FEdgeIndex && Token->GetTag() != taClear && CallIndexedChildren(Token)) return;
  for (size_t I = 0; I < FEdges.size(); ++I) FEdges[I].Target->CallNode(Token, FEdges[I].CallType);
}

void TReteNode::BuildEdgeIndex() {
  // Below this many children of one slot a scan is as quick.
  constexpr size_t MinIndexed = 4;
  FEdgeIndexStale = false;
  FEdgeIndex.reset();
  if (FEdges.size() < MinIndexed) return;
  const auto Indexable = [&](size_t I) -> const TPatternMatchNode* {
    const auto* Node = dynamic_cast<const TPatternMatchNode*>(FEdges[I].Target);
    return Node != nullptr && FEdges[I].CallType == ctSingle && Node->IsHashableEquality()
               ? Node
               : nullptr;
  };
  const auto SameSlot = [](const TPatternMatchNode* A, const TPatternMatchNode* B) {
    return A->FFirst.GetName() == B->FFirst.GetName() &&
           A->FFirst.GetSubIndex() == B->FFirst.GetSubIndex();
  };
  // The slot most children test; the first of equals.
  const TPatternMatchNode* Key = nullptr;
  size_t KeyCount = 0;
  for (size_t I = 0; I < FEdges.size(); ++I) {
    const TPatternMatchNode* Node = Indexable(I);
    if (Node == nullptr || (Key != nullptr && SameSlot(Node, Key))) continue;
    size_t Count = 0;
    for (size_t J = I; J < FEdges.size(); ++J) {
      const TPatternMatchNode* Other = Indexable(J);
      if (Other != nullptr && SameSlot(Other, Node)) ++Count;
    }
    if (Count > KeyCount) {
      Key = Node;
      KeyCount = Count;
    }
  }
  if (KeyCount < MinIndexed) return;
  auto Index = std::make_unique<TEdgeIndex>();
  Index->Reader = TSlotReader(Key->FFirst.GetName(), Key->FFirst.GetSubIndex());
  for (size_t I = 0; I < FEdges.size(); ++I) {
    const TPatternMatchNode* Node = Indexable(I);
    const auto Position = static_cast<uint32_t>(I);
    if (Node != nullptr && SameSlot(Node, Key)) {
      Index->ByHash[Node->GetValue()->GetHashCode()].push_back(Position);
    } else {
      Index->Others.push_back(Position);
    }
  }
  FEdgeIndex = std::move(Index);
}

bool TReteNode::CallIndexedChildren(const IReteToken& Token) {
  TEdgeIndex& Index = *FEdgeIndex;
  TFact* Fact = Token->GetFact().Get();
  const TIEValue* Value = nullptr;
  if (Fact == nullptr || !Fact->GetTemplate() || !Index.Reader.TryRead(*Fact, Value)) return false;
  // A fuzzy value may equal a constant of another hash.
  if (Value != nullptr && Value->GetDType() == dtFuzzy) return false;
  static const std::vector<uint32_t> None;
  const std::vector<uint32_t>* Matching = &None;
  if (Value != nullptr) {
    const auto It = Index.ByHash.find(Value->GetHashCode());
    if (It != Index.ByHash.end()) Matching = &It->second;
  }
  auto Other = Index.Others.begin();
  auto Match = Matching->begin();
  while (Other != Index.Others.end() || Match != Matching->end()) {
    const bool TakeOther =
        Match == Matching->end() || (Other != Index.Others.end() && *Other < *Match);
    const TReteEdge& Edge = FEdges[TakeOther ? *Other++ : *Match++];
    Edge.Target->CallNode(Token, Edge.CallType);
  }
  return true;
}

IIEValue TReteNode::Evaluate(const IIEValue& Value, const IReteToken& Token) {
  TIEContext* Context = GetContext();
  Context->SetToken(Token);
  Context->SetFact(nullptr);
  return Value->Resolve(Context);
}

std::string TReteNode::GetToString() const {
  return Format("%s In/Out#: %d/%d RuleUse: %d", ClassName(), GetInDegree(), GetOutDegree(),
                FRuleUseCount);
}

}  // namespace ie
