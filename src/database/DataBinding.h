// Data binding: controls, database objects and small binder objects wired together without
// knowing one another's classes. A source announces changes to the receivers registered with it;
// a binder copies a value from its source to its destination when told that the data changed.
// All of it is language interfaces (any framework or application class may implement them) and
// four binder classes that compiled code makes and connects with bind.
//
// Promises of this layer:
//   - an interface method is found by name ignoring case, so that an application's own
//     spelling ("DATACHANGED") answers the framework's ("DataChanged");
//   - a receiver list holds a reference to each object in it;
//   - the notifiers walk a snapshot of the list, each object held for the walk: a receiver that
//     removes itself or another, adds one, or drops the last reference to something is safe.
//     A receiver removed during the walk before its turn is not called; one added is called
//     from the next notification on;
//   - a binder holds its destination (released on rebind and at destruction) and never its
//     source, whose receiver list owns the binder; a source freed while bound is forgotten.
#pragma once

#include <cstdint>

#include "core/CompiledCall.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

// One node of a receiver list; the owner keeps the head.
struct ReceiverNode {
  ReceiverNode* next;
  RuntimeObject* object;  // held
};
static_assert(sizeof(ReceiverNode) == 8, "receiver nodes are two words");

// Puts a node for object at the head and holds it; adding an object twice gives two nodes.
void ReceiverListAdd(ReceiverNode** list, RuntimeObject* object);
// Unlinks the first node that holds object and releases it; an absent object changes nothing.
void ReceiverListRemove(ReceiverNode** list, RuntimeObject* object);
// Removes every node (what notifying classes do in their destructors).
void ReceiverListClear(ReceiverNode** list);

// Calls "DataChanged" of dataNotificationReceiver, "PerformAction" of
// actionNotificationReceiver, or "listDataReload" of listDataNotificationReceiver on every
// object of the list that has it. The caller holds the list's owner for the call: a receiver may
// drop the last other reference to it.
void NotifyDataChanged(ReceiverNode** list);
void NotifyPerformAction(ReceiverNode** list);
void NotifyListDataReload(ReceiverNode** list);

// The function that implements the interface's method named name (case ignored) for object, or
// nil when object does not implement the interface or has no such method.
void* FindInterfaceMethod(RuntimeObject* object, ObjectDefinition* interface, const char* name);

// Calls that method behind a call barrier, holding object for the call; R() when there is none.
template <typename R, typename... Arguments>
R CallInterfaceMethod(RuntimeObject* object, ObjectDefinition* interface, const char* name,
                      Arguments... arguments) {
  void* method = FindInterfaceMethod(object, interface, name);
  if (!method) return R();
  CompiledCall call;
  call.Protect(object);
  return call.Invoke<R>(method, object, arguments...);
}

// The interfaces, each built once and registered by RegisterDataBindingInterfaces.
ObjectDefinition* StringProviderInterfaceDefinition();
ObjectDefinition* StringInterfaceDefinition();
ObjectDefinition* ListInterfaceDefinition();
ObjectDefinition* BooleanProviderInterfaceDefinition();
ObjectDefinition* ActionSourceInterfaceDefinition();
ObjectDefinition* ActionNotificationReceiverInterfaceDefinition();
ObjectDefinition* DataAvailableProviderInterfaceDefinition();
ObjectDefinition* DataNotifierInterfaceDefinition();
ObjectDefinition* DataNotificationReceiverInterfaceDefinition();
ObjectDefinition* ListSelectionNotifierInterfaceDefinition();
ObjectDefinition* ListSelectionNotificationReceiverInterfaceDefinition();
ObjectDefinition* BindingInterfaceDefinition();
ObjectDefinition* BindingPartInterfaceDefinition();
ObjectDefinition* ListDataProviderInterfaceDefinition();
ObjectDefinition* ListDataNotifierInterfaceDefinition();
ObjectDefinition* ListDataNotificationReceiverInterfaceDefinition();
ObjectDefinition* TupleInterfaceDefinition();

// The binder classes.
ObjectDefinition* EnablingBinderClassDefinition();
ObjectDefinition* ActionBinderClassDefinition();
ObjectDefinition* StringBinderClassDefinition();
ObjectDefinition* ListBinderClassDefinition();

// Registers the seventeen interfaces and the four binders at start-up.
void RegisterDataBindingInterfaces();

struct BinderObject {
  RuntimeObject header;
  RuntimeObject* source;       // not held: its receiver list holds the binder
  RuntimeObject* destination;  // held
};
static_assert(sizeof(BinderObject) == 32, "binder instances");

extern "C" {
void enablingBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest);
void enablingBinderReload(RuntimeObject* binder);
void actionBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest);
void stringBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest);
void stringBinderReload(RuntimeObject* binder);
void listBinderBind(RuntimeObject* binder, RuntimeObject* source, RuntimeObject* dest);
void binderDestructor(RuntimeObject* binder);
}

// The native side of data-aware controls (check boxes, static texts, popup menus and combo
// boxes, edit fields, list boxes): attaching to and detaching from the data control that their
// data-source property names.
class DataAwareClass {
 public:
  virtual void Bind() = 0;
  virtual void Unbind() = 0;

 protected:
  ~DataAwareClass() = default;
};
