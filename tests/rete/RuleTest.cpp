#include "engine/ActivationAgenda.h"
#include "rete/IEContext.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"

#include <gtest/gtest.h>

#include "ReteTestSupport.h"

namespace ie {
namespace {

using namespace retetest;
using TLines = std::vector<std::string>;

class RuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TTestRuleEngine>(nullptr);
    B = TRuleBuilder(Engine);
  }
  void TearDown() override { Engine->Free(); }

  std::vector<std::string> Bindings(const TRule& Rule) const {
    std::vector<std::string> Text;
    for (int32_t I = 0; I < Rule.GetBindingCount(); ++I) {
      Text.push_back(Rule.GetBinding(I)->GetToString());
    }
    return Text;
  }

  TTestRuleEngine* Engine = nullptr;
  TRuleBuilder B{nullptr};
};

TEST_F(RuleTest, PatternsRegisterTheirBindings) {
  TRule* Rule = B.Rule("r", {B.Pattern("b", {Atom("k")}, 1), B.Pattern("a", {Var("x"), Var("x")})});
  ASSERT_EQ(Rule->GetPatterns().GetCount(), 3);
  EXPECT_EQ(Rule->GetPatterns().Get(0)->GetName(), SInitialFactPattern);
  EXPECT_EQ(Bindings(*Rule), (TLines{"name=__factidx1 FactIdx=0 SlotIdx=__PATTERN",
                                     "name=__factidx2 FactIdx=1 SlotIdx=__PATTERN",
                                     "name=__factidx3 FactIdx=2 SlotIdx=__PATTERN",
                                     "name=x FactIdx=2 SlotIdx=__Data SubIdx=0"}));
  Rule->GetPatterns().Insert(1, B.Pattern("c", {Var("y")}));
  Rule->GetPatterns().Delete(2);
  EXPECT_EQ(Bindings(*Rule), (TLines{"name=__factidx1 FactIdx=0 SlotIdx=__PATTERN",
                                     "name=__factidx3 FactIdx=2 SlotIdx=__PATTERN",
                                     "name=x FactIdx=2 SlotIdx=__Data SubIdx=0",
                                     "name=__factidx4 FactIdx=1 SlotIdx=__PATTERN",
                                     "name=y FactIdx=1 SlotIdx=__Data SubIdx=0"}));
}

TEST_F(RuleTest, RefusedPatternsStayWithTheCaller) {
  auto* Rule = Create<TRule>(Engine);
  TIEPattern* Negated = B.Pattern("a", {Var("x")}, 1);
  EXPECT_EQ(ErrorOf([&] { Rule->GetPatterns().Add(Negated); }),
            "First Use of Variable is negated, variable name is x");
  TIEPattern* NotEqual = B.Pattern("a", {});
  NotEqual->AddTest(SDefaultSlotName, Var("y"), 0, true, true);
  EXPECT_EQ(ErrorOf([&] { Rule->GetPatterns().Add(NotEqual); }),
            "First Use of Variable is negated, variable name is y");
  auto* Orphan = Create<TRule>(nullptr);
  EXPECT_EQ(ErrorOf([&] { Orphan->GetPatterns().Add(NotEqual); }),
            "Unknown/Undefined Inference Engine");
  EXPECT_EQ(ErrorOf([&] { Orphan->Fire(nullptr); }), "Unknown/Undefined Inference Engine");
  EXPECT_EQ(Rule->GetPatterns().GetCount(), 1);
  EXPECT_EQ(Rule->GetBindingCount(), 1);
  EXPECT_EQ(NotEqual->GetOwner(), nullptr);
  Negated->Free();
  NotEqual->Free();
  Orphan->Free();
}

TEST_F(RuleTest, FiringBindsVariablesAndStopsAtAReturn) {
  Engine->Assert(SInitialFactPattern, {});
  TIEPattern* Bound = B.Pattern("a", {Var("x"), MultiVar("rest")});
  Bound->SetBoundName("f");
  B.Rule("r", {Bound},
         {B.Call("log", {Var("f"), Var("x"), MultiVar("rest"), Var(SRuleBinding)}),
          B.Call("return", {}), B.Call("log", {Atom("never")})});
  TRule* Silenced =
      B.Rule("s", {B.Pattern("a", {Var("y"), MultiVar("z")})}, {B.Call("log", {Atom("never")})});
  Silenced->SetOnFire([](TObject*, TIEContext* Context) { Context->SetReturnValue(FCTrue); });
  Engine->Assert("a", {Int(5), Int(6), Int(7)});
  Engine->Run();
  EXPECT_EQ(Engine->Log, TLines{"<Fact-1> 5 6 7  \"r\""});
  EXPECT_TRUE(Silenced->GetFired());
  EXPECT_FALSE(Engine->GetContext()->GetReturnFlag());
}

}  // namespace
}  // namespace ie
