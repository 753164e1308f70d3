#include "runtime/Math.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <numbers>

#include "runtime/Conversions.h"
#include "runtime/Exceptions.h"
#include "runtime/Format.h"
#include "runtime/RuntimeConsts.h"

namespace ie {

double CheckFloat(double Value) {
  if (std::isnan(Value)) throw EInvalidOp(SInvalidOp);
  if (std::isinf(Value)) throw EOverflow(SOverflow);
  return Value;
}

double FloatDivide(double A, double B) {
  if (B == 0) {
    if (A == 0 || std::isnan(A)) throw EInvalidOp(SInvalidOp);
    throw EZeroDivide(SZeroDivide);
  }
  return CheckFloat(A / B);
}

double Ln(double X) {
  if (X == 0) throw EZeroDivide(SZeroDivide);
  if (X < 0) throw EInvalidOp(SInvalidOp);
  return CheckFloat(std::log(X));
}

double Log10(double X) {
  if (X == 0) throw EZeroDivide(SZeroDivide);
  if (X < 0) throw EInvalidOp(SInvalidOp);
  return CheckFloat(std::log10(X));
}

double Sqrt(double X) { return CheckFloat(std::sqrt(X)); }

double Exp(double X) { return CheckFloat(std::exp(X)); }

double Power(double Base, double Exponent) {
  if (Base == 0 && Exponent < 0) throw EZeroDivide(SZeroDivide);
  return CheckFloat(std::pow(Base, Exponent));
}

double RoundHalfEven(double X) {
  double Rounded = std::round(X);  // halves away from zero
  if (std::fabs(X - std::trunc(X)) == 0.5) Rounded = 2.0 * std::round(X / 2.0);
  // Adding +0 turns -0 into 0: a whole number has no sign of its own.
  return CheckFloat(Rounded) + 0.0;
}

int32_t CheckInteger(int64_t Value) {
  if (Value < INT32_MIN || Value > INT32_MAX) throw EConvertError(Format(SInvalidInteger, IntToStr(Value)));
  return static_cast<int32_t>(Value);
}

int32_t RoundToInteger(double X) {
  const double Rounded = RoundHalfEven(X);
  if (!(Rounded >= INT32_MIN && Rounded <= INT32_MAX)) {
    throw EConvertError(Format(SInvalidInteger, FloatToStr(Rounded)));
  }
  return static_cast<int32_t>(Rounded);
}

double ArcCos(double X) { return CheckFloat(std::acos(X)); }

double ArcSin(double X) { return CheckFloat(std::asin(X)); }

double ArcTan2(double Y, double X) { return CheckFloat(std::atan2(Y, X)); }

double ArcCosh(double X) { return CheckFloat(std::acosh(X)); }

double ArcSinh(double X) { return CheckFloat(std::asinh(X)); }

// The poles at 1 and -1 are divisions by zero, not overflows.
double ArcTanh(double X) {
  if (std::fabs(X) == 1) throw EZeroDivide(SZeroDivide);
  return CheckFloat(std::atanh(X));
}

double Cosh(double X) { return CheckFloat(std::cosh(X)); }

double Sinh(double X) { return CheckFloat(std::sinh(X)); }

double Tan(double X) { return CheckFloat(std::tan(X)); }

double Tanh(double X) { return CheckFloat(std::tanh(X)); }

double Cotan(double X) { return FloatDivide(1.0, Tan(X)); }

double Hypot(double X, double Y) { return CheckFloat(std::hypot(X, Y)); }

double CycleToRad(double Cycles) { return CheckFloat(Cycles * (2 * std::numbers::pi)); }

double RadToCycle(double Radians) { return CheckFloat(Radians / (2 * std::numbers::pi)); }

double DegToRad(double Degrees) { return CheckFloat(Degrees * (std::numbers::pi / 180)); }

double RadToDeg(double Radians) { return CheckFloat(Radians * (180 / std::numbers::pi)); }

double GradToRad(double Grads) { return CheckFloat(Grads * (std::numbers::pi / 200)); }

double RadToGrad(double Radians) { return CheckFloat(Radians * (200 / std::numbers::pi)); }

// The generator

namespace {

// The seed walks a Weyl sequence (an odd step, so every 32-bit state comes
// once per 2^32 draws) and each state is scrambled by a bijective mixer, so
// the outputs are as uniform as the states while neighbouring seeds give
// unrelated sequences.
constexpr uint32_t RandomStep = 0x9E3779B9u;

std::atomic<uint32_t> RandSeed{0};

uint32_t Mix(uint32_t Z) {
  Z ^= Z >> 16;
  Z *= 0x85EBCA6Bu;
  Z ^= Z >> 13;
  Z *= 0xC2B2AE35u;
  Z ^= Z >> 16;
  return Z;
}

uint32_t NextRandom() {
  return Mix(RandSeed.fetch_add(RandomStep, std::memory_order_relaxed) + RandomStep);
}

}  // namespace

uint32_t GetRandSeed() { return RandSeed.load(std::memory_order_relaxed); }

void SetRandSeed(uint32_t Seed) { RandSeed.store(Seed, std::memory_order_relaxed); }

void Randomize() {
  const auto Ticks = std::chrono::system_clock::now().time_since_epoch().count();
  SetRandSeed(Mix(static_cast<uint32_t>(Ticks) ^ static_cast<uint32_t>(Ticks >> 32)));
}

int32_t Random(int32_t Range) {
  const uint64_t Draw = NextRandom();
  if (Range <= 0) return 0;
  // Scaling the 32-bit draw keeps its high bits, the better ones.
  return static_cast<int32_t>((Draw * static_cast<uint64_t>(Range)) >> 32);
}

}  // namespace ie
