#include "rete/IEPattern.h"

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "rete/IEContext.h"
#include "rete/IERule.h"
#include "rete/IERulePrinter.h"

namespace ie {
namespace {

// A free template "color" with the single slot c and the multislot tags.
class PatternTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Color = new TFactTemplate(nullptr, "color");
    Color->AddSlot("c", Atom("none"));
    Color->AddMultiSlot("tags", List({}));
  }
  void TearDown() override {
    for (TIEPattern* Pattern : Patterns) Pattern->Free();
  }
  TIEPattern* NewPattern(const IFactTemplate& Template, int32_t NegatedCount = 0,
                         TComponent* Owner = nullptr) {
    Patterns.push_back(
        Create<TIEPattern>(Owner, Template->GetTemplateName(), Template, NegatedCount));
    return Patterns.back();
  }

  IFactTemplate Color;
  std::vector<TIEPattern*> Patterns;
};

TEST_F(PatternTest, NegationAndBoundNames) {
  EXPECT_FALSE(NewPattern(Color, 0)->IsNegated());
  EXPECT_TRUE(NewPattern(Color, 1)->IsNegated());
  EXPECT_FALSE(NewPattern(Color, 2)->IsNegated());
  EXPECT_TRUE(NewPattern(Color, 3)->IsNegated());

  TIEPattern* Negated = NewPattern(Color, 1);
  Negated->SetBoundName("f");
  EXPECT_EQ(Negated->GetBoundName(), "f");
  Negated->SetName(STestCE);
  EXPECT_EQ(ErrorOf([&] { Negated->SetBoundName(""); }),
            "Cannot bind a negated pattern to a variable");
  Negated->SetNegatedCount(2);
  Negated->SetBoundName("");
  EXPECT_EQ(Negated->GetBoundName(), "");
}

TEST_F(PatternTest, SlotEntriesFollowTheTemplateAndRefuseUnknownSlots) {
  TIEPattern* Pattern = NewPattern(Color);
  ASSERT_EQ(Pattern->GetSlotCount(), 2);
  EXPECT_EQ(Pattern->GetSlotName(0), "c");
  EXPECT_EQ(Pattern->IndexOfSlotName("tags"), Color->GetLayout()->IndexOf("tags"));
  EXPECT_EQ(Pattern->IndexOfSlotName("size"), -1);
  EXPECT_EQ(Pattern->GetSlotLength(1), -1);
  EXPECT_EQ(Pattern->GetSlotTests(0), nullptr);
  EXPECT_EQ(Pattern->GetSlotTestCount(0), 0);

  EXPECT_EQ(ErrorOf([&] { Pattern->AddTest("size", Atom("big"), NoSubIndex, false, true); }),
            "No such slot name: \"size\"");
  TIEPattern* Free = Create<TIEPattern>(nullptr);
  Patterns.push_back(Free);
  EXPECT_EQ(ErrorOf([&] { Free->AddTest("c", Atom("red"), NoSubIndex, false, true); }),
            "Fact Template is missing");
  EXPECT_EQ(ErrorOf([&] { PrettyPrint(*Free); }), "Fact Template is missing");
}

TEST_F(PatternTest, CountsChangesAndFixTestsWithoutDisjunction) {
  TIEPattern* Pattern = NewPattern(Color);
  int32_t Changes = 0;
  Pattern->SetOnChange([&](TObject*) { ++Changes; });
  Pattern->AddTest("c", Var("x"), NoSubIndex, false, true);
  Pattern->AddTest("c", Atom("red"), NoSubIndex, true, true);
  EXPECT_EQ(Pattern->GetTestCount(), 2);
  EXPECT_EQ(Pattern->GetDisjunctionCount(), 0);
  EXPECT_EQ(Changes, 2);

  const std::string Before = Pattern->GetToString();
  Pattern->FixTests();
  EXPECT_EQ(Pattern->GetToString(), Before);
  EXPECT_EQ(Changes, 2);

  TIEPatternMatchTest* Blue = Pattern->AddTest("c", Atom("blue"), NoSubIndex, false, false);
  EXPECT_EQ(Pattern->GetDisjunctionCount(), 1);
  Blue->SetConjunction(true);
  EXPECT_EQ(Pattern->GetDisjunctionCount(), 0);
  Blue->SetConjunction(false);
  Pattern->GetSlotTests(0)->Delete(2);
  EXPECT_EQ(Pattern->GetTestCount(), 2);
  EXPECT_EQ(Pattern->GetDisjunctionCount(), 0);
  // Without a rule a rewrite would raise; nothing is left to rewrite.
  Pattern->FixTests();

  Pattern->BeginUpdate();
  Pattern->SetUnique(true);
  Pattern->SetExplicit(true);
  Changes = 0;
  Pattern->EndUpdate();
  EXPECT_EQ(Changes, 1);
}

TEST_F(PatternTest, FixTestsNeedsARuleForAFreshVariable) {
  TRule* Rule = Create<TRule>(nullptr);
  TIEPattern* Owned = NewPattern(Color, 0, Rule);
  TIEPattern* Alone = NewPattern(Color);
  for (TIEPattern* Pattern : {Owned, Alone}) {
    Pattern->AddTest("c", Atom("red"), NoSubIndex, false, true);
    Pattern->AddTest("c", Atom("blue"), NoSubIndex, false, false);
    const std::string Before = Pattern->GetToString();
    EXPECT_EQ(ErrorOf([&] { Pattern->FixTests(); }), "Rule missing for pattern");
    EXPECT_EQ(Pattern->GetToString(), Before);
    EXPECT_EQ(Pattern->GetTestCount(), 2);
  }
  Owned->SetOwner(nullptr);
  Rule->Free();
}

TEST_F(PatternTest, JoinTests) {
  IFact Left = new TFact(Color), Right = new TFact(Color);
  Left->SetValue("c", Atom("red"));
  Left->SetValue("tags", List({Atom("a"), Atom("b")}));
  Right->SetValue("c", Atom("b"));
  Right->SetValue("tags", List({Atom("red")}));
  TIEContext Context(nullptr, nullptr);
  Context.SetToken(new TIEToken(taAdd, Left));
  Context.SetFact(Right);

  TIEJoinTest Slots(sttEquals, "c", "c", 0);
  TIEJoinTest ElementToSlot(sttEquals, "tags", 1, "c", NoSubIndex, 0);
  TIEJoinTest SlotToElement(sttNotEquals, "c", NoSubIndex, "tags", 0, 0);
  TIEJoinTest PastTheEnd(sttNotEquals, "tags", 5, "c", NoSubIndex, 0);
  TIEJoinTest Missing(sttNotEquals, "c", NoSubIndex, "c", NoSubIndex, 1);
  TIEJoinTest BadSlot(sttEquals, "c", "size", 0);
  EXPECT_FALSE(Slots.PerformTest(&Context));
  EXPECT_TRUE(ElementToSlot.PerformTest(&Context));
  EXPECT_FALSE(SlotToElement.PerformTest(&Context));
  EXPECT_TRUE(PastTheEnd.PerformTest(&Context));
  EXPECT_TRUE(Missing.PerformTest(&Context));
  EXPECT_EQ(ErrorOf([&] { BadSlot.PerformTest(&Context); }), "No such slot name: \"size\"");
  // A cached position follows the template's new layout.
  Color->AddSlot("a", Atom("b"));
  EXPECT_TRUE(ElementToSlot.PerformTest(&Context));

  EXPECT_EQ(Slots.GetToString(), "= tstSlot TokenIdx: 0 Left: c Right: c");
  EXPECT_EQ(SlotToElement.GetToString(), "<> tstMultiSlot TokenIdx: 0 Left: c -1 Right: tags 0");
  TIEJoinTest* Copy = static_cast<TIEJoinTest*>(SlotToElement.Clone());
  EXPECT_TRUE(Copy->Equals(&SlotToElement));
  Copy->SetRightIndex("Tags");
  EXPECT_FALSE(Copy->Equals(&SlotToElement));
  EXPECT_FALSE(Slots.Equals(&Missing));
  Copy->Free();
}

}  // namespace
}  // namespace ie
