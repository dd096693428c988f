// Pane: the root of every native view (controls, windows, off-screen surfaces). A pane holds
// its rectangle in its window's content coordinates, its default text attributes and its
// delegate, and declares the operations the whole view tree answers. SubPane (panes with a GTK
// widget) derives from it.
//
// Also here: the delegate interface through which a pane reports upward, and the observers
// that are told when a pane dies (a process-wide list, told first registered first).
#pragma once

#include <cstdint>

#include "core/Rect.h"
#include "core/RuntimeObject.h"
#include "graphics/DrawingTarget.h"
#include "graphics/Graphics.h"
#include "strings/RuntimeString.h"

class Pane;
class SubPane;

// Carries a pane's events to its owner (the language layer). Every operation has a harmless
// default.
class PaneDelegate {
 public:
  virtual ~PaneDelegate() = default;
  virtual void PaneClosing(Pane* /*pane*/) {}
  virtual void DropObject(Pane* /*pane*/, RuntimeObject* /*dragItem*/, int32_t /*action*/) {}
  // True when the delegate dealt with the notice; otherwise the pane's owner is told.
  virtual bool DrawFocusGained() { return false; }
  virtual bool DrawFocusLost() { return false; }
  // May narrow rect, which hit tests, cursor tracking and invalidation of the pane then use.
  virtual void ClipRect(Pane* /*pane*/, QV::Rect& /*rect*/) {}
  // The container the pane should belong to, or nil for no preference.
  virtual SubPane* ChooseContainer(Pane* /*pane*/) { return nullptr; }
  // Drag answers have one meaning everywhere, from the language's handlers up: true rejects
  // the drag, false (also no handler) accepts it. A pane keeps DragEnter's answer as its
  // drag-rejected flag; only a pane that has not rejected the drag is highlighted and sent
  // DragOver, whose true rejects it from then on.
  virtual bool DragEnter(RuntimeObject* /*dragItem*/, int32_t /*action*/) { return false; }
  virtual void DragExit(RuntimeObject* /*dragItem*/, int32_t /*action*/) {}
  virtual bool DragOver(int32_t /*x*/, int32_t /*y*/, RuntimeObject* /*dragItem*/,
                        int32_t /*action*/) {
    return false;
  }
};

class Pane : public DrawingTarget {
 public:
  explicit Pane(const QV::Rect& bounds);
  virtual ~Pane();
  Pane(const Pane&) = delete;
  Pane& operator=(const Pane&) = delete;

  virtual void SetTextSize(int16_t size) { mTextSize = size; }
  // Drawing-focus notices (SetDrawFocus, ClearDrawFocus).
  virtual void DrawFocusGained() {}
  virtual void DrawFocusSetUp() {}
  virtual void DrawFocusLost() {}
  virtual void Draw(Graphics& /*g*/) {}
  virtual bool IsSubPane() { return false; }
  // Draws the pane at once through a Graphics of its own.
  virtual void DrawNow();
  // Mouse input; true means handled.
  virtual bool MouseDown(int32_t /*x*/, int32_t /*y*/, int32_t /*modifiers*/) { return false; }
  virtual bool ClickChildren(int32_t /*x*/, int32_t /*y*/, int32_t /*modifiers*/) { return false; }
  virtual void MouseDrag(int32_t /*x*/, int32_t /*y*/) {}
  virtual void MouseMove(int32_t /*x*/, int32_t /*y*/) {}
  virtual void MouseUp(int32_t /*x*/, int32_t /*y*/) {}
  virtual void MouseEnter() {}
  virtual void MouseExit() {}
  // A Graphics for the pane, in its text font, size and style, clipped to its bounds; the
  // caller destroys it (Graphics::Destroy).
  virtual Graphics* NewGraphics();
  void EraseBackground() override;
  // Drops the pending repaint of the pane, or of rect.
  virtual void ValidateAll() {}
  virtual void ValidateRect(const QV::Rect& /*rect*/) {}
  virtual void ReleaseGC() {}
  GdkGC* GetGC() override { return nullptr; }
  GdkWindow* GetGdkWindow() override { return nullptr; }
  QV::Rect RectToDrawable(const Graphics& g, QV::Rect rect, bool clip) override;
  bool IsInWindow() override { return IsSubPane(); }

  // A pane takes one delegate in its life; a second is a failed check (and then replaces it).
  void SetDelegate(PaneDelegate* delegate);
  PaneDelegate* GetDelegate() const { return mDelegate; }
  // The delegate is going away (it tells the pane from PaneClosing).
  void ClearDelegate() { mDelegate = nullptr; }

  const QV::Rect& GetBounds() const override { return mBounds; }
  const QV::Rect& GetLayoutBounds() const { return mLayoutBounds; }
  int32_t Width() const { return mWidth; }
  int32_t Height() const { return mHeight; }
  int16_t TextSize() const { return mTextSize; }
  const string& TextFont() const { return mTextFont; }
  void SetTextFont(const string& font) { mTextFont = font; }
  bool IsBold() const { return mBold; }
  void SetBold(bool bold) { mBold = bold; }
  bool IsPointerInside() const { return mPointerInside; }
  void SetPointerInside(bool inside) { mPointerInside = inside; }

 protected:
  // Stores the bounds, keeping width and height in step.
  void StoreBounds(const QV::Rect& bounds);
  void StoreLayoutBounds(const QV::Rect& bounds) { mLayoutBounds = bounds; }

 private:
  int16_t mTextSize = 12;
  PaneDelegate* mDelegate = nullptr;
  QV::Rect mBounds;
  QV::Rect mLayoutBounds;
  int32_t mWidth = 0;
  int32_t mHeight = 0;
  string mTextFont;
  bool mBold = false;
  bool mPointerInside = false;
};

// An observer of pane deaths: PaneDied is called with every pane that closes or is destroyed
// while the receiver is registered. The destructor takes every registration of the receiver
// out of the list.
class PaneDeathNotificationReceiver {
 public:
  virtual ~PaneDeathNotificationReceiver();
  virtual void PaneDied(Pane* pane) = 0;
};

// Appends receiver to the list; a receiver registered twice is told twice.
void RegisterPaneDeathReceiver(PaneDeathNotificationReceiver* receiver);
// Takes the newest registration of receiver out of the list, or with all every one.
void UnregisterPaneDeathReceiver(PaneDeathNotificationReceiver* receiver, bool all);
// Tells every registered receiver, first registered first.
void NotifyPaneDeath(Pane* pane);
