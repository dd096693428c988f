#include <gtest/gtest.h>
#include <strings.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <string>

#include "app/RuntimeInit.h"
#include "image/ExportRegistry.h"
#include "support/TestSupport.h"

namespace {

extern "C" int32_t RegistryTestOne() { return 1; }
extern "C" int32_t RegistryTestTwo() { return 2; }

void* Address(int32_t (*function)()) { return reinterpret_cast<void*>(function); }

// The linker's reference: the first entry by index whose name matches, case ignored.
const RelocEntry* FirstMatchByScan(const char* name) {
  for (uint32_t i = 0; i < ExportEntryCount(); ++i) {
    const RelocEntry* entry = ExportEntryByIndex(i);
    if (entry->name && strcasecmp(entry->name, name) == 0) return entry;
  }
  return nullptr;
}

std::string Flipped(const char* name) {
  std::string text = name;
  for (char& c : text) c = char(std::islower(uint8_t(c)) ? std::toupper(uint8_t(c)) : std::tolower(uint8_t(c)));
  return text;
}

TEST(ExportRegistry, MapLookupAgreesWithTheFirstMatchOfTheScan) {
  ASSERT_GT(StaticExportCount(), 0u);
  for (uint32_t i = 0; i < ExportEntryCount(); ++i) {
    const RelocEntry* row = ExportEntryByIndex(i);
    if (!row->name) continue;
    for (const std::string& name : {std::string(row->name), Flipped(row->name)}) {
      const RelocEntry* found = LookupExportEntry(name.c_str());
      ASSERT_NE(found, nullptr) << name;
      EXPECT_EQ(found->code, FirstMatchByScan(name.c_str())->code) << name;
    }
  }
  EXPECT_EQ(LookupExportEntry("NoSuchExportAnywhere"), nullptr);
  EXPECT_EQ(LookupExportEntry(nullptr), nullptr);
}

TEST(ExportRegistry, LowerCaseNameFindsRuntimeInit) {
  const RelocEntry* entry = LookupExportEntry("runtimeinit");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->code, reinterpret_cast<void*>(&RuntimeInit));
}

TEST(ExportRegistry, RegisteringAgainKeepsTheFirstFunction) {
  RegisterExport("RegistryTestFunction", Address(RegistryTestOne));
  uint32_t count = ExportEntryCount();
  qvtest::ReportCapture reports;
  RegisterExport("registrytestfunction", Address(RegistryTestOne));
  EXPECT_TRUE(reports.empty());
  EXPECT_EQ(ExportEntryCount(), count);
  RegisterExport("REGISTRYTESTFUNCTION", Address(RegistryTestTwo));
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].condition, "functionPtr == oldEntry->code");
  EXPECT_EQ(ExportEntryCount(), count);
  EXPECT_EQ(LookupExportEntry("RegistryTestFunction")->code, Address(RegistryTestOne));
  RegisterExport("RegistryTestNothing", nullptr);
  EXPECT_EQ(LookupExportEntry("RegistryTestNothing"), nullptr);
  EXPECT_EQ(ExportEntryCount(), count);
}

TEST(ExportRegistry, IndexPastTheCountIsReported) {
  qvtest::ReportCapture reports;
  EXPECT_EQ(ExportEntryByIndex(ExportEntryCount()), nullptr);
  EXPECT_EQ(reports.count(), 1u);
}

// Runs in a fresh process (see below), where nothing has built the map yet.
TEST(ExportRegistryFresh, DISABLED_EntryRegisteredBeforeTheMapIsBuilt) {
  uint32_t first = ExportEntryCount();
  ASSERT_EQ(first, StaticExportCount());
  RegisterExport(nullptr, Address(RegistryTestTwo));  // no name: indexed, never looked up
  RegisterExport("RegistryEarlyEntry", Address(RegistryTestOne));
  ASSERT_EQ(ExportEntryCount(), first + 2);
  EXPECT_EQ(ExportEntryByIndex(first)->code, Address(RegistryTestTwo));
  EXPECT_EQ(ExportEntryByIndex(first + 1)->code, Address(RegistryTestOne));
  const RelocEntry* found = LookupExportEntry("registryearlyentry");
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(found, ExportEntryByIndex(first + 1));
}

TEST(ExportRegistry, EntryRegisteredBeforeTheMapIsBuiltIsFound) {
  std::string output;
  int status = qvtest::RunInChild(
      [] {
        execl("/proc/self/exe", "test_image",
              "--gtest_filter=ExportRegistryFresh.DISABLED_EntryRegisteredBeforeTheMapIsBuilt",
              "--gtest_also_run_disabled_tests", static_cast<char*>(nullptr));
        _exit(127);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_NE(output.find("[  PASSED  ] 1 test"), std::string::npos) << output;
}

}  // namespace
