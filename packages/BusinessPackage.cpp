#include "packages/BusinessPackage.h"

#include <tuple>
#include <vector>

#include "core/IEConsts.h"
#include "core/IEValue.h"
#include "packages/PackageSupport.h"
#include "runtime/Financial.h"
#include "runtime/Format.h"

namespace ie {
namespace {

// Reads the arguments one after another in the order of the argument
// text, each of the kind the text names.
class TArguments {
 public:
  TArguments(const IFunCall& FunCall, TIEContext* Context) : FFunCall(FunCall), FContext(Context) {}

  double Number() { return Next()->GetAsNumeric(); }
  // A float is truncated.
  int32_t Whole() { return Next()->GetAsInteger(); }
  // A text that names neither timing is refused rather than guessed at.
  TPaymentTime Timing() {
    const std::string Name = Next()->GetAsString();
    const int32_t Value = GetEnumValue(PaymentTimeTypeInfo, Name);
    if (Value < 0) throw EIEException(Format(SInvalidPaymentTime, Name));
    return static_cast<TPaymentTime>(Value);
  }
  // The items of a multifield as they stand, not evaluated again.
  std::vector<double> CashFlows() {
    const IValueVector List = Next()->GetAsList();
    std::vector<double> Result;
    const int32_t Count = List ? List->GetCount() : 0;
    Result.reserve(Count);
    for (int32_t I = 0; I < Count; ++I) Result.push_back(List->Get(I)->GetAsFloat());
    return Result;
  }

 private:
  IIEValue Next() { return Operand(FFunCall, FIndex++, FContext); }

  const IFunCall& FFunCall;
  TIEContext* FContext;
  int32_t FIndex = 0;
};

using TFormula = double (*)(TArguments& Args);

// A function whose result is Formula of its arguments, as a float.
template <TFormula Formula>
class TFinancialFunction : public TIEUserFunction {
 protected:
  ~TFinancialFunction() override = default;

  void Call(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) override {
    TArguments Args(FunCall, Context);
    Result = new TIEValue(Formula(Args));
  }
};

// Each routine gets its arguments read in order: a braced list evaluates
// left to right.
double DoubleDecliningBalanceOf(TArguments& A) {
  return std::apply(DoubleDecliningBalance,
                    std::tuple{A.Number(), A.Number(), A.Whole(), A.Whole()});
}
double FutureValueOf(TArguments& A) {
  return std::apply(FutureValue,
                    std::tuple{A.Number(), A.Whole(), A.Number(), A.Number(), A.Timing()});
}
double InterestPaymentOf(TArguments& A) {
  return std::apply(InterestPayment, std::tuple{A.Number(), A.Whole(), A.Whole(), A.Number(),
                                                A.Number(), A.Timing()});
}
double InterestRateOf(TArguments& A) {
  return std::apply(InterestRate,
                    std::tuple{A.Whole(), A.Number(), A.Number(), A.Number(), A.Timing()});
}
double InternalRateOfReturnOf(TArguments& A) {
  const double Guess = A.Number();
  return InternalRateOfReturn(Guess, A.CashFlows());
}
double NetPresentValueOf(TArguments& A) {
  const double Rate = A.Number();
  const std::vector<double> Flows = A.CashFlows();
  return NetPresentValue(Rate, Flows, A.Timing());
}
double NumberOfPeriodsOf(TArguments& A) {
  return std::apply(NumberOfPeriods,
                    std::tuple{A.Number(), A.Number(), A.Number(), A.Number(), A.Timing()});
}
double PaymentOf(TArguments& A) {
  return std::apply(Payment, std::tuple{A.Number(), A.Whole(), A.Number(), A.Number(), A.Timing()});
}
double PeriodPaymentOf(TArguments& A) {
  return std::apply(PeriodPayment, std::tuple{A.Number(), A.Whole(), A.Whole(), A.Number(),
                                              A.Number(), A.Timing()});
}
double PresentValueOf(TArguments& A) {
  return std::apply(PresentValue,
                    std::tuple{A.Number(), A.Whole(), A.Number(), A.Number(), A.Timing()});
}
double SLNDepreciationOf(TArguments& A) {
  return std::apply(SLNDepreciation, std::tuple{A.Number(), A.Number(), A.Whole()});
}
double SYDDepreciationOf(TArguments& A) {
  return std::apply(SYDDepreciation, std::tuple{A.Number(), A.Number(), A.Whole(), A.Whole()});
}

// One class per function, as streaming re-creates functions by class.
#define IE_FINANCIAL_FUNCTION(Class, Formula, Name, Help, Arguments, Count) \
  class Class : public TFinancialFunction<Formula> {                        \
    IE_CLASS(Class, TIEUserFunction)                                        \
                                                                            \
   public:                                                                  \
    Class() { Describe(*this, Name, Help, Arguments, Count, Count); }       \
                                                                            \
   protected:                                                               \
    ~Class() override = default;                                            \
  };

IE_FINANCIAL_FUNCTION(
    TDoubleDecliningBalanceFunction, DoubleDecliningBalanceOf, "double-declining-balance",
    "Returns the depreciation of an asset for the given period by the double-declining balance "
    "method: each period takes 2/life of the remaining book value, never below salvage",
    " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
    "<period-integer-expression>",
    4)
IE_FINANCIAL_FUNCTION(
    TFutureValueFunction, FutureValueOf, "future-value",
    "Returns the future value of an investment of periodic payments at a fixed rate per period",
    " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
    "<present-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
    5)
IE_FINANCIAL_FUNCTION(
    TInterestPaymentFunction, InterestPaymentOf, "interest-payment",
    "Returns the interest part of the payment for the given period of a loan with fixed payments "
    "at a fixed rate",
    " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
    "<present-value-numeric-expression> <future-value-numeric-expression> "
    "ptEndOfPeriod|ptStartOfPeriod",
    6)
IE_FINANCIAL_FUNCTION(TInterestRateFunction, InterestRateOf, "interest-rate",
                      "Returns the interest rate per period of an annuity, found by iteration",
                      " <num-periods-integer-expression> <payment-numeric-expression> "
                      "<present-value-numeric-expression> <future-value-numeric-expression> "
                      "ptEndOfPeriod|ptStartOfPeriod",
                      5)
IE_FINANCIAL_FUNCTION(
    TInternalRateOfReturnFunction, InternalRateOfReturnOf, "internal-rate-of-return",
    "Returns the internal rate of return of a series of periodic cash flows: the rate at which "
    "their net present value is 0, found by iteration from the guess",
    " <guess-numeric-expression> <cash-flows-multifield-expression>", 2)
IE_FINANCIAL_FUNCTION(
    TNetPresentValueFunction, NetPresentValueOf, "net-present-value",
    "Returns the net present value of a series of periodic cash flows discounted at the given rate",
    " <rate-numeric-expression> <cash-flows-multifield-expression> ptEndOfPeriod|ptStartOfPeriod",
    3)
IE_FINANCIAL_FUNCTION(
    TNumberOfPeriodsFunction, NumberOfPeriodsOf, "number-of-periods",
    "Returns the number of periods of an investment of periodic payments at a fixed rate",
    " <rate-numeric-expression> <payment-numeric-expression> <present-value-numeric-expression> "
    "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
    5)
IE_FINANCIAL_FUNCTION(TPaymentFunction, PaymentOf, "payment",
                      "Returns the periodic payment of a loan with fixed payments at a fixed rate",
                      " <rate-numeric-expression> <num-periods-integer-expression> "
                      "<present-value-numeric-expression> <future-value-numeric-expression> "
                      "ptEndOfPeriod|ptStartOfPeriod",
                      5)
IE_FINANCIAL_FUNCTION(
    TPeriodPaymentFunction, PeriodPaymentOf, "period-payment",
    "Returns the principal part of the payment for the given period of a loan with fixed "
    "payments at a fixed rate",
    " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
    "<present-value-numeric-expression> <future-value-numeric-expression> "
    "ptEndOfPeriod|ptStartOfPeriod",
    6)
IE_FINANCIAL_FUNCTION(
    TPresentValueFunction, PresentValueOf, "present-value",
    "Returns the present value of an investment of periodic payments at a fixed rate",
    " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
    "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
    5)
IE_FINANCIAL_FUNCTION(TSLNDepreciationFunction, SLNDepreciationOf, "sln-depreciation",
                      "Returns the straight-line depreciation of an asset for one period",
                      " <cost-numeric-expression> <salvage-numeric-expression> "
                      "<life-integer-expression>",
                      3)
IE_FINANCIAL_FUNCTION(
    TSYDDepreciationFunction, SYDDepreciationOf, "syd-depreciation",
    "Returns the sum-of-years' digits depreciation of an asset for the given period",
    " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
    "<period-integer-expression>",
    4)

#undef IE_FINANCIAL_FUNCTION

}  // namespace

void TBusinessPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  TUserFunctionList& Functions = GetFunctions();
  Functions.Add(new TDoubleDecliningBalanceFunction());
  Functions.Add(new TFutureValueFunction());
  Functions.Add(new TInterestPaymentFunction());
  Functions.Add(new TInterestRateFunction());
  Functions.Add(new TInternalRateOfReturnFunction());
  Functions.Add(new TNetPresentValueFunction());
  Functions.Add(new TNumberOfPeriodsFunction());
  Functions.Add(new TPaymentFunction());
  Functions.Add(new TPeriodPaymentFunction());
  Functions.Add(new TPresentValueFunction());
  Functions.Add(new TSLNDepreciationFunction());
  Functions.Add(new TSYDDepreciationFunction());
}

}  // namespace ie
