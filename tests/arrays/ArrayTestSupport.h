// Element models for the array tests: per element type, a pool of values with duplicates (floats
// with 0.0, -0.0 and NaN; narrow integers with garbage high bits), what Get gives back after Set,
// the language's equality and order, and for String and Object the reference counts. Calls go
// through table positions as compiled code makes them (cdecl: extra indexes are harmless).
#pragma once

#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "arrays/RuntimeArray.h"
#include "core/RuntimeClass.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace arraytest {

inline int CountRaised(const qvtest::ReportCapture& capture, const char* exception) {
  return int(std::count_if(capture.reports().begin(), capture.reports().end(),
                           [&](const auto& r) { return r.condition == exception; }));
}
inline int OutOfBounds(const qvtest::ReportCapture& c) {
  return CountRaised(c, "OutOfBoundsException");
}

template <typename StoredT, typename ValueT, int32_t Code>
struct PlainModel {
  using Stored = StoredT;
  using Value = ValueT;
  static constexpr int32_t kCode = Code;
  static constexpr bool kCounted = false, kFloating = std::is_floating_point_v<Stored>;
  static std::vector<Value> Pool(std::mt19937& rng) {
    std::vector<Value> pool;
    for (int k = 0; k < 8; ++k) {
      const uint64_t word = (uint64_t(rng()) << 32) | rng();
      pool.push_back(kFloating ? Value(int32_t(word) / 1024.0) : Value(word));
    }
    if constexpr (kFloating) pool[5] = 0.0, pool[6] = -0.0, pool[7] = NAN;
    return pool;
  }
  static Value Read(Value v) { return Value(Stored(v)); }
  static bool Equal(Value a, Value b) { return Stored(a) == Stored(b); }
  static bool Before(Value a, Value b) { return Stored(a) < Stored(b); }
  static bool Same(Value a, Value b) {  // a NaN is the same as a NaN
    if (kFloating && (a != a || b != b)) return a != a && b != b;
    return Read(a) == Read(b);
  }
  static void Release(Value) {}
  static int32_t References(Value) { return 0; }
};

using Int32Model = PlainModel<int32_t, int32_t, kArrayInt32>;
using SingleModel = PlainModel<float, float, kArraySingle>;
using DoubleModel = PlainModel<double, double, kArrayDouble>;
using UInt8Model = PlainModel<uint8_t, uint32_t, kArrayUInt8>;
using Int8Model = PlainModel<int8_t, int32_t, kArrayInt8>;
using UInt16Model = PlainModel<uint16_t, uint32_t, kArrayUInt16>;
using Int16Model = PlainModel<int16_t, int32_t, kArrayInt16>;
using UInt32Model = PlainModel<uint32_t, uint32_t, kArrayUInt32>;
using UInt64Model = PlainModel<uint64_t, uint64_t, kArrayUInt64>;
using Int64Model = PlainModel<int64_t, int64_t, kArrayInt64>;

// Records in a pool carry one reference of the test's.
template <typename T, int32_t Code>
struct ReferenceModel {
  using Stored = T*;
  using Value = T*;
  static constexpr int32_t kCode = Code;
  static constexpr bool kCounted = true, kFloating = false;
  static Value Read(Value v) { return v; }
  static bool Same(Value a, Value b) { return a == b; }
  static int32_t References(Value v) { return v ? int32_t(v->refCount) : 0; }
};

// Texts that differ only in case are equal; nil is the empty string.
struct StringModel : ReferenceModel<stringStorage, kArrayString> {
  static std::vector<Value> Pool(std::mt19937& rng) {
    std::vector<Value> pool{nullptr};
    for (const char* text : {"abc", "ABC", "b", "Zeta", "zeta", "a", "B"}) {
      pool.push_back((string(text) + (rng() % 2 ? "x" : "")).ExtractStringStorage());
    }
    return pool;
  }
  static int Order(Value a, Value b) {
    return strcasecmp(stringStorage::CString(a), stringStorage::CString(b));
  }
  static bool Equal(Value a, Value b) { return Order(a, b) == 0; }
  static bool Before(Value a, Value b) { return Order(a, b) < 0; }
  static void Release(Value v) { stringStorage::RemoveReference(v); }
};

inline RuntimeClass* TestClass(const char* name, RuntimeClass* parent = nullptr) {
  RuntimeClass* cls = RuntimeNewClass(parent, 0, 0, 0, 0, 0);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = sizeof(RuntimeObject);
  return cls;
}

struct ObjectModel : ReferenceModel<RuntimeObject, kArrayObject> {
  static std::vector<Value> Pool(std::mt19937&) {
    static RuntimeClass* cls = TestClass("ArrayTestObject");
    std::vector<Value> pool{nullptr};
    for (int k = 0; k < 7; ++k) pool.push_back(RuntimeNewObject(cls));
    return pool;
  }
  static bool Equal(Value a, Value b) { return a == b; }
  static void Release(Value v) { RuntimeUnlockObject(v); }
};

using AllModels =
    ::testing::Types<Int32Model, SingleModel, DoubleModel, StringModel, ObjectModel, UInt8Model,
                     Int8Model, UInt16Model, Int16Model, UInt32Model, UInt64Model, Int64Model>;

template <typename M>
struct ValuePool {
  std::mt19937 rng;
  std::vector<typename M::Value> values;
  explicit ValuePool(uint32_t seed) : rng(seed), values(M::Pool(rng)) {}
  ~ValuePool() {
    for (auto v : values) M::Release(v);
  }
  typename M::Value Any() { return values[rng() % values.size()]; }
};

// Each pooled value is held by the pool and once per occurrence in held.
template <typename M>
void ExpectReferences(const ValuePool<M>& pool, const std::vector<typename M::Value>& held) {
  for (auto v : pool.values) {
    if (M::kCounted && v) {
      EXPECT_EQ(M::References(v), 1 + std::count(held.begin(), held.end(), v));
    }
  }
}

using Tuple = std::vector<int32_t>;

template <typename M>
typename M::Value CallGet(void* fn, RuntimeArray* a, Tuple at) {
  at.resize(3);
  return reinterpret_cast<typename M::Value (*)(RuntimeArray*, ...)>(fn)(a, at[0], at[1], at[2]);
}
template <typename M>
void CallSet(void* fn, RuntimeArray* a, typename M::Value v, Tuple at) {
  at.resize(3);
  reinterpret_cast<void (*)(RuntimeArray*, typename M::Value, ...)>(fn)(a, v, at[0], at[1], at[2]);
}
inline void CallRedim(RuntimeArray* a, Tuple bounds) {
  bounds.resize(3);
  reinterpret_cast<void (*)(RuntimeArray*, ...)>(a->table->redim)(a, bounds[0], bounds[1],
                                                                  bounds[2]);
}
inline RuntimeArray* Create(int32_t code, Tuple bounds) {
  const auto n = int32_t(bounds.size());
  bounds.resize(3);
  return CreateArray(n, code, bounds[0], bounds[1], bounds[2]);
}
template <typename M>
void Insert(RuntimeArray* a, int32_t index, typename M::Value v) {
  using Fn = void (*)(RuntimeArray*, int32_t, typename M::Value);
  reinterpret_cast<Fn>(a->table->insert)(a, index, v);
}
template <typename M>
int32_t IndexOf(RuntimeArray* a, typename M::Value v, int32_t start) {
  using Fn = int32_t (*)(RuntimeArray*, typename M::Value, int32_t);
  return reinterpret_cast<Fn>(a->table->indexOf)(a, v, start);
}

// Every index tuple within bounds in flat order (first index fastest), by counting.
inline std::vector<Tuple> TuplesInFlatOrder(const Tuple& bounds) {
  std::vector<Tuple> tuples;
  if (std::any_of(bounds.begin(), bounds.end(), [](int32_t b) { return b < 0; })) return tuples;
  for (Tuple t(bounds.size(), 0);;) {
    tuples.push_back(t);
    size_t k = 0;
    while (k < t.size() && ++t[k] > bounds[k]) t[k++] = 0;
    if (k == t.size()) return tuples;
  }
}

// Element position of the buffer, as a value of the model.
template <typename M>
typename M::Value At(RuntimeArray* a, int32_t position) {
  typename M::Stored v;
  std::memcpy(&v, static_cast<char*>(a->data) + position * sizeof v, sizeof v);
  return typename M::Value(v);
}

}  // namespace arraytest
