// Blowfish over 1 MB: the language's EncipherByBlock on a MemoryBlock beside the same object's
// block function in a raw loop over a uint32 buffer. Prints the ratio (aim: at most 1.3; the
// difference is the cost of reaching the bytes through the block).
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "BenchRatio.h"
#include "values/Blowfish.h"
#include "values/MemoryBlock.h"
#include "core/ObjectDefinitionConverter.h"
#include "strings/RuntimeString.h"

namespace {

constexpr int32_t kBytes = 1 << 20;

BlowfishObject* TheCipher() {
  static BlowfishObject* cipher = [] {
    auto* made =
        reinterpret_cast<BlowfishObject*>(NewObjectFromDefinition(BlowfishClassDefinition()));
    BlowfishInitialize(made, string("a key of some length").Storage());
    return made;
  }();
  return cipher;
}

void BM_BlowfishEncipherByBlock(benchmark::State& state) {
  BlowfishObject* cipher = TheCipher();
  MemoryBlockObject* block = newMemoryBlock(kBytes);
  for (auto _ : state) {
    BlowfishEncipherByBlock(cipher, block);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
  RuntimeUnlockObject(&block->header);
}
BENCHMARK(BM_BlowfishEncipherByBlock);

void BM_BlowfishRawLoop(benchmark::State& state) {
  BlowfishObject* cipher = TheCipher();
  std::vector<uint32_t> words(kBytes / 4);
  for (auto _ : state) {
    for (size_t i = 0; i < words.size(); i += 2) BlowfishEncipherBlock(cipher, words[i], words[i + 1]);
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(state.iterations() * kBytes);
}
BENCHMARK(BM_BlowfishRawLoop);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_BlowfishEncipherByBlock", "BM_BlowfishRawLoop"}}, 1.3);
}
