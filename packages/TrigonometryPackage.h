// The trigonometry package: the trigonometric and hyperbolic functions and
// their inverses, conversions between radians, degrees, grads and cycles,
// the hypotenuse, and three distances between points given as multifields.
//
// Every argument is read as a number (integers, floats, and atoms or
// strings holding one) and every result is a float; angles are in radians.
// An argument outside a function's domain raises the runtime's
// floating-point error, so no NaN or infinity is returned.
//
// The package is a component owned by its owner; an engine that owns it is
// its reasoner. Its functions are reference counted.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

class TTrigonometryPackage : public TUserPackage {
  IE_CLASS(TTrigonometryPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
