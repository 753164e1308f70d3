#include "libs/FuzzySet.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace ie {
namespace {

IFuzzySet MakeSet(std::initializer_list<TIFuzzySet::TPoint> Points) {
  IFuzzySet Set = new TIFuzzySet();
  for (const auto& Point : Points) Set->AddPoint(Point.X, Point.Y);
  Set->Recompute();
  return Set;
}

IFuzzySet Tri(double Left, double Centre, double Right) {
  IFuzzySet Set = new TIFuzzySet();
  Set->MakeTriangle(Left, Centre, Right);
  return Set;
}

TEST(FuzzySet, MembershipInterpolatesAndHoldsTheEnds) {
  IFuzzySet Set = MakeSet({{20, 0}, {0, 0.5}, {10, 1}});  // points given out of order
  EXPECT_DOUBLE_EQ(0.75, Set->DegreeOfMembership(5));
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(15));
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(-100));
  EXPECT_DOUBLE_EQ(0.0, Set->DegreeOfMembership(100));
  EXPECT_DOUBLE_EQ(0.0, Set->DegreeOfMembership(std::nan("")));
  EXPECT_DOUBLE_EQ(0.0, IFuzzySet(new TIFuzzySet())->DegreeOfMembership(1));
}

TEST(FuzzySet, RecomputeKeepsTheLastPointSetAtAnXAndClampsDegrees) {
  IFuzzySet Set = MakeSet({{1, 0.2}, {1, 1.5}, {0, -1}});
  ASSERT_EQ(2, Set->GetPointCount());
  EXPECT_EQ("(0.0000 0.0000) (1.0000 1.0000)", Set->GetToString());
  Set->SetName("warm");
  EXPECT_EQ("warm", Set->GetToString());
  EXPECT_THROW(Set->GetPoint(2), EListError);
  EXPECT_THROW(Set->AddPoint(std::numeric_limits<double>::infinity(), 1), EFuzzyError);
}

TEST(FuzzySet, EqualityAndCloneCompareThePoints) {
  IFuzzySet A = MakeSet({{0, 0}, {1, 1}});
  IFuzzySet B = A->Clone();
  EXPECT_TRUE(A->Equals(IInterface(B)));
  B->SetPoint(1, 1, 0.5);
  EXPECT_FALSE(A->Equals(IInterface(B)));
  EXPECT_DOUBLE_EQ(1.0, A->GetPoint(1).Y) << "the clone does not share points";
}

// The degrees of each shape, and the shapes that cannot be drawn, are shown
// by the fuzzylogic/shapes script.
TEST(FuzzySet, ShapesRememberHowTheyWereMadeAndDegenerateOnesChangeNothing) {
  IFuzzySet Set = Tri(0, 5, 10);
  EXPECT_EQ(fshTriangle, Set->GetShape());
  EXPECT_EQ((std::vector<double>{0, 5, 10}), Set->GetShapeArguments());
  EXPECT_THROW(Set->MakeTriangle(0, std::nan(""), 10), EFuzzyError);
  EXPECT_THROW(Set->MakeGrowth(3, 3), EFuzzyError);
  EXPECT_EQ("(0.0000 0.0000) (5.0000 1.0000) (10.0000 0.0000)", Set->GetValuesToString());
}

// The hedges and the operations the rule language names are shown by the
// fuzzylogic/operations script; here the two the engine's correlation uses.
TEST(FuzzySet, IntersectionsOfTheCorrelationOperations) {
  IFuzzySet A = Tri(0, 10, 20);
  IFuzzySet B = Tri(10, 20, 30);  // crosses A at 15, both 0.5
  EXPECT_DOUBLE_EQ(0.5, A->Intersection(*B, fopMaxMin)->DegreeOfMembership(15));
  EXPECT_DOUBLE_EQ(0.25, A->Intersection(*B, fopMaxProduct)->DegreeOfMembership(15));
  EXPECT_EQ(3, A->GetPointCount());
}

TEST(FuzzySet, CorrelationClipsOrScales) {
  IFuzzySet Set = Tri(0, 10, 20);
  IFuzzySet Clipped = Set->Correlate(0.5, fopMaxMin);
  EXPECT_DOUBLE_EQ(0.5, Clipped->DegreeOfMembership(10));
  EXPECT_DOUBLE_EQ(0.5, Clipped->DegreeOfMembership(7));
  EXPECT_DOUBLE_EQ(0.25, Clipped->DegreeOfMembership(2.5));
  IFuzzySet Scaled = Set->Correlate(0.5, fopMaxProduct);
  EXPECT_DOUBLE_EQ(0.5, Scaled->DegreeOfMembership(10));
  EXPECT_DOUBLE_EQ(0.35, Scaled->DegreeOfMembership(7));
}

TEST(FuzzySet, IterationMeasuresTheOverlap) {
  IFuzzySet A = Tri(0, 10, 20);
  IFuzzySet B = Tri(10, 20, 30);
  IFuzzySet Far = Tri(30, 40, 50);
  EXPECT_DOUBLE_EQ(0.5, A->Iterate(*B, FuzzyOperatorMaxOfMin));
  EXPECT_DOUBLE_EQ(0.5, A->FuzzyEquals(IInterface(B)));
  EXPECT_DOUBLE_EQ(0.0, A->FuzzyEquals(IInterface(Far)));
  EXPECT_EQ(1.0, A->Iterate(*B, FuzzyOperatorMinThreshold));
  EXPECT_EQ(0.0, A->Iterate(*Far, FuzzyOperatorMinThreshold));
  IFuzzyVariable Variable = new TIFuzzyVariable("heat");
  A->SetVariable(Variable.Get());
  Variable->SetEqualsThreshold(0.5);
  EXPECT_EQ(0.0, A->Iterate(*B, FuzzyOperatorMinThreshold)) << "0.5 is not above 0.5";
}

TEST(FuzzySet, DefuzzificationOfSymmetricAndDegenerateSets) {
  IFuzzySet Set = Tri(0, 5, 10);
  EXPECT_DOUBLE_EQ(5.0, Set->MomentDefuzzify());
  EXPECT_DOUBLE_EQ(5.0, Set->MaximumDefuzzify());
  EXPECT_DOUBLE_EQ(1.0, Set->GetCompatibilityIndex());
  Set->MakePI(5, 3);
  EXPECT_NEAR(5.0, Set->MomentDefuzzify(), 1e-12);
  Set->MakeBeta(5, 2);
  EXPECT_NEAR(5.0, Set->MomentDefuzzify(), 1e-12);
  EXPECT_NEAR(20.0 / 3.0, MakeSet({{0, 0}, {10, 1}})->GetNumericValue(), 1e-12);
  EXPECT_DOUBLE_EQ(5.0, MakeSet({{0, 0}, {2, 1}, {8, 1}, {10, 0}})->MaximumDefuzzify());
  IFuzzySet TwoPeaks = MakeSet({{0, 0}, {2, 1}, {4, 0}, {6, 0}, {8, 1}, {10, 0}});
  EXPECT_DOUBLE_EQ(5.0, TwoPeaks->MaximumDefuzzify());
  EXPECT_DOUBLE_EQ(0.0, TwoPeaks->GetCompatibilityIndex());
  EXPECT_FALSE(TwoPeaks->IsUndecidable());
  // Without area: the mean of the points of highest degree.
  EXPECT_DOUBLE_EQ(3.0, MakeSet({{3, 1}})->GetNumericValue());
  EXPECT_TRUE(MakeSet({{0, 0}, {10, 0}})->IsUndecidable());
  EXPECT_TRUE(IFuzzySet(new TIFuzzySet())->IsUndecidable());
  EXPECT_DOUBLE_EQ(0.0, IFuzzySet(new TIFuzzySet())->GetNumericValue());
}

class TTaggedVariable : public TIFuzzyVariable {
 public:
  using TIFuzzyVariable::TIFuzzyVariable;
  IFuzzySet NewSet(std::string Name) override {
    IFuzzySet Set = TIFuzzyVariable::NewSet(std::move(Name));
    Set->SetTag(7);
    return Set;
  }
};

TEST(FuzzyVariable, TermsUniverseAndChangeNotices) {
  IFuzzyVariable Variable = new TTaggedVariable("temperature");
  int Changes = 0;
  Variable->SetOnChange([&Changes](TObject*) { ++Changes; });
  Variable->SetTo(-10);
  EXPECT_EQ(-10, Variable->GetFrom()) << "the low end is dragged along";
  Variable->SetEqualsThreshold(3);
  EXPECT_EQ(1.0, Variable->GetEqualsThreshold());
  IFuzzySet Hot = Variable->NewSet("hot");
  Hot->MakeTriangle(20, 30, 40);
  Variable->AddTerm(Hot);
  IFuzzySet Cold = new TIFuzzySet("cold");
  Variable->AddTerm(Cold);
  EXPECT_EQ(Variable.Get(), Cold->GetVariable());
  EXPECT_EQ(Hot, Variable->FindTerm("hot"));
  EXPECT_EQ(Cold, Variable->GetTerm(1));
  EXPECT_THROW(Variable->AddTerm(new TIFuzzySet()), EFuzzyError);
  // Results of a variable's sets are the variable's and of its class.
  IFuzzySet Result = Hot->Hedge(fhgVery)->Union(*Cold);
  EXPECT_EQ(Variable.Get(), Result->GetVariable());
  EXPECT_EQ(7, Result->GetTag());
  EXPECT_TRUE(Variable->RemoveTerm("cold"));
  EXPECT_FALSE(Variable->RemoveTerm("cold"));
  Variable->ClearTerms();
  EXPECT_EQ(0, Variable->GetTermCount());
  EXPECT_EQ(6, Changes);
  Variable = nullptr;
  EXPECT_EQ(nullptr, Hot->GetVariable()) << "sets outlive their variable";
  EXPECT_EQ(FuzzyDefaultThreshold, Hot->GetEqualsThreshold());
}

TEST(FuzzySet, DisplayNamePrefersNameThenExpression) {
  IFuzzySet Set = Tri(0, 1, 2);
  Set->SetExpression("very hot");
  EXPECT_EQ("very hot", Set->GetDisplayName());
  EXPECT_EQ(Set->GetValuesToString(), Set->GetToString());
  Set->SetName("warm");
  EXPECT_EQ("warm", Set->GetDisplayName());
}

}  // namespace
}  // namespace ie
