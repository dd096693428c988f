// Type names, codes, link-form keys and declaration texts: golden strings and round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/IntrinsicTypes.h"
#include "core/ObjectDefinition.h"
#include "core/TypeNames.h"
#include "support/TestSupport.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), s.Length()); }
const TypeDescriptor* Intrinsic(IntrinsicTypeIndex index) { return IntrinsicType(index); }

ParameterRecord Param(const char* name, const TypeDescriptor* type, bool byRef = false) {
  ParameterRecord p{};
  p.name = name;
  p.parameterType = type;
  p.byRef = byRef ? 1 : 0;
  return p;
}

ObjectMethod Method(const char* name, const TypeDescriptor* returnType,
                    std::vector<ParameterRecord>& params, int32_t kind = kMethodPlain) {
  ObjectMethod m;
  m.name = name;
  m.row.returnType = returnType;
  m.row.methodKind = kind;
  m.row.parameters = params.empty() ? nullptr : params.data();
  m.row.parameterCount = static_cast<int32_t>(params.size());
  return m;
}

// The code table as the interface with compiled code fixes it.
const std::vector<std::pair<const char*, const char*>> kGoldenCodes = {
    {"String", "s"},  {"Integer", "i4"}, {"Boolean", "b"},    {"Single", "f4"}, {"Double", "f8"},
    {"Color", "c"},   {"Ptr", "p"},      {"CString", "z"},    {"PString", "l"}, {"WindowPtr", "w"},
    {"Class", "x"},   {"Int32", "i4"},   {"UInt32", "u4"},    {"Int64", "i8"},  {"UInt64", "u8"},
    {"Int16", "i2"},  {"UInt16", "u2"},  {"Int8", "i1"},      {"UInt8", "u1"},  {"Byte", "u1"},
    {"Short", "i2"},  {"Currency", "e"}};

// Intrinsic names in any case; arrays and classes; unknown names report and give empty.
TEST(TypeCodeTest, GoldenCodes) {
  for (const auto& [name, code] : kGoldenCodes) {
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(toupper(c));
    IntrinsicTypeRecord record{
        kTypeKindIntrinsic, upper.c_str(), nullptr, nullptr, nullptr, nullptr};
    EXPECT_EQ(Text(TypeCode(AsTypeDescriptor(&record))), code) << name;
  }
  ObjectDefinition window;
  window.className = "Window";
  ArrayTypeDescriptor windows{kTypeKindArray, window.AsType(), 3};
  EXPECT_EQ(Text(TypeCode(AsTypeDescriptor(&windows))), "a3o<Window>");
  EXPECT_EQ(Text(TypeName(AsTypeDescriptor(&windows))), "Window()");
  TypeDescriptor unnamed{kTypeKindUnnamed};
  EXPECT_EQ(Text(TypeCode(&unnamed)), "o<>");
  qvtest::ReportCapture capture;
  EXPECT_TRUE(TypeCode(Intrinsic(kIntrinsicForm)).IsEmpty());
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].extra, "Unknown type name: Form");
}

TEST(SignatureKeyTest, GoldenKeysAndDeclarations) {
  ObjectDefinition systemClass, dictionary, variant, window;
  systemClass.className = "_SystemClass";
  dictionary.className = "Dictionary";
  variant.className = "Variant";
  window.className = "Window";
  std::vector<ParameterRecord> gestaltParams = {
      Param("selector", Intrinsic(kIntrinsicString)),
      Param("result", Intrinsic(kIntrinsicInteger), true)};
  ObjectMethod gestalt = Method("Gestalt", Intrinsic(kIntrinsicBoolean), gestaltParams);
  EXPECT_EQ(Text(MethodSignatureKey(&gestalt, systemClass.AsType(), false)),
            "Gestalt%b%o<_SystemClass>s&i4");
  std::vector<ParameterRecord> valueParams = {Param("key", variant.AsType())};
  ObjectMethod value = Method("Value", variant.AsType(), valueParams);
  EXPECT_EQ(Text(MethodSignatureKey(&value, dictionary.AsType(), true)), "=Value%%o<Dictionary>vv");
  value.alias = "Items";  // the alias replaces the name; no owner gives no owner code
  EXPECT_EQ(Text(MethodSignatureKey(&value, nullptr, false)), "Items%v%v");

  std::vector<ParameterRecord> params = {Param("tint", Intrinsic(kIntrinsicColor)),
                                         Param("text", Intrinsic(kIntrinsicString)),
                                         Param("flag", Intrinsic(kIntrinsicBoolean)),
                                         Param("owner", window.AsType()),
                                         Param("delta", Intrinsic(kIntrinsicInteger), true),
                                         Param("rest", Intrinsic(kIntrinsicDouble))};
  string ab("ab");
  const uint32_t defaults[] = {255, uint32_t(reinterpret_cast<uintptr_t>(ab.Storage())), 1, 0,
                               uint32_t(-42)};
  for (int i = 0; i < 5; ++i) {
    params[i].hasDefault = 1;
    params[i].defaultValue = defaults[i];
  }
  params[5].paramArray = 1;
  ObjectMethod paint = Method("Paint", nullptr, params, kMethodExtends);
  paint.userFlags = kItemPrivate | kItemProtected;
  EXPECT_EQ(Text(MethodDeclarationText(&paint)),
            "Private Sub Paint(Extends tint As Color=&h000000FF, text As String=\"ab\", "
            "flag As Boolean=True, owner As Window=Nil, ByRef delta As Integer=-42, "
            "ParamArray rest As Double)");
  EXPECT_FALSE(MethodParametersAllHaveDefaults(&paint));

  std::vector<ParameterRecord> broken = {Param("x", nullptr),
                                         Param("y", Intrinsic(kIntrinsicDouble))};
  ObjectMethod move = Method("Move", nullptr, broken);
  qvtest::ReportCapture capture;
  EXPECT_EQ(Text(MethodSignatureKey(&move, nullptr, false)), "Move%%f8");
  EXPECT_TRUE(capture.HasCondition("param->parameterType"));
}

// parse(print(x)) == x over every intrinsic type, array shape and class type, judged by the
// independent code table above.
TEST(TypeCodeParseTest, RoundTripsEveryTypeAndArrayShapeAndRejectsMalformedCodes) {
  ObjectDefinition window;
  window.className = "Window";
  std::vector<const TypeDescriptor*> scalars = {window.AsType()};
  for (int i = 0; i < kIntrinsicTypeCount; ++i) {
    const TypeDescriptor* t = Intrinsic(static_cast<IntrinsicTypeIndex>(i));
    if (IntrinsicTypeCode(AsIntrinsicType(t)->name)) scalars.push_back(t);
  }
  for (const TypeDescriptor* scalar : scalars) {
    for (int32_t dims = 0; dims <= 12; dims += (dims < 3 ? 1 : 9)) {
      ArrayTypeDescriptor array{kTypeKindArray, scalar, dims};
      const string code = TypeCode(dims ? AsTypeDescriptor(&array) : scalar);
      ParsedType parsed, expected;
      expected.dimensions = dims;
      expected.isClass = scalar->kind == kTypeKindClass;
      expected.name = string("Window");
      for (const auto& [name, golden] : kGoldenCodes) {
        if (!expected.isClass &&
            IntrinsicTypeCode(AsIntrinsicType(scalar)->name) == std::string(golden)) {
          expected.name = string(name);
          break;
        }
      }
      int32_t pos = 0;
      ASSERT_TRUE(ParseTypeCode(code.CString(), code.Length(), &pos, &parsed)) << Text(code);
      EXPECT_EQ(pos, code.Length());
      EXPECT_TRUE(parsed == expected) << Text(code);
    }
  }
  for (const char* bad : {"", "a", "a0s", "ax", "o<Window", "o", "i9", "q", "a2"}) {
    ParsedType parsed;
    int32_t pos = 0;
    EXPECT_FALSE(ParseTypeCode(bad, static_cast<int32_t>(strlen(bad)), &pos, &parsed)) << bad;
    EXPECT_EQ(pos, 0);
  }
}

TEST(SignatureKeyParseTest, MethodAndPropertyKeysParse) {
  ParsedMethodKey key;
  ASSERT_TRUE(
      ParseMethodSignatureKey(string("Gestalt%b%o<_SystemClass>s&i4a1o<Window>"), true, &key));
  EXPECT_FALSE(key.assigning);
  EXPECT_EQ(Text(key.name) + "|" + Text(key.returnType.name) + "|" + Text(key.owner),
            "Gestalt|Boolean|_SystemClass");
  ASSERT_EQ(key.parameters.size(), 3u);
  EXPECT_TRUE(!key.parameters[0].byRef && key.parameters[1].byRef &&
              key.parameters[2].type.isClass);
  EXPECT_EQ(Text(key.parameters[1].type.name) + std::to_string(key.parameters[2].type.dimensions),
            "Integer1");
  ASSERT_TRUE(ParseMethodSignatureKey(string("=Value%%o<Dictionary>vv"), true, &key));
  EXPECT_TRUE(key.assigning);
  EXPECT_EQ(Text(key.owner) + "|" + Text(key.returnType.name), "Dictionary|Variant");
  for (const char* bad : {"", "Show", "%%", "Show%%o<Window", "Show%i4o<Window>", "=V%i4%o<D>"})
    EXPECT_FALSE(ParseMethodSignatureKey(string(bad), true, &key)) << bad;
  ParsedPropertyKey property;
  ASSERT_TRUE(ParsePropertyKey(string("Left%i4%"), &property));
  EXPECT_EQ(Text(property.name) + "|" + Text(property.type.name), "Left|Integer");
  EXPECT_FALSE(ParsePropertyKey(string("Left%i4"), &property));
  EXPECT_FALSE(ParsePropertyKey(string("Left%i4%x"), &property));
}

}  // namespace
