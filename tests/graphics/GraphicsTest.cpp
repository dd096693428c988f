// The language object that wraps a drawing context (the context itself draws in the window
// layer's tests, on panes and pixmaps); the context's text font, size and style with the layout
// built from them, the clip kept across a drawing, and the language's font list against
// Pango's.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>
#include <strings.h>

#include <set>
#include <string>

#include "graphics/GraphicsClass.h"
#include "graphics/GraphicsGTK.h"
#include "graphics/PangoFonts.h"
#include "support/TestSupport.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

QV::Rect Rect(int top, int left, int bottom, int right) {
  return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

// A pixmap to draw on, its rectangles taken as they come.
class PixmapTarget : public DrawingTarget {
 public:
  PixmapTarget() : mPixmap(gdk_pixmap_new(gdk_get_default_root_window(), 8, 8, -1)) {}
  ~PixmapTarget() { g_object_unref(mPixmap); }
  GdkWindow* GetGdkWindow() override { return mPixmap; }
  GdkGC* GetGC() override { return nullptr; }
  QV::Rect RectToDrawable(const Graphics&, QV::Rect rect, bool) override { return rect; }

 private:
  GdkPixmap* mPixmap;
};

// The font of the layout, as Pango writes a description.
std::string LayoutFont(GraphicsGTK& g) {
  const PangoFontDescription* font = pango_layout_get_font_description(g.Layout());
  if (!font) return "";
  char* text = pango_font_description_to_string(font);
  std::string description = text;
  g_free(text);
  return description;
}

std::string DescriptionOf(const FontSpec& font) {
  PangoFontDescription* description = MakePangoFontDescription(font);
  char* text = pango_font_description_to_string(description);
  std::string result = text;
  g_free(text);
  pango_font_description_free(description);
  return result;
}

// A font set as a whole or piece by piece; the style keeps its low byte. The layout is built
// from the font as it is when the layout is asked for, again after every change.
TEST(GraphicsText, FontSizeAndStyleMakeTheLayoutsFont) {
  ASSERT_TRUE(qvtest::HaveDisplay()) << "needs a display: run under scripts/with-display";
  ASSERT_GT(PangoFontFamilyCount(), 2);
  PixmapTarget target;
  GraphicsGTK g(&target);
  EXPECT_EQ(Text(g.TextFont()) + " " + std::to_string(g.TextSize()), "System 12");
  EXPECT_EQ(g.TextStyle(), 0u);
  FontSpec font;
  font.name = PangoFontFamilyName(1);
  font.size = 17;
  font.italic = font.underline = 1;
  g.SetFont(font);
  EXPECT_EQ(Text(g.TextFont()), Text(font.name));
  EXPECT_EQ(g.TextSize(), 17);
  EXPECT_EQ(g.TextStyle(), kStyleItalic | kStyleUnderline);
  EXPECT_EQ(LayoutFont(g), DescriptionOf(font));
  g.SetTextFont(PangoFontFamilyName(2));
  g.SetTextSize(30);
  g.SetTextStyle(kStyleBold | 0x100);
  EXPECT_EQ(g.TextStyle(), kStyleBold);
  FontSpec changed;
  changed.name = PangoFontFamilyName(2);
  changed.size = 30;
  changed.bold = 1;
  EXPECT_EQ(LayoutFont(g), DescriptionOf(changed));
  EXPECT_NE(LayoutFont(g), DescriptionOf(font));
  GraphicsGTK targetless(nullptr);
  EXPECT_EQ(LayoutFont(targetless), "") << "no target: no font is built";
}

// The clip a drawing found comes back after it, or goes when there was none.
TEST(GraphicsText, TheClipSaverPutsBackTheClipOrItsAbsence) {
  Graphics g(nullptr);
  {
    GraphicsClipSaver saver(g);
    g.SetClipRect(Rect(1, 2, 3, 4));
  }
  EXPECT_FALSE(g.HasClip());
  g.SetClipRect(Rect(5, 6, 7, 8));
  {
    GraphicsClipSaver saver(g);
    g.RemoveClip();
    g.SetClipRect(Rect(9, 10, 11, 12));
  }
  ASSERT_TRUE(g.HasClip());
  EXPECT_EQ(g.ClipRect().top + g.ClipRect().left * 10 + g.ClipRect().bottom * 100 +
                g.ClipRect().right * 1000,
            5 + 60 + 700 + 8000);
}

// "System", then every family Pango lists, in order ignoring case; nothing outside the list.
TEST(PangoFonts, TheFontListIsSystemThenEveryFamilyPangoLists) {
  PangoFontFamily** families = nullptr;
  int count = 0;
  pango_font_map_list_families(pango_cairo_font_map_get_default(), &families, &count);
  std::set<std::string> pango;
  for (int i = 0; i < count; ++i) pango.insert(pango_font_family_get_name(families[i]));
  g_free(families);
  ASSERT_EQ(PangoFontFamilyCount(), count + 1);
  EXPECT_EQ(getFontCount(), count + 1);
  EXPECT_EQ(Text(PangoFontFamilyName(0)), "System");
  std::set<std::string> listed;
  for (int32_t i = 1; i <= count; ++i) {
    const std::string name = Text(PangoFontFamilyName(i));
    listed.insert(name);
    EXPECT_EQ(name, Text(string::Adopt(getFontName(i))));
    if (i > 1) {
      EXPECT_LE(strcasecmp(Text(PangoFontFamilyName(i - 1)).c_str(), name.c_str()), 0);
    }
  }
  EXPECT_EQ(listed, pango);
  EXPECT_TRUE(PangoFontFamilyName(-1).IsEmpty());
  EXPECT_TRUE(PangoFontFamilyName(count + 1).IsEmpty());
}

class DestroyedGraphics : public Graphics {
 public:
  explicit DestroyedGraphics(bool* flag) : Graphics(nullptr), mFlag(flag) {}
  ~DestroyedGraphics() override { *mFlag = true; }

 private:
  bool* mFlag;
};

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
