// The drawing context on off-screen surfaces, pixel by pixel beside the same drawing made with
// raw GDK and Pango calls on a pixmap of its own.
#include <pango/pango.h>

#include "GraphicsFixtures.h"
#include "graphics/PangoFonts.h"

namespace {

using qvtest::MakeRect;
using qvtest::RawPixmap;
using qvtest::Surface;

constexpr uint32_t kBlack = 0x000000;
constexpr uint32_t kWhite = 0xFFFFFF;

class GraphicsDrawing : public qvtest::DisplayTest {};

// Counts the rectangles a thick pen fills.
class CountingGraphics : public GraphicsGTK {
 public:
  using GraphicsGTK::GraphicsGTK;
  void FillRect(const QV::Rect& rect) override {
    ++fills;
    GraphicsGTK::FillRect(rect);
  }
  int fills = 0;
};

TEST_F(GraphicsDrawing, RectanglesAndOvalsCoverThePixelsGdkDoes) {
  Surface surface(80, 40);
  RawPixmap raw(80, 40);
  GraphicsGTK& g = surface.g();
  g.DrawRect(MakeRect(0, 0, 10, 10));
  gdk_draw_rectangle(raw.pixmap(), raw.gc(), FALSE, 0, 0, 9, 9);
  g.FillRect(MakeRect(30, 20, 20, 30));  // corners given bottom-up: put in order
  gdk_draw_rectangle(raw.pixmap(), raw.gc(), TRUE, 20, 20, 10, 10);
  g.DrawOval(MakeRect(0, 40, 20, 70));
  gdk_draw_arc(raw.pixmap(), raw.gc(), FALSE, 40, 0, 29, 19, 0, 360 * 64);
  g.FillOval(MakeRect(20, 40, 40, 60));
  gdk_draw_arc(raw.pixmap(), raw.gc(), TRUE, 40, 20, 19, 19, 0, 360 * 64);
  gdk_draw_arc(raw.pixmap(), raw.gc(), FALSE, 40, 20, 19, 19, 0, 360 * 64);
  const qvtest::Screenshot drawn = surface.Pixels();
  EXPECT_EQ(drawn.DifferingPixels(raw.Pixels()), 0);
  // {0, 0, 10, 10} outlines pixels 0 to 9.
  EXPECT_EQ(drawn.Pixel(9, 9), kBlack);
  EXPECT_EQ(drawn.Pixel(10, 9), kWhite);
  EXPECT_EQ(drawn.Pixel(5, 5), kWhite);
  EXPECT_EQ(drawn.CountPixels(kBlack), raw.Pixels().CountPixels(kBlack));
}

// A rounded rectangle without corners is the rectangle; with corners, they stay clear.
TEST_F(GraphicsDrawing, RoundRectanglesAreRectanglesWithQuarterEllipseCorners) {
  Surface round(40, 20);
  Surface square(40, 20);
  round.g().DrawRoundRect(MakeRect(0, 0, 10, 10), 0, 0);
  round.g().FillRoundRect(MakeRect(0, 20, 10, 30), 0, 0);
  square.g().DrawRect(MakeRect(0, 0, 10, 10));
  square.g().FillRect(MakeRect(0, 20, 10, 30));
  EXPECT_EQ(round.Pixels().DifferingPixels(square.Pixels()), 0);

  Surface corners(40, 40);
  corners.g().DrawRoundRect(MakeRect(0, 0, 20, 20), 10, 10);
  corners.g().FillRoundRect(MakeRect(20, 20, 40, 40), 10, 10);
  const qvtest::Screenshot drawn = corners.Pixels();
  EXPECT_EQ(drawn.Pixel(0, 0), kWhite);
  EXPECT_EQ(drawn.Pixel(10, 0), kBlack);
  EXPECT_EQ(drawn.Pixel(0, 10), kBlack);
  EXPECT_EQ(drawn.Pixel(19, 10), kBlack);
  EXPECT_EQ(drawn.Pixel(10, 10), kWhite);
  EXPECT_EQ(drawn.Pixel(20, 20), kWhite);
  EXPECT_EQ(drawn.Pixel(30, 30), kBlack);
  EXPECT_EQ(drawn.Pixel(39, 39), kWhite);
}

TEST_F(GraphicsDrawing, PolygonsAreFilledThenOutlinedAndLieRelativeToThePane) {
  Surface surface(40, 40);
  RawPixmap raw(40, 40);
  GdkPoint triangle[3] = {{2, 2}, {30, 5}, {10, 35}};
  surface.g().SetOrigin(7, 7);  // polygon points do not move with the origin
  surface.g().DrawPolygon(triangle, 3, kPolygonFilled);
  gdk_draw_polygon(raw.pixmap(), raw.gc(), TRUE, triangle, 3);
  gdk_draw_polygon(raw.pixmap(), raw.gc(), FALSE, triangle, 3);
  EXPECT_EQ(surface.Pixels().DifferingPixels(raw.Pixels()), 0);
}

TEST_F(GraphicsDrawing, ThinLinesAreGdkLinesAndThickPensStampTheirRectangles) {
  Surface surface(40, 20);
  RawPixmap raw(40, 20);
  surface.g().MoveTo(1, 1);
  surface.g().LineTo(30, 12);
  gdk_draw_line(raw.pixmap(), raw.gc(), 1, 1, 30, 12);
  EXPECT_EQ(surface.Pixels().DifferingPixels(raw.Pixels()), 0);
  EXPECT_EQ(surface.g().PenX(), 30);
  EXPECT_EQ(surface.g().PenY(), 12);

  Surface thick(40, 20);
  CountingGraphics pen(&thick.pane());
  pen.SetPenSize(3, 3);
  pen.MoveTo(10, 5);
  pen.LineTo(0, 5);
  EXPECT_EQ(pen.fills, 11);
  EXPECT_EQ(pen.PenX(), 0);
  EXPECT_EQ(pen.PenY(), 5);
  RawPixmap bar(40, 20);
  gdk_draw_rectangle(bar.pixmap(), bar.gc(), TRUE, 0, 5, 13, 3);
  EXPECT_EQ(thick.Pixels().DifferingPixels(bar.Pixels()), 0);
}

// Stepping along the longer axis: a shallow thick line has no gaps.
TEST_F(GraphicsDrawing, AShallowThickLineIsUnbroken) {
  Surface surface(40, 20);
  surface.g().SetPenSize(2, 2);
  surface.g().MoveTo(0, 2);
  surface.g().LineTo(30, 5);
  const qvtest::Screenshot drawn = surface.Pixels();
  for (int x = 0; x <= 31; ++x) {
    int black = 0;
    for (int y = 0; y < 20; ++y) black += drawn.Pixel(x, y) == kBlack;
    EXPECT_GE(black, 2) << "column " << x;
  }
  EXPECT_EQ(drawn.Pixel(32, 6), kWhite);
}

TEST_F(GraphicsDrawing, FocusRingsAreOnePixelDashes) {
  Surface surface(40, 30);
  RawPixmap raw(40, 30);
  surface.g().DrawFocusRing(MakeRect(2, 3, 25, 33));
  gdk_gc_set_line_attributes(raw.gc(), 1, GDK_LINE_ON_OFF_DASH, GDK_CAP_BUTT, GDK_JOIN_MITER);
  GdkPoint ring[5] = {{3, 2}, {32, 2}, {32, 24}, {3, 24}, {3, 2}};
  gdk_draw_lines(raw.pixmap(), raw.gc(), ring, 5);
  const qvtest::Screenshot drawn = surface.Pixels();
  EXPECT_EQ(drawn.DifferingPixels(raw.Pixels()), 0);
  EXPECT_LT(drawn.CountPixels(kBlack), 2 * (29 + 22));  // dashed, not solid
  // The graphics context draws solid lines again afterwards.
  surface.g().MoveTo(0, 28);
  surface.g().LineTo(39, 28);
  EXPECT_EQ(surface.Pixels().Region({0, 28, 40, 1}).CountPixels(kBlack), 40);
}

TEST_F(GraphicsDrawing, ColoursAreSixteenBitsAComponentAndReadBackAsDrawn) {
  Surface surface(10, 10);
  GraphicsGTK& g = surface.g();
  g.SetForeColor(ColorFromRGB(0x12A4F0));
  EXPECT_EQ(g.ForeColor(), (RGBColor16{0x1212, 0xA4A4, 0xF0F0}));
  EXPECT_EQ(RGBFromColor(g.ForeColor()), 0x12A4F0u);
  g.FillRect(MakeRect(0, 0, 5, 5));
  EXPECT_EQ(surface.Pixels().Pixel(4, 4), 0x12A4F0u);
  EXPECT_EQ(g.GetPixel(4, 4), (RGBColor16{0x1212, 0xA4A4, 0xF0F0}));
  g.SetPixel(7, 8, ColorFromRGB(0x00FF80));
  EXPECT_EQ(RGBFromColor(g.GetPixel(7, 8)), 0x00FF80u);
  EXPECT_EQ(RGBFromColor(g.ForeColor()), 0x12A4F0u) << "SetPixel keeps the foreground";
  // Outside the drawable there is nothing to read.
  EXPECT_EQ(g.GetPixel(10, 0), (RGBColor16{0, 0, 0}));
  EXPECT_EQ(g.GetPixel(-1, 3), (RGBColor16{0, 0, 0}));
  EXPECT_EQ(g.GetPixel(3, 4000), (RGBColor16{0, 0, 0}));
}

TEST_F(GraphicsDrawing, TheClipAndTheOriginMoveAndLimitDrawingAndTheClipGoesWithItsGraphics) {
  Surface surface(20, 20);
  GraphicsGTK& g = surface.g();
  g.SetClipRect(MakeRect(0, 0, 5, 6));
  g.FillRect(MakeRect(0, 0, 20, 20));
  EXPECT_EQ(surface.Pixels().CountPixels(kBlack), 30);
  {
    GraphicsClipSaver saver(g);
    g.RemoveClip();
    EXPECT_FALSE(g.HasClip());
  }
  EXPECT_TRUE(g.HasClip());
  g.RemoveClip();
  g.SetOrigin(3, 4);
  g.ClearRect(MakeRect(0, 0, 20, 20));
  EXPECT_EQ(surface.Pixels().CountPixels(kWhite), 400);
  EXPECT_EQ(RGBFromColor(g.ForeColor()), 0u) << "ClearRect keeps the foreground";
  g.FillRect(MakeRect(4, 3, 6, 5));
  const qvtest::Screenshot moved = surface.Pixels();
  EXPECT_EQ(moved.CountPixels(kBlack), 4);
  EXPECT_EQ(moved.Pixel(1, 1), kBlack);

  // A clip a Graphics set does not outlive it on the surface's graphics context.
  Graphics* clipped = surface.pane().NewGraphics();
  clipped->SetClipRect(MakeRect(0, 0, 1, 1));
  Graphics::Destroy(clipped);
  Graphics* next = surface.pane().NewGraphics();
  next->FillRect(MakeRect(10, 10, 20, 20));
  Graphics::Destroy(next);
  EXPECT_EQ(surface.Pixels().Pixel(15, 15), kBlack);
}

// ---- text beside raw Pango ----

struct RawText {
  PangoContext* context = qvtest::RawPangoContext();
  PangoLayout* layout = pango_layout_new(context);
  PangoFontDescription* font;
  int ascent = 0;

  explicit RawText(const char* description)
      : font(pango_font_description_from_string(description)) {
    pango_layout_set_font_description(layout, font);
    PangoFont* loaded = pango_context_load_font(context, font);
    PangoFontMetrics* metrics = pango_font_get_metrics(loaded, nullptr);
    ascent = (pango_font_metrics_get_ascent(metrics) + PANGO_SCALE / 2) / PANGO_SCALE;
    pango_font_metrics_unref(metrics);
    g_object_unref(loaded);
  }
  ~RawText() {
    pango_font_description_free(font);
    g_object_unref(layout);
    g_object_unref(context);
  }
  int Width(const char* text) {
    pango_layout_set_text(layout, text, -1);
    int width = 0;
    pango_layout_get_pixel_size(layout, &width, nullptr);
    return width;
  }
};

TEST_F(GraphicsDrawing, TextSitsOnItsBaselineInTheFontSizeAndStyleAsked) {
  struct Case {
    uint32_t style;
    const char* description;
  };
  const Case cases[] = {{0, "DejaVu Sans 10"},
                        {kStyleBold, "DejaVu Sans Bold 10"},
                        {kStyleItalic, "DejaVu Sans Italic 10"},
                        {kStyleUnderline, "DejaVu Sans 10"},
                        {kStyleBold | kStyleItalic, "DejaVu Sans Bold Italic 10"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description);
    Surface surface(160, 40);
    GraphicsGTK& g = surface.g();
    g.SetTextFont(string("DejaVu Sans"));
    g.SetTextSize(12);  // two points above the desktop's, as the language counts them
    g.SetTextStyle(c.style);
    g.DrawString(string("Quiet gym jab"), 5, 25);
    RawText raw(c.description);
    RawPixmap expected(160, 40);
    pango_layout_set_text(raw.layout, "Quiet gym jab", -1);
    PangoAttrList* attributes = pango_attr_list_new();
    if (c.style & kStyleUnderline) {
      pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    pango_layout_set_attributes(raw.layout, attributes);
    pango_attr_list_unref(attributes);
    gdk_draw_layout(expected.pixmap(), expected.gc(), 5, 25 - raw.ascent, raw.layout);
    EXPECT_EQ(g.TextAscent(), raw.ascent);
    EXPECT_EQ(g.StringWidth(string("Quiet gym jab")), raw.Width("Quiet gym jab"));
    EXPECT_EQ(surface.Pixels().DifferingPixels(expected.Pixels()), 0);
    EXPECT_GT(expected.Pixels().CountPixels(kBlack, 100), 20);
  }
}

// The layout keeps its shaping while the text stays the same: a repeated text, a changed one,
// the same text underlined and then plain again, and a wrapped one after it each draw as their own.
TEST_F(GraphicsDrawing, RepeatedAndChangedTextsEachDrawAsTheirOwn) {
  const char* wrapped = "Same words wrapped";
  Surface surface(160, 160);
  GraphicsGTK& g = surface.g();
  g.SetTextFont(string("DejaVu Sans"));
  RawText raw("DejaVu Sans 10");
  RawPixmap expected(160, 160);
  const struct {
    const char* text;
    int32_t style;
  } draws[] = {{"Same", 0}, {"Same", 0}, {"Other", 0}, {"Same", kStyleUnderline}, {"Same", 0}};
  int32_t y = 15;
  for (const auto& d : draws) {
    g.SetTextStyle(d.style);
    g.DrawString(string(d.text), 5 + (y % 2) * 60, y);
    pango_layout_set_text(raw.layout, d.text, -1);
    PangoAttrList* attributes = pango_attr_list_new();
    if (d.style & kStyleUnderline) {
      pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    }
    pango_layout_set_attributes(raw.layout, attributes);
    pango_attr_list_unref(attributes);
    gdk_draw_layout(expected.pixmap(), expected.gc(), 5 + (y % 2) * 60, y - raw.ascent,
                    raw.layout);
    y += 21;
  }
  g.SetTextStyle(0);
  g.DrawStringWrapped(string(wrapped), MakeRect(y, 5, y + 50, 65), 0);
  pango_layout_set_attributes(raw.layout, nullptr);
  pango_layout_set_text(raw.layout, wrapped, -1);
  pango_layout_set_width(raw.layout, 60 * PANGO_SCALE);
  pango_layout_set_wrap(raw.layout, PANGO_WRAP_WORD);
  gdk_draw_layout(expected.pixmap(), expected.gc(), 5, y, raw.layout);
  EXPECT_EQ(surface.Pixels().DifferingPixels(expected.Pixels()), 0);
}

TEST_F(GraphicsDrawing, WrappedTextBreaksAtWordsWithItsAlignmentAndLeavesNoneBehind) {
  const char* text = "The quick brown fox jumps over the lazy dog";
  const PangoAlignment alignments[] = {PANGO_ALIGN_LEFT, PANGO_ALIGN_CENTER, PANGO_ALIGN_RIGHT,
                                       PANGO_ALIGN_LEFT};
  Surface surface(120, 200);
  GraphicsGTK& g = surface.g();
  g.SetTextFont(string("DejaVu Sans"));
  RawText raw("DejaVu Sans 10");
  RawPixmap expected(120, 200);
  pango_layout_set_width(raw.layout, 100 * PANGO_SCALE);
  pango_layout_set_wrap(raw.layout, PANGO_WRAP_WORD);
  pango_layout_set_text(raw.layout, text, -1);
  for (int alignment = 0; alignment < 4; ++alignment) {
    const int top = alignment * 50;
    g.DrawStringWrapped(string(text), MakeRect(top, 10, top + 50, 110), alignment);
    pango_layout_set_alignment(raw.layout, alignments[alignment]);
    gdk_draw_layout(expected.pixmap(), expected.gc(), 10, top, raw.layout);
  }
  EXPECT_EQ(surface.Pixels().DifferingPixels(expected.Pixels()), 0);
  int height = 0;
  pango_layout_get_pixel_size(raw.layout, nullptr, &height);
  EXPECT_EQ(g.StringHeight(string(text), 100), height);
  EXPECT_GT(height, 2 * g.TextHeight() - 2) << "the text takes several lines";
}

TEST_F(GraphicsDrawing, CondensedTextIsCutToTheLongestPrefixThatFitsWithItsEllipsis) {
  const std::string text = "Condensed into a narrow column";
  Surface surface(200, 30);
  GraphicsGTK& g = surface.g();
  g.SetTextFont(string("DejaVu Sans"));
  g.SetTextStyle(kStyleItalic);
  g.DrawStringCondensed(string(text.c_str()), 4, 20, 90, string("..."));
  EXPECT_EQ(g.TextStyle(), kStyleItalic);
  RawText raw("DejaVu Sans Italic 10");
  const int room = 90 - raw.Width("...");
  size_t fits = 0;
  while (fits < text.size() && raw.Width(text.substr(0, fits + 1).c_str()) < room) ++fits;
  ASSERT_GT(fits, 3u);
  ASSERT_LT(fits, text.size());
  const std::string prefix = text.substr(0, fits);
  RawPixmap expected(200, 30);
  const int prefixWidth = raw.Width(prefix.c_str());
  gdk_draw_layout(expected.pixmap(), expected.gc(), 4, 20 - raw.ascent, raw.layout);
  pango_layout_set_text(raw.layout, "...", -1);
  gdk_draw_layout(expected.pixmap(), expected.gc(), 4 + prefixWidth, 20 - raw.ascent,
                  raw.layout);
  EXPECT_EQ(surface.Pixels().DifferingPixels(expected.Pixels()), 0);

  // A text that fits is drawn whole, with no ellipsis.
  Surface whole(200, 30);
  whole.g().SetTextFont(string("DejaVu Sans"));
  whole.g().DrawStringCondensed(string("Fits"), 4, 20, 90, string("..."));
  Surface plain(200, 30);
  plain.g().SetTextFont(string("DejaVu Sans"));
  plain.g().DrawString(string("Fits"), 4, 20);
  EXPECT_EQ(whole.Pixels().DifferingPixels(plain.Pixels()), 0);
}

TEST_F(GraphicsDrawing, StockIconsRenderOffScreenThroughTheDefaultStyle) {
  Surface surface(70, 40);
  surface.g().DrawStockIcon(kStockIconInfo, 2, 4, 32, 32);
  surface.g().DrawStockIcon(9, 36, 4, 32, 32);
  const qvtest::Screenshot drawn = surface.Pixels();
  EXPECT_GT(40 * 36 - drawn.Region({0, 0, 36, 40}).CountPixels(kWhite), 100);
  EXPECT_EQ(drawn.Region({36, 0, 34, 40}).CountPixels(kWhite), 34 * 40) << "no such icon";
  EXPECT_EQ(drawn.Region({0, 0, 70, 4}).CountPixels(kWhite), 70 * 4) << "drawn at (2, 4)";
}

TEST_F(GraphicsDrawing, HandlesAreTheDrawableAndItsPreparedContext) {
  Surface surface(10, 10);
  EXPECT_EQ(surface.g().GetHandle(kHandleGdkDrawable),
            reinterpret_cast<uintptr_t>(surface.pane().GetPixmap()));
  EXPECT_EQ(surface.g().GetHandle(kHandleGdkGC),
            reinterpret_cast<uintptr_t>(surface.pane().GetGC()));
  EXPECT_EQ(surface.g().GetHandle(1), 0u);
}

}  // namespace
