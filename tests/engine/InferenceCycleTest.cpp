#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IEContext.h"
#include "rete/IEPattern.h"
#include "rete/IERule.h"

namespace ie {
namespace {

IIEValue Int(int32_t Value) { return new TIEValue(Value, dtInteger); }
IIEValue Var(const std::string& Name) { return new TIEValue(Name, dtVariable); }

// An engine with the template "item" (one integer slot "n"), a host
// function (record ARGS...) that logs its evaluated arguments, and a
// builder of rules (defrule NAME (item (n ?x)) => ACTIONS).
class InferenceCycleTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Item = new TFactTemplate(Engine, "item");
    Item->AddSlot("n", Int(0));
    Engine->GetFactTemplates().Add(Item);
    auto* Record = Create<TUserFunction>(Engine, "record");
    Record->SetOnCall([this](TObject*, const IFunCall& Call, TIEContext* Context, IIEValue&) {
      for (int32_t I = 0; I < Call->GetArgumentCount(); ++I) {
        Log += Call->GetArgument(I)->Resolve(Context)->GetToString() + " ";
      }
    });
    Record->SetEngine(Engine);
  }
  void TearDown() override { Engine->Free(); }

  IFunCall Call(const std::string& Name, std::initializer_list<IIEValue> Arguments) {
    IFunCall Result = new TFunctionCall(Engine, Name);
    for (const IIEValue& Argument : Arguments) Result->AddArgument(Argument);
    return Result;
  }
  TRule* AddRule(const std::string& Name, std::initializer_list<IFunCall> Actions,
                 int32_t Salience = 0) {
    return AddRule(Name, Actions, Int(Salience));
  }
  TRule* AddRule(const std::string& Name, std::initializer_list<IFunCall> Actions,
                 const IIEValue& Salience) {
    TRule* Rule = Create<TRule>(Engine);
    Rule->SetRuleName(Name);
    Rule->SetSalience(Salience);
    auto* Pattern = Create<TIEPattern>(Rule, "item", Item, 0);
    Pattern->AddTest("n", Var("x"), NoSubIndex, false, true);
    Rule->GetPatterns().Add(Pattern);
    for (const IFunCall& Action : Actions) Rule->GetActions().Add(Action);
    Engine->GetRules().Add(Rule);
    return Rule;
  }
  void AssertItem(int32_t N) {
    IFact Fact = Item->NewFact();
    Fact->SetValue("n", Int(N));
    Engine->Assert(Fact);
  }
  void Watch(TConstructWatches What) {
    Engine->SetWatch(What);
    Engine->SetOnPrintOut(
        [this](TObject*, const std::string&, const std::string& Text) { Printed += Text; });
  }

  TInferenceEngine* Engine = nullptr;
  IFactTemplate Item;
  std::string Log;
  std::string Printed;
};

TEST_F(InferenceCycleTest, SaliencesFromGlobalsAreEvaluatedAgainAfterEveryFiring) {
  for (TSalience When : {sActivate, sEveryTime}) {
    Engine->Free();
    SetUp();
    Engine->SetSalienceEvaluation(When);
    Engine->GetGlobalVariables()->Put("prio", Int(10));
    auto* Lower = Create<TUserFunction>(Engine, "lower");
    Lower->SetOnCall([this](TObject*, const IFunCall&, TIEContext*, IIEValue&) {
      Engine->GetContext()->SetVariable("prio", Int(-10));
    });
    Lower->SetEngine(Engine);
    AddRule("a", {Call("record", {new TIEValue("a", dtAtom), Var("x")}), Call("lower", {})},
            Var("prio"));
    AddRule("b", {Call("record", {new TIEValue("b", dtAtom), Var("x")})});
    AssertItem(1);
    AssertItem(2);
    Log.clear();
    Engine->Run();
    // Placed again after each firing, depth first, the two activations of
    // b also change places.
    EXPECT_EQ(Log, When == sActivate ? "a 2 a 1 b 2 b 1 " : "a 2 b 1 b 2 a 1 ");
  }
}

TEST_F(InferenceCycleTest, RuleNamesAreUniqueInTheTable) {
  TRule* First = AddRule("first", {});
  Engine->SetDuplicateConstructs(dcError);
  EXPECT_EQ(ErrorOf([&] { AddRule("first", {}); }),
            "Duplicate Rules defined with same name: \"first\"");
  AddRule("second", {});
  EXPECT_EQ(ErrorOf([&] { First->SetRuleName("second"); }),
            "Duplicate Rules defined with same name: \"second\"");
  First->SetRuleName("renamed");
  EXPECT_EQ(Engine->GetRules().Get("renamed"), First);
  EXPECT_FALSE(Engine->GetRules().ContainsKey("first"));
  AssertItem(1);
  EXPECT_EQ(Engine->GetAgendaCount(), 2);  // renaming kept the rule compiled
}

TEST_F(InferenceCycleTest, StatisticsFollowARunThatFired) {
  AddRule("show", {});
  Watch({cwStatistics, cwCompilation});
  EXPECT_EQ(Engine->Run(), 0);
  EXPECT_EQ(Printed, "");
  AssertItem(1);
  AssertItem(2);
  int32_t Ended = -1;
  Engine->SetOnEndInference([&](TObject*, int32_t Fired) { Ended = Fired; });
  Engine->Run();
  EXPECT_EQ(Ended, 2);
  EXPECT_NE(Printed.find("2 rules fired.     Run time is "), std::string::npos);
  EXPECT_NE(Printed.find(" rules per second\r\n3.0000 mean number of facts (3 maximum)\r\n"
                         "0.5000 mean number of activations (2 maximum)\r\n"),
            std::string::npos);
}

}  // namespace
}  // namespace ie
