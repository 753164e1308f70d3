// The miscellaneous package's date and time functions: the clock (time,
// system-datetime, system-date, system-time), conversions between
// date-time numbers and text (str-datetime ... datetime-str-format), and
// splitting numbers into their parts and making them from parts (decode-*,
// encode-date, encode-time).
//
// Dates and times are the runtime's date-time numbers (runtime/DateTime.h):
// floats counting days since 30 December 1899, the fraction being the time
// of day. Text that does not read, parts out of range and numbers outside
// the years 1 to 9999 raise the runtime's conversion error.
#pragma once

#include <cstdint>

#include "functions/IEPackages.h"
#include "packages/PackageSupport.h"

namespace ie {

enum TSystemDateTimeType : uint8_t { sdtDateTime, sdtDate, sdtTime };
enum TDateTimeStringType : uint8_t {
  dtsStrDateTime,
  dtsStrDate,
  dtsStrTime,
  dtsDateTimeStr,
  dtsDateStr,
  dtsTimeStr,
  dtsDateTimeStrFormat
};
enum TDecodeDateTimeType : uint8_t {
  ddtYear,
  ddtMonth,
  ddtDay,
  ddtHour,
  ddtMinute,
  ddtSecond,
  ddtMillisecond
};
enum TEncodeDateTimeType : uint8_t { edtDate, edtTime };

// system-datetime, system-date, system-time: the local clock as a float.
class TSystemDateTimeFunction : public TSelectableFunction<TSystemDateTimeType> {
  IE_CLASS(TSystemDateTimeFunction, TIEUserFunction)

 public:
  explicit TSystemDateTimeFunction(TSystemDateTimeType Kind = sdtDateTime);
  TSystemDateTimeType GetDateTimeType() const { return GetFunctionType(); }
  void SetDateTimeType(TSystemDateTimeType Kind) { SetFunctionType(Kind); }

 protected:
  ~TSystemDateTimeFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// str-datetime, str-date, str-time read text into a float;
// datetime-str, date-str, time-str and datetime-str-format write a number
// as a string.
class TDateTimeStringFunction : public TSelectableFunction<TDateTimeStringType> {
  IE_CLASS(TDateTimeStringFunction, TIEUserFunction)

 public:
  explicit TDateTimeStringFunction(TDateTimeStringType Kind = dtsStrDateTime);
  TDateTimeStringType GetConversion() const { return GetFunctionType(); }
  void SetConversion(TDateTimeStringType Kind) { SetFunctionType(Kind); }

 protected:
  ~TDateTimeStringFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// decode-year ... decode-millisecond: one part of a number, an integer.
class TDecodeDateTimeFunction : public TSelectableFunction<TDecodeDateTimeType> {
  IE_CLASS(TDecodeDateTimeFunction, TIEUserFunction)

 public:
  explicit TDecodeDateTimeFunction(TDecodeDateTimeType Kind = ddtYear);
  TDecodeDateTimeType GetDecode() const { return GetFunctionType(); }
  void SetDecode(TDecodeDateTimeType Kind) { SetFunctionType(Kind); }

 protected:
  ~TDecodeDateTimeFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// encode-date (month and day default to 1) and encode-time (minute,
// second and millisecond default to 0): a float.
class TEncodeDateTimeFunction : public TSelectableFunction<TEncodeDateTimeType> {
  IE_CLASS(TEncodeDateTimeFunction, TIEUserFunction)

 public:
  explicit TEncodeDateTimeFunction(TEncodeDateTimeType Kind = edtDate);
  TEncodeDateTimeType GetEncode() const { return GetFunctionType(); }
  void SetEncode(TEncodeDateTimeType Kind) { SetFunctionType(Kind); }

 protected:
  ~TEncodeDateTimeFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// Adds time and one instance per function of the classes above, in the
// package's order.
void AddDateTimeFunctions(TUserFunctionList& Functions);

}  // namespace ie
