// The language's numeric intrinsics on Doubles: the system library's functions where they
// already answer as the language wants, and the language's own rules for rounding, absolute
// value, sign, and Max/Min over any number of values.
#pragma once

#include <cstdint>

struct RuntimeArray;

extern "C" {
double RuntimeSin(double x);
double RuntimeCos(double x);
double RuntimeTan(double x);
double RuntimeExp(double x);
double RuntimeLog(double x);
double RuntimePow(double x, double y);
double RuntimeSqrt(double x);
double RuntimeACos(double x);
double RuntimeASin(double x);
double RuntimeATan(double x);
double RuntimeATan2(double y, double x);
double RuntimeCeil(double x);
double RuntimeFloor(double x);
// Nearest integer, halves away from zero.
double RuntimeRound(double x);
// x when x > 0, x is 0 or NaN; else -x.
double RuntimeAbs(double x);
// -1, 0 or 1; NaN gives 0.
int32_t RuntimeSign(double x);
// The larger (smaller) of a and b, then of each element of further (a Double array or nil);
// a later value replaces the result only when strictly larger (smaller).
double RuntimeMax(double a, double b, RuntimeArray* further);
double RuntimeMin(double a, double b, RuntimeArray* further);
}
