#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/FactTestSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

using namespace facttest;

// An engine with the template "item" (one atom slot "name") and, once
// Listen is called, one log of its fact events and printed lines in order.
class InferenceEngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Item = new TFactTemplate(Engine, "item");
    Item->AddSlot("name", Atom("none"));
    Engine->GetFactTemplates().Add(Item);
  }
  void TearDown() override { Engine->Free(); }

  IFact NewItem(const std::string& Name, int32_t ID = -1) {
    IFact Fact = Item->NewFact();
    Fact->SetValue("name", Atom(Name));
    Fact->SetID(ID);
    return Fact;
  }
  void Listen() {
    Engine->SetWatch({cwFact});
    Engine->SetOnPrintOut([this](TObject*, const std::string& Stream, const std::string& Text) {
      Log.push_back(Stream + Text);
    });
    Engine->SetOnAssertion(
        [this](TObject*, const IFact& Fact) { Log.push_back("assert " + Fact->GetToString()); });
    Engine->SetOnRetraction(
        [this](TObject*, const IFact& Fact) { Log.push_back("retract " + Fact->GetToString()); });
  }
  std::vector<int32_t> Ids() const {
    std::vector<int32_t> Result;
    for (const IFact& Fact : Engine->GetFacts()) Result.push_back(Fact->GetID());
    return Result;
  }
  std::vector<std::string> TemplateNames() const {
    std::vector<std::string> Names;
    for (const auto& Entry : Engine->GetFactTemplates()) Names.push_back(Entry.Key);
    return Names;
  }

  TInferenceEngine* Engine = nullptr;
  IFactTemplate Item;
  std::vector<std::string> Log;
};

TEST_F(InferenceEngineTest, NewEngineHoldsTheInitialFactAndTheInternalTemplates) {
  ASSERT_EQ(Engine->GetFacts().GetCount(), 1);
  EXPECT_EQ(Engine->GetFacts().Get(0)->GetID(), 0);
  EXPECT_EQ(Engine->GetFacts().Get(0)->GetToString(), "(Initial-Fact)");
  EXPECT_EQ(Engine->GetNextFactId(), 1);
  EXPECT_EQ(TemplateNames(),
            (std::vector<std::string>{"Initial-Fact", "__NOT-OR-TEST-CE*", "item"}));
  EXPECT_EQ(Engine->GetFactTemplates().Get("Initial-Fact")->GetComment(), "(Implied)");
  EXPECT_EQ(Engine->GetNullFact()->GetTemplate(),
            Engine->GetFactTemplates().Get("__NOT-OR-TEST-CE*"));
}

// Names made of "Aa" and "BB" share one string hash: the index files all
// their facts under one code and tells them apart by equality.
TEST_F(InferenceEngineTest, FactsSharingAHashCodeAreToldApartByEquality) {
  std::vector<std::string> Names;
  for (int32_t Bits = 0; Bits < 16; ++Bits) {
    std::string Name;
    for (int32_t I = 0; I < 4; ++I) Name += ((Bits >> I) & 1) != 0 ? "BB" : "Aa";
    Names.push_back(Name);
  }
  for (const std::string& Name : Names) {
    ASSERT_EQ(NewItem(Name)->GetHashCode(), NewItem(Names[0])->GetHashCode());
  }
  const auto Present = [&](const std::string& Name) {
    return Engine->GetFacts().FindFact(NewItem(Name)) >= 0;
  };

  for (size_t I = 0; I < Names.size(); ++I) {
    EXPECT_EQ(Engine->Assert(NewItem(Names[I])), static_cast<int32_t>(I) + 1);
  }
  for (const std::string& Name : Names) EXPECT_EQ(Engine->Assert(NewItem(Name)), -1) << Name;
  // Every other fact goes: the rest stay found, and the others come back.
  for (size_t I = 0; I < Names.size(); I += 2) Engine->Retract(static_cast<int32_t>(I) + 1);
  for (size_t I = 0; I < Names.size(); ++I) EXPECT_EQ(Present(Names[I]), I % 2 == 1) << Names[I];
  for (size_t I = 0; I < Names.size(); I += 2) EXPECT_GT(Engine->Assert(NewItem(Names[I])), 0);
  for (const std::string& Name : Names) EXPECT_EQ(Engine->Assert(NewItem(Name)), -1) << Name;
}

TEST_F(InferenceEngineTest, PreservedIdsStayAndLaterIdsContinueAboveThem) {
  Engine->GetFacts().SetPreserveIDs(true);
  EXPECT_EQ(Engine->Assert(NewItem("a")), 1);
  const IFact Late = NewItem("late", 7);
  Engine->GetFacts().Add(Late);
  const IFact Early = NewItem("early", 4);
  Engine->GetFacts().Add(Early);
  EXPECT_EQ(Late->GetID(), 7);
  EXPECT_EQ(Early->GetID(), 4);
  EXPECT_EQ(Engine->Assert(NewItem("next")), 8);
  // An ID already present is not preserved.
  const IFact Taken = NewItem("taken", 4);
  Engine->GetFacts().Add(Taken);
  EXPECT_EQ(Taken->GetID(), 9);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{0, 1, 4, 7, 8, 9}));
  EXPECT_EQ(Engine->GetFacts().GetFactByID(4), Early);
}

TEST_F(InferenceEngineTest, EngineAndHostChangesGiveEventsAndWatchLinesInOrder) {
  Listen();
  Engine->Assert(NewItem("a"));
  EXPECT_EQ(Engine->GetFacts().Add(NewItem("b")), 2);
  Engine->Retract(1);
  Engine->GetFacts().Delete(1);
  EXPECT_EQ(Log,
            (std::vector<std::string>{" ==> f-1 (item (name a))\r\n", "assert (item (name a))",
                                      " ==> f-2 (item (name b))\r\n", "assert (item (name b))",
                                      "retract (item (name a))", " <== f-1 (item (name a))\r\n",
                                      "retract (item (name b))", " <== f-2 (item (name b))\r\n"}));
  EXPECT_EQ(Engine->GetFacts().GetCount(), 1);
  // The hash index forgot the facts too.
  EXPECT_EQ(Engine->Assert(NewItem("b")), 3);

  Log.clear();
  Engine->SetWatch({});
  Engine->Assert(NewItem("c"));
  EXPECT_EQ(Log, (std::vector<std::string>{"assert (item (name c))"}));
}

TEST_F(InferenceEngineTest, FindFactByIdBelowAndFromFiveFacts) {
  Engine->Assert(NewItem("a"));
  Engine->Assert(NewItem("b"));
  Engine->Retract(1);
  EXPECT_EQ(Engine->GetFacts().FindFact(2), 1);
  EXPECT_EQ(Engine->GetFacts().FindFact(1), -1);
  EXPECT_EQ(Engine->GetFacts().GetFactByID(1), nullptr);

  for (const char* Name : {"c", "d", "e", "f", "g"}) Engine->Assert(NewItem(Name));
  Engine->Retract(5);
  ASSERT_EQ(Ids(), (std::vector<int32_t>{0, 2, 3, 4, 6, 7}));
  for (int32_t Index = 0; Index < Engine->GetFacts().GetCount(); ++Index) {
    EXPECT_EQ(Engine->GetFacts().FindFact(Engine->GetFacts().Get(Index)->GetID()), Index);
  }
  for (const int32_t Absent : {-1, 1, 5, 8, INT32_MIN, INT32_MAX})
    EXPECT_EQ(Engine->GetFacts().FindFact(Absent), -1);
}

TEST_F(InferenceEngineTest, PendingFactsDrainDepthFirstAssertionsFirst) {
  Listen();
  Engine->SetOnAssertion([this](TObject*, const IFact& Fact) {
    const std::string Name = Fact->GetValue("name")->GetText();
    Log.push_back("assert " + Name);
    if (Name == "a") {
      Engine->AddPendingFact(Fact, false);
      Engine->AddPendingFact(NewItem("b"), true);
      Engine->AddPendingFact(NewItem("c"), true);
    }
    if (Name == "c") Engine->AddPendingFact(NewItem("d"), true);
  });
  Engine->Assert(NewItem("a"));
  EXPECT_EQ(Engine->GetFactPendingAssertions(0)->GetValue("name")->GetText(), "b");
  Log.clear();
  // Queued work waits for the next assertion or retraction to end.
  Engine->Assert(NewItem("x"));
  EXPECT_EQ(Log, (std::vector<std::string>{
                     " ==> f-2 (item (name x))\r\n", " ==> f-3 (item (name b))\r\n",
                     " ==> f-4 (item (name c))\r\n", "retract (item (name a))",
                     " <== f-1 (item (name a))\r\n", "assert c", " ==> f-5 (item (name d))\r\n",
                     "assert d", "assert b", "assert x"}));
  EXPECT_EQ(Ids(), (std::vector<int32_t>{0, 2, 3, 4, 5}));
}

TEST_F(InferenceEngineTest, ModifyRetractsAndAssertsUnderANewId) {
  Listen();
  IFact Fact = NewItem("a");
  Engine->Assert(Fact);
  Log.clear();
  Engine->BeginFactModify(Fact);
  EXPECT_TRUE(Engine->IsModifying());
  Fact->SetValue("name", Atom("b"));
  Engine->EndFactModify(Fact);
  EXPECT_FALSE(Engine->IsModifying());
  EXPECT_EQ(Fact->GetID(), 2);
  EXPECT_EQ(Log,
            (std::vector<std::string>{"retract (item (name a))", " <== f-1 (item (name a))\r\n",
                                      " ==> f-2 (item (name b))\r\n", "assert (item (name b))"}));
  // The old text no longer counts as present.
  EXPECT_EQ(Engine->Assert(NewItem("a")), 3);

  // A failed assertion still ends the modification.
  Engine->BeginFactModify(Fact);
  Fact->SetTemplate(nullptr);
  EXPECT_EQ(ErrorOf([&] { Engine->EndFactModify(Fact); }), "Fact Template is missing");
  EXPECT_FALSE(Engine->IsModifying());
}

TEST_F(InferenceEngineTest, FactChangedInPlaceLeavesNoStaleIndexEntry) {
  IFact Fact = NewItem("a");
  Engine->Assert(Fact);
  // Indexed under its old text, the fact must leave the index by identity.
  Fact->SetValue("name", Atom("b"));
  Engine->Retract(Fact->GetID());
  EXPECT_EQ(Engine->Assert(NewItem("a")), 2);
  EXPECT_EQ(Engine->Assert(NewItem("a")), -1);
}

// The index keeps fact IDs and marks its empty places with the lowest
// integer; a fact preserving that very ID must still count as present.
TEST_F(InferenceEngineTest, PreservedLowestIdStillDetectsDuplicates) {
  Engine->GetFacts().SetPreserveIDs(true);
  const IFact Lowest = NewItem("low", INT32_MIN);
  Engine->GetFacts().Add(Lowest);
  ASSERT_EQ(Lowest->GetID(), INT32_MIN);
  EXPECT_EQ(Ids(), (std::vector<int32_t>{INT32_MIN, 0}));
  Engine->GetFacts().SetPreserveIDs(false);
  EXPECT_EQ(Engine->Assert(NewItem("low")), -1);
  EXPECT_EQ(Engine->GetFacts().FindFact(NewItem("low")), 0);
  EXPECT_EQ(Engine->Assert(NewItem("other")), 1);
  EXPECT_EQ(Engine->Retract(Lowest), 0);
  EXPECT_EQ(Engine->Assert(NewItem("low")), 2);
}

// Under each policy a second template or type of a name is kept out,
// refused, or takes the first one's place, announced as it does.
TEST_F(InferenceEngineTest, DuplicateNamesFollowDuplicateConstructs) {
  std::vector<std::string> Events;
  Engine->SetOnNewFactTemplate(
      [&](TObject*, const IFactTemplate& T) { Events.push_back("new " + T->GetComment()); });
  Engine->SetOnRemoveFactTemplate(
      [&](TObject*, const IFactTemplate& T) { Events.push_back("remove " + T->GetComment()); });
  Engine->SetOnAddDefinedType([&](TObject*, const IIEDefinedType& Type) {
    Events.push_back("add " + KindsToString(Type->GetBaseTypes(), " "));
  });
  Engine->SetOnRemoveDefinedType([&](TObject*, const IIEDefinedType& Type) {
    Events.push_back("remove " + KindsToString(Type->GetBaseTypes(), " "));
  });
  const auto Check = [&](auto& Table, const auto& First, const auto& Second,
                         const std::string& Name, const std::string& Refused,
                         const std::vector<std::string>& Replaced) {
    Table.Add(First);
    Events.clear();
    Engine->SetDuplicateConstructs(dcIgnore);
    Table.Add(Second);
    EXPECT_EQ(Table.Get(Name), First);
    Engine->SetDuplicateConstructs(dcError);
    EXPECT_EQ(ErrorOf([&] { Table.Add(Second); }), Refused);
    EXPECT_EQ(Table.Get(Name), First);
    EXPECT_TRUE(Events.empty());
    Engine->SetDuplicateConstructs(dcOverwrite);
    Table.Add(Second);
    EXPECT_EQ(Table.Get(Name), Second);
    EXPECT_EQ(Events, Replaced);
  };
  Item->SetComment("first");
  const IFactTemplate Second = new TFactTemplate(Engine, "item");
  Second->SetComment("second");
  Check(Engine->GetFactTemplates(), Item, Second, "item",
        "Fact Template Name already exists: \"item\"", {"remove first", "new second"});
  EXPECT_EQ(Engine->GetFactTemplates().GetCount(), 3);
  Check(Engine->GetDefinedTypes(),
        IIEDefinedType(new TTestType("temperature", TIETypes{dtFloat}, false)),
        IIEDefinedType(new TTestType("temperature", TIETypes{dtInteger}, false)), "temperature",
        "Defined Type Name already exists: \"temperature\"", {"remove FLOAT", "add INTEGER"});
}

TEST_F(InferenceEngineTest, ClearEmptiesTheKnowledgeBase) {
  Engine->Assert(NewItem("a"));
  Engine->GetDefinedTypes().Add(new TTestType("temperature", TIETypes{dtFloat}, false));
  Engine->GetEngineVariables()->Put("v", Int(1));
  Engine->AddPendingFact(NewItem("b"), true);
  Engine->SetSymbolIndex(5);
  std::vector<std::string> Events;
  Engine->SetOnClearFactTemplates([&](TObject*) { Events.push_back("templates"); });
  Engine->SetOnClearDefinedTypes([&](TObject*) { Events.push_back("types"); });
  Engine->SetOnClearFacts([&](TObject*) { Events.push_back("facts"); });
  Engine->SetOnClear([&](TObject*) { Events.push_back("clear"); });

  Engine->Clear();
  // The facts go before the templates they stand on, each announced once.
  EXPECT_EQ(Events, (std::vector<std::string>{"facts", "templates", "types", "clear"}));
  EXPECT_EQ(Engine->GetFacts().GetCount(), 0);
  EXPECT_EQ(Engine->GetDefinedTypes().GetCount(), 0);
  EXPECT_EQ(Engine->GetEngineVariables()->GetCount(), 0);
  EXPECT_EQ(TemplateNames(), (std::vector<std::string>{"Initial-Fact", "__NOT-OR-TEST-CE*"}));
  EXPECT_EQ(Engine->GetNullFact()->GetTemplate(),
            Engine->GetFactTemplates().Get("__NOT-OR-TEST-CE*"));
  EXPECT_EQ(Engine->GetSymbolIndex(), 5);
  // The queued fact went with the rest.
  EXPECT_EQ(Engine->Assert(Engine->CreateFactTemplate("point")->NewFact()), 0);
  EXPECT_EQ(Engine->GetFacts().GetCount(), 1);

  // Destruction clears without telling anyone.
  Events.clear();
  Engine->Free();
  Engine = Create<TInferenceEngine>(nullptr);
  EXPECT_TRUE(Events.empty());
}

TEST_F(InferenceEngineTest, FactWithoutTemplateIsRefused) {
  Listen();
  EXPECT_EQ(ErrorOf([&] { Engine->Assert(IFact(new TFact(nullptr))); }),
            "Fact Template is missing");
  EXPECT_EQ(Engine->GetFacts().GetCount(), 1);
  EXPECT_EQ(Engine->GetNextFactId(), 1);
  EXPECT_TRUE(Log.empty());
}

}  // namespace
}  // namespace ie
