// The ContextualMenu control and its record.
#include "controls/ContextualMenu.h"

#include <gtk/gtk.h>

#include "controls/ControlClasses.h"
#include "controls/RuntimeControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "windows/MenuItemClass.h"
#include "windows/MenuPopUp.h"
#include "windows/XMenuGTK.h"

// The rows of one ContextualMenu. The root's node points back here through its activation
// context, a plain pointer: the record is no object.
struct ContextualMenuImp {
  RuntimeObject* root = nullptr;  // held
  string chosen;                  // the text of the row chosen during the last Open
  bool hasChoice = false;
};

namespace {

using namespace lang;

constexpr uint32_t kRowOldName = 0x8000;

ObjectHook* gActionHook = nullptr;

const PropertyRow kContextualMenuProperties[] = {
    QV_PROPERTY("UseCMM", Boolean, boolGetter, boolSetter,
                offsetof(ContextualMenuObject, useCMM))
        .Flags(kRowOldName),
    QV_PROPERTY("UseMacCMM", Boolean, boolGetter, boolSetter,
                offsetof(ContextualMenuObject, useCMM)),
};

const MethodRow kContextualMenuMethods[] = {
    QV_SUB("DeleteAllRows", contextualMenuResetContent),
    QV_SUB("AddRow", contextualMenuAddRow, Param("Text", String)),
    QV_SUB("AddSeparator", contextualMenuAddSeparator),
    QV_SUB("Open", contextualMenuOpen),
};

const EventRow kContextualMenuEvents[] = {
    QV_EVENT("Action", &gActionHook, "item As String"),
};

const EventImplementationRow kContextualMenuImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", NilCreatePane),
};

ContextualMenuObject* AsContextualMenu(RuntimeObject* menu) {
  return reinterpret_cast<ContextualMenuObject*>(menu);
}

// The chosen row is the copy shown in the root's menu; its text is the row's.
void ContextualMenuChose(XMenuGTK* activated) {
  if (!QV_CHECK_TEXT(activated->GetParent(), "parent", nullptr)) return;
  auto* record = static_cast<ContextualMenuImp*>(activated->TopNode()->GetActivateContext());
  if (!record) return;
  record->chosen = activated->Text();
  record->hasChoice = true;
}

ContextualMenuImp* RecordOf(RuntimeObject* menu) {
  ContextualMenuObject* object = AsContextualMenu(menu);
  if (object->imp) return object->imp;
  RuntimeObject* root = NewMenuItemObject();
  if (!root) return nullptr;
  auto* record = new ContextualMenuImp;
  record->root = root;
  XMenuGTK* node = XMenuNodeOf(root);
  node->SetText(string("TopLevel"));
  node->SetActivateHandler(ContextualMenuChose);
  node->SetActivateContext(record);
  object->imp = record;
  return record;
}

void AppendRow(RuntimeObject* menu, const string& text) {
  if (!QV_CHECK_TEXT(menu, "self", nullptr)) return;
  ContextualMenuImp* record = RecordOf(menu);
  if (!record) return;
  RuntimeObject* row = NewMenuItemObject();
  if (!row) return;
  XMenuNodeOf(row)->SetText(text);
  XMenuNodeOf(record->root)->AppendChild(row);
  RuntimeUnlockObject(row);  // the root's child list holds it
}

// The pressed button of the event GTK is handling (0 for none) and its time.
void CurrentPress(guint* button, guint32* time) {
  *button = 0;
  *time = gtk_get_current_event_time();
  if (GdkEvent* event = gtk_get_current_event()) {
    if (event->type == GDK_BUTTON_PRESS) *button = event->button.button;
    gdk_event_free(event);
  }
}

}  // namespace

QV_CLASS(ContextualMenuClassDefinition,
         .name = "ContextualMenu",
         .super = ControlClassDefinition,
         .objectSize = sizeof(ContextualMenuObject),
         .properties = kContextualMenuProperties,
         .methods = kContextualMenuMethods,
         .events = kContextualMenuEvents,
         .eventImplementations = kContextualMenuImplementations,
         .finalizer = QV_CODE(RuntimeContextualMenuDestructor))
QV_STARTUP_CLASS(kStartupContextualMenuClass, ContextualMenuClassDefinition)

// The root goes with its rows; a choice still recorded for it goes nowhere.
extern "C" void contextualMenuResetContent(RuntimeObject* menu) {
  if (!menu) return;
  ContextualMenuImp* record = AsContextualMenu(menu)->imp;
  if (!record) return;
  AsContextualMenu(menu)->imp = nullptr;
  XMenuNodeOf(record->root)->SetActivateContext(nullptr);
  RuntimeUnlockObject(record->root);
  delete record;
}
QV_EXPORT(contextualMenuResetContent)

extern "C" void RuntimeContextualMenuDestructor(RuntimeObject* menu) {
  if (!QV_CHECK_TEXT(menu, "ctl", nullptr)) return;
  contextualMenuResetContent(menu);
}
QV_EXPORT(RuntimeContextualMenuDestructor)

extern "C" void contextualMenuAddRow(RuntimeObject* menu, stringStorage* text) {
  AppendRow(menu, string(text));
}
QV_EXPORT(contextualMenuAddRow)

extern "C" void contextualMenuAddSeparator(RuntimeObject* menu) { AppendRow(menu, "-"); }
QV_EXPORT(contextualMenuAddSeparator)

// The control and the root are held through the nested loop, whose handlers (timers, other
// windows) may drop them or the rows.
extern "C" void contextualMenuOpen(RuntimeObject* menu) {
  if (!QV_CHECK_TEXT(menu, "self", nullptr)) return;
  ContextualMenuImp* record = RecordOf(menu);
  if (!record) return;
  record->hasChoice = false;
  record->chosen = string();
  guint button = 0;
  guint32 time = 0;
  CurrentPress(&button, &time);
  RuntimeObject* root = record->root;
  RuntimeLockObject(menu);
  RuntimeLockObject(root);
  RunPopUpMenu(XMenuNodeOf(root), false, 0, 0, button, time);
  RuntimeUnlockObject(root);
  string chosen;
  const bool chose = AsContextualMenu(menu)->imp == record && record->hasChoice;
  if (chose) chosen = record->chosen;
  if (chose) RaiseObjectEvent<void>(menu, gActionHook, chosen.Storage());
  RuntimeUnlockObject(menu);
}
QV_EXPORT(contextualMenuOpen)

// ---- the database connection dialog ----

extern "C" void* QUORDBConnectionDialogCreate() { return nullptr; }
QV_EXPORT(QUORDBConnectionDialogCreate)

extern "C" void QUORDBConnectionDialogAddField() {}
QV_EXPORT(QUORDBConnectionDialogAddField)

extern "C" int32_t QUORDBConnectionDialogShow() { return 0; }
QV_EXPORT(QUORDBConnectionDialogShow)

extern "C" void QUORDBConnectionDialogDelete() {}
QV_EXPORT(QUORDBConnectionDialogDelete)
