// Receiver lists and the notification interfaces of data binding: an action source (a push
// button) tells its action-notification receivers each time it acts, a data notifier its data
// receivers each time its data changes. A list is a chain of nodes, newest first, each holding
// one reference on its receiver; a receiver added twice is told twice.
//
// The binding of controls to data controls (DataSource) comes with the database classes; until
// then a control bound to a data source binds to nothing.
#pragma once

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct ReceiverNode {
  RuntimeObject* receiver;  // retained
  ReceiverNode* next;
};
// The head of a list lives in the source's record, one word.
using ReceiverList = ReceiverNode*;

void ReceiverListAdd(ReceiverList* list, RuntimeObject* receiver);
// Unlinks the newest node of receiver; a receiver not listed changes nothing.
void ReceiverListRemove(ReceiverList* list, RuntimeObject* receiver);
void ReceiverListClear(ReceiverList* list);
// "PerformAction" of actionNotificationReceiver on every member, newest first. The walk goes
// over a held copy, so a receiver may add or remove receivers, or drop the source.
void NotifyPerformAction(ReceiverList* list);
// "DataChanged" of dataNotificationReceiver on every member, in the same way.
void NotifyDataChanged(ReceiverList* list);

ObjectDefinition* ActionSourceInterfaceDefinition();
ObjectDefinition* ActionNotificationReceiverInterfaceDefinition();
ObjectDefinition* DataNotifierInterfaceDefinition();
ObjectDefinition* DataNotificationReceiverInterfaceDefinition();
