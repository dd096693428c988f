// The language object that wraps a drawing context: its own context, then its properties and
// methods through the exports on an off-screen surface.
#include <gtest/gtest.h>

#include "GraphicsFixtures.h"
#include "arrays/ArrayElementAccess.h"
#include "graphics/GraphicsClass.h"

namespace {

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
