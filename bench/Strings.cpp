// Concatenating and comparing framework strings beside std::string, and a text built by many
// appends beside the same algorithm in plain C.
#include <sys/resource.h>

#include <charconv>
#include <cstdlib>
#include <cstring>
#include <string>

#include "BenchRatio.h"
#include "core/Memory.h"
#include "strings/RuntimeString.h"
#include "strings/StringFoundation.h"
#include "strings/StringNumbers.h"

namespace {

const char kLeft[] = "The quick brown fox jumps over the lazy dog";
const char kRight[] = "Pack my box with five dozen liquor jugs!!";

void BM_ConcatFramework(benchmark::State& state) {
  string a(kLeft), b(kRight);
  for (auto _ : state) {
    string c = a + b;
    benchmark::DoNotOptimize(c.Storage());
  }
}
BENCHMARK(BM_ConcatFramework);

// A new text of exactly both lengths, as a careful C++ programmer makes it.
void BM_ConcatStd(benchmark::State& state) {
  std::string a(kLeft), b(kRight);
  for (auto _ : state) {
    std::string c;
    c.reserve(a.size() + b.size());
    c.append(a).append(b);
    benchmark::DoNotOptimize(c.data());
  }
}
BENCHMARK(BM_ConcatStd);

void BM_AppendFramework(benchmark::State& state) {
  string piece(kLeft);
  for (auto _ : state) {
    string s;
    for (int i = 0; i < 4; ++i) s += piece;
    benchmark::DoNotOptimize(s.Storage());
  }
}
BENCHMARK(BM_AppendFramework);

void BM_AppendStd(benchmark::State& state) {
  std::string piece(kLeft);
  for (auto _ : state) {
    std::string s;
    for (int i = 0; i < 4; ++i) s += piece;
    benchmark::DoNotOptimize(s.data());
  }
}
BENCHMARK(BM_AppendStd);

// Two distinct records with a long common prefix, so the bytes are really compared.
void BM_CompareFramework(benchmark::State& state) {
  string a = string(kLeft) + string(kRight), b = string(kLeft) + string(kLeft);
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.CompareWithCase(b));
    benchmark::ClobberMemory();  // the bytes may have changed: compare again
  }
}
BENCHMARK(BM_CompareFramework);

void BM_CompareStd(benchmark::State& state) {
  std::string a = std::string(kLeft) + kRight, b = std::string(kLeft) + kLeft;
  for (auto _ : state) {
    benchmark::DoNotOptimize(a.compare(b));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_CompareStd);

// The loop `s = s + Str(i) + ","` of a compiled program, 100,000 times (about 590 KB at the
// end): every step makes two records, each holding both its parts, and lets the older go.
constexpr int32_t kBuildSteps = 100000;

// Processor time spent in the kernel and page faults, beside the whole, over the timed loop.
class KernelShare {
 public:
  void Start() { getrusage(RUSAGE_SELF, &mStart); }
  void Stop() {
    rusage end;
    getrusage(RUSAGE_SELF, &end);
    mUser += Seconds(end.ru_utime) - Seconds(mStart.ru_utime);
    mSystem += Seconds(end.ru_stime) - Seconds(mStart.ru_stime);
    mFaults += static_cast<double>(end.ru_minflt - mStart.ru_minflt);
  }
  void Report(benchmark::State& state) const {
    double total = mUser + mSystem;
    state.counters["kernel%"] = total > 0 ? 100 * mSystem / total : 0;
    state.counters["faults"] = benchmark::Counter(mFaults, benchmark::Counter::kAvgIterations);
  }

 private:
  static double Seconds(const timeval& t) {
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
  }
  rusage mStart{};
  double mUser = 0, mSystem = 0, mFaults = 0;
};

void BuildTextFramework() {
  string comma(",");
  stringStorage* s = nullptr;
  for (int32_t i = 0; i < kBuildSteps; ++i) {
    stringStorage* number = StringStrInt32(i);
    stringStorage* left = RuntimeAddString(s, number);
    RuntimeUnlockString(number);
    stringStorage* joined = RuntimeAddString(left, comma.Storage());
    RuntimeUnlockString(left);
    RuntimeUnlockString(s);
    s = joined;
  }
  benchmark::DoNotOptimize(s);
  RuntimeUnlockString(s);
}

// The C library adapts its mmap threshold to the blocks freed, and the framework fills its
// cache of large blocks, during the first loop of the process: each side runs one loop before
// its first timed repetition, so that no repetition alone pays for that. Whether the C
// library's heap then trims and faults its pages again still depends on what ran before it
// (the plain side's spread shows it); the ratio meets its aim either way.
void BuildTextTimed(benchmark::State& state, void (*build)(), bool* warmed) {
  if (!*warmed) build();
  *warmed = true;
  KernelShare share;
  for (auto _ : state) {
    share.Start();
    build();
    share.Stop();
  }
  share.Report(state);
}

void BM_BuildTextFramework(benchmark::State& state) {
  static bool warmed = false;
  BuildTextTimed(state, BuildTextFramework, &warmed);
}
BENCHMARK(BM_BuildTextFramework)->Unit(benchmark::kMillisecond);

// Both parts of a join copied into a new malloc'd block; the parts are left to the caller.
char* JoinInNewBlock(const char* a, size_t la, const char* b, size_t lb) {
  char* block = static_cast<char*>(std::malloc(la + lb + 1));
  if (!block) std::abort();
  std::memcpy(block, a, la);
  std::memcpy(block + la, b, lb);
  block[la + lb] = 0;
  return block;
}

void BuildTextPlainC() {
  char* s = nullptr;
  size_t length = 0;
  for (int32_t i = 0; i < kBuildSteps; ++i) {
    char number[16];
    size_t digits =
        static_cast<size_t>(std::to_chars(number, number + sizeof number, i).ptr - number);
    char* left = JoinInNewBlock(s, length, number, digits);
    char* joined = JoinInNewBlock(left, length + digits, ",", 1);
    std::free(left);
    std::free(s);
    s = joined;
    length += digits + 1;
  }
  benchmark::DoNotOptimize(s);
  std::free(s);
}

void BM_BuildTextPlainC(benchmark::State& state) {
  static bool warmed = false;
  BuildTextTimed(state, BuildTextPlainC, &warmed);
}
BENCHMARK(BM_BuildTextPlainC)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_ConcatFramework", "BM_ConcatStd", 1.5},
                                 {"BM_AppendFramework", "BM_AppendStd", 1.5},
                                 {"BM_CompareFramework", "BM_CompareStd", 1.5},
                                 {"BM_BuildTextFramework", "BM_BuildTextPlainC", 1.2}});
}
