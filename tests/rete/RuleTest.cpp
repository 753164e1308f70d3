#include "rete/IERule.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"
#include "rete/IEPattern.h"

namespace ie {
namespace {

using TLines = std::vector<std::string>;

// Rules a host builds pattern by pattern in an engine, whose printed text
// is kept.
class RuleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine->SetOnPrintOut(
        [this](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
  }
  void TearDown() override { Engine->Free(); }

  // A pattern on the implied template Name whose field I equals Fields[I].
  TIEPattern* Pattern(const std::string& Name, std::initializer_list<IIEValue> Fields,
                      int32_t NegatedCount = 0) {
    IFactTemplate Template;
    if (!Engine->FindFactTemplate(Name, Template)) Template = Engine->CreateFactTemplate(Name);
    auto* Made = Create<TIEPattern>(nullptr, Name, Template, NegatedCount);
    int32_t Position = 0;
    for (const IIEValue& Field : Fields) {
      Made->AddTest(SDefaultSlotName, Field, Position++, false, true);
    }
    Made->SetSlotLength(0, Position);
    return Made;
  }
  TLines Bindings(const TRule& Rule) const {
    TLines Text;
    for (int32_t I = 0; I < Rule.GetBindingCount(); ++I) {
      Text.push_back(Rule.GetBinding(I)->GetToString());
    }
    return Text;
  }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  std::string Printed;
};

TEST_F(RuleTest, PatternsRegisterTheirBindings) {
  auto* Rule = Create<TRule>(Engine);
  Rule->GetPatterns().Add(Pattern("b", {Atom("k")}, 1));
  Rule->GetPatterns().Add(Pattern("a", {Var("x"), Var("x")}));
  ASSERT_EQ(Rule->GetPatterns().GetCount(), 3);
  EXPECT_EQ(Rule->GetPatterns().Get(0)->GetName(), SInitialFactPattern);
  EXPECT_EQ(Bindings(*Rule), (TLines{"name=__factidx1 FactIdx=0 SlotIdx=__PATTERN",
                                     "name=__factidx2 FactIdx=1 SlotIdx=__PATTERN",
                                     "name=__factidx3 FactIdx=2 SlotIdx=__PATTERN",
                                     "name=x FactIdx=2 SlotIdx=__Data SubIdx=0"}));
  Rule->GetPatterns().Insert(1, Pattern("c", {Var("y")}));
  Rule->GetPatterns().Delete(2);
  EXPECT_EQ(Bindings(*Rule), (TLines{"name=__factidx1 FactIdx=0 SlotIdx=__PATTERN",
                                     "name=__factidx3 FactIdx=2 SlotIdx=__PATTERN",
                                     "name=x FactIdx=2 SlotIdx=__Data SubIdx=0",
                                     "name=__factidx4 FactIdx=1 SlotIdx=__PATTERN",
                                     "name=y FactIdx=1 SlotIdx=__Data SubIdx=0"}));
  Rule->Free();
}

TEST_F(RuleTest, RefusedPatternsStayWithTheCaller) {
  auto* Rule = Create<TRule>(Engine);
  TIEPattern* Negated = Pattern("a", {Var("x")}, 1);
  EXPECT_EQ(ErrorOf([&] { Rule->GetPatterns().Add(Negated); }),
            "First Use of Variable is negated, variable name is x");
  TIEPattern* NotEqual = Pattern("a", {});
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
  Rule->Free();
}

// A firing binds the pattern's variables, the fact bound to a name and the
// rule's own name; a return ends it, and so does a host's handler that
// sets the return value.
TEST_F(RuleTest, FiringBindsVariablesAndStopsAtAReturn) {
  Engine->Parse(
      "(defrule r ?f <- (a ?x $?rest) => (printout t ?f \" \" ?x \" \" $?rest \" \" ?__RULE)"
      "  (return TRUE) (printout t never))"
      "(defrule s (a ?y $?z) => (printout t never))",
      true);
  TRule* Silenced = Engine->GetRules().Get("s");
  Silenced->SetOnFire([](TObject*, TIEContext* Context) { Context->SetReturnValue(FCTrue); });
  Engine->Parse("(assert (a 5 6 7))", true);
  Printed.clear();
  Engine->Run();
  EXPECT_EQ(Printed, "<Fact-1> 5 (6 7 ) r");
  EXPECT_TRUE(Silenced->GetFired());
  EXPECT_FALSE(Engine->GetContext()->GetReturnFlag());
}

}  // namespace
}  // namespace ie
