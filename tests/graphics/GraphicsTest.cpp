// The drawing context as panes use it: its state, the clip kept across a drawing, filling and
// clearing on a pixmap read back pixel by pixel, the layout's font, and the language object
// that wraps a context.
#include <gtest/gtest.h>

#include "core/RaiseException.h"
#include "graphics/GraphicsClass.h"
#include "graphics/GraphicsGTK.h"
#include "graphics/PangoFonts.h"
#include "support/TestSupport.h"

namespace {

QV::Rect Rect(int top, int left, int bottom, int right) {
  return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

// A pixmap to draw on; a rectangle lands where it says, less the Graphics' origin.
class PixmapTarget : public DrawingTarget {
 public:
  PixmapTarget() {
    mPixmap = gdk_pixmap_new(gdk_get_default_root_window(), 40, 30, -1);
    mGC = gdk_gc_new(mPixmap);
  }
  ~PixmapTarget() {
    g_object_unref(mGC);
    g_object_unref(mPixmap);
  }
  GdkWindow* GetGdkWindow() override { return mPixmap; }
  GdkGC* GetGC() override { return mGC; }
  QV::Rect RectToDrawable(const Graphics& g, QV::Rect rect, bool) override {
    RectOffset(rect, -g.OriginX(), -g.OriginY());
    return rect;
  }
  uint32_t Pixel(int x, int y) {
    GdkPixbuf* pixel = gdk_pixbuf_get_from_drawable(nullptr, mPixmap, nullptr, x, y, 0, 0, 1, 1);
    const guchar* p = gdk_pixbuf_get_pixels(pixel);
    const uint32_t rgb = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    g_object_unref(pixel);
    return rgb;
  }

 private:
  GdkPixmap* mPixmap;
  GdkGC* mGC;
};

class DestroyedGraphics : public Graphics {
 public:
  explicit DestroyedGraphics(bool* flag) : Graphics(nullptr), mFlag(flag) {}
  ~DestroyedGraphics() override { *mFlag = true; }

 private:
  bool* mFlag;
};

TEST(Graphics, ColoursConvertBothWaysAndTheClipComesBackAfterADrawing) {
  EXPECT_EQ(ColorFromRGB(0x12FF00), (RGBColor16{0x1212, 0xFFFF, 0x0000}));
  EXPECT_EQ(RGBFromColor(RGBColor16{0x12FF, 0x00FF, 0xFF00}), 0x1200FFu);
  Graphics g(nullptr);
  EXPECT_EQ(std::string(g.TextFont().CString()), "System");
  EXPECT_EQ(g.TextSize(), 12);
  FontSpec font;
  font.name = "Serif";
  font.size = 9;
  font.italic = 1;
  font.underline = 1;
  g.SetFont(font);
  EXPECT_EQ(std::string(g.TextFont().CString()), "Serif");
  EXPECT_EQ(g.TextSize(), 9);
  EXPECT_EQ(g.TextStyle(), kStyleItalic | kStyleUnderline);
  {
    GraphicsClipSaver saver(g);
    g.SetClipRect(Rect(1, 2, 3, 4));
  }
  EXPECT_FALSE(g.HasClip());
  g.SetClipRect(Rect(5, 6, 7, 8));
  {
    GraphicsClipSaver saver(g);
    g.RemoveClip();
  }
  EXPECT_TRUE(g.HasClip());
  EXPECT_EQ(g.ClipRect().right, 8);
}

TEST(GraphicsGTK, FillsAndClearsOnThePixmapAtTheOriginWithinTheClip) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  PixmapTarget target;
  Graphics* g = Graphics::Create(&target);
  g->ClearRect(Rect(0, 0, 30, 40));  // off screen: white
  g->SetForeColor(ColorFromRGB(0x336699));
  g->SetOrigin(10, 5);
  g->FillRect(Rect(35, 40, 30, 30));  // corners reversed: put in order
  g->SetClipRect(Rect(5, 10, 30, 20));
  g->SetForeColor(ColorFromRGB(0xCC0000));
  g->FillRect(Rect(5, 10, 35, 50));
  Graphics::Destroy(g);
  EXPECT_EQ(target.Pixel(0, 0), 0xCC0000u);  // (10, 5) less the origin
  EXPECT_EQ(target.Pixel(9, 24), 0xCC0000u);
  EXPECT_EQ(target.Pixel(10, 5), 0xFFFFFFu);  // outside the clip
  EXPECT_EQ(target.Pixel(39, 29), 0xFFFFFFu);
  EXPECT_EQ(target.Pixel(20, 25), 0x336699u);  // the first fill, less the origin
  EXPECT_EQ(target.Pixel(29, 29), 0x336699u);
  EXPECT_EQ(target.Pixel(19, 25), 0xFFFFFFu);
}

TEST(GraphicsGTK, TheLayoutFollowsTheTextFontSizeAndStyle) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  const string family = DesktopFontFamily();
  const int32_t size = DesktopFontSize();
  SetDesktopFont("DejaVu Sans", 10);
  GraphicsGTK g(nullptr);
  PixmapTarget target;
  GraphicsGTK drawing(&target);
  EXPECT_EQ(g.Layout(), g.Layout());  // no target: the font is not built
  drawing.SetTextStyle(kStyleBold);
  const auto font = [&] {
    char* text = pango_font_description_to_string(pango_layout_get_font_description(drawing.Layout()));
    std::string description = text;
    g_free(text);
    return description;
  };
  EXPECT_EQ(font(), "DejaVu Sans Bold 10");
  drawing.SetTextFont("DejaVu Serif");
  drawing.SetTextSize(16);
  drawing.SetTextStyle(0);
  EXPECT_EQ(font(), "DejaVu Serif 14");
  SetDesktopFont(family, size);
}

TEST(GraphicsClass, TheObjectOwnsItsContextAndReadsTheForegroundThroughIt) {
  bool destroyed = false;
  RuntimeObject* object = NewGraphicsObject(new DestroyedGraphics(&destroyed));
  ASSERT_NE(object, nullptr);
  EXPECT_EQ(graphicsForeColorGetter(object, 0), 0u);
  graphicsForeColorSetter(object, 0, 0xA0B0C0);
  EXPECT_EQ(graphicsForeColorGetter(object, 0), 0xA0B0C0u);
  EXPECT_EQ(NativeGraphicsOf(object)->ForeColor(), (RGBColor16{0xA0A0, 0xB0B0, 0xC0C0}));

  // Lent and taken back: the object leaves the lender's context alone.
  Graphics lent(nullptr);
  Graphics* own = NativeGraphicsOf(object);
  SetNativeGraphics(object, &lent);
  graphicsForeColorSetter(object, 0, 0x010203);
  EXPECT_EQ(RGBFromColor(lent.ForeColor()), 0x010203u);
  SetNativeGraphics(object, own);
  RuntimeUnlockObject(object);
  EXPECT_TRUE(destroyed);

  RuntimeObject* empty = NewGraphicsObject(nullptr);
  EXPECT_EQ(graphicsForeColorGetter(empty, 0), 0u);
  graphicsForeColorSetter(empty, 0, 0xFFFFFF);  // nothing to set
  RuntimeUnlockObject(empty);
}

}  // namespace
