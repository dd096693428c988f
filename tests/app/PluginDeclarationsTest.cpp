// Plug-in declarations read into names, parameter records and types: every part of the
// syntax, read back through the declaration text the class registry prints, and the messages
// of declarations that are not valid.
#include <gtest/gtest.h>

#include <string>

#include "app/ExternalClasses.h"
#include "app/PluginDeclarations.h"
#include "app/PluginRegistry.h"
#include "core/TypeNames.h"

namespace {

class PluginDeclarations : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { RuntimeInitExternalClasses(); }

  // The declaration as a class definition prints it.
  static std::string Readback(PluginDeclaration& declaration) {
    ObjectMethod method;
    method.name = declaration.name;
    method.row.returnType = declaration.returnType;
    method.row.parameters = declaration.parameters.get();
    method.row.parameterCount = declaration.parameterCount;
    method.row.methodKind = declaration.MethodKind();
    return MethodDeclarationText(&method).CString();
  }

  static std::string Parse(const char* text) {
    PluginDeclaration declaration;
    string message;
    if (!ParsePluginMethodDeclaration(text, &declaration, &message)) return message.CString();
    return Readback(declaration);
  }
};

TEST_F(PluginDeclarations, ParametersTypesDefaultsAndReturnTypesReadBack) {
  EXPECT_EQ(Parse("Show"), "Sub Show()");
  EXPECT_EQ(Parse("Fold(times As Integer) As Integer // how often"),
            "Function Fold(times As Integer) As Integer");
  EXPECT_EQ(Parse("Paint(g As Object, ByRef x As Double, Const y As Single, ByVal c As Color = "
                  "&cFF0000, s As String = \"a\"\"b\", n As Integer = -5, flag As Boolean = True, "
                  "off As Boolean = False, v As Variant = Nil) As Boolean"),
            "Function Paint(g As Object, ByRef x As Double, y As Single, c As Color=&h00FF0000, "
            "s As String=\"a\"b\", n As Integer=-5, flag As Boolean=True, off As Boolean=False, "
            "v As Variant=Nil) As Boolean");
  EXPECT_EQ(Parse("Sum(values() As Double, rows() As Date) As String()"),
            "Function Sum(values() As Double, rows() As Date) As String()");
  EXPECT_EQ(Parse("Cast(a As UInt64, b As int32, c As CSTRING, d As Currency, e As OSType, "
                  "f As WindowPtr) As Ptr"),
            "Function Cast(a As UInt64, b As Integer, c As CString, d As Currency, e As OSType, "
            "f As WindowPtr) As Ptr");
}

TEST_F(PluginDeclarations, ExtendsOnTheFirstAndAssignsOnTheLastParameterSetTheKind) {
  const struct {
    const char* text;
    int32_t kind;
  } cases[] = {
      {"Value(Extends d As Dictionary, Assigns v As Variant)", kMethodExtendsAssigns},
      {"Value(d As Dictionary, Assigns v As Variant)", kMethodAssigns},
      {"Value(Extends d As Dictionary, v As Variant)", kMethodExtends},
      {"Value(d As Dictionary, Extends v As Variant)", kMethodPlain},
      {"Value(Assigns d As Dictionary, v As Variant)", kMethodPlain},
  };
  for (const auto& c : cases) {
    PluginDeclaration declaration;
    ASSERT_TRUE(ParsePluginMethodDeclaration(c.text, &declaration, nullptr)) << c.text;
    EXPECT_EQ(declaration.MethodKind(), c.kind) << c.text;
  }
  EXPECT_EQ(Parse("Value(Extends d As Dictionary, Assigns v As Variant)"),
            "Sub Value(Extends d As Dictionary, Assigns v As Variant)");
}

TEST_F(PluginDeclarations, TheParameterTextAndDefaultRangesAreKept) {
  const char* text = "Folded( times As Integer, ByRef why As String = \"no\" ) As Boolean";
  PluginDeclaration declaration;
  ASSERT_TRUE(ParsePluginMethodDeclaration(text, &declaration, nullptr));
  EXPECT_STREQ(declaration.parameterText.CString(),
               "times As Integer, ByRef why As String = \"no\"");
  EXPECT_STREQ(declaration.returnTypeText.CString(), "Boolean");
  const ParameterRecord& why = declaration.parameters[1];
  EXPECT_EQ(std::string(text + why.words[0], text + why.words[1]), "\"no\"");
  EXPECT_EQ(why.byRef, 1);
  EXPECT_STREQ(TypeCode(PluginArrayType(IntrinsicType(kIntrinsicDouble))).CString(), "a1f8");
  EXPECT_EQ(PluginArrayType(IntrinsicType(kIntrinsicDouble)),
            PluginArrayType(IntrinsicType(kIntrinsicDouble)));
}

TEST_F(PluginDeclarations, InvalidDeclarationsSayWhyAndWhere) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"", "Invalid plugin method format"},
      {"123", "Invalid plugin method format"},
      {"Fold(", "Invalid plugin method format"},
      {"Fold(x Integer)", "Invalid plugin method format"},
      {"Fold(x As)", "Invalid plugin method format"},
      {"Fold(x As Integer = )", "Invalid plugin method format"},
      {"Fold(x As Integer y As Integer)", "Invalid plugin method format"},
      {"Fold(x() As Integer) As Integer extra", "Invalid plugin method format"},
      {"Fold() As", "Invalid return type"},
      {"Fold() As 5", "Invalid return type"},
      {"Fold() As Integer(", "Invalid return type"},
      {"Fold() As Widget", "Unknown type \"Widget\""},
      {"Fold(w As Widget)", "Unknown type \"Widget\""},
      // Declarations translate the database classes' old names alone (checked below).
      {"Fold(c As ExcelApplication)", "Unknown type \"ExcelApplication\""},
  };
  for (const auto& c : cases) EXPECT_EQ(Parse(c.text), c.message + (":\r\r" + std::string(c.text)));
  EXPECT_EQ(Parse("Fold(c As DatabaseCursor)"), "Sub Fold(c As RecordSet)");

  PluginRecord* plugin = NewPluginRecord();
  plugin->installedPath = string("/tmp/.tmpAppData/AbCdEfG_libgadget.so");
  EXPECT_EQ(Parse("Fold() As 5"),
            "Invalid return type in /tmp/.tmpAppData/AbCdEfG_libgadget.so:\r\rFold() As 5");
  plugin->displayName = string("Gadgets");
  plugin->nameSet = true;
  EXPECT_EQ(Parse("Fold(w As Widget)"), "Unknown type \"Widget\" in Gadgets:\r\rFold(w As Widget)");
  SetCurrentPlugin(nullptr);
}

TEST_F(PluginDeclarations, AVeryLongNameIsCutAtTheTokenBuffer) {
  const std::string name(10000, 'q');
  PluginDeclaration declaration;
  ASSERT_TRUE(
      ParsePluginMethodDeclaration((name + "(x As Integer)").c_str(), &declaration, nullptr));
  EXPECT_EQ(declaration.name.Length(), 2045);
  EXPECT_EQ(declaration.parameterCount, 1);
}

TEST(PluginTypeNames, IntrinsicNamesAndHexText) {
  const char* const names[] = {"UInt64",  "Int64",  "UInt32",  "UInt16",    "Int16",
                               "UInt8",   "Int8",   "Ptr",     "WindowPtr", "CString",
                               "PString", "OSType", "Currency"};
  for (const char* name : names) {
    const IntrinsicTypeRecord* record = IntrinsicTypeForPluginName(name);
    ASSERT_NE(record, nullptr) << name;
    EXPECT_STREQ(record->name, name);
  }
  EXPECT_STREQ(IntrinsicTypeForPluginName("int32")->name, "Integer");
  EXPECT_EQ(IntrinsicTypeForPluginName("Integer"), nullptr);  // a keyword, not a plug-in name
  EXPECT_EQ(IntrinsicTypeForPluginName("Short"), nullptr);
  char text[9];
  FormatHex32(0xABC, text);
  EXPECT_STREQ(text, "00000ABC");
  FormatHex32(0xFEDCBA98, text);
  EXPECT_STREQ(text, "FEDCBA98");
}

}  // namespace
