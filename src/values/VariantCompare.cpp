// Ordering, equality and hashing of variants (the Dictionary keys on the hash and equality).
// No order is computed by subtraction, which overflows: integers compare with < and >, and
// objects by their addresses taken as unsigned, so the identity order is total.
#include <bit>
#include <cstdint>
#include <optional>

#include "values/DateClass.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "values/VariantConversions.h"
#include "values/VariantOperators.h"
#include "values/VariantTypes.h"
#include "strings/StringCase.h"

namespace {

template <typename T>
int32_t Order(T x, T y) {
  return (x > y) - (x < y);  // 0 for NaN
}

template <typename T>
std::optional<int32_t> CompareAs(RuntimeObject* a, RuntimeObject* b,
                                 bool (*read)(RuntimeObject*, T*)) {
  T x{}, y{};
  if (!read(a, &x) || !read(b, &y)) return std::nullopt;
  return Order(x, y);
}

// Two String boxes are compared as they stand (Dictionary lookups compare nothing else).
std::optional<int32_t> CompareTexts(RuntimeObject* a, RuntimeObject* b) {
  RuntimeClass* strings = VariantStringClass();
  if (a->classPtr == strings && b->classPtr == strings) {
    return RuntimeStringCompare(BoxedValueOf<stringStorage*>(a), BoxedValueOf<stringStorage*>(b));
  }
  string x, y;
  if (!TryVariantToString(a, &x) || !TryVariantToString(b, &y)) return std::nullopt;
  return RuntimeStringCompare(x.Storage(), y.Storage());
}

// True orders before False.
std::optional<int32_t> CompareBooleans(RuntimeObject* a, RuntimeObject* b) {
  bool x = false, y = false;
  if (!TryVariantToBoolean(a, &x) || !TryVariantToBoolean(b, &y)) return std::nullopt;
  return int32_t{!x} - int32_t{!y};
}

// The order by operating type; nullopt where the types do not compare.
std::optional<int32_t> CompareByType(RuntimeObject* a, RuntimeObject* b) {
  switch (OperatingType(a, b)) {
    case kVarTypeNil:  // nil after every object
      return IsNull(a) - IsNull(b);
    case kVarTypeInt32:
    case kVarTypeColor:
    case kVarTypeReservedLast:
      return CompareAs<int32_t>(a, b, TryVariantToInt32);
    case kVarTypeInt64:
      return CompareAs<int64_t>(a, b, TryVariantToInt64);
    case kVarTypeCurrency:
      return CompareAs<Currency>(a, b, TryVariantToCurrency);
    case kVarTypeSingle:
      return CompareAs<float>(a, b, TryVariantToSingle);
    case kVarTypeDouble:
      return CompareAs<double>(a, b, TryVariantToDouble);
    case kVarTypeString:
      return CompareTexts(a, b);
    case kVarTypeObject:
      return Order(reinterpret_cast<uintptr_t>(a), reinterpret_cast<uintptr_t>(b));
    case kVarTypeBoolean:
      return CompareBooleans(a, b);
    case kVarTypeDate:
      return DateCompare(a, b);
    default:
      return std::nullopt;
  }
}

// A failed check in the type resolution has reported already; anything else that does not
// compare is a type mismatch.
std::optional<int32_t> CompareOrRaise(RuntimeObject* a, RuntimeObject* b) {
  std::optional<int32_t> order = CompareByType(a, b);
  if (!order && OperatingType(a, b) != kNoOperatingType) RaiseTypeMismatchException();
  return order;
}

ClassMethodCache& HashMethods() {
  static auto* cache = new ClassMethodCache("Operator_Hash%i4%o<");
  return *cache;
}

}  // namespace

bool VariantsCompareEqual(RuntimeObject* a, RuntimeObject* b) {
  const std::optional<int32_t> order = CompareByType(a, b);
  return order && *order == 0;
}

extern "C" {

int32_t VariantCompare(RuntimeObject* a, RuntimeObject* b) {
  return CompareOrRaise(a, b).value_or(0);
}
QV_EXPORT(VariantCompare)

int32_t VariantEqual(RuntimeObject* a, RuntimeObject* b) {
  const std::optional<int32_t> order = CompareOrRaise(a, b);
  return order && *order == 0;
}
QV_EXPORT(VariantEqual)

int32_t VariantHash(RuntimeObject* variant) {
  if (!variant) return 0;
  if (void* method = HashMethods().Find(variant->classPtr)) {
    return CallClassMethod<int32_t>(method, variant);
  }
  if (VarType(variant) == kVarTypeDate) {
    return static_cast<int32_t>(
        WordHash(std::bit_cast<uint64_t>(dateTotalSecondsGetter(variant))));
  }
  return static_cast<int32_t>(
      WordHash(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(variant))));
}
QV_EXPORT(VariantHash)

}  // extern "C"
