// Format: the runtime's printf-style formatting, with our own parser of
// directives. Rule programs pass their own format texts here, so every
// directive is checked against its argument and a bad or missing argument
// raises EConvertError rather than reaching the C library.
//
// Directive: "%" [index ":"] ["-"] [width] ["." precision] type, where
// index, width and precision are decimal numbers or "*" (taken from the
// next integer argument), and type is one of
//   d  decimal integer; precision = minimum digits (zero padded)
//   u  unsigned decimal integer (a negative argument is taken as 32 bits,
//      or as 64 when it does not fit in 32); precision = minimum digits
//   x  upper-case hexadecimal integer, negatives as for u; precision =
//      minimum digits
//   e  scientific float, "-d.ddd...E+ddd"; precision = significant digits (15)
//   f  fixed float; precision = decimals (2)
//   g  general float, the shorter of fixed and scientific; precision =
//      significant digits (15); no trailing zeros
//   n  fixed float with thousand separators; precision = decimals (2)
//   m  money: thousand separators, CurrencyDecimals, CurrencyString
//   p  pointer, 16 upper-case hexadecimal digits
//   s  string (a char counts as a string); precision = maximum characters
// "%%" is a percent sign. The letters may be given in either case. An index
// selects an argument (counted from 0) and later directives go on after it.
// Width pads with blanks on the left, or on the right after "-". Width and
// precision above MaxFormatWidth, or negative from "*", raise the format
// error. Numbers always use a point as decimal separator.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace ie {

inline constexpr int MaxFormatWidth = 4096;

// The fixed settings of number texts; a point as decimal separator so that
// every printed number reads back the same way.
struct TFormatSettings {
  char DecimalSeparator;
  char ThousandSeparator;
  const char* CurrencyString;
  int CurrencyDecimals;
};
inline constexpr TFormatSettings FormatSettings{'.', ',', "$", 2};

class TFormatArg {
 public:
  enum TKind : uint8_t { fkInteger, fkFloat, fkString, fkPointer };

  TFormatArg(int Value) : FKind(fkInteger), FInteger(Value) {}
  TFormatArg(long Value) : FKind(fkInteger), FInteger(Value) {}
  TFormatArg(long long Value) : FKind(fkInteger), FInteger(Value) {}
  TFormatArg(unsigned Value) : FKind(fkInteger), FInteger(Value) {}
  TFormatArg(unsigned long Value) : FKind(fkInteger), FInteger(static_cast<int64_t>(Value)) {}
  TFormatArg(unsigned long long Value) : FKind(fkInteger), FInteger(static_cast<int64_t>(Value)) {}
  TFormatArg(double Value) : FKind(fkFloat), FFloat(Value) {}
  TFormatArg(float Value) : FKind(fkFloat), FFloat(Value) {}
  TFormatArg(char Value) : FKind(fkString), FString(&FChar, 1), FChar(Value) {}
  TFormatArg(const char* Value) : FKind(fkString), FString(Value != nullptr ? Value : "") {}
  TFormatArg(std::string_view Value) : FKind(fkString), FString(Value) {}
  TFormatArg(const std::string& Value) : FKind(fkString), FString(Value) {}
  TFormatArg(const void* Value) : FKind(fkPointer), FPointer(Value) {}
  TFormatArg(const TFormatArg& Other);
  TFormatArg& operator=(const TFormatArg&) = delete;

  TKind GetKind() const { return FKind; }
  int64_t GetInteger() const { return FInteger; }
  double GetFloat() const { return FFloat; }
  std::string_view GetString() const { return FString; }
  const void* GetPointer() const { return FPointer; }

 private:
  TKind FKind;
  int64_t FInteger = 0;
  double FFloat = 0;
  std::string_view FString;
  const void* FPointer = nullptr;
  char FChar = 0;
};

std::string FormatArgs(std::string_view Fmt, std::span<const TFormatArg> Args);

template <class... TArgs>
std::string Format(std::string_view Fmt, const TArgs&... Args) {
  if constexpr (sizeof...(TArgs) == 0) {
    return FormatArgs(Fmt, {});
  } else {
    const TFormatArg List[] = {TFormatArg(Args)...};
    return FormatArgs(Fmt, List);
  }
}

}  // namespace ie
