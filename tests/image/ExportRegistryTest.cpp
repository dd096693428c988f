// The export table and registry: images link by name, ignoring case.
#include <gtest/gtest.h>
#include <strings.h>

#include <map>

#include "image/ExportRegistry.h"
#include "support/TestSupport.h"

namespace {

extern "C" int32_t RegistryTestOne() { return 1; }
extern "C" int32_t RegistryTestTwo() { return 2; }

struct CaseInsensitiveLess {
  bool operator()(const std::string& a, const std::string& b) const { return strcasecmp(a.c_str(), b.c_str()) < 0; }
};

// One name must never stand for two functions.
TEST(ExportTable, NoNameIsBoundToTwoFunctions) {
  std::map<std::string, void*, CaseInsensitiveLess> seen;
  for (const RelocEntry* entry = StaticExportTableBegin(); entry != StaticExportTableEnd(); ++entry) {
    if (!entry->name) continue;
    EXPECT_NE(entry->code, nullptr) << entry->name;
    auto [it, inserted] = seen.emplace(entry->name, entry->code);
    EXPECT_EQ(it->second, entry->code) << "export bound twice: " << entry->name;
  }
  EXPECT_FALSE(seen.empty());
}

// The registry's map against a scan for the first entry whose name matches, case ignored.
TEST(ExportRegistry, LookupAgreesWithTheFirstMatchOfAScanInAnyCase) {
  for (uint32_t i = 0; i < ExportEntryCount(); ++i) {
    const RelocEntry* row = ExportEntryByIndex(i);
    std::string flipped = row->name ? row->name : "";
    for (char& c : flipped) c = char(islower(c) ? toupper(c) : tolower(c));
    for (uint32_t j = 0; row->name && j <= i; ++j) {
      const RelocEntry* first = ExportEntryByIndex(j);
      if (!first->name || strcasecmp(first->name, row->name)) continue;
      ASSERT_EQ(LookupExportEntry(row->name)->code, first->code) << row->name;
      ASSERT_EQ(LookupExportEntry(flipped.c_str())->code, first->code) << flipped;
      break;
    }
  }
  EXPECT_EQ(LookupExportEntry("NoSuchExportAnywhere"), nullptr);
  qvtest::ReportCapture reports;
  EXPECT_EQ(ExportEntryByIndex(ExportEntryCount()), nullptr);
  EXPECT_EQ(reports.count(), 1u);
}

TEST(ExportRegistry, RegisteringAgainKeepsTheFirstFunctionAndReportsAnother) {
  RegisterExport("RegistryTestFunction", reinterpret_cast<void*>(RegistryTestOne));
  const uint32_t count = ExportEntryCount();
  qvtest::ReportCapture reports;
  RegisterExport("registrytestfunction", reinterpret_cast<void*>(RegistryTestOne));
  EXPECT_TRUE(reports.empty());
  RegisterExport("REGISTRYTESTFUNCTION", reinterpret_cast<void*>(RegistryTestTwo));
  RegisterExport("RegistryTestNothing", nullptr);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].condition, "functionPtr == oldEntry->code");
  EXPECT_EQ(ExportEntryCount(), count);
  EXPECT_EQ(LookupExportEntry("RegistryTestFunction")->code, reinterpret_cast<void*>(RegistryTestOne));
  EXPECT_EQ(LookupExportEntry("RegistryTestNothing"), nullptr);
}

}  // namespace
