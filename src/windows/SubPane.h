// SubPane: a pane with one GTK widget, in a tree of panes (an owner and an ordered list of
// children), with the state every view shares: visibility (its own, and whether its owners show
// it), enabling, activation, the page of an enclosing tab or page panel it belongs to, bounds
// with the lock-based layout of its children, invalidation and immediate drawing.
//
// Lifetime: the creator's reference is implicit and mLockCount counts the extra ones. Release
// takes one off; when the count falls below zero the pane closes its children, leaves its owner
// and its window's pane list, and is deleted. Close marks the pane closing, tells the death
// receivers, drops the keyboard focus, mouse capture and drawing focus it holds, tells the
// delegate and releases it.
//
// Bounds are in the content coordinates of the pane's window (its GtkFixed). A pane is
// effectively visible when both its visible and shown flags are set.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "core/GenericArray.h"
#include "core/SimpleVector.h"
#include "windows/CursorHandle.h"
#include "windows/Pane.h"

class Window;

// The edges a control keeps its distance to when its owner is resized.
enum ControlLock : uint32_t {
  kLockLeft = 1,
  kLockTop = 2,
  kLockRight = 4,
  kLockBottom = 8,
};

// What layout reads and writes of the language control a pane implements (its mRunControl).
// The control classes install the accessors; until they do, no control is locked to an edge
// and no bounds copy is kept.
struct RunControlAccess {
  uint32_t (*lockFlags)(RuntimeObject* control) = nullptr;  // ControlLock bits
  void (*storeBounds)(RuntimeObject* control, const QV::Rect& bounds) = nullptr;
};
// Returns the accessors installed before.
RunControlAccess SetRunControlAccess(const RunControlAccess& access);
const RunControlAccess& CurrentRunControlAccess();

// What the window's key handling needs to know of a text field pane (a GtkEntry, or a
// GtkScrolledWindow holding a GtkTextView): the edit field answers from its own properties.
struct TextFieldTraits {
  bool multiLine = false;
  bool readOnly = false;
  bool acceptsTabs = false;
};

// While one lives (a GTK signal is being delivered to the framework's handlers), a pane whose
// last reference goes is not torn down at once: it closes its children, leaves the tree and
// destroys its widget only once GTK is done with the signal (the next main-loop pass after
// the outermost scope, or ReleaseDeferredPanes), so that no widget is destroyed or taken out
// of its container inside a signal GTK is still delivering to it or its container.
class SignalScope {
 public:
  SignalScope();
  ~SignalScope();
  SignalScope(const SignalScope&) = delete;
  SignalScope& operator=(const SignalScope&) = delete;
};

// True while a signal scope lives: GTK is still delivering a signal to some widget.
bool InsideSignalScope();

// Lets go of the panes put off by signal scopes now (nothing while a scope lives): for closing
// every window once the main loop is over, when no pass will run them.
void ReleaseDeferredPanes();

class SubPane : public Pane {
 public:
  // With a parent the pane joins the tree: a pane made on a window goes into the innermost
  // pane of the window's pane list that encloses it on the same panel page. With finish and a
  // parent, Created is called.
  SubPane(SubPane* parent, int32_t panelIndex, const QV::Rect& bounds, bool finish);
  ~SubPane() override;

  // ---- Pane ----
  void DrawFocusGained() override;
  void DrawFocusLost() override;
  bool IsSubPane() override { return true; }
  void DrawNow() override;
  void ValidateAll() override;
  void ValidateRect(const QV::Rect& rect) override;
  GdkGC* GetGC() override;
  void ReleaseGC() override;
  GdkWindow* GetGdkWindow() override;
  // The window's background colour, when it has one.
  bool OwnBackgroundColor(uint32_t* rgb) override;
  GtkWidget* StyleWidget() override { return mWidget; }

  // ---- lifetime ----
  void Retain() { ++mLockCount; }
  // True when the pane was deleted, or (inside a signal scope) is closing and will be deleted
  // once the scope is over: the caller touches it no more either way.
  bool Release();
  virtual void Close();
  // Retain on the pane and every owner up to the top; false (and nothing retained) when the
  // pane is closing.
  virtual bool RetainChain();
  // Release on the pane and every owner up to the top; true when any was deleted or the pane or
  // an owner (its window) was closing: the caller then does nothing more with the pane.
  virtual bool ReleaseChain();
  // True when the pane or any owner is closing.
  bool IsChainClosing();
  virtual void FinishCreate() {}
  virtual void Created() {}
  int32_t LockCount() const { return mLockCount; }
  bool IsClosing() const { return mClosing; }
  // The control's AutoDeactivate, kept for the pane.
  bool AutoDeactivates() const { return mAutoDeactivate; }
  void SetAutoDeactivate(bool autoDeactivate) { mAutoDeactivate = autoDeactivate; }

  // ---- the tree ----
  // The pane whose link names the owner; a control made of several panes answers its outer one.
  virtual SubPane* GetLink() { return this; }
  // The pane that takes the control's mouse events.
  virtual SubPane* GetEventTarget() { return this; }
  virtual SubPane* GetOwner();
  // The top of the tree when it is a window, else nil.
  Window* GetWindow();
  virtual bool IsWindow() { return false; }
  int32_t ChildCount() const { return mChildren.Count(); }
  SubPane* ChildAt(int32_t index) const;
  // Whether pane is a child (searched last to first); with deep, also a child's descendant.
  virtual bool ContainsPane(SubPane* pane, bool deep);
  // Whether this pane's bounds hold other's entirely: false when this pane's bounds are empty;
  // with visibleOnly only while this pane is visible, with samePanel only on the same page.
  virtual bool EnclosesPane(SubPane* other, bool visibleOnly, bool samePanel);
  // Appends pane and becomes its owner; false when the pane cannot hold children.
  virtual bool AddChild(SubPane* pane);
  virtual void RemoveChild(SubPane* pane);
  // Moves the pane to the container its delegate chooses, else to the innermost pane before
  // it in its window's pane list that encloses it.
  virtual void AttachToContainer(bool visibleOnly, bool samePanel);
  // Leaves the owner for newParent (nil is a failed check).
  virtual void SetParent(SubPane* newParent);
  // The children move to whatever encloses them once this pane is out of the way.
  virtual void ReparentChildren();
  virtual bool IsPagePanel() { return false; }
  virtual bool IsTabPanel() { return false; }
  // A tab panel's current tab counted from 1; a page panel's current page.
  virtual int32_t GetCurrentTab() { return 0; }
  bool IsWithinTabPanel();
  virtual void BroadcastToChildren(int32_t value);
  // Without children, callback's answer for the pane; else every child's walk in order, false
  // at the first false.
  using ChildCallback = bool (*)(SubPane* pane, void* value);
  virtual bool ForEachChild(ChildCallback callback, void* value);

  // ---- state ----
  bool IsVisible() const { return mVisible; }
  bool IsShown() const { return mShown; }
  bool IsVisibleAndShown() const { return mVisible && mShown; }
  bool IsEnabled() const { return mEnabled; }
  bool IsActive() const { return mActive; }
  int32_t PanelIndex() const { return mPanelIndex; }
  virtual void Activate();
  virtual void Deactivate();
  // 5 enable, 6 disable, 7 show, 8 hide; every code then goes to every child. False.
  virtual bool ApplyStateCode(int32_t code);
  virtual void SetEnabled(bool enabled, bool redraw);
  virtual void SetVisible(bool visible);
  virtual void SetShownFromOwner(bool shown);
  virtual void ShowWidget(bool show);
  virtual void SetPanelIndex(int32_t index);
  virtual void SetBalloonHelp(const string& /*text*/) {}
  virtual void SetDisabledBalloonHelp(const string& /*text*/) {}
  // True when the pane has a widget that GTK lets take the focus and the pane is enabled,
  // visible and shown.
  virtual bool CanTakeFocus();
  virtual void FocusLost() {}
  virtual void FocusGained() {}
  virtual SubPane* GetFocusProxy() { return this; }
  virtual void FocusIdle() {}

  // ---- geometry ----
  virtual void SetBounds(const QV::Rect& bounds, bool redraw);
  virtual void BoundsChanged() {}
  virtual void SetBoundsAndLayout(const QV::Rect& bounds, bool redraw);
  // Moves and sizes the children locked to the right or bottom edge by the change since the
  // last layout.
  void LayoutChildren(bool redraw);
  // Controls that draw outside their bounds enlarge rect and answer true.
  virtual bool GetRefreshBounds(QV::Rect& /*rect*/) { return false; }
  // A pane that paints every pixel of a rectangle answers true with it in rect, so that what
  // lies behind need not be drawn there; by default nothing is known to be covered.
  virtual bool GetOpaqueBounds(QV::Rect& /*rect*/) { return false; }
  // The refresh bounds limited to every owner's; true when not empty.
  virtual bool GetBoundsInWindow(QV::Rect& rect);

  // ---- drawing ----
  virtual void Refresh(bool erase);
  virtual void DrawIfOpen();
  // Draws the pane, then each visible child clipped to its bounds, into g.
  virtual void DrawInto(Graphics& g);
  // DrawInto with the pane (and its descendants) placed at (x, y) for the while.
  virtual void DrawIntoAt(Graphics& g, int32_t x, int32_t y);
  virtual void DrawContent(Graphics& g, bool draw);
  // Copies source's area rect (window content coordinates, as on the pane's drawable) to rect
  // moved by (dx, dy), limited to the pane's bounds, and drops the pending repaint there.
  virtual void CopyFromDrawable(GdkDrawable* source, const QV::Rect& rect, int32_t dx,
                                int32_t dy);
  // Queues a repaint of rect (window content coordinates), narrowed by the delegate.
  void InvalidateRect(const QV::Rect& rect);
  // Told of every rect InvalidateRect is given, before anything narrows it and also while the
  // pane has no window: a pane that keeps its own image marks that part out of date.
  virtual void AreaInvalidated(const QV::Rect& /*rect*/) {}
  void InvalidateRectCoords(int32_t left, int32_t top, int32_t right, int32_t bottom);
  void RefreshBounds();
  // Paints what is pending at once.
  void ProcessUpdates();

  // ---- widget and mouse ----
  virtual GtkWidget* GetWidget() { return mWidget; }
  // True when a click the pane does not take goes on to the panes behind it.
  virtual bool PassesClickThrough() { return false; }
  // The pane's tooltips, made on first use.
  GtkTooltips* GetTooltips();
  bool IsMouseButtonDown();
  // The pointer in the content coordinates of the pane's window; (0, 0) without a window.
  void GetMousePosition(int32_t* x, int32_t* y);

  // ---- input ----
  // Mouse routines take (x, y), x horizontal; answers mean "handled". A child's hit rectangle
  // is its bounds narrowed by its delegate (HitRect).
  // The event target's MouseDown, when that is another pane; else not handled.
  bool MouseDown(int32_t x, int32_t y, int32_t modifiers) override;
  // The wheel's twin of MouseDown (deltas in lines).
  virtual bool ForwardToEventTarget(int32_t x, int32_t y, int32_t deltaX, int32_t deltaY);
  // The children under the point, front to back, until one answers true.
  bool ClickChildren(int32_t x, int32_t y, int32_t modifiers) override;
  // (x, y) relative to the pane (window content coordinates for the window itself): the
  // children the pointer left get MouseExit, those it entered MouseEnter, and every child
  // under it MouseMove relative to its hit rectangle.
  void MouseMove(int32_t x, int32_t y) override;
  // The frontmost child under the point decides; else the pane's own cursor becomes the
  // current cursor (true); false leaves the current cursor alone.
  virtual bool AdjustCursor(int32_t x, int32_t y);
  // Characters are Unicode code points, special keys the one-byte codes of the key handling
  // (KeyTranslation.h).
  virtual bool HandleChar(int32_t /*character*/, int32_t /*keyCode*/, int32_t /*modifiers*/) {
    return false;
  }
  // HandleChar for characters up to 127; false for the others.
  virtual bool KeyDown(int32_t character, int32_t keyCode, int32_t modifiers);
  // Up the owners; the window ends the chain.
  virtual bool PassKeyToOwner(int32_t character, int32_t keyCode, int32_t modifiers);
  virtual void EnableMenuItems();
  virtual bool OwnerMenuQuery(int32_t value);
  // item is the chosen MenuItem; true when handled.
  virtual bool HandleMenuCommand(RuntimeObject* item);
  // Whether the pane (unless it is except), or any pane below it but except, can take the
  // keyboard focus.
  virtual bool HasFocusableChild(SubPane* except);
  // The Tab key is about to give the pane the focus.
  virtual void FocusedByTab() {}
  // The first default (cancel) button among the children, depth first, that is visible, shown
  // and enabled; push buttons answer themselves.
  virtual SubPane* FindDefaultButton();
  virtual SubPane* FindCancelButton();
  virtual void Push() {}
  // Empty text turns the pane's tooltips off.
  virtual void SetHelpTag(const string& text);
  // After a press: true when button 1 is still held once the pointer moved or half a second
  // passed (a drag begins), false when it was released first or the pane closed meanwhile.
  virtual bool WaitForDrag();
  // The edit field's flags; a plain pane is a single-line, editable field without tabs.
  virtual TextFieldTraits GetTextFieldTraits() { return {}; }
  // A combo box's own say on a key: true when the window handles it rather than GTK.
  virtual bool ComboKeyGoesToWindow(int32_t /*character*/, int32_t /*keyCode*/) { return false; }
  // Gives this pane the keyboard focus (see SubPaneInput.cpp); nothing when it has no window
  // or cannot take the focus. An inactive window only remembers the pane.
  void SetKeyboardFocus();
  // The pane keeps its own copy of cursor (nil: no cursor of its own); the screen follows at
  // the next AdjustCursor.
  void SetMouseCursor(const CursorHandle* cursor);
  const CursorHandle* MouseCursor() const { return mCursor; }
  // The bounds after the delegate's ClipRect: what hit tests and cursor tracking use.
  QV::Rect HitRect();
  bool HitRectHolds(int32_t x, int32_t y);

  // ---- drops ----
  // The pane accepts drags of a type (a file type): a name already accepted, compared ignoring
  // case, changes nothing; a new one goes first, and GTK is told that the widget takes text
  // ("TEXT") or file drops (every new file type).
  virtual void AddAcceptedDragType(const string& type);
  virtual void AddAcceptedFileType(const string& type);
  // Newest first.
  const SimpleVector<string>& AcceptedDragTypes() const { return mDragTypes; }
  const SimpleVector<string>& AcceptedFileTypes() const { return mFileTypes; }
  // The pane, or one below it, that takes what dragItem carries at (x, y) (window content
  // coordinates), or nil (SubPaneDrops.cpp).
  virtual SubPane* FindDropTarget(int32_t x, int32_t y, RuntimeObject* dragItem);
  // The delegate's answers: true rejects the drag (false without a delegate).
  virtual bool DragEnter(RuntimeObject* dragItem, int32_t action);
  virtual bool DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action);
  virtual void DragExit(RuntimeObject* dragItem, int32_t action);
  virtual void DropObject(RuntimeObject* dragItem, int32_t action);
  // The drag item being dragged or dropped, or nil.
  RuntimeObject* CurrentDragItem();
  // The pane's answer to the drag now over it.
  bool IsDragRejected() const { return mDragRejected; }
  void SetDragRejected(bool rejected) { mDragRejected = rejected; }

  // The language control this pane implements; set once.
  void SetRunControl(RuntimeObject* control);
  RuntimeObject* GetRunControl() const { return mRunControl; }

 protected:
  // The derived class gives the pane its widget, which the pane keeps a reference on and
  // destroys with itself.
  void SetWidget(GtkWidget* widget);
  // For a Close that raises events before the pane's own Close: the pane counts as closing
  // from now on.
  void MarkClosing() { mClosing = true; }
  // For panes that decide their children's shown flags themselves (page panels).
  void StoreShown(bool shown) { mShown = shown; }

 private:
  void AttachNewPane(SubPane* parent);
  void SetOwnerLink(SubPane* owner) { mOwner = owner; }
  void DetachFromTree();
  // Moves the stored bounds of the pane and its descendants, nothing else.
  void OffsetTreeBounds(int32_t dh, int32_t dv);

  int32_t mLockCount = 0;
  RuntimeObject* mRunControl = nullptr;
  int32_t mPanelIndex = 0;
  bool mVisible = true;
  bool mShown = true;
  bool mEnabled = true;
  bool mActive = false;
  bool mClosing = false;
  bool mAutoDeactivate = false;
  SubPane* mOwner = nullptr;
  GenericArray mChildren;
  GdkGC* mGC = nullptr;
  GtkWidget* mWidget = nullptr;
  GtkTooltips* mTooltips = nullptr;  // nil until the first help tag
  CursorHandle* mCursor = nullptr;
  SimpleVector<string> mDragTypes;
  SimpleVector<string> mFileTypes;
  bool mDragRejected = false;
};

// For a GTK signal's handler on a pane's widget: runs notice in a signal scope with the pane
// and its owners held. False when the pane was closing already (the notice did not run) or a
// handler closed it or an owner.
template <typename Notice>
bool HoldForSignal(SubPane* pane, Notice notice) {
  SignalScope scope;
  if (!pane->RetainChain()) return false;
  notice();
  const bool open = !pane->IsChainClosing();
  pane->ReleaseChain();
  return open;
}
