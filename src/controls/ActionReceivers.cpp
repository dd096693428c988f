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

// Registered together, the receiver first: the source's rows name it.
void RegisterActionInterfaces() {
  RegisterClassDefinition(ActionNotificationReceiverInterfaceDefinition());
  RegisterClassDefinition(ActionSourceInterfaceDefinition());
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
  if (!list || !*list) return;
  std::vector<RuntimeObject*> receivers;
  for (const ReceiverNode* node = *list; node; node = node->next) {
    RuntimeLockObject(node->object);
    receivers.push_back(node->object);
  }
  for (RuntimeObject* receiver : receivers) {
    void* performAction = LookupInterfaceMethod(
        receiver, ActionNotificationReceiverInterfaceDefinition(), "PerformAction");
    CompiledCall call;
    call.Protect(receiver);
    call.Invoke(performAction, receiver);
  }
  for (RuntimeObject* receiver : receivers) RuntimeUnlockObject(receiver);
}
