#include "runtime/DateTime.h"

#include <cctype>
#include <chrono>
#include <cmath>
#include <ctime>

#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {
namespace {

// Days from 1 January 1970 to 30 December 1899.
constexpr int64_t UnixDateDelta = 25569;

constexpr const char* ShortDayNames[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* LongDayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                        "Thursday", "Friday", "Saturday"};
constexpr const char* ShortMonthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* LongMonthNames[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
constexpr char DateSeparator = '-';
constexpr char TimeSeparator = ':';
constexpr const char* ShortDateFormat = "yyyy/mm/dd";
constexpr const char* LongDateFormat = "dddd, mmmm d, yyyy";
constexpr const char* ShortTimeFormat = "hh:nn";
constexpr const char* LongTimeFormat = "hh:nn:ss";

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, and
// back (the usual era arithmetic, correct for every year).
int64_t DaysFromCivil(int64_t Year, int32_t Month, int32_t Day) {
  Year -= Month <= 2;
  const int64_t Era = (Year >= 0 ? Year : Year - 399) / 400;
  const int64_t YearOfEra = Year - Era * 400;
  const int64_t DayOfYear = (153 * (Month + (Month > 2 ? -3 : 9)) + 2) / 5 + Day - 1;
  const int64_t DayOfEra = YearOfEra * 365 + YearOfEra / 4 - YearOfEra / 100 + DayOfYear;
  return Era * 146097 + DayOfEra - 719468;
}

void CivilFromDays(int64_t Days, int32_t& Year, int32_t& Month, int32_t& Day) {
  Days += 719468;
  const int64_t Era = (Days >= 0 ? Days : Days - 146096) / 146097;
  const int64_t DayOfEra = Days - Era * 146097;
  const int64_t YearOfEra =
      (DayOfEra - DayOfEra / 1460 + DayOfEra / 36524 - DayOfEra / 146096) / 365;
  const int64_t DayOfYear = DayOfEra - (365 * YearOfEra + YearOfEra / 4 - YearOfEra / 100);
  const int64_t MonthIndex = (5 * DayOfYear + 2) / 153;
  Day = static_cast<int32_t>(DayOfYear - (153 * MonthIndex + 2) / 5 + 1);
  Month = static_cast<int32_t>(MonthIndex < 10 ? MonthIndex + 3 : MonthIndex - 9);
  Year = static_cast<int32_t>(YearOfEra + Era * 400 + (Month <= 2));
}

// Value as whole days and the milliseconds of the time of day, rounded to
// the millisecond; a time that rounds up to midnight moves to the next
// day (the previous one before 1899-12-30, where days count back).
void Split(TDateTime Value, int64_t& Days, int32_t& MSecs) {
  if (!(Value >= MinDateTime && Value <= MaxDateTime)) {
    throw EConvertError(Format(SInvalidDateTime, FloatToStr(Value)));
  }
  Days = static_cast<int64_t>(Value);
  const int64_t Rounded = std::llround(std::fabs(Value - static_cast<double>(Days)) * MSecsPerDay);
  MSecs = static_cast<int32_t>(Rounded);
  if (MSecs == MSecsPerDay) {
    MSecs = 0;
    Days += Value < 0 ? -1 : 1;
  }
}

// The broken-down parts of a date-time number.
struct TParts {
  int32_t Year, Month, Day, Hour, Minute, Second, MilliSecond, DayOfWeek;
  bool Midnight;
};

TParts PartsOf(TDateTime Value) {
  int64_t Days = 0;
  int32_t MSecs = 0;
  Split(Value, Days, MSecs);
  TParts Parts{};
  CivilFromDays(Days - UnixDateDelta, Parts.Year, Parts.Month, Parts.Day);
  Parts.Hour = MSecs / 3600000;
  Parts.Minute = MSecs / 60000 % 60;
  Parts.Second = MSecs / 1000 % 60;
  Parts.MilliSecond = MSecs % 1000;
  // 1899-12-30 was a Saturday; 0 stands for Sunday.
  Parts.DayOfWeek = static_cast<int32_t>(((Days + 6) % 7 + 7) % 7);
  Parts.Midnight = MSecs == 0;
  return Parts;
}

char Lower(char C) { return static_cast<char>(std::tolower(static_cast<unsigned char>(C))); }

bool StartsWithNoCase(std::string_view Text, size_t At, std::string_view Prefix) {
  if (Text.size() - At < Prefix.size()) return false;
  for (size_t I = 0; I < Prefix.size(); ++I) {
    if (Lower(Text[At + I]) != Prefix[I]) return false;
  }
  return true;
}

// The length of the am/pm marker specifier at At, or 0.
size_t MarkerLength(std::string_view Format, size_t At) {
  if (StartsWithNoCase(Format, At, "am/pm")) return 5;
  if (StartsWithNoCase(Format, At, "ampm")) return 4;
  if (StartsWithNoCase(Format, At, "a/p")) return 3;
  return 0;
}

bool HasMarker(std::string_view Format) {
  for (size_t I = 0; I < Format.size(); ++I) {
    if (Format[I] == '"' || Format[I] == '\'') {
      const size_t Close = Format.find(Format[I], I + 1);
      if (Close == std::string_view::npos) return false;
      I = Close;
    } else if (MarkerLength(Format, I) > 0) {
      return true;
    }
  }
  return false;
}

std::string Digits(int32_t Value, int32_t Width) { return Format("%.*d", Width, Value); }

class TDateFormatter {
 public:
  explicit TDateFormatter(TDateTime Value) : FParts(PartsOf(Value)) {}

  void Append(std::string_view Format, int32_t Depth) {
    // The formats nest at most once (c holds ddddd and tt).
    const bool Twelve = HasMarker(Format);
    char Last = 0;
    for (size_t I = 0; I < Format.size();) {
      const char C = Format[I];
      const char L = Lower(C);
      if (C == '"' || C == '\'') {
        size_t Close = Format.find(C, I + 1);
        if (Close == std::string_view::npos) Close = Format.size();
        FText.append(Format.substr(I + 1, Close - I - 1));
        I = Close + 1;
        continue;
      }
      if (L == 'a') {
        if (const size_t Length = MarkerLength(Format, I)) {
          AppendMarker(Format.substr(I, Length));
          I += Length;
          continue;
        }
      }
      size_t Run = 1;
      while (I + Run < Format.size() && Lower(Format[I + Run]) == L) ++Run;
      char Token = L;
      if (Token == 'm' && Last == 'h') Token = 'n';
      if (std::isalpha(static_cast<unsigned char>(C))) Last = Token;
      if (!AppendSpecifier(Token, static_cast<int32_t>(Run), Twelve, Depth)) {
        FText += C;
        Run = 1;
      }
      I += Run;
    }
  }

  const std::string& GetText() const { return FText; }

 private:
  // Whether Token is a specifier; a run of one that is not is copied.
  bool AppendSpecifier(char Token, int32_t Run, bool Twelve, int32_t Depth) {
    switch (Token) {
      case 'c':
        if (Depth > 0) return false;
        Append(ShortDateFormat, 1);
        if (!FParts.Midnight) {
          FText += ' ';
          Append(LongTimeFormat, 1);
        }
        return true;
      case 'd':
        if (Run <= 2) {
          FText += Digits(FParts.Day, Run);
        } else if (Run == 3) {
          FText += ShortDayNames[FParts.DayOfWeek];
        } else if (Run == 4) {
          FText += LongDayNames[FParts.DayOfWeek];
        } else if (Depth == 0) {
          Append(Run == 5 ? ShortDateFormat : LongDateFormat, 1);
        } else {
          return false;
        }
        return true;
      case 'm':
        if (Run <= 2) {
          FText += Digits(FParts.Month, Run);
        } else {
          FText += (Run == 3 ? ShortMonthNames : LongMonthNames)[FParts.Month - 1];
        }
        return true;
      case 'y':
        FText += Run <= 2 ? Digits(FParts.Year % 100, 2) : Digits(FParts.Year, 4);
        return true;
      case 'h': {
        int32_t Hour = FParts.Hour;
        if (Twelve) Hour = Hour % 12 == 0 ? 12 : Hour % 12;
        FText += Digits(Hour, Run >= 2 ? 2 : 1);
        return true;
      }
      case 'n':
        FText += Digits(FParts.Minute, Run >= 2 ? 2 : 1);
        return true;
      case 's':
        FText += Digits(FParts.Second, Run >= 2 ? 2 : 1);
        return true;
      case 'z':
        FText += Digits(FParts.MilliSecond, Run >= 2 ? 3 : 1);
        return true;
      case 't':
        if (Depth > 0) return false;
        Append(Run == 1 ? ShortTimeFormat : LongTimeFormat, 1);
        return true;
      case '/':
        FText.append(static_cast<size_t>(Run), DateSeparator);
        return true;
      case ':':
        FText.append(static_cast<size_t>(Run), TimeSeparator);
        return true;
      default:
        return false;
    }
  }

  // am/pm and a/p keep the case written; ampm is upper case.
  void AppendMarker(std::string_view Specifier) {
    const bool Afternoon = FParts.Hour >= 12;
    if (Specifier.size() == 4) {
      FText += Afternoon ? "PM" : "AM";
      return;
    }
    const size_t Slash = Specifier.find('/');
    FText.append(Afternoon ? Specifier.substr(Slash + 1) : Specifier.substr(0, Slash));
  }

  TParts FParts;
  std::string FText;
};

// A reader of the date and time texts that FormatDateTime writes.
class TDateReader {
 public:
  explicit TDateReader(std::string_view Text) : FText(Text) {}

  bool ReadDate(TDateTime& Value) {
    int32_t Year = 0;
    int32_t Month = 0;
    int32_t Day = 0;
    return ReadNumber(Year, 4) && Skip(DateSeparator) && ReadNumber(Month, 2) &&
           Skip(DateSeparator) && ReadNumber(Day, 2) && TryEncodeDate(Year, Month, Day, Value);
  }

  bool ReadTime(TDateTime& Value) {
    int32_t Hour = 0;
    int32_t Minute = 0;
    int32_t Second = 0;
    int32_t MilliSecond = 0;
    if (!ReadNumber(Hour, 2) || !Skip(TimeSeparator) || !ReadNumber(Minute, 2)) return false;
    if (Skip(TimeSeparator)) {
      if (!ReadNumber(Second, 2)) return false;
      if (Skip('.') && !ReadNumber(MilliSecond, 3)) return false;
    }
    SkipBlanks();
    const bool Morning = StartsWithNoCase(FText, FAt, "am");
    if (Morning || StartsWithNoCase(FText, FAt, "pm")) {
      if (Hour < 1 || Hour > 12) return false;
      Hour = Hour % 12 + (Morning ? 0 : 12);
      FAt += 2;
    }
    return TryEncodeTime(Hour, Minute, Second, MilliSecond, Value);
  }

  void SkipBlanks() {
    while (FAt < FText.size() && FText[FAt] == ' ') ++FAt;
  }
  bool AtEnd() const { return FAt == FText.size(); }
  // Whether a date starts here: digits, then the date separator.
  bool AtDate() const {
    size_t I = FAt;
    while (I < FText.size() && std::isdigit(static_cast<unsigned char>(FText[I]))) ++I;
    return I > FAt && I < FText.size() && FText[I] == DateSeparator;
  }

 private:
  bool ReadNumber(int32_t& Value, size_t MaxDigits) {
    const size_t Start = FAt;
    Value = 0;
    while (FAt < FText.size() && FAt - Start < MaxDigits &&
           std::isdigit(static_cast<unsigned char>(FText[FAt]))) {
      Value = Value * 10 + (FText[FAt++] - '0');
    }
    return FAt > Start;
  }
  bool Skip(char C) {
    if (FAt >= FText.size() || FText[FAt] != C) return false;
    ++FAt;
    return true;
  }

  std::string_view FText;
  size_t FAt = 0;
};

enum TReadPart : uint8_t { rpDate, rpTime, rpDateTime };

TDateTime ReadDateTime(std::string_view Text, TReadPart Part, const char* Message) {
  TDateReader Reader(Text);
  TDateTime Date = 0;
  TDateTime Time = 0;
  Reader.SkipBlanks();
  bool Valid = true;
  const bool HasDate = Part == rpDate || (Part == rpDateTime && Reader.AtDate());
  if (HasDate) {
    Valid = Reader.ReadDate(Date);
    Reader.SkipBlanks();
  }
  if (Valid && Part != rpDate && (!HasDate || !Reader.AtEnd())) {
    Valid = Reader.ReadTime(Time);
    Reader.SkipBlanks();
  }
  if (!Valid || !Reader.AtEnd()) throw EConvertError(Format(Message, std::string(Text)));
  // Before 1899-12-30 the fraction still counts forward from midnight.
  return Date < 0 ? Date - Time : Date + Time;
}

}  // namespace

bool IsLeapYear(int32_t Year) { return Year % 4 == 0 && (Year % 100 != 0 || Year % 400 == 0); }

int32_t DaysInMonth(int32_t Year, int32_t Month) {
  constexpr int32_t Days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return Month == 2 && IsLeapYear(Year) ? 29 : Days[Month - 1];
}

bool TryEncodeDate(int32_t Year, int32_t Month, int32_t Day, TDateTime& Value) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 ||
      Day > DaysInMonth(Year, Month)) {
    return false;
  }
  Value = static_cast<TDateTime>(DaysFromCivil(Year, Month, Day) + UnixDateDelta);
  return true;
}

bool TryEncodeTime(int32_t Hour, int32_t Minute, int32_t Second, int32_t MilliSecond,
                   TDateTime& Value) {
  if (Hour < 0 || Hour >= HoursPerDay || Minute < 0 || Minute > 59 || Second < 0 || Second > 59 ||
      MilliSecond < 0 || MilliSecond > 999) {
    return false;
  }
  const int32_t MSecs = ((Hour * 60 + Minute) * 60 + Second) * 1000 + MilliSecond;
  Value = static_cast<TDateTime>(MSecs) / MSecsPerDay;
  return true;
}

TDateTime EncodeDate(int32_t Year, int32_t Month, int32_t Day) {
  TDateTime Value = 0;
  if (!TryEncodeDate(Year, Month, Day, Value)) throw EConvertError(SDateEncodeError);
  return Value;
}

TDateTime EncodeTime(int32_t Hour, int32_t Minute, int32_t Second, int32_t MilliSecond) {
  TDateTime Value = 0;
  if (!TryEncodeTime(Hour, Minute, Second, MilliSecond, Value)) {
    throw EConvertError(STimeEncodeError);
  }
  return Value;
}

void DecodeDate(TDateTime Value, int32_t& Year, int32_t& Month, int32_t& Day) {
  const TParts Parts = PartsOf(Value);
  Year = Parts.Year;
  Month = Parts.Month;
  Day = Parts.Day;
}

void DecodeTime(TDateTime Value, int32_t& Hour, int32_t& Minute, int32_t& Second,
                int32_t& MilliSecond) {
  const TParts Parts = PartsOf(Value);
  Hour = Parts.Hour;
  Minute = Parts.Minute;
  Second = Parts.Second;
  MilliSecond = Parts.MilliSecond;
}

TDateTime Now() {
  const auto Clock = std::chrono::system_clock::now();
  const std::time_t Seconds = std::chrono::system_clock::to_time_t(Clock);
  std::tm Local{};
  localtime_r(&Seconds, &Local);
  const auto MilliSecond =
      std::chrono::duration_cast<std::chrono::milliseconds>(Clock.time_since_epoch()).count() %
      1000;
  return EncodeDate(Local.tm_year + 1900, Local.tm_mon + 1, Local.tm_mday) +
         EncodeTime(Local.tm_hour, Local.tm_min, Local.tm_sec, static_cast<int32_t>(MilliSecond));
}

TDateTime Date() { return std::floor(Now()); }

TDateTime Time() {
  const TDateTime Value = Now();
  return Value - std::floor(Value);
}

std::string FormatDateTime(std::string_view Format, TDateTime Value) {
  TDateFormatter Formatter(Value);
  Formatter.Append(Format.empty() ? std::string_view("c") : Format, 0);
  return Formatter.GetText();
}

std::string DateTimeToStr(TDateTime Value) { return FormatDateTime("c", Value); }
std::string DateToStr(TDateTime Value) { return FormatDateTime("ddddd", Value); }
std::string TimeToStr(TDateTime Value) { return FormatDateTime("tt", Value); }

TDateTime StrToDateTime(std::string_view Text) {
  return ReadDateTime(Text, rpDateTime, SInvalidDateTime);
}
TDateTime StrToDate(std::string_view Text) { return ReadDateTime(Text, rpDate, SInvalidDate); }
TDateTime StrToTime(std::string_view Text) { return ReadDateTime(Text, rpTime, SInvalidTime); }

}  // namespace ie
