// Str, CStr, Bin, Oct and Hex of a variant.
#include <gtest/gtest.h>

#include <bitset>

#include "StringFunctionsTestSupport.h"
#include "core/RuntimeClass.h"
#include "core/VariantTestSupport.h"
#include "core/VariantTypes.h"
#include "strings/NumberBases.h"
#include "strings/StringNumbers.h"

using namespace strtest;

namespace {

using Variants = qvtest::HeldVariants;

// Hex by type: the 32-bit value of Int32 and UInt32, the 64-bit value of Int64, UInt64 and
// String, nothing of any other type; Bin and Oct always the 64-bit value.
TEST(VariantText, BinOctAndHexOfAVariant) {
  qvtest::RaisedExceptions raised;
  Variants v;
  RuntimeObject* minusOne = v(Int32ToVariant(-1));
  EXPECT_EQ(Take(RuntimeHexVariant(minusOne)), "FFFFFFFF");
  EXPECT_EQ(Take(RuntimeBinVariant(minusOne)), std::string(64, '1'));
  EXPECT_EQ(Take(RuntimeOctVariant(minusOne)), "1777777777777777777777");
  EXPECT_EQ(Take(RuntimeHexVariant(v(UInt32ToVariant(0xFFFFFFFF)))), "FFFFFFFF");
  EXPECT_EQ(Take(RuntimeHexVariant(v(Int64ToVariant(-2)))), "FFFFFFFFFFFFFFFE");
  EXPECT_EQ(Take(RuntimeHexVariant(v(UInt64ToVariant(0x1234567890)))), "1234567890");
  EXPECT_EQ(Take(RuntimeHexVariant(v(StringToVariant(string("&h1F").Storage())))), "1F");
  EXPECT_EQ(Take(RuntimeHexVariant(v(StringToVariant(string("-2").Storage())))),
            "FFFFFFFFFFFFFFFE");
  EXPECT_EQ(RuntimeHexVariant(v(DoubleToVariant(255.0))), nullptr);
  EXPECT_EQ(RuntimeHexVariant(v(BooleanToVariant(1))), nullptr);
  EXPECT_EQ(RuntimeHexVariant(nullptr), nullptr);
  EXPECT_EQ(Take(RuntimeBinVariant(v(DoubleToVariant(5.9)))), "101");
  EXPECT_EQ(Take(RuntimeOctVariant(v(CurrencyToVariant(80000)))), "10");
  EXPECT_EQ(Take(RuntimeBinVariant(nullptr)), "0");
  EXPECT_EQ(raised.Take().size(), 0u);
}

// CStr gives Single and Double as Str does, whatever the locale's decimal separator, and any
// other variant its text.
TEST(VariantText, StrAndCStrOfAVariant) {
  qvtest::RaisedExceptions raised;
  ScopedLocale german("de_DE.UTF-8");
  Variants v;
  EXPECT_EQ(Take(runCStr(v(DoubleToVariant(2.5)))), "2.5");
  EXPECT_EQ(Take(runCStr(v(DoubleToVariant(1234567.5)))), "1.234568e+6");
  EXPECT_EQ(Take(runCStr(v(SingleToVariant(0.1f)))), "0.1");
  EXPECT_EQ(Take(runCStr(v(Int32ToVariant(-5)))), "-5");
  EXPECT_EQ(Take(runCStr(v(BooleanToVariant(1)))), "True");
  EXPECT_EQ(Take(runCStr(v(ColorToVariant(0xFF)))), "&h0000FF");
  EXPECT_EQ(runCStr(nullptr), nullptr);
  // Str is the variant's own text: Double in its 17-digit form.
  EXPECT_EQ(Take(StringStrVariant(v(DoubleToVariant(2.5)))), "2.5");
  EXPECT_EQ(Take(StringStrVariant(v(DoubleToVariant(1234567.5)))), "1.2345675e+6");
  EXPECT_EQ(Take(StringStrVariant(v(CurrencyToVariant(-12345)))), "-1.2345");
  EXPECT_EQ(StringStrVariant(nullptr), nullptr);
  EXPECT_EQ(raised.Take().size(), 0u);
  RuntimeClass* cls = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
  cls->instanceSize = sizeof(RuntimeObject);
  RuntimeObject* object = v(RuntimeNewObject(cls));
  EXPECT_EQ(runCStr(object), nullptr);
  EXPECT_EQ(raised.TakeOne(), "TypeMismatchException");
  EXPECT_EQ(RuntimeBinVariant(object), nullptr);
  EXPECT_EQ(raised.TakeOne(), "TypeMismatchException");
}

}  // namespace
