// Column values: reading the bytes a cursor reports for one column (a type code, a data pointer
// and a length) as each type of the language, and the text forms the fields and records write.
//
// The rules every reader keeps:
//   - integers convert exactly: codes 2, 3, 11 and 19 are read as integers, never through a
//     double, and a whole-number text reads as a 64-bit integer; other text goes through Val;
//   - a double becomes an integer truncated toward zero, NaN as 0 and a value out of range as
//     the nearest limit;
//   - Currency has one text form, signed decimal with up to four fraction digits ("12.5",
//     "-0.0001"); code 11 reads as its value everywhere except CurrencyValue, which reads the
//     raw count;
//   - Int64 text is signed decimal.
// Codes 1, 13, 17 and those above 19 are "no value": "", NaN, false, nil.
#pragma once

#include <cstdint>
#include <string_view>

#include "core/Currency.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct ColumnValue {
  uint8_t code = 0;
  const uint8_t* data = nullptr;  // nil reads as NULL whatever the code
  uint32_t length = 0;            // bytes at data (text codes)
};

// A text value (code 5): what a pending edit reads as.
ColumnValue TextColumnValue(const string& text);

string ColumnString(const ColumnValue& value);
double ColumnDouble(const ColumnValue& value);
bool ColumnBoolean(const ColumnValue& value);
int64_t ColumnInt64(const ColumnValue& value);
int32_t ColumnInteger(const ColumnValue& value);
Currency ColumnCurrency(const ColumnValue& value);
// A new Date for codes 8 to 10 (nil for the others and for fields no Date holds).
RuntimeObject* ColumnDate(const ColumnValue& value);
// A new Date set from SQL date-time text, or nil when the text is none (no exception).
RuntimeObject* DateFromSQLText(const string& text);
// A new Variant of the value's type, or nil.
RuntimeObject* ColumnVariant(const ColumnValue& value);
// The bytes at data as they are, whatever the code.
string ColumnNativeBytes(const ColumnValue& value);

// Text of a whole number (blanks around, an optional sign, digits) that fits 64 bits.
bool ParseWholeNumber(const string& text, int64_t* value);
bool ParseWholeNumber(std::string_view text, int64_t* value);
// The double truncated toward zero: NaN is 0, beyond the range the nearest limit.
int64_t SaturatingInt64(double value);
int32_t SaturatingInt32(int64_t value);

string Int64Text(int64_t value);
string CurrencyText(Currency amount);
// Plain signed decimal text (blanks around) read exactly, rounded half away from zero past four
// fraction digits; false for other text or an amount that does not fit.
bool ParseCurrencyText(const string& text, Currency* amount);
// Text as CurrencyValue reads it: exactly when it is plain decimal, else Val x 10,000 rounded.
Currency CurrencyFromText(const string& text);
// The text "true" or "false".
string BooleanText(bool value);
// The 20-digit Str conversion that Double setters write.
string DoubleSetterText(double value);
