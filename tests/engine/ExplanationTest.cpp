#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/Explanation.h"
#include "engine/InferenceEngine.h"
#include "rete/RuleMatches.h"

namespace ie {
namespace {

// The IDs of a match's facts, -1 for a pattern that matched no fact.
std::vector<int32_t> Ids(const TMatch& Match) {
  std::vector<int32_t> Result;
  for (const IFact& Fact : Match.Facts) Result.push_back(Fact ? Fact->GetID() : -1);
  return Result;
}

std::vector<std::vector<int32_t>> Ids(const std::vector<TMatch>& Matches) {
  std::vector<std::vector<int32_t>> Result;
  for (const TMatch& Match : Matches) Result.push_back(Ids(Match));
  return Result;
}

class ExplanationTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TInferenceEngine>(nullptr); }
  void TearDown() override { Engine->Free(); }

  TInferenceEngine* Engine = nullptr;
};

TEST_F(ExplanationTest, EveryFactKnowsWhatAssertedIt) {
  Engine->Parse(
      "(deftemplate person (slot name) (slot age))"
      "(deftemplate adult (slot name))"
      "(deffacts people (person (name ann) (age 30)))"
      "(defrule adult (person (name ?n) (age ?a&:(>= ?a 18))) (not (adult (name ?n)))"
      "  => (assert (adult (name ?n))))",
      true);
  Engine->Reset();
  Engine->Parse("(assert (person (name bob) (age 40)))", true);
  const IFact Carl = Engine->GetFactTemplates().Get("person")->NewFact();
  Carl->SetValue("name", new TIEValue("carl", dtAtom));
  Carl->SetValue("age", new TIEValue(50, dtInteger));
  ASSERT_EQ(Engine->Assert(Carl), 3);
  EXPECT_EQ(Engine->Why(0).Source, fsHost);  // the initial fact of a host's reset
  EXPECT_EQ(Engine->Why(1).Source, fsFactSet);
  EXPECT_EQ(Engine->Why(1).Name, "people");
  EXPECT_EQ(Engine->Why(2).Source, fsTopLevel);
  EXPECT_EQ(Engine->Why(3).Source, fsHost);
  EXPECT_EQ(Engine->Why(3).Fact, Carl);

  // The newest person first: carl's adult is f-4 of firing 0, bob's f-5.
  ASSERT_EQ(Engine->Run(), 3);
  const TFactExplanation Why = Engine->Why(4);
  EXPECT_EQ(Why.Source, fsRule);
  EXPECT_EQ(Why.Name, "adult");
  EXPECT_EQ(Why.Firing, 0);
  EXPECT_EQ(Ids(Why.Match), (std::vector<int32_t>{3, -1}));
  EXPECT_EQ(Engine->Why(5).Firing, 1);
  // A fact retracted since is still one of the firing's facts.
  Engine->Retract(2);
  EXPECT_EQ(Ids(Engine->Why(5).Match), (std::vector<int32_t>{2, -1}));

  EXPECT_EQ(ErrorOf([&] { Engine->Why(2); }), "No Such Fact with ID=2 exists");
  EXPECT_EQ(ErrorOf([&] { Engine->Why(99); }), "No Such Fact with ID=99 exists");
  EXPECT_EQ(Engine->Why(6).Name, "adult");
}

// A rule that modifies a fact of its own match gives the fact an origin
// whose token holds the fact itself: the engine must still free both.
TEST_F(ExplanationTest, AFactModifiedByItsOwnFiringIsExplainedAndFreed) {
  Engine->Parse(
      "(deftemplate person (slot name) (slot age))"
      "(defrule birthday ?p <- (person (age 30)) => (modify ?p (age 31)))"
      "(reset)(assert (person (name ann) (age 30)))(run)",
      true);
  const TFactExplanation Why = Engine->Why(2);
  EXPECT_EQ(Why.Name, "birthday");
  ASSERT_EQ(Why.Match.Facts.size(), 1u);
  EXPECT_EQ(Why.Match.Facts[0], Why.Fact);
}

TEST_F(ExplanationTest, MatchesShowPatternsJoinsAndWaitingActivations) {
  Engine->Parse(
      "(deftemplate order (slot item))(deftemplate stock (slot item))"
      "(deftemplate hold (slot item))"
      "(defrule ship (order (item ?i)) (stock (item ?i)) (not (hold (item ?i))) =>)"
      "(reset)"
      "(assert (order (item a)) (order (item b)) (stock (item a)) (stock (item b))"
      "        (hold (item b)) (stock (item c)))",
      true);
  TRuleMatches Matches = Engine->Matches("ship");
  EXPECT_EQ(Matches.Rule, "ship");
  ASSERT_EQ(Matches.PatternTexts.size(), 3u);
  EXPECT_EQ(Ids(Matches.Patterns[0]), (std::vector<std::vector<int32_t>>{{1}, {2}}));
  EXPECT_EQ(Ids(Matches.Patterns[1]), (std::vector<std::vector<int32_t>>{{3}, {4}, {6}}));
  EXPECT_EQ(Ids(Matches.Patterns[2]), (std::vector<std::vector<int32_t>>{{5}}));
  ASSERT_EQ(Matches.Joins.size(), 2u);
  EXPECT_EQ(Ids(Matches.Joins[0]), (std::vector<std::vector<int32_t>>{{1, 3}, {2, 4}}));
  EXPECT_EQ(Ids(Matches.Joins[1]), (std::vector<std::vector<int32_t>>{{1, 3, -1}}));
  EXPECT_EQ(Ids(Matches.Activations), (std::vector<std::vector<int32_t>>{{1, 3, -1}}));
  // Fired, the activation no longer waits; the partial matches stay.
  Engine->Run();
  Matches = Engine->Matches("ship");
  EXPECT_TRUE(Matches.Activations.empty());
  EXPECT_EQ(Matches.Joins[1].size(), 1u);

  EXPECT_EQ(ErrorOf([&] { Engine->Matches("nope"); }), "Unknown rule name: nope");
}

}  // namespace
}  // namespace ie
