// The global-function table: its order, lookup by name, and the functions its rows carry.
#include <gtest/gtest.h>

#include <map>
#include <set>

#include "app/IntrinsicTypes.h"
#include "core/GlobalFunctions.h"
#include "image/ExportRegistry.h"
#include "support/TestSupport.h"

namespace {

TEST(GlobalFunctionsTest, PlainEntriesThenExtendsFormsWithOverloadsInOrder) {
  ASSERT_EQ(GlobalFunctionCount(), 261u);
  std::map<std::string, int> plainCounts;
  std::string hexExports;
  for (uint32_t i = 0; i < GlobalFunctionCount(); ++i) {
    const MethodRow* row = GlobalFunctionAt(i);
    EXPECT_EQ(row->methodKind, i < 225 ? kMethodPlain : kMethodExtends) << i << row->name;
    plainCounts[row->name] += i < 225;
    if (std::string(row->name) == "Hex") hexExports += row->a.exportName + std::string(" ");
  }
  for (const char* name : {"Hex", "Oct", "Bin", "Str"}) EXPECT_EQ(plainCounts[name], 11) << name;
  EXPECT_EQ(hexExports,
            "RuntimeHexInt8 RuntimeHexInt16 RuntimeHex RuntimeHexInt64 RuntimeHexUInt8 "
            "RuntimeHexUInt16 RuntimeHexUInt32 RuntimeHexUInt64 RuntimeHexSingle "
            "RuntimeHexDouble RuntimeHexVariant ");
  EXPECT_STREQ(GlobalFunctionAt(260)->a.exportName, "StringExtendsInStrB");
  qvtest::ReportCapture reports;
  EXPECT_EQ(GlobalFunctionAt(261), nullptr);
  AddGlobalFunction(nullptr);
  EXPECT_TRUE(reports.HasCondition("item"));
  EXPECT_EQ(GlobalFunctionCount(), 261u);
  // Lookup ignores case and finds the first entry of a name.
  const MethodRow* mid = LookupGlobalFunction("mid");
  ASSERT_NE(mid, nullptr);
  EXPECT_STREQ(mid->a.exportName, "StringDBCSMid2");
  EXPECT_EQ(mid->parameterCount, 2);
  EXPECT_EQ(mid->returnType, IntrinsicType(kIntrinsicString));
  EXPECT_EQ(mid->parameters[1].parameterType, IntrinsicType(kIntrinsicInteger));
  EXPECT_EQ(LookupGlobalFunction("MSGBOX")->returnType, nullptr);
  EXPECT_EQ(LookupGlobalFunction("Middle"), nullptr);
}

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
