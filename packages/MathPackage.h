// The math package: arithmetic (+, -, *, /, div, mod, abs, max, min),
// powers and logarithms, conversions between integers and floats,
// rounding, PI and pseudo-random numbers.
//
// Numbers are read through the value getters, so atoms and strings holding
// a number count as numbers. Integer results are 32-bit and float results
// finite: what does not fit raises the runtime's conversion or
// floating-point errors instead of wrapping or storing a NaN. The random
// functions share the runtime's one generator of the process.
//
// The package is a component owned by its owner; an engine that owns it is
// its reasoner. Its functions are reference counted.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

class TMathPackage : public TUserPackage {
  IE_CLASS(TMathPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
