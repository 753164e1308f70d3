#include <gtest/gtest.h>

#include "FactTestSupport.h"
#include "libs/Hashing.h"

namespace ie {
namespace {

using namespace facttest;

std::vector<std::string> NamesOf(const IFactTemplate& Template) {
  std::vector<std::string> Names;
  for (int32_t I = 0; I < Template->GetSlotNames().GetCount(); ++I) {
    Names.push_back(Template->GetSlotNames().Get(I));
  }
  return Names;
}

class FactTemplateEngineTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TTestEngine>(nullptr); }
  void TearDown() override { Engine->Free(); }

  TTestEngine* Engine = nullptr;
};

TEST(FactTemplateTest, SlotsListInCaseInsensitiveOrder) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  T->AddSlot("zeta", Int(0));
  T->AddSlot("Alpha", Int(0));
  T->AddSlot("mid", Int(0));
  EXPECT_EQ(NamesOf(T), (std::vector<std::string>{"Alpha", "mid", "zeta"}));

  const int32_t Before = T->GetHashCode();
  T->GetSlot("Alpha")->SetName("omega");
  EXPECT_EQ(NamesOf(T), (std::vector<std::string>{"mid", "omega", "zeta"}));
  EXPECT_FALSE(T->ContainsSlot("Alpha"));
  EXPECT_EQ(T->GetSlot("omega")->GetTemplateName(), "t");
  EXPECT_NE(T->GetHashCode(), Before);
  EXPECT_EQ(T->GetHashCode(), HashStringStep("tmid\r\nomega\r\nzeta\r\n", 1));

  // Names that differ only in case are two slots.
  T->AddSlot("MID", Int(1));
  EXPECT_EQ(T->GetSlotCount(), 4);
  T->RemoveSlot("MID");
  EXPECT_EQ(NamesOf(T), (std::vector<std::string>{"mid", "omega", "zeta"}));
}

TEST(FactTemplateTest, OnlyTheDataMultislotMakesATemplateOrdered) {
  IFactTemplate T = new TFactTemplate(nullptr, "point");
  EXPECT_FALSE(T->IsOrdered());
  T->AddMultiSlot(SDefaultSlotName, List({}));
  EXPECT_TRUE(T->IsOrdered());
  T->AddSlot("x", Int(0));
  EXPECT_FALSE(T->IsOrdered());
  T->RemoveSlot("x");
  EXPECT_TRUE(T->IsOrdered());
  T->ClearSlots();
  EXPECT_FALSE(T->IsOrdered());
  EXPECT_EQ(T->GetSlotCount(), 0);
}

TEST(FactTemplateTest, NamesRejectForbiddenCharacters) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  EXPECT_EQ(ErrorOf([&] { T->AddSlot("a b", Int(0)); }),
            "a b contains unexpected character: \" \"");
  EXPECT_EQ(ErrorOf([&] { T->AddSlot("x?y", Int(0)); }),
            "x?y contains unexpected character: \"?\"");
  EXPECT_EQ(T->GetSlotCount(), 0);
  EXPECT_EQ(ErrorOf([&] { T->SetTemplateName("bad(name"); }),
            "bad(name contains unexpected character: \"(\"");
  EXPECT_EQ(T->GetTemplateName(), "t");
  T->AddSlot("ok-name_1", Int(0));
  EXPECT_TRUE(T->ContainsSlot("ok-name_1"));
}

TEST(FactTemplateTest, AddingSlotsChecksDefaults) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  EXPECT_EQ(ErrorOf([&] { T->AddSlot("a", nullptr); }), "Bad Slot Type");
  EXPECT_EQ(ErrorOf([&] { T->AddMultiSlot("a", nullptr); }), "Bad Slot Type");
  EXPECT_EQ(ErrorOf([&] {
              T->AddSlot("a", List({Int(1), Int(2)}));
            }),
            "Invalid default slot value: 1 2 ");
  EXPECT_EQ(ErrorOf([&] { T->AddMultiSlot("m", new TIEValue("red", dtString)); }),
            "Invalid default value for a multislot, must be a multifield: red");
  EXPECT_EQ(ErrorOf([&] { T->AddMultiSlot("  ", List({})); }), "Bad Slot Name:   ");
  EXPECT_EQ(T->GetSlotCount(), 0);

  T->AddSlot("s", Int(1));
  T->AddMultiSlot("m", List({}));
  EXPECT_TRUE(T->GetSlot("m")->IsMultiSlot());
  EXPECT_FALSE(T->GetSlot("s")->IsMultiSlot());
  EXPECT_EQ(ErrorOf([&] { T->AddSlot("m", Int(1)); }),
            "Invalid value for existing slot, multislot is not slot");
  EXPECT_EQ(ErrorOf([&] { T->AddMultiSlot("s", List({})); }),
            "Invalid value for existing slot, slot is not multislot");
  // Adding an existing slot again only changes its default.
  T->AddSlot("s", Int(2));
  EXPECT_EQ(T->GetSlotCount(), 2);
  EXPECT_EQ(T->GetSlot("s")->GetSlotDefault()->GetAsInteger(), 2);
}

TEST(FactTemplateTest, SlotLookupAndReplacement) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  T->AddSlot("a", Int(1));
  EXPECT_EQ(ErrorOf([&] { T->GetSlot("A"); }), "No such slot name: \"A\"");
  EXPECT_EQ(ErrorOf([&] { T->RemoveSlot("b"); }), "No such slot name: \"b\"");

  IFactSlot Other = new TFactSlot();
  Other->SetName("b");
  EXPECT_EQ(ErrorOf([&] { T->SetSlot("a", Other); }),
            "Index does not match fact slot name: a and b");
  IFactSlot Replacement = new TFactSlot();
  Replacement->SetName("a");
  T->SetSlot("a", Replacement);
  EXPECT_EQ(T->GetSlot("a"), Replacement);
  EXPECT_EQ(T->GetSlotCount(), 1);
}

TEST(FactTemplateTest, ValidityFollowsTheSlotKinds) {
  IFactSlot Slot = new TFactSlot();
  Slot->SetName("n");
  Slot->SetSlotType(TIETypes{dtInteger});
  EXPECT_TRUE(Slot->IsValid(Int(5)));
  EXPECT_TRUE(Slot->IsValid(new TIEValue("x", dtVariable)));
  EXPECT_TRUE(Slot->IsValid(new TIEValue(TRef<TCustomFunctionCall>(new TCountingCall()))));
  EXPECT_TRUE(Slot->IsValid(FCNil));
  EXPECT_TRUE(Slot->IsValid(nullptr));
  EXPECT_FALSE(Slot->IsValid(Flt(5.0)));
  EXPECT_FALSE(Slot->IsValid(FCNilList));
  EXPECT_EQ(Slot->GetInvalidValueString(Int(5)), "");

  IFactSlot Age = new TFactSlot();
  Age->SetName("age");
  Age->SetSlotType(TIETypes{dtInteger, dtFloat});
  EXPECT_EQ(Age->GetInvalidValueString(Atom("red")),
            "Not a INTEGER, FLOAT type.  Value (red) is a dtAtom type for age slot");

  IFactSlot Nums = new TFactSlot();
  Nums->SetName("nums");
  Nums->SetSlotType(TIETypes{dtInteger, dtList, dtMultiSlot});
  EXPECT_TRUE(Nums->IsValid(List({Int(1), Int(2)})));
  EXPECT_TRUE(Nums->IsValid(FCNilList));
  EXPECT_FALSE(Nums->IsValid(List({Int(1), Atom("a")})));
  EXPECT_EQ(Nums->GetInvalidValueString(List({Int(1), Atom("a")})),
            "Not a INTEGER, LIST, MULTISLOT type.  Value (1 a ) is a dtAtom (a) type for nums "
            "slot");
}

TEST(FactTemplateTest, DefaultsFollowTheKindOrderAndAreTheSlotsOwn) {
  IFactSlot Slot = new TFactSlot();
  Slot->SetSlotType(TIETypes{dtFloat, dtInteger});
  const IIEValue Number = Slot->CreateValidDefault(false);
  EXPECT_EQ(Number->GetDType(), dtInteger);
  EXPECT_EQ(Number->GetAsInteger(), 0);
  EXPECT_EQ(Slot->GetSlotDefault()->GetDType(), dtInteger);
  EXPECT_EQ(Slot->CreateValidDefault(true)->GetDType(), dtList);
  EXPECT_NE(Slot->CreateValidDefault(true)->GetAsList(), FCNilList->GetAsList());

  // A default the new kinds reject is replaced.
  Slot->SetSlotType(TIETypes{dtString});
  EXPECT_EQ(Slot->GetSlotDefault()->GetDType(), dtString);
  IFactSlot Fuzzy = new TFactSlot();
  Fuzzy->SetSlotType(TIETypes{dtFuzzy});
  EXPECT_EQ(Fuzzy->GetSlotDefault(), FCNil);

  IFactTemplate T = new TFactTemplate(nullptr, "t");
  IIEValue Mine = Int(7);
  T->AddSlot("count", Mine);
  Mine->SetAsInteger(8);
  EXPECT_NE(T->GetSlot("count")->GetSlotDefault(), Mine);
  EXPECT_EQ(T->GetSlot("count")->GetSlotDefault()->GetAsInteger(), 7);
  T->AddSlot("flag", FCTrue);
  EXPECT_EQ(T->GetSlot("flag")->GetSlotDefault(), FCTrue);
}

TEST(FactTemplateTest, EqualityAndHashIgnoreComments) {
  IFactTemplate A = new TFactTemplate(nullptr, "person");
  IFactTemplate B = new TFactTemplate(nullptr, "person");
  for (const IFactTemplate& T : {A, B}) {
    T->AddSlot("name", Atom("x"));
    T->AddSlot("age", Int(0));
  }
  A->SetComment("one");
  B->SetComment("two");
  EXPECT_TRUE(A->Equals(B));
  EXPECT_EQ(A->GetHashCode(), B->GetHashCode());
  EXPECT_EQ(A->GetHashCode(), HashStringStep("personage\r\nname\r\n", 1));

  B->GetSlot("age")->SetSlotType(TIETypes{dtInteger});
  EXPECT_FALSE(A->Equals(B));
  IFactTemplate C = new TFactTemplate(nullptr, "Person");
  C->AddSlot("name", Atom("x"));
  C->AddSlot("age", Int(0));
  EXPECT_FALSE(A->Equals(C));
  // Slots only the other template has are not looked at.
  C->SetTemplateName("person");
  C->AddSlot("extra", Int(0));
  EXPECT_TRUE(A->Equals(C));
  EXPECT_FALSE(C->Equals(A));
}

TEST(FactTemplateTest, CloneCopiesSlotsWithoutSharingThem) {
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  T->SetComment("c");
  T->SetBackwardChaining(true);
  T->AddSlot("a", Int(1));
  T->AddMultiSlot("m", List({Int(2)}));
  IFactTemplate Copy = T->Clone();
  EXPECT_TRUE(Copy->Equals(T));
  EXPECT_EQ(Copy->GetTemplateName(), "t");
  EXPECT_EQ(Copy->GetComment(), "c");
  EXPECT_TRUE(Copy->IsBackwardChaining());
  EXPECT_NE(Copy->GetSlot("a"), T->GetSlot("a"));
  EXPECT_EQ(Copy->GetSlot("a")->GetTemplate(), Copy.Get());
  Copy->GetSlot("a")->SetName("b");
  EXPECT_TRUE(T->ContainsSlot("a"));
  EXPECT_FALSE(T->ContainsSlot("b"));
}

TEST(FactTemplateTest, DefinedTypeDecidesValidityExplanationAndDefault) {
  auto* Colors = new TTestType("color-type", TIETypes{dtAtom}, false);
  Colors->AllowedAtoms = {"red", "green"};
  const IIEDefinedType Type = Colors;
  IFactTemplate T = new TFactTemplate(nullptr, "t");
  T->AddSlot("color", Atom("red"));
  const IFactSlot Slot = T->GetSlot("color");
  Slot->SetExtendedTypeInfo(Type);
  EXPECT_TRUE(Slot->GetSlotType() == (TIETypes{dtAtom}));
  EXPECT_TRUE(Slot->IsValid(Atom("green")));
  EXPECT_FALSE(Slot->IsValid(Atom("blue")));
  EXPECT_EQ(Slot->GetInvalidValueString(Atom("blue")),
            "Value \"blue\" is not valid, Not in allowed values for color slot");
  EXPECT_EQ(Slot->CreateValidDefault(false)->GetText(), "red");
  IFactSlot Found;
  EXPECT_TRUE(T->ContainsType(Type, Found));
  EXPECT_EQ(Found, Slot);
  EXPECT_EQ(Slot->GetToString(), "(slot color (type color-type)        (default red) )");

  // A type made for the slot follows the slot's kinds.
  const IIEDefinedType Implicit = new TTestType("implicit", TIETypes{dtAtom}, true);
  Slot->SetExtendedTypeInfo(Implicit);
  Slot->SetSlotType(TIETypes{dtAtom, dtString});
  EXPECT_TRUE(Implicit->GetBaseTypes() == (TIETypes{dtAtom, dtString}));
  EXPECT_EQ(Slot->GetToString(), "(slot color (type ATOM STRING)\r\n        (default red) )");
}

TEST_F(FactTemplateEngineTest, RenamingTellsTheEngineFirst) {
  IFactTemplate T = new TFactTemplate(Engine, "a");
  T->SetTemplateName("b");
  EXPECT_EQ(T->GetTemplateName(), "b");
  EXPECT_EQ(ErrorOf([&] { T->SetTemplateName("c d"); }),
            "c d contains unexpected character: \" \"");
  const std::vector<std::pair<std::string, std::string>> Expected = {{"", "a"}, {"a", "b"}};
  EXPECT_EQ(Engine->Renames, Expected);
  // A free template has nobody to tell.
  IFactTemplate Free = new TFactTemplate(nullptr, "x");
  Free->SetTemplateName("y");
  EXPECT_EQ(Engine->Renames.size(), 2u);
}

TEST_F(FactTemplateEngineTest, TextGoesThroughTheEngine) {
  IFactTemplate T = new TFactTemplate(Engine, "t");
  T->AddSlot("a", Int(1));
  EXPECT_EQ(T->GetSlot("a")->GetToString(), "engine (slot a (default 1) )");
  EXPECT_EQ(T->GetToString(), "engine (deftemplate t\r\n    engine (slot a (default 1) )\r\n)");
}

TEST_F(FactTemplateEngineTest, AssignSlotsRereadsEachSlotInTheEngine) {
  IFactTemplate Source = new TFactTemplate(nullptr, "s");
  Source->AddSlot("a", Int(1));
  IFactSlot Parsed = new TFactSlot();
  Parsed->SetSlotType(TIETypes{dtInteger});
  Parsed->SetSlotDefault(Int(1));
  Parsed->SetName("a");
  Engine->SlotsByText["(slot a (default 1) )"] = Parsed;

  IFactTemplate T = new TFactTemplate(Engine, "t");
  T->AddSlot("old", Int(0));
  T->AssignSlots(Source);
  EXPECT_EQ(Engine->ParsedTexts, std::vector<std::string>{"(slot a (default 1) )"});
  EXPECT_EQ(NamesOf(T), std::vector<std::string>{"a"});
  EXPECT_TRUE(T->GetSlot("a")->GetSlotType() == (TIETypes{dtInteger}));
  EXPECT_NE(T->GetSlot("a"), Parsed);

  // A free template copies the slot objects instead.
  IFactTemplate Free = new TFactTemplate(nullptr, "f");
  Free->AssignSlots(T);
  EXPECT_EQ(Engine->ParsedTexts.size(), 1u);
  EXPECT_TRUE(Free->GetSlot("a")->Equals(T->GetSlot("a")));
  EXPECT_NE(Free->GetSlot("a"), T->GetSlot("a"));
}

TEST_F(FactTemplateEngineTest, DerivedTemplateCopiesItsSourceAndTakesItAsParent) {
  IFactTemplate Source = new TFactTemplate(Engine, "x");
  Source->AddSlot("a", Int(1));
  IFactSlot Parsed = new TFactSlot();
  Parsed->SetSlotType(IESlotTypes);
  Parsed->SetSlotDefault(Int(1));
  Parsed->SetName("a");
  Engine->SlotsByText["engine (slot a (default 1) )"] = Parsed;

  IFactTemplate Goal = new TFactTemplate(Engine, "need-x", "Goal seeker for x", Source);
  EXPECT_EQ(Goal->GetTemplateName(), "need-x");
  EXPECT_EQ(Goal->GetComment(), "Goal seeker for x");
  EXPECT_EQ(Goal->GetParent(), Source);
  EXPECT_TRUE(Goal->GetSlot("a")->Equals(Source->GetSlot("a")));
  EXPECT_EQ(Goal->GetHashCode(), HashStringStep("need-xa\r\n", 1));
  // The source keeps its place in the engine.
  const std::vector<std::pair<std::string, std::string>> Expected = {{"", "x"}};
  EXPECT_EQ(Engine->Renames, Expected);

  IFactTemplate Elsewhere = new TFactTemplate(nullptr, "y", "", Source);
  EXPECT_FALSE(Elsewhere->GetParent());
}

TEST_F(FactTemplateEngineTest, DynamicChecksGuardDefaults) {
  IFactTemplate T = new TFactTemplate(Engine, "t");
  T->AddSlot("count", Int(0));
  const IFactSlot Slot = T->GetSlot("count");
  Slot->SetSlotType(TIETypes{dtInteger});

  Slot->SetSlotDefault(Atom("red"));  // accepted silently while checks are off
  EXPECT_EQ(Slot->GetSlotDefault()->GetText(), "red");
  Slot->SetSlotDefault(Int(0));

  Engine->TypeChecks = TTypeChecks{tcDynamic};
  EXPECT_EQ(ErrorOf([&] { Slot->SetSlotDefault(Atom("red")); }), "Invalid default slot value: red");
  EXPECT_EQ(Slot->GetSlotDefault()->GetAsInteger(), 0);
  EXPECT_EQ(ErrorOf([&] { Slot->GetSlotDefault()->SetAsAtom("red"); }),
            "Value \"red\" is not valid, count");
}

TEST_F(FactTemplateEngineTest, FillingFactsEvaluatesDynamicDefaultsInTheEngine) {
  auto* Call = new TCountingCall();
  const IIEValue CallValue = new TIEValue(TRef<TCustomFunctionCall>(Call));
  IFactTemplate T = new TFactTemplate(Engine, "t");
  T->AddSlot("n", CallValue);
  T->GetSlot("n")->SetDefaultDynamic(true);
  EXPECT_EQ(T->NewFact()->GetValue("n")->GetAsInteger(), 1);
  EXPECT_EQ(T->NewFact()->GetValue("n")->GetAsInteger(), 2);
  EXPECT_EQ(Call->Calls, 0);  // the slot runs its own copy of the call

  IFactTemplate Free = new TFactTemplate(nullptr, "f");
  Free->AddSlot("n", CallValue);
  Free->GetSlot("n")->SetDefaultDynamic(true);
  EXPECT_EQ(Free->NewFact()->GetValue("n")->GetDType(), dtFunCall);

  IFact Foreign = Free->NewFact();
  EXPECT_EQ(ErrorOf([&] { T->FillFactWithDefaults(Foreign); }),
            "Unable to assign slot values, fact templates are different: f and t");
  EXPECT_EQ(ErrorOf([&] { T->FillFactWithDefaults(new TFact(nullptr)); }),
            "Fact Template is missing");
}

}  // namespace
}  // namespace ie
