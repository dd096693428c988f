// The Window language object: the record compiled code reads (every window of the application
// is a subclass of "Window"), its events, and the operations that create, open, close and
// destroy it. Its native window is a RuntimeViewWindow (RuntimeViewWindow.h), which exists
// from construction (RuntimeCreateWindow) until the window closes; the object outlives it and
// then acts on its stored fields alone.
//
// The object's controls live in its control map (mControls, WindowControls.h); its handlers are
// found in its event table by the rows of the class definition (WindowClass.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/Rect.h"
#include "core/RuntimeObject.h"
#include "core/StringMap.h"

class RuntimeViewWindow;

// The language's frame types and placements (the class's constants).
enum WindowFrame : int32_t {
  kFrameTypeDocument = 0,
  kFrameTypeMovableModal = 1,
  kFrameTypeModal = 2,
  kFrameTypeFloating = 3,
  kFrameTypePlain = 4,
  kFrameTypeShadowed = 5,
  kFrameTypeRounded = 6,
  kFrameTypeGlobalFloating = 7,
  kFrameTypeSheet = 8,
  kFrameTypeMetal = 9,
  kFrameTypeDrawer = 10,
  kFrameTypeModelessDialog = 11,
};
enum WindowPlacementType : int32_t {
  kPlacementDefault = 0,
  kPlacementParent = 1,
  kPlacementMainScreen = 2,
  kPlacementParentScreen = 3,
  kPlacementStagger = 4,
};

struct WindowObject {
  RuntimeObject header;
  // The class's hidden members; compiled code declares them, the framework leaves them alone.
  uint32_t hiddenMembers[7];
  uint8_t visible;  // the visibility last asked for
  uint8_t closeButton;
  uint8_t resizeable;
  uint8_t maximizeButton;
  uint8_t minimizeButton;
  uint8_t composite;
  uint8_t liveResize;        // kept while there is no native window
  uint8_t controlsReleased;  // the close gave up the map's references (see WindowControls.h)
  RuntimeViewWindow* mImp;   // the native window; nil before it is built and after it closed
  RuntimeObject* graphics;
  QV::Rect bounds;  // the content rectangle in screen coordinates
  QV::Rect initialBounds;
  QV::Rect savedBounds;
  stringStorage* title;
  RuntimeObject* backdrop;
  uint32_t backdropHandle;
  int32_t frame;
  int32_t placement;
  uint32_t backColor;
  int16_t minWidth;
  int16_t minHeight;
  int16_t maxWidth;
  int16_t maxHeight;
  RuntimeObject* mouseCursor;
  stringStorage* balloonHelp;
  uint8_t hasBackColor;
  uint8_t menuBarVisible;
  uint8_t fullScreen;
  uint8_t fullScreenPending;
  stringStorage* floaterProcess;
  int32_t macProcId;
  StringMap<RuntimeObject*>* mControls;
  uint8_t ownsMenuBar;
  uint8_t unused1[3];
  RuntimeObject* menuBar;
  RuntimeObject* reservedReference;
  uint8_t mInitialControlsCreated;
  uint8_t unused2[3];
  StringMap<void*>* mMenuHandlers;
  int32_t requestedWidth;
  int32_t requestedHeight;
  uint8_t widthRequested;
  uint8_t heightRequested;
  uint8_t unused3[2];
  RuntimeObject* mEmbeddedWindowControl;
  RuntimeObject* embeddedWithin;
  uint8_t windowEvents;  // keys and menu handlers reach the window (set once it is built)
  uint8_t unused4[3];
  stringStorage* containingControlName;
};
static_assert(sizeof(WindowObject) == 196, "Window instances are 196 bytes");
static_assert(offsetof(WindowObject, visible) == 52 && offsetof(WindowObject, mImp) == 60 &&
                  offsetof(WindowObject, bounds) == 68 && offsetof(WindowObject, title) == 92 &&
                  offsetof(WindowObject, frame) == 104 && offsetof(WindowObject, minWidth) == 116 &&
                  offsetof(WindowObject, mouseCursor) == 124 &&
                  offsetof(WindowObject, hasBackColor) == 132 &&
                  offsetof(WindowObject, mControls) == 144 &&
                  offsetof(WindowObject, menuBar) == 152 &&
                  offsetof(WindowObject, mInitialControlsCreated) == 160 &&
                  offsetof(WindowObject, mMenuHandlers) == 164 &&
                  offsetof(WindowObject, mEmbeddedWindowControl) == 180 &&
                  offsetof(WindowObject, windowEvents) == 188 &&
                  offsetof(WindowObject, containingControlName) == 192,
              "the Window record is read by compiled code");

inline WindowObject* AsWindow(RuntimeObject* object) {
  return reinterpret_cast<WindowObject*>(object);
}

// The events of the class, numbered by their rows (each filled in when the definition is
// built); raisers look handlers up with them.
struct WindowEventHooks {
  ObjectHook* layout = nullptr;
  ObjectHook* createControls = nullptr;
  ObjectHook* addMenuHandlers = nullptr;
  ObjectHook* setupBindings = nullptr;
  ObjectHook* open = nullptr;
  ObjectHook* close = nullptr;
  ObjectHook* cancelClose = nullptr;
  ObjectHook* keyDown = nullptr;
  ObjectHook* mouseMove = nullptr;
  ObjectHook* mouseEnter = nullptr;
  ObjectHook* mouseExit = nullptr;
  ObjectHook* paint = nullptr;
  ObjectHook* mouseDown = nullptr;
  ObjectHook* mouseDrag = nullptr;
  ObjectHook* mouseUp = nullptr;
  ObjectHook* enableMenuItems = nullptr;
  ObjectHook* resized = nullptr;
  ObjectHook* resizing = nullptr;
  ObjectHook* moved = nullptr;
  ObjectHook* dropObject = nullptr;
  ObjectHook* activate = nullptr;
  ObjectHook* deactivate = nullptr;
  ObjectHook* minimize = nullptr;
  ObjectHook* maximize = nullptr;
  ObjectHook* restore = nullptr;
  ObjectHook* mouseWheel = nullptr;
  ObjectHook* constructContextualMenu = nullptr;
  ObjectHook* contextualMenuAction = nullptr;
  ObjectHook* dragEnter = nullptr;
  ObjectHook* dragExit = nullptr;
  ObjectHook* dragOver = nullptr;
};
WindowEventHooks& WindowHooks();

ObjectDefinition* WindowClassDefinition();
// True for an object of "Window" or a subclass.
bool IsWindowObject(RuntimeObject* object);

// The native window kind and default placement mode of a language Frame; frames the language
// does not define act as Document.
struct NativeFrame {
  int32_t kind;
  int32_t placement;
};
NativeFrame NativeFrameOf(int32_t frame);
// The native window's position mode for a Placement.
int32_t NativePositionMode(int32_t placement);

// Builds the native window (its construction raises CreateControls, AddMenuHandlers and
// SetupBindings and makes the control panes). False, and no mImp, when it could not be built
// or was closed while it was being built.
bool BuildRuntimeViewWindow(RuntimeObject* window);
// Each control's Open in insertion order, then the window's Open; nothing once the window
// closed.
void OpenWindowAndControls(RuntimeObject* window);
// CancelClose, then the close of the native window; true when a handler refused.
bool CloseWindowObject(RuntimeObject* window, bool appQuitting);
// Main-loop passes, blocking, while the window's native window is open and visible.
void RunWindowModally(RuntimeObject* window);
// Removes window from the implicit-instance map when it is its class's implicit instance,
// giving up the map's reference.
void ForgetImplicitWindow(RuntimeObject* window);

// The event raisers the menus use; true when a handler answered True.
bool RaiseCancelClose(RuntimeObject* window, bool appQuitting);
bool WindowRaiseConstructContextualMenu(RuntimeObject* window, RuntimeObject* base, int32_t x,
                                        int32_t y);
bool WindowRaiseContextualMenuAction(RuntimeObject* window, RuntimeObject* hitItem);

extern "C" {
// The class's construction and destruction hooks.
void RuntimeCreateWindow(RuntimeObject* window);
void RuntimeViewDestructor(RuntimeObject* window);
// The constructor compiled subclasses call: the Open events.
void WindowDefaultConstructor(RuntimeObject* window);
// The implicit instance of the class named name (locked), or nil.
RuntimeObject* RuntimeGetImplicitWindow(stringStorage* name);

int32_t WindowVisibleGetter(RuntimeObject* window, uint32_t parameter);
void WindowVisibleSetter(RuntimeObject* window, uint32_t parameter, int32_t visible);
// which: 0 Left, 1 Top, 2 Width, 3 Height.
int32_t windowPosGetter(RuntimeObject* window, uint32_t which);
void windowPosSetter(RuntimeObject* window, uint32_t which, int32_t value);
void WindowMove(RuntimeObject* window, int32_t left, int32_t top, int32_t width, int32_t height);
int32_t windowLiveResizeGetter(RuntimeObject* window, uint32_t parameter);
void windowLiveResizeSetter(RuntimeObject* window, uint32_t parameter, int32_t live);
// which: 0 MinWidth, 1 MinHeight, 2 MaxWidth, 3 MaxHeight; 0 is no limit.
int32_t windowMinMaxWidthHeightGetter(RuntimeObject* window, uint32_t which);
void windowMinMaxWidthHeightSetter(RuntimeObject* window, uint32_t which, int32_t value);
void RuntimeShowWithinWindow(RuntimeObject* window, RuntimeObject* parentWindow, int32_t facing);
void RuntimeShowModalWithinWindow(RuntimeObject* window, RuntimeObject* parentWindow);
}
