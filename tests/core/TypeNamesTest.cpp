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

// Class definitions used as types.
struct Classes {
  ObjectDefinition window, menuItem, systemClass, dictionary, variant;
  Classes() {
    window.className = "Window";
    menuItem.className = "MenuItem";
    systemClass.className = "_SystemClass";
    dictionary.className = "Dictionary";
    variant.className = "Variant";
  }
};

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
  m.row.parameters = params.empty() ? nullptr : params.data();
  m.row.parameterCount = static_cast<int32_t>(params.size());
  m.row.methodKind = kind;
  return m;
}

// The code table as the interface with compiled code fixes it.
const std::vector<std::pair<const char*, const char*>> kGoldenCodes = {
    {"String", "s"},   {"Integer", "i4"}, {"Boolean", "b"},    {"Single", "f4"},
    {"Double", "f8"},  {"Color", "c"},    {"Ptr", "p"},        {"CString", "z"},
    {"PString", "l"},  {"WindowPtr", "w"}, {"Class", "x"},     {"Int32", "i4"},
    {"UInt32", "u4"},  {"Int64", "i8"},   {"UInt64", "u8"},    {"Int16", "i2"},
    {"UInt16", "u2"},  {"Int8", "i1"},    {"UInt8", "u1"},     {"Byte", "u1"},
    {"Short", "i2"},   {"Currency", "e"},
};

TEST(TypeCodeTest, IntrinsicNamesInAnyCase) {
  for (const auto& [name, code] : kGoldenCodes) {
    std::string upper(name), lower(name);
    for (char& c : upper) c = static_cast<char>(toupper(c));
    for (char& c : lower) c = static_cast<char>(tolower(c));
    for (const std::string& spelled : {std::string(name), upper, lower}) {
      IntrinsicTypeRecord record{kTypeKindIntrinsic, spelled.c_str(), nullptr, nullptr, nullptr,
                                 nullptr};
      EXPECT_EQ(Text(TypeCode(AsTypeDescriptor(&record))), code) << spelled;
      EXPECT_EQ(Text(TypeName(AsTypeDescriptor(&record))), spelled);
    }
  }
}

TEST(TypeCodeTest, UnknownIntrinsicNameReportsAndGivesEmpty) {
  qvtest::ReportCapture capture;
  EXPECT_TRUE(TypeCode(Intrinsic(kIntrinsicForm)).IsEmpty());
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].condition, "0");
  EXPECT_EQ(capture.reports()[0].extra, "Unknown type name: Form");
}

TEST(TypeCodeTest, ArraysClassesAndUnnamed) {
  Classes c;
  ArrayTypeDescriptor strings{kTypeKindArray, Intrinsic(kIntrinsicString), 1};
  ArrayTypeDescriptor doubles{kTypeKindArray, Intrinsic(kIntrinsicDouble), 2};
  ArrayTypeDescriptor windows{kTypeKindArray, c.window.AsType(), 3};
  EXPECT_EQ(Text(TypeCode(AsTypeDescriptor(&strings))), "a1s");
  EXPECT_EQ(Text(TypeCode(AsTypeDescriptor(&doubles))), "a2f8");
  EXPECT_EQ(Text(TypeName(AsTypeDescriptor(&doubles))), "Double()");
  EXPECT_EQ(Text(TypeCode(AsTypeDescriptor(&windows))), "a3o<Window>");
  EXPECT_EQ(Text(TypeName(AsTypeDescriptor(&windows))), "Window()");
  EXPECT_EQ(Text(TypeCode(c.window.AsType())), "o<Window>");
  EXPECT_EQ(Text(TypeCode(c.variant.AsType())), "v");
  TypeDescriptor unnamed{kTypeKindUnnamed};
  EXPECT_EQ(Text(TypeCode(&unnamed)), "o<>");
  TypeDescriptor strange{7};
  EXPECT_TRUE(TypeCode(&strange).IsEmpty());
  EXPECT_TRUE(TypeName(&strange).IsEmpty());

  qvtest::ReportCapture capture;
  ArrayTypeDescriptor broken{kTypeKindArray, nullptr, 1};
  EXPECT_TRUE(TypeName(AsTypeDescriptor(&broken)).IsEmpty());
  EXPECT_TRUE(capture.HasCondition("atype->elementType"));
}

TEST(SignatureKeyTest, GoldenKeysOfThePublishedExamples) {
  Classes c;
  std::vector<ParameterRecord> none;
  ObjectMethod show = Method("Show", nullptr, none);
  EXPECT_EQ(Text(MethodSignatureKey(&show, c.window.AsType(), false)), "Show%%o<Window>");

  ObjectMethod count = Method("Count", Intrinsic(kIntrinsicInteger), none);
  EXPECT_EQ(Text(MethodSignatureKey(&count, c.menuItem.AsType(), false)),
            "Count%i4%o<MenuItem>");

  std::vector<ParameterRecord> gestaltParams = {Param("selector", Intrinsic(kIntrinsicString)),
                                                Param("result", Intrinsic(kIntrinsicInteger), true)};
  ObjectMethod gestalt = Method("Gestalt", Intrinsic(kIntrinsicBoolean), gestaltParams);
  EXPECT_EQ(Text(MethodSignatureKey(&gestalt, c.systemClass.AsType(), false)),
            "Gestalt%b%o<_SystemClass>s&i4");

  std::vector<ParameterRecord> rectParams = {
      Param("x", Intrinsic(kIntrinsicInteger)), Param("y", Intrinsic(kIntrinsicInteger)),
      Param("w", Intrinsic(kIntrinsicInteger)), Param("h", Intrinsic(kIntrinsicInteger)),
      Param("erase", Intrinsic(kIntrinsicBoolean))};
  ObjectMethod refresh = Method("RefreshRect", nullptr, rectParams);
  EXPECT_EQ(Text(MethodSignatureKey(&refresh, c.window.AsType(), false)),
            "RefreshRect%%o<Window>i4i4i4i4b");

  std::vector<ParameterRecord> valueParams = {Param("key", c.variant.AsType())};
  ObjectMethod value = Method("Value", c.variant.AsType(), valueParams);
  EXPECT_EQ(Text(MethodSignatureKey(&value, c.dictionary.AsType(), true)),
            "=Value%%o<Dictionary>vv");
  EXPECT_EQ(Text(MethodSignatureKey(&value, c.dictionary.AsType(), false)),
            "Value%v%o<Dictionary>v");

  // The alias replaces the name; no owner gives no owner code.
  count.alias = "Items";
  EXPECT_EQ(Text(MethodSignatureKey(&count, nullptr, false)), "Items%i4%");
}

TEST(SignatureKeyTest, NilParameterTypeReports) {
  std::vector<ParameterRecord> params = {Param("x", nullptr), Param("y", Intrinsic(kIntrinsicDouble))};
  ObjectMethod m = Method("Move", nullptr, params);
  qvtest::ReportCapture capture;
  EXPECT_EQ(Text(MethodSignatureKey(&m, nullptr, false)), "Move%%f8");
  ASSERT_EQ(capture.count(), 1u);
  EXPECT_EQ(capture.reports()[0].condition, "param->parameterType");
  EXPECT_EQ(capture.reports()[0].extra, "Move has a null parameter type ptr");
}

TEST(SignatureKeyTest, PropertyKeys) {
  InstanceVariable left;
  left.name = "Left";
  left.varType = Intrinsic(kIntrinsicInteger);
  EXPECT_EQ(Text(PropertyKey(&left)), "Left%i4%");
  InstanceVariable title;
  title.name = "Title";
  title.varType = Intrinsic(kIntrinsicString);
  EXPECT_EQ(Text(PropertyKey(&title)), "Title%s%");
}

TEST(DeclarationTextTest, ParameterListsWithDefaults) {
  std::vector<ParameterRecord> params = {Param("s", Intrinsic(kIntrinsicString)),
                                         Param("start", Intrinsic(kIntrinsicInteger))};
  params[1].hasDefault = 1;
  params[1].defaultValue = 1;
  ObjectMethod inStr = Method("InStr", Intrinsic(kIntrinsicInteger), params, kMethodExtends);
  EXPECT_EQ(Text(MethodParameterListText(&inStr)), "Extends s As String, start As Integer=1");
  EXPECT_EQ(Text(MethodDeclarationText(&inStr)),
            "Function InStr(Extends s As String, start As Integer=1) As Integer");

  Classes c;
  string ab("ab");
  std::vector<ParameterRecord> defaults = {
      Param("tint", Intrinsic(kIntrinsicColor)), Param("text", Intrinsic(kIntrinsicString)),
      Param("flag", Intrinsic(kIntrinsicBoolean)), Param("off", Intrinsic(kIntrinsicBoolean)),
      Param("owner", c.window.AsType()), Param("delta", Intrinsic(kIntrinsicInteger))};
  for (auto& p : defaults) p.hasDefault = 1;
  defaults[0].defaultValue = 255;
  defaults[1].defaultValue = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(ab.Storage()));
  defaults[2].defaultValue = 1;
  defaults[3].defaultValue = 0;
  defaults[4].defaultValue = 0;
  defaults[5].defaultValue = static_cast<uint32_t>(-42);
  ObjectMethod m = Method("Paint", nullptr, defaults);
  m.userFlags = kItemPrivate | kItemProtected;
  EXPECT_EQ(Text(MethodDeclarationText(&m)),
            "Private Sub Paint(tint As Color=&h000000FF, text As String=\"ab\", "
            "flag As Boolean=True, off As Boolean=False, owner As Window=Nil, "
            "delta As Integer=-42)");
  EXPECT_FALSE(MethodParametersAllHaveDefaults(&inStr));
  EXPECT_TRUE(MethodParametersAllHaveDefaults(&m));
}

TEST(DeclarationTextTest, ExtendsAssignsByRefParamArrayAndArrays) {
  std::vector<ParameterRecord> one = {Param("v", Intrinsic(kIntrinsicInteger))};
  ObjectMethod both = Method("Prop", nullptr, one, kMethodExtendsAssigns);
  EXPECT_EQ(Text(MethodParameterListText(&both)), "Extends Assigns v As Integer");

  ArrayTypeDescriptor strings{kTypeKindArray, Intrinsic(kIntrinsicString), 1};
  std::vector<ParameterRecord> params = {Param("items", AsTypeDescriptor(&strings)),
                                         Param("count", Intrinsic(kIntrinsicInteger), true),
                                         Param("rest", Intrinsic(kIntrinsicDouble))};
  params[2].paramArray = 1;
  ObjectMethod m = Method("Fill", nullptr, params, kMethodAssigns);
  m.userFlags = kItemProtected;
  EXPECT_EQ(Text(MethodDeclarationText(&m)),
            "Protected Sub Fill(items() As String, ByRef count As Integer, "
            "Assigns ParamArray rest As Double)");

  std::vector<ParameterRecord> none;
  ObjectMethod stored = Method("Old", nullptr, none);
  stored.parameterText = "(a As Integer) // legacy";
  stored.returnTypeText = "Boolean";
  EXPECT_EQ(Text(MethodParameterListText(&stored)), "(a As Integer) // legacy");
  EXPECT_EQ(Text(MethodReturnTypeText(&stored)), "Boolean");
  EXPECT_TRUE(MethodTextOpensParameterList(&stored));
  stored.parameterText = "' (commented)";
  EXPECT_FALSE(MethodTextOpensParameterList(&stored));
}

TEST(DeclarationTextTest, Properties) {
  InstanceVariable p;
  p.name = "Caption";
  p.varType = Intrinsic(kIntrinsicString);
  EXPECT_EQ(Text(PropertyDeclarationText(&p)), "Caption As String");
  p.declarationFlags = kItemPrivate;
  EXPECT_EQ(Text(PropertyDeclarationText(&p)), "Private Caption As String");
  p.declarationFlags = kItemProtected;
  p.declarationText = "Caption As String = \"x\"";
  EXPECT_EQ(Text(PropertyDeclarationText(&p)), "Protected Caption As String = \"x\"");
  qvtest::ReportCapture capture;
  InstanceVariable untyped;
  untyped.name = "X";
  EXPECT_TRUE(PropertyDeclarationText(&untyped).IsEmpty());
  EXPECT_TRUE(capture.HasCondition("varType"));
}

// parse(print(x)) == x over every intrinsic type, array shape and class type.
std::vector<const TypeDescriptor*> EveryPrintableScalar(Classes& c) {
  std::vector<const TypeDescriptor*> out;
  for (int i = 0; i < kIntrinsicTypeCount; ++i) {
    const TypeDescriptor* t = Intrinsic(static_cast<IntrinsicTypeIndex>(i));
    if (IntrinsicTypeCode(AsIntrinsicType(t)->name)) out.push_back(t);
  }
  out.push_back(c.window.AsType());
  out.push_back(c.systemClass.AsType());
  out.push_back(c.variant.AsType());
  return out;
}

// What a descriptor prints as, read back by the independent rules of the code table.
ParsedType Expected(const TypeDescriptor* scalar, int32_t dimensions) {
  ParsedType t;
  t.dimensions = dimensions;
  if (scalar->kind == kTypeKindClass) {
    t.isClass = true;
    t.name = AsClassDefinition(scalar)->className;
    return t;
  }
  const std::string code = IntrinsicTypeCode(AsIntrinsicType(scalar)->name);
  for (const auto& [name, golden] : kGoldenCodes) {
    if (code == golden) {
      t.name = string(name);
      break;
    }
  }
  return t;
}

TEST(TypeCodeParseTest, RoundTripsEveryTypeAndArrayShape) {
  Classes c;
  for (const TypeDescriptor* scalar : EveryPrintableScalar(c)) {
    for (int32_t dims = 0; dims <= 12; dims += (dims < 3 ? 1 : 9)) {
      ArrayTypeDescriptor array{kTypeKindArray, scalar, dims};
      const TypeDescriptor* type = dims ? AsTypeDescriptor(&array) : scalar;
      const string code = TypeCode(type);
      ParsedType parsed;
      int32_t pos = 0;
      ASSERT_TRUE(ParseTypeCode(code.CString(), code.Length(), &pos, &parsed)) << Text(code);
      EXPECT_EQ(pos, code.Length());
      EXPECT_TRUE(parsed == Expected(scalar, dims)) << Text(code);
      // Printing what was read gives the same code again.
      if (!parsed.isClass) {
        IntrinsicTypeRecord again{kTypeKindIntrinsic, parsed.name.CString(), nullptr, nullptr,
                                  nullptr, nullptr};
        ArrayTypeDescriptor againArray{kTypeKindArray, AsTypeDescriptor(&again), dims};
        EXPECT_EQ(Text(TypeCode(dims ? AsTypeDescriptor(&againArray) : AsTypeDescriptor(&again))),
                  Text(code));
      }
    }
  }
}

TEST(TypeCodeParseTest, RejectsMalformedCodes) {
  for (const char* bad : {"", "a", "a0s", "ax", "o<Window", "o", "i", "i9", "q", "a2"}) {
    ParsedType parsed;
    int32_t pos = 0;
    EXPECT_FALSE(ParseTypeCode(bad, static_cast<int32_t>(strlen(bad)), &pos, &parsed)) << bad;
    EXPECT_EQ(pos, 0);
  }
}

TEST(SignatureKeyParseTest, MethodAndPropertyKeysRoundTrip) {
  Classes c;
  std::vector<ParameterRecord> params = {Param("s", Intrinsic(kIntrinsicString)),
                                         Param("n", Intrinsic(kIntrinsicInteger), true),
                                         Param("w", c.window.AsType())};
  ObjectMethod m = Method("Gestalt", Intrinsic(kIntrinsicBoolean), params);
  ParsedMethodKey key;
  ASSERT_TRUE(ParseMethodSignatureKey(MethodSignatureKey(&m, c.systemClass.AsType(), false),
                                      true, &key));
  EXPECT_FALSE(key.assigning);
  EXPECT_EQ(Text(key.name), "Gestalt");
  EXPECT_TRUE(key.hasReturnType);
  EXPECT_EQ(Text(key.returnType.name), "Boolean");
  EXPECT_EQ(Text(key.owner), "_SystemClass");
  ASSERT_EQ(key.parameters.size(), 3u);
  EXPECT_FALSE(key.parameters[0].byRef);
  EXPECT_TRUE(key.parameters[1].byRef);
  EXPECT_EQ(Text(key.parameters[1].type.name), "Integer");
  EXPECT_TRUE(key.parameters[2].type.isClass);
  EXPECT_EQ(Text(key.parameters[2].type.name), "Window");

  ParsedMethodKey assigning;
  ASSERT_TRUE(ParseMethodSignatureKey(string("=Value%%o<Dictionary>vv"), true, &assigning));
  EXPECT_TRUE(assigning.assigning);
  EXPECT_EQ(Text(assigning.owner), "Dictionary");
  ASSERT_EQ(assigning.parameters.size(), 1u);
  EXPECT_EQ(Text(assigning.returnType.name), "Variant");

  ParsedMethodKey global;
  ASSERT_TRUE(ParseMethodSignatureKey(string("Mid%s%sa1i4"), false, &global));
  EXPECT_TRUE(global.owner.IsEmpty());
  ASSERT_EQ(global.parameters.size(), 2u);
  EXPECT_EQ(global.parameters[1].type.dimensions, 1);

  for (const char* bad : {"", "Show", "%%", "Show%%o<Window", "Show%i4o<Window>", "=V%i4%o<D>"}) {
    ParsedMethodKey ignored;
    EXPECT_FALSE(ParseMethodSignatureKey(string(bad), true, &ignored)) << bad;
  }

  ParsedPropertyKey property;
  ASSERT_TRUE(ParsePropertyKey(string("Left%i4%"), &property));
  EXPECT_EQ(Text(property.name), "Left");
  EXPECT_EQ(Text(property.type.name), "Integer");
  EXPECT_FALSE(ParsePropertyKey(string("Left%i4"), &property));
  EXPECT_FALSE(ParsePropertyKey(string("Left%i4%x"), &property));
}

}  // namespace
