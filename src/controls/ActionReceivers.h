// Action sources and their receivers: a timer, a push button and the like tell the objects
// attached to them each time they act, through the language interfaces "actionSource" (what
// can be told about) and "actionNotificationReceiver" (what is told: PerformAction).
//
// A source keeps its receivers in a receiver list: a singly linked list of nodes, newest first,
// that holds one reference to each object. The same object added twice is told twice.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct ReceiverNode {
  ReceiverNode* next;
  RuntimeObject* object;
};
static_assert(sizeof(ReceiverNode) == 8, "receiver nodes are two words");

ObjectDefinition* ActionSourceInterfaceDefinition();
ObjectDefinition* ActionNotificationReceiverInterfaceDefinition();

// Puts object at the head of *list with a reference of the list's; nil is ignored.
void ReceiverListAdd(ReceiverNode** list, RuntimeObject* object);
// Takes the first node of object off *list and drops its reference; an absent object changes
// nothing.
void ReceiverListRemove(ReceiverNode** list, RuntimeObject* object);
// Empties *list (destructors).
void ReceiverListClear(ReceiverNode** list);
// Calls PerformAction of each receiver that implements it, head first. The receivers as they
// were when the call began are told, each kept alive for its call, whatever the calls change in
// the list.
void NotifyPerformAction(ReceiverNode* const* list);
