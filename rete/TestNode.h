// The test node: passes a partial match on when its tests hold; the base
// of the join node, which keeps its join tests the same way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "rete/IESlotTest.h"
#include "rete/ReteNode.h"

namespace ie {

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

}  // namespace ie
