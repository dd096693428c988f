// Column-width expressions of list boxes: "" or "*" (one share), "2*" (a share of two), "50%"
// (of the row area), "120" (pixels). The kind is decided by the text's last character and the
// value is the text's leading number as Val reads it, negative counting as 0.
//
// Promises: every value is clamped before it becomes an integer, so no text ("1e12",
// "1e999*") reaches an out-of-range float-to-integer conversion. Pixels stay within
// 0..kMaxColumnPixels and star shares within 0..kMaxStarShare.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

enum ColumnExpressionKind : int32_t {
  kColumnAbsolute = 0,
  kColumnPercent = 1,
  kColumnStar = 2,
  kColumnError = 3,
};

constexpr int32_t kMaxColumnPixels = 32767;
constexpr double kMaxStarShare = 1e9;

struct ColumnExpression {
  ColumnExpressionKind kind;
  double value;   // pixels, percent or share; 0 or more, finite
  bool negative;  // the text's number was below 0 (a maximum of no limit)
};

// The kind and value of text; nothing is raised.
ColumnExpression ParseColumnExpression(const string& text);
// The kind alone.
ColumnExpressionKind ClassifyColumnExpression(const string& text);
// value truncated toward zero and held within 0..kMaxColumnPixels.
int32_t ClampedPixels(double value);
// percent of width, truncated: trunc(percent / 100 x width), clamped.
int32_t PercentPixels(double percent, int32_t width);
// The setters' rounding: trunc(width x percent) / 100 in integers, clamped.
int32_t PercentPixelsOfProduct(double percent, int32_t width);
// Raises UnsupportedFormatException "Unrecognized expression '<text>'".
void RaiseUnrecognizedExpression(const string& text);

// The running state of one resolution: what is left of the width and the star shares met.
struct ColumnResolution {
  int32_t remaining;
  double starSum;
};

// One expression of a resolution over width pixels with columnsLeft columns still to do:
// pixels for absolute and percent, 0 for a star (whose share joins the star sum), and an
// equal share of what remains for a text that is not an expression (which is also raised).
// The result is taken off remaining.
int32_t EvaluateColumnExpression(const string& text, ColumnResolution& state, int32_t width,
                                 int32_t columnsLeft);
