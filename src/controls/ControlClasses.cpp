// The root class "Object", the interface _PaneChild, and "Control" with its subclass
// "RectControl", as tables of rows.
//
// Registration: each class library class registers itself at start-up in its place of
// StartupOrder.h, which fixes this order (the start-up steps of the control classes run as one
// pass from RuntimeInitExternalClasses, supers first where a getter calls its super's getter):
// SocketCore, TCPSocket, UDPSocket, Datagram, ServerSocket, Socket, IPCSocket, Object, Timer,
// Serial, SerialPort, DatabaseQuery, RGBSurface, (Picture registers itself), Graphics, Control,
// RectControl, listSelectionProvider, ListColumn, Listbox, OldListbox, Sys$ListboxAction,
// listColumnValueProvider, Canvas, StaticText, ContextualMenu, ScrollBar, Slider, Window,
// ContainerControl, EmbeddedWindowControl, GroupBox, Line, Oval, RoundRectangle, Rectangle,
// EditField, PagePanel, OLEContainer, sys$popupRowTag, ProgressBar, _PaneChild, PrinterSetup,
// Toolbar, MoviePlayer, MoviePlayerAction, PushButton, CheckBox, RadioButton, PopupMenu,
// ComboBox, NotePlayer, Movie, Sound, StyledTextPrinter, TabPanel, MouseCursor,
// DataControlAction, DataControl, TrayItem. Each class joins the list when it lands.
#include "controls/ControlClasses.h"

#include <cstddef>

#include "controls/ContainerControl.h"
#include "controls/ContextualMenu.h"
#include "controls/ControlAccessors.h"
#include "controls/PagePanel.h"
#include "controls/RuntimeControl.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/FieldAccessors.h"
#include "core/Startup.h"
#include "windows/PaneDrops.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowObject.h"


namespace {

using namespace lang;

constexpr uint32_t kRowNameFlags = 0x84;

// Compiled window code implements these; the class has no functions of its own.
const MethodRow kPaneChildMethods[] = {
    QV_ABSTRACT("_SetWindow", nullptr, Param("w", Class<"Window">)),
    QV_ABSTRACT("Window", Class<"Window">),
    QV_ABSTRACT("_Index", Integer),
    QV_ABSTRACT("_SetIndex", nullptr, Param("index", Integer)),
};

const PropertyRow kControlProperties[] = {
    QV_PROPERTY("Name", String, stringGetter, stringSetter, offsetof(ControlObject, name))
        .Flags(kRowNameFlags),
    QV_PROPERTY("Index", Integer, intGetter, intSetter, offsetof(ControlObject, index))
        .Flags(kRowNameFlags),
    QV_PROPERTY("TabPanelIndex", Integer, intGetter, ControlTabPanelIndexSetter,
                offsetof(ControlObject, tabPanelIndex)),
    QV_PROPERTY("PanelIndex", Integer, ControlPanelIndexGetter, ControlPanelIndexSetter),
    QV_READONLY("MouseX", Integer, controlMouseXGetter),
    QV_READONLY("MouseY", Integer, controlMouseYGetter),
    QV_READONLY("Window", Class<"Window">, controlWindowGetter),
    QV_READONLY("Handle", Integer, controlMacControlHandleGetter),
    QV_VARIABLE("__qvf_mImp", Integer),
    QV_VARIABLE("__qvf_mIndex", Integer),
    QV_VARIABLE("__qvf_mInitialParent", Integer),
    QV_VARIABLE("__qvf_mName", Integer),
    QV_VARIABLE("__qvf_mPanelIndex", Integer),
    QV_VARIABLE("__qvf_mWindow", Integer),
};

const MethodRow kControlMethods[] = {QV_SUB("Close", ControlClose)};

const EventRow kControlEvents[] = {
    QV_EVENT("CreatePane", &ControlClasses().createPane),
    QV_EVENT("Open", &ControlClasses().open),
    QV_EVENT("Close", &ControlClasses().close),
};

const PropertyRow kRectControlProperties[] = {
    QV_PROPERTY("HelpTag", String, stringGetter, controlHelpTagSetter,
                offsetof(ControlObject, helpTag)),
    QV_PROPERTY("BalloonHelp", String, stringGetter, controlBalloonHelpSetter,
                offsetof(ControlObject, balloonHelp)),
    QV_PROPERTY("DisabledBalloonHelp", String, stringGetter, controlDisabledBalloonHelpSetter,
                offsetof(ControlObject, disabledBalloonHelp)),
    QV_PROPERTY("MouseCursor", Class<"MouseCursor">, objGetter, controlMouseCursorSetter,
                offsetof(ControlObject, mouseCursor)),
    QV_PROPERTY("Visible", Boolean, controlVisibleGetter, ControlVisibleSetter),
    QV_PROPERTY("Left", Integer, ctlPosGetter, ctlPosSetter, 0),
    QV_PROPERTY("Top", Integer, ctlPosGetter, ctlPosSetter, 1),
    QV_PROPERTY("Width", Integer, ctlPosGetter, ctlPosSetter, 2),
    QV_PROPERTY("Height", Integer, ctlPosGetter, ctlPosSetter, 3),
    QV_PROPERTY("Enabled", Boolean, controlEnabledGetter, controlEnabledSetter),
    QV_READONLY("Active", Boolean, controlActiveGetter),
    QV_PROPERTY("AutoDeactivate", Boolean, controlAutoDeactivateGetter,
                controlAutoDeactivateSetter),
    QV_PROPERTY("LockLeft", Boolean, controlLockLeftGetter, controlLockLeftSetter),
    QV_PROPERTY("LockTop", Boolean, controlLockTopGetter, controlLockTopSetter),
    QV_PROPERTY("LockRight", Boolean, controlLockRightGetter, controlLockRightSetter),
    QV_PROPERTY("LockBottom", Boolean, controlLockBottomGetter, controlLockBottomSetter),
    QV_PROPERTY("Parent", Class<"RectControl">, ControlParentGetter, ControlParentSetter),
    PropertyRowOf<std::nullptr_t, decltype(&ControlInitialParentSetter),
                  QV_ROW_DECLARATION(String)>("InitialParent", nullptr, nullptr,
                                              &ControlInitialParentSetter,
                                              "ControlInitialParentSetter", 0),
};

constexpr const char* kDrag = "obj As DragItem, action As Integer";
constexpr uint32_t kEraseByDefault = 1;

const MethodRow kRectControlMethods[] = {
    QV_SUB("DrawInto", RuntimeControlDrawInto, Param("graphics", Class<"Graphics">),
           Param("left", Integer), Param("top", Integer)),
    QV_SUB("Refresh", RuntimeControlRefresh,
           Param("eraseBackground", Boolean).Default(kEraseByDefault)),
    QV_SUB("RefreshRect", RuntimeControlRefreshRect, Param("x", Integer), Param("y", Integer),
           Param("width", Integer), Param("height", Integer),
           Param("eraseBackground", Boolean).Default(kEraseByDefault)),
    QV_SUB("Invalidate", RuntimeControlInvalidate,
           Param("eraseBackground", Boolean).Default(kEraseByDefault)),
    QV_SUB("InvalidateRect", RuntimeControlInvalidateRect, Param("x", Integer),
           Param("y", Integer), Param("width", Integer), Param("height", Integer),
           Param("eraseBackground", Boolean).Default(kEraseByDefault)),
    QV_SUB("SetFocus", RuntimeSetFocus),
    QV_SUB("AcceptTextDrop", controlAcceptTextDrop),
    QV_SUB("AcceptPictureDrop", controlAcceptPictureDrop),
    QV_SUB("AcceptFileDrop", controlAcceptFileDrop, Param("type", String)),
    QV_SUB("AcceptMacDataDrop", controlAcceptMacDataDrop, Param("type", String)),
    QV_SUB("AcceptRawDataDrop", controlAcceptMacDataDrop, Param("type", String)),
    QV_FUNCTION("NewDragItem", Class<"DragItem">, controlNewDragItem, Param("x", Integer),
                Param("y", Integer), Param("width", Integer), Param("height", Integer)),
    QV_SUB("_AddMenuHandler", ControlAddMenuHandler, Param("name", String),
           Param("handler", Ptr)),
    QV_SUB("RectControl", RectControlDefaultConstructor),
    QV_SUB("_Move", RuntimeControlMove, Param("left", Integer), Param("top", Integer),
           Param("width", Integer), Param("height", Integer)),
    QV_FUNCTION("_DefaultHeight", Integer, RuntimeControlDefaultHeight),
};

const EventRow kRectControlEvents[] = {
    QV_EVENT("MouseMove", &ControlClasses().mouseMove, "X As Integer, Y As Integer"),
    QV_EVENT("MouseEnter", &ControlClasses().mouseEnter),
    QV_EVENT("MouseExit", &ControlClasses().mouseExit),
    QV_EVENT("DropObject", &ControlClasses().dropObject, kDrag),
    QV_EVENT("MouseWheel", &ControlClasses().mouseWheel,
             "X As Integer, Y As Integer, deltaX as Integer, deltaY as Integer", "Boolean"),
    QV_EVENT("ConstructContextualMenu", &ControlClasses().constructContextualMenu,
             "base as MenuItem, x as Integer, y as Integer", "Boolean"),
    QV_EVENT("ContextualMenuAction", &ControlClasses().contextualMenuAction,
             "hitItem as MenuItem", "Boolean"),
    QV_EVENT("DragEnter", &ControlClasses().dragEnter, kDrag, "Boolean"),
    QV_EVENT("DragExit", &ControlClasses().dragExit, kDrag),
    QV_EVENT("DragOver", &ControlClasses().dragOver,
             "x As Integer, y As Integer, obj As DragItem, action As Integer", "Boolean"),
};

// A window embedded in another passes these calls to the control that stands for it.
void InstallEmbeddedControlAccess() {
  EmbeddedControlAccess access = CurrentEmbeddedControlAccess();
  access.setBalloonHelp = &controlBalloonHelpSetter;
  access.setMouseCursor = &controlMouseCursorSetter;
  access.mouseX = &controlMouseXGetter;
  access.mouseY = &controlMouseYGetter;
  access.refresh = &RuntimeControlRefresh;
  access.refreshRect = &RuntimeControlRefreshRect;
  access.drawInto = &RuntimeControlDrawInto;
  SetEmbeddedControlAccess(access);
}

void LinkControlClasses() {
  ControlClasses().controlClass = ControlClassDefinition;
  ControlClasses().refreshPanelVisibility = &WindowRefreshPanelVisibility;
  ControlClasses().dispatchContextualMenu = DispatchConstructContextualMenu;
  InstallControlLayoutAccess();
  InstallEmbeddedControlAccess();
  LinkWindowEmbedding();
}

}  // namespace

QV_CLASS(ObjectClassDefinition, .name = "Object")

QV_CLASS(PaneChildClassDefinition,
         .name = "_PaneChild",
         .methods = kPaneChildMethods,
         .isInterface = true)

QV_CLASS(ControlClassDefinition,
         .name = "Control",
         .super = ObjectClassDefinition,
         .objectSize = sizeof(ControlObject),
         .properties = kControlProperties,
         .methods = kControlMethods,
         .events = kControlEvents,
         .initializer = QV_CODE(RuntimeControlInitializer),
         .finalizer = QV_CODE(RuntimeControlFinalizer))

QV_CLASS(RectControlClassDefinition,
         .name = "RectControl",
         .super = ControlClassDefinition,
         .objectSize = sizeof(ControlObject),
         .properties = kRectControlProperties,
         .methods = kRectControlMethods,
         .events = kRectControlEvents)

// Windows tell controls apart by this class (windows/ControlRecord.h); pane layout reads the
// controls' locks and keeps their rectangles.
QV_STARTUP(kStartupControlClassLink, LinkControlClasses)

QV_STARTUP_CLASS(kStartupObjectClass, ObjectClassDefinition)
QV_STARTUP_CLASS(kStartupControlClass, ControlClassDefinition)
QV_STARTUP_CLASS(kStartupRectControlClass, RectControlClassDefinition)
QV_STARTUP_CLASS(kStartupWindowClass, WindowClassDefinition)
QV_STARTUP_CLASS(kStartupPaneChildInterface, PaneChildClassDefinition)
