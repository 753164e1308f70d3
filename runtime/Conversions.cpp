#include "runtime/Conversions.h"

#include <algorithm>
#include <charconv>
#include <system_error>

#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

bool IsSign(char C) { return C == '+' || C == '-'; }

size_t SkipDigits(std::string_view Text, size_t Pos) {
  while (Pos < Text.size() && IsDigit(Text[Pos])) ++Pos;
  return Pos;
}

bool ParseInteger(std::string_view Text, int64_t Min, int64_t Max, int64_t& Value) {
  const size_t Start = !Text.empty() && IsSign(Text[0]) ? 1 : 0;
  if (Start == Text.size() || SkipDigits(Text, Start) != Text.size()) return false;
  uint64_t Magnitude = 0;
  if (std::from_chars(Text.data() + Start, Text.data() + Text.size(), Magnitude).ec !=
      std::errc()) {
    return false;
  }
  const bool Negative = Text[0] == '-';
  const uint64_t Limit =
      Negative ? static_cast<uint64_t>(-(Min + 1)) + 1 : static_cast<uint64_t>(Max);
  if (Magnitude > Limit) return false;
  Value = static_cast<int64_t>(Negative ? 0 - Magnitude : Magnitude);
  return true;
}

// from_chars reports underflow like overflow. An out of range number whose
// leading digit lies below the units underflowed and reads as zero; only the
// others overflow to infinity.
bool IsBelowOne(std::string_view Mantissa, std::string_view Exponent) {
  const size_t Point = std::min(Mantissa.find('.'), Mantissa.size());
  const size_t First = Mantissa.find_first_of("123456789");
  int64_t Position = First < Point ? static_cast<int64_t>(Point - First - 1)
                                   : -static_cast<int64_t>(First - Point);
  const bool Negative = !Exponent.empty() && Exponent[0] == '-';
  int64_t Magnitude = 0;
  for (char C : Exponent) {
    // Saturate far beyond any text length so the sum cannot wrap.
    if (IsDigit(C)) Magnitude = std::min<int64_t>(Magnitude * 10 + (C - '0'), INT32_MAX);
  }
  Position += Negative ? -Magnitude : Magnitude;
  return Position < 0;
}

}  // namespace

bool TryStrToInt(std::string_view Text, int32_t& Value) {
  int64_t Wide = 0;
  if (!ParseInteger(Text, INT32_MIN, INT32_MAX, Wide)) return false;
  Value = static_cast<int32_t>(Wide);
  return true;
}

bool TryStrToInt64(std::string_view Text, int64_t& Value) {
  return ParseInteger(Text, INT64_MIN, INT64_MAX, Value);
}

namespace {

// Where the mantissa of a float's text ends, or npos when the text is not
// written as a float.
size_t FloatMantissaEnd(std::string_view Text) {
  const size_t Start = !Text.empty() && IsSign(Text[0]) ? 1 : 0;
  size_t Pos = SkipDigits(Text, Start);
  size_t DigitCount = Pos - Start;
  if (Pos < Text.size() && Text[Pos] == '.') {
    const size_t FractionEnd = SkipDigits(Text, Pos + 1);
    DigitCount += FractionEnd - Pos - 1;
    Pos = FractionEnd;
  }
  if (DigitCount == 0) return std::string_view::npos;
  const size_t MantissaEnd = Pos;
  if (Pos < Text.size() && (Text[Pos] == 'e' || Text[Pos] == 'E')) {
    ++Pos;
    if (Pos < Text.size() && IsSign(Text[Pos])) ++Pos;
    const size_t ExponentEnd = SkipDigits(Text, Pos);
    if (ExponentEnd == Pos) return std::string_view::npos;
    Pos = ExponentEnd;
  }
  return Pos == Text.size() ? MantissaEnd : std::string_view::npos;
}

}  // namespace

bool IsFloatText(std::string_view Text) { return FloatMantissaEnd(Text) != std::string_view::npos; }

bool TryStrToFloat(std::string_view Text, double& Value) {
  const size_t Start = !Text.empty() && IsSign(Text[0]) ? 1 : 0;
  const size_t MantissaEnd = FloatMantissaEnd(Text);
  if (MantissaEnd == std::string_view::npos) return false;

  // The grammar checked above is a subset of what from_chars reads, so the
  // only failure left is a number out of range.
  double Result = 0;
  if (std::from_chars(Text.data() + Start, Text.data() + Text.size(), Result).ec != std::errc()) {
    const std::string_view Exponent = Text.substr(std::min(MantissaEnd + 1, Text.size()));
    if (!IsBelowOne(Text.substr(Start, MantissaEnd - Start), Exponent)) return false;
    Result = 0;
  }
  Value = Text[0] == '-' ? -Result : Result;
  return true;
}

int32_t StrToInt(std::string_view Text) {
  int32_t Value = 0;
  if (!TryStrToInt(Text, Value)) throw EConvertError(Format(SInvalidInteger, Text));
  return Value;
}

int64_t StrToInt64(std::string_view Text) {
  int64_t Value = 0;
  if (!TryStrToInt64(Text, Value)) throw EConvertError(Format(SInvalidInteger, Text));
  return Value;
}

double StrToFloat(std::string_view Text) {
  double Value = 0;
  if (!TryStrToFloat(Text, Value)) throw EConvertError(Format(SInvalidFloat, Text));
  return Value;
}

int32_t StrToIntDef(std::string_view Text, int32_t Default) {
  int32_t Value = 0;
  return TryStrToInt(Text, Value) ? Value : Default;
}

double StrToFloatDef(std::string_view Text, double Default) {
  double Value = 0;
  return TryStrToFloat(Text, Value) ? Value : Default;
}

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

std::string FloatToStr(double Value) { return Format("%g", Value); }

namespace {
thread_local bool GExactText = false;
}  // namespace

TExactText::TExactText() : FFormer(GExactText) { GExactText = true; }

TExactText::~TExactText() { GExactText = FFormer; }

bool TExactText::Active() { return GExactText; }

size_t WriteFloatText(double Value, char* Buffer) {
  char* const End = Buffer + FloatTextSize;
  const size_t Length = std::to_chars(Buffer, End, Value, std::chars_format::fixed, 4).ptr - Buffer;
  if (!GExactText) return Length;
  double Read = 0;
  std::from_chars(Buffer, Buffer + Length, Read);
  if (Read == Value) return Length;
  // Only a value with a fraction finer than four decimals gets here, so
  // the shortest form always has a point or an exponent: it reads as a float.
  return std::to_chars(Buffer, End, Value).ptr - Buffer;
}

std::string FloatText(double Value) {
  char Buffer[FloatTextSize];
  return std::string(Buffer, WriteFloatText(Value, Buffer));
}

}  // namespace ie
