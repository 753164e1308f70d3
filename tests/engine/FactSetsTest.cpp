#include <gtest/gtest.h>

#include "TestSupport.h"
#include "engine/InferenceEngine.h"
#include "runtime/Filer.h"

namespace ie {
namespace {

IIEValue Int(int32_t Value) { return new TIEValue(Value, dtInteger); }

// An engine with the template "item" (one integer slot "n").
class FactSetsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Item = new TFactTemplate(Engine, "item");
    Item->AddSlot("n", Int(0));
    Engine->GetFactTemplates().Add(Item);
  }
  void TearDown() override { Engine->Free(); }

  IFact NewItem(int32_t N) {
    IFact Fact = Item->NewFact();
    Fact->SetValue("n", Int(N));
    return Fact;
  }
  std::string Listing() const {
    std::string Text;
    for (const IFact& Fact : Engine->GetFacts()) Text += Fact->GetToIDString() + " ";
    return Text;
  }

  TInferenceEngine* Engine = nullptr;
  IFactTemplate Item;
};

TEST_F(FactSetsTest, ResetAssertsFreshCopiesOfEverySetAfterTheInitialFact) {
  auto* Set = Create<TFactSet>(Engine);
  EXPECT_EQ(Set->GetFactSetName(), "FactSet");
  EXPECT_EQ(Engine->GetFactSets().Get(0), Set);
  const IFact One = NewItem(1);
  Set->AddFact(One);
  Set->AddFact(NewItem(2));
  Set->SetComment("two items");
  EXPECT_EQ(Set->GetToString(),
            "(deffacts FactSet \"two items\"\r\n    (item (n 1))\r\n    (item (n 2))\r\n)");
  // A line nobody read yet prints as it was written.
  Set->GetFacts().Add("(item (n  3))", nullptr);
  EXPECT_EQ(Set->GetToString().substr(Set->GetToString().rfind("    (item")),
            "    (item (n  3))\r\n)");
  Set->GetFacts().Delete(2);

  Engine->Reset();
  EXPECT_EQ(Listing(), "f-0 (Initial-Fact) f-1 (item (n 1)) f-2 (item (n 2)) ");
  EXPECT_EQ(One->GetID(), -1);  // the stored fact itself is never asserted

  Engine->SetFactDuplication(true);
  Set->Reset();
  EXPECT_EQ(Engine->GetFacts().GetCount(), 5);
}

TEST_F(FactSetsTest, SetsJoinAndLeaveTheirEngine) {
  auto* First = Create<TFactSet>(nullptr);
  First->SetFactSetName("start");
  First->AddFact(NewItem(1));
  First->SetEngine(Engine);
  auto* Namesake = Create<TFactSet>(nullptr);
  Namesake->SetFactSetName("start");
  Engine->GetFactSets().Add(Namesake);
  EXPECT_EQ(First->GetEngine(), nullptr);  // one set per name
  EXPECT_EQ(Engine->GetFactSets().GetCount(), 1);

  EXPECT_EQ(First->GetFact(0), nullptr);  // a detached set forgets what it read
  Namesake->Free();
  EXPECT_EQ(Engine->GetFactSets().GetCount(), 0);
  First->Free();

  auto* Second = Create<TFactSet>(nullptr);
  Second->AddFact(NewItem(2));
  Second->SetEngine(Engine);
  Engine->Clear();
  EXPECT_EQ(Second->GetEngine(), nullptr);
  EXPECT_EQ(Second->GetFactCount(), 1);  // the lines stay, their facts go
  EXPECT_EQ(Second->GetFact(0), nullptr);
  Second->Free();
}

TEST_F(FactSetsTest, ASetReadFromAStreamAssertsItsFacts) {
  auto* Set = Create<TFactSet>(Engine);
  Set->SetFacts({"(item (n 1))", "(item (n 2))"});
  TStringStream Bytes;
  WriteComponent(&Bytes, Set);
  Bytes.SetPosition(0);
  ReadComponent(&Bytes, Set);
  EXPECT_EQ(Listing(), "f-0 (Initial-Fact) f-1 (item (n 1)) f-2 (item (n 2)) ");

  // At design time it only holds its facts.
  Set->SetDesigning(true);
  Bytes.SetPosition(0);
  ReadComponent(&Bytes, Set);
  EXPECT_EQ(Engine->GetFacts().GetCount(), 3);
}

// Which globals a reset restores is shown by the settings/globals script.
TEST_F(FactSetsTest, ResetIsAnnouncedOnceAndLeavesTheInitialFact) {
  Engine->Parse("(assert (item (n 1)))", true);
  int32_t Resets = 0;
  Engine->SetOnReset([&](TObject*) { ++Resets; });
  Engine->Reset();
  EXPECT_EQ(Resets, 1);
  EXPECT_EQ(Listing(), "f-0 (Initial-Fact) ");
}

}  // namespace
}  // namespace ie
