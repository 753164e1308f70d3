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
  // The expression of the given words, evaluated without a context.
  IIEValue Eval(std::initializer_list<IIEValue> Items) {
    IValueVector Expression = new TValueVector();
    for (const IIEValue& Item : Items) Expression->Add(Item);
    return EvalFuzzyExpression(Temp, Expression, nullptr);
  }
  double Degree(const IIEValue& Fuzzy, double X) {
    return Fuzzy->GetAsFuzzy()->DegreeOfMembership(X);
  }

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

TEST_F(FuzzyLogicTest, ATermAloneIsTheTermItself) {
  const IIEValue Result = Eval({Atom("warm")});
  EXPECT_EQ(Result->GetAsFuzzy(), Temp->FindTerm("warm"));
  EXPECT_EQ(Result->GetToString(), "warm");
  // A string names a term as well, and a value given alone is one item.
  EXPECT_EQ(
      EvalFuzzyExpression(Temp, IIEValue(new TIEValue("hot", dtString)), nullptr)->GetAsFuzzy(),
      Temp->FindTerm("hot"));
  EXPECT_FALSE(Eval({}));
}

TEST_F(FuzzyLogicTest, HedgesBindTighterThanOperators) {
  const IIEValue VeryCold = Eval({Atom("very"), Atom("cold")});
  EXPECT_DOUBLE_EQ(Degree(VeryCold, 25), 0.25);
  EXPECT_EQ(VeryCold->GetAsFuzzy()->GetVariable(), Temp.Get());
  EXPECT_EQ(VeryCold->GetAsFuzzy()->GetDisplayName(), "very cold");
  // (not cold) and hot, not not (cold and hot).
  const IIEValue NotColdAndHot = Eval({Atom("not"), Atom("cold"), Atom("and"), Atom("hot")});
  EXPECT_DOUBLE_EQ(Degree(NotColdAndHot, 75), 0.5);
  EXPECT_DOUBLE_EQ(Degree(NotColdAndHot, 25), 0.0);
  // Hedges apply from the inside out: not (very cold).
  EXPECT_DOUBLE_EQ(Degree(Eval({Atom("not"), Atom("very"), Atom("cold")}), 25), 0.75);
}

TEST_F(FuzzyLogicTest, OperatorsAssociateToTheLeftAndBracketsGroup) {
  // (hot or cold) and cold is 0 at 75; hot or (cold and cold) would be 0.5.
  EXPECT_DOUBLE_EQ(
      Degree(Eval({Atom("hot"), Atom("or"), Atom("cold"), Atom("and"), Atom("cold")}), 75), 0.0);
  EXPECT_DOUBLE_EQ(Degree(Eval({Atom("hot"), Atom("or"), Atom("["), Atom("cold"), Atom("and"),
                                Atom("cold"), Atom("]")}),
                          75),
                   0.5);
  // A hedge before a bracket modifies the whole group.
  const IIEValue VeryColdOrHot =
      Eval({Atom("very"), Atom("["), Atom("cold"), Atom("or"), Atom("hot"), Atom("]")});
  EXPECT_DOUBLE_EQ(Degree(VeryColdOrHot, 75), 0.25);
  EXPECT_DOUBLE_EQ(Degree(VeryColdOrHot, 25), 0.25);
  // and-not complements its right operand first.
  const IIEValue ColdButNotWarm = Eval({Atom("cold"), Atom("and-not"), Atom("warm")});
  EXPECT_DOUBLE_EQ(Degree(ColdButNotWarm, 10), 0.0);
  EXPECT_DOUBLE_EQ(Degree(ColdButNotWarm, 25), 0.5);
}

TEST_F(FuzzyLogicTest, OperandsOfEveryKind) {
  // A number is a crisp set: 1 there, 0 beside it.
  const IIEValue Crisp = Eval({Int(30)});
  EXPECT_DOUBLE_EQ(Degree(Crisp, 30), 1.0);
  EXPECT_DOUBLE_EQ(Degree(Crisp, 29.9), 0.0);
  EXPECT_DOUBLE_EQ(Degree(Crisp, 30.1), 0.0);
  EXPECT_DOUBLE_EQ(Crisp->GetAsNumeric(), 30.0);
  // A fuzzy value of no variable is taken over as a copy.
  IFuzzySet Free = new TIEFuzzySet();
  Free->MakeTriangle(0, 50, 100);
  const IIEValue Taken = Eval({Atom("very"), Value(Free)});
  EXPECT_EQ(Taken->GetAsFuzzy()->GetVariable(), Temp.Get());
  EXPECT_EQ(Free->GetVariable(), nullptr);
  EXPECT_DOUBLE_EQ(Degree(Taken, 25), 0.25);
  // Point lists are resolved into sets.
  ISingletonsVector Points = new TSingletonsVector();
  Points->Add(Int(0), Int(0));
  Points->Add(Int(100), Int(1));
  EXPECT_DOUBLE_EQ(Degree(Eval({IIEValue(new TIEValue(Points))}), 50), 0.5);
}

TEST_F(FuzzyLogicTest, OperandsInARowGiveAListOfValues) {
  const IIEValue Two = Eval({Atom("cold"), Atom("hot"), Atom("or"), Atom("warm")});
  ASSERT_EQ(Two->GetDType(), dtList);
  const IValueVector List = Two->GetAsList();
  ASSERT_EQ(List->GetCount(), 2);
  EXPECT_EQ(List->Get(0)->GetAsFuzzy(), Temp->FindTerm("cold"));
  EXPECT_DOUBLE_EQ(Degree(List->Get(1), 10), 1.0);
  EXPECT_DOUBLE_EQ(Degree(List->Get(1), 75), 0.5);
  // A closing bracket ends a sub-expression as an operand does.
  EXPECT_EQ(Eval({Atom("["), Atom("cold"), Atom("]"), Atom("hot")})->GetAsList()->GetCount(), 2);
}

TEST_F(FuzzyLogicTest, EachErrorHasItsMessage) {
  EXPECT_EQ(ErrorOf([&] { EvalFuzzyExpression(nullptr, Atom("hot"), nullptr); }),
            "fuzzy variable is not defined");
  EXPECT_EQ(ErrorOf([&] { Eval({Atom("tepid")}); }), "Invalid item in fuzzy expression: tepid");
  EXPECT_EQ(ErrorOf([&] {
              Eval({Atom("hot"), new TIEValue(3, dtFactId)});
            }),
            "Invalid item in fuzzy expression: <Fact-3>");
  EXPECT_EQ(ErrorOf([&] {
              Eval({Atom("hot"), Atom("]")});
            }),
            "Invalid item in fuzzy expression: ]");
  EXPECT_EQ(ErrorOf([&] {
              Eval({Atom("hot"), Atom("and")});
            }),
            "Invalid item in fuzzy expression: and");
  EXPECT_EQ(ErrorOf([&] {
              Eval({Atom("["), Atom("hot"), Atom("or"), Atom("cold")});
            }),
            "Missing Fuzzy Close Bracket in expression");
  EXPECT_EQ(ErrorOf([&] {
              Eval({Atom("["), Atom("hot"), Atom("cold"), Atom("]")});
            }),
            "Missing Fuzzy Close Bracket in expression");
  EXPECT_EQ(ErrorOf([&] { Eval({Atom("very")}); }),
            "Missing fuzzy operand to be modified by hedge: very");
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
