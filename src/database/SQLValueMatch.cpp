#include "database/SQLValueMatch.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "core/ByteUtilities.h"
#include "database/DatabaseEngine.h"
#include "strings/StringCase.h"

namespace {

bool IsNull(const ColumnValue& value) { return value.code == kColumnNull || !value.data; }

// Comparison result to the kind's answer.
bool Holds(int32_t kind, int order) {
  switch (kind) {
    case 0: return order == 0;
    case 1: return order < 0;
    case 2: return order > 0;
    case 3: return order <= 0;
    case 4: return order >= 0;
    case 5: return order != 0;
    default: return false;
  }
}

template <typename T>
int Order(T a, T b) {
  return a < b ? -1 : (b < a ? 1 : 0);
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

bool ParseDouble(std::string_view text, double* out) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), *out);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

bool ParseInteger(std::string_view text, int64_t* out) {
  text = Trimmed(text);
  if (!text.empty() && text.front() == '+') text.remove_prefix(1);
  if (text.empty()) return false;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), *out);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

// As %lld writes it, without the format machinery.
void WriteWhole(int64_t value, std::string* text) {
  char buffer[24];
  const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
  text->assign(buffer, size_t(end - buffer));
}

// As "%.<digits>g" writes it in the C locale: the literal is read back by ParseDouble, never
// through the user's locale, whose decimal comma would make 2.5 the text "2,5".
void WriteReal(double value, int digits, std::string* text) {
  char buffer[48];
  const auto end =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, digits).ptr;
  text->assign(buffer, size_t(end - buffer));
}

int64_t IntegerOf(const ColumnValue& value) {
  if (value.code == kColumnInt16 && value.length >= 2) {
    int16_t v;
    memcpy(&v, value.data, 2);
    return v;
  }
  if (value.code == kColumnInt32 && value.length >= 4) {
    int32_t v;
    memcpy(&v, value.data, 4);
    return v;
  }
  int64_t v = 0;
  if (value.length >= 8) memcpy(&v, value.data, 8);
  return v;
}

bool CompareInteger(const ColumnValue& value, int32_t kind, const SQLLiteral& literal) {
  const int64_t v = IntegerOf(value);
  int64_t whole;
  if (literal.Whole(&whole)) return Holds(kind, Order(v, whole));
  double number;
  if (!literal.Number(&number) || std::isnan(number)) return false;
  return Holds(kind, Order(static_cast<long double>(v), static_cast<long double>(number)));
}

bool CompareReal(const ColumnValue& value, int32_t kind, const SQLLiteral& literal) {
  double number;
  if (!literal.Number(&number)) return false;
  if (value.code == kColumnSingle) {
    if (value.length < 4) return false;
    float v;
    memcpy(&v, value.data, 4);
    const float f = static_cast<float>(number);
    if (std::isnan(v) || std::isnan(f)) return false;
    return Holds(kind, Order(v, f));
  }
  if (value.length < 8) return false;
  double v;
  memcpy(&v, value.data, 8);
  if (std::isnan(v) || std::isnan(number)) return false;
  return Holds(kind, Order(v, number));
}

bool CompareBoolean(const ColumnValue& value, int32_t kind, const SQLLiteral& literal) {
  if (value.length < 1) return false;
  const int v = value.data[0] ? 1 : 0;
  const std::string_view text = Trimmed(literal.Text());
  double number;
  if (EqualIgnoringASCIICase(text, "true")) number = 1;
  else if (EqualIgnoringASCIICase(text, "false")) number = 0;
  else if (!ParseDouble(text, &number) || std::isnan(number)) return false;
  return Holds(kind, Order(static_cast<double>(v), number));
}

// Three big-endian 16-bit fields against parsed ones.
bool CompareFields(const uint8_t* data, uint32_t length, int32_t kind, const int32_t fields[3]) {
  if (length < 6) return false;
  for (int i = 0; i < 3; ++i) {
    const int16_t stored = static_cast<int16_t>((data[2 * i] << 8) | data[2 * i + 1]);
    if (stored != fields[i]) return Holds(kind, stored < fields[i] ? -1 : 1);
  }
  return Holds(kind, 0);
}

bool IsAsciiOnly(std::string_view text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  return true;
}

// The text in upper (or lower) case: ASCII letters directly, other text by the language's case
// table as UTF-8.
std::string CaseOf(std::string_view text, bool upper) {
  if (IsAsciiOnly(text)) {
    std::string out(text);
    for (char& c : out) {
      if (upper && c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
      if (!upper && c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
  }
  const string source = string::FromBytes(text.data(), int64_t(text.size()), kEncodingUTF8);
  const string converted = upper ? UpperCase(source) : LowerCase(source);
  return std::string(reinterpret_cast<const char*>(converted.Bytes()), size_t(converted.Length()));
}

std::string_view TextOf(const ColumnValue& value) {
  if (value.code == kColumnString) {
    if (value.length < sizeof(stringStorage*)) return {};
    stringStorage* s;
    memcpy(&s, value.data, sizeof s);
    return std::string_view(stringStorage::CString(s), size_t(stringStorage::Length(s)));
  }
  return std::string_view(reinterpret_cast<const char*>(value.data), value.length);
}

bool CompareText(const ColumnValue& value, int32_t kind, int32_t mode,
                 const SQLLiteral& prepared) {
  std::string_view text = TextOf(value);
  std::string_view literal = prepared.Text();
  std::string row;
  if (mode == 1 || mode == 2 || mode == 3) {
    row = CaseOf(text, mode != 3);
    text = row;
    if (mode == 1) literal = prepared.Upper();
  }
  if (kind == 6) return SQLLikeMatch(text, literal);
  if (kind == 7) return !SQLLikeMatch(text, literal);
  return Holds(kind, Order(text, literal));
}

int DaysInMonth(int32_t year, int32_t month) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

// Splits text at separator into up to three decimal fields; their count, or -1 when a field is
// not decimal or there are more than three.
int SplitFields(std::string_view text, char separator, int32_t fields[3]) {
  int count = 0;
  while (true) {
    const size_t end = text.find(separator);
    const std::string_view field = text.substr(0, end);
    if (count == 3 || field.empty() || field.size() > 6) return -1;
    int32_t v = 0;
    const auto result = std::from_chars(field.data(), field.data() + field.size(), v);
    if (result.ec != std::errc() || result.ptr != field.data() + field.size() || field[0] == '-')
      return -1;
    fields[count++] = v;
    if (end == std::string_view::npos) return count;
    text.remove_prefix(end + 1);
  }
}

}  // namespace

bool SQLLikeMatch(std::string_view text, std::string_view pattern) {
  size_t t = 0, p = 0, star = std::string_view::npos, mark = 0;
  while (t < text.size()) {
    if (p < pattern.size() && pattern[p] == '%') {
      star = p++;
      mark = t;
    } else if (p < pattern.size() && (pattern[p] == '_' || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      t = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '%') ++p;
  return p == pattern.size();
}

bool ParseSQLDate(std::string_view text, int32_t fields[3]) {
  text = Trimmed(text);
  text = text.substr(0, text.find(' '));
  if (SplitFields(text, '-', fields) != 3) return false;
  return fields[1] >= 1 && fields[1] <= 12 && fields[2] >= 1 &&
         fields[2] <= DaysInMonth(fields[0], fields[1]);
}

bool ParseSQLTime(std::string_view text, int32_t fields[3]) {
  text = Trimmed(text);
  const size_t blank = text.find(' ');
  if (blank != std::string_view::npos) text = Trimmed(text.substr(blank + 1));
  fields[2] = 0;
  const int count = SplitFields(text, ':', fields);
  if (count != 2 && count != 3) return false;
  return fields[0] < 24 && fields[1] < 60 && fields[2] < 60;
}

void SQLLiteral::WriteText() const {
  WriteWhole(mWhole, &mText);
  mTextPending = false;
}

bool SQLLiteral::WorkOut(Reading reading) const {
  bool valid = false;
  Text();
  switch (reading) {
    case kWhole: valid = ParseInteger(mText, &mWhole); break;
    case kNumber: valid = ParseDouble(mText, &mNumber); break;
    case kDate: valid = ParseSQLDate(mText, mDate); break;
    case kTime: valid = ParseSQLTime(mText, mTime); break;
    case kUpper: mUpper = CaseOf(mText, true); valid = true; break;
  }
  mKnown |= reading;
  if (valid) mValid |= reading;
  return valid;
}

bool SQLLiteral::Date(int32_t fields[3]) const {
  if (!Known(kDate)) return false;
  memcpy(fields, mDate, sizeof mDate);
  return true;
}

bool SQLLiteral::Time(int32_t fields[3]) const {
  if (!Known(kTime)) return false;
  memcpy(fields, mTime, sizeof mTime);
  return true;
}

std::string_view SQLLiteral::Upper() const {
  Known(kUpper);
  return mUpper;
}

bool ValueMeetsCondition(const ColumnValue& value, int32_t kind, int32_t textMode,
                         const SQLLiteral& literal) {
  // The common case first: a 32-bit integer against a whole number.
  int64_t whole;
  if (value.code == kColumnInt32 && value.data && value.length >= 4 && kind >= 0 && kind <= 5 &&
      literal.Whole(&whole)) {
    int32_t v;
    memcpy(&v, value.data, 4);
    return Holds(kind, Order(int64_t(v), whole));
  }
  if (kind == 8) return IsNull(value);
  if (kind == 9) return !IsNull(value);
  if (IsNull(value) || kind < 0 || kind > 7) return false;
  int32_t fields[3];
  switch (value.code) {
    case kColumnInt16:
    case kColumnInt32:
    case kColumnInt64: return kind <= 5 && CompareInteger(value, kind, literal);
    case kColumnSingle:
    case kColumnDouble: return kind <= 5 && CompareReal(value, kind, literal);
    case kColumnBoolean: return kind <= 5 && CompareBoolean(value, kind, literal);
    case kColumnDate:
      return kind <= 5 && literal.Date(fields) &&
             CompareFields(value.data, value.length, kind, fields);
    case kColumnTime:
      return kind <= 5 && literal.Time(fields) &&
             CompareFields(value.data, value.length, kind, fields);
    case kColumnChar:
    case kColumnText:
    case kColumnBytes:
    case kColumnLongText:
    case kColumnLongBytes:
    case kColumnString: return CompareText(value, kind, textMode, literal);
    default: return false;
  }
}

bool ValueMeetsCondition(const ColumnValue& value, int32_t kind, int32_t textMode,
                         std::string_view literal) {
  return ValueMeetsCondition(value, kind, textMode, SQLLiteral(literal));
}

bool ValueAsWhole(const ColumnValue& value, int64_t* whole) {
  if (IsNull(value)) return false;
  if (value.code != kColumnInt16 && value.code != kColumnInt32 && value.code != kColumnInt64)
    return false;
  *whole = IntegerOf(value);
  return true;
}

bool ValueAsSQLLiteral(const ColumnValue& value, std::string* literal) {
  if (IsNull(value)) return false;
  char buffer[64];
  const uint8_t* d = value.data;
  auto field = [d](int i) { return (d[2 * i] << 8) | d[2 * i + 1]; };
  switch (value.code) {
    case kColumnInt16:
    case kColumnInt32:
    case kColumnInt64: WriteWhole(IntegerOf(value), literal); return true;
    case kColumnSingle: {
      if (value.length < 4) return false;
      float f;
      memcpy(&f, d, 4);
      WriteReal(f, 9, literal);
      return true;
    }
    case kColumnDouble: {
      if (value.length < 8) return false;
      double v;
      memcpy(&v, d, 8);
      WriteReal(v, 17, literal);
      return true;
    }
    case kColumnDate:
    case kColumnTimestamp:
      if (value.length < 6) return false;
      snprintf(buffer, sizeof buffer, "%d-%d-%d", field(0), field(1), field(2));
      if (value.code == kColumnTimestamp && value.length >= 12) {
        const size_t used = strlen(buffer);
        snprintf(buffer + used, sizeof buffer - used, " %d:%d:%d", field(3), field(4), field(5));
      }
      break;
    case kColumnTime:
      if (value.length < 6) return false;
      snprintf(buffer, sizeof buffer, "%d:%d:%d", field(0), field(1), field(2));
      break;
    case kColumnBoolean: snprintf(buffer, sizeof buffer, "%s", d[0] ? "true" : "false"); break;
    case kColumnChar:
    case kColumnText:
    case kColumnBytes:
    case kColumnLongText:
    case kColumnLongBytes:
    case kColumnString: literal->assign(TextOf(value)); return true;
    default: {
      const string text = ColumnString(value);
      literal->assign(text.CString(), size_t(text.Length()));
      return true;
    }
  }
  literal->assign(buffer);
  return true;
}
