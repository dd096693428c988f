// Linking an import block of 10,000 kind-1 records through the export registry's map, beside
// the linear scan by index that names were once resolved with (first match, case ignored).
#include <strings.h>

#include <cstring>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/ExportRegistry.h"
#include "image/ImageBlocks.h"
#include "image/ImageFormat.h"
#include "image/ImageLinker.h"

namespace {

constexpr uint32_t kRecordCount = 10000;
// A registry the size of the full framework's, padded with run-time entries.
constexpr uint32_t kRegistrySize = 2476;

extern "C" void BenchPaddingFunction() {}

struct LinkInput {
  std::vector<std::string> names;  // one per record
  std::vector<uint8_t> import;
  uint8_t* code;
  uint32_t codeSize;
};

void PadRegistry() {
  static std::vector<std::string> names;  // registered names live as long as the process
  names.reserve(kRegistrySize);
  for (uint32_t i = ExportEntryCount(); i < kRegistrySize; ++i) {
    names.push_back("BenchExport" + std::to_string(i));
    RegisterExport(names.back().c_str(), reinterpret_cast<void*>(&BenchPaddingFunction));
  }
}

// Record i names entry (i * 7919) mod count, written in lower case, with one absolute site.
const LinkInput& Input() {
  static LinkInput input = [] {
    PadRegistry();
    LinkInput made;
    made.codeSize = 4 * (kRecordCount + 1);
    made.code = AllocateCodeBlock(made.codeSize);
    uint32_t count = ExportEntryCount();
    for (uint32_t i = 0; i < kRecordCount; ++i) {
      const char* name = ExportEntryByIndex((i * 7919u) % count)->name;
      std::string lower = name;
      for (char& c : lower) c = char(tolower(uint8_t(c)));
      made.names.push_back(lower);
      made.import.push_back(qvimage::kImportFramework);
      made.import.push_back(qvimage::kImportModeAbsolute);
      uint32_t site = 4 * (i + 1);
      made.import.insert(made.import.end(), reinterpret_cast<uint8_t*>(&site),
                         reinterpret_cast<uint8_t*>(&site) + 4);
      made.import.push_back(uint8_t(lower.size()));
      made.import.insert(made.import.end(), lower.begin(), lower.end());
    }
    return made;
  }();
  return input;
}

void ClearSites(const LinkInput& input) { std::memset(input.code, 0, input.codeSize); }

void BM_LinkThroughRegistryMap(benchmark::State& state) {
  const LinkInput& input = Input();
  ImageLinkTarget target{input.code, input.codeSize, nullptr, 0};
  for (auto _ : state) {
    state.PauseTiming();
    ClearSites(input);
    state.ResumeTiming();
    bool linked = LinkImportBlock(target, input.import.data(), uint32_t(input.import.size()));
    benchmark::DoNotOptimize(linked);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}
BENCHMARK(BM_LinkThroughRegistryMap)->Unit(benchmark::kMillisecond);

const RelocEntry* FirstMatchByScan(const char* name) {
  uint32_t count = ExportEntryCount();
  for (uint32_t i = 0; i < count; ++i) {
    const RelocEntry* entry = ExportEntryByIndex(i);
    if (entry->name && strcasecmp(entry->name, name) == 0) return entry;
  }
  return nullptr;
}

void BM_LinkThroughLinearScan(benchmark::State& state) {
  const LinkInput& input = Input();
  for (auto _ : state) {
    state.PauseTiming();
    ClearSites(input);
    state.ResumeTiming();
    for (uint32_t i = 0; i < kRecordCount; ++i) {
      const RelocEntry* entry = FirstMatchByScan(input.names[i].c_str());
      uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(entry->code));
      std::memcpy(input.code + 4 * (i + 1), &address, 4);
    }
    benchmark::DoNotOptimize(input.code[4]);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}
BENCHMARK(BM_LinkThroughLinearScan)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  // The registry map should link at least 20 times as fast as a linear scan of the exports.
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_LinkThroughRegistryMap", "BM_LinkThroughLinearScan"}}, 1.0 / 20);
}
