#include "controls/RuntimeCustomControlPane.h"

#include <type_traits>

#include "app/PluginRegistry.h"
#include "core/CompiledCall.h"
#include "core/RuntimeError.h"
#include "graphics/GraphicsClass.h"
#include "windows/DrawFocus.h"
#include "windows/GtkInput.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kIdlePeriod = 10;
constexpr int32_t kRefreshMargin = 4;
constexpr int32_t kPassedKey = 0x100;
constexpr int32_t kFocusRingStateCode = 1000;
constexpr int32_t kPluginStateCode = 2000;
constexpr int32_t kFocusQueryFromVersion = 8;

QV::Rect Grown(const QV::Rect& r) {
  QV::Rect grown;
  RectSet(grown, r.left - kRefreshMargin, r.top - kRefreshMargin, r.right + kRefreshMargin,
          r.bottom + kRefreshMargin);
  return grown;
}

// A new GtkDrawingArea without a window of its own, so that it draws on, and its clicks
// reach, the window's content as every other pane's do.
GtkWidget* NewDrawingArea() {
  GtkWidget* area = gtk_drawing_area_new();
  gtk_widget_set_has_window(area, FALSE);
  return area;
}

}  // namespace

pluginBackgroundTask::pluginBackgroundTask(RuntimeCustomControlPane* pane)
    : BackgroundTask(kIdlePeriod), mPane(pane) {}

// The pane may delete this task during the call: nothing here touches it afterwards.
void pluginBackgroundTask::Run() { mPane->RunIdle(); }

RuntimeCustomControlPane::RuntimeCustomControlPane(RuntimeObject* instance,
                                                   const LoadedControl* control, SubPane* owner,
                                                   const QV::Rect& bounds)
    : SubPane(owner, 0, bounds, true), mInstance(instance), mControl(control) {
  if (Entry(kPluginIdle)) mIdleTask = new pluginBackgroundTask(this);
  if (Entry(kPluginOpen)) {
    SetDrawFocus(this);
    CompiledCall().Invoke<void>(Entry(kPluginOpen), mInstance);
  }
  GtkWidget* widget = nullptr;
  if (Entry(kPluginWidget)) {
    widget = CompiledCall().Invoke<GtkWidget*>(Entry(kPluginWidget), mInstance);
  }
  const bool own = widget == nullptr;
  if (own) widget = NewDrawingArea();
  SetWidget(widget);
  PutPaneInFixed(this, true);
  if (!own) return;
  g_signal_connect(widget, "expose-event", G_CALLBACK(&OnPaneExpose), this);
  g_signal_connect(widget, "grab-focus", G_CALLBACK(&OnPaneGrabFocus), this);
  GtkWidget* top = gtk_widget_get_toplevel(widget);
  if (!GTK_WIDGET_REALIZED(widget) && top && GTK_WIDGET_TOPLEVEL(top) &&
      GTK_WIDGET_REALIZED(top)) {
    gtk_widget_realize(widget);
  }
}

RuntimeCustomControlPane::~RuntimeCustomControlPane() { delete mIdleTask; }

void* RuntimeCustomControlPane::Entry(int32_t index) const {
  if (mControl && mControl->plugin && mControl->plugin->unloaded) return nullptr;
  return mControl && mControl->behaviour ? mControl->behaviour[index] : nullptr;
}

uint32_t RuntimeCustomControlPane::Flags() const {
  return mControl && mControl->source ? mControl->source->flags : 0;
}

// ---- the callout bracket ----

bool RuntimeCustomControlPane::BeginCallout() {
  if (mPluginClosed || !RetainChain()) return false;
  RuntimeLockObject(mInstance);
  return true;
}

bool RuntimeCustomControlPane::EndCallout() {
  RuntimeObject* instance = mInstance;
  // Unlocking may free the control, whose destructor closes this (still retained) pane.
  RuntimeUnlockObject(instance);
  const bool closing = mPluginClosed || IsClosing();
  const bool deleted = ReleaseChain();  // may delete this pane
  return !instance || closing || deleted;
}

template <typename R, typename... Args>
R RuntimeCustomControlPane::Callout(int32_t index, bool* gone, Args... args) {
  *gone = true;
  const void* entry = Entry(index);
  if (!BeginCallout()) return R();
  RuntimeObject* instance = mInstance;
  if constexpr (std::is_void_v<R>) {
    CompiledCall().Invoke<void>(entry, instance, args...);
    *gone = EndCallout();
  } else {
    const R result = CompiledCall().Invoke<R>(entry, instance, args...);
    *gone = EndCallout();
    return result;
  }
}

void RuntimeCustomControlPane::Notify(int32_t index) {
  if (!Entry(index)) return;
  bool gone = false;
  Callout<void>(index, &gone);
}

void RuntimeCustomControlPane::StateChanged(int32_t code) {
  if (!mInstance || !Entry(kPluginStateChanged)) return;
  bool gone = false;
  Callout<void>(kPluginStateChanged, &gone, code);
}

void RuntimeCustomControlPane::RunIdle() {
  if (!Entry(kPluginIdle) || mPluginClosed || IsClosing()) return;
  SetDrawFocus(this);
  bool gone = false;
  Callout<void>(kPluginIdle, &gone);
}

// ---- drawing ----

void RuntimeCustomControlPane::DrawWith(int32_t index, Graphics& g) {
  if (!Entry(index) || mPluginClosed || IsClosing()) return;
  RuntimeObject* graphics = NewGraphicsObject(nullptr);
  if (!graphics) return;
  g.PrepareDrawing();
  SetNativeGraphics(graphics, &g);
  bool gone = false;
  Callout<void>(index, &gone, graphics);
  // A Graphics the plug-in kept draws nothing from now on.
  SetNativeGraphics(graphics, nullptr);
  RuntimeUnlockObject(graphics);
}

void RuntimeCustomControlPane::Draw(Graphics& g) { DrawWith(kPluginDraw, g); }

void RuntimeCustomControlPane::DrawInto(Graphics& g) {
  if (Entry(kPluginDrawInto)) {
    DrawWith(kPluginDrawInto, g);
  } else {
    Draw(g);
  }
}

void RuntimeCustomControlPane::EraseBackground() {
  if (!Entry(kPluginEraseBackground)) {
    SubPane::EraseBackground();
    return;
  }
  Notify(kPluginEraseBackground);
}

void RuntimeCustomControlPane::Refresh(bool) { InvalidateRect(Grown(GetBounds())); }

bool RuntimeCustomControlPane::GetRefreshBounds(QV::Rect& rect) {
  rect = Grown(GetBounds());
  return true;
}

bool RuntimeCustomControlPane::GetOpaqueBounds(QV::Rect& rect) {
  if (!(Flags() & kPluginControlOpaque)) return false;
  rect = GetBounds();
  return true;
}

// ---- mouse ----

bool RuntimeCustomControlPane::MouseDown(int32_t x, int32_t y, int32_t modifiers) {
  if (!mInstance || !Entry(kPluginMouseDown)) return false;
  if (IsClosing()) return true;
  const QV::Rect b = GetBounds();
  SetDrawFocus(this);
  bool gone = false;
  const bool taken = Callout<bool>(kPluginMouseDown, &gone, x - b.left, y - b.top, modifiers);
  if (gone) return true;
  if (taken) SetMouseCapturePane(this);
  return taken;
}

bool RuntimeCustomControlPane::ClickChildren(int32_t x, int32_t y, int32_t modifiers) {
  if (SubPane::ClickChildren(x, y, modifiers)) return true;
  return MouseDown(x, y, modifiers);
}

void RuntimeCustomControlPane::MouseDrag(int32_t x, int32_t y) {
  if (!Entry(kPluginMouseDrag)) return;
  const QV::Rect b = GetBounds();
  bool gone = false;
  Callout<void>(kPluginMouseDrag, &gone, x - b.left, y - b.top);
}

void RuntimeCustomControlPane::MouseUp(int32_t x, int32_t y) {
  if (!Entry(kPluginMouseUp)) return;
  const QV::Rect b = GetBounds();
  bool gone = false;
  Callout<void>(kPluginMouseUp, &gone, x - b.left, y - b.top);
}

// x and y arrive relative to the pane; the plug-in hears window coordinates.
void RuntimeCustomControlPane::MouseMove(int32_t x, int32_t y) {
  if (!Entry(kPluginMouseMove)) return;
  const QV::Rect b = GetBounds();
  bool gone = false;
  Callout<void>(kPluginMouseMove, &gone, x + b.left, y + b.top);
}

void RuntimeCustomControlPane::MouseEnter() { Notify(kPluginMouseEnter); }
void RuntimeCustomControlPane::MouseExit() { Notify(kPluginMouseExit); }

bool RuntimeCustomControlPane::ForwardToEventTarget(int32_t x, int32_t y, int32_t,
                                                    int32_t deltaY) {
  if (!mInstance || !Entry(kPluginMouseWheel)) return false;
  const QV::Rect b = GetBounds();
  SetDrawFocus(this);
  bool gone = false;
  const bool handled = Callout<bool>(kPluginMouseWheel, &gone, x - b.left, y - b.top, deltaY);
  return gone || handled;
}

bool RuntimeCustomControlPane::AdjustCursor(int32_t x, int32_t y) {
  if (Flags() & kPluginControlOwnCursor) return true;
  return SubPane::AdjustCursor(x, y);
}

// ---- keys and focus ----

bool RuntimeCustomControlPane::KeyDown(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (!Entry(kPluginKey)) return false;
  SetDrawFocus(this);
  bool gone = false;
  const bool taken = Callout<bool>(kPluginKey, &gone, character, keyCode, modifiers);
  return gone || taken;
}

bool RuntimeCustomControlPane::HandleChar(int32_t character, int32_t keyCode,
                                          int32_t modifiers) {
  return KeyDown(character, keyCode, modifiers);
}

bool RuntimeCustomControlPane::PassKeyToOwner(int32_t character, int32_t keyCode,
                                              int32_t modifiers) {
  return KeyDown(character, keyCode, modifiers | kPassedKey);
}

bool RuntimeCustomControlPane::CanTakeFocus() {
  if (!IsVisibleAndShown() || !IsEnabled()) return false;
  if (Flags() & kPluginControlAlwaysFocus) return true;
  if (!mControl || !mControl->source || mControl->source->version < kFocusQueryFromVersion ||
      !Entry(kPluginCanTakeFocus)) {
    return false;
  }
  bool gone = false;
  const bool accepts = Callout<bool>(kPluginCanTakeFocus, &gone);
  return !gone && accepts;
}

// The window keeps the GTK focus, so that its keys reach the plug-in.
void RuntimeCustomControlPane::FocusGained() {
  if (!Entry(kPluginWidget)) {
    if (Window* window = GetWindow()) gtk_window_set_focus(window->GetGtkWindow(), nullptr);
  }
  SetDrawFocus(this);
  Notify(kPluginGotFocus);
}

void RuntimeCustomControlPane::FocusLost() {
  if (IsClosing()) return;
  SetDrawFocus(this);
  Notify(kPluginLostFocus);
}

// ---- state ----

bool RuntimeCustomControlPane::ApplyStateCode(int32_t code) {
  if (code == kPluginStateCode) {
    if (Entry(kPluginStateCode2000)) {
      bool gone = false;
      Callout<void>(kPluginStateCode2000, &gone, int32_t(0));
    }
    return true;
  }
  if (code == kFocusRingStateCode) {
    if (!QV_CHECK_TEXT(mControl && mControl->source && GetOwner(),
                       "mOwner and mOwner->mControl and mOwner->mControl->ctl", nullptr)) {
      return false;
    }
    if ((Flags() & kPluginControlFocusRing) && CanTakeFocus()) {
      Window* window = GetWindow();
      mFocusRing = window && window->HasFocusableChild(this);
    }
  }
  return SubPane::ApplyStateCode(code);
}

void RuntimeCustomControlPane::SetBounds(const QV::Rect& bounds, bool redraw) {
  SubPane::SetBounds(bounds, redraw);
  StateChanged(kPluginStateBounds);
}

void RuntimeCustomControlPane::SetEnabled(bool enabled, bool redraw) {
  SubPane::SetEnabled(enabled, redraw);
  StateChanged(kPluginStateEnabled);
}

void RuntimeCustomControlPane::ShowWidget(bool show) {
  SubPane::ShowWidget(show);
  StateChanged(kPluginStateShown);
}

void RuntimeCustomControlPane::EnableMenuItems() {
  if (Entry(kPluginEnableMenuItems)) {
    bool gone = false;
    Callout<void>(kPluginEnableMenuItems, &gone);
    if (gone) return;
  }
  SubPane::EnableMenuItems();
}

bool RuntimeCustomControlPane::HandleMenuCommand(RuntimeObject* item) {
  if (!Entry(kPluginMenuCommand)) return SubPane::HandleMenuCommand(item);
  bool gone = false;
  const bool handled = Callout<bool>(kPluginMenuCommand, &gone, item);
  return gone || handled;
}

// ---- close ----

void RuntimeCustomControlPane::Close() {
  delete mIdleTask;
  mIdleTask = nullptr;
  if (mPluginClosed || IsClosing()) return;
  mPluginClosed = true;
  if (void* close = Entry(kPluginClose)) {
    SetDrawFocus(this);
    Retain();
    CompiledCall().Invoke<void>(close, mInstance);
    if (Release()) return;
  }
  SubPane::Close();
}
