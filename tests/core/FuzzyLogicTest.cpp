#include "core/IEFuzzyLogic.h"

#include <gtest/gtest.h>

#include "FactTestSupport.h"
#include "core/IEDefinedType.h"

namespace ie {
namespace {

using namespace facttest;

// The variable "temp" over 0..100 with the terms cold (1 at 0 falling to
// 0 at 50), warm (triangle 0 10 20) and hot (0 at 50 rising to 1 at 100).
class FuzzyLogicTest : public ::testing::Test {
 protected:
  FuzzyLogicTest() {
    Temp->AddTerm(Term("cold", 0, 0, 50));
    Temp->AddTerm(Term("warm", 0, 10, 20));
    Temp->AddTerm(Term("hot", 50, 100, 100));
  }

  IFuzzySet Term(const std::string& Name, double L, double C, double R) {
    IFuzzySet Set = Temp->NewSet(Name);
    Set->MakeTriangle(L, C, R);
    return Set;
  }
  IIEValue Value(const IFuzzySet& Set) { return new TIEValue(Set); }
  IIEValue Warm() { return Value(Temp->FindTerm("warm")); }

  IFuzzyVariable Temp = new TIEFuzzyVariable("temp");
};

TEST_F(FuzzyLogicTest, NumbersAreEqualWhenTheirDegreeExceedsTheThreshold) {
  const IIEValue Five = Int(5);
  Temp->SetEqualsThreshold(0.4);
  EXPECT_TRUE(Warm()->Equals(Five));
  EXPECT_TRUE(Five->Equals(Warm()));
  EXPECT_TRUE(Warm()->Equals(Flt(5.0)));
  EXPECT_TRUE(Warm()->EqualsStar(Five));
  Temp->SetEqualsThreshold(0.5);  // a degree at the threshold is unequal
  EXPECT_FALSE(Warm()->Equals(Five));
  EXPECT_FALSE(Five->Equals(Warm()));
  Temp->SetEqualsThreshold(0.6);
  EXPECT_FALSE(Warm()->Equals(Flt(5.0)));
  EXPECT_DOUBLE_EQ(Temp->FindTerm("warm")->FuzzyEquals(IInterface(Five)), 0.5);
  EXPECT_DOUBLE_EQ(Temp->FindTerm("warm")->FuzzyEquals(IInterface(Flt(15.0))), 0.5);
}

TEST_F(FuzzyLogicTest, OtherKindsAreNeverEqual) {
  EXPECT_FALSE(Warm()->Equals(Atom("warm")));
  EXPECT_FALSE(Atom("warm")->Equals(Warm()));
  EXPECT_DOUBLE_EQ(Temp->FindTerm("warm")->FuzzyEquals(IInterface(Atom("10"))), 0.0);
  // Sets of the library's own variable know nothing of rule values.
  IFuzzyVariable Plain = new TIFuzzyVariable("plain");
  IFuzzySet Set = Plain->NewSet("p");
  Set->MakeTriangle(0, 10, 20);
  EXPECT_FALSE(Value(Set)->Equals(Int(10)));
  EXPECT_FALSE(Int(10)->Equals(Value(Set)));
}

TEST_F(FuzzyLogicTest, SetsCompareByOverlapAndMatchByMaxOfMin) {
  const IIEValue Cold = Value(Temp->FindTerm("cold"));
  const IIEValue Hot = Value(Temp->FindTerm("hot"));
  IFuzzySet Mild = Term("mild", 10, 20, 30);
  // warm and mild cross at 15 with degree 0.5.
  EXPECT_TRUE(Warm()->Equals(Value(Mild)));
  EXPECT_DOUBLE_EQ(Temp->FindTerm("warm")->FuzzyEquals(IInterface(Mild)), 0.5);
  EXPECT_DOUBLE_EQ(Temp->FindTerm("warm")->FuzzyEquals(IInterface(Value(Mild))), 0.5);
  // cold and hot meet only at degree 0.
  EXPECT_FALSE(Cold->Equals(Hot));
  EXPECT_DOUBLE_EQ(Temp->FindTerm("cold")->FuzzyEquals(IInterface(Hot)), 0.0);
  Temp->SetEqualsThreshold(0.5);
  EXPECT_FALSE(Warm()->Equals(Value(Mild)));
}

TEST_F(FuzzyLogicTest, EverySetOfTheVariableAndOfTypesIsARuleSet) {
  const IFuzzySet Warm = Temp->FindTerm("warm");
  for (const IFuzzySet& Set : {Warm, Warm->Hedge(fhgVery), Warm->Union(*Warm), Warm->Clone(),
                               Warm->Correlate(0.5, fopMaxMin)}) {
    EXPECT_EQ(Set->ClassType(), TIEFuzzySet::StaticClass());
  }
  // A set without a variable makes its results of its own class too.
  IFuzzySet Free = new TIEFuzzySet();
  Free->MakeTriangle(0, 1, 2);
  EXPECT_EQ(Free->Hedge(fhgNot)->ClassType(), TIEFuzzySet::StaticClass());

  IIEDefinedTypeFull Type = new TIEDefinedType("speed");
  Type->SetBaseTypes(TIETypes{dtFuzzy});
  EXPECT_EQ(Type->GetFuzzyType()->ClassType(), TIEFuzzyVariable::StaticClass());

  ISingletonsVector Points = new TSingletonsVector();
  Points->Add(Int(0), Int(1));
  const IIEValue Resolved = IIEValue(new TIEValue(Points))->Resolve(nullptr);
  EXPECT_EQ(Resolved->GetAsFuzzy()->ClassType(), TIEFuzzySet::StaticClass());
}

TEST_F(FuzzyLogicTest, TextInAFuzzySlotBecomesTheTerm) {
  IIEDefinedTypeFull Type = new TIEDefinedType("temp");
  Type->SetBaseTypes(TIETypes{dtFuzzy});
  IFuzzySet Hot = Type->GetFuzzyType()->NewSet("hot");
  Hot->MakeGrowth(50, 100);
  Type->GetFuzzyType()->AddTerm(Hot);
  IFactTemplate T = new TFactTemplate(nullptr, "room");
  T->AddSlot("heat", FCNil);
  T->GetSlot("heat")->SetExtendedTypeInfo(Type);
  IFact F = T->NewFact();
  const IIEValue Text = Atom("hot");
  F->SetValue("heat", Text);
  EXPECT_EQ(Text->GetAsFuzzy(), Hot);
  // Text that is no term stays, to be resolved as an expression later.
  F->SetValue("heat", Atom("very"));
  EXPECT_EQ(F->GetValue("heat")->GetDType(), dtAtom);
}

}  // namespace
}  // namespace ie
