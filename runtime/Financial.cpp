#include "runtime/Financial.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>

#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/Math.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

namespace {

constexpr std::string_view PaymentTimeNames[] = {"ptEndOfPeriod", "ptStartOfPeriod"};

void CheckRate(double Rate) {
  if (!(Rate > -1)) throw EInvalidOp(Format(SRateOutOfRange, FloatToStr(Rate)));
}

void CheckLife(int32_t Life) {
  if (Life < 1) throw EInvalidOp(Format(SLifeOutOfRange, Life));
}

void CheckPeriod(int32_t Period, int32_t Last) {
  if (Period < 1 || Period > Last) throw EInvalidOp(Format(SPeriodOutOfRange, Period, Last));
}

// Value when finite, raised otherwise; a zero never carries a sign.
double Finite(double Value) { return CheckFloat(Value) + 0.0; }

double Timing(TPaymentTime PaymentTime) { return PaymentTime == ptStartOfPeriod ? 1 : 0; }

// (1 + Rate)^N, through the logarithm so that small rates keep their digits.
double Growth(double Rate, double N) { return std::exp(N * std::log1p(Rate)); }

// ((1 + Rate)^N - 1) / Rate, which is N at a rate of 0.
double Annuity(double Rate, double N) {
  return Rate == 0 ? N : std::expm1(N * std::log1p(Rate)) / Rate;
}

// The left side of the annuity relation, and the size of its terms, which
// tells how near 0 the value must come.
struct TResidual {
  double Value;
  double Scale;
};

TResidual AnnuityResidual(double Rate, double N, double Payment, double PresentValue,
                          double FutureValue, TPaymentTime PaymentTime) {
  const double Grown = PresentValue * Growth(Rate, N);
  const double Paid = Payment * (1 + Rate * Timing(PaymentTime)) * Annuity(Rate, N);
  return {Grown + Paid + FutureValue, std::fabs(Grown) + std::fabs(Paid) + std::fabs(FutureValue)};
}

TResidual CashFlowResidual(double Rate, std::span<const double> CashFlows) {
  TResidual Result{0, 0};
  double Discount = 1;
  for (const double Flow : CashFlows) {
    Result.Value += Flow * Discount;
    Result.Scale += std::fabs(Flow * Discount);
    Discount /= 1 + Rate;
  }
  return Result;
}

using TRateFunction = std::function<TResidual(double Rate)>;

bool Usable(const TResidual& R) { return std::isfinite(R.Value) && std::isfinite(R.Scale); }

bool IsRoot(const TResidual& R) { return std::fabs(R.Value) <= 1e-9 * std::max(R.Scale, 1.0); }

// Newton's method from Guess with a numerical slope; a step that would
// leave the domain goes halfway to its edge instead. False when it does
// not settle on a root.
bool Newton(const TRateFunction& F, double Guess, double& Rate) {
  double R = Guess;
  for (int I = 0; I < 100; ++I) {
    const TResidual At = F(R);
    if (!Usable(At)) return false;
    if (At.Value == 0) {
      Rate = R;
      return true;
    }
    const double H = 1e-7 * std::max(1.0, std::fabs(R));
    const double Slope = (F(R + H).Value - F(R - H).Value) / (2 * H);
    if (!std::isfinite(Slope) || Slope == 0) return false;
    double Next = R - At.Value / Slope;
    if (!(Next > -1)) Next = (R - 1) / 2;
    if (std::fabs(Next - R) <= 1e-14 * std::max(1.0, std::fabs(R))) {
      Rate = Next;
      return IsRoot(F(Next));
    }
    R = Next;
  }
  return false;
}

// Bisection between two rates whose residuals differ in sign.
double Bisect(const TRateFunction& F, double Low, double High, double LowValue) {
  for (int I = 0; I < 200 && High - Low > 1e-15 * std::max(1.0, std::fabs(Low)); ++I) {
    const double Middle = Low + (High - Low) / 2;
    const double Value = F(Middle).Value;
    if (Value == 0) return Middle;
    if ((Value < 0) == (LowValue < 0)) {
      Low = Middle;
      LowValue = Value;
    } else {
      High = Middle;
    }
  }
  return Low + (High - Low) / 2;
}

// A root of F above -1: Newton's method from Guess, and when that fails a
// bracketing of the root on a fixed ladder of rates, nearest the guess
// first, narrowed by bisection, which cannot fail once a sign change is
// found.
double SolveRate(const TRateFunction& F, double Guess) {
  double Rate;
  if (Guess > -1 && Newton(F, Guess, Rate)) return Finite(Rate);
  static constexpr std::array<double, 21> Ladder = {
      -0.999999, -0.99, -0.9, -0.75, -0.5, -0.25, -0.1, -0.05, -0.01, 0,   0.01,
      0.05,      0.1,   0.25, 0.5,   1,    2,     5,    10,    100,   1000};
  int Best = -1;
  double BestDistance = 0;
  for (size_t I = 0; I + 1 < Ladder.size(); ++I) {
    const TResidual Low = F(Ladder[I]);
    const TResidual High = F(Ladder[I + 1]);
    if (!Usable(Low) || !Usable(High) || (Low.Value < 0) == (High.Value < 0)) continue;
    const double Distance = std::fabs((Ladder[I] + Ladder[I + 1]) / 2 - Guess);
    if (Best < 0 || Distance < BestDistance) {
      Best = static_cast<int>(I);
      BestDistance = Distance;
    }
  }
  if (Best < 0) throw EInvalidOp(SNoConvergence);
  return Finite(Bisect(F, Ladder[Best], Ladder[Best + 1], F(Ladder[Best]).Value));
}

// The signed balance of the loan after Done payments at the end of each
// period.
double Balance(double Rate, double Done, double Payment, double PresentValue) {
  return PresentValue * Growth(Rate, Done) + Payment * Annuity(Rate, Done);
}

}  // namespace

const TEnumTypeInfo PaymentTimeTypeInfo{"TPaymentTime", PaymentTimeNames};

double FutureValue(double Rate, int32_t NPeriods, double Payment, double PresentValue,
                   TPaymentTime PaymentTime) {
  CheckRate(Rate);
  return Finite(-AnnuityResidual(Rate, NPeriods, Payment, PresentValue, 0, PaymentTime).Value);
}

double PresentValue(double Rate, int32_t NPeriods, double Payment, double FutureValue,
                    TPaymentTime PaymentTime) {
  CheckRate(Rate);
  const double Paid = AnnuityResidual(Rate, NPeriods, Payment, 0, FutureValue, PaymentTime).Value;
  return Finite(FloatDivide(-Paid, Growth(Rate, NPeriods)));
}

double Payment(double Rate, int32_t NPeriods, double PresentValue, double FutureValue,
               TPaymentTime PaymentTime) {
  CheckRate(Rate);
  const double Owed = PresentValue * Growth(Rate, NPeriods) + FutureValue;
  return Finite(FloatDivide(-Owed, (1 + Rate * Timing(PaymentTime)) * Annuity(Rate, NPeriods)));
}

double NumberOfPeriods(double Rate, double Payment, double PresentValue, double FutureValue,
                       TPaymentTime PaymentTime) {
  CheckRate(Rate);
  if (Rate == 0) return Finite(FloatDivide(-(PresentValue + FutureValue), Payment));
  // (1 + r)^n (pv + A) = A - fv with A = p(1 + rt)/r.
  const double A = Payment * (1 + Rate * Timing(PaymentTime)) / Rate;
  return Finite(FloatDivide(Ln(FloatDivide(A - FutureValue, PresentValue + A)), std::log1p(Rate)));
}

double InterestRate(int32_t NPeriods, double Payment, double PresentValue, double FutureValue,
                    TPaymentTime PaymentTime) {
  return SolveRate(
      [&](double Rate) {
        return AnnuityResidual(Rate, NPeriods, Payment, PresentValue, FutureValue, PaymentTime);
      },
      0.1);
}

double InterestPayment(double Rate, int32_t Period, int32_t NPeriods, double PresentValue,
                       double FutureValue, TPaymentTime PaymentTime) {
  CheckPeriod(Period, NPeriods);
  const double Paid = Payment(Rate, NPeriods, PresentValue, FutureValue, PaymentTime);
  if (PaymentTime == ptEndOfPeriod) {
    return Finite(-Rate * Balance(Rate, Period - 1, Paid, PresentValue));
  }
  // Paid in advance, the first payment carries no interest; the balance
  // after it grows as a loan of PresentValue + Paid paid at period ends.
  if (Period == 1) return 0;
  return Finite(-Rate * Balance(Rate, Period - 2, Paid, PresentValue + Paid));
}

double PeriodPayment(double Rate, int32_t Period, int32_t NPeriods, double PresentValue,
                     double FutureValue, TPaymentTime PaymentTime) {
  const double Interest =
      InterestPayment(Rate, Period, NPeriods, PresentValue, FutureValue, PaymentTime);
  return Finite(Payment(Rate, NPeriods, PresentValue, FutureValue, PaymentTime) - Interest);
}

double NetPresentValue(double Rate, std::span<const double> CashFlows, TPaymentTime PaymentTime) {
  CheckRate(Rate);
  const double Value = CashFlowResidual(Rate, CashFlows).Value;
  return Finite(PaymentTime == ptStartOfPeriod ? Value : FloatDivide(Value, 1 + Rate));
}

double InternalRateOfReturn(double Guess, std::span<const double> CashFlows) {
  return SolveRate([&](double Rate) { return CashFlowResidual(Rate, CashFlows); }, Guess);
}

double SLNDepreciation(double Cost, double Salvage, int32_t Life) {
  CheckLife(Life);
  return Finite((Cost - Salvage) / Life);
}

double SYDDepreciation(double Cost, double Salvage, int32_t Life, int32_t Period) {
  CheckLife(Life);
  CheckPeriod(Period, Life);
  const double L = Life;
  return Finite((Cost - Salvage) * (L - Period + 1) * 2 / (L * (L + 1)));
}

double DoubleDecliningBalance(double Cost, double Salvage, int32_t Life, int32_t Period) {
  CheckLife(Life);
  CheckPeriod(Period, Life);
  const double Factor = 2.0 / Life;
  // Once the book value reaches salvage it stays there.
  const double Book = std::max(Salvage, Cost * std::pow(1 - Factor, Period - 1));
  return Finite(std::max(0.0, std::min(Book * Factor, Book - Salvage)));
}

}  // namespace ie
