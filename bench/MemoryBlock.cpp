// MemoryBlock's Int32 accessors beside memcpy loads and stores in a plain loop: a read of every
// offset of a 1 MB block (summed), then a write of every offset. Prints the ratio of each pair
// (aim: at most 3; each accessor call checks the offset and the block's byte order).
#include <benchmark/benchmark.h>

#include <cstring>

#include "BenchRatio.h"
#include "values/MemoryBlock.h"

namespace {

constexpr int32_t kBlockSize = 1 << 20;
constexpr int32_t kLastOffset = kBlockSize - 4;

MemoryBlockObject* TheBlock() {
  static MemoryBlockObject* block = [] {
    MemoryBlockObject* made = newMemoryBlock(kBlockSize);
    for (int32_t i = 0; i < kBlockSize; ++i) made->data[i] = uint8_t(i * 131);
    return made;
  }();
  return block;
}

void BM_MemoryBlockReadInt32(benchmark::State& state) {
  MemoryBlockObject* block = TheBlock();
  for (auto _ : state) {
    uint32_t sum = 0;
    for (int32_t o = 0; o <= kLastOffset; ++o) sum += uint32_t(memoryGetLong(block, o));
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * (kLastOffset + 1));
}
BENCHMARK(BM_MemoryBlockReadInt32);

void BM_PlainReadInt32(benchmark::State& state) {
  const uint8_t* bytes = TheBlock()->data;
  for (auto _ : state) {
    uint32_t sum = 0;
    for (int32_t o = 0; o <= kLastOffset; ++o) {
      int32_t value;
      std::memcpy(&value, bytes + o, sizeof value);
      sum += uint32_t(value);
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * (kLastOffset + 1));
}
BENCHMARK(BM_PlainReadInt32);

void BM_MemoryBlockWriteInt32(benchmark::State& state) {
  MemoryBlockObject* block = TheBlock();
  for (auto _ : state) {
    for (int32_t o = 0; o <= kLastOffset; ++o) memorySetLong(block, o, o);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (kLastOffset + 1));
}
BENCHMARK(BM_MemoryBlockWriteInt32);

void BM_PlainWriteInt32(benchmark::State& state) {
  uint8_t* bytes = TheBlock()->data;
  for (auto _ : state) {
    for (int32_t o = 0; o <= kLastOffset; ++o) std::memcpy(bytes + o, &o, sizeof o);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * (kLastOffset + 1));
}
BENCHMARK(BM_PlainWriteInt32);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_MemoryBlockReadInt32", "BM_PlainReadInt32"},
                                 {"BM_MemoryBlockWriteInt32", "BM_PlainWriteInt32"}},
                                3.0);
}
