#include "controls/Toolbar.h"

#include "controls/ControlClasses.h"
#include "controls/ToolItems.h"
#include "controls/ToolbarImp.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"

namespace {

using namespace lang;

constexpr int32_t kStateDisable = 6;
constexpr int32_t kStateHide = 8;
// The Lock properties, declared again without accessors: a toolbar keeps to the top edge.
constexpr uint32_t kRedeclaredLockFlags = 0x14040;

ObjectHook* gActionHook = nullptr;

const MethodRow kToolbarMethods[] = {
    QV_SUB("Append", ToolbarAppendItem, Param("item", Class<"ToolItem">)),
    QV_FUNCTION("Count", Integer, ToolbarItemCount),
    QV_SUB("Insert", ToolbarInsertItem, Param("zeroBasedIndex", Integer),
           Param("item", Class<"ToolItem">)),
    QV_FUNCTION("Item", Class<"ToolItem">, ToolbarGetItem, Param("zeroBasedIndex", Integer)),
    QV_SUB("Remove", ToolbarRemoveItem, Param("zeroBasedIndex", Integer)),
};

const PropertyRow kToolbarProperties[] = {
    QV_VARIABLE("LockLeft", Boolean).Flags(kRedeclaredLockFlags),
    QV_VARIABLE("LockTop", Boolean).Flags(kRedeclaredLockFlags),
    QV_VARIABLE("LockRight", Boolean).Flags(kRedeclaredLockFlags),
    QV_VARIABLE("LockBottom", Boolean).Flags(kRedeclaredLockFlags),
};

const EventRow kToolbarEvents[] = {
    QV_EVENT("Action", &gActionHook, "item As ToolItem")};

const EventImplementationRow kToolbarImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", ToolbarCreatePane)};

SimpleVector<RuntimeObject*>& Toolbars() {
  static SimpleVector<RuntimeObject*> toolbars;
  return toolbars;
}

ToolbarObject* AsToolbar(RuntimeObject* toolbar) {
  return reinterpret_cast<ToolbarObject*>(toolbar);
}

ToolbarImp* PaneOf(RuntimeObject* toolbar) {
  SubPane* pane = AsControl(toolbar)->pane;
  return pane && !pane->IsClosing() ? static_cast<ToolbarImp*>(pane) : nullptr;
}

// The pane's index of the item at index of the language list: the ToolButtons before it.
int32_t ButtonPosition(const SimpleVector<RuntimeObject*>& items, int32_t index) {
  int32_t position = 0;
  for (int32_t i = 0; i < index; ++i) position += AsToolButton(items[i]) ? 1 : 0;
  return position;
}

int32_t IndexOfItem(const SimpleVector<RuntimeObject*>& items, RuntimeObject* item) {
  for (uint32_t i = 0; i < items.size(); ++i) {
    if (items[int32_t(i)] == item) return int32_t(i);
  }
  return -1;
}

SimpleVector<RuntimeObject*>* ItemsOf(RuntimeObject* toolbar) {
  if (!QV_CHECK_TEXT(toolbar, "self", nullptr)) return nullptr;
  return AsToolbar(toolbar)->items;
}

}  // namespace

QV_CLASS(ToolbarClassDefinition,
         .name = "Toolbar",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ToolbarObject),
         .properties = kToolbarProperties,
         .methods = kToolbarMethods,
         .events = kToolbarEvents,
         .eventImplementations = kToolbarImplementations,
         .initializer = QV_CODE(ToolbarInitializer),
         .finalizer = QV_CODE(ToolbarFinalizer))
QV_STARTUP_CLASS(kStartupToolbarClass, ToolbarClassDefinition)

const SimpleVector<RuntimeObject*>& AllToolbars() { return Toolbars(); }

extern "C" void ToolbarInitializer(RuntimeObject* toolbar) {
  if (toolbar) AsToolbar(toolbar)->items = new SimpleVector<RuntimeObject*>();
}
QV_EXPORT(ToolbarInitializer)

extern "C" void ToolbarFinalizer(RuntimeObject* toolbar) {
  if (!toolbar) return;
  Toolbars().RemoveAll(toolbar);
  SimpleVector<RuntimeObject*>* items = std::exchange(AsToolbar(toolbar)->items, nullptr);
  if (!items) return;
  for (uint32_t i = 0; i < items->size(); ++i) RuntimeUnlockObject((*items)[int32_t(i)]);
  delete items;
}
QV_EXPORT(ToolbarFinalizer)

extern "C" void ToolbarCreatePane(RuntimeObject* toolbar) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(toolbar);
  if (!items) return;
  ControlObject& record = AsToolbar(toolbar)->control;
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  record.lockLeft = record.lockTop = record.lockRight = 1;
  auto* pane = new ToolbarImpGTK(toolbar, gActionHook, record.ownerPane, record.tabPanelIndex,
                                 record.bounds);
  record.pane = pane;
  Toolbars().Append(toolbar);
  for (uint32_t i = 0; i < items->size(); ++i) {
    RuntimeObject* item = (*items)[int32_t(i)];
    if (AsToolButton(item)) pane->AppendItem(item);
  }
  if (!record.enabled) pane->ApplyStateCode(kStateDisable);
  if (!record.visible) pane->ApplyStateCode(kStateHide);
}
QV_EXPORT(ToolbarCreatePane)

extern "C" void ToolbarAppendItem(RuntimeObject* toolbar, RuntimeObject* item) {
  if (SimpleVector<RuntimeObject*>* items = ItemsOf(toolbar)) {
    ToolbarInsertItem(toolbar, int32_t(items->size()), item);
  }
}
QV_EXPORT(ToolbarAppendItem)

extern "C" int32_t ToolbarItemCount(RuntimeObject* toolbar) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(toolbar);
  return items ? int32_t(items->size()) : 0;
}
QV_EXPORT(ToolbarItemCount)

extern "C" void ToolbarInsertItem(RuntimeObject* toolbar, int32_t index, RuntimeObject* item) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(toolbar);
  if (!items || !item || index < 0 || index > int32_t(items->size())) return;
  RuntimeLockObject(item);
  items->InsertAt(index, item);
  if (ToolbarImp* pane = PaneOf(toolbar); pane && AsToolButton(item)) {
    pane->InsertItem(ButtonPosition(*items, index), item);
  }
}
QV_EXPORT(ToolbarInsertItem)

extern "C" RuntimeObject* ToolbarGetItem(RuntimeObject* toolbar, int32_t index) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(toolbar);
  if (!items || index < 0 || index >= int32_t(items->size())) return nullptr;
  RuntimeObject* item = (*items)[index];
  RuntimeLockObject(item);
  return item;
}
QV_EXPORT(ToolbarGetItem)

extern "C" void ToolbarRemoveItem(RuntimeObject* toolbar, int32_t index) {
  SimpleVector<RuntimeObject*>* items = ItemsOf(toolbar);
  if (!items || index < 0 || index >= int32_t(items->size())) return;
  RuntimeObject* item = (*items)[index];
  const int32_t position = ButtonPosition(*items, index);
  items->RemoveAt(index);
  if (ToolbarImp* pane = PaneOf(toolbar); pane && AsToolButton(item)) pane->RemoveItem(position);
  RuntimeUnlockObject(item);  // last: its finalizer may run
}
QV_EXPORT(ToolbarRemoveItem)

// Over a copy of the list: a rebuilt widget may run code that changes it.
void RefreshToolItem(RuntimeObject* item) {
  if (!item) return;
  RuntimeLockObject(item);
  const SimpleVector<RuntimeObject*> toolbars = Toolbars();
  for (uint32_t i = 0; i < toolbars.size(); ++i) {
    RuntimeObject* toolbar = toolbars[int32_t(i)];
    const int32_t index = IndexOfItem(*AsToolbar(toolbar)->items, item);
    if (index < 0) continue;
    ToolbarRemoveItem(toolbar, index);
    ToolbarInsertItem(toolbar, index, item);
  }
  RuntimeUnlockObject(item);
}

void PushToolItem(RuntimeObject* button) {
  const ToolButtonObject* record = AsToolButton(button);
  if (!record) return;
  const SimpleVector<RuntimeObject*>& toolbars = Toolbars();
  for (uint32_t i = 0; i < toolbars.size(); ++i) {
    RuntimeObject* toolbar = toolbars[int32_t(i)];
    const SimpleVector<RuntimeObject*>& items = *AsToolbar(toolbar)->items;
    const int32_t index = IndexOfItem(items, button);
    ToolbarImp* pane = PaneOf(toolbar);
    if (index < 0 || !pane) continue;
    pane->SetItemPushed(button, record->pushed == 1, ButtonPosition(items, index));
  }
}
