// Reading Integer properties by name as a plug-in does, 1,000,000 times after the first asks
// have filled the cache (the names taken in turn, in letter cases of the plug-in's own),
// beside a plain table keyed by (class, lower-cased name) that yields the getter, which is
// then called the same way. Prints the ratio of the two (aim: at most 1.5; the framework also
// makes a string key of the name and checks the property's type).
#include "app/PluginProperties.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <unordered_map>

#include "BenchRatio.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeClass.h"

namespace {

constexpr int kCalls = 1000000;
constexpr int32_t kProperties = 12;
const char* const kNames[kProperties] = {"Left",    "Top", "Width", "Height", "Visible", "Index",
                                         "Enabled", "Tag", "Count", "Style",  "Value",   "Depth"};

RuntimeClass* BenchClass() {
  static RuntimeClass* cls = [] {
    RuntimeClass* made = RuntimeNewClass(nullptr, 0, 0, 0, 0, kProperties);
    made->className = string("Measured").ExtractStringStorage();
    made->instanceSize = int32_t(sizeof(RuntimeObject)) + 4 * kProperties;
    for (int32_t i = 0; i < kProperties; ++i) {
      const std::string key = std::string(kNames[i]) + "%i4%";
      made->propertyTable[i] = {string(key.c_str()).ExtractStringStorage(), uint32_t(24 + 4 * i),
                                reinterpret_cast<void*>(&intGetter),
                                reinterpret_cast<void*>(&intSetter)};
    }
    return made;
  }();
  return cls;
}

// The names the plug-in passes, in letter cases of its own.
const char* const kAsked[kProperties] = {"left",    "TOP", "Width", "height", "VISIBLE", "index",
                                         "Enabled", "tag", "COUNT", "style",  "Value",   "depth"};

void BM_PropertyByName(benchmark::State& state) {
  RuntimeObject* object = RuntimeNewObject(BenchClass());
  intSetter(object, 32, 7);
  int32_t value = 0;
  for (const char* name : kAsked) QUORGetPropValueInt(object, name, &value);  // fills the cache
  for (auto _ : state) {
    int64_t sum = 0;
    for (int i = 0; i < kCalls; ++i) {
      QUORGetPropValueInt(object, kAsked[i % kProperties], &value);
      sum += value;
    }
    benchmark::DoNotOptimize(sum);
  }
  RuntimeUnlockObject(object);
}
BENCHMARK(BM_PropertyByName)->Unit(benchmark::kMillisecond);

struct Key {
  const RuntimeClass* cls;
  std::string name;
  bool operator==(const Key&) const = default;
};
struct KeyHash {
  size_t operator()(const Key& key) const {
    return std::hash<std::string>()(key.name) ^ (reinterpret_cast<uintptr_t>(key.cls) * 31);
  }
};
struct Accessor {
  int32_t (*getter)(RuntimeObject*, uint32_t);
  uint32_t parameter;
};

// Names are ASCII: folded inline, as the framework's maps fold them.
std::string Lowered(const char* text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = char(c + ('a' - 'A'));
  }
  return lower;
}

void BM_UnorderedMapByName(benchmark::State& state) {
  RuntimeObject* object = RuntimeNewObject(BenchClass());
  intSetter(object, 32, 7);
  std::unordered_map<Key, Accessor, KeyHash> table;
  for (int32_t i = 0; i < kProperties; ++i)
    table[{BenchClass(), Lowered(kNames[i])}] = {&intGetter, uint32_t(24 + 4 * i)};
  for (auto _ : state) {
    int64_t sum = 0;
    for (int i = 0; i < kCalls; ++i) {
      const auto found = table.find({object->classPtr, Lowered(kAsked[i % kProperties])});
      sum += found == table.end() ? 0 : found->second.getter(object, found->second.parameter);
    }
    benchmark::DoNotOptimize(sum);
  }
  RuntimeUnlockObject(object);
}
BENCHMARK(BM_UnorderedMapByName)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv, {{"BM_PropertyByName", "BM_UnorderedMapByName"}}, 1.5);
}
