// Field getters and setters over the test engine's rows: every column code through every getter
// against the Python model (column_model.py), the exact integer and Currency rules, pending
// edits read before Update, and the DatabaseRecord's text forms.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "EngineTestSupport.h"
#include "values/DateClass.h"
#include "values/VariantConversions.h"
#include "values/VariantTypes.h"
#include "database/ColumnValues.h"
#include "support/TestSupport.h"
#include "support/CLocaleText.h"

namespace {

using dbtest::Held;
using dbtest::S;
using dbtest::TestEnginePlugin;
using dbtest::Text;

std::string Escape(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    char hex[5];
    std::snprintf(hex, sizeof hex, "\\x%02X", c);
    out += c >= 32 && c < 127 && c != '\\' ? std::string(1, char(c)) : std::string(hex);
  }
  return out;
}

std::string Real(double value) {
  if (std::isnan(value)) return "nan";
  return qvtest::CText("%.17g", value);
}

std::string DateText(RuntimeObject* date) {
  if (!date) return "nil";
  const std::string text = DateGetSQLDateTime(date).CString();
  RuntimeUnlockObject(date);
  return text;
}

std::string VariantText(RuntimeObject* variant) {
  const int32_t type = VarType(variant);
  std::string text = std::to_string(type) + ":";
  switch (type) {
    case kVarTypeInt32:
    case kVarTypeInt64: text += std::to_string(VariantToInt64(variant)); break;
    case kVarTypeDouble: text += Real(VariantToDouble(variant)); break;
    case kVarTypeCurrency: text += std::to_string(VariantToCurrency(variant)); break;
    case kVarTypeDate: text += DateGetSQLDateTime(variant).CString(); break;
    case kVarTypeBoolean: text += std::to_string(VariantToBoolean(variant)); break;
    case kVarTypeString: text += Escape(Text(VariantToString(variant))); break;
    default: break;
  }
  RuntimeUnlockObject(variant);
  return text;
}

// The getters' answers for the field's current row, as the model prints them.
std::string Getters(int row, RuntimeObject* field, bool stringRow) {
  std::ostringstream out;
  auto line = [&](const char* name, const std::string& value) {
    out << row << '\t' << name << '\t' << value << '\n';
  };
  line("String", Escape(Text(cursorFieldStringValueGetter(field, 0))));
  line("Double", Real(cursorFieldDoubleValueGetter(field, 0)));
  line("Integer", std::to_string(cursorFieldIntegerValueGetter(field, 0)));
  line("Int64", std::to_string(CursorFieldInt64ValueGetter(field, 0)));
  line("Currency", std::to_string(CursorFieldCurrencyValueGetter(field, 0)));
  line("Boolean", std::to_string(CursorFieldBooleanValueGetter(field, 0)));
  line("Date", DateText(cursorFieldDateValueGetter(field, 0)));
  line("Value", VariantText(CursorFieldValueGetter(field, 0)));
  line("Native", stringRow ? "*" : Escape(Text(cursorFieldNativeValueGetter(field, 0))));
  return out.str();
}

TEST(ColumnValues, EveryCodeThroughEveryGetterAgreesWithTheModel) {
  const std::string expected = qvtest::ProgramOutput({PYTHON3, COLUMN_MODEL});
  ASSERT_FALSE(expected.empty());
  dbtest::LiveObjects live;
  {
    Held db(TestEnginePlugin::Open("sql"));
    ASSERT_NE(db.get(), nullptr);
    Held rs(databaseSQLSelect(db, S("select * from codes")));
    ASSERT_NE(rs.get(), nullptr);
    Held field(cursorGetFieldByName(rs, S("VALUE")));
    ASSERT_NE(field.get(), nullptr);
    std::string actual;
    for (int row = 0; !cursorEOFGetter(rs); ++row, cursorMoveNext(rs)) {
      actual += Getters(row, field, row == 18);
    }
    std::istringstream want(expected), got(actual);
    std::string a, b;
    while (std::getline(want, a)) {
      ASSERT_TRUE(std::getline(got, b)) << "missing: " << a;
      EXPECT_EQ(b, a);
    }
    EXPECT_FALSE(std::getline(got, b)) << "more rows than the model: " << b;
  }
  EXPECT_EQ(live.Added(), 0);
  EXPECT_EQ(TestEnginePlugin::Lines("curClose").back(), "curClose values-unreleased=0");
}

// Moves to the test engine's row (0-based) of a fresh "codes" select.
RuntimeObject* SelectAtRow(RuntimeObject* db, int row) {
  RuntimeObject* rs = databaseSQLSelect(db, S("select * from codes"));
  for (int i = 0; i < row; ++i) cursorMoveNext(rs);
  return rs;
}

TEST(ColumnValues, PendingEditsAreReadBeforeUpdateAndOnlyAfterEdit) {
  dbtest::LiveObjects live;
  {
    Held db(TestEnginePlugin::Open("sql"));
    Held rs(SelectAtRow(db, 2));
    Held field(cursorGetFieldByName(rs, S("value")));
    cursorFieldStringValueSetter(field, 0, S("ignored"));
    EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "-12345") << "no Edit, no edit";

    cursorEdit(rs);
    CursorFieldBooleanValueSetter(field, 0, 1);
    EXPECT_EQ(CursorFieldBooleanValueGetter(field, 0), 1);
    EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "true");
    CursorFieldInt64ValueSetter(field, 0, INT64_MIN);
    EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "-9223372036854775808");
    EXPECT_EQ(CursorFieldInt64ValueGetter(field, 0), INT64_MIN);
    cursorFieldStringValueSetter(field, 0, S("9007199254740993"));
    EXPECT_EQ(CursorFieldInt64ValueGetter(field, 0), 9007199254740993);
    cursorFieldDoubleValueSetter(field, 0, 0.1);
    EXPECT_EQ(cursorFieldDoubleValueGetter(field, 0), 0.1) << "20 digits keep the double";
    EXPECT_EQ(Text(cursorFieldNativeValueGetter(field, 0)), std::string("\xC7\xCF", 2))
        << "NativeValue ignores pending edits";

    Held date(DateNewFromSQLDateTime(string("2004-03-09 13:05:59")));
    cursorFieldDateValueSetter(field, 0, date);
    EXPECT_EQ(DateText(cursorFieldDateValueGetter(field, 0)), "2004-03-09 13:05:59");
    cursorUpdate(rs);
    EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "2004-03-09 13:05:59")
        << "after Update, until the next move";
    cursorMoveNext(rs);
    EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "-2000000000");
    cursorEdit(rs);
    Held value(Int64ToVariant(-5));
    CursorFieldValueSetter(field, 0, value);
    EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "-5");
    Held unsignedValue(UInt64ToVariant(UINT64_MAX));
    CursorFieldValueSetter(field, 0, unsignedValue);
    EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "18446744073709551615");
    CursorFieldValueSetter(field, 0, nullptr);
    EXPECT_EQ(VariantText(CursorFieldValueGetter(field, 0)), "8:")
        << "a NULL pending edit reads as the empty text";
  }
  EXPECT_EQ(live.Added(), 0);
}

TEST(ColumnValues, CurrencyKeepsOneTextFormThroughFieldsAndRecords) {
  dbtest::LiveObjects live;
  {
    Held db(TestEnginePlugin::Open("sql"));
    Held rs(SelectAtRow(db, 5));
    Held field(cursorGetFieldByName(rs, S("value")));
    cursorEdit(rs);
    for (const auto& [raw, text] : std::vector<std::pair<Currency, const char*>>{
             {125000, "12.5"}, {-1, "-0.0001"}, {0, "0"}, {INT64_MIN, "-922337203685477.5808"},
             {INT64_MAX, "922337203685477.5807"}}) {
      CursorFieldCurrencyValueSetter(field, 0, raw);
      EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), text);
      EXPECT_EQ(CursorFieldCurrencyValueGetter(field, 0), raw) << text;
    }
    cursorFieldStringValueSetter(field, 0, S("12.50"));
    EXPECT_EQ(CursorFieldCurrencyValueGetter(field, 0), 125000);
    cursorFieldStringValueSetter(field, 0, S("1.00005"));
    EXPECT_EQ(CursorFieldCurrencyValueGetter(field, 0), 10001) << "half away from zero";
    cursorFieldStringValueSetter(field, 0, S("-1.00005"));
    EXPECT_EQ(CursorFieldCurrencyValueGetter(field, 0), -10001);

    Held record(NewDatabaseRecord());
    SetDatabaseRecordCurrencyColumn(record, S("price"), 125000);
    EXPECT_EQ(Text(getDatabaseRecordColumn(record, S("PRICE"))), "12.5");
    EXPECT_EQ(GetDatabaseRecordCurrencyColumn(record, S("price")), 125000) << "12.50 stays";
    SetDatabaseRecordCurrencyColumn(record, S("price"), -1);
    EXPECT_EQ(GetDatabaseRecordCurrencyColumn(record, S("price")), -1);
    SetDatabaseRecordInt64Column(record, S("big"), INT64_MIN);
    EXPECT_EQ(Text(getDatabaseRecordColumn(record, S("big"))), "-9223372036854775808");
    EXPECT_EQ(GetDatabaseRecordInt64Column(record, S("big")), INT64_MIN);
  }
  EXPECT_EQ(live.Added(), 0);
}

TEST(ColumnValues, CurrencyTextParsesOnlyPlainDecimals) {
  Currency amount = 7;
  EXPECT_FALSE(ParseCurrencyText(string("1e3"), &amount));
  EXPECT_FALSE(ParseCurrencyText(string("."), &amount));
  EXPECT_FALSE(ParseCurrencyText(string("1.2.3"), &amount));
  EXPECT_FALSE(ParseCurrencyText(string("922337203685477.5808"), &amount)) << "one past";
  EXPECT_EQ(amount, 7);
  EXPECT_TRUE(ParseCurrencyText(string(" -922337203685477.5808 "), &amount));
  EXPECT_EQ(amount, INT64_MIN);
  EXPECT_TRUE(ParseCurrencyText(string(".5"), &amount));
  EXPECT_EQ(amount, 5000);
  EXPECT_EQ(CurrencyFromText(string("1e3")), 10000000) << "other text goes through Val";
}

TEST(DatabaseRecord, ColumnsKeepTheirFirstTypeAndCountOncePerName) {
  dbtest::LiveObjects live;
  {
    Held record(NewDatabaseRecord());
    auto* columns = AsDatabaseRecord(record);
    setDatabaseRecordColumn(record, S("Name"), S("first"));
    setDatabaseRecordIntegerColumn(record, S("name"), 42);
    EXPECT_EQ(getDatabaseRecordFieldCount(record), 1);
    EXPECT_EQ(columns->columns->type, kColumnText);
    EXPECT_EQ(getDatabaseRecordIntegerColumn(record, S("NAME")), 42);
    SetDatabaseRecordBooleanColumn(record, S("flag"), 1);
    setDatabaseRecordDoubleColumn(record, S("ratio"), 0.5);
    EXPECT_EQ(Text(getDatabaseRecordIndString(record, 1)), "0.5") << "newest first";
    EXPECT_EQ(Text(getDatabaseRecordIndString(record, 3)), "42");
    EXPECT_EQ(getDatabaseRecordIndString(record, 0), nullptr);
    EXPECT_EQ(getDatabaseRecordIndString(record, 4), nullptr);
    EXPECT_EQ(GetDatabaseRecordBooleanColumn(record, S("flag")), 1);
    setDatabaseRecordColumn(record, S("flag"), S("TRUE "));
    EXPECT_EQ(GetDatabaseRecordBooleanColumn(record, S("flag")), 0) << "only \"true\"";
    setDatabaseRecordColumn(record, S("when"), S("2004-03-09"));
    EXPECT_EQ(DateText(getDatabaseRecordDateColumn(record, S("when"))), "2004-03-09 00:00:00");
    setDatabaseRecordColumn(record, S("when"), S("not a date"));
    EXPECT_EQ(getDatabaseRecordDateColumn(record, S("when")), nullptr);
    EXPECT_EQ(getDatabaseRecordIntegerColumn(record, S("missing")), 0);
  }
  EXPECT_EQ(live.Added(), 0);
}

}  // namespace
