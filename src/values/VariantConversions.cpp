#include "values/VariantConversions.h"

#include <type_traits>

#include "core/CompiledCall.h"
#include "values/DateClass.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/Export.h"
#include "core/NumericConversions.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "values/VariantTypes.h"
#include "strings/StringSearch.h"

namespace {

bool KeyContains(const stringStorage* key, const string& text) {
  if (!key) return false;
  return StringInStrFromZero(0, string(const_cast<stringStorage*>(key)), text, true) >= 0;
}

enum ConversionTarget : int32_t {
  kToInt32,
  kToUInt32,
  kToInt64,
  kToUInt64,
  kToColor,
  kToBoolean,
  kToSingle,
  kToDouble,
  kToString,
  kToCurrency,
  kConversionTargetCount,
};

// The signature each target's method carries in its key: "Operator_Convert%" + compact type
// code + "%o<" (the owner class follows).
constexpr const char* kConversionSignatures[kConversionTargetCount] = {
    "Operator_Convert%i4%o<", "Operator_Convert%u4%o<", "Operator_Convert%i8%o<",
    "Operator_Convert%u8%o<", "Operator_Convert%c%o<",  "Operator_Convert%b%o<",
    "Operator_Convert%f4%o<", "Operator_Convert%f8%o<", "Operator_Convert%s%o<",
    "Operator_Convert%e%o<",
};

// A Date with no conversion method of its own: its TotalSeconds as the target type.
template <ConversionTarget kTarget, typename T>
bool ConvertDate(RuntimeObject* date, T* out) {
  if (kTarget == kToCurrency || VarType(date) != kVarTypeDate) return false;
  const double seconds = dateTotalSecondsGetter(date);
  if constexpr (kTarget == kToInt32) {
    *out = RuntimeCvtReal64ToSInt32(seconds);
  } else if constexpr (kTarget == kToUInt32) {
    *out = RuntimeCvtReal64ToUInt32(seconds);
  } else if constexpr (kTarget == kToInt64) {
    *out = RuntimeCvtReal64ToSInt64(seconds);
  } else if constexpr (kTarget == kToUInt64) {
    *out = RuntimeCvtReal64ToUInt64(seconds);
  } else if constexpr (kTarget == kToColor) {
    *out = static_cast<uint32_t>(RuntimeCvtReal64ToSInt32(seconds));
  } else if constexpr (kTarget == kToBoolean) {
    *out = seconds != 0;
  } else if constexpr (kTarget == kToSingle) {
    *out = static_cast<float>(seconds);
  } else if constexpr (kTarget == kToDouble) {
    *out = seconds;
  } else if constexpr (kTarget == kToString) {
    *out = dateSQLDateTimeGetter(date);
  }
  return true;
}

// The conversion method's result as compiled code and the hidden classes return it.
template <ConversionTarget kTarget, typename T>
bool TryConvert(RuntimeObject* variant, T* out) {
  if (!QV_CHECK_TEXT(out, "out", nullptr)) return false;
  if (!variant) {
    *out = T{};
    return true;
  }
  // One cache per target, never destroyed: conversions may run in destructions at exit.
  static ClassMethodCache* const cache = new ClassMethodCache(kConversionSignatures[kTarget]);
  void* function = cache->Find(variant->classPtr);
  if (!function) return ConvertDate<kTarget>(variant, out);
  *out = CallClassMethod<T>(function, variant);
  return true;
}

template <typename T, typename Worker>
T ConvertOrRaise(RuntimeObject* variant, Worker worker) {
  T value{};
  if (worker(variant, &value)) return value;
  RaiseTypeMismatchException();
  return T{};
}

}  // namespace

template <typename T>
T CallClassMethod(void* function, RuntimeObject* object) {
  using Word = std::conditional_t<std::is_same_v<T, bool>, int32_t, T>;
  T result{};
  RuntimeLockObject(object);
  if (IsFrameworkCode(function)) {
    const Word word = reinterpret_cast<Word (*)(RuntimeObject*)>(function)(object);
    if constexpr (std::is_same_v<T, bool>) {
      result = static_cast<uint8_t>(word) != 0;
    } else {
      result = word;
    }
  } else {
    result = CompiledCall().Invoke<T>(function, object);
  }
  RuntimeUnlockObject(object);
  return result;
}
template int32_t CallClassMethod<int32_t>(void*, RuntimeObject*);

void* FindMethodWithSignature(const RuntimeClass* cls, const string& signatureText) {
  if (!cls) return nullptr;
  for (int32_t i = 0; cls->methodTable && i < cls->methodCount; ++i) {
    const MethodTableEntry& entry = cls->methodTable[i];
    if (KeyContains(static_cast<const stringStorage*>(entry.word), signatureText)) {
      return entry.function;
    }
  }
  for (int32_t i = 0; cls->namedMethodTable && i < cls->namedMethodCount; ++i) {
    const NamedMethodEntry& entry = cls->namedMethodTable[i];
    if (KeyContains(entry.key, signatureText)) return entry.function;
  }
  return nullptr;
}

void* ClassMethodCache::Find(RuntimeClass* cls) {
  if (!cls) return nullptr;
  if (cls == mLastClass) return mLastFunction;
  const int32_t key = static_cast<int32_t>(reinterpret_cast<uintptr_t>(cls));
  void* function = nullptr;
  if (!mFunctions.GetEntry(key, &function)) {
    function = FindMethodWithSignature(cls, mSignature);
    mFunctions.AddEntry(key, function);
  }
  mLastClass = cls;
  mLastFunction = function;
  return function;
}

bool TryVariantToInt32(RuntimeObject* variant, int32_t* out) {
  return TryConvert<kToInt32>(variant, out);
}
bool TryVariantToUInt32(RuntimeObject* variant, uint32_t* out) {
  return TryConvert<kToUInt32>(variant, out);
}
bool TryVariantToInt64(RuntimeObject* variant, int64_t* out) {
  return TryConvert<kToInt64>(variant, out);
}
bool TryVariantToUInt64(RuntimeObject* variant, uint64_t* out) {
  return TryConvert<kToUInt64>(variant, out);
}
bool TryVariantToColor(RuntimeObject* variant, uint32_t* out) {
  return TryConvert<kToColor>(variant, out);
}
bool TryVariantToBoolean(RuntimeObject* variant, bool* out) {
  return TryConvert<kToBoolean>(variant, out);
}
bool TryVariantToSingle(RuntimeObject* variant, float* out) {
  return TryConvert<kToSingle>(variant, out);
}
bool TryVariantToDouble(RuntimeObject* variant, double* out) {
  return TryConvert<kToDouble>(variant, out);
}
// The method hands over one reference, which out takes.
bool TryVariantToString(RuntimeObject* variant, string* out) {
  stringStorage* record = nullptr;
  if (!QV_CHECK_TEXT(out, "out", nullptr) || !TryConvert<kToString>(variant, &record)) return false;
  *out = string::Adopt(record);
  return true;
}
bool TryVariantToCurrency(RuntimeObject* variant, Currency* out) {
  return TryConvert<kToCurrency>(variant, out);
}

namespace {

// A new Date that set accepts, into *out.
template <typename Set>
bool StoreNewDate(RuntimeObject** out, Set set) {
  RuntimeObject* date = NewDateObject();
  if (!date) return false;
  if (!set(date)) {
    RuntimeUnlockObject(date);
    return false;
  }
  *out = date;
  return true;
}

}  // namespace

bool TryVariantToDate(RuntimeObject* variant, RuntimeObject** out) {
  if (!QV_CHECK_TEXT(out, "out", nullptr)) return false;
  switch (VarType(variant)) {
    case kVarTypeDate:
      RuntimeLockObject(variant);
      *out = variant;
      return true;
    case kVarTypeInt32:
    case kVarTypeBoolean:
    case kVarTypeColor: {
      int32_t seconds = 0;
      if (!TryVariantToInt32(variant, &seconds)) return false;
      return StoreNewDate(out, [&](RuntimeObject* date) {
        return DateSetTotalSeconds(date, seconds + (seconds < 0 ? 4294967296.0 : 0.0));
      });
    }
    case kVarTypeDouble: {
      double seconds = 0;
      if (!TryVariantToDouble(variant, &seconds)) return false;
      return StoreNewDate(out, [&](RuntimeObject* date) {
        return DateSetTotalSeconds(date, seconds);
      });
    }
    case kVarTypeString: {
      string text;
      if (!TryVariantToString(variant, &text)) return false;
      return StoreNewDate(out, [&](RuntimeObject* date) { return DateSetSQLDateTime(date, text); });
    }
    default:
      return false;
  }
}

extern "C" {

int32_t VariantToInt32(RuntimeObject* variant) {
  return ConvertOrRaise<int32_t>(variant, TryVariantToInt32);
}
QV_EXPORT(VariantToInt32)

uint32_t VariantToUInt32(RuntimeObject* variant) {
  return ConvertOrRaise<uint32_t>(variant, TryVariantToUInt32);
}
QV_EXPORT(VariantToUInt32)

int64_t VariantToInt64(RuntimeObject* variant) {
  return ConvertOrRaise<int64_t>(variant, TryVariantToInt64);
}
QV_EXPORT(VariantToInt64)

uint64_t VariantToUInt64(RuntimeObject* variant) {
  return ConvertOrRaise<uint64_t>(variant, TryVariantToUInt64);
}
QV_EXPORT(VariantToUInt64)

uint32_t VariantToColor(RuntimeObject* variant) {
  return ConvertOrRaise<uint32_t>(variant, TryVariantToColor);
}
QV_EXPORT(VariantToColor)

int32_t VariantToBoolean(RuntimeObject* variant) {
  return ConvertOrRaise<bool>(variant, TryVariantToBoolean) ? 1 : 0;
}
QV_EXPORT(VariantToBoolean)

float VariantToSingle(RuntimeObject* variant) {
  return ConvertOrRaise<float>(variant, TryVariantToSingle);
}
QV_EXPORT(VariantToSingle)

double VariantToDouble(RuntimeObject* variant) {
  return ConvertOrRaise<double>(variant, TryVariantToDouble);
}
QV_EXPORT(VariantToDouble)

stringStorage* VariantToString(RuntimeObject* variant) {
  return ConvertOrRaise<string>(variant, TryVariantToString).ExtractStringStorage();
}
QV_EXPORT(VariantToString)

Currency VariantToCurrency(RuntimeObject* variant) {
  return ConvertOrRaise<Currency>(variant, TryVariantToCurrency);
}
QV_EXPORT(VariantToCurrency)

RuntimeObject* VariantToObject(RuntimeObject* variant) {
  RuntimeLockObject(variant);
  return variant;
}
QV_EXPORT(VariantToObject)

RuntimeObject* VariantToDate(RuntimeObject* variant) {
  if (!variant) {
    RaiseNilObjectException();
    return nullptr;
  }
  RuntimeObject* date = nullptr;
  if (TryVariantToDate(variant, &date)) return date;
  const int32_t type = VarType(variant);
  if (type == kVarTypeDouble || type == kVarTypeString) {
    RaiseNewException(UnsupportedFormatExceptionDefinition());
  } else {
    RaiseTypeMismatchException();
  }
  return nullptr;
}
QV_EXPORT(VariantToDate)

}  // extern "C"
