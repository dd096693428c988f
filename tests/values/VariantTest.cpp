// Variants: boxing and VarType, conversions by class and target, the conversion and hash
// methods of other classes (compiled code among them), the string pool, the identity order,
// hashing and IsNumeric. Operators: VariantOperatorsTest; division by zero: test_app.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <utility>

#include "core/TestClasses.h"
#include "values/VariantTestSupport.h"
#include "values/VariantConversions.h"
#include "values/VariantOperators.h"

namespace {

using qvtest::DescribeVariant;

TEST(Variants, BoxedValuesHaveTheirHiddenClassAndTypeCode) {
  qvtest::HeldVariants v;
  RuntimeObject* object = RuntimeNewObject(qvtest::MakeClass(nullptr, "Plain"));
  const std::pair<RuntimeObject*, std::string> cases[] = {
      {v(Int32ToVariant(-1)), "Int32 -1 2"},
      {v(UInt32ToVariant(~0u)), "UInt32 4294967295 2"},
      {v(Int64ToVariant(1)), "Int64 1 3"},
      {v(UInt64ToVariant(5)), "UInt64 5 3"},
      {v(SingleToVariant(1.5f)), "Single 1.5 4"},
      {v(DoubleToVariant(0.25)), "Double 0.25 5"},
      {v(CurrencyToVariant(7)), "Currency 7 6"},
      {v.Text("x"), "String x 8"},
      {v(BooleanToVariant(0x100)), "Boolean 0 11"},
      {v(BooleanToVariant(2)), "Boolean 1 11"},
      {v(ColorToVariant(0xFF0000)), "Color 16711680 16"},
      {v(ObjectToVariant(object)), "Plain 9"}};
  for (const auto& [variant, expected] : cases) {
    EXPECT_EQ(DescribeVariant(variant) + " " + std::to_string(VarType(variant)), expected);
    EXPECT_EQ(VarType(variant), VarType(variant)) << "from the cache";
  }
  EXPECT_EQ(object->refCount, 2);  // boxing an object retains it
  RuntimeUnlockObject(object);
  EXPECT_EQ(VarType(nullptr), 0);
  EXPECT_TRUE(IsNull(nullptr) && !IsNull(object));
}

// The variant read as target, as text, or "raise <class>".
std::string Converted(const std::string& target, RuntimeObject* v,
                      qvtest::RaisedExceptions& raised) {
  std::string text;
  if (target == "Int32") text = std::to_string(VariantToInt32(v));
  if (target == "UInt32") text = std::to_string(VariantToUInt32(v));
  if (target == "Int64") text = std::to_string(VariantToInt64(v));
  if (target == "UInt64") text = std::to_string(VariantToUInt64(v));
  if (target == "Color") text = std::to_string(VariantToColor(v));
  if (target == "Boolean") text = VariantToBoolean(v) ? "true" : "false";
  if (target == "Double") text = qvtest::CText("%f", VariantToDouble(v));
  if (target == "Currency") text = std::to_string(VariantToCurrency(v));
  if (target == "String") {
    stringStorage* s = VariantToString(v);
    text = stringStorage::CString(s);
    stringStorage::RemoveReference(s);
  }
  const std::string exception = raised.TakeOne();
  return exception.empty() ? text : "raise " + exception;
}

TEST(Variants, ConversionsByClassAndTarget) {
  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
  RuntimeObject* object = v(RuntimeNewObject(qvtest::MakeClass(nullptr, "NoConversions")));
  const struct {
    RuntimeObject* variant;
    const char *target, *expected;
  } cases[] = {{v(Int32ToVariant(-5)), "String", "-5"},
               {v(Int32ToVariant(-1)), "UInt64", "18446744073709551615"},
               {v(UInt32ToVariant(~0u)), "Int64", "4294967295"},
               {v(Int64ToVariant(0x100000005)), "Int32", "5"},
               {v(UInt64ToVariant(~uint64_t{0})), "Double", "18446744073709551616.000000"},
               {v(DoubleToVariant(2.9)), "Int32", "2"},
               {v(DoubleToVariant(-2.9)), "Int32", "-2"},
               {v(DoubleToVariant(0.5)), "Boolean", "true"},
               {v(DoubleToVariant(1.0)), "String", "1.0"},
               {v(DoubleToVariant(0.0)), "String", "0.0"},
               {v(DoubleToVariant(1.5e10)), "String", "1.5e+10"},
               {v(DoubleToVariant(0x1p-20)), "String", "9.5367431640625e-07"},
               {v(DoubleToVariant(1.23456)), "Currency", "12345"},
               {v(SingleToVariant(0.1f)), "String", "1.0000000149011612e-01"},
               {v(CurrencyToVariant(-19999)), "Int32", "-1"},
               {v(CurrencyToVariant(123456789)), "String", "12345.6789"},
               {v(CurrencyToVariant(1)), "Color", "raise TypeMismatchException"},
               {v(BooleanToVariant(1)), "Color", "16777215"},
               {v(BooleanToVariant(1)), "Currency", "raise TypeMismatchException"},
               {v(ColorToVariant(~0u)), "Int64", "-1"},
               {v(ColorToVariant(0xFF)), "Currency", "raise TypeMismatchException"},
               {v.Text("TRUE"), "Boolean", "true"},
               {v.Text("yes"), "Boolean", "false"},
               {v.Text("1"), "Boolean", "true"},
               {v.Text("12.7"), "Int32", "12"},
               {v.Text("-3000000000"), "Int64", "-3000000000"},
               {v.Text("2.5"), "Currency", "25000"},
               {v.Text("&cFF00FF"), "Color", "16711935"},
               {v.Text("junk"), "Double", "0.000000"},
               {object, "Int32", "raise TypeMismatchException"},
               {nullptr, "Int64", "0"},
               {nullptr, "String", ""}};
  for (const auto& c : cases) {
    EXPECT_EQ(Converted(c.target, c.variant, raised), c.expected) << DescribeVariant(c.variant);
  }
  EXPECT_EQ(VariantToObject(object), object);
  EXPECT_EQ(object->refCount, 2);
  RuntimeUnlockObject(object);
}

TEST(Variants, ColorTextReadsBackAsTheSameColor) {
  qvtest::HeldVariants v;
  for (uint32_t color : {0xFFu, 0xFFFFFFu, 0x1000000u, 0xFFFFFFFFu, 0u}) {
    stringStorage* text = VariantToString(v(ColorToVariant(color)));
    EXPECT_EQ(std::string(stringStorage::CString(text), 2), "&h");
    EXPECT_EQ(VariantToColor(v(StringToVariant(text))), color) << stringStorage::CString(text);
    stringStorage::RemoveReference(text);
  }
}

int32_t gConvertCalls = 0;
int32_t ConvertToFortyTwo(RuntimeObject*) { return ++gConvertCalls, 42; }

// Any class converts through its own "Operator_Convert" found by its key, in the method table
// or the named-method table, and is searched once per target whatever the answer.
TEST(Variants, OtherClassesConvertThroughTheirOwnMethods) {
  qvtest::RaisedExceptions raised;
  RuntimeClass* named = qvtest::MakeClass(nullptr, "Named", 0, {.namedMethods = 1});
  named->namedMethodTable[0] = {reinterpret_cast<void*>(&ConvertToFortyTwo),
                                qvtest::NewName("operator_convert%I4%o<Named>")};
  RuntimeClass* listed = qvtest::MakeClass(nullptr, "Listed", 0, {.methods = 1});
  listed->methodTable[0] = {reinterpret_cast<void*>(&ConvertToFortyTwo),
                            qvtest::NewName("Operator_Convert%i4%o<Listed>")};
  RuntimeClass* late = qvtest::MakeClass(nullptr, "Late", 0, {.namedMethods = 1});
  late->namedMethodTable[0] = {reinterpret_cast<void*>(&ConvertToFortyTwo),
                               qvtest::NewName("Other%i4%o<Late>")};
  qvtest::HeldVariants v;
  RuntimeObject* a = v(RuntimeNewObject(named));
  RuntimeObject* c = v(RuntimeNewObject(late));
  EXPECT_EQ(VariantToInt32(a) + VariantToInt32(v(RuntimeNewObject(listed))), 84);
  EXPECT_EQ(VariantToDouble(a), 0.0);  // no "f8" method
  EXPECT_EQ(VariantToInt32(c), 0);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(2, "TypeMismatchException"));
  stringStorage::RemoveReference(std::exchange(
      late->namedMethodTable[0].key, qvtest::NewName("Operator_Convert%i4%o<Late>")));
  gConvertCalls = 0;
  EXPECT_EQ(VariantToInt32(c), 0) << "the class was searched again";
  EXPECT_EQ(raised.TakeOne(), "TypeMismatchException");
  EXPECT_EQ(gConvertCalls, 0);
  EXPECT_EQ(VariantHash(c), int32_t(WordHash(uint32_t(reinterpret_cast<uintptr_t>(c)))));
}

// Methods outside the framework's code are compiled code, called as such: here machine code
// on a page of its own, leaving a Boolean in its low byte alone and a Double in st(0).
TEST(Variants, CompiledMethodsAreCalledAsCompiledCode) {
  const uint8_t code[] = {0xB8, 42,   0,    0,    0,    0xC3,  // +0: mov eax, 42; ret
                          0xB8, 0x01, 0x56, 0x34, 0x12, 0xC3,  // +6: mov eax, 0x12345601; ret
                          0xB8, 0,    1,    0,    0,    0xC3,  // +12: mov eax, 0x100; ret
                          0xD9, 0xE8, 0xC3};                   // +18: fld1; ret
  auto* page = static_cast<uint8_t*>(
      mmap(nullptr, 4096, PROT_READ | PROT_WRITE | PROT_EXEC, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
  ASSERT_NE(page, MAP_FAILED);
  std::memcpy(page, code, sizeof code);
  const std::pair<int, const char*> methods[] = {{0, "Operator_Convert%i4%o<C>"},
                                                 {6, "Operator_Convert%b%o<C>"},
                                                 {18, "Operator_Convert%f8%o<C>"},
                                                 {0, "Operator_Hash%i4%o<C>"},
                                                 {12, "Operator_Convert%b%o<D>"}};
  RuntimeClass* c = qvtest::MakeClass(nullptr, "C", 0, {.namedMethods = 4});
  RuntimeClass* d = qvtest::MakeClass(nullptr, "D", 0, {.namedMethods = 1});
  for (int i = 0; i < 5; ++i) {
    (i < 4 ? c : d)->namedMethodTable[i % 4] = {page + methods[i].first,
                                                qvtest::NewName(methods[i].second)};
  }
  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
  RuntimeObject* object = v(RuntimeNewObject(c));
  EXPECT_EQ(VariantToInt32(object), 42);
  EXPECT_EQ(VariantToBoolean(object), 1);
  EXPECT_EQ(VariantToBoolean(v(RuntimeNewObject(d))), 0);
  EXPECT_EQ(VariantToDouble(object), 1.0);
  EXPECT_EQ(VariantHash(object), 42);
  EXPECT_EQ(raised.Take().size(), 0u);
  munmap(page, 4096);
}

TEST(Variants, ReleasedStringVariantsArePooledUpTo256) {
  const string text("pooled");
  std::vector<RuntimeObject*> made;
  for (int i = 0; i < 300; ++i) made.push_back(StringToVariant(text.Storage()));
  for (RuntimeObject* v : made) RuntimeUnlockObject(v);
  EXPECT_EQ(StringVariantPoolSize(), 256u);
  EXPECT_EQ(text.Storage()->refCount, 1u);  // pooled objects let their strings go
  const int32_t live = LiveObjectCount();
  made.clear();
  for (int i = 0; i < 256; ++i) made.push_back(StringToVariant(text.Storage()));
  EXPECT_EQ(LiveObjectCount(), live);
  made.push_back(StringToVariant(nullptr));
  EXPECT_EQ(LiveObjectCount(), live + 1);
  EXPECT_EQ(DescribeVariant(made[0]) + " " + std::to_string(made[0]->refCount), "String pooled 1");
  for (RuntimeObject* v : made) RuntimeUnlockObject(v);
}

// Two objects more than 2^31 bytes apart: a signed difference of their addresses would order
// them the same way both ways round.
TEST(Variants, ObjectIdentityOrderIsTotalAcrossTheAddressSpace) {
  RuntimeObject* objects[2] = {};
  for (uintptr_t low : {0x10000000u, 0x20000000u, 0x08000000u}) {
    for (int i = 0; i < 2; ++i) {
      void* at = reinterpret_cast<void*>(low + i * 0xA0000000u);
      void* got = mmap(at, 4096, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
      objects[i] = got == MAP_FAILED ? nullptr : static_cast<RuntimeObject*>(got);
    }
    if (objects[0] && objects[1]) break;
    for (RuntimeObject*& o : objects) {
      if (o) munmap(o, 4096);
      o = nullptr;
    }
  }
  if (!objects[0] || !objects[1]) GTEST_SKIP() << "no two free pages 2^31 bytes apart";
  RuntimeClass* cls = qvtest::MakeClass(nullptr, "Placed");
  for (RuntimeObject* o : objects)
    *o = {cls->methodTable, cls, cls->eventTable, 1, nullptr, nullptr};
  EXPECT_EQ(VarType(objects[0]), 9);
  EXPECT_EQ(VariantCompare(objects[0], objects[1]), -1);
  EXPECT_EQ(VariantCompare(objects[1], objects[0]), 1);
  EXPECT_TRUE(VariantEqual(objects[1], objects[1]));
  for (RuntimeObject* o : objects) munmap(o, 4096);
}

TEST(Variants, HashesComparesAndIntegerEdges) {
  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
  EXPECT_EQ(uint32_t(VariantHash(v(Int32ToVariant(0x12345678)))), 0x56781234u);
  EXPECT_EQ(uint32_t(VariantHash(v(Int64ToVariant(0x100000002)))), 0x00020001u);
  EXPECT_EQ(uint32_t(VariantHash(v(DoubleToVariant(1.0)))), 0x3FF00000u);
  EXPECT_EQ(uint32_t(VariantHash(v(SingleToVariant(1.0f)))), 0x00003F80u);
  EXPECT_EQ(VariantHash(v(BooleanToVariant(1))) + VariantHash(nullptr), 1);
  // Texts hash their upper-cased bytes, each a signed value.
  EXPECT_EQ(VariantHash(v.Text("abc")), (65 * 31 + 66) * 31 + 67);
  EXPECT_EQ(VariantHash(v.Text("ABC")), VariantHash(v.Text("abc")));
  EXPECT_EQ(VariantHash(v.Text("\xC3\xA9")), -61 * 31 - 87);
  // Equal across types, and hashed apart; Int64 values 2^32 apart differ.
  EXPECT_TRUE(VariantEqual(v(Int32ToVariant(1)), v.Text("1")));
  EXPECT_NE(VariantHash(v(Int32ToVariant(1))), VariantHash(v.Text("1")));
  EXPECT_FALSE(VariantEqual(v(Int64ToVariant(5)), v(Int64ToVariant(5 + (int64_t{1} << 32)))));
  EXPECT_EQ(VariantCompare(v(Int64ToVariant(INT64_MIN)), v(Int64ToVariant(INT64_MAX))), -1);
  EXPECT_EQ(VariantCompare(v(CurrencyToVariant(INT64_MAX)), v(CurrencyToVariant(-1))), 1);
  EXPECT_EQ(VariantCompare(v(DoubleToVariant(NAN)), v(DoubleToVariant(1))), 0);
  const auto result = [&](auto op, RuntimeObject* a, RuntimeObject* b) {
    return DescribeVariant(v(op(a, b)));
  };
  EXPECT_EQ(result(VariantIntegerDivide, v(Int32ToVariant(7)), v(Int32ToVariant(2))), "Int32 3");
  EXPECT_EQ(result(VariantModulo, v(Int32ToVariant(-7)), v(Int32ToVariant(2))), "Int32 -1");
  EXPECT_EQ(result(VariantModulo, v(Int32ToVariant(INT32_MIN)), v(Int32ToVariant(-1))), "Int32 0");
  EXPECT_EQ(result(VariantModulo, v(Int64ToVariant(INT64_MIN)), v(Int64ToVariant(-1))), "Int64 0");
  EXPECT_EQ(result(VariantDivide, v(CurrencyToVariant(75000)), v(CurrencyToVariant(20000))),
            "Currency 37500");
  EXPECT_EQ(raised.Take().size(), 0u);
}

// Booleans order True before False (so True < False), whatever non-zero byte made the True.
TEST(Variants, TrueComparesLessThanFalse) {
  qvtest::RaisedExceptions raised;
  qvtest::HeldVariants v;
  RuntimeObject* yes = v(BooleanToVariant(1));
  RuntimeObject* no = v(BooleanToVariant(0));
  RuntimeObject* alsoYes = v(BooleanToVariant(2));
  EXPECT_EQ(VariantCompare(yes, no), -1);
  EXPECT_EQ(VariantCompare(no, yes), 1);
  EXPECT_EQ(VariantCompare(alsoYes, no), -1);
  EXPECT_EQ(VariantCompare(no, v(BooleanToVariant(0))), 0);
  EXPECT_EQ(VariantCompare(yes, alsoYes), 0);
  EXPECT_TRUE(VariantCompare(yes, no) < 0 && !(VariantCompare(no, yes) < 0));
  EXPECT_FALSE(VariantEqual(yes, no));
  EXPECT_EQ(raised.Take().size(), 0u);
}

TEST(Variants, IsNumeric) {
  qvtest::HeldVariants v;
  const std::pair<const char*, int32_t> texts[] = {
      {"nan", 1}, {"INF", 1},  {"NaN(123)", 1}, {"Inf(007)", 1},    {"NaN(1a3)", 0}, {"", 0},
      {"12", 1},  {"&hFF", 1}, {"&z1", 0},      {" 1,234.5e3 ", 1}, {"12abc", 0},    {"nan1", 0}};
  for (const auto& [text, numeric] : texts)
    EXPECT_EQ(RuntimeIsNumeric(v.Text(text)), numeric) << text;
  EXPECT_EQ(RuntimeIsNumeric(v(UInt64ToVariant(0))) + RuntimeIsNumeric(v(CurrencyToVariant(0))), 2);
  EXPECT_EQ(RuntimeIsNumeric(v(BooleanToVariant(1))) + RuntimeIsNumeric(v(ColorToVariant(1))) +
                RuntimeIsNumeric(nullptr),
            0);
}

}  // namespace
