// Event-handler tables: finding the compiled handler of an event for an object, and giving one
// object a handler of its own.
//
// An object's third word is its class's event table, or a private copy made the first time a
// handler is installed for that object alone; the copy is freed with the object.
#pragma once

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

extern "C" {
// The compiled handler that object's table holds for hook's event, or nil.
void* LookupEventHandler(RuntimeObject* object, const ObjectHook* hook);
// Stores handler for the event named eventName in object's own copy of the event table. An
// event that already has a handler there is reported and keeps it.
void RuntimeInstallInstanceEventHandler(RuntimeObject* object, stringStorage* eventName,
                                        void* handler);
// The code the object's class (or the nearest ancestor that has one) holds for hook's event,
// ignoring handlers installed for the object alone; nil for a nil object.
void* RuntimeFindHookCode(RuntimeObject* object, const ObjectHook* hook);
}
