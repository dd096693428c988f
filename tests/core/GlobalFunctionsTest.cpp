// The global-function table: the functions its rows carry.
#include <gtest/gtest.h>

#include <set>

#include "core/GlobalFunctions.h"
#include "image/ExportRegistry.h"

namespace {

// A row's function is the one exported under its name; a row whose subsystem is not linked,
// or that carries no function, adds nothing an image could link to.
TEST(GlobalFunctionsTest, EntriesCarryTheExportedFunctionsOnly) {
  const std::set<std::string> withoutFunction = {
      "_RuntimeRegisterAppObject", "_RuntimeRegisterConsoleAppObject", "_InitPluginEntrypoints"};
  ASSERT_NE(LookupGlobalFunction("Rnd")->a.toc, nullptr);
  for (uint32_t i = 0; i < GlobalFunctionCount(); ++i) {
    const MethodRow* row = GlobalFunctionAt(i);
    const RelocEntry* entry = LookupExportEntry(row->a.exportName);
    EXPECT_FALSE(entry && withoutFunction.count(row->name)) << row->name;
    EXPECT_EQ(row->a.toc, entry ? entry->code : nullptr) << row->name;
  }
}

}  // namespace
