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

class TACosFunction : public TUnaryFloatFunction<ArcCos> {
  IE_CLASS(TACosFunction, TIEUserFunction)

 public:
  TACosFunction() {
    Describe(*this, "acos", "Returns the arc cosine of its argument, in radians.", SNumber, 1, 1);
  }

 protected:
  ~TACosFunction() override = default;
};

class TACosHFunction : public TUnaryFloatFunction<ArcCosh> {
  IE_CLASS(TACosHFunction, TIEUserFunction)

 public:
  TACosHFunction() {
    Describe(*this, "acosh", "Returns the inverse hyperbolic cosine of its argument.", SNumber, 1,
             1);
  }

 protected:
  ~TACosHFunction() override = default;
};

class TACotFunction : public TUnaryFloatFunction<ArcCot> {
  IE_CLASS(TACotFunction, TIEUserFunction)

 public:
  TACotFunction() {
    Describe(*this, "acot", "Returns the arc cotangent of its argument, in radians.", SNumber, 1,
             1);
  }

 protected:
  ~TACotFunction() override = default;
};

class TACotHFunction : public TUnaryFloatFunction<ArcCoth> {
  IE_CLASS(TACotHFunction, TIEUserFunction)

 public:
  TACotHFunction() {
    Describe(*this, "acoth", "Returns the inverse hyperbolic cotangent of its argument.", SNumber,
             1, 1);
  }

 protected:
  ~TACotHFunction() override = default;
};

class TACscFunction : public TUnaryFloatFunction<ArcCsc> {
  IE_CLASS(TACscFunction, TIEUserFunction)

 public:
  TACscFunction() {
    Describe(*this, "acsc", "Returns the arc cosecant of its argument, in radians.", SNumber, 1, 1);
  }

 protected:
  ~TACscFunction() override = default;
};

class TACscHFunction : public TUnaryFloatFunction<ArcCsch> {
  IE_CLASS(TACscHFunction, TIEUserFunction)

 public:
  TACscHFunction() {
    Describe(*this, "acsch", "Returns the inverse hyperbolic cosecant of its argument.", SNumber, 1,
             1);
  }

 protected:
  ~TACscHFunction() override = default;
};

class TASecFunction : public TUnaryFloatFunction<ArcSec> {
  IE_CLASS(TASecFunction, TIEUserFunction)

 public:
  TASecFunction() {
    Describe(*this, "asec", "Returns the arc secant of its argument, in radians.", SNumber, 1, 1);
  }

 protected:
  ~TASecFunction() override = default;
};

class TASecHFunction : public TUnaryFloatFunction<ArcSech> {
  IE_CLASS(TASecHFunction, TIEUserFunction)

 public:
  TASecHFunction() {
    Describe(*this, "asech", "Returns the inverse hyperbolic secant of its argument.", SNumber, 1,
             1);
  }

 protected:
  ~TASecHFunction() override = default;
};

class TASinFunction : public TUnaryFloatFunction<ArcSin> {
  IE_CLASS(TASinFunction, TIEUserFunction)

 public:
  TASinFunction() {
    Describe(*this, "asin", "Returns the arc sine of its argument, in radians.", SNumber, 1, 1);
  }

 protected:
  ~TASinFunction() override = default;
};

class TASinHFunction : public TUnaryFloatFunction<ArcSinh> {
  IE_CLASS(TASinHFunction, TIEUserFunction)

 public:
  TASinHFunction() {
    Describe(*this, "asinh", "Returns the inverse hyperbolic sine of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TASinHFunction() override = default;
};

class TATanFunction : public TUnaryFloatFunction<ArcTan> {
  IE_CLASS(TATanFunction, TIEUserFunction)

 public:
  TATanFunction() {
    Describe(*this, "atan", "Returns the arc tangent of its argument, in radians.", SNumber, 1, 1);
  }

 protected:
  ~TATanFunction() override = default;
};

class TATanHFunction : public TUnaryFloatFunction<ArcTanh> {
  IE_CLASS(TATanHFunction, TIEUserFunction)

 public:
  TATanHFunction() {
    Describe(*this, "atanh", "Returns the inverse hyperbolic tangent of its argument.", SNumber, 1,
             1);
  }

 protected:
  ~TATanHFunction() override = default;
};

class TCosFunction : public TUnaryFloatFunction<Cos> {
  IE_CLASS(TCosFunction, TIEUserFunction)

 public:
  TCosFunction() {
    Describe(*this, "cos", "Returns the cosine of its argument, an angle in radians.", SNumber, 1,
             1);
  }

 protected:
  ~TCosFunction() override = default;
};

class TCosHFunction : public TUnaryFloatFunction<Cosh> {
  IE_CLASS(TCosHFunction, TIEUserFunction)

 public:
  TCosHFunction() {
    Describe(*this, "cosh", "Returns the hyperbolic cosine of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TCosHFunction() override = default;
};

class TCotFunction : public TUnaryFloatFunction<Cotan> {
  IE_CLASS(TCotFunction, TIEUserFunction)

 public:
  TCotFunction() {
    Describe(*this, "cot", "Returns the cotangent of its argument, an angle in radians.", SNumber,
             1, 1);
  }

 protected:
  ~TCotFunction() override = default;
};

class TCotHFunction : public TUnaryFloatFunction<Coth> {
  IE_CLASS(TCotHFunction, TIEUserFunction)

 public:
  TCotHFunction() {
    Describe(*this, "coth", "Returns the hyperbolic cotangent of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TCotHFunction() override = default;
};

class TCscFunction : public TUnaryFloatFunction<Csc> {
  IE_CLASS(TCscFunction, TIEUserFunction)

 public:
  TCscFunction() {
    Describe(*this, "csc", "Returns the cosecant of its argument, an angle in radians.", SNumber, 1,
             1);
  }

 protected:
  ~TCscFunction() override = default;
};

class TCscHFunction : public TUnaryFloatFunction<Csch> {
  IE_CLASS(TCscHFunction, TIEUserFunction)

 public:
  TCscHFunction() {
    Describe(*this, "csch", "Returns the hyperbolic cosecant of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TCscHFunction() override = default;
};

class TCycleRadFunction : public TUnaryFloatFunction<CycleToRad> {
  IE_CLASS(TCycleRadFunction, TIEUserFunction)

 public:
  TCycleRadFunction() {
    Describe(*this, "cycle-rad", "Returns its argument, a number of cycles, in radians.", SNumber,
             1, 1);
  }

 protected:
  ~TCycleRadFunction() override = default;
};

class TDegGradFunction : public TUnaryFloatFunction<DegToGrad> {
  IE_CLASS(TDegGradFunction, TIEUserFunction)

 public:
  TDegGradFunction() {
    Describe(*this, "deg-grad", "Returns its argument, an angle in degrees, in grads.", SNumber, 1,
             1);
  }

 protected:
  ~TDegGradFunction() override = default;
};

class TDegRadFunction : public TUnaryFloatFunction<DegToRad> {
  IE_CLASS(TDegRadFunction, TIEUserFunction)

 public:
  TDegRadFunction() {
    Describe(*this, "deg-rad", "Returns its argument, an angle in degrees, in radians.", SNumber, 1,
             1);
  }

 protected:
  ~TDegRadFunction() override = default;
};

class TGradDegFunction : public TUnaryFloatFunction<GradToDeg> {
  IE_CLASS(TGradDegFunction, TIEUserFunction)

 public:
  TGradDegFunction() {
    Describe(*this, "grad-deg", "Returns its argument, an angle in grads, in degrees.", SNumber, 1,
             1);
  }

 protected:
  ~TGradDegFunction() override = default;
};

class TGradRadFunction : public TUnaryFloatFunction<GradToRad> {
  IE_CLASS(TGradRadFunction, TIEUserFunction)

 public:
  TGradRadFunction() {
    Describe(*this, "grad-rad", "Returns its argument, an angle in grads, in radians.", SNumber, 1,
             1);
  }

 protected:
  ~TGradRadFunction() override = default;
};

class TRadCycleFunction : public TUnaryFloatFunction<RadToCycle> {
  IE_CLASS(TRadCycleFunction, TIEUserFunction)

 public:
  TRadCycleFunction() {
    Describe(*this, "rad-cycle", "Returns its argument, an angle in radians, in cycles.", SNumber,
             1, 1);
  }

 protected:
  ~TRadCycleFunction() override = default;
};

class TRadDegFunction : public TUnaryFloatFunction<RadToDeg> {
  IE_CLASS(TRadDegFunction, TIEUserFunction)

 public:
  TRadDegFunction() {
    Describe(*this, "rad-deg", "Returns its argument, an angle in radians, in degrees.", SNumber, 1,
             1);
  }

 protected:
  ~TRadDegFunction() override = default;
};

class TRadGradFunction : public TUnaryFloatFunction<RadToGrad> {
  IE_CLASS(TRadGradFunction, TIEUserFunction)

 public:
  TRadGradFunction() {
    Describe(*this, "rad-grad", "Returns its argument, an angle in radians, in grads.", SNumber, 1,
             1);
  }

 protected:
  ~TRadGradFunction() override = default;
};

class TSecFunction : public TUnaryFloatFunction<Sec> {
  IE_CLASS(TSecFunction, TIEUserFunction)

 public:
  TSecFunction() {
    Describe(*this, "sec", "Returns the secant of its argument, an angle in radians.", SNumber, 1,
             1);
  }

 protected:
  ~TSecFunction() override = default;
};

class TSecHFunction : public TUnaryFloatFunction<Sech> {
  IE_CLASS(TSecHFunction, TIEUserFunction)

 public:
  TSecHFunction() {
    Describe(*this, "sech", "Returns the hyperbolic secant of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TSecHFunction() override = default;
};

class TSinFunction : public TUnaryFloatFunction<Sin> {
  IE_CLASS(TSinFunction, TIEUserFunction)

 public:
  TSinFunction() {
    Describe(*this, "sin", "Returns the sine of its argument, an angle in radians.", SNumber, 1, 1);
  }

 protected:
  ~TSinFunction() override = default;
};

class TSinHFunction : public TUnaryFloatFunction<Sinh> {
  IE_CLASS(TSinHFunction, TIEUserFunction)

 public:
  TSinHFunction() {
    Describe(*this, "sinh", "Returns the hyperbolic sine of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TSinHFunction() override = default;
};

class TTanFunction : public TUnaryFloatFunction<Tan> {
  IE_CLASS(TTanFunction, TIEUserFunction)

 public:
  TTanFunction() {
    Describe(*this, "tan", "Returns the tangent of its argument, an angle in radians.", SNumber, 1,
             1);
  }

 protected:
  ~TTanFunction() override = default;
};

class TTanHFunction : public TUnaryFloatFunction<Tanh> {
  IE_CLASS(TTanHFunction, TIEUserFunction)

 public:
  TTanHFunction() {
    Describe(*this, "tanh", "Returns the hyperbolic tangent of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TTanHFunction() override = default;
};

class TATan2Function : public TIEUserFunction {
  IE_CLASS(TATan2Function, TIEUserFunction)

 public:
  TATan2Function() {
    Describe(*this, "atan2",
             "Returns the angle, in radians, of the point whose X and Y coordinates are the "
             "arguments.",
             " <numeric-expression-X> <numeric-expression-Y>", 2, 2);
  }

 protected:
  ~TATan2Function() override = default;

  // Y is read first; only which conversion error comes first shows it.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const double Y = Operand(FunCall, 1, Context)->GetAsNumeric();
    const double X = Operand(FunCall, 0, Context)->GetAsNumeric();
    Result = new TIEValue(ArcTan2(Y, X));
  }
};

class THypotenuseFunction : public TIEUserFunction {
  IE_CLASS(THypotenuseFunction, TIEUserFunction)

 public:
  THypotenuseFunction() {
    Describe(*this, "hypotenuse",
             "Returns the length of the hypotenuse of a right triangle whose other sides are the "
             "arguments.",
             " <numeric-expression-X> <numeric-expression-Y>", 2, 2);
  }

 protected:
  ~THypotenuseFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const double X = Operand(FunCall, 0, Context)->GetAsNumeric();
    Result = new TIEValue(Hypot(X, Operand(FunCall, 1, Context)->GetAsNumeric()));
  }
};

enum TDistanceKind : uint8_t { dkEuclidean, dkSquared, dkManhattan };

// The items of the multifields are expressions too: each is evaluated
// before it is read as a number.
double Coordinate(const IIEValue& Item, TIEContext* Context) {
  IIEValue Value = Item ? Item->Resolve(Context) : IIEValue();
  return (Value ? Value : IIEValue(new TIEValue()))->GetAsNumeric();
}

template <TDistanceKind Kind>
class TDistanceOf : public TIEUserFunction {
 protected:
  ~TDistanceOf() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
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
};

class TDistanceFunction : public TDistanceOf<dkEuclidean> {
  IE_CLASS(TDistanceFunction, TIEUserFunction)

 public:
  TDistanceFunction() {
    Describe(*this, "distance",
             "Returns the distance between two points given as multifields of coordinates.",
             SPoints, 2, 2);
  }

 protected:
  ~TDistanceFunction() override = default;
};

class TDistanceSqrFunction : public TDistanceOf<dkSquared> {
  IE_CLASS(TDistanceSqrFunction, TIEUserFunction)

 public:
  TDistanceSqrFunction() {
    Describe(*this, "distance-sqr",
             "Returns the square of the distance between two points given as multifields of "
             "coordinates.",
             SPoints, 2, 2);
  }

 protected:
  ~TDistanceSqrFunction() override = default;
};

class TDistanceManhattanFunction : public TDistanceOf<dkManhattan> {
  IE_CLASS(TDistanceManhattanFunction, TIEUserFunction)

 public:
  TDistanceManhattanFunction() {
    Describe(*this, "distance-manhattan",
             "Returns the sum of the absolute differences of the coordinates of two points given "
             "as multifields.",
             SPoints, 2, 2);
  }

 protected:
  ~TDistanceManhattanFunction() override = default;
};

}  // namespace

// TTrigonometryPackage

void TTrigonometryPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  Functions.Add(new TACosFunction());
  Functions.Add(new TACosHFunction());
  Functions.Add(new TACotFunction());
  Functions.Add(new TACotHFunction());
  Functions.Add(new TACscFunction());
  Functions.Add(new TACscHFunction());
  Functions.Add(new TASecFunction());
  Functions.Add(new TASecHFunction());
  Functions.Add(new TASinFunction());
  Functions.Add(new TASinHFunction());
  Functions.Add(new TATanFunction());
  Functions.Add(new TATan2Function());
  Functions.Add(new TATanHFunction());
  Functions.Add(new TCosFunction());
  Functions.Add(new TCosHFunction());
  Functions.Add(new TCotFunction());
  Functions.Add(new TCotHFunction());
  Functions.Add(new TCscFunction());
  Functions.Add(new TCscHFunction());
  Functions.Add(new TCycleRadFunction());
  Functions.Add(new TDegGradFunction());
  Functions.Add(new TDegRadFunction());
  Functions.Add(new TDistanceFunction());
  Functions.Add(new TDistanceSqrFunction());
  Functions.Add(new TDistanceManhattanFunction());
  Functions.Add(new TGradDegFunction());
  Functions.Add(new TGradRadFunction());
  Functions.Add(new THypotenuseFunction());
  Functions.Add(new TRadCycleFunction());
  Functions.Add(new TRadDegFunction());
  Functions.Add(new TRadGradFunction());
  Functions.Add(new TSecFunction());
  Functions.Add(new TSecHFunction());
  Functions.Add(new TSinFunction());
  Functions.Add(new TSinHFunction());
  Functions.Add(new TTanFunction());
  Functions.Add(new TTanHFunction());
}

}  // namespace ie
