// The OLE classes on a platform without automation: every call that would reach a server
// raises OLEException with its message and number and answers its neutral value; OLEObject's
// operators work on its (nil) held value exactly as the Variant operations do; OLEParameter
// keeps what it is given; an OLEContainer never holds an object nor takes the focus.
#include <gtest/gtest.h>

#include <functional>

#include "ControlFixtures.h"
#include "arrays/RuntimeArray.h"
#include "controls/OLEContainer.h"
#include "controls/OLEObject.h"
#include "core/Exceptions.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/RaisedExceptions.h"
#include "values/VariantOperators.h"
#include "values/VariantTypes.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"

namespace {

struct Raised {
  std::string text;
  int32_t number;
};
std::vector<Raised>* gRaised = nullptr;

class OLETest : public testing::Test {
 protected:
  void SetUp() override {
    gRaised = &raised;
    SetRaiseExceptionHook([](RuntimeObject* e) {
      const stringStorage* message = AsException(e)->message;
      gRaised->push_back({std::string(stringStorage::CString(e->classPtr->className)) + ": " +
                              (message ? stringStorage::CString(message) : ""),
                          AsException(e)->errorNumber});
    });
    object = NewObjectFromDefinition(OLEObjectClassDefinition());
    ASSERT_NE(object, nullptr);
  }
  void TearDown() override {
    RuntimeUnlockObject(object);
    SetRaiseExceptionHook(nullptr);
    SetUnhandledExceptionHook(nullptr);
    gRaised = nullptr;
  }
  // Runs call, which must raise the one OLEException.
  void ExpectRaises(const std::string& what, const std::function<void()>& call) {
    raised.clear();
    call();
    ASSERT_EQ(raised.size(), 1u) << what;
    EXPECT_EQ(raised[0].text, "OLEException: OLE not supported on this platform.") << what;
    EXPECT_EQ(raised[0].number, 1) << what;
  }

  qvtest::RaisedExceptions recorder;  // registers the exception classes
  std::vector<Raised> raised;
  RuntimeObject* object = nullptr;
  string name{"Quit"};
};

TEST_F(OLETest, EveryAutomationCallRaisesAndAnswersItsNeutralValue) {
  stringStorage* n = name.Storage();
  RuntimeArray* params = CreateArray(1, kArrayObject, 1);
  RuntimeObject* five = Int32ToVariant(5);
  ExpectRaises("Invoke", [&] { EXPECT_EQ(OLEObjectInvoke(object, n), nullptr); });
  ExpectRaises("Invoke sub", [&] { OLEObjectInvokeNoReturnValue(object, n); });
  ExpectRaises("Invoke params",
               [&] { EXPECT_EQ(OLEObjectInvokeWithParams(object, n, params), nullptr); });
  ExpectRaises("Invoke params sub",
               [&] { OLEObjectInvokeWithParamsNoReturnValue(object, n, params); });
  ExpectRaises("Value", [&] { EXPECT_EQ(OLEObjectPropertyGetter(object, n), nullptr); });
  ExpectRaises("Value =", [&] { OLEObjectPropertySetter(object, n, five); });
  ExpectRaises("Value byvalue =", [&] { OLEObjectPropertySetterWithValue(object, n, 1, five); });
  ExpectRaises("Value params =",
               [&] { OLEObjectPropertySetterWithParameters(object, n, params, five); });
  for (bool withParams : {false, true}) {
    ExpectRaises("ValueArray", [&] {
      RuntimeArray* values = withParams
                                 ? OLEObjectPropertyArrayWithParametersGetter(object, n, params)
                                 : OLEObjectPropertyArrayGetter(object, n);
      ASSERT_NE(values, nullptr);
      EXPECT_EQ(RuntimeUBound(values), -1);
      RuntimeUnlockArray(values);
    });
  }
  string member("Name_");
  ExpectRaises("Lookup", [&] { OLEObjectNoReturnOperatorLookup(object, member.Storage(), params); });
  ExpectRaises("Lookup value", [&] {
    EXPECT_EQ(OLEObjectOperatorLookup(object, member.Storage(), params), nullptr);
  });
  ExpectRaises("Lookup =", [&] {
    OLEObjectOperatorLookupSetterWithParameters(object, member.Storage(), params, five);
  });
  raised.clear();
  EXPECT_EQ(OLEObjectTypeName(object), nullptr);
  OLEObjectProgramIDConstructor(object, n);
  OLEObjectNewInstanceConstructor(object, n, 1);
  EXPECT_TRUE(raised.empty()) << "making an OLEObject raises nothing";
  RuntimeUnlockObject(five);
  RuntimeUnlockArray(params);
}

TEST_F(OLETest, OperatorsApplyTheVariantOperationsToTheHeldValue) {
  using Binary = RuntimeObject* (*)(RuntimeObject*, RuntimeObject*);
  struct Case {
    const char* name;
    Binary ole;
    Binary variant;
    bool swapped;
  };
  const Case cases[] = {
      {"Add", OLEObjectOperatorAdd, VariantAdd, false},
      {"Subtract", OLEObjectOperatorSubtract, VariantSubtract, false},
      {"Multiply", OLEObjectOperatorMultiply, VariantMultiply, false},
      {"Divide", OLEObjectOperatorDivide, VariantDivide, false},
      {"IntegerDivide", OLEObjectOperatorIntegerDivide, VariantIntegerDivide, false},
      {"Modulo", OLEObjectOperatorModulo, VariantModulo, false},
      {"AddRight", OLEObjectOperatorAddRight, VariantAdd, true},
      {"SubtractRight", OLEObjectOperatorSubtractRight, VariantSubtract, true},
      {"MultiplyRight", OLEObjectOperatorMultiplyRight, VariantMultiply, true},
      {"DivideRight", OLEObjectOperatorDivideRight, VariantDivide, true},
      {"IntegerDivideRight", OLEObjectOperatorIntegerDivideRight, VariantIntegerDivide, true},
      {"ModuloRight", OLEObjectOperatorModuloRight, VariantModulo, true},
      {"And", OLEObjectOperatorAnd, VariantAnd, false},
      {"Or", OLEObjectOperatorOr, VariantOr, false},
  };
  RuntimeObject* seven = Int32ToVariant(7);
  for (const Case& c : cases) {
    raised.clear();
    RuntimeObject* ours = c.ole(object, seven);
    const size_t ourRaises = raised.size();
    RuntimeObject* direct = c.swapped ? c.variant(seven, nullptr) : c.variant(nullptr, seven);
    EXPECT_EQ(raised.size(), 2 * ourRaises) << c.name << ": the same raise, or none";
    EXPECT_EQ(VarType(ours), VarType(direct)) << c.name;
    if (ours && direct) {
      EXPECT_EQ(VariantCompare(ours, direct), 0) << c.name;
    }
    RuntimeUnlockObject(ours);
    RuntimeUnlockObject(direct);
  }
  using Unary = RuntimeObject* (*)(RuntimeObject*);
  const std::pair<Unary, Unary> unaries[] = {{OLEObjectOperatorNegate, VariantNegate},
                                             {OLEObjectOperatorNot, VariantNot}};
  for (auto [ole, variant] : unaries) {
    RuntimeObject* ours = ole(object);
    RuntimeObject* direct = variant(nullptr);
    EXPECT_EQ(VarType(ours), VarType(direct));
    if (ours && direct) {
      EXPECT_EQ(VariantCompare(ours, direct), 0);
    }
    RuntimeUnlockObject(ours);
    RuntimeUnlockObject(direct);
  }
  // Without a held value the object stands for itself.
  RuntimeObject* converted = OLEObjectOperatorConvert(object);
  RuntimeObject* boxed = ObjectToVariant(object);
  EXPECT_EQ(VarType(converted), VarType(boxed));
  EXPECT_EQ(VariantCompare(converted, boxed), 0);
  EXPECT_EQ(OLEObjectOperatorCompare(object, seven), VariantCompare(boxed, seven));
  RuntimeUnlockObject(boxed);
  RuntimeUnlockObject(converted);
  RuntimeUnlockObject(seven);
}

TEST_F(OLETest, AParameterKeepsItsValueAndValueArrayItsOwnIncluded) {
  RuntimeObject* parameter = NewObjectFromDefinition(OLEParameterClassDefinition());
  ASSERT_NE(parameter, nullptr);
  RuntimeObject* value = Int32ToVariant(12);
  OLEParameterValueSetter(parameter, value);
  RuntimeUnlockObject(value);  // the parameter's reference alone keeps it
  RuntimeObject* read = OLEParameterValueGetter(parameter);
  ASSERT_EQ(read, value);
  OLEParameterValueSetter(parameter, read);  // its own value again
  RuntimeUnlockObject(read);
  read = OLEParameterValueGetter(parameter);
  ASSERT_EQ(read, value);
  EXPECT_EQ(read->refCount, 2) << "the parameter's reference and ours";
  RuntimeUnlockObject(read);

  RuntimeArray* values = CreateArray(1, kArrayObject, 2);
  OLEParameterValueArraySetter(parameter, values);
  EXPECT_EQ(reinterpret_cast<OLEParameterRecord*>(parameter)->holdsArray, 1);
  OLEParameterValueArraySetter(parameter, values);
  RuntimeUnlockArray(values);
  EXPECT_EQ(RuntimeUBound(reinterpret_cast<OLEParameterRecord*>(parameter)->valueArray), 2);
  OLEParameterValueSetter(parameter, nullptr);
  EXPECT_EQ(reinterpret_cast<OLEParameterRecord*>(parameter)->holdsArray, 0);
  RuntimeUnlockObject(parameter);  // the destructor releases both
}

TEST(OLEContainer, NeverHoldsAnObjectNorTakesTheFocus) {
  qvtest::GuiDriver gui;
  if (!gui.ready()) GTEST_SKIP() << "needs a display";
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = kit.OpenAndFocus(gui, "OLE", {{.name = "Button", .bounds = {10, 10, 30, 90}}}, &xid);
  RuntimeObject* container = RuntimeNewObject(RuntimeLookupClass(string("OLEContainer").Storage()));
  ASSERT_NE(container, nullptr);
  ControlObject* record = AsControl(container);
  record->bounds = {50, 10, 150, 150};
  record->visible = record->enabled = 1;
  reinterpret_cast<OLEContainerObject*>(container)->programID = string("Word.Document").ExtractStringStorage();
  WindowAddControl(window, string("Box").Storage(), container);
  ASSERT_NE(record->pane, nullptr);
  EXPECT_EQ(OLEContainerCreateObject(container), 0);
  EXPECT_EQ(OLEContainerContentGetter(container, 0), nullptr);
  EXPECT_FALSE(record->pane->CanTakeFocus());
  OLEContainerDestroyObject(container);
  EXPECT_EQ(OLEContainerContentGetter(container, 0), nullptr);
  for (int tab = 0; tab < 4; ++tab) {
    gui.Key("Tab");
    EXPECT_NE(GetFocusPane(), record->pane);
  }
  RuntimeUnlockObject(container);
  (void)window;
}

}  // namespace
