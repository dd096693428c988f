// The twelve element types as traits: how an element is stored, how a value is passed to and
// from compiled code (narrow integers widen to 32 bits, by their own signedness), whether it is
// a reference, how IndexOf tests equality and how Sort orders. Every table member is one
// template instantiated over one of these.
#pragma once

#include <cstdint>

#include "arrays/RuntimeArray.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"
#include "strings/StringCase.h"

template <typename StoredT, typename ValueT, int32_t Code>
struct PlainElement {
  using Stored = StoredT;
  using Value = ValueT;
  static constexpr int32_t kCode = Code;
  static constexpr bool kCounted = false;
  static constexpr bool kSortable = true;
  static void Lock(Stored) {}
  static void Unlock(Stored) {}
  // Floating-point equality for Single and Double: a NaN equals nothing, 0.0 equals -0.0.
  static bool Equal(Value value, Stored element) { return static_cast<Stored>(value) == element; }
  // Natural order; every comparison with a NaN is false.
  static bool After(Stored a, Stored b) { return a > b; }
};

using Int32Element = PlainElement<int32_t, int32_t, kArrayInt32>;
using SingleElement = PlainElement<float, float, kArraySingle>;
using DoubleElement = PlainElement<double, double, kArrayDouble>;
using UInt8Element = PlainElement<uint8_t, uint32_t, kArrayUInt8>;
using Int8Element = PlainElement<int8_t, int32_t, kArrayInt8>;
using UInt16Element = PlainElement<uint16_t, uint32_t, kArrayUInt16>;
using Int16Element = PlainElement<int16_t, int32_t, kArrayInt16>;
using UInt32Element = PlainElement<uint32_t, uint32_t, kArrayUInt32>;
using UInt64Element = PlainElement<uint64_t, uint64_t, kArrayUInt64>;
using Int64Element = PlainElement<int64_t, int64_t, kArrayInt64>;

struct StringElement {
  using Stored = stringStorage*;
  using Value = stringStorage*;
  static constexpr int32_t kCode = kArrayString;
  static constexpr bool kCounted = true;
  static constexpr bool kSortable = true;
  static void Lock(Stored s) { stringStorage::AddReference(s); }
  static void Unlock(Stored s) { stringStorage::RemoveReference(s); }
  // Equal ignoring case (string::Compare); the handles hold the value while it is searched for.
  static bool Equal(Value value, Stored element) {
    return string(value).Compare(string(element)) == 0;
  }
  // Sort orders by the comparison of the language's string operators, which ignores case.
  static bool After(Stored a, Stored b) { return RuntimeStringCompare(a, b) > 0; }
};

struct ObjectElement {
  using Stored = RuntimeObject*;
  using Value = RuntimeObject*;
  static constexpr int32_t kCode = kArrayObject;
  static constexpr bool kCounted = true;
  static constexpr bool kSortable = false;
  static void Lock(Stored object) { RuntimeLockObject(object); }
  static void Unlock(Stored object) { RuntimeUnlockObject(object); }
  static bool Equal(Value value, Stored element) { return value == element; }
};
