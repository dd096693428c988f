// Variants: boxing and VarType, conversions by class and target, conversion and hash methods
// of user classes, the string-variant pool, integer division by zero, the identity order and
// hashing. The operator matrix is VariantOperatorsTest's.
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "TestClasses.h"
#include "VariantTestSupport.h"
#include "core/VariantConversions.h"
#include "core/VariantOperators.h"
#include "support/TestSupport.h"

namespace {

using qvtest::DescribeVariant;

using Variants = qvtest::HeldVariants;

std::string ClassName(RuntimeObject* v) { return stringStorage::CString(v->classPtr->className); }

// The variant read as target, as text; "raise <class>" when the conversion raised.
std::string Converted(const std::string& target, RuntimeObject* v,
                      qvtest::RaisedExceptions& raised) {
  std::string text;
  if (target == "Int32") text = std::to_string(VariantToInt32(v));
  if (target == "UInt32") text = std::to_string(VariantToUInt32(v));
  if (target == "Int64") text = std::to_string(VariantToInt64(v));
  if (target == "UInt64") text = std::to_string(VariantToUInt64(v));
  if (target == "Color") text = std::to_string(VariantToColor(v));
  if (target == "Boolean") text = VariantToBoolean(v) ? "true" : "false";
  if (target == "Single") text = std::to_string(VariantToSingle(v));
  if (target == "Double") text = std::to_string(VariantToDouble(v));
  if (target == "Currency") text = std::to_string(VariantToCurrency(v));
  if (target == "String") {
    stringStorage* s = VariantToString(v);
    text = stringStorage::CString(s);
    stringStorage::RemoveReference(s);
  }
  const std::string exception = raised.TakeOne();
  return exception.empty() ? text : "raise " + exception;
}

TEST(Variants, BoxedValuesHaveTheirHiddenClassAndTypeCode) {
  Variants v;
  RuntimeClass* plain = qvtest::MakeClass(nullptr, "Plain");
  RuntimeObject* object = RuntimeNewObject(plain);
  const struct {
    RuntimeObject* variant;
    const char* className;
    int32_t code;
  } cases[] = {
      {v(Int32ToVariant(-1)), "_VariantInt32", 2},
      {v(UInt32ToVariant(0xFFFFFFFF)), "_VariantUInt32", 2},
      {v(Int64ToVariant(1)), "_VariantInt64", 3},
      {v(UInt64ToVariant(~uint64_t{0})), "_VariantUInt64", 3},
      {v(SingleToVariant(1.5f)), "_VariantSingle", 4},
      {v(DoubleToVariant(1.5)), "_VariantDouble", 5},
      {v(CurrencyToVariant(15000)), "_VariantCurrency", 6},
      {v.Text("x"), "_VariantString", 8},
      {v(BooleanToVariant(0x100)), "_VariantBoolean", 11},  // the low byte decides: false
      {v(ColorToVariant(0xFF0000)), "_VariantColor", 16},
      {v(ObjectToVariant(object)), "Plain", 9},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ClassName(c.variant), c.className);
    EXPECT_EQ(VarType(c.variant), c.code) << c.className;
    EXPECT_EQ(VarType(c.variant), c.code) << c.className << " from the cache";
    EXPECT_EQ(IsNull(c.variant), 0);
  }
  EXPECT_EQ(VarType(nullptr), 0);
  EXPECT_EQ(IsNull(nullptr), 1);
  EXPECT_EQ(BoxedValueOf<uint8_t>(cases[8].variant), 0);
  EXPECT_EQ(object->refCount, 2);  // boxing an object retains it
  RuntimeUnlockObject(object);
  EXPECT_EQ(DescribeVariant(v(BooleanToVariant(7))), "Boolean 1");
}

TEST(Variants, ConversionsByClassAndTarget) {
  qvtest::RaisedExceptions raised;
  Variants v;
  RuntimeObject* object = v(RuntimeNewObject(qvtest::MakeClass(nullptr, "NoConversions")));
  const struct {
    RuntimeObject* variant;
    const char* target;
    const char* expected;
  } cases[] = {
      {v(Int32ToVariant(-5)), "String", "-5"},
      {v(Int32ToVariant(-1)), "UInt64", "18446744073709551615"},
      {v(Int32ToVariant(-1)), "Currency", "-10000"},
      {v(UInt32ToVariant(0xFFFFFFFF)), "Int64", "4294967295"},
      {v(UInt32ToVariant(0xFFFFFFFF)), "Int32", "-1"},
      {v(UInt32ToVariant(0xFFFFFFFF)), "String", "4294967295"},
      {v(Int64ToVariant(0x100000005)), "Int32", "5"},
      {v(Int64ToVariant(-5000000000)), "String", "-5000000000"},
      {v(UInt64ToVariant(uint64_t{1} << 63)), "Double", "9223372036854775808.000000"},
      {v(UInt64ToVariant(~uint64_t{0})), "String", "18446744073709551615"},
      {v(DoubleToVariant(2.9)), "Int32", "2"},
      {v(DoubleToVariant(-2.9)), "Int32", "-2"},
      {v(DoubleToVariant(-1.0)), "UInt32", "4294967295"},
      {v(DoubleToVariant(0.5)), "Boolean", "true"},
      {v(DoubleToVariant(1.5)), "String", "1.5"},
      {v(DoubleToVariant(1.0)), "String", "1.0"},
      {v(DoubleToVariant(0.0)), "String", "0.0"},
      {v(DoubleToVariant(1.5e10)), "String", "1.5e+10"},
      {v(DoubleToVariant(0x1p-20)), "String", "9.5367431640625e-07"},
      {v(DoubleToVariant(1.23456)), "Currency", "12345"},
      {v(SingleToVariant(0.0f)), "Boolean", "false"},
      {v(SingleToVariant(0.1f)), "String", "1.0000000149011612e-01"},
      {v(CurrencyToVariant(15000)), "String", "1.5"},
      {v(CurrencyToVariant(-19999)), "Int32", "-1"},
      {v(CurrencyToVariant(123456789)), "Double", "12345.678900"},
      {v(CurrencyToVariant(15000)), "Color", "raise TypeMismatchException"},
      {v(BooleanToVariant(1)), "String", "True"},
      {v(BooleanToVariant(1)), "Color", "16777215"},
      {v(BooleanToVariant(1)), "Currency", "raise TypeMismatchException"},
      {v(ColorToVariant(0xFF)), "String", "&h0000FF"},
      {v(ColorToVariant(0xFFFFFFFF)), "Int64", "-1"},
      {v(ColorToVariant(0xFF)), "Currency", "raise TypeMismatchException"},
      {v.Text("TRUE"), "Boolean", "true"},
      {v.Text("yes"), "Boolean", "false"},
      {v.Text("1"), "Boolean", "true"},
      {v.Text("12.7"), "Int32", "12"},
      {v.Text("-3000000000"), "Int64", "-3000000000"},
      {v.Text("&h1F"), "UInt64", "31"},
      {v.Text("1e3"), "Double", "1000.000000"},
      {v.Text("2.5"), "Currency", "25000"},
      {v.Text("&cFF00FF"), "Color", "16711935"},
      {v.Text("&hFFFFFFFF"), "Color", "4294967295"},
      {v.Text("junk"), "Int32", "0"},
      {v.Text("abc"), "String", "abc"},
      {object, "Int32", "raise TypeMismatchException"},
      {object, "String", "raise TypeMismatchException"},
      {nullptr, "Int64", "0"},
      {nullptr, "String", ""},
      {nullptr, "Boolean", "false"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Converted(c.target, c.variant, raised), c.expected)
        << DescribeVariant(c.variant) << " to " << c.target;
  }
  EXPECT_EQ(VariantToObject(object), object);
  EXPECT_EQ(object->refCount, 2);
  RuntimeUnlockObject(object);
  EXPECT_EQ(VariantToObject(nullptr), nullptr);
}

// Every colour reads back from its text as itself.
TEST(Variants, ColorTextReadsBackAsTheSameColor) {
  qvtest::RaisedExceptions raised;
  Variants v;
  for (uint32_t color : {0xFFu, 0xFFFFFFu, 0x1000000u, 0xFFFFFFFFu, 0u}) {
    stringStorage* text = VariantToString(v(ColorToVariant(color)));
    const std::string digits = stringStorage::CString(text);
    EXPECT_EQ(digits.substr(0, 2), "&h");
    EXPECT_GE(digits.size(), 8u);
    EXPECT_EQ(VariantToColor(v(StringToVariant(text))), color) << digits;
    stringStorage::RemoveReference(text);
  }
  EXPECT_EQ(raised.Take().size(), 0u);
}

int32_t gConvertCalls = 0;
int32_t ConvertToFortyTwo(RuntimeObject*) { return ++gConvertCalls, 42; }
int32_t HashToSeven(RuntimeObject*) { return 7; }

// A class of compiled code takes part through its own "Operator_Convert" and "Operator_Hash"
// methods, found by their keys in the method table or the named-method table.
TEST(Variants, UserClassesConvertAndHashThroughTheirOwnMethods) {
  qvtest::RaisedExceptions raised;
  RuntimeClass* named = qvtest::MakeClass(nullptr, "Named", 0, {.namedMethods = 2});
  named->namedMethodTable[0] = {reinterpret_cast<void*>(&HashToSeven),
                                qvtest::NewName("operator_hash%I4%o<Named>")};
  named->namedMethodTable[1] = {reinterpret_cast<void*>(&ConvertToFortyTwo),
                                qvtest::NewName("Operator_Convert%i4%o<Named>")};
  RuntimeClass* listed = qvtest::MakeClass(nullptr, "Listed", 0, {.methods = 1});
  listed->methodTable[0] = {reinterpret_cast<void*>(&ConvertToFortyTwo),
                            qvtest::NewName("Operator_Convert%i4%o<Listed>")};
  RuntimeObject* a = RuntimeNewObject(named);
  RuntimeObject* b = RuntimeNewObject(listed);
  EXPECT_EQ(VariantToInt32(a), 42);
  EXPECT_EQ(VariantToInt32(b), 42);
  EXPECT_EQ(VariantHash(a), 7);
  EXPECT_EQ(VariantHash(b), int32_t(WordHash(uint32_t(reinterpret_cast<uintptr_t>(b)))));
  EXPECT_EQ(raised.Take().size(), 0u);
  EXPECT_EQ(VariantToDouble(a), 0.0);  // no "f8" method
  EXPECT_EQ(raised.TakeOne(), "TypeMismatchException");
  // A class without the method is searched once: the method it gains afterwards is not seen.
  RuntimeClass* late = qvtest::MakeClass(nullptr, "Late", 0, {.namedMethods = 1});
  late->namedMethodTable[0] = {reinterpret_cast<void*>(&ConvertToFortyTwo),
                               qvtest::NewName("Other%i4%o<Late>")};
  RuntimeObject* c = RuntimeNewObject(late);
  EXPECT_EQ(VariantToInt32(c), 0);
  EXPECT_EQ(raised.TakeOne(), "TypeMismatchException");
  late->namedMethodTable[0].key = qvtest::NewName("Operator_Convert%i4%o<Late>");
  gConvertCalls = 0;
  EXPECT_EQ(VariantToInt32(c), 0);
  EXPECT_EQ(raised.TakeOne(), "TypeMismatchException");
  EXPECT_EQ(VariantToInt32(a), 42);
  EXPECT_EQ(gConvertCalls, 1);
  for (RuntimeObject* o : {a, b, c}) RuntimeUnlockObject(o);
}

// Methods outside the framework's code are called as compiled code: machine code on a page of
// its own, leaving its results where compiled code does (a Boolean in the low byte alone).
TEST(Variants, CompiledConversionMethodsAreCalledAsCompiledCode) {
  const uint8_t code[] = {
      0xB8, 0x2A, 0x00, 0x00, 0x00, 0xC3,  // +0: mov eax, 42; ret
      0xB8, 0x01, 0x56, 0x34, 0x12, 0xC3,  // +6: mov eax, 0x12345601; ret (true)
      0xB8, 0x00, 0x01, 0x00, 0x00, 0xC3,  // +12: mov eax, 0x100; ret (false)
      0xD9, 0xE8, 0xC3,                    // +18: fld1; ret
  };
  void* page = mmap(nullptr, 4096, PROT_READ | PROT_WRITE | PROT_EXEC,
                    MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  ASSERT_NE(page, MAP_FAILED);
  std::memcpy(page, code, sizeof code);
  auto* at = static_cast<uint8_t*>(page);
  const struct {
    uint8_t* function;
    const char* key;
  } methods[] = {{at, "Operator_Convert%i4%o<Compiled>"},
                 {at + 6, "Operator_Convert%b%o<Compiled>"},
                 {at + 18, "Operator_Convert%f8%o<Compiled>"},
                 {at, "Operator_Hash%i4%o<Compiled>"}};
  RuntimeClass* cls = qvtest::MakeClass(nullptr, "Compiled", 0, {.namedMethods = 4});
  for (int i = 0; i < 4; ++i) {
    cls->namedMethodTable[i] = {methods[i].function, qvtest::NewName(methods[i].key)};
  }
  RuntimeClass* falseClass = qvtest::MakeClass(nullptr, "CompiledFalse", 0, {.namedMethods = 1});
  falseClass->namedMethodTable[0] = {at + 12, qvtest::NewName("Operator_Convert%b%o<CompiledFalse>")};
  qvtest::RaisedExceptions raised;
  RuntimeObject* object = RuntimeNewObject(cls);
  RuntimeObject* other = RuntimeNewObject(falseClass);
  EXPECT_EQ(VariantToInt32(object), 42);
  EXPECT_EQ(VariantToBoolean(object), 1);
  EXPECT_EQ(VariantToBoolean(other), 0);
  EXPECT_EQ(VariantToDouble(object), 1.0);
  EXPECT_EQ(VariantHash(object), 42);
  EXPECT_EQ(raised.Take().size(), 0u);
  RuntimeUnlockObject(object);
  RuntimeUnlockObject(other);
  munmap(page, 4096);
}

TEST(Variants, ReleasedStringVariantsArePooledUpTo256) {
  const string text("pooled");
  std::vector<RuntimeObject*> made;
  for (int i = 0; i < 300; ++i) made.push_back(StringToVariant(text.Storage()));
  EXPECT_EQ(text.Storage()->refCount, 301u);
  for (RuntimeObject* v : made) RuntimeUnlockObject(v);
  EXPECT_EQ(StringVariantPoolSize(), kStringVariantPoolLimit);
  EXPECT_EQ(text.Storage()->refCount, 1u);  // pooled objects let their strings go
  const int32_t live = LiveObjectCount();
  made.clear();
  for (int i = 0; i < 256; ++i) made.push_back(StringToVariant(text.Storage()));
  EXPECT_EQ(LiveObjectCount(), live);
  EXPECT_EQ(StringVariantPoolSize(), 0u);
  made.push_back(StringToVariant(nullptr));
  EXPECT_EQ(LiveObjectCount(), live + 1);
  EXPECT_EQ(DescribeVariant(made[0]), "String pooled");
  EXPECT_EQ(made[0]->refCount, 1);
  for (RuntimeObject* v : made) RuntimeUnlockObject(v);
  EXPECT_EQ(text.Storage()->refCount, 1u);
}

// Integer division and modulo by zero raise and answer nil in every integer column, and so
// does the quotient that does not exist; nothing traps.
TEST(Variants, IntegerDivisionByZeroRaisesInEveryColumn) {
  qvtest::RaisedExceptions raised;
  Variants v;
  const std::string byZero = "RuntimeException: Division by zero";
  const std::string overflow =
      "RuntimeException: Integer division overflow: the quotient does not fit";
  using Operator = RuntimeObject* (*)(RuntimeObject*, RuntimeObject*);
  const struct {
    Operator op;
    RuntimeObject* a;
    RuntimeObject* b;
    std::string raises;
  } cases[] = {
      {VariantIntegerDivide, v(Int32ToVariant(7)), v(Int32ToVariant(0)), byZero},
      {VariantModulo, v(Int32ToVariant(7)), v(Int32ToVariant(0)), byZero},
      {VariantIntegerDivide, v(Int64ToVariant(7)), v(Int64ToVariant(0)), byZero},
      {VariantModulo, v(Int64ToVariant(7)), v(UInt64ToVariant(0)), byZero},
      {VariantIntegerDivide, v(CurrencyToVariant(70000)), v(CurrencyToVariant(5000)), byZero},
      {VariantModulo, v(CurrencyToVariant(70000)), v(CurrencyToVariant(0)), byZero},
      {VariantDivide, v(CurrencyToVariant(70000)), v(CurrencyToVariant(0)), byZero},
      {VariantIntegerDivide, v(DoubleToVariant(7)), v(DoubleToVariant(0.5)), byZero},
      {VariantModulo, v.Text("7"), v.Text("0"), byZero},
      {VariantIntegerDivideRight, v(Int32ToVariant(0)), v(Int32ToVariant(7)), byZero},
      {VariantIntegerDivide, v(Int32ToVariant(INT32_MIN)), v(Int32ToVariant(-1)), overflow},
      {VariantIntegerDivide, v(Int64ToVariant(INT64_MIN)), v(Int64ToVariant(-1)), overflow},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(c.op(c.a, c.b), nullptr) << DescribeVariant(c.a) << ", " << DescribeVariant(c.b);
    EXPECT_EQ(raised.TakeOne(), c.raises) << DescribeVariant(c.a) << ", " << DescribeVariant(c.b);
  }
  const auto result = [&](Operator op, RuntimeObject* a, RuntimeObject* b) {
    return DescribeVariant(v(op(a, b)));
  };
  EXPECT_EQ(result(VariantModulo, v(Int32ToVariant(INT32_MIN)), v(Int32ToVariant(-1))), "Int32 0");
  EXPECT_EQ(result(VariantModulo, v(Int64ToVariant(INT64_MIN)), v(Int64ToVariant(-1))), "Int64 0");
  EXPECT_EQ(result(VariantIntegerDivide, v(Int32ToVariant(7)), v(Int32ToVariant(2))), "Int32 3");
  EXPECT_EQ(result(VariantModulo, v(Int32ToVariant(-7)), v(Int32ToVariant(2))), "Int32 -1");
  EXPECT_EQ(result(VariantDivide, v(Int32ToVariant(7)), v(Int32ToVariant(2))), "Double 3.5");
  EXPECT_EQ(result(VariantIntegerDivide, v(CurrencyToVariant(75000)), v(CurrencyToVariant(20000))),
            "Int64 3");
  EXPECT_EQ(result(VariantDivide, v(CurrencyToVariant(75000)), v(CurrencyToVariant(20000))),
            "Currency 37500");
  EXPECT_EQ(raised.Take().size(), 0u);
}

// Two objects more than 2^31 bytes apart: a signed difference of their addresses would order
// them one way round and the same way the other round.
TEST(Variants, ObjectIdentityOrderIsTotalAcrossTheAddressSpace) {
  const size_t page = 4096;
  void* places[2] = {};
  const uintptr_t candidates[][2] = {{0x10000000, 0xB0000000}, {0x20000000, 0xC0000000},
                                     {0x08000000, 0xD0000000}};
  for (const auto& pair : candidates) {
    for (int i = 0; i < 2; ++i) {
      void* got = mmap(reinterpret_cast<void*>(pair[i]), page, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
      places[i] = got == MAP_FAILED ? nullptr : got;
    }
    if (places[0] && places[1]) break;
    for (void*& place : places) {
      if (place) munmap(place, page);
      place = nullptr;
    }
  }
  if (!places[0] || !places[1]) GTEST_SKIP() << "no two free pages 2^31 bytes apart";
  RuntimeClass* cls = qvtest::MakeClass(nullptr, "Placed");
  RuntimeObject* objects[2];
  for (int i = 0; i < 2; ++i) {
    objects[i] = static_cast<RuntimeObject*>(places[i]);
    *objects[i] = {cls->methodTable, cls, cls->eventTable, 1, nullptr, nullptr};
  }
  qvtest::RaisedExceptions raised;
  EXPECT_EQ(VarType(objects[0]), 9);
  EXPECT_EQ(VariantCompare(objects[0], objects[1]), -1);
  EXPECT_EQ(VariantCompare(objects[1], objects[0]), 1);
  EXPECT_EQ(VariantCompare(objects[1], objects[1]), 0);
  EXPECT_FALSE(VariantEqual(objects[0], objects[1]));
  EXPECT_TRUE(VariantEqual(objects[0], objects[0]));
  EXPECT_EQ(raised.Take().size(), 0u);
  for (void* place : places) munmap(place, page);
}

TEST(Variants, HashesAndEquality) {
  qvtest::RaisedExceptions raised;
  Variants v;
  EXPECT_EQ(uint32_t(VariantHash(v(Int32ToVariant(0x12345678)))), 0x56781234u);
  EXPECT_EQ(uint32_t(VariantHash(v(Int64ToVariant(0x0000000100000002)))), 0x00020001u);
  EXPECT_EQ(uint32_t(VariantHash(v(DoubleToVariant(1.0)))), 0x3FF00000u);
  EXPECT_EQ(uint32_t(VariantHash(v(SingleToVariant(1.0f)))), 0x00003F80u);
  EXPECT_EQ(VariantHash(v(BooleanToVariant(1))), 1);
  EXPECT_EQ(VariantHash(v(BooleanToVariant(0))), 0);
  EXPECT_EQ(VariantHash(nullptr), 0);
  // Texts hash by their upper-cased bytes, each a signed value.
  EXPECT_EQ(VariantHash(v.Text("abc")), (65 * 31 + 66) * 31 + 67);
  EXPECT_EQ(VariantHash(v.Text("abc")), VariantHash(v.Text("ABC")));
  EXPECT_EQ(VariantHash(v.Text("\xC3\xA9")), -61 * 31 - 87);
  EXPECT_EQ(VariantHash(v.Text("")), 0);
  // Equal values of different types compare equal; their hashes differ.
  EXPECT_TRUE(VariantEqual(v(Int32ToVariant(1)), v.Text("1")));
  EXPECT_NE(VariantHash(v(Int32ToVariant(1))), VariantHash(v.Text("1")));
  EXPECT_TRUE(VariantEqual(v.Text("abc"), v.Text("ABC")));
  // Int64 values 2^32 apart differ, though their low words agree.
  EXPECT_FALSE(VariantEqual(v(Int64ToVariant(5)), v(Int64ToVariant(5 + (int64_t{1} << 32)))));
  EXPECT_EQ(VariantCompare(v(Int64ToVariant(INT64_MIN)), v(Int64ToVariant(INT64_MAX))), -1);
  EXPECT_EQ(VariantCompare(v(CurrencyToVariant(INT64_MAX)), v(CurrencyToVariant(-1))), 1);
  EXPECT_EQ(VariantCompare(v(Int32ToVariant(INT32_MIN)), v(Int32ToVariant(1))), -1);
  EXPECT_EQ(VariantCompare(v(DoubleToVariant(NAN)), v(DoubleToVariant(1))), 0);
  EXPECT_EQ(raised.Take().size(), 0u);
}

TEST(Variants, IsNumeric) {
  qvtest::RaisedExceptions raised;
  Variants v;
  const struct {
    const char* text;
    int32_t numeric;
  } texts[] = {{"nan", 1}, {"INF", 1},     {"NaN(123)", 1}, {"Inf(007)", 1}, {"NaN(1a3)", 0},
               {"NaN(12)", 0}, {"", 0},    {"12", 1},       {" 1,234.5e3 ", 1}, {"&hFF", 1},
               {"&z1", 0},  {"12abc", 0},  {"-.5", 1},      {"abc", 0},      {"nan1", 0}};
  for (const auto& t : texts) EXPECT_EQ(RuntimeIsNumeric(v.Text(t.text)), t.numeric) << t.text;
  EXPECT_EQ(RuntimeIsNumeric(v(Int32ToVariant(0))), 1);
  EXPECT_EQ(RuntimeIsNumeric(v(UInt64ToVariant(0))), 1);
  EXPECT_EQ(RuntimeIsNumeric(v(CurrencyToVariant(0))), 1);
  EXPECT_EQ(RuntimeIsNumeric(v(BooleanToVariant(1))), 0);
  EXPECT_EQ(RuntimeIsNumeric(v(ColorToVariant(1))), 0);
  EXPECT_EQ(RuntimeIsNumeric(nullptr), 0);
  EXPECT_EQ(raised.Take().size(), 0u);
}

}  // namespace
