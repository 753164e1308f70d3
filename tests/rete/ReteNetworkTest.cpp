#include "engine/ActivationAgenda.h"
#include "rete/IERule.h"
#include "rete/ReteNetwork.h"

#include <gtest/gtest.h>

#include "ReteTestSupport.h"

namespace ie {
namespace {

using namespace retetest;
using TLines = std::vector<std::string>;

class ReteNetworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TTestRuleEngine>(nullptr);
    B = TRuleBuilder(Engine);
    Engine->Assert(SInitialFactPattern, {});
  }
  void TearDown() override { Engine->Free(); }

  TReteNetwork& Net() const { return *Engine->GetReteNetwork(); }

  TTestRuleEngine* Engine = nullptr;
  TRuleBuilder B{nullptr};
};

TEST_F(ReteNetworkTest, HashedMemoriesGrowAndStillFindEveryMatch) {
  B.Rule("r", {B.Pattern("a", {Var("x")}), B.Pattern("b", {Var("x")})});
  for (int32_t I = 0; I < 500; ++I) Engine->Assert("a", {Int(I)});
  for (int32_t I = 0; I < 500; I += 7) Engine->Assert("b", {Int(I)});
  EXPECT_EQ(Engine->Agenda.size(), 72u);
  const auto* Join = dynamic_cast<TJoinNode*>(Net().GetRuleNodesList(Engine->Rules[0])->at(4));
  ASSERT_NE(Join, nullptr);
  EXPECT_TRUE(Join->HasShortCut());
  EXPECT_GT(Join->GetLeftMemory()->GetBucketCount(), 101);
  EXPECT_GE(2 * Join->GetLeftMemory()->GetBucketCount(), 500);
  EXPECT_EQ(Join->GetRightMemory()->GetTokenCount(), 72);
}

// Integer join values of one hash are equal without a test; values of
// other kinds that hash alike, or a second join test, still decide.
TEST_F(ReteNetworkTest, JoinsOnIntegersTrustTheirHashOnlyBetweenIntegers) {
  B.Rule("one", {B.Pattern("a", {Var("x")}), B.Pattern("b", {Var("x")})});
  B.Rule("two", {B.Pattern("p", {Var("x"), Var("y")}), B.Pattern("q", {Var("x"), Var("y")})});
  Engine->Assert("a", {Int(1)});
  Engine->Assert("a", {Int(97)});
  Engine->Assert("b", {IIEValue(new TIEValue(1.0))});
  Engine->Assert("b", {Atom("a")});
  Engine->Assert("b", {Int(97)});
  Engine->Assert("p", {Int(5), Int(6)});
  Engine->Assert("q", {Int(5), Int(7)});
  Engine->Assert("q", {Int(5), Int(6)});
  // The same from the other side: right facts first.
  Engine->Assert("b", {Int(3)});
  Engine->Assert("a", {Atom("\x03")});
  Engine->Assert("a", {Int(3)});
  Engine->Assert("b", {IIEValue(new TIEValue(4.0))});
  Engine->Assert("a", {Int(4)});
  EXPECT_EQ(Engine->AgendaText(), (TLines{"one: f-2, f-5", "two: f-6, f-8", "one: f-11, f-9"}));
}

TEST_F(ReteNetworkTest, EventsFollowActivationsAndClearWithdrawsThem) {
  TLines Events;
  Net().SetOnActivation(
      [&](TObject*, TActivation* A) { Events.push_back("+" + A->GetToString()); });
  Net().SetOnDeactivation(
      [&](TObject*, TActivation* A) { Events.push_back("-" + A->GetToString()); });
  Net().SetOnRuleFired([&](TObject*, TActivation* A) { Events.push_back("!" + A->GetToString()); });
  B.Rule("r", {B.Pattern("a", {Var("x")})}, {B.Call("retract", {Var("__factidx1")})});
  Engine->Assert("a", {Int(1)});
  Engine->Assert("a", {Int(2)});
  Engine->Run();
  Engine->Assert("a", {Int(3)});
  Net().Clear();
  EXPECT_EQ(Events, (TLines{"+0 r : f-1 (1.0000)", "+0 r : f-2 (1.0000)", "-0 r : f-1 (1.0000)",
                            "!0 r : f-1 (1.0000)", "-0 r : f-2 (1.0000)", "!0 r : f-2 (1.0000)",
                            "+0 r : f-3 (1.0000)", "-0 r : f-3 (1.0000)"}));
  EXPECT_EQ(Engine->AgendaText(), TLines{});
  EXPECT_EQ(Net().GetNodeCount(), 0);
}

TEST_F(ReteNetworkTest, RootsSeeOnlyFactsTheirTemplateTestCanPass) {
  B.Rule("r", {B.Pattern("a", {Var("x")})});
  IFactTemplate Wide = Engine->Ordered("wide");
  Wide->SetParent(Engine->Ordered("a"));
  EXPECT_FALSE(Net().ProcessToken(new TIEToken(taAdd, Engine->Fact("other", {Int(1)}))));
  IFact Extended = new TFact(Wide);
  Extended->SetValue(SDefaultSlotName, Engine->Fact("a", {Int(3)})->GetValue(SDefaultSlotName));
  Engine->Assert(Extended, false);
  EXPECT_EQ(Engine->AgendaText(), TLines{"r: f-1"});
  Engine->ClearFacts();
  EXPECT_EQ(Engine->AgendaText(), TLines{});
  // Roots that come later reach the facts of a template that extends
  // theirs, and so does a new ancestry.
  B.Rule("rw", {B.Pattern("wide", {Var("y")})});
  IFact Again = new TFact(Wide);
  Again->SetValue(SDefaultSlotName, Engine->Fact("a", {Int(4)})->GetValue(SDefaultSlotName));
  Engine->Assert(Again, false);
  EXPECT_EQ(Engine->AgendaText(), (TLines{"r: f-2", "rw: f-2"}));
  B.Rule("rb", {B.Pattern("b", {Var("z")})});
  Wide->SetParent(Engine->Ordered("b"));
  IFact Moved = new TFact(Wide);
  Moved->SetValue(SDefaultSlotName, Engine->Fact("b", {Int(5)})->GetValue(SDefaultSlotName));
  Engine->Assert(Moved, false);
  EXPECT_EQ(Engine->AgendaText(), (TLines{"r: f-2", "rw: f-2", "rw: f-3", "rb: f-3"}));
}

// A template remembers where the network keeps its roots; renamed, or
// met by a second network, it is looked up by name again.
TEST_F(ReteNetworkTest, TemplatesReachTheRootsOfTheirCurrentName) {
  B.Rule("ra", {B.Pattern("a", {Var("x")})});
  B.Rule("rb", {B.Pattern("b", {Var("x")})});
  Engine->Assert("a", {Int(1)});
  Engine->Ordered("a")->SetTemplateName("b");
  Engine->Assert("a", {Int(2)});
  EXPECT_EQ(Engine->AgendaText(), (TLines{"ra: f-1", "rb: f-2"}));
  auto* Other = Create<TTestRuleEngine>(nullptr);
  TRuleBuilder OtherRules(Other);
  OtherRules.Rule("rz", {OtherRules.Pattern("z", {Var("x")})});
  OtherRules.Rule("rb", {OtherRules.Pattern("b", {Var("x")})});
  Other->Assert(Engine->Fact("a", {Int(3)}), false);
  EXPECT_EQ(Other->AgendaText(), TLines{"rb: f-0"});
  Other->Free();
}

TEST_F(ReteNetworkTest, DisabledNetworkIsEmptyAndStaysSo) {
  B.Rule("r", {B.Pattern("a", {Var("x")})});
  Engine->Assert("a", {Int(1)});
  Net().SetEnabled(false);
  EXPECT_EQ(Net().GetNodeCount(), 0);
  EXPECT_EQ(Engine->AgendaText(), TLines{});
  Engine->Assert("a", {Int(2)});
  Net().SetEnabled(true);
  Engine->Assert("a", {Int(3)});
  EXPECT_EQ(Engine->AgendaText(), TLines{});
  B.Rule("s", {B.Pattern("a", {Var("x")})});
  EXPECT_EQ(Engine->Agenda.size(), 3u);
}

// What rules and facts that fail do is shown by the rules/failing-conditions
// script; a node refuses a call it does not take.
TEST_F(ReteNetworkTest, ANodeRefusesACallItDoesNotTake) {
  B.Rule("r", {B.Pattern("a", {Var("x")}), B.Pattern("b", {Var("x")})});
  TReteNode* Join = Net().GetRuleNodesList(Engine->Rules[0])->at(4);
  EXPECT_EQ(ErrorOf([&] { Join->CallNode(new TIEToken(taAdd, Engine->Facts[0]), ctSingle); }),
            "Invalid Call Type: ctSingle");
}

}  // namespace
}  // namespace ie
