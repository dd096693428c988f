// The data-binding interfaces, receiver lists and notifiers.
#include <vector>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "database/DataBinding.h"

namespace {

using namespace lang;

const MethodRow kStringProviderMethods[] = {QV_ABSTRACT("getString", String)};
const MethodRow kStringInterfaceMethods[] = {
    QV_ABSTRACT("setString", nullptr, Param("Str", String))};
const MethodRow kListInterfaceMethods[] = {
    QV_ABSTRACT("BindList", nullptr, Param("data", Class<"listDataProvider">))};
const MethodRow kBooleanProviderMethods[] = {
    QV_ABSTRACT("getBoolean", Boolean),
    QV_ABSTRACT("setBoolean", nullptr, Param("value", Boolean)),
};
const MethodRow kActionSourceMethods[] = {
    QV_ABSTRACT("addActionNotificationReceiver", nullptr,
                Param("receiver", Class<"actionNotificationReceiver">)),
    QV_ABSTRACT("removeActionNotificationReceiver", nullptr,
                Param("receiver", Class<"actionNotificationReceiver">)),
};
const MethodRow kActionReceiverMethods[] = {QV_ABSTRACT("PerformAction", nullptr)};
const MethodRow kDataAvailableProviderMethods[] = {QV_ABSTRACT("dataAvailable", Boolean)};
const MethodRow kDataNotifierMethods[] = {
    QV_ABSTRACT("addDataNotificationReceiver", nullptr,
                Param("receiver", Class<"dataNotificationReceiver">)),
    QV_ABSTRACT("removeDataNotificationReceiver", nullptr,
                Param("receiver", Class<"dataNotificationReceiver">)),
};
const MethodRow kDataReceiverMethods[] = {QV_ABSTRACT("dataChanged", nullptr)};
const MethodRow kListSelectionNotifierMethods[] = {
    QV_ABSTRACT("addListSelectionNotificationReceiver", nullptr,
                Param("receiver", Class<"listSelectionNotificationReceiver">)),
    QV_ABSTRACT("removeListSelectionNotificationReceiver", nullptr,
                Param("receiver", Class<"listSelectionNotificationReceiver">)),
};
const MethodRow kListSelectionReceiverMethods[] = {
    QV_ABSTRACT("selectionChanging", nullptr),
    QV_ABSTRACT("selectionChanged", nullptr),
};
const MethodRow kBindingMethods[] = {
    QV_ABSTRACT("bind", nullptr, Param("source", Class<"Object">), Param("dest", Class<"Object">)),
};
// Nothing in the framework calls getBoundPart; its one parameter is whatever the caller makes.
const MethodRow kBindingPartMethods[] = {
    QV_ABSTRACT("getBoundPart", nullptr, Param("part", Class<"Object">))};
const MethodRow kListDataProviderMethods[] = {
    QV_ABSTRACT("GetCount", Integer),
    QV_ABSTRACT("GetRow", Class<"tupleInterface">, Param("index", Integer)),
};
const MethodRow kListDataNotifierMethods[] = {
    QV_ABSTRACT("addListDataNotificationReceiver", nullptr,
                Param("receiver", Class<"listDataNotificationReceiver">)),
    QV_ABSTRACT("removeListDataNotificationReceiver", nullptr,
                Param("receiver", Class<"listDataNotificationReceiver">)),
};
const MethodRow kListDataReceiverMethods[] = {
    QV_ABSTRACT("listDataInsertedRow", nullptr, Param("v", Integer)),
    QV_ABSTRACT("listDataRemovedRow", nullptr, Param("v", Integer)),
    QV_ABSTRACT("listDataReload", nullptr),
};
const MethodRow kTupleMethods[] = {
    QV_ABSTRACT("FieldCount", Integer),
    QV_ABSTRACT("getIndString", String, Param("v", Integer)),
};

// A snapshot of the list, each object held until the walk ends.
class HeldSnapshot {
 public:
  explicit HeldSnapshot(ReceiverNode* list) {
    for (; list; list = list->next) {
      RuntimeLockObject(list->object);
      mObjects.push_back(list->object);
    }
  }
  ~HeldSnapshot() {
    for (RuntimeObject* object : mObjects) RuntimeUnlockObject(object);
  }
  HeldSnapshot(const HeldSnapshot&) = delete;
  HeldSnapshot& operator=(const HeldSnapshot&) = delete;
  const std::vector<RuntimeObject*>& objects() const { return mObjects; }

 private:
  std::vector<RuntimeObject*> mObjects;
};

bool Listed(ReceiverNode* list, RuntimeObject* object) {
  for (; list; list = list->next) {
    if (list->object == object) return true;
  }
  return false;
}

void Notify(ReceiverNode** list, ObjectDefinition* interface, const char* name) {
  if (!list) return;
  const HeldSnapshot snapshot(*list);
  for (RuntimeObject* object : snapshot.objects()) {
    if (Listed(*list, object)) CallInterfaceMethod<void>(object, interface, name);
  }
}

}  // namespace

QV_CLASS(StringProviderInterfaceDefinition, .name = "StringProvider",
         .methods = kStringProviderMethods, .isInterface = true)
QV_CLASS(StringInterfaceDefinition, .name = "StringInterface", .methods = kStringInterfaceMethods,
         .isInterface = true)
QV_CLASS(ListInterfaceDefinition, .name = "ListInterface", .methods = kListInterfaceMethods,
         .isInterface = true)
QV_CLASS(BooleanProviderInterfaceDefinition, .name = "BooleanProvider",
         .methods = kBooleanProviderMethods, .isInterface = true)
QV_CLASS(ActionSourceInterfaceDefinition, .name = "actionSource", .methods = kActionSourceMethods,
         .isInterface = true)
QV_CLASS(ActionNotificationReceiverInterfaceDefinition, .name = "actionNotificationReceiver",
         .methods = kActionReceiverMethods, .isInterface = true)
QV_CLASS(DataAvailableProviderInterfaceDefinition, .name = "DataAvailableProvider",
         .methods = kDataAvailableProviderMethods, .isInterface = true)
QV_CLASS(DataNotifierInterfaceDefinition, .name = "dataNotifier", .methods = kDataNotifierMethods,
         .isInterface = true)
QV_CLASS(DataNotificationReceiverInterfaceDefinition, .name = "dataNotificationReceiver",
         .methods = kDataReceiverMethods, .isInterface = true)
QV_CLASS(ListSelectionNotifierInterfaceDefinition, .name = "listSelectionNotifier",
         .methods = kListSelectionNotifierMethods, .isInterface = true)
QV_CLASS(ListSelectionNotificationReceiverInterfaceDefinition,
         .name = "listSelectionNotificationReceiver", .methods = kListSelectionReceiverMethods,
         .isInterface = true)
QV_CLASS(BindingInterfaceDefinition, .name = "bindingInterface", .methods = kBindingMethods,
         .isInterface = true)
QV_CLASS(BindingPartInterfaceDefinition, .name = "bindingPartInterface",
         .methods = kBindingPartMethods, .isInterface = true)
QV_CLASS(ListDataProviderInterfaceDefinition, .name = "listDataProvider",
         .methods = kListDataProviderMethods, .isInterface = true)
QV_CLASS(ListDataNotifierInterfaceDefinition, .name = "listDataNotifier",
         .methods = kListDataNotifierMethods, .isInterface = true)
QV_CLASS(ListDataNotificationReceiverInterfaceDefinition, .name = "listDataNotificationReceiver",
         .methods = kListDataReceiverMethods, .isInterface = true)
QV_CLASS(TupleInterfaceDefinition, .name = "tupleInterface", .methods = kTupleMethods,
         .isInterface = true)

void RegisterDataBindingInterfaces() {
  for (ClassGetter getter : {StringProviderInterfaceDefinition,
                             StringInterfaceDefinition,
                             ListInterfaceDefinition,
                             BooleanProviderInterfaceDefinition,
                             ActionSourceInterfaceDefinition,
                             ActionNotificationReceiverInterfaceDefinition,
                             DataAvailableProviderInterfaceDefinition,
                             DataNotifierInterfaceDefinition,
                             DataNotificationReceiverInterfaceDefinition,
                             ListSelectionNotifierInterfaceDefinition,
                             ListSelectionNotificationReceiverInterfaceDefinition,
                             BindingInterfaceDefinition,
                             BindingPartInterfaceDefinition,
                             ListDataProviderInterfaceDefinition,
                             ListDataNotifierInterfaceDefinition,
                             ListDataNotificationReceiverInterfaceDefinition,
                             TupleInterfaceDefinition,
                             EnablingBinderClassDefinition,
                             ActionBinderClassDefinition,
                             StringBinderClassDefinition,
                             ListBinderClassDefinition}) {
    RegisterClassDefinition(getter());
  }
}
QV_STARTUP(kStartupDataBindingInterfaces, RegisterDataBindingInterfaces)

void* FindInterfaceMethod(RuntimeObject* object, ObjectDefinition* interface, const char* name) {
  void* method = LookupInterfaceMethod(object, interface, name);
  return method == reinterpret_cast<void*>(&UnimplementedInterfaceMethod) ? nullptr : method;
}

void ReceiverListAdd(ReceiverNode** list, RuntimeObject* object) {
  if (!list || !object) return;
  RuntimeLockObject(object);
  *list = new ReceiverNode{*list, object};
}

void ReceiverListRemove(ReceiverNode** list, RuntimeObject* object) {
  if (!list) return;
  for (ReceiverNode** link = list; *link; link = &(*link)->next) {
    ReceiverNode* node = *link;
    if (node->object != object) continue;
    *link = node->next;
    delete node;
    RuntimeUnlockObject(object);  // last: the release may run code that changes the list
    return;
  }
}

void ReceiverListClear(ReceiverNode** list) {
  while (list && *list) ReceiverListRemove(list, (*list)->object);
}

void NotifyDataChanged(ReceiverNode** list) {
  Notify(list, DataNotificationReceiverInterfaceDefinition(), "DataChanged");
}

void NotifyPerformAction(ReceiverNode** list) {
  Notify(list, ActionNotificationReceiverInterfaceDefinition(), "PerformAction");
}

void NotifyListDataReload(ReceiverNode** list) {
  Notify(list, ListDataNotificationReceiverInterfaceDefinition(), "listDataReload");
}
