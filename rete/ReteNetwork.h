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
//
// This unit keeps the graph: the nodes it owns, the rules' entries, the
// roots by template, the dispatch of tokens and the goal facts they raise.
// Each node family has a unit of its own (ReteNode, PatternMatchNode,
// TestNode, JoinNode, TerminalNode), and ReteCompiler turns a rule into
// nodes through the network's IReteBuilder side.
#pragma once

#include <cstdint>
#include <deque>
#include <exception>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/IEFacts.h"
#include "core/IERuleEngine.h"
#include "core/IEValue.h"
#include "rete/IEActivation.h"
#include "rete/IEContext.h"
#include "rete/IERule.h"
#include "rete/IESlotTest.h"
#include "rete/IEToken.h"
#include "rete/JoinNode.h"
#include "rete/PatternMatchNode.h"
#include "rete/ReteCompiler.h"
#include "rete/ReteNode.h"
#include "rete/RuleMatches.h"
#include "rete/TerminalNode.h"
#include "rete/TestNode.h"
#include "runtime/Component.h"
#include "runtime/StringList.h"

namespace ie {

using TActivationEvent = std::function<void(TObject* Sender, TActivation* Activation)>;
using TReteNodeEvent = std::function<void(TObject* Sender, TReteNode* Node)>;

class TReteNetwork : public TComponent, private IReteBuilder {
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

  struct TRuleEntry {
    TRule* Rule;
    std::vector<TReteNode*> Nodes;
  };

  // The compiler's access.
  TReteNetwork* GetNetwork() override { return this; }
  TCustomRuleEngine& GetRuleEngine() const override { return *FEngine; }
  TPatternMatchNode* CreateSuccessor(TReteNode* Parent, TPatternMatchTest Test, TRule* Rule,
                                     const TNodeArgsArray& Args, const IIEValue& Value) override;
  void AddRuleNode(TRule& Rule, TReteNode* Node, TReteNode* Parent, TCallType CallType) override;
  void Link(TReteNode* Source, TReteNode* Target, TCallType CallType) override;
  TJoinNode* ShareJoin(TRule& Rule, const TJoinNode& Join, TReteNode* Left,
                       TReteNode* Right) override;
  ICustomFunCall Evaluate(const ICustomFunCall& FunCall, TRule* Rule) override;

  // Gives Rule its entry and nodes, then primes the new nodes; a failure
  // takes the entry and the nodes only Rule used away again.
  void Compile(TRule& Rule);
  int32_t FindRule(const TRule* Rule) const;
  // What a pattern-match node below Parent tests, hashed: equal nodes get
  // equal keys.
  static size_t ShareKey(const TReteNode* Parent, TPatternMatchTest Test,
                         const TNodeArgsArray& Args, const IIEValue& Value);
  void AddNode(TReteNode* Node, TReteNode* Parent, TCallType CallType);
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
