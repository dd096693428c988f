// Element models for the array tests: for each of the twelve element types, how a test makes
// values (with duplicates, and for narrow integers with garbage in the high bits), what Get
// must give back after Set, how values compare as the language compares them, and, for String
// and Object, the reference count of a value. Calls through table positions with any shape.
#pragma once

#include <gtest/gtest.h>
#include <strings.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "arrays/RuntimeArray.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace arraytest {

inline int CountRaised(const qvtest::ReportCapture& capture, const char* exception) {
  int n = 0;
  for (const auto& report : capture.reports()) n += report.condition == exception;
  return n;
}
inline int OutOfBounds(const qvtest::ReportCapture& capture) {
  return CountRaised(capture, "OutOfBoundsException");
}

template <typename StoredT, typename ValueT, int32_t Code>
struct PlainModel {
  using Stored = StoredT;
  using Value = ValueT;
  static constexpr int32_t kCode = Code;
  static constexpr bool kCounted = false;
  static constexpr bool kFloating = std::is_floating_point_v<Stored>;

  // Eight values per test, so that sequences hold duplicates; floating types include 0.0,
  // -0.0 and a NaN, narrow integers carry random high bits that a store must drop.
  static std::vector<Value> Pool(std::mt19937& rng) {
    std::vector<Value> pool;
    for (int k = 0; k < 8; ++k) {
      const uint64_t word = (uint64_t(rng()) << 32) | rng();
      if constexpr (kFloating) {
        pool.push_back(static_cast<Value>(static_cast<int32_t>(word) / 1024.0));
      } else {
        pool.push_back(static_cast<Value>(word));
      }
    }
    if constexpr (kFloating) {
      pool[5] = 0.0;
      pool[6] = -0.0;
      pool[7] = std::numeric_limits<Value>::quiet_NaN();
    }
    return pool;
  }
  // Get after Set: narrow integers keep their low bits and widen by their own signedness.
  static Value Read(Value v) { return static_cast<Value>(static_cast<Stored>(v)); }
  // The language's equality: the stored bits of integers, IEEE equality of floats.
  static bool Equal(Value a, Value b) { return static_cast<Stored>(a) == static_cast<Stored>(b); }
  // Sameness of contents (a NaN is the same as a NaN).
  static bool Same(Value a, Value b) {
    if constexpr (kFloating) {
      if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    }
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

// Pools of records hold one reference each (the test's), released by Release.
struct StringModel {
  using Stored = stringStorage*;
  using Value = stringStorage*;
  static constexpr int32_t kCode = kArrayString;
  static constexpr bool kCounted = true;
  static constexpr bool kFloating = false;

  // Texts that differ only in case count as equal; nil is the empty string.
  static std::vector<Value> Pool(std::mt19937& rng) {
    static const char* const kTexts[] = {"abc", "ABC", "b", "Zeta", "zeta", "a", "B"};
    std::vector<Value> pool{nullptr};
    for (const char* text : kTexts) {
      std::string s = text;
      if (rng() % 2) s += "x";
      pool.push_back(string(s.c_str()).ExtractStringStorage());
    }
    return pool;
  }
  static Value Read(Value v) { return v; }
  static bool Equal(Value a, Value b) {
    return strcasecmp(stringStorage::CString(a), stringStorage::CString(b)) == 0;
  }
  static bool Same(Value a, Value b) { return a == b; }
  static void Release(Value v) { stringStorage::RemoveReference(v); }
  static int32_t References(Value v) { return v ? static_cast<int32_t>(v->refCount) : 0; }
};

inline RuntimeClass* TestClass(const char* name, RuntimeClass* parent = nullptr) {
  RuntimeClass* cls = RuntimeNewClass(parent, 0, 0, 0, 0, 0);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = sizeof(RuntimeObject);
  return cls;
}

struct ObjectModel {
  using Stored = RuntimeObject*;
  using Value = RuntimeObject*;
  static constexpr int32_t kCode = kArrayObject;
  static constexpr bool kCounted = true;
  static constexpr bool kFloating = false;

  static std::vector<Value> Pool(std::mt19937&) {
    static RuntimeClass* cls = TestClass("ArrayTestObject");
    std::vector<Value> pool{nullptr};
    for (int k = 0; k < 7; ++k) pool.push_back(RuntimeNewObject(cls));
    return pool;
  }
  static Value Read(Value v) { return v; }
  static bool Equal(Value a, Value b) { return a == b; }
  static bool Same(Value a, Value b) { return a == b; }
  static void Release(Value v) { RuntimeUnlockObject(v); }
  static int32_t References(Value v) { return v ? v->refCount : 0; }
};

// A pool that releases its values when the test ends.
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

// Each value of the pool is held by the test and once per occurrence in held.
template <typename M>
void ExpectReferences(const ValuePool<M>& pool, const std::vector<typename M::Value>& held) {
  if constexpr (M::kCounted) {
    for (auto v : pool.values) {
      if (!v) continue;
      EXPECT_EQ(M::References(v), 1 + std::count(held.begin(), held.end(), v));
    }
  }
}

// ---- calls through table positions, with index lists of one, two or three indexes ----

template <typename M>
typename M::Value CallGet(void* fn, RuntimeArray* a, const std::vector<int32_t>& at) {
  using V = typename M::Value;
  if (at.size() == 1) return reinterpret_cast<V (*)(RuntimeArray*, int32_t)>(fn)(a, at[0]);
  if (at.size() == 2) {
    return reinterpret_cast<V (*)(RuntimeArray*, int32_t, int32_t)>(fn)(a, at[0], at[1]);
  }
  return reinterpret_cast<V (*)(RuntimeArray*, ...)>(fn)(a, at[0], at[1], at[2]);
}

template <typename M>
void CallSet(void* fn, RuntimeArray* a, typename M::Value v, const std::vector<int32_t>& at) {
  using V = typename M::Value;
  if (at.size() == 1) return reinterpret_cast<void (*)(RuntimeArray*, V, int32_t)>(fn)(a, v, at[0]);
  if (at.size() == 2) {
    return reinterpret_cast<void (*)(RuntimeArray*, V, int32_t, int32_t)>(fn)(a, v, at[0], at[1]);
  }
  reinterpret_cast<void (*)(RuntimeArray*, V, ...)>(fn)(a, v, at[0], at[1], at[2]);
}

inline void CallRedim(RuntimeArray* a, const std::vector<int32_t>& bounds) {
  void* fn = a->table->redim;
  if (bounds.size() == 1)
    return reinterpret_cast<void (*)(RuntimeArray*, int32_t)>(fn)(a, bounds[0]);
  if (bounds.size() == 2)
    return reinterpret_cast<void (*)(RuntimeArray*, ...)>(fn)(a, bounds[0], bounds[1]);
  reinterpret_cast<void (*)(RuntimeArray*, ...)>(fn)(a, bounds[0], bounds[1], bounds[2]);
}

template <typename M>
void Insert(RuntimeArray* a, int32_t index, typename M::Value v) {
  reinterpret_cast<void (*)(RuntimeArray*, int32_t, typename M::Value)>(a->table->insert)(a, index,
                                                                                          v);
}

template <typename M>
int32_t IndexOf(RuntimeArray* a, typename M::Value v, int32_t start) {
  using Fn = int32_t (*)(RuntimeArray*, typename M::Value, int32_t);
  return reinterpret_cast<Fn>(a->table->indexOf)(a, v, start);
}

inline RuntimeArray* Create(int32_t code, const std::vector<int32_t>& bounds) {
  if (bounds.size() == 1) return CreateArray(1, code, bounds[0]);
  if (bounds.size() == 2) return CreateArray(2, code, bounds[0], bounds[1]);
  return CreateArray(3, code, bounds[0], bounds[1], bounds[2]);
}

// Every index tuple of bounds in flat order (first index fastest), by counting.
inline std::vector<std::vector<int32_t>> TuplesInFlatOrder(const std::vector<int32_t>& bounds) {
  std::vector<std::vector<int32_t>> tuples;
  std::vector<int32_t> t(bounds.size(), 0);
  for (int32_t b : bounds) {
    if (b < 0) return tuples;
  }
  for (;;) {
    tuples.push_back(t);
    size_t k = 0;
    while (k < t.size() && ++t[k] > bounds[k]) t[k++] = 0;
    if (k == t.size()) return tuples;
  }
}

template <typename M>
typename M::Stored StoredAt(RuntimeArray* a, int32_t position) {
  typename M::Stored v;
  std::memcpy(&v, static_cast<char*>(a->data) + position * sizeof v, sizeof v);
  return v;
}

// A model value as it lies in the buffer, for comparison with StoredAt.
template <typename M>
typename M::Value FromStored(typename M::Stored s) {
  return static_cast<typename M::Value>(s);
}

}  // namespace arraytest
