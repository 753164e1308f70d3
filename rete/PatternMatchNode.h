// The pattern-match node: one test on one fact, the alpha part of the
// network. A chain of them per pattern, rooted at a template test, passes
// the facts that match the pattern on its own.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "core/IEValue.h"
#include "rete/ReteNode.h"

namespace ie {

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

// A slot name or a number: the arguments of a pattern-match node.
using TNodeArg = std::variant<std::string, int32_t>;
using TNodeArgsArray = std::vector<TNodeArg>;

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

}  // namespace ie
