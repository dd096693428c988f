#include "database/ColumnValues.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "core/ByteOrder.h"
#include "values/DateClass.h"
#include "core/NumberText.h"
#include "values/VariantTypes.h"
#include "database/DatabaseEngine.h"
#include "strings/NumberFormat.h"
#include "strings/StringNumbers.h"

namespace {

template <typename T>
T Load(const uint8_t* data) {
  T value;
  std::memcpy(&value, data, sizeof value);
  return value;
}

int32_t LoadField(const uint8_t* data, int index) {
  return int16_t(LoadBigEndian16(data + 2 * index));
}

bool IsByteCode(uint8_t code) {
  return code == kColumnChar || code == kColumnText || code == kColumnBytes ||
         code == kColumnLongText || code == kColumnLongBytes;
}

// The kinds the conversion tables tell apart.
enum class Kind { kNull, kInteger, kText, kReal, kDate, kCurrency, kBoolean, kInt64, kOther };

Kind KindOf(const ColumnValue& value) {
  if (!value.data) return Kind::kNull;
  switch (value.code) {
    case kColumnNull: return Kind::kNull;
    case kColumnInt16:
    case kColumnInt32: return Kind::kInteger;
    case kColumnSingle:
    case kColumnDouble: return Kind::kReal;
    case kColumnDate:
    case kColumnTime:
    case kColumnTimestamp: return Kind::kDate;
    case kColumnCurrency: return Kind::kCurrency;
    case kColumnBoolean: return Kind::kBoolean;
    case kColumnString: return Kind::kText;
    case kColumnInt64: return Kind::kInt64;
    default: return IsByteCode(value.code) ? Kind::kText : Kind::kOther;
  }
}

int64_t IntegerOf(const ColumnValue& value) {
  if (value.code == kColumnInt16) return Load<int16_t>(value.data);
  if (value.code == kColumnInt32) return Load<int32_t>(value.data);
  return Load<int64_t>(value.data);  // Int64 and the Currency count
}

double RealOf(const ColumnValue& value) {
  return value.code == kColumnSingle ? double(Load<float>(value.data)) : Load<double>(value.data);
}

string TextOf(const ColumnValue& value) {
  if (value.code == kColumnString) return string(Load<stringStorage*>(value.data));
  return string::FromBytes(value.data, value.length, kEncodingUTF8);
}

string FieldsText(const ColumnValue& value, int first, const char* format) {
  char text[48];
  std::snprintf(text, sizeof text, format, LoadField(value.data, first),
                LoadField(value.data, first + 1), LoadField(value.data, first + 2));
  return string(text);
}

string DateText(const ColumnValue& value) {
  switch (value.code) {
    case kColumnDate: return FieldsText(value, 0, "%d-%02d-%02d");
    case kColumnTime: return FieldsText(value, 0, "%02d:%02d:%02d");
    default:
      return FieldsText(value, 0, "%d-%02d-%02d") + " " + FieldsText(value, 3, "%02d:%02d:%02d");
  }
}

bool BeginsWithT(const string& text) {
  return text.Length() > 0 && (text.Bytes()[0] | 0x20) == 't';
}

int64_t TextInt64(const string& text) {
  int64_t whole;
  if (ParseWholeNumber(text, &whole)) return whole;
  return SaturatingInt64(Val(text, nullptr));
}

Currency SaturatingCurrency(double tenThousandths) {
  return SaturatingInt64(std::round(tenThousandths));
}

Currency ScaledInteger(int64_t value) {
  Currency amount;
  if (!__builtin_mul_overflow(value, kCurrencyScale, &amount)) return amount;
  return value < 0 ? std::numeric_limits<Currency>::min() : std::numeric_limits<Currency>::max();
}

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

// The bytes of text without the blanks around them.
void TrimmedBytes(const string& text, const unsigned char** begin, const unsigned char** end) {
  *begin = text.Bytes();
  *end = *begin + text.Length();
  while (*begin < *end && IsBlank(**begin)) ++*begin;
  while (*end > *begin && IsBlank((*end)[-1])) --*end;
}

bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }

}  // namespace

ColumnValue TextColumnValue(const string& text) {
  static const uint8_t kEmpty = 0;
  const uint8_t* bytes = text.IsEmpty() ? &kEmpty : text.Bytes();
  return {kColumnText, bytes, uint32_t(text.Length())};
}

string ColumnString(const ColumnValue& value) {
  switch (KindOf(value)) {
    case Kind::kInteger: return ulltoa(IntegerOf(value));
    case Kind::kText: return TextOf(value);
    case Kind::kReal:
      return DoubleToText(RealOf(value), kDoubleTextByMagnitude,
                          value.code == kColumnSingle ? 7 : 10);
    case Kind::kDate: return DateText(value);
    case Kind::kCurrency: return CurrencyText(IntegerOf(value));
    case Kind::kBoolean: return BooleanText(value.data[0] != 0);
    case Kind::kInt64: return Int64Text(IntegerOf(value));
    default: return string();
  }
}

double ColumnDouble(const ColumnValue& value) {
  switch (KindOf(value)) {
    case Kind::kInteger:
    case Kind::kInt64: return double(IntegerOf(value));
    case Kind::kText: return Val(TextOf(value), nullptr);
    case Kind::kReal: return RealOf(value);
    case Kind::kCurrency: return double(IntegerOf(value)) / double(kCurrencyScale);
    case Kind::kBoolean: return value.data[0] != 0 ? 1.0 : 0.0;
    case Kind::kOther: return std::numeric_limits<double>::quiet_NaN();
    default: return 0.0;
  }
}

bool ColumnBoolean(const ColumnValue& value) {
  switch (KindOf(value)) {
    case Kind::kInteger:
    case Kind::kInt64:
    case Kind::kCurrency: return IntegerOf(value) != 0;
    case Kind::kText: return BeginsWithT(TextOf(value));
    case Kind::kReal: return RealOf(value) != 0.0;  // NaN counts as nonzero
    case Kind::kBoolean: return value.data[0] != 0;
    default: return false;
  }
}

int64_t ColumnInt64(const ColumnValue& value) {
  switch (KindOf(value)) {
    case Kind::kInteger:
    case Kind::kInt64: return IntegerOf(value);
    case Kind::kCurrency: return IntegerOf(value) / kCurrencyScale;
    case Kind::kText: return TextInt64(TextOf(value));
    case Kind::kReal: return SaturatingInt64(RealOf(value));
    case Kind::kBoolean: return value.data[0] != 0 ? 1 : 0;
    default: return 0;
  }
}

int32_t ColumnInteger(const ColumnValue& value) { return SaturatingInt32(ColumnInt64(value)); }

Currency ColumnCurrency(const ColumnValue& value) {
  switch (KindOf(value)) {
    case Kind::kInteger:
    case Kind::kInt64: return ScaledInteger(IntegerOf(value));
    case Kind::kCurrency: return IntegerOf(value);
    case Kind::kText: return CurrencyFromText(TextOf(value));
    case Kind::kReal: return SaturatingCurrency(RealOf(value) * double(kCurrencyScale));
    case Kind::kBoolean: return value.data[0] != 0 ? kCurrencyScale : 0;
    default: return 0;
  }
}

RuntimeObject* ColumnDate(const ColumnValue& value) {
  if (KindOf(value) != Kind::kDate) return nullptr;
  int32_t fields[6] = {1, 1, 1, 0, 0, 0};
  const int first = value.code == kColumnTime ? 3 : 0;
  const int count = value.code == kColumnTimestamp ? 6 : 3;
  for (int i = 0; i < count; ++i) fields[first + i] = LoadField(value.data, i);
  RuntimeObject* date = NewDateObject();
  if (!date) return nullptr;
  DateFieldValue values[6];
  for (int32_t i = 0; i < 6; ++i) values[i] = {kDateYear + i, fields[i]};
  if (!reinterpret_cast<DateObject*>(date)->imp->SetFields(values, 6)) {
    RuntimeUnlockObject(date);
    return nullptr;
  }
  return date;
}

RuntimeObject* ColumnVariant(const ColumnValue& value) {
  switch (KindOf(value)) {
    case Kind::kInteger: return Int32ToVariant(int32_t(IntegerOf(value)));
    case Kind::kText: return StringToVariant(TextOf(value).Storage());
    case Kind::kReal: return DoubleToVariant(RealOf(value));
    case Kind::kCurrency: return CurrencyToVariant(IntegerOf(value));
    case Kind::kBoolean: return BooleanToVariant(value.data[0] != 0 ? 1 : 0);
    case Kind::kInt64: return Int64ToVariant(IntegerOf(value));
    case Kind::kDate: {
      RuntimeObject* date = ColumnDate(value);
      RuntimeObject* variant = date ? DateToVariant(date) : nullptr;
      RuntimeUnlockObject(date);
      return variant;
    }
    default: return nullptr;
  }
}

string ColumnNativeBytes(const ColumnValue& value) {
  if (!value.data) return string();
  return string::FromBytes(value.data, value.length, kEncodingNone);
}

bool ParseWholeNumber(const string& text, int64_t* value) {
  return ParseWholeNumber(std::string_view(text.CString(), size_t(text.Length())), value);
}

bool ParseWholeNumber(std::string_view text, int64_t* value) {
  auto at = reinterpret_cast<const unsigned char*>(text.data());
  auto end = at + text.size();
  while (at < end && IsBlank(*at)) ++at;
  while (end > at && IsBlank(end[-1])) --end;
  const bool negative = at < end && *at == '-';
  if (at < end && (*at == '-' || *at == '+')) ++at;
  if (at == end) return false;
  uint64_t magnitude = 0;
  for (; at < end; ++at) {
    if (!IsDigit(*at)) return false;
    if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
        __builtin_add_overflow(magnitude, uint64_t(*at - '0'), &magnitude))
      return false;
  }
  const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  *value = negative ? int64_t(0 - magnitude) : int64_t(magnitude);
  return true;
}

int64_t SaturatingInt64(double value) {
  if (std::isnan(value)) return 0;
  if (value >= 9223372036854775808.0) return std::numeric_limits<int64_t>::max();
  if (value < -9223372036854775808.0) return std::numeric_limits<int64_t>::min();
  return int64_t(value);
}

int32_t SaturatingInt32(int64_t value) {
  if (value > std::numeric_limits<int32_t>::max()) return std::numeric_limits<int32_t>::max();
  if (value < std::numeric_limits<int32_t>::min()) return std::numeric_limits<int32_t>::min();
  return int32_t(value);
}

string Int64Text(int64_t value) { return ulltoa(value); }

string CurrencyText(Currency amount) {
  const uint64_t magnitude = amount < 0 ? 0 - uint64_t(amount) : uint64_t(amount);
  string text = (amount < 0 ? string("-") : string()) + uulltoa(magnitude / kCurrencyScale);
  uint32_t fraction = uint32_t(magnitude % kCurrencyScale);
  if (fraction == 0) return text;
  char digits[6] = {'.', char('0' + fraction / 1000), char('0' + fraction / 100 % 10),
                    char('0' + fraction / 10 % 10), char('0' + fraction % 10), 0};
  for (int last = 4; digits[last] == '0'; --last) digits[last] = 0;
  return text + string(digits);
}

bool ParseCurrencyText(const string& text, Currency* amount) {
  const unsigned char *at, *end;
  TrimmedBytes(text, &at, &end);
  const bool negative = at < end && *at == '-';
  if (at < end && (*at == '-' || *at == '+')) ++at;
  uint64_t magnitude = 0;  // in ten-thousandths
  int digits = 0, fractionDigits = -1;
  bool roundUp = false;
  for (; at < end; ++at) {
    if (*at == '.' && fractionDigits < 0) {
      fractionDigits = 0;
      continue;
    }
    if (!IsDigit(*at)) return false;
    ++digits;
    if (fractionDigits >= 4) {
      if (fractionDigits++ == 4) roundUp = *at >= '5';
      continue;
    }
    if (fractionDigits >= 0) ++fractionDigits;
    if (__builtin_mul_overflow(magnitude, 10u, &magnitude) ||
        __builtin_add_overflow(magnitude, uint64_t(*at - '0'), &magnitude))
      return false;
  }
  if (digits == 0) return false;
  for (int i = fractionDigits < 0 ? 0 : fractionDigits; i < 4; ++i) {
    if (__builtin_mul_overflow(magnitude, 10u, &magnitude)) return false;
  }
  if (roundUp && __builtin_add_overflow(magnitude, 1u, &magnitude)) return false;
  const uint64_t limit = uint64_t(std::numeric_limits<int64_t>::max()) + (negative ? 1 : 0);
  if (magnitude > limit) return false;
  *amount = negative ? Currency(0 - magnitude) : Currency(magnitude);
  return true;
}

Currency CurrencyFromText(const string& text) {
  Currency amount;
  if (ParseCurrencyText(text, &amount)) return amount;
  return SaturatingCurrency(Val(text, nullptr) * double(kCurrencyScale));
}

string BooleanText(bool value) { return value ? string("true") : string("false"); }

string DoubleSetterText(double value) {
  return DoubleToText(value, kDoubleTextByMagnitude, 20);
}

RuntimeObject* DateFromSQLText(const string& text) {
  if (text.IsEmpty()) return nullptr;
  RuntimeObject* date = NewDateObject();
  if (date && !DateSetSQLDateTime(date, text)) {
    RuntimeUnlockObject(date);
    return nullptr;
  }
  return date;
}
