#include "runtime/Math.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <set>
#include <vector>

#include "TestSupport.h"

namespace ie {
namespace {

TEST(Math, RoundingGoesToTheEvenNeighbourAndIntegersStayWithin32Bits) {
  const double Halves[][2] = {{0.5, 0},
                              {1.5, 2},
                              {2.5, 2},
                              {-0.5, 0},
                              {-1.5, -2},
                              {-2.5, -2},
                              {2.4999999999999996, 2},
                              {4503599627370497.0, 4503599627370497.0}};
  for (const auto& [X, Expected] : Halves) EXPECT_EQ(RoundHalfEven(X), Expected) << X;
  EXPECT_FALSE(std::signbit(RoundHalfEven(-0.4)));

  EXPECT_EQ(RoundToInteger(2147483647.4), INT32_MAX);
  EXPECT_EQ(RoundToInteger(-2147483648.5), INT32_MIN);
  EXPECT_EQ(ErrorOf<EConvertError>([] { RoundToInteger(2147483647.5); }),
            "'2147483648' is not a valid integer value");
  EXPECT_EQ(ErrorOf<EConvertError>([] { RoundToInteger(-2147483649.5); }),
            "'-2147483650' is not a valid integer value");
  EXPECT_EQ(ErrorOf<EOverflow>([] { RoundToInteger(INFINITY); }), "Floating point overflow");
  EXPECT_EQ(CheckInteger(INT32_MIN), INT32_MIN);
  EXPECT_EQ(ErrorOf<EConvertError>([] { CheckInteger(int64_t{INT32_MAX} + 1); }),
            "'2147483648' is not a valid integer value");
}

TEST(Math, PrimitivesRaiseTheFloatingPointErrorsInsteadOfNaNOrInfinity) {
  EXPECT_EQ(ErrorOf<EInvalidOp>([] { CheckFloat(NAN); }), "Invalid floating point operation");
  EXPECT_EQ(ErrorOf<EOverflow>([] { CheckFloat(-INFINITY); }), "Floating point overflow");
  EXPECT_EQ(ErrorOf<EZeroDivide>([] { FloatDivide(-1, 0); }), "Floating point division by zero");
  EXPECT_EQ(ErrorOf<EInvalidOp>([] { FloatDivide(0, -0.0); }), "Invalid floating point operation");
  EXPECT_EQ(ErrorOf<EZeroDivide>([] { Ln(-0.0); }), "Floating point division by zero");
  EXPECT_EQ(ErrorOf<EZeroDivide>([] { ArcTanh(-1); }), "Floating point division by zero");
  EXPECT_EQ(ErrorOf<EInvalidOp>([] { ArcCosh(0.99); }), "Invalid floating point operation");
  EXPECT_EQ(ErrorOf<EZeroDivide>([] { Cotan(0); }), "Floating point division by zero");
  EXPECT_EQ(Power(-8, 3), -512);
  EXPECT_EQ(Power(0, 0), 1);
}

TEST(Math, TheGeneratorRepeatsAfterTheSameSeedAndStaysInRange) {
  const auto Draw = [] {
    std::vector<int32_t> Numbers;
    for (int I = 0; I < 200; ++I) Numbers.push_back(Random(INT32_MAX));
    return Numbers;
  };
  SetRandSeed(7);
  const std::vector<int32_t> First = Draw();
  const uint32_t Later = GetRandSeed();
  SetRandSeed(7);
  EXPECT_EQ(Draw(), First);
  EXPECT_EQ(GetRandSeed(), Later);
  const std::set<int32_t> Distinct(First.begin(), First.end());
  EXPECT_GT(Distinct.size(), 195u);
  for (int32_t N : First) EXPECT_TRUE(N >= 0 && N < INT32_MAX) << N;
  Randomize();
  EXPECT_EQ(Random(1), 0);
  // Every value of a range comes up about equally often.
  int Counts[10] = {};
  for (int I = 0; I < 10000; ++I) ++Counts[Random(10)];
  for (int Count : Counts) EXPECT_TRUE(Count > 850 && Count < 1150) << Count;
}

}  // namespace
}  // namespace ie
