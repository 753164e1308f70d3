// The packages an engine makes for the members of its Packages property.
#include "engine/InferenceEngine.h"
#include "packages/FuzzyLogicPackage.h"
#include "packages/StandardPackage.h"

namespace ie {

TUserPackage* CreateFunctionPackage(TFunctionPackage Package, TInferenceEngine* Engine) {
  switch (Package) {
    case pStandard:
      return Create<TStandardPackage>(Engine);
    case pPredicate:
    case pMath:
    case pMiscellaneous:
    case pString:
    case pObject:
    case pTrigonometry:
    case pBusiness:
      break;
    case pFuzzyLogic:
      return Create<TFuzzyLogicPackage>(Engine);
  }
  return nullptr;
}

}  // namespace ie
