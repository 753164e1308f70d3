// Financial routines: the annuity relation solved for each of its five
// quantities, the interest and principal parts of one period's payment,
// net present value, internal rate of return, and three depreciations.
//
// The annuity relation ties the rate r per period, the number of periods
// n, the payment p per period, the present value pv and the future value
// fv, with t = 1 for payments at the start of each period and 0 for
// payments at the end:
//
//   pv(1 + r)^n + p(1 + rt)((1 + r)^n - 1)/r + fv = 0   (pv + pn + fv = 0 for r = 0)
//
// Money received is positive and money paid out negative: a loan of 1000
// (pv = 1000) is repaid by negative payments.
//
// Results are always finite. A rate of -1 or less, a life below 1, a
// period outside the life or the term, and an iteration that finds no
// root raise the runtime's EInvalidOp with a message of their own; other
// impossible arguments raise the floating-point errors of runtime/Math.
// No state: every routine may be called from any thread.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/TypeInfo.h"

namespace ie {

// When the payments fall within each period.
enum TPaymentTime : uint8_t { ptEndOfPeriod, ptStartOfPeriod };

// The names of TPaymentTime in ordinal order.
extern const TEnumTypeInfo PaymentTimeTypeInfo;

double FutureValue(double Rate, int32_t NPeriods, double Payment, double PresentValue,
                   TPaymentTime PaymentTime);
double PresentValue(double Rate, int32_t NPeriods, double Payment, double FutureValue,
                    TPaymentTime PaymentTime);
double Payment(double Rate, int32_t NPeriods, double PresentValue, double FutureValue,
               TPaymentTime PaymentTime);
double NumberOfPeriods(double Rate, double Payment, double PresentValue, double FutureValue,
                       TPaymentTime PaymentTime);
// Found by iteration.
double InterestRate(int32_t NPeriods, double Payment, double PresentValue, double FutureValue,
                    TPaymentTime PaymentTime);

// The interest part and the principal part of the payment of period
// Period (1-based) of a loan fully amortised by Payment(...); the two add
// up to that payment.
double InterestPayment(double Rate, int32_t Period, int32_t NPeriods, double PresentValue,
                       double FutureValue, TPaymentTime PaymentTime);
double PeriodPayment(double Rate, int32_t Period, int32_t NPeriods, double PresentValue,
                     double FutureValue, TPaymentTime PaymentTime);

// The sum of CashFlows[i] / (1 + Rate)^(i + 1), one period less of
// discount each for payments at the start of the periods.
double NetPresentValue(double Rate, std::span<const double> CashFlows, TPaymentTime PaymentTime);
// The rate at which the net present value of CashFlows is 0, searched from
// Guess first.
double InternalRateOfReturn(double Guess, std::span<const double> CashFlows);

// (Cost - Salvage) / Life.
double SLNDepreciation(double Cost, double Salvage, int32_t Life);
// Period's share (Life - Period + 1) / (1 + 2 + ... + Life) of Cost - Salvage.
double SYDDepreciation(double Cost, double Salvage, int32_t Life, int32_t Period);
// Each period takes 2 / Life of the book value left, never going below
// Salvage.
double DoubleDecliningBalance(double Cost, double Salvage, int32_t Life, int32_t Period);

}  // namespace ie
