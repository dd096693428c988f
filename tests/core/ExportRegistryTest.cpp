// The export table and registry: images link by name, ignoring case.
#include <gtest/gtest.h>

#include <map>

#include "core/ExportRegistry.h"
#include "support/TestSupport.h"

namespace {

extern "C" int32_t RegistryTestOne() { return 1; }
extern "C" int32_t RegistryTestTwo() { return 2; }

// One name of the export table must never stand for two functions; the registry's lookup, in
// any case, answers the first entry of a name.
TEST(ExportRegistry, NoNameIsBoundToTwoFunctionsAndLookupFindsTheFirstEntry) {
  std::map<std::string, void*> first;  // by lower-case name
  for (uint32_t i = 0; i < ExportEntryCount(); ++i) {
    const RelocEntry* row = ExportEntryByIndex(i);
    if (!row->name) continue;
    std::string flipped = row->name, lower = row->name;
    for (char& c : flipped) c = char(islower(c) ? toupper(c) : tolower(c));
    for (char& c : lower) c = char(tolower(c));
    void* const code = first.emplace(lower, row->code).first->second;
    EXPECT_TRUE(i >= StaticExportCount() || code == row->code) << "bound twice: " << row->name;
    ASSERT_EQ(LookupExportEntry(row->name)->code, code) << row->name;
    ASSERT_EQ(LookupExportEntry(flipped.c_str())->code, code) << flipped;
  }
  EXPECT_EQ(LookupExportEntry("NoSuchExportAnywhere"), nullptr);
}

TEST(ExportRegistry, RegisteringAgainKeepsTheFirstFunctionAndReportsAnother) {
  RegisterExport("RegistryTestFunction", reinterpret_cast<void*>(RegistryTestOne));
  const uint32_t count = ExportEntryCount();
  qvtest::ReportCapture reports;
  // The same function again reports nothing; another function under the name reports.
  RegisterExport("registrytestfunction", reinterpret_cast<void*>(RegistryTestOne));
  RegisterExport("REGISTRYTESTFUNCTION", reinterpret_cast<void*>(RegistryTestTwo));
  RegisterExport("RegistryTestNothing", nullptr);
  EXPECT_TRUE(reports.count() == 1 && reports.HasCondition("functionPtr == oldEntry->code"));
  EXPECT_EQ(ExportEntryCount(), count);
  EXPECT_EQ(LookupExportEntry("RegistryTestFunction")->code,
            reinterpret_cast<void*>(RegistryTestOne));
  EXPECT_EQ(LookupExportEntry("RegistryTestNothing"), nullptr);
}

}  // namespace
