#include "runtime/Format.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

#include "runtime/Exceptions.h"

namespace ie {
namespace {

template <class... TArgs>
std::string ErrorOf(std::string_view Fmt, const TArgs&... Args) {
  try {
    Format(Fmt, Args...);
  } catch (const EConvertError& E) {
    return E.GetMessage();
  }
  return "no error";
}

std::string Invalid(std::string_view Fmt) {
  return "Format '" + std::string(Fmt) + "' invalid or incompatible with argument";
}

TEST(FormatTest, Integers) {
  EXPECT_EQ(Format("%d|%d|%d", 0, -42, 1234567890123LL), "0|-42|1234567890123");
  EXPECT_EQ(Format("%d", std::numeric_limits<int64_t>::min()), "-9223372036854775808");
  EXPECT_EQ(Format("%.4d|%.4d|%.2d", 12, -12, 12345), "0012|-0012|12345");
  EXPECT_EQ(Format("%8.4d|%-6d|%2d", -12, 7, 123), "   -0012|7     |123");
  EXPECT_EQ(Format("%u|%u", 7, -1), "7|4294967295");
  EXPECT_EQ(Format("%u", -5000000000LL), "18446744068709551616");
  EXPECT_EQ(Format("%x|%x|%.4x", 255, -1, 10), "FF|FFFFFFFF|000A");
  EXPECT_EQ(Format("%D %U %X", 1, 2, 171), "1 2 AB");
}

TEST(FormatTest, Floats) {
  EXPECT_EQ(Format("%e", 1000.0), "1.00000000000000E+003");
  EXPECT_EQ(Format("%.3e|%.1e|%e", -0.000123456, 1.0, 1e-300),
            "-1.23E-004|1E+000|1.00000000000000E-300");
  EXPECT_EQ(Format("%f|%.0f|%.3f|%f", 3.14159, 2.5, -1.0005, 1e6), "3.14|2|-1.000|1000000.00");
  EXPECT_EQ(Format("%g|%g|%g|%g", 3.0, 0.1, 1e20, 1.5e-5), "3|0.1|1E20|1.5E-5");
  EXPECT_EQ(Format("%g|%g", 123456789012345.0, 1234567890123456.0),
            "123456789012345|1.23456789012346E15");
  EXPECT_EQ(Format("%g|%g|%g", 0.0001, 0.00001, 1.0 / 3), "0.0001|1E-5|0.333333333333333");
  // The style follows the exponent after rounding: 999.96 is 1000 at 4 digits.
  EXPECT_EQ(Format("%.4g|%.3g|%.3g", 999.96, 999.9, 0.00001234), "1000|1E3|1.23E-5");
  EXPECT_EQ(Format("%n|%.0n|%n", 1234567.891, 999.5, 123.0), "1,234,567.89|1,000|123.00");
  EXPECT_EQ(Format("%n", -123456.0), "-123,456.00");
  EXPECT_EQ(Format("%m|%m|%.0m", 1234.5, -1234.5, 1234567.5), "$1,234.50|-$1,234.50|$1,234,568");
  EXPECT_EQ(Format("%F %G %N %M %E", 1.0, 2.0, 3.0, 4.0, 5.0),
            "1.00 2 3.00 $4.00 5.00000000000000E+000");
  // A value that prints as zero carries no sign.
  EXPECT_EQ(Format("%f|%.1f|%g|%m", -0.0, -0.04, -0.0, -0.001), "0.00|0.0|0|$0.00");
  const double Inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Format("%f|%e|%g|%n|%m", std::nan(""), Inf, -Inf, Inf, -Inf), "NAN|INF|-INF|INF|-INF");
  EXPECT_EQ(Format("%6g|%-6f|", Inf, -Inf), "   INF|-INF  |");
  EXPECT_EQ(Format("%10.3f|%-10.1e|", 3.14159, 2.0), "     3.142|2E+000    |");
}

TEST(FormatTest, StringsPointersAndArgumentOrder) {
  EXPECT_EQ(Format("%s|%.3s|%5s|%-5s|%.0s|", "abcdef", "abcdef", "ab", "ab", "ab"),
            "abcdef|abc|   ab|ab   ||");
  EXPECT_EQ(Format("%s%s", 'x', std::string("yz")), "xyz");
  EXPECT_EQ(Format("%p", reinterpret_cast<const void*>(0xABC)), "0000000000000ABC");
  EXPECT_EQ(Format("%20p|", static_cast<const void*>(nullptr)), "    0000000000000000|");
  EXPECT_EQ(Format("100%% %s%%", "sure"), "100% sure%");
  EXPECT_EQ(Format("no directives"), "no directives");
  EXPECT_EQ(Format("%1:s %0:s %s", "a", "b"), "b a b");
  EXPECT_EQ(Format("%2:d %0:d %d %d", 1, 2, 3), "3 1 2 3");
  EXPECT_EQ(Format("%*:s", 1, "b"), "b");
  EXPECT_EQ(Format("%*d|%-*.*f|%.*s", 5, 42, 8, 3, 1.5, 2, "abc"), "   42|1.500   |ab");
  EXPECT_EQ(Format("%1:*d", 0, 4, 7), "   7");
  EXPECT_EQ(Format("%4096d", 1).size(), 4096u);

  // A copied char argument must not view the char of its source.
  auto Source = std::make_unique<TFormatArg>('q');
  const TFormatArg Copy(*Source);
  EXPECT_NE(Copy.GetString().data(), Source->GetString().data());
  Source.reset();
  EXPECT_EQ(Copy.GetString(), "q");
  const char* Text = "text";
  EXPECT_EQ(TFormatArg(TFormatArg(Text)).GetString().data(), Text);
}

TEST(FormatTest, Errors) {
  EXPECT_EQ(ErrorOf("%d"), "No argument for format '%d'");
  // The quoted text is not itself read as a format.
  EXPECT_EQ(ErrorOf("%s %s", "a"), "No argument for format '%s %s'");
  EXPECT_EQ(ErrorOf("%*d", 5), "No argument for format '%*d'");
  EXPECT_EQ(ErrorOf("%.*f", 2), "No argument for format '%.*f'");
  EXPECT_EQ(ErrorOf("%2:d", 1, 2), "No argument for format '%2:d'");
  EXPECT_EQ(ErrorOf("%1:s %s", "a", "b"), "No argument for format '%1:s %s'");

  EXPECT_EQ(ErrorOf("%d", "x"), Invalid("%d"));
  EXPECT_EQ(ErrorOf("%d", 1.5), Invalid("%d"));
  EXPECT_EQ(ErrorOf("%u", 'c'), Invalid("%u"));
  EXPECT_EQ(ErrorOf("%x", static_cast<const void*>(nullptr)), Invalid("%x"));
  EXPECT_EQ(ErrorOf("%s", 1), Invalid("%s"));
  EXPECT_EQ(ErrorOf("%f", 1), Invalid("%f"));
  EXPECT_EQ(ErrorOf("%e", 1), Invalid("%e"));
  EXPECT_EQ(ErrorOf("%g", 1), Invalid("%g"));
  EXPECT_EQ(ErrorOf("%n", 1), Invalid("%n"));
  EXPECT_EQ(ErrorOf("%m", 1), Invalid("%m"));
  EXPECT_EQ(ErrorOf("%p", 1), Invalid("%p"));
  EXPECT_EQ(ErrorOf("%*d", "5", 1), Invalid("%*d"));
  EXPECT_EQ(ErrorOf("%*d", 1.0, 1), Invalid("%*d"));
  EXPECT_EQ(ErrorOf("%*:d", -1, 1), Invalid("%*:d"));

  // Syntax errors win over missing arguments.
  for (const char* Fmt : {"%q", "%c", "a %", "%5", "%-", "%.d", "%.", "%--d", "%-%", "%1:"}) {
    EXPECT_EQ(ErrorOf(Fmt), Invalid(Fmt)) << Fmt;
  }

  EXPECT_EQ(ErrorOf("%4097d", 1), Invalid("%4097d"));
  EXPECT_EQ(ErrorOf("%.4097f", 1.0), Invalid("%.4097f"));
  EXPECT_EQ(ErrorOf("%99999999999999999999d", 1), Invalid("%99999999999999999999d"));
  EXPECT_EQ(ErrorOf("%*d", 4097, 1), Invalid("%*d"));
  EXPECT_EQ(ErrorOf("%*d", -3, 1), Invalid("%*d"));
  EXPECT_EQ(ErrorOf("%.*s", -1, "a"), Invalid("%.*s"));
}

}  // namespace
}  // namespace ie
