// Variants that hold Dates: type code, every conversion through TotalSeconds, VariantToDate by
// type, comparison, hashing, arithmetic and Dates as Dictionary keys.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>

#include "values/VariantTestSupport.h"
#include "app/ExternalClasses.h"
#include "values/DateClass.h"
#include "values/Dictionary.h"
#include "core/ObjectDefinitionConverter.h"
#include "values/VariantConversions.h"
#include "values/VariantOperators.h"

namespace {

class VariantDateTest : public ::testing::Test {
 protected:
  void SetUp() override { RuntimeInitExternalClasses(); }
  RuntimeObject* DateAt(double seconds) {
    RuntimeObject* date = v(NewDateObject());
    dateTotalSecondsSetter(date, 0, seconds);
    return date;
  }
  double Seconds(RuntimeObject* date) { return dateTotalSecondsGetter(v(date)); }
  static std::string Text(stringStorage* s) { return string::Adopt(s).CString(); }

  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
};

TEST_F(VariantDateTest, ADateConvertsThroughItsTotalSeconds) {
  RuntimeObject* late = DateAt(3e9);
  EXPECT_EQ(VarType(late), kVarTypeDate);
  EXPECT_EQ(VariantToInt32(late), INT32_MIN) << "outside 32 bits, as a Double converts";
  EXPECT_EQ(VariantToUInt32(late), 3000000000u);
  EXPECT_EQ(VariantToInt64(late), 3000000000);
  EXPECT_EQ(VariantToUInt64(late), 3000000000u);
  EXPECT_EQ(VariantToSingle(late), 3e9f);
  EXPECT_EQ(VariantToDouble(late), 3e9);
  EXPECT_EQ(Text(VariantToString(late)), "1999-01-24 05:20:00");
  RuntimeObject* early = DateAt(-2);
  EXPECT_EQ(VariantToInt32(early), -2);
  EXPECT_EQ(VariantToUInt32(early), 4294967294u);
  EXPECT_EQ(VariantToUInt64(early), ~uint64_t{1});
  EXPECT_EQ(VariantToColor(early), 0xFFFFFFFEu);
  EXPECT_TRUE(VariantToBoolean(early) && !VariantToBoolean(DateAt(0)));
  EXPECT_EQ(raised.Take().size(), 0u);
  EXPECT_EQ(VariantToCurrency(late), 0);
  EXPECT_EQ(raised.TakeOne(), "TypeMismatchException");
}

TEST_F(VariantDateTest, VariantToDateByType) {
  EXPECT_EQ(Seconds(VariantToDate(v(Int32ToVariant(-1)))), 4294967295.0);
  EXPECT_EQ(Seconds(VariantToDate(v(UInt32ToVariant(4000000000u)))), 4e9);
  EXPECT_EQ(Seconds(VariantToDate(v(BooleanToVariant(1)))), 1.0);
  EXPECT_EQ(Seconds(VariantToDate(v(ColorToVariant(0xFF)))), 255.0);
  EXPECT_EQ(Seconds(VariantToDate(v(DoubleToVariant(86400.75)))), 86400.0);
  EXPECT_EQ(Text(dateSQLDateTimeGetter(v(VariantToDate(v.Text("2004-12-25 10:20:30"))))),
            "2004-12-25 10:20:30");
  RuntimeObject* date = DateAt(5);
  EXPECT_EQ(v(VariantToDate(date)), date);
  EXPECT_EQ(date->refCount, 2);
  EXPECT_EQ(raised.Take().size(), 0u);
  const std::pair<RuntimeObject*, const char*> refused[] = {
      {nullptr, "NilObjectException"},
      {v(Int64ToVariant(1)), "TypeMismatchException"},
      {v(SingleToVariant(1)), "TypeMismatchException"},
      {v(CurrencyToVariant(1)), "TypeMismatchException"},
      {v(DoubleToVariant(NAN)), "UnsupportedFormatException"},
      {v.Text("12/25/2004"), "UnsupportedFormatException"}};
  for (const auto& [variant, exception] : refused) {
    EXPECT_EQ(VariantToDate(variant), nullptr);
    EXPECT_EQ(raised.TakeOne(), exception) << qvtest::DescribeVariant(variant);
  }
}

TEST_F(VariantDateTest, CompareHashArithmeticAndDictionaryKeys) {
  RuntimeObject* a = DateAt(1000), *b = DateAt(2000), *same = DateAt(1000);
  EXPECT_EQ(VariantCompare(a, b) * 10 + VariantCompare(b, a), -9);
  EXPECT_TRUE(VariantEqual(a, same));
  EXPECT_EQ(VariantCompare(a, v(Int32ToVariant(999))), 1) << "as Int64 seconds";
  EXPECT_EQ(uint32_t(VariantHash(a)), WordHash(std::bit_cast<uint64_t>(1000.0)));
  EXPECT_EQ(qvtest::DescribeVariant(v(VariantAdd(a, v(Int32ToVariant(5))))), "Int64 1005");
  RuntimeObject* d = NewObjectFromDefinition(DictionaryClassDefinition());
  dictionaryValueSetter(d, a, v.Text("first"));
  dictionaryValueSetter(d, same, v.Text("second"));
  dictionaryValueSetter(d, b, v.Text("third"));
  EXPECT_EQ(dictionaryCount(d), 2);
  EXPECT_EQ(qvtest::DescribeVariant(v(dictionaryValueGetter(d, a))), "String second");
  RuntimeUnlockObject(d);
  EXPECT_EQ(raised.Take().size(), 0u);
}

}  // namespace
