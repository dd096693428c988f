// The Window language object: construction and the native window's build, opening, the
// implicit instances, closing and destruction, showing, position and size.
#include "windows/WindowObject.h"

#include <iterator>

#include "app/MainLoop.h"
#include "app/ModalLoop.h"
#include "core/CompiledCall.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "windows/ControlRecord.h"
#include "windows/EmbeddedWindows.h"
#include "windows/MenuBarHiding.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"

namespace {

constexpr uint32_t kMapBuckets = 256;

// Class name -> the implicit instance of that class (nil until one is made); made on first use.
StringMap<RuntimeObject*>* gImplicitWindows = nullptr;

// Through the native window when there is one, so that it is held for the call too.
template <typename R, typename... Args>
R RaiseEvent(RuntimeObject* window, const ObjectHook* hook, Args... args) {
  if (RuntimeViewWindow* native = AsWindow(window)->mImp) {
    return native->Raise<R>(hook, nullptr, args...);
  }
  return RaiseObjectEvent<R>(window, hook, args...);
}

string ClassNameOf(RuntimeObject* object) { return string(object->classPtr->className); }

bool IsOpenNative(const WindowObject* w) { return w->mImp && !w->mImp->IsClosing(); }

// A window of its own that is open, or an embedded one whose standing control's pane is.
bool IsOpenWindow(RuntimeObject* window) {
  const WindowObject* w = AsWindow(window);
  if (w->mImp) return IsOpenNative(w);
  RuntimeObject* control = StandingControlOf(window);
  SubPane* pane = control ? AsControl(control)->pane : nullptr;
  return pane && !pane->IsClosing();
}

int32_t RectWidth(const QV::Rect& rect) { return rect.right - rect.left; }
int32_t RectHeight(const QV::Rect& rect) { return rect.bottom - rect.top; }

// Each of a window's operations reports a nil window as the failed check "window".
WindowObject* Checked(RuntimeObject* window) {
  return QV_CHECK_TEXT(window, "window", nullptr) ? AsWindow(window) : nullptr;
}

}  // namespace

// ---- frames ----

NativeFrame NativeFrameOf(int32_t frame) {
  static constexpr NativeFrame kFrames[] = {
      {kWindowKindDocument, kPlaceStaggered},       // Document
      {kWindowKindMovableModal, kPlaceMainScreen},  // MovableModal
      {kWindowKindModal, kPlaceMainScreen},         // Modal
      {kWindowKindFloating, kPlaceDefault},         // Floating
      {kWindowKindPlainBox, kPlaceMainScreen},      // Plain
      {kWindowKindShadowedBox, kPlaceMainScreen},   // Shadowed
      {kWindowKindRounded, kPlaceStaggered},        // Rounded
      {kWindowKindGlobalFloating, kPlaceDefault},   // GlobalFloating
      {kWindowKindSheet, kPlaceParentWindow},       // Sheet
      {kWindowKindMetal, kPlaceStaggered},          // Metal
      {kWindowKindDrawer, kPlaceDefault},           // Drawer
      {kWindowKindModelessDialog, kPlaceParentWindow},  // ModelessDialog
  };
  // Frames the language does not define are documents.
  if (frame < 0 || frame >= int32_t(std::size(kFrames))) frame = kFrameTypeDocument;
  return kFrames[frame];
}

int32_t NativePositionMode(int32_t placement) {
  switch (placement) {
    case kPlacementParent:
      return -1;
    case kPlacementMainScreen:
      return -3;
    default:
      return -2;
  }
}

// ---- creation ----

extern "C" void RuntimeCreateWindow(RuntimeObject* window) {
  WindowObject* w = Checked(window);
  if (!w) return;
  w->widthRequested = w->heightRequested = 0;
  const bool embeddable = IsContainerControl(window);
  RuntimeObject* implicit = nullptr;
  if (!embeddable && gImplicitWindows &&
      gImplicitWindows->GetEntry(ClassNameOf(window), &implicit) && !implicit) {
    gImplicitWindows->AddEntry(ClassNameOf(window), window);
    RuntimeLockObject(window);
  }
  if (embeddable) {
    // The window holds its standing control until it is embedded; then the holder's control
    // map holds the control, and the control the window.
    w->mEmbeddedWindowControl = WindowEmbedding().newStandingControl(window);
  }
  RaiseObjectEvent<void>(window, WindowHooks().layout);
  if (!w->mControls) w->mControls = new StringMap<RuntimeObject*>(kMapBuckets);
  if (!w->mMenuHandlers) w->mMenuHandlers = new StringMap<void*>(kMapBuckets);
  if (!embeddable) {
    BuildRuntimeViewWindow(window);
    return;
  }
  // Nothing more until it is embedded.
  w->mInitialControlsCreated = 0;
  RaiseObjectEvent<void>(window, WindowHooks().createControls);
  w->mInitialControlsCreated = 1;
}
QV_EXPORT(RuntimeCreateWindow)

// A window closed while it was being built is released by its close, not a second time here.
// An embeddable window never gets a native window of its own.
bool BuildRuntimeViewWindow(RuntimeObject* window) {
  WindowObject* w = Checked(window);
  if (!w || w->mImp) return w && w->mImp;
  if (IsContainerControl(window)) return false;
  w->windowEvents = 1;
  const NativeFrame frame = NativeFrameOf(w->frame);
  QV::Rect rect = w->bounds;
  RectOffset(rect, -rect.left, -rect.top);
  PlaceWindowRect(&rect, w->placement != kPlacementDefault ? w->placement : frame.placement,
                  frame.kind);
  w->bounds = w->initialBounds = w->savedBounds = rect;
  WindowSpec request;
  request.title = string(w->title);
  request.bounds = rect;
  request.kind = frame.kind;
  request.resizable = w->resizeable != 0;
  request.liveResize = w->liveResize != 0;
  request.windowDefinition = w->macProcId;
  auto* native = new RuntimeViewWindow(window, request);
  native->Retain();
  native->BuildContent();
  if (!native->IsClosing()) native->SetPositionMode(NativePositionMode(w->placement));
  native->Release();
  return w->mImp != nullptr;
}

extern "C" void WindowDefaultConstructor(RuntimeObject* window) {
  if (!Checked(window) || MainLoopQuitRequested() || IsContainerControl(window)) return;
  OpenWindowAndControls(window);
}
QV_EXPORT(WindowDefaultConstructor)

// A window embedded at design time opens in its place among the controls, and its standing
// control is laid out again once its controls are open.
void OpenWindowAndControls(RuntimeObject* window) {
  WindowObject* w = Checked(window);
  if (!w || !IsOpenWindow(window) || !w->mControls) return;
  RuntimeLockObject(window);  // a handler may drop every other reference
  {
    ControlMapWalk walk = WalkControlMap(w->mControls);
    RuntimeObject* object = nullptr;
    while (IsOpenWindow(window) && walk->Next() && walk->GetValue(&object)) {
      if (IsContainerControl(object)) {
        LockedObjects held;
        held.Add(object);
        OpenWindowAndControls(object);
        RuntimeObject* control = StandingControlOf(object);
        SubPane* pane = control ? AsControl(control)->pane : nullptr;
        if (pane && !pane->IsClosing()) pane->SetBoundsAndLayout(AsControl(control)->bounds, false);
      } else if (IsControlObject(object)) {
        RaiseControlEvent<void>(object, ControlClasses().open, nullptr);
      }
    }
  }
  if (IsOpenWindow(window)) RaiseEvent<void>(window, WindowHooks().open);
  RuntimeUnlockObject(window);
}

// ---- implicit instances ----

extern "C" RuntimeObject* RuntimeGetImplicitWindow(stringStorage* name) {
  if (!gImplicitWindows) gImplicitWindows = new StringMap<RuntimeObject*>(kMapBuckets);
  const string key(name);
  RuntimeObject* window = nullptr;
  if (gImplicitWindows->GetEntry(key, &window)) {
    RuntimeLockObject(window);
    return window;
  }
  gImplicitWindows->AddEntry(key, nullptr);
  return nullptr;
}
QV_EXPORT(RuntimeGetImplicitWindow)

void ForgetImplicitWindow(RuntimeObject* window) {
  RuntimeObject* implicit = nullptr;
  if (!gImplicitWindows || !gImplicitWindows->GetEntry(ClassNameOf(window), &implicit) ||
      implicit != window) {
    return;
  }
  gImplicitWindows->RemoveEntry(ClassNameOf(window));
  RuntimeUnlockObject(window);
}

// ---- closing and destruction ----

bool RaiseCancelClose(RuntimeObject* window, bool appQuitting) {
  return RaiseEvent<bool>(window, WindowHooks().cancelClose, appQuitting);
}

bool WindowRaiseConstructContextualMenu(RuntimeObject* window, RuntimeObject* base, int32_t x,
                                        int32_t y) {
  return RaiseEvent<bool>(window, WindowHooks().constructContextualMenu, base, x, y);
}

bool WindowRaiseContextualMenuAction(RuntimeObject* window, RuntimeObject* hitItem) {
  RuntimeLockObject(hitItem);
  const bool handled = RaiseEvent<bool>(window, WindowHooks().contextualMenuAction, hitItem);
  RuntimeUnlockObject(hitItem);
  return handled;
}

// Windows embedded in this one have no native window of their own and are not asked. An
// embedded window closes with the control standing for it.
bool CloseWindowObject(RuntimeObject* window, bool appQuitting) {
  WindowObject* w = Checked(window);
  if (!w) return false;
  RuntimeViewWindow* native = w->mImp;
  if (!native) {
    RuntimeObject* control = StandingControlOf(window);
    if (!control || !AsControl(control)->pane || !WindowEmbedding().closeEmbedded) return false;
    RuntimeLockObject(window);
    WindowEmbedding().closeEmbedded(window);
    w->mEmbeddedWindowControl = nullptr;
    RuntimeUnlockObject(window);
    return false;
  }
  native->Retain();
  LockedObjects windows;
  CollectAllWindows(window, windows);
  for (uint32_t i = windows.size(); i-- > 0;) {
    RuntimeViewWindow* own = AsWindow(windows[i])->mImp;
    if (!own || own->IsClosing()) continue;
    if (RaiseCancelClose(windows[i], appQuitting)) {
      native->Release();
      return true;
    }
  }
  RuntimeLockObject(window);
  if (!native->Release()) native->Close();
  FollowFrontMenuBarVisibility();
  w->mImp = nullptr;
  w->mEmbeddedWindowControl = nullptr;
  RuntimeUnlockObject(window);
  return false;
}

// Controls still listed after the close hold no reference of the map; any other entry (a
// window that never closed) does.
extern "C" void RuntimeViewDestructor(RuntimeObject* window) {
  WindowObject* w = Checked(window);
  if (!w) return;
  // A window never embedded still holds its standing control.
  if (w->mEmbeddedWindowControl && WindowEmbedding().dropStandingControl) {
    WindowEmbedding().dropStandingControl(window);
  }
  w->mEmbeddedWindowControl = nullptr;
  RuntimeUnlockObject(w->reservedReference);
  w->reservedReference = nullptr;
  if (StringMap<RuntimeObject*>* controls = w->mControls) {
    w->mControls = nullptr;
    SimpleVector<RuntimeObject*> listed;
    {
      ControlMapWalk walk = WalkControlMap(controls);
      RuntimeObject* object = nullptr;
      while (walk->Next() && walk->GetValue(&object)) listed.Append(object);
    }
    delete controls;
    for (uint32_t i = 0; i < listed.size(); ++i) {
      RuntimeObject* entry = listed[int32_t(i)];
      if (IsControlObject(entry) && AsControl(entry)->window == window) {
        AsControl(entry)->window = nullptr;
      }
      if (!w->controlsReleased) RuntimeUnlockObject(entry);
    }
  }
  delete w->mMenuHandlers;
  w->mMenuHandlers = nullptr;
  for (stringStorage** text :
       {&w->title, &w->balloonHelp, &w->floaterProcess, &w->containingControlName}) {
    stringStorage::RemoveReference(*text);
    *text = nullptr;
  }
  for (RuntimeObject** object : {&w->graphics, &w->backdrop, &w->mouseCursor}) {
    RuntimeUnlockObject(*object);
    *object = nullptr;
  }
  // The setter holds whatever MenuBar is, the window's own copy or not.
  RuntimeUnlockObject(w->menuBar);
  w->menuBar = nullptr;
}
QV_EXPORT(RuntimeViewDestructor)

// ---- showing ----

extern "C" int32_t WindowVisibleGetter(RuntimeObject* window, uint32_t) {
  WindowObject* w = Checked(window);
  if (!w) return 0;
  return (w->mImp ? w->mImp->IsWindowVisible() : w->visible != 0) ? 1 : 0;
}
QV_EXPORT(WindowVisibleGetter)


extern "C" void WindowVisibleSetter(RuntimeObject* window, uint32_t, int32_t visible) {
  WindowObject* w = Checked(window);
  if (!w) return;
  w->visible = visible ? 1 : 0;
  if (!w->mImp) {
    ShowEmbeddedWindow(window, visible != 0);
    return;
  }
  if (visible) {
    w->mImp->Show();
  } else {
    w->mImp->Hide();
  }
}
QV_EXPORT(WindowVisibleSetter)

extern "C" void RuntimeShowWithinWindow(RuntimeObject* window, RuntimeObject* parentWindow,
                                        int32_t facing) {
  WindowObject* w = Checked(window);
  if (!w) return;
  if (!parentWindow) {
    RuntimeShowWindow(window);
    return;
  }
  w->visible = 1;
  if (!w->mImp && !BuildRuntimeViewWindow(window)) return;
  w->mImp->Show();
  RuntimeViewWindow* parent = AsWindow(parentWindow)->mImp;
  if (parent) w->mImp->SetShownWithin(parent, facing);
}
QV_EXPORT(RuntimeShowWithinWindow)

extern "C" void RuntimeShowModalWithinWindow(RuntimeObject* window, RuntimeObject* parentWindow) {
  WindowObject* w = Checked(window);
  if (!w) return;
  if (!parentWindow) {
    RuntimeShowWindow(window);
    return;
  }
  if (!w->mImp && !BuildRuntimeViewWindow(window)) return;
  w->visible = 1;
  w->mImp->Show();
  if (RuntimeViewWindow* parent = AsWindow(parentWindow)->mImp) {
    w->mImp->SetShownWithin(parent, -1);
  }
  RunWindowModally(window);
}
QV_EXPORT(RuntimeShowModalWithinWindow)

void RunWindowModally(RuntimeObject* window) {
  WindowObject* w = AsWindow(window);
  RuntimeLockObject(window);
  while (IsOpenNative(w) && w->mImp->IsWindowVisible() && !ModalLoopMustEnd()) {
    MainLoopDoEvents(true);
  }
  RuntimeUnlockObject(window);
}

// ---- position and size ----

extern "C" int32_t windowPosGetter(RuntimeObject* window, uint32_t which) {
  WindowObject* w = Checked(window);
  if (!w) return 0;
  RuntimeObject* control = StandingControlOf(window);
  if (control && WindowEmbedding().position) return WindowEmbedding().position(control, which);
  const QV::Rect& bounds = w->bounds;
  switch (which) {
    case 0:
      return bounds.left;
    case 1:
      return bounds.top;
    case 2:
      return RectWidth(bounds);
    case 3:
      return RectHeight(bounds);
    default:
      return 0;
  }
}
QV_EXPORT(windowPosGetter)

extern "C" void windowPosSetter(RuntimeObject* window, uint32_t which, int32_t value) {
  WindowObject* w = Checked(window);
  if (!w || w->fullScreen) return;
  if (!w->mImp && w->mEmbeddedWindowControl) {
    if (which == 2 && !w->widthRequested) {
      w->requestedWidth = value;
      w->widthRequested = 1;
    } else if (which == 3 && !w->heightRequested) {
      w->requestedHeight = value;
      w->heightRequested = 1;
    }
    RuntimeObject* control = StandingControlOf(window);
    if (control && WindowEmbedding().setPosition) {
      WindowEmbedding().setPosition(control, which, value);
      return;
    }
  }
  QV::Rect& bounds = w->bounds;
  switch (which) {
    case 0:
      RectOffset(bounds, value - bounds.left, 0);
      break;
    case 1:
      RectOffset(bounds, 0, value - bounds.top);
      break;
    case 2:
      bounds.right = int16_t(bounds.left + value);
      break;
    case 3:
      bounds.bottom = int16_t(bounds.top + value);
      break;
    default:
      return;
  }
  RuntimeViewWindow* native = w->mImp;
  if (!native) return;
  if (which < 2) {
    native->MoveTo(bounds.left, bounds.top, true);
  } else {
    native->ResizeTo(RectWidth(bounds), RectHeight(bounds), true);
  }
}
QV_EXPORT(windowPosSetter)

extern "C" void WindowMove(RuntimeObject* window, int32_t left, int32_t top, int32_t width,
                           int32_t height) {
  WindowObject* w = Checked(window);
  if (!w || (!w->mImp && !w->mEmbeddedWindowControl)) return;
  windowPosSetter(window, 0, left);
  windowPosSetter(window, 1, top);
  windowPosSetter(window, 2, width);
  windowPosSetter(window, 3, height);
}
QV_EXPORT(WindowMove)

extern "C" int32_t windowLiveResizeGetter(RuntimeObject* window, uint32_t) {
  WindowObject* w = Checked(window);
  if (!w) return 0;
  return (w->mImp ? w->mImp->LiveResize() : w->liveResize != 0) ? 1 : 0;
}
QV_EXPORT(windowLiveResizeGetter)

extern "C" void windowLiveResizeSetter(RuntimeObject* window, uint32_t, int32_t live) {
  WindowObject* w = Checked(window);
  if (!w) return;
  if (w->mImp) {
    w->mImp->SetLiveResize(live != 0);
  } else {
    w->liveResize = live ? 1 : 0;
  }
}
QV_EXPORT(windowLiveResizeSetter)

namespace {

int16_t* SizeLimit(WindowObject* w, uint32_t which) {
  switch (which) {
    case 0:
      return &w->minWidth;
    case 1:
      return &w->minHeight;
    case 2:
      return &w->maxWidth;
    case 3:
      return &w->maxHeight;
    default:
      return nullptr;
  }
}

}  // namespace

extern "C" int32_t windowMinMaxWidthHeightGetter(RuntimeObject* window, uint32_t which) {
  WindowObject* w = Checked(window);
  int16_t* limit = w ? SizeLimit(w, which) : nullptr;
  return limit ? *limit : 0;
}
QV_EXPORT(windowMinMaxWidthHeightGetter)

// Stored only: GTK asks the native window for the limits (GetSizeLimits) when it configures it.
extern "C" void windowMinMaxWidthHeightSetter(RuntimeObject* window, uint32_t which,
                                              int32_t value) {
  WindowObject* w = Checked(window);
  if (int16_t* limit = w ? SizeLimit(w, which) : nullptr) *limit = int16_t(value);
}
QV_EXPORT(windowMinMaxWidthHeightSetter)
