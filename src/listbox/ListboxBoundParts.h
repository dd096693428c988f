// The bound parts a list box hands out through getBoundPart: an action source for focus gained
// or lost, a selection provider (is a row selected) and column value providers (the text of one
// column of the lowest selected row). Each holds the list box; the providers are selection
// receivers of its pane, which holds them until they are removed or the list closes.
//
// Promises:
// - A nil receiver is ignored by every add.
// - A provider's walk over its receivers goes over a snapshot, each held, skips those removed
//   meanwhile and stops when the list closed.
// - A column value provider whose column lies outside -1..255, or at or past the bound row's
//   FieldCount, reads nil and writes nothing: it runs from selection changes, where an
//   exception has no compiled caller.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/SimpleVector.h"
#include "database/DataBinding.h"

struct ListSelectionProviderObject {
  RuntimeObject header;
  RuntimeObject* list;      // held
  ReceiverNode* receivers;  // data notification receivers
};
static_assert(sizeof(ListSelectionProviderObject) == 32 &&
                  offsetof(ListSelectionProviderObject, list) == 24 &&
                  offsetof(ListSelectionProviderObject, receivers) == 28,
              "listSelectionProvider instances are 32 bytes");

struct ListboxActionObject {
  RuntimeObject header;
  RuntimeObject* list;  // held
  int32_t kind;         // 1 focus gained, 0 focus lost
};
static_assert(sizeof(ListboxActionObject) == 32 && offsetof(ListboxActionObject, list) == 24 &&
                  offsetof(ListboxActionObject, kind) == 28,
              "Sys$ListboxAction instances are 32 bytes");

struct ListColumnValueProviderObject {
  RuntimeObject header;
  RuntimeObject* list;  // held
  int32_t column;
  SimpleVector<RuntimeObject*>* receivers;  // held; made on the first add
};
static_assert(sizeof(ListColumnValueProviderObject) == 36 &&
                  offsetof(ListColumnValueProviderObject, list) == 24 &&
                  offsetof(ListColumnValueProviderObject, column) == 28 &&
                  offsetof(ListColumnValueProviderObject, receivers) == 32,
              "listColumnValueProvider instances are 36 bytes");

ObjectDefinition* ListSelectionProviderClassDefinition();
ObjectDefinition* ListboxActionClassDefinition();
ObjectDefinition* ListColumnValueProviderClassDefinition();

// New parts for list, each carrying one reference for the caller; the providers are
// registered as selection receivers of the list's pane.
RuntimeObject* NewListboxAction(RuntimeObject* list, int32_t kind);
RuntimeObject* NewListSelectionProvider(RuntimeObject* list);
RuntimeObject* NewListColumnValueProvider(RuntimeObject* list, int32_t column);

extern "C" {
void listSelectionProviderDestructor(RuntimeObject* provider);
void listSelectionAddDataNotificationReceiver(RuntimeObject* provider, RuntimeObject* receiver);
void listSelectionRemoveDataNotificationReceiver(RuntimeObject* provider,
                                                 RuntimeObject* receiver);
int32_t listSelectionGetBoolean(RuntimeObject* provider);
void listSelectionSetBoolean(RuntimeObject* provider, int32_t value);
void listSelectionChanging(RuntimeObject* provider);
void listSelectionChanged(RuntimeObject* provider);

void listboxActionDestructor(RuntimeObject* action);
void lbaAddActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver);
void lbaRemoveActionNotificationReceiver(RuntimeObject* action, RuntimeObject* receiver);

void listColumnValueProviderDestructor(RuntimeObject* provider);
stringStorage* lcvpGetString(RuntimeObject* provider);
void lcvpSetString(RuntimeObject* provider, stringStorage* text);
void lcvpAddDataNotificationReceiver(RuntimeObject* provider, RuntimeObject* receiver);
void lcvpRemoveDataNotificationReceiver(RuntimeObject* provider, RuntimeObject* receiver);
void lcvpSelectionChanging(RuntimeObject* provider);
void lcvpSelectionChanged(RuntimeObject* provider);
int32_t lcvpDataAvailable(RuntimeObject* provider);
}
