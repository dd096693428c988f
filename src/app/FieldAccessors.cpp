#include "app/FieldAccessors.h"

#include <cstring>

#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "image/Export.h"
#include "strings/RuntimeString.h"

namespace {

// The field's address, or nil when there is no object or the field is not inside it.
unsigned char* FieldAddress(RuntimeObject* object, uint32_t offset, uint32_t width) {
  if (!object) {
    RaiseNilObjectException();
    return nullptr;
  }
  const RuntimeClass* cls = object->classPtr;
  const uint64_t end = uint64_t(offset) + width;
  if (!QV_CHECK_TEXT(cls && offset >= sizeof(RuntimeObject) && end <= uint64_t(cls->instanceSize),
                     "field lies inside the object", nullptr)) {
    return nullptr;
  }
  return reinterpret_cast<unsigned char*>(object) + offset;
}

template <typename T>
T ReadField(RuntimeObject* object, uint32_t offset) {
  T value{};
  if (const unsigned char* at = FieldAddress(object, offset, sizeof(T))) {
    std::memcpy(&value, at, sizeof(T));
  }
  return value;
}

template <typename T>
void WriteField(RuntimeObject* object, uint32_t offset, T value) {
  if (unsigned char* at = FieldAddress(object, offset, sizeof(T))) {
    std::memcpy(at, &value, sizeof(T));
  }
}

stringStorage* LoadString(const unsigned char* at) {
  stringStorage* value;
  std::memcpy(&value, at, sizeof value);
  stringStorage::AddReference(value);
  return value;
}

// Reference the new string, release the old, then store: assigning a field its own value
// leaves the count as it was.
void StoreString(unsigned char* at, stringStorage* value) {
  stringStorage* old;
  std::memcpy(&old, at, sizeof old);
  stringStorage::AddReference(value);
  stringStorage::RemoveReference(old);
  std::memcpy(at, &value, sizeof value);
}

unsigned char* RawAddress(RuntimeObject* object, uint32_t offset) {
  return reinterpret_cast<unsigned char*>(reinterpret_cast<uintptr_t>(object) + offset);
}

}  // namespace

extern "C" uint32_t byteGetter(RuntimeObject* object, uint32_t offset) {
  return ReadField<uint8_t>(object, offset);
}
QV_EXPORT(byteGetter)

extern "C" void byteSetter(RuntimeObject* object, uint32_t offset, uint32_t value) {
  WriteField<uint8_t>(object, offset, static_cast<uint8_t>(value));
}
QV_EXPORT(byteSetter)

extern "C" int32_t boolGetter(RuntimeObject* object, uint32_t offset) {
  return ReadField<int8_t>(object, offset);
}
QV_EXPORT(boolGetter)

extern "C" void boolSetter(RuntimeObject* object, uint32_t offset, int32_t value) {
  WriteField<int8_t>(object, offset, static_cast<int8_t>(value));
}
QV_EXPORT(boolSetter)

extern "C" int32_t shortGetter(RuntimeObject* object, uint32_t offset) {
  return ReadField<int16_t>(object, offset);
}
QV_EXPORT(shortGetter)

extern "C" void shortSetter(RuntimeObject* object, uint32_t offset, int32_t value) {
  WriteField<int16_t>(object, offset, static_cast<int16_t>(value));
}
QV_EXPORT(shortSetter)

extern "C" int32_t intGetter(RuntimeObject* object, uint32_t offset) {
  return ReadField<int32_t>(object, offset);
}
QV_EXPORT(intGetter)

extern "C" void intSetter(RuntimeObject* object, uint32_t offset, int32_t value) {
  WriteField<int32_t>(object, offset, value);
}
QV_EXPORT(intSetter)

extern "C" int64_t int64Getter(RuntimeObject* object, uint32_t offset) {
  return ReadField<int64_t>(object, offset);
}
QV_EXPORT(int64Getter)

extern "C" void int64Setter(RuntimeObject* object, uint32_t offset, int64_t value) {
  WriteField<int64_t>(object, offset, value);
}
QV_EXPORT(int64Setter)

extern "C" float singleGetter(RuntimeObject* object, uint32_t offset) {
  return ReadField<float>(object, offset);
}
QV_EXPORT(singleGetter)

extern "C" void singleSetter(RuntimeObject* object, uint32_t offset, float value) {
  WriteField<float>(object, offset, value);
}
QV_EXPORT(singleSetter)

extern "C" double doubleGetter(RuntimeObject* object, uint32_t offset) {
  return ReadField<double>(object, offset);
}
QV_EXPORT(doubleGetter)

extern "C" void doubleSetter(RuntimeObject* object, uint32_t offset, double value) {
  WriteField<double>(object, offset, value);
}
QV_EXPORT(doubleSetter)

extern "C" stringStorage* stringGetter(RuntimeObject* object, uint32_t offset) {
  const unsigned char* at = FieldAddress(object, offset, sizeof(stringStorage*));
  return at ? LoadString(at) : nullptr;
}
QV_EXPORT(stringGetter)

extern "C" void stringSetter(RuntimeObject* object, uint32_t offset, stringStorage* value) {
  if (unsigned char* at = FieldAddress(object, offset, sizeof(stringStorage*))) {
    StoreString(at, value);
  }
}
QV_EXPORT(stringSetter)

extern "C" stringStorage* StringToSSGetter(RuntimeObject* object, uint32_t offset) {
  const unsigned char* at = RawAddress(object, offset);
  return at ? LoadString(at) : nullptr;
}
QV_EXPORT(StringToSSGetter)

extern "C" void SSToStringSetter(RuntimeObject* object, uint32_t offset, stringStorage* value) {
  if (unsigned char* at = RawAddress(object, offset)) StoreString(at, value);
}
QV_EXPORT(SSToStringSetter)

extern "C" RuntimeObject* objGetter(RuntimeObject* object, uint32_t offset) {
  RuntimeObject* value = ReadField<RuntimeObject*>(object, offset);
  RuntimeLockObject(value);
  return value;
}
QV_EXPORT(objGetter)

extern "C" void objSetter(RuntimeObject* object, uint32_t offset, RuntimeObject* value) {
  unsigned char* at = FieldAddress(object, offset, sizeof(RuntimeObject*));
  if (!at) return;
  RuntimeObject* old;
  std::memcpy(&old, at, sizeof old);
  RuntimeLockObject(value);
  RuntimeUnlockObject(old);
  std::memcpy(at, &value, sizeof value);
}
QV_EXPORT(objSetter)
