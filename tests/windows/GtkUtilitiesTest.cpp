// The GTK widget utilities: mnemonic captions and underlined labels, the font mapping and
// descriptions (against the DejaVu fonts), placement sizes, where a Graphics rectangle lands,
// typed clipboards, and the alpha of pixel buffers.
#include <gdk/gdkkeysyms.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "PaneFixtures.h"
#include "graphics/PangoFonts.h"
#include "support/TestSupport.h"
#include "windows/GtkClipboards.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"
#include "windows/PixbufAlpha.h"

namespace {

using qvtest::MakeRect;
using qvtest::RectText;

std::string Bytes(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

TEST(GtkLabels, MnemonicsBecomeGtksAndLabelsUnderlineEveryCharacter) {
  const std::pair<const char*, const char*> cases[] = {
      {"&File", "_File"}, {"Save && Quit", "Save & Quit"}, {"a_b", "a__b"}, {"&&&x", "&_x"}};
  for (const auto& [text, gtk] : cases) EXPECT_EQ(Bytes(MnemonicText(text)), gtk) << text;
  const string converted = MnemonicText(string::FromBytes("&Caf\x8E", 5, kEncodingMacRoman));
  EXPECT_EQ(Bytes(converted), "_Caf\xC3\xA9");
  EXPECT_EQ(converted.Encoding(), kEncodingUTF8);
  ASSERT_TRUE(qvtest::HaveDisplay()) << "needs a display: run under scripts/with-display";
  GtkWidget* label = GTK_WIDGET(g_object_ref_sink(gtk_label_new(nullptr)));
  FontSpec underlined;
  underlined.underline = 1;
  SetLabelTextWithMnemonic(label, "&Caf\xC3\xA9", &underlined);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "Caf\xC3\xA9");
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(label)), guint(GDK_KEY_c));
  // Four characters, five bytes: the underline covers the text, no more.
  PangoAttrIterator* it = pango_attr_list_get_iterator(
      pango_layout_get_attributes(gtk_label_get_layout(GTK_LABEL(label))));
  PangoAttribute* underline = pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE);
  ASSERT_NE(underline, nullptr);
  EXPECT_EQ(underline->start_index, 0u);
  EXPECT_EQ(underline->end_index, 5u);
  pango_attr_iterator_destroy(it);
  g_object_unref(label);
}

class FontMappingTest : public testing::Test {
 protected:
  void SetUp() override { SetDesktopFont("DejaVu Sans", 10); }
  void TearDown() override { SetDesktopFont(mFamily, mSize); }
  static std::string Describe(const char* name, int16_t size, bool bold = false,
                              bool italic = false) {
    FontSpec font;
    font.name = name;
    font.size = size;
    font.bold = bold;
    font.italic = italic;
    PangoFontDescription* description = MakePangoFontDescription(font);
    char* text = pango_font_description_to_string(description);
    const std::string result = text;
    g_free(text);
    pango_font_description_free(description);
    return result;
  }
  const string mFamily = DesktopFontFamily();
  const int32_t mSize = DesktopFontSize();
};

TEST_F(FontMappingTest, SystemAndSizesMapToTheDesktopsAndBack) {
  const std::tuple<const char*, bool, const char*> names[] = {
      {"system", true, "DejaVu Sans"}, {"", true, "DejaVu Sans"}, {"DEJAVU SANS", false, "System"},
      {"Serif", true, "Serif"},        {"Serif", false, "Serif"}};
  for (const auto& [given, toDesktop, mapped] : names) {
    string name(given);
    EXPECT_EQ(Bytes(MapSystemFontName(name, toDesktop)), mapped) << given;
    EXPECT_EQ(Bytes(name), mapped) << given;
  }
  EXPECT_EQ(MapSystemFontSize(12, true), 10);
  EXPECT_EQ(MapSystemFontSize(0, true), 10);
  EXPECT_EQ(MapSystemFontSize(-3, true), 10);
  EXPECT_EQ(MapSystemFontSize(10, false), 12);
}

// A widget's font is the description of the font it is given, also when fonts alternate and
// when the desktop's font changes between two widgets given the same system font.
TEST_F(FontMappingTest, WidgetsFollowTheirFontAndTheDesktopsFont) {
  ASSERT_TRUE(qvtest::HaveDisplay()) << "needs a display: run under scripts/with-display";
  auto fontOf = [](const FontSpec& font) {
    GtkWidget* label = GTK_WIDGET(g_object_ref_sink(gtk_label_new("x")));
    SetWidgetFont(label, font);
    const PangoFontDescription* set = gtk_widget_get_modifier_style(label)->font_desc;
    char* text = set ? pango_font_description_to_string(set) : g_strdup("none");
    const std::string result = text;
    g_free(text);
    g_object_unref(label);
    return result;
  };
  FontSpec system;
  FontSpec serif;
  serif.name = "DejaVu Serif";
  serif.size = 14;
  serif.bold = 1;
  const std::string systemText = Describe("", 0);
  const std::string serifText = Describe("DejaVu Serif", 14, true);
  EXPECT_NE(systemText, serifText);
  for (int round = 0; round < 2; ++round) {
    EXPECT_EQ(fontOf(system), systemText) << round;
    EXPECT_EQ(fontOf(system), systemText) << round;
    EXPECT_EQ(fontOf(serif), serifText) << round;
  }
  SetDesktopFont("DejaVu Sans Mono", 12);
  const std::string monoText = Describe("", 0);
  EXPECT_NE(monoText, systemText);
  EXPECT_EQ(fontOf(system), monoText);
  SetDesktopFont("DejaVu Sans Mono", 9);
  EXPECT_EQ(fontOf(system), Describe("", 0));
  EXPECT_NE(Describe("", 0), monoText);
}

TEST_F(FontMappingTest, DescriptionsNameAnInstalledFamilysPlainFaceAtTheMappedSize) {
  EXPECT_EQ(Describe("System", 12), "DejaVu Sans 10");
  EXPECT_EQ(Describe("System", 0), "DejaVu Sans 10");
  EXPECT_EQ(Describe("dejavu serif", 14, true, true), "DejaVu Serif Bold Italic 12");
  EXPECT_EQ(Describe("DejaVu Sans Mono", 11, true), "DejaVu Sans Mono Bold 9");
  // A family nobody has keeps its size; the toolkit substitutes a font that loads.
  EXPECT_NE(Describe("No Such Family Anywhere", 20).find(" 18"), std::string::npos);
}

class PlacementTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = new qvtest::TestWindow(320, 240, true);
  }
  void TearDown() override {
    if (window) window->Release();
  }
  qvtest::GuiDriver gui;
  qvtest::TestWindow* window = nullptr;
};

TEST_F(PlacementTest, ANegativeSizeIsRequestedAsNothing) {
  auto* pane = new qvtest::TestPane(window, MakeRect(10, 10, 40, 5),
                                    qvtest::PaneWidget::kDrawsInWindow);
  gint width = -1, height = -1;
  gtk_widget_get_size_request(pane->GetWidget(), &width, &height);
  EXPECT_EQ(width, 1);  // GTK keeps a request of 0 as 1; it would refuse -5
  EXPECT_EQ(height, 30);
  EXPECT_EQ(qvtest::FixedPosition(pane->GetWidget()), "10,10");
}

TEST_F(PlacementTest, AGraphicsRectangleLandsWhereThePaneDraws) {
  auto* inWindow = new qvtest::TestPane(window, MakeRect(20, 30, 60, 130),
                                        qvtest::PaneWidget::kDrawsInWindow);
  auto* ownWindow = new qvtest::TestPane(window, MakeRect(100, 30, 140, 130),
                                         qvtest::PaneWidget::kOwnWindow);
  ASSERT_TRUE(window->ShowAndSettle(gui));
  const int m = WindowContentTopOffset(window);
  ASSERT_GT(m, 0);
  Graphics inG(inWindow), ownG(ownWindow), windowG(window), loose(nullptr);
  const QV::Rect wide = MakeRect(30, 40, 90, 200);
  EXPECT_EQ(RectText(GraphicsRectToDrawable(inG, wide, false)),
            RectText(MakeRect(30 + m, 40, 90 + m, 200)));
  // Clipped, never past the pane's right and bottom.
  EXPECT_EQ(RectText(GraphicsRectToDrawable(inG, wide, true)),
            RectText(MakeRect(30 + m, 40, 60 + m, 130)));
  EXPECT_EQ(RectText(GraphicsRectToDrawable(windowG, wide, true)),
            RectText(MakeRect(30 + m, 40, 90 + m, 200)));
  EXPECT_EQ(RectText(GraphicsRectToDrawable(ownG, wide, true)), "-70,10,-10,170");
  ownG.SetOrigin(5, 7);
  EXPECT_EQ(RectText(GraphicsRectToDrawable(ownG, wide, false)), "-77,5,-17,165");
  loose.SetClipRect(MakeRect(0, 0, 50, 100));
  loose.SetOrigin(10, 20);
  EXPECT_EQ(RectText(GraphicsRectToDrawable(loose, wide, true)), "10,30,30,90");
  EXPECT_EQ(RectText(GraphicsRectToDrawable(loose, wide, false)), "10,30,70,190");
}

TEST(GtkClipboards, TypedClipboardsExistOnlyOnceCreated) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  EXPECT_EQ(DefaultGtkClipboard(), gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  static int run = 0;  // a type no earlier run has made
  const std::string type = "qv" + std::to_string(getpid()) + "_" + std::to_string(++run);
  EXPECT_EQ(ClipboardForType(type.c_str(), false), nullptr);
  GtkClipboard* made = ClipboardForType(type.c_str(), true);
  EXPECT_EQ(made, gtk_clipboard_get(gdk_atom_intern(("_" + type).c_str(), FALSE)));
  EXPECT_EQ(ClipboardForType(type.c_str(), false), made);
}

// A buffer of one row, one pixel per colour (alpha 200 when it has alpha), and its alphas.
GdkPixbuf* Row(std::vector<uint32_t> colours, bool alpha = true) {
  GdkPixbuf* row = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, int(colours.size()), 1);
  guchar* p = gdk_pixbuf_get_pixels(row);
  for (uint32_t c : colours) {
    *p++ = guchar(c >> 16), *p++ = guchar(c >> 8), *p++ = guchar(c);
    if (alpha) *p++ = 200;
  }
  return row;
}
std::vector<int> Alphas(GdkPixbuf* row) {
  std::vector<int> alphas;
  const guchar* pixels = gdk_pixbuf_get_pixels(row);
  for (int x = 0; x < gdk_pixbuf_get_width(row); ++x) alphas.push_back(pixels[4 * x + 3]);
  return alphas;
}

TEST(PixbufAlpha, WhiteGoesTransparentAndAMaskSetsTheAlphaItCovers) {
  GdkPixbuf* icon = Row({0xFFFFFF, 0xFFFFFE, 0x000000, 0x123456});
  WhiteToTransparent(icon);
  EXPECT_EQ(Alphas(icon), (std::vector<int>{0, 200, 200, 200}));
  GdkPixbuf* mask = Row({0x000000, 0xFFFFFF, 0x808080}, false);  // narrower than the icon
  AlphaFromMask(icon, mask);
  EXPECT_EQ(Alphas(icon), (std::vector<int>{255, 0, 127, 200}));
  AlphaFromMask(icon, nullptr);
  AlphaFromMask(nullptr, mask);
  WhiteToTransparent(mask);  // no alpha to set
  EXPECT_EQ(gdk_pixbuf_get_pixels(mask)[3], 0xFF);
  g_object_unref(mask);
  g_object_unref(icon);
}

// Rows lie a row stride apart: an RGB mask three pixels wide pads each of its rows, so a walk
// that took width x channels for the stride would read the second row out of place.
TEST(PixbufAlpha, AMaskOfSeveralPaddedRows) {
  GdkPixbuf* icon = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, 3, 2);
  GdkPixbuf* mask = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, 3, 2);
  ASSERT_GT(gdk_pixbuf_get_rowstride(mask), 9) << "the mask's rows are padded";
  gdk_pixbuf_fill(icon, 0x11223344);
  const guint32 colours[2][3] = {{0xFFFFFF, 0x000000, 0x808080}, {0x000000, 0xFFFFFF, 0x000000}};
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      guchar* p = gdk_pixbuf_get_pixels(mask) + y * gdk_pixbuf_get_rowstride(mask) + 3 * x;
      p[0] = guchar(colours[y][x] >> 16), p[1] = guchar(colours[y][x] >> 8);
      p[2] = guchar(colours[y][x]);
    }
  }
  AlphaFromMask(icon, mask);
  std::vector<int> alphas;
  for (int y = 0; y < 2; ++y) {
    const guchar* row = gdk_pixbuf_get_pixels(icon) + y * gdk_pixbuf_get_rowstride(icon);
    for (int x = 0; x < 3; ++x) alphas.push_back(row[4 * x + 3]);
  }
  EXPECT_EQ(alphas, (std::vector<int>{0, 255, 127, 255, 0, 255}));
  g_object_unref(mask);
  g_object_unref(icon);
}

}  // namespace
