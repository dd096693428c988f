// What the drawing tests share: off-screen surfaces drawn through a Graphics, plain pixmaps
// drawn with raw GDK and Pango for comparison, pixels read back as screenshots, and a Graphics
// that records what it is asked to draw.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "graphics/Drawable.h"
#include "graphics/GraphicsGTK.h"
#include "graphics/PangoFonts.h"
#include "support/Screenshot.h"
#include "support/TestSupport.h"

namespace qvtest {

// A white off-screen surface with a Graphics of its own.
class Surface {
 public:
  Surface(int width, int height);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  DrawablePane& pane() { return *mPane; }
  GraphicsGTK& g() { return *mGraphics; }
  Screenshot Pixels() { return PixelsOf(mPane->GetPixmap(), mWidth, mHeight); }

 private:
  int mWidth, mHeight;
  DrawablePane* mPane;
  GraphicsGTK* mGraphics;
};

// A white pixmap of the screen's depth, drawn on with raw GDK.
class RawPixmap {
 public:
  RawPixmap(int width, int height);
  ~RawPixmap();
  RawPixmap(const RawPixmap&) = delete;
  RawPixmap& operator=(const RawPixmap&) = delete;

  GdkPixmap* pixmap() { return mPixmap; }
  GdkGC* gc() { return mGC; }
  // The foreground as 0xRRGGBB.
  void SetColor(uint32_t rgb);
  Screenshot Pixels() { return PixelsOf(mPixmap, mWidth, mHeight); }

 private:
  int mWidth, mHeight;
  GdkPixmap* mPixmap;
  GdkGC* mGC;
};

// Skips the test without a display.
class DisplayTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!HaveDisplay()) GTEST_SKIP() << "needs a display";
  }
};

// A target without a drawable, at bounds.
class FakeTarget : public DrawingTarget {
 public:
  explicit FakeTarget(const QV::Rect& bounds) : mBounds(bounds) {}
  GdkWindow* GetGdkWindow() override { return nullptr; }
  GdkGC* GetGC() override { return nullptr; }
  QV::Rect RectToDrawable(const Graphics& g, QV::Rect rect, bool clip) override {
    return OffscreenRectToDrawable(g, rect, clip);
  }
  const QV::Rect& GetBounds() const override { return mBounds; }
  bool IsInWindow() override { return false; }
  void EraseBackground() override { ++erased; }
  int erased = 0;

 private:
  QV::Rect mBounds;
};

// A Graphics that notes each drawing call as a line of text: "polygon fill 4: 1,2 3,4 ...",
// "line 1,2-3,4", "fill-oval l,t,r,b", "oval l,t,r,b pen 3", "text <s> at x,y", "rect l,t,r,b".
// Each notes the colour it was drawn in when asked: "... #RRGGBB".
class RecordingGraphics : public Graphics {
 public:
  explicit RecordingGraphics(DrawingTarget* target) : Graphics(target) {}
  void DrawPolygon(const GdkPoint* points, int32_t count, PolygonStyle style) override;
  void LineTo(int32_t x, int32_t y) override;
  void DrawOval(const QV::Rect& rect) override;
  void FillOval(const QV::Rect& rect) override;
  void FillRect(const QV::Rect& rect) override;
  void DrawString(const string& text, int32_t x, int32_t y) override;
  // Six pixels a byte.
  int32_t StringWidth(const string& text) override { return 6 * text.Length(); }
  bool CanDrawTranslucent() const override { return translucent; }

  std::vector<std::string> calls;
  bool withColor = false;
  bool translucent = false;

 private:
  void Note(std::string call);
};

QV::Rect MakeRect(int top, int left, int bottom, int right);

// The image's pixels as 0xRRGGBB, rows top down (alpha left out).
std::vector<uint32_t> PixbufColours(GdkPixbuf* image);

// A raw Pango context laid out as a Graphics lays out: the toolkit's settings, read on first use,
// give the screen its font options and resolution, which a context takes when it is made.
inline PangoContext* RawPangoContext() {
  ReadPendingDesktopSettings();
  return gdk_pango_context_get();
}

}  // namespace qvtest
