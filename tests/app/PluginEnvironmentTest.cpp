// The environment, string and object functions of the plug-in interface, in process: encoding
// words, conversion and mnemonic stripping against the reference counts they promise; a turn
// for the background tasks that a yielding task cannot re-enter; objects made by class name
// (plug-in classes, classes compiled code registered, old names, interfaces refused), and
// interface routines and event handlers found for an object.
#include <gtest/gtest.h>

#include <string>

#include "app/BackgroundTask.h"
#include "app/ExternalClasses.h"
#include "app/PluginEnvironment.h"
#include "app/PluginLoader.h"
#include "app/PluginObjects.h"
#include "app/PluginRegistration.h"
#include "app/PluginRegistry.h"
#include "core/ClassRegistry.h"
#include "core/EventHandlers.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/TestClasses.h"
#include "database/DatabaseClasses.h"

namespace {

std::string Taken(stringStorage* s) {
  const std::string text = stringStorage::CString(s);
  stringStorage::RemoveReference(s);
  return text;
}

// Every function of this half of the interface is found under its name, aliases included.
TEST(PluginEnvironment, EveryFunctionIsFoundThroughTheLookupCallback) {
  for (const char* name :
       {"QUORinRuntime", "QUORInDebugMode", "QUORYieldToQV", "QUORSetAccelerator",
        "QUORGetStackLimit", "QUORSetStackLimit", "QUORGetStringEncoding",
        "QUORSetStringEncoding", "QUORGetFontEncoding", "QUORConvertString",
        "QUORStripAmpersands", "PluginNewInstance", "pluginObjectType", "PluginNewOfSameClass",
        "GetInterfaceRoutine", "GetEventInstance", "GetEventInstancePPC", "GetControlBounds",
        "PluginGetControlBounds", "GetControlVisible", "SetControlVisible",
        "GetTabPanelVisible", "QUORGetControlEnabled", "QUORGetControlFocus",
        "QUORSetControlFocus", "QUORGetControlGraphics", "QUORInvalidateControl",
        "QUORInvalidateControlRect", "QUORGetControlHandle", "QUORGetWindowHandle",
        "QUORIsHIViewWindow", "getControlWindow", "QUORGetControlParent",
        "QUORSetGraphicsStyle", "QUORGraphicsDC", "QUORGraphicsGdkDrawable",
        "QUORGetPictureMask", "QUORPictureClearCache", "QUORBuildPictureFromBuffer",
        "QUORBuildPictureFromPictureDescription", "QUORBuildPictureFromGWorld",
        "lockPictureDescription", "QUORLockPictureDescription", "unlockPictureDescription",
        "QUORDrawPicturePrimitive", "CustomControlCreatePane"}) {
    EXPECT_NE(PluginLookupCallback(name), nullptr) << name;
  }
  EXPECT_EQ(PluginLookupCallback("GetEventInstancePPC"), PluginLookupCallback("GetEventInstance"));
  EXPECT_EQ(PluginLookupCallback("PluginGetControlBounds"),
            PluginLookupCallback("GetControlBounds"));
}

TEST(PluginEnvironment, RuntimeDebugModeAndStackLimit) {
  EXPECT_EQ(QUORinRuntime(), 1);
  EXPECT_EQ(QUORInDebugMode(), 0);
  const uintptr_t limit = QUORGetStackLimit();
  QUORSetStackLimit(limit - 4096);
  EXPECT_EQ(QUORGetStackLimit(), limit - 4096);
  QUORSetStackLimit(limit);
  EXPECT_EQ(QUORGetStackLimit(), limit);
  QUORSetAccelerator();
}

TEST(PluginEnvironment, EncodingWordsAreSetAndReadWithoutConverting) {
  EXPECT_EQ(QUORGetStringEncoding(nullptr), 0x600u);
  QUORSetStringEncoding(nullptr, kEncodingUTF8);  // ignored, no fault
  stringStorage* s = string("caf\xC3\xA9").ExtractStringStorage();
  QUORSetStringEncoding(s, kEncodingUTF8);
  EXPECT_EQ(QUORGetStringEncoding(s), kEncodingUTF8);
  QUORSetStringEncoding(s, kEncodingWindowsLatin1);
  EXPECT_EQ(QUORGetStringEncoding(s), kEncodingWindowsLatin1);
  EXPECT_EQ(stringStorage::Length(s), 5) << "the bytes stay as they were";
  QUORSetStringEncoding(s, kEncodingUTF8);
  EXPECT_EQ(QUORGetFontEncoding(nullptr), 0x08000100u);
  EXPECT_EQ(QUORGetFontEncoding(s), 0x08000100u);

  stringStorage* latin = QUORConvertString(s, kEncodingWindowsLatin1);
  EXPECT_EQ(QUORGetStringEncoding(latin), kEncodingWindowsLatin1);
  EXPECT_EQ(Taken(latin), "caf\xE9");
  EXPECT_EQ(stringStorage::Length(s), 5) << "the argument is untouched";
  EXPECT_EQ(stringStorage::CString(s), std::string("caf\xC3\xA9"));
  EXPECT_EQ(QUORGetStringEncoding(s), kEncodingUTF8);
  stringStorage::RemoveReference(s);
  stringStorage* none = QUORConvertString(nullptr, kEncodingUTF8);
  EXPECT_EQ(stringStorage::Length(none), 0);
  stringStorage::RemoveReference(none);
}

TEST(PluginEnvironment, StrippingAmpersandsReplacesTheHandlesString) {
  stringStorage* original = string("&&Save &As").ExtractStringStorage();
  stringStorage::AddReference(original);  // ours, to watch the handle's go
  stringStorage* handle = original;
  QUORStripAmpersands(&handle);
  EXPECT_NE(handle, original);
  EXPECT_EQ(stringStorage::CString(handle), std::string("&Save As"));
  EXPECT_EQ(original->refCount, 1u);
  EXPECT_EQ(stringStorage::CString(original), std::string("&&Save &As"));
  stringStorage::RemoveReference(original);
  stringStorage::RemoveReference(handle);
  QUORStripAmpersands(nullptr);
  stringStorage* nothing = nullptr;
  QUORStripAmpersands(&nothing);
  EXPECT_EQ(nothing, nullptr);
}

// A task that counts its runs and, when asked, yields from inside its own Run.
class CountingTask : public BackgroundTask {
 public:
  CountingTask() : BackgroundTask(0) { StopTimer(); }
  void Run() override {
    ++runs;
    if (yieldInside) QUORYieldToQV();
  }
  int32_t runs = 0;
  bool yieldInside = false;
};

TEST(PluginEnvironment, YieldingRunsDueTasksOnceAndNeverInsideThemselves) {
  CountingTask task;
  QUORYieldToQV();
  EXPECT_EQ(task.runs, 1);
  QUORYieldToQV();
  EXPECT_EQ(task.runs, 2);
  task.yieldInside = true;
  QUORYieldToQV();
  EXPECT_EQ(task.runs, 3) << "the nested yield ran nothing";
  QUORYieldToQV();
  EXPECT_EQ(task.runs, 4) << "and yielding works again afterwards";
}

// --- Objects by class name -----------------------------------------------------------------

extern "C" int32_t EnvSpin(RuntimeObject*) { return 42; }

const PluginMethodEntry kSpinDeclaration[] = {{nullptr, nullptr, "Spin() As Integer", 0}};
const PluginMethodEntry kSpinImplementation[] = {
    {reinterpret_cast<void*>(&EnvSpin), nullptr, "Spin() As Integer", 0}};
const PluginInterfaceDefinition kFace = {4, "EnvFace", kSpinDeclaration, 1};
PluginEventEntry gGadgetEvents[] = {{"Tick(n As Integer)", nullptr}};
const PluginClassDefinition kGadget = {.version = 4,
                                       .name = "EnvGadget",
                                       .superName = "",
                                       .dataSize = 8,
                                       .methods = kSpinImplementation,
                                       .methodCount = 1,
                                       .events = gGadgetEvents,
                                       .eventCount = 1,
                                       .interfaces = "EnvFace"};

class PluginObjects : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    RuntimeInitExternalClasses();
    PluginRecord* plugin = NewPluginRecord();
    RegisterPluginVersion(4);
    plugin->installedPath = string("/plug-ins/env_test.so");
    PluginRegisterInterface(&kFace);
    PluginRegisterClass(&kGadget);
    SetCurrentPlugin(nullptr);
    ResolvePluginClasses(nullptr);
  }
};

TEST_F(PluginObjects, NewInstanceFindsPlugInFrameworkAndCompiledClasses) {
  const int32_t live = LiveObjectCount();
  RuntimeObject* gadget = PluginNewInstance("envGADGET");
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(gadget->refCount, 1);
  EXPECT_STREQ(stringStorage::CString(gadget->classPtr->className), "EnvGadget");
  EXPECT_EQ(pluginObjectType("EnvGadget"), gadget->classPtr);

  RuntimeObject* same = PluginNewOfSameClass(gadget);
  ASSERT_NE(same, nullptr);
  EXPECT_NE(same, gadget);
  EXPECT_EQ(same->classPtr, gadget->classPtr);
  EXPECT_EQ(PluginNewOfSameClass(nullptr), nullptr);

  RuntimeObject* cursor = PluginNewInstance("DatabaseCursor");
  ASSERT_NE(cursor, nullptr);
  EXPECT_TRUE(ObjectIsaDefinition(cursor, RecordSetClassDefinition()));

  // A class only compiled code registered: found in the run-time class list.
  RuntimeClass* compiled = qvtest::MakeClass(nullptr, "EnvCompiledOnly", 1);
  RuntimeObject* plain = PluginNewInstance("envcompiledonly");
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->classPtr, compiled);
  EXPECT_EQ(pluginObjectType("ENVCOMPILEDONLY"), compiled);

  EXPECT_EQ(PluginNewInstance("EnvFace"), nullptr) << "an interface has no code to run";
  EXPECT_EQ(PluginNewInstance("NoClassBearsThisName"), nullptr);
  EXPECT_EQ(PluginNewInstance(""), nullptr);
  EXPECT_EQ(PluginNewInstance(nullptr), nullptr);
  EXPECT_EQ(pluginObjectType("NoClassBearsThisName"), nullptr);
  EXPECT_EQ(pluginObjectType(nullptr), nullptr);

  for (RuntimeObject* object : {gadget, same, cursor, plain}) RuntimeUnlockObject(object);
  EXPECT_EQ(LiveObjectCount(), live);
}

TEST_F(PluginObjects, InterfaceRoutinesOfPlugInAndCompiledClasses) {
  RuntimeObject* gadget = PluginNewInstance("EnvGadget");
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(GetInterfaceRoutine(gadget, "EnvFace", "spin"), reinterpret_cast<void*>(&EnvSpin));
  EXPECT_EQ(GetInterfaceRoutine(gadget, "EnvFace", "Spun"), nullptr);
  EXPECT_EQ(GetInterfaceRoutine(gadget, "NoSuchFace", "Spin"), nullptr);
  EXPECT_EQ(GetInterfaceRoutine(nullptr, "EnvFace", "Spin"), nullptr);
  EXPECT_EQ(GetInterfaceRoutine(gadget, nullptr, "Spin"), nullptr);
  EXPECT_EQ(GetInterfaceRoutine(gadget, "EnvFace", nullptr), nullptr);

  // A class as compiled code builds it, implementing the plug-in's interface.
  RuntimeClass* compiled =
      qvtest::MakeClass(nullptr, "EnvCompiledFace", 0, qvtest::ClassShape{.interfaces = 1});
  static NamedMethodEntry table[] = {{reinterpret_cast<void*>(&EnvSpin), nullptr}};
  table[0].key = qvtest::NewName("EnvFace.Spin%i4%");
  InterfaceEntries(compiled)[0] = {
      RuntimeClassForDefinition(LookupClassDefinition(string("EnvFace"))), 1, table};
  RuntimeObject* object = RuntimeNewObject(compiled);
  EXPECT_EQ(GetInterfaceRoutine(object, "envface", "Spin"), reinterpret_cast<void*>(&EnvSpin));
  RuntimeUnlockObject(object);
  RuntimeUnlockObject(gadget);
}

void OnTick(RuntimeObject*, int32_t) {}

TEST_F(PluginObjects, EventInstancesAreTheObjectsHandlers) {
  ASSERT_NE(gGadgetEvents[0].event, nullptr);
  RuntimeObject* gadget = PluginNewInstance("EnvGadget");
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(GetEventInstance(gadget, gGadgetEvents[0].event), nullptr) << "no handler yet";
  RuntimeInstallInstanceEventHandler(gadget, string("Tick").Storage(),
                                     reinterpret_cast<void*>(&OnTick));
  EXPECT_EQ(GetEventInstance(gadget, gGadgetEvents[0].event), reinterpret_cast<void*>(&OnTick));
  EXPECT_EQ(GetEventInstance(nullptr, gGadgetEvents[0].event), nullptr);
  EXPECT_EQ(GetEventInstance(gadget, nullptr), nullptr);
  RuntimeUnlockObject(gadget);
}

}  // namespace

namespace {

int32_t gFinalised = 0;
extern "C" void UnloadGadgetExit(RuntimeObject*) { ++gFinalised; }
extern "C" void UnloadKnobExit(RuntimeObject*) { gFinalised += 10; }

// Objects that outlive their plug-in's library are freed without calling into it.
TEST(PluginUnloading, ObjectsFinalisedAfterTheLibraryClosedCallNothingOfIt) {
  RuntimeInitExternalClasses();
  static void* const knobBehaviour[2] = {nullptr, reinterpret_cast<void*>(&UnloadKnobExit)};
  static const PluginControlDefinition knob = {
      .version = 4, .name = "UnloadKnob", .behaviour = knobBehaviour};
  static const PluginClassDefinition gadget = {.version = 4,
                                               .name = "UnloadGadget",
                                               .superName = "",
                                               .destructor =
                                                   reinterpret_cast<void*>(&UnloadGadgetExit)};
  PluginRecord* plugin = NewPluginRecord();
  RegisterPluginVersion(4);
  PluginRegisterClass(&gadget);
  PluginRegisterControl(&knob);
  SetCurrentPlugin(nullptr);
  ResolvePluginClasses(nullptr);

  const int32_t live = LiveObjectCount();
  gFinalised = 0;
  RuntimeUnlockObject(PluginNewInstance("UnloadGadget"));
  RuntimeUnlockObject(PluginNewInstance("UnloadKnob"));
  EXPECT_EQ(gFinalised, 11) << "while loaded, both destructors run";

  RuntimeObject* gadgetObject = PluginNewInstance("UnloadGadget");
  RuntimeObject* knobObject = PluginNewInstance("UnloadKnob");
  ASSERT_TRUE(gadgetObject && knobObject);
  ForgetPluginCode(plugin);
  RuntimeUnlockObject(gadgetObject);
  RuntimeUnlockObject(knobObject);
  EXPECT_EQ(gFinalised, 11) << "nothing of the closed library ran";
  EXPECT_EQ(LiveObjectCount(), live);
  RuntimeObject* late = PluginNewInstance("UnloadGadget");
  EXPECT_NE(late, nullptr) << "still made, without its code";
  RuntimeUnlockObject(late);
  EXPECT_EQ(gFinalised, 11);
}

}  // namespace
