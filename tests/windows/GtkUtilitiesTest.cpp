// The GTK widget utilities: mnemonic captions, the font mapping and descriptions (against the
// DejaVu fonts), placement sizes, coordinates of a Graphics on its drawable, clipboards, and
// the alpha of pixel buffers.
#include <gtest/gtest.h>

#include <gdk/gdkkeysyms.h>

#include "PaneFixtures.h"
#include "graphics/PangoFonts.h"
#include "strings/TextStyle.h"
#include "support/TestSupport.h"
#include "windows/GtkClipboards.h"
#include "windows/GtkLabels.h"
#include "windows/GtkPlacement.h"
#include "windows/PixbufAlpha.h"

namespace {

using qvtest::MakeRect;

std::string Bytes(const string& s) { return std::string(s.CString(), size_t(s.Length())); }

TEST(GtkLabels, MnemonicTextRewritesMarksForGtkInUtf8) {
  const std::pair<const char*, const char*> cases[] = {
      {"&File", "_File"}, {"Save && Quit", "Save & Quit"}, {"a_b", "a__b"},
      {"&&&x", "&_x"},   {"end&", "end_"},                {"plain", "plain"}};
  for (const auto& [text, gtk] : cases) EXPECT_EQ(Bytes(MnemonicText(text)), gtk) << text;
  const string roman = string::FromBytes("&Caf\x8E", 5, kEncodingMacRoman);
  const string converted = MnemonicText(roman);
  EXPECT_EQ(Bytes(converted), "_Caf\xC3\xA9");
  EXPECT_EQ(converted.Encoding(), kEncodingUTF8);
  EXPECT_TRUE(MnemonicText(string()).IsEmpty());
}

// The single underline that runs over the label's text, as "start-end" in bytes.
std::string UnderlinedBytes(GtkWidget* label) {
  PangoAttrIterator* it = pango_attr_list_get_iterator(
      pango_layout_get_attributes(gtk_label_get_layout(GTK_LABEL(label))));
  std::string found;
  do {
    PangoAttribute* underline = pango_attr_iterator_get(it, PANGO_ATTR_UNDERLINE);
    if (underline && found.empty()) {
      found = std::to_string(underline->start_index) + "-" + std::to_string(underline->end_index);
    }
  } while (pango_attr_iterator_next(it));
  pango_attr_iterator_destroy(it);
  return found;
}

TEST(GtkLabels, LabelsTakeMnemonicsAndUnderlineEveryCharacter) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  GtkWidget* label = GTK_WIDGET(g_object_ref_sink(gtk_label_new(nullptr)));
  FontSpec underlined;
  underlined.underline = 1;
  SetLabelTextWithMnemonic(label, "&File", nullptr);
  EXPECT_STREQ(gtk_label_get_text(GTK_LABEL(label)), "File");
  EXPECT_EQ(gtk_label_get_mnemonic_keyval(GTK_LABEL(label)), guint(GDK_KEY_f));
  SetLabelTextWithMnemonic(label, string::FromBytes("CafÃ©", 5, kEncodingUTF8), &underlined);
  EXPECT_EQ(UnderlinedBytes(label), "0-5");  // four characters, five bytes
  GtkWidget* button = GTK_WIDGET(g_object_ref_sink(gtk_button_new()));
  UnderlineLabel(button);  // not a label: left alone
  g_object_unref(button);
  g_object_unref(label);
}

class FontMappingTest : public testing::Test {
 protected:
  void SetUp() override {
    mFamily = DesktopFontFamily();
    mSize = DesktopFontSize();
    SetDesktopFont("DejaVu Sans", 10);
  }
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
    std::string result = text;
    g_free(text);
    pango_font_description_free(description);
    return result;
  }
  string mFamily;
  int32_t mSize = 0;
};

TEST_F(FontMappingTest, SystemAndSizesMapToTheDesktopsAndBack) {
  string name("system");
  EXPECT_EQ(Bytes(MapSystemFontName(name, true)), "DejaVu Sans");
  EXPECT_EQ(Bytes(name), "DejaVu Sans");
  name = string();
  EXPECT_EQ(Bytes(MapSystemFontName(name, true)), "DejaVu Sans");
  name = "DEJAVU SANS";
  EXPECT_EQ(Bytes(MapSystemFontName(name, false)), "System");
  name = "Serif";
  EXPECT_EQ(Bytes(MapSystemFontName(name, true)), "Serif");
  EXPECT_EQ(Bytes(MapSystemFontName(name, false)), "Serif");
  EXPECT_EQ(MapSystemFontSize(12, true), 10);
  EXPECT_EQ(MapSystemFontSize(0, true), 10);
  EXPECT_EQ(MapSystemFontSize(-3, true), 10);
  EXPECT_EQ(MapSystemFontSize(10, false), 12);
}

TEST_F(FontMappingTest, DescriptionsNameAnInstalledFamilyAtTheMappedSize) {
  EXPECT_EQ(Describe("System", 12), "DejaVu Sans 10");
  EXPECT_EQ(Describe("System", 0), "DejaVu Sans 10");
  EXPECT_EQ(Describe("dejavu serif", 14, true, true), "DejaVu Serif Bold Italic 12");
  EXPECT_EQ(Describe("DejaVu Sans Mono", 11, true), "DejaVu Sans Mono Bold 9");
  // A family nobody has keeps its size; the toolkit substitutes a font that loads.
  EXPECT_NE(Describe("No Such Family Anywhere", 20).find(" 18"), std::string::npos);
}

TEST(GtkFonts, TheFontListIsTheLanguagesOwn) {
  ASSERT_GT(PangoFontFamilyCount(), 2);
  EXPECT_EQ(PangoFontFamilyCount(), getFontCount());
  EXPECT_EQ(Bytes(PangoFontFamilyName(0)), "System");
  for (int32_t i = 1; i < PangoFontFamilyCount(); ++i) {
    EXPECT_EQ(Bytes(PangoFontFamilyName(i)), Bytes(string::Adopt(getFontName(i))));
  }
  EXPECT_TRUE(PangoFontFamilyName(-1).IsEmpty());
  EXPECT_TRUE(PangoFontFamilyName(PangoFontFamilyCount()).IsEmpty());
}

class PlacementTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    window = new qvtest::TestWindowPane(320, 240, true);
  }
  void TearDown() override {
    if (window) window->Release();
  }
  qvtest::GuiDriver gui;
  qvtest::TestWindowPane* window = nullptr;
};

TEST_F(PlacementTest, ANegativeSizeIsRequestedAsNothing) {
  auto* pane = new qvtest::TestPane(window, MakeRect(10, 10, 5, 5),
                                    qvtest::PaneWidget::kDrawsInWindow);
  pane->SetBounds(MakeRect(10, 10, 40, 5), false);  // 5 pixels narrower than nothing
  gint width = -1, height = -1;
  gtk_widget_get_size_request(pane->GetWidget(), &width, &height);
  EXPECT_EQ(width, 1);  // GTK keeps a request of 0 as 1; it refuses -5 and keeps the old one
  EXPECT_EQ(height, 30);
  EXPECT_EQ(qvtest::FixedPosition(pane->GetWidget()), "10,10");
}

TEST_F(PlacementTest, AGraphicsRectangleLandsWhereThePaneDraws) {
  auto* inWindow = new qvtest::TestPane(window, MakeRect(20, 30, 60, 130),
                                        qvtest::PaneWidget::kDrawsInWindow);
  auto* ownWindow = new qvtest::TestPane(window, MakeRect(100, 30, 140, 130),
                                         qvtest::PaneWidget::kOwnWindow);
  ASSERT_TRUE(window->ShowAndSettle(gui));
  const int offset = WindowContentTopOffset(window);
  ASSERT_GT(offset, 0);
  Graphics inG(inWindow), ownG(ownWindow), windowG(window), loose(nullptr);
  const QV::Rect wide = MakeRect(30, 40, 90, 200);
  auto text = [](const QV::Rect& r) { return qvtest::RectText(r); };
  EXPECT_EQ(text(GraphicsRectToDrawable(inG, wide, false)),
            qvtest::RectText(MakeRect(30 + offset, 40, 90 + offset, 200)));
  // Clipped, never past the pane's right and bottom.
  EXPECT_EQ(text(GraphicsRectToDrawable(inG, wide, true)),
            qvtest::RectText(MakeRect(30 + offset, 40, 60 + offset, 130)));
  EXPECT_EQ(text(GraphicsRectToDrawable(ownG, wide, true)), "-70,10,-10,170");
  EXPECT_EQ(text(GraphicsRectToDrawable(windowG, wide, true)),
            qvtest::RectText(MakeRect(30 + offset, 40, 90 + offset, 200)));
  ownG.SetOrigin(5, 7);
  EXPECT_EQ(text(GraphicsRectToDrawable(ownG, wide, false)), "-77,5,-17,165");
  loose.SetClipRect(MakeRect(0, 0, 50, 100));
  loose.SetOrigin(10, 20);
  EXPECT_EQ(text(GraphicsRectToDrawable(loose, wide, true)), "10,30,30,90");
  EXPECT_EQ(text(GraphicsRectToDrawable(loose, wide, false)), "10,30,70,190");
}

TEST(GtkClipboards, TypedClipboardsExistOnlyOnceCreated) {
  if (!qvtest::HaveDisplay()) GTEST_SKIP() << "needs a display";
  EXPECT_EQ(DefaultGtkClipboard(), gtk_clipboard_get(GDK_SELECTION_CLIPBOARD));
  EXPECT_EQ(ClipboardForType("qvT1", false), nullptr);
  GtkClipboard* made = ClipboardForType("qvT1", true);
  ASSERT_NE(made, nullptr);
  EXPECT_EQ(made, gtk_clipboard_get(gdk_atom_intern("_qvT1", FALSE)));
  EXPECT_EQ(ClipboardForType("qvT1", false), made);
}

// A w x h RGBA buffer filled from rgb (one 0xRRGGBB per pixel), alpha 200.
GdkPixbuf* Buffer(int w, int h, std::initializer_list<uint32_t> rgb, bool alpha = true) {
  GdkPixbuf* buffer = gdk_pixbuf_new(GDK_COLORSPACE_RGB, alpha, 8, w, h);
  auto colour = rgb.begin();
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x, ++colour) {
      guchar* p = gdk_pixbuf_get_pixels(buffer) + y * gdk_pixbuf_get_rowstride(buffer) +
                  x * gdk_pixbuf_get_n_channels(buffer);
      p[0] = guchar(*colour >> 16), p[1] = guchar(*colour >> 8), p[2] = guchar(*colour);
      if (alpha) p[3] = 200;
    }
  }
  return buffer;
}

std::vector<int> Alphas(GdkPixbuf* buffer) {
  std::vector<int> alphas;
  for (int y = 0; y < gdk_pixbuf_get_height(buffer); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(buffer); ++x) {
      alphas.push_back(gdk_pixbuf_get_pixels(buffer)[y * gdk_pixbuf_get_rowstride(buffer) +
                                                     x * 4 + 3]);
    }
  }
  return alphas;
}

TEST(PixbufAlpha, WhiteGoesTransparentAndAMaskSetsTheAlphaItCovers) {
  GdkPixbuf* icon = Buffer(3, 2, {0xFFFFFF, 0xFFFFFE, 0x000000, 0xFFFFFF, 0x808080, 0x123456});
  WhiteToTransparent(icon);
  EXPECT_EQ(Alphas(icon), (std::vector<int>{0, 200, 200, 0, 200, 200}));
  GdkPixbuf* mask = Buffer(2, 2, {0x000000, 0xFFFFFF, 0x808080, 0x102030}, false);
  AlphaFromMask(icon, mask);
  EXPECT_EQ(Alphas(icon), (std::vector<int>{255, 0, 200, 127, 255 - 0x20, 200}));
  AlphaFromMask(icon, nullptr);
  AlphaFromMask(nullptr, mask);
  GdkPixbuf* opaque = Buffer(1, 1, {0xFFFFFF}, false);
  WhiteToTransparent(opaque);  // no alpha to set
  EXPECT_EQ(gdk_pixbuf_get_pixels(opaque)[2], 0xFF);
  g_object_unref(opaque);
  g_object_unref(mask);
  g_object_unref(icon);
}

}  // namespace
