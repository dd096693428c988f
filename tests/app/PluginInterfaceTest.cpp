// The plug-in interface in process, over classes built as compiled code builds them: every
// name a plug-in looks up, class introspection, the method lookup's edge cases, and what the
// plug-in run (PluginInterfaceImageTest) cannot see: control names, the socket mark and the
// command line's very vector.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/ExternalClasses.h"
#include "app/PluginClassIntrospection.h"
#include "app/PluginDataSources.h"
#include "app/PluginLoader.h"
#include "app/PluginMethodLookup.h"
#include "app/PluginRegistry.h"
#include "app/PluginServices.h"
#include "app/RuntimeMain.h"
#include "controls/ControlClasses.h"
#include "controls/PluginControls.h"
#include "core/ClassRegistry.h"
#include "core/FieldAccessors.h"
#include "core/GlobalFunctions.h"
#include "values/MathFunctions.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/TestClasses.h"
#include "support/TestSupport.h"

namespace {

using qvtest::MakeClass;
using qvtest::NewName;

std::string Text(stringStorage* s) { return stringStorage::CString(s); }

// Takes over a string handed out with a reference: its text, the reference dropped.
std::string Taken(stringStorage* s) {
  const std::string text = Text(s);
  stringStorage::RemoveReference(s);
  return text;
}

template <typename Function>
Function Export(const char* name) {
  return reinterpret_cast<Function>(PluginLookupCallback(name));
}

int32_t MethodDraw(RuntimeObject*) { return 1; }
int32_t MethodValue(RuntimeObject*) { return 7; }

// --- Names ------------------------------------------------------------------------------

// Every function of the interface is there under its name (and the aliases under theirs).
TEST(PluginInterface, EveryFunctionIsFoundThroughTheLookupCallback) {
  for (const char* name : {"StringGetCString",
                           "StringGetPString",
                           "QUORBuildString",
                           "QUORLockString",
                           "QUORUnlockString",
                           "QUORLockObject",
                           "QUORUnlockObject",
                           "QUORGetControlName",
                           "QUORGetProjectFolder",
                           "QUORGetQVVersion",
                           "QUORGetGraphicsFontStyle",
                           "QUORGetGraphicsOrigin",
                           "QUORSetGraphicsOrigin",
                           "QUORLoadGlobalMethod",
                           "QUORLoadObjectMethod",
                           "QUORCountClassMethods",
                           "QUORGetClassMethod",
                           "QUORCountClassProperties",
                           "QUORGetClassProperty",
                           "QUORGetPropValueInt",
                           "QUORGetPropValueInt64",
                           "QUORGetPropValueUInt64",
                           "QUORGetPropValueUInt32",
                           "QUORGetPropValueUInt16",
                           "QUORGetPropValueInt16",
                           "QUORGetPropValueUInt8",
                           "QUORGetPropValueBool",
                           "QUORGetPropValueInt8",
                           "QUORGetPropValueDouble",
                           "QUORGetPropValueSingle",
                           "QUORGetPropValueString",
                           "QUORGetPropValueObject",
                           "QUORSetPropValueInt",
                           "QUORSetPropValueUInt32",
                           "QUORSetPropValueUInt64",
                           "QUORSetPropValueInt64",
                           "QUORSetPropValueUInt16",
                           "QUORSetPropValueInt16",
                           "QUORSetPropValueUInt8",
                           "QUORSetPropValueBoolean",
                           "QUORSetPropValueInt8",
                           "QUORSetPropValueSingle",
                           "QUORSetPropValueDouble",
                           "QUORSetPropValueString",
                           "QUORSetPropValueObject",
                           "RegisterDataSource",
                           "OpenRegisteredDataSource",
                           "RegisterDataSourceInterface",
                           "DesignAddDataSource",
                           "PluginInterpretConstantValue",
                           "PluginDefaultControlFont",
                           "PluginDefaultControlCaption",
                           "PluginDefaultControlFontSize",
                           "PluginMarkSocketUsage",
                           "QUORGetCommandLineForUnix"})
    EXPECT_NE(PluginLookupCallback(name), nullptr) << name;
  EXPECT_EQ(PluginLookupCallback("QUORGetPropValueBool"),
            PluginLookupCallback("quorgetpropvalueuint8"));
  EXPECT_EQ(PluginLookupCallback("QUORLockObject"), reinterpret_cast<void*>(&RuntimeLockObject));
}

// --- Objects ----------------------------------------------------------------------------

TEST(PluginInterface, ControlNamesAreHandedOutWithAReference) {
  RuntimeInitExternalClasses();
  RuntimeObject* control = NewObjectFromDefinition(ControlClassDefinition());
  ASSERT_NE(control, nullptr);
  auto* fields = reinterpret_cast<ControlObject*>(control);
  fields->name = NewName("OKButton");
  auto lockObject = Export<void (*)(RuntimeObject*)>("QUORLockObject");
  auto unlockObject = Export<void (*)(RuntimeObject*)>("QUORUnlockObject");
  lockObject(control);
  EXPECT_EQ(control->refCount, 2);
  unlockObject(control);
  stringStorage* name = QUORGetControlName(control);
  EXPECT_EQ(name, fields->name);
  EXPECT_EQ(name->refCount, 2u);
  stringStorage::RemoveReference(name);
  RuntimeObject* notControl = NewObjectFromDefinition(ObjectClassDefinition());
  EXPECT_EQ(QUORGetControlName(notControl), nullptr);
  RuntimeUnlockObject(notControl);
  RuntimeUnlockObject(control);
}

// --- Class introspection ----------------------------------------------------------------

TEST(PluginInterface, ClassMethodsAreNumberedAcrossBothTablesAndReadAsDeclarations) {
  RuntimeClass* cls = MakeClass(nullptr, "Introspected", 0, {.methods = 1, .namedMethods = 2});
  cls->methodTable[0] = {reinterpret_cast<void*>(&MethodDraw), NewName("Draw%%o<Introspected>")};
  cls->namedMethodTable[0] = {reinterpret_cast<void*>(&MethodValue), NewName("=Value%%i4s")};
  cls->namedMethodTable[1] = {nullptr, NewName("Gone%%")};
  EXPECT_EQ(QUORCountClassMethods(cls), 3);
  void* function = nullptr;
  stringStorage* declaration = nullptr;
  ASSERT_EQ(QUORGetClassMethod(cls, 1, &function, &declaration), 1);
  EXPECT_EQ(function, reinterpret_cast<void*>(&MethodValue));
  EXPECT_EQ(declaration->refCount, 1u);
  EXPECT_EQ(Taken(declaration), "Sub Value(param0 As Int32, Assigns param1 As String)");
  ASSERT_EQ(QUORGetClassMethod(cls, 0, nullptr, &declaration), 1);
  EXPECT_EQ(Taken(declaration), "Sub Draw(param0 As Introspected)");
  function = nullptr;
  EXPECT_EQ(QUORGetClassMethod(cls, 0, &function, nullptr), 1);
  EXPECT_EQ(function, reinterpret_cast<void*>(&MethodDraw));
  EXPECT_EQ(QUORGetClassMethod(cls, 2, &function, &declaration), 0);  // no function
  qvtest::ReportCapture capture;
  EXPECT_EQ(QUORGetClassMethod(cls, 3, &function, &declaration), 0);
  EXPECT_EQ(QUORGetClassMethod(cls, -1, &function, &declaration), 0);
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("item"));
}

TEST(PluginInterface, ClassPropertiesResolveTheDefaultAccessorsByTypeCode) {
  RuntimeClass* cls = MakeClass(nullptr, "Propertied", 6, {.properties = 6});
  auto own = reinterpret_cast<void*>(&MethodValue);
  auto word = [](uintptr_t value) { return reinterpret_cast<void*>(value); };
  const struct {
    const char* key;
    void* getter;
    void* setter;
    void* expectedGetter;
    void* expectedSetter;
    const char* declaration;
  } rows[] = {
      {"Ratio%f8%", word(1), word(0), reinterpret_cast<void*>(&doubleGetter), nullptr,
       "Ratio As Double"},
      {"Odd%f2%", word(1), word(1), nullptr, nullptr, "Odd As "},
      {"Big%i8%", word(1), word(1), reinterpret_cast<void*>(&int64Getter),
       reinterpret_cast<void*>(&int64Setter), "Big As Int64"},
      {"Small%i2%", word(1), word(1), reinterpret_cast<void*>(&shortGetter),
       reinterpret_cast<void*>(&shortSetter), "Small As Int16"},
      {"Tint%c%", own, word(1), own, reinterpret_cast<void*>(&intSetter), "Tint As Color"},
      {"Grid%a2s%", word(1), word(1), reinterpret_cast<void*>(&arrayGetter),
       reinterpret_cast<void*>(&arraySetter), "Grid(,) As String"},
  };
  for (int32_t i = 0; i < 6; ++i)
    cls->propertyTable[i] = {NewName(rows[i].key), uint32_t(24 + 4 * i), rows[i].getter,
                             rows[i].setter};
  EXPECT_EQ(QUORCountClassProperties(cls), 6);
  for (int32_t i = 0; i < 6; ++i) {
    void* getter = word(99);
    void* setter = word(99);
    uint32_t parameter = 0;
    stringStorage* declaration = nullptr;
    ASSERT_EQ(QUORGetClassProperty(cls, i, &getter, &setter, &parameter, &declaration), 1);
    EXPECT_EQ(getter, rows[i].expectedGetter) << rows[i].key;
    EXPECT_EQ(setter, rows[i].expectedSetter) << rows[i].key;
    EXPECT_EQ(parameter, uint32_t(24 + 4 * i));
    EXPECT_EQ(Taken(declaration), rows[i].declaration);
  }
  EXPECT_EQ(QUORGetClassProperty(cls, 1, nullptr, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(QUORGetClassProperty(cls, 6, nullptr, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(QUORGetClassProperty(cls, -1, nullptr, nullptr, nullptr, nullptr), 0);
}

// --- Method lookup ----------------------------------------------------------------------

int32_t LookerValue(RuntimeObject*) { return 7; }
void LookerSetSize(RuntimeObject*, int32_t) {}
RuntimeObject* LookerMake(RuntimeObject*) { return nullptr; }
RuntimeObject* LookerBase(RuntimeObject*) { return nullptr; }
void LookerSwap(RuntimeObject*, int32_t*) {}
void LookerDraw(RuntimeObject*) {}
int64_t CounterCount(RuntimeObject*) { return 1; }
int32_t CounterCountOf(RuntimeObject*, int32_t) { return 2; }

// Two registered classes, one derived from the other, and a class whose methods return and
// take them.
class MethodLookup : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static ObjectDefinition base, derived;
    base.className = "LookBase";
    derived.className = "LookDerived";
    derived.super = &base;
    RegisterClassDefinition(&base);
    RegisterClassDefinition(&derived);
    sLooker = MakeClass(nullptr, "Looker", 0, {.methods = 1, .namedMethods = 5});
    sLooker->methodTable[0] = {Address(&LookerDraw), NewName("Draw%%o<Looker>")};
    const std::pair<void*, const char*> named[] = {
        {Address(&LookerValue), "Value%i4%o<Looker>"},
        {Address(&LookerSetSize), "=Size%%o<Looker>i4"},
        {Address(&LookerMake), "Make%o<LookDerived>%o<Looker>"},
        {Address(&LookerBase), "Base%o<LookBase>%o<Looker>"},
        {Address(&LookerSwap), "Swap%%o<Looker>&i4"}};
    for (int32_t i = 0; i < 5; ++i)
      sLooker->namedMethodTable[i] = {named[i].first, NewName(named[i].second)};
  }
  template <typename F>
  static void* Address(F function) {
    return reinterpret_cast<void*>(function);
  }
  void* Find(const char* declaration) {
    RuntimeObject* object = RuntimeNewObject(sLooker);
    void* found = QUORLoadObjectMethod(object, declaration);
    RuntimeUnlockObject(object);
    return found;
  }
  static RuntimeClass* sLooker;
};
RuntimeClass* MethodLookup::sLooker = nullptr;

TEST_F(MethodLookup, NamesAndKeywordsIgnoreCaseAndAssignsIsNotCompared) {
  EXPECT_EQ(Find("value() as integer"), Address(&LookerValue));
  EXPECT_EQ(Find("VALUE() AS INT32"), Address(&LookerValue));
  EXPECT_EQ(Find("draw"), Address(&LookerDraw));  // the method table comes first
  EXPECT_EQ(Find("size(assigns foo as Integer)"), Address(&LookerSetSize));
  EXPECT_EQ(Find("Size(other As Integer)"), Address(&LookerSetSize));
  EXPECT_EQ(Find("Size(assigns foo as Integer) As Integer"), nullptr);
  // Inherited methods are found in a subclass, whose tables start with the parent's.
  RuntimeClass* sub = MakeClass(sLooker, "SubLooker", 0, {.methods = 1, .namedMethods = 5});
  RuntimeObject* object = RuntimeNewObject(sub);
  EXPECT_EQ(QUORLoadObjectMethod(object, "Value() As Integer"), Address(&LookerValue));
  RuntimeUnlockObject(object);
}

TEST_F(MethodLookup, TypesMustAgreeAndAClassReturnMayOnlyNarrow) {
  EXPECT_EQ(Find("Make() As LookBase"), Address(&LookerMake));
  EXPECT_EQ(Find("Make() As LookDerived"), Address(&LookerMake));
  EXPECT_EQ(Find("Make() As Object"), Address(&LookerMake));
  EXPECT_EQ(Find("Base() As LookDerived"), nullptr);
  EXPECT_EQ(Find("Base() As LookBase"), Address(&LookerBase));
  EXPECT_EQ(Find("Swap(ByRef x As Integer)"), Address(&LookerSwap));
  EXPECT_EQ(Find("Swap(x As Integer)"), nullptr);
  EXPECT_EQ(Find("Value() As Int64"), nullptr);
  EXPECT_EQ(Find("Value(x As Integer) As Integer"), nullptr);
  EXPECT_EQ(Find("Value()"), nullptr);
  RuntimeClass* counter = MakeClass(nullptr, "Counter", 0, {.namedMethods = 2});
  counter->namedMethodTable[0] = {Address(&CounterCount), NewName("Count%i8%o<Counter>")};
  counter->namedMethodTable[1] = {Address(&CounterCountOf), NewName("Count%i4%o<Counter>i4")};
  RuntimeObject* object = RuntimeNewObject(counter);
  EXPECT_EQ(QUORLoadObjectMethod(object, "count() as integer"), nullptr);
  EXPECT_EQ(QUORLoadObjectMethod(object, "count() as int64"), Address(&CounterCount));
  EXPECT_EQ(QUORLoadObjectMethod(object, "count(n as integer) as integer"),
            Address(&CounterCountOf));
  RuntimeUnlockObject(object);
}

TEST_F(MethodLookup, GlobalFunctionsIgnoreTheFirstArgumentAndBadTextsFindNothingQuietly) {
  qvtest::ReportCapture capture;
  for (uint32_t first : {0u, 1u, 0xDEADBEEFu}) {
    EXPECT_EQ(QUORLoadGlobalMethod(first, "abs(x as double) as double"), Address(&RuntimeAbs));
    EXPECT_EQ(QUORLoadGlobalMethod(first, "Left(s As String, n As Integer) As String"),
              LookupGlobalFunction(string("Left"))->a.toc);
  }
  EXPECT_NE(QUORLoadGlobalMethod(0, "Max(a As Double, b As Double, c() As Double) As Double"),
            nullptr);
  EXPECT_EQ(QUORLoadGlobalMethod(0, "Abs(x As Single) As Double"), nullptr);
  EXPECT_EQ(QUORLoadGlobalMethod(0, "Abs(x As Double)"), nullptr);
  EXPECT_EQ(QUORLoadGlobalMethod(0, "NoSuchFunction() As Integer"), nullptr);
  for (const char* bad : {"", "(", "Value(", "Value() As", "Value(x As Nothing)", "1x"}) {
    EXPECT_EQ(QUORLoadGlobalMethod(0, bad), nullptr) << bad;
    EXPECT_EQ(Find(bad), nullptr) << bad;
  }
  EXPECT_EQ(QUORLoadGlobalMethod(0, nullptr), nullptr);
  EXPECT_EQ(Find(nullptr), nullptr);
  EXPECT_EQ(QUORLoadObjectMethod(nullptr, "Value() As Integer"), nullptr);
  EXPECT_TRUE(capture.empty());
}

// A parsed declaration compares with a table entry field by field; the method kind is not
// compared, nor are parameter names.
TEST_F(MethodLookup, ParsedDeclarationsCarryTheEntryFields) {
  ParsedMethodDeclaration a, b;
  ASSERT_TRUE(ParseMethodDeclaration("Put(Extends s As String, Assigns v As Integer)", &a));
  EXPECT_STREQ(a.row.name, "Put");
  EXPECT_EQ(a.row.parameterCount, 2);
  EXPECT_EQ(a.row.methodKind, kMethodExtendsAssigns);
  ASSERT_TRUE(ParseMethodDeclaration("PUT(x As String, y As Integer)", &b));
  EXPECT_TRUE(MethodDeclarationsMatch(a.row, b.row));
  EXPECT_FALSE(ParseMethodDeclaration("Put(", &b));
  EXPECT_EQ(b.row.name, nullptr);
  qvtest::ReportCapture capture;
  EXPECT_FALSE(ParseMethodDeclaration("Put", nullptr));
  EXPECT_TRUE(capture.HasCondition("outMethod and outName"));
}

// --- Data sources, the socket mark, the command line ------------------------------------

int32_t gOpenedBy = 0;
RuntimeObject* OpenNewer(uint32_t first, uint32_t second) {
  gOpenedBy = int32_t(first + second);
  return nullptr;
}

// A nil name registers the empty name; a name nobody registered opens nothing, nor does a
// newest registration that gave no open function (it is not called).
TEST(PluginInterface, DataSourcesOfTheEmptyNameAndOfNoName) {
  const string other("IfaceOther");
  EXPECT_EQ(OpenRegisteredDataSource(other.Storage(), 1, 2), nullptr);
  EXPECT_EQ(gOpenedBy, 0);
  RegisterDataSource(nullptr, OpenNewer);
  OpenRegisteredDataSource(nullptr, 2, 3);
  EXPECT_EQ(gOpenedBy, 5);
  RegisterDataSource("IfaceNoOpener", OpenNewer);
  RegisterDataSource("ifacenoopener", nullptr);
  qvtest::ReportCapture capture;
  const string noOpener("IFACENOOPENER");
  EXPECT_EQ(OpenRegisteredDataSource(noOpener.Storage(), 4, 4), nullptr);
  EXPECT_EQ(gOpenedBy, 5);
  EXPECT_TRUE(capture.empty());
}

TEST(PluginInterface, TheSocketMarkAndTheCommandLine) {
  PluginRecord* plugin = NewPluginRecord();
  PluginMarkSocketUsage();
  EXPECT_EQ(plugin->socketUsage, 1);
  SetCurrentPlugin(nullptr);
  PluginRecord* later = NewPluginRecord();
  SetCurrentPlugin(nullptr);
  PluginMarkSocketUsage();  // after registration: nothing
  EXPECT_EQ(later->socketUsage, 0);

  char** savedVector = gRuntimeArgv;
  char program[] = "program";
  char* vector[] = {program, nullptr};
  gRuntimeArgv = vector;
  EXPECT_EQ(QUORGetCommandLineForUnix(), vector);
  gRuntimeArgv = savedVector;
}

}  // namespace
