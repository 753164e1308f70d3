// The fuzzy logic package: the rule language's fuzzy functions. They make
// fuzzy values from shapes (s, z, pi, tri, beta) or linguistic expressions
// (create-fuzzy-value), assert fuzzy facts under a chosen inference method,
// join fuzzy values by union and intersection, defuzzify them, read them
// point by point, read and set the engine's fuzzy settings, answer
// universe-of-discourse queries and plot fuzzy values.
//
// Most classes stand for several functions: an enumeration selects which.
// Setting the enumeration sets the function's name, help text, argument
// text and argument counts; setting one of those names selects the
// enumeration. The package makes one instance per function name.
//
// Where a function takes a fuzzy value it also takes a fact or a fact ID,
// whose first fuzzy slot holds the value. Functions that take linguistic
// expressions get them as the values of their arguments (terms, hedges,
// "and", "or", "[" and "]"); reading them from text is the parser's.
//
// The package is a component owned by the engine whose functions it
// registers; its functions need that engine (an inference engine) as the
// context's engine. Single-threaded, like the engine that calls them.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "functions/IEPackages.h"
#include "packages/PackageSupport.h"

namespace ie {

enum TCreateFuzzyShapeFunctionType : uint8_t {
  fsGrowthShape,
  fsDeclineShape,
  fsPIShape,
  fsTriangleShape,
  fsBetaShape
};
enum TDefuzzifyFunctionType : uint8_t {
  dftMoment,
  dftMaximum,
  dftUndecidable,
  dftCompatibilityIndex
};
enum TFuzzyAssertFunctionType : uint8_t { fafAssert, fafAssertUnconditional };
enum TFuzzyOperationFunctionType : uint8_t {
  fofFuzzyUnion,
  fofFuzzyUnionX,
  fofFuzzyIntersection,
  fofFuzzyIntersectionX
};
enum TGetFuzzyFunctionType : uint8_t {
  gffGetFs,
  gffGetFsLength,
  gffGetFsX,
  gffGetFsY,
  gffGetFsVariable,
  gffGetFsValue
};
enum TActivationThresholdFunctionType : uint8_t {
  atfGetActivationThreshold,
  atfSetActivationThreshold
};
enum TFuzzyAutoTermsFunctionType : uint8_t { fatGetFuzzyAutoTerms, fatSetFuzzyAutoTerms };
enum TFuzzyCorrelationFunctionType : uint8_t { fcfGetFuzzyCorrelation, fcfSetFuzzyCorrelation };
enum TFuzzyInferenceFunctionType : uint8_t { fifGetFuzzyInference, fifSetFuzzyInference };
enum TFuzzyThresholdFunctionType : uint8_t { ftfGetFuzzyThreshold, ftfSetFuzzyThreshold };
enum TUniverseOfDiscourseFunctionType : uint8_t { udfGetU, udfGetUFrom, udfGetUTo, udfGetUUnits };

// s, z, pi, tri, beta: a new fuzzy value of the shape, without variable.
class TCreateFuzzyShapeFunction : public TSelectableFunction<TCreateFuzzyShapeFunctionType> {
  IE_CLASS(TCreateFuzzyShapeFunction, TIEUserFunction)

 public:
  explicit TCreateFuzzyShapeFunction(TCreateFuzzyShapeFunctionType Kind = fsGrowthShape);
  TCreateFuzzyShapeFunctionType GetCreateFuzzyShapeFunctionType() const {
    return GetFunctionType();
  }
  void SetCreateFuzzyShapeFunctionType(TCreateFuzzyShapeFunctionType Kind) {
    SetFunctionType(Kind);
  }

 protected:
  ~TCreateFuzzyShapeFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// moment-defuzzify, maximum-defuzzify, is-undecidable,
// get-compatibility-index.
class TDefuzzifyFunction : public TSelectableFunction<TDefuzzifyFunctionType> {
  IE_CLASS(TDefuzzifyFunction, TIEUserFunction)

 public:
  explicit TDefuzzifyFunction(TDefuzzifyFunctionType Kind = dftMoment);
  TDefuzzifyFunctionType GetDefuzzifyFunctionType() const { return GetFunctionType(); }
  void SetDefuzzifyFunctionType(TDefuzzifyFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TDefuzzifyFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// fuzzy-assert, fuzzy-assert-unconditional: each fact argument is copied,
// resolved and asserted under the inference method; the last ID, or FALSE.
class TFuzzyAssertFunction : public TSelectableFunction<TFuzzyAssertFunctionType> {
  IE_CLASS(TFuzzyAssertFunction, TIEUserFunction)

 public:
  explicit TFuzzyAssertFunction(TFuzzyAssertFunctionType Kind = fafAssert);
  TFuzzyAssertFunctionType GetFuzzyAssertFunctionType() const { return GetFunctionType(); }
  void SetFuzzyAssertFunctionType(TFuzzyAssertFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TFuzzyAssertFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// fuzzy-union, fuzzy-intersection (by the maximum and the minimum), and
// their -x forms, whose first argument names the operation.
class TFuzzyOperationFunction : public TSelectableFunction<TFuzzyOperationFunctionType> {
  IE_CLASS(TFuzzyOperationFunction, TIEUserFunction)

 public:
  explicit TFuzzyOperationFunction(TFuzzyOperationFunctionType Kind = fofFuzzyUnion);
  TFuzzyOperationFunctionType GetFuzzyOperationFunctionType() const { return GetFunctionType(); }
  void SetFuzzyOperationFunctionType(TFuzzyOperationFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TFuzzyOperationFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// get-fs, get-fs-length, get-fs-x, get-fs-y, get-fs-variable,
// get-fs-value.
class TGetFuzzyFunction : public TSelectableFunction<TGetFuzzyFunctionType> {
  IE_CLASS(TGetFuzzyFunction, TIEUserFunction)

 public:
  explicit TGetFuzzyFunction(TGetFuzzyFunctionType Kind = gffGetFs);
  TGetFuzzyFunctionType GetGetFuzzyFunctionType() const { return GetFunctionType(); }
  void SetGetFuzzyFunctionType(TGetFuzzyFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TGetFuzzyFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// get-activation-threshold, set-activation-threshold: the engine's
// MinActivationStrength; the setter returns the previous value.
class TRWActivationThresholdFunction
    : public TSelectableFunction<TActivationThresholdFunctionType> {
  IE_CLASS(TRWActivationThresholdFunction, TIEUserFunction)

 public:
  explicit TRWActivationThresholdFunction(
      TActivationThresholdFunctionType Kind = atfGetActivationThreshold);
  TActivationThresholdFunctionType GetActivationThresholdFunctionType() const {
    return GetFunctionType();
  }
  void SetActivationThresholdFunctionType(TActivationThresholdFunctionType Kind) {
    SetFunctionType(Kind);
  }

 protected:
  ~TRWActivationThresholdFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// get-fuzzy-auto-terms, set-fuzzy-auto-terms.
class TRWFuzzyAutoTerms : public TSelectableFunction<TFuzzyAutoTermsFunctionType> {
  IE_CLASS(TRWFuzzyAutoTerms, TIEUserFunction)

 public:
  explicit TRWFuzzyAutoTerms(TFuzzyAutoTermsFunctionType Kind = fatGetFuzzyAutoTerms);
  TFuzzyAutoTermsFunctionType GetFuzzyAutoTermsFunctionType() const { return GetFunctionType(); }
  void SetFuzzyAutoTermsFunctionType(TFuzzyAutoTermsFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TRWFuzzyAutoTerms() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// get-fuzzy-correlation, set-fuzzy-correlation.
class TRWFuzzyCorrelationFunction : public TSelectableFunction<TFuzzyCorrelationFunctionType> {
  IE_CLASS(TRWFuzzyCorrelationFunction, TIEUserFunction)

 public:
  explicit TRWFuzzyCorrelationFunction(TFuzzyCorrelationFunctionType Kind = fcfGetFuzzyCorrelation);
  TFuzzyCorrelationFunctionType GetFuzzyCorrelationFunctionType() const {
    return GetFunctionType();
  }
  void SetFuzzyCorrelationFunctionType(TFuzzyCorrelationFunctionType Kind) {
    SetFunctionType(Kind);
  }

 protected:
  ~TRWFuzzyCorrelationFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// get-fuzzy-inference, set-fuzzy-inference.
class TRWFuzzyInferenceFunction : public TSelectableFunction<TFuzzyInferenceFunctionType> {
  IE_CLASS(TRWFuzzyInferenceFunction, TIEUserFunction)

 public:
  explicit TRWFuzzyInferenceFunction(TFuzzyInferenceFunctionType Kind = fifGetFuzzyInference);
  TFuzzyInferenceFunctionType GetFuzzyInferenceFunctionType() const { return GetFunctionType(); }
  void SetFuzzyInferenceFunctionType(TFuzzyInferenceFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TRWFuzzyInferenceFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// get-fuzzy-threshold, set-fuzzy-threshold: the engine's
// FuzzyEqualsThreshold; the setter returns the previous value.
class TRWFuzzyThresholdFunction : public TSelectableFunction<TFuzzyThresholdFunctionType> {
  IE_CLASS(TRWFuzzyThresholdFunction, TIEUserFunction)

 public:
  explicit TRWFuzzyThresholdFunction(TFuzzyThresholdFunctionType Kind = ftfGetFuzzyThreshold);
  TFuzzyThresholdFunctionType GetFuzzyThresholdFunctionType() const { return GetFunctionType(); }
  void SetFuzzyThresholdFunctionType(TFuzzyThresholdFunctionType Kind) { SetFunctionType(Kind); }

 protected:
  ~TRWFuzzyThresholdFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// get-u, get-u-from, get-u-to, get-u-units of a fuzzy type (by name) or of
// the fuzzy slot of a fact or fact ID.
class TUniverseOfDiscourseFunction : public TSelectableFunction<TUniverseOfDiscourseFunctionType> {
  IE_CLASS(TUniverseOfDiscourseFunction, TIEUserFunction)

 public:
  explicit TUniverseOfDiscourseFunction(TUniverseOfDiscourseFunctionType Kind = udfGetU);
  TUniverseOfDiscourseFunctionType GetUniverseOfDiscourseFunctionType() const {
    return GetFunctionType();
  }
  void SetUniverseOfDiscourseFunctionType(TUniverseOfDiscourseFunctionType Kind) {
    SetFunctionType(Kind);
  }

 protected:
  ~TUniverseOfDiscourseFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// create-fuzzy-value: the variable (a fuzzy type's name, or a fuzzy value
// whose variable it takes), then the expression, unevaluated.
class TCreateFuzzySetFunction : public TIEUserFunction {
  IE_CLASS(TCreateFuzzySetFunction, TIEUserFunction)

 public:
  TCreateFuzzySetFunction();

 protected:
  ~TCreateFuzzySetFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

// plot-fuzzy-value: stream, plot characters, low and high limits (a limit
// that is no number, or lies beyond the universe, is the universe's), then
// fuzzy values, facts, fact IDs or fuzzy types (all their terms).
class TPlotFuzzySetFunction : public TIEUserFunction {
  IE_CLASS(TPlotFuzzySetFunction, TIEUserFunction)

 public:
  TPlotFuzzySetFunction();

 protected:
  ~TPlotFuzzySetFunction() override = default;
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override;
};

class TFuzzyLogicPackage : public TUserPackage {
  IE_CLASS(TFuzzyLogicPackage, TUserPackage)

 public:
  using TUserPackage::TUserPackage;

 protected:
  void CreateFunctions() override;
};

}  // namespace ie
