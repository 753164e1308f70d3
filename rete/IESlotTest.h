// Slot tests: what a pattern asks of one slot of a fact (TIEPatternMatchTest)
// and what a join asks of a slot of an earlier fact of the token against a
// slot of the fact being joined (TIEJoinTest). The rule parser fills
// patterns with match tests; the network builder compiles them into
// pattern-match nodes and makes the join tests of its join nodes.
//
// Ownership: tests are owned objects made with Create and freed with Free.
// A match test belongs to the TSlotTests list of its pattern, which frees
// it; a join test belongs to the join node that made it. A match test keeps
// a plain pointer back to its pattern and reports its changes there.
//
// Tests are evaluated on the engine's thread; a join test caches slot
// positions, so one test object must not be evaluated by two threads.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/IEConsts.h"
#include "core/IEFacts.h"
#include "core/IEInterfaces.h"
#include "core/IEValue.h"
#include "runtime/Persistent.h"

namespace ie {

class TIEContext;
class TIEPattern;
class TCustomFactEngine;

enum TSlotTestType : uint8_t { sttEquals, sttNotEquals };
inline constexpr std::string_view SlotTestTypeNames[] = {"sttEquals", "sttNotEquals"};
static_assert(std::size(SlotTestTypeNames) == sttNotEquals + 1);
inline constexpr TEnumTypeInfo TSlotTestTypeInfo{"TSlotTestType", SlotTestTypeNames};

// tstSlot compares whole slots; tstMultiSlot may address list elements.
using TJoinTestType = TTemplateSlotType;

class TIESlotTest : public TPersistent {
  IE_CLASS(TIESlotTest, TPersistent)

 public:
  explicit TIESlotTest(TSlotTestType SlotTestType = sttEquals) : FSlotTestType(SlotTestType) {}

  TSlotTestType GetSlotTestType() const { return FSlotTestType; }
  void SetSlotTestType(TSlotTestType Value) { FSlotTestType = Value; }

  // Whether the fact or token in Context passes.
  virtual bool PerformTest(TIEContext* Context) = 0;
  // Same class and same test type; descendants add their fields.
  virtual bool Equals(const TIESlotTest* Other) const;
  // A new test of the same class assigned from this one; the caller owns it.
  TIESlotTest* Clone() const;

  // From another slot test: the test type.
  void Assign(TPersistent* Source) override;
  // "=" or "<>".
  std::string GetToString() const override;

 private:
  TSlotTestType FSlotTestType;
};

// One constraint on one slot (or one element of a multislot) of a pattern:
// the slot equals, or does not equal, SlotValue. Consecutive tests of the
// same position are joined by "and" unless Conjunction is false ("|").
class TIEPatternMatchTest : public TIESlotTest {
  IE_CLASS(TIEPatternMatchTest, TIESlotTest)

 public:
  // The constructors store their arguments without telling the pattern:
  // the test is not in any of its lists yet.
  explicit TIEPatternMatchTest(TIEPattern* Pattern = nullptr) : FPattern(Pattern) {}
  // Value is stored as a clone.
  TIEPatternMatchTest(TIEPattern* Pattern, TSlotTestType SlotTestType, int32_t SubIndex,
                      const IIEValue& Value);
  TIEPatternMatchTest(TIEPattern* Pattern, TSlotTestType SlotTestType, const IIEValue& Value)
      : TIEPatternMatchTest(Pattern, SlotTestType, NoSubIndex, Value) {}
  // A copy of Source comparing with a clone of Value instead.
  TIEPatternMatchTest(TIEPattern* Pattern, const TIEPatternMatchTest& Source,
                      const IIEValue& Value);

  TIEPattern* GetPattern() const { return FPattern; }
  void SetPattern(TIEPattern* Pattern) { FPattern = Pattern; }
  const IIEValue& GetSlotValue() const { return FSlotValue; }
  // Stores a clone of Value; the pattern hears of it.
  void SetSlotValue(const IIEValue& Value);
  int32_t GetMultiSlotSubIndex() const { return FMultiSlotSubIndex; }
  void SetMultiSlotSubIndex(int32_t Value);
  bool GetConjunction() const { return FConjunction; }
  void SetConjunction(bool Value);

  // SlotValue resolved in Context as a predicate: passes for sttEquals
  // when the result is not FALSE, for sttNotEquals when it is.
  bool PerformTest(TIEContext* Context) override;
  // The test as a predicate call on Value (the variable bound to the
  // slot): (eq Value SlotValue), (neq Value SlotValue), the call SlotValue
  // itself, or (not SlotValue) for a negated call. Calls are made by
  // Reasoner.
  ICustomFunCall ConvertToFunCall(TCustomFactEngine* Reasoner, const IIEValue& Value) const;

  // The base equality plus equal value, sub-index and conjunction.
  bool Equals(const TIESlotTest* Other) const override;
  // Whether this test has exactly these settings; the network shares nodes
  // of tests that match.
  bool Equals(bool IsEquals, bool Conjunction, int32_t SubIndex, const IIEValue& Value) const;
  // The same without regard to the conjunction.
  bool Equals(bool IsEquals, int32_t SubIndex, const IIEValue& Value) const;

  // From another match test: a clone of its value, sub-index, conjunction
  // and test type; the pattern stays.
  void Assign(TPersistent* Source) override;
  // "= SubIdx: -1 Slot: red".
  std::string GetToString() const override;

 private:
  bool ValueEquals(const IIEValue& Value) const;
  void Changed();

  IIEValue FSlotValue;
  int32_t FMultiSlotSubIndex = NoSubIndex;
  bool FConjunction = true;
  TIEPattern* FPattern;
};

// Compares slot LeftIndex of the token's fact at TokenIndex with slot
// RightIndex of the fact being joined (the context's Fact). Slots are named
// here and resolved to layout positions on first use.
class TIEJoinTest : public TIESlotTest {
  IE_CLASS(TIEJoinTest, TIESlotTest)

 public:
  TIEJoinTest() = default;
  // Whole slot against whole slot.
  TIEJoinTest(TSlotTestType SlotTestType, std::string LeftIndex, std::string RightIndex,
              int32_t TokenIndex);
  // Slots or list elements (sub-index -1 for the whole slot).
  TIEJoinTest(TSlotTestType SlotTestType, std::string LeftIndex, int32_t LeftSubIndex,
              std::string RightIndex, int32_t RightSubIndex, int32_t TokenIndex);

  const std::string& GetLeftIndex() const { return FLeftIndex; }
  void SetLeftIndex(std::string Value);
  int32_t GetLeftSubIndex() const { return FLeftSubIndex; }
  void SetLeftSubIndex(int32_t Value) { FLeftSubIndex = Value; }
  const std::string& GetRightIndex() const { return FRightIndex; }
  void SetRightIndex(std::string Value);
  int32_t GetRightSubIndex() const { return FRightSubIndex; }
  void SetRightSubIndex(int32_t Value) { FRightSubIndex = Value; }
  int32_t GetTokenIndex() const { return FTokenIndex; }
  void SetTokenIndex(int32_t Value) { FTokenIndex = Value; }
  TJoinTestType GetJoinTestType() const { return FJoinTestType; }
  void SetJoinTestType(TJoinTestType Value) { FJoinTestType = Value; }

  // Strict equality of the two values, negated for sttNotEquals. A
  // multislot test passes when the token has no fact at TokenIndex. A
  // missing fact of a single-slot test, or a list element past the end,
  // has no value and equals nothing.
  bool PerformTest(TIEContext* Context) override;
  // The base equality and all six fields equal, slot names exactly.
  bool Equals(const TIESlotTest* Other) const override;
  void Assign(TPersistent* Source) override;
  // "= tstSlot TokenIdx: 0 Left: a Right: b"; a multislot test adds the
  // sub-indices after the slot names.
  std::string GetToString() const override;

 private:
  // A slot name with the layout it was last found in and its position
  // there, so a join looks a name up once per template layout.
  struct TSlotRef {
    ISlotLayout Layout;
    int32_t Position = -1;
  };
  // The value of Slot (element SubIndex unless NoSubIndex) of Fact, held
  // by the fact; nil for an element past the end of the list.
  static const IIEValue* SlotValue(const TFact& Fact, const std::string& Slot, int32_t SubIndex,
                                   TSlotRef& Ref);

  int32_t FRightSubIndex = NoSubIndex;
  std::string FRightIndex;
  std::string FLeftIndex;
  int32_t FTokenIndex = 0;
  int32_t FLeftSubIndex = NoSubIndex;
  TJoinTestType FJoinTestType = tstSlot;
  TSlotRef FLeftRef;
  TSlotRef FRightRef;
};

}  // namespace ie
