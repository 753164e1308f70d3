// Removing, renaming and replacing templates and defined types through the
// engine's collections: what depended on them goes or is read again, and
// nothing else is touched.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "engine/InferenceEngine.h"
#include "rete/IERule.h"
#include "runtime/Streams.h"

namespace ie {
namespace {

// Two templates, item and other; rules on each and one that only asserts
// items; a fact set of both, reset.
constexpr const char* KnowledgeBase =
    "(deftemplate item (slot n))"
    "(deftemplate other (slot n))"
    "(defrule seen (item (n ?n)) => (printout t seen ?n crlf))"
    "(defrule makes (other (n ?n)) => (assert (item (n ?n))))"
    "(defrule plain (other (n ?n)) => (printout t plain ?n crlf))"
    "(deffacts start (item (n 1)) (other (n 2)) (item (n 3)))";

class RedefinitionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine->SetOnRemoveFactTemplate(
        [&](TObject*, const IFactTemplate& T) { Events.push_back("remove " + T->GetTemplateName()); });
    Engine->SetOnNewFactTemplate(
        [&](TObject*, const IFactTemplate& T) { Events.push_back("new " + T->GetTemplateName()); });
    Engine->SetOnRetraction(
        [&](TObject*, const IFact& Fact) { Events.push_back("retract " + Fact->GetToIDString()); });
  }
  void TearDown() override { Engine->Free(); }

  void Load(const std::string& Text) {
    Engine->Parse(Text, true);
    Engine->Reset();
    Events.clear();
  }
  std::string Facts() const {
    std::string Text;
    for (const IFact& Fact : Engine->GetFacts()) Text += Fact->GetToIDString() + " ";
    return Text;
  }
  std::string Rules() const {
    std::string Names;
    for (const auto& Entry : Engine->GetRules()) Names += Entry.Key + " ";
    return Names;
  }
  // Which lines of the first fact set still hold their fact.
  std::string SetEntries() const {
    const TFactSetFacts& Lines = Engine->GetFactSets().Get(0)->GetFacts();
    std::string Marks;
    for (int32_t I = 0; I < Lines.GetCount(); ++I) Marks += Lines.GetData(I) ? '+' : '-';
    return Marks;
  }

  TInferenceEngine* Engine = Create<TInferenceEngine>(nullptr);
  std::vector<std::string> Events;
};

TEST_F(RedefinitionTest, RemovingATemplateRemovesWhatDependsOnIt) {
  Load(KnowledgeBase);
  const IFactTemplate Item = Engine->GetFactTemplates().Get("item");
  Engine->AddPendingFact(Item->NewFact(), true);

  EXPECT_EQ(Engine->GetFactTemplates().Remove("item"), Item);
  // The last fact goes first, each retraction announced.
  EXPECT_EQ(Events, (std::vector<std::string>{"remove item", "retract f-3 (item (n 3))",
                                              "retract f-1 (item (n 1))"}));
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("item"));
  EXPECT_EQ(Facts(), "f-0 (Initial-Fact) f-2 (other (n 2)) ");
  // The rule that asserts items goes with the one that matches them.
  EXPECT_EQ(Rules(), "plain ");
  EXPECT_EQ(SetEntries(), "-+-");
  // The pending item was dropped: the next assertion does not bring it.
  Engine->Assert("(other (n 4))");
  EXPECT_EQ(Engine->GetFacts().GetCount(), 3);

  EXPECT_FALSE(Engine->GetFactTemplates().Remove("item"));
  EXPECT_EQ(Engine->Run(), 2);
}

TEST_F(RedefinitionTest, RenamingATemplateFilesItAfreshWithoutItsDependents) {
  Load(KnowledgeBase);
  const IFactTemplate Item = Engine->GetFactTemplates().Get("item");
  Engine->SetDuplicateConstructs(dcError);
  // A taken name is refused before anything goes.
  EXPECT_EQ(ErrorOf([&] { Item->SetTemplateName("other"); }),
            "Fact Template Name already exists: \"other\"");
  EXPECT_EQ(Item->GetTemplateName(), "item");
  EXPECT_EQ(Engine->GetFacts().GetCount(), 4);
  EXPECT_TRUE(Events.empty());

  Item->SetTemplateName("thing");
  EXPECT_EQ(Events, (std::vector<std::string>{"remove item", "retract f-3 (item (n 3))",
                                              "retract f-1 (item (n 1))"}));
  EXPECT_EQ(Engine->GetFactTemplates().Get("thing"), Item);
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("item"));
  EXPECT_EQ(Rules(), "plain ");
  EXPECT_EQ(Engine->Assert("(thing (n 5))"), 4);
}

TEST_F(RedefinitionTest, ReplacingUnderAnotherNameRemovesTheDependents) {
  Load(KnowledgeBase);
  const IFactTemplate Item = Engine->GetFactTemplates().Get("item");
  const IFactTemplate Thing = new TFactTemplate(Engine, "thing");
  EXPECT_EQ(Engine->GetFactTemplates().Replace(Item, Thing), Thing);
  EXPECT_EQ(Events.front(), "remove item");
  EXPECT_EQ(Events[1], "new thing");
  EXPECT_TRUE(Thing->IsOrdered());
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("item"));
  EXPECT_EQ(Facts(), "f-0 (Initial-Fact) f-2 (other (n 2)) ");
  EXPECT_EQ(Rules(), "plain ");
}

TEST_F(RedefinitionTest, AReplacementThatFailsLeavesTheOldTemplateWithItsDependents) {
  Load(KnowledgeBase);
  const IFactTemplate Item = Engine->GetFactTemplates().Get("item");
  const IFactTemplate Edited = Item->Clone();
  Edited->AddSlot("size", new TIEValue(7, dtInteger));
  // The host refuses the second fact read again: not a fact that no longer
  // reads, so nothing is dropped.
  int32_t Count = 0;
  Engine->SetOnAssertion([&](TObject*, const IFact& Fact) {
    if (Fact->GetTemplate() == Edited && ++Count == 2) throw std::runtime_error("refused");
  });

  EXPECT_THROW(Engine->GetFactTemplates().Put("item", Edited), std::runtime_error);
  EXPECT_EQ(Engine->GetFactTemplates().Get("item"), Item);
  EXPECT_EQ(Facts(), "f-0 (Initial-Fact) f-1 (item (n 1)) f-2 (other (n 2)) f-3 (item (n 3)) ");
  EXPECT_EQ(Rules(), "seen makes plain ");
  // The rules read again match the facts put back.
  EXPECT_EQ(Engine->Run(), 5);
  EXPECT_EQ(Facts(),
            "f-0 (Initial-Fact) f-1 (item (n 1)) f-2 (other (n 2)) f-3 (item (n 3)) "
            "f-6 (item (n 2)) ");
}

TEST_F(RedefinitionTest, LoadingTemplatesLeavesNothingOnTheOldOnes) {
  Load(KnowledgeBase);
  TStringStream Templates(
      "(deftemplate item (slot n) (slot size (default 0)))"
      "(deftemplate other (slot n))");
  Engine->LoadFactTemplates(&Templates);
  EXPECT_EQ(Facts(), "");
  EXPECT_EQ(Rules(), "");
  EXPECT_EQ(SetEntries(), "---");
  // The set's facts are read again against what is there now.
  Engine->Reset();
  EXPECT_EQ(Facts(),
            "f-0 (Initial-Fact) f-1 (item (n 1) (size 0)) f-2 (other (n 2)) "
            "f-3 (item (n 3) (size 0)) ");
}

TEST_F(RedefinitionTest, LoadingTypesRemovesTheTemplatesOfTheOldOnes) {
  Load(
      "(deftype level extends (type INTEGER))"
      "(deftemplate gauge (slot v (type level)))"
      "(deftemplate note (slot text))");
  Engine->Parse("(assert (gauge (v 1)) (note (text hi)))", true);
  TStringStream Types("(deftype level extends (type INTEGER))");
  Engine->LoadDefinedTypes(&Types);
  EXPECT_FALSE(Engine->GetFactTemplates().ContainsKey("gauge"));
  EXPECT_EQ(Facts(), "f-0 (Initial-Fact) f-2 (note (text hi)) ");
}

}  // namespace
}  // namespace ie
