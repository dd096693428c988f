// StringMap lookup of 10,000 ASCII keys beside std::unordered_map<std::string> with a
// case-insensitive hash and equality; prints the ratio of their times (aim: at most 1.5).
#include <strings.h>

#include <algorithm>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "BenchRatio.h"
#include "core/StringMap.h"

namespace {

constexpr int kKeyCount = 10000;

struct FoldedHash {
  size_t operator()(const std::string& s) const {
    size_t h = 0;
    for (unsigned char c : s) h = h * 31 + static_cast<size_t>(std::toupper(c));
    return h;
  }
};
struct FoldedEqual {
  bool operator()(const std::string& a, const std::string& b) const {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
  }
};

// Identifier-like keys ("PushButton417", "windowTimer12", ...) and the same keys in another
// letter case and a shuffled order for the lookups.
struct KeySet {
  std::vector<std::string> keys;
  std::vector<std::string> probes;
  KeySet() {
    const char* const stems[] = {"PushButton", "windowTimer", "Object", "TextField",
                                 "ListBox", "x", "RuntimeLookupClass", "Canvas"};
    std::mt19937 rng(10000);
    for (int i = 0; i < kKeyCount; ++i) {
      keys.push_back(std::string(stems[i % 8]) + std::to_string(i));
    }
    probes = keys;
    for (std::string& probe : probes) {
      for (char& c : probe) {
        if (rng() % 2 && std::isalpha(static_cast<unsigned char>(c))) c ^= 0x20;
      }
    }
    std::shuffle(probes.begin(), probes.end(), rng);
  }
};

const KeySet& Keys() {
  static const KeySet keys;
  return keys;
}

void BM_StringMapLookup(benchmark::State& state) {
  StringMap<int> map;
  for (int i = 0; i < kKeyCount; ++i) map.AddEntry(string(Keys().keys[i].c_str()), i);
  std::vector<string> probes;
  for (const std::string& probe : Keys().probes) probes.emplace_back(probe.c_str());
  for (auto _ : state) {
    int64_t sum = 0;
    for (const string& probe : probes) {
      int value = 0;
      map.GetEntry(probe, &value);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeyCount);
}
BENCHMARK(BM_StringMapLookup);

void BM_UnorderedMapLookup(benchmark::State& state) {
  std::unordered_map<std::string, int, FoldedHash, FoldedEqual> map;
  for (int i = 0; i < kKeyCount; ++i) map.emplace(Keys().keys[i], i);
  for (auto _ : state) {
    int64_t sum = 0;
    for (const std::string& probe : Keys().probes) {
      auto found = map.find(probe);
      if (found != map.end()) sum += found->second;
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kKeyCount);
}
BENCHMARK(BM_UnorderedMapLookup);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv, {{"BM_StringMapLookup", "BM_UnorderedMapLookup"}},
                                1.5);
}
