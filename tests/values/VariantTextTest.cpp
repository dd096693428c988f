// Str, CStr, Bin, Oct and Hex of a variant.
#include <gtest/gtest.h>

#include "strings/StringFunctionsTestSupport.h"
#include "core/RuntimeClass.h"
#include "values/VariantTestSupport.h"
#include "values/VariantText.h"
#include "strings/NumberBases.h"
#include "strings/StringNumbers.h"

namespace {

// Hex: the 32-bit value of Int32 and UInt32, the 64-bit value of Int64, UInt64 and String,
// nothing of other types; Bin and Oct: the 64-bit value. CStr: Single and Double as Str gives
// them whatever the locale's decimal separator, anything else as Str: the variant's text.
TEST(VariantText, StrCStrBinOctAndHexOfAVariant) {
  qvtest::RaisedExceptions raised;
  strtest::ScopedLocale german("de_DE.UTF-8");
  qvtest::HeldVariants v;
  using Text = stringStorage* (*)(RuntimeObject*);
  const struct {
    Text function;
    RuntimeObject* variant;
    const char* expected;
  } cases[] = {
      {RuntimeHexVariant, v(Int32ToVariant(-1)), "FFFFFFFF"},
      {RuntimeOctVariant, v(Int32ToVariant(-1)), "1777777777777777777777"},
      {RuntimeHexVariant, v(UInt32ToVariant(~0u)), "FFFFFFFF"},
      {RuntimeHexVariant, v(Int64ToVariant(-2)), "FFFFFFFFFFFFFFFE"},
      {RuntimeHexVariant, v.Text("&h1F"), "1F"},
      {RuntimeHexVariant, v.Text("-2"), "FFFFFFFFFFFFFFFE"},
      {RuntimeHexVariant, v(DoubleToVariant(255.0)), ""},
      {RuntimeHexVariant, v(BooleanToVariant(1)), ""},
      {RuntimeBinVariant, v(DoubleToVariant(5.9)), "101"},
      {RuntimeOctVariant, v(CurrencyToVariant(80000)), "10"},
      {RuntimeBinVariant, nullptr, "0"},
      {runCStr, v(DoubleToVariant(1234567.5)), "1.234568e+6"},
      {runCStr, v(SingleToVariant(0.1f)), "0.1"},
      {runCStr, v(DoubleToVariant(2.5)), "2.5"},
      {runCStr, v(ColorToVariant(0xFF)), "&h0000FF"},
      {StringStrVariant, v(DoubleToVariant(1234567.5)), "1.2345675e+6"},
      {StringStrVariant, v(CurrencyToVariant(-12345)), "-1.2345"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(strtest::Take(c.function(c.variant)), c.expected)
        << qvtest::DescribeVariant(c.variant);
  }
  EXPECT_EQ(strtest::Take(RuntimeBinVariant(v(Int32ToVariant(-1)))), std::string(64, '1'));
  EXPECT_EQ(runCStr(nullptr), nullptr);
  EXPECT_EQ(raised.Take().size(), 0u);
  // No integer value: a raise, and no text.
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->instanceSize = sizeof(RuntimeObject);
  RuntimeObject* object = v(RuntimeNewObject(cls));
  EXPECT_EQ(runCStr(object), nullptr);
  EXPECT_EQ(RuntimeBinVariant(object), nullptr);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(2, "TypeMismatchException"));
}

}  // namespace
