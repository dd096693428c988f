#include "app/PluginClassIntrospection.h"

#include <cstring>

#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"

namespace {

struct AccessorPair {
  void* getter;
  void* setter;
};

template <typename Getter, typename Setter>
AccessorPair Pair(Getter getter, Setter setter) {
  return {reinterpret_cast<void*>(getter), reinterpret_cast<void*>(setter)};
}

// The table of the type codes' first letters. An integer's width picks accessors that touch
// its own bytes alone: the 32-bit pair would write past a narrower field, and a 64-bit value
// read through it would come back with an undefined high word.
AccessorPair DefaultAccessors(const char* code) {
  if (!code) return {};
  switch (code[0]) {
    case 'A':
    case 'a':
      return Pair(&arrayGetter, &arraySetter);
    case 'b':
      return Pair(&boolGetter, &boolSetter);
    case 'c':
      return Pair(&intGetter, &intSetter);
    case 'i':
      if (code[1] == '1') return Pair(&byteGetter, &byteSetter);
      if (code[1] == '2') return Pair(&shortGetter, &shortSetter);
      if (code[1] == '8') return Pair(&int64Getter, &int64Setter);
      return Pair(&intGetter, &intSetter);
    case 'f':
      if (code[1] == '4') return Pair(&singleGetter, &singleSetter);
      if (code[1] == '8') return Pair(&doubleGetter, &doubleSetter);
      return {};
    case 'o':
      return Pair(&objGetter, &objSetter);
    case 's':
      return Pair(&stringGetter, &stringSetter);
    default:
      return {};
  }
}

const char* KeyCode(const char* key) {
  const char* percent = key ? std::strchr(key, '%') : nullptr;
  return percent ? percent + 1 : nullptr;
}

void* ResolvedAccessor(void* word, void* defaultAccessor) {
  const auto value = reinterpret_cast<uintptr_t>(word);
  if (value == kNoAccessor) return nullptr;
  return value == kDefaultAccessor ? defaultAccessor : word;
}

// The text of a signature or key; nil for none.
const char* KeyText(const stringStorage* record) {
  return record ? stringStorage::CString(record) : nullptr;
}

template <typename T>
void Store(T* out, T value) {
  if (out) *out = value;
}

}  // namespace

void* DefaultPropertyGetter(const char* code) { return DefaultAccessors(code).getter; }
void* DefaultPropertySetter(const char* code) { return DefaultAccessors(code).setter; }

bool ClassMethodAt(const RuntimeClass* cls, int32_t index, ClassMethodEntry* out) {
  if (!cls || index < 0) return false;
  if (index < cls->methodCount) {
    if (!cls->methodTable) return false;
    const MethodTableEntry& entry = cls->methodTable[index];
    *out = {entry.function, KeyText(static_cast<stringStorage*>(entry.word))};
    return true;
  }
  index -= cls->methodCount;
  if (index >= cls->namedMethodCount || !cls->namedMethodTable) return false;
  const NamedMethodEntry& entry = cls->namedMethodTable[index];
  *out = {entry.function, KeyText(entry.key)};
  return true;
}

bool ClassPropertyAt(const RuntimeClass* cls, int32_t index, ClassPropertyEntry* out) {
  if (!cls || index < 0 || index >= cls->propertyCount || !cls->propertyTable) return false;
  const PropertyTableEntry& entry = cls->propertyTable[index];
  const char* key = KeyText(entry.key);
  const AccessorPair defaults = DefaultAccessors(KeyCode(key));
  *out = {key, ResolvedAccessor(entry.getter, defaults.getter),
          ResolvedAccessor(entry.setter, defaults.setter), entry.word};
  return true;
}

extern "C" int32_t QUORCountClassMethods(RuntimeClass* cls) {
  return cls ? cls->methodCount + cls->namedMethodCount : 0;
}
QV_EXPORT(QUORCountClassMethods)

extern "C" int32_t QUORGetClassMethod(RuntimeClass* cls, int32_t index, void** function,
                                      stringStorage** declaration) {
  ClassMethodEntry entry{};
  if (!cls) return 0;
  if (!QV_CHECK_TEXT(ClassMethodAt(cls, index, &entry), "item", nullptr)) return 0;
  if (!entry.function || !entry.signature) return 0;
  Store(function, entry.function);
  if (declaration) *declaration = SignatureDeclarationText(entry.signature).ExtractStringStorage();
  return 1;
}
QV_EXPORT(QUORGetClassMethod)

extern "C" int32_t QUORCountClassProperties(RuntimeClass* cls) {
  return cls ? cls->propertyCount : 0;
}
QV_EXPORT(QUORCountClassProperties)

extern "C" int32_t QUORGetClassProperty(RuntimeClass* cls, int32_t index, void** getter,
                                        void** setter, uint32_t* parameter,
                                        stringStorage** declaration) {
  ClassPropertyEntry entry{};
  if (!ClassPropertyAt(cls, index, &entry)) return 0;
  Store(getter, entry.getter);
  Store(setter, entry.setter);
  Store(parameter, entry.parameter);
  if (declaration) *declaration = PropertyKeyDeclarationText(entry.key).ExtractStringStorage();
  return 1;
}
QV_EXPORT(QUORGetClassProperty)
