// The registration callbacks driven in process, as a plug-in's entry drives them: what each
// interface version may register, the class definitions built from the plug-in's records and
// the run-time classes made from those, resolution of superclasses and interfaces, old class
// names, controls of both record layouts, the entry-point table and background tasks.
#include <gtest/gtest.h>

#include <string>

#include "app/BackgroundTask.h"
#include "app/ExternalClasses.h"
#include "app/PluginEntryPoints.h"
#include "app/PluginRegistration.h"
#include "app/PluginTasks.h"
#include "controls/ControlClasses.h"
#include "controls/PluginControls.h"
#include "core/ClassRegistry.h"
#include "core/ExportRegistry.h"
#include "core/FieldAccessors.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/TypeNames.h"
#include "database/DatabaseClasses.h"
#include "support/TestSupport.h"

namespace {

void* const kDefault = reinterpret_cast<void*>(kPluginDefaultAccessor);

// The current plug-in while it lives, of the given interface version.
class ScopedPlugin {
 public:
  explicit ScopedPlugin(int32_t version) : mRecord(NewPluginRecord()) {
    RegisterPluginVersion(version);
    mRecord->installedPath = string("/plug-ins/ABCDEFG_test.so");
  }
  ~ScopedPlugin() { SetCurrentPlugin(nullptr); }
  PluginRecord* operator->() const { return mRecord; }

 private:
  PluginRecord* mRecord;
};

std::string Text(const string& s) { return s.CString(); }

ObjectDefinition* Registered(const char* name) { return LookupClassDefinition(string(name)); }
RuntimeClass* ClassNamed(const char* name) { return RuntimeLookupClass(string(name).Storage()); }

template <typename Item>
int32_t CountOf(const Item* item) {
  int32_t count = 0;
  for (; item; item = item->next) ++count;
  return count;
}

void* Entry(const char* key) { return RuntimeLookupPluginEntrypoint(string(key).Storage()); }

// --- Functions of the "plug-in" ---------------------------------------------------------

extern "C" int32_t GadgetFold(RuntimeObject* gadget, int32_t times) {
  return intGetter(gadget, 24) * times;
}
extern "C" void GadgetSetFold(RuntimeObject*, int32_t, int32_t) {}
extern "C" int32_t GadgetLabelLength(RuntimeObject*, uint32_t) { return 5; }
extern "C" int32_t Twice(int32_t x) { return 2 * x; }
extern "C" void GadgetOpen(RuntimeObject*) {}

int32_t gKnobEvents = 0;
extern "C" void KnobConstruct(RuntimeObject* knob) {
  gKnobEvents += 1;
  intSetter(knob, 128, 77);
}
extern "C" void KnobDestruct(RuntimeObject*) { gKnobEvents += 10; }

// --- Records ----------------------------------------------------------------------------

const PluginPropertyRow kGadgetProperties[] = {
    {0, "Size", "Integer", 0, kDefault, kDefault, 0, {}},
    {0, "Label", "String", kPluginPropertyProtected, kDefault, kDefault, 4, {}},
    {0, "Ratio", "double", 0, kDefault, kDefault, 8, {}},
    {0, "LabelLength", "Integer", 0, reinterpret_cast<void*>(&GadgetLabelLength), nullptr, 4, {}},
    {0, "Owner", "Date", 0, kDefault, kDefault, 16, {}},
};
const PluginMethodEntry kGadgetMethods[] = {
    {reinterpret_cast<void*>(&GadgetFold), reinterpret_cast<void*>(&GadgetSetFold),
     "Fold(times As Integer) As Integer", 0},
    {nullptr, kDefault, "Rest", 0},
};
PluginEventEntry gGadgetEvents[] = {{"Folded(times As Integer, why As String) As Boolean", nullptr},
                                    {"Opened", nullptr}};
const PluginEventHandler kGadgetHandlers[] = {{"Opened", reinterpret_cast<void*>(&GadgetOpen)}};

// Version 7 lists 16-byte method entries; the record's own version decides.
const PluginClassDefinition kGadget = {7,  "RegGadget",     "",      20,
                                       0,  nullptr,         nullptr, kGadgetProperties,
                                       5,  kGadgetMethods,  2,       gGadgetEvents,
                                       2,  kGadgetHandlers, 1,       nullptr,
                                       {}, nullptr,         0,       nullptr,
                                       0};

TEST(PluginRegistration, AClassOfPropertiesMethodsAndEventsBecomesARunTimeClass) {
  RuntimeInitExternalClasses();
  {
    ScopedPlugin plugin(7);
    PluginRegisterClass(&kGadget);
  }
  ResolvePluginClasses(nullptr);
  ObjectDefinition* gadget = Registered("RegGadget");
  ASSERT_NE(gadget, nullptr);
  EXPECT_EQ(gadget->objectSize, 24 + 20);
  // Properties: generic accessors by type (a Double its own pair), fields after the header.
  const InstanceVariable* size = gadget->items;
  EXPECT_EQ(size->getter, reinterpret_cast<void*>(&intGetter));
  EXPECT_EQ(size->setter, reinterpret_cast<void*>(&intSetter));
  EXPECT_EQ(size->propertyWord, 24u);
  const InstanceVariable* label = size->next;
  EXPECT_EQ(label->getter, reinterpret_cast<void*>(&stringGetter));
  EXPECT_EQ(label->declarationFlags & kItemProtected, kItemProtected);
  EXPECT_EQ(label->next->getter, reinterpret_cast<void*>(&doubleGetter));
  const InstanceVariable* length = label->next->next;
  EXPECT_EQ(length->getter, reinterpret_cast<void*>(&GadgetLabelLength));
  EXPECT_EQ(length->setter, nullptr);
  EXPECT_EQ(length->userFlags, kItemReadOnly);
  EXPECT_EQ(length->next->getter, reinterpret_cast<void*>(&objGetter));
  EXPECT_STREQ(PropertyDeclarationText(length->next).CString(), "Owner As Date");
  // Methods from their declarations; an all-ones setter is none.
  EXPECT_EQ(Text(MethodDeclarationText(gadget->methods)),
            "Function Fold(times As Integer) As Integer");
  EXPECT_EQ(gadget->methods->row.b.toc, reinterpret_cast<void*>(&GadgetSetFold));
  EXPECT_EQ(gadget->methods->next->row.b.toc, nullptr);
  // Events are numbered after the superclass's; each entry's word receives its event.
  ASSERT_EQ(gGadgetEvents[0].event, gadget->hooks);
  EXPECT_EQ(Text(gadget->hooks->parameterText), "times As Integer, why As String");
  EXPECT_EQ(Text(gadget->hooks->returnTypeText), "Boolean");

  RuntimeClass* cls = ClassNamed("regGADGET");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->propertyCount, 5);
  EXPECT_EQ(cls->namedMethodCount, 2);  // Fold and its assigning form
  EXPECT_STREQ(stringStorage::CString(cls->namedMethodTable[1].key), "=Fold%%o<RegGadget>i4i4");
  EXPECT_EQ(cls->eventCount, 2);
  RuntimeObject* object = RuntimeNewObject(cls);
  intSetter(object, cls->propertyTable[0].word, 6);
  EXPECT_EQ(GadgetFold(object, 7), 42);
  RuntimeUnlockObject(object);
}

TEST(PluginRegistration, EachCallbackNeedsItsInterfaceVersion) {
  RuntimeInitExternalClasses();
  static const PluginClassDefinition gated = {.version = 3, .name = "GatedClass"};
  static const PluginInterfaceDefinition face = {.version = 3, .name = "GatedFace"};
  static const PluginModuleDefinition module = {.version = 3, .name = "GatedModule"};
  static const PluginExtensionDefinition extension = {.version = 3, .className = "Object"};
  static const PluginMethodDefinition method = {reinterpret_cast<void*>(&Twice), nullptr,
                                                "GatedTwice(x As Integer) As Integer"};
  static const PluginControlDefinition control = {.version = 2, .name = "GatedKnob"};
  const int32_t methods = CountOf(FirstLoadedMethod());
  const int32_t extensions = CountOf(FirstLoadedExtension());
  {
    ScopedPlugin plugin(2);  // nothing registers
    PluginRegisterClass(&gated);
    PluginRegisterInterface(&face);
    PluginRegisterModule(&module);
    PluginRegisterClassExtension(&extension);
    PluginRegisterMethod(&method);
    PluginRegisterControl(&control);
  }
  EXPECT_EQ(Registered("GatedClass"), nullptr);
  EXPECT_EQ(Registered("GatedFace"), nullptr);
  EXPECT_EQ(Registered("GatedKnob"), nullptr);
  EXPECT_EQ(LookupModuleDefinition(string("GatedModule")), nullptr);
  EXPECT_EQ(CountOf(FirstLoadedMethod()), methods);
  EXPECT_EQ(CountOf(FirstLoadedExtension()), extensions);
  {
    ScopedPlugin plugin(3);  // classes, extensions and methods; no interfaces or modules
    PluginRegisterInterface(&face);
    PluginRegisterModule(&module);
    PluginRegisterClassExtension(&extension);
    PluginRegisterMethod(&method);
    PluginRegisterClass(&gated);
  }
  EXPECT_NE(Registered("GatedClass"), nullptr);
  EXPECT_EQ(Registered("GatedFace"), nullptr);
  EXPECT_EQ(LookupModuleDefinition(string("GatedModule")), nullptr);
  EXPECT_EQ(CountOf(FirstLoadedMethod()), methods + 1);
  EXPECT_EQ(CountOf(FirstLoadedExtension()), extensions + 1);
  {
    ScopedPlugin plugin(4);
    PluginRegisterInterface(&face);
    PluginRegisterModule(&module);
  }
  EXPECT_EQ(Registered("GatedFace")->isInterface, 1);
  EXPECT_NE(LookupModuleDefinition(string("GatedModule")), nullptr);
  EXPECT_EQ(FirstLoadedClass()->definition, Registered("GatedFace"));
  // Outside a plug-in's entry nothing registers.
  static const PluginClassDefinition late = {.version = 3, .name = "LateClass"};
  PluginRegisterClass(&late);
  EXPECT_EQ(Registered("LateClass"), nullptr);
}

TEST(PluginRegistration, OldGlobalMethodsNameTheirFunctionInTheExportTable) {
  static const PluginExportRow exports[] = {{"Nothing", nullptr, 0},
                                            {"Twice", reinterpret_cast<void*>(&Twice), 0}};
  static const PluginMethodDefinition old = {reinterpret_cast<void*>(1), nullptr,
                                             "OldTwice(x As Integer) As Integer"};
  {
    ScopedPlugin plugin(1);
    RegisterPluginExports(exports);
    PluginRegisterMethod(&old);
  }
  EXPECT_EQ(FirstLoadedMethod()->entry.function, reinterpret_cast<void*>(&Twice));
  EXPECT_EQ(Entry("OldTwice(x As Integer) As Integer"), reinterpret_cast<void*>(&Twice));
  qvtest::ReportCapture reports;
  {
    ScopedPlugin plugin(1);  // without an export table: reported, nothing registered
    PluginRegisterMethod(&old);
  }
  EXPECT_TRUE(reports.HasCondition("plugin->exportTable"));
}

// A superclass or interface registered by a later plug-in resolves once all have run; two
// interfaces in one list both join; a name nothing registers is reported and left out.
TEST(PluginRegistration, SuperclassesAndInterfacesResolveAfterEveryPlugInRan) {
  RuntimeInitExternalClasses();
  static const PluginMethodEntry spin[] = {{nullptr, nullptr, "Spin() As Integer", 0}};
  static const PluginMethodEntry impl[] = {
      {reinterpret_cast<void*>(&Twice), nullptr, "Spin() As Integer", 0}};
  static const PluginInterfaceDefinition faceA = {4, "ResFaceA", spin, 1};
  static const PluginInterfaceDefinition faceB = {4, "ResFaceB", spin, 1};
  static const PluginClassDefinition child = {.version = 4,
                                              .name = "ResChild",
                                              .superName = "ResBase",
                                              .methods = impl,
                                              .methodCount = 1,
                                              .interfaces = "ResFaceA , ResFaceB"};
  static const PluginClassDefinition orphan = {.version = 4,
                                               .name = "ResOrphan",
                                               .superName = "ResNowhere",
                                               .interfaces = "ResFaceA,ResNoFace"};
  static const PluginClassDefinition base = {.version = 4, .name = "ResBase", .dataSize = 4};
  static const PluginClassDefinition loopA = {
      .version = 4, .name = "ResLoopA", .superName = "ResLoopB"};
  static const PluginClassDefinition loopB = {
      .version = 4, .name = "ResLoopB", .superName = "ResLoopA"};
  {
    ScopedPlugin first(4);
    PluginRegisterClass(&child);
    PluginRegisterClass(&orphan);
    PluginRegisterClass(&loopA);
    PluginRegisterClass(&loopB);
  }
  {
    ScopedPlugin second(4);
    PluginRegisterInterface(&faceA);
    PluginRegisterInterface(&faceB);
    PluginRegisterClass(&base);
  }
  qvtest::ReportCapture reports;
  ResolvePluginClasses(nullptr);
  EXPECT_EQ(Registered("ResChild")->super, Registered("ResBase"));
  EXPECT_EQ(Registered("ResChild")->objectSize, 24 + 4);  // room for the superclass's data
  EXPECT_EQ(CountOf(Registered("ResChild")->interfaces), 2);
  RuntimeClass* cls = ClassNamed("ResChild");
  ASSERT_NE(cls, nullptr);
  EXPECT_EQ(cls->interfaceCount, 2);
  EXPECT_EQ(InterfaceEntries(cls)[0].methods[0].function, reinterpret_cast<void*>(&Twice));
  EXPECT_EQ(Registered("ResOrphan")->super, nullptr);
  EXPECT_EQ(CountOf(Registered("ResOrphan")->interfaces), 1);
  std::string texts;
  for (const auto& report : reports.reports()) texts += report.extra + "|";
  EXPECT_NE(texts.find("Couldn't find ResOrphan superclass: ResNowhere|"), std::string::npos);
  EXPECT_NE(texts.find("Couldn't find ResOrphan interface : ResNoFace|"), std::string::npos);
  // Of two classes naming each other, the second link is refused: no chain loops.
  EXPECT_TRUE(reports.HasCondition("!super->InheritsFrom( defn )"));
  EXPECT_FALSE(Registered("ResLoopA")->super && Registered("ResLoopB")->super);
}

TEST(PluginRegistration, OldClassNamesAndTheSystemClassExtension) {
  RuntimeInitExternalClasses();
  static ObjectDefinition systemClass;
  systemClass.className = string("_SystemClass");
  RegisterClassDefinition(&systemClass);
  static const PluginClassDefinition recordSet = {.version = 3, .name = "RecordSet"};
  static const PluginClassDefinition cursor = {.version = 3, .name = "DatabaseCursor"};
  static const PluginClassDefinition excel = {.version = 3, .name = "OldExcelApplication"};
  static const PluginMethodEntry beep[] = {
      {reinterpret_cast<void*>(&Twice), nullptr, "Beeps(x As Integer) As Integer", 0}};
  static const PluginExtensionDefinition extension = {
      .version = 3, .className = "SystemClass", .methods = beep, .methodCount = 1};
  {
    ScopedPlugin plugin(3);
    PluginRegisterClass(&recordSet);
    PluginRegisterClass(&cursor);  // visible already, as RecordSet
    PluginRegisterClass(&excel);
    PluginRegisterClassExtension(&extension);
  }
  // The framework's own DatabaseCursor stays: the plug-in's class of that name was not taken.
  EXPECT_EQ(Registered("DatabaseCursor"), DatabaseCursorClassDefinition());
  EXPECT_EQ(FindClassForPlugin(string("databasecursor")), Registered("RecordSet"));
  EXPECT_EQ(FindPluginVisibleClass(string("DatabaseCursor")), Registered("RecordSet"));
  EXPECT_EQ(FindClassForPlugin(string("ExcelApplication")), Registered("OldExcelApplication"));
  EXPECT_EQ(FindPluginVisibleClass(string("ExcelApplication")), nullptr);
  ASSERT_NE(systemClass.methods, nullptr);
  EXPECT_EQ(Text(systemClass.methods->name), "Beeps");
  EXPECT_EQ(Entry("SystemClass.Beeps(x As Integer) As Integer"), reinterpret_cast<void*>(&Twice));
}

// An event whose name the class already has is reported and left out.
TEST(PluginRegistration, ADuplicateEventIsReported) {
  static PluginEventEntry events[] = {{"Changed(n As Integer)", nullptr}, {"changed()", nullptr}};
  static const PluginClassDefinition twice = {
      .version = 3, .name = "DupEvents", .events = events, .eventCount = 2};
  {
    ScopedPlugin plugin(3);
    PluginRegisterClass(&twice);
  }
  qvtest::ReportCapture reports;
  ResolvePluginClasses(nullptr);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].condition, "tail->name != h->name");
  EXPECT_EQ(reports.reports()[0].extra,
            "Duplicate name found while trying to build class events.  Matched names are: "
            "changed");
  EXPECT_EQ(CountOf(Registered("DupEvents")->hooks), 1);
  EXPECT_EQ(events[1].event, nullptr);
}

TEST(PluginRegistration, ControlsOfBothLayoutsDeriveFromTheControlClasses) {
  RuntimeInitExternalClasses();
  static void* const behaviour[] = {reinterpret_cast<void*>(&KnobConstruct),
                                    reinterpret_cast<void*>(&KnobDestruct)};
  static const PluginPropertyRowV1 oldRows[] = {{0, "Turns", "Integer", 1, 0},
                                                {0, "Tint", "Color", 0, 4}};
  static const PluginControlDefinitionV1 oldKnob = {.version = 1,
                                                    .name = "RegOldKnob",
                                                    .dataSize = 8,
                                                    .properties = oldRows,
                                                    .propertyCount = 2,
                                                    .behaviour = behaviour};
  static const PluginPropertyRow rows[] = {{0, "Angle", "Integer", 1, kDefault, kDefault, 0, {}},
                                           {0, "Title", "String", 1, kDefault, kDefault, 4, {}}};
  static const PluginControlDefinition dial = {.version = 3,
                                               .name = "RegDial",
                                               .dataSize = 8,
                                               .flags = kPluginControlIsControl,
                                               .properties = rows,
                                               .propertyCount = 2};
  {
    ScopedPlugin plugin(1);  // a control's own record version counts
    PluginRegisterControl(&oldKnob);
    PluginRegisterControl(&dial);
  }
  ObjectDefinition* knob = Registered("RegOldKnob");
  ASSERT_NE(knob, nullptr);
  EXPECT_EQ(knob->super, RectControlClassDefinition());
  EXPECT_EQ(knob->objectSize, 128 + 8);
  EXPECT_EQ(FindLoadedControl(string("RegOldKnob"))->source->version, 4);
  EXPECT_EQ(FindLoadedControl(string("RegOldKnob"))->source->defaultWidth, 100);
  // Old rows get generic accessors; a flag-1 row's setter redraws the control.
  EXPECT_EQ(knob->items->propertyWord, 128u);
  EXPECT_EQ(knob->items->setter, reinterpret_cast<void*>(&intInvalidateSetter));
  EXPECT_EQ(knob->items->next->propertyWord, 132u);
  EXPECT_EQ(knob->items->next->setter, reinterpret_cast<void*>(&intSetter));
  ObjectDefinition* regDial = Registered("RegDial");
  EXPECT_EQ(regDial->super, ControlClassDefinition());
  EXPECT_EQ(regDial->items->next->setter, reinterpret_cast<void*>(&stringInvalidateSetter));

  gKnobEvents = 0;
  RuntimeObject* object = RuntimeNewObject(ClassNamed("RegOldKnob"));
  EXPECT_EQ(gKnobEvents, 1);
  EXPECT_EQ(intGetter(object, 128), 77);
  intInvalidateSetter(object, 132, 0x123456);  // no pane to redraw yet
  EXPECT_EQ(intGetter(object, 132), 0x123456);
  RuntimeUnlockObject(object);
  EXPECT_EQ(gKnobEvents, 11);
  EXPECT_EQ(Entry("RegOldKnob.__init"), reinterpret_cast<void*>(&KnobConstruct));
}

// Rows whose fields lie outside the plug-in's data, or whose offset would wrap past the
// object header, add nothing; a class of absurd data size is refused.
TEST(PluginRegistration, FieldsOutsideThePlugInsDataAreRefused) {
  RuntimeInitExternalClasses();
  static const PluginPropertyRow rows[] = {
      {0, "Inside", "Integer", 0, kDefault, kDefault, 4, {}},
      {0, "PastTheEnd", "Integer", 0, kDefault, kDefault, 6, {}},
      {0, "Wrapping", "Integer", 0, kDefault, kDefault, 0xFFFFFFF0u, {}},
      {0, "Untyped", "NoSuchClass", 0, kDefault, kDefault, 0, {}}};
  static const PluginClassDefinition fields = {
      .version = 3, .name = "FieldChecks", .dataSize = 8, .properties = rows, .propertyCount = 4};
  static const PluginClassDefinition huge = {
      .version = 3, .name = "HugeData", .dataSize = 0x40000000u};
  qvtest::ReportCapture reports;
  {
    ScopedPlugin plugin(3);
    PluginRegisterClass(&fields);
    PluginRegisterClass(&huge);
  }
  ResolvePluginClasses(nullptr);
  EXPECT_EQ(CountOf(Registered("FieldChecks")->items), 1);
  EXPECT_EQ(Registered("HugeData"), nullptr);
  EXPECT_EQ(reports.count(), 4u);
}

TEST(PluginRegistration, EntryPointKeysOfEveryKindOfMember) {
  RuntimeInitExternalClasses();
  static const PluginPropertyRow rows[] = {{0,
                                            "Length",
                                            "Integer",
                                            0,
                                            reinterpret_cast<void*>(&GadgetLabelLength),
                                            reinterpret_cast<void*>(&GadgetSetFold),
                                            0,
                                            {}}};
  static const PluginMethodEntry methods[] = {{reinterpret_cast<void*>(&GadgetFold),
                                               reinterpret_cast<void*>(&GadgetSetFold),
                                               "Fold(times As Integer) As Integer", 0}};
  static PluginEventEntry events[] = {{"Folded()", nullptr}};
  static const PluginClassDefinition keyed = {.version = 3,
                                              .name = "Keyed",
                                              .dataSize = 4,
                                              .constructor = reinterpret_cast<void*>(&GadgetOpen),
                                              .destructor = reinterpret_cast<void*>(&KnobDestruct),
                                              .properties = rows,
                                              .propertyCount = 1,
                                              .methods = methods,
                                              .methodCount = 1,
                                              .events = events,
                                              .eventCount = 1};
  static const PluginMethodEntry moduleMethods[] = {
      {reinterpret_cast<void*>(&Twice), nullptr, "Twice(x As Integer) As Integer", 0}};
  static const PluginModuleDefinition module = {4, "KeyedModule", moduleMethods, 1};
  {
    ScopedPlugin plugin(4);
    PluginRegisterClass(&keyed);
    PluginRegisterModule(&module);
  }
  ResolvePluginClasses(nullptr);
  EXPECT_EQ(Entry("keyed.__init"), reinterpret_cast<void*>(&GadgetOpen));
  EXPECT_EQ(Entry("Keyed.__exit"), reinterpret_cast<void*>(&KnobDestruct));
  EXPECT_EQ(Entry("Keyed.Length.Get"), reinterpret_cast<void*>(&GadgetLabelLength));
  EXPECT_EQ(Entry("Keyed.Length.Set"), reinterpret_cast<void*>(&GadgetSetFold));
  EXPECT_EQ(Entry("Keyed.Fold(times As Integer) As Integer"), reinterpret_cast<void*>(&GadgetFold));
  EXPECT_EQ(Entry("Keyed.Fold(times As Integer) As Integer.Set"),
            reinterpret_cast<void*>(&GadgetSetFold));
  EXPECT_EQ(Entry("Keyed.Events.Folded"), events[0].event);
  EXPECT_EQ(Entry("KeyedModule.Twice(x As Integer) As Integer"), reinterpret_cast<void*>(&Twice));
  // Property and event keys are exports too.
  EXPECT_EQ(LookupExportEntry("Keyed.Length.Get")->code,
            reinterpret_cast<void*>(&GadgetLabelLength));
  EXPECT_EQ(Entry("_"), nullptr);  // no report
  qvtest::ReportCapture reports;
  EXPECT_EQ(Entry("Keyed.Nothing"), nullptr);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].extra, "can't find plugin method Keyed.Nothing");
  EXPECT_EQ(RuntimeAllocatePluginEntrypointsTable(0), nullptr);
  void** table = RuntimeAllocatePluginEntrypointsTable(3);
  EXPECT_TRUE(table && !table[0] && !table[1] && !table[2]);
  OSfree(table);
}

int32_t gTaskRuns = 0;
extern "C" void CountTaskRun(void* data) { gTaskRuns += *static_cast<int32_t*>(data); }

// Ids count from 1; unregistering takes the id out, so a second unregistration does nothing.
TEST(PluginRegistration, BackgroundTasksRunUntilUnregisteredOnce) {
  static int32_t step = 3;
  const int32_t first = PluginRegisterBackgroundTask(&CountTaskRun, 0, &step);
  const int32_t second = PluginRegisterBackgroundTask(&CountTaskRun, 0, &step);
  EXPECT_GE(first, 1);
  EXPECT_EQ(second, first + 1);
  gTaskRuns = 0;
  RunDueBackgroundTasks(false);
  EXPECT_EQ(gTaskRuns, 6);
  PluginUnregisterBackgroundTask(first);
  PluginUnregisterBackgroundTask(first);
  PluginUnregisterBackgroundTask(12345);
  RunDueBackgroundTasks(false);
  EXPECT_EQ(gTaskRuns, 9);
  PluginUnregisterBackgroundTask(second);
  EXPECT_FALSE(PluginTaskMap().Contains(second));
  EXPECT_EQ(PluginRegisterBackgroundTask(nullptr, 0, nullptr), second + 1);
  PluginUnregisterBackgroundTask(second + 1);
  EXPECT_FALSE(PluginTaskMap().Contains(second + 1));
}

}  // namespace
