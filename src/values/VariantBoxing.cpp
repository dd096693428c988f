// Boxing scalars into hidden-class objects, the string-variant pool, and VarType.
#include "values/DateClass.h"
#include "core/Export.h"
#include "core/IntMap.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/SimpleVector.h"
#include "values/VariantTypes.h"

namespace {

enum HiddenClass : int32_t {
  kHiddenInt32,
  kHiddenUInt32,
  kHiddenInt64,
  kHiddenUInt64,
  kHiddenSingle,
  kHiddenDouble,
  kHiddenCurrency,
  kHiddenString,
  kHiddenBoolean,
  kHiddenColor,
  kHiddenClassCount,
};

using DefinitionGetter = ObjectDefinition* (*)();

constexpr DefinitionGetter kHiddenClassGetters[kHiddenClassCount] = {
    VariantInt32ClassDefinition,    VariantUInt32ClassDefinition, VariantInt64ClassDefinition,
    VariantUInt64ClassDefinition,   VariantSingleClassDefinition, VariantDoubleClassDefinition,
    VariantCurrencyClassDefinition, VariantStringClassDefinition, VariantBooleanClassDefinition,
    VariantColorClassDefinition,
};

// The run-time class of a hidden class, kept once made: boxing is on every operator's path.
RuntimeClass* HiddenRuntimeClass(HiddenClass which) {
  static RuntimeClass* classes[kHiddenClassCount];
  RuntimeClass*& cls = classes[which];
  if (!cls) {
    cls = RuntimeClassForDefinition(kHiddenClassGetters[which]());
    if (cls && which == kHiddenString) cls->destructor = StringObjectDestructor;
  }
  return cls;
}

template <typename T>
RuntimeObject* Box(HiddenClass which, T value) {
  RuntimeObject* object = RuntimeNewObject(HiddenRuntimeClass(which));
  if (object) reinterpret_cast<BoxedValue<T>*>(object)->value = value;
  return object;
}

// Released string variants kept for reuse, each with the one reference the pool holds. Never
// destroyed, so a variant released by another object's destruction at exit still finds it.
SimpleVector<RuntimeObject*>& StringVariantPool() {
  static auto* pool = new SimpleVector<RuntimeObject*>(0);
  return *pool;
}

// The instance tests on a type-code cache miss, in order; the first match wins.
struct TypeTest {
  DefinitionGetter definition;
  int32_t code;
};
const TypeTest kTypeTests[] = {
    {VariantInt32ClassDefinition, kVarTypeInt32},
    {VariantUInt32ClassDefinition, kVarTypeInt32},
    {VariantInt64ClassDefinition, kVarTypeInt64},
    {VariantUInt64ClassDefinition, kVarTypeInt64},
    {VariantStringClassDefinition, kVarTypeString},
    {VariantSingleClassDefinition, kVarTypeSingle},
    {VariantDoubleClassDefinition, kVarTypeDouble},
    {VariantBooleanClassDefinition, kVarTypeBoolean},
    {VariantColorClassDefinition, kVarTypeColor},
    {DateClassDefinition, kVarTypeDate},
    {VariantCurrencyClassDefinition, kVarTypeCurrency},
};

int32_t TypeCodeByInstanceTests(RuntimeObject* object) {
  for (const TypeTest& test : kTypeTests) {
    if (ObjectIsaDefinition(object, test.definition())) return test.code;
  }
  return kVarTypeObject;
}

IntMap<int32_t>& TypeCodeCache() {
  static auto* cache = new IntMap<int32_t>;
  return *cache;
}

int32_t ClassKey(const RuntimeClass* cls) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(cls));
}

}  // namespace

uint32_t StringVariantPoolSize() { return StringVariantPool().size(); }

RuntimeClass* VariantInt32Class() { return HiddenRuntimeClass(kHiddenInt32); }
RuntimeClass* VariantDoubleClass() { return HiddenRuntimeClass(kHiddenDouble); }
RuntimeClass* VariantStringClass() { return HiddenRuntimeClass(kHiddenString); }

extern "C" {

RuntimeObject* Int32ToVariant(int32_t value) { return Box(kHiddenInt32, value); }
QV_EXPORT(Int32ToVariant)
QV_EXPORT_AS("intToVariant", Int32ToVariant)

RuntimeObject* UInt32ToVariant(uint32_t value) { return Box(kHiddenUInt32, value); }
QV_EXPORT(UInt32ToVariant)

RuntimeObject* Int64ToVariant(int64_t value) { return Box(kHiddenInt64, value); }
QV_EXPORT(Int64ToVariant)

RuntimeObject* UInt64ToVariant(uint64_t value) { return Box(kHiddenUInt64, value); }
QV_EXPORT(UInt64ToVariant)

RuntimeObject* SingleToVariant(float value) { return Box(kHiddenSingle, value); }
QV_EXPORT(SingleToVariant)

RuntimeObject* DoubleToVariant(double value) { return Box(kHiddenDouble, value); }
QV_EXPORT(DoubleToVariant)
QV_EXPORT_AS("doubleToVariant", DoubleToVariant)

RuntimeObject* CurrencyToVariant(Currency value) { return Box(kHiddenCurrency, value); }
QV_EXPORT(CurrencyToVariant)

// Compiled code passes a Boolean in a full word; its low byte decides.
RuntimeObject* BooleanToVariant(int32_t value) {
  return Box(kHiddenBoolean, static_cast<uint8_t>((value & 0xFF) != 0));
}
QV_EXPORT(BooleanToVariant)
QV_EXPORT_AS("booleanToVariant", BooleanToVariant)

RuntimeObject* ColorToVariant(uint32_t value) { return Box(kHiddenColor, value); }
QV_EXPORT(ColorToVariant)
QV_EXPORT_AS("colorToVariant", ColorToVariant)

RuntimeObject* StringToVariant(stringStorage* value) {
  SimpleVector<RuntimeObject*>& pool = StringVariantPool();
  RuntimeObject* object =
      pool.empty() ? RuntimeNewObject(HiddenRuntimeClass(kHiddenString)) : pool.Pop();
  if (!object) return nullptr;
  stringStorage::AddReference(value);
  reinterpret_cast<BoxedValue<stringStorage*>*>(object)->value = value;
  return object;
}
QV_EXPORT(StringToVariant)
QV_EXPORT_AS("stringToVariant", StringToVariant)

RuntimeObject* DateToVariant(RuntimeObject* date) {
  RuntimeLockObject(date);
  return date;
}
QV_EXPORT(DateToVariant)

RuntimeObject* ObjectToVariant(RuntimeObject* object) {
  RuntimeLockObject(object);
  return object;
}
QV_EXPORT(ObjectToVariant)

// Runs with the count held at 1 for the destruction: locking the object again keeps it alive,
// now owned by the pool, with its string let go.
void StringObjectDestructor(RuntimeObject* object) {
  SimpleVector<RuntimeObject*>& pool = StringVariantPool();
  if (!object || pool.size() >= kStringVariantPoolLimit) return;
  RuntimeLockObject(object);
  pool.Append(object);
  auto* boxed = reinterpret_cast<BoxedValue<stringStorage*>*>(object);
  stringStorage::RemoveReference(boxed->value);
  boxed->value = nullptr;
}
QV_EXPORT(StringObjectDestructor)

void StringObjectFinalizer(RuntimeObject* object) {
  if (!object) return;
  auto* boxed = reinterpret_cast<BoxedValue<stringStorage*>*>(object);
  stringStorage::RemoveReference(boxed->value);
  boxed->value = nullptr;
}
QV_EXPORT(StringObjectFinalizer)

// The classes asked about most recently sit in a few slots ahead of the map, so the operators'
// loops find their operands' codes without a map lookup.
int32_t VarType(RuntimeObject* variant) {
  if (!variant) return kVarTypeNil;
  struct RecentClass {
    RuntimeClass* cls;
    int32_t code;
  };
  static RecentClass recent[8];
  RuntimeClass* cls = variant->classPtr;
  RecentClass& slot = recent[(reinterpret_cast<uintptr_t>(cls) >> 4) & 7];
  if (slot.cls == cls && cls) return slot.code;
  const int32_t key = ClassKey(cls);
  int32_t code = kVarTypeObject;
  if (!TypeCodeCache().GetEntry(key, &code)) {
    code = TypeCodeByInstanceTests(variant);
    TypeCodeCache().AddEntry(key, code);
  }
  slot = {cls, code};
  return code;
}
QV_EXPORT(VarType)

int32_t IsNull(RuntimeObject* variant) { return variant == nullptr; }
QV_EXPORT(IsNull)

}  // extern "C"
