#include "rete/IEContext.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"
#include "rete/IERulePrinter.h"

#include <gtest/gtest.h>

#include "ReteTestSupport.h"

namespace ie {
namespace {

using namespace retetest;

// Marks what it prints, to show whose printer a text came from.
class TMarkingEngine : public TTestRuleEngine {
  IE_CLASS(TMarkingEngine, TTestRuleEngine)

 public:
  using TTestRuleEngine::TTestRuleEngine;

  std::string PrettyPrint(const TIEPattern& Pattern) override {
    return "<" + ie::PrettyPrint(Pattern) + ">";
  }
  std::string PrettyPrint(const TRule& Rule) override { return "rule " + ie::PrettyPrint(Rule); }
};

class RulePrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TTestRuleEngine>(nullptr);
    B = TRuleBuilder(Engine);
  }
  void TearDown() override { Engine->Free(); }

  TTestRuleEngine* Engine = nullptr;
  TRuleBuilder B{nullptr};
};

TEST_F(RulePrinterTest, PlainRuleHasNoDeclareLine) {
  TRule* Rule = B.Rule("plain", {B.Pattern("a", {Var("x")}), B.Pattern("b", {Var("x"), Int(2)})},
                       {B.Call("log", {Var("x")}), B.Call("return", {})});
  EXPECT_EQ(Rule->GetToString(),
            "(defrule plain\r\n"
            "    (a ?x)\r\n"
            "    (b ?x 2)\r\n"
            "    =>\r\n"
            "    (log ?x)\r\n"
            "    (return)\r\n"
            ")");
  EXPECT_EQ(PrettyPrint(*Rule, rcPattern), "    (a ?x)\r\n    (b ?x 2)");
  EXPECT_EQ(PrettyPrint(*Rule, rcAction), "    (log ?x)\r\n    (return)\r\n");
}

TEST_F(RulePrinterTest, CommentAndDeclarations) {
  TRule* Rule = B.Rule("r", {B.Pattern("a", {Var("x")})});
  Rule->SetComment("why it fires");
  Rule->SetSalience(Int(-5));
  Rule->SetEnabled(false);
  Rule->SetOneShot(true);
  EXPECT_EQ(Rule->GetToString(),
            "(defrule r\r\n"
            "    \"why it fires\"\r\n"
            "    (declare (salience -5) (enabled FALSE) (oneshot TRUE))\r\n"
            "    (a ?x)\r\n"
            "    =>\r\n"
            ")");

  Rule->SetComment("");
  Rule->SetSalience(Int(0));
  Rule->SetEnabled(true);
  EXPECT_EQ(Rule->GetToString(),
            "(defrule r\r\n    (declare (oneshot TRUE))\r\n    (a ?x)\r\n    =>\r\n)");

  // A salience taken from a global stays an expression, whatever it is now.
  Rule->SetOneShot(false);
  Engine->GetContext()->AddGlobalBinding("*level*", Int(0));
  Rule->SetSalience(Var("*level*"));
  EXPECT_EQ(Rule->GetToString(),
            "(defrule r\r\n    (declare (salience ?*level*))\r\n    (a ?x)\r\n    =>\r\n)");
}

TEST_F(RulePrinterTest, NegationsWrapTheirPatterns) {
  TRule* Rule = B.Rule(
      "r", {B.Pattern("a", {Int(1)}, 1), B.Pattern("b", {Atom("x")}, 2), B.Pattern("c", {}, 3)});
  // The initial-fact pattern put before a negated first pattern is part of
  // the rule and prints as one.
  EXPECT_EQ(PrettyPrint(*Rule, rcPattern),
            "    (Initial-Fact )\r\n"
            "    (not (a 1))\r\n"
            "    (exists (b x))\r\n"
            "    (not (exists (c )))");
}

TEST_F(RulePrinterTest, OnlyBindingNamesOfTheRuleWriterPrint) {
  TIEPattern* Bound = B.Pattern("a", {Var("x")});
  Bound->SetBoundName("f");
  TRule* Rule = B.Rule("r", {Bound, B.Pattern("b", {Var("x")})}, {B.Call("retract", {Var("f")})});
  ASSERT_FALSE(Rule->GetPatterns().Get(1)->GetBoundName().empty());
  EXPECT_EQ(PrettyPrint(*Rule, rcPattern), "    ?f <- (a ?x)\r\n    (b ?x)");
}

TEST_F(RulePrinterTest, ThePatternAfterAGoalIsLeftOut) {
  TRule* Rule = B.Rule("r", {B.Pattern("other", {Int(2)}), B.Pattern("need-item", {Int(1)}),
                             B.Pattern("item", {Int(1)})});
  EXPECT_EQ(PrettyPrint(*Rule, rcPattern), "    (other 2)\r\n    (need-item 1)");
  Rule->GetPatterns().Add(B.Pattern("last", {}));
  EXPECT_EQ(PrettyPrint(*Rule, rcPattern), "    (other 2)\r\n    (need-item 1)\r\n    (last )");
}

TEST_F(RulePrinterTest, CommentedPatternsStayIndented) {
  TIEPattern* Pattern = B.Pattern("a", {Var("x")});
  Pattern->SetComment("check a\r\n;; and more");
  TRule* Rule = B.Rule("r", {Pattern}, {B.Call("log", {Var("x")})});
  EXPECT_EQ(Rule->GetToString(),
            "(defrule r\r\n"
            "    ; check a\r\n"
            "    ;; and more\r\n"
            "    (a ?x)\r\n"
            "    =>\r\n"
            "    (log ?x)\r\n"
            ")");
}

TEST(RulePrinterEngineTest, RulesAndPatternsPrintThroughTheirEngine) {
  auto* Engine = Create<TMarkingEngine>(nullptr);
  TRuleBuilder B(Engine);
  TRule* Rule = B.Rule("r", {B.Pattern("a", {Int(1)})});
  EXPECT_EQ(Rule->GetPatterns().Get(0)->GetToString(), "<(a 1)>");
  EXPECT_EQ(Rule->GetToString(), "rule (defrule r\r\n    <(a 1)>\r\n    =>\r\n)");
  Engine->Free();

  // A pattern on a free template prints stand-alone.
  const IFactTemplate Free = new TFactTemplate(nullptr, "free");
  auto* Pattern = Create<TIEPattern>(nullptr, "free", Free);
  EXPECT_EQ(Pattern->GetToString(), "(free )");
  Pattern->Free();
}

}  // namespace
}  // namespace ie
