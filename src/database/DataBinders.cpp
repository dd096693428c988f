// The four binder classes: enablingBinder and stringBinder copy a value from their source to
// their destination whenever the source says its data changed; actionBinder and listBinder
// connect the two once.
//
// A binder holds its destination, so a destination released while bound is never used; it does
// not hold its source (the source's receiver list holds the binder), and forgets a source that
// is freed, so that a later bind never reaches it.
#include <algorithm>
#include <vector>

#include "core/ClassDefinitionRows.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DataBinding.h"

namespace {

BinderObject* AsBinder(RuntimeObject* object) {
  if (!object) return nullptr;
  for (ClassGetter getter : {EnablingBinderClassDefinition, ActionBinderClassDefinition,
                             StringBinderClassDefinition, ListBinderClassDefinition}) {
    if (ObjectIsaDefinition(object, getter())) return reinterpret_cast<BinderObject*>(object);
  }
  return nullptr;
}

// The binders that have a source, so that a freed source is forgotten.
std::vector<BinderObject*>& BindersWithSources() {
  static std::vector<BinderObject*> binders;
  return binders;
}

void ForgetFreedSource(RuntimeObject* freed) {
  for (BinderObject* binder : BindersWithSources()) {
    if (binder->source == freed) binder->source = nullptr;
  }
}

void SetSource(BinderObject* binder, RuntimeObject* source) {
  std::vector<BinderObject*>& binders = BindersWithSources();
  const auto listed = std::find(binders.begin(), binders.end(), binder);
  if (source && listed == binders.end()) {
    if (binders.empty()) AddObjectDestroyListener(ForgetFreedSource);
    binders.push_back(binder);
  } else if (!source && listed != binders.end()) {
    binders.erase(listed);
    if (binders.empty()) RemoveObjectDestroyListener(ForgetFreedSource);
  }
  binder->source = source;
}

void SetDestination(BinderObject* binder, RuntimeObject* destination) {
  RuntimeObject* old = binder->destination;
  RuntimeLockObject(destination);
  binder->destination = destination;
  RuntimeUnlockObject(old);
}

// The Enabled property of a control, through its class's property table so that a subclass's
// own accessor is the one used. Control is recognised by name: the controls build on this layer.
bool IsControl(const RuntimeObject* object) {
  const string control("Control");
  for (const RuntimeClass* cls = object->classPtr; cls; cls = cls->parentClass)
    if (cls->className && string(cls->className).Compare(control) == 0) return true;
  return false;
}

void SetControlEnabled(RuntimeObject* control, bool enabled) {
  if (!control || !IsControl(control)) return;
  const RuntimeClass* cls = control->classPtr;
  const string wanted("Enabled%b%");
  for (int32_t i = 0; i < cls->propertyCount; ++i) {
    const PropertyTableEntry& property = cls->propertyTable[i];
    if (!property.setter || string(property.key).Compare(wanted) != 0) continue;
    CompiledCall call;
    call.Protect(control);
    call.Invoke<void>(property.setter, control, property.word, enabled);
    return;
  }
}

// Steps shared by the two reloading binders: leave the old source's receivers, take the new
// source and destination, join the new source's receivers, reload.
void RebindNotified(RuntimeObject* object, RuntimeObject* source, RuntimeObject* dest,
                    void (*reload)(RuntimeObject*)) {
  BinderObject* binder = AsBinder(object);
  if (!binder) return;
  RuntimeLockObject(object);  // the old source's receiver list may hold the last reference
  CallInterfaceMethod<void>(binder->source, DataNotifierInterfaceDefinition(),
                            "removeDataNotificationReceiver", object);
  SetSource(binder, source);
  SetDestination(binder, dest);
  CallInterfaceMethod<void>(source, DataNotifierInterfaceDefinition(),
                            "addDataNotificationReceiver", object);
  reload(object);
  RuntimeUnlockObject(object);
}

}  // namespace

extern "C" {

void enablingBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest) {
  RebindNotified(binder, source, dest, enablingBinderReload);
}
QV_EXPORT(enablingBinderBind)

// A source that is no BooleanProvider disables the destination.
void enablingBinderReload(RuntimeObject* object) {
  BinderObject* binder = AsBinder(object);
  if (!binder) return;
  RuntimeLockObject(object);
  const bool value =
      CallInterfaceMethod<bool>(binder->source, BooleanProviderInterfaceDefinition(), "getBoolean");
  SetControlEnabled(binder->destination, value);
  RuntimeUnlockObject(object);
}
QV_EXPORT(enablingBinderReload)

void actionBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest) {
  if (!AsBinder(binder)) return;
  CallInterfaceMethod<void>(source, ActionSourceInterfaceDefinition(),
                            "addActionNotificationReceiver", dest);
}
QV_EXPORT(actionBinderBind)

void stringBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest) {
  RebindNotified(binder, source, dest, stringBinderReload);
}
QV_EXPORT(stringBinderBind)

// The destination shows the source's text and is enabled while the source has data (always,
// for a source that does not say).
void stringBinderReload(RuntimeObject* object) {
  BinderObject* binder = AsBinder(object);
  if (!binder) return;
  RuntimeLockObject(object);
  const string text = string::Adopt(CallInterfaceMethod<stringStorage*>(
      binder->source, StringProviderInterfaceDefinition(), "getString"));
  bool available = true;
  if (FindInterfaceMethod(binder->source, DataAvailableProviderInterfaceDefinition(),
                          "dataAvailable")) {
    available = CallInterfaceMethod<bool>(
        binder->source, DataAvailableProviderInterfaceDefinition(), "dataAvailable");
  }
  CallInterfaceMethod<void>(binder->destination, StringInterfaceDefinition(), "setString",
                            text.Storage());
  SetControlEnabled(binder->destination, available);
  RuntimeUnlockObject(object);
}
QV_EXPORT(stringBinderReload)

void listBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest) {
  if (!AsBinder(binder)) return;
  CallInterfaceMethod<void>(dest, ListInterfaceDefinition(), "BindList", source);
}
QV_EXPORT(listBinderBind)

void binderDestructor(RuntimeObject* object) {
  BinderObject* binder = AsBinder(object);
  if (!binder) return;
  SetSource(binder, nullptr);
  SetDestination(binder, nullptr);
}
QV_EXPORT(binderDestructor)

}  // extern "C"

namespace {

using namespace lang;

const MethodRow kEnablingBinderMethods[] = {
    QV_SUB("bind", enablingBinderBind, Param("source", Class<"Object">),
           Param("dest", Class<"Object">)),
    QV_SUB("DataChanged", enablingBinderReload),
};
const MethodRow kActionBinderMethods[] = {
    QV_SUB("bind", actionBinderBind, Param("source", Class<"Object">),
           Param("dest", Class<"Object">)),
};
const MethodRow kStringBinderMethods[] = {
    QV_SUB("bind", stringBinderBind, Param("source", Class<"Object">),
           Param("dest", Class<"Object">)),
    QV_SUB("DataChanged", stringBinderReload),
};
const MethodRow kListBinderMethods[] = {
    QV_SUB("bind", listBinderBind, Param("source", Class<"Object">),
           Param("dest", Class<"Object">)),
};
const ClassGetter kReloadingInterfaces[] = {DataNotificationReceiverInterfaceDefinition,
                                            BindingInterfaceDefinition};
const ClassGetter kBindingInterfaces[] = {BindingInterfaceDefinition};

}  // namespace

QV_CLASS(EnablingBinderClassDefinition, .name = "enablingBinder",
         .objectSize = sizeof(BinderObject), .methods = kEnablingBinderMethods,
         .finalizer = QV_CODE(binderDestructor), .interfaces = kReloadingInterfaces)
QV_CLASS(ActionBinderClassDefinition, .name = "actionBinder", .objectSize = sizeof(BinderObject),
         .methods = kActionBinderMethods, .finalizer = QV_CODE(binderDestructor),
         .interfaces = kBindingInterfaces)
QV_CLASS(StringBinderClassDefinition, .name = "stringBinder", .objectSize = sizeof(BinderObject),
         .methods = kStringBinderMethods, .finalizer = QV_CODE(binderDestructor),
         .interfaces = kReloadingInterfaces)
QV_CLASS(ListBinderClassDefinition, .name = "listBinder", .objectSize = sizeof(BinderObject),
         .methods = kListBinderMethods, .finalizer = QV_CODE(binderDestructor),
         .interfaces = kBindingInterfaces)
