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

// Narrow integers travel widened to a full word, as compiled code passes them.
template <typename StoredT, int32_t Code>
struct PlainModel {
  using Stored = StoredT;
  using Value = std::conditional_t<(sizeof(Stored) >= 4), Stored,
                                   std::conditional_t<std::is_signed_v<Stored>, int32_t, uint32_t>>;
  static constexpr int32_t kCode = Code;
  static constexpr bool kCounted = false, kFloating = std::is_floating_point_v<Stored>;
  static std::vector<Value> Pool(std::mt19937& rng) {
    std::vector<Value> pool;
    for (int k = 0; k < 8; ++k) {
      const uint64_t word = (uint64_t(rng()) << 32) | rng();
      pool.push_back(kFloating ? Value(int32_t(word) / 1024.0) : Value(word));
    }
    if constexpr (kFloating) {
      pool[5] = 0.0;
      pool[6] = -0.0;
      pool[7] = NAN;
    }
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
};

using Int32Model = PlainModel<int32_t, kArrayInt32>;
using Int64Model = PlainModel<int64_t, kArrayInt64>;
// Records in a pool carry one reference of the test's.
template <typename T, int32_t Code>
struct ReferenceModel {
  using Stored = T*;
  using Value = T*;
  static constexpr int32_t kCode = Code;
  static constexpr bool kCounted = true, kFloating = false;
  static Value Read(Value v) { return v; }
  static bool Same(Value a, Value b) { return a == b; }
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

// Every element type; Object arrays have no order, so the sorting tests leave them out.
template <typename... More>
using ModelsAnd =
    ::testing::Types<Int32Model, PlainModel<float, kArraySingle>, PlainModel<double, kArrayDouble>,
                     StringModel, PlainModel<uint8_t, kArrayUInt8>, PlainModel<int8_t, kArrayInt8>,
                     PlainModel<uint16_t, kArrayUInt16>, PlainModel<int16_t, kArrayInt16>,
                     PlainModel<uint32_t, kArrayUInt32>, PlainModel<uint64_t, kArrayUInt64>,
                     Int64Model, More...>;
using SortableModels = ModelsAnd<>;
using AllModels = ModelsAnd<ObjectModel>;

template <typename M>
struct ValuePool {
  std::mt19937 rng;
  std::vector<typename M::Value> values;
  explicit ValuePool(uint32_t seed) : rng(seed), values(M::Pool(rng)) {}
  ~ValuePool() {
    for (auto v : values) M::Release(v);
  }
  typename M::Value Any() { return values[rng() % values.size()]; }
  // Each pooled record is held by the pool and once per occurrence in held.
  void ExpectReferences(const std::vector<typename M::Value>& held = {}) const {
    if constexpr (M::kCounted) {
      for (auto v : values) {
        if (!v) continue;
        EXPECT_EQ(int32_t(v->refCount), 1 + std::count(held.begin(), held.end(), v)) << v;
      }
    }
  }
};

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
inline void CallRedim(RuntimeArray* a, Tuple b) {
  b.resize(3);
  reinterpret_cast<void (*)(RuntimeArray*, ...)>(a->table->redim)(a, b[0], b[1], b[2]);
}
inline RuntimeArray* Create(int32_t code, Tuple b) {
  const auto n = int32_t(b.size());
  b.resize(3);
  return CreateArray(n, code, b[0], b[1], b[2]);
}
template <typename M>
void Insert(RuntimeArray* a, int32_t index, typename M::Value v) {
  reinterpret_cast<void (*)(RuntimeArray*, int32_t, typename M::Value)>(a->table->insert)(a, index,
                                                                                         v);
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

// The elements 0 .. UBound of a one-dimensional array.
template <typename M>
std::vector<typename M::Value> Contents(RuntimeArray* a) {
  std::vector<typename M::Value> out;
  for (int32_t k = 0; k <= RuntimeUBound(a); ++k) out.push_back(At<M>(a, k));
  return out;
}

}  // namespace arraytest
