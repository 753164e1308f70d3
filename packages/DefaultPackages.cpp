// The packages an engine makes for the members of its Packages property.
#include "engine/InferenceEngine.h"
#include "packages/BusinessPackage.h"
#include "packages/FuzzyLogicPackage.h"
#include "packages/MathPackage.h"
#include "packages/MiscPackage.h"
#include "packages/ObjectPackage.h"
#include "packages/PredicatePackage.h"
#include "packages/StandardPackage.h"
#include "packages/StringPackage.h"
#include "packages/TrigonometryPackage.h"

namespace ie {

TUserPackage* CreateFunctionPackage(TFunctionPackage Package, TInferenceEngine* Engine) {
  switch (Package) {
    case pStandard:
      return Create<TStandardPackage>(Engine);
    case pPredicate:
      return Create<TPredicatePackage>(Engine);
    case pMath:
      return Create<TMathPackage>(Engine);
    case pString:
      return Create<TStringPackage>(Engine);
    case pTrigonometry:
      return Create<TTrigonometryPackage>(Engine);
    case pBusiness:
      return Create<TBusinessPackage>(Engine);
    case pObject:
      return Create<TObjectPackage>(Engine);
    case pMiscellaneous:
      return Create<TMiscPackage>(Engine);
    case pFuzzyLogic:
      return Create<TFuzzyLogicPackage>(Engine);
  }
  return nullptr;
}

}  // namespace ie
