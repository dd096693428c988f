#include "listbox/ListboxBoundParts.h"

#include <utility>

#include "core/ClassDefinitionRows.h"
#include "core/Export.h"
#include "core/ClassRegistry.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "listbox/ListboxClass.h"
#include "listbox/ReceiverSnapshot.h"

namespace {

using namespace lang;

template <typename Object>
Object* As(RuntimeObject* object) {
  return reinterpret_cast<Object*>(object);
}

RuntimeObject* NewPart(ObjectDefinition* definition, RuntimeObject* list) {
  RuntimeObject* part = RuntimeNewObject(RuntimeClassForDefinition(definition));
  if (!part) return nullptr;
  RuntimeLockObject(list);
  // Every part keeps the list in the word after the object header.
  As<ListboxActionObject>(part)->list = list;
  return part;
}

// The list's pane and its lowest selected row, or false.
bool SelectedRow(RuntimeObject* list, RuntimeListbox** pane, int32_t* row) {
  *pane = ListboxPaneOf(list);
  *row = *pane ? (*pane)->FirstSelectedRow() : -1;
  return *row >= 0;
}

// A column value provider's cell: nil and no exception for a column the row cannot answer.
bool ProviderCell(RuntimeObject* provider, RuntimeListbox** pane, int32_t* row) {
  auto* self = As<ListColumnValueProviderObject>(provider);
  return self && SelectedRow(self->list, pane, row) && (*pane)->CellReadable(*row, self->column);
}

}  // namespace

RuntimeObject* NewListboxAction(RuntimeObject* list, int32_t kind) {
  RuntimeObject* action = NewPart(ListboxActionClassDefinition(), list);
  if (action) As<ListboxActionObject>(action)->kind = kind;
  return action;
}

RuntimeObject* NewListSelectionProvider(RuntimeObject* list) {
  RuntimeObject* provider = NewPart(ListSelectionProviderClassDefinition(), list);
  if (provider) listAddLSNR(list, provider);
  return provider;
}

RuntimeObject* NewListColumnValueProvider(RuntimeObject* list, int32_t column) {
  RuntimeObject* provider = NewPart(ListColumnValueProviderClassDefinition(), list);
  if (!provider) return nullptr;
  As<ListColumnValueProviderObject>(provider)->column = column;
  listAddLSNR(list, provider);
  return provider;
}

// ---- listSelectionProvider ----

extern "C" void listSelectionProviderDestructor(RuntimeObject* provider) {
  auto* self = As<ListSelectionProviderObject>(provider);
  if (!self) return;
  if (self->list) listRemoveLSNR(self->list, provider);
  ReceiverListClear(&self->receivers);
  if (RuntimeObject* list = std::exchange(self->list, nullptr)) RuntimeUnlockObject(list);
}
QV_EXPORT(listSelectionProviderDestructor)

extern "C" void listSelectionAddDataNotificationReceiver(RuntimeObject* provider,
                                                         RuntimeObject* receiver) {
  if (provider && receiver) {
    ReceiverListAdd(&As<ListSelectionProviderObject>(provider)->receivers, receiver);
  }
}
QV_EXPORT(listSelectionAddDataNotificationReceiver)

extern "C" void listSelectionRemoveDataNotificationReceiver(RuntimeObject* provider,
                                                            RuntimeObject* receiver) {
  if (provider) ReceiverListRemove(&As<ListSelectionProviderObject>(provider)->receivers, receiver);
}
QV_EXPORT(listSelectionRemoveDataNotificationReceiver)

extern "C" int32_t listSelectionGetBoolean(RuntimeObject* provider) {
  if (!provider) return 0;
  return listSelectionGetter(As<ListSelectionProviderObject>(provider)->list, 0) != -1 ? 1 : 0;
}
QV_EXPORT(listSelectionGetBoolean)

extern "C" void listSelectionSetBoolean(RuntimeObject*, int32_t) {}
QV_EXPORT(listSelectionSetBoolean)

extern "C" void listSelectionChanging(RuntimeObject*) {}
QV_EXPORT(listSelectionChanging)

extern "C" void listSelectionChanged(RuntimeObject* provider) {
  auto* self = As<ListSelectionProviderObject>(provider);
  if (!self || !self->receivers) return;
  RuntimeListbox* pane = ListboxPaneOf(self->list);
  if (!pane) return;
  RuntimeLockObject(provider);
  {
    ReceiverSnapshot snapshot(self->receivers);
    snapshot.Tell(
        DataNotificationReceiverInterfaceDefinition(), "DataChanged",
        [&](RuntimeObject* receiver) { return ReceiverListHas(self->receivers, receiver); },
        [&] { return !ListStillOpen(self->list, pane); });
  }
  RuntimeUnlockObject(provider);
}
QV_EXPORT(listSelectionChanged)

// ---- Sys$ListboxAction ----

namespace {

ReceiverNode** FocusList(RuntimeObject* action) {
  auto* self = As<ListboxActionObject>(action);
  if (!self || !self->list) return nullptr;
  ListboxObject* record = AsListbox(self->list);
  return self->kind != 0 ? &record->focusGainedReceivers : &record->focusLostReceivers;
}

}  // namespace

extern "C" void listboxActionDestructor(RuntimeObject* action) {
  if (!action) return;
  if (RuntimeObject* list = std::exchange(As<ListboxActionObject>(action)->list, nullptr)) {
    RuntimeUnlockObject(list);
  }
}
QV_EXPORT(listboxActionDestructor)

extern "C" void lbaAddActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver) {
  ReceiverNode** list = FocusList(action);
  if (list && receiver) ReceiverListAdd(list, receiver);
}
QV_EXPORT(lbaAddActionNotificationReceiver)

extern "C" void lbaRemoveActionNotificationReceiver(RuntimeObject* action,
                                                    RuntimeObject* receiver) {
  if (ReceiverNode** list = FocusList(action)) ReceiverListRemove(list, receiver);
}
QV_EXPORT(lbaRemoveActionNotificationReceiver)

// ---- listColumnValueProvider ----

extern "C" void listColumnValueProviderDestructor(RuntimeObject* provider) {
  auto* self = As<ListColumnValueProviderObject>(provider);
  if (!self) return;
  if (self->list) listRemoveLSNR(self->list, provider);
  if (RuntimeObject* list = std::exchange(self->list, nullptr)) RuntimeUnlockObject(list);
  if (SimpleVector<RuntimeObject*>* receivers = std::exchange(self->receivers, nullptr)) {
    for (uint32_t i = 0; i < receivers->size(); ++i) RuntimeUnlockObject(receivers->data()[i]);
    delete receivers;
  }
}
QV_EXPORT(listColumnValueProviderDestructor)

extern "C" stringStorage* lcvpGetString(RuntimeObject* provider) {
  RuntimeListbox* pane = nullptr;
  int32_t row = -1;
  if (!ProviderCell(provider, &pane, &row)) return nullptr;
  auto* self = As<ListColumnValueProviderObject>(provider);
  return listGetCell(self->list, row, self->column);
}
QV_EXPORT(lcvpGetString)

extern "C" void lcvpSetString(RuntimeObject* provider, stringStorage* text) {
  RuntimeListbox* pane = nullptr;
  int32_t row = -1;
  if (!ProviderCell(provider, &pane, &row)) return;
  auto* self = As<ListColumnValueProviderObject>(provider);
  listSetCell(self->list, row, self->column, text);
}
QV_EXPORT(lcvpSetString)

extern "C" int32_t lcvpDataAvailable(RuntimeObject* provider) {
  RuntimeListbox* pane = nullptr;
  int32_t row = -1;
  return provider && SelectedRow(As<ListColumnValueProviderObject>(provider)->list, &pane, &row)
             ? 1
             : 0;
}
QV_EXPORT(lcvpDataAvailable)

extern "C" void lcvpAddDataNotificationReceiver(RuntimeObject* provider,
                                                RuntimeObject* receiver) {
  auto* self = As<ListColumnValueProviderObject>(provider);
  if (!self || !receiver) return;
  if (!self->receivers) self->receivers = new SimpleVector<RuntimeObject*>();
  RuntimeLockObject(receiver);
  self->receivers->Append(receiver);
}
QV_EXPORT(lcvpAddDataNotificationReceiver)

extern "C" void lcvpRemoveDataNotificationReceiver(RuntimeObject* provider,
                                                   RuntimeObject* receiver) {
  auto* self = As<ListColumnValueProviderObject>(provider);
  if (!self || !self->receivers) return;
  for (uint32_t i = 0; i < self->receivers->size(); ++i) {
    if (self->receivers->data()[i] != receiver) continue;
    self->receivers->RemoveAt(int32_t(i));
    RuntimeUnlockObject(receiver);
    return;
  }
}
QV_EXPORT(lcvpRemoveDataNotificationReceiver)

extern "C" void lcvpSelectionChanging(RuntimeObject*) {}
QV_EXPORT(lcvpSelectionChanging)

extern "C" void lcvpSelectionChanged(RuntimeObject* provider) {
  auto* self = As<ListColumnValueProviderObject>(provider);
  if (!self || !self->receivers || self->receivers->size() == 0) return;
  RuntimeListbox* pane = ListboxPaneOf(self->list);
  if (!pane) return;
  RuntimeLockObject(provider);
  {
    ReceiverSnapshot snapshot(self->receivers->data(), self->receivers->size());
    snapshot.Tell(
        DataNotificationReceiverInterfaceDefinition(), "DataChanged",
        [&](RuntimeObject* receiver) {
          for (uint32_t i = 0; self->receivers && i < self->receivers->size(); ++i) {
            if (self->receivers->data()[i] == receiver) return true;
          }
          return false;
        },
        [&] { return !ListStillOpen(self->list, pane); });
  }
  RuntimeUnlockObject(provider);
}
QV_EXPORT(lcvpSelectionChanged)

// ---- class definitions ----

namespace {

const MethodRow kSelectionProviderMethods[] = {
    QV_SUB("addDataNotificationReceiver", listSelectionAddDataNotificationReceiver,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_SUB("removeDataNotificationReceiver", listSelectionRemoveDataNotificationReceiver,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_FUNCTION("getBoolean", Boolean, listSelectionGetBoolean),
    QV_SUB("setBoolean", listSelectionSetBoolean, Param("value", Boolean)),
    QV_SUB("selectionChanging", listSelectionChanging),
    QV_SUB("selectionChanged", listSelectionChanged),
};
const ClassGetter kSelectionProviderInterfaces[] = {
    BooleanProviderInterfaceDefinition, DataNotifierInterfaceDefinition,
    ListSelectionNotificationReceiverInterfaceDefinition};

const MethodRow kListboxActionMethods[] = {
    QV_SUB("addActionNotificationReceiver", lbaAddActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
    QV_SUB("removeActionNotificationReceiver", lbaRemoveActionNotificationReceiver,
           Param("receiver", Class<"actionNotificationReceiver">)),
};
const ClassGetter kListboxActionInterfaces[] = {ActionSourceInterfaceDefinition};

const MethodRow kColumnValueProviderMethods[] = {
    QV_FUNCTION("getString", String, lcvpGetString),
    QV_SUB("setString", lcvpSetString, Param("Str", String)),
    QV_SUB("addDataNotificationReceiver", lcvpAddDataNotificationReceiver,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_SUB("removeDataNotificationReceiver", lcvpRemoveDataNotificationReceiver,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_SUB("selectionChanging", lcvpSelectionChanging),
    QV_SUB("selectionChanged", lcvpSelectionChanged),
    QV_FUNCTION("dataAvailable", Boolean, lcvpDataAvailable),
};
const ClassGetter kColumnValueProviderInterfaces[] = {
    ListSelectionNotificationReceiverInterfaceDefinition, StringProviderInterfaceDefinition,
    StringInterfaceDefinition, DataNotifierInterfaceDefinition,
    DataAvailableProviderInterfaceDefinition};

}  // namespace

QV_CLASS(ListSelectionProviderClassDefinition, .name = "listSelectionProvider",
         .objectSize = sizeof(ListSelectionProviderObject),
         .methods = kSelectionProviderMethods,
         .finalizer = QV_CODE(listSelectionProviderDestructor),
         .interfaces = kSelectionProviderInterfaces)
QV_STARTUP_CLASS(kStartupListSelectionProviderClass, ListSelectionProviderClassDefinition)

QV_CLASS(ListboxActionClassDefinition, .name = "Sys$ListboxAction",
         .objectSize = sizeof(ListboxActionObject), .methods = kListboxActionMethods,
         .finalizer = QV_CODE(listboxActionDestructor), .interfaces = kListboxActionInterfaces)
QV_STARTUP_CLASS(kStartupListboxActionClass, ListboxActionClassDefinition)

QV_CLASS(ListColumnValueProviderClassDefinition, .name = "listColumnValueProvider",
         .objectSize = sizeof(ListColumnValueProviderObject),
         .methods = kColumnValueProviderMethods,
         .finalizer = QV_CODE(listColumnValueProviderDestructor),
         .interfaces = kColumnValueProviderInterfaces)
QV_STARTUP_CLASS(kStartupListColumnValueProviderClass, ListColumnValueProviderClassDefinition)
