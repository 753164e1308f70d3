// The string package: concatenation into atoms or strings, case
// conversion, comparison, search, length and sub-strings.
//
// Arguments are read as text through the value getters (strings without
// their quotes, numbers in their printed form). Texts are 8-bit; positions
// in text count from 1, unlike positions in multifields.
//
// The package is a component owned by its owner; an engine that owns it is
// its reasoner. Its functions are reference counted.
#pragma once

#include "functions/IEPackages.h"

namespace ie {

class TStringPackage : public TUserPackage {
  IE_CLASS(TStringPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
