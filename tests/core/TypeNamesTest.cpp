// Type names, codes, link-form keys and declaration texts: golden strings and round trips.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <tuple>
#include <vector>

#include "core/IntrinsicTypes.h"
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

// Intrinsic names in any case and their arrays print the table's codes and parse back to a
// name of the same code; unknown names report and give empty; malformed codes do not parse.
TEST(TypeCodeTest, GoldenCodesRoundTripThroughTheParser) {
  for (const auto& [name, code] : kGoldenCodes) {
    std::string upper(name);
    for (char& c : upper) c = static_cast<char>(toupper(c));
    IntrinsicTypeRecord record{
        kTypeKindIntrinsic, upper.c_str(), nullptr, nullptr, nullptr, nullptr};
    for (int32_t dims : {0, 1, 12}) {
      ArrayTypeDescriptor array{kTypeKindArray, AsTypeDescriptor(&record), dims};
      const string printed = TypeCode(dims ? AsTypeDescriptor(&array) : AsTypeDescriptor(&record));
      const std::string prefix = dims ? "a" + std::to_string(dims) : "";
      EXPECT_EQ(Text(printed), prefix + code) << name;
      ParsedType parsed;
      int32_t pos = 0;
      ASSERT_TRUE(ParseTypeCode(printed.CString(), printed.Length(), &pos, &parsed)) << name;
      EXPECT_EQ(pos, printed.Length());
      EXPECT_EQ(parsed.dimensions, dims);
      EXPECT_FALSE(parsed.isClass);
      EXPECT_STREQ(IntrinsicTypeCode(parsed.name.CString()), code) << name;
    }
  }
  ObjectDefinition window;
  window.className = "Window";
  ArrayTypeDescriptor windows{kTypeKindArray, window.AsType(), 3};
  EXPECT_EQ(Text(TypeCode(AsTypeDescriptor(&windows))), "a3o<Window>");
  EXPECT_EQ(Text(TypeName(AsTypeDescriptor(&windows))), "Window()");
  for (const char* bad : {"", "a", "a0s", "ax", "o<Window", "o", "i9", "q", "a2"}) {
    ParsedType parsed;
    int32_t pos = 0;
    EXPECT_FALSE(ParseTypeCode(bad, static_cast<int32_t>(strlen(bad)), &pos, &parsed)) << bad;
    EXPECT_EQ(pos, 0);
  }
  qvtest::ReportCapture capture;
  EXPECT_TRUE(TypeCode(Intrinsic(kIntrinsicForm)).IsEmpty());
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].extra, "Unknown type name: Form");
}

// Keys read back by the parser give their parts; a parameter without a type reports.
TEST(SignatureKeyTest, GoldenKeysParseBack) {
  ObjectDefinition systemClass, dictionary, variant;
  systemClass.className = "_SystemClass";
  dictionary.className = "Dictionary";
  variant.className = "Variant";
  std::vector<ParameterRecord> gestaltParams = {
      Param("selector", Intrinsic(kIntrinsicString)),
      Param("result", Intrinsic(kIntrinsicInteger), true)};
  ObjectMethod gestalt = Method("Gestalt", Intrinsic(kIntrinsicBoolean), gestaltParams);
  const string gestaltKey = MethodSignatureKey(&gestalt, systemClass.AsType(), false);
  EXPECT_EQ(Text(gestaltKey), "Gestalt%b%o<_SystemClass>s&i4");
  ParsedMethodKey key;
  ASSERT_TRUE(ParseMethodSignatureKey(gestaltKey + "a1o<Window>", true, &key));
  EXPECT_FALSE(key.assigning);
  EXPECT_EQ(Text(key.name) + "|" + Text(key.returnType.name) + "|" + Text(key.owner),
            "Gestalt|Boolean|_SystemClass");
  ASSERT_EQ(key.parameters.size(), 3u);
  EXPECT_FALSE(key.parameters[0].byRef);
  EXPECT_TRUE(key.parameters[1].byRef);
  EXPECT_EQ(Text(key.parameters[1].type.name), "Integer");
  EXPECT_TRUE(key.parameters[2].type.isClass);
  EXPECT_EQ(key.parameters[2].type.dimensions, 1);
  std::vector<ParameterRecord> valueParams = {Param("key", variant.AsType())};
  ObjectMethod value = Method("Value", variant.AsType(), valueParams);
  const string valueKey = MethodSignatureKey(&value, dictionary.AsType(), true);
  EXPECT_EQ(Text(valueKey), "=Value%%o<Dictionary>vv");
  ASSERT_TRUE(ParseMethodSignatureKey(valueKey, true, &key));
  EXPECT_TRUE(key.assigning);
  EXPECT_EQ(Text(key.owner) + "|" + Text(key.returnType.name), "Dictionary|Variant");
  value.alias = "Items";  // the alias replaces the name; no owner gives no owner code
  EXPECT_EQ(Text(MethodSignatureKey(&value, nullptr, false)), "Items%v%v");
  for (const char* bad : {"", "Show", "%%", "Show%%o<Window", "Show%i4o<Window>", "=V%i4%o<D>"})
    EXPECT_FALSE(ParseMethodSignatureKey(string(bad), true, &key)) << bad;

  std::vector<ParameterRecord> broken = {Param("x", nullptr),
                                         Param("y", Intrinsic(kIntrinsicDouble))};
  ObjectMethod move = Method("Move", nullptr, broken);
  qvtest::ReportCapture capture;
  EXPECT_EQ(Text(MethodSignatureKey(&move, nullptr, false)), "Move%%f8");
  EXPECT_TRUE(capture.HasCondition("param->parameterType"));
}

// Plug-ins read codes in their own spelling, one code after another with no separator; an
// unknown letter reads as nothing and moves one byte on, an array of no dimension reports.
TEST(PluginTypeCodeTest, CodesReadOneAfterAnotherInThePluginsSpelling) {
  const char* codes = "bcef4f8i1i2i4i8u1u2u4u8svpo<Window>t<Folder>a1sA2i4a12o<Pane>";
  const std::vector<std::string> expected = {
      "Boolean", "Color",  "Currency", "Single", "Double", "Int8",     "Int16",
      "Int32",   "Int64",  "UInt8",    "UInt16", "UInt32", "UInt64",  "String",
      "Variant", "Ptr",    "Window",   "Folder", "String()", "Int32(,)",
      "Pane(,,,,,,,,,,,)"};
  std::vector<std::string> read;
  for (const char* at = codes; *at;) {
    const char* before = at;
    const PluginCodeType type = ReadPluginTypeCode(&at);
    ASSERT_GT(at, before);
    read.push_back(Text(type.name) + Text(type.ArraySuffix()));
  }
  EXPECT_EQ(read, expected);
  for (const auto& [code, name, consumed] :
       std::vector<std::tuple<const char*, const char*, int>>{
           {"", "", 0}, {"q", "", 1}, {"f2s", "", 2}, {"i", "", 1}, {"ob", "", 1},
           {"o<Open", "", 6}, {"zs", "", 1}, {"a1f8i4", "Double()", 4}}) {
    const char* at = code;
    EXPECT_EQ(Text(PluginTypeNameForCode(code)), name) << code;
    ReadPluginTypeCode(&at);
    EXPECT_EQ(at - code, consumed) << code;
  }
  qvtest::ReportCapture capture;
  const char* noDimension = "a0i4s";
  EXPECT_TRUE(ReadPluginTypeCode(&noDimension).name.IsEmpty());
  EXPECT_STREQ(noDimension, "s");
  EXPECT_TRUE(capture.HasCondition("dimensions > 0"));
}

// Signatures read as declarations: parameters named by position, the Assigns and ParamArray
// marks on the last one, ByRef and array parameters, a qualifier dropped; the modes the method
// lookup uses leave out the keyword and the object parameter.
TEST(PluginTypeCodeTest, SignaturesReadAsDeclarations) {
  const std::vector<std::pair<const char*, const char*>> golden = {
      {"=Value%%i4s", "Sub Value(param0 As Int32, Assigns param1 As String)"},
      {"Fold%i4%o<Gadget>&i4a2s", "Function Fold(param0 As Gadget, ByRef param1 As Int32, "
                                  "param2(,) As String) As Int32"},
      {"App.Lists.*Join%s%o<App>sa1s",
       "Function Join(param0 As App, param1 As String, ParamArray param2() As String) As String"},
      {"=*Both%%&u8", "Sub Both(Assigns ByRef param0 As UInt64)"},
      {"Grid%a2f8%", "Function Grid() As Double(,)"},
      {"Bare", "Sub Bare()"},
      {"Odd%%zf4", "Sub Odd(param0 As , param1 As Single)"}};
  for (const auto& [signature, text] : golden)
    EXPECT_EQ(Text(SignatureDeclarationText(signature)), text) << signature;
  EXPECT_EQ(Text(SignatureDeclarationText("=Value%%o<Dictionary>vv",
                                          {.keyword = false, .skipFirstParameter = true})),
            "Value(param1 As Variant, Assigns param2 As Variant)");
  EXPECT_EQ(Text(SignatureDeclarationText("Count%i4%o<List>", {.keyword = false})),
            "Count(param0 As List) As Int32");
  EXPECT_EQ(Text(SignatureMethodName("Outer.=Value%%i4s")), "Value");
  EXPECT_EQ(Text(SignatureMethodName(nullptr)), "");
  EXPECT_EQ(Text(PropertyKeyDeclarationText("Left%i4%")), "Left As Int32");
  EXPECT_EQ(Text(PropertyKeyDeclarationText("Cells%a2o<Cell>%")), "Cells(,) As Cell");
  EXPECT_EQ(Text(PropertyKeyName("Cells%a2o<Cell>%")), "Cells");
  EXPECT_EQ(PropertyKeyType("Cells%a2o<Cell>%").dimensions, 2);

  qvtest::ReportCapture capture;
  EXPECT_EQ(Text(SignatureDeclarationText("=Lonely%%")), "Sub Lonely()");
  EXPECT_TRUE(capture.HasCondition("-1 != lastParamDeclStart"));
}

}  // namespace
