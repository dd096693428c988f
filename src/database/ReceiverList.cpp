#include "database/ReceiverList.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/SimpleVector.h"
#include "core/Startup.h"

namespace {

using namespace lang;

const MethodRow kActionSourceMethods[] = {
    QV_ABSTRACT("addActionNotificationReceiver", nullptr,
                Param("receiver", Class<"actionNotificationReceiver">)),
    QV_ABSTRACT("removeActionNotificationReceiver", nullptr,
                Param("receiver", Class<"actionNotificationReceiver">)),
};
const MethodRow kActionReceiverMethods[] = {QV_ABSTRACT("PerformAction", nullptr)};
const MethodRow kDataNotifierMethods[] = {
    QV_ABSTRACT("addDataNotificationReceiver", nullptr,
                Param("receiver", Class<"dataNotificationReceiver">)),
    QV_ABSTRACT("removeDataNotificationReceiver", nullptr,
                Param("receiver", Class<"dataNotificationReceiver">)),
};
const MethodRow kDataReceiverMethods[] = {QV_ABSTRACT("DataChanged", nullptr)};

// Calls the interface's first method on every receiver of a held copy of the list.
void Notify(ReceiverList* list, ObjectDefinition* interface) {
  if (!list) return;
  SimpleVector<RuntimeObject*> held;
  for (ReceiverNode* node = *list; node; node = node->next) {
    RuntimeLockObject(node->receiver);
    held.Append(node->receiver);
  }
  RuntimeClass* interfaceClass = RuntimeClassForDefinition(interface);
  for (uint32_t i = 0; i < held.size(); ++i) {
    RuntimeObject* receiver = held[int32_t(i)];
    NamedMethodEntry* methods = RuntimeLookupInterfaceVtable(receiver, interfaceClass);
    if (methods && methods[0].function) {
      CompiledCall().Invoke<void>(methods[0].function, receiver);
    }
  }
  for (uint32_t i = held.size(); i-- > 0;) RuntimeUnlockObject(held[int32_t(i)]);
}

}  // namespace

QV_CLASS(ActionNotificationReceiverInterfaceDefinition,
         .name = "actionNotificationReceiver",
         .methods = kActionReceiverMethods,
         .isInterface = true)
QV_CLASS(ActionSourceInterfaceDefinition,
         .name = "actionSource",
         .methods = kActionSourceMethods,
         .isInterface = true)
QV_CLASS(DataNotificationReceiverInterfaceDefinition,
         .name = "dataNotificationReceiver",
         .methods = kDataReceiverMethods,
         .isInterface = true)
QV_CLASS(DataNotifierInterfaceDefinition,
         .name = "dataNotifier",
         .methods = kDataNotifierMethods,
         .isInterface = true)

QV_STARTUP_CLASS(kStartupActionNotificationReceiverInterface,
                 ActionNotificationReceiverInterfaceDefinition)
QV_STARTUP_CLASS(kStartupActionSourceInterface, ActionSourceInterfaceDefinition)
QV_STARTUP_CLASS(kStartupDataNotificationReceiverInterface,
                 DataNotificationReceiverInterfaceDefinition)
QV_STARTUP_CLASS(kStartupDataNotifierInterface, DataNotifierInterfaceDefinition)

void ReceiverListAdd(ReceiverList* list, RuntimeObject* receiver) {
  if (!list || !receiver) return;
  RuntimeLockObject(receiver);
  *list = new ReceiverNode{receiver, *list};
}

void ReceiverListRemove(ReceiverList* list, RuntimeObject* receiver) {
  if (!list) return;
  for (ReceiverNode** link = list; *link; link = &(*link)->next) {
    ReceiverNode* node = *link;
    if (node->receiver != receiver) continue;
    *link = node->next;
    RuntimeUnlockObject(node->receiver);
    delete node;
    return;
  }
}

void ReceiverListClear(ReceiverList* list) {
  if (!list) return;
  while (ReceiverNode* node = *list) {
    *list = node->next;
    RuntimeUnlockObject(node->receiver);
    delete node;
  }
}

void NotifyPerformAction(ReceiverList* list) {
  Notify(list, ActionNotificationReceiverInterfaceDefinition());
}

void NotifyDataChanged(ReceiverList* list) {
  Notify(list, DataNotificationReceiverInterfaceDefinition());
}
