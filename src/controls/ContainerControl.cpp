// The class definition of "ContainerControl" and its pass-through accessors.
#include "controls/ContainerControl.h"

#include <cstddef>

#include "controls/Canvas.h"
#include "controls/ControlAccessors.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/Startup.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using namespace lang;

constexpr uint32_t kRowPassThroughName = 64;
constexpr uint32_t kRowReadOnlyLink = 1;
constexpr uint32_t kRowHiddenLink = 65;
constexpr uint32_t kRowHiddenWindow = 0x14040;
constexpr uint32_t kRowHiddenOldName = 0x1C040;
constexpr uint32_t kRowHiddenComposite = 0x14042;
constexpr uint32_t kRowHiddenDockItem = 0x14041;
constexpr uint32_t kRowHiddenMethod = 0x14000;
constexpr uint32_t kWholeSize = uint32_t(-1);

constexpr uint32_t Field(size_t offset) { return uint32_t(offset); }

const PropertyRow kContainerControlProperties[] = {
    PropertyRowOf<std::nullptr_t, decltype(&eWindowInitialParentSetter),
                  QV_ROW_DECLARATION(String)>("InitialParent", nullptr, nullptr,
                                              &eWindowInitialParentSetter,
                                              "eWindowInitialParentSetter", 0)
        .Flags(kRowPassThroughName),
    QV_PROPERTY("TabPanelIndex", Integer, eWindowIntPassThroughGetter,
                eWindowTabPanelIndexSetter, Field(offsetof(ControlObject, tabPanelIndex)))
        .Flags(kRowHiddenLink),
    QV_PROPERTY("Parent", Class<"RectControl">, eWindowParentGetter, eWindowParentSetter)
        .Flags(kRowReadOnlyLink),
    QV_READONLY("Window", Class<"Window">, eWindowContainingWindowGettter)
        .Flags(kRowReadOnlyLink),
    QV_READONLY("_Control", Class<"RectControl">, eWindowControlGetter).Flags(kRowHiddenLink),
    QV_PROPERTY("LockLeft", Boolean, eWindowBoolPassThroughGetter, eWindowBoolPassThroughSetter,
                Field(offsetof(ControlObject, lockLeft))),
    QV_PROPERTY("LockTop", Boolean, eWindowBoolPassThroughGetter, eWindowBoolPassThroughSetter,
                Field(offsetof(ControlObject, lockTop))),
    QV_PROPERTY("LockRight", Boolean, eWindowBoolPassThroughGetter,
                eWindowBoolPassThroughSetter, Field(offsetof(ControlObject, lockRight))),
    QV_PROPERTY("LockBottom", Boolean, eWindowBoolPassThroughGetter,
                eWindowBoolPassThroughSetter, Field(offsetof(ControlObject, lockBottom))),
    QV_PROPERTY("Enabled", Boolean, eWindowEnabledGetter, eWindowEnabledSetter,
                Field(offsetof(ControlObject, enabled))),
    QV_PROPERTY("AutoDeactivate", Boolean, eWindowBoolPassThroughGetter,
                eWindowAutoDeactivateSetter, Field(offsetof(ControlObject, autoDeactivate))),
    QV_PROPERTY("AcceptFocus", Boolean, eWindowBoolPassThroughGetter,
                eWindowBoolPassThroughSetter, Field(offsetof(CanvasObject, acceptFocus))),
    QV_PROPERTY("AcceptTabs", Boolean, eWindowBoolPassThroughGetter,
                eWindowBoolPassThroughSetter, Field(offsetof(CanvasObject, acceptTabs))),
    QV_PROPERTY("UseFocusRing", Boolean, eWindowBoolPassThroughGetter,
                eWindowBoolPassThroughSetter, Field(offsetof(CanvasObject, useFocusRing))),
    QV_PROPERTY("HelpTag", String, eWindowStringPassThroughGetter, eWindowHelpTagSetter,
                Field(offsetof(ControlObject, helpTag))),
    QV_PROPERTY("DisabledBalloonHelp", String, eWindowStringPassThroughGetter,
                eWindowDisabledBalloonHelpSetter,
                Field(offsetof(ControlObject, disabledBalloonHelp))),
    QV_PROPERTY("EraseBackground", Boolean, eWindowBoolPassThroughGetter,
                eWindowBoolPassThroughSetter, Field(offsetof(CanvasObject, eraseBackground))),
    // The Window properties that mean nothing inside another window, hidden.
    QV_VARIABLE("Placement", Integer).Flags(kRowHiddenWindow),
    QV_VARIABLE("Title", String).Flags(kRowHiddenWindow),
    QV_VARIABLE("FullScreen", Boolean).Flags(kRowHiddenWindow),
    QV_VARIABLE("MenuBarVisible", Boolean).Flags(kRowHiddenWindow),
    QV_VARIABLE("CloseBox", Boolean).Flags(kRowHiddenOldName),
    QV_VARIABLE("CloseButton", Boolean).Flags(kRowHiddenWindow),
    QV_VARIABLE("GrowIcon", Boolean).Flags(kRowHiddenOldName),
    QV_VARIABLE("Resizeable", Boolean).Flags(kRowHiddenWindow),
    QV_VARIABLE("ZoomIcon", Boolean).Flags(kRowHiddenOldName),
    QV_VARIABLE("MaximizeButton", Boolean).Flags(kRowHiddenWindow),
    QV_VARIABLE("MinimizeButton", Boolean).Flags(kRowHiddenWindow),
    QV_VARIABLE("Frame", Integer).Flags(kRowHiddenWindow),
    QV_VARIABLE("Composite", Boolean).Flags(kRowHiddenComposite),
    QV_VARIABLE("LiveResize", Boolean).Flags(kRowHiddenWindow),
    QV_VARIABLE("MacProcId", Integer).Flags(kRowHiddenWindow),
    QV_VARIABLE("FloaterProcess", String).Flags(kRowHiddenWindow),
    QV_VARIABLE("MacWindowPtr", Integer).Flags(kRowHiddenOldName),
    QV_VARIABLE("WinHWND", Integer).Flags(kRowHiddenOldName),
    QV_VARIABLE("DockItem", Class<"DockItem">).Flags(kRowHiddenDockItem),
    QV_VARIABLE("MenuBar", Class<"MenuBar">).Flags(kRowHiddenWindow),
};
static_assert(sizeof(kContainerControlProperties) / sizeof(PropertyRow) == 37);

const MethodRow kContainerControlMethods[] = {
    QV_SUB("EmbedWithin", EmbedWithin, Param("containingWindow", Class<"Window">),
           Param("left", Integer), Param("top", Integer),
           Param("width", Integer).Default(kWholeSize),
           Param("height", Integer).Default(kWholeSize)),
    QV_SUB("EmbedWithin", EmbedWithinControl, Param("containingControl", Class<"RectControl">),
           Param("left", Integer).Default(0), Param("top", Integer).Default(0),
           Param("width", Integer).Default(kWholeSize),
           Param("height", Integer).Default(kWholeSize)),
    QV_SUB("EmbedWithinPanel", EmbedWithinPanel, Param("containingPanel", Class<"PagePanel">),
           Param("page", Integer), Param("left", Integer).Default(0),
           Param("top", Integer).Default(0), Param("width", Integer).Default(kWholeSize),
           Param("height", Integer).Default(kWholeSize)),
    QV_SUB("Show", RuntimeShowWindow).Flags(kRowHiddenMethod),
    QV_SUB("ShowWithin", RuntimeShowWithinWindow, Param("parentWindow", Class<"Window">),
           Param("facing", Integer).Default(kWholeSize))
        .Flags(kRowHiddenMethod),
    QV_SUB("ShowModalWithin", RuntimeShowModalWithinWindow,
           Param("parentWindow", Class<"Window">))
        .Flags(kRowHiddenMethod),
    QV_SUB("Hide", RuntimeHideWindow).Flags(kRowHiddenMethod),
    QV_SUB("Maximize", WindowMaximize).Flags(kRowHiddenMethod),
    QV_SUB("Minimize", WindowMinimize).Flags(kRowHiddenMethod),
    QV_SUB("Restore", WindowRestore).Flags(kRowHiddenMethod),
    QV_SUB("DrawInto", formDrawInto, Param("g", Class<"Graphics">), Param("x", Integer),
           Param("y", Integer), Param("_asActive", Boolean).Default(0))
        .Flags(kRowHiddenMethod),
    QV_SUB("UpdateNow", WindowForceUpdateFrontBuffer).Flags(kRowHiddenMethod),
};
static_assert(sizeof(kContainerControlMethods) / sizeof(MethodRow) == 12);

const EventRow kContainerControlEvents[] = {
    QV_EVENT("GotFocus", &ContainerControlEvents().gotFocus),
    QV_EVENT("LostFocus", &ContainerControlEvents().lostFocus),
};

// The control standing for window, embedded or not yet.
RuntimeObject* ControlOf(RuntimeObject* window) {
  return window ? AsWindow(window)->mEmbeddedWindowControl : nullptr;
}

template <typename T>
T* FieldOf(RuntimeObject* control, uint32_t field) {
  return reinterpret_cast<T*>(reinterpret_cast<char*>(control) + field);
}

}  // namespace

ContainerControlHooks& ContainerControlEvents() {
  static ContainerControlHooks hooks;
  return hooks;
}

QV_CLASS(ContainerControlClassDefinition,
         .name = "ContainerControl",
         .super = WindowClassDefinition,
         .objectSize = sizeof(WindowObject),
         .properties = kContainerControlProperties,
         .methods = kContainerControlMethods,
         .events = kContainerControlEvents)
QV_STARTUP_CLASS(kStartupContainerControlClass, ContainerControlClassDefinition)

// ---- pass-through accessors ----

extern "C" int32_t eWindowIntPassThroughGetter(RuntimeObject* window, uint32_t field) {
  RuntimeObject* control = ControlOf(window);
  return control ? *FieldOf<int32_t>(control, field) : 0;
}
QV_EXPORT(eWindowIntPassThroughGetter)

extern "C" int32_t eWindowBoolPassThroughGetter(RuntimeObject* window, uint32_t field) {
  RuntimeObject* control = ControlOf(window);
  return control && *FieldOf<uint8_t>(control, field) ? 1 : 0;
}
QV_EXPORT(eWindowBoolPassThroughGetter)

extern "C" void eWindowBoolPassThroughSetter(RuntimeObject* window, uint32_t field,
                                             int32_t value) {
  if (RuntimeObject* control = ControlOf(window)) *FieldOf<uint8_t>(control, field) = value != 0;
}
QV_EXPORT(eWindowBoolPassThroughSetter)

extern "C" stringStorage* eWindowStringPassThroughGetter(RuntimeObject* window, uint32_t field) {
  RuntimeObject* control = ControlOf(window);
  stringStorage* text = control ? *FieldOf<stringStorage*>(control, field) : nullptr;
  stringStorage::AddReference(text);
  return text;
}
QV_EXPORT(eWindowStringPassThroughGetter)

extern "C" void eWindowTabPanelIndexSetter(RuntimeObject* window, uint32_t, int32_t index) {
  if (RuntimeObject* control = ControlOf(window)) ControlTabPanelIndexSetter(control, 0, index);
}
QV_EXPORT(eWindowTabPanelIndexSetter)

extern "C" RuntimeObject* eWindowParentGetter(RuntimeObject* window, uint32_t) {
  RuntimeObject* control = ControlOf(window);
  return control ? ControlParentGetter(control, 0) : nullptr;
}
QV_EXPORT(eWindowParentGetter)

extern "C" void eWindowParentSetter(RuntimeObject* window, uint32_t, RuntimeObject* parent) {
  if (RuntimeObject* control = ControlOf(window)) ControlParentSetter(control, 0, parent);
}
QV_EXPORT(eWindowParentSetter)

extern "C" RuntimeObject* eWindowContainingWindowGettter(RuntimeObject* window, uint32_t) {
  RuntimeObject* control = ControlOf(window);
  return control ? controlWindowGetter(control, 0) : nullptr;
}
QV_EXPORT(eWindowContainingWindowGettter)

extern "C" RuntimeObject* eWindowControlGetter(RuntimeObject* window, uint32_t) {
  RuntimeObject* control = ControlOf(window);
  RuntimeLockObject(control);
  return control;
}
QV_EXPORT(eWindowControlGetter)

extern "C" int32_t eWindowEnabledGetter(RuntimeObject* window, uint32_t) {
  RuntimeObject* control = ControlOf(window);
  return control ? controlEnabledGetter(control, 0) : 0;
}
QV_EXPORT(eWindowEnabledGetter)

extern "C" void eWindowEnabledSetter(RuntimeObject* window, uint32_t, int32_t enabled) {
  if (RuntimeObject* control = ControlOf(window)) controlEnabledSetter(control, 0, enabled);
}
QV_EXPORT(eWindowEnabledSetter)

extern "C" void eWindowAutoDeactivateSetter(RuntimeObject* window, uint32_t, int32_t on) {
  if (RuntimeObject* control = ControlOf(window)) controlAutoDeactivateSetter(control, 0, on);
}
QV_EXPORT(eWindowAutoDeactivateSetter)

extern "C" void eWindowHelpTagSetter(RuntimeObject* window, uint32_t, stringStorage* text) {
  if (RuntimeObject* control = ControlOf(window)) controlHelpTagSetter(control, 0, text);
}
QV_EXPORT(eWindowHelpTagSetter)

extern "C" void eWindowDisabledBalloonHelpSetter(RuntimeObject* window, uint32_t,
                                                 stringStorage* text) {
  if (RuntimeObject* control = ControlOf(window)) {
    controlDisabledBalloonHelpSetter(control, 0, text);
  }
}
QV_EXPORT(eWindowDisabledBalloonHelpSetter)

extern "C" void eWindowInitialParentSetter(RuntimeObject* window, uint32_t, stringStorage* name) {
  if (!window) return;
  stringStorage*& stored = AsWindow(window)->containingControlName;
  stringStorage::AddReference(name);
  stringStorage::RemoveReference(stored);
  stored = name;
}
QV_EXPORT(eWindowInitialParentSetter)
