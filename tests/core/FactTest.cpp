#include <gtest/gtest.h>

#include "FactTestSupport.h"
#include "libs/Hashing.h"

namespace ie {
namespace {

using namespace facttest;

IFactTemplate PersonTemplate(TComponent* Owner = nullptr) {
  IFactTemplate T = new TFactTemplate(Owner, "person");
  T->AddSlot("name", new TIEValue("", dtString));
  T->AddSlot("age", Int(0));
  return T;
}

class FactEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TTestEngine>(nullptr); }
  void TearDown() override { Engine->Free(); }

  TTestEngine* Engine = nullptr;
};

TEST(FactTest, UnsetSlotsReadAsCopiesOfTheirDefaults) {
  IFactTemplate T = new TFactTemplate(nullptr, "counter");
  T->AddSlot("count", Int(0));
  IFact F = new TFact(T);
  EXPECT_EQ(F->GetID(), -1);
  EXPECT_TRUE(F->GetSlotNames().empty());
  const IIEValue Count = F->GetValue("count");
  EXPECT_EQ(Count->GetAsInteger(), 0);
  EXPECT_NE(Count, T->GetSlot("count")->GetSlotDefault());
  EXPECT_EQ(F->GetValue("count"), Count);  // stored once read
  EXPECT_EQ(F->GetSlotNames(), std::vector<std::string>{"count"});

  IIEValue Found;
  EXPECT_TRUE(F->ContainsKey("count", Found));
  EXPECT_EQ(Found, Count);
  EXPECT_FALSE(F->ContainsKey("other", Found));

  const IFact Filled = T->NewFact();
  EXPECT_EQ(Filled->GetSlotNames(), std::vector<std::string>{"count"});
  EXPECT_NE(Filled->GetValue("count"), T->GetSlot("count")->GetSlotDefault());
}

TEST(FactTest, NewFactsShareDefaultsYetEachReadsItsOwnCopy) {
  IFactTemplate T = new TFactTemplate(nullptr, "counter");
  T->AddSlot("count", Int(0));
  const IFact A = T->NewFact();
  const IFact B = T->NewFact();
  // Until read for change, both facts hold one frozen copy of the default.
  EXPECT_EQ(A->PeekValue(0), B->PeekValue(0));
  EXPECT_TRUE(A->PeekValue(0)->IsFrozen());
  EXPECT_NE(A->PeekValue(0), T->GetSlot("count")->GetSlotDefault());

  // Changing the default in place reaches neither fact made before it.
  T->GetSlot("count")->GetSlotDefault()->SetAsInteger(5);
  EXPECT_EQ(A->PeekValue(0)->GetAsInteger(), 0);
  EXPECT_EQ(T->NewFact()->GetValue("count")->GetAsInteger(), 5);

  // A value read is the fact's own: changing it leaves the other fact be.
  const IIEValue Count = A->GetValue("count");
  EXPECT_FALSE(Count->IsFrozen());
  EXPECT_EQ(A->GetValue("count"), Count);
  Count->SetAsInteger(7);
  EXPECT_EQ(B->GetValue("count")->GetAsInteger(), 0);
  const std::vector<IIEValue> Values = B->GetSlotValues();
  ASSERT_EQ(Values.size(), 1u);
  EXPECT_FALSE(Values[0]->IsFrozen());
  EXPECT_EQ(Values[0], B->GetValue("count"));
}

TEST(FactTest, ValuesNeedATemplateAndAKnownSlot) {
  IFact Bare = new TFact(nullptr);
  EXPECT_EQ(ErrorOf([&] { Bare->GetValue("a"); }), "Fact Template is missing");
  EXPECT_EQ(ErrorOf([&] { Bare->SetValue("a", Int(1)); }), "Fact Template is missing");
  EXPECT_EQ(ErrorOf([&] { Bare->GetHashCode(); }), "Fact Template is missing");

  IFact F = new TFact(PersonTemplate());
  EXPECT_EQ(ErrorOf([&] { F->GetValue("Age"); }), "No such slot name: \"Age\"");
  EXPECT_EQ(ErrorOf([&] { F->SetValue("height", Int(1)); }), "No such slot name: \"height\"");
  // The value object itself is stored.
  const IIEValue Age = Int(41);
  F->SetValue("age", Age);
  EXPECT_EQ(F->GetValue("age"), Age);
  F->SetValue("age", nullptr);
  EXPECT_EQ(F->GetValue("age"), FCNil);
}

TEST_F(FactEngineTest, DynamicChecksConvertOrRefuseValues) {
  IFactTemplate T = new TFactTemplate(Engine, "reading");
  T->AddSlot("level", Flt(0));
  T->GetSlot("level")->SetSlotType(TIETypes{dtFloat});
  T->AddSlot("age", Int(0));
  T->GetSlot("age")->SetSlotType(TIETypes{dtInteger});
  T->AddSlot("heat", FCNil);
  T->GetSlot("heat")->SetExtendedTypeInfo(new TTestType("temperature", TIETypes{dtFuzzy}, false));
  IFact F = T->NewFact();

  // Unchecked while dynamic checks are off.
  F->SetValue("age", Atom("old"));
  EXPECT_EQ(F->GetValue("age")->GetText(), "old");
  F->SetValue("age", Int(30));

  Engine->TypeChecks = TTypeChecks{tcDynamic};
  const IIEValue Three = Int(3);
  F->SetValue("level", Three);
  EXPECT_EQ(F->GetValue("level"), Three);
  EXPECT_EQ(Three->GetDType(), dtFloat);
  EXPECT_EQ(Three->GetAsFloat(), 3.0);

  const IIEValue Hot = Atom("hot");
  F->SetValue("heat", Hot);
  EXPECT_EQ(Hot->GetDType(), dtFuzzy);
  EXPECT_EQ(Hot->GetAsFuzzy()->GetName(), "hot");
  F->SetValue("heat", FCTrue);  // a shared constant is copied, never changed
  EXPECT_EQ(FCTrue->GetDType(), dtAtom);
  EXPECT_EQ(F->GetValue("heat")->GetDType(), dtFuzzy);

  EXPECT_EQ(ErrorOf([&] { F->SetValue("age", Atom("red")); }),
            "Not a INTEGER type.  Value (red) is a dtAtom type for age slot");
  EXPECT_EQ(F->GetValue("age")->GetAsInteger(), 30);
  EXPECT_EQ(ErrorOf([&] { F->SetValue("level", Atom("high")); }),
            "Not a FLOAT type.  Value (high) is a dtAtom type for level slot");
}

TEST(FactTest, ChangingTemplateKeepsSharedSlotsOnly) {
  IFactTemplate First = new TFactTemplate(nullptr, "first");
  First->AddSlot("a", Int(0));
  First->AddSlot("b", Int(0));
  IFactTemplate Second = new TFactTemplate(nullptr, "second");
  Second->AddSlot("a", Int(0));
  Second->AddSlot("c", Int(7));
  IFact F = new TFact(First);
  const IIEValue A = Int(1);
  F->SetValue("a", A);
  F->SetValue("b", Int(2));
  F->SetTemplate(Second);
  EXPECT_EQ(F->GetValue("a"), A);
  EXPECT_EQ(F->GetValue("c")->GetAsInteger(), 7);
  EXPECT_EQ(ErrorOf([&] { F->GetValue("b"); }), "No such slot name: \"b\"");
  F->SetTemplate(nullptr);
  EXPECT_TRUE(F->GetSlotNames().empty());
}

TEST(FactTest, FactsFollowLaterChangesOfTheirTemplate) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  T->AddSlot("b", Int(0));
  IFact F = new TFact(T);
  F->SetValue("b", Int(2));
  T->AddSlot("a", Int(9));
  EXPECT_EQ(F->GetValue("a")->GetAsInteger(), 9);
  EXPECT_EQ(F->GetValue("b")->GetAsInteger(), 2);
  EXPECT_EQ(F->GetToString(), "(t (a 9) (b 2))");
  // A renamed slot reads its default; the value stays under the old name.
  T->GetSlot("b")->SetName("c");
  EXPECT_EQ(F->GetValue("c")->GetAsInteger(), 0);
  EXPECT_EQ(F->GetValue("b")->GetAsInteger(), 2);
  EXPECT_EQ(F->GetToString(), "(t (a 9) (c 0))");
  EXPECT_EQ(F->GetSlotNames(), (std::vector<std::string>{"a", "c", "b"}));
  // The name back, the kept value is in its slot again.
  F->SetValue("b", Int(5));
  T->GetSlot("c")->SetName("b");
  EXPECT_EQ(F->GetToString(), "(t (a 9) (b 5))");
  // The value read under c is kept in turn.
  EXPECT_EQ(F->GetSlotNames(), (std::vector<std::string>{"a", "b", "c"}));
}

TEST(FactTest, EqualityComparesNonFuzzySlotsOfTheSameTemplate) {
  IFactTemplate T = PersonTemplate();
  T->AddSlot("mood", FCNil);
  T->GetSlot("mood")->SetSlotType(TIETypes{dtFuzzy});
  IFact A = T->NewFact();
  IFact B = T->NewFact();
  A->SetValue("age", Int(30));
  EXPECT_FALSE(A->Equals(B));
  B->SetValue("age", Int(30));
  EXPECT_TRUE(A->Equals(B));
  B->SetValue("age", Flt(30));
  EXPECT_FALSE(A->Equals(B));
  B->SetValue("age", Int(30));

  A->SetValue("mood", new TIEValue(IFuzzySet(new TIFuzzySet("calm"))));
  B->SetValue("mood", new TIEValue(IFuzzySet(new TIFuzzySet("angry"))));
  EXPECT_TRUE(A->Equals(B));
  EXPECT_NE(A->GetHashCode(), B->GetHashCode());

  B->SetID(12);
  EXPECT_TRUE(A->Equals(B));
  const IFact Copy = A->Clone();
  EXPECT_EQ(Copy->GetID(), A->GetID());
  EXPECT_TRUE(Copy->Equals(A));

  IFact Twin = new TFact(PersonTemplate());
  Twin->SetValue("age", Int(30));
  EXPECT_FALSE(Twin->Equals(B));
  // Equal templates are not enough: duplicates share the template object.
  EXPECT_TRUE(Twin->GetTemplate()->Equals(T));
}

TEST(FactTest, HashIsTheTemplateHashAndTheConcatenatedValueTexts) {
  IFactTemplate T = new TFactTemplate(nullptr, "mix");
  T->AddSlot("a", Atom("x"));
  T->AddSlot("b", Int(0));
  T->AddSlot("c", Flt(0));
  T->AddSlot("d", new TIEValue("q\"b\\", dtString));
  T->AddMultiSlot("e", List({}));
  T->AddSlot("f", new TIEValue("v", dtVariable));
  T->AddSlot("g", new TIEValue(4, dtFactId));
  T->AddSlot("h", new TIEValue(1e20));
  IFact F = T->NewFact();
  F->SetValue("b", Int(-42));
  F->SetValue("c", Flt(2.5));
  F->SetValue("e", List({Atom("x"), new TIEValue("y", dtString), Int(3), Flt(-0.125)}));

  std::string Texts;
  for (const std::string& Name : F->GetSlotNames()) Texts += F->GetValue(Name)->GetToString();
  EXPECT_EQ(Texts,
            "x-422.5000\"q\\\"b\\\\\"x \"y\" 3 -0.1250 ?v<Fact-4>100000000000000000000.0000");
  const uint32_t Expected = static_cast<uint32_t>(T->GetHashCode()) * 31u +
                            static_cast<uint32_t>(HashStringStep(Texts, 1));
  EXPECT_EQ(F->GetHashCode(), static_cast<int32_t>(Expected));

  // Unset slots hash as their defaults.
  IFact Fresh = new TFact(T);
  EXPECT_EQ(Fresh->GetHashCode(), T->NewFact()->GetHashCode());
}

// Integers and atoms are hashed without their text being written; the
// hash must still be that of the text, at every length and sign.
TEST(FactTest, HashOfNumbersAndAtomsFollowsTheirText) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  T->AddSlot("a", Atom("x"));
  T->AddSlot("n", Int(0));
  for (const int32_t Number :
       {0, 7, -7, 10, 99, 100, -100, 12345, -123456, 1000000000, INT32_MAX, INT32_MIN}) {
    for (const std::string& Text :
         {std::string(), std::string("abc"), std::string("abcd"), std::string("abcdefghi")}) {
      IFact F = T->NewFact();
      F->SetValue("n", Int(Number));
      F->SetValue("a", Atom(Text));
      const std::string Texts = Text + std::to_string(Number);
      const uint32_t Expected = static_cast<uint32_t>(T->GetHashCode()) * 31u +
                                static_cast<uint32_t>(HashStringStep(Texts, 1));
      EXPECT_EQ(F->GetHashCode(), static_cast<int32_t>(Expected)) << Texts;
    }
  }
}

TEST(FactTest, TextLeavesOutEmptySlots) {
  IFact F = new TFact(PersonTemplate());
  F->SetValue("age", Int(30));
  F->SetValue("name", new TIEValue("Bob", dtString));
  EXPECT_EQ(F->GetToString(), "(person (age 30) (name \"Bob\"))");
  F->SetValue("name", new TIEValue("", dtAtom));
  EXPECT_EQ(F->GetToString(), "(person (age 30))");
  F->SetID(7);
  EXPECT_EQ(F->GetToIDString(), "f-7 (person (age 30))");

  IFactTemplate Point = new TFactTemplate(nullptr, "point");
  Point->AddMultiSlot(SDefaultSlotName, List({}));
  IFact P = Point->NewFact();
  EXPECT_EQ(P->GetToString(), "(point)");
  P->SetValue(SDefaultSlotName, List({Int(1), Int(2)}));
  EXPECT_EQ(P->GetToString(), "(point 1 2 )");
}

TEST_F(FactEngineTest, IdTextIsPaddedToTheWidthOfTheNextId) {
  IFactTemplate T = new TFactTemplate(Engine, "t");
  T->AddSlot("a", Int(1));
  IFact F = T->NewFact();
  F->SetID(3);
  Engine->NextFactId = 9;
  EXPECT_EQ(F->GetToIDString(), "f-3 (t (a 1))");
  Engine->NextFactId = 10;
  EXPECT_EQ(F->GetToIDString(), "f-03 (t (a 1))");
  F->SetID(7);
  Engine->NextFactId = 120;
  EXPECT_EQ(F->GetToIDString(), "f-007 (t (a 1))");
}

TEST(FactTest, CopyingValues) {
  IFactTemplate T = PersonTemplate();
  IFact Source = T->NewFact();
  Source->SetValue("age", Int(5));
  Source->SetID(4);
  Source->SetTag(9);

  IFact Copy = new TFact(nullptr, Source);
  EXPECT_EQ(Copy->GetTemplate(), T);
  EXPECT_EQ(Copy->GetID(), 4);
  EXPECT_EQ(Copy->GetTag(), 9);
  EXPECT_TRUE(Copy->Equals(Source));
  EXPECT_NE(Copy->GetValue("age"), Source->GetValue("age"));

  IFact Other = new TFact(PersonTemplate());
  EXPECT_EQ(ErrorOf([&] { Other->AssignValues(Source); }),
            "Unable to assign slot values, fact templates are different: person and person");
  IFact Same = new TFact(T);
  Same->AssignValues(Source);
  EXPECT_EQ(Same->GetValue("age")->GetAsInteger(), 5);
  EXPECT_EQ(Same->GetID(), -1);
}

TEST_F(FactEngineTest, FactsMoveBetweenEnginesThroughText) {
  IFactTemplate Local = new TFactTemplate(Engine, "t");
  Local->AddSlot("a", Int(0));
  Engine->Templates["t"] = Local;
  IFact Parsed = Local->NewFact();
  Parsed->SetValue("a", Int(5));
  Engine->FactsByText["(t (a 5))"] = Parsed;

  IFactTemplate Foreign = new TFactTemplate(nullptr, "t");
  Foreign->AddSlot("a", Int(0));
  IFact Source = Foreign->NewFact();
  Source->SetValue("a", Int(5));
  Source->SetID(8);

  IFact F = new TFact(Engine->CreateFactTemplate("other"));
  F->Assign(static_cast<TPersistent*>(Source.Get()));
  EXPECT_EQ(Engine->ParsedTexts, std::vector<std::string>{"(t (a 5))"});
  EXPECT_EQ(F->GetTemplate(), Local);
  EXPECT_EQ(F->GetValue("a")->GetAsInteger(), 5);
  EXPECT_NE(F->GetValue("a"), Parsed->GetValue("a"));
  EXPECT_EQ(F->GetID(), 8);
}

}  // namespace
}  // namespace ie
