// The business package: time value of money (future and present value,
// payment, number of periods, interest rate), the interest and principal
// parts of a loan's payment, net present value and internal rate of
// return of cash flows, and three depreciations.
//
// Each function is a thin adapter over a routine of runtime/Financial: it
// reads its arguments (numbers, integers truncated from floats, the
// payment timing as the symbol ptEndOfPeriod or ptStartOfPeriod, cash
// flows as a multifield of numbers), calls the routine and returns a
// float. The routines' errors (a rate of -1 or less, a life below 1, a
// rate that no iteration finds) pass unchanged.
//
// The package is a component owned by its owner; an engine that owns it is
// its reasoner. Its functions are reference counted.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

class TBusinessPackage : public TUserPackage {
  IE_CLASS(TBusinessPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
