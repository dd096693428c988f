// The list's rows through its off-screen image: a scroll by a row (bar or key) or by pixels
// sideways paints only what it uncovers and shows what a full repaint shows; invalidations
// after a shift land on the right cell; an expose the list did not ask for copies the image
// without painting; the image follows resizes, selection, font and enabled changes; refused
// depths fall back to shallower ones and, with none, to painting into the window; a paint
// handler's cell coordinates land on its cell.
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "ListPaneFixtures.h"
#include "graphics/Graphics.h"
#include "graphics/GraphicsClass.h"
#include "listbox/ListDrawablePane.h"
#include "listbox/ListboxEvents.h"

namespace {

using qvtest::Bounds;

class ImageList : public qvtest::ScriptedList {
 public:
  using ScriptedList::ScriptedList;

  std::vector<std::pair<int32_t, int32_t>> painted;  // (row, column) of each background event
  int textEvents = 0;
  int draws = 0;
  std::vector<int32_t> depthsAsked;
  int32_t acceptDepth = 32;  // deeper images are refused; 0 refuses all
  // Drawn by CellBackgroundPaint at the cell's (0, 0), 4 x 4, in red: (row, column).
  std::pair<int32_t, int32_t> marked{-1, -1};

  std::set<int32_t> RowsPainted() const {
    std::set<int32_t> rows;
    for (const auto& p : painted) rows.insert(p.first);
    return rows;
  }
  std::set<int32_t> ColumnsPainted() const {
    std::set<int32_t> columns;
    for (const auto& p : painted) columns.insert(p.second);
    return columns;
  }
  bool HasHandler(ListboxEvent event) const override {
    if (event == kListCellBackgroundPaint || event == kListCellTextPaint) return true;
    return ScriptedList::HasHandler(event);
  }
  void Draw(Graphics& g) override {
    ++draws;
    ScriptedList::Draw(g);
  }

 protected:
  bool RaiseCellBackgroundPaint(RuntimeObject* g, int32_t row, int32_t column) override {
    painted.emplace_back(row, column);
    if (marked == std::make_pair(row, column)) {
      // As the language's drawing methods do: target-relative points.
      Graphics* native = NativeGraphicsOf(g);
      const QV::Rect bounds = native->Target()->GetBounds();
      native->SetForeColor({0xFFFF, 0, 0});
      native->FillRect({bounds.top, bounds.left, int16_t(bounds.top + 4),
                        int16_t(bounds.left + 4)});
    }
    return false;
  }
  bool RaiseCellTextPaint(RuntimeObject*, int32_t, int32_t, int32_t, int32_t) override {
    ++textEvents;
    return false;
  }
  ListDrawablePane* NewOffscreenPane(int32_t width, int32_t height, int32_t depth) override {
    depthsAsked.push_back(depth);
    // Wider than a pixmap may be: the surface exists without one, as when the server refuses.
    if (depth > acceptDepth) return new ListDrawablePane(this, 0x10000, height, depth);
    return ScriptedList::NewOffscreenPane(width, height, depth);
  }
};

class OffscreenImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = std::make_unique<qvtest::ListWindow>(gui, 400, 300);
  }
  ImageList* Make(int32_t rows = 60, int32_t acceptDepth = 32) {
    list = new ImageList(window->window(), Bounds(20, 20, 220, 323), true);
    list->acceptDepth = acceptDepth;
    list->SetColumnCount(2);
    list->ResolveColumnWidths();
    list->ComputeColumnEdges();
    for (int32_t i = 0; i < rows; ++i) {
      list->Add(("row " + std::to_string(i) + "\tcell " + std::to_string(i)).c_str());
    }
    list->ShowVerticalScrollBar();
    Repaint([&] { list->UpdateScrollBars(); });
    return list;
  }
  // Runs act and waits for the paint that follows it (which act may have run itself).
  template <typename Act>
  void Repaint(Act act) {
    const int before = list->draws;
    act();
    EXPECT_TRUE(gui.PumpUntil([&] { return list->draws > before; }));
    gui.Settle();
  }
  qvtest::Screenshot Shot() {
    const QV::Rect r = list->GetListRect();
    return gui.Capture({window->ScreenX(r.left), window->ScreenY(r.top), r.right - r.left,
                        r.bottom - r.top});
  }
  // Differing pixels between what the window shows and a repaint of every row into a new
  // image (or, without one, into the window).
  int StaleAgainstFullRepaint() {
    const qvtest::Screenshot shown = Shot();
    Repaint([&] { list->ReleaseOffscreen(); });
    return shown.DifferingPixels(Shot());
  }
  int32_t VisibleRows() {
    const QV::Rect r = list->GetListRect();
    const int32_t h = list->RowHeight(-1);
    return (r.bottom - r.top + h - 1) / h;
  }
  uint32_t ScreenPixel(int x, int y) { return gui.Capture({x, y, 1, 1}).Pixel(0, 0); }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::ListWindow> window;
  ImageList* list = nullptr;
};

TEST_F(OffscreenImage, ScrollingByARowPaintsOnlyTheUncoveredRows) {
  Make();
  ASSERT_NE(list->Offscreen(), nullptr);
  const int32_t shown = VisibleRows();
  list->painted.clear();
  Repaint([&] { list->VerticalBar()->SetValue(1); });
  ASSERT_EQ(list->TopRow(), 1);
  // The bottom strip of one row's height: the last row shown, and the one above it when the
  // rows do not fill the rectangle exactly.
  const std::set<int32_t> down = list->RowsPainted();
  ASSERT_FALSE(down.empty());
  EXPECT_GE(*down.begin(), 1 + shown - 2);
  EXPECT_LE(*down.rbegin(), 1 + shown - 1);
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);

  list->painted.clear();
  Repaint([&] { list->VerticalBar()->SetValue(0); });
  EXPECT_EQ(list->RowsPainted(), std::set<int32_t>{0});
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);
}

TEST_F(OffscreenImage, TheDownKeyAtTheLastVisibleRowScrollsByOneRow) {
  Make();
  const int32_t last = list->GetListRect().bottom - list->GetListRect().top;
  const int32_t fullRows = last / list->RowHeight(-1);
  const int32_t row = fullRows - 1;
  const QV::Rect band = list->RowRangeRect(row, 1);
  gui.Click(window->ScreenX(band.left + 30), window->ScreenY((band.top + band.bottom) / 2));
  ASSERT_TRUE(gui.PumpUntil([&] { return list->IsRowSelected(row); }));
  gui.Settle();
  list->painted.clear();
  gui.Key("Down");
  ASSERT_TRUE(gui.PumpUntil([&] { return list->IsRowSelected(row + 1) && list->TopRow() == 1; }));
  gui.Settle();
  // The two rows whose selection changed and the strip the shift uncovered; none above.
  const std::set<int32_t> rows = list->RowsPainted();
  ASSERT_FALSE(rows.empty());
  EXPECT_GE(*rows.begin(), row);
  EXPECT_LE(*rows.rbegin(), 1 + VisibleRows() - 1);
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);
}

TEST_F(OffscreenImage, AHorizontalScrollPaintsOnlyTheUncoveredColumns) {
  Make();
  list->SetWidthExpression(0, string("100"));
  list->SetWidthExpression(1, string("400"));
  list->ShowHorizontalScrollBar();
  list->ResolveColumnWidths();
  list->UpdateScrollBars();
  Repaint([&] { list->InvalidateCell(-1, -1); });
  ASSERT_NE(list->HorizontalBar(), nullptr);
  list->painted.clear();
  Repaint([&] { list->HorizontalBar()->SetValue(10); });
  ASSERT_EQ(list->HorizontalOffset(), 10);
  EXPECT_EQ(list->ColumnsPainted(), std::set<int32_t>{1}) << "the strip at the right edge";
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);
  list->painted.clear();
  Repaint([&] { list->ScrollHorizontallyTo(0); });
  EXPECT_EQ(list->ColumnsPainted(), std::set<int32_t>{0}) << "the strip at the left edge";
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);
}

TEST_F(OffscreenImage, AnInvalidationAfterAShiftRepaintsItsCell) {
  Make();
  Repaint([&] { list->VerticalBar()->SetValue(2); });
  // Changed behind the list's back, then invalidated: only that cell is out of date.
  list->FindCell(5, 1, false)->text = string("changed");
  list->painted.clear();
  Repaint([&] { list->InvalidateCell(5, 1); });
  EXPECT_EQ(list->RowsPainted(), std::set<int32_t>{5});
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);

  // Invalidated, then scrolled before the paint: the out-of-date part moves with its row.
  list->FindCell(6, 0, false)->text = string("moved");
  list->InvalidateCell(6, 0);
  list->painted.clear();
  Repaint([&] { list->VerticalBar()->SetValue(3); });
  EXPECT_EQ(list->RowsPainted().count(6), 1u);
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);
}

TEST_F(OffscreenImage, AnExposeTheListDidNotAskForOnlyCopiesTheImage) {
  Make();
  const qvtest::Screenshot before = Shot();
  list->painted.clear();
  list->textEvents = 0;
  GtkWidget* widget = list->GetWidget();
  GdkRectangle all = {0, 0, widget->allocation.width + 400, widget->allocation.height + 400};
  Repaint([&] { gdk_window_invalidate_rect(widget->window, &all, TRUE); });
  EXPECT_TRUE(list->painted.empty());
  EXPECT_EQ(list->textEvents, 0);
  EXPECT_EQ(before.DifferingPixels(Shot()), 0);
}

TEST_F(OffscreenImage, DrawingIntoAnotherTargetPaintsTheRowsThemselves) {
  Make();
  list->painted.clear();
  auto* surface = new DrawablePane({0, 0}, {400, 400}, 32);
  Graphics* g = surface->NewGraphics();
  list->DrawInto(*g);
  Graphics::Destroy(g);
  surface->Release();
  EXPECT_EQ(int32_t(list->RowsPainted().size()), VisibleRows());
}

TEST_F(OffscreenImage, TheImageFollowsSizeSelectionFontAndEnabledChanges) {
  Make();
  Repaint([&] { list->SetBounds(Bounds(10, 10, 250, 300), true); });
  ASSERT_NE(list->Offscreen(), nullptr);
  const QV::Rect area = list->GetListRect();
  EXPECT_EQ(list->Offscreen()->Width(), area.right - area.left);
  EXPECT_EQ(list->Offscreen()->Height(), area.bottom - area.top);
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);

  Repaint([&] { list->SelectRow(3, false); });
  EXPECT_EQ(StaleAgainstFullRepaint(), 0) << "selection";
  list->SetTextSize(18);
  list->InvalidateTextHeight();
  Repaint([&] { list->Refresh(false); });
  EXPECT_EQ(StaleAgainstFullRepaint(), 0) << "font";
  Repaint([&] { list->SetEnabled(false, true); });
  EXPECT_EQ(StaleAgainstFullRepaint(), 0) << "disabled";
}

TEST_F(OffscreenImage, ARestyledListShowsTheNewStylesColours) {
  Make();
  Repaint([&] { list->SelectRow(1, false); });
  GtkWidget* widget = list->GetWidget();
  GtkStyle* style = gtk_style_copy(widget->style);
  style->bg[GTK_STATE_SELECTED] = {0, 0, 0xFFFF, 0};
  Repaint([&] { gtk_widget_set_style(widget, style); });
  g_object_unref(style);
  const QV::Rect band = list->RowRangeRect(1, 1);
  EXPECT_EQ(ScreenPixel(window->ScreenX(band.right - 8), window->ScreenY(band.top + 2)),
            0x00FF00u);
  EXPECT_EQ(StaleAgainstFullRepaint(), 0);
}

TEST_F(OffscreenImage, RefusedDepthsFallBackAndWithoutAnImageTheWindowIsPaintedDirectly) {
  Make(60, 8);
  EXPECT_EQ(list->depthsAsked, (std::vector<int32_t>{32, 16, 8}));
  ASSERT_NE(list->Offscreen(), nullptr);
  EXPECT_EQ(list->Offscreen()->GetDepth(), 8);
  const qvtest::Screenshot image = Shot();

  list->acceptDepth = 0;
  list->depthsAsked.clear();
  Repaint([&] { list->ReleaseOffscreen(); });
  EXPECT_EQ(list->depthsAsked, (std::vector<int32_t>{32, 16, 8}));
  EXPECT_EQ(list->Offscreen(), nullptr);
  EXPECT_EQ(image.DifferingPixels(Shot()), 0);
  // A scroll without an image repaints the rows itself.
  list->painted.clear();
  Repaint([&] { list->VerticalBar()->SetValue(1); });
  EXPECT_EQ(int32_t(list->RowsPainted().size()), VisibleRows());
  EXPECT_EQ(list->depthsAsked.size(), 3u) << "a refused size is not asked for again";
}

TEST_F(OffscreenImage, APaintHandlersCellCoordinatesLandOnItsCell) {
  for (const int32_t depth : {32, 0}) {
    Make(60, depth);
    list->marked = {3, 1};
    Repaint([&] { list->InvalidateCell(-1, -1); });
    const QV::Rect band = list->RowRangeRect(3, 1);
    const int x = window->ScreenX(list->ColumnLeft(1));
    const int y = window->ScreenY(band.top);
    EXPECT_EQ(ScreenPixel(x + 1, y + 1), 0xFF0000u) << "depth " << depth;
    EXPECT_NE(ScreenPixel(x + 6, y + 6), 0xFF0000u) << "depth " << depth;
    list->Close();
    gui.Settle();
  }
}

}  // namespace
