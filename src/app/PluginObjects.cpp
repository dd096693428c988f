#include "app/PluginObjects.h"

#include "app/PluginRegistry.h"
#include "core/EventHandlers.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"

namespace {

RuntimeClass* RegisteredClassNamed(const char* name, bool skipInterfaces) {
  for (RuntimeClass* cls = FirstRegisteredClass(); cls; cls = cls->nextClass) {
    if (skipInterfaces && cls->isAnInterface) continue;
    if (string(cls->className).Compare(string(name)) == 0) return cls;
  }
  return nullptr;
}

}  // namespace

extern "C" RuntimeObject* PluginNewInstance(const char* className) {
  if (!className || !*className) return nullptr;
  if (ObjectDefinition* definition = FindPluginVisibleClass(string(className))) {
    if (definition->isInterface) return nullptr;
    return NewObjectFromDefinition(definition);
  }
  RuntimeClass* cls = RegisteredClassNamed(className, true);
  return cls ? RuntimeNewObject(cls) : nullptr;
}
QV_EXPORT(PluginNewInstance)

extern "C" RuntimeClass* pluginObjectType(const char* className) {
  if (!className) return nullptr;
  return RegisteredClassNamed(className, false);
}
QV_EXPORT(pluginObjectType)

extern "C" RuntimeObject* PluginNewOfSameClass(RuntimeObject* object) {
  if (!object || !object->classPtr) return nullptr;
  return RuntimeNewObject(object->classPtr);
}
QV_EXPORT(PluginNewOfSameClass)

extern "C" void* GetInterfaceRoutine(RuntimeObject* object, const char* interfaceName,
                                     const char* routineName) {
  if (!object || !interfaceName || !routineName) return nullptr;
  ObjectDefinition* definition = FindPluginVisibleClass(string(interfaceName));
  if (!definition) return nullptr;
  return LookupInterfaceMethod(object, definition, routineName);
}
QV_EXPORT(GetInterfaceRoutine)

extern "C" void* GetEventInstance(RuntimeObject* object, const ObjectHook* event) {
  if (!object || !event) return nullptr;
  return LookupEventHandler(object, event);
}
QV_EXPORT(GetEventInstance)
QV_EXPORT_AS("GetEventInstancePPC", GetEventInstance)

