#include "image/ExportRegistry.h"

#include <cctype>
#include <string>
#include <unordered_map>

#include "core/RuntimeError.h"
#include "core/SimpleVector.h"

namespace {

// Case is ignored by keying on the upper-case name.
using ExportMap = std::unordered_map<std::string, const RelocEntry*>;

SimpleVector<RelocEntry*>& RuntimeEntries() {
  static SimpleVector<RelocEntry*> entries;
  return entries;
}

std::string ExportKey(const char* name) {
  std::string key = name;
  for (char& c : key) c = char(std::toupper(static_cast<unsigned char>(c)));
  return key;
}

void AddToMap(ExportMap* map, const RelocEntry* entry) {
  if (entry->name) (*map)[ExportKey(entry->name)] = entry;
}

// Built on first use from every named static row, then every named run-time entry; a later
// addition under the same name replaces the earlier.
ExportMap& Registry() {
  static ExportMap* map = [] {
    auto* built = new ExportMap(256);
    for (const RelocEntry* row = StaticExportTableBegin(); row != StaticExportTableEnd(); ++row)
      AddToMap(built, row);
    SimpleVector<RelocEntry*>& entries = RuntimeEntries();
    for (uint32_t i = 0; i < entries.size(); ++i) AddToMap(built, entries[int32_t(i)]);
    return built;
  }();
  return *map;
}

}  // namespace

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

const RelocEntry* LookupExportEntry(const char* name) {
  if (!name) return nullptr;
  ExportMap& map = Registry();
  auto found = map.find(ExportKey(name));
  return found == map.end() ? nullptr : found->second;
}

extern "C" void RegisterExport(const char* name, void* function) {
  if (!function) return;
  const RelocEntry* existing = LookupExportEntry(name);
  if (existing) {
    QV_CHECK_TEXT(existing->code == function, "functionPtr == oldEntry->code", nullptr);
    return;
  }
  auto* entry = new RelocEntry{name, function, 0, 0};
  RuntimeEntries().Append(entry);
  AddToMap(&Registry(), entry);
}
