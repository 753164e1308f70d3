// The runtime's mathematics: checked floating-point primitives, the
// trigonometric, hyperbolic and angle routines the packages name, rounding
// halves to even, and the process-wide pseudo-random generator.
//
// Results are always finite numbers. Where the hardware would give a NaN or
// an infinity these routines raise the runtime's floating-point errors
// instead: EInvalidOp for an argument outside the domain (the square root
// of a negative number), EZeroDivide for a division by zero or a pole (the
// logarithm of 0), EOverflow for a result too large for a double.
//
// The generator is the one piece of process-wide state: a 32-bit seed
// shared by every engine and thread (changed atomically), so that setting
// it makes every later sequence repeatable.
#pragma once

#include <cstdint>

namespace ie {

// Value itself when finite; a NaN raises EInvalidOp, an infinity EOverflow.
double CheckFloat(double Value);

// A / B; a zero B raises EZeroDivide (EInvalidOp for 0 / 0).
double FloatDivide(double A, double B);
// Natural and base-10 logarithms: 0 raises EZeroDivide, negatives EInvalidOp.
double Ln(double X);
double Log10(double X);
double Sqrt(double X);
double Exp(double X);
// Base raised to Exponent; 0 to a negative power raises EZeroDivide, a
// negative base to a fractional power EInvalidOp.
double Power(double Base, double Exponent);
// X rounded to the nearest whole number, halves to the even neighbour;
// never -0.
double RoundHalfEven(double X);
// Integer results are 32-bit: a value outside that range raises
// EConvertError "'%s' is not a valid integer value" rather than wrapping.
int32_t CheckInteger(int64_t Value);
// X rounded halves to even, as a 32-bit integer (checked as above).
int32_t RoundToInteger(double X);

double ArcCos(double X);
double ArcSin(double X);
// The angle of the point (X, Y), in the quadrant of the signs.
double ArcTan2(double Y, double X);
double ArcCosh(double X);
double ArcSinh(double X);
double ArcTanh(double X);
double Cosh(double X);
double Sinh(double X);
double Tan(double X);
double Tanh(double X);
double Cotan(double X);
double Hypot(double X, double Y);

double CycleToRad(double Cycles);
double RadToCycle(double Radians);
double DegToRad(double Degrees);
double RadToDeg(double Radians);
double GradToRad(double Grads);
double RadToGrad(double Radians);

// The generator's seed. Setting it makes the numbers drawn afterwards
// repeat those drawn after the same seed before.
uint32_t GetRandSeed();
void SetRandSeed(uint32_t Seed);
// Seeds the generator from the clock.
void Randomize();
// A uniformly drawn integer from 0 to Range - 1; 0 when Range is not
// positive (the generator still advances).
int32_t Random(int32_t Range);

}  // namespace ie
