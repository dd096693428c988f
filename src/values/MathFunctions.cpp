#include "values/MathFunctions.h"

#include <cmath>

#include "arrays/RuntimeArray.h"
#include "core/Export.h"

namespace {

// Folds each element of further (a Double array, or nil) into result: replaces says when.
template <typename Replaces>
double FoldFurther(double result, RuntimeArray* further, Replaces replaces) {
  ForEachArrayElement<double>(further, kArrayDouble, [&](double value) {
    if (replaces(value, result)) result = value;
  });
  return result;
}

}  // namespace

extern "C" {

double RuntimeSin(double x) { return std::sin(x); }
QV_EXPORT(RuntimeSin)

double RuntimeCos(double x) { return std::cos(x); }
QV_EXPORT(RuntimeCos)

double RuntimeTan(double x) { return std::tan(x); }
QV_EXPORT(RuntimeTan)

double RuntimeExp(double x) { return std::exp(x); }
QV_EXPORT(RuntimeExp)

double RuntimeLog(double x) { return std::log(x); }
QV_EXPORT(RuntimeLog)

double RuntimePow(double x, double y) { return std::pow(x, y); }
QV_EXPORT(RuntimePow)

double RuntimeSqrt(double x) { return std::sqrt(x); }
QV_EXPORT(RuntimeSqrt)

double RuntimeACos(double x) { return std::acos(x); }
QV_EXPORT(RuntimeACos)

double RuntimeASin(double x) { return std::asin(x); }
QV_EXPORT(RuntimeASin)

double RuntimeATan(double x) { return std::atan2(x, 1.0); }
QV_EXPORT(RuntimeATan)

double RuntimeATan2(double y, double x) { return std::atan2(y, x); }
QV_EXPORT(RuntimeATan2)

double RuntimeCeil(double x) { return std::ceil(x); }
QV_EXPORT(RuntimeCeil)

double RuntimeFloor(double x) { return std::floor(x); }
QV_EXPORT(RuntimeFloor)

double RuntimeRound(double x) { return std::round(x); }
QV_EXPORT(RuntimeRound)

double RuntimeAbs(double x) { return x > 0 || x == 0 || std::isnan(x) ? x : -x; }
QV_EXPORT(RuntimeAbs)

int32_t RuntimeSign(double x) { return x < 0 ? -1 : (x > 0 ? 1 : 0); }
QV_EXPORT(RuntimeSign)

double RuntimeMax(double a, double b, RuntimeArray* further) {
  return FoldFurther(a > b ? a : b, further, [](double v, double r) { return v > r; });
}
QV_EXPORT(RuntimeMax)

double RuntimeMin(double a, double b, RuntimeArray* further) {
  return FoldFurther(b <= a ? b : a, further, [](double v, double r) { return v < r; });
}
QV_EXPORT(RuntimeMin)

}  // extern "C"
