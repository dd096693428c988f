#include "controls/PagePanel.h"

#include "controls/ControlClasses.h"
#include "controls/RuntimeControl.h"
#include "controls/TabPanel.h"
#include "controls/ControlAccessors.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

namespace {

using namespace lang;

ObjectHook* gChangeHook = nullptr;

PagePanel* PagePaneOf(RuntimeObject* control) {
  if (!control || IsTabPanelObject(control)) return nullptr;
  return static_cast<PagePanel*>(AsControl(control)->pane);
}

const PropertyRow kPagePanelProperties[] = {
    QV_PROPERTY("Enabled", Boolean, controlEnabledGetter, controlEnabledSetter),
    QV_PROPERTY("Value", Integer, PagePanelValueGetter, PagePanelValueSetter),
    QV_PROPERTY("PanelCount", Integer, PagePanelCountGetter, intSetter,
                offsetof(PagePanelObject, panelCount))
        .Flags(0x80),
};

const MethodRow kPagePanelMethods[] = {
    QV_SUB("Append", PagePanelAppendPage),
    QV_SUB("Insert", PagePanelInsertPage, Param("Index", Integer)),
    QV_SUB("Remove", PagePanelRemovePage, Param("Index", Integer)),
};

const EventRow kPagePanelEvents[] = {QV_EVENT("Change", &gChangeHook)};

const EventImplementationRow kPagePanelImplementations[] = {
    QV_EVENT_IMPLEMENTATION("CreatePane", PagePanelCreatePane),
};

}  // namespace

QV_CLASS(PagePanelClassDefinition,
         .name = "PagePanel",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(PagePanelObject),
         .properties = kPagePanelProperties,
         .methods = kPagePanelMethods,
         .events = kPagePanelEvents,
         .eventImplementations = kPagePanelImplementations)
QV_STARTUP_CLASS(kStartupPagePanelClass, PagePanelClassDefinition)

bool IsTabPanelObject(RuntimeObject* object) {
  return object && ObjectIsaDefinition(object, TabPanelClassDefinition());
}

void RaisePageChange(RuntimeObject* control) {
  RaiseControlEvent<void>(control, gChangeHook, nullptr);
}

extern "C" void PagePanelCreatePane(RuntimeObject* control) {
  if (!control) return;
  if (IsTabPanelObject(control)) {
    CreateTabPanelPane(control);
    return;
  }
  if (!ObjectIsaDefinition(control, PagePanelClassDefinition())) return;
  ControlObject& record = *AsControl(control);
  if (!QV_CHECK_TEXT(record.ownerPane, "self->mOwnerPane", nullptr)) return;
  AdoptControlPane(control, new PagePanel(control, record.ownerPane, record.bounds));
}
QV_EXPORT(PagePanelCreatePane)

extern "C" void PagePanelAppendPage(RuntimeObject* control) {
  if (IsTabPanelObject(control)) {
    TabPanelAppendTab(control, nullptr);
  } else if (PagePanel* pane = PagePaneOf(control)) {
    pane->AddPage();
  }
}
QV_EXPORT(PagePanelAppendPage)

extern "C" void PagePanelInsertPage(RuntimeObject* control, int32_t index) {
  if (IsTabPanelObject(control)) {
    TabPanelInsertTab(control, index, nullptr);
    return;
  }
  PagePanel* pane = PagePaneOf(control);
  if (!pane) return;
  if (index < 0 || index > pane->PageCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  pane->InsertPage(index);
}
QV_EXPORT(PagePanelInsertPage)

extern "C" void PagePanelRemovePage(RuntimeObject* control, int32_t index) {
  PagePanel* pane = PagePaneOf(control);
  if (!pane) return;
  if (index < 0 || index >= pane->PageCount()) {
    RaiseOutOfBoundsException();
    return;
  }
  pane->RemovePage(index);
}
QV_EXPORT(PagePanelRemovePage)

extern "C" int32_t PagePanelCountGetter(RuntimeObject* control, uint32_t) {
  if (IsTabPanelObject(control)) return TabPanelTabCount(control);
  PagePanel* pane = PagePaneOf(control);
  return pane ? pane->PageCount() : 0;
}
QV_EXPORT(PagePanelCountGetter)

extern "C" int32_t PagePanelValueGetter(RuntimeObject* control, uint32_t) {
  if (IsTabPanelObject(control)) return tabPanelValueGetter(control, 0);
  PagePanel* pane = PagePaneOf(control);
  return pane ? pane->GetCurrentPage() - 1 : 0;
}
QV_EXPORT(PagePanelValueGetter)

// A value outside the pages (compared unsigned, so negative ones too) selects the last page;
// Change follows every setting.
extern "C" void PagePanelValueSetter(RuntimeObject* control, uint32_t, int32_t value) {
  if (!control) return;
  AsPagePanel(control)->value = value;
  if (IsTabPanelObject(control)) {
    if (TabPanel* tabs = TabPaneOf(control)) tabs->SetCurrentTab(value + 1);
    return;
  }
  PagePanel* pane = PagePaneOf(control);
  if (!pane) return;
  const int32_t count = pane->PageCount();
  if (uint32_t(value) >= uint32_t(count)) value = count - 1;
  pane->SetCurrentPage(value);
  RaisePageChange(control);
}
QV_EXPORT(PagePanelValueSetter)

extern "C" void WindowRefreshPanelVisibility(RuntimeObject* window) {
  if (!window || !AsWindow(window)->mControls) return;
  LockedObjects panels;
  auto walk = WalkControlMap(AsWindow(window)->mControls);
  RuntimeObject* object = nullptr;
  while (walk->Next() && walk->GetValue(&object)) {
    if (ObjectIsaDefinition(object, PagePanelClassDefinition())) panels.Add(object);
  }
  for (uint32_t i = 0; i < panels.size(); ++i) {
    SubPane* pane = AsControl(panels[i])->pane;
    if (pane && !pane->IsClosing()) RefreshPageVisibility(pane);
  }
}
QV_EXPORT(WindowRefreshPanelVisibility)
