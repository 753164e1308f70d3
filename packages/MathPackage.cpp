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
void CallArithmetic(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
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

struct TAdd : std::plus<double> {
  static constexpr double Start = 0;
};
struct TSubtract : std::minus<double> {
  static constexpr double Start = 0;
};
struct TMultiply : std::multiplies<double> {
  static constexpr double Start = 1;
};

void CallDivide(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  double Quotient = CheckFloat(Operand(FunCall, 0, Context)->GetAsNumeric());
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    Quotient = FloatDivide(Quotient, Operand(FunCall, I, Context)->GetAsNumeric());
  }
  Result = new TIEValue(Quotient);
}

// In 64 bits, so that the one quotient beyond 32 bits (the lowest
// integer divided by -1) is caught rather than undefined.
void CallIntegerDivide(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  int64_t Quotient = Integer(FunCall, 0, Context);
  for (int32_t I = 1; I < FunCall->GetArgumentCount(); ++I) {
    Quotient = CheckInteger(Quotient / NonZero(Integer(FunCall, I, Context)));
  }
  Result = new TIEValue(static_cast<int32_t>(Quotient), dtInteger);
}

void CallMod(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const int64_t Dividend = Integer(FunCall, 0, Context);
  const int64_t Divisor = NonZero(Integer(FunCall, 1, Context));
  Result = new TIEValue(static_cast<int32_t>(Dividend % Divisor), dtInteger);
}

void CallAbs(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const IIEValue Value = Operand(FunCall, 0, Context);
  if (Value->GetDType() == dtInteger) {
    Result = new TIEValue(CheckInteger(std::abs(int64_t{Value->GetAsInteger()})), dtInteger);
  } else if (Value->GetDType() == dtFloat) {
    Result = new TIEValue(std::fabs(Value->GetAsFloat()));
  } else {
    throw EIEException(Format(SExpectedNumericArgument, FunCall->GetName()));
  }
}

// max and min: the extreme is replaced only by a number strictly beyond
// it, so a float that never became the extreme leaves an integer result.
template <class TBeyond>
void CallExtreme(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
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

void CallExpt(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const double Base = Operand(FunCall, 0, Context)->GetAsNumeric();
  Result = new TIEValue(Power(Base, Operand(FunCall, 1, Context)->GetAsNumeric()));
}

double Same(double X) { return X; }

void CallInteger(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  Result = new TIEValue(Integer(FunCall, 0, Context), dtInteger);
}

void CallPi(const IFunCall&, TIEContext*, IIEValue& Result) { Result = FCPI; }

void CallRandom(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  const int32_t Count = FunCall->GetArgumentCount();
  const int32_t Low = Count == 2 ? Integer(FunCall, 0, Context) : 0;
  const int32_t High = Count == 0 ? 65536 : Integer(FunCall, Count - 1, Context);
  Result = new TIEValue(CheckInteger(int64_t{Low} + Random(High)), dtInteger);
}

void CallRandomize(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  if (FunCall->GetArgumentCount() == 0) {
    Randomize();
  } else {
    SetRandSeed(static_cast<uint32_t>(Integer(FunCall, 0, Context)));
  }
  Result = FCTrue;
}

void CallSeed(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  SetRandSeed(static_cast<uint32_t>(Integer(FunCall, 0, Context)));
  Result = FCTrue;
}

constexpr TFunctionRow MathRows[] = {
    {"+", CallArithmetic<TAdd, false>, 0, UnlimitedArguments, SNumbers,
     "Returns the sum of its arguments."},
    {"-", CallArithmetic<TSubtract, true>, 1, UnlimitedArguments, SNumbers,
     "Returns the first argument minus each further argument in turn; a single argument is "
     "returned as it is."},
    {"*", CallArithmetic<TMultiply, false>, 0, UnlimitedArguments, SNumbers,
     "Returns the product of its arguments."},
    {"/", CallDivide, 1, UnlimitedArguments, SNumbers,
     "Returns the first argument divided by each further argument in turn, as a float."},
    {"div", CallIntegerDivide, 1, UnlimitedArguments, " <integer-expression>+",
     "Returns the first argument divided by each further argument in turn as integers, dropping "
     "the fractions."},
    {"mod", CallMod, 2, 2, " <integer-expression> <integer-expression>",
     "Returns the remainder of dividing the first argument by the second as integers; it has the "
     "sign of the first."},
    {"abs", CallAbs, 1, 1, SNumber,
     "Returns the absolute value of its argument, of the argument's kind."},
    {"max", CallExtreme<std::greater<double>>, 1, UnlimitedArguments, SNumbers,
     "Returns the largest of its arguments."},
    {"min", CallExtreme<std::less<double>>, 1, UnlimitedArguments, SNumbers,
     "Returns the smallest of its arguments."},
    {"exp", CallUnaryFloat<Exp>, 1, 1, SNumber, "Returns e raised to the power of its argument."},
    {"**", CallExpt, 2, 2, " <numeric-expression> <numeric-expression>",
     "Returns the first argument raised to the power of the second."},
    {"log", CallUnaryFloat<Ln>, 1, 1, SNumber, "Returns the natural logarithm of its argument."},
    {"log10", CallUnaryFloat<Log10>, 1, 1, SNumber,
     "Returns the base-10 logarithm of its argument."},
    {"sqrt", CallUnaryFloat<Sqrt>, 1, 1, SNumber, "Returns the square root of its argument."},
    {"float", CallUnaryFloat<Same>, 1, 1, SNumber, "Returns its argument as a float."},
    {"integer", CallInteger, 1, 1, SNumber,
     "Returns its argument as an integer; a float is truncated toward zero."},
    {"round", CallUnaryFloat<RoundHalfEven>, 1, 1, SNumber,
     "Returns its argument rounded to the nearest whole number, halves to the even one, as a "
     "float."},
    {"PI", CallPi, 0, 0, "", "Returns the number pi."},
    {"random", CallRandom, 0, 2, " [[<low-integer-expression>] <high-integer-expression>]",
     "Returns a pseudo-random integer: from 0 to 65535, from 0 to high - 1, or from low to low + "
     "high - 1."},
    {"randomize", CallRandomize, 0, 1, " [<seed-integer-expression> ]",
     "Seeds the pseudo-random generator with its argument, or from the clock without one; returns "
     "TRUE."},
    {"seed", CallSeed, 1, 1, " <integer-expression>",
     "Seeds the pseudo-random generator with its argument, so that the numbers that follow repeat; "
     "returns TRUE."},
};

}  // namespace

// TMathPackage

void TMathPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  AddRows(GetFunctions(), MathRows);
}

}  // namespace ie
