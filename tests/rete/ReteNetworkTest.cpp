#include "rete/ReteNetwork.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/ActivationAgenda.h"
#include "engine/InferenceEngine.h"
#include "rete/IERule.h"

namespace ie {
namespace {

using TLines = std::vector<std::string>;

// An engine whose agenda keeps activations in the order they come: rules
// are read from text, and the host makes facts of ordered templates with
// values the rule language cannot write.
class ReteNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine->SetStrategy(ssBreadthFirst); }
  void TearDown() override { Engine->Free(); }

  TReteNetwork& Net() const { return *Engine->GetReteNetwork(); }
  TRule* Rule(const std::string& Name, const std::string& Text) {
    Engine->Parse("(defrule " + Name + " " + Text + ")", true);
    return Engine->GetRules().Get(Name);
  }
  IFact Fact(const std::string& Name, std::initializer_list<IIEValue> Values) {
    IFactTemplate Template;
    if (!Engine->FindFactTemplate(Name, Template)) Template = Engine->CreateFactTemplate(Name);
    const IFact Made = Template->NewFact();
    Made->SetValue(SDefaultSlotName, List(Values));
    return Made;
  }
  int32_t Assert(const std::string& Name, std::initializer_list<IIEValue> Values) {
    return Engine->Assert(Fact(Name, Values));
  }
  // "rule: f-1, f-2" for each activation waiting, first to fire first.
  TLines AgendaText() const {
    TLines Text;
    for (int32_t I = 0; I < Engine->GetAgendaCount(); ++I) {
      const TActivation* Activation = Engine->GetActivation(I);
      Text.push_back(Activation->GetRule()->GetRuleName() + ": " +
                     Activation->GetToken()->GetToFactsString());
    }
    return Text;
  }
  // The last join node of a rule.
  TJoinNode* LastJoin(TRule* Of) const {
    TJoinNode* Join = nullptr;
    for (TReteNode* Node : *Net().GetRuleNodesList(Of)) {
      if (auto* Found = dynamic_cast<TJoinNode*>(Node)) Join = Found;
    }
    return Join;
  }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
};

TEST_F(ReteNetworkTest, HashedMemoriesGrowAndStillFindEveryMatch) {
  TRule* R = Rule("r", "(a ?x) (b ?x) =>");
  for (int32_t I = 0; I < 500; ++I) Assert("a", {Int(I)});
  for (int32_t I = 0; I < 500; I += 7) Assert("b", {Int(I)});
  EXPECT_EQ(Engine->GetAgendaCount(), 72);
  const TJoinNode* Join = LastJoin(R);
  ASSERT_NE(Join, nullptr);
  EXPECT_TRUE(Join->HasShortCut());
  EXPECT_GT(Join->GetLeftMemory()->GetBucketCount(), 101);
  EXPECT_GE(2 * Join->GetLeftMemory()->GetBucketCount(), 500);
  EXPECT_EQ(Join->GetRightMemory()->GetTokenCount(), 72);
  EXPECT_EQ(ErrorOf([&] { LastJoin(R)->CallNode(new TIEToken(taAdd, Fact("a", {})), ctSingle); }),
            "Invalid Call Type: ctSingle");
}

// Integer join values of one hash are equal without a test; values of
// other kinds that hash alike, or a second join test, still decide.
TEST_F(ReteNetworkTest, JoinsOnIntegersTrustTheirHashOnlyBetweenIntegers) {
  Rule("one", "(a ?x) (b ?x) =>");
  Rule("two", "(p ?x ?y) (q ?x ?y) =>");
  Assert("a", {Int(1)});
  Assert("a", {Int(97)});
  Assert("b", {Flt(1.0)});
  Assert("b", {Atom("a")});
  Assert("b", {Int(97)});
  Assert("p", {Int(5), Int(6)});
  Assert("q", {Int(5), Int(7)});
  Assert("q", {Int(5), Int(6)});
  // The same from the other side: right facts first.
  Assert("b", {Int(3)});
  Assert("a", {Atom("\x03")});
  Assert("a", {Int(3)});
  Assert("b", {Flt(4.0)});
  Assert("a", {Int(4)});
  EXPECT_EQ(AgendaText(), (TLines{"one: f-2, f-5", "two: f-6, f-8", "one: f-11, f-9"}));
}

TEST_F(ReteNetworkTest, EventsFollowActivationsAndClearWithdrawsThem) {
  TLines Events;
  Net().SetOnActivation(
      [&](TObject*, TActivation* A) { Events.push_back("+" + A->GetToString()); });
  Net().SetOnDeactivation(
      [&](TObject*, TActivation* A) { Events.push_back("-" + A->GetToString()); });
  Net().SetOnRuleFired([&](TObject*, TActivation* A) { Events.push_back("!" + A->GetToString()); });
  Rule("r", "?f <- (a ?x) => (retract ?f)");
  Assert("a", {Int(1)});
  Assert("a", {Int(2)});
  Engine->Run();
  Assert("a", {Int(3)});
  Net().Clear();
  EXPECT_EQ(Events, (TLines{"+0 r : f-1 (1.0000)", "+0 r : f-2 (1.0000)", "-0 r : f-1 (1.0000)",
                            "!0 r : f-1 (1.0000)", "-0 r : f-2 (1.0000)", "!0 r : f-2 (1.0000)",
                            "+0 r : f-3 (1.0000)", "-0 r : f-3 (1.0000)"}));
  EXPECT_EQ(AgendaText(), TLines{});
  EXPECT_EQ(Net().GetNodeCount(), 0);
}

TEST_F(ReteNetworkTest, RootsSeeOnlyFactsTheirTemplateTestCanPass) {
  Rule("r", "(a ?x) =>");
  const IFactTemplate Wide = Fact("wide", {})->GetTemplate();
  Wide->SetParent(Fact("a", {})->GetTemplate());
  EXPECT_FALSE(Net().ProcessToken(new TIEToken(taAdd, Fact("other", {Int(1)}))));
  Assert("wide", {Int(3)});
  EXPECT_EQ(AgendaText(), TLines{"r: f-1"});
  // Roots that come later reach the facts of a template that extends
  // theirs, and so does a new ancestry.
  Rule("rw", "(wide ?y) =>");
  Assert("wide", {Int(4)});
  EXPECT_EQ(AgendaText(), (TLines{"r: f-1", "rw: f-1", "r: f-2", "rw: f-2"}));
  Rule("rb", "(b ?z) =>");
  Wide->SetParent(Fact("b", {})->GetTemplate());
  Assert("wide", {Int(5)});
  EXPECT_EQ(AgendaText().back(), "rb: f-3");
  EXPECT_EQ(AgendaText().size(), 6u);
}

// A template remembers where a network keeps its roots; met by a second
// network, it is looked up by name again.
TEST_F(ReteNetworkTest, TemplatesReachTheRootsOfTheirNameInEachNetwork) {
  Rule("rb", "(b ?x) =>");
  Assert("b", {Int(1)});
  auto* Other = Create<TInferenceEngine>(nullptr);
  Other->Parse("(defrule rz (z ?x) =>) (defrule rb (b ?x) =>)", true);
  Other->Assert(Fact("b", {Int(3)}));
  EXPECT_EQ(Other->GetAgendaCount(), 1);
  EXPECT_EQ(Other->GetActivation(0)->GetRule()->GetRuleName(), "rb");
  Other->Free();
}

TEST_F(ReteNetworkTest, DisabledNetworkIsEmptyAndStaysSo) {
  Rule("r", "(a ?x) =>");
  Assert("a", {Int(1)});
  Net().SetEnabled(false);
  EXPECT_EQ(Net().GetNodeCount(), 0);
  EXPECT_EQ(AgendaText(), TLines{});
  Assert("a", {Int(2)});
  Net().SetEnabled(true);
  Assert("a", {Int(3)});
  EXPECT_EQ(AgendaText(), TLines{});
  Rule("s", "(a ?x) =>");
  EXPECT_EQ(Engine->GetAgendaCount(), 3);
}

}  // namespace
}  // namespace ie
