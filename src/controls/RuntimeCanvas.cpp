// The canvas pane: drawing on expose (the template window's colour, the backdrop, Paint), the
// raw mouse and keys, focus, and the template window's geometry for an EmbeddedWindowControl.
// Every event holds the pane chain and the control (RaiseControlEvent); once a handler closed
// the pane nothing here touches it again.
#include <algorithm>

#include "controls/Canvas.h"
#include "controls/RuntimeControl.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "graphics/PictureClass.h"
#include "strings/TextEncoding.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"
#include "windows/PaneDrawHold.h"

namespace {

constexpr int32_t kFocusRingMargin = 3;

bool HasHandler(RuntimeObject* control, const ObjectHook* hook) {
  return control && LookupEventHandler(control, hook);
}

}  // namespace

RuntimeCanvas::RuntimeCanvas(RuntimeObject* control, SubPane* owner, const QV::Rect& bounds)
    : ContainerPane(owner, 0, bounds),
      mControl(control),
      mCanvasVisible(AsControl(control)->visible != 0) {
  GtkWidget* fixed = gtk_fixed_new();
  SetWidget(fixed);
  PutPaneInFixed(this, true);
  g_signal_connect(fixed, "expose-event", G_CALLBACK(&OnPaneExpose), this);
}

RuntimeCanvas::~RuntimeCanvas() { ReleaseAdoptedGraphics(true); }

void RuntimeCanvas::Close() {
  if (IsClosing()) return;
  ReleaseAdoptedGraphics(true);
  CanvasObject* canvas = AsCanvas(mControl);
  if (RuntimeObject* cached = canvas->graphics) {
    canvas->graphics = nullptr;
    if (Graphics* native = NativeGraphicsOf(cached)) native->DetachTarget();
    RuntimeUnlockObject(cached);
  }
  ContainerPane::Close();
}

void RuntimeCanvas::AdoptGraphics(RuntimeObject* graphics) {
  for (int32_t i = int32_t(mGraphics.size()) - 1; i >= 0; --i) {
    RuntimeObject* kept = mGraphics[i];
    if (kept->refCount > 1) continue;
    mGraphics.RemoveAt(i);
    RuntimeUnlockObject(kept);
  }
  RuntimeLockObject(graphics);
  mGraphics.Append(graphics);
}

void RuntimeCanvas::ReleaseAdoptedGraphics(bool detach) {
  while (int32_t(mGraphics.size()) > 0) {
    RuntimeObject* kept = mGraphics[int32_t(mGraphics.size()) - 1];
    mGraphics.RemoveAt(int32_t(mGraphics.size()) - 1);
    Graphics* native = NativeGraphicsOf(kept);
    if (detach && native && native->Target() == this) native->DetachTarget();
    RuntimeUnlockObject(kept);
  }
}

RuntimeObject* RuntimeCanvas::TemplateWindow(const char* condition) {
  if (!IsEmbeddedWindowControl(mControl)) return nullptr;
  RuntimeObject* window =
      reinterpret_cast<EmbeddedWindowControlObject*>(mControl)->mTemplateWindow;
  if (!QV_CHECK_TEXT(window, condition, nullptr)) return nullptr;
  return window;
}

// ---- drawing ----

// Held for the drawing: Paint may close the pane or its window.
void RuntimeCanvas::DrawIfOpen() { DrawIfOpenHeld(this); }

void RuntimeCanvas::DrawFocusGained() {
  if (!IsClosing()) ContainerPane::DrawFocusGained();
}

void RuntimeCanvas::DrawBackdrop(Graphics& g) {
  CanvasObject* canvas = AsCanvas(mControl);
  GdkPixbuf* image = PictureImage(canvas->backdrop);
  if (!image) return;
  canvas->backdropStamp = uint32_t(reinterpret_cast<uintptr_t>(image));
  GraphicsClipSaver saver(g);
  const QV::Rect& b = GetBounds();
  const int32_t width = std::min(gdk_pixbuf_get_width(image), Width());
  const int32_t height = std::min(gdk_pixbuf_get_height(image), Height());
  QV::Rect area;
  RectSet(area, b.left, b.top, b.left + width, b.top + height);
  if (g.HasClip()) RectIntersect(area, g.ClipRect(), area);
  g.SetClipRect(area);
  g.DrawPixbuf(image, b.left, b.top);
}

bool RuntimeCanvas::RunPaint(RuntimeObject* graphics) {
  bool open = false;
  RaiseControlEvent<void>(mControl, CanvasEvents().paint, &open, graphics);
  Graphics* native = NativeGraphicsOf(graphics);
  if (graphics->refCount > 1) {
    // Kept by the handler: it stays drawable while the pane lives.
    if (open) {
      AdoptGraphics(graphics);
    } else if (native && native->Target() == this) {
      native->DetachTarget();
    }
  }
  RuntimeUnlockObject(graphics);
  return open;
}

void RuntimeCanvas::Draw(Graphics& g) {
  if (!mCanvasVisible || !IsShown()) return;
  QV::Rect clip;
  if (!GetBoundsInWindow(clip) || !RectIntersect(clip, GetBounds(), clip)) return;
  g.SetClipRect(clip);
  if (RuntimeObject* window = TemplateWindow("embeddedWindowControl->mTemplateWindow")) {
    const WindowObject* w = AsWindow(window);
    if (w->hasBackColor) {
      GraphicsState state(g);
      state.Save();
      g.SetForeColor(ColorFromRGB(w->backColor));
      g.FillRect(GetBounds());
      state.Restore();
    }
  } else if (IsEmbeddedWindowControl(mControl)) {
    return;
  }
  DrawBackdrop(g);
  if (!HasHandler(mControl, CanvasEvents().paint)) return;
  Graphics* native = NewGraphics();
  if (!native) return;
  native->SetClipRect(clip);
  RuntimeObject* graphics = NewGraphicsObject(native);
  if (!graphics) {
    Graphics::Destroy(native);
    return;
  }
  RunPaint(graphics);
}

// g's origin is where the caller wants the window's content; Paint draws relative to the pane.
void RuntimeCanvas::DrawInto(Graphics& g) {
  DrawBackdrop(g);
  if (HasHandler(mControl, CanvasEvents().paint)) {
    GraphicsClipSaver saver(g);
    const int32_t originX = g.OriginX();
    const int32_t originY = g.OriginY();
    g.SetClipRect(GetBounds());
    RuntimeObject* graphics = NewGraphicsObject(nullptr);
    if (graphics) {
      SetNativeGraphics(graphics, &g);
      g.SetOrigin(originX - GetBounds().left, originY - GetBounds().top);
      bool open = false;
      RaiseControlEvent<void>(mControl, CanvasEvents().paint, &open, graphics);
      SetNativeGraphics(graphics, nullptr);
      RuntimeUnlockObject(graphics);
      g.SetOrigin(originX, originY);
      if (!open) return;
    }
  }
  ContainerPane::DrawInto(g);
}

bool RuntimeCanvas::GetRefreshBounds(QV::Rect& rect) {
  RectInset(rect, -kFocusRingMargin, -kFocusRingMargin);
  return true;
}

bool RuntimeCanvas::ApplyStateCode(int32_t code) {
  if (code == kControlShow && !mCanvasVisible) {
    mCanvasVisible = true;
    Refresh(true);
  } else if (code == kControlHide && mCanvasVisible) {
    mCanvasVisible = false;
    Refresh(true);
  }
  return ContainerPane::ApplyStateCode(code);
}

// ---- mouse ----

bool RuntimeCanvas::MouseDown(int32_t x, int32_t y, int32_t) {
  if (!IsEnabled() || !HasHandler(mControl, CanvasEvents().mouseDown)) return false;
  const QV::Rect b = GetBounds();
  bool open = false;
  const bool taken =
      RaiseControlEvent<bool>(mControl, CanvasEvents().mouseDown, &open, x - b.left, y - b.top);
  if (!open) return true;
  if (!taken) return false;
  SetMouseCapturePane(this);
  return true;
}

bool RuntimeCanvas::ClickChildren(int32_t x, int32_t y, int32_t modifiers) {
  if (ContainerPane::ClickChildren(x, y, modifiers)) return true;
  return MouseDown(x, y, modifiers);
}

void RuntimeCanvas::MouseDrag(int32_t x, int32_t y) {
  const QV::Rect b = GetBounds();
  RaiseControlEvent<void>(mControl, CanvasEvents().mouseDrag, nullptr, x - b.left, y - b.top);
}

void RuntimeCanvas::MouseUp(int32_t x, int32_t y) {
  const QV::Rect b = GetBounds();
  RaiseControlEvent<void>(mControl, CanvasEvents().mouseUp, nullptr, x - b.left, y - b.top);
}

// ---- keys and focus ----

bool RuntimeCanvas::RaiseKey(const string& key) {
  if (!HasHandler(mControl, CanvasEvents().keyDown)) return false;
  bool open = false;
  const bool handled =
      RaiseControlEvent<bool>(mControl, CanvasEvents().keyDown, &open, key.Storage());
  return handled || !open;
}

bool RuntimeCanvas::KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (character > 127) return RaiseKey(UnicodeChar(uint32_t(character), kEncodingUTF8));
  return HandleChar(character, keyCode, modifiers);
}

// Without AcceptTabs a Tab moves the focus.
bool RuntimeCanvas::HandleChar(int32_t character, int32_t, int32_t) {
  if (character == '\t' && !AsCanvas(mControl)->acceptTabs) return false;
  return RaiseKey(UnicodeChar(uint32_t(character), GetSystemEncoding()));
}

bool RuntimeCanvas::CanTakeFocus() {
  return AsCanvas(mControl)->acceptFocus && IsEnabled() && mCanvasVisible && IsShown();
}

// The window keeps the GTK focus, so that its keys reach the canvas.
void RuntimeCanvas::FocusGained() {
  if (Window* window = GetWindow()) gtk_window_set_focus(window->GetGtkWindow(), nullptr);
  RaiseControlEvent<void>(mControl, CanvasEvents().gotFocus, nullptr);
}

void RuntimeCanvas::FocusLost() {
  RaiseControlEvent<void>(mControl, CanvasEvents().lostFocus, nullptr);
}

void RuntimeCanvas::EnableMenuItems() {
  bool open = false;
  RaiseControlEvent<void>(mControl, CanvasEvents().enableMenuItems, &open);
  if (open) ContainerPane::EnableMenuItems();
}

// ---- the template window's geometry ----

void RuntimeCanvas::StoreTemplateSize() {
  RuntimeObject* window = TemplateWindow("tw");
  if (!window) return;
  QV::Rect& stored = AsWindow(window)->bounds;
  stored.bottom = int16_t(stored.top + Height());
  stored.right = int16_t(stored.left + Width());
}

// The template window's events are events of this pane's control (CallControlHandler):
// false when the handler closed the control, its pane or its window.
bool RuntimeCanvas::RaiseTemplateEvent(ObjectHook* WindowEventHooks::*hook) {
  RuntimeObject* window = TemplateWindow("tw");
  if (!window || IsControlClosed(mControl)) return !IsClosing();
  bool open = false;
  CallControlHandler<void>(mControl, window, LookupEventHandler(window, WindowHooks().*hook),
                           &open);
  return open;
}

void RuntimeCanvas::SetBounds(const QV::Rect& bounds, bool redraw) {
  const QV::Rect before = GetBounds();
  ContainerPane::SetBounds(bounds, redraw);
  if (!IsEmbeddedWindowControl(mControl) || !TemplateWindow("tw")) return;
  StoreTemplateSize();
  const QV::Rect& after = GetBounds();
  if (after.top != before.top || after.left != before.left) {
    RaiseTemplateEvent(&WindowEventHooks::moved);
  }
}

void RuntimeCanvas::SetBoundsAndLayout(const QV::Rect& bounds, bool live) {
  const bool sameSize = bounds.right - bounds.left == Width() &&
                        bounds.bottom - bounds.top == Height();
  if (sameSize && live) {
    SetBounds(bounds, true);
    return;
  }
  ContainerPane::SetBoundsAndLayout(bounds, live);
  if (!IsEmbeddedWindowControl(mControl) || !TemplateWindow("tw")) return;
  StoreTemplateSize();
  RaiseTemplateEvent(live ? &WindowEventHooks::resizing : &WindowEventHooks::resized);
}

void RuntimeCanvas::Activate() {
  ContainerPane::Activate();
  if (IsEmbeddedWindowControl(mControl)) RaiseTemplateEvent(&WindowEventHooks::activate);
}

// The handler of the template window's Deactivate may close this pane: it is deactivated only
// while it is still open.
void RuntimeCanvas::Deactivate() {
  if (IsEmbeddedWindowControl(mControl) && !RaiseTemplateEvent(&WindowEventHooks::deactivate)) {
    return;
  }
  ContainerPane::Deactivate();
}
