// Pane drawing: invalidation read back from GDK, drawing a pane tree into a Graphics (one that
// only records, and one over a pixmap read back pixel by pixel), copying within a pane, and the
// pointer in content coordinates.
#include <gtest/gtest.h>

#include "PaneFixtures.h"
#include "windows/GtkPlacement.h"

namespace {

using qvtest::MakeRect;
using qvtest::PaneLog;
using qvtest::PaneWidget;
using qvtest::TestPane;

// An off-screen drawing target: a pane over a pixmap.
class PixmapPane : public Pane {
 public:
  PixmapPane(int width, int height) : Pane(MakeRect(0, 0, height, width)) {
    mPixmap = gdk_pixmap_new(gdk_get_default_root_window(), width, height, -1);
    mGC = gdk_gc_new(mPixmap);
  }
  ~PixmapPane() override {
    g_object_unref(mGC);
    g_object_unref(mPixmap);
  }
  GdkWindow* GetGdkWindow() override { return mPixmap; }
  GdkGC* GetGC() override { return mGC; }

 private:
  GdkPixmap* mPixmap;
  GdkGC* mGC;
};

// The colour of one pixel of a drawable, as 0xRRGGBB.
uint32_t PixelOf(GdkDrawable* drawable, int x, int y) {
  GdkPixbuf* pixel = gdk_pixbuf_get_from_drawable(nullptr, drawable, gdk_rgb_get_colormap(), x, y,
                                                  0, 0, 1, 1);
  if (!pixel) return 0xDEADBEEF;
  const guchar* p = gdk_pixbuf_get_pixels(pixel);
  const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
  g_object_unref(pixel);
  return rgb;
}

// The pending repaint of window, taken away, as "x,y,width,height"; "" when none.
std::string TakeUpdateArea(GdkWindow* window) {
  GdkRegion* region = gdk_window_get_update_area(window);
  if (!region) return "";
  GdkRectangle box;
  gdk_region_get_clipbox(region, &box);
  gdk_region_destroy(region);
  return std::to_string(box.x) + "," + std::to_string(box.y) + "," + std::to_string(box.width) +
         "," + std::to_string(box.height);
}

class PaneDrawingTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
  }
  void TearDown() override {
    if (window) window->Release();
  }
  // A window with a menu bar, so that the content lies below the top of the GtkWindow.
  void OpenWindow() {
    window = new qvtest::TestWindow(320, 240, true);
    inWindow = new TestPane(window, MakeRect(20, 30, 60, 130), PaneWidget::kDrawsInWindow);
    ownWindow = new TestPane(window, MakeRect(150, 30, 190, 130), PaneWidget::kOwnWindow);
    ASSERT_TRUE(window->ShowAndSettle(gui));
    gdk_window_process_all_updates();
    offset = WindowContentTopOffset(window);
  }
  qvtest::GuiDriver gui;
  qvtest::CountingDelegate delegate;
  qvtest::TestWindow* window = nullptr;
  TestPane* inWindow = nullptr;
  TestPane* ownWindow = nullptr;
  int offset = 0;
  PaneLog log;
};

TEST_F(PaneDrawingTest, InvalidationReachesTheGdkWindowThePaneDrawsIn) {
  OpenWindow();
  ASSERT_GT(offset, 0);
  EXPECT_EQ(offset, GTK_WIDGET(window->ContentFixed())->allocation.y);
  EXPECT_TRUE(DrawsInWindowGdkWindow(inWindow));
  EXPECT_FALSE(DrawsInWindowGdkWindow(ownWindow));

  inWindow->RefreshBounds();
  EXPECT_EQ(TakeUpdateArea(window->TopGdkWindow()),
            "30," + std::to_string(20 + offset) + ",100," + std::to_string(40 + offset));
  ownWindow->InvalidateRectCoords(40, 160, 60, 170);  // as tall again as the bars, in the pane
  EXPECT_EQ(TakeUpdateArea(ownWindow->GetGdkWindow()),
            "10,10,20," + std::to_string(std::min(10 + offset, 30)));

  // The delegate narrows what is invalidated.
  const QV::Rect narrow = MakeRect(20, 30, 30, 50);
  delegate.narrowTo = &narrow;
  inWindow->SetDelegate(&delegate);
  inWindow->Refresh(true);
  EXPECT_EQ(TakeUpdateArea(window->TopGdkWindow()),
            "30," + std::to_string(20 + offset) + ",20," + std::to_string(10 + offset));

  // Painting at once, or dropping the repaint, leaves nothing pending.
  inWindow->Refresh(false);
  inWindow->ProcessUpdates();
  EXPECT_EQ(TakeUpdateArea(window->TopGdkWindow()), "");
  ownWindow->RefreshBounds();
  ownWindow->ValidateAll();
  EXPECT_EQ(TakeUpdateArea(ownWindow->GetGdkWindow()), "");
}

TEST_F(PaneDrawingTest, DrawIntoDrawsEachVisibleChildClippedToItselfAndRestoresTheClip) {
  TestPane& root = *new TestPane(nullptr, MakeRect(0, 0, 60, 80), PaneWidget::kNone, 0, "root",
                                 &log);
  new TestPane(&root, MakeRect(10, 10, 30, 40), PaneWidget::kNone, 0, "b", &log);
  TestPane* hidden = new TestPane(&root, MakeRect(0, 0, 5, 5), PaneWidget::kNone, 0, "h", &log);
  TestPane* c = new TestPane(&root, MakeRect(20, 30, 50, 70), PaneWidget::kNone, 0, "c", &log);
  new TestPane(c, MakeRect(25, 60, 45, 75), PaneWidget::kNone, 0, "e", &log);
  hidden->SetVisible(false);
  Graphics g(nullptr);
  log.clear();
  root.DrawInto(g);
  EXPECT_EQ(log, (PaneLog{"root:draw 0,0,60,80 clip -", "b:draw 10,10,30,40 clip 10,10,30,40",
                          "c:draw 20,30,50,70 clip 20,30,50,70",
                          "e:draw 25,60,45,75 clip 25,60,45,75"}));
  EXPECT_FALSE(g.HasClip());

  // Drawn elsewhere for the while: the whole tree moves along, and back.
  g.SetClipRect(MakeRect(1, 2, 3, 4));
  log.clear();
  c->DrawIntoAt(g, 100, 200);
  EXPECT_EQ(log, (PaneLog{"c:draw 200,100,230,140 clip 1,2,3,4",
                          "e:draw 205,130,225,145 clip 205,130,225,145"}));
  EXPECT_EQ(qvtest::RectText(g.ClipRect()), "1,2,3,4");
  EXPECT_EQ(qvtest::RectText(c->GetBounds()), "20,30,50,70");
  log.clear();
  hidden->DrawIntoAt(g, 0, 0);
  EXPECT_TRUE(log.empty());
  root.Release();
}

TEST_F(PaneDrawingTest, APaneTreeDrawnIntoAPixmapShowsEachPaneInItsPlace) {
  PixmapPane target(200, 60);
  TestPane& root = *new TestPane(nullptr, MakeRect(0, 0, 60, 80));
  TestPane* b = new TestPane(&root, MakeRect(10, 10, 30, 40));
  TestPane* c = new TestPane(&root, MakeRect(20, 30, 50, 70));
  TestPane* hidden = new TestPane(&root, MakeRect(0, 0, 60, 80));
  root.fill = 0xFF0000;
  b->fill = 0x00FF00;
  c->fill = 0x0000FF;
  hidden->fill = 0xFFFF00;
  hidden->SetVisible(false);
  Graphics* g = Graphics::Create(&target);
  g->ClearRect(target.GetBounds());
  root.DrawInto(*g);
  root.DrawIntoAt(*g, 100, 0);
  Graphics::Destroy(g);

  GdkDrawable* pixmap = target.GetGdkWindow();
  for (int x : {0, 100}) {
    EXPECT_EQ(PixelOf(pixmap, x + 5, 5), 0xFF0000u) << x;
    EXPECT_EQ(PixelOf(pixmap, x + 15, 15), 0x00FF00u) << x;
    EXPECT_EQ(PixelOf(pixmap, x + 35, 25), 0x0000FFu) << x;  // drawn over b
    EXPECT_EQ(PixelOf(pixmap, x + 79, 59), 0xFF0000u) << x;
    EXPECT_EQ(PixelOf(pixmap, x + 80, 5), 0xFFFFFFu) << x;  // cleared, outside the tree
  }
  root.Release();
}

TEST_F(PaneDrawingTest, TheContextFillsAtItsOriginWithinItsClipInCornerOrder) {
  PixmapPane target(40, 30);
  Graphics* g = Graphics::Create(&target);
  g->ClearRect(target.GetBounds());  // off screen: white
  g->SetForeColor(ColorFromRGB(0x336699));
  g->SetOrigin(10, 5);
  g->FillRect(MakeRect(35, 40, 30, 30));  // corners reversed
  g->SetClipRect(MakeRect(5, 10, 30, 20));
  g->SetForeColor(ColorFromRGB(0xCC0000));
  g->FillRect(MakeRect(5, 10, 35, 50));
  Graphics::Destroy(g);
  GdkDrawable* pixmap = target.GetGdkWindow();
  EXPECT_EQ(PixelOf(pixmap, 0, 0), 0xCC0000u);  // (10, 5) less the origin
  EXPECT_EQ(PixelOf(pixmap, 9, 24), 0xCC0000u);
  EXPECT_EQ(PixelOf(pixmap, 10, 5), 0xFFFFFFu);  // outside the clip
  EXPECT_EQ(PixelOf(pixmap, 20, 25), 0x336699u);
  EXPECT_EQ(PixelOf(pixmap, 29, 29), 0x336699u);
  EXPECT_EQ(PixelOf(pixmap, 19, 25), 0xFFFFFFu);
}

TEST_F(PaneDrawingTest, CopyingMovesAnAreaWithinThePaneAndThePointerIsInContentCoordinates) {
  OpenWindow();
  gint x = 0, y = 0;
  gdk_window_get_origin(window->TopGdkWindow(), &x, &y);
  gui.MoveTo(x + 50, y + offset + 40);
  int32_t h = -1, v = -1;
  inWindow->GetMousePosition(&h, &v);
  EXPECT_EQ(h, 50);
  EXPECT_EQ(v, 40);
  EXPECT_FALSE(inWindow->IsMouseButtonDown());

  GdkWindow* drawable = ownWindow->GetGdkWindow();
  Graphics* g = ownWindow->NewGraphics();
  g->SetForeColor(ColorFromRGB(0x102030));
  g->FillRect(MakeRect(150, 30, 160, 40));  // the pane's top left corner, 10 x 10
  Graphics::Destroy(g);
  gdk_flush();
  ASSERT_EQ(PixelOf(drawable, 5, 5), 0x102030u);
  ownWindow->CopyFromDrawable(drawable, MakeRect(150, 30, 160, 40), 50, 20);
  gdk_flush();
  EXPECT_EQ(PixelOf(drawable, 55, 25), 0x102030u);
  EXPECT_EQ(PixelOf(drawable, 45, 25), PixelOf(drawable, 45, 35));  // left of the copy
  EXPECT_EQ(TakeUpdateArea(drawable), "");
}

}  // namespace
