#include "listbox/ColumnWidthExpression.h"

#include <cmath>

#include "core/ExceptionClasses.h"
#include "core/RaiseException.h"
#include "strings/StringNumbers.h"

namespace {

double NonNegativeFinite(double value, double limit) {
  if (!(value > 0)) return 0;  // negative, zero and NaN
  return value > limit ? limit : value;
}

}  // namespace

ColumnExpression ParseColumnExpression(const string& text) {
  const int32_t length = text.Length();
  if (length == 0) return {kColumnStar, 1, false};
  const char last = text.CString()[length - 1];
  if (length == 1 && last == '*') return {kColumnStar, 1, false};
  const double number = Val(text, nullptr);
  const bool negative = number < 0;
  if (last == '%') return {kColumnPercent, NonNegativeFinite(number, 1e9), negative};
  if (last == '*') return {kColumnStar, NonNegativeFinite(number, kMaxStarShare), negative};
  if (last >= '0' && last <= '9') {
    return {kColumnAbsolute, NonNegativeFinite(number, kMaxColumnPixels), negative};
  }
  return {kColumnError, 0, false};
}

ColumnExpressionKind ClassifyColumnExpression(const string& text) {
  return ParseColumnExpression(text).kind;
}

int32_t ClampedPixels(double value) {
  return int32_t(std::trunc(NonNegativeFinite(value, kMaxColumnPixels)));
}

int32_t PercentPixels(double percent, int32_t width) {
  return ClampedPixels(percent / 100 * width);
}

int32_t PercentPixelsOfProduct(double percent, int32_t width) {
  const double product = NonNegativeFinite(width * percent, 100.0 * kMaxColumnPixels);
  return int32_t(std::trunc(product)) / 100;
}

void RaiseUnrecognizedExpression(const string& text) {
  const string message = string("Unrecognized expression '") + text + string("'");
  RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(), message.Storage(), 0);
}

int32_t EvaluateColumnExpression(const string& text, ColumnResolution& state, int32_t width,
                                 int32_t columnsLeft) {
  int32_t fallback = columnsLeft > 0 ? state.remaining / columnsLeft : 0;
  if (fallback < 0) fallback = 0;
  const ColumnExpression e = ParseColumnExpression(text);
  int32_t result = 0;
  switch (e.kind) {
    case kColumnAbsolute:
      result = ClampedPixels(e.value);
      break;
    case kColumnPercent:
      result = PercentPixels(e.value, width);
      break;
    case kColumnStar:
      state.starSum += e.value;
      break;
    case kColumnError:
      RaiseUnrecognizedExpression(text);
      result = fallback;
      break;
  }
  state.remaining -= result;
  return result;
}
