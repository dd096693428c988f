// The small-block allocator beside malloc/free for the sizes string and handle records have:
// a batch of 16-64 byte blocks allocated, then freed in a scattered order.
#include <cstdlib>
#include <vector>

#include "BenchRatio.h"
#include "core/Memory.h"

namespace {

constexpr size_t kBatch = 512;

// Sizes spread over 16..64 bytes, and a fixed scattered order of freeing so that neither
// allocator is freed in plain LIFO order; both worked out before timing.
struct Workload {
  uint32_t sizes[kBatch];
  size_t freeOrder[kBatch];
  Workload() {
    for (size_t i = 0; i < kBatch; ++i) {
      sizes[i] = 16 + static_cast<uint32_t>(i * 7 % 49);
      freeOrder[i] = i * 97 % kBatch;
    }
  }
};
const Workload kWorkload;

void BM_OSalloclen(benchmark::State& state) {
  std::vector<void*> blocks(kBatch);
  for (auto _ : state) {
    for (size_t i = 0; i < kBatch; ++i) blocks[i] = OSalloclen(kWorkload.sizes[i], kMemFullQuit);
    benchmark::DoNotOptimize(blocks.data());
    for (size_t i : kWorkload.freeOrder) OSfreelen(blocks[i], kWorkload.sizes[i]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_OSalloclen);

void BM_Malloc(benchmark::State& state) {
  std::vector<void*> blocks(kBatch);
  for (auto _ : state) {
    for (size_t i = 0; i < kBatch; ++i) blocks[i] = std::malloc(kWorkload.sizes[i]);
    benchmark::DoNotOptimize(blocks.data());
    for (size_t i : kWorkload.freeOrder) std::free(blocks[i]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations() * kBatch));
}
BENCHMARK(BM_Malloc);

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  return qvbench::RunWithRatios(argc, argv, {{"BM_OSalloclen", "BM_Malloc"}}, 0);
}
