// Off-screen surfaces: their life, and copies into a Graphics (plain, scaled, masked, white as
// transparent, from beyond the surface), read back pixel by pixel.
#include "GraphicsFixtures.h"

namespace {

using qvtest::MakeRect;
using qvtest::Surface;

class DrawableCopy : public qvtest::DisplayTest {};

// Fills width x height at (x, y) of surface's pixmap in rgb.
void Paint(Surface& surface, uint32_t rgb, int x, int y, int width, int height) {
  surface.g().SetForeColor(ColorFromRGB(rgb));
  surface.g().FillRect(MakeRect(y, x, y + height, x + width));
}

// A 10 x 10 source: each pixel a colour of its own.
void PaintGradient(Surface& source) {
  for (int y = 0; y < 10; ++y) {
    for (int x = 0; x < 10; ++x) {
      Paint(source, uint32_t(x * 25) << 16 | uint32_t(y * 25) << 8, x, y, 1, 1);
    }
  }
}

int gFocusCleared = 0;

TEST_F(DrawableCopy, APlainCopyIsTheSurfacesPixelsWhereverTheyGo) {
  Surface source(10, 10);
  PaintGradient(source);
  Surface target(30, 30);
  target.g().DrawDrawableAt(12, 5, &source.pane(), 2, 3, 6, 4, false);
  qvtest::RawPixmap expected(30, 30);
  gdk_draw_drawable(expected.pixmap(), expected.gc(), source.pane().GetPixmap(), 2, 3, 12, 5, 6,
                    4);
  EXPECT_EQ(target.Pixels().DifferingPixels(expected.Pixels()), 0);
  EXPECT_EQ(target.Pixels().Pixel(12, 5), uint32_t(50) << 16 | 75 << 8);
}

TEST_F(DrawableCopy, ADifferentDestinationSizeScalesToTheNearestPixel) {
  Surface source(10, 10);
  PaintGradient(source);
  const qvtest::Screenshot original = source.Pixels();
  Surface target(40, 40);
  target.g().DrawDrawable(5, 5, 20, 20, &source.pane(), 0, 0, 10, 10, false);
  const qvtest::Screenshot scaled = target.Pixels();
  for (int y = 0; y < 20; ++y) {
    for (int x = 0; x < 20; ++x) {
      ASSERT_EQ(scaled.Pixel(x + 5, y + 5), original.Pixel(x / 2, y / 2)) << x << "," << y;
    }
  }
  EXPECT_EQ(scaled.Pixel(25, 25), 0xFFFFFFu);
  EXPECT_EQ(scaled.Pixel(4, 4), 0xFFFFFFu);
}

TEST_F(DrawableCopy, WhiteAsTransparentLeavesTheDestinationShowingThrough) {
  Surface source(10, 10);  // white, a black square in the middle
  Paint(source, 0x000000, 3, 3, 4, 4);
  Surface target(20, 20);
  Paint(target, 0xFF0000, 0, 0, 20, 20);
  target.g().SetForeColor(ColorFromRGB(0));
  target.g().DrawDrawableAt(0, 0, &source.pane(), 0, 0, 10, 10, true);
  target.g().DrawDrawableAt(10, 10, &source.pane(), 0, 0, 10, 10, false);
  const qvtest::Screenshot drawn = target.Pixels();
  EXPECT_EQ(drawn.Pixel(0, 0), 0xFF0000u);
  EXPECT_EQ(drawn.Pixel(4, 4), 0x000000u);
  EXPECT_EQ(drawn.Region({0, 0, 10, 10}).CountPixels(0xFF0000), 100 - 16);
  EXPECT_EQ(drawn.Region({10, 10, 10, 10}).CountPixels(0xFFFFFF), 100 - 16) << "opaque copy";
  // A transparent copy scaled, then an opaque one: the cached pixels keep no alpha behind.
  target.g().DrawDrawable(10, 0, 10, 10, &source.pane(), 0, 0, 5, 5, true);
  target.g().DrawDrawable(0, 10, 10, 10, &source.pane(), 0, 0, 5, 5, false);
  const qvtest::Screenshot again = target.Pixels();
  EXPECT_EQ(again.Pixel(10, 0), 0xFF0000u);
  EXPECT_EQ(again.Pixel(0, 10), 0xFFFFFFu);
}

TEST_F(DrawableCopy, AMaskIsOpaqueWhereBlackClearWhereWhiteAndBlendsHalfAtGrey) {
  Surface source(10, 10);
  Paint(source, 0x000000, 0, 0, 10, 10);
  source.pane().EnsureMask();
  DrawablePane* mask = static_cast<DrawablePane*>(source.pane().GetMask());
  ASSERT_NE(mask, nullptr);
  int width = 0, height = 0;
  mask->GetSize(&width, &height);
  EXPECT_EQ(width, 10);
  EXPECT_EQ(height, 10);
  Graphics* maskG = mask->NewGraphics();
  maskG->SetForeColor(ColorFromRGB(0x000000));
  maskG->FillRect(MakeRect(0, 0, 3, 10));
  maskG->SetForeColor(ColorFromRGB(0x808080));
  maskG->FillRect(MakeRect(3, 0, 10, 6));
  Graphics::Destroy(maskG);
  source.pane().EnsureMask();
  EXPECT_EQ(source.pane().GetMask(), mask) << "a mask is made once";
  Surface target(10, 20);
  target.g().DrawDrawableAt(0, 0, &source.pane(), 0, 0, 10, 10, false);
  target.g().DrawDrawable(0, 10, 10, 10, &source.pane(), 0, 0, 10, 10, false);
  const qvtest::Screenshot drawn = target.Pixels();
  for (int top : {0, 10}) {
    EXPECT_EQ(drawn.Pixel(5, top + 1), 0x000000u);
    EXPECT_EQ(drawn.Region({0, top + 3, 6, 7}).CountPixels(0x808080, 2), 42);
    EXPECT_EQ(drawn.Region({6, top + 3, 4, 7}).CountPixels(0xFFFFFF), 28);
  }
}

// The source is cut to the surface first and the destination in proportion: nothing outside
// either is read or written.
TEST_F(DrawableCopy, ASourceReachingPastTheSurfaceCopiesOnlyWhatTheSurfaceHolds) {
  Surface source(10, 10);
  Paint(source, 0x0000FF, 0, 0, 10, 10);
  Surface target(60, 60);
  target.g().DrawDrawableAt(0, 0, &source.pane(), -5, -5, 20, 20, false);
  target.g().DrawDrawable(20, 20, 40, 40, &source.pane(), -5, -5, 20, 20, true);
  const qvtest::Screenshot drawn = target.Pixels();
  EXPECT_EQ(drawn.Region({5, 5, 10, 10}).CountPixels(0x0000FF), 100);
  EXPECT_EQ(drawn.Region({0, 0, 20, 20}).CountPixels(0x0000FF), 100);
  EXPECT_EQ(drawn.Region({30, 30, 20, 20}).CountPixels(0x0000FF), 400);
  EXPECT_EQ(drawn.Region({20, 20, 40, 40}).CountPixels(0x0000FF), 400);
  target.g().DrawDrawableAt(0, 40, &source.pane(), 10, 0, 5, 5, false);  // nothing of it
  EXPECT_EQ(target.Pixels().Region({0, 40, 20, 20}).CountPixels(0xFFFFFF), 400);
}

TEST_F(DrawableCopy, ASizeTheServerRefusesLeavesASurfaceWithoutPixmapAndTheProcessRunning) {
  DrawablePane* past16Bits = new DrawablePane({0, 0}, {10, 70000}, 32);
  EXPECT_FALSE(past16Bits->HasPixmap());
  past16Bits->Release();
  DrawablePane* huge = new DrawablePane({0, 0}, {10, 40000}, 32);  // wider than X draws
  EXPECT_FALSE(huge->HasPixmap());
  EXPECT_EQ(huge->GetPixbuf(), nullptr);
  Graphics* g = huge->NewGraphics();
  g->FillRect(MakeRect(0, 0, 10, 10));
  g->DrawString(string("nothing"), 0, 10);
  Graphics::Destroy(g);
  Surface target(10, 10);
  target.g().DrawDrawableAt(0, 0, huge, 0, 0, 10, 10, true);
  EXPECT_EQ(target.Pixels().CountPixels(0xFFFFFF), 100);
  huge->Release();
  gdk_flush();
  Surface after(4, 4);
  EXPECT_TRUE(after.pane().HasPixmap());
}

TEST_F(DrawableCopy, ASurfaceLivesWhileReferencedWithoutWrappingItsCount) {
  gFocusCleared = 0;
  const PaneLayerHooks previous =
      SetPaneLayerHooks({.clearDrawFocus = +[] { ++gFocusCleared; }, .mainScreenDepth = nullptr});
  DrawablePane* pane = new DrawablePane({0, 0}, {5, 0}, 24);
  EXPECT_TRUE(pane->HasPixmap()) << "width 0 still has a 1 x 1 pixmap";
  int width = -1, height = -1;
  pane->GetSize(&width, &height);
  EXPECT_EQ(width, 0);
  EXPECT_EQ(height, 5);
  EXPECT_EQ(pane->GetDepth(), 24);
  EXPECT_TRUE(pane->InPurgeList());
  EXPECT_FALSE(pane->Purge());
  for (int i = 0; i < 70000; ++i) pane->Retain();
  for (int i = 0; i < 70000; ++i) pane->Release();
  EXPECT_EQ(pane->RefCount(), 1u);
  EXPECT_EQ(pane->ImageCount(), 1);
  QV::Drawable* image = pane->IndexedImage(0);
  EXPECT_EQ(image, pane);
  EXPECT_EQ(pane->RefCount(), 2u);
  image->Release();
  DrawableTarget target{};
  EXPECT_FALSE(pane->GetTargetOfKind(&target, 0));
  EXPECT_EQ(pane->RefCount(), 1u);
  ASSERT_TRUE(pane->GetTargetOfKind(&target, kDrawableTargetPixmap));
  EXPECT_EQ(target.handle, pane->GetPixmap());
  EXPECT_EQ(target.height, 5);
  pane->Release();
  EXPECT_EQ(gFocusCleared, 0);
  pane->Release();
  EXPECT_EQ(gFocusCleared, 1) << "a surface going away detaches the drawing focus";
  SetPaneLayerHooks(previous);
}

TEST_F(DrawableCopy, TheCachedPixelsStayUntilDiscarded) {
  Surface surface(4, 4);
  GdkPixbuf* first = surface.pane().GetPixbuf();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(surface.pane().GetPixbuf(), first);
  Paint(surface, 0x00FF00, 0, 0, 4, 4);
  surface.pane().DiscardCache();
  GdkPixbuf* second = surface.pane().GetPixbuf();
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(gdk_pixbuf_get_pixels(second)[1], 0xFF);
  EXPECT_EQ(gdk_pixbuf_get_pixels(second)[0], 0x00);
}

// Graphics on one surface share its graphics context: each must draw in its own colour however
// their drawings interleave with each other's, with a page erase, and with code that took the
// context through the handle.
TEST_F(DrawableCopy, GraphicsSharingASurfaceEachDrawInTheirOwnColour) {
  Surface surface(40, 10);
  Graphics* other = surface.pane().NewGraphics();
  ASSERT_NE(other, nullptr);
  surface.g().SetForeColor(ColorFromRGB(0xFF0000));
  surface.g().FillRect(MakeRect(0, 0, 10, 10));
  other->SetForeColor(ColorFromRGB(0x0000FF));
  other->FillRect(MakeRect(0, 10, 10, 20));
  surface.g().FillRect(MakeRect(0, 20, 10, 30));
  EXPECT_EQ(surface.Pixels().Pixel(25, 5), 0xFF0000u) << "after another Graphics drew";
  surface.pane().EraseBackground();
  surface.g().FillRect(MakeRect(0, 0, 10, 10));
  EXPECT_EQ(surface.Pixels().Pixel(5, 5), 0xFF0000u) << "after the page was erased";
  GdkGC* gc = reinterpret_cast<GdkGC*>(other->GetHandle(kHandleGdkGC));
  ASSERT_NE(gc, nullptr);
  GdkColor green = {0, 0, 0xFFFF, 0};
  gdk_gc_set_rgb_fg_color(gc, &green);
  other->FillRect(MakeRect(0, 30, 10, 40));
  EXPECT_EQ(surface.Pixels().Pixel(35, 5), 0x0000FFu) << "after the handle's user set a colour";
  Graphics::Destroy(other);
}

}  // namespace
