// The navigator's binding list and what it knows of each bound kind: how an edit field, a
// static text, a check box, a popup menu, a combo box or a list box shows a column, is emptied,
// and is read back. List boxes reach this file through the routines their class installs.
#include <cerrno>
#include <cstdlib>
#include <utility>

#include "controls/CheckBox.h"
#include "controls/ComboBoxPane.h"
#include "controls/ControlAccessors.h"
#include "controls/DataControl.h"
#include "controls/EditControl.h"
#include "controls/EditField.h"
#include "controls/PopupMenuControl.h"
#include "controls/PopupMenuGTK.h"
#include "controls/StaticText.h"
#include "controls/StaticTextPane.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DataSourceBinding.h"
#include "windows/RuntimeViewWindow.h"

namespace {

const RowSelectingBinding kPopupBinding = {
    +[](RuntimeObject* popup) { return AsPopupMenu(popup)->dataField; },
    +[](RuntimeObject* popup) { return RuntimeComboBoxCountGetter(popup, 0); },
    &RuntimeComboBoxGetRow,
    +[](RuntimeObject* popup, int32_t row) { RuntimeComboBoxSelectionSetter(popup, 0, row); },
    +[](RuntimeObject* popup) { return RuntimeComboBoxTextGetter(popup, 0); },
    +[](RuntimeObject* popup) {
      if (ComboBox* pane = AsPopupMenu(popup)->pane) pane->Unbind();
    },
};

RowSelectingBinding gListboxBinding = {};

// The routines of a row-selecting kind; nil for other kinds and for list boxes before their
// class installed its own.
const RowSelectingBinding* RowSelecting(int32_t kind) {
  if (kind == kBindingPopupMenu) return &kPopupBinding;
  if (kind == kBindingListbox && gListboxBinding.dataField) return &gListboxBinding;
  return nullptr;
}

// The control's own unbinding clears its link back; the list is already off the data control,
// so its call back to ControlBindingRemove finds nothing.
void ForgetLinkBack(RuntimeObject* control, int32_t kind) {
  DataAwareClass* aware = nullptr;
  SubPane* pane = AsControl(control)->pane;
  if (kind == kBindingEditField) aware = static_cast<EditControl*>(pane);
  if (kind == kBindingStaticText) aware = static_cast<StaticText*>(pane);
  if (kind == kBindingCheckBox) aware = static_cast<CheckBox*>(pane);
  if (aware) aware->Unbind();
  if (const RowSelectingBinding* rows = RowSelecting(kind)) rows->forget(control);
}

void SetEnabledIfChanged(RuntimeObject* control, bool enabled) {
  if ((AsControl(control)->enabled != 0) != enabled) controlEnabledSetter(control, 0, enabled);
}

// The row whose text equals text ignoring case, or -1.
int32_t FindRow(const RowSelectingBinding& rows, RuntimeObject* control, const string& text) {
  if (text.IsEmpty()) return -1;
  const int32_t count = rows.count(control);
  for (int32_t row = 0; row < count; ++row) {
    if (string::Adopt(rows.rowText(control, row)).Compare(text) == 0) return row;
  }
  return -1;
}

RuntimeObject* FindDataControl(RuntimeObject* control, const string& name) {
  RuntimeObject* window = AsControl(control)->window;
  if (!window || name.IsEmpty()) return nullptr;
  LockedObjects controls;
  CollectWindowControls(window, controls);
  for (uint32_t i = 0; i < controls.size(); ++i) {
    RuntimeObject* candidate = controls[i];
    if (string(AsControl(candidate)->name).Compare(name) != 0) continue;
    if (!ObjectIsaDefinition(candidate, DataControlClassDefinition())) return nullptr;
    return candidate;
  }
  return nullptr;
}

RuntimeObject* BindControl(RuntimeObject* control, const string& name, int32_t kind) {
  RuntimeObject* dataControl = FindDataControl(control, name);
  if (!dataControl) return nullptr;
  ControlBindingAdd(dataControl, control, kind);
  DataControlReloadBoundControls(dataControl);
  return dataControl;
}

RuntimeObject* BindByStorage(RuntimeObject* control, stringStorage* name, int32_t kind) {
  return BindControl(control, string(name), kind);
}

}  // namespace

bool ColumnTruth(const string& text) {
  if (text.IsEmpty()) return false;
  if (text.Compare(string("true")) == 0 || text.Compare(string("t")) == 0) return true;
  const char* begin = text.CString();
  char* end = nullptr;
  errno = 0;
  const long long value = strtoll(begin, &end, 10);
  return end != begin && *end == '\0' && errno == 0 && value != 0;
}

std::vector<BoundControl> SnapshotBindings(RuntimeObject* dataControl) {
  std::vector<BoundControl> snapshot;
  for (DataBindingNode* node = AsDataControl(dataControl)->bindings; node; node = node->next) {
    RuntimeLockObject(node->control);
    snapshot.push_back({node->control, node->kind});
  }
  return snapshot;
}

void ReleaseSnapshot(std::vector<BoundControl>& snapshot) {
  for (const BoundControl& bound : snapshot) RuntimeUnlockObject(bound.control);
  snapshot.clear();
}

void ClearBindings(RuntimeObject* dataControl) {
  DataBindingNode* node = std::exchange(AsDataControl(dataControl)->bindings, nullptr);
  while (node) {
    DataBindingNode* next = node->next;
    ForgetLinkBack(node->control, node->kind);
    RuntimeUnlockObject(node->control);
    delete node;
    node = next;
  }
}

string BoundDataField(const BoundControl& bound) {
  if (bound.kind == kBindingEditField) return string(AsEditField(bound.control)->dataField);
  if (bound.kind == kBindingStaticText) return string(AsStaticText(bound.control)->dataField);
  if (bound.kind == kBindingCheckBox) return string(AsCheckBox(bound.control)->dataField);
  if (const RowSelectingBinding* rows = RowSelecting(bound.kind)) {
    return string(rows->dataField(bound.control));
  }
  return string();
}

void LoadBoundControl(const BoundControl& bound, const string& text, bool locked) {
  if (bound.kind == kBindingEditField) {
    if ((AsEditField(bound.control)->readOnly != 0) != locked) {
      editReadOnlySetter(bound.control, 0, locked);
    }
    editTextSetter(bound.control, 0, text.Storage());
  } else if (bound.kind == kBindingStaticText) {
    staticCaptionSetter(bound.control, 0, text.Storage());
  } else if (bound.kind == kBindingCheckBox) {
    SetEnabledIfChanged(bound.control, !locked);
    checkBoxValueSetter(bound.control, 0, ColumnTruth(text));
  } else if (const RowSelectingBinding* rows = RowSelecting(bound.kind)) {
    SetEnabledIfChanged(bound.control, !locked);
    rows->select(bound.control, FindRow(*rows, bound.control, text));
  }
}

void ClearBoundControl(const BoundControl& bound) {
  if (bound.kind == kBindingEditField) editTextSetter(bound.control, 0, nullptr);
  if (bound.kind == kBindingStaticText) staticCaptionSetter(bound.control, 0, nullptr);
  if (bound.kind == kBindingCheckBox) checkBoxValueSetter(bound.control, 0, 0);
  if (const RowSelectingBinding* rows = RowSelecting(bound.kind)) rows->select(bound.control, -1);
}

string BoundControlValue(const BoundControl& bound) {
  if (bound.kind == kBindingEditField) return string::Adopt(editTextGetter(bound.control, 0));
  if (bound.kind == kBindingStaticText) return string(AsStaticText(bound.control)->text);
  if (bound.kind == kBindingCheckBox) {
    return string(checkBoxValueGetter(bound.control, 0) ? "true" : "false");
  }
  if (const RowSelectingBinding* rows = RowSelecting(bound.kind)) {
    return string::Adopt(rows->text(bound.control));
  }
  return string();
}

bool BoundControlDiffers(const BoundControl& bound, const string& column) {
  if (bound.kind == kBindingCheckBox) {
    return (checkBoxValueGetter(bound.control, 0) != 0) != ColumnTruth(column);
  }
  return BoundControlValue(bound).CompareWithCase(column) != 0;
}

void SetListboxBinding(const RowSelectingBinding& binding) { gListboxBinding = binding; }

void InstallDataControlBinders() {
  SetDataSourceBinder({&BindByStorage, &ControlBindingRemove});
  SetPopupBindingRoutines({&BindControl, &ControlBindingRemove});
}

// ---- the binding entry points ----

extern "C" void ControlBindingAdd(RuntimeObject* dataControl, RuntimeObject* control,
                                  int32_t kind) {
  if (!dataControl || !control) return;
  RuntimeLockObject(control);
  DataControlObject* record = AsDataControl(dataControl);
  record->bindings = new DataBindingNode{control, kind, record->bindings};
}
QV_EXPORT(ControlBindingAdd)

extern "C" void ControlBindingRemove(RuntimeObject* dataControl, RuntimeObject* control,
                                     int32_t kind) {
  if (!dataControl) return;
  for (DataBindingNode** link = &AsDataControl(dataControl)->bindings; *link;
       link = &(*link)->next) {
    DataBindingNode* node = *link;
    if (node->control != control || node->kind != kind) continue;
    *link = node->next;
    RuntimeUnlockObject(node->control);
    delete node;
    return;
  }
}
QV_EXPORT(ControlBindingRemove)

extern "C" void DataControlReloadBoundControls(RuntimeObject* dataControl) {
  if (!dataControl) return;
  if (DataControl* pane = DataControlPaneOf(dataControl)) pane->ReloadBoundControls();
}
QV_EXPORT(DataControlReloadBoundControls)
