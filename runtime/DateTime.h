// Date-time numbers: a double counting days since 30 December 1899, its
// whole part the date and its fraction the time of day. Before that day
// the whole part counts back and the fraction still runs forward from
// midnight (-1.25 is 29 December 1899, 6 a.m.).
//
// The runtime supports the years 1 to 9999 of the proleptic Gregorian
// calendar. Everything here that meets a number outside that range, a
// component outside its range or text that does not read as a date or time
// raises EConvertError; no routine ever returns a wrong date instead.
//
// Texts follow one fixed locale, so that what is written reads back on
// every machine: short dates "yyyy-mm-dd", long times "hh:nn:ss", date
// separator "-" and time separator ":". Free of state; any thread.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ie {

using TDateTime = double;

// 1 January 0001 and the last millisecond of 31 December 9999.
inline constexpr TDateTime MinDateTime = -693593.0;
inline constexpr TDateTime MaxDateTime = 2958465.99999999;
inline constexpr int32_t HoursPerDay = 24;
inline constexpr int32_t MSecsPerDay = 86400000;
inline constexpr int32_t SecsPerDay = 86400;

// Raise "Invalid argument to date encode" / "... time encode".
TDateTime EncodeDate(int32_t Year, int32_t Month, int32_t Day);
TDateTime EncodeTime(int32_t Hour, int32_t Minute, int32_t Second, int32_t MilliSecond);
bool TryEncodeDate(int32_t Year, int32_t Month, int32_t Day, TDateTime& Value);
bool TryEncodeTime(int32_t Hour, int32_t Minute, int32_t Second, int32_t MilliSecond,
                   TDateTime& Value);

// The parts of Value, rounded to the millisecond. Outside MinDateTime ..
// MaxDateTime (or not a number) they raise "'%s' is not a valid date and
// time" with the number.
void DecodeDate(TDateTime Value, int32_t& Year, int32_t& Month, int32_t& Day);
void DecodeTime(TDateTime Value, int32_t& Hour, int32_t& Minute, int32_t& Second,
                int32_t& MilliSecond);

bool IsLeapYear(int32_t Year);
int32_t DaysInMonth(int32_t Year, int32_t Month);

// The local clock: date and time, the date alone, the time of day alone.
TDateTime Now();
TDateTime Date();
TDateTime Time();

// Value as text by Format, whose specifiers are (in either case):
//   c       short date, then the long time unless it is midnight
//   d dd    day without and with a leading zero
//   ddd dddd  short and long day name
//   ddddd   short date; dddddd long date ("dddd, mmmm d, yyyy")
//   m mm    month, or minutes right after an hour specifier
//   mmm mmmm  short and long month name
//   yy yyyy two- and four-digit year
//   h hh    hour; n nn minutes; s ss seconds; z zzz milliseconds
//   t tt    short ("hh:nn") and long time
//   am/pm a/p ampm  a 12-hour clock and its marker
//   / :     the date and time separators
//   "..." '...'  literal text
// Any other character is copied. An empty format means "c".
std::string FormatDateTime(std::string_view Format, TDateTime Value);
// "c", "ddddd" and "tt".
std::string DateTimeToStr(TDateTime Value);
std::string DateToStr(TDateTime Value);
std::string TimeToStr(TDateTime Value);

// Text as the formats above write it: a date "y-m-d" (one to four digit
// year), a time "h:n[:s[.z]]" with an optional "AM" or "PM", or both
// separated by blanks; blanks around are ignored. Text that does not read
// raises "'%s' is not a valid date and time" ("... date", "... time").
TDateTime StrToDateTime(std::string_view Text);
TDateTime StrToDate(std::string_view Text);
TDateTime StrToTime(std::string_view Text);

}  // namespace ie
