// Where an error raised while rules fire came from, and the calls that no
// function answers.
#include <gtest/gtest.h>

#include <exception>
#include <string>
#include <vector>

#include "engine/InferenceEngine.h"
#include "engine/UndefinedCalls.h"

namespace ie {
namespace {

class FiringErrorsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Engine->SetOnPrintOut(
        [this](TObject*, const std::string&, const std::string& Text) { Output += Text; });
  }
  void TearDown() override { Engine->Free(); }

  // Loads Rules, asserts (go) and runs, expecting the run to raise
  // Message, and that error to be the one the engine noted.
  void RunFailing(const std::string& Rules, const std::string& Message) {
    Engine->Parse(Rules, true);
    Engine->Parse("(assert (go))", true);
    Output.clear();
    try {
      Engine->Run();
      ADD_FAILURE() << "the run did not raise";
    } catch (const EIEException& E) {
      EXPECT_EQ(std::string(E.what()), Message);
      EXPECT_EQ(Engine->GetFiringFailure().Error, std::current_exception());
    }
  }
  void ExpectFailure(const std::string& RuleName, const std::string& Action) {
    EXPECT_EQ(Engine->GetFiringFailure().RuleName, RuleName);
    EXPECT_EQ(Engine->GetFiringFailure().Action, Action);
  }

  TInferenceEngine* Engine = nullptr;
  std::string Output;
};

TEST_F(FiringErrorsTest, NamesTheRuleAndTheActionThatRaised) {
  RunFailing(
      "(deffunction half (?x) (/ ?x (nosuch)))"
      "(defrule boom (declare (salience 10)) (go) => (printout t \"a\")\n"
      "   (bind ?y (+ 1\n      (half 4)))\n   (printout t \"b\"))"
      "(defrule calm (go) => (printout t \"calm\"))",
      "Function is unimplemented or unassigned: nosuch");
  EXPECT_EQ(Output, "a");
  // The rule's own action, on one line, also when a function it called
  // raised.
  ExpectFailure("boom", "(bind ?y (+ 1 (half 4)))");

  // The engine goes on; a new run forgets the failure.
  EXPECT_EQ(Engine->Run(), 1);
  EXPECT_EQ(Output, "acalm");
  ExpectFailure("", "");
}

TEST_F(FiringErrorsTest, FindsCallsNobodyDefinedInRulesAndDeffunctions) {
  Engine->Parse(
      "(defrule checks (n ?x&:(oddish ?x)) (test (big ?x)) => (later ?x) (printout t (typo)))"
      "(deffunction body (?x) (if (missing ?x) then (also-missing) (missing 2)))"
      "(deffunction later (?x) ?x)"
      "(defrule fine (n ?x&:(> ?x 1)) => (later (+ ?x 1)))",
      true);
  std::vector<std::string> Found;
  for (const TUndefinedCall& Call : FindUndefinedCalls(*Engine)) {
    Found.push_back(Call.Construct + " " + Call.Name + " " + Call.Function);
  }
  EXPECT_EQ(Found, (std::vector<std::string>{
                       "deffunction body also-missing", "deffunction body missing",
                       "defrule checks big", "defrule checks oddish", "defrule checks typo"}));

  Engine->Parse(
      "(deffunction oddish (?x) (= 1 (mod ?x 2))) (deffunction big (?x) TRUE)"
      "(deffunction typo () 0) (deffunction missing (?x) ?x) (deffunction also-missing () 1)",
      true);
  EXPECT_TRUE(FindUndefinedCalls(*Engine).empty());
}

}  // namespace
}  // namespace ie
