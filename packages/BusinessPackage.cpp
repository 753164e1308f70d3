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
void CallFinancial(const IFunCall& FunCall, TIEContext* Context, IIEValue& Result) {
  TArguments Args(FunCall, Context);
  Result = new TIEValue(Formula(Args));
}

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

constexpr TFunctionRow BusinessRows[] = {
    {"double-declining-balance", CallFinancial<DoubleDecliningBalanceOf>, 4, 4,
     " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
     "<period-integer-expression>",
     "Returns the depreciation of an asset for the given period by the double-declining balance "
     "method: each period takes 2/life of the remaining book value, never below salvage"},
    {"future-value", CallFinancial<FutureValueOf>, 5, 5,
     " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
     "<present-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     "Returns the future value of an investment of periodic payments at a fixed rate per period"},
    {"interest-payment", CallFinancial<InterestPaymentOf>, 6, 6,
     " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> "
     "ptEndOfPeriod|ptStartOfPeriod",
     "Returns the interest part of the payment for the given period of a loan with fixed payments "
     "at a fixed rate"},
    {"interest-rate", CallFinancial<InterestRateOf>, 5, 5,
     " <num-periods-integer-expression> <payment-numeric-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> "
     "ptEndOfPeriod|ptStartOfPeriod",
     "Returns the interest rate per period of an annuity, found by iteration"},
    {"internal-rate-of-return", CallFinancial<InternalRateOfReturnOf>, 2, 2,
     " <guess-numeric-expression> <cash-flows-multifield-expression>",
     "Returns the internal rate of return of a series of periodic cash flows: the rate at which "
     "their net present value is 0, found by iteration from the guess"},
    {"net-present-value", CallFinancial<NetPresentValueOf>, 3, 3,
     " <rate-numeric-expression> <cash-flows-multifield-expression> ptEndOfPeriod|ptStartOfPeriod",
     "Returns the net present value of a series of periodic cash flows discounted at the given "
     "rate"},
    {"number-of-periods", CallFinancial<NumberOfPeriodsOf>, 5, 5,
     " <rate-numeric-expression> <payment-numeric-expression> <present-value-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     "Returns the number of periods of an investment of periodic payments at a fixed rate"},
    {"payment", CallFinancial<PaymentOf>, 5, 5,
     " <rate-numeric-expression> <num-periods-integer-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> "
     "ptEndOfPeriod|ptStartOfPeriod",
     "Returns the periodic payment of a loan with fixed payments at a fixed rate"},
    {"period-payment", CallFinancial<PeriodPaymentOf>, 6, 6,
     " <rate-numeric-expression> <period-integer-expression> <num-periods-integer-expression> "
     "<present-value-numeric-expression> <future-value-numeric-expression> "
     "ptEndOfPeriod|ptStartOfPeriod",
     "Returns the principal part of the payment for the given period of a loan with fixed payments "
     "at a fixed rate"},
    {"present-value", CallFinancial<PresentValueOf>, 5, 5,
     " <rate-numeric-expression> <num-periods-integer-expression> <payment-numeric-expression> "
     "<future-value-numeric-expression> ptEndOfPeriod|ptStartOfPeriod",
     "Returns the present value of an investment of periodic payments at a fixed rate"},
    {"sln-depreciation", CallFinancial<SLNDepreciationOf>, 3, 3,
     " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression>",
     "Returns the straight-line depreciation of an asset for one period"},
    {"syd-depreciation", CallFinancial<SYDDepreciationOf>, 4, 4,
     " <cost-numeric-expression> <salvage-numeric-expression> <life-integer-expression> "
     "<period-integer-expression>",
     "Returns the sum-of-years' digits depreciation of an asset for the given period"},
};

}  // namespace

void TBusinessPackage::CreateFunctions() {
  TUserPackage::CreateFunctions();
  AddRows(GetFunctions(), BusinessRows);
}

}  // namespace ie
