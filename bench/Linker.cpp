// Linking an import block of 10,000 kind-1 records through the export registry, beside a
// std::unordered_map keyed by the case-folded names: the registry lookups alone (each name
// found and its site written), and the whole link of the block against the same loop over the
// block's records. Then a block of 40,000 string constants (kind 5), each its own record in the
// data block, linked whole against a loop that relocates the same words.
#include <cstring>
#include <string>
#include <unordered_map>
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
BENCHMARK(BM_LinkThroughRegistryMap)->Unit(benchmark::kMicrosecond);

void WriteSite(const LinkInput& input, uint32_t site, const RelocEntry* entry) {
  uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(entry->code));
  std::memcpy(input.code + site, &address, 4);
}

void BM_RegistryLookup(benchmark::State& state) {
  const LinkInput& input = Input();
  for (auto _ : state) {
    for (uint32_t i = 0; i < kRecordCount; ++i)
      WriteSite(input, 4 * (i + 1), LookupExportEntry(input.names[i].c_str()));
    benchmark::DoNotOptimize(input.code[4]);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}
BENCHMARK(BM_RegistryLookup)->Unit(benchmark::kMicrosecond);

// Every named entry under its name in lower case; a later entry of the same name replaces an
// earlier one, as in the registry.
struct FoldedMap {
  std::unordered_map<std::string, const RelocEntry*> entries;
  std::string folded;  // reused, so that a lookup allocates nothing
  FoldedMap() {
    uint32_t count = ExportEntryCount();
    entries.reserve(count);
    for (uint32_t i = 0; i < count; ++i) {
      const RelocEntry* entry = ExportEntryByIndex(i);
      if (entry->name) entries[Fold(entry->name, std::strlen(entry->name))] = entry;
    }
  }
  const std::string& Fold(const char* name, size_t length) {
    folded.assign(name, length);
    for (char& c : folded) c = c >= 'A' && c <= 'Z' ? char(c + ('a' - 'A')) : c;
    return folded;
  }
  const RelocEntry* Find(const char* name, size_t length) {
    auto found = entries.find(Fold(name, length));
    return found == entries.end() ? nullptr : found->second;
  }
};

void BM_UnorderedMapLookup(benchmark::State& state) {
  const LinkInput& input = Input();
  FoldedMap map;
  for (auto _ : state) {
    for (uint32_t i = 0; i < kRecordCount; ++i) {
      const std::string& name = input.names[i];
      WriteSite(input, 4 * (i + 1), map.Find(name.c_str(), name.size()));
    }
    benchmark::DoNotOptimize(input.code[4]);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}
BENCHMARK(BM_UnorderedMapLookup)->Unit(benchmark::kMicrosecond);

// The block's records read in turn (kind, mode, site, counted name) and each name found in the
// map; without the linker's checks of sites, chains and overlaps.
void BM_LinkThroughUnorderedMap(benchmark::State& state) {
  const LinkInput& input = Input();
  FoldedMap map;
  for (auto _ : state) {
    state.PauseTiming();
    ClearSites(input);
    state.ResumeTiming();
    const uint8_t* p = input.import.data();
    const uint8_t* end = p + input.import.size();
    while (p < end) {
      uint32_t site;
      std::memcpy(&site, p + 2, 4);
      size_t length = p[6];
      const RelocEntry* entry = map.Find(reinterpret_cast<const char*>(p + 7), length);
      if (!entry) break;
      WriteSite(input, site, entry);
      p += 7 + length;
    }
    benchmark::DoNotOptimize(input.code[4]);
  }
  state.SetItemsProcessed(state.iterations() * kRecordCount);
}
BENCHMARK(BM_LinkThroughUnorderedMap)->Unit(benchmark::kMicrosecond);

constexpr uint32_t kStringCount = 40000;
constexpr uint32_t kStringTextLength = 10;
// Header, length byte, text and NUL, rounded up to a word.
constexpr uint32_t kStringRecordBytes =
    (qvimage::kStringConstHeaderBytes + kStringTextLength + qvimage::kStringConstTextOverhead + 3) &
    ~3u;

// Site 4 * (i + 1) holds the data offset of string record i; the pristine copies restore both
// blocks before each link.
struct StringInput {
  std::vector<uint8_t> import, pristineCode, pristineData, data;
  uint8_t* code;
  uint32_t codeSize;
};

const StringInput& Strings() {
  static StringInput input = [] {
    StringInput made;
    made.codeSize = 4 * (kStringCount + 1);
    made.code = AllocateCodeBlock(made.codeSize);
    made.pristineCode.assign(made.codeSize, 0);
    made.pristineData.assign(size_t(kStringCount) * kStringRecordBytes, 0);
    for (uint32_t i = 0; i < kStringCount; ++i) {
      const uint32_t site = 4 * (i + 1), offset = i * kStringRecordBytes;
      const uint32_t header[5] = {1, 0, kStringTextLength + 2, kStringTextLength, 0x600};
      std::memcpy(made.pristineData.data() + offset, header, sizeof header);
      std::memcpy(made.pristineCode.data() + site, &offset, 4);
      made.import.push_back(qvimage::kImportStringConst);
      made.import.insert(made.import.end(), reinterpret_cast<const uint8_t*>(&site),
                         reinterpret_cast<const uint8_t*>(&site) + 4);
    }
    made.data = made.pristineData;
    return made;
  }();
  return input;
}

void RestoreStrings(StringInput& input) {
  std::memcpy(input.code, input.pristineCode.data(), input.codeSize);
  std::memcpy(input.data.data(), input.pristineData.data(), input.data.size());
}

void BM_LinkStringConstants(benchmark::State& state) {
  StringInput& input = const_cast<StringInput&>(Strings());
  ImageLinkTarget target{input.code, input.codeSize, input.data.data(),
                         uint32_t(input.data.size())};
  for (auto _ : state) {
    state.PauseTiming();
    RestoreStrings(input);
    state.ResumeTiming();
    bool linked = LinkImportBlock(target, input.import.data(), uint32_t(input.import.size()));
    benchmark::DoNotOptimize(linked);
  }
  state.SetItemsProcessed(state.iterations() * kStringCount);
}
BENCHMARK(BM_LinkStringConstants)->Unit(benchmark::kMicrosecond);

// Each record's site relocated and its string's data pointer set, trusting the block.
void BM_RelocateStringConstants(benchmark::State& state) {
  StringInput& input = const_cast<StringInput&>(Strings());
  uint8_t* data = input.data.data();
  for (auto _ : state) {
    state.PauseTiming();
    RestoreStrings(input);
    state.ResumeTiming();
    const uint8_t* p = input.import.data();
    const uint8_t* end = p + input.import.size();
    for (; p < end; p += 5) {
      uint32_t site, offset;
      std::memcpy(&site, p + 1, 4);
      std::memcpy(&offset, input.code + site, 4);
      uint8_t* record = data + offset;
      const uint32_t address = uint32_t(uintptr_t(record));
      const uint32_t text = address + qvimage::kStringConstHeaderBytes;
      std::memcpy(input.code + site, &address, 4);
      std::memcpy(record + qvimage::kStringConstDataPointerOffset, &text, 4);
    }
    benchmark::DoNotOptimize(input.code[4]);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kStringCount);
}
BENCHMARK(BM_RelocateStringConstants)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
  // The whole link of kind-1 records also checks what the plain loop trusts, so it has no aim
  // of its own; string constants are checked too, within three times the plain relocation.
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_RegistryLookup", "BM_UnorderedMapLookup", 1.2},
                                 {"BM_LinkThroughRegistryMap", "BM_LinkThroughUnorderedMap", 0},
                                 {"BM_LinkStringConstants", "BM_RelocateStringConstants", 3}});
}
