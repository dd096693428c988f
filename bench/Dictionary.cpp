// 100,000 String keys inserted into a Dictionary and looked up again through its exports, keys
// and values boxed as compiled code boxes them, beside a std::unordered_map<std::string> with a
// case-insensitive hash and equality of the same texts. Prints the ratio (aim: at most 3).
#include <benchmark/benchmark.h>
#include <strings.h>

#include <string>
#include <unordered_map>
#include <vector>

#include "BenchRatio.h"
#include "app/ExternalClasses.h"
#include "values/Dictionary.h"
#include "core/ObjectDefinitionConverter.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"

namespace {

constexpr int kCount = 100000;

std::vector<std::string> Texts() {
  std::vector<std::string> texts;
  for (int i = 0; i < kCount; ++i) {
    texts.push_back((i % 2 ? "Key" : "kEY") + std::to_string(i * 7919));
  }
  return texts;
}

void BM_DictionaryStringKeys(benchmark::State& state) {
  RuntimeInitExternalClasses();
  std::vector<string> texts;
  for (const std::string& text : Texts()) texts.push_back(string(text.c_str()));
  for (auto _ : state) {
    RuntimeObject* d = NewObjectFromDefinition(DictionaryClassDefinition());
    for (int i = 0; i < kCount; ++i) {
      RuntimeObject* key = StringToVariant(texts[size_t(i)].Storage());
      RuntimeObject* value = Int32ToVariant(i);
      dictionaryValueSetter(d, key, value);
      RuntimeUnlockObject(key);
      RuntimeUnlockObject(value);
    }
    int64_t sum = 0;
    for (int i = 0; i < kCount; ++i) {
      RuntimeObject* key = StringToVariant(texts[size_t(i)].Storage());
      RuntimeObject* value = dictionaryValueGetter(d, key);
      sum += VariantToInt32(value);
      RuntimeUnlockObject(value);
      RuntimeUnlockObject(key);
    }
    benchmark::DoNotOptimize(sum);
    RuntimeUnlockObject(d);
  }
}
BENCHMARK(BM_DictionaryStringKeys)->Unit(benchmark::kMillisecond);

// The same hash as a String variant's: upper-cased ASCII, h * 31 + byte.
struct CaseInsensitiveHash {
  size_t operator()(const std::string& text) const {
    uint32_t h = 0;
    for (unsigned char c : text) h = h * 31 + uint32_t(int8_t(c >= 'a' && c <= 'z' ? c - 32 : c));
    return h;
  }
};
struct CaseInsensitiveEqual {
  bool operator()(const std::string& a, const std::string& b) const {
    return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
  }
};

void BM_UnorderedMapStringKeys(benchmark::State& state) {
  const std::vector<std::string> texts = Texts();
  for (auto _ : state) {
    std::unordered_map<std::string, int, CaseInsensitiveHash, CaseInsensitiveEqual> map;
    for (int i = 0; i < kCount; ++i) map[texts[size_t(i)]] = i;
    int64_t sum = 0;
    for (int i = 0; i < kCount; ++i) sum += map.find(texts[size_t(i)])->second;
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_UnorderedMapStringKeys)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_DictionaryStringKeys", "BM_UnorderedMapStringKeys"}}, 3.0);
}
