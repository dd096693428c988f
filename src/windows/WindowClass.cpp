// The class definition of "Window": its properties, methods and events as rows (the row number
// of an event is its number in the event-handler table). The class's constants are the
// language's frame and placement values of WindowObject.h; the class definition machinery
// registers no constants.
//
#include <cstddef>

#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "windows/PaneDrops.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowMenuBar.h"
#include "windows/WindowObject.h"

namespace {

using namespace lang;

constexpr uint32_t kRowHidden = 0x8000;  // the old name of a property or method
constexpr uint32_t kRowCompositeFlags = 2;
constexpr uint32_t kRowDockItemFlags = 1;
constexpr uint32_t kRowConstructionEvent = 0x40;

const PropertyRow kWindowProperties[] = {
    QV_PROPERTY("Visible", Boolean, WindowVisibleGetter, WindowVisibleSetter),
    QV_PROPERTY("Left", Integer, windowPosGetter, windowPosSetter, 0),
    QV_PROPERTY("Top", Integer, windowPosGetter, windowPosSetter, 1),
    QV_PROPERTY("Width", Integer, windowPosGetter, windowPosSetter, 2),
    QV_PROPERTY("Height", Integer, windowPosGetter, windowPosSetter, 3),
    QV_PROPERTY("Placement", Integer, windowPlacementGetter, windowPlacementSetter,
                offsetof(WindowObject, placement)),
    QV_PROPERTY("Title", String, windowTitleGetter, windowTitleSetter),
    QV_PROPERTY("FullScreen", Boolean, windowFullScreenGetter, windowFullScreenSetter),
    QV_PROPERTY("MenuBarVisible", Boolean, windowMenusVisibleGetter, windowMenusVisibleSetter),
    QV_PROPERTY("CloseBox", Boolean, windowCloseBoxGetter, windowCloseBoxSetter,
                offsetof(WindowObject, closeButton))
        .Flags(kRowHidden),
    QV_PROPERTY("CloseButton", Boolean, windowCloseBoxGetter, windowCloseBoxSetter,
                offsetof(WindowObject, closeButton)),
    QV_PROPERTY("GrowIcon", Boolean, windowGrowIconGetter, windowGrowIconSetter,
                offsetof(WindowObject, resizeable))
        .Flags(kRowHidden),
    QV_PROPERTY("Resizeable", Boolean, windowGrowIconGetter, windowGrowIconSetter,
                offsetof(WindowObject, resizeable)),
    QV_PROPERTY("ZoomIcon", Boolean, windowZoomIconGetter, windowZoomIconSetter,
                offsetof(WindowObject, maximizeButton))
        .Flags(kRowHidden),
    QV_PROPERTY("MaximizeButton", Boolean, windowZoomIconGetter, windowZoomIconSetter,
                offsetof(WindowObject, maximizeButton)),
    QV_PROPERTY("MinimizeButton", Boolean, boolGetter, boolSetter,
                offsetof(WindowObject, minimizeButton)),
    QV_PROPERTY("Frame", Integer, windowFrameGetter, windowFrameSetter,
                offsetof(WindowObject, frame)),
    QV_PROPERTY("Composite", Boolean, boolGetter, boolSetter, offsetof(WindowObject, composite))
        .Flags(kRowCompositeFlags),
    QV_PROPERTY("LiveResize", Boolean, windowLiveResizeGetter, windowLiveResizeSetter),
    QV_PROPERTY("Backdrop", Class<"Picture">, windowBackdropGetter, windowBackdropSetter,
                offsetof(WindowObject, backdrop)),
    QV_READONLY("Graphics", Class<"Graphics">, windowGraphicsGetter),
    QV_PROPERTY("HasBackColor", Boolean, windowHasBackColorGetter, windowHasBackColorSetter,
                offsetof(WindowObject, hasBackColor)),
    QV_PROPERTY("BackColor", Color, windowBackColorGetter, windowBackColorSetter,
                offsetof(WindowObject, backColor)),
    QV_PROPERTY("BalloonHelp", String, stringGetter, windowBalloonHelpSetter,
                offsetof(WindowObject, balloonHelp)),
    QV_PROPERTY("MinWidth", Integer, windowMinMaxWidthHeightGetter,
                windowMinMaxWidthHeightSetter, 0),
    QV_PROPERTY("MinHeight", Integer, windowMinMaxWidthHeightGetter,
                windowMinMaxWidthHeightSetter, 1),
    QV_PROPERTY("MaxWidth", Integer, windowMinMaxWidthHeightGetter,
                windowMinMaxWidthHeightSetter, 2),
    QV_PROPERTY("MaxHeight", Integer, windowMinMaxWidthHeightGetter,
                windowMinMaxWidthHeightSetter, 3),
    QV_PROPERTY("MacProcId", Integer, intGetter, intSetter, offsetof(WindowObject, macProcId)),
    QV_PROPERTY("MouseCursor", Class<"MouseCursor">, objGetter, formMouseCursorSetter,
                offsetof(WindowObject, mouseCursor)),
    QV_READONLY("ControlCount", Integer, windowControlCountGetter),
    QV_PROPERTY("FloaterProcess", String, stringGetter, stringSetter,
                offsetof(WindowObject, floaterProcess)),
    QV_READONLY("MouseX", Integer, windowMouseXGetter),
    QV_READONLY("MouseY", Integer, windowMouseYGetter),
    QV_READONLY("MacWindowPtr", Integer, windowWindowPtrGetter).Flags(kRowHidden),
    QV_READONLY("WinHWND", Integer, windowHWNDGetter).Flags(kRowHidden),
    QV_READONLY("Handle", Integer, WindowHandleGetter),
    QV_READONLY("DockItem", Class<"DockItem">, WindowDockItemGetter).Flags(kRowDockItemFlags),
    QV_PROPERTY("MenuBar", Class<"MenuBar">, WindowMenuBarGetter, WindowMenuBarSetter),
    QV_PROPERTY("Focus", Class<"RectControl">, WindowFocusGetter, WindowFocusSetter),
    QV_VARIABLE("__qvf_mImp", Integer),
    QV_VARIABLE("__qvf_mControls", Integer),
    QV_VARIABLE("__qvf_mMenuHandlers", Integer),
    QV_VARIABLE("__qvf_mControlList", Integer),
    QV_VARIABLE("__qvf_mContentPane", Integer),
    QV_VARIABLE("__qvf_mInitialControlsCreated", Integer),
    QV_VARIABLE("__qvf_mFocusControl", Integer),
};
static_assert(sizeof(kWindowProperties) / sizeof(PropertyRow) == 47);

// QV_ABSTRACT rows are the methods whose functions are still to come.
const MethodRow kWindowMethods[] = {
    QV_SUB("Show", RuntimeShowWindow),
    QV_SUB("ShowWithin", RuntimeShowWithinWindow, Param("parentWindow", Class<"Window">),
           Param("facing", Integer).Default(uint32_t(-1))),
    QV_SUB("ShowModalWithin", RuntimeShowModalWithinWindow,
           Param("parentWindow", Class<"Window">)),
    QV_SUB("Hide", RuntimeHideWindow),
    QV_SUB("Close", RuntimeCloseWindow),
    QV_SUB("Refresh", formRefresh, Param("eraseBackground", Boolean).Default(1)),
    QV_SUB("RefreshRect", formRefreshRect, Param("x", Integer), Param("y", Integer),
           Param("width", Integer), Param("height", Integer),
           Param("eraseBackground", Boolean).Default(1)),
    QV_SUB("ShowModal", RuntimeShowModal),
    QV_FUNCTION("NewDragItem", Class<"DragItem">, formNewDragItem, Param("x", Integer),
                Param("y", Integer), Param("width", Integer), Param("height", Integer)),
    QV_SUB("AcceptTextDrop", formAcceptTextDrop),
    QV_SUB("AcceptPictureDrop", formAcceptPictureDrop),
    QV_SUB("AcceptFileDrop", formAcceptFileDrop, Param("type", String)),
    QV_SUB("AcceptMacDataDrop", formAcceptMacDataDrop, Param("type", String)).Flags(kRowHidden),
    QV_SUB("AcceptRawDataDrop", formAcceptMacDataDrop, Param("type", String)),
    QV_FUNCTION("Control", Class<"Control">, windowControl, Param("Index", Integer)),
    QV_SUB("SetFocus", formSetFocus),
    QV_SUB("DrawInto", formDrawInto, Param("g", Class<"Graphics">), Param("x", Integer),
           Param("y", Integer), Param("_asActive", Boolean).Default(0)),
    QV_SUB("_DrawBackground", formDrawBackground, Param("g", Class<"Graphics">),
           Param("x", Integer), Param("y", Integer), Param("width", Integer),
           Param("height", Integer), Param("srcLeft", Integer), Param("srcTop", Integer)),
    QV_SUB("UpdateNow", WindowForceUpdateFrontBuffer),
    QV_SUB("_AddControl", WindowAddControl, Param("name", String),
           Param("obj", Class<"Object">)),
    QV_SUB("_AddMenuHandler", WindowAddMenuHandler, Param("name", String),
           Param("handler", Ptr)),
    QV_SUB("Window", WindowDefaultConstructor),
    QV_FUNCTION("Operator_Convert", WindowPtr, WindowToWindowPtr),
    QV_FUNCTION("__New", Class<"Object">, WindowAllocateObject,
                Param("classToCreate", ClassReference)),
    QV_SUB("_Move", WindowMove, Param("left", Integer), Param("top", Integer),
           Param("width", Integer), Param("height", Integer)),
    QV_SUB("Maximize", WindowMaximize),
    QV_SUB("Minimize", WindowMinimize),
    QV_SUB("Restore", WindowRestore),
};
static_assert(sizeof(kWindowMethods) / sizeof(MethodRow) == 28);

constexpr const char* kXY = "X As Integer, Y As Integer";
constexpr const char* kDrag = "obj As DragItem, action As Integer";

const EventRow kWindowEvents[] = {
    QV_EVENT("Layout", &WindowHooks().layout).Flags(kRowConstructionEvent),
    QV_EVENT("CreateControls", &WindowHooks().createControls).Flags(kRowConstructionEvent),
    QV_EVENT("AddMenuHandlers", &WindowHooks().addMenuHandlers,
             "MenuHandlerSourceWindow as Window")
        .Flags(kRowConstructionEvent),
    QV_EVENT("SetupBindings", &WindowHooks().setupBindings).Flags(kRowConstructionEvent),
    QV_EVENT("Open", &WindowHooks().open),
    QV_EVENT("Close", &WindowHooks().close),
    QV_EVENT("CancelClose", &WindowHooks().cancelClose, "appQuitting as Boolean", "Boolean"),
    QV_EVENT("KeyDown", &WindowHooks().keyDown, "Key As String", "Boolean"),
    QV_EVENT("MouseMove", &WindowHooks().mouseMove, kXY),
    QV_EVENT("MouseEnter", &WindowHooks().mouseEnter),
    QV_EVENT("MouseExit", &WindowHooks().mouseExit),
    QV_EVENT("Paint", &WindowHooks().paint, "g As Graphics"),
    QV_EVENT("MouseDown", &WindowHooks().mouseDown, kXY, "Boolean"),
    QV_EVENT("MouseDrag", &WindowHooks().mouseDrag, kXY),
    QV_EVENT("MouseUp", &WindowHooks().mouseUp, kXY),
    QV_EVENT("EnableMenuItems", &WindowHooks().enableMenuItems),
    QV_EVENT("Resized", &WindowHooks().resized),
    QV_EVENT("Resizing", &WindowHooks().resizing),
    QV_EVENT("Moved", &WindowHooks().moved),
    QV_EVENT("DropObject", &WindowHooks().dropObject, kDrag),
    QV_EVENT("Activate", &WindowHooks().activate),
    QV_EVENT("Deactivate", &WindowHooks().deactivate),
    QV_EVENT("Minimize", &WindowHooks().minimize),
    QV_EVENT("Maximize", &WindowHooks().maximize),
    QV_EVENT("Restore", &WindowHooks().restore),
    QV_EVENT("MouseWheel", &WindowHooks().mouseWheel,
             "X As Integer, Y As Integer, DeltaX as Integer, DeltaY as Integer", "Boolean"),
    QV_EVENT("ConstructContextualMenu", &WindowHooks().constructContextualMenu,
             "base as MenuItem, x as Integer, y as Integer", "Boolean"),
    QV_EVENT("ContextualMenuAction", &WindowHooks().contextualMenuAction, "hitItem as MenuItem",
             "Boolean"),
    QV_EVENT("DragEnter", &WindowHooks().dragEnter, kDrag, "Boolean"),
    QV_EVENT("DragExit", &WindowHooks().dragExit, kDrag),
    QV_EVENT("DragOver", &WindowHooks().dragOver,
             "x As Integer, y As Integer, obj As DragItem, action As Integer", "Boolean"),
};
static_assert(sizeof(kWindowEvents) / sizeof(EventRow) == 31);

}  // namespace

WindowEventHooks& WindowHooks() {
  static WindowEventHooks hooks;
  return hooks;
}

QV_CLASS(WindowClassDefinition,
         .name = "Window",
         .objectSize = sizeof(WindowObject),
         .properties = kWindowProperties,
         .methods = kWindowMethods,
         .events = kWindowEvents,
         .initializer = QV_CODE(RuntimeCreateWindow),
         .finalizer = QV_CODE(RuntimeViewDestructor))

bool IsWindowObject(RuntimeObject* object) {
  return object && ObjectIsaDefinition(object, WindowClassDefinition());
}
