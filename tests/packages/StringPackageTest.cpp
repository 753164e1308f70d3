#include "packages/StringPackage.h"

#include <gtest/gtest.h>

#include "PackageTestSupport.h"

namespace ie {
namespace {

using namespace packagetest;

class StringPackageTest : public TPackageTest<TStringPackage> {};

TEST_F(StringPackageTest, HoldsItsFunctionsInTableOrder) {
  const std::string Two = " <lexeme-expression> <lexeme-expression>";
  CheckSignatures({{"sym-cat", 0, -1, " <expression>*"},
                   {"str-cat", 0, -1, " <lexeme-expression>*"},
                   {"lowcase", 1, 1, " <string-or-symbol-expression>"},
                   {"upcase", 1, 1, " <lexeme-expression>"},
                   {"str-compare", 2, 2, Two},
                   {"str-index", 2, 2, Two},
                   {"str-length", 1, 1, " <lexeme-expression>"},
                   {"sub-string", 3, 3,
                    " <start-integer-expression> <end-integer-expression> <lexeme-expression>"}});
}

}  // namespace
}  // namespace ie
