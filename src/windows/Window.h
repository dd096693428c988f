// Window: the native top-level window under every window of the language, the message dialog
// and a combo box's drop-down list. It owns a GtkWindow and this widget tree:
//
//   GtkWindow
//     outer box (vertical)
//       bar box (vertical): the menu bar and the toolbars
//       GtkFixed: every control's widget at its bounds; also the window pane's own widget
//
// Pane bounds are in the GtkFixed's coordinates (content coordinates); the height of the bars
// (WindowContentTopOffset) separates them from the GtkWindow's. The window keeps every pane
// made on it in one pane list (back to front) and the pane remembered as holding the keyboard
// focus; it turns its frame kind into GTK window properties, keeps its content rectangle in
// screen coordinates, and limits its size through GTK geometry hints. Its GTK signal handlers
// (WindowEvents.cpp, WindowKeys.cpp) turn GTK's events into the pane tree's mouse, wheel, key,
// focus, activation and close operations; the language's window overrides the notices.
//
// Every window is on the list of all windows (newest first) and on the window order list
// (WindowOrder.h) from construction to destruction. Lifetime is the SubPane's: Close hides the
// window, closes it and releases the creator's reference; the destructor destroys the
// GtkWindow. The GtkWindow is shown by the main loop's window pass (ShowPendingWindows) once
// the window is to be visible.
//
// X11's headers name a type Window too; a file that includes them cannot include this one.
#pragma once

#include <gtk/gtk.h>

#include "core/GenericArray.h"
#include "core/SimpleVector.h"
#include "windows/ContainerPane.h"

// Native frame kinds; the comment names the language frame that maps to each.
enum WindowKind : int32_t {
  kWindowKindNone = 0,
  kWindowKindFloating = 1,         // Floating
  kWindowKindModal = 2,            // Modal
  kWindowKindMovableModal = 3,     // MovableModal; a message dialog without a parent
  kWindowKindPlainBox = 4,         // Plain
  kWindowKindShadowedBox = 5,      // Shadowed
  kWindowKindRounded = 6,          // Rounded
  kWindowKindDropDown = 7,         // a combo box's drop-down list
  kWindowKindDocument = 8,         // Document
  kWindowKindGlobalFloating = 9,   // GlobalFloating
  kWindowKindSheet = 10,           // Sheet; a message dialog with a parent
  kWindowKindMetal = 11,           // Metal: made as a document window
  kWindowKindDrawer = 12,          // Drawer: made as a floating window
  kWindowKindModelessDialog = 13,  // ModelessDialog
};

// The classic window definition number that asks for a window without decorations.
constexpr int32_t kUndecoratedWindowDefinition = 1040;

// How PlaceWindowRect places a rectangle given at the origin.
enum WindowPlacement : int32_t {
  kPlaceDefault = 0,             // 4 across, 100 down
  kPlaceParentWindow = 1,        // centred on the front window of its layer, 30 below its top
  kPlaceMainScreen = 2,          // centred across the screen, a third of the way down
  kPlaceParentWindowScreen = 3,  // as kPlaceMainScreen (there is one screen)
  kPlaceStaggered = 4,           // 20 right of and below the front window of its layer
  kPlaceScreenCentre = 5,        // centred on the screen
};

// How ConstrainToScreen keeps a rectangle on the usable screen area.
enum ScreenConstraint : int32_t {
  kConstrainInside = 0,         // moved inside, 2 pixels from the edges, below a title bar
  kConstrainInsideClipped = 1,  // the same, then cut to the area
  kConstrainBottom = 2,         // bottom cut to the area
  kConstrainLeft = 3,           // left raised into the area
};

// The one screen: its whole rectangle and the usable area the window manager leaves.
struct ScreenGeometry {
  QV::Rect bounds;
  QV::Rect available;
};
// Reads the screen (through the Screen class); false without a display.
bool ReadScreenGeometry(ScreenGeometry* screen);

struct WindowSpec {
  string title;
  QV::Rect bounds{};  // the content rectangle in screen coordinates
  int32_t kind = kWindowKindDocument;
  uint32_t ownerWord = 0;  // kept for the creator
  bool resizable = true;
  bool liveResize = false;
  int32_t windowDefinition = 0;  // kUndecoratedWindowDefinition removes the frame
};

class Window : public ContainerPane {
 public:
  explicit Window(const WindowSpec& request);
  ~Window() override;

  // ---- the pane tree ----
  bool IsWindow() override { return true; }
  bool CanTakeFocus() override { return true; }
  // The drawing-focus notices stop at the window.
  void DrawFocusGained() override {}
  void DrawFocusLost() override {}
  // With a back colour the content is cleared first; then DrawBackground.
  void Draw(Graphics& g) override;
  // Draws even while closing.
  void DrawIfOpen() override { DrawNow(); }
  // Offers the click to the panes under the point, front to back (see WindowEvents.cpp).
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  // Active, then the focus candidate takes the keyboard focus (not for floating windows and
  // drop-down lists).
  void Activate() override;
  // Takes away the keyboard focus when it lies in this window, then inactive.
  void Deactivate() override;
  bool HandleChar(int32_t, int32_t, int32_t) override { return false; }
  // The cancel-key chord pushes the cancel button; there is none on this platform.
  bool PassKeyToOwner(int32_t character, int32_t keyCode, int32_t modifiers) override;
  // The window's wheel handler.
  bool ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY) override {
    return MouseWheel(x, y, deltaX, deltaY);
  }
  // Hide, then the pane's Close.
  void Close() override;
  // A closing pane also leaves the pane list.
  void RemoveChild(SubPane* pane) override;

  // ---- window operations; the language's window overrides the notices ----
  virtual bool ContextualClick(int32_t /*x*/, int32_t /*y*/) { return false; }
  virtual void DrawBackground(Graphics& /*g*/) {}
  // A drawer shown within a window reveals that window; any other window is shown now. True.
  virtual bool Reveal();
  virtual void RefreshAll() { RefreshBounds(); }
  // Modal, movable modal, shadowed and sheet windows.
  virtual bool IsModalKind();
  virtual bool IsRuntimeWindow() { return false; }
  // Moves the content's top left corner to (left, top) on the screen; report raises Moved at
  // the next window pass.
  virtual void MoveTo(int32_t left, int32_t top, bool report);
  // Sizes the content; report raises Resized at the next window pass.
  virtual void ResizeTo(int32_t width, int32_t height, bool report);
  virtual void Moved() {}
  // GTK is resizing the window: Resized at once when live resizing is on.
  virtual void Resizing();
  virtual void Resized() {}
  // Moves pane in the pane list to just after after, or to the front (index 0) for nil.
  virtual void PlacePaneAfter(SubPane* pane, SubPane* after);
  // Minimum height, minimum width, maximum height and maximum width as the Rect's top, left,
  // bottom and right; all 0 sets no limit.
  virtual void GetSizeLimits(QV::Rect& /*limits*/) {}
  // The close box was clicked; true keeps the window (see WindowEvents.cpp).
  virtual bool CloseBoxClicked() { return false; }
  virtual void Minimized() { mMinimized = true; }
  virtual void Maximized() { mMaximized = true; }
  virtual void Restored() { mMinimized = mMaximized = false; }
  // The remembered focus control while visible and shown, else the first pane that can take
  // the focus, else the window.
  virtual SubPane* GetFocusCandidate();
  // The focusable pane before (after) pane in the pane list, wrapping around; nil when none.
  virtual SubPane* PrevFocusPane(SubPane* pane);
  virtual SubPane* NextFocusPane(SubPane* pane);
  // The panes under the point, front to back, until one takes the wheel.
  virtual bool MouseWheel(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY);
  // A drag over the window itself; the answers mean what PaneDelegate's do (true rejects).
  bool DragEnter(RuntimeObject* /*dragItem*/, int32_t /*action*/) override { return false; }
  void DragExit(RuntimeObject* /*dragItem*/, int32_t /*action*/) override {}
  bool DragOver(int32_t /*x*/, int32_t /*y*/, RuntimeObject* /*dragItem*/,
                int32_t /*action*/) override {
    return false;
  }
  void DropObject(RuntimeObject* /*dragItem*/, int32_t /*action*/) override {}

  // ---- showing and state ----
  // The window is to be visible; an already visible window comes to the front.
  void Show();
  void Hide();
  bool IsWindowVisible() const { return mWindowVisible; }
  void SetTitle(const string& title);
  const string& Title() const { return mTitle; }
  // Setting or removing a colour refreshes the window when what it shows changes.
  void SetBackColor(uint32_t rgb);
  void RemoveBackColor();
  bool HasBackColor() const { return mHasBackColor; }
  uint32_t BackColor() const { return mBackColor; }
  // Fills the pane bounds with the back colour, or the theme's window background without one.
  void PaintBackground(Graphics* g);
  void Maximize();
  void Minimize();
  void Restore();
  bool IsMinimized() const { return mMinimized; }
  bool IsMaximized() const { return mMaximized; }
  int32_t Kind() const { return mKind; }
  uint32_t OwnerWord() const { return mOwnerWord; }
  bool IsResizable() const { return mResizable; }
  // Whether the size limits keep the window at its size (full screen lifts them for a while).
  void SetResizable(bool resizable) { mResizable = resizable; }
  int32_t PositionMode() const { return mPositionMode; }
  void SetPositionMode(int32_t mode) { mPositionMode = mode; }
  bool LiveResize() const { return mLiveResize; }
  void SetLiveResize(bool live) { mLiveResize = live; }
  // The window is shown within parent (nil: on its own), facing as the language gives it.
  void SetShownWithin(Window* parent, int32_t facing);
  Window* ShownWithin() const { return mShownWithin; }
  int32_t Facing() const { return mFacing; }

  // ---- geometry ----
  const QV::Rect& ScreenBounds() const { return mScreenBounds; }
  // The content rectangle on the screen: measured while the GtkWindow is visible, else the
  // stored one.
  void GetGlobalBounds(QV::Rect& bounds);
  // The content rectangle of the realized GtkWindow with its top left corner at (x, y).
  QV::Rect BoundsAtOrigin(int32_t x, int32_t y);
  // Measures the window; Moved and Resized when its place or size changed (or a reported
  // move or resize is pending).
  void CheckMovedOrResized();
  // Sets GTK's size limits from GetSizeLimits (on every configure event).
  void ApplySizeLimits();
  // Main-loop passes while the window is visible and the program is not quitting.
  void RunModal();

  // ---- widgets ----
  GtkWindow* GetGtkWindow() const { return mGtkWindow; }
  // The container of the content; also the window's own widget.
  GtkFixed* ContentFixed() const { return mFixed; }
  GtkBox* BarBox() const { return mBarBox; }
  GtkWidget* MenuBarWidget() const { return mMenuBar; }
  // The menu bar packed into the bar box (nil: none).
  void SetMenuBarWidget(GtkWidget* menuBar) { mMenuBar = menuBar; }
  // Whether the window was resized for its menu bar once the bar had its GDK window.
  bool MenuBarAttached() const { return mMenuBarAttached; }
  void SetMenuBarAttached(bool attached) { mMenuBarAttached = attached; }
  const SimpleVector<GtkWidget*>& Toolbars() const { return mToolbars; }
  void AddToolbar(GtkWidget* toolbar) { mToolbars.Append(toolbar); }
  void RemoveToolbar(GtkWidget* toolbar) { mToolbars.RemoveAll(toolbar); }

  // ---- panes ----
  int32_t PaneCount() const { return mPanes.Count(); }
  SubPane* PaneAt(int32_t index) const;
  // -1 when pane is not in the list.
  int32_t IndexOfPane(SubPane* pane) const;
  void AppendPane(SubPane* pane);
  void InsertPane(int32_t index, SubPane* pane);
  // Nothing when pane is not in the list.
  void RemovePane(SubPane* pane);
  SubPane* FocusControl() const { return mFocusControl; }
  void SetFocusControl(SubPane* pane) { mFocusControl = pane; }
  // The pane at which the last mouse-down stopped without being taken, or nil.
  SubPane* ClickedPane() const { return mClickedPane; }

  // ---- keys ----
  // The key-press pipeline (WindowKeys.cpp); true when the key was handled.
  bool HandleKeyPress(const GdkEventKey* event);

  // ---- menu handlers: item names compared ignoring case ----
  void AddMenuHandler(const string& itemName, void* handler);
  // False (and handler nil) when no record has the name.
  bool FindMenuHandler(const string& itemName, void** handler) const;

  // ---- every window ----
  // callback with each window of the window order list, front to back; false at the first
  // false.
  using WindowCallback = bool (*)(Window* window, void* value);
  static bool ForEachWindow(WindowCallback callback, void* value);
  // The main loop's window pass: every window is measured (CheckMovedOrResized), then shown
  // when it is to be visible and its GtkWindow is not yet.
  static void ShowPendingWindows();
  // The newest window of the list of all windows, and the next older one.
  static Window* FirstWindow();
  Window* NextWindow() const { return mNextWindow; }

 private:
  friend struct WindowSignals;
  struct MenuHandlerRecord {
    void* handler;
    string name;
  };

  void BuildWidgets(const WindowSpec& request);
  void ConnectSignals();
  void DisconnectSignals();
  void LeaveWindowList();
  // The key pipeline's steps after the focus pane (WindowKeys.cpp).
  bool KeyGoesToWindow(SubPane* focus, int32_t character, int32_t keyCode);
  bool HandleWindowKey(int32_t character, int32_t keyCode, int32_t modifiers);
  // Pushes button; false for nil.
  bool PushButton(SubPane* button);
  // Tab and Shift+Tab: the pane that gets the focus next, or nil.
  SubPane* TabTarget(bool backwards);
  // The first (last) pane of the pane list in [from, to) that can take the focus.
  SubPane* FirstFocusable(int32_t from, int32_t to);
  SubPane* LastFocusable(int32_t from, int32_t to);
  // pane's place in the focus order: its link's index, -1 for the window and for nil.
  int32_t FocusOrderIndex(SubPane* pane);

  bool mMinimized = false;
  bool mMaximized = false;
  uint32_t mOwnerWord;
  Window* mNextWindow = nullptr;
  Window* mShownWithin = nullptr;
  int32_t mFacing = 2;
  int32_t mPositionMode = -2;
  int32_t mKind;
  bool mWindowVisible = true;
  bool mResizable;
  bool mResizedPending = false;
  bool mMovedPending = false;
  bool mLiveResize = false;
  bool mHasBackColor = false;
  uint32_t mBackColor = 0xFFFFFF;
  SubPane* mFocusControl = nullptr;
  SimpleVector<MenuHandlerRecord> mMenuHandlers;
  string mTitle;
  GenericArray mPanes;
  SubPane* mClickedPane = nullptr;
  QV::Rect mScreenBounds;
  SimpleVector<GtkWidget*> mToolbars;
  GtkWindow* mGtkWindow = nullptr;
  GtkWidget* mOuterBox = nullptr;
  GtkWidget* mMenuBar = nullptr;
  bool mMenuBarAttached = false;
  GtkBox* mBarBox = nullptr;
  GtkFixed* mFixed = nullptr;
};

// What a window's rectangle becomes, as pure functions of the screen (and, for placement, the
// front window of the layer, nil when none): PlaceWindowRect's and ConstrainToScreen's rules.
void PlaceRectOnScreen(QV::Rect& rect, int32_t mode, const QV::Rect* reference,
                       const ScreenGeometry& screen);
void ConstrainRectToScreen(QV::Rect& rect, int32_t mode, const ScreenGeometry& screen);
// The same against the screen and the windows as they are; a nil rect is a failed check.
void PlaceWindowRect(QV::Rect* rect, int32_t mode, int32_t kind);
void ConstrainToScreen(QV::Rect* rect, int32_t mode);
// The layer a kind's windows are stacked in: 0 floating, 1 modal, 2 document, 3 drawer.
int32_t WindowLayer(int32_t kind);
// A wheel turn in GTK's terms, given to the window's MouseWheel (the window's own "scroll-event"
// handler; widgets that would scroll themselves hand their turns here instead).
void DeliverWheelToWindow(Window* window, const GdkEventScroll* event);
