// Receiver lists, the notifiers and the binders, over classes built here as compiled code builds
// them: interface tables whose keys spell the method names the class's own way.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "controls/ControlClasses.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "database/DataBinding.h"

namespace {

using dbtest::Held;
using testing::ElementsAre;

// The fields of every test object: a name for the log, the value it provides, its receivers.
struct TestObject {
  RuntimeObject header;
  const char* name;
  int32_t value;  // getBoolean, dataAvailable; Enabled for a control
  ReceiverNode* receivers;
  stringStorage* text;  // getString answers it; setString stores it
};

std::vector<std::string> gLog;
// The test fields follow a control's own.
TestObject* Fields(RuntimeObject* object) {
  const RuntimeClass* parent = object->classPtr->parentClass;
  const int32_t at = parent ? parent->instanceSize - int32_t(sizeof(RuntimeObject)) : 0;
  return reinterpret_cast<TestObject*>(reinterpret_cast<char*>(object) + at);
}
void Log(RuntimeObject* self, const std::string& what) {
  gLog.push_back(std::string(Fields(self)->name) + " " + what);
}

// What a receiver does when told the data changed, besides logging it.
void (*gOnChange)(RuntimeObject* self) = nullptr;

void DataChanged(RuntimeObject* self) {
  Log(self, "changed");
  if (gOnChange) gOnChange(self);
}
void AddReceiver(RuntimeObject* self, RuntimeObject* r) {
  Log(self, "add");
  ReceiverListAdd(&Fields(self)->receivers, r);
}
void RemoveReceiver(RuntimeObject* self, RuntimeObject* r) {
  Log(self, "remove");
  ReceiverListRemove(&Fields(self)->receivers, r);
}
int32_t GetBoolean(RuntimeObject* self) { return Fields(self)->value; }
int32_t DataAvailable(RuntimeObject* self) { return Fields(self)->value; }
stringStorage* GetString(RuntimeObject* self) {
  stringStorage::AddReference(Fields(self)->text);
  return Fields(self)->text;
}
void SetString(RuntimeObject* self, stringStorage* text) {
  Log(self, "set " + std::string(string(text).CString()));
}
void BindList(RuntimeObject* self, RuntimeObject* data) {
  Log(self, std::string("list ") + Fields(data)->name);
}
void SetEnabled(RuntimeObject* self, uint32_t, int32_t enabled) {
  Log(self, enabled ? "enabled" : "disabled");
}
void DestroyTestObject(RuntimeObject* self) {
  ReceiverListClear(&Fields(self)->receivers);
  stringStorage::RemoveReference(Fields(self)->text);
  gLog.push_back(std::string(Fields(self)->name) + " freed");
}

struct Method {
  const char* key;  // its own spelling
  void* function;
};
struct Implements {
  ObjectDefinition* interface;
  std::vector<Method> methods;
};

// A class under parent (or none) implementing the interfaces; a control gets an Enabled
// property whose setter logs.
RuntimeClass* MakeClass(const std::vector<Implements>& interfaces, RuntimeClass* parent = nullptr) {
  const int32_t properties = parent ? parent->propertyCount + 1 : 0;
  const int32_t inherited = parent ? parent->interfaceCount : 0;
  RuntimeClass* cls = RuntimeNewClass(
      parent, parent ? parent->methodCount : 0, inherited + int32_t(interfaces.size()),
      parent ? parent->eventCount : 0, parent ? parent->namedMethodCount : 0, properties);
  cls->className = string("TestClass").ExtractStringStorage();
  cls->instanceSize = int32_t(sizeof(TestObject)) + (parent ? parent->instanceSize : 0);
  cls->destructor = DestroyTestObject;
  for (size_t i = 0; i < interfaces.size(); ++i) {
    InterfaceTableEntry& entry = InterfaceEntries(cls)[inherited + int32_t(i)];
    entry.interfaceClass = RuntimeClassForDefinition(interfaces[i].interface);
    entry.methodCount = int32_t(interfaces[i].methods.size());
    entry.methods = RuntimeNewVtable(entry.methodCount);
    for (int32_t m = 0; m < entry.methodCount; ++m) {
      entry.methods[m] = {interfaces[i].methods[size_t(m)].function,
                          string(interfaces[i].methods[size_t(m)].key).ExtractStringStorage()};
    }
  }
  if (parent) {
    cls->propertyTable[properties - 1] = {string("enabled%b%").ExtractStringStorage(), 0, nullptr,
                                          reinterpret_cast<void*>(SetEnabled)};
  }
  return cls;
}

RuntimeObject* New(RuntimeClass* cls, const char* name, int32_t value = 0, const char* text = "") {
  RuntimeObject* object = RuntimeNewObject(cls);
  TestObject* fields = Fields(object);
  fields->name = name;
  fields->value = value;
  fields->text = string(text).ExtractStringStorage();
  return object;
}

void* F(auto function) { return reinterpret_cast<void*>(function); }

// Made on use: the interface getters read rows that are ready only once the program runs.
Implements ReceiverMethods() {
  return {DataNotificationReceiverInterfaceDefinition(),
          {{"DATACHANGED%%o<Receiver>", F(DataChanged)}}};
}
Implements NotifierMethods() {
  return {DataNotifierInterfaceDefinition(),
          {{"AddDataNotificationReceiver%%o<Source>o<Object>", F(AddReceiver)},
           {"removedatanotificationreceiver%%o<Source>o<Object>", F(RemoveReceiver)}}};
}
Implements BooleanProviderMethods() {
  return {BooleanProviderInterfaceDefinition(), {{"GETBOOLEAN%b%o<Source>", F(GetBoolean)}}};
}
Implements StringProviderMethods() {
  return {StringProviderInterfaceDefinition(), {{"GetString%s%o<Source>", F(GetString)}}};
}
Implements AvailableMethods() {
  return {DataAvailableProviderInterfaceDefinition(),
          {{"DataAvailable%b%o<Source>", F(DataAvailable)}}};
}
Implements StringInterfaceMethods() {
  return {StringInterfaceDefinition(), {{"SETSTRING%%o<Dest>s", F(SetString)}}};
}
Implements ActionSourceMethods() {
  return {ActionSourceInterfaceDefinition(),
          {{"addactionnotificationreceiver%%o<S>o<R>", F(AddReceiver)}}};
}
Implements ListInterfaceMethods() {
  return {ListInterfaceDefinition(), {{"bindlist%%o<L>o<listDataProvider>", F(BindList)}}};
}

class DataBinding : public ::testing::Test {
 protected:
  void SetUp() override {
    gLog.clear();
    gOnChange = nullptr;
  }
  void TearDown() override {
    gOnChange = nullptr;
    EXPECT_EQ(mLive.Added(), 0) << "every object was released";
  }
  RuntimeClass* Control(const std::vector<Implements>& interfaces) {
    return MakeClass(interfaces, RuntimeClassForDefinition(ControlClassDefinition()));
  }
  dbtest::LiveObjects mLive;
};

TEST_F(DataBinding, ListsHoldTheirObjectsAndNotifiersSkipThoseWithoutTheMethod) {
  RuntimeClass* receiver = MakeClass({ReceiverMethods()});
  RuntimeClass* other = MakeClass({});
  ReceiverNode* list = nullptr;
  {
    Held a(New(receiver, "a")), b(New(other, "b")), c(New(receiver, "c"));
    for (RuntimeObject* o : {c.get(), b.get(), a.get(), a.get()}) ReceiverListAdd(&list, o);
    ReceiverListRemove(&list, b);  // absent ones change nothing
    ReceiverListRemove(&list, b);
    NotifyDataChanged(&list);
    NotifyPerformAction(&list);  // nobody here receives actions
  }
  EXPECT_THAT(gLog, ElementsAre("a changed", "a changed", "c changed", "b freed"));
  gLog.clear();
  ReceiverListClear(&list);
  EXPECT_EQ(list, nullptr);
  EXPECT_THAT(gLog, ElementsAre("a freed", "c freed"));
}

ReceiverNode* gList = nullptr;

// A receiver that removes itself and the next one (the list holding the last reference to
// each) and adds another: the walk goes on over what it started with, minus the removed.
TEST_F(DataBinding, ANotifyWalkSurvivesHandlersThatChangeTheList) {
  RuntimeClass* receiver = MakeClass({ReceiverMethods()});
  for (const char* name : {"c", "b", "a"}) {
    RuntimeObject* object = New(receiver, name);
    ReceiverListAdd(&gList, object);
    RuntimeUnlockObject(object);
  }
  gOnChange = [](RuntimeObject* self) {
    if (std::string(Fields(self)->name) != "a") return;
    ReceiverListRemove(&gList, self);
    ReceiverListRemove(&gList, gList->object);
    RuntimeObject* added = New(self->classPtr, "d");
    ReceiverListAdd(&gList, added);
    RuntimeUnlockObject(added);
  };
  NotifyDataChanged(&gList);
  EXPECT_THAT(gLog, ElementsAre("a changed", "c changed", "a freed", "b freed"));
  gLog.clear();
  gOnChange = nullptr;
  NotifyDataChanged(&gList);
  ReceiverListClear(&gList);
  EXPECT_THAT(gLog, ElementsAre("d changed", "c changed", "d freed", "c freed"));
}

TEST_F(DataBinding, AnEnablingBinderFollowsItsSourceAndDisablesWithoutABoolean) {
  RuntimeClass* provider = MakeClass({NotifierMethods(), BooleanProviderMethods()});
  RuntimeClass* notifier = MakeClass({NotifierMethods()});
  RuntimeClass* control = Control({});
  Held binder(NewObjectFromDefinition(EnablingBinderClassDefinition()));
  Held on(New(provider, "on", 1)), none(New(notifier, "none")), dest(New(control, "dest"));
  enablingBinderBind(binder, on, dest);
  enablingBinderBind(binder, none, dest);
  EXPECT_EQ(Fields(on)->receivers, nullptr) << "rebinding left the first source";
  NotifyDataChanged(&Fields(none)->receivers);
  EXPECT_THAT(gLog, ElementsAre("on add", "dest enabled", "on remove", "none add", "dest disabled",
                                "dest disabled"));
}

TEST_F(DataBinding, AStringBinderShowsTheTextAndEnablesUnlessTheSourceSaysNoData) {
  RuntimeClass* texts = MakeClass({NotifierMethods(), StringProviderMethods()});
  RuntimeClass* guarded =
      MakeClass({NotifierMethods(), StringProviderMethods(), AvailableMethods()});
  RuntimeClass* control = Control({StringInterfaceMethods()});
  Held binder(NewObjectFromDefinition(StringBinderClassDefinition()));
  Held first(New(texts, "first", 0, "one")), second(New(guarded, "second", 0, "two"));
  Held dest(New(control, "dest"));
  stringBinderBind(binder, first, dest);
  stringBinderBind(binder, second, dest);
  Fields(second)->value = 1;
  NotifyDataChanged(&Fields(second)->receivers);
  EXPECT_THAT(gLog,
              ElementsAre("first add", "dest set one", "dest enabled", "first remove", "second add",
                          "dest set two", "dest disabled", "dest set two", "dest enabled"));
}

// A freed source is forgotten: the rebind below would otherwise reach it.
TEST_F(DataBinding, ABinderKeepsItsDestinationAndForgetsAFreedSource) {
  RuntimeClass* source = MakeClass({NotifierMethods(), StringProviderMethods()});
  RuntimeClass* shows = MakeClass({StringInterfaceMethods()});
  Held binder(NewObjectFromDefinition(StringBinderClassDefinition()));
  RuntimeObject* first = New(source, "first", 0, "x");
  RuntimeObject* dest = New(shows, "dest");
  stringBinderBind(binder, first, dest);
  RuntimeUnlockObject(dest);
  NotifyDataChanged(&Fields(first)->receivers);
  RuntimeUnlockObject(first);
  Held second(New(source, "second", 0, "y"));
  stringBinderBind(binder, second, nullptr);
  EXPECT_THAT(gLog, ElementsAre("first add", "dest set x", "dest set x", "first freed",
                                "dest freed", "second add"));
}

TEST_F(DataBinding, ActionAndListBindersConnectTheirEndsOnce) {
  RuntimeClass* actions = MakeClass({ActionSourceMethods()});
  RuntimeClass* lists = MakeClass({ListInterfaceMethods()});
  RuntimeClass* plain = MakeClass({});
  Held action(NewObjectFromDefinition(ActionBinderClassDefinition()));
  Held list(NewObjectFromDefinition(ListBinderClassDefinition()));
  Held button(New(actions, "button")), target(New(plain, "target"));
  Held box(New(lists, "box")), data(New(plain, "data"));
  actionBinderBind(action, button, target);
  listBinderBind(list, data, box);
  listBinderBind(list, box, data);  // no ListInterface at that end
  ASSERT_NE(Fields(button)->receivers, nullptr);
  EXPECT_EQ(Fields(button)->receivers->object, target.get());
  EXPECT_THAT(gLog, ElementsAre("button add", "box list data"));
}

// The database classes take part: a field provides its text, a record is a tuple.
TEST_F(DataBinding, FieldsAndRecordsServeTheirInterfaces) {
  dbtest::FakeEngine engine;
  RuntimeClass* shows = MakeClass({StringInterfaceMethods()});
  Held rs(engine.NewCursor({"Ann"})), dest(New(shows, "dest"));
  Held field(cursorGetFieldByName(rs, string("NAME").Storage()));
  Held binder(NewObjectFromDefinition(StringBinderClassDefinition()));
  stringBinderBind(binder, field, dest);
  EXPECT_THAT(gLog, ElementsAre("dest set Ann"));
  Held record(NewObjectFromDefinition(DatabaseRecordClassDefinition()));
  setDatabaseRecordColumn(record, string("a").Storage(), string("first").Storage());
  EXPECT_EQ(CallInterfaceMethod<int32_t>(record, TupleInterfaceDefinition(), "FIELDCOUNT"), 1);
  EXPECT_EQ(dbtest::Text(CallInterfaceMethod<stringStorage*>(record, TupleInterfaceDefinition(),
                                                             "getindstring", 1)),
            "first");
  cursorClose(rs);
}

// A released field taken back for reuse is forgotten as a freed source would be: the binder
// must not show the column the same object reads next.
TEST_F(DataBinding, AReleasedFieldIsForgottenAsASourceBeforeItServesAgain) {
  dbtest::FakeEngine engine;
  RuntimeClass* shows = MakeClass({StringInterfaceMethods()});
  Held rs(engine.NewCursor({"Ann"})), dest(New(shows, "dest"));
  Held binder(NewObjectFromDefinition(StringBinderClassDefinition()));
  RuntimeObject* field = cursorGetFieldByName(rs, string("NAME").Storage());
  stringBinderBind(binder, field, dest);
  RuntimeUnlockObject(field);
  Held next(cursorGetFieldByIndex(rs, 1));
  EXPECT_EQ(next.get(), field) << "the released field serves again";
  stringBinderReload(binder);
  EXPECT_THAT(gLog, ElementsAre("dest set Ann", "dest set "));
  cursorClose(rs);
}

}  // namespace
