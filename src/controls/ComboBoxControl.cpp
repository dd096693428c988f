// "ComboBox": a PopupMenu whose text can also be typed. Its pane is the editable row list that
// PopupMenu's CreatePane builds for it; it adds the entry's text, its selection, AutoComplete
// (kept, completing nothing) and the events TextChanged and KeyDown.
#include <algorithm>

#include "controls/PopupMenuControl.h"
#include "controls/PopupMenuGTK.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ClassFieldAccessors.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/Startup.h"

namespace {

using namespace lang;

ComboBoxHooks gComboHooks;

const PropertyRow kComboBoxProperties[] = {
    QV_PROPERTY("AutoComplete", Boolean, boolGetter, RuntimeComboBoxAutoCompleteSetter,
                offsetof(PopupMenuObject, autoComplete)),
    QV_PROPERTY("Text", String, RuntimeComboBoxTextGetter, RuntimeComboBoxTextSetter),
    QV_PROPERTY("UseFocusRing", Boolean, boolGetter, boolSetter,
                offsetof(PopupMenuObject, useFocusRing)),
    QV_PROPERTY("SelStart", Integer, RuntimeComboBoxSelStartGetter, RuntimeComboBoxSelStartSetter),
    QV_PROPERTY("SelLength", Integer, RuntimeComboBoxSelLengthGetter,
                RuntimeComboBoxSelLengthSetter),
};

const EventRow kComboBoxEvents[] = {
    QV_EVENT("TextChanged", &gComboHooks.textChanged),
    QV_EVENT("KeyDown", &gComboHooks.keyDown, "key as String", "Boolean"),
};

}  // namespace

ComboBoxHooks& ComboHooks() { return gComboHooks; }

QV_CLASS(ComboBoxClassDefinition,
         .name = "ComboBox",
         .super = PopupMenuClassDefinition,
         .objectSize = sizeof(PopupMenuObject),
         .properties = kComboBoxProperties,
         .events = kComboBoxEvents)
QV_STARTUP_CLASS(kStartupComboBoxClass, ComboBoxClassDefinition)

void ComboBoxCreatePane(RuntimeObject* combo) {
  PopupMenu* pane = MakePopupPane(combo, true);
  if (!pane) return;
  // Row by row through AddRow, as compiled code would add them.
  for (const string& row : TakeInitialRows(combo)) RuntimeComboBoxAddRow(combo, row.Storage());
  const int32_t stored = AsPopupMenu(combo)->storedListIndex;
  if (stored != -1) pane->SetListIndex(stored, false);
  BindPopupPane(combo);
}

extern "C" void RuntimeComboBoxAutoCompleteSetter(RuntimeObject* combo, uint32_t, int32_t on) {
  if (!combo) return;
  AsPopupMenu(combo)->autoComplete = on != 0;
  if (PopupMenu* pane = PopupPaneOf(combo)) pane->SetAutoComplete(on != 0);
}
QV_EXPORT(RuntimeComboBoxAutoCompleteSetter)

extern "C" void RuntimeComboBoxTextSetter(RuntimeObject* combo, uint32_t, stringStorage* text) {
  if (PopupMenu* pane = PopupPaneOf(combo)) pane->SetDisplayText(string(text));
}
QV_EXPORT(RuntimeComboBoxTextSetter)

extern "C" int32_t RuntimeComboBoxSelStartGetter(RuntimeObject* combo, uint32_t) {
  PopupMenu* pane = PopupPaneOf(combo);
  return pane ? pane->GetSelStart() : 0;
}
QV_EXPORT(RuntimeComboBoxSelStartGetter)

extern "C" void RuntimeComboBoxSelStartSetter(RuntimeObject* combo, uint32_t, int32_t start) {
  if (PopupMenu* pane = PopupPaneOf(combo)) pane->SetSelStart(start);
}
QV_EXPORT(RuntimeComboBoxSelStartSetter)

extern "C" int32_t RuntimeComboBoxSelLengthGetter(RuntimeObject* combo, uint32_t) {
  PopupMenu* pane = PopupPaneOf(combo);
  return pane ? pane->GetSelLength() : 0;
}
QV_EXPORT(RuntimeComboBoxSelLengthGetter)

extern "C" void RuntimeComboBoxSelLengthSetter(RuntimeObject* combo, uint32_t, int32_t length) {
  if (PopupMenu* pane = PopupPaneOf(combo)) pane->SetSelLength(length);
}
QV_EXPORT(RuntimeComboBoxSelLengthSetter)
