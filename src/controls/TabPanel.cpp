#include "controls/TabPanel.h"

#include "controls/ControlClasses.h"
#include "controls/ControlAccessors.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/EndOfLine.h"
#include "windows/PaneFocus.h"
#include "windows/WindowControls.h"

QV_TABPANEL_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)

namespace {

using namespace lang;

struct TabPanelHooks {
  ObjectHook* gotFocus = nullptr;
  ObjectHook* lostFocus = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseDrag = nullptr;
  ObjectHook* mouseUp = nullptr;
};
TabPanelHooks gHooks;

// The pane, unless it is closing.
TabPanel* OpenPane(RuntimeObject* control) {
  TabPanel* pane = TabPaneOf(control);
  return pane && !pane->IsClosing() ? pane : nullptr;
}

bool TabIndexValid(TabPanel* pane, int32_t index) {
  if (index >= 0 && index < pane->TabCount()) return true;
  RaiseOutOfBoundsException();
  return false;
}

constexpr uint32_t kCreationOnly = 0x80;

const PropertyRow kTabPanelProperties[] = {
    QV_PROPERTY("Enabled", Boolean, controlEnabledGetter, controlEnabledSetter),
    PropertyRowOf<std::nullptr_t, decltype(&stringSetter), QV_ROW_DECLARATION(String)>(
        "TabDefinition", nullptr, nullptr, &stringSetter, "stringSetter",
        offsetof(TabPanelObject, tabDefinition))
        .Flags(0x40),
    QV_PROPERTY("Value", Integer, tabPanelValueGetter, tabPanelValueSetter),
    QV_PROPERTY("Facing", Integer, intGetter, intSetter, offsetof(TabPanelObject, facing))
        .Flags(kCreationOnly),
    QV_PROPERTY("SmallTabs", Boolean, boolGetter, boolSetter,
                offsetof(TabPanelObject, smallTabs))
        .Flags(kCreationOnly),
    QV_PROPERTY("TextFont", String, stringGetter, tabPanelTextFontSetter,
                offsetof(TabPanelObject, font.name)),
    QV_PROPERTY("TextSize", Integer, shortGetter, tabPanelTextSizeSetter,
                offsetof(TabPanelObject, font.size)),
    QV_PROPERTY("Bold", Boolean, boolGetter, tabPanelBoldSetter,
                offsetof(TabPanelObject, font.bold)),
    QV_PROPERTY("Italic", Boolean, boolGetter, tabPanelItalicSetter,
                offsetof(TabPanelObject, font.italic)),
    QV_PROPERTY("Underline", Boolean, boolGetter, tabPanelUnderlineSetter,
                offsetof(TabPanelObject, font.underline)),
};

const MethodRow kTabPanelMethods[] = {
    QV_FUNCTION_ASSIGNS("Caption", String, tabPanelCaptionGetter, tabPanelCaptionSetter,
                        Param("Index", Integer)),
    QV_SUB("Append", TabPanelAppendTab, Param("name", String)),
    QV_SUB("Insert", TabPanelInsertTab, Param("index", Integer), Param("name", String)),
    QV_SUB("Remove", TabPanelRemoveTab, Param("Index", Integer)),
    QV_FUNCTION("_TabClickedOn", Integer, TabPanelTabClickedOn, Param("x", Integer),
                Param("y", Integer)),
};

constexpr const char* kXY = "X As Integer, Y As Integer";

const EventRow kTabPanelEvents[] = {
    QV_EVENT("GotFocus", &gHooks.gotFocus),
    QV_EVENT("LostFocus", &gHooks.lostFocus),
    QV_EVENT("MouseDown", &gHooks.mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseDrag", &gHooks.mouseDrag, kXY),
    QV_EVENT("MouseUp", &gHooks.mouseUp, kXY),
};

}  // namespace

QV_CLASS(TabPanelClassDefinition,
         .name = "TabPanel",
         .super = PagePanelClassDefinition,
         .objectSize = sizeof(TabPanelObject),
         .properties = kTabPanelProperties,
         .methods = kTabPanelMethods,
         .events = kTabPanelEvents,
         .finalizer = QV_CODE(tabPanelDestructor))
QV_STARTUP_CLASS(kStartupTabPanelClass, TabPanelClassDefinition)

TabPanel* TabPaneOf(RuntimeObject* control) {
  if (!control || !IsTabPanelObject(control)) return nullptr;
  return static_cast<TabPanel*>(AsControl(control)->pane);
}

// ---- the router ----

void RuntimeTabPanelRouter::TabChanged(SubPane* pane) {
  RefreshPageVisibility(pane);
  RaisePageChange(mOwner);
}

void RuntimeTabPanelRouter::GotFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.gotFocus, nullptr);
}

void RuntimeTabPanelRouter::LostFocus(SubPane*) {
  RaiseControlEvent<void>(mOwner, gHooks.lostFocus, nullptr);
}

bool RuntimeTabPanelRouter::MouseDown(SubPane* pane, int32_t x, int32_t y) {
  bool open = false;
  const QV::Rect b = pane->GetBounds();
  const bool taken =
      RaiseControlEvent<bool>(mOwner, gHooks.mouseDown, &open, x - b.left, y - b.top);
  if (!open) return true;
  if (taken) SetMouseCapturePane(pane);
  return taken;
}

// ---- creation ----

// Captions are split at every CR (after line endings became CR) or NUL; the text after the
// last separator makes a tab only when it is not empty.
void CreateTabPanelPane(RuntimeObject* control) {
  TabPanelObject* record = AsTabPanel(control);
  ControlObject& base = record->page.control;
  if (!QV_CHECK_TEXT(base.ownerPane, "self->mOwnerPane", nullptr)) return;
  const string definition(record->tabDefinition);
  if (!record->router) record->router = new RuntimeTabPanelRouter(control);
  TabPanel* pane = new TabPanel(record->router, base.ownerPane, base.bounds,
                                MakeControlFontDescription(record->font), record->facing);
  const string text = ReplaceLineEndings(definition, string("\r"));
  const char* bytes = text.CString();
  const int32_t length = text.Length();
  int32_t start = 0;
  for (int32_t i = 0; i < length; ++i) {
    if (bytes[i] != '\r' && bytes[i] != '\0') continue;
    pane->AppendTab(mid(text, start, i - start));
    start = i + 1;
  }
  if (start < length) pane->AppendTab(mid(text, start));
  AdoptControlPane(control, pane);
}

extern "C" void tabPanelDestructor(RuntimeObject* control) {
  if (!control) return;
  TabPanelObject* record = AsTabPanel(control);
  stringStorage::RemoveReference(record->tabDefinition);
  stringStorage::RemoveReference(record->font.name);
  record->tabDefinition = record->font.name = nullptr;
  if (TabPanel* pane = TabPaneOf(control)) pane->ForgetDelegate();
  delete record->router;
  record->router = nullptr;
}
QV_EXPORT(tabPanelDestructor)

void TabPanelFontChanged(RuntimeObject* control) {
  if (TabPanel* pane = TabPaneOf(control)) {
    pane->SetTabFont(MakeControlFontDescription(AsTabPanel(control)->font));
  }
}

int32_t TabPanelTabCount(RuntimeObject* control) {
  TabPanel* pane = TabPaneOf(control);
  return pane ? pane->TabCount() : 0;
}

// ---- Value, captions, tabs ----

extern "C" int32_t tabPanelValueGetter(RuntimeObject* control, uint32_t) {
  TabPanel* pane = TabPaneOf(control);
  return pane ? pane->GetCurrentTab() - 1 : 0;
}
QV_EXPORT(tabPanelValueGetter)

// Up to TabCount itself: the notebook keeps its page for TabCount, and Change follows all the
// same.
extern "C" void tabPanelValueSetter(RuntimeObject* control, uint32_t, int32_t value) {
  if (!control) return;
  AsPagePanel(control)->value = value;
  TabPanel* pane = OpenPane(control);
  if (!pane) return;
  if (value > pane->TabCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  pane->SetCurrentTab(value + 1);
}
QV_EXPORT(tabPanelValueSetter)

extern "C" stringStorage* tabPanelCaptionGetter(RuntimeObject* control, int32_t index) {
  TabPanel* pane = OpenPane(control);
  if (!pane || !TabIndexValid(pane, index)) return nullptr;
  return pane->GetTabCaption(index).ExtractStringStorage();
}
QV_EXPORT(tabPanelCaptionGetter)

extern "C" void tabPanelCaptionSetter(RuntimeObject* control, int32_t index,
                                      stringStorage* caption) {
  TabPanel* pane = OpenPane(control);
  if (pane && TabIndexValid(pane, index)) pane->SetTabCaption(index, string(caption));
}
QV_EXPORT(tabPanelCaptionSetter)

extern "C" void TabPanelAppendTab(RuntimeObject* control, stringStorage* caption) {
  TabPanel* pane = OpenPane(control);
  if (!pane) return;
  pane->AppendTab(string(caption));
  pane->RefreshBounds();
}
QV_EXPORT(TabPanelAppendTab)

extern "C" void TabPanelInsertTab(RuntimeObject* control, int32_t index, stringStorage* caption) {
  TabPanel* pane = OpenPane(control);
  if (!pane) return;
  if (index < 0 || index > pane->TabCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  pane->InsertTab(index, string(caption));
}
QV_EXPORT(TabPanelInsertTab)

extern "C" void TabPanelRemoveTab(RuntimeObject* control, int32_t index) {
  TabPanel* pane = OpenPane(control);
  if (pane && TabIndexValid(pane, index)) pane->RemoveTab(index);
}
QV_EXPORT(TabPanelRemoveTab)

extern "C" int32_t TabPanelTabClickedOn(RuntimeObject* control, int32_t x, int32_t y) {
  TabPanel* pane = OpenPane(control);
  return pane ? pane->TabClickedOn(x, y) : -1;
}
QV_EXPORT(TabPanelTabClickedOn)
