#include "packages/TrigonometryPackage.h"

#include <cmath>
#include <cstdint>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "packages/PackageSupport.h"
#include "rete/IEContext.h"
#include "runtime/Math.h"

namespace ie {
namespace {

constexpr const char* SNumber = " <numeric-expression>";
constexpr const char* SPoints = " <multifield-expression-1> <multifield-expression-2>";

// The formulas the runtime does not name. The constants are the extended
// values of pi/2 and 10/9 rounded to doubles.
double ArcCot(double X) { return 1.5707963267948966 - std::atan(X); }
double ArcCoth(double X) { return Ln(FloatDivide(X + 1, X - 1)) / 2; }
double ArcCsc(double X) { return ArcSin(FloatDivide(1, X)); }
double ArcCsch(double X) {
  const double R = FloatDivide(1, X);
  return Ln(Sqrt(R * R + 1) + R);
}
double ArcSec(double X) { return ArcCos(FloatDivide(1, X)); }
double ArcSech(double X) {
  const double R = FloatDivide(1, X);
  return Ln(Sqrt(R * R - 1) + R);
}
double ArcTan(double X) { return std::atan(X); }
double Cos(double X) { return std::cos(X); }
double Coth(double X) { return FloatDivide(1, Tanh(X)); }
double Csc(double X) { return FloatDivide(1, std::sin(X)); }
double Csch(double X) { return FloatDivide(1, Sinh(X)); }
double DegToGrad(double X) { return X * 1.1111111111111112; }
double GradToDeg(double X) { return X * 0.9; }
double Sec(double X) { return FloatDivide(1, std::cos(X)); }
double Sech(double X) { return FloatDivide(1, Cosh(X)); }
double Sin(double X) { return std::sin(X); }

// Y is read first; only which conversion error comes first shows it.
void CallATan2(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const double Y = Operand(FunCall, 1, Context)->GetAsNumeric();
  const double X = Operand(FunCall, 0, Context)->GetAsNumeric();
  Result = new TIEValue(ArcTan2(Y, X));
}

void CallHypotenuse(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const double X = Operand(FunCall, 0, Context)->GetAsNumeric();
  Result = new TIEValue(Hypot(X, Operand(FunCall, 1, Context)->GetAsNumeric()));
}

enum TDistanceKind : uint8_t { dkEuclidean, dkSquared, dkManhattan };

// The items of the multifields are expressions too: each is evaluated
// before it is read as a number.
double Coordinate(const IIEValue& Item, TIEContext* Context) {
  IIEValue Value = Item ? Item->Resolve(Context) : IIEValue();
  return (Value ? Value : IIEValue(new TIEValue()))->GetAsNumeric();
}

template <TDistanceKind Kind>
void CallDistanceOf(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IValueVector A = Operand(FunCall, 0, Context)->GetAsList();
  const IValueVector B = Operand(FunCall, 1, Context)->GetAsList();
  if (A->GetCount() != B->GetCount()) throw EIEException(SMultifieldLengths);
  double Sum = 0;
  for (int32_t I = 0; I < A->GetCount(); ++I) {
    const double Difference = Coordinate(A->Get(I), Context) - Coordinate(B->Get(I), Context);
    Sum += Kind == dkManhattan ? std::fabs(Difference) : Difference * Difference;
  }
  Result = new TIEValue(Kind == dkEuclidean ? Sqrt(Sum) : CheckFloat(Sum));
}

constexpr TFunctionRow TrigonometryRows[] = {
    {"acos", CallUnaryFloat<ArcCos>, 1, 1, SNumber,
     "Returns the arc cosine of its argument, in radians."},
    {"acosh", CallUnaryFloat<ArcCosh>, 1, 1, SNumber,
     "Returns the inverse hyperbolic cosine of its argument."},
    {"acot", CallUnaryFloat<ArcCot>, 1, 1, SNumber,
     "Returns the arc cotangent of its argument, in radians."},
    {"acoth", CallUnaryFloat<ArcCoth>, 1, 1, SNumber,
     "Returns the inverse hyperbolic cotangent of its argument."},
    {"acsc", CallUnaryFloat<ArcCsc>, 1, 1, SNumber,
     "Returns the arc cosecant of its argument, in radians."},
    {"acsch", CallUnaryFloat<ArcCsch>, 1, 1, SNumber,
     "Returns the inverse hyperbolic cosecant of its argument."},
    {"asec", CallUnaryFloat<ArcSec>, 1, 1, SNumber,
     "Returns the arc secant of its argument, in radians."},
    {"asech", CallUnaryFloat<ArcSech>, 1, 1, SNumber,
     "Returns the inverse hyperbolic secant of its argument."},
    {"asin", CallUnaryFloat<ArcSin>, 1, 1, SNumber,
     "Returns the arc sine of its argument, in radians."},
    {"asinh", CallUnaryFloat<ArcSinh>, 1, 1, SNumber,
     "Returns the inverse hyperbolic sine of its argument."},
    {"atan", CallUnaryFloat<ArcTan>, 1, 1, SNumber,
     "Returns the arc tangent of its argument, in radians."},
    {"atan2", CallATan2, 2, 2, " <numeric-expression-X> <numeric-expression-Y>",
     "Returns the angle, in radians, of the point whose X and Y coordinates are the arguments."},
    {"atanh", CallUnaryFloat<ArcTanh>, 1, 1, SNumber,
     "Returns the inverse hyperbolic tangent of its argument."},
    {"cos", CallUnaryFloat<Cos>, 1, 1, SNumber,
     "Returns the cosine of its argument, an angle in radians."},
    {"cosh", CallUnaryFloat<Cosh>, 1, 1, SNumber, "Returns the hyperbolic cosine of its argument."},
    {"cot", CallUnaryFloat<Cotan>, 1, 1, SNumber,
     "Returns the cotangent of its argument, an angle in radians."},
    {"coth", CallUnaryFloat<Coth>, 1, 1, SNumber,
     "Returns the hyperbolic cotangent of its argument."},
    {"csc", CallUnaryFloat<Csc>, 1, 1, SNumber,
     "Returns the cosecant of its argument, an angle in radians."},
    {"csch", CallUnaryFloat<Csch>, 1, 1, SNumber,
     "Returns the hyperbolic cosecant of its argument."},
    {"cycle-rad", CallUnaryFloat<CycleToRad>, 1, 1, SNumber,
     "Returns its argument, a number of cycles, in radians."},
    {"deg-grad", CallUnaryFloat<DegToGrad>, 1, 1, SNumber,
     "Returns its argument, an angle in degrees, in grads."},
    {"deg-rad", CallUnaryFloat<DegToRad>, 1, 1, SNumber,
     "Returns its argument, an angle in degrees, in radians."},
    {"distance", CallDistanceOf<dkEuclidean>, 2, 2, SPoints,
     "Returns the distance between two points given as multifields of coordinates."},
    {"distance-sqr", CallDistanceOf<dkSquared>, 2, 2, SPoints,
     "Returns the square of the distance between two points given as multifields of coordinates."},
    {"distance-manhattan", CallDistanceOf<dkManhattan>, 2, 2, SPoints,
     "Returns the sum of the absolute differences of the coordinates of two points given as "
     "multifields."},
    {"grad-deg", CallUnaryFloat<GradToDeg>, 1, 1, SNumber,
     "Returns its argument, an angle in grads, in degrees."},
    {"grad-rad", CallUnaryFloat<GradToRad>, 1, 1, SNumber,
     "Returns its argument, an angle in grads, in radians."},
    {"hypotenuse", CallHypotenuse, 2, 2, " <numeric-expression-X> <numeric-expression-Y>",
     "Returns the length of the hypotenuse of a right triangle whose other sides are the "
     "arguments."},
    {"rad-cycle", CallUnaryFloat<RadToCycle>, 1, 1, SNumber,
     "Returns its argument, an angle in radians, in cycles."},
    {"rad-deg", CallUnaryFloat<RadToDeg>, 1, 1, SNumber,
     "Returns its argument, an angle in radians, in degrees."},
    {"rad-grad", CallUnaryFloat<RadToGrad>, 1, 1, SNumber,
     "Returns its argument, an angle in radians, in grads."},
    {"sec", CallUnaryFloat<Sec>, 1, 1, SNumber,
     "Returns the secant of its argument, an angle in radians."},
    {"sech", CallUnaryFloat<Sech>, 1, 1, SNumber, "Returns the hyperbolic secant of its argument."},
    {"sin", CallUnaryFloat<Sin>, 1, 1, SNumber,
     "Returns the sine of its argument, an angle in radians."},
    {"sinh", CallUnaryFloat<Sinh>, 1, 1, SNumber, "Returns the hyperbolic sine of its argument."},
    {"tan", CallUnaryFloat<Tan>, 1, 1, SNumber,
     "Returns the tangent of its argument, an angle in radians."},
    {"tanh", CallUnaryFloat<Tanh>, 1, 1, SNumber,
     "Returns the hyperbolic tangent of its argument."},
};

}  // namespace

// TTrigonometryPackage

void TTrigonometryPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  AddRows(GetFunctions(), TrigonometryRows);
}

}  // namespace ie
