#include "controls/ActionReceivers.h"

#include <vector>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"

namespace {

using namespace lang;

const MethodRow kActionSourceMethods[] = {
    QV_ABSTRACT("addActionNotificationReceiver", nullptr,
                Param("receiver", Class<"actionNotificationReceiver">)),
    QV_ABSTRACT("removeActionNotificationReceiver", nullptr,
                Param("receiver", Class<"actionNotificationReceiver">)),
};
const MethodRow kActionNotificationReceiverMethods[] = {
    QV_ABSTRACT("PerformAction", nullptr),
};
const MethodRow kDataNotifierMethods[] = {
    QV_ABSTRACT("addDataNotificationReceiver", nullptr,
                Param("receiver", Class<"dataNotificationReceiver">)),
    QV_ABSTRACT("removeDataNotificationReceiver", nullptr,
                Param("receiver", Class<"dataNotificationReceiver">)),
};
const MethodRow kDataNotificationReceiverMethods[] = {QV_ABSTRACT("DataChanged", nullptr)};

// Registered together, each receiver before its source: the source's rows name it.
void RegisterActionInterfaces() {
  RegisterClassDefinition(ActionNotificationReceiverInterfaceDefinition());
  RegisterClassDefinition(ActionSourceInterfaceDefinition());
  RegisterClassDefinition(DataNotificationReceiverInterfaceDefinition());
  RegisterClassDefinition(DataNotifierInterfaceDefinition());
}

// Calls method of interface on each receiver of the list as it was when the call began, each
// kept alive for its call.
void Notify(ReceiverNode* const* list, ObjectDefinition* interface, const char* method) {
  if (!list || !*list) return;
  std::vector<RuntimeObject*> receivers;
  for (const ReceiverNode* node = *list; node; node = node->next) {
    RuntimeLockObject(node->object);
    receivers.push_back(node->object);
  }
  for (RuntimeObject* receiver : receivers) {
    void* function = LookupInterfaceMethod(receiver, interface, method);
    CompiledCall call;
    call.Protect(receiver);
    call.Invoke(function, receiver);
  }
  for (RuntimeObject* receiver : receivers) RuntimeUnlockObject(receiver);
}

}  // namespace

QV_CLASS(ActionSourceInterfaceDefinition,
         .name = "actionSource",
         .methods = kActionSourceMethods,
         .isInterface = true)
QV_CLASS(ActionNotificationReceiverInterfaceDefinition,
         .name = "actionNotificationReceiver",
         .methods = kActionNotificationReceiverMethods,
         .isInterface = true)
QV_CLASS(DataNotifierInterfaceDefinition,
         .name = "dataNotifier",
         .methods = kDataNotifierMethods,
         .isInterface = true)
QV_CLASS(DataNotificationReceiverInterfaceDefinition,
         .name = "dataNotificationReceiver",
         .methods = kDataNotificationReceiverMethods,
         .isInterface = true)
QV_STARTUP(kStartupActionInterfaces, RegisterActionInterfaces)

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
    RuntimeUnlockObject(node->object);
    delete node;
    return;
  }
}

void ReceiverListClear(ReceiverNode** list) {
  if (!list) return;
  while (ReceiverNode* node = *list) {
    *list = node->next;
    RuntimeUnlockObject(node->object);
    delete node;
  }
}

void NotifyPerformAction(ReceiverNode* const* list) {
  Notify(list, ActionNotificationReceiverInterfaceDefinition(), "PerformAction");
}

void NotifyDataChanged(ReceiverNode* const* list) {
  Notify(list, DataNotificationReceiverInterfaceDefinition(), "DataChanged");
}
