#include "packages/MathPackage.h"

#include <cmath>
#include <cstdlib>
#include <functional>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "packages/PackageSupport.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Math.h"
#include "runtime/RuntimeConsts.h"

namespace ie {
namespace {

constexpr const char* SNumbers = " <numeric-expression>+";
constexpr const char* SNumber = " <numeric-expression>";

int32_t Integer(const IFunCall& FunCall, int32_t Index, TIEContext* Context) {
  return Operand(FunCall, Index, Context)->GetAsInteger();
}

// The result of +, -, * and max, min: a float once a float argument took
// part, otherwise the running value rounded (it has a fraction only when an
// atom or string held one).
IIEValue NumberResult(double Running, bool IsFloat) {
  if (IsFloat) return new TIEValue(CheckFloat(Running));
  return new TIEValue(RoundToInteger(Running), dtInteger);
}

int32_t NonZero(int32_t Divisor) {
  if (Divisor == 0) throw EDivByZero(SDivByZero);
  return Divisor;
}

// +, - and *: Operation folds each argument after the first into the
// running value, which starts at Start for + and * and at the first
// argument for -.
template <class TOperation, bool FromFirst>
class TArithmeticFunction : public TIEUserFunction {
 protected:
  ~TArithmeticFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    double Running = TOperation::Start;
    bool IsFloat = false;
    for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
      const IIEValue Value = Operand(FunCall, I, Context);
      const double Number = Value->GetAsNumeric();
      Running = FromFirst && I == 0 ? Number : TOperation()(Running, Number);
      IsFloat = IsFloat || Value->GetDType() == dtFloat;
    }
    Result = NumberResult(Running, IsFloat);
  }
};

struct TAdd : std::plus<double> {
  static constexpr double Start = 0;
};
struct TSubtract : std::minus<double> {
  static constexpr double Start = 0;
};
struct TMultiply : std::multiplies<double> {
  static constexpr double Start = 1;
};

class TPlusFunction : public TArithmeticFunction<TAdd, false> {
  IE_CLASS(TPlusFunction, TIEUserFunction)

 public:
  TPlusFunction() { Describe(*this, "+", "Returns the sum of its arguments.", SNumbers, 0); }

 protected:
  ~TPlusFunction() override = default;
};

class TMinusFunction : public TArithmeticFunction<TSubtract, true> {
  IE_CLASS(TMinusFunction, TIEUserFunction)

 public:
  TMinusFunction() {
    Describe(*this, "-",
             "Returns the first argument minus each further argument in turn; a single argument "
             "is returned as it is.",
             SNumbers, 1);
  }

 protected:
  ~TMinusFunction() override = default;
};

class TTimesFunction : public TArithmeticFunction<TMultiply, false> {
  IE_CLASS(TTimesFunction, TIEUserFunction)

 public:
  TTimesFunction() { Describe(*this, "*", "Returns the product of its arguments.", SNumbers, 0); }

 protected:
  ~TTimesFunction() override = default;
};

class TDivideFunction : public TIEUserFunction {
  IE_CLASS(TDivideFunction, TIEUserFunction)

 public:
  TDivideFunction() {
    Describe(*this, "/",
             "Returns the first argument divided by each further argument in turn, as a float.",
             SNumbers, 1);
  }

 protected:
  ~TDivideFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    double Quotient = CheckFloat(Operand(FunCall, 0, Context)->GetAsNumeric());
    for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
      Quotient = FloatDivide(Quotient, Operand(FunCall, I, Context)->GetAsNumeric());
    }
    Result = new TIEValue(Quotient);
  }
};

class TIntegerDivideFunction : public TIEUserFunction {
  IE_CLASS(TIntegerDivideFunction, TIEUserFunction)

 public:
  TIntegerDivideFunction() {
    Describe(*this, "div",
             "Returns the first argument divided by each further argument in turn as integers, "
             "dropping the fractions.",
             " <integer-expression>+", 1);
  }

 protected:
  ~TIntegerDivideFunction() override = default;

  // In 64 bits, so that the one quotient beyond 32 bits (the lowest
  // integer divided by -1) is caught rather than undefined.
  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    int64_t Quotient = Integer(FunCall, 0, Context);
    for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
      Quotient = CheckInteger(Quotient / NonZero(Integer(FunCall, I, Context)));
    }
    Result = new TIEValue(static_cast<int32_t>(Quotient), dtInteger);
  }
};

class TModFunction : public TIEUserFunction {
  IE_CLASS(TModFunction, TIEUserFunction)

 public:
  TModFunction() {
    Describe(*this, "mod",
             "Returns the remainder of dividing the first argument by the second as integers; "
             "it has the sign of the first.",
             " <integer-expression> <integer-expression>", 2, 2);
  }

 protected:
  ~TModFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const int64_t Dividend = Integer(FunCall, 0, Context);
    const int64_t Divisor = NonZero(Integer(FunCall, 1, Context));
    Result = new TIEValue(static_cast<int32_t>(Dividend % Divisor), dtInteger);
  }
};

class TAbsFunction : public TIEUserFunction {
  IE_CLASS(TAbsFunction, TIEUserFunction)

 public:
  TAbsFunction() {
    Describe(*this, "abs", "Returns the absolute value of its argument, of the argument's kind.",
             SNumber, 1, 1);
  }

 protected:
  ~TAbsFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const IIEValue Value = Operand(FunCall, 0, Context);
    if (Value->GetDType() == dtInteger) {
      Result = new TIEValue(CheckInteger(std::abs(int64_t{Value->GetAsInteger()})), dtInteger);
    } else if (Value->GetDType() == dtFloat) {
      Result = new TIEValue(std::fabs(Value->GetAsFloat()));
    } else {
      throw EIEException(Format(SExpectedNumericArgument, GetFunctionName()));
    }
  }
};

// max and min: the extreme is replaced only by a number strictly beyond
// it, so a float that never became the extreme leaves an integer result.
template <class TBeyond>
class TExtremeFunction : public TIEUserFunction {
 protected:
  ~TExtremeFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    double Extreme = 0;
    bool IsFloat = false;
    for (int32_t I = 0; I < FunCall->GetArgumentCount(); ++I) {
      const IIEValue Value = Operand(FunCall, I, Context);
      const double Number = Value->GetAsNumeric();
      if (I == 0 || TBeyond()(Number, Extreme)) {
        Extreme = Number;
        IsFloat = IsFloat || Value->GetDType() == dtFloat;
      }
    }
    Result = NumberResult(Extreme, IsFloat);
  }
};

class TMaxFunction : public TExtremeFunction<std::greater<double>> {
  IE_CLASS(TMaxFunction, TIEUserFunction)

 public:
  TMaxFunction() { Describe(*this, "max", "Returns the largest of its arguments.", SNumbers, 1); }

 protected:
  ~TMaxFunction() override = default;
};

class TMinFunction : public TExtremeFunction<std::less<double>> {
  IE_CLASS(TMinFunction, TIEUserFunction)

 public:
  TMinFunction() { Describe(*this, "min", "Returns the smallest of its arguments.", SNumbers, 1); }

 protected:
  ~TMinFunction() override = default;
};

class TExpFunction : public TUnaryFloatFunction<Exp> {
  IE_CLASS(TExpFunction, TIEUserFunction)

 public:
  TExpFunction() {
    Describe(*this, "exp", "Returns e raised to the power of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TExpFunction() override = default;
};

class TExptFunction : public TIEUserFunction {
  IE_CLASS(TExptFunction, TIEUserFunction)

 public:
  TExptFunction() {
    Describe(*this, "**", "Returns the first argument raised to the power of the second.",
             " <numeric-expression> <numeric-expression>", 2, 2);
  }

 protected:
  ~TExptFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const double Base = Operand(FunCall, 0, Context)->GetAsNumeric();
    Result = new TIEValue(Power(Base, Operand(FunCall, 1, Context)->GetAsNumeric()));
  }
};

class TLogFunction : public TUnaryFloatFunction<Ln> {
  IE_CLASS(TLogFunction, TIEUserFunction)

 public:
  TLogFunction() {
    Describe(*this, "log", "Returns the natural logarithm of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TLogFunction() override = default;
};

class TLog10Function : public TUnaryFloatFunction<Log10> {
  IE_CLASS(TLog10Function, TIEUserFunction)

 public:
  TLog10Function() {
    Describe(*this, "log10", "Returns the base-10 logarithm of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TLog10Function() override = default;
};

class TSqrtFunction : public TUnaryFloatFunction<Sqrt> {
  IE_CLASS(TSqrtFunction, TIEUserFunction)

 public:
  TSqrtFunction() {
    Describe(*this, "sqrt", "Returns the square root of its argument.", SNumber, 1, 1);
  }

 protected:
  ~TSqrtFunction() override = default;
};

double Same(double X) { return X; }

class TFloatFunction : public TUnaryFloatFunction<Same> {
  IE_CLASS(TFloatFunction, TIEUserFunction)

 public:
  TFloatFunction() { Describe(*this, "float", "Returns its argument as a float.", SNumber, 1, 1); }

 protected:
  ~TFloatFunction() override = default;
};

class TIntegerFunction : public TIEUserFunction {
  IE_CLASS(TIntegerFunction, TIEUserFunction)

 public:
  TIntegerFunction() {
    Describe(*this, "integer",
             "Returns its argument as an integer; a float is truncated toward zero.", SNumber, 1,
             1);
  }

 protected:
  ~TIntegerFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    Result = new TIEValue(Integer(FunCall, 0, Context), dtInteger);
  }
};

class TRoundFunction : public TUnaryFloatFunction<RoundHalfEven> {
  IE_CLASS(TRoundFunction, TIEUserFunction)

 public:
  TRoundFunction() {
    Describe(*this, "round",
             "Returns its argument rounded to the nearest whole number, halves to the even one, "
             "as a float.",
             SNumber, 1, 1);
  }

 protected:
  ~TRoundFunction() override = default;
};

class TPiFunction : public TIEUserFunction {
  IE_CLASS(TPiFunction, TIEUserFunction)

 public:
  TPiFunction() { Describe(*this, "PI", "Returns the number pi.", "", 0, 0); }

 protected:
  ~TPiFunction() override = default;

  void Call(const IFunCall&, TIEContext*, IIEValue& Result) override { Result = FCPI; }
};

class TRandomFunction : public TIEUserFunction {
  IE_CLASS(TRandomFunction, TIEUserFunction)

 public:
  TRandomFunction() {
    Describe(*this, "random",
             "Returns a pseudo-random integer: from 0 to 65535, from 0 to high - 1, or from low "
             "to low + high - 1.",
             " [[<low-integer-expression>] <high-integer-expression>]", 0, 2);
  }

 protected:
  ~TRandomFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    const int32_t Count = FunCall->GetArgumentCount();
    const int32_t Low = Count == 2 ? Integer(FunCall, 0, Context) : 0;
    const int32_t High = Count == 0 ? 65536 : Integer(FunCall, Count - 1, Context);
    Result = new TIEValue(CheckInteger(int64_t{Low} + Random(High)), dtInteger);
  }
};

class TRandomizeFunction : public TIEUserFunction {
  IE_CLASS(TRandomizeFunction, TIEUserFunction)

 public:
  TRandomizeFunction() {
    Describe(*this, "randomize",
             "Seeds the pseudo-random generator with its argument, or from the clock without "
             "one; returns TRUE.",
             " [<seed-integer-expression> ]", 0, 1);
  }

 protected:
  ~TRandomizeFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    if (FunCall->GetArgumentCount() == 0) {
      Randomize();
    } else {
      SetRandSeed(static_cast<uint32_t>(Integer(FunCall, 0, Context)));
    }
    Result = FCTrue;
  }
};

class TSeedFunction : public TIEUserFunction {
  IE_CLASS(TSeedFunction, TIEUserFunction)

 public:
  TSeedFunction() {
    Describe(*this, "seed",
             "Seeds the pseudo-random generator with its argument, so that the numbers that "
             "follow repeat; returns TRUE.",
             " <integer-expression>", 1, 1);
  }

 protected:
  ~TSeedFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    SetRandSeed(static_cast<uint32_t>(Integer(FunCall, 0, Context)));
    Result = FCTrue;
  }
};

}  // namespace

// TMathPackage

void TMathPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  Functions.Add(new TPlusFunction());
  Functions.Add(new TMinusFunction());
  Functions.Add(new TTimesFunction());
  Functions.Add(new TDivideFunction());
  Functions.Add(new TIntegerDivideFunction());
  Functions.Add(new TModFunction());
  Functions.Add(new TAbsFunction());
  Functions.Add(new TMaxFunction());
  Functions.Add(new TMinFunction());
  Functions.Add(new TExpFunction());
  Functions.Add(new TExptFunction());
  Functions.Add(new TLogFunction());
  Functions.Add(new TLog10Function());
  Functions.Add(new TSqrtFunction());
  Functions.Add(new TFloatFunction());
  Functions.Add(new TIntegerFunction());
  Functions.Add(new TRoundFunction());
  Functions.Add(new TPiFunction());
  Functions.Add(new TRandomFunction());
  Functions.Add(new TRandomizeFunction());
  Functions.Add(new TSeedFunction());
}

}  // namespace ie
