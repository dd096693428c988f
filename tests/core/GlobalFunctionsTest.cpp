// The global-function table: its rows, their lookup by name, and the exports they add.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>

#include "app/IntrinsicTypes.h"
#include "core/GlobalFunctions.h"
#include "image/ExportRegistry.h"
#include "support/TestSupport.h"

namespace {

std::string NameOf(const MethodRow* row) { return row->name; }

TEST(GlobalFunctionsTest, TableHoldsThePlainEntriesThenTheExtendsForms) {
  ASSERT_EQ(GlobalFunctionCount(), 261u);
  uint32_t plain = 0;
  for (uint32_t i = 0; i < GlobalFunctionCount(); ++i) {
    const MethodRow* row = GlobalFunctionAt(i);
    if (row->methodKind == kMethodPlain) {
      EXPECT_EQ(i, plain) << "plain entry after the Extends forms: " << row->name;
      ++plain;
    }
  }
  EXPECT_EQ(plain, 225u);
  EXPECT_EQ(NameOf(GlobalFunctionAt(0)), "OpenURLMovie");
  EXPECT_EQ(NameOf(GlobalFunctionAt(225)), "Mid");
  EXPECT_EQ(NameOf(GlobalFunctionAt(260)), "InStrB");
  EXPECT_STREQ(GlobalFunctionAt(260)->a.exportName, "StringExtendsInStrB");
  qvtest::ReportCapture reports;
  EXPECT_EQ(GlobalFunctionAt(261), nullptr);
  EXPECT_EQ(reports.count(), 1u);
}

TEST(GlobalFunctionsTest, OverloadsShareANameInTheirDocumentedOrder) {
  std::map<std::string, int> counts;
  std::string hexExports;
  for (uint32_t i = 0; i < 225; ++i) {
    const MethodRow* row = GlobalFunctionAt(i);
    ++counts[row->name];
    if (NameOf(row) == "Hex") hexExports += std::string(row->a.exportName) + " ";
  }
  EXPECT_EQ(counts["Hex"], 11);
  EXPECT_EQ(counts["Oct"], 11);
  EXPECT_EQ(counts["Bin"], 11);
  EXPECT_EQ(counts["Str"], 11);
  EXPECT_EQ(counts["MsgBox"], 2);
  EXPECT_EQ(counts["Mid"], 2);
  EXPECT_EQ(hexExports,
            "RuntimeHexInt8 RuntimeHexInt16 RuntimeHex RuntimeHexInt64 RuntimeHexUInt8 "
            "RuntimeHexUInt16 RuntimeHexUInt32 RuntimeHexUInt64 RuntimeHexSingle "
            "RuntimeHexDouble RuntimeHexVariant ");
}

TEST(GlobalFunctionsTest, LookupIgnoresCaseAndFindsTheFirstEntry) {
  const MethodRow* mid = LookupGlobalFunction("mid");
  ASSERT_NE(mid, nullptr);
  EXPECT_EQ(mid->parameterCount, 2);
  EXPECT_EQ(mid->methodKind, kMethodPlain);
  EXPECT_STREQ(mid->a.exportName, "StringDBCSMid2");
  EXPECT_EQ(mid->returnType, IntrinsicType(kIntrinsicString));
  EXPECT_EQ(mid->parameters[1].parameterType, IntrinsicType(kIntrinsicInteger));
  const MethodRow* box = LookupGlobalFunction("MSGBOX");
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(box->returnType, nullptr);
  EXPECT_EQ(box->parameterCount, 1);
  EXPECT_EQ(LookupGlobalFunction("Middle"), nullptr);
}

TEST(GlobalFunctionsTest, AttributeFlagsOfTheMarkedEntries) {
  EXPECT_EQ(LookupGlobalFunction("Print")->flags, 0x804u);
  EXPECT_EQ(LookupGlobalFunction("stderr")->flags, 0x804u);
  EXPECT_EQ(LookupGlobalFunction("_RuntimeRegisterConsoleAppObject")->flags, 0x804u);
  EXPECT_EQ(LookupGlobalFunction("ExtensionsFolder")->flags, 0x8004u);
  EXPECT_EQ(LookupGlobalFunction("IsCMMClick")->flags, 0x8000u);
  EXPECT_EQ(LookupGlobalFunction("Ticks")->flags, 4u);
}

// A row's function is the one exported under its name; a row whose subsystem is not linked,
// or that carries no function, adds nothing an image could link to.
TEST(GlobalFunctionsTest, EntriesCarryTheExportedFunctionsOnly) {
  const RelocEntry* rnd = LookupExportEntry("rnd");
  ASSERT_NE(rnd, nullptr);
  EXPECT_EQ(LookupGlobalFunction("Rnd")->a.toc, rnd->code);
  EXPECT_EQ(LookupGlobalFunction("Rnd")->returnType, IntrinsicType(kIntrinsicDouble));
  const std::set<std::string> withoutFunction = {
      "_RuntimeRegisterAppObject", "_RuntimeRegisterConsoleAppObject", "_InitPluginEntrypoints"};
  for (const std::string& name : withoutFunction) {
    const MethodRow* row = LookupGlobalFunction(name.c_str());
    ASSERT_NE(row, nullptr) << name;
    EXPECT_EQ(row->a.toc, nullptr) << name;
    EXPECT_EQ(LookupExportEntry(row->a.exportName), nullptr) << name;
  }
  for (uint32_t i = 0; i < GlobalFunctionCount(); ++i) {
    const MethodRow* row = GlobalFunctionAt(i);
    const RelocEntry* entry = LookupExportEntry(row->a.exportName);
    const bool carries = entry && !withoutFunction.count(row->name);
    EXPECT_EQ(row->a.toc, carries ? entry->code : nullptr) << row->name;
  }
}

TEST(GlobalFunctionsTest, AddedEntriesAreFoundAndExported) {
  static ParameterRecord parameters[1] = {{"x", nullptr, 0, 0, 0, 0, {}}};
  static MethodRow row = {"GlobalTestFunction", nullptr, parameters, 1,
                          {reinterpret_cast<void*>(&GlobalFunctionCount), "GlobalTestExport", 0, {}},
                          {}, kMethodPlain, 4, 0};
  const uint32_t before = GlobalFunctionCount();
  AddGlobalFunction(&row);
  EXPECT_EQ(GlobalFunctionCount(), before + 1);
  EXPECT_EQ(LookupGlobalFunction("globaltestfunction"), &row);
  ASSERT_NE(LookupExportEntry("GlobalTestExport"), nullptr);
  qvtest::ReportCapture reports;
  AddGlobalFunction(nullptr);
  EXPECT_TRUE(reports.HasCondition("item"));
  EXPECT_EQ(GlobalFunctionCount(), before + 1);
}

}  // namespace
