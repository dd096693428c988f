// The hidden variant classes as tables: each class converts its boxed value to every scalar
// type through methods named "Operator_Convert" (one per result type, which is how the
// conversion entry points find them) and hashes it through "Operator_Hash". Every method is
// exported under the class word, "Object", "To" and the target, or "ObjectHash".
#include <cstring>

#include "core/ClassDefinitionRows.h"
#include "core/Export.h"
#include "core/NumericConversions.h"
#include "values/VariantTypes.h"
#include "strings/NumberFormat.h"
#include "strings/StringNumbers.h"

namespace {

// Single and Double as text: all 17 significant digits of the exponent form, then the zeros
// after the last significant digit go (one stays after a bare point) and an exponent of zero is
// dropped: 1.5 is "1.5", 1 is "1.0", 1.5e10 is "1.5e+10".
string FloatingText(double value) {
  const DoubleDigits digits(value, false, 17);
  const char* text = digits.Text();
  const int32_t e = digits.Find('e');
  if (e < 0) return digits.ToString();  // NaN and the infinities
  const char* exponent = text + e;
  const bool zeroExponent = exponent[1 + std::strspn(exponent + 1, "+-")] == '0' &&
                            exponent[1 + std::strspn(exponent + 1, "+-0")] == '\0';
  char out[64];
  int32_t n = e < 40 ? e : 40;  // 17 digits, a sign and a point need far less
  std::memcpy(out, text, static_cast<size_t>(n));
  if (std::memchr(out, '.', static_cast<size_t>(n))) {
    while (n > 0 && out[n - 1] == '0') --n;
    if (n > 0 && out[n - 1] == '.') out[n++] = '0';
  }
  const int32_t exponentLength = zeroExponent ? 0 : digits.Length() - e;
  if (exponentLength > 0 && exponentLength < 16) {
    std::memcpy(out + n, exponent, static_cast<size_t>(exponentLength));
    n += exponentLength;
  }
  return string::FromBytes(out, n, kEncodingASCII);
}

// "&h" and at least six upper-case digits, so the text reads back as the same colour.
string ColorText(uint32_t color) {
  char out[12];
  std::memcpy(out, "&h", 2);
  int32_t digits = 6;
  while (digits < 8 && (color >> (4 * digits)) != 0) ++digits;
  for (int32_t i = 0; i < digits; ++i) {
    out[2 + i] = "0123456789ABCDEF"[(color >> (4 * (digits - 1 - i))) & 0xF];
  }
  return string::FromBytes(out, 2 + digits, kEncodingASCII);
}

int32_t TextToBoolean(stringStorage* record) {
  const string text(record);
  return text.Compare(string("true")) == 0 || text.Compare(string("1")) == 0;
}

// "&c" (any case) reads as "&h"; then Val, kept to its low 32 bits.
uint32_t TextToColor(stringStorage* record) {
  string text = AsByteText(string(record));
  if (text.Length() >= 2 && text.CString()[0] == '&' && (text.CString()[1] | 0x20) == 'c') {
    text = string("&h") + mid(text, 2);
  }
  return RuntimeCvtReal64ToUInt32(Val(text, nullptr));
}

// Upper-cased ASCII letters, each byte as a signed value: h = h * 31 + c.
uint32_t TextHash(stringStorage* record) {
  uint32_t h = 0;
  const unsigned char* bytes = stringStorage::PString(record) + 1;
  for (int32_t i = 0; i < stringStorage::Length(record); ++i) {
    unsigned char c = bytes[i];
    if (c >= 'a' && c <= 'z') c = static_cast<unsigned char>(c - 'a' + 'A');
    h = h * 31 + static_cast<uint32_t>(static_cast<int32_t>(static_cast<int8_t>(c)));
  }
  return h;
}

double TextVal(stringStorage* record) { return Val(string(record), nullptr); }

template <typename T>
uint32_t BitsOf(T value) {
  uint32_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}
inline uint64_t BitsOf(double value) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return bits;
}

}  // namespace

// One conversion or hash method: v is the boxed value of type Source.
#define QV_VARIANT_METHOD(name, Source, Result, expression)       \
  extern "C" Result name(RuntimeObject* object) {                 \
    [[maybe_unused]] const auto v = BoxedValueOf<Source>(object); \
    return expression;                                            \
  }                                                               \
  QV_EXPORT(name)

// --- _VariantInt32 ------------------------------------------------------------------------------
QV_VARIANT_METHOD(Int32ObjectToInt32, int32_t, int32_t, v)  // and UInt32: the same bits
QV_VARIANT_METHOD(Int32ObjectToInt64, int32_t, int64_t, v)
QV_VARIANT_METHOD(Int32ObjectToUInt64, int32_t, uint64_t, static_cast<uint64_t>(int64_t{v}))
QV_VARIANT_METHOD(Int32ObjectToBoolean, int32_t, int32_t, v != 0)
QV_VARIANT_METHOD(Int32ObjectToSingle, int32_t, float, static_cast<float>(v))
QV_VARIANT_METHOD(Int32ObjectToDouble, int32_t, double, v)
QV_VARIANT_METHOD(Int32ObjectToColor, int32_t, uint32_t, static_cast<uint32_t>(v))
QV_VARIANT_METHOD(Int32ObjectToString, int32_t, stringStorage*, StringStrInt32(v))
QV_VARIANT_METHOD(Int32ObjectToCurrency, int32_t, Currency, RuntimeCvtSInt64ToCurrency(v))
QV_VARIANT_METHOD(Int32ObjectHash, int32_t, int32_t, WordHash(static_cast<uint32_t>(v)))

// --- _VariantUInt32 -----------------------------------------------------------------------------
QV_VARIANT_METHOD(UInt32ObjectToUInt32, uint32_t, uint32_t, v)  // and Integer
QV_VARIANT_METHOD(UInt32ObjectToInt64, uint32_t, int64_t, v)
QV_VARIANT_METHOD(UInt32ObjectToUInt64, uint32_t, uint64_t, v)
QV_VARIANT_METHOD(UInt32ObjectToBoolean, uint32_t, int32_t, v != 0)
QV_VARIANT_METHOD(UInt32ObjectToSingle, uint32_t, float, static_cast<float>(v))
QV_VARIANT_METHOD(UInt32ObjectToDouble, uint32_t, double, v)
QV_VARIANT_METHOD(UInt32ObjectToColor, uint32_t, uint32_t, v)
QV_VARIANT_METHOD(UInt32ObjectToString, uint32_t, stringStorage*, StringStrUInt32(v))
QV_VARIANT_METHOD(UInt32ObjectToCurrency, uint32_t, Currency, RuntimeCvtUInt64ToCurrency(v))
QV_VARIANT_METHOD(UInt32ObjectHash, uint32_t, int32_t, WordHash(v))

// --- _VariantInt64 ------------------------------------------------------------------------------
QV_VARIANT_METHOD(Int64ObjectToInt32, int64_t, int32_t, static_cast<int32_t>(v))
QV_VARIANT_METHOD(Int64ObjectToUInt32, int64_t, uint32_t, static_cast<uint32_t>(v))
QV_VARIANT_METHOD(Int64ObjectToColor, int64_t, uint32_t, static_cast<uint32_t>(v))
QV_VARIANT_METHOD(Int64ObjectToInt64, int64_t, int64_t, v)
QV_VARIANT_METHOD(Int64ObjectToUInt64, int64_t, uint64_t, static_cast<uint64_t>(v))
QV_VARIANT_METHOD(Int64ObjectToBoolean, int64_t, int32_t, v != 0)
QV_VARIANT_METHOD(Int64ObjectToSingle, int64_t, float,
                  static_cast<float>(RuntimeCvtSInt64ToReal64(v)))
QV_VARIANT_METHOD(Int64ObjectToDouble, int64_t, double, RuntimeCvtSInt64ToReal64(v))
QV_VARIANT_METHOD(Int64ObjectToString, int64_t, stringStorage*, StringStrInt64(v))
QV_VARIANT_METHOD(Int64ObjectToCurrency, int64_t, Currency, RuntimeCvtSInt64ToCurrency(v))
QV_VARIANT_METHOD(Int64ObjectHash, int64_t, int32_t, WordHash(static_cast<uint64_t>(v)))

// --- _VariantUInt64 -----------------------------------------------------------------------------
QV_VARIANT_METHOD(UInt64ObjectToInt32, uint64_t, int32_t, static_cast<int32_t>(v))
QV_VARIANT_METHOD(UInt64ObjectToUInt32, uint64_t, uint32_t, static_cast<uint32_t>(v))
QV_VARIANT_METHOD(UInt64ObjectToColor, uint64_t, uint32_t, static_cast<uint32_t>(v))
QV_VARIANT_METHOD(UInt64ObjectToInt64, uint64_t, int64_t, static_cast<int64_t>(v))
QV_VARIANT_METHOD(UInt64ObjectToUInt64, uint64_t, uint64_t, v)
QV_VARIANT_METHOD(UInt64ObjectToBoolean, uint64_t, int32_t, v != 0)
QV_VARIANT_METHOD(UInt64ObjectToSingle, uint64_t, float,
                  static_cast<float>(RuntimeCvtUInt64ToReal64(v)))
QV_VARIANT_METHOD(UInt64ObjectToDouble, uint64_t, double, RuntimeCvtUInt64ToReal64(v))
QV_VARIANT_METHOD(UInt64ObjectToString, uint64_t, stringStorage*, StringStrUInt64(v))
QV_VARIANT_METHOD(UInt64ObjectToCurrency, uint64_t, Currency, RuntimeCvtUInt64ToCurrency(v))
QV_VARIANT_METHOD(UInt64ObjectHash, uint64_t, int32_t, WordHash(v))

// --- _VariantSingle -----------------------------------------------------------------------------
QV_VARIANT_METHOD(SingleObjectToInt32, float, int32_t, RuntimeCvtReal32ToSInt32(v))
QV_VARIANT_METHOD(SingleObjectToColor, float, uint32_t,
                  static_cast<uint32_t>(RuntimeCvtReal32ToSInt32(v)))
QV_VARIANT_METHOD(SingleObjectToUInt32, float, uint32_t, RuntimeCvtReal32ToUInt32(v))
QV_VARIANT_METHOD(SingleObjectToInt64, float, int64_t, RuntimeCvtReal32ToSInt64(v))
QV_VARIANT_METHOD(SingleObjectToUInt64, float, uint64_t, RuntimeCvtReal32ToUInt64(v))
QV_VARIANT_METHOD(SingleObjectToBoolean, float, int32_t, v != 0)
QV_VARIANT_METHOD(SingleObjectToSingle, float, float, v)
QV_VARIANT_METHOD(SingleObjectToDouble, float, double, v)
QV_VARIANT_METHOD(SingleObjectToString, float, stringStorage*,
                  FloatingText(v).ExtractStringStorage())
QV_VARIANT_METHOD(SingleObjectToCurrency, float, Currency, RuntimeCvtReal64ToCurrency(v))
QV_VARIANT_METHOD(SingleObjectHash, float, int32_t, WordHash(BitsOf(v)))

// --- _VariantDouble -----------------------------------------------------------------------------
QV_VARIANT_METHOD(DoubleObjectToInt32, double, int32_t, RuntimeCvtReal64ToSInt32(v))
QV_VARIANT_METHOD(DoubleObjectToColor, double, uint32_t,
                  static_cast<uint32_t>(RuntimeCvtReal64ToSInt32(v)))
QV_VARIANT_METHOD(DoubleObjectToUInt32, double, uint32_t, RuntimeCvtReal64ToUInt32(v))
QV_VARIANT_METHOD(DoubleObjectToInt64, double, int64_t, RuntimeCvtReal64ToSInt64(v))
QV_VARIANT_METHOD(DoubleObjectToUInt64, double, uint64_t, RuntimeCvtReal64ToUInt64(v))
QV_VARIANT_METHOD(DoubleObjectToBoolean, double, int32_t, v != 0)
QV_VARIANT_METHOD(DoubleObjectToSingle, double, float, static_cast<float>(v))
QV_VARIANT_METHOD(DoubleObjectToDouble, double, double, v)
QV_VARIANT_METHOD(DoubleObjectToString, double, stringStorage*,
                  FloatingText(v).ExtractStringStorage())
QV_VARIANT_METHOD(DoubleObjectToCurrency, double, Currency, RuntimeCvtReal64ToCurrency(v))
QV_VARIANT_METHOD(DoubleObjectHash, double, int32_t, WordHash(BitsOf(v)))

// --- _VariantCurrency ---------------------------------------------------------------------------
QV_VARIANT_METHOD(CurrencyObjectToInt32, Currency, int32_t,
                  static_cast<int32_t>(RuntimeCvtCurrencyToSInt64(v)))
QV_VARIANT_METHOD(CurrencyObjectToInt64, Currency, int64_t, RuntimeCvtCurrencyToSInt64(v))
QV_VARIANT_METHOD(CurrencyObjectToUInt32, Currency, uint32_t,
                  static_cast<uint32_t>(RuntimeCvtCurrencyToUInt64(v)))
QV_VARIANT_METHOD(CurrencyObjectToUInt64, Currency, uint64_t, RuntimeCvtCurrencyToUInt64(v))
QV_VARIANT_METHOD(CurrencyObjectToBoolean, Currency, int32_t, v != 0)
QV_VARIANT_METHOD(CurrencyObjectToSingle, Currency, float,
                  static_cast<float>(RuntimeCvtCurrencyToReal64(v)))
QV_VARIANT_METHOD(CurrencyObjectToDouble, Currency, double, RuntimeCvtCurrencyToReal64(v))
QV_VARIANT_METHOD(
    CurrencyObjectToString, Currency, stringStorage*,
    DoubleToText(RuntimeCvtCurrencyToReal64(v), kDoubleTextFixed, 15).ExtractStringStorage())
QV_VARIANT_METHOD(CurrencyObjectToCurrency, Currency, Currency, v)
QV_VARIANT_METHOD(CurrencyObjectHash, Currency, int32_t, WordHash(static_cast<uint64_t>(v)))

// --- _VariantBoolean ----------------------------------------------------------------------------
QV_VARIANT_METHOD(BooleanObjectToInt32, uint8_t, int32_t, v ? 1 : 0)  // and UInt32
QV_VARIANT_METHOD(BooleanObjectToInt64, uint8_t, int64_t, v ? 1 : 0)  // and UInt64
QV_VARIANT_METHOD(BooleanObjectToBoolean, uint8_t, int32_t, v ? 1 : 0)
QV_VARIANT_METHOD(BooleanObjectToSingle, uint8_t, float, v ? 1.0f : 0.0f)
QV_VARIANT_METHOD(BooleanObjectToDouble, uint8_t, double, v ? 1.0 : 0.0)
QV_VARIANT_METHOD(BooleanObjectToColor, uint8_t, uint32_t, v ? 0xFFFFFFu : 0u)
QV_VARIANT_METHOD(BooleanObjectToString, uint8_t, stringStorage*,
                  string(v ? "True" : "False").ExtractStringStorage())
QV_VARIANT_METHOD(BooleanObjectHash, uint8_t, int32_t, v ? 1 : 0)

// --- _VariantColor ------------------------------------------------------------------------------
QV_VARIANT_METHOD(ColorObjectToInt32, uint32_t, int32_t, static_cast<int32_t>(v))  // and UInt32
QV_VARIANT_METHOD(ColorObjectToInt64, uint32_t, int64_t, static_cast<int32_t>(v))  // and UInt64
QV_VARIANT_METHOD(ColorObjectToBoolean, uint32_t, int32_t, v != 0)
QV_VARIANT_METHOD(ColorObjectToSingle, uint32_t, float, static_cast<float>(static_cast<int32_t>(v)))
QV_VARIANT_METHOD(ColorObjectToDouble, uint32_t, double, static_cast<int32_t>(v))
QV_VARIANT_METHOD(ColorObjectToColor, uint32_t, uint32_t, v)
QV_VARIANT_METHOD(ColorObjectToString, uint32_t, stringStorage*,
                  ColorText(v).ExtractStringStorage())
QV_VARIANT_METHOD(ColorObjectHash, uint32_t, int32_t, WordHash(v))

// --- _VariantString -----------------------------------------------------------------------------
QV_VARIANT_METHOD(StringObjectToInt32, stringStorage*, int32_t,
                  RuntimeCvtReal64ToSInt32(TextVal(v)))
QV_VARIANT_METHOD(StringObjectToUInt32, stringStorage*, uint32_t,
                  RuntimeCvtReal64ToUInt32(TextVal(v)))
QV_VARIANT_METHOD(StringObjectToInt64, stringStorage*, int64_t, runCLong(v))
QV_VARIANT_METHOD(StringObjectToUInt64, stringStorage*, uint64_t,
                  static_cast<uint64_t>(runCLong(v)))
QV_VARIANT_METHOD(StringObjectToBoolean, stringStorage*, int32_t, TextToBoolean(v))
QV_VARIANT_METHOD(StringObjectToSingle, stringStorage*, float, static_cast<float>(TextVal(v)))
QV_VARIANT_METHOD(StringObjectToDouble, stringStorage*, double, TextVal(v))
QV_VARIANT_METHOD(StringObjectToColor, stringStorage*, uint32_t, TextToColor(v))
QV_VARIANT_METHOD(StringObjectToString, stringStorage*, stringStorage*,
                  string(v).ExtractStringStorage())
QV_VARIANT_METHOD(StringObjectToCurrency, stringStorage*, Currency,
                  RuntimeCvtReal64ToCurrency(TextVal(v)))
QV_VARIANT_METHOD(StringObjectHash, stringStorage*, int32_t, TextHash(v))

#undef QV_VARIANT_METHOD

namespace {

using namespace lang;

#define QV_CONVERT(type, function) QV_FUNCTION("Operator_Convert", type, function)
#define QV_HASH(function) QV_FUNCTION("Operator_Hash", Integer, function)

// Conversions in the order Integer, UInt32, Int64, UInt64, Boolean, Single, Double, Color,
// String, Currency, then the hash.
const MethodRow kInt32Methods[] = {
    QV_CONVERT(Integer, Int32ObjectToInt32),
    QV_CONVERT(UInt32, Int32ObjectToInt32),
    QV_CONVERT(Int64, Int32ObjectToInt64),
    QV_CONVERT(UInt64, Int32ObjectToUInt64),
    QV_CONVERT(Boolean, Int32ObjectToBoolean),
    QV_CONVERT(Single, Int32ObjectToSingle),
    QV_CONVERT(Double, Int32ObjectToDouble),
    QV_CONVERT(Color, Int32ObjectToColor),
    QV_CONVERT(String, Int32ObjectToString),
    QV_CONVERT(lang::Currency, Int32ObjectToCurrency),
    QV_HASH(Int32ObjectHash),
};
const MethodRow kUInt32Methods[] = {
    QV_CONVERT(Integer, UInt32ObjectToUInt32),
    QV_CONVERT(UInt32, UInt32ObjectToUInt32),
    QV_CONVERT(Int64, UInt32ObjectToInt64),
    QV_CONVERT(UInt64, UInt32ObjectToUInt64),
    QV_CONVERT(Boolean, UInt32ObjectToBoolean),
    QV_CONVERT(Single, UInt32ObjectToSingle),
    QV_CONVERT(Double, UInt32ObjectToDouble),
    QV_CONVERT(Color, UInt32ObjectToColor),
    QV_CONVERT(String, UInt32ObjectToString),
    QV_CONVERT(lang::Currency, UInt32ObjectToCurrency),
    QV_HASH(UInt32ObjectHash),
};
const MethodRow kInt64Methods[] = {
    QV_CONVERT(Integer, Int64ObjectToInt32),
    QV_CONVERT(UInt32, Int64ObjectToUInt32),
    QV_CONVERT(Int64, Int64ObjectToInt64),
    QV_CONVERT(UInt64, Int64ObjectToUInt64),
    QV_CONVERT(Boolean, Int64ObjectToBoolean),
    QV_CONVERT(Single, Int64ObjectToSingle),
    QV_CONVERT(Double, Int64ObjectToDouble),
    QV_CONVERT(Color, Int64ObjectToColor),
    QV_CONVERT(String, Int64ObjectToString),
    QV_CONVERT(lang::Currency, Int64ObjectToCurrency),
    QV_HASH(Int64ObjectHash),
};
const MethodRow kUInt64Methods[] = {
    QV_CONVERT(Integer, UInt64ObjectToInt32),
    QV_CONVERT(UInt32, UInt64ObjectToUInt32),
    QV_CONVERT(Int64, UInt64ObjectToInt64),
    QV_CONVERT(UInt64, UInt64ObjectToUInt64),
    QV_CONVERT(Boolean, UInt64ObjectToBoolean),
    QV_CONVERT(Single, UInt64ObjectToSingle),
    QV_CONVERT(Double, UInt64ObjectToDouble),
    QV_CONVERT(Color, UInt64ObjectToColor),
    QV_CONVERT(String, UInt64ObjectToString),
    QV_CONVERT(lang::Currency, UInt64ObjectToCurrency),
    QV_HASH(UInt64ObjectHash),
};
const MethodRow kSingleMethods[] = {
    QV_CONVERT(Integer, SingleObjectToInt32),
    QV_CONVERT(UInt32, SingleObjectToUInt32),
    QV_CONVERT(Int64, SingleObjectToInt64),
    QV_CONVERT(UInt64, SingleObjectToUInt64),
    QV_CONVERT(Boolean, SingleObjectToBoolean),
    QV_CONVERT(Single, SingleObjectToSingle),
    QV_CONVERT(Double, SingleObjectToDouble),
    QV_CONVERT(Color, SingleObjectToColor),
    QV_CONVERT(String, SingleObjectToString),
    QV_CONVERT(lang::Currency, SingleObjectToCurrency),
    QV_HASH(SingleObjectHash),
};
const MethodRow kDoubleMethods[] = {
    QV_CONVERT(Integer, DoubleObjectToInt32),
    QV_CONVERT(UInt32, DoubleObjectToUInt32),
    QV_CONVERT(Int64, DoubleObjectToInt64),
    QV_CONVERT(UInt64, DoubleObjectToUInt64),
    QV_CONVERT(Boolean, DoubleObjectToBoolean),
    QV_CONVERT(Single, DoubleObjectToSingle),
    QV_CONVERT(Double, DoubleObjectToDouble),
    QV_CONVERT(Color, DoubleObjectToColor),
    QV_CONVERT(String, DoubleObjectToString),
    QV_CONVERT(lang::Currency, DoubleObjectToCurrency),
    QV_HASH(DoubleObjectHash),
};
const MethodRow kCurrencyMethods[] = {
    QV_CONVERT(Integer, CurrencyObjectToInt32),
    QV_CONVERT(UInt32, CurrencyObjectToUInt32),
    QV_CONVERT(Int64, CurrencyObjectToInt64),
    QV_CONVERT(UInt64, CurrencyObjectToUInt64),
    QV_CONVERT(Boolean, CurrencyObjectToBoolean),
    QV_CONVERT(Single, CurrencyObjectToSingle),
    QV_CONVERT(Double, CurrencyObjectToDouble),
    QV_CONVERT(String, CurrencyObjectToString),
    QV_CONVERT(lang::Currency, CurrencyObjectToCurrency),
    QV_HASH(CurrencyObjectHash),
};
const MethodRow kBooleanMethods[] = {
    QV_CONVERT(Integer, BooleanObjectToInt32),   QV_CONVERT(UInt32, BooleanObjectToInt32),
    QV_CONVERT(Int64, BooleanObjectToInt64),     QV_CONVERT(UInt64, BooleanObjectToInt64),
    QV_CONVERT(Boolean, BooleanObjectToBoolean), QV_CONVERT(Single, BooleanObjectToSingle),
    QV_CONVERT(Double, BooleanObjectToDouble),   QV_CONVERT(Color, BooleanObjectToColor),
    QV_CONVERT(String, BooleanObjectToString),   QV_HASH(BooleanObjectHash),
};
const MethodRow kColorMethods[] = {
    QV_CONVERT(Integer, ColorObjectToInt32),   QV_CONVERT(UInt32, ColorObjectToInt32),
    QV_CONVERT(Int64, ColorObjectToInt64),     QV_CONVERT(UInt64, ColorObjectToInt64),
    QV_CONVERT(Boolean, ColorObjectToBoolean), QV_CONVERT(Single, ColorObjectToSingle),
    QV_CONVERT(Double, ColorObjectToDouble),   QV_CONVERT(Color, ColorObjectToColor),
    QV_CONVERT(String, ColorObjectToString),   QV_HASH(ColorObjectHash),
};
const MethodRow kStringMethods[] = {
    QV_CONVERT(Integer, StringObjectToInt32),
    QV_CONVERT(UInt32, StringObjectToUInt32),
    QV_CONVERT(Int64, StringObjectToInt64),
    QV_CONVERT(UInt64, StringObjectToUInt64),
    QV_CONVERT(Boolean, StringObjectToBoolean),
    QV_CONVERT(Single, StringObjectToSingle),
    QV_CONVERT(Double, StringObjectToDouble),
    QV_CONVERT(Color, StringObjectToColor),
    QV_CONVERT(String, StringObjectToString),
    QV_CONVERT(lang::Currency, StringObjectToCurrency),
    QV_HASH(StringObjectHash),
};

#undef QV_CONVERT
#undef QV_HASH

}  // namespace

QV_CLASS(VariantInt32ClassDefinition, .name = "_VariantInt32",
         .objectSize = sizeof(BoxedValue<int32_t>), .methods = kInt32Methods)
QV_CLASS(VariantUInt32ClassDefinition, .name = "_VariantUInt32",
         .objectSize = sizeof(BoxedValue<uint32_t>), .methods = kUInt32Methods)
QV_CLASS(VariantInt64ClassDefinition, .name = "_VariantInt64",
         .objectSize = sizeof(BoxedValue<int64_t>), .methods = kInt64Methods)
QV_CLASS(VariantUInt64ClassDefinition, .name = "_VariantUInt64",
         .objectSize = sizeof(BoxedValue<uint64_t>), .methods = kUInt64Methods)
QV_CLASS(VariantSingleClassDefinition, .name = "_VariantSingle",
         .objectSize = sizeof(BoxedValue<float>), .methods = kSingleMethods)
QV_CLASS(VariantDoubleClassDefinition, .name = "_VariantDouble",
         .objectSize = sizeof(BoxedValue<double>), .methods = kDoubleMethods)
QV_CLASS(VariantCurrencyClassDefinition, .name = "_VariantCurrency",
         .objectSize = sizeof(BoxedValue<::Currency>), .methods = kCurrencyMethods)
QV_CLASS(VariantBooleanClassDefinition, .name = "_VariantBoolean",
         .objectSize = sizeof(BoxedValue<uint8_t>), .methods = kBooleanMethods)
QV_CLASS(VariantColorClassDefinition, .name = "_VariantColor",
         .objectSize = sizeof(BoxedValue<uint32_t>), .methods = kColorMethods)
// The destructor that feeds the pool is set on the run-time class when the first string
// variant is made (a definition carries no destructor).
QV_CLASS(VariantStringClassDefinition, .name = "_VariantString",
         .objectSize = sizeof(BoxedValue<stringStorage*>), .methods = kStringMethods,
         .finalizer = QV_CODE(StringObjectFinalizer))
