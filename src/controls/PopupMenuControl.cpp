#include "controls/PopupMenuControl.h"

#include "controls/ControlClasses.h"
#include "controls/PopupMenuGTK.h"
#include "controls/RuntimeControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/FieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/EndOfLine.h"
#include "windows/WindowControls.h"

namespace {

using namespace lang;

struct PopupMenuHooks {
  ObjectHook* change = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseUp = nullptr;
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
};
PopupMenuHooks gHooks;

const PropertyRow kPopupMenuProperties[] = {
    QV_PROPERTY("TextFont", String, RuntimeComboBoxTextFontGetter, RuntimeComboBoxTextFontSetter),
    QV_PROPERTY("TextSize", Integer, RuntimeComboBoxTextSizeGetter, RuntimeComboBoxTextSizeSetter),
    QV_PROPERTY("Bold", Boolean, RuntimeComboBoxBoldGetter, RuntimeComboBoxBoldSetter),
    QV_PROPERTY("Italic", Boolean, RuntimeComboBoxItalicGetter, RuntimeComboBoxItalicSetter),
    QV_PROPERTY("Underline", Boolean, RuntimeComboBoxUnderlineGetter,
                RuntimeComboBoxUnderlineSetter),
    QV_READONLY("ListCount", Integer, RuntimeComboBoxCountGetter),
    QV_PROPERTY("ListIndex", Integer, RuntimeComboBoxSelectionGetter,
                RuntimeComboBoxSelectionSetter),
    QV_READONLY("Text", String, RuntimeComboBoxTextGetter),
    QV_PROPERTY("InitialValue", String, stringGetter, stringSetter,
                offsetof(PopupMenuObject, initialValue)),
    QV_PROPERTY("DataSource", String, PopupDataSourceGetter, PopupDataSourceSetter),
    QV_PROPERTY("DataField", String, stringGetter, PopupDataFieldSetter,
                offsetof(PopupMenuObject, dataField)),
};

const MethodRow kPopupMenuMethods[] = {
    QV_SUB("DeleteAllRows", RuntimeComboBoxEmpty),
    QV_SUB("AddRow", RuntimeComboBoxAddRow, Param("Text", String)),
    QV_SUB("AddRows", RuntimeComboBoxAddRows, Param("items", ArrayOf<String>)),
    QV_SUB("AddSeparator", RuntimeComboBoxAddSeparator),
    QV_SUB("RemoveRow", RuntimeComboBoxRemoveRow, Param("Index", Integer)),
    QV_FUNCTION("List", String, RuntimeComboBoxGetRow, Param("Index", Integer)),
    QV_SUB("InsertRow", RuntimeComboBoxInsertRow, Param("row", Integer), Param("str", String)),
    QV_FUNCTION("getString", String, RuntimeComboBoxGetString),
    QV_SUB("addDataNotificationReceiver", popupAddDNR,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_SUB("removeDataNotificationReceiver", popupRemoveDNR,
           Param("receiver", Class<"dataNotificationReceiver">)),
    QV_FUNCTION("dataAvailable", Boolean, popupDataAvailable),
    QV_SUB("BindList", popupBindList, Param("data", Class<"listDataProvider">)),
    QV_FUNCTION_ASSIGNS("RowTag", Class<"Variant">, getPopupRowTag, setPopupRowTag,
                        Param("Index", Integer)),
    QV_FUNCTION("getBoundPart", Class<"Object">, popupGetBoundPart, Param("v", String)),
};

constexpr const char* kXY = "X As Integer, Y As Integer";

const EventRow kPopupMenuEvents[] = {
    QV_EVENT("Change", &gHooks.change),
    QV_EVENT("MouseDown", &gHooks.mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseUp", &gHooks.mouseUp, kXY, "Boolean"),
    QV_EVENT("GotFocus", &gHooks.gotFocus),
    QV_EVENT("LostFocus", &gHooks.lostFocus),
};

const EventImplementationRow kPopupMenuImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", PopupMenuCreatePane),
};

const ClassGetter kPopupMenuInterfaces[] = {
    StringProviderInterfaceDefinition, DataNotifierInterfaceDefinition,
    DataAvailableProviderInterfaceDefinition, ListInterfaceDefinition,
    BindingPartInterfaceDefinition};

ControlFontRecord FontRecordOf(const PopupMenuObject& record) {
  ControlFontRecord font{};
  font.name = record.textFont;
  font.size = record.textSize;
  font.bold = record.bold;
  font.italic = record.italic;
  font.underline = record.underline;
  return font;
}

// A range check of the methods that name a row: OutOfBoundsException and false for an index
// naming no row.
bool IsRow(PopupMenu* pane, int32_t index) {
  if (index >= 0 && index < pane->RowCount()) return true;
  RaiseOutOfBoundsException();
  return false;
}

}  // namespace

QV_CLASS(PopupMenuClassDefinition,
         .name = "PopupMenu",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(PopupMenuObject),
         .properties = kPopupMenuProperties,
         .methods = kPopupMenuMethods,
         .events = kPopupMenuEvents,
         .eventImplementations = kPopupMenuImplementations,
         .finalizer = QV_CODE(popupMenuDestructor),
         .interfaces = kPopupMenuInterfaces)
QV_STARTUP_CLASS(kStartupPopupMenuClass, PopupMenuClassDefinition)

PopupMenu* PopupPaneOf(RuntimeObject* popup) {
  SubPane* pane = popup ? AsControl(popup)->pane : nullptr;
  return pane ? static_cast<PopupMenu*>(pane) : nullptr;
}

// ---- RuntimeComboRouter ----

void RuntimeComboRouter::Change() {
  PopupMenuObject* record = AsPopupMenu(mOwner);
  if (record->inChange) return;
  record->inChange = 1;
  RaiseControlEvent<void>(mOwner, gHooks.change, nullptr);
  NotifyDataChanged(&record->receivers);
  record->inChange = 0;
}

bool RuntimeComboRouter::MouseDown(int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseDown, nullptr, x, y);
}

bool RuntimeComboRouter::MouseUp(int32_t x, int32_t y) {
  return RaiseControlEvent<bool>(mOwner, gHooks.mouseUp, nullptr, x, y);
}

void RuntimeComboRouter::GotFocus() { RaiseControlEvent<void>(mOwner, gHooks.gotFocus, nullptr); }

void RuntimeComboRouter::LostFocus() {
  RaiseControlEvent<void>(mOwner, gHooks.lostFocus, nullptr);
}

void RuntimeComboRouter::TextChanged() {
  RaiseControlEvent<void>(mOwner, ComboHooks().textChanged, nullptr);
}

bool RuntimeComboRouter::KeyDown(const string& key) {
  return RaiseControlEvent<bool>(mOwner, ComboHooks().keyDown, nullptr, key.Storage());
}

// ---- construction and destruction ----

PopupMenu* MakePopupPane(RuntimeObject* popup, bool editable) {
  PopupMenuObject* record = AsPopupMenu(popup);
  ControlObject& control = record->control;
  if (!QV_CHECK_TEXT(control.ownerPane, "self->mOwnerPane", nullptr)) return nullptr;
  if (!record->router) record->router = new RuntimeComboRouter(popup);
  PopupMenu* pane = CreatePopupMenuPane(popup, record->router,
                                        MakeControlFontDescription(FontRecordOf(*record)),
                                        control.ownerPane, control.tabPanelIndex, control.bounds,
                                        editable);
  record->pane = pane;
  AdoptControlPane(popup, pane);
  return pane;
}

std::vector<string> TakeInitialRows(RuntimeObject* popup) {
  PopupMenuObject* record = AsPopupMenu(popup);
  std::vector<string> rows;
  if (!record->initialValue) return rows;
  const string text = ReplaceLineEndings(string(record->initialValue), "\r");
  field_accessors::Write(record->initialValue, static_cast<stringStorage*>(nullptr));
  const char* bytes = reinterpret_cast<const char*>(text.Bytes());
  const int32_t length = text.Length();
  int32_t start = 0;
  for (int32_t i = 0; i < length; ++i) {
    if (bytes[i] != '\r') continue;
    rows.push_back(string::FromBytes(bytes + start, i - start, text.Encoding()));
    start = i + 1;
  }
  if (start < length) {
    rows.push_back(string::FromBytes(bytes + start, length - start, text.Encoding()));
  }
  return rows;
}

void BindPopupPane(RuntimeObject* popup) {
  PopupMenu* pane = PopupPaneOf(popup);
  if (!pane) return;
  pane->SetDataSourceName(string(AsPopupMenu(popup)->dataSource));
  pane->Bind();
}

extern "C" void PopupMenuCreatePane(RuntimeObject* popup) {
  if (!QV_CHECK_TEXT(popup, "self", nullptr)) return;
  if (ObjectIsaDefinition(popup, ComboBoxClassDefinition())) {
    ComboBoxCreatePane(popup);
    return;
  }
  PopupMenu* pane = MakePopupPane(popup, false);
  if (!pane) return;
  const std::vector<string> rows = TakeInitialRows(popup);
  if (!rows.empty()) pane->AddRows(rows);
  const int32_t stored = AsPopupMenu(popup)->storedListIndex;
  if (stored != -1) pane->SetListIndex(stored, false);
  BindPopupPane(popup);
}
QV_EXPORT(PopupMenuCreatePane)

extern "C" void popupMenuDestructor(RuntimeObject* popup) {
  if (!popup) return;
  PopupMenuObject* record = AsPopupMenu(popup);
  if (PopupMenu* pane = PopupPaneOf(popup)) {
    pane->Unbind();
    pane->ForgetOwner();
  }
  ForgetPopupRowTagProviders(popup);
  ReceiverListClear(&record->receivers);
  for (stringStorage** text : {&record->textFont, &record->initialValue, &record->dataSource,
                               &record->dataField}) {
    stringStorage::RemoveReference(*text);
    *text = nullptr;
  }
  RuntimeObject* source = std::exchange(record->listSource, nullptr);
  RuntimeUnlockObject(source);
  delete std::exchange(record->router, nullptr);
  record->pane = nullptr;
}
QV_EXPORT(popupMenuDestructor)

// ---- fonts: the pane's font once there is a pane ----

namespace {

// The setters write the pane's font, then the field, then the pane shows the font.
void ApplyPaneFont(RuntimeObject* popup) {
  if (PopupMenu* pane = PopupPaneOf(popup)) pane->ApplyFont();
}

}  // namespace

extern "C" stringStorage* RuntimeComboBoxTextFontGetter(RuntimeObject* popup, uint32_t) {
  if (!popup) return nullptr;
  if (PopupMenu* pane = PopupPaneOf(popup)) return pane->Font().name.ExtractStringStorage();
  stringStorage::AddReference(AsPopupMenu(popup)->textFont);
  return AsPopupMenu(popup)->textFont;
}
QV_EXPORT(RuntimeComboBoxTextFontGetter)

extern "C" void RuntimeComboBoxTextFontSetter(RuntimeObject* popup, uint32_t,
                                              stringStorage* name) {
  if (!popup) return;
  if (PopupMenu* pane = PopupPaneOf(popup)) pane->Font().name = string(name);
  field_accessors::Write(AsPopupMenu(popup)->textFont, name);
  ApplyPaneFont(popup);
}
QV_EXPORT(RuntimeComboBoxTextFontSetter)

extern "C" int32_t RuntimeComboBoxTextSizeGetter(RuntimeObject* popup, uint32_t) {
  if (!popup) return 0;
  if (PopupMenu* pane = PopupPaneOf(popup)) return pane->Font().size;
  return AsPopupMenu(popup)->textSize;
}
QV_EXPORT(RuntimeComboBoxTextSizeGetter)

extern "C" void RuntimeComboBoxTextSizeSetter(RuntimeObject* popup, uint32_t, int32_t size) {
  if (!popup) return;
  if (PopupMenu* pane = PopupPaneOf(popup)) pane->Font().size = int16_t(size);
  AsPopupMenu(popup)->textSize = int16_t(size);
  ApplyPaneFont(popup);
}
QV_EXPORT(RuntimeComboBoxTextSizeSetter)

#define QV_POPUP_STYLE_ACCESSORS(Name, field)                                              \
  extern "C" int32_t RuntimeComboBox##Name##Getter(RuntimeObject* popup, uint32_t) {      \
    if (!popup) return 0;                                                                  \
    if (PopupMenu* pane = PopupPaneOf(popup)) return pane->Font().field != 0;              \
    return AsPopupMenu(popup)->field != 0;                                                 \
  }                                                                                        \
  QV_EXPORT(RuntimeComboBox##Name##Getter)                                                 \
  extern "C" void RuntimeComboBox##Name##Setter(RuntimeObject* popup, uint32_t, int32_t on) { \
    if (!popup) return;                                                                    \
    if (PopupMenu* pane = PopupPaneOf(popup)) pane->Font().field = on != 0;                \
    AsPopupMenu(popup)->field = on != 0;                                                   \
    ApplyPaneFont(popup);                                                                  \
  }                                                                                        \
  QV_EXPORT(RuntimeComboBox##Name##Setter)

QV_POPUP_STYLE_ACCESSORS(Bold, bold)
QV_POPUP_STYLE_ACCESSORS(Italic, italic)
QV_POPUP_STYLE_ACCESSORS(Underline, underline)

// ---- rows and selection ----

extern "C" int32_t RuntimeComboBoxCountGetter(RuntimeObject* popup, uint32_t) {
  PopupMenu* pane = PopupPaneOf(popup);
  return pane ? pane->RowCount() : 0;
}
QV_EXPORT(RuntimeComboBoxCountGetter)

extern "C" int32_t RuntimeComboBoxSelectionGetter(RuntimeObject* popup, uint32_t) {
  PopupMenu* pane = PopupPaneOf(popup);
  return pane ? pane->GetListIndex() : -1;
}
QV_EXPORT(RuntimeComboBoxSelectionGetter)

extern "C" void RuntimeComboBoxSelectionSetter(RuntimeObject* popup, uint32_t, int32_t index) {
  if (!popup) return;
  if (PopupMenu* pane = PopupPaneOf(popup)) {
    pane->SetListIndex(index, true);
  } else {
    AsPopupMenu(popup)->storedListIndex = index;
  }
}
QV_EXPORT(RuntimeComboBoxSelectionSetter)

extern "C" stringStorage* RuntimeComboBoxTextGetter(RuntimeObject* popup, uint32_t) {
  PopupMenu* pane = PopupPaneOf(popup);
  return pane ? pane->GetDisplayText().ExtractStringStorage() : nullptr;
}
QV_EXPORT(RuntimeComboBoxTextGetter)

extern "C" stringStorage* RuntimeComboBoxGetString(RuntimeObject* popup) {
  return RuntimeComboBoxTextGetter(popup, 0);
}
QV_EXPORT(RuntimeComboBoxGetString)

extern "C" void RuntimeComboBoxEmpty(RuntimeObject* popup) {
  if (PopupMenu* pane = PopupPaneOf(popup)) pane->DeleteAllRows();
}
QV_EXPORT(RuntimeComboBoxEmpty)

extern "C" void RuntimeComboBoxAddRow(RuntimeObject* popup, stringStorage* text) {
  if (!popup) return;
  if (PopupMenu* pane = PopupPaneOf(popup)) {
    pane->AddRow(string(text), nullptr);
    return;
  }
  stringStorage*& initial = AsPopupMenu(popup)->initialValue;
  const string joined = initial ? string(initial) + "\r" + string(text) : string(text);
  field_accessors::Write(initial, joined.Storage());
}
QV_EXPORT(RuntimeComboBoxAddRow)

extern "C" void RuntimeComboBoxAddRows(RuntimeObject* popup, RuntimeArray* items) {
  PopupMenu* pane = PopupPaneOf(popup);
  if (!pane || !items || items->dimensions != 1) return;
  const int32_t last = RuntimeUBound(items);
  std::vector<string> texts;
  texts.reserve(size_t(std::max(last + 1, 0)));
  stringStorage** elements = static_cast<stringStorage**>(items->data);
  for (int32_t i = 0; i <= last; ++i) texts.emplace_back(elements[i]);
  pane->AddRows(texts);
}
QV_EXPORT(RuntimeComboBoxAddRows)

extern "C" void RuntimeComboBoxAddSeparator(RuntimeObject* popup) {
  if (PopupMenu* pane = PopupPaneOf(popup)) pane->AddSeparator();
}
QV_EXPORT(RuntimeComboBoxAddSeparator)

extern "C" void RuntimeComboBoxRemoveRow(RuntimeObject* popup, int32_t index) {
  PopupMenu* pane = PopupPaneOf(popup);
  if (pane && IsRow(pane, index)) pane->RemoveRow(index);
}
QV_EXPORT(RuntimeComboBoxRemoveRow)

extern "C" stringStorage* RuntimeComboBoxGetRow(RuntimeObject* popup, int32_t index) {
  PopupMenu* pane = PopupPaneOf(popup);
  if (!pane || !IsRow(pane, index)) return nullptr;
  return pane->GetRowText(index).ExtractStringStorage();
}
QV_EXPORT(RuntimeComboBoxGetRow)

extern "C" void RuntimeComboBoxInsertRow(RuntimeObject* popup, int32_t row, stringStorage* text) {
  if (PopupMenu* pane = PopupPaneOf(popup)) pane->InsertRow(row, string(text), nullptr);
}
QV_EXPORT(RuntimeComboBoxInsertRow)

extern "C" RuntimeObject* getPopupRowTag(RuntimeObject* popup, int32_t index) {
  PopupMenu* pane = PopupPaneOf(popup);
  if (!pane || !IsRow(pane, index)) return nullptr;
  RuntimeObject* tag = pane->GetRowTag(index);
  RuntimeLockObject(tag);
  return tag;
}
QV_EXPORT(getPopupRowTag)

extern "C" void setPopupRowTag(RuntimeObject* popup, int32_t index, RuntimeObject* tag) {
  PopupMenu* pane = PopupPaneOf(popup);
  if (pane && IsRow(pane, index)) pane->SetRowTag(index, tag);
}
QV_EXPORT(setPopupRowTag)

// ---- data binding ----

extern "C" stringStorage* PopupDataSourceGetter(RuntimeObject* popup, uint32_t) {
  if (!popup) return nullptr;
  stringStorage::AddReference(AsPopupMenu(popup)->dataSource);
  return AsPopupMenu(popup)->dataSource;
}
QV_EXPORT(PopupDataSourceGetter)

extern "C" void PopupDataSourceSetter(RuntimeObject* popup, uint32_t, stringStorage* name) {
  if (!popup) return;
  field_accessors::Write(AsPopupMenu(popup)->dataSource, name);
  if (PopupMenu* pane = PopupPaneOf(popup)) {
    pane->Unbind();
    BindPopupPane(popup);
  }
}
QV_EXPORT(PopupDataSourceSetter)

extern "C" void PopupDataFieldSetter(RuntimeObject* popup, uint32_t, stringStorage* name) {
  if (!popup) return;
  field_accessors::Write(AsPopupMenu(popup)->dataField, name);
  // Bind leaves the old binding first: the control is bound once, whatever changed.
  if (PopupMenu* pane = PopupPaneOf(popup)) pane->Bind();
}
QV_EXPORT(PopupDataFieldSetter)

extern "C" void popupAddDNR(RuntimeObject* popup, RuntimeObject* receiver) {
  if (popup) ReceiverListAdd(&AsPopupMenu(popup)->receivers, receiver);
}
QV_EXPORT(popupAddDNR)

extern "C" void popupRemoveDNR(RuntimeObject* popup, RuntimeObject* receiver) {
  if (popup) ReceiverListRemove(&AsPopupMenu(popup)->receivers, receiver);
}
QV_EXPORT(popupRemoveDNR)

extern "C" int32_t popupDataAvailable(RuntimeObject* popup) {
  PopupMenu* pane = PopupPaneOf(popup);
  return pane && pane->GetListIndex() >= 0 ? 1 : 0;
}
QV_EXPORT(popupDataAvailable)
