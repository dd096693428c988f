// Comparing a typed column value with the text of a literal, as a WHERE comparison does: one
// rule set shared by the SQL front end (conditions it evaluates itself) and the built-in
// engine's row evaluator.
//
//   - NULL (code 0, or no data) meets only IS NULL; every comparison with it is false;
//   - integers (2, 3, 19) compare with a whole-number literal as integers, with a fractional
//     one as numbers (1 is not 1.5); a single (6) compares with the literal rounded to single,
//     so that 0.1 finds the stored 0.1; a double (7) as a double;
//   - a Boolean (12) compares, false before true, with "true"/"false" in any case or a number;
//   - a date (8) or time (9) compares field by field with a literal that parses with its fields
//     in range (Y-M-D: month 1-12 and a day of that month; h:m[:s]: below 24, 60 and 60);
//   - text (4, 5, 14, 15, 16, and 18 through its string) compares by the text mode: bytes, both
//     sides upper-cased, or the column's text upper- or lower-cased; LIKE and NOT LIKE match
//     '%' (any run) and '_' (any one byte) in O(text x pattern) at worst;
//   - a literal that is not a number or a date or time that does not parse matches nothing,
//     and so does any other code.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "database/ColumnValues.h"

// A literal, with each reading a comparison makes of it (a whole number, a number, a date, a
// time, the text in upper case) worked out on first use and kept: a condition compares one
// literal with every row.
class SQLLiteral {
 public:
  SQLLiteral() = default;
  explicit SQLLiteral(std::string_view text) : mText(text) {}

  const std::string& Text() const {
    if (mTextPending) WriteText();
    return mText;
  }
  // Another text, its readings to be worked out anew.
  void Reset(std::string_view text) {
    mText.assign(text);
    mTextPending = false;
    mFromWhole = false;
    mKnown = mValid = 0;
  }
  // A whole number's text as ValueAsSQLLiteral writes it, its whole reading known at once; the
  // text itself is written when first asked for (a join's key seldom is).
  void SetWhole(int64_t value) {
    mTextPending = true;
    mFromWhole = true;
    mKnown = mValid = kWhole;
    mWhole = value;
  }
  // Set by SetWhole, not from a text since.
  bool FromWhole() const { return mFromWhole; }
  bool Whole(int64_t* value) const {
    if (!Known(kWhole)) return false;
    *value = mWhole;
    return true;
  }
  bool Number(double* value) const {
    if (!Known(kNumber)) return false;
    *value = mNumber;
    return true;
  }
  bool Date(int32_t fields[3]) const;
  bool Time(int32_t fields[3]) const;
  std::string_view Upper() const;

 private:
  enum Reading : uint8_t { kWhole = 1, kNumber = 2, kDate = 4, kTime = 8, kUpper = 16 };
  // Whether the reading succeeds, working it out on first use.
  bool Known(Reading reading) const {
    return (mKnown & reading) ? (mValid & reading) != 0 : WorkOut(reading);
  }
  bool WorkOut(Reading reading) const;
  void WriteText() const;

  mutable std::string mText;
  mutable bool mTextPending = false;  // mText is still to be written from mWhole
  bool mFromWhole = false;
  mutable uint8_t mKnown = 0;  // the readings worked out
  mutable uint8_t mValid = 0;  // those that succeeded
  mutable int64_t mWhole = 0;
  mutable double mNumber = 0;
  mutable int32_t mDate[3] = {}, mTime[3] = {};
  mutable std::string mUpper;
};

bool ValueMeetsCondition(const ColumnValue& value, int32_t kind, int32_t textMode,
                         const SQLLiteral& literal);
bool ValueMeetsCondition(const ColumnValue& value, int32_t kind, int32_t textMode,
                         std::string_view literal);
bool SQLLikeMatch(std::string_view text, std::string_view pattern);
// Y-M-D (what precedes the first blank, after trimming) and h:m[:s] (what follows the first
// blank, or the whole text); false unless the fields are decimal and in range.
bool ParseSQLDate(std::string_view text, int32_t fields[3]);
bool ParseSQLTime(std::string_view text, int32_t fields[3]);
// The value written exactly as a literal (doubles with 17 significant digits, singles with 9,
// dates Y-M-D, times h:m:s, Booleans true/false); false for NULL.
bool ValueAsSQLLiteral(const ColumnValue& value, std::string* literal);
// An integer value (16, 32 or 64 bits) as the whole number ValueAsSQLLiteral writes; false for
// NULL and every other value.
bool ValueAsWhole(const ColumnValue& value, int64_t* whole);
