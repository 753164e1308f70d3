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

TEST(FuzzySet, ShapesTakeTheirTextbookDegrees) {
  IFuzzySet Set = Tri(0, 5, 10);
  EXPECT_EQ(3, Set->GetPointCount());
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(2.5));
  EXPECT_EQ(fshTriangle, Set->GetShape());
  EXPECT_EQ((std::vector<double>{0, 5, 10}), Set->GetShapeArguments());
  Set->MakeGrowth(0, 10);
  EXPECT_NEAR(0.08, Set->DegreeOfMembership(2), 1e-12);
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(5));
  EXPECT_DOUBLE_EQ(1.0, Set->DegreeOfMembership(50));
  Set->MakeDecline(0, 10);
  EXPECT_NEAR(0.92, Set->DegreeOfMembership(2), 1e-12);
  Set->MakePI(5, 5);
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(2.5));
  EXPECT_DOUBLE_EQ(1.0, Set->DegreeOfMembership(5));
  EXPECT_DOUBLE_EQ(0.0, Set->DegreeOfMembership(10));
  Set->MakePI(0, 5, 20);
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(12.5));
  Set->MakeBeta(5, 10);
  EXPECT_DOUBLE_EQ(1.0, Set->DegreeOfMembership(5));
  EXPECT_DOUBLE_EQ(0.0, Set->DegreeOfMembership(15));
  EXPECT_DOUBLE_EQ(Set->DegreeOfMembership(2), Set->DegreeOfMembership(8));
  Set->MakeBeta(5, 10, 5, 0.5);
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(5));
  // A side of zero width is a shoulder.
  Set->MakeTriangle(0, 0, 10);
  EXPECT_DOUBLE_EQ(1.0, Set->DegreeOfMembership(-5));
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(5));
}

TEST(FuzzySet, DegenerateShapesRaiseAndLeaveTheSetAlone) {
  IFuzzySet Set = Tri(0, 5, 10);
  const double NaN = std::nan("");
  EXPECT_THROW(Set->MakeTriangle(5, 4, 6), EFuzzyError);
  EXPECT_THROW(Set->MakeTriangle(5, 5, 5), EFuzzyError);
  EXPECT_THROW(Set->MakeTriangle(0, NaN, 10), EFuzzyError);
  EXPECT_THROW(Set->MakeGrowth(3, 3), EFuzzyError);
  EXPECT_THROW(Set->MakeDecline(4, 2), EFuzzyError);
  EXPECT_THROW(Set->MakePI(1, 0), EFuzzyError);
  EXPECT_THROW(Set->MakePI(2, 1, 3), EFuzzyError);
  EXPECT_THROW(Set->MakeBeta(0, 0), EFuzzyError);
  EXPECT_THROW(Set->MakeBeta(0, 1, 1, 2), EFuzzyError);
  EXPECT_EQ("(0.0000 0.0000) (5.0000 1.0000) (10.0000 0.0000)", Set->GetValuesToString());
}

TEST(FuzzySet, HedgesFollowTheTextbookFormulas) {
  IFuzzySet Set = Tri(0, 10, 20);  // degree 0.5 at 5, 0.25 at 2.5, 0.75 at 7.5
  const auto At = [&](TFuzzyHedge Hedge, double X) {
    return Set->Hedge(Hedge)->DegreeOfMembership(X);
  };
  EXPECT_DOUBLE_EQ(0.75, At(fhgNot, 2.5));
  EXPECT_DOUBLE_EQ(1.0, At(fhgNot, 30));
  EXPECT_DOUBLE_EQ(0.25, At(fhgVery, 5));
  EXPECT_DOUBLE_EQ(0.125, At(fhgExtremely, 5));
  EXPECT_DOUBLE_EQ(std::sqrt(0.5), At(fhgSomewhat, 5));
  EXPECT_DOUBLE_EQ(std::sqrt(0.5), At(fhgMoreOrLess, 5));
  EXPECT_DOUBLE_EQ(std::pow(0.5, 1.7), At(fhgSlightly, 5));
  EXPECT_DOUBLE_EQ(std::pow(0.5, 1.25), At(fhgPlus, 5));
  EXPECT_DOUBLE_EQ(0.125, At(fhgIntensify, 2.5));
  EXPECT_DOUBLE_EQ(0.875, At(fhgIntensify, 7.5));
  EXPECT_DOUBLE_EQ(1.0, MakeSet({{0, 0}, {1, 0.5}})->Hedge(fhgNorm)->DegreeOfMembership(1));
  EXPECT_EQ(3, Set->GetPointCount()) << "the operand is unchanged";
}

TEST(FuzzySet, UnionAndIntersectionAddTheCrossings) {
  IFuzzySet A = Tri(0, 10, 20);
  IFuzzySet B = Tri(10, 20, 30);  // crosses A at 15, both 0.5
  IFuzzySet C = Tri(5, 15, 25);   // A + C passes 1 at 7.5
  const auto Union = [](const IFuzzySet& X, const IFuzzySet& Y, TFuzzyOperation Op, double At) {
    return X->Union(*Y, Op)->DegreeOfMembership(At);
  };
  const auto Meet = [](const IFuzzySet& X, const IFuzzySet& Y, TFuzzyOperation Op, double At) {
    return X->Intersection(*Y, Op)->DegreeOfMembership(At);
  };
  EXPECT_DOUBLE_EQ(0.75, Union(A, B, fopZadeh, 12.5));
  EXPECT_DOUBLE_EQ(0.5, Meet(A, B, fopZadeh, 15));
  EXPECT_DOUBLE_EQ(0.5, Meet(A, B, fopMaxMin, 15));
  EXPECT_DOUBLE_EQ(0.25, Meet(A, B, fopMaxProduct, 15));
  EXPECT_DOUBLE_EQ(0.75, Union(A, B, fopProduct, 15));
  EXPECT_DOUBLE_EQ(0.25, Meet(A, B, fopProduct, 15));
  EXPECT_DOUBLE_EQ(4.0 / 6, Union(A, B, fopMean, 10));
  EXPECT_DOUBLE_EQ(0.5, Meet(A, B, fopMean, 10));
  EXPECT_DOUBLE_EQ(16.0 / 36, Union(A, B, fopMeanSqr, 10));
  EXPECT_DOUBLE_EQ(std::sqrt(0.5), Meet(A, B, fopMeanSqrt, 10));
  EXPECT_DOUBLE_EQ(0.75, Union(A, C, fopBoundedSum, 6.25));
  EXPECT_DOUBLE_EQ(0.25, Meet(A, C, fopBoundedSum, 8.75));
  EXPECT_DOUBLE_EQ(1.0 / 3, Union(A, C, fopSum, 5)) << "the sum is scaled by its height 1.5";
  EXPECT_EQ(3, A->GetPointCount());
  EXPECT_EQ(3, B->GetPointCount());
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

TEST(FuzzySet, NameChecksIgnoreCaseAndNameTheMember) {
  TFuzzyHedge Hedge{};
  EXPECT_TRUE(IsFuzzyHedge("More-Or-Less", Hedge));
  EXPECT_EQ(fhgMoreOrLess, Hedge);
  TFuzzyOperation Operation{};
  EXPECT_TRUE(IsFuzzyOperation("BOUNDED-SUM", Operation));
  EXPECT_EQ(fopBoundedSum, Operation);
  TFuzzyInferenceMethod Inference{};
  EXPECT_TRUE(IsFuzzyInference("product", Inference));
  EXPECT_EQ(fimProduct, Inference);
  TFuzzyCorrelationMethod Correlation{};
  EXPECT_TRUE(IsFuzzyCorrelation("product", Correlation));
  EXPECT_EQ(fcmProduct, Correlation);
  EXPECT_FALSE(IsFuzzyCorrelation("maximum", Correlation));
  TFuzzyKeyword Keyword{};
  EXPECT_TRUE(IsFuzzyKeyword("or", Keyword));
  EXPECT_EQ(fkwOr, Keyword);
  EXPECT_TRUE(IsFuzzyHedgeOperator("and-not", Keyword));
  EXPECT_EQ(fkwAnd, Keyword);
  EXPECT_FALSE(IsFuzzyKeyword("not", Keyword));
  EXPECT_FALSE(IsFuzzyHedge("ver", Hedge));
}

TEST(FuzzySet, EngineOrdinalTablesReachTheOperationsOfTheSameName) {
  // Inference method -> operation, and correlation method -> operation.
  const int Inference[] = {0, 6, 1, 4, 5};
  for (size_t I = 1; I < FuzzyInferenceNames.size(); ++I) {
    EXPECT_EQ(FuzzyInferenceNames[I], FuzzyOperationNames[Inference[I]]);
  }
  EXPECT_EQ(fopZadeh, Inference[fimMinMax]);
  EXPECT_EQ(fopMaxMin, 7) << "correlation by minimum";
  EXPECT_EQ(fopMaxProduct, 2) << "correlation by product";
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
