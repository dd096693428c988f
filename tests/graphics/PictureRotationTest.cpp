// Turning surfaces by three shears: by 0 nothing changes, quarter turns are gdk-pixbuf's own
// pixel for pixel, angles past a full turn wrap, and surfaces of two sizes are refused. Turned
// picture and text shapes land where the shape's own outline turns to, centred on the shape,
// with the background around them left as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <random>
#include <tuple>
#include <vector>

#include "GraphicsFixtures.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsClass.h"
#include "graphics/Object2D.h"
#include "graphics/PictureClass.h"
#include "graphics/PictureRotation.h"
#include "graphics/RGBSurface.h"
#include "graphics/ShapePlotter.h"

namespace {

constexpr double kPi = std::numbers::pi;

class PictureRotation : public qvtest::DisplayTest {
 protected:
  void TearDown() override {
    for (DrawablePane* pane : mPanes) pane->Release();
  }
  DrawablePane* NewPane(int width, int height) {
    mPanes.push_back(new DrawablePane({0, 0}, {int16_t(height), int16_t(width)}, 32));
    return mPanes.back();
  }
  // A surface of random colours.
  DrawablePane* Noise(int width, int height, uint32_t seed) {
    DrawablePane* pane = NewPane(width, height);
    GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    std::mt19937 random(seed);
    for (int y = 0; y < height; ++y) {
      guchar* p = gdk_pixbuf_get_pixels(pixels) + y * gdk_pixbuf_get_rowstride(pixels);
      for (int x = 0; x < width * 3; ++x) p[x] = guchar(random());
    }
    gdk_draw_pixbuf(pane->GetPixmap(), pane->GetGC(), pixels, 0, 0, 0, 0, width, height,
                    GDK_RGB_DITHER_NONE, 0, 0);
    g_object_unref(pixels);
    return pane;
  }
  // A surface of one colour (0xRRGGBB).
  DrawablePane* Uniform(int width, int height, uint32_t rgb) {
    DrawablePane* pane = NewPane(width, height);
    GdkPixbuf* pixels = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, width, height);
    gdk_pixbuf_fill(pixels, rgb << 8 | 0xFF);
    gdk_draw_pixbuf(pane->GetPixmap(), pane->GetGC(), pixels, 0, 0, 0, 0, width, height,
                    GDK_RGB_DITHER_NONE, 0, 0);
    g_object_unref(pixels);
    return pane;
  }
  static GdkPixbuf* ServerPixbuf(DrawablePane* pane) {
    return gdk_pixbuf_get_from_drawable(nullptr, pane->GetPixmap(),
                                        gdk_drawable_get_colormap(pane->GetPixmap()), 0, 0, 0,
                                        0, pane->Width(), pane->Height());
  }
  static std::vector<uint32_t> Colours(GdkPixbuf* image) { return qvtest::PixbufColours(image); }
  static std::vector<uint32_t> ServerColours(DrawablePane* pane) {
    GdkPixbuf* image = ServerPixbuf(pane);
    std::vector<uint32_t> colours = Colours(image);
    g_object_unref(image);
    return colours;
  }

 private:
  std::vector<DrawablePane*> mPanes;
};

TEST_F(PictureRotation, ByZeroNothingChangesAndQuarterTurnsAreGdkPixbufsOwn) {
  for (int side : {40, 31}) {
    DrawablePane* source = Noise(side, side, uint32_t(side));
    GdkPixbuf* original = ServerPixbuf(source);
    DrawablePane* turned = NewPane(side, side);
    ASSERT_TRUE(RotateDrawable(source, turned, 0, kRotateFillWhite));
    EXPECT_EQ(ServerColours(turned), Colours(original)) << side;
    EXPECT_EQ(ServerColours(source), Colours(original)) << "the source is left as it was";
    const struct {
      double angle;
      GdkPixbufRotation rotation;
    } quarters[] = {{kPi / 2, GDK_PIXBUF_ROTATE_COUNTERCLOCKWISE},
                    {-kPi / 2, GDK_PIXBUF_ROTATE_CLOCKWISE},
                    {kPi, GDK_PIXBUF_ROTATE_UPSIDEDOWN},
                    {5 * kPi / 2, GDK_PIXBUF_ROTATE_COUNTERCLOCKWISE}};
    for (const auto& quarter : quarters) {
      ASSERT_TRUE(RotateDrawable(source, turned, quarter.angle, kRotateFillWhite));
      GdkPixbuf* expected = gdk_pixbuf_rotate_simple(original, quarter.rotation);
      EXPECT_EQ(ServerColours(turned), Colours(expected)) << side << " " << quarter.angle;
      g_object_unref(expected);
    }
    g_object_unref(original);
  }
}

TEST_F(PictureRotation, AnglesPastAFullTurnWrapAndOtherSizesAreRefused) {
  DrawablePane* source = Noise(30, 20, 7);
  DrawablePane* once = NewPane(30, 20);
  DrawablePane* again = NewPane(30, 20);
  ASSERT_TRUE(RotateDrawable(source, once, 0.1, kRotateFillWhite));
  ASSERT_TRUE(RotateDrawable(source, again, 2 * kPi + 0.1, kRotateFillWhite));
  const std::vector<uint32_t> turned = ServerColours(once);
  EXPECT_EQ(ServerColours(again), turned);
  EXPECT_NE(turned, ServerColours(source));

  qvtest::ReportCapture reports;
  DrawablePane* other = NewPane(20, 30);
  const std::vector<uint32_t> before = ServerColours(other);
  EXPECT_FALSE(RotateDrawable(source, other, 0.5, kRotateFillWhite));
  EXPECT_FALSE(RotateDrawable(source, source, 0.5, kRotateFillWhite));
  EXPECT_FALSE(RotateDrawable(nullptr, other, 0.5, kRotateFillWhite));
  EXPECT_EQ(ServerColours(other), before);
  ASSERT_EQ(reports.count(), 3u);
  EXPECT_TRUE(reports.HasCondition("srcDP and dstDP and srcDP != dstDP"));
}

// The three shears written the plain way, each a whole pass over its own copy, the columns
// gathered into lines: the turn with the white fill, which shears the last two passes in bands
// of rows, must give the same words, alpha included, on surfaces taller than its ring of bands.
namespace model {

uint32_t Scaled(uint32_t p, uint32_t w) {
  return (((p & 0x00FF00FF) * w >> 8) & 0x00FF00FF) | (((p & 0x0000FF00) * w >> 8) & 0x0000FF00);
}

// Line of n words shifted by offset: whole part moves, fraction goes to the next pixel.
std::vector<uint32_t> Shear(const std::vector<uint32_t>& from, double offset, bool blendEdge) {
  const int64_t n = int64_t(from.size());
  const double whole = std::floor(offset), fraction = offset - whole;
  const uint32_t w = fraction < 0.0039 ? 0 : fraction >= 0.96 ? 256 : uint32_t(fraction * 256);
  const int64_t k = int64_t(whole);
  std::vector<uint32_t> to(from.size(), 0xFFFFFFFF);
  auto pixel = [&](int64_t j) -> uint32_t {  // source pixel j, the edges beyond
    if (j < 0) return blendEdge ? from.front() : 0xFFFFFFFF;
    if (j >= n) return blendEdge ? from.back() : 0xFFFFFFFF;
    return from[size_t(j)];
  };
  for (int64_t at = 0; at < n; ++at) {
    const int64_t j = at - k;  // lands here from j, and j - 1 lends its share
    if (j < 0 || j > n) continue;
    const uint32_t p = pixel(j);
    to[size_t(at)] = (p & 0xFF000000) | ((p & 0xFFFFFF) - Scaled(p, w) + Scaled(pixel(j - 1), w));
  }
  return to;
}

std::vector<uint32_t> Turn(const std::vector<uint32_t>& words, int w, int h, double angle,
                           bool blendEdge) {
  const double alpha = std::tan(angle / 2), beta = -2 * alpha / (1 + alpha * alpha);
  std::vector<uint32_t> image = words;
  auto rows = [&](double factor) {
    for (int y = 0; y < h; ++y) {
      std::vector<uint32_t> line(image.begin() + y * w, image.begin() + (y + 1) * w);
      line = Shear(line, factor * (y - (h - 1) / 2.0), blendEdge);
      std::copy(line.begin(), line.end(), image.begin() + y * w);
    }
  };
  rows(alpha);
  for (int x = 0; x < w; ++x) {
    std::vector<uint32_t> line(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y) line[size_t(y)] = image[size_t(y * w + x)];
    line = Shear(line, beta * (x - (w - 1) / 2.0), blendEdge);
    for (int y = 0; y < h; ++y) image[size_t(y * w + x)] = line[size_t(y)];
  }
  rows(alpha);
  return image;
}

}  // namespace model

std::vector<uint32_t> Words(DrawablePane* pane) {
  GdkPixbuf* pixels = pane->GetPixbuf();
  std::vector<uint32_t> words;
  for (int y = 0; y < pane->Height(); ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(gdk_pixbuf_get_pixels(pixels) +
                                                         y * gdk_pixbuf_get_rowstride(pixels));
    words.insert(words.end(), row, row + pane->Width());
  }
  return words;
}

TEST_F(PictureRotation, TurnsWithTheWhiteFillAreThePlainThreeShearsWordForWord) {
  const struct {
    int width, height;
    double angle;
  } turns[] = {{200, 300, 0.3}, {300, 200, -0.7}, {90, 333, 0.75}, {5, 140, -0.2}};
  for (const auto& turn : turns) {
    DrawablePane* source = Noise(turn.width, turn.height, uint32_t(turn.height));
    const std::vector<uint32_t> original = Words(source);
    for (int32_t flags : {kRotateFillWhite, kRotateFillWhite | kRotateBlendEdge}) {
      DrawablePane* turned = NewPane(turn.width, turn.height);
      ASSERT_TRUE(RotateDrawable(source, turned, turn.angle, flags));
      EXPECT_EQ(Words(turned), model::Turn(original, turn.width, turn.height, turn.angle,
                                           flags & kRotateBlendEdge))
          << turn.width << "x" << turn.height << " by " << turn.angle << " flags " << flags;
      EXPECT_EQ(Words(source), original);
    }
  }
}

// Blending a colour with itself gives it back, so a surface of one colour turned with blended
// edges keeps it wherever a source pixel lands, on tiny and thin surfaces and at angles whose
// shears move rows by nearly their length. Without the white fill the corners no pixel reaches
// keep the destination's colour (the turn's scratch copy once fed its own unset memory there).
void ExpectBetween(uint32_t colour, uint32_t a, uint32_t b) {
  for (int shift : {0, 8, 16}) {  // each channel
    const uint32_t c = colour >> shift & 0xFF, x = a >> shift & 0xFF, y = b >> shift & 0xFF;
    EXPECT_TRUE(c >= std::min(x, y) && c <= std::max(x, y)) << std::hex << colour;
  }
}

// A turn leaves its pixels in the destination's copy, and the pixmap gets them before it is
// next used: a plain copy of the surface, a copy through its pixels (white left out) and a
// read of the pixmap all show the turn. A destination whose copy was never read (the white
// fill sets every pixel) ends as one whose copy was read, whatever its pixmap held.
TEST_F(PictureRotation, TurnedPixelsReachEveryWayTheDestinationIsDrawn) {
  constexpr int kWidth = 60, kHeight = 45;
  DrawablePane* source = Noise(kWidth, kHeight, 7);
  DrawablePane* unread = Noise(kWidth, kHeight, 8);
  DrawablePane* read = Noise(kWidth, kHeight, 9);
  ASSERT_NE(read->GetPixbuf(), nullptr);
  ASSERT_TRUE(RotateDrawable(source, unread, 0.4, kRotateFillWhite));
  ASSERT_TRUE(RotateDrawable(source, read, 0.4, kRotateFillWhite));
  const std::vector<uint32_t> turned = Colours(read->GetPixbuf());
  EXPECT_EQ(Colours(unread->GetPixbuf()), turned);
  ASSERT_NE(std::count(turned.begin(), turned.end(), 0xFFFFFFu), 0) << "corners filled white";

  DrawablePane* plain = Uniform(kWidth, kHeight, 0);
  DrawablePane* throughPixels = Uniform(kWidth, kHeight, 0);
  for (auto [target, drawn, transparent] :
       {std::tuple{plain, unread, false}, std::tuple{throughPixels, read, true}}) {
    Graphics* g = target->NewGraphics();
    ASSERT_NE(g, nullptr);
    g->DrawDrawableAt(0, 0, drawn, 0, 0, kWidth, kHeight, transparent);
    Graphics::Destroy(g);
  }
  EXPECT_EQ(ServerColours(plain), turned);
  std::vector<uint32_t> whiteLeftOut = turned;
  std::replace(whiteLeftOut.begin(), whiteLeftOut.end(), 0xFFFFFFu, 0u);
  EXPECT_EQ(ServerColours(throughPixels), whiteLeftOut);
  EXPECT_EQ(ServerColours(unread), turned);
  EXPECT_EQ(ServerColours(read), turned);
}

TEST_F(PictureRotation, OneColourStaysOneColourAndUnreachedCornersKeepTheDestinations) {
  constexpr uint32_t kSource = 0x3080C0, kBefore = 0x204010;
  for (auto [width, height] : {std::pair{1, 1}, {1, 9}, {9, 1}, {2, 2}, {40, 17}, {33, 33}}) {
    for (double angle : {0.3, -0.3, 1.2, kPi / 2 - 0.001, -kPi / 2 + 0.001, 2.0, 3.0, -2.7}) {
      SCOPED_TRACE(testing::Message() << width << "x" << height << " by " << angle);
      DrawablePane* source = Uniform(width, height, kSource);
      DrawablePane* blended = Uniform(width, height, kBefore);
      ASSERT_TRUE(RotateDrawable(source, blended, angle, kRotateFillWhite | kRotateBlendEdge));
      const std::vector<uint32_t> filled = ServerColours(blended);
      // The centre pixel always lands; the rest is the colour, the white fill or between.
      EXPECT_EQ(filled[size_t(height / 2 * width + width / 2)], kSource);
      for (uint32_t colour : filled) ExpectBetween(colour, kSource, 0xFFFFFF);

      // (A quarter turn of an oblong surface fills what it leaves white in any case.)
      if (width != height && std::fabs(angle) > kPi / 2) continue;
      DrawablePane* kept = Uniform(width, height, kBefore);
      ASSERT_TRUE(RotateDrawable(source, kept, angle, kRotateBlendEdge));
      const std::vector<uint32_t> colours = ServerColours(kept);
      EXPECT_EQ(colours[size_t(height / 2 * width + width / 2)], kSource);
      for (uint32_t colour : colours) ExpectBetween(colour, kSource, kBefore);
      if (width >= 33 && std::fabs(angle) > 0.2 && std::fabs(angle) < 1.3) {
        EXPECT_EQ(colours[0], kBefore) << "a corner no source pixel reaches";
      }
    }
  }
}

// Shapes drawn into a blue picture through the language's Graphics.
class TurnedShapes : public PictureRotation {
 protected:
  static constexpr int kSide = 160;
  static constexpr uint32_t kBlue = 0x0000FF, kRed = 0xFF0000;

  RuntimeObject* BluePicture() {
    RuntimeObject* picture = Keep(newPicture(kSide, kSide, 32));
    RuntimeObject* g = Keep(pictureGraphicsGetter(picture, 0));
    graphicsForeColorSetter(g, 0, kBlue);
    RuntimeGraphicsFillRect(g, 0, 0, kSide, kSide);
    return picture;
  }
  void Draw(RuntimeObject* picture, RuntimeObject* shape) {
    RuntimeObject* g = Keep(pictureGraphicsGetter(picture, 0));
    RuntimeGraphicsDrawObject(g, shape);
  }
  RuntimeObject* Keep(RuntimeObject* object) {
    mKept.push_back(object);
    return object;
  }
  void TearDown() override {
    for (RuntimeObject* object : mKept) RuntimeUnlockObject(object);
    PictureRotation::TearDown();
  }
  std::vector<uint32_t> PixelsOf(RuntimeObject* picture) {
    return ServerColours(PicturePane(picture));
  }

 private:
  std::vector<RuntimeObject*> mKept;
};

struct Coverage {
  double count = 0;
  double x = 0, y = 0;  // centroid
};

// How much of colour the pixels hold (antialiased text counts in part), and where.
Coverage CoverageOf(const std::vector<uint32_t>& pixels, int side, uint32_t colour) {
  Coverage c;
  const int shift = colour == 0xFF0000 ? 16 : 0;
  for (int i = 0; i < int(pixels.size()); ++i) {
    const double weight = (pixels[size_t(i)] >> shift & 0xFF) / 255.0;
    c.count += weight;
    c.x += weight * (i % side);
    c.y += weight * (i / side);
  }
  if (c.count > 0) c.x /= c.count, c.y /= c.count;
  return c;
}

TEST_F(TurnedShapes, ATurnedPictureCoversWhatItsTurnedOutlineCovers) {
  RuntimeObject* red = Keep(newPicture(60, 24, 32));
  RuntimeObject* redG = Keep(pictureGraphicsGetter(red, 0));
  graphicsForeColorSetter(redG, 0, kRed);
  RuntimeGraphicsFillRect(redG, 0, 0, 60, 24);
  for (double angle : {0.0, 0.5, -1.2, kPi / 2 + 0.3}) {
    RuntimeObject* shape = Keep(NewObjectFromDefinition(PixmapShapeClassDefinition()));
    PixmapShapeImageCtor(shape, red);
    Object2DSetPosition(shape, 80, 70);
    Object2DSetRotation(shape, angle);
    RuntimeObject* outline = Keep(NewObjectFromDefinition(RectShapeClassDefinition()));
    reinterpret_cast<RectShapeObject*>(outline)->width = 60;
    reinterpret_cast<RectShapeObject*>(outline)->height = 24;
    AsObject2D(outline)->fillColor = kRed;
    Object2DSetPosition(outline, 80, 70);
    Object2DSetRotation(outline, angle);
    RuntimeObject* withPicture = BluePicture();
    RuntimeObject* withOutline = BluePicture();
    Draw(withPicture, shape);
    Draw(withOutline, outline);
    const std::vector<uint32_t> a = PixelsOf(withPicture), b = PixelsOf(withOutline);
    int differing = 0, neitherRedNorBlue = 0;
    for (size_t i = 0; i < a.size(); ++i) {
      differing += (a[i] == kRed) != (b[i] == kRed);
      neitherRedNorBlue += a[i] != kRed && a[i] != kBlue;
    }
    // Blended edge pixels aside, the same pixels: the rest of the picture stays blue.
    const int perimeter = 2 * (60 + 24);
    EXPECT_LT(differing, 2 * perimeter) << angle;
    EXPECT_LT(neitherRedNorBlue, 2 * perimeter) << angle;
    const Coverage c = CoverageOf(a, kSide, kRed);
    EXPECT_NEAR(c.x, 80, 1.5) << angle;
    EXPECT_NEAR(c.y, 70, 1.5) << angle;
  }
}

TEST_F(TurnedShapes, TurnedTextTurnsAboutTheCentreOfItsBaselineOnAClearBackground) {
  RuntimeObject* text = Keep(NewObjectFromDefinition(StringShapeClassDefinition()));
  StringShapeObject& s = *reinterpret_cast<StringShapeObject*>(text);
  stringStorage::RemoveReference(s.text);
  s.text = string("Turned").ExtractStringStorage();
  stringStorage::RemoveReference(s.textFont);
  s.textFont = string("DejaVu Sans").ExtractStringStorage();
  s.textSize = 20;
  AsObject2D(text)->fillColor = kRed;
  Object2DSetPosition(text, 80, 80);
  RuntimeObject* flat = BluePicture();
  Draw(flat, text);
  const std::vector<uint32_t> flatPixels = PixelsOf(flat);
  const Coverage c0 = CoverageOf(flatPixels, kSide, kRed);
  ASSERT_GT(c0.count, 50);
  for (double angle : {0.4, -2.0, 2 * kPi}) {
    Object2DSetRotation(text, angle);
    RuntimeObject* turned = BluePicture();
    Draw(turned, text);
    const std::vector<uint32_t> pixels = PixelsOf(turned);
    const Coverage c = CoverageOf(pixels, kSide, kRed);
    // Only red and blue mix: nothing of the surfaces the text went through shows.
    int other = 0;
    for (uint32_t p : pixels) other += (p >> 8 & 0xFF) > 16;
    EXPECT_NEAR(c.count, c0.count, c0.count * 0.1) << angle;
    EXPECT_EQ(other, 0) << angle;
    const double u = c0.x - 80, v = c0.y - 80;
    EXPECT_NEAR(c.x, 80 + u * std::cos(angle) - v * std::sin(angle), 2.0) << angle;
    EXPECT_NEAR(c.y, 80 + u * std::sin(angle) + v * std::cos(angle), 2.0) << angle;
  }
}

}  // namespace
