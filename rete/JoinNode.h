// The join node: partial matches from the left against facts from the
// right, both kept in hashed memories; it also carries negated and
// "exists" patterns, by counting, and asks for goal facts for a
// backward-chaining pattern.
#pragma once

#include <cstdint>
#include <string>

#include "rete/IEToken.h"
#include "rete/TestNode.h"

namespace ie {

class TRule;
class TIEPattern;

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

}  // namespace ie
