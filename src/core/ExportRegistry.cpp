#include "core/ExportRegistry.h"

#include <cstring>

#include "core/RuntimeError.h"
#include "core/SimpleVector.h"

namespace {

constexpr uint32_t kRegistryBuckets = 256;

// Entries are never freed, so the vector that holds them is not either.
SimpleVector<RelocEntry*>& RuntimeEntries() {
  static auto* entries = new SimpleVector<RelocEntry*>();
  return *entries;
}

void AddToMap(StringMap<RelocEntry*>* map, const RelocEntry* entry) {
  // The map hands entries out as the registry's own; static rows are never written through it.
  if (entry->name) map->AddEntry(string(entry->name), const_cast<RelocEntry*>(entry));
}

}  // namespace

StringMap<RelocEntry*>& GetExportRegistry() {
  static StringMap<RelocEntry*>* map = [] {
    auto* built = new StringMap<RelocEntry*>(kRegistryBuckets);
    for (const RelocEntry* row = StaticExportTableBegin(); row != StaticExportTableEnd(); ++row)
      AddToMap(built, row);
    SimpleVector<RelocEntry*>& entries = RuntimeEntries();
    for (uint32_t i = 0; i < entries.size(); ++i) AddToMap(built, entries[int32_t(i)]);
    return built;
  }();
  return *map;
}

uint32_t StaticExportCount() {
  return uint32_t(StaticExportTableEnd() - StaticExportTableBegin());
}

extern "C" uint32_t ExportEntryCount() { return StaticExportCount() + RuntimeEntries().size(); }

extern "C" const RelocEntry* ExportEntryByIndex(uint32_t index) {
  if (!QV_CHECK(index < ExportEntryCount())) return nullptr;
  uint32_t staticCount = StaticExportCount();
  if (index < staticCount) return StaticExportTableBegin() + index;
  return RuntimeEntries()[int32_t(index - staticCount)];
}

const RelocEntry* LookupExportEntry(const string& name) {
  RelocEntry* entry = nullptr;
  if (name.IsEmpty() || !GetExportRegistry().GetEntry(name, &entry)) return nullptr;
  return entry;
}

// The linker looks up every imported name: no string is made for it.
const RelocEntry* LookupExportEntry(const char* name) {
  if (!name || !*name) return nullptr;
  RelocEntry* entry = nullptr;
  const auto* bytes = reinterpret_cast<const unsigned char*>(name);
  int32_t length = static_cast<int32_t>(std::strlen(name));
  if (!GetExportRegistry().GetEntryForBytes(bytes, length, &entry)) return nullptr;
  return entry;
}

extern "C" void RegisterExport(const char* name, void* function) {
  if (!function) return;
  const RelocEntry* existing = LookupExportEntry(name);
  if (existing) {
    (void)QV_CHECK_TEXT(existing->code == function, "functionPtr == oldEntry->code", nullptr);
    return;
  }
  auto* entry = new RelocEntry{name, function, 0, 0};
  if (!QV_CHECK(entry)) return;
  RuntimeEntries().Append(entry);
  AddToMap(&GetExportRegistry(), entry);
}
