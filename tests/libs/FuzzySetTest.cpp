#include "libs/FuzzySet.h"

#include <gtest/gtest.h>

namespace ie {
namespace {

IFuzzySet MakeSet(std::initializer_list<TIFuzzySet::TPoint> Points) {
  IFuzzySet Set = new TIFuzzySet();
  for (const auto& Point : Points) Set->AddPoint(Point.X, Point.Y);
  Set->Recompute();
  return Set;
}

TEST(FuzzySet, MembershipInterpolatesAndHoldsTheEnds) {
  IFuzzySet Set = MakeSet({{20, 0}, {0, 0.5}, {10, 1}});  // points given out of order
  EXPECT_DOUBLE_EQ(0.75, Set->DegreeOfMembership(5));
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(15));
  EXPECT_DOUBLE_EQ(0.5, Set->DegreeOfMembership(-100));
  EXPECT_DOUBLE_EQ(0.0, Set->DegreeOfMembership(100));
  EXPECT_DOUBLE_EQ(0.0, IFuzzySet(new TIFuzzySet())->DegreeOfMembership(1));
}

TEST(FuzzySet, NumericValueIsTheCentreOfGravity) {
  EXPECT_DOUBLE_EQ(10.0, MakeSet({{0, 0}, {10, 1}, {20, 0}})->GetNumericValue());
  EXPECT_NEAR(20.0 / 3.0, MakeSet({{0, 0}, {10, 1}})->GetNumericValue(), 1e-12);
  // Without area: the mean of the points of highest degree.
  EXPECT_DOUBLE_EQ(3.0, MakeSet({{3, 1}})->GetNumericValue());
  EXPECT_DOUBLE_EQ(0.0, IFuzzySet(new TIFuzzySet())->GetNumericValue());
}

TEST(FuzzySet, RecomputeKeepsTheLastPointSetAtAnX) {
  IFuzzySet Set = MakeSet({{1, 0.2}, {1, 0.9}, {0, 0}});
  ASSERT_EQ(2, Set->GetPointCount());
  EXPECT_DOUBLE_EQ(0.9, Set->GetPoint(1).Y);
  EXPECT_EQ("(0.0000 0.0000) (1.0000 0.9000)", Set->GetToString());
  Set->SetName("warm");
  EXPECT_EQ("warm", Set->GetToString());
  EXPECT_THROW(Set->GetPoint(2), EListError);
}

TEST(FuzzySet, EqualityAndCloneCompareThePoints) {
  IFuzzySet A = MakeSet({{0, 0}, {1, 1}});
  IFuzzySet B = A->Clone();
  EXPECT_TRUE(A->Equals(IInterface(B)));
  B->SetPoint(1, 1, 0.5);
  EXPECT_FALSE(A->Equals(IInterface(B)));
  EXPECT_DOUBLE_EQ(1.0, A->GetPoint(1).Y) << "the clone does not share points";
}

}  // namespace
}  // namespace ie
