// Strict conversions between numbers and their texts. A text converts only
// when the whole of it is the number: an optional sign, digits, and for
// floats an optional fraction and exponent ("1", "-2.5", ".5", "5.",
// "1e10", "1.5E-3"); no blanks, no hexadecimal, no "inf" or "nan". Floats
// always use a point as decimal separator, so what FloatToStr and Format
// write reads back here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace ie {

// Raise EConvertError "'%s' is not a valid integer value" (or "... floating
// point value") when the text is not a number of the type, or is out of the
// type's range.
int32_t StrToInt(std::string_view Text);
int64_t StrToInt64(std::string_view Text);
double StrToFloat(std::string_view Text);

bool TryStrToInt(std::string_view Text, int32_t& Value);
bool TryStrToInt64(std::string_view Text, int64_t& Value);
bool TryStrToFloat(std::string_view Text, double& Value);
// Whether Text is written as a number, whatever its range.
bool IsFloatText(std::string_view Text);

int32_t StrToIntDef(std::string_view Text, int32_t Default);
double StrToFloatDef(std::string_view Text, double Default);

std::string IntToStr(int64_t Value);
// The shortest text of at most 15 significant digits that general format
// gives: 3 prints as "3", 0.1 as "0.1", 1e20 as "1E20".
std::string FloatToStr(double Value);

// Saved text must read back as what it was written from; text for people
// keeps its fixed forms. While a TExactText lives on the calling thread,
// the printers write the saved form.
class TExactText {
 public:
  TExactText();
  TExactText(const TExactText&) = delete;
  TExactText& operator=(const TExactText&) = delete;
  ~TExactText();
  static bool Active();

 private:
  bool FFormer;
};

// A float with four decimals ("%.4f"); in saved text, when those do not
// read back as the same double, the shortest text that does ("1e-06").
// Writes into Buffer (at least FloatTextSize bytes) and returns the length.
constexpr size_t FloatTextSize = 400;
size_t WriteFloatText(double Value, char* Buffer);
std::string FloatText(double Value);

}  // namespace ie
