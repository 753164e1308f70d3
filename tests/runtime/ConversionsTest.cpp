#include "runtime/Conversions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "runtime/Exceptions.h"

namespace ie {
namespace {

TEST(ConversionsTest, Integers) {
  EXPECT_EQ(StrToInt("0"), 0);
  EXPECT_EQ(StrToInt("+17"), 17);
  EXPECT_EQ(StrToInt("-0"), 0);
  EXPECT_EQ(StrToInt("007"), 7);
  EXPECT_EQ(StrToInt("2147483647"), INT32_MAX);
  EXPECT_EQ(StrToInt("-2147483648"), INT32_MIN);
  EXPECT_EQ(StrToInt64("9223372036854775807"), INT64_MAX);
  EXPECT_EQ(StrToInt64("-9223372036854775808"), INT64_MIN);
  EXPECT_EQ(StrToInt64("-2147483649"), -2147483649LL);

  for (const char* Text : {"", "+", "-", " 1", "1 ", "1.0", "1e3", "0x10", "--1", "+-1", "1a",
                           "2147483648", "-2147483649", "99999999999999999999"}) {
    int32_t Value = 5;
    EXPECT_FALSE(TryStrToInt(Text, Value)) << Text;
    EXPECT_EQ(Value, 5) << Text;
    EXPECT_EQ(StrToIntDef(Text, -1), -1) << Text;
  }
  int64_t Wide = 0;
  EXPECT_FALSE(TryStrToInt64("9223372036854775808", Wide));
  EXPECT_FALSE(TryStrToInt64("-9223372036854775809", Wide));
  EXPECT_EQ(StrToIntDef("12", -1), 12);

  try {
    StrToInt("12x");
    FAIL() << "no error";
  } catch (const EConvertError& E) {
    EXPECT_STREQ(E.what(), "'12x' is not a valid integer value");
  }
  EXPECT_THROW(StrToInt64("1.5"), EConvertError);

  EXPECT_EQ(IntToStr(0), "0");
  EXPECT_EQ(IntToStr(INT64_MIN), "-9223372036854775808");
}

TEST(ConversionsTest, Floats) {
  EXPECT_EQ(StrToFloat("1"), 1.0);
  EXPECT_EQ(StrToFloat("-2.5"), -2.5);
  EXPECT_EQ(StrToFloat("+.5"), 0.5);
  EXPECT_EQ(StrToFloat("5."), 5.0);
  EXPECT_EQ(StrToFloat("5.e2"), 500.0);
  EXPECT_EQ(StrToFloat("1e10"), 1e10);
  EXPECT_EQ(StrToFloat("1.5E-3"), 1.5e-3);
  EXPECT_EQ(StrToFloat("2e+3"), 2000.0);
  EXPECT_EQ(StrToFloat("1.7976931348623157e308"), std::numeric_limits<double>::max());
  EXPECT_EQ(StrToFloat("4.9e-324"), std::numeric_limits<double>::denorm_min());

  // Underflow reads as a zero of the written sign; overflow is refused.
  EXPECT_EQ(StrToFloat("1e-400"), 0.0);
  EXPECT_TRUE(std::signbit(StrToFloat("-1e-400")));
  EXPECT_EQ(StrToFloat("0.000001e-99999999999999999999"), 0.0);
  EXPECT_EQ(StrToFloat("0e99999999999999999999"), 0.0);

  for (const char* Text : {"",
                           ".",
                           "-",
                           "+.",
                           "e5",
                           ".e5",
                           "1e",
                           "1e+",
                           "1.5.2",
                           " 1",
                           "1 ",
                           "1,5",
                           "0x1p3",
                           "inf",
                           "-inf",
                           "INF",
                           "nan",
                           "NAN",
                           "infinity",
                           "1e400",
                           "-1e400",
                           "1.7976931348623159e308",
                           "123456789e301"}) {
    double Value = 7;
    EXPECT_FALSE(TryStrToFloat(Text, Value)) << Text;
    EXPECT_EQ(Value, 7) << Text;
    EXPECT_EQ(StrToFloatDef(Text, -1), -1) << Text;
  }
  try {
    StrToFloat("1e400");
    FAIL() << "no error";
  } catch (const EConvertError& E) {
    EXPECT_STREQ(E.what(), "'1e400' is not a valid floating point value");
  }
}

TEST(ConversionsTest, FloatToStrReadsBack) {
  EXPECT_EQ(FloatToStr(3), "3");
  EXPECT_EQ(FloatToStr(0.1), "0.1");
  EXPECT_EQ(FloatToStr(1e20), "1E20");
  EXPECT_EQ(FloatToStr(-1.5e-5), "-1.5E-5");
  EXPECT_EQ(FloatToStr(0.1 + 0.2), "0.3");
  for (double Value : {0.0, 1.0, -2.5, 0.1, 1e20, 1.5e-5, 123456.789, 123456789012345.0, -2.5e-300,
                       1.23456789012345e300, 0.000123}) {
    EXPECT_EQ(StrToFloat(FloatToStr(Value)), Value) << FloatToStr(Value);
  }
}

}  // namespace
}  // namespace ie
