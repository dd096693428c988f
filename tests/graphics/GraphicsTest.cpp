// The language object that wraps a drawing context: its own context, then its properties and
// methods through the exports on an off-screen surface; the context's text font, size and
// style with the layout built from them, the clip kept across a drawing, and the language's
// font list against Pango's.
#include <gtest/gtest.h>
#include <pango/pangocairo.h>
#include <strings.h>

#include <set>
#include <string>

#include "GraphicsFixtures.h"
#include "arrays/ArrayElementAccess.h"
#include "graphics/GraphicsClass.h"
#include "graphics/GraphicsGTK.h"
#include "graphics/PangoFonts.h"
#include "support/TestSupport.h"

namespace {

std::string Text(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

QV::Rect Rect(int top, int left, int bottom, int right) {
  return {int16_t(top), int16_t(left), int16_t(bottom), int16_t(right)};
}

// The font of the layout, as Pango writes a description; "" without a layout.
std::string LayoutFont(GraphicsGTK& g) {
  PangoLayout* layout = g.Layout();
  const PangoFontDescription* font = layout ? pango_layout_get_font_description(layout) : nullptr;
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
  qvtest::Surface surface(8, 8);
  GraphicsGTK& g = surface.g();
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

// ---- the class through its exports, on an off-screen surface ----

namespace {

using qvtest::MakeRect;

class GraphicsExports : public qvtest::DisplayTest {
 protected:
  void SetUp() override {
    DisplayTest::SetUp();
    if (IsSkipped()) return;
    pane = new DrawablePane({0, 0}, {30, 40}, 32);
    object = NewGraphicsObject(pane->NewGraphics());
  }
  void TearDown() override {
    RuntimeUnlockObject(object);
    if (pane) pane->Release();
  }
  qvtest::Screenshot Pixels() { return qvtest::PixelsOf(pane->GetPixmap(), 40, 30); }
  // An Integer array of the values, from element 0.
  static RuntimeArray* Integers(std::initializer_list<int32_t> values) {
    RuntimeArray* array = CreateArray(1, kArrayInt32, int32_t(values.size()) - 1);
    int32_t index = 0;
    for (int32_t value : values) ArraySetElement(array, index++, uint32_t(value));
    return array;
  }
  DrawablePane* pane = nullptr;
  RuntimeObject* object = nullptr;
};

TEST_F(GraphicsExports, StyleAndPenPropertiesChangeOnlyWhatTheyName) {
  graphicsItalicSetter(object, 0, 1);
  graphicsUnderlineSetter(object, 0, 1);
  graphicsBoldSetter(object, 0, 1);
  EXPECT_EQ(graphicsItalicGetter(object, 0), 1);
  EXPECT_EQ(graphicsUnderlineGetter(object, 0), 1);
  graphicsItalicSetter(object, 0, 0);
  EXPECT_EQ(graphicsBoldGetter(object, 0), 1);
  EXPECT_EQ(graphicsUnderlineGetter(object, 0), 1);
  EXPECT_EQ(graphicsItalicGetter(object, 0), 0);
  graphicsPenHeightSetter(object, 0, 4);
  graphicsPenWidthSetter(object, 0, 3);
  EXPECT_EQ(graphicsPenHeightGetter(object, 0), 4);
  EXPECT_EQ(graphicsPenWidthGetter(object, 0), 3);
  graphicsTextSizeSetter(object, 0, 18);
  EXPECT_EQ(graphicsTextSizeGetter(object, 0), 18);
  graphicsTextFontSetter(object, 0, string("DejaVu Serif").Storage());
  stringStorage* font = graphicsTextFontGetter(object, 0);
  EXPECT_STREQ(stringStorage::CString(font), "DejaVu Serif");
  stringStorage::RemoveReference(font);
  EXPECT_EQ(graphicsWidthGetter(object, 0), 40);
  EXPECT_EQ(graphicsHeightGetter(object, 0), 30);
  EXPECT_EQ(graphicsCopiesGetter(object, 0), 0);
  graphicsUseOldRendererSetter(object, 0, 1);
  EXPECT_EQ(graphicsUseOldRendererGetter(object, 0), 0);
  EXPECT_EQ(RuntimeGraphicsHandleGetter(object, 1), 0u);
  EXPECT_EQ(RuntimeGraphicsHandleGetter(object, 3), reinterpret_cast<uintptr_t>(pane->GetPixmap()));
  EXPECT_EQ(RuntimeGraphicsStringDirection(object, string("abc").Storage()), -1);
  EXPECT_EQ(RuntimeGraphicsStringDirection(object, nullptr), -1);
  EXPECT_EQ(RuntimeGraphicsStringWidth(object, nullptr), 0);
  EXPECT_GT(RuntimeGraphicsStringWidth(object, string("abc").Storage()), 10);
  EXPECT_GT(RuntimeGraphicsTextHeight(object), RuntimeGraphicsTextAscent(object));
}

TEST_F(GraphicsExports, DrawingWithoutAPaneIsReportedAndDrawsNothing) {
  RuntimeObject* paneless = NewGraphicsObject(Graphics::Create(nullptr));
  RuntimeArray* points = Integers({0, 1, 1, 5, 5, 1, 9});
  qvtest::ReportCapture reports;
  RuntimeGraphicsFillRect(paneless, 0, 0, 5, 5);
  RuntimeGraphicsDrawLine(paneless, 0, 0, 5, 5);
  RuntimeGraphicsDrawStringCondensed(paneless, string("x").Storage(), 0, 0, 0, 0);
  graphicsFillPolygon(paneless, points);
  graphicsDrawStopIcon(paneless, 0, 0);
  graphicsPixelSetter(paneless, 1, 1, 0xFF0000);
  RuntimeGraphicsNextPage(paneless);
  EXPECT_EQ(reports.count(), 7u);
  for (const qvtest::CapturedReport& report : reports.reports()) {
    EXPECT_EQ(report.condition, "thePane");
  }
  reports.clear();
  EXPECT_EQ(graphicsPixelGetter(paneless, 1, 1), 0u);
  EXPECT_TRUE(reports.HasCondition("thePane"));
  reports.clear();
  EXPECT_EQ(RuntimeGraphicsHandleGetter(nullptr, 3), 0u);
  EXPECT_TRUE(reports.HasCondition("obj"));
  RuntimeUnlockArray(points);
  RuntimeUnlockObject(paneless);
}

TEST_F(GraphicsExports, PolygonsTakeTheirPointsFromElementOneAndIgnoreAnOddLastOne) {
  RuntimeArray* four = Integers({99, 2, 3, 30, 20});
  RuntimeArray* five = Integers({99, 2, 3, 30, 20, 7});
  graphicsDrawPolygon(object, four);
  const qvtest::Screenshot byFour = Pixels();
  RuntimeGraphicsClearRect(object, 0, 0, 40, 30);
  graphicsDrawPolygon(object, five);
  EXPECT_EQ(Pixels().DifferingPixels(byFour), 0);
  qvtest::RawPixmap line(40, 30);
  GdkPoint ends[2] = {{2, 3}, {30, 20}};
  gdk_draw_polygon(line.pixmap(), line.gc(), FALSE, ends, 2);
  EXPECT_EQ(byFour.DifferingPixels(line.Pixels()), 0);

  RuntimeGraphicsClearRect(object, 0, 0, 40, 30);
  RuntimeArray* empty = CreateArray(1, kArrayInt32, -1);
  graphicsFillPolygon(object, empty);
  graphicsFillPolygon(object, nullptr);
  EXPECT_EQ(Pixels().CountPixels(0xFFFFFF), 1200);
  RuntimeArray* triangle = Integers({0, 1, 1, 20, 1, 1, 20});
  graphicsFillPolygon(object, triangle);
  qvtest::RawPixmap filled(40, 30);
  GdkPoint corners[3] = {{1, 1}, {20, 1}, {1, 20}};
  gdk_draw_polygon(filled.pixmap(), filled.gc(), TRUE, corners, 3);
  gdk_draw_polygon(filled.pixmap(), filled.gc(), FALSE, corners, 3);
  EXPECT_EQ(Pixels().DifferingPixels(filled.Pixels()), 0);
  for (RuntimeArray* array : {four, five, empty, triangle}) RuntimeUnlockArray(array);
}

TEST_F(GraphicsExports, StringsWrapIntoAWidthOrCondenseToIt) {
  const string text("Wrapped into a width");
  RuntimeGraphicsDrawStringCondensed(object, text.Storage(), 2, 12, 30, 0);
  const qvtest::Screenshot wrapped = Pixels();
  Graphics* native = NativeGraphicsOf(object);
  DrawablePane other({0, 0}, {30, 40}, 32);
  Graphics* reference = other.NewGraphics();
  const int32_t ascent = reference->TextAscent();
  reference->DrawStringWrapped(text, MakeRect(12 - ascent, 2, 32767, 32), kAlignLeft);
  EXPECT_EQ(wrapped.DifferingPixels(qvtest::PixelsOf(other.GetPixmap(), 40, 30)), 0);
  EXPECT_GT(wrapped.Region({0, 14, 40, 16}).CountPixels(0), 0) << "a second line";

  RuntimeGraphicsClearRect(object, 0, 0, 40, 30);
  RuntimeGraphicsDrawStringCondensed(object, text.Storage(), 2, 12, 30, 1);
  reference->ClearRect(MakeRect(0, 0, 30, 40));
  reference->DrawStringCondensed(text, 2, 12, 30, string("..."));
  EXPECT_EQ(Pixels().DifferingPixels(qvtest::PixelsOf(other.GetPixmap(), 40, 30)), 0);
  EXPECT_EQ(native->TextStyle(), 0u);
  Graphics::Destroy(reference);
}

TEST_F(GraphicsExports, APixelSetReadsBackAndDrawingDropsTheSurfacesCachedPixels) {
  graphicsPixelSetter(object, 3, 4, 0x3C5A78);
  EXPECT_EQ(graphicsPixelGetter(object, 3, 4), 0x3C5A78u);
  GdkPixbuf* cached = pane->GetPixbuf();
  ASSERT_NE(cached, nullptr);
  graphicsForeColorSetter(object, 0, 0x00FF00);
  RuntimeGraphicsFillRect(object, 0, 0, 2, 2);
  GdkPixbuf* fresh = pane->GetPixbuf();
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(gdk_pixbuf_get_pixels(fresh)[1], 0xFF) << "the cache was dropped before drawing";
  RuntimeGraphicsDrawFocusRing(object, 10, 10, 10, 10);
  RuntimeGraphicsDrawRoundRect(object, 25, 2, 10, 10, 4, 4);
  RuntimeGraphicsFillOval(object, 25, 15, 10, 10);
  graphicsDrawNoteIcon(object, 0, 0);
  EXPECT_LT(Pixels().CountPixels(0xFFFFFF), 1100);
  // A new page of an off-screen surface is white again; the pen keeps its colour.
  RuntimeGraphicsNextPage(object);
  EXPECT_EQ(Pixels().CountPixels(0xFFFFFF), 1200);
  EXPECT_EQ(graphicsForeColorGetter(object, 0), 0x00FF00u);
}

}  // namespace
