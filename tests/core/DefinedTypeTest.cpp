#include <gtest/gtest.h>

#include "FactTestSupport.h"
#include "core/IEDefinedType.h"

namespace ie {
namespace {

using namespace facttest;

IIEDefinedTypeFull NumberType() {
  IIEDefinedTypeFull Type = new TIEDefinedType("level");
  Type->SetBaseTypes(TIETypes{dtInteger, dtFloat});
  Type->SetRangeLimited(true);
  Type->SetMinRange(1);
  Type->SetMaxRange(10);
  return Type;
}

TEST(DefinedTypeTest, NewTypeAcceptsEverySlotKind) {
  const IIEDefinedTypeFull Type = new TIEDefinedType();
  EXPECT_EQ(Type->GetName(), "implicit");
  EXPECT_TRUE(Type->GetBaseTypes() == IESlotTypes);
  for (const IIEValue& Value : {Atom("a"), Int(-7), Flt(1e12), List({Atom("x"), Int(2)})}) {
    EXPECT_TRUE(Type->IsValid(Value)) << Value->GetToString();
  }
  const IIEValue Default = Type->CreateValidDefault(false);
  EXPECT_EQ(Default->GetDType(), dtAtom);
  EXPECT_EQ(Default->GetText(), "");
  EXPECT_EQ(Type->CreateValidDefault(true)->GetAsList()->GetCount(), 0);
}

TEST(DefinedTypeTest, RangeAndKindsWithTheirExplanations) {
  const IIEDefinedTypeFull Type = NumberType();
  EXPECT_TRUE(Type->IsValid(Int(10)));
  EXPECT_TRUE(Type->IsValid(Flt(10.0)));
  EXPECT_TRUE(Type->IsValid(new TIEValue("x", dtVariable)));
  EXPECT_EQ(Type->GetInvalidValueString(Int(10)), "");
  EXPECT_EQ(Type->GetInvalidValueString(Int(11)),
            "Value \"11\" is not valid, Range must be between 1.0000 and 10.0000");
  EXPECT_EQ(Type->GetInvalidValueString(Atom("red")),
            "Value \"red\" is not valid, Not a INTEGER, FLOAT type.  Value (red) is a dtAtom type");
  EXPECT_EQ(Type->CreateValidDefault(false)->GetAsInteger(), 1);

  // Each end drags the other along.
  Type->SetMinRange(20);
  EXPECT_EQ(Type->GetMaxRange(), 20);
  Type->SetMaxRange(-5);
  EXPECT_EQ(Type->GetMinRange(), -5);
}

TEST(DefinedTypeTest, CardinalityOfLists) {
  const IIEDefinedTypeFull Type = NumberType();
  Type->SetCardinalityLimited(true);
  Type->SetMinCardinality(2);
  Type->SetMaxCardinality(3);
  EXPECT_TRUE(Type->IsValid(List({Int(1), Int(2)})));
  EXPECT_EQ(Type->GetInvalidValueString(List({Int(1), Int(2), Int(3), Int(4)})),
            "Value \"1 2 3 4 \" is not valid, Multislot must have between 2 and 3 elements");
  // An invalid element is explained on its own.
  EXPECT_EQ(Type->GetInvalidValueString(List({Int(1), Int(12)})),
            "Value \"12\" is not valid, Range must be between 1.0000 and 10.0000");
  EXPECT_EQ(Type->CreateValidDefault(true)->GetToString(), "1 1 ");

  Type->SetMaxCardinality(-5);
  EXPECT_EQ(Type->GetMaxCardinality(), 0);
  EXPECT_EQ(Type->GetMinCardinality(), 0);
}

TEST(DefinedTypeTest, AllowedValuesIgnoreCaseAndCrossBetweenNumbers) {
  const IIEDefinedTypeFull Type = new TIEDefinedType("colors");
  Type->SetConstraints(TValueConstraints{vcAtom});
  Type->AddConstraint(Atom("red"));
  Type->AddConstraint(Atom("Green"));
  Type->AddConstraint(Atom("GREEN"));
  EXPECT_EQ(Type->GetConstraintAtomsCount(), 2);
  EXPECT_TRUE(Type->IsValid(Atom("RED")));
  EXPECT_TRUE(Type->IsValid(new TIEValue("blue", dtString)));  // strings are not constrained
  EXPECT_EQ(Type->GetInvalidValueString(Atom("blue")),
            "Value \"blue\" is not valid, Not in allowed values");
  EXPECT_EQ(Type->CreateValidDefault(false)->GetText(), "red");

  // An integer is looked up among allowed floats; a whole float among
  // allowed integers, while 3.5 stays an unconstrained float.
  Type->SetConstraints(TValueConstraints{vcAtom, vcFloat});
  Type->AddConstraint(Int(2));
  EXPECT_EQ(Type->GetConstraintFloat(0), 2.0);
  EXPECT_TRUE(Type->IsValid(Int(2)));
  EXPECT_FALSE(Type->IsValid(Int(3)));
  Type->SetConstraints(TValueConstraints{vcInteger});
  EXPECT_EQ(Type->GetConstraintAtomsCount(), 0);
  Type->AddConstraint(Int(3));
  EXPECT_TRUE(Type->IsValid(Flt(3.0)));
  EXPECT_FALSE(Type->IsValid(Flt(4.0)));
  EXPECT_TRUE(Type->IsValid(Flt(3.5)));

  EXPECT_EQ(ErrorOf([&] { Type->AddConstraint(Atom("red")); }),
            "Defined Type colors does not have Atom constraints");
  EXPECT_EQ(ErrorOf([&] { Type->GetConstraintString(0); }),
            "Defined Type colors does not have String constraints");
  EXPECT_EQ(ErrorOf([&] { Type->AddConstraint(List({})); }),
            "Defined Type colors cannot contain List constraint types");
}

TEST(DefinedTypeTest, DefaultsForEachBaseKind) {
  const auto DefaultOf = [](TIETypes Kinds) {
    const IIEDefinedTypeFull Type = new TIEDefinedType();
    Type->SetBaseTypes(Kinds);
    return Type->CreateValidDefault(false);
  };
  EXPECT_EQ(DefaultOf(TIETypes{dtString, dtInteger})->GetDType(), dtString);
  EXPECT_EQ(DefaultOf(TIETypes{dtFloat, dtObject})->GetDType(), dtFloat);
  EXPECT_EQ(DefaultOf(TIETypes{dtObject, dtFactId})->GetDType(), dtObject);
  EXPECT_EQ(DefaultOf(TIETypes{dtExternalAddress, dtFact})->GetDType(), dtExternalAddress);
  EXPECT_EQ(DefaultOf(TIETypes{dtFactId, dtFact})->GetDType(), dtFactId);
  EXPECT_EQ(DefaultOf(TIETypes{dtFact, dtDescriptor})->GetDType(), dtFact);
  EXPECT_EQ(DefaultOf(TIETypes{dtDescriptor, dtClass})->GetDType(), dtDescriptor);
  EXPECT_EQ(DefaultOf(TIETypes{dtClass})->GetDType(), dtClass);
  EXPECT_EQ(DefaultOf(TIETypes{dtVariable})->GetDType(), dtNone);

  // A range with only its upper end moved defaults to that end.
  const IIEDefinedTypeFull Type = new TIEDefinedType();
  Type->SetBaseTypes(TIETypes{dtFloat});
  Type->SetRangeLimited(true);
  EXPECT_EQ(Type->CreateValidDefault(false)->GetAsFloat(), 0.0);
  Type->SetMaxRange(-2.5);
  EXPECT_EQ(Type->CreateValidDefault(false)->GetAsFloat(), -2.5);
  Type->SetBaseTypes(TIETypes{dtInteger});
  EXPECT_EQ(Type->CreateValidDefault(false)->GetAsInteger(), -2);
}

TEST(DefinedTypeTest, FuzzyTypesHoldTheirVariable) {
  const IIEDefinedTypeFull Type = new TIEDefinedType("temperature");
  EXPECT_EQ(ErrorOf([&] {
              Type->SetBaseTypes(TIETypes{dtFuzzy, dtInteger});
            }),
            "Cannot mix fuzzy type with other primitive types");
  Type->SetRangeLimited(true);
  Type->SetMinRange(-10);
  Type->SetMaxRange(40);
  Type->SetBaseTypes(TIETypes{dtFuzzy});
  const IFuzzyVariable Variable = Type->GetFuzzyType();
  ASSERT_TRUE(Variable);
  EXPECT_EQ(Variable->GetFrom(), -10);
  EXPECT_EQ(Variable->GetTo(), 40);

  IFuzzySet Hot = Variable->NewSet("hot");
  Hot->MakeGrowth(20, 30);
  Variable->AddTerm(Hot);
  EXPECT_EQ(Type->TextToFuzzySet("hot"), Hot);
  EXPECT_TRUE(Type->IsValid(new TIEValue(Hot)));
  EXPECT_TRUE(Type->IsValid(Atom("hot")));
  const IIEValue Stranger = new TIEValue(IFuzzySet(new TIFuzzySet("hot")));
  EXPECT_EQ(Type->GetInvalidValueString(Stranger),
            "Value \"hot\" is not valid, invalid fuzzy value");
  EXPECT_EQ(Type->CreateValidDefault(false)->GetAsFuzzy()->GetName(), "empty");

  // A copy shares the variable.
  EXPECT_EQ(Type->Clone()->GetFuzzyType(), Variable);
  Type->SetBaseTypes(TIETypes{dtAtom});
  EXPECT_FALSE(Type->GetFuzzyType());
}

TEST(DefinedTypeTest, AncestorsCannotLoop) {
  const IIEDefinedTypeFull A = new TIEDefinedType("a");
  const IIEDefinedTypeFull B = new TIEDefinedType("b");
  B->SetImplicit(true);
  B->SetAncestor(A);
  EXPECT_FALSE(B->IsImplicit());
  EXPECT_EQ(ErrorOf([&] { A->SetAncestor(B); }),
            "Type inheritance loop detected, a type cannot be an ancestor of itself");
  EXPECT_FALSE(A->GetAncestor());
}

TEST(DefinedTypeTest, ChangesAreAnnouncedOnceAfterTheOutermostUpdate) {
  const IIEDefinedTypeFull Type = NumberType();
  int32_t Changes = 0;
  Type->SetOnChange([&](TObject*) { ++Changes; });
  Type->SetMinRange(1);  // unchanged
  Type->BeginUpdate();
  Type->BeginUpdate();
  Type->SetUnits("degrees");
  Type->SetComment("how much");
  Type->EndUpdate();
  EXPECT_EQ(Changes, 0);
  Type->EndUpdate();
  EXPECT_EQ(Changes, 1);
}

class DefinedTypeSlotTest : public ::testing::Test {
 protected:
  void SetUp() override { Engine = Create<TTestEngine>(nullptr); }
  void TearDown() override { Engine->Free(); }

  TTestEngine* Engine = nullptr;
};

TEST_F(DefinedTypeSlotTest, SlotRefusesInvalidValuesUnderDynamicChecks) {
  IFactTemplate T = new TFactTemplate(Engine, "reading");
  T->AddSlot("level", Int(0));
  const IFactSlot Slot = T->GetSlot("level");
  Slot->SetExtendedTypeInfo(NumberType());
  EXPECT_EQ(Slot->GetSlotDefault()->GetAsInteger(), 1);  // 0 was out of range

  IFact F = T->NewFact();
  F->SetValue("level", Flt(11));  // no dynamic checks yet
  Engine->TypeChecks = TTypeChecks{tcDynamic};
  EXPECT_EQ(ErrorOf([&] { F->SetValue("level", Flt(11)); }),
            "Value \"11.0000\" is not valid, Range must be between 1.0000 and 10.0000 for level "
            "slot");
  EXPECT_EQ(ErrorOf([&] { Slot->SetSlotDefault(Atom("high")); }),
            "Invalid default slot value: high");
  EXPECT_EQ(ErrorOf([&] { F->SetValue("level", Int(11)); }),
            "Value \"11\" is not valid, Range must be between 1.0000 and 10.0000 for level "
            "slot");
  F->SetValue("level", Flt(2.5));
  EXPECT_EQ(F->GetValue("level")->GetAsFloat(), 2.5);
}

}  // namespace
}  // namespace ie
