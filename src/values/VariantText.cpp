#include "values/VariantText.h"

#include "core/Export.h"
#include "core/RaiseException.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"
#include "strings/NumberBases.h"
#include "strings/NumberFormat.h"

namespace {

using DigitMaker = string (*)(const void* value, int32_t typeCode);

template <typename T>
stringStorage* VariantDigits(RuntimeObject* variant, bool (*read)(RuntimeObject*, T*),
                             int32_t typeCode, DigitMaker digits) {
  T value{};
  if (!read(variant, &value)) {
    RaiseTypeMismatchException();
    return nullptr;
  }
  return digits(&value, typeCode).ExtractStringStorage();
}

}  // namespace

extern "C" {

stringStorage* StringStrVariant(RuntimeObject* variant) { return VariantToString(variant); }
QV_EXPORT(StringStrVariant)

// Single and Double by Str's rule, whose point is always "." whatever the locale; anything else
// as VariantToString.
stringStorage* runCStr(RuntimeObject* variant) {
  if (!variant) return nullptr;
  const int32_t type = VarType(variant);
  if (type != kVarTypeSingle && type != kVarTypeDouble) return VariantToString(variant);
  double value = 0;
  if (!TryVariantToDouble(variant, &value)) {
    RaiseTypeMismatchException();
    return nullptr;
  }
  return StringStrDouble(value);
}
QV_EXPORT(runCStr)

stringStorage* RuntimeBinVariant(RuntimeObject* variant) {
  return VariantDigits(variant, TryVariantToInt64, kTypeInt64, ValueToBinaryString);
}
QV_EXPORT(RuntimeBinVariant)

stringStorage* RuntimeOctVariant(RuntimeObject* variant) {
  return VariantDigits(variant, TryVariantToInt64, kTypeInt64, ValueToOctalString);
}
QV_EXPORT(RuntimeOctVariant)

stringStorage* RuntimeHexVariant(RuntimeObject* variant) {
  switch (VarType(variant)) {
    case kVarTypeInt32:
      return VariantDigits(variant, TryVariantToInt32, kTypeInt32, ValueToHexString);
    case kVarTypeInt64:
    case kVarTypeString:
      return VariantDigits(variant, TryVariantToInt64, kTypeInt64, ValueToHexString);
    default:
      return nullptr;
  }
}
QV_EXPORT(RuntimeHexVariant)

}  // extern "C"
