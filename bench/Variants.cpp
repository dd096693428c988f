// Summing 1,000,000 Int32 variants with VariantAdd, each sum a new variant and the previous
// one released, beside a plain loop that boxes each sum in a heap-allocated tagged value.
// Prints the ratio of the two (aim: at most 2; a variant also finds its operating type and its
// conversion methods by class, and joins and leaves the live-object list).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "BenchRatio.h"
#include "core/RuntimeObject.h"
#include "values/VariantOperators.h"
#include "values/VariantTypes.h"

namespace {

constexpr int kCount = 1000000;

void BM_VariantSum(benchmark::State& state) {
  std::vector<RuntimeObject*> values;
  for (int i = 0; i < kCount; ++i) values.push_back(Int32ToVariant(i & 1023));
  for (auto _ : state) {
    RuntimeObject* sum = Int32ToVariant(0);
    for (RuntimeObject* value : values) {
      RuntimeObject* next = VariantAdd(sum, value);
      RuntimeUnlockObject(sum);
      sum = next;
      benchmark::DoNotOptimize(sum);
    }
    RuntimeUnlockObject(sum);
  }
  for (RuntimeObject* value : values) RuntimeUnlockObject(value);
}
BENCHMARK(BM_VariantSum)->Unit(benchmark::kMillisecond);

// A tagged value as a plain C++ program would box it: the kind, then the value.
struct Tagged {
  enum Kind : int32_t { kInt32, kInt64, kDouble } kind;
  union {
    int32_t i32;
    int64_t i64;
    double f64;
  };
};

int64_t AsInt64(const Tagged* t) { return t->kind == Tagged::kInt32 ? t->i32 : t->i64; }
double AsDouble(const Tagged* t) {
  return t->kind == Tagged::kDouble ? t->f64 : static_cast<double>(AsInt64(t));
}

// The sum in the wider of the two kinds.
Tagged* AddTagged(const Tagged* a, const Tagged* b) {
  auto* sum = new Tagged;
  if (a->kind == Tagged::kInt32 && b->kind == Tagged::kInt32) {
    sum->kind = Tagged::kInt32;
    sum->i32 = static_cast<int32_t>(static_cast<uint32_t>(a->i32) + static_cast<uint32_t>(b->i32));
  } else if (a->kind != Tagged::kDouble && b->kind != Tagged::kDouble) {
    sum->kind = Tagged::kInt64;
    sum->i64 =
        static_cast<int64_t>(static_cast<uint64_t>(AsInt64(a)) + static_cast<uint64_t>(AsInt64(b)));
  } else {
    sum->kind = Tagged::kDouble;
    sum->f64 = AsDouble(a) + AsDouble(b);
  }
  return sum;
}

void BM_TaggedSum(benchmark::State& state) {
  std::vector<Tagged*> values;
  for (int i = 0; i < kCount; ++i) {
    auto* value = new Tagged;
    value->kind = Tagged::kInt32;
    value->i32 = i & 1023;
    values.push_back(value);
  }
  for (auto _ : state) {
    Tagged* sum = new Tagged{};
    for (Tagged* value : values) {
      Tagged* next = AddTagged(sum, value);
      delete sum;
      sum = next;
      benchmark::DoNotOptimize(sum);
    }
    delete sum;
  }
  for (Tagged* value : values) delete value;
}
BENCHMARK(BM_TaggedSum)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv, {{"BM_VariantSum", "BM_TaggedSum"}}, 2.0);
}
