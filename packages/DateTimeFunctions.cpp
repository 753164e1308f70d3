#include "packages/DateTimeFunctions.h"

#include <array>
#include <string>

#include "core/IEValue.h"
#include "functions/IEHelperFunctions.h"
#include "runtime/DateTime.h"

namespace ie {
namespace {

void CallTime(const IFunCall&, TIEContext*, IIEValue& Result) {
  Result = new TIEValue(Time() * SecsPerDay);
}

constexpr const char* SStringArgument = " <string-expression> ";
constexpr const char* SNumericArgument = " <numeric-expression> ";
constexpr const char* SDateArgument = " <system-date-numeric-expression>";
constexpr const char* STimeArgument = " <system-time-numeric-expression>";

constexpr std::array<TFunctionRow, 3> SystemRows = {{
    {"system-datetime", nullptr, 0, 0, "", "Returns the current date and time as a float."},
    {"system-date", nullptr, 0, 0, "",
     "Returns the current date as a float, a whole number of days."},
    {"system-time", nullptr, 0, 0, "",
     "Returns the current time of day as a float, a fraction of a day."},
}};

constexpr std::array<TFunctionRow, 7> StringRows = {{
    {"str-datetime", nullptr, 1, 1, SStringArgument,
     "Returns the date and time written in the string as a float."},
    {"str-date", nullptr, 1, 1, SStringArgument,
     "Returns the date written in the string as a float."},
    {"str-time", nullptr, 1, 1, SStringArgument,
     "Returns the time written in the string as a float."},
    {"datetime-str", nullptr, 1, 1, SNumericArgument,
     "Returns the date and time of the number as a string."},
    {"date-str", nullptr, 1, 1, SNumericArgument, "Returns the date of the number as a string."},
    {"time-str", nullptr, 1, 1, SNumericArgument, "Returns the time of the number as a string."},
    {"datetime-str-format", nullptr, 1, 2, " <numeric-expression> <format-string-expression>",
     "Returns the date and time of the number as a string laid out by the format."},
}};

constexpr std::array<TFunctionRow, 7> DecodeRows = {{
    {"decode-year", nullptr, 1, 1, SDateArgument, "Returns the year of the date as an integer."},
    {"decode-month", nullptr, 1, 1, SDateArgument, "Returns the month of the date as an integer."},
    {"decode-day", nullptr, 1, 1, SDateArgument,
     "Returns the day of the month of the date as an integer."},
    {"decode-hour", nullptr, 1, 1, STimeArgument, "Returns the hour of the time as an integer."},
    {"decode-minute", nullptr, 1, 1, STimeArgument,
     "Returns the minute of the time as an integer."},
    {"decode-second", nullptr, 1, 1, STimeArgument,
     "Returns the second of the time as an integer."},
    {"decode-millisecond", nullptr, 1, 1, STimeArgument,
     "Returns the millisecond of the time as an integer."},
}};

constexpr std::array<TFunctionRow, 2> EncodeRows = {{
    {"encode-date", nullptr, 1, 3,
     " <year-integer-expression> [<month-integer-expression> [<day-integer-expression>]]",
     "Returns the date of the year, month (1 by default) and day (1 by default) as a float."},
    {"encode-time", nullptr, 1, 4,
     " <hour-integer-expression> [<minute-integer-expression> [<second-integer-expression> "
     "[<millisecond-integer-expression>]]]",
     "Returns the time of the hour, minute, second and millisecond (0 by default) as a float."},
}};

double Number(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsNumeric();
}

constexpr TFunctionRow DateTimeRows[] = {
    {"time", CallTime, 0, 0, "", "Returns the time of day in seconds since midnight as a float."},
};

}  // namespace

// TSystemDateTimeFunction

TSystemDateTimeFunction::TSystemDateTimeFunction(TSystemDateTimeType Kind)
    : TSelectableFunction(SystemRows, Kind) {}

void TSystemDateTimeFunction::Call(const IFunCall&, TIEContext*, IIEValue& Result) {
  switch (GetDateTimeType()) {
    case sdtDateTime:
      Result = new TIEValue(Now());
      return;
    case sdtDate:
      Result = new TIEValue(Date());
      return;
    case sdtTime:
      Result = new TIEValue(Time());
      return;
  }
}

// TDateTimeStringFunction

TDateTimeStringFunction::TDateTimeStringFunction(TDateTimeStringType Kind)
    : TSelectableFunction(StringRows, Kind) {}

void TDateTimeStringFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const auto Text = [&] { return IEStringToString(Operand(FunCall, 0, Context)->GetAsString()); };
  switch (GetConversion()) {
    case dtsStrDateTime:
      Result = new TIEValue(StrToDateTime(Text()));
      return;
    case dtsStrDate:
      Result = new TIEValue(StrToDate(Text()));
      return;
    case dtsStrTime:
      Result = new TIEValue(StrToTime(Text()));
      return;
    case dtsDateTimeStr:
      Result = new TIEValue(DateTimeToStr(Number(FunCall, 0, Context)), dtString);
      return;
    case dtsDateStr:
      Result = new TIEValue(DateToStr(Number(FunCall, 0, Context)), dtString);
      return;
    case dtsTimeStr:
      Result = new TIEValue(TimeToStr(Number(FunCall, 0, Context)), dtString);
      return;
    case dtsDateTimeStrFormat: {
      const double Value = Number(FunCall, 0, Context);
      const std::string Pattern =
          FunCall->GetArgumentCount() > 1 ? Operand(FunCall, 1, Context)->GetAsString() : "";
      Result = new TIEValue(FormatDateTime(Pattern, Value), dtString);
      return;
    }
  }
}

// TDecodeDateTimeFunction

TDecodeDateTimeFunction::TDecodeDateTimeFunction(TDecodeDateTimeType Kind)
    : TSelectableFunction(DecodeRows, Kind) {}

void TDecodeDateTimeFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const double Value = Number(FunCall, 0, Context);
  int32_t Parts[7] = {};
  DecodeDate(Value, Parts[ddtYear], Parts[ddtMonth], Parts[ddtDay]);
  DecodeTime(Value, Parts[ddtHour], Parts[ddtMinute], Parts[ddtSecond], Parts[ddtMillisecond]);
  Result = new TIEValue(Parts[GetDecode()], dtInteger);
}

// TEncodeDateTimeFunction

TEncodeDateTimeFunction::TEncodeDateTimeFunction(TEncodeDateTimeType Kind)
    : TSelectableFunction(EncodeRows, Kind) {}

void TEncodeDateTimeFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const auto Part = [&](int32_t Index, int32_t Default) {
    return Index < FunCall->GetArgumentCount() ? Operand(FunCall, Index, Context)->GetAsInteger()
                                               : Default;
  };
  switch (GetEncode()) {
    case edtDate:
      Result = new TIEValue(EncodeDate(Part(0, 0), Part(1, 1), Part(2, 1)));
      return;
    case edtTime:
      Result = new TIEValue(EncodeTime(Part(0, 0), Part(1, 0), Part(2, 0), Part(3, 0)));
      return;
  }
}

void AddDateTimeFunctions(TUserFunctionList& Functions) {
  AddRows(Functions, DateTimeRows);
  for (auto Kind : {sdtDateTime, sdtDate, sdtTime}) {
    Functions.Add(new TSystemDateTimeFunction(Kind));
  }
  for (auto Kind : {dtsStrDateTime, dtsStrDate, dtsStrTime, dtsDateTimeStr, dtsDateStr, dtsTimeStr,
                    dtsDateTimeStrFormat}) {
    Functions.Add(new TDateTimeStringFunction(Kind));
  }
  for (auto Kind : {ddtYear, ddtMonth, ddtDay, ddtHour, ddtMinute, ddtSecond, ddtMillisecond}) {
    Functions.Add(new TDecodeDateTimeFunction(Kind));
  }
  Functions.Add(new TEncodeDateTimeFunction(edtDate));
  Functions.Add(new TEncodeDateTimeFunction(edtTime));
}

}  // namespace ie
