// The match network: every rule's patterns compiled into one directed graph
// of nodes, shared between rules wherever their tests coincide, through
// which each fact change flows as a token. Pattern-match nodes test single
// facts (the alpha part: one chain per pattern, rooted at a template test),
// join nodes combine a partial match from the left with facts from the right
// and keep both sides in hashed memories, test nodes run test patterns, and
// a terminal node per rule turns complete matches into activations for the
// engine's agenda.
//
// Names are resolved when a rule is compiled: slot names become layout
// positions (cached per template layout, so a template that gains slots or
// a fact of an extending template is looked up once per layout), variables
// become fact and slot addresses. Roots are indexed by template name, so a
// fact reaches only the roots whose template test it can pass.
//
// Ownership: the network is a component owned by its engine; it owns its
// nodes and frees a node when the last rule using it leaves. Nodes point to
// their network, rules and patterns without owning them. Everything runs on
// the engine's thread; a token must not enter the network while another one
// is on its way, except through the engine's own queue.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <variant>
#include <vector>

#include "core/IEFacts.h"
#include "core/IERuleEngine.h"
#include "core/IEValue.h"
#include "rete/IEActivation.h"
#include "rete/IEContext.h"
#include "rete/IERule.h"
#include "rete/IESlotTest.h"
#include "rete/IEToken.h"
#include "rete/RuleMatches.h"
#include "runtime/Component.h"
#include "runtime/StringList.h"

namespace ie {

class TReteNetwork;
class TReteNode;
class TIEPattern;

// The input of the target node that an edge feeds.
enum TCallType : uint8_t { ctLeft, ctRight, ctSingle, ctActivate };
inline constexpr std::string_view CallTypeNames[] = {"ctLeft", "ctRight", "ctSingle", "ctActivate"};
static_assert(std::size(CallTypeNames) == ctActivate + 1);

enum TPatternMatchTest : uint8_t {
  pmtUnknown,
  pmtTestClassType,
  pmtTestEqual,
  pmtTestNotEqual,
  pmtTestSlotValueEqual,
  pmtTestSlotValueNotEqual,
  pmtTestMultiSlotEqual,
  pmtTestMultiSlotNotEqual,
  pmtTestMultiSlotLength,
  pmtTestMultiSlotMultiField,
  pmtFailTest
};
inline constexpr std::string_view PatternMatchTestNames[] = {"pmtUnknown",
                                                             "pmtTestClassType",
                                                             "pmtTestEqual",
                                                             "pmtTestNotEqual",
                                                             "pmtTestSlotValueEqual",
                                                             "pmtTestSlotValueNotEqual",
                                                             "pmtTestMultiSlotEqual",
                                                             "pmtTestMultiSlotNotEqual",
                                                             "pmtTestMultiSlotLength",
                                                             "pmtTestMultiSlotMultiField",
                                                             "pmtFailTest"};
static_assert(std::size(PatternMatchTestNames) == pmtFailTest + 1);

using TActivationEvent = std::function<void(TObject* Sender, TActivation* Activation)>;
using TReteNodeEvent = std::function<void(TObject* Sender, TReteNode* Node)>;
// What a node passes on, handed to whoever collects a node's outputs.
using TTokenSink = std::function<void(const IReteToken& Token)>;

// A slot name or a number: the arguments of a pattern-match node.
using TNodeArg = std::variant<std::string, int32_t>;
using TNodeArgsArray = std::vector<TNodeArg>;

// An edge of the graph: the node fed and the input it feeds.
struct TReteEdge {
  TReteNode* Target;
  TCallType CallType;
};

// A slot of a fact, or one element of a multislot, found by name once per
// template layout.
class TSlotReader {
 public:
  TSlotReader() = default;
  TSlotReader(std::string Name, int32_t SubIndex) : FName(std::move(Name)), FSubIndex(SubIndex) {}

  const std::string& GetName() const { return FName; }
  int32_t GetSubIndex() const { return FSubIndex; }
  // The whole slot value of Fact (nil stands for an unset slot), held by
  // the fact. Raises the fact's "No such slot name" for a name its
  // template lacks and it holds no value under.
  const TIEValue* ReadSlot(TFact& Fact);
  // The slot, or its element SubIndex; nil when the slot holds no list or
  // the list no such element.
  const TIEValue* Read(TFact& Fact);
  // Read for a slot of Fact's template layout; false, reading nothing,
  // for a name the layout lacks.
  bool TryRead(TFact& Fact, const TIEValue*& Value);

 private:
  std::string FName;
  int32_t FSubIndex = NoSubIndex;
  ISlotLayout FLayout;
  int32_t FPosition = -1;
};

// A binding address the network made: it remembers the slot's position in
// the layout last seen, so that tests inside the network read slots without
// looking their names up.
class TReteBindingInfo : public TBindingInfo {
  IE_CLASS(TReteBindingInfo, TBindingInfo)

 public:
  explicit TReteBindingInfo(int32_t FactIndex = LocalBindingIndex,
                            std::string SlotIndex = SLocalBinding, int32_t SubIndex = NoSubIndex)
      : TBindingInfo(FactIndex, SlotIndex, SubIndex),
        FWholeFact(SlotIndex == SPatternBinding),
        FReader(std::move(SlotIndex), SubIndex) {}

  // The value at this address in Fact.
  IIEValue ReadFrom(TFact& Fact) const;
  // From another address: its fields, read through a fresh cache.
  void Assign(TPersistent* Source) override;

 private:
  // The address names the fact itself, not a slot.
  bool FWholeFact;
  mutable TSlotReader FReader;
  // The identifier value handed out last: a test that reads a fact address
  // for every token of one fact makes it once.
  mutable IIEValue FLastFactId;
};

// The context a node evaluates its tests in; its parent is the engine's root
// context, so global variables resolve.
class TReteContext : public TIEContext {
  IE_CLASS(TReteContext, TIEContext)

 public:
  using TIEContext::TIEContext;

  IIEValue ResolveBindingAddress(const TCustomBindingInfo& Address) const override;
};

class TReteNode : public TObject {
  IE_CLASS(TReteNode, TObject)

 public:
  explicit TReteNode(TReteNetwork* Rete) : FRete(Rete) {}
  ~TReteNode() override;

  // How many uses by rules hold the node; it goes with the last.
  int32_t GetRuleUseCount() const { return FRuleUseCount; }
  TReteNetwork* GetRete() const { return FRete; }
  // The node's own context, made on first use.
  TIEContext* GetContext();
  const std::vector<TReteEdge>& GetEdges() const { return FEdges; }
  int32_t GetInDegree() const { return static_cast<int32_t>(FParents.size()); }
  int32_t GetOutDegree() const { return static_cast<int32_t>(FEdges.size()); }

  // Takes Token in through the input CallType; whether it passed.
  virtual bool CallNode(const IReteToken& Token, TCallType CallType) = 0;
  // Hands Token to every successor, in edge order.
  void CallChildren(const IReteToken& Token);
  // Value (a call or a variable) resolved with Token in the node's
  // context.
  IIEValue Evaluate(const IIEValue& Value, const IReteToken& Token);

  // "TJoinNode In/Out#: 2/1 RuleUse: 1".
  std::string GetToString() const override;

 protected:
  friend class TReteNetwork;
  friend class TPatternMatchNode;
  friend class TTestNode;
  friend class TJoinNode;

  struct TParentEdge {
    TReteNode* Source;
    TCallType CallType;
  };

  // Children that test one slot for equality with a constant, filed by
  // the constant's hash code, so that a token is handed only to those it
  // may pass (and to every other child), still in edge order.
  struct TEdgeIndex {
    TSlotReader Reader;
    // Positions in FEdges, ascending.
    std::vector<uint32_t> Others;
    std::unordered_map<int32_t, std::vector<uint32_t>> ByHash;
  };

  // Everything the node would pass on now, to Sink: what a successor
  // linked below it later must be given.
  virtual void CollectOutputs(const TTokenSink& Sink) = 0;
  // The edges changed: the index is made again when next needed.
  void EdgesChanged() {
    FEdgeIndex.reset();
    FEdgeIndexStale = true;
  }
  void BuildEdgeIndex();
  // CallChildren through the index; false when the token's fact cannot be
  // read by it and every child must see the token.
  bool CallIndexedChildren(const IReteToken& Token);

  int32_t FRuleUseCount = 1;
  // Nodes made earlier have lower serials: roots are offered tokens in
  // this order.
  uint64_t FSerial = 0;
  // The node's place in the network's node list.
  size_t FPlace = 0;
  TReteNetwork* FRete;
  TReteContext* FContext = nullptr;
  std::vector<TReteEdge> FEdges;
  std::vector<TParentEdge> FParents;
  std::unique_ptr<TEdgeIndex> FEdgeIndex;
  bool FEdgeIndexStale = true;
};

// One test on one fact: the template, a slot against a constant or a call,
// two slots against each other, a multislot's length, or the splitting of
// a multislot among multifield variables.
class TPatternMatchNode : public TReteNode {
  IE_CLASS(TPatternMatchNode, TReteNode)
  // A parent indexes its children by the slot they read.
  friend class TReteNode;
  // The network files it for sharing.
  friend class TReteNetwork;

 public:
  // Args: for the slot tests the slot name and the position (-1 for the
  // whole slot), for two slots both pairs, for the length the slot and the
  // length, for splitting the slot and its field kinds ("s" single, "m"
  // multifield, one letter per field).
  TPatternMatchNode(TReteNetwork* Rete, TPatternMatchTest Test, TNodeArgsArray Args,
                    IIEValue Value);

  TPatternMatchTest GetPatternMatchTest() const { return FTest; }
  // Whether the node tests a slot for equality with a constant whose
  // equals all have its hash code (atoms, strings, numbers), so that a
  // parent may skip it for a fact whose value hashes otherwise.
  bool IsHashableEquality() const;
  const IIEValue& GetValue() const { return FValue; }
  const TNodeArgsArray& GetArgs() const { return FArgs; }

  // A clearing token goes on unchanged; any other passes on when its
  // newest fact passes the test. A call as the constant is a predicate: an
  // equality test passes when the call's result is not FALSE.
  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  // Same test, equal value (calls compare by name and arguments, binding
  // addresses by address) and equal arguments.
  bool Equals(TPatternMatchTest Test, const IIEValue& Value, const TNodeArgsArray& Args) const;

  // Adds " Value: ", " Test: " and " Args: (...)".
  std::string GetToString() const override;

 protected:
  void CollectOutputs(const TTokenSink& Sink) override;

 private:
  // No fuzzy value took part in a test.
  static constexpr float NoSimilarity = -1.0f;

  // Whether A equals B (differs from it under Negate); a missing value
  // passes neither way. When A equals B and either is fuzzy, Similarity
  // gets the degree to which the two match.
  static bool Compare(const TIEValue* A, const TIEValue* B, bool Negate, float& Similarity);
  // Whether Token's fact passes every test but the splitting.
  bool Test(const IReteToken& Token, float& Similarity);
  // Token as a fuzzy match of degree Similarity lets it go on: itself when
  // it is no stronger, a copy weakened to Similarity, or nil when that is
  // below the network's MinActivationStrength.
  IReteToken Graded(const IReteToken& Token, float Similarity) const;
  bool TestTemplate(const TFact& Fact) const;
  // The tokens that pass the node for Token: none, Token itself or a
  // graded copy, or its splits; a failing condition passes none (see
  // TReteNetwork::KeepFailure).
  void Pass(const IReteToken& Token, std::vector<IReteToken>& Parts);
  // One token per way the multislot splits among the fields, each over a
  // copy of the fact whose multislot holds the fields (a multifield field
  // as a list of its elements).
  void Split(const IReteToken& Token, std::vector<IReteToken>& Parts);

  TPatternMatchTest FTest;
  TNodeArgsArray FArgs;
  IIEValue FValue;
  TSlotReader FFirst;
  TSlotReader FSecond;
  int32_t FLength = 0;
  // Splitting: one flag per field, true for a multifield variable.
  std::vector<bool> FMultiFields;
  // Where the network files the node for sharing.
  size_t FShareKey = 0;
};

// A node that passes a token on when all its tests hold in the node's
// context with the token in it. A test pattern compiles into one; its node
// extends what passes with the engine's null fact, the placeholder of a
// pattern that matched no fact.
class TTestNode : public TReteNode {
  IE_CLASS(TTestNode, TReteNode)

 public:
  explicit TTestNode(TReteNetwork* Rete, bool AddsNullFact = false)
      : TReteNode(Rete), FAddsNullFact(AddsNullFact) {}
  ~TTestNode() override;

  // Takes Test.
  void AddTest(TIESlotTest* Test);
  void AddTest(TSlotTestType SlotTestType, int32_t SubIndex, const IIEValue& Value);
  void ClearTests();
  void DeleteTest(int32_t Index);
  TIESlotTest* GetTest(int32_t Index) const;
  int32_t GetTestCount() const { return static_cast<int32_t>(FTests.size()); }
  bool RunTests(const IReteToken& Token);
  // Same class, as many tests, none of the pattern-match kind, and each
  // test equal to one of Other's.
  virtual bool Equals(const TTestNode* Other) const;

  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  // Adds " NumTests: " and the tests in parentheses.
  std::string GetToString() const override;

 protected:
  void CollectOutputs(const TTokenSink& Sink) override;
  // Runs every test in Context; a test that raises fails, and the network
  // keeps its error for when the token has gone through.
  bool PerformTests(TIEContext* Context);

  std::vector<TIESlotTest*> FTests;

 private:
  IReteToken Output(const IReteToken& Token) const;

  bool FAddsNullFact;
};

// Joins the partial matches of its left input with the facts of its right
// input. A positive join passes each passing pair on; a negated join (odd
// negation count) passes a partial match on with the null fact while no
// right fact matches it, an "exists" join (even count above 0) while at
// least one does. The left memory's copy of a partial match counts its
// matching right facts.
class TJoinNode : public TTestNode {
  IE_CLASS(TJoinNode, TTestNode)

 public:
  TJoinNode(TReteNetwork* Rete, TRule* Rule, int32_t NegatedCount, bool Unique);
  ~TJoinNode() override;

  bool GetNegatedPattern() const { return (FNegatedCount & 1) != 0; }
  int32_t GetNegatedCount() const { return FNegatedCount; }
  bool GetUnique() const { return FUnique; }
  TRule* GetRule() const { return FRule; }
  TIEPattern* GetPattern() const { return FPattern; }
  // Makes the join ask for goal facts when a partial match finds no fact.
  // Raises "Invalid backward chaining pattern added to the node" for a
  // pattern whose template is not backward chaining.
  void SetPattern(TIEPattern* Pattern);
  // Nil until the first token arrives.
  TIETokenTree* GetLeftMemory() const { return FLeft; }
  TIETokenTree* GetRightMemory() const { return FRight; }
  bool HasShortCut() const { return FShortCut >= 0; }

  // Adds a join test comparing slot LeftSlot of the token's fact
  // TokenIndex with slot RightSlot of the joined fact.
  void AddTest(TSlotTestType SlotTestType, int32_t TokenIndex, const std::string& LeftSlot,
               const std::string& RightSlot);
  void AddTest(TSlotTestType SlotTestType, int32_t TokenIndex, const std::string& LeftSlot,
               int32_t LeftSubIndex, const std::string& RightSlot, int32_t RightSubIndex);
  using TTestNode::AddTest;
  // Never for joins that count (negated or exists), ask for goals or
  // differ in Unique; otherwise the tests decide.
  bool Equals(const TTestNode* Other) const override;
  // Empties (making them first when missing) both memories.
  void ClearMemory();
  // Chooses the hash key: the first single-slot equality, else the first
  // multislot-element equality, moved to the front of the tests; the
  // memories are made again to hash on it (or on sort codes without one).
  void PrepareShortCut();

  // Raises "Invalid Call Type: %s" for an input a join does not have.
  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  // Adds " *NEGATED*" and both memories.
  std::string GetToString() const override;

 protected:
  void CollectOutputs(const TTokenSink& Sink) override;

 private:
  // Whether the left token Left and the right token's fact pass every
  // test.
  bool RunTests(const IReteToken& Left, const IReteToken& Right);
  // A right token arrived, with Hash its join hash (Exact: of an integer):
  // the left memory is scanned.
  void RunTestsVaryLeft(const IReteToken& Right, int32_t Hash, bool Exact);
  // A left token arrived with Tag: the right memory is scanned.
  void RunTestsVaryRight(const IReteToken& Left, TTokenAction Tag, int32_t Hash, bool Exact);
  // Visit(token, passes) for each token of Memory that a join value of hash
  // Hash can match (every token without a hash key), passes telling that
  // the join's tests are known to hold for it; Visit returns false to stop.
  // Tokens come oldest first.
  template <class TVisit>
  void Scan(TIETokenTree& Memory, int32_t Hash, bool Exact, TVisit&& Visit);
  IReteToken Child(const IReteToken& Left, const IFact& Fact, float Strength,
                   TTokenAction Tag) const;
  void PassCounted(const IReteToken& Left, TTokenAction Tag);
  void AskForBackChain(const IReteToken& Left);
  void MakeMemories();
  bool IsCounting() const { return FNegatedCount > 0; }
  // Whether a counting join passes its partial match with this many
  // matching facts.
  bool CountPasses(int32_t Count) const { return GetNegatedPattern() ? Count == 0 : Count > 0; }

  int32_t FNegatedCount;
  TIETokenTree* FLeft = nullptr;
  TIETokenTree* FRight = nullptr;
  int32_t FMatchCount = 0;
  TIEPattern* FPattern = nullptr;
  TRule* FRule;
  bool FUnique;
  int32_t FBuckets;
  // Index in FTests of the test the memories hash on, or -1.
  int32_t FShortCut = -1;
};

// The end of a rule: turns complete matches into activations and keeps the
// live ones, hashed by token so a withdrawal finds its activation at once.
class TPatternMatchTerminalNode : public TReteNode {
  IE_CLASS(TPatternMatchTerminalNode, TReteNode)

 public:
  TPatternMatchTerminalNode(TReteNetwork* Rete, TRule* Rule) : TReteNode(Rete), FRule(Rule) {}
  // Withdraws every live activation first.
  ~TPatternMatchTerminalNode() override;

  TRule* GetRule() const { return FRule; }
  bool GetInitialized() const { return FInitialized; }
  void SetInitialized(bool Value) { FInitialized = Value; }
  int32_t GetActivationCount() const { return FCount; }
  // Calls Visit with each live activation, oldest first.
  template <class TVisit>
  void ForEachActivation(TVisit&& Visit) const {
    for (const TActivation* Activation = FFirst; Activation != nullptr;
         Activation = Activation->FNodeNext) {
      Visit(*Activation);
    }
  }

  bool CallNode(const IReteToken& Token, TCallType CallType) override;
  // A new activation of Token for the engine, unless the rule is disabled
  // or a one-shot rule that fired, or Token is an update reaching a
  // primed node; nil then.
  TActivation* AddActivation(const IReteToken& Token);
  // Forgets Activation without telling the engine (the activation is
  // going).
  void Deactivate(TActivation* Activation);
  // Forgets Activation, whose rule fired, and tells the network.
  void RuleFired(TActivation* Activation);
  // Withdraws every activation, newest first.
  void StandDown();
  // Withdraws the first activation whose token equals Token.
  void StandDown(const IReteToken& Token);

  // Adds " Rule: " and the rule's name.
  std::string GetToString() const override;

 protected:
  void CollectOutputs(const TTokenSink&) override {}

 private:
  void Link(TActivation* Activation);
  void Unlink(TActivation* Activation);
  size_t BucketOf(const TIEToken& Token) const;
  void Grow();

  bool FInitialized = false;
  TRule* FRule;
  // Live activations, oldest first, linked through the activations.
  TActivation* FFirst = nullptr;
  TActivation* FLast = nullptr;
  int32_t FCount = 0;
  // Chains of activations by token sort code.
  std::vector<TActivation*> FBuckets;
};

class TReteNetwork : public TComponent {
  IE_CLASS(TReteNetwork, TComponent)

 public:
  // An owner that is a rule engine becomes the network's engine.
  explicit TReteNetwork(TComponent* Owner);
  ~TReteNetwork() override;

  TCustomRuleEngine* GetEngine() const { return FEngine; }
  void SetEngine(TCustomRuleEngine* Engine) { FEngine = Engine; }
  bool GetEnabled() const { return FEnabled; }
  // Disabling empties the network; enabling only sets the flag, and rules
  // must be added again.
  void SetEnabled(bool Value);
  // The bucket count new join memories start with.
  int32_t GetHashKey() const { return FHashKey; }
  void SetHashKey(int32_t Value) { FHashKey = Value < 1 ? 1 : Value; }
  float GetMinActivationStrength() const { return FMinActivationStrength; }
  // Clamped to 0..1.
  void SetMinActivationStrength(float Value);

  void SetOnActivation(TActivationEvent Handler) { FOnActivation = std::move(Handler); }
  void SetOnDeactivation(TActivationEvent Handler) { FOnDeactivation = std::move(Handler); }
  void SetOnRuleFired(TActivationEvent Handler) { FOnRuleFired = std::move(Handler); }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }
  void SetOnNodeChange(TReteNodeEvent Handler) { FOnNodeChange = std::move(Handler); }

  // Compiles Rule and primes its new nodes with the engine's facts; a rule
  // already compiled, or any rule while the network is disabled, is left
  // alone. A rule without patterns, or starting with a negated or test
  // pattern, first gets the engine's initial-fact pattern.
  virtual void AddRule(TRule* Rule);
  // Takes Rule out: each node it used loses one use and goes with the
  // last.
  virtual void RemoveRule(TRule* Rule);
  bool ContainsRule(const TRule* Rule) const { return FindRule(Rule) >= 0; }
  // The nodes Rule uses, once per use, in compiling order; nil for a rule
  // not compiled.
  const std::vector<TReteNode*>* GetRuleNodesList(const TRule* Rule) const;
  // What Rule's part of the network holds now; for a rule not compiled,
  // only its name and pattern texts.
  TRuleMatches GetRuleMatches(TRule& Rule);
  int32_t GetRuleCount() const { return static_cast<int32_t>(FRules.size()); }
  TReteNode* GetRoot(int32_t Index) const;
  int32_t GetRootCount() const { return static_cast<int32_t>(FRoots.size()); }
  int32_t GetNodeCount() const { return static_cast<int32_t>(FNodes.size()); }
  // Removes every rule and node.
  virtual void Clear();

  // Offers Token to the roots whose template test its fact can pass, in
  // root order (a clearing token to every root); true when one accepted
  // it. While disabled, additions and updates are ignored.
  virtual bool ProcessToken(const IReteToken& Token);
  // ProcessToken with a one-fact token of Fact, made only when a root may
  // see it.
  bool ProcessFact(TTokenAction Action, const IFact& Fact);
  bool ProcessTokenOneNode(const IReteToken& Token, TReteNode* Node) {
    return Node->CallNode(Token, ctSingle);
  }

  // The pattern-match node for a test below Parent (a root without one):
  // an equal one is shared, otherwise a new one is linked. Its use is
  // recorded for Rule.
  TPatternMatchNode* CreateSuccessor(TReteNode* Parent, TPatternMatchTest Test, TRule* Rule,
                                     const TNodeArgsArray& Args, const IIEValue& Value);
  // A copy of FunCall whose variables, through nested calls, are the
  // addresses of Rule's bindings; global variables stay. Raises "Unknown
  // variable name: %s" for a variable that is neither.
  ICustomFunCall Evaluate(const ICustomFunCall& FunCall, TRule* Rule);

  // Hand an activation to the engine, then raise the event.
  virtual void Activate(TActivation* Activation);
  virtual void Deactivate(TActivation* Activation);
  virtual void RuleFired(TActivation* Activation);

  // Queues a goal fact; it is asserted once the token on its way has
  // gone through.
  void AddGoal(const IFact& Fact);
  // A rule's condition raised Failure while a node tested a token: the
  // test counts as failed, the token goes on to every other node, and the
  // first failure is raised once the token has gone through, so that one
  // broken condition does not keep a fact from the other rules. With no
  // token on its way Failure is raised at once.
  void KeepFailure(std::exception_ptr Failure);

 protected:
  void Notification(TComponent* Component, TOperation Operation) override;

 private:
  friend class TPatternMatchNode;
  class TCompiler;

  struct TRuleEntry {
    TRule* Rule;
    std::vector<TReteNode*> Nodes;
  };

  int32_t FindRule(const TRule* Rule) const;
  // What a pattern-match node below Parent tests, hashed: equal nodes get
  // equal keys.
  static size_t ShareKey(const TReteNode* Parent, TPatternMatchTest Test,
                         const TNodeArgsArray& Args, const IIEValue& Value);
  void AddNode(TReteNode* Node, TReteNode* Parent, TCallType CallType);
  void Link(TReteNode* Source, TReteNode* Target, TCallType CallType);
  void FreeNode(TReteNode* Node);
  void RemoveEntry(size_t Index);
  // Primes the new nodes: each is given what its existing parents pass on
  // now (a new root the engine's facts), and passes it on to the other new
  // nodes, so the rule's memories and activations come out as if its facts
  // had been asserted after it. Nodes other rules use see nothing again.
  void UpdateNodes(const std::vector<TReteNode*>& NewNodes);
  void CollectFacts(const TTokenSink& Sink) const;
  // The roots testing for Template's own name.
  const std::vector<TPatternMatchNode*>& RootsFor(const TFactTemplate& Template);
  // The roots of Template and of every template it extends, in root order.
  const std::vector<TPatternMatchNode*>& RootsWithAncestors(const TFactTemplate& Template);
  // The roots testing for Name, made empty when missing.
  size_t RootListOf(const std::string& Name);
  // Offers Token to Roots in order, then asserts the goals it raised.
  bool OfferToken(const IReteToken& Token, const std::vector<TPatternMatchNode*>& Roots);
  void AssertGoals();
  // The outermost offering ended: the goals are asserted and a kept
  // failure raised.
  void Settle();
  // An offering raised: at the outermost one the goals and a kept failure
  // are dropped.
  void Abandon();
  void Changed();

  TCustomRuleEngine* FEngine;
  bool FEnabled = true;
  int32_t FHashKey = 101;
  float FMinActivationStrength = 0.0f;
  TActivationEvent FOnActivation;
  TActivationEvent FOnDeactivation;
  TActivationEvent FOnRuleFired;
  TNotifyEvent FOnChange;
  TReteNodeEvent FOnNodeChange;

  // Every node; a node knows its place here, so it leaves in constant time.
  std::vector<TReteNode*> FNodes;
  std::vector<TPatternMatchNode*> FRoots;
  // The pattern-match nodes by ShareKey, so that compiling a rule finds a
  // node to share in one lookup, however many siblings it has.
  std::unordered_multimap<size_t, TPatternMatchNode*> FShareIndex;
  // Roots by the template name they test: lists that stay where they are
  // (a token may be on its way through one), found by name or through the
  // template's match slot.
  struct TRootList {
    std::string Name;
    std::vector<TPatternMatchNode*> Roots;
    // For a template that extends others: its roots and theirs in root
    // order, made at root change CombinedAt for these ancestors.
    std::vector<TPatternMatchNode*> Combined;
    std::vector<IFactTemplate> Ancestors;
    uint64_t CombinedAt = UINT64_MAX;
  };
  // Counts the roots that came and went, so cached root lists know when
  // they are stale.
  uint64_t FRootChanges = 0;
  std::vector<std::unique_ptr<TRootList>> FRootLists;
  std::unordered_map<std::string, size_t> FRootsByName;
  // The nodes the rule being compiled added, in order.
  std::vector<TReteNode*> FNewNodes;
  uint64_t FSerials = 0;
  std::vector<TRuleEntry> FRules;
  std::unordered_map<const TRule*, size_t> FRuleIndex;
  // Goal facts waiting for the token on its way, and how deep tokens are.
  std::deque<IFact> FGoals;
  int32_t FDepth = 0;
  std::exception_ptr FFailure;
};

}  // namespace ie
