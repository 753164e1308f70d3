#include <gtest/gtest.h>

#include "ReteTestSupport.h"
#include "core/IEFuzzyLogic.h"
#include "engine/ActivationAgenda.h"
#include "rete/ReteNetwork.h"

namespace ie {
namespace {

using namespace retetest;

// Facts on ordered templates whose fields hold fuzzy values of the
// variable "temp" (warm: triangle 0 10 20; mild: triangle 10 20 30), or
// numbers that patterns compare with fuzzy constants.
class FuzzyMatchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TTestRuleEngine>(nullptr);
    B = TRuleBuilder(Engine);
    Engine->Assert(SInitialFactPattern, {});
    Warm = Term("warm", 0, 10, 20);
    Mild = Term("mild", 10, 20, 30);
  }
  void TearDown() override { Engine->Free(); }

  IIEValue Term(const std::string& Name, double L, double C, double R) {
    IFuzzySet Set = Temp->NewSet(Name);
    Set->MakeTriangle(L, C, R);
    Temp->AddTerm(Set);
    return new TIEValue(Set);
  }
  TReteNetwork& Net() const { return *Engine->GetReteNetwork(); }
  std::vector<float> Strengths() const {
    std::vector<float> Result;
    for (const TActivation* Activation : Engine->Agenda)
      Result.push_back(Activation->GetStrength());
    return Result;
  }

  IFuzzyVariable Temp = new TIEFuzzyVariable("temp");
  IIEValue Warm;
  IIEValue Mild;
  TTestRuleEngine* Engine = nullptr;
  TRuleBuilder B{nullptr};
};

TEST_F(FuzzyMatchTest, AMatchBelowTheMinimumActivatesNothing) {
  B.Rule("r", {B.Pattern("reading", {Int(4)})});  // warm is 0.4 at 4
  Net().SetMinActivationStrength(0.5f);
  const int32_t ID = Engine->Assert("reading", {Warm});
  EXPECT_TRUE(Engine->Agenda.empty());
  Engine->Retract(ID);
  Net().SetMinActivationStrength(0.3f);
  Engine->Assert("reading", {Warm});
  EXPECT_EQ(Strengths(), std::vector<float>{0.4f});
}

TEST_F(FuzzyMatchTest, ATokenKeepsTheWeakestMatchOfItsPatterns) {
  // Within one pattern: 0.4, then 0.5 does not raise it again.
  B.Rule("same", {B.Pattern("pair", {Int(4), Int(15)})});
  Engine->Assert("pair", {Warm, Warm});
  EXPECT_EQ(Strengths(), std::vector<float>{0.4f});
  // Across a join: the smaller of the two.
  B.Rule("joined", {B.Pattern("a", {Int(15)}), B.Pattern("b", {Int(4)})});
  Engine->Assert("a", {Mild});
  Engine->Assert("b", {Warm});
  ASSERT_EQ(Engine->AgendaText().back(), "joined: f-2, f-3");
  EXPECT_FLOAT_EQ(Engine->Agenda.back()->GetStrength(), 0.4f);
  // A crisp match stays at full strength.
  B.Rule("crisp", {B.Pattern("c", {Int(1)})});
  Engine->Assert("c", {Int(1)});
  EXPECT_FLOAT_EQ(Engine->Agenda.back()->GetStrength(), 1.0f);
}

TEST_F(FuzzyMatchTest, RetractionWithdrawsAGradedMatch) {
  B.Rule("r", {B.Pattern("a", {Int(4)}), B.Pattern("b", {Var("x")})});
  const int32_t A = Engine->Assert("a", {Warm});
  Engine->Assert("b", {Int(1)});
  ASSERT_EQ(Engine->Agenda.size(), 1u);
  // Even after the minimum rose above the match.
  Net().SetMinActivationStrength(0.9f);
  Engine->Retract(A);
  EXPECT_TRUE(Engine->Agenda.empty());
}

}  // namespace
}  // namespace ie
