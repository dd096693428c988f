#include "core/FieldAccessors.h"

#include <cstring>

#include "arrays/RuntimeArray.h"
#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
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

// Defines and exports <name>Getter and <name>Setter for a field stored as Field and passed to
// and from compiled code as Word (the getter widens, the setter narrows).
#define QV_FIELD_ACCESSORS(name, Field, Word)                                          \
  extern "C" Word name##Getter(RuntimeObject* object, uint32_t offset) {               \
    return ReadField<Field>(object, offset);                                           \
  }                                                                                    \
  QV_EXPORT(name##Getter)                                                              \
  extern "C" void name##Setter(RuntimeObject* object, uint32_t offset, Word value) {   \
    WriteField<Field>(object, offset, static_cast<Field>(value));                      \
  }                                                                                    \
  QV_EXPORT(name##Setter)

QV_FIELD_ACCESSORS(byte, uint8_t, uint32_t)
QV_FIELD_ACCESSORS(bool, int8_t, int32_t)
QV_FIELD_ACCESSORS(short, int16_t, int32_t)
QV_FIELD_ACCESSORS(int, int32_t, int32_t)
QV_FIELD_ACCESSORS(int64, int64_t, int64_t)
QV_FIELD_ACCESSORS(single, float, float)
QV_FIELD_ACCESSORS(double, double, double)

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

// A reference-counted field: the getter hands out a reference; the setter takes one on the new
// value before it lets go of the old, so storing the value the field holds keeps it alive.
template <typename T, void (*Lock)(T*)>
T* ReadCountedField(RuntimeObject* object, uint32_t offset) {
  T* value = ReadField<T*>(object, offset);
  Lock(value);
  return value;
}

template <typename T, void (*Assign)(T*, T*)>
void WriteCountedField(RuntimeObject* object, uint32_t offset, T* value) {
  unsigned char* at = FieldAddress(object, offset, sizeof(T*));
  if (!at) return;
  T* old;
  std::memcpy(&old, at, sizeof old);
  Assign(value, old);
  std::memcpy(at, &value, sizeof value);
}

#define QV_COUNTED_FIELD_ACCESSORS(name, T, Lock, Assign)                              \
  extern "C" T* name##Getter(RuntimeObject* object, uint32_t offset) {                 \
    return ReadCountedField<T, Lock>(object, offset);                                 \
  }                                                                                    \
  QV_EXPORT(name##Getter)                                                              \
  extern "C" void name##Setter(RuntimeObject* object, uint32_t offset, T* value) {     \
    WriteCountedField<T, Assign>(object, offset, value);                               \
  }                                                                                    \
  QV_EXPORT(name##Setter)

QV_COUNTED_FIELD_ACCESSORS(obj, RuntimeObject, RuntimeLockObject, RuntimeLockUnlockObjects)
QV_COUNTED_FIELD_ACCESSORS(array, RuntimeArray, RuntimeLockArray, RuntimeLockUnlockArrays)
