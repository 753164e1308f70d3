#include "rete/ReteNetwork.h"

#include <algorithm>
#include <exception>
#include <utility>

#include "rete/IEPattern.h"
#include "rete/NodeValues.h"
#include "runtime/Format.h"
#include "runtime/ScopeGuard.h"

namespace ie {

TReteNetwork::TReteNetwork(TComponent* Owner)
    : TComponent(Owner), FEngine(dynamic_cast<TCustomRuleEngine*>(Owner)) {}

TReteNetwork::~TReteNetwork() {
  // Without an engine to hand withdrawn activations to, only the nodes go.
  for (TReteNode* Node : FNodes) Node->Free();
}

void TReteNetwork::SetEnabled(bool Value) {
  if (!Value) Clear();
  FEnabled = Value;
}

void TReteNetwork::SetMinActivationStrength(float Value) {
  FMinActivationStrength = Value < 0.0f ? 0.0f : (Value > 1.0f ? 1.0f : Value);
}

int32_t TReteNetwork::FindRule(const TRule* Rule) const {
  const auto It = FRuleIndex.find(Rule);
  return It == FRuleIndex.end() ? -1 : static_cast<int32_t>(It->second);
}

const std::vector<TReteNode*>* TReteNetwork::GetRuleNodesList(const TRule* Rule) const {
  const int32_t Index = FindRule(Rule);
  return Index < 0 ? nullptr : &FRules[Index].Nodes;
}

TRuleMatches TReteNetwork::GetRuleMatches(TRule& Rule) {
  TRuleMatches Matches;
  Matches.Rule = Rule.GetRuleName();
  TRulePatternList& Patterns = Rule.GetPatterns();
  const int32_t Count = Patterns.GetCount();
  for (TIEPattern* Pattern : Patterns) Matches.PatternTexts.push_back(Pattern->GetToString());
  Matches.Patterns.resize(Count);
  Matches.Joins.resize(Count > 0 ? Count - 1 : 0);
  const std::vector<TReteNode*>* Nodes = GetRuleNodesList(&Rule);
  if (Nodes == nullptr || Nodes->empty() || FEngine == nullptr) return Matches;
  const TFact* NullFact = FEngine->GetNullFact().Get();
  const auto Collect = [&](TReteNode* Node, std::vector<TMatch>& Into) {
    Node->CollectOutputs(
        [&](const IReteToken& Token) { Into.push_back(MatchOf(*Token, NullFact)); });
  };
  auto* Terminal = static_cast<TPatternMatchTerminalNode*>(Nodes->back());
  Terminal->ForEachActivation([&](const TActivation& Activation) {
    TMatch Match = MatchOf(*Activation.GetToken(), NullFact);
    Match.Strength = Activation.GetStrength();
    Matches.Activations.push_back(std::move(Match));
  });
  // From the end back to the first pattern: each join's left parent leads
  // to the patterns before it, its right parent ends its pattern's tests.
  TReteNode* Node = Terminal->FParents.front().Source;
  for (int32_t Position = Count - 1; Position >= 0; --Position) {
    TReteNode* Left = Node;
    if (Position > 0) {
      Collect(Node, Matches.Joins[Position - 1]);
      Left = nullptr;
      for (const TReteNode::TParentEdge& Parent : Node->FParents) {
        if (Parent.CallType == ctRight) {
          Collect(Parent.Source, Matches.Patterns[Position]);
        } else {
          Left = Parent.Source;
        }
      }
    } else {
      Collect(Node, Matches.Patterns[0]);
    }
    Node = Left;
  }
  // A multislot shared among multifield variables matches once per split.
  for (std::vector<TMatch>& Facts : Matches.Patterns) {
    Facts.erase(std::unique(Facts.begin(), Facts.end(),
                            [](const TMatch& A, const TMatch& B) { return A.Facts == B.Facts; }),
                Facts.end());
  }
  return Matches;
}

TReteNode* TReteNetwork::GetRoot(int32_t Index) const {
  if (Index < 0 || Index >= GetRootCount()) ListIndexError(Index);
  return FRoots[Index];
}

void TReteNetwork::AddRule(TRule* Rule) {
  if (!FEnabled || ContainsRule(Rule)) return;
  if (FEngine == nullptr) throw EIEException(SUnknownEngine);
  // Patterns the compiler adds or rewrites must not report a change, which
  // would compile the rule again.
  const bool Compiling = Rule->FCompiling;
  Rule->FCompiling = true;
  {
    const TScopeGuard Restore([&] { Rule->FCompiling = Compiling; });
    Compile(*Rule);
  }
  Changed();
}

void TReteNetwork::Compile(TRule& Rule) {
  TReteCompiler Compiler(*this, Rule);
  Compiler.Prepare();
  // The entry goes in before its index, so that a failed allocation leaves
  // no index to a missing entry.
  FRules.push_back(TRuleEntry{&Rule, {}});
  TScopeGuard Unlisted([this] { FRules.pop_back(); });
  FRuleIndex[&Rule] = FRules.size() - 1;
  Unlisted.Dismiss();
  FNewNodes.clear();
  TScopeGuard Remove([&] { RemoveRule(&Rule); });
  Rule.FreeNotification(this);
  TPatternMatchTerminalNode* Terminal = Compiler.Build();
  Remove.Dismiss();
  UpdateNodes(FNewNodes);
  FNewNodes.clear();
  Terminal->SetInitialized(true);
}

void TReteNetwork::RemoveRule(TRule* Rule) {
  const int32_t Index = FindRule(Rule);
  if (Index < 0) return;
  std::vector<TReteNode*> Nodes = std::move(FRules[Index].Nodes);
  RemoveEntry(Index);
  Rule->RemoveFreeNotification(this);
  for (auto It = Nodes.rbegin(); It != Nodes.rend(); ++It) {
    if (--(*It)->FRuleUseCount == 0) FreeNode(*It);
  }
  Changed();
}

void TReteNetwork::RemoveEntry(size_t Index) {
  FRuleIndex.erase(FRules[Index].Rule);
  FRules.erase(FRules.begin() + Index);
  for (size_t I = Index; I < FRules.size(); ++I) FRuleIndex[FRules[I].Rule] = I;
}

void TReteNetwork::Clear() {
  while (!FRules.empty()) RemoveRule(FRules.back().Rule);
}

void TReteNetwork::Notification(TComponent* Component, TOperation Operation) {
  TComponent::Notification(Component, Operation);
  if (Operation != opRemove) return;
  if (Component == FEngine) FEngine = nullptr;
  // Compared by address: the component may be half destroyed.
  for (const TRuleEntry& Entry : FRules) {
    if (static_cast<TComponent*>(Entry.Rule) == Component) {
      RemoveRule(Entry.Rule);
      return;
    }
  }
}

// Room for one more in List, so that a node is filed in all its lists or
// in none: a half-filed node could not be taken out again.
template <class T>
void ReserveOneMore(std::vector<T>& List) {
  List.reserve(List.size() + 1);
}

void TReteNetwork::AddNode(TReteNode* Node, TReteNode* Parent, TCallType CallType) {
  ReserveOneMore(FNodes);
  ReserveOneMore(FNewNodes);
  auto* Root = Parent == nullptr ? dynamic_cast<TPatternMatchNode*>(Node) : nullptr;
  std::vector<TPatternMatchNode*>* RootList = nullptr;
  if (Parent != nullptr) {
    ReserveOneMore(Parent->FEdges);
    ReserveOneMore(Node->FParents);
  } else if (Root != nullptr) {
    ReserveOneMore(FRoots);
    if (Root->GetPatternMatchTest() == pmtTestClassType) {
      RootList = &FRootLists[RootListOf(Root->GetValue()->GetText())]->Roots;
      ReserveOneMore(*RootList);
    }
  }
  Node->FSerial = ++FSerials;
  Node->FPlace = FNodes.size();
  FNodes.push_back(Node);
  FNewNodes.push_back(Node);
  if (Parent != nullptr) {
    Link(Parent, Node, CallType);
  } else if (Root != nullptr) {
    FRoots.push_back(Root);
    ++FRootChanges;
    if (RootList != nullptr) RootList->push_back(Root);
  }
  if (FOnNodeChange) FOnNodeChange(this, Node);
}

void TReteNetwork::Link(TReteNode* Source, TReteNode* Target, TCallType CallType) {
  ReserveOneMore(Source->FEdges);
  ReserveOneMore(Target->FParents);
  Source->FEdges.push_back(TReteEdge{Target, CallType});
  Source->EdgesChanged();
  Target->FParents.push_back(TReteNode::TParentEdge{Source, CallType});
}

namespace {

// Erases the one element equal to Item, searching from the back: rules go
// newest first, and the nodes they added are the last ones of each list.
template <class T, class TMatch>
void EraseLast(std::vector<T>& List, TMatch&& Match) {
  for (size_t I = List.size(); I-- > 0;) {
    if (Match(List[I])) {
      List.erase(List.begin() + static_cast<std::ptrdiff_t>(I));
      return;
    }
  }
}

}  // namespace

void TReteNetwork::FreeNode(TReteNode* Node) {
  if (auto* Terminal = dynamic_cast<TPatternMatchTerminalNode*>(Node)) Terminal->StandDown();
  for (const TReteNode::TParentEdge& Parent : Node->FParents) {
    EraseLast(Parent.Source->FEdges, [&](const TReteEdge& Edge) { return Edge.Target == Node; });
    Parent.Source->EdgesChanged();
  }
  for (const TReteEdge& Edge : Node->FEdges) {
    EraseLast(Edge.Target->FParents,
              [&](const TReteNode::TParentEdge& P) { return P.Source == Node; });
  }
  auto* Pattern = dynamic_cast<TPatternMatchNode*>(Node);
  if (Node->FParents.empty()) {
    EraseLast(FRoots, [&](const TReteNode* Root) { return Root == Node; });
    ++FRootChanges;
    if (Pattern != nullptr && Pattern->GetPatternMatchTest() == pmtTestClassType) {
      const auto It = FRootsByName.find(Pattern->GetValue()->GetText());
      if (It != FRootsByName.end()) {
        EraseLast(FRootLists[It->second]->Roots,
                  [&](const TPatternMatchNode* Root) { return Root == Pattern; });
      }
    }
  }
  if (Pattern != nullptr) {
    const auto [First, Last] = FShareIndex.equal_range(Pattern->FShareKey);
    for (auto It = First; It != Last; ++It) {
      if (It->second == Pattern) {
        FShareIndex.erase(It);
        break;
      }
    }
  }
  // The last node takes the freed one's place.
  FNodes[Node->FPlace] = FNodes.back();
  FNodes[Node->FPlace]->FPlace = Node->FPlace;
  FNodes.pop_back();
  if (FOnNodeChange) FOnNodeChange(this, Node);
  Node->Free();
}

size_t TReteNetwork::ShareKey(const TReteNode* Parent, TPatternMatchTest Test,
                              const TNodeArgsArray& Args, const IIEValue& Value) {
  size_t Key = std::hash<const void*>()(Parent) * 31 + Test;
  for (const TNodeArg& Arg : Args) {
    const size_t Part = std::holds_alternative<std::string>(Arg)
                            ? std::hash<std::string>()(std::get<std::string>(Arg))
                            : std::hash<int32_t>()(std::get<int32_t>(Arg));
    Key = Key * 1000003u ^ Part;
  }
  // Only constants whose equals share their hash code take part; any other
  // value is told apart by Equals among the nodes of this key.
  if (Value) {
    const TIEType Kind = Value->GetDType();
    if (Kind == dtAtom || Kind == dtString || Kind == dtInteger || Kind == dtFloat) {
      Key = Key * 1000003u ^ static_cast<uint32_t>(Value->GetHashCode());
    }
  }
  return Key;
}

TPatternMatchNode* TReteNetwork::CreateSuccessor(TReteNode* Parent, TPatternMatchTest Test,
                                                 TRule* Rule, const TNodeArgsArray& Args,
                                                 const IIEValue& Value) {
  IIEValue Key = IsFunCall(Value) ? CallValue(Rebased(*AsCall(Value))) : Value;
  const int32_t Entry = FindRule(Rule);
  const size_t Share = ShareKey(Parent, Test, Args, Key);
  // The oldest equal node, as a scan of the siblings in order would find.
  TPatternMatchNode* Shared = nullptr;
  const auto [First, Last] = FShareIndex.equal_range(Share);
  for (auto It = First; It != Last; ++It) {
    TPatternMatchNode* Node = It->second;
    if ((Shared == nullptr || Node->FSerial < Shared->FSerial) && Node->Equals(Test, Key, Args)) {
      Shared = Node;
    }
  }
  ReserveOneMore(FRules[Entry].Nodes);
  if (Shared != nullptr) {
    FRules[Entry].Nodes.push_back(Shared);
    ++Shared->FRuleUseCount;
    return Shared;
  }
  auto* Node = new TPatternMatchNode(this, Test, Args, std::move(Key));
  TScopeGuard Unmade([Node] { Node->Free(); });
  Node->FShareKey = Share;
  const auto Filed = FShareIndex.emplace(Share, Node);
  TScopeGuard Unfiled([&] { FShareIndex.erase(Filed); });
  AddNode(Node, Parent, ctSingle);
  Unfiled.Dismiss();
  Unmade.Dismiss();
  FRules[Entry].Nodes.push_back(Node);
  return Node;
}

void TReteNetwork::AddRuleNode(TRule& Rule, TReteNode* Node, TReteNode* Parent,
                               TCallType CallType) {
  // The node is the network's from here on, also when filing it fails.
  TScopeGuard Unmade([Node] { Node->Free(); });
  std::vector<TReteNode*>& Nodes = FRules[FindRule(&Rule)].Nodes;
  ReserveOneMore(Nodes);
  AddNode(Node, Parent, CallType);
  Unmade.Dismiss();
  Nodes.push_back(Node);
}

TJoinNode* TReteNetwork::ShareJoin(TRule& Rule, const TJoinNode& Join, TReteNode* Left,
                                   TReteNode* Right) {
  for (const TReteEdge& Edge : Left->GetEdges()) {
    auto* Shared = dynamic_cast<TJoinNode*>(Edge.Target);
    if (Edge.CallType != ctLeft || Shared == nullptr || !Shared->Equals(&Join)) continue;
    const bool SameRight =
        std::any_of(Shared->FParents.begin(), Shared->FParents.end(),
                    [&](const TReteNode::TParentEdge& Parent) {
                      return Parent.Source == Right && Parent.CallType == ctRight;
                    });
    if (!SameRight) continue;
    FRules[FindRule(&Rule)].Nodes.push_back(Shared);
    ++Shared->FRuleUseCount;
    return Shared;
  }
  return nullptr;
}

ICustomFunCall TReteNetwork::Evaluate(const ICustomFunCall& FunCall, TRule* Rule) {
  ICustomFunCall Copy = FunCall->CloneInterface().As<TCustomFunctionCall>();
  for (int32_t I = 0; I < Copy->GetArgumentCount(); ++I) {
    const IIEValue& Argument = Copy->GetArgument(I);
    if (IsFunCall(Argument)) {
      Copy->SetArgument(I, CallValue(Evaluate(AsCall(Argument), Rule)));
      continue;
    }
    if (!IsVariable(Argument)) continue;
    const std::string& Name = Argument->GetText();
    if (const TBinding* Binding = Rule->GetBindingByName(Name)) {
      Copy->SetArgument(I, AddressValue(Binding->GetFactIndex(), Binding->GetSlotIndex(),
                                        Binding->GetSubIndex()));
    } else if (FEngine == nullptr || FEngine->GetContext()->FindGlobalBinding(Name) == nullptr) {
      throw EIEException(Format(SUnknownVariable, Name));
    }
  }
  return Copy;
}

bool TReteNetwork::ProcessToken(const IReteToken& Token) {
  const TTokenAction Tag = Token->GetTag();
  if (!FEnabled && (Tag == taAdd || Tag == taUpdate)) return false;
  const TFact* Fact = Token->GetFact().Get();
  if (Tag == taClear || Fact == nullptr || !Fact->GetTemplate()) return OfferToken(Token, FRoots);
  const TFactTemplate& Template = *Fact->GetTemplate();
  if (!Template.GetParent()) return OfferToken(Token, RootsFor(Template));
  return OfferToken(Token, RootsWithAncestors(Template));
}

const std::vector<TPatternMatchNode*>& TReteNetwork::RootsWithAncestors(
    const TFactTemplate& Template) {
  RootsFor(Template);
  TRootList& List = *FRootLists[static_cast<size_t>(Template.GetMatchSlot())];
  // Made again only when roots came or went, or the template's ancestry
  // changed, not once per fact.
  bool Current = List.CombinedAt == FRootChanges;
  const TFactTemplate* Each = Template.GetParent().Get();
  for (size_t I = 0; Current; ++I, Each = Each->GetParent().Get()) {
    if (I == List.Ancestors.size() || Each == nullptr) {
      Current = I == List.Ancestors.size() && Each == nullptr;
      break;
    }
    Current = List.Ancestors[I].Get() == Each;
  }
  if (Current) return List.Combined;
  List.Ancestors.clear();
  List.Combined = List.Roots;
  for (Each = Template.GetParent().Get(); Each != nullptr; Each = Each->GetParent().Get()) {
    List.Ancestors.emplace_back(const_cast<TFactTemplate*>(Each));
    const std::vector<TPatternMatchNode*>& Own = RootsFor(*Each);
    List.Combined.insert(List.Combined.end(), Own.begin(), Own.end());
  }
  std::sort(List.Combined.begin(), List.Combined.end(),
            [](const TReteNode* A, const TReteNode* B) { return A->FSerial < B->FSerial; });
  List.Combined.erase(std::unique(List.Combined.begin(), List.Combined.end()), List.Combined.end());
  List.CombinedAt = FRootChanges;
  return List.Combined;
}

bool TReteNetwork::ProcessFact(TTokenAction Action, const IFact& Fact) {
  const TFactTemplate* Template = Fact->GetTemplate().Get();
  if (Template == nullptr || Template->GetParent() || Action == taClear) {
    return ProcessToken(new TIEToken(Action, Fact));
  }
  if (!FEnabled && Action != taRemove) return false;
  const std::vector<TPatternMatchNode*>& Roots = RootsFor(*Template);
  // Most facts meet no root; unless goals wait for a token to pass, such
  // a fact needs none.
  if (Roots.empty() && FGoals.empty()) return false;
  return OfferToken(new TIEToken(Action, Fact), Roots);
}

const std::vector<TPatternMatchNode*>& TReteNetwork::RootsFor(const TFactTemplate& Template) {
  const std::string& Name = Template.GetTemplateName();
  const auto Slot = static_cast<size_t>(Template.GetMatchSlot());
  // A slot of another network, or of the template's former name, reads a
  // list of another name.
  if (Slot < FRootLists.size()) {
    const TRootList& Cached = *FRootLists[Slot];
    // Names are short: a loop beats a call of memcmp.
    bool Same = Cached.Name.size() == Name.size();
    for (size_t I = 0; Same && I < Name.size(); ++I) Same = Cached.Name[I] == Name[I];
    if (Same) return Cached.Roots;
  }
  const size_t List = RootListOf(Name);
  Template.SetMatchSlot(static_cast<int32_t>(List));
  return FRootLists[List]->Roots;
}

size_t TReteNetwork::RootListOf(const std::string& Name) {
  const auto Found = FRootsByName.find(Name);
  if (Found != FRootsByName.end()) return Found->second;
  // The list goes in before its name: a failed allocation leaves no name
  // for a missing list.
  auto List = std::make_unique<TRootList>();
  List->Name = Name;
  FRootLists.push_back(std::move(List));
  try {
    FRootsByName.emplace(Name, FRootLists.size() - 1);
  } catch (...) {
    FRootLists.pop_back();
    throw;
  }
  return FRootLists.size() - 1;
}

bool TReteNetwork::OfferToken(const IReteToken& Token,
                              const std::vector<TPatternMatchNode*>& Roots) {
  bool Accepted = false;
  ++FDepth;
  TScopeGuard Abandoned([this] { Abandon(); });
  for (size_t I = 0; I < Roots.size(); ++I) {
    Accepted = Roots[I]->CallNode(Token, ctSingle) || Accepted;
  }
  Abandoned.Dismiss();
  if (--FDepth == 0) Settle();
  return Accepted;
}

void TReteNetwork::CollectFacts(const TTokenSink& Sink) const {
  if (FEngine == nullptr) return;
  for (const IFact& Fact : FEngine->ListFacts()) Sink(new TIEToken(taAdd, Fact));
}

void TReteNetwork::UpdateNodes(const std::vector<TReteNode*>& NewNodes) {
  const auto IsNew = [&](const TReteNode* Node) {
    return std::find(NewNodes.begin(), NewNodes.end(), Node) != NewNodes.end();
  };
  ++FDepth;
  TScopeGuard Abandoned([this] { Abandon(); });
  for (TReteNode* Node : NewNodes) {
    if (Node->FParents.empty()) {
      CollectFacts([&](const IReteToken& Token) { Node->CallNode(Token, ctSingle); });
      continue;
    }
    for (const TReteNode::TParentEdge& Parent : Node->FParents) {
      if (IsNew(Parent.Source)) continue;
      Parent.Source->CollectOutputs(
          [&](const IReteToken& Token) { Node->CallNode(Token, Parent.CallType); });
    }
  }
  Abandoned.Dismiss();
  if (--FDepth == 0) Settle();
}

void TReteNetwork::KeepFailure(std::exception_ptr Failure) {
  if (FDepth == 0) std::rethrow_exception(Failure);
  if (!FFailure) FFailure = std::move(Failure);
}

void TReteNetwork::Abandon() {
  if (--FDepth > 0) return;
  FGoals.clear();
  FFailure = nullptr;
}

void TReteNetwork::Settle() {
  // Taken first: the goals' own assertions settle the network again.
  const std::exception_ptr Failure = std::exchange(FFailure, nullptr);
  AssertGoals();
  if (Failure) std::rethrow_exception(Failure);
}

void TReteNetwork::AddGoal(const IFact& Fact) {
  FGoals.push_back(Fact);
  if (FDepth == 0) AssertGoals();
}

void TReteNetwork::AssertGoals() {
  while (!FGoals.empty() && FEngine != nullptr) {
    const IFact Goal = FGoals.front();
    FGoals.pop_front();
    FEngine->Assert(Goal, false);
  }
  FGoals.clear();
}

void TReteNetwork::Activate(TActivation* Activation) {
  if (FEngine != nullptr) FEngine->AddActivation(Activation);
  if (FOnActivation) FOnActivation(this, Activation);
}

void TReteNetwork::Deactivate(TActivation* Activation) {
  // Raised first: the engine frees the activation it takes back.
  if (FOnDeactivation) FOnDeactivation(this, Activation);
  if (FEngine != nullptr) FEngine->RemoveActivation(Activation);
}

void TReteNetwork::RuleFired(TActivation* Activation) {
  if (FEngine != nullptr) FEngine->RuleFired(Activation);
  if (FOnRuleFired) FOnRuleFired(this, Activation);
}

void TReteNetwork::Changed() {
  if (FOnChange) FOnChange(this);
}

}  // namespace ie
