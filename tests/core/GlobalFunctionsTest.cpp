// The global-function table: the functions its rows carry.
#include <gtest/gtest.h>

#include <set>

#include "core/ExportRegistry.h"
#include "core/GlobalFunctions.h"
#include "support/TestSupport.h"

namespace {

// A row's function is the one exported under its name; a row whose subsystem is not linked
// adds nothing an image could link to, and one that carries no function holds none even where
// its export exists; a nil row is refused.
TEST(GlobalFunctionsTest, EntriesCarryTheExportedFunctionsOnly) {
  const std::set<std::string> withoutFunction = {
      "_RuntimeRegisterAppObject", "_RuntimeRegisterConsoleAppObject", "_InitPluginEntrypoints"};
  ASSERT_NE(LookupGlobalFunction("Rnd")->a.toc, nullptr);
  for (uint32_t i = 0; i < GlobalFunctionCount(); ++i) {
    const MethodRow* row = GlobalFunctionAt(i);
    const RelocEntry* entry = LookupExportEntry(row->a.exportName);
    if (withoutFunction.count(row->name)) {
      EXPECT_EQ(row->a.toc, nullptr) << row->name;
      continue;
    }
    EXPECT_EQ(row->a.toc, entry ? entry->code : nullptr) << row->name;
  }
  const uint32_t count = GlobalFunctionCount();
  qvtest::ReportCapture reports;
  EXPECT_EQ(GlobalFunctionAt(count), nullptr);
  AddGlobalFunction(nullptr);
  EXPECT_TRUE(reports.HasCondition("item"));
  EXPECT_EQ(GlobalFunctionCount(), count);
}

}  // namespace
