#include "runtime/DateTime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "TestSupport.h"
#include "runtime/Exceptions.h"

namespace ie {
namespace {

// Every day of the supported range decodes to the day after the one
// before it.
TEST(DateTimeTest, EveryDayRoundTrips) {
  int32_t Year = 1;
  int32_t Month = 1;
  int32_t Day = 1;
  for (int32_t Days = static_cast<int32_t>(MinDateTime); Days <= MaxDateTime; ++Days) {
    int32_t Y = 0;
    int32_t M = 0;
    int32_t D = 0;
    DecodeDate(Days, Y, M, D);
    ASSERT_TRUE(Y == Year && M == Month && D == Day) << Days;
    ASSERT_EQ(EncodeDate(Y, M, D), Days);
    if (++Day > DaysInMonth(Year, Month)) {
      Day = 1;
      if (++Month > 12) {
        Month = 1;
        ++Year;
      }
    }
  }
  EXPECT_EQ(Year, 10000);
}

TEST(DateTimeTest, EverySecondRoundTrips) {
  for (int32_t Second = 0; Second < SecsPerDay; ++Second) {
    const TDateTime Value = EncodeTime(Second / 3600, Second / 60 % 60, Second % 60, 0);
    int32_t H = 0;
    int32_t N = 0;
    int32_t S = 0;
    int32_t Z = 0;
    DecodeTime(Value, H, N, S, Z);
    ASSERT_EQ(((H * 60 + N) * 60 + S), Second);
    ASSERT_EQ(Z, 0);
    ASSERT_EQ(StrToTime(TimeToStr(Value)), Value) << Second;
  }
}

TEST(DateTimeTest, InvalidPartsRaiseTheConversionError) {
  TDateTime Value = 7;
  EXPECT_FALSE(TryEncodeDate(1900, 2, 29, Value));
  EXPECT_FALSE(TryEncodeDate(2023, 4, 31, Value));
  EXPECT_FALSE(TryEncodeDate(0, 1, 1, Value));
  EXPECT_FALSE(TryEncodeDate(10000, 1, 1, Value));
  EXPECT_FALSE(TryEncodeTime(0, 0, -1, 0, Value));
  EXPECT_EQ(Value, 7);
  EXPECT_TRUE(TryEncodeDate(2000, 2, 29, Value));
  EXPECT_EQ(ErrorOf<EConvertError>([] { EncodeDate(2001, 2, 29); }),
            "Invalid argument to date encode");
  EXPECT_EQ(ErrorOf<EConvertError>([] { EncodeTime(24, 0, 0, 0); }),
            "Invalid argument to time encode");
}

TEST(DateTimeTest, NumbersOutsideTheRangeAreNoDates) {
  int32_t Y = 0;
  int32_t M = 0;
  int32_t D = 0;
  for (const double Value :
       {MinDateTime - 0.5, MaxDateTime + 1e-6, 1e300, std::numeric_limits<double>::quiet_NaN(),
        -std::numeric_limits<double>::infinity()}) {
    EXPECT_THROW(DecodeDate(Value, Y, M, D), EConvertError) << Value;
    EXPECT_THROW(FormatDateTime("yyyy", Value), EConvertError) << Value;
  }
  EXPECT_EQ(ErrorOf<EConvertError>([] { DateToStr(3000000); }),
            "'3000000' is not a valid date and time");
  DecodeDate(MaxDateTime, Y, M, D);
  EXPECT_EQ(Y * 10000 + M * 100 + D, 99991231);
  EXPECT_EQ(FormatDateTime("hh:nn:ss.zzz", MaxDateTime), "23:59:59.999");
}

TEST(DateTimeTest, TextRoundTrips) {
  for (const TDateTime Value :
       {0.0, 1.0, 36526.25, 45351.5729166667, -1.25, -693593.0, 2958465.5}) {
    const std::string Text = DateTimeToStr(Value);
    EXPECT_NEAR(StrToDateTime(Text), Value, 0.5 / SecsPerDay) << Text;
  }
  EXPECT_EQ(DateTimeToStr(EncodeDate(2024, 2, 29) + EncodeTime(7, 8, 9, 0)), "2024-02-29 07:08:09");
  EXPECT_EQ(StrToDate("2024-02-29"), EncodeDate(2024, 2, 29));
  for (const char* Text : {"", "2024", "2024-02", "2024-02-30", "2024/02/01", "-1-01-01",
                           "2024-02-01x", "12:60", "12:00:00.", "13:00 PM", "12"}) {
    EXPECT_THROW(StrToDateTime(Text), EConvertError) << Text;
  }
  EXPECT_EQ(ErrorOf<EConvertError>([] { StrToDate("12:00"); }), "'12:00' is not a valid date");
  EXPECT_EQ(ErrorOf<EConvertError>([] { StrToTime("2024-01-01"); }),
            "'2024-01-01' is not a valid time");
}

TEST(DateTimeTest, TheClockIsToday) {
  const TDateTime Today = Date();
  const TDateTime Moment = Now();
  EXPECT_EQ(Today, std::floor(Today));
  EXPECT_GE(Moment, Today);
  EXPECT_LT(Moment, Today + 2);
  EXPECT_GE(Time(), 0);
  EXPECT_LT(Time(), 1);
}

}  // namespace
}  // namespace ie
