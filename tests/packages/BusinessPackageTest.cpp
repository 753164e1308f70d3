#include "packages/BusinessPackage.h"

#include <gtest/gtest.h>

#include "PackageTestSupport.h"

namespace ie {
namespace {

using namespace packagetest;

class BusinessPackageTest : public TPackageTest<TBusinessPackage> {};

TEST_F(BusinessPackageTest, HoldsItsFunctionsInTableOrder) {
  const std::string Timing = " ptEndOfPeriod|ptStartOfPeriod";
  const std::string Rate = " <rate-numeric-expression>";
  const std::string NPer = " <num-periods-integer-expression>";
  const std::string Period = " <period-integer-expression>";
  const std::string Pmt = " <payment-numeric-expression>";
  const std::string Pv = " <present-value-numeric-expression>";
  const std::string Fv = " <future-value-numeric-expression>";
  const std::string Flows = " <cash-flows-multifield-expression>";
  const std::string Asset =
      " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression>";
  CheckSignatures({
      {"double-declining-balance", 4, 4, Asset + Period},
      {"future-value", 5, 5, Rate + NPer + Pmt + Pv + Timing},
      {"interest-payment", 6, 6, Rate + Period + NPer + Pv + Fv + Timing},
      {"interest-rate", 5, 5, NPer + Pmt + Pv + Fv + Timing},
      {"internal-rate-of-return", 2, 2, " <guess-numeric-expression>" + Flows},
      {"net-present-value", 3, 3, Rate + Flows + Timing},
      {"number-of-periods", 5, 5, Rate + Pmt + Pv + Fv + Timing},
      {"payment", 5, 5, Rate + NPer + Pv + Fv + Timing},
      {"period-payment", 6, 6, Rate + Period + NPer + Pv + Fv + Timing},
      {"present-value", 5, 5, Rate + NPer + Pmt + Fv + Timing},
      {"sln-depreciation", 3, 3, Asset},
      {"syd-depreciation", 4, 4, Asset + Period},
  });
}

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
