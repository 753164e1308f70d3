#include "runtime/Format.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "runtime/Exceptions.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

TFormatArg::TFormatArg(const TFormatArg& Other)
    : FKind(Other.FKind),
      FInteger(Other.FInteger),
      FFloat(Other.FFloat),
      FString(Other.FString),
      FPointer(Other.FPointer),
      FChar(Other.FChar) {
  // A char argument views its own char; the source may die before the copy.
  if (Other.FString.data() == &Other.FChar) FString = std::string_view(&FChar, 1);
}

namespace {

// Errors quote the caller's format text, which must not be read as a format
// itself, so it is put into the message by plain substitution.
std::string FillMessage(std::string_view Message, std::string_view Text) {
  std::string Result(Message);
  Result.replace(Result.find("%s"), 2, Text);
  return Result;
}

bool IsDigit(char C) { return C >= '0' && C <= '9'; }

char ToLower(char C) { return C >= 'A' && C <= 'Z' ? static_cast<char>(C - 'A' + 'a') : C; }

// An index, width or precision as written: absent, a number, or "*".
struct TCount {
  bool Present = false;
  bool Star = false;
  int64_t Value = 0;
};

struct TDirective {
  TCount Index;
  bool LeftAlign = false;
  TCount Width;
  TCount Precision;
  char Type = 0;
};

std::string Digits(uint64_t Value, int Base, int64_t MinDigits) {
  char Buffer[64];
  const auto Result = std::to_chars(Buffer, Buffer + sizeof(Buffer), Value, Base);
  std::string Text(Buffer, Result.ptr);
  for (char& C : Text) {
    if (C >= 'a' && C <= 'f') C = static_cast<char>(C - 'a' + 'A');
  }
  if (static_cast<int64_t>(Text.size()) < MinDigits) Text.insert(0, MinDigits - Text.size(), '0');
  return Text;
}

// Unsigned directives see a negative 32-bit value as its 32-bit two's
// complement, as the hosts passing C ints expect; wider negatives keep 64.
uint64_t AsUnsigned(int64_t Value) {
  if (Value < 0 && Value >= INT32_MIN) return static_cast<uint32_t>(Value);
  return static_cast<uint64_t>(Value);
}

std::string ToChars(double Value, std::chars_format Style, int Precision) {
  // Room for the 309 integer digits of the largest double plus the digits asked.
  std::string Text(Precision + 340, '\0');
  const auto Result =
      std::to_chars(Text.data(), Text.data() + Text.size(), Value, Style, Precision);
  Text.resize(Result.ptr - Text.data());
  return Text;
}

bool HasNonZeroDigit(std::string_view Text) {
  for (char C : Text) {
    if (C >= '1' && C <= '9') return true;
  }
  return false;
}

// A value that prints as zero loses its minus sign: "-0.00" only confuses.
std::string Signed(double Value, std::string Text) {
  if (std::signbit(Value) && HasNonZeroDigit(Text)) Text.insert(0, 1, '-');
  return Text;
}

void InsertThousands(std::string& Text) {
  size_t End = Text.find('.');
  if (End == std::string::npos) End = Text.size();
  for (size_t At = End; At > 3; At -= 3) Text.insert(At - 3, 1, FormatSettings.ThousandSeparator);
}

void SetDecimalSeparator(std::string& Text) {
  const size_t At = Text.find('.');
  if (At != std::string::npos) Text[At] = FormatSettings.DecimalSeparator;
}

std::string Fixed(double Value, int Decimals, bool Thousands) {
  std::string Text = ToChars(std::fabs(Value), std::chars_format::fixed, Decimals);
  if (Thousands) InsertThousands(Text);
  SetDecimalSeparator(Text);
  return Signed(Value, std::move(Text));
}

// Splits a to_chars scientific text "d.ddde+XX" into mantissa and exponent.
int SplitExponent(std::string& Text) {
  const size_t At = Text.find('e');
  int Exponent = 0;
  std::from_chars(Text.data() + At + (Text[At + 1] == '+' ? 2 : 1), Text.data() + Text.size(),
                  Exponent);
  Text.resize(At);
  return Exponent;
}

std::string Scientific(double Value, int Digits) {
  std::string Text = ToChars(std::fabs(Value), std::chars_format::scientific, Digits - 1);
  const int Exponent = SplitExponent(Text);
  SetDecimalSeparator(Text);
  std::string ExponentText = std::to_string(std::abs(Exponent));
  if (ExponentText.size() < 3) ExponentText.insert(0, 3 - ExponentText.size(), '0');
  Text += Exponent < 0 ? "E-" : "E+";
  Text += ExponentText;
  return Signed(Value, std::move(Text));
}

void TrimFraction(std::string& Text) {
  if (Text.find('.') == std::string::npos) return;
  while (Text.back() == '0') Text.pop_back();
  if (Text.back() == '.') Text.pop_back();
}

std::string General(double Value, int Digits) {
  if (Value == 0) return "0";
  std::string Text = ToChars(std::fabs(Value), std::chars_format::scientific, Digits - 1);
  // The exponent after rounding to Digits decides the style, so 9.9999...
  // that rounds up to 10 is judged as 10.
  const int Exponent = SplitExponent(Text);
  if (Exponent < -4 || Exponent >= Digits) {
    TrimFraction(Text);
    Text += 'E';
    Text += std::to_string(Exponent);
  } else {
    Text = ToChars(std::fabs(Value), std::chars_format::fixed, Digits - 1 - Exponent);
    TrimFraction(Text);
  }
  SetDecimalSeparator(Text);
  return Signed(Value, std::move(Text));
}

std::string Money(double Value, int Decimals) {
  std::string Text = Fixed(std::fabs(Value), Decimals, true);
  Text.insert(0, FormatSettings.CurrencyString);
  return Signed(Value, std::move(Text));
}

// Precision -1 stands for the directive's default.
std::string FormatFloat(char Type, double Value, int Precision) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value < 0 ? "-INF" : "INF";
  switch (Type) {
    case 'e':
      return Scientific(Value, Precision < 0 ? 15 : std::max(Precision, 1));
    case 'f':
      return Fixed(Value, Precision < 0 ? 2 : Precision, false);
    case 'g':
      return General(Value, Precision < 0 ? 15 : std::max(Precision, 1));
    case 'n':
      return Fixed(Value, Precision < 0 ? 2 : Precision, true);
    default:
      return Money(Value, Precision < 0 ? FormatSettings.CurrencyDecimals : Precision);
  }
}

class TFormatter {
 public:
  TFormatter(std::string_view Fmt, std::span<const TFormatArg> Args) : FFmt(Fmt), FArgs(Args) {}

  std::string Run() {
    std::string Result;
    size_t Pos = 0;
    while (Pos < FFmt.size()) {
      const size_t Percent = FFmt.find('%', Pos);
      if (Percent == std::string_view::npos) {
        Result += FFmt.substr(Pos);
        break;
      }
      Result += FFmt.substr(Pos, Percent - Pos);
      Pos = Percent + 1;
      if (Pos < FFmt.size() && FFmt[Pos] == '%') {
        Result += '%';
        ++Pos;
        continue;
      }
      Result += Apply(Parse(Pos));
    }
    return Result;
  }

 private:
  std::string_view FFmt;
  std::span<const TFormatArg> FArgs;
  size_t FNext = 0;

  [[noreturn]] void Invalid() const { throw EConvertError(FillMessage(SInvalidFormat, FFmt)); }

  // Reads a number or "*" at Pos. Digits saturate so that a huge number still
  // fails the range check instead of wrapping.
  TCount ParseCount(size_t& Pos) const {
    TCount Count;
    if (Pos < FFmt.size() && FFmt[Pos] == '*') {
      Count.Present = Count.Star = true;
      ++Pos;
      return Count;
    }
    for (; Pos < FFmt.size() && IsDigit(FFmt[Pos]); ++Pos) {
      Count.Present = true;
      Count.Value = std::min<int64_t>(Count.Value * 10 + (FFmt[Pos] - '0'), INT32_MAX);
    }
    return Count;
  }

  // The whole directive is checked before any argument is taken, so a
  // malformed directive is reported as such whatever the arguments.
  TDirective Parse(size_t& Pos) const {
    TDirective Directive;
    size_t Ahead = Pos;
    const TCount First = ParseCount(Ahead);
    if (First.Present && Ahead < FFmt.size() && FFmt[Ahead] == ':') {
      Directive.Index = First;
      Pos = Ahead + 1;
    }
    if (Pos < FFmt.size() && FFmt[Pos] == '-') {
      Directive.LeftAlign = true;
      ++Pos;
    }
    Directive.Width = ParseCount(Pos);
    if (Pos < FFmt.size() && FFmt[Pos] == '.') {
      ++Pos;
      Directive.Precision = ParseCount(Pos);
      if (!Directive.Precision.Present) Invalid();
    }
    if (Pos >= FFmt.size()) Invalid();
    Directive.Type = ToLower(FFmt[Pos++]);
    switch (Directive.Type) {
      case 'd':
      case 'u':
      case 'x':
      case 'e':
      case 'f':
      case 'g':
      case 'n':
      case 'm':
      case 'p':
      case 's':
        break;
      default:
        Invalid();
    }
    return Directive;
  }

  const TFormatArg& Next() {
    if (FNext >= FArgs.size()) throw EConvertError(FillMessage(SArgumentMissing, FFmt));
    return FArgs[FNext++];
  }

  // A width or precision: negative values from "*" are refused like too
  // large ones rather than given a meaning of their own.
  int Resolve(const TCount& Count) {
    if (!Count.Present) return -1;
    int64_t Value = Count.Value;
    if (Count.Star) {
      const TFormatArg& Arg = Next();
      if (Arg.GetKind() != TFormatArg::fkInteger) Invalid();
      Value = Arg.GetInteger();
    }
    if (Value < 0 || Value > MaxFormatWidth) Invalid();
    return static_cast<int>(Value);
  }

  std::string Apply(const TDirective& Directive) {
    if (Directive.Index.Present) {
      int64_t Index = Directive.Index.Value;
      if (Directive.Index.Star) {
        const TFormatArg& Arg = Next();
        if (Arg.GetKind() != TFormatArg::fkInteger || Arg.GetInteger() < 0) Invalid();
        Index = Arg.GetInteger();
      }
      FNext = static_cast<size_t>(std::min<int64_t>(Index, INT32_MAX));
    }
    const int Width = Resolve(Directive.Width);
    const int Precision = Resolve(Directive.Precision);
    std::string Text = Convert(Directive.Type, Next(), Precision);
    if (static_cast<int>(Text.size()) < Width) {
      const size_t Fill = Width - Text.size();
      if (Directive.LeftAlign) {
        Text.append(Fill, ' ');
      } else {
        Text.insert(0, Fill, ' ');
      }
    }
    return Text;
  }

  std::string Convert(char Type, const TFormatArg& Arg, int Precision) const {
    switch (Type) {
      case 'd': {
        if (Arg.GetKind() != TFormatArg::fkInteger) Invalid();
        const int64_t Value = Arg.GetInteger();
        const uint64_t Magnitude =
            Value < 0 ? 0 - static_cast<uint64_t>(Value) : static_cast<uint64_t>(Value);
        return (Value < 0 ? "-" : "") + Digits(Magnitude, 10, Precision);
      }
      case 'u':
      case 'x':
        if (Arg.GetKind() != TFormatArg::fkInteger) Invalid();
        return Digits(AsUnsigned(Arg.GetInteger()), Type == 'u' ? 10 : 16, Precision);
      case 'p':
        if (Arg.GetKind() != TFormatArg::fkPointer) Invalid();
        return Digits(reinterpret_cast<uintptr_t>(Arg.GetPointer()), 16, 16);
      case 's': {
        if (Arg.GetKind() != TFormatArg::fkString) Invalid();
        const std::string_view Text = Arg.GetString();
        return std::string(Precision >= 0 ? Text.substr(0, Precision) : Text);
      }
      default:
        if (Arg.GetKind() != TFormatArg::fkFloat) Invalid();
        return FormatFloat(Type, Arg.GetFloat(), Precision);
    }
  }
};

}  // namespace

std::string FormatArgs(std::string_view Fmt, std::span<const TFormatArg> Args) {
  return TFormatter(Fmt, Args).Run();
}

}  // namespace ie
