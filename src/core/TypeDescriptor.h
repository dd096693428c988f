// Type descriptors: the records through which every parameter, return value and property of a
// class definition names its type. The first word is the kind; a class definition doubles as
// the descriptor of its class (kind 3), an intrinsic type record is kind 0.
//
// Each record starts with its TypeDescriptor as a member, so that static rows can take the
// descriptor's address as a constant.
#pragma once

#include <cstddef>
#include <cstdint>

struct stringStorage;
class ObjectDefinition;

enum TypeKind : int32_t {
  kTypeKindIntrinsic = 0,
  kTypeKindArray = 1,
  kTypeKindUnnamed = 2,
  kTypeKindClass = 3,
  // A class named by its name alone, as static rows write it; it stands for the registered
  // definition of that name once the definition that uses it is converted.
  kTypeKindClassName = 4,
};

struct TypeDescriptor {
  int32_t kind;
};

// Conversion handlers of an intrinsic type. The value is the 32-bit word as properties and
// parameters carry it.
using TypeToTextHandler = stringStorage** (*)(stringStorage** destination, uint32_t value);
using TypeFromTextHandler = int32_t (*)(stringStorage* text, uint32_t* value);
using TypeValueHandler = void (*)(uint32_t value);

struct IntrinsicTypeRecord {
  TypeDescriptor descriptor;  // kTypeKindIntrinsic
  const char* name;  // NUL-terminated, e.g. "Integer"
  TypeToTextHandler toText;
  TypeFromTextHandler fromText;
  TypeValueHandler release;
  TypeValueHandler addReference;
};
static_assert(sizeof(IntrinsicTypeRecord) == 24, "intrinsic type records are shared data");
static_assert(offsetof(IntrinsicTypeRecord, name) == 4, "IntrinsicTypeRecord layout");

struct ArrayTypeDescriptor {
  TypeDescriptor descriptor;  // kTypeKindArray
  const TypeDescriptor* elementType;
  int32_t dimensionCount;
};
static_assert(sizeof(ArrayTypeDescriptor) == 12, "ArrayTypeDescriptor layout");

struct ClassNameType {
  TypeDescriptor descriptor;  // kTypeKindClassName
  const char* className;
};

inline const IntrinsicTypeRecord* AsIntrinsicType(const TypeDescriptor* type) {
  return reinterpret_cast<const IntrinsicTypeRecord*>(type);
}
inline const ArrayTypeDescriptor* AsArrayType(const TypeDescriptor* type) {
  return reinterpret_cast<const ArrayTypeDescriptor*>(type);
}
inline const ClassNameType* AsClassNameType(const TypeDescriptor* type) {
  return reinterpret_cast<const ClassNameType*>(type);
}
constexpr const TypeDescriptor* AsTypeDescriptor(const IntrinsicTypeRecord* record) {
  return &record->descriptor;
}
constexpr const TypeDescriptor* AsTypeDescriptor(const ArrayTypeDescriptor* record) {
  return &record->descriptor;
}
constexpr const TypeDescriptor* AsTypeDescriptor(const ClassNameType* record) {
  return &record->descriptor;
}
