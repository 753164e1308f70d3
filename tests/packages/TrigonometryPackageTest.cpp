#include "packages/TrigonometryPackage.h"

#include <gtest/gtest.h>

#include "PackageTestSupport.h"

namespace ie {
namespace {

using namespace packagetest;

class TrigonometryPackageTest : public TPackageTest<TTrigonometryPackage> {};

TEST_F(TrigonometryPackageTest, HoldsItsFunctionsInTableOrder) {
  const std::string N = " <numeric-expression>";
  const std::string XY = " <numeric-expression-X> <numeric-expression-Y>";
  const std::string Points = " <multifield-expression-1> <multifield-expression-2>";
  std::vector<TSignature> Signatures;
  for (const char* Name :
       {"acos",     "acosh",    "acot",       "acoth",        "acsc",
        "acsch",    "asec",     "asech",      "asin",         "asinh",
        "atan",     "atan2",    "atanh",      "cos",          "cosh",
        "cot",      "coth",     "csc",        "csch",         "cycle-rad",
        "deg-grad", "deg-rad",  "distance",   "distance-sqr", "distance-manhattan",
        "grad-deg", "grad-rad", "hypotenuse", "rad-cycle",    "rad-deg",
        "rad-grad", "sec",      "sech",       "sin",          "sinh",
        "tan",      "tanh"}) {
    const std::string Text = Name;
    const bool Pair = Text == "atan2" || Text == "hypotenuse";
    const bool Distance = Text.starts_with("distance");
    Signatures.push_back({Text, Pair || Distance ? 2 : 1, Pair || Distance ? 2 : 1,
                          Pair       ? XY
                          : Distance ? Points
                                     : N});
  }
  CheckSignatures(Signatures);
}

}  // namespace
}  // namespace ie
