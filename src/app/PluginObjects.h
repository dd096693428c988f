// How plug-ins make objects by class name and reach what compiled code gave an object: its
// implementation of an interface routine and its handler of an event. Objects handed out
// carry one reference for the plug-in; routines and handlers are addresses, nil when absent.
#pragma once

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

extern "C" {
// A new object of the class a plug-in names (old names translated): the framework's and the
// plug-ins' classes first, then the run-time classes compiled code registered (case ignored).
// Nil for an unknown name and for an interface, which has no code to run.
RuntimeObject* PluginNewInstance(const char* className);
// The registered run-time class of that name (case ignored), or nil.
RuntimeClass* pluginObjectType(const char* className);
// A new object of the object's own class; nil for nil.
RuntimeObject* PluginNewOfSameClass(RuntimeObject* object);
// The object's implementation of routineName of the interface a plug-in names, or nil.
void* GetInterfaceRoutine(RuntimeObject* object, const char* interfaceName,
                          const char* routineName);
// The object's handler of the event (the word registration filled), or nil. Also exported
// as GetEventInstancePPC.
void* GetEventInstance(RuntimeObject* object, const ObjectHook* event);
}
