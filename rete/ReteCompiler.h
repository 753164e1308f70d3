// The rule compiler: turns one rule's patterns into nodes of the network,
// sharing what other rules already built. It reaches the network only
// through IReteBuilder, so the graph keeps its own books (rule entries,
// roots, the index of shareable nodes) out of the compiler's hands.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "core/IEValue.h"
#include "rete/IESlotTest.h"
#include "rete/PatternMatchNode.h"

namespace ie {

class TCustomRuleEngine;
class TIEPattern;
class TJoinNode;
class TPatternMatchTerminalNode;
class TReteNetwork;
class TRule;
class TBinding;

// What the compiler may ask of the network, for the rule being compiled.
class IReteBuilder {
 public:
  // The network new nodes belong to.
  virtual TReteNetwork* GetNetwork() = 0;
  virtual TCustomRuleEngine& GetRuleEngine() const = 0;
  // The pattern-match node for a test below Parent (a root without one):
  // an equal one is shared, otherwise a new one is linked. Its use is
  // recorded for Rule.
  virtual TPatternMatchNode* CreateSuccessor(TReteNode* Parent, TPatternMatchTest Test, TRule* Rule,
                                             const TNodeArgsArray& Args, const IIEValue& Value) = 0;
  // Takes Node, feeds it from Parent through CallType and records its use
  // for Rule.
  virtual void AddRuleNode(TRule& Rule, TReteNode* Node, TReteNode* Parent, TCallType CallType) = 0;
  virtual void Link(TReteNode* Source, TReteNode* Target, TCallType CallType) = 0;
  // A join equal to Join fed by Left and Right, its use recorded for Rule;
  // nil when there is none.
  virtual TJoinNode* ShareJoin(TRule& Rule, const TJoinNode& Join, TReteNode* Left,
                               TReteNode* Right) = 0;
  // A copy of FunCall whose variables, through nested calls, are the
  // addresses of Rule's bindings; global variables stay. Raises "Unknown
  // variable name: %s" for a variable that is neither.
  virtual ICustomFunCall Evaluate(const ICustomFunCall& FunCall, TRule* Rule) = 0;

 protected:
  ~IReteBuilder() = default;
};

// The passes over one rule: each pattern's chain of tests, then the joins
// (or test nodes) from left to right, then the terminal node.
class TReteCompiler {
 public:
  TReteCompiler(IReteBuilder& Rete, TRule& Rule) : FRete(Rete), FRule(Rule) {}

  // Readies the rule's patterns: the initial-fact pattern where needed, the
  // "|" constraints rewritten, the compile trace begun.
  void Prepare();
  // Builds the rule's nodes; the terminal node last.
  TPatternMatchTerminalNode* Build();

 private:
  struct TOccurrence {
    std::string Slot;
    int32_t SubIndex;
    TSlotTestType Type;
    IIEValue Value;
  };

  std::vector<TOccurrence> Occurrences(const TIEPattern& Pattern) const;
  bool IsGlobal(const std::string& Name) const;
  // The binding a variable occurrence refers to; nil for a global or an
  // anonymous variable. Raises "Unknown variable name" otherwise.
  const TBinding* BindingOf(const IIEValue& Variable) const;
  // The first and last pattern whose variables Call reads (-1 for none).
  // Raises "Corrupted Binding" for a variable bound after pattern Position
  // and "Unknown variable name" for one bound nowhere.
  void PatternsOf(const TCustomFunctionCall& Call, int32_t Position, int32_t& First,
                  int32_t& Last) const;
  // Whether Call reads no variable of another pattern than Position.
  bool OnlyThisPattern(const TCustomFunctionCall& Call, int32_t Position) const {
    int32_t First = -1, Last = -1;
    PatternsOf(Call, Position, First, Last);
    return First < 0 || First == Position;
  }
  TReteNode* Successor(TReteNode* Parent, TPatternMatchTest Test, const TNodeArgsArray& Args,
                       const IIEValue& Value);
  TReteNode* Chain(int32_t Position, const TIEPattern& Pattern);
  TReteNode* TestPattern(int32_t Position, const TIEPattern& Pattern, TReteNode* Left);
  TReteNode* Join(int32_t Position, TIEPattern& Pattern, TReteNode* Left, TReteNode* Right);
  void Trace(const char* Step);

  IReteBuilder& FRete;
  TRule& FRule;
};

}  // namespace ie
