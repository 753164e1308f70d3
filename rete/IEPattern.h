// A pattern: one conditional element of a rule's left-hand side. It names
// the template it matches, how often it is negated, the variable bound to
// the matched fact, and per slot of the template a list of match tests.
// The parser builds patterns, FixTests rewrites their "|" constraints into
// predicate calls, and the network builder compiles the tests.
//
// Ownership: a pattern is made with Create and freed with Free by its
// owner, normally the rule (a TRule), which hears of every change unless an
// update is in progress. The pattern owns its slot lists and, through them,
// every test. Everything runs on the engine's thread.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/IEFacts.h"
#include "core/IEInterfaces.h"
#include "rete/IESlotTest.h"
#include "runtime/Component.h"
#include "runtime/Persistent.h"
#include "runtime/StringList.h"

namespace ie {

class TIEPattern;

// A variable or multifield variable: what patterns bind and tests compare.
inline bool IsVariable(const IIEValue& Value) {
  return Value && IEVariableTypes.Contains(Value->GetDType());
}

// What a slot list reports of a test: put in, taken out to the caller, or
// taken out and freed.
enum TSlotTestAction : uint8_t { saAdded, saExtracted, saDeleted };

// The match tests of one slot of one pattern, in order. The list owns its
// tests (a deleted test is freed) and reports every insertion and removal
// to its pattern, which also becomes the pattern of each test put in.
class TSlotTests {
 public:
  explicit TSlotTests(TIEPattern* Pattern) : FPattern(Pattern) {}
  TSlotTests(const TSlotTests&) = delete;
  TSlotTests& operator=(const TSlotTests&) = delete;
  // Frees the tests without reporting: the pattern is going too.
  ~TSlotTests();

  TIEPattern* GetPattern() const { return FPattern; }
  int32_t GetCount() const { return static_cast<int32_t>(FItems.size()); }
  // Raises EListError outside 0..Count-1.
  TIEPatternMatchTest* Get(int32_t Index) const;
  // Frees the test at Index and puts Test in its place.
  void Put(int32_t Index, TIEPatternMatchTest* Test);
  // Each takes Test, freeing it when the index is refused; Add returns
  // the index.
  int32_t Add(TIEPatternMatchTest* Test);
  void Insert(int32_t Index, TIEPatternMatchTest* Test);
  // Frees the test at Index.
  void Delete(int32_t Index);
  // Takes the test at Index out and hands it to the caller.
  TIEPatternMatchTest* Extract(int32_t Index);
  int32_t IndexOf(const TIEPatternMatchTest* Test) const;
  // Frees every test.
  void Clear();

  auto begin() const { return FItems.begin(); }
  auto end() const { return FItems.end(); }

 private:
  void Notify(TIEPatternMatchTest* Test, TSlotTestAction Action);

  TIEPattern* FPattern;
  std::vector<TIEPatternMatchTest*> FItems;
};

class TIEPattern : public TPersistent {
  IE_CLASS(TIEPattern, TPersistent)

 public:
  // One slot entry per slot of FactTemplate, in the template's sorted
  // order, without tests and with slot length -1. While the template keeps
  // its slots, entry positions are the positions of the template's layout.
  explicit TIEPattern(TComponent* Owner, std::string Name = std::string(),
                      const IFactTemplate& FactTemplate = nullptr, int32_t NegatedCount = 0);

  bool GetUnique() const { return FUnique; }
  void SetUnique(bool Value);
  bool GetExplicit() const { return FExplicit; }
  void SetExplicit(bool Value);
  const IFactTemplate& GetFactTemplate() const { return FFactTemplate; }
  // Stores the template; slot entries the new template adds come with the
  // first test of that slot.
  void SetFactTemplate(const IFactTemplate& Value);
  int32_t GetNegatedCount() const { return FNegatedCount; }
  void SetNegatedCount(int32_t Value);
  // True when NegatedCount is odd: two nested negations cancel.
  bool IsNegated() const { return (FNegatedCount & 1) != 0; }
  const std::string& GetBoundName() const { return FBoundName; }
  // A negated "test" pattern refuses every name, the empty one included.
  virtual void SetBoundName(const std::string& Name);
  const std::string& GetName() const { return FName; }
  virtual void SetName(const std::string& Name) { FName = Name; }
  TComponent* GetOwner() const { return FOwner; }
  // A new owner is told of the pattern through Change.
  virtual void SetOwner(TComponent* Owner);
  const TNotifyEvent& GetOnChange() const { return FOnChange; }
  void SetOnChange(TNotifyEvent Handler) { FOnChange = std::move(Handler); }
  const std::string& GetComment() const { return FComment; }
  void SetComment(std::string Value) { FComment = std::move(Value); }
  // Tests in all slot lists, and those among them joined by "|".
  int32_t GetTestCount() const { return FTestCount; }
  int32_t GetDisjunctionCount() const { return FDisjunctionCount; }

  // Does nothing during an update; otherwise tells an owning rule, then
  // fires OnChange.
  virtual void Change();
  void BeginUpdate() { ++FUpdateCount; }
  // Calls Change when the outermost update ends.
  void EndUpdate();

  // The factory of tests owned by this pattern; the caller adds the test.
  virtual TIEPatternMatchTest* CreatePatternMatchTest(TIEPattern* Pattern,
                                                      TSlotTestType SlotTestType, int32_t SubIndex,
                                                      const IIEValue& Value);
  // A copy of Source owned by this pattern.
  virtual TIEPatternMatchTest* CreatePatternMatchTest(const TIEPatternMatchTest& Source);
  // Appends Test (taken) to the slot's list. Raises "Fact Template is
  // missing" without a template and "No such slot name" for a slot the
  // template lacks; Test is freed when refused.
  virtual void AddTest(const std::string& SlotName, TIEPatternMatchTest* Test);
  // A new test of Value (sttNotEquals when Negate) added to the slot.
  TIEPatternMatchTest* AddTest(const std::string& SlotName, const IIEValue& Value, int32_t SubIndex,
                               bool Negate, bool Conjunction);

  // The slot entries.
  int32_t GetSlotCount() const { return static_cast<int32_t>(FSlots.size()); }
  const std::string& GetSlotName(int32_t Index) const { return Slot(Index).Name; }
  // Exact name; -1 when there is no entry.
  int32_t IndexOfSlotName(std::string_view Name) const;
  int32_t GetSlotLength(int32_t Index) const { return Slot(Index).Length; }
  virtual void SetSlotLength(int32_t Index, int32_t Length);
  // Nil until the slot gets a test.
  TSlotTests* GetSlotTests(int32_t Index) const { return Slot(Index).Tests.get(); }
  int32_t GetSlotTestCount(int32_t Index) const;
  TIEPatternMatchTest* GetSlotTest(int32_t Index, int32_t TestIndex) const;
  // Frees the test at TestIndex and puts Test (taken) in its place.
  void SetSlotTest(int32_t Index, int32_t TestIndex, TIEPatternMatchTest* Test);

  // Hooks through which the slot lists and tests report changes.
  virtual void TestNotification(TIEPatternMatchTest* Test, TSlotTestAction Action);
  virtual void TestChange(TIEPatternMatchTest* Test);
  // Test's Conjunction has just changed.
  virtual void TestConjunctionChange(TIEPatternMatchTest* Test);

  // From another pattern, in one update: the settings, then copies of its
  // tests and its slot lengths, entry by entry.
  void Assign(TPersistent* Source) override;
  // A new pattern of the same class under Owner, assigned from this one.
  TIEPattern* Clone(TComponent* Owner) const;
  // Rewrites every run of tests of one field position that holds a "|"
  // into a test binding a variable to the field and one predicate test
  // (or ...) over that variable. Raises "Rule missing for pattern" when a
  // run needs a fresh variable and the owner is no rule with an engine.
  void FixTests();

  // The pattern in the rule language, through the engine of its template
  // when that is a rule engine.
  std::string GetToString() const override;

 private:
  struct TSlotEntry {
    std::string Name;
    std::unique_ptr<TSlotTests> Tests;
    int32_t Length = -1;
  };

  const TSlotEntry& Slot(int32_t Index) const;
  // The entry of Name, made in sorted place when missing.
  TSlotEntry& EnsureSlot(const std::string& Name);
  void ClearSlots();
  // Assign's work, inside its update.
  void AssignFrom(const TIEPattern& Source);
  // Whether Test is in one of the slot lists.
  bool Holds(const TIEPatternMatchTest* Test) const;

  bool FUnique = false;
  bool FExplicit = false;
  IFactTemplate FFactTemplate;
  int32_t FNegatedCount;
  std::string FBoundName;
  std::string FName;
  std::vector<TSlotEntry> FSlots;
  int32_t FUpdateCount = 0;
  TComponent* FOwner;
  TNotifyEvent FOnChange;
  int32_t FTestCount = 0;
  int32_t FDisjunctionCount = 0;
  std::string FComment;
};

}  // namespace ie
