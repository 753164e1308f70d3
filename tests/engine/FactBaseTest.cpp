#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "ValueSupport.h"
#include "engine/InferenceEngine.h"
#include "functions/FunctionTestSupport.h"
#include "rete/IEContext.h"

namespace ie {
namespace {

using functiontest::Arg;
using functiontest::Lambda;

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
  // The text of the fact with that ID.
  std::string TextOf(int32_t ID) { return ByID(ID)->GetToString(); }

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

TEST_F(FactBaseTest, AssertedFactsShareEqualIntegersAndAtoms) {
  const int32_t A = Engine->Assert("(item (n 7) (tag red))");
  const int32_t B = Engine->Assert("(item (n 7) (tag blue))");
  const int32_t C = Engine->Assert("(item (n 8) (tag red))");
  EXPECT_EQ(ByID(A)->PeekValue(0), ByID(B)->PeekValue(0));
  EXPECT_EQ(ByID(A)->PeekValue(1), ByID(C)->PeekValue(1));
  EXPECT_TRUE(ByID(A)->PeekValue(0)->IsFrozen());

  // What a fact hands out is its own: changing it changes that fact only.
  ByID(A)->GetValue("n")->SetAsInteger(9);
  ByID(C)->GetValue("tag")->SetAsAtom("green");
  EXPECT_EQ(TextOf(A), "(item (n 9) (tag red))");
  EXPECT_EQ(TextOf(B), "(item (n 7) (tag blue))");
  EXPECT_EQ(TextOf(C), "(item (n 8) (tag green))");
  EXPECT_EQ(Engine->Assert("(item (n 7) (tag red))"), 4);

  // Another engine has values of its own.
  TInferenceEngine* Other = Create<TInferenceEngine>(nullptr);
  Other->Parse("(deftemplate item (slot n) (slot tag))", true);
  const int32_t D = Other->Assert("(item (n 7) (tag blue))");
  EXPECT_NE(Other->GetFacts().GetFactByID(D)->PeekValue(0), ByID(B)->PeekValue(0));
  Other->Free();
}

TEST_F(FactBaseTest, ValuesSomeoneElseHoldsOrMarkedAreNotShared) {
  Engine->Assert("(item (n 7) (tag red))");
  // The host keeps its value: the fact holds that very object.
  const IIEValue Kept = Int(7);
  IFact Fact = NewItem(0);
  Fact->SetValue("n", Kept);
  Fact->SetValue("tag", Atom("blue"));
  Engine->Assert(Fact);
  EXPECT_EQ(Fact->PeekValue(0), Kept);
  Kept->SetAsInteger(70);
  EXPECT_EQ(Fact->GetToString(), "(item (n 70) (tag blue))");
  EXPECT_EQ(TextOf(1), "(item (n 7) (tag red))");

  // A tag tells a value apart: it stays the fact's own.
  IFact Tagged = NewItem(0);
  IIEValue Seven = Int(7);
  Seven->SetTag(42);
  Tagged->SetValue("n", std::move(Seven));
  Tagged->SetValue("tag", Atom("green"));
  Engine->Assert(Tagged);
  EXPECT_EQ(Tagged->PeekValue(0)->GetTag(), 42);
  EXPECT_FALSE(Tagged->PeekValue(0)->IsFrozen());
}

// A value converted in place as it is stored must not be a shared one.
TEST_F(FactBaseTest, DynamicChecksConvertACopyOfASharedValue) {
  Engine->Parse("(deftemplate reading (slot level (type FLOAT)))", true);
  Engine->SetTypeChecks(TTypeChecks{tcDynamic});
  const int32_t A = Engine->Assert("(item (n 3) (tag x))");
  const int32_t B = Engine->Assert("(item (n 3) (tag y))");
  IFact Reading = Engine->GetFactTemplates().Get("reading")->NewFact();
  Reading->SetValue("level", ByID(A)->PeekValue(0));
  EXPECT_EQ(Reading->GetToString(), "(reading (level 3.0000))");
  EXPECT_EQ(TextOf(A), "(item (n 3) (tag x))");
  EXPECT_EQ(TextOf(B), "(item (n 3) (tag y))");
}

// A host function may change the value a rule binds; the fact it came
// from changes, not the facts that share an equal value.
TEST_F(FactBaseTest, ChangingABoundValueChangesItsFactOnly) {
  Engine->AddUserFunction(Lambda("bump", [](const IFunCall& Call, TIEContext* Context,
                                            IIEValue& Result) {
    Arg(Call, 0, Context)->SetAsInteger(99);
    Result = FCTrue;
  }));
  Engine->Parse("(defrule bump (item (n ?n) (tag red)) => (bump ?n))", true);
  const int32_t Red = Engine->Assert("(item (n 7) (tag red))");
  const int32_t Blue = Engine->Assert("(item (n 7) (tag blue))");
  EXPECT_EQ(Engine->Run(), 1);
  EXPECT_EQ(TextOf(Red), "(item (n 99) (tag red))");
  EXPECT_EQ(TextOf(Blue), "(item (n 7) (tag blue))");
}

// Atoms enough that the table of shared atoms grows several times: each
// is still found and shared.
TEST_F(FactBaseTest, SharedAtomsSurviveTheirTableGrowing) {
  std::vector<int32_t> First;
  for (int32_t N = 0; N < 200; ++N) {
    First.push_back(Engine->Assert("(item (n 1) (tag a" + std::to_string(N) + "))"));
  }
  for (int32_t N = 0; N < 200; ++N) {
    const int32_t ID = Engine->Assert("(item (n 2) (tag a" + std::to_string(N) + "))");
    ASSERT_EQ(ByID(ID)->PeekValue(1), ByID(First[N])->PeekValue(1)) << N;
  }
}

}  // namespace
}  // namespace ie
