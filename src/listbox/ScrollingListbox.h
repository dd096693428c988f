// ScrollingListbox: the scroll bars around a list's row area, kept in step with its rows and
// columns, and the geometry of the row area, the header strip and the two bars. NuListbox
// supplies the row count and what scrolling does.
//
// Rectangles are in window content coordinates. A bar whose range is empty is hidden while
// auto-hide is on; a vertical bar keeps a value beyond a range that shrank until it is moved.
#pragma once

#include <cstdint>

#include "controls/ScrollerPane.h"
#include "listbox/CommonListbox.h"

class ScrollingListbox : public CommonListbox, public ScrollerDelegate {
 public:
  static constexpr int32_t kDefaultScrollBarWidth = 16;

  ScrollingListbox(SubPane* owner, int32_t panelIndex, const QV::Rect& bounds);
  ~ScrollingListbox() override;

  void Close() override;
  void SetTextSize(int16_t size) override;

  // ---- CommonListbox ----
  QV::Rect GetListRect() override;
  QV::Rect GetHeaderRect() override;
  void LayoutParts() override;

  // ---- new operations ----
  // The width of all columns (the horizontal bar's extent).
  virtual int32_t TotalColumnWidth();
  // The list's text height; -1 asks for the constant row height.
  virtual int32_t RowHeight(int32_t row);
  // The bounds with the insets and the header taken off, as asked.
  virtual void AdjustContentRect(QV::Rect& r, bool insets, bool header);
  virtual void InvalidateTextHeight() { mTextHeightCached = false; }
  virtual int32_t RowCount() = 0;

  // ---- bars ----
  bool HasVerticalScrollBar();
  bool HasHorizontalScrollBar();
  void ShowVerticalScrollBar();
  void ShowHorizontalScrollBar();
  void HideVerticalScrollBar();
  void HideHorizontalScrollBar();
  void UpdateScrollBarsAndLayout();
  void UpdateScrollBars();
  QV::Rect VerticalBarRect();
  QV::Rect HorizontalBarRect();
  int32_t VisibleRowCount();
  Scroller* VerticalBar() const { return mVerticalBar; }
  Scroller* HorizontalBar() const { return mHorizontalBar; }
  bool AutoHide() const { return mAutoHide; }
  void SetAutoHide(bool autoHide) { mAutoHide = autoHide; }
  int32_t ScrollBarWidth() const { return mScrollBarWidth; }
  void SetScrollBarWidth(int32_t width) { mScrollBarWidth = width; }
  int32_t BarShortening() const { return mBarShortening; }
  void SetBarShortening(int32_t pixels) { mBarShortening = pixels; }
  // The vertical position in rows last applied.
  int32_t ScrollValue() const { return mScrollValue; }

  // A drag item over the list at (x, y), relative to the list: near the top or bottom edge the
  // list scrolls one line step.
  void DragOver(int32_t x, int32_t y);
  // The drag loop's: the list scrolls as above, then the pane's own answer (its delegate's).
  bool DragOver(int32_t x, int32_t y, RuntimeObject* dragItem, int32_t action) override;
  // Clipping for drawing: r's right kept left of a visible vertical bar; a row rectangle from
  // r's top, RowHeight(-1) high, kept above a visible horizontal bar.
  void ClipRightToBar(QV::Rect& r);
  void ClipRowToBar(QV::Rect& r);

 protected:
  bool BarShown(Scroller* bar) const { return bar && bar->IsVisible(); }
  int32_t mScrollValue = 0;

 private:
  // After a bar appeared or disappeared.
  void BarVisibilityChanged();
  void ReleaseBar(Scroller*& bar);
  // Hides a bar with nothing to scroll while auto-hide is on and shows it otherwise; true
  // when that changed it.
  bool MatchBarToRange(Scroller* bar, bool empty);

  bool mTextHeightCached = false;
  int32_t mTextHeight = 0;
  bool mHorizontalWanted = false;
  bool mVerticalWanted = false;
  bool mAutoHide = true;
  Scroller* mVerticalBar = nullptr;
  Scroller* mHorizontalBar = nullptr;
  int32_t mScrollBarWidth = kDefaultScrollBarWidth;
  int32_t mBarShortening = 0;
};
