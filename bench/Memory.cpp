// The small-block allocator beside malloc/free for the sizes string and handle records have:
// a batch of 16-64 byte blocks allocated, then freed in a scattered order.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

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

// Keeps the time of each benchmark as it is reported, for the ratio printed at the end.
class RatioReporter : public benchmark::ConsoleReporter {
 public:
  RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Color : OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      if (run.run_type == Run::RT_Iteration)
        mTimes[run.run_name.function_name] = run.GetAdjustedRealTime();
    ConsoleReporter::ReportRuns(runs);
  }
  double TimeOf(const std::string& name) const {
    auto it = mTimes.find(name);
    return it == mTimes.end() ? 0 : it->second;
  }

 private:
  std::map<std::string, double> mTimes;
};

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  RatioReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  double ours = reporter.TimeOf("BM_OSalloclen");
  double plain = reporter.TimeOf("BM_Malloc");
  if (ours > 0 && plain > 0) std::printf("ratio OSalloclen/malloc: %.3f\n", ours / plain);
  benchmark::Shutdown();
  return 0;
}
