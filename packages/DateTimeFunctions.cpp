#include "packages/DateTimeFunctions.h"

#include <array>
#include <string>

#include "core/IEValue.h"
#include "functions/IEHelperFunctions.h"
#include "runtime/DateTime.h"

namespace ie {
namespace {

class TTimeFunction : public TIEUserFunction {
  IE_CLASS(TTimeFunction, TIEUserFunction)

 public:
  TTimeFunction() {
    Describe(*this, "time", "Returns the time of day in seconds since midnight as a float.", "", 0,
             0);
  }

 protected:
  ~TTimeFunction() override = default;

  void Call(const IFunCall&, TIEContext*, IIEValue& Result) override {
    Result = new TIEValue(Time() * SecsPerDay);
  }
};

constexpr const char* SStringArgument = " <string-expression> ";
constexpr const char* SNumericArgument = " <numeric-expression> ";
constexpr const char* SDateArgument = " <system-date-numeric-expression>";
constexpr const char* STimeArgument = " <system-time-numeric-expression>";

constexpr std::array<TFunctionEntry, 3> SystemEntries = {{
    {"system-datetime", "Returns the current date and time as a float.", "", 0, 0},
    {"system-date", "Returns the current date as a float, a whole number of days.", "", 0, 0},
    {"system-time", "Returns the current time of day as a float, a fraction of a day.", "", 0, 0},
}};

constexpr std::array<TFunctionEntry, 7> StringEntries = {{
    {"str-datetime", "Returns the date and time written in the string as a float.", SStringArgument,
     1, 1},
    {"str-date", "Returns the date written in the string as a float.", SStringArgument, 1, 1},
    {"str-time", "Returns the time written in the string as a float.", SStringArgument, 1, 1},
    {"datetime-str", "Returns the date and time of the number as a string.", SNumericArgument, 1,
     1},
    {"date-str", "Returns the date of the number as a string.", SNumericArgument, 1, 1},
    {"time-str", "Returns the time of the number as a string.", SNumericArgument, 1, 1},
    {"datetime-str-format",
     "Returns the date and time of the number as a string laid out by the format.",
     " <numeric-expression> <format-string-expression>", 1, 2},
}};

constexpr std::array<TFunctionEntry, 7> DecodeEntries = {{
    {"decode-year", "Returns the year of the date as an integer.", SDateArgument, 1, 1},
    {"decode-month", "Returns the month of the date as an integer.", SDateArgument, 1, 1},
    {"decode-day", "Returns the day of the month of the date as an integer.", SDateArgument, 1, 1},
    {"decode-hour", "Returns the hour of the time as an integer.", STimeArgument, 1, 1},
    {"decode-minute", "Returns the minute of the time as an integer.", STimeArgument, 1, 1},
    {"decode-second", "Returns the second of the time as an integer.", STimeArgument, 1, 1},
    {"decode-millisecond", "Returns the millisecond of the time as an integer.", STimeArgument, 1,
     1},
}};

constexpr std::array<TFunctionEntry, 2> EncodeEntries = {{
    {"encode-date",
     "Returns the date of the year, month (1 by default) and day (1 by default) as a float.",
     " <year-integer-expression> [<month-integer-expression> [<day-integer-expression>]]", 1, 3},
    {"encode-time",
     "Returns the time of the hour, minute, second and millisecond (0 by default) as a float.",
     " <hour-integer-expression> [<minute-integer-expression> [<second-integer-expression> "
     "[<millisecond-integer-expression>]]]",
     1, 4},
}};

double Number(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsNumeric();
}

}  // namespace

// TSystemDateTimeFunction

TSystemDateTimeFunction::TSystemDateTimeFunction(TSystemDateTimeType Kind)
    : TSelectableFunction(SystemEntries, Kind) {}

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
    : TSelectableFunction(StringEntries, Kind) {}

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
    : TSelectableFunction(DecodeEntries, Kind) {}

void TDecodeDateTimeFunction::Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const double Value = Number(FunCall, 0, Context);
  int32_t Parts[7] = {};
  DecodeDate(Value, Parts[ddtYear], Parts[ddtMonth], Parts[ddtDay]);
  DecodeTime(Value, Parts[ddtHour], Parts[ddtMinute], Parts[ddtSecond], Parts[ddtMillisecond]);
  Result = new TIEValue(Parts[GetDecode()], dtInteger);
}

// TEncodeDateTimeFunction

TEncodeDateTimeFunction::TEncodeDateTimeFunction(TEncodeDateTimeType Kind)
    : TSelectableFunction(EncodeEntries, Kind) {}

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
  Functions.Add(new TTimeFunction());
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
