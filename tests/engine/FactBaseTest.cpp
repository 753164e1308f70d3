#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"

namespace ie {
namespace {

// An engine with the template "item" (slots n and tag, in that order),
// and a check of the whole fact base against the IDs it should hold.
class FactBaseTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Engine = Create<TInferenceEngine>(nullptr);
    Engine->Parse("(deftemplate item (slot n) (slot tag))", true);
    Item = Engine->GetFactTemplates().Get("item");
  }
  void TearDown() override { Engine->Free(); }

  IFact NewItem(int32_t N, int32_t ID = -1) {
    IFact Fact = Item->NewFact();
    Fact->SetValue("n", Int(N));
    Fact->SetID(ID);
    return Fact;
  }
  TFacts& Facts() { return Engine->GetFacts(); }
  IFact ByID(int32_t ID) { return Facts().GetFactByID(ID); }

  // Iteration, positions and every lookup agree with Ids; the Gone IDs
  // are found nowhere.
  void ExpectIds(const std::vector<int32_t>& Ids, const std::vector<int32_t>& Gone = {}) {
    std::vector<int32_t> Walked;
    for (const IFact& Fact : Facts()) Walked.push_back(Fact->GetID());
    ASSERT_EQ(Walked, Ids);
    ASSERT_EQ(Facts().GetCount(), static_cast<int32_t>(Ids.size()));
    for (int32_t Position = 0; Position < Facts().GetCount(); ++Position) {
      const IFact& Fact = Facts().Get(Position);
      ASSERT_EQ(Fact->GetID(), Ids[Position]) << Position;
      ASSERT_EQ(Facts().FindFact(Ids[Position]), Position);
      ASSERT_EQ(ByID(Ids[Position]), Fact);
      ASSERT_EQ(Facts().IndexOf(Fact), Position);
    }
    for (const int32_t ID : Gone) {
      ASSERT_EQ(Facts().FindFact(ID), -1) << ID;
      ASSERT_EQ(ByID(ID), nullptr) << ID;
    }
    const int32_t Count = Facts().GetCount();
    EXPECT_EQ(ErrorOf<EListError>([&] { Facts().Get(Count); }),
              "List index out of bounds (" + std::to_string(Count) + ")");
  }
  // Retracts ID, which must be at the position Ids gives, and moves it to
  // Gone.
  void Retract(int32_t ID, std::vector<int32_t>& Ids, std::vector<int32_t>& Gone) {
    const auto It = std::find(Ids.begin(), Ids.end(), ID);
    EXPECT_EQ(Engine->Retract(ID), It - Ids.begin()) << ID;
    if (It != Ids.end()) Ids.erase(It);
    Gone.push_back(ID);
  }
  TInferenceEngine* Engine = nullptr;
  IFactTemplate Item;
};

TEST_F(FactBaseTest, PositionsAndLookupsHoldThroughRetractionsFromAnywhere) {
  std::vector<int32_t> Ids{0};
  std::vector<int32_t> Gone;
  for (int32_t N = 1; N <= 300; ++N) {
    ASSERT_EQ(Engine->Assert(NewItem(N)), N);
    Ids.push_back(N);
  }
  // From the middle: fewer holes than facts.
  for (int32_t ID = 3; ID <= 300; ID += 3) Retract(ID, Ids, Gone);
  ExpectIds(Ids, Gone);
  // From the front, until the holes outnumber the facts and go.
  for (int32_t ID = 1; ID <= 250; ++ID) {
    if (ID % 3 != 0) Retract(ID, Ids, Gone);
  }
  ExpectIds(Ids, Gone);
  // New facts follow the old ones, and equal ones are still refused.
  for (int32_t N = 1000; N < 1100; ++N) {
    Ids.push_back(Engine->Assert(NewItem(N)));
    ASSERT_EQ(Ids.back(), 301 + N - 1000);
  }
  EXPECT_EQ(Engine->Assert(NewItem(1050)), -1);
  ExpectIds(Ids, Gone);
  // From the back to the last fact, then none at all.
  while (Ids.size() > 1) Retract(Ids.back(), Ids, Gone);
  ExpectIds(Ids, Gone);
  Retract(0, Ids, Gone);
  ExpectIds(Ids, Gone);
  EXPECT_EQ(Engine->Assert(NewItem(1)), 401);
  ExpectIds({401}, Gone);
}

TEST_F(FactBaseTest, PreservedIdsFindTheirPlaceAmongHoles) {
  std::vector<int32_t> Ids{0};
  std::vector<int32_t> Gone;
  for (int32_t N = 1; N <= 10; ++N) Ids.push_back(Engine->Assert(NewItem(N)));
  for (const int32_t ID : {4, 5, 6}) Retract(ID, Ids, Gone);
  Facts().SetPreserveIDs(true);
  // A retracted fact's ID is free again; an ID below every other goes
  // first.
  const IFact Again = NewItem(50, 5);
  Facts().Add(Again);
  const IFact Lowest = NewItem(51, -7);
  Facts().Add(Lowest);
  EXPECT_EQ(Again->GetID(), 5);
  EXPECT_EQ(Lowest->GetID(), -7);
  Ids = {-7, 0, 1, 2, 3, 5, 7, 8, 9, 10};
  Gone = {4, 6};
  ExpectIds(Ids, Gone);
  EXPECT_EQ(ByID(5), Again);
  Retract(5, Ids, Gone);
  ExpectIds(Ids, Gone);
}

// A host may insert a fact anywhere; its ID is then out of order, and it
// must still be found, as must every other fact.
TEST_F(FactBaseTest, FactsInsertedOutOfIdOrderAreStillFound) {
  for (int32_t N = 1; N <= 10; ++N) Engine->Assert(NewItem(N));
  const IFact Inserted = NewItem(100);
  Facts().Insert(2, Inserted);
  EXPECT_EQ(Inserted->GetID(), 11);
  std::vector<int32_t> Ids{0, 1, 11, 2, 3, 4, 5, 6, 7, 8, 9, 10};
  std::vector<int32_t> Gone;
  ExpectIds(Ids, Gone);
  // Enough retractions that the holes go.
  for (const int32_t ID : {1, 3, 4, 5, 6, 7, 8}) Retract(ID, Ids, Gone);
  ExpectIds(Ids, Gone);
  Ids.push_back(Engine->Assert(NewItem(101)));
  ExpectIds(Ids, Gone);
  EXPECT_EQ(Engine->Assert(NewItem(100)), -1);

  EXPECT_EQ(ErrorOf<EListError>([&] { Facts().Insert(99, NewItem(102)); }),
            "List index out of bounds (99)");
  ExpectIds(Ids, Gone);
}

// The handler runs before the fact leaves the list: what it retracts
// moves the fact to another position.
TEST_F(FactBaseTest, RetractionHandlersMayRetractOtherFacts) {
  for (int32_t N = 1; N <= 3; ++N) Engine->Assert(NewItem(N));
  Engine->SetOnRetraction([this](TObject*, const IFact& Fact) {
    if (Fact->GetID() == 3) Engine->Retract(1);
  });
  EXPECT_EQ(Engine->Retract(3), 3);
  ExpectIds({0, 2}, {1, 3});
  EXPECT_EQ(Engine->Assert(NewItem(3)), 4);
  EXPECT_EQ(Engine->Assert(NewItem(1)), 5);
}

}  // namespace
}  // namespace ie
