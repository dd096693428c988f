// Window: construction and destruction, the lists of windows, showing, title, colours, the
// window states, the pane list and menu handlers, and the window layer's hooks into the main
// loop.
#include "windows/Window.h"

#include <algorithm>

#include "app/ClassLibraryHooks.h"
#include "app/DockAndTrayItems.h"
#include "app/MainLoop.h"
#include "app/ModalLoop.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "graphics/PangoFonts.h"
#include "windows/DrawFocus.h"
#include "windows/GtkDefaults.h"
#include "windows/GtkInput.h"
#include "windows/PaneFocus.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowOrder.h"

namespace {

Window* gFirstWindow = nullptr;  // the list of all windows, newest first

QV::Rect AtOrigin(const QV::Rect& bounds) {
  QV::Rect rect = bounds;
  RectOffset(rect, -bounds.left, -bounds.top);
  return rect;
}

// Metal windows are made as document windows and drawers as floating ones.
int32_t StoredKind(int32_t kind) {
  if (kind == kWindowKindDrawer) return kWindowKindFloating;
  if (kind == kWindowKindMetal) return kWindowKindDocument;
  return kind;
}

// Modal for GTK: IsModalKind's kinds and the plain box.
bool IsGtkModalKind(int32_t kind) {
  switch (kind) {
    case kWindowKindModal:
    case kWindowKindMovableModal:
    case kWindowKindPlainBox:
    case kWindowKindShadowedBox:
    case kWindowKindSheet:
      return true;
    default:
      return false;
  }
}

// The windows of a list walk, each retained while the walk calls out, since what it calls may
// close any of them.
class RetainedWindows {
 public:
  void Add(Window* window) {
    window->Retain();
    mWindows.Append(window);
  }
  uint32_t size() const { return mWindows.size(); }
  Window* operator[](uint32_t index) const { return mWindows[int32_t(index)]; }
  ~RetainedWindows() {
    for (uint32_t i = 0; i < mWindows.size(); ++i) mWindows[int32_t(i)]->Release();
  }

 private:
  SimpleVector<Window*> mWindows;
};

}  // namespace

Window::Window(const WindowSpec& request)
    : ContainerPane(nullptr, -1, AtOrigin(request.bounds)),
      mOwnerWord(request.ownerWord),
      mKind(StoredKind(request.kind)),
      mResizable(request.resizable),
      mLiveResize(request.liveResize),
      mTitle(request.title),
      mScreenBounds(request.bounds) {
  ClearDrawFocus();
  mPanes.Init();
  mNextWindow = gFirstWindow;
  gFirstWindow = this;
  BuildWidgets(request);
  ConnectSignals();
  UpdateWindowOrder(this, kWindowOrderAddAtFront);
}

void Window::BuildWidgets(const WindowSpec& request) {
  mGtkWindow = GTK_WINDOW(gtk_window_new(GTK_WINDOW_TOPLEVEL));
  mOuterBox = gtk_vbox_new(FALSE, 0);
  gtk_container_add(GTK_CONTAINER(mGtkWindow), mOuterBox);
  gtk_widget_show(mOuterBox);
  mBarBox = GTK_BOX(gtk_vbox_new(FALSE, 0));
  gtk_box_pack_start(GTK_BOX(mOuterBox), GTK_WIDGET(mBarBox), FALSE, TRUE, 0);
  gtk_widget_show(GTK_WIDGET(mBarBox));
  mFixed = GTK_FIXED(gtk_fixed_new());
  gtk_box_pack_end(GTK_BOX(mOuterBox), GTK_WIDGET(mFixed), TRUE, TRUE, 0);
  gtk_widget_show(GTK_WIDGET(mFixed));
  SetWidget(GTK_WIDGET(mFixed));

  const QV::Rect& bounds = request.bounds;
  gtk_window_set_gravity(mGtkWindow, GDK_GRAVITY_STATIC);
  gtk_window_set_title(mGtkWindow, TextForPango(mTitle).CString());
  gtk_window_move(mGtkWindow, bounds.left, bounds.top);
  gtk_window_resize(mGtkWindow, std::max(bounds.right - bounds.left, 1),
                    std::max(bounds.bottom - bounds.top, 1));
  const bool modal = IsGtkModalKind(mKind);
  gtk_window_set_modal(mGtkWindow, modal);
  if (modal || mKind == kWindowKindModelessDialog) {
    if (Window* front = FrontNativeWindow()) {
      gtk_window_set_transient_for(mGtkWindow, front->GetGtkWindow());
    }
  }
  if (mKind == kWindowKindPlainBox || mKind == kWindowKindShadowedBox ||
      request.windowDefinition == kUndecoratedWindowDefinition) {
    gtk_window_set_decorated(mGtkWindow, FALSE);
  } else if (mKind == kWindowKindFloating || mKind == kWindowKindGlobalFloating) {
    gtk_window_set_type_hint(mGtkWindow, GDK_WINDOW_TYPE_HINT_UTILITY);
  }
  gtk_widget_add_events(GTK_WIDGET(mGtkWindow),
                        GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK);
}

Window::~Window() {
  UpdateWindowOrder(this, kWindowOrderRemove);
  // No handler may see the window while GTK takes its widgets down.
  DisconnectSignals();
  // The menu bar belongs to its menu node, which destroys it itself.
  if (mMenuBar) gtk_container_remove(GTK_CONTAINER(mBarBox), mMenuBar);
  mMenuBar = nullptr;
  gtk_widget_destroy(GTK_WIDGET(mGtkWindow));
  mGtkWindow = nullptr;
  mOuterBox = nullptr;
  mBarBox = nullptr;
  mFixed = nullptr;
  SetWidget(nullptr);  // destroyed with the GtkWindow: the pane lets it go, not destroys it again
  LeaveWindowList();
  for (Window* window = gFirstWindow; window; window = window->mNextWindow) {
    if (window->mShownWithin == this) window->mShownWithin = nullptr;
  }
  mPanes.Dispose();
}

void Window::LeaveWindowList() {
  for (Window** link = &gFirstWindow; *link; link = &(*link)->mNextWindow) {
    if (*link != this) continue;
    *link = mNextWindow;
    break;
  }
  mNextWindow = nullptr;
}

Window* Window::FirstWindow() { return gFirstWindow; }

bool Window::ForEachWindow(WindowCallback callback, void* value) {
  RetainedWindows windows;
  for (int32_t i = 0; i < WindowOrderCount(); ++i) windows.Add(WindowOrderAt(uint32_t(i)));
  for (uint32_t i = 0; i < windows.size(); ++i) {
    if (!callback(windows[i], value)) return false;
  }
  return true;
}

void Window::ShowPendingWindows() {
  RetainedWindows windows;
  for (Window* window = gFirstWindow; window; window = window->mNextWindow) windows.Add(window);
  for (uint32_t i = 0; i < windows.size(); ++i) {
    Window* window = windows[i];
    if (window->IsClosing()) continue;
    window->CheckMovedOrResized();
    GtkWidget* gtkWindow = GTK_WIDGET(window->mGtkWindow);
    if (!window->IsClosing() && window->mWindowVisible && !GTK_WIDGET_VISIBLE(gtkWindow)) {
      gtk_widget_show(gtkWindow);
    }
  }
}

// ---- showing and state ----

void Window::Show() {
  const bool wasVisible = mWindowVisible;
  mWindowVisible = true;
  if (wasVisible && GTK_WIDGET_VISIBLE(mGtkWindow) && !IsClosing()) gtk_window_present(mGtkWindow);
}

void Window::Hide() {
  if (!mWindowVisible) return;
  mWindowVisible = false;
  UpdateWindowOrder(this, kWindowOrderSendToBack);
  gtk_widget_hide(GTK_WIDGET(mGtkWindow));
}

// The widgets lose their X windows together, with the toplevel's, before the panes go one by
// one: a control's widget destroyed while its window was still realized cost it an X window of
// its own to destroy and its container a resize, some 150 microseconds a control. Not inside a
// signal: GTK goes on with the widget it was delivering to (an entry whose Change closed the
// window sets its pointer on its text window after the handler), and the panes go later anyway.
void Window::Close() {
  Hide();
  if (!InsideSignalScope()) gtk_widget_unrealize(GTK_WIDGET(mGtkWindow));
  ContainerPane::Close();
}

void Window::SetTitle(const string& title) {
  mTitle = title;
  gtk_window_set_title(mGtkWindow, TextForPango(mTitle).CString());
}

// A colour equal to the one stored still counts when none was set: white is a colour too.
void Window::SetBackColor(uint32_t rgb) {
  if (mHasBackColor && rgb == mBackColor) return;
  mHasBackColor = true;
  mBackColor = rgb;
  Refresh(true);
}

void Window::RemoveBackColor() {
  if (!mHasBackColor) return;
  mHasBackColor = false;
  Refresh(true);
}

void Window::Draw(Graphics& g) {
  if (mHasBackColor) {
    QV::Rect content;
    RectSet(content, 0, 0, Width(), Height());
    g.ClearRect(content);
  }
  DrawBackground(g);
}

void Window::PaintBackground(Graphics* g) {
  if (!QV_CHECK_TEXT(g, "gfx", nullptr)) return;
  g->SetForeColor(mHasBackColor ? ColorFromRGB(mBackColor) : GetGtkStyleColor(kStyleBackground));
  g->FillRect(GetBounds());
}

void Window::Maximize() {
  if (mMaximized) return;
  mMaximized = true;
  gtk_window_maximize(mGtkWindow);
}

void Window::Minimize() {
  if (mMinimized) return;
  mMinimized = true;
  gtk_window_iconify(mGtkWindow);
}

void Window::Restore() {
  if (mMaximized) {
    gtk_window_unmaximize(mGtkWindow);
    mMaximized = false;
  } else if (mMinimized) {
    gtk_window_deiconify(mGtkWindow);
    mMinimized = false;
  }
}

bool Window::IsModalKind() {
  return mKind == kWindowKindModal || mKind == kWindowKindMovableModal ||
         mKind == kWindowKindShadowedBox || mKind == kWindowKindSheet;
}

void Window::SetShownWithin(Window* parent, int32_t facing) {
  mShownWithin = parent;
  mFacing = facing;
  gtk_window_set_transient_for(mGtkWindow, parent ? parent->GetGtkWindow() : nullptr);
}

bool Window::Reveal() {
  if (mKind == kWindowKindDrawer && mShownWithin) return mShownWithin->Reveal();
  mShownWithin = nullptr;
  ShowPendingWindows();
  return true;
}

void Window::Resizing() {
  if (mLiveResize) Resized();
}

void Window::RunModal() {
  Retain();
  while (mWindowVisible && !IsClosing() && !ModalLoopMustEnd()) MainLoopDoEvents(true);
  Release();
}

bool Window::PassKeyToOwner(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (!IsCancelKeyChord(character, keyCode, modifiers)) return false;
  SubPane* cancel = FindCancelButton();
  if (!cancel) return false;
  cancel->Push();
  return true;
}

// ---- panes ----

SubPane* Window::PaneAt(int32_t index) const {
  return reinterpret_cast<SubPane*>(mPanes.GetAt(index));
}

int32_t Window::IndexOfPane(SubPane* pane) const {
  for (int32_t i = 0; i < mPanes.Count(); ++i) {
    if (PaneAt(i) == pane) return i;
  }
  return -1;
}

void Window::AppendPane(SubPane* pane) { mPanes.Append(reinterpret_cast<uint32_t>(pane)); }

void Window::InsertPane(int32_t index, SubPane* pane) {
  mPanes.InsertAt(index, reinterpret_cast<uint32_t>(pane));
}

void Window::RemovePane(SubPane* pane) {
  const int32_t index = IndexOfPane(pane);
  if (index >= 0) mPanes.RemoveAt(index);
  if (mClickedPane == pane) mClickedPane = nullptr;
}

void Window::PlacePaneAfter(SubPane* pane, SubPane* after) {
  const int32_t index = IndexOfPane(pane);
  if (index < 0) return;
  mPanes.RemoveAt(index);
  InsertPane(after ? IndexOfPane(after) + 1 : 0, pane);
}

void Window::RemoveChild(SubPane* pane) {
  ContainerPane::RemoveChild(pane);
  if (pane->IsClosing()) RemovePane(pane);
}

// ---- menu handlers ----

void Window::AddMenuHandler(const string& itemName, void* handler) {
  for (uint32_t i = 0; i < mMenuHandlers.size(); ++i) {
    MenuHandlerRecord& record = mMenuHandlers[int32_t(i)];
    if (record.name.Compare(itemName) != 0) continue;
    record.handler = handler;
    return;
  }
  mMenuHandlers.Append({handler, itemName});
}

bool Window::FindMenuHandler(const string& itemName, void** handler) const {
  *handler = nullptr;
  for (uint32_t i = 0; i < mMenuHandlers.size(); ++i) {
    const MenuHandlerRecord& record = mMenuHandlers[int32_t(i)];
    if (record.name.Compare(itemName) != 0) continue;
    *handler = record.handler;
    return true;
  }
  return false;
}

// ---- the main loop's window hooks ----

namespace {

// When the debugger lets a stopped program run on, its front window comes back to the front.
void RaiseFrontWindow() {
  Window* front = FrontNativeWindow();
  if (front && front->IsWindowVisible() && front->GetGtkWindow())
    gtk_window_present(front->GetGtkWindow());
}

void InstallWindowSystemHooks() {
  WindowSystemHooks hooks;
  hooks.showPendingWindows = &Window::ShowPendingWindows;
  hooks.raiseFrontWindow = &RaiseFrontWindow;
  hooks.dragMouseCapture = &DragMouseCapture;
  hooks.isCancelKeyDown = +[] { return IsMacKeyCodeDown(kMacKeyEscape); };
  hooks.hasOpenWindows = &HasRuntimeWindows;
  hooks.closeWindowsForQuit = +[] {
    return Window::ForEachWindow(&CloseWindowForQuit, nullptr);
  };
  hooks.closeAllWindows = &CloseAllNativeWindows;
  hooks.removeTrayItems = &RemoveAllTrayItems;
  SetWindowSystemHooks(hooks);
}

}  // namespace

QV_STARTUP(kStartupWindowSystemHooks, InstallWindowSystemHooks)
