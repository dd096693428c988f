#include "controls/ToolItems.h"

#include "controls/Toolbar.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "strings/StringFoundation.h"

namespace {

using namespace lang;

ToolItemObject* AsItem(RuntimeObject* item) { return reinterpret_cast<ToolItemObject*>(item); }

// Replaces *field with value, which gets a reference of its own.
void StoreString(stringStorage** field, stringStorage* value) {
  RuntimeLockString(value);
  RuntimeUnlockString(*field);
  *field = value;
}

const PropertyRow kToolItemProperties[] = {
    QV_PROPERTY("Enabled", Boolean, boolGetter, ToolItemEnabledSetter,
                offsetof(ToolItemObject, enabled)),
    QV_PROPERTY("Name", String, stringGetter, stringSetter, offsetof(ToolItemObject, name)),
    QV_PROPERTY("HelpTag", String, stringGetter, ToolItemHelpTagSetter,
                offsetof(ToolItemObject, helpTag)),
};

const PropertyRow kToolButtonProperties[] = {
    QV_PROPERTY("Caption", String, stringGetter, ToolButtonCaptionSetter,
                offsetof(ToolButtonObject, caption)),
    QV_PROPERTY("Icon", Class<"Picture">, objGetter, ToolButtonIconSetter,
                offsetof(ToolButtonObject, icon)),
    QV_PROPERTY("Style", Integer, intGetter, ToolButtonStyleSetter,
                offsetof(ToolButtonObject, style)),
    QV_PROPERTY("Pushed", Boolean, ToolButtonPushedGetter, ToolButtonPushedSetter),
};

}  // namespace

QV_CLASS(ToolItemClassDefinition,
         .name = "ToolItem",
         .objectSize = sizeof(ToolItemObject),
         .properties = kToolItemProperties,
         .initializer = QV_CODE(ToolItemInitializer),
         .finalizer = QV_CODE(ToolItemFinalizer))
QV_STARTUP_CLASS(kStartupToolItemClass, ToolItemClassDefinition)

QV_CLASS(ToolButtonClassDefinition,
         .name = "ToolButton",
         .super = ToolItemClassDefinition,
         .objectSize = sizeof(ToolButtonObject),
         .properties = kToolButtonProperties,
         .initializer = QV_CODE(ToolButtonInitializer),
         .finalizer = QV_CODE(ToolButtonFinalizer))
QV_STARTUP_CLASS(kStartupToolButtonClass, ToolButtonClassDefinition)

ToolButtonObject* AsToolButton(RuntimeObject* item) {
  if (!item || !ObjectIsaDefinition(item, ToolButtonClassDefinition())) return nullptr;
  return reinterpret_cast<ToolButtonObject*>(item);
}

extern "C" void ToolItemInitializer(RuntimeObject* item) {
  if (!item) return;
  AsItem(item)->enabled = 1;
  AsItem(item)->secondFlag = 1;
}
QV_EXPORT(ToolItemInitializer)

extern "C" void ToolItemFinalizer(RuntimeObject* item) {
  if (!item) return;
  ToolItemObject* record = AsItem(item);
  if (record->reference) RuntimeUnlockObject(record->reference);
  record->reference = nullptr;
  StoreString(&record->name, nullptr);
  StoreString(&record->helpTag, nullptr);
}
QV_EXPORT(ToolItemFinalizer)

extern "C" void ToolItemEnabledSetter(RuntimeObject* item, uint32_t, int32_t value) {
  if (!item) return;
  AsItem(item)->enabled = value ? 1 : 0;
  RefreshToolItem(item);
}
QV_EXPORT(ToolItemEnabledSetter)

extern "C" void ToolItemHelpTagSetter(RuntimeObject* item, uint32_t, stringStorage* value) {
  if (!item) return;
  StoreString(&AsItem(item)->helpTag, value);
  RefreshToolItem(item);
}
QV_EXPORT(ToolItemHelpTagSetter)

extern "C" void ToolButtonInitializer(RuntimeObject* button) {
  if (button) reinterpret_cast<ToolButtonObject*>(button)->style = kToolButtonPush;
}
QV_EXPORT(ToolButtonInitializer)

extern "C" void ToolButtonFinalizer(RuntimeObject* button) {
  if (!button) return;
  auto* record = reinterpret_cast<ToolButtonObject*>(button);
  StoreString(&record->caption, nullptr);
  if (record->icon) RuntimeUnlockObject(record->icon);
  record->icon = nullptr;
}
QV_EXPORT(ToolButtonFinalizer)

extern "C" void ToolButtonCaptionSetter(RuntimeObject* button, uint32_t, stringStorage* value) {
  ToolButtonObject* record = AsToolButton(button);
  if (!record) return;
  StoreString(&record->caption, value);
  RefreshToolItem(button);
}
QV_EXPORT(ToolButtonCaptionSetter)

extern "C" void ToolButtonIconSetter(RuntimeObject* button, uint32_t, RuntimeObject* value) {
  ToolButtonObject* record = AsToolButton(button);
  if (!record) return;
  if (value) RuntimeLockObject(value);
  if (record->icon) RuntimeUnlockObject(record->icon);
  record->icon = value;
  RefreshToolItem(button);
}
QV_EXPORT(ToolButtonIconSetter)

extern "C" void ToolButtonStyleSetter(RuntimeObject* button, uint32_t, int32_t value) {
  ToolButtonObject* record = AsToolButton(button);
  if (!record) return;
  record->style = value;
  RefreshToolItem(button);
}
QV_EXPORT(ToolButtonStyleSetter)

// Only a toggle shows Pushed; its widget is set, not rebuilt.
extern "C" void ToolButtonPushedSetter(RuntimeObject* button, uint32_t, int32_t value) {
  ToolButtonObject* record = AsToolButton(button);
  if (!record) return;
  record->pushed = value ? 1 : 0;
  if (record->style == kToolButtonToggle) PushToolItem(button);
}
QV_EXPORT(ToolButtonPushedSetter)

extern "C" int32_t ToolButtonPushedGetter(RuntimeObject* button, uint32_t) {
  ToolButtonObject* record = AsToolButton(button);
  return record && record->pushed ? 1 : 0;
}
QV_EXPORT(ToolButtonPushedGetter)
