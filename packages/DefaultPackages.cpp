// The packages an engine makes for the members of its Packages property.
#include "engine/InferenceEngine.h"
#include "packages/MathPackage.h"
#include "packages/StandardPackage.h"

namespace ie {

TUserPackage* CreateFunctionPackage(TFunctionPackage Package, TInferenceEngine* Engine) {
  switch (Package) {
    case pStandard:
      return Create<TStandardPackage>(Engine);
    case pMath:
      return Create<TMathPackage>(Engine);
    case pPredicate:
    case pMiscellaneous:
    case pString:
    case pObject:
    case pTrigonometry:
    case pBusiness:
    case pFuzzyLogic:
      break;
  }
  return nullptr;
}

}  // namespace ie
