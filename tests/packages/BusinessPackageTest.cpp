#include "packages/BusinessPackage.h"

#include <gtest/gtest.h>

#include "PackageTestSupport.h"

namespace ie {
namespace {

using namespace packagetest;

class BusinessPackageTest : public TPackageTest<TBusinessPackage> {};

// Arguments are read left to right, so the first unfit one is reported.
TEST_F(BusinessPackageTest, ReadsArgumentsInOrder) {
  EXPECT_EQ(Run("payment", {Atom("a"), Atom("b"), Int(1), Int(0), Atom("ptEndOfPeriod")}),
            "payment error: Not a numeric type.  Value (a) is a dtAtom type");
  EXPECT_EQ(Run("net-present-value", {Flt(0.1), List({Int(1)}), Atom("now")}),
            "net-present-value error: Invalid payment timing: now, expected ptEndOfPeriod or "
            "ptStartOfPeriod");
}

}  // namespace
}  // namespace ie
