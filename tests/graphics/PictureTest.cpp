// The Picture class through its exports: a new picture and a vector one, its cached companions,
// pixel access at the edges, the seed fill against a breadth-first fill of random mazes, the
// colour transforms, the packed form, DrawPicture's clipping and a Graphics object that
// outlives its picture.
#include <gtest/gtest.h>

#include <deque>
#include <random>
#include <vector>

#include "GraphicsFixtures.h"
#include "arrays/ArrayElementAccess.h"
#include "core/ObjectDefinitionConverter.h"
#include "graphics/GraphicsClass.h"
#include "graphics/Object2D.h"
#include "graphics/PictureClass.h"
#include "graphics/RGBSurface.h"
#include "support/RaisedExceptions.h"
#include "support/TestSupport.h"

namespace {

class PictureTest : public qvtest::DisplayTest {
 protected:
  void TearDown() override {
    for (RuntimeObject* object : mHeld) RuntimeUnlockObject(object);
  }
  // Keeps object's reference until the test ends.
  RuntimeObject* Held(RuntimeObject* object) {
    if (object) mHeld.push_back(object);
    return object;
  }
  RuntimeObject* NewPicture(int32_t width, int32_t height, int32_t depth = 32) {
    return Held(newPicture(width, height, depth));
  }
  RuntimeObject* Surface(RuntimeObject* picture) {
    return Held(pictureRGBSurfaceGetter(picture, 0));
  }
  static RuntimeArray* Map(int32_t upperBound, uint32_t (*value)(int32_t)) {
    RuntimeArray* array = CreateArray(1, kArrayInt32, upperBound);
    for (int32_t i = 0; i <= upperBound; ++i) ArraySetElement(array, i, value(i));
    return array;
  }
  // Every pixel as its surface reads it, rows top down.
  static std::vector<uint32_t> Pixels(RuntimeObject* surface) {
    const auto* s = reinterpret_cast<RGBSurfaceObject*>(surface);
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < s->height; ++y) {
      for (int32_t x = 0; x < s->width; ++x) pixels.push_back(rgbSurfaceGetPixel(surface, x, y));
    }
    return pixels;
  }
  // Every pixel as the X server holds it, read afresh.
  static std::vector<uint32_t> ServerPixels(RuntimeObject* picture) {
    DrawablePane* pane = PicturePane(picture);
    const qvtest::Screenshot shot =
        qvtest::PixelsOf(pane->GetPixmap(), pane->Width(), pane->Height());
    std::vector<uint32_t> pixels;
    for (int32_t y = 0; y < pane->Height(); ++y) {
      for (int32_t x = 0; x < pane->Width(); ++x) pixels.push_back(shot.Pixel(x, y));
    }
    return pixels;
  }

  qvtest::RaisedExceptions raised;

 private:
  std::vector<RuntimeObject*> mHeld;
};

TEST_F(PictureTest, ANewPictureAndAVectorPictureAnswerTheirProperties) {
  RuntimeObject* picture = NewPicture(100, 50, 32);
  EXPECT_EQ(pictureWidthGetter(picture, 0), 100);
  EXPECT_EQ(pictureHeightGetter(picture, 0), 50);
  EXPECT_EQ(PictureDepthGetter(picture, 0), 32);
  EXPECT_EQ(pictureImageCountGetter(picture, 0), 1);
  EXPECT_EQ(PictureHResGetter(picture, 0), 72);
  PictureVResSetter(picture, 0, 300);
  EXPECT_EQ(PictureVResGetter(picture, 0), 300);
  EXPECT_EQ(pictureGroup2DGetter(picture, 0), nullptr);
  RuntimeObject* first = Held(pictureIndexedImage(picture, 0));
  EXPECT_EQ(PictureDrawable(first), PictureDrawable(picture));

  RuntimeObject* vector = NewPicture(100, 50, 0);
  EXPECT_EQ(pictureGraphicsGetter(vector, 0), nullptr);
  EXPECT_EQ(pictureRGBSurfaceGetter(vector, 0), nullptr);
  EXPECT_EQ(pictureMaskGetter(vector, 0), nullptr);
  EXPECT_EQ(pictureWidthGetter(vector, 0), 100);
  EXPECT_EQ(pictureHeightGetter(vector, 0), 50);
  EXPECT_EQ(PictureDepthGetter(vector, 0), 0);
  EXPECT_EQ(PictureHResGetter(vector, 0), 72);
  RuntimeObject* group = Held(pictureGroup2DGetter(vector, 0));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(AsObject2D(group)->kind, kKindGroup);
  EXPECT_EQ(Group2DCount(group, 0), 0);
}

TEST_F(PictureTest, TheGraphicsIsOneCachedObjectAndANewMaskIsBlack) {
  RuntimeObject* picture = NewPicture(20, 10);
  RuntimeObject* g = Held(pictureGraphicsGetter(picture, 0));
  ASSERT_NE(g, nullptr);
  EXPECT_EQ(Held(pictureGraphicsGetter(picture, 0)), g);
  EXPECT_EQ(Held(pluginPictureGraphicsGetter(picture)), g);

  RuntimeObject* mask = Held(pictureMaskGetter(picture, 0));
  ASSERT_NE(mask, nullptr);
  EXPECT_EQ(Held(pictureMaskGetter(picture, 0)), mask);
  EXPECT_EQ(PictureDrawable(mask), PictureDrawable(picture)->GetMask());
  const std::vector<uint32_t> black(200, 0);
  EXPECT_EQ(Pixels(Surface(mask)), black);
  EXPECT_EQ(ServerPixels(mask), black);
}

TEST_F(PictureTest, PixelsOutsideTheSurfaceReadZeroAndAreNotWritten) {
  RuntimeObject* picture = NewPicture(100, 50);
  RuntimeObject* surface = Surface(picture);
  EXPECT_EQ(rgbSurfaceGetPixel(surface, 0, 0), 0xFFFFFFu);
  EXPECT_EQ(rgbSurfaceGetPixel(surface, -1, 0), 0u);
  EXPECT_EQ(rgbSurfaceGetPixel(surface, 0, 50), 0u);
  const std::vector<uint32_t> before = ServerPixels(picture);
  rgbSurfaceSetPixel(surface, 100, 0, 0x123456);
  rgbSurfaceSetPixel(surface, 0, -1, 0x123456);
  EXPECT_EQ(ServerPixels(picture), before);
  rgbSurfaceSetPixel(surface, 99, 49, 0x123456);
  EXPECT_EQ(rgbSurfaceGetPixel(surface, 99, 49), 0x123456u);
  EXPECT_EQ(ServerPixels(picture).back(), 0x123456u);
}

// A colour is its low three bytes: a top byte given is left out. Setting a pixel changes the
// copy's bytes of that colour alone, neither the pixel's alpha nor a neighbour's bytes.
TEST_F(PictureTest, SettingAPixelChangesItsColourBytesAlone) {
  RuntimeObject* picture = NewPicture(3, 2);
  RuntimeObject* surface = Surface(picture);
  GdkPixbuf* copy = PicturePane(picture)->GetPixbuf();
  ASSERT_NE(copy, nullptr);
  ASSERT_EQ(gdk_pixbuf_get_n_channels(copy), 4);
  const guchar* row = gdk_pixbuf_get_pixels(copy);
  std::vector<guchar> expected(row, row + 12);
  rgbSurfaceSetPixel(surface, 1, 0, 0xA5123456);
  expected[4] = 0x12;
  expected[5] = 0x34;
  expected[6] = 0x56;
  EXPECT_EQ(std::vector<guchar>(row, row + 12), expected);
  EXPECT_EQ(rgbSurfaceGetPixel(surface, 1, 0), 0x123456u);
  std::vector<uint32_t> server(6, 0xFFFFFF);
  server[1] = 0x123456;
  EXPECT_EQ(ServerPixels(picture), server);
}

// Pixels set are drawn back row by row, four at a time with the rest one by one: every width
// up to two groups and a rest reaches the server as set, with rows set in part among them.
TEST_F(PictureTest, PixelsSetReachTheServerAtEveryWidth) {
  std::mt19937 random(11);
  for (int32_t width = 1; width <= 11; ++width) {
    RuntimeObject* picture = NewPicture(width, 3);
    RuntimeObject* surface = Surface(picture);
    for (int32_t y = 0; y < 3; ++y) {
      for (int32_t x = y == 1 ? width / 2 : 0; x < width; ++x) {
        rgbSurfaceSetPixel(surface, x, y, uint32_t(random()) & 0xFFFFFF);
      }
    }
    EXPECT_EQ(ServerPixels(picture), Pixels(surface)) << width;
  }
}

TEST_F(PictureTest, FloodFillOfTheSeedsColourOrFromOutsideChangesNothing) {
  RuntimeObject* picture = NewPicture(30, 20);
  RuntimeObject* surface = Surface(picture);
  rgbSurfaceSetPixel(surface, 5, 5, 0x00FF00);
  const std::vector<uint32_t> before = ServerPixels(picture);
  rgbSurfaceSeedFill(surface, 0, 0, 0xFFFFFF);
  EXPECT_EQ(raised.TakeOne(), "");
  rgbSurfaceSeedFill(surface, 30, 0, 0xFF0000);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  rgbSurfaceSeedFill(surface, 0, -1, 0xFF0000);
  EXPECT_EQ(raised.TakeOne(), "OutOfBoundsException");
  EXPECT_EQ(ServerPixels(picture), before);
}

// The 4-connected region of the seed's colour, filled breadth first.
std::vector<uint32_t> FilledBreadthFirst(std::vector<uint32_t> pixels, int width, int height,
                                         int seedX, int seedY, uint32_t fill) {
  const uint32_t old = pixels[size_t(seedY * width + seedX)];
  if (old == fill) return pixels;
  std::deque<std::pair<int, int>> queue = {{seedX, seedY}};
  pixels[size_t(seedY * width + seedX)] = fill;
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop_front();
    const int steps[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
    for (const auto& step : steps) {
      const int nx = x + step[0], ny = y + step[1];
      if (nx < 0 || ny < 0 || nx >= width || ny >= height) continue;
      uint32_t& p = pixels[size_t(ny * width + nx)];
      if (p != old) continue;
      p = fill;
      queue.push_back({nx, ny});
    }
  }
  return pixels;
}

TEST_F(PictureTest, FloodFillFillsWhatABreadthFirstFillOfRandomMazesFills) {
  std::mt19937 random(47);
  for (int maze = 0; maze < 12; ++maze) {
    const int width = 20 + int(random() % 60), height = 10 + int(random() % 40);
    RuntimeObject* picture = NewPicture(width, height);
    RuntimeObject* surface = Surface(picture);
    const uint32_t walls[] = {0x000000, 0x0000FF, 0xFF0000};
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        if (random() % 100 < 35) rgbSurfaceSetPixel(surface, x, y, walls[random() % 3]);
      }
    }
    const int seedX = int(random() % width), seedY = int(random() % height);
    const uint32_t fill = maze % 2 ? 0x00FF00 : 0x0000FF;
    const std::vector<uint32_t> expected =
        FilledBreadthFirst(Pixels(surface), width, height, seedX, seedY, fill);
    rgbSurfaceSeedFill(surface, seedX, seedY, fill);
    EXPECT_EQ(Pixels(surface), expected) << "maze " << maze;
    EXPECT_EQ(ServerPixels(picture), expected) << "maze " << maze;
  }
  EXPECT_EQ(raised.TakeOne(), "");
}

TEST_F(PictureTest, TransformChecksItsMapsThenMapsEveryPixel) {
  RuntimeObject* picture = NewPicture(8, 4);
  RuntimeObject* surface = Surface(picture);
  for (int x = 0; x < 8; ++x) rgbSurfaceSetPixel(surface, x, x % 4, uint32_t(0x102030 * x));
  const std::vector<uint32_t> original = Pixels(surface);
  RuntimeArray* identity = Map(255, [](int32_t i) { return uint32_t(i); });
  RuntimeArray* inverse = Map(255, [](int32_t i) { return uint32_t(255 - i); });
  RuntimeArray* short1 = Map(100, [](int32_t i) { return uint32_t(i); });
  RuntimeArray* short2 = Map(7, [](int32_t i) { return uint32_t(i); });

  rgbSurfaceTransform(surface, short1);
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: Transform map UBound must be 255, not 100");
  rgbSurfaceTransformRGB(surface, short2, identity, short1);  // blue, green, red: red last
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: Transform map UBound must be 255, not 7");
  EXPECT_EQ(ServerPixels(picture), original);

  rgbSurfaceTransform(surface, identity);
  EXPECT_EQ(Pixels(surface), original);
  rgbSurfaceTransform(surface, inverse);
  std::vector<uint32_t> inverted;
  for (uint32_t p : original) inverted.push_back(~p & 0xFFFFFF);
  EXPECT_EQ(Pixels(surface), inverted);
  EXPECT_EQ(ServerPixels(picture), inverted);
  rgbSurfaceTransformRGB(surface, identity, inverse, inverse);  // red kept
  for (size_t i = 0; i < original.size(); ++i) {
    ASSERT_EQ(rgbSurfaceGetPixel(surface, int32_t(i % 8), int32_t(i / 8)),
              (inverted[i] & 0xFF0000) | (original[i] & 0xFFFF));
  }
  for (RuntimeArray* map : {identity, inverse, short1, short2}) RuntimeUnlockArray(map);
}

std::vector<uint8_t> BytesOf(stringStorage* packed) {
  const string s = string::Adopt(packed);
  return std::vector<uint8_t>(s.Bytes(), s.Bytes() + s.Length());
}

TEST_F(PictureTest, PicturePackerGivesSizeAndPixelsOrNothingForTooLargeAPicture) {
  RuntimeObject* picture = NewPicture(2, 1);
  RuntimeObject* surface = Surface(picture);
  rgbSurfaceSetPixel(surface, 0, 0, 0xFF0000);
  rgbSurfaceSetPixel(surface, 1, 0, 0x0000FF);
  const std::vector<uint8_t> expected = {2, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0, 0};
  EXPECT_EQ(BytesOf(PicturePacker(picture)), expected);
  // With a mask made the pixels come through a drawing of the picture: the same here.
  Held(pictureMaskGetter(picture, 0));
  EXPECT_EQ(BytesOf(PicturePacker(picture)), expected);
  EXPECT_EQ(PicturePacker(nullptr), nullptr);
  EXPECT_EQ(PicturePacker(NewPicture(40000, 40000, 0)), nullptr);  // 6.4 GB of pixels
}

TEST_F(PictureTest, DrawPictureClipsTheSourceAndDrawsNothingForEmptySizes) {
  RuntimeObject* source = NewPicture(100, 10);
  RuntimeObject* sourceSurface = Surface(source);
  for (int x = 0; x < 100; ++x) {
    for (int y = 0; y < 10; ++y) rgbSurfaceSetPixel(sourceSurface, x, y, uint32_t(x * 2) << 8);
  }
  RuntimeObject* target = NewPicture(120, 10);
  RuntimeObject* g = Held(pictureGraphicsGetter(target, 0));
  RuntimeObject* targetSurface = Surface(target);
  const std::vector<uint32_t> white = Pixels(targetSurface);
  qvtest::ReportCapture reports;
  RuntimeGraphicsDrawPicture(g, source, 0, 0, 10, 10, 0, -5, 10, 0);
  RuntimeGraphicsDrawPicture(g, source, 0, 0, 10, 0, 0, 0, 10, 10);
  RuntimeGraphicsDrawPicture(g, source, 0, 0, 10, 10, 0, 0, 10, -3);
  RuntimeGraphicsDrawPicture(g, source, 0, 0, 10, 10, 100, 0, 10, 10);
  EXPECT_EQ(Pixels(targetSurface), white);
  // Columns 0 to 89 of the picture at x + 10, 90 wide.
  RuntimeGraphicsDrawPicture(g, source, 0, 0, 100, 10, -10, 0, 100, 10);
  for (int x = 0; x < 120; ++x) {
    const uint32_t expected = x < 10 || x >= 100 ? 0xFFFFFF : uint32_t((x - 10) * 2) << 8;
    ASSERT_EQ(rgbSurfaceGetPixel(targetSurface, x, 5), expected) << x;
  }
  EXPECT_TRUE(reports.empty());
}

TEST_F(PictureTest, AVectorPictureDrawsItsShapesUnderItsClip) {
  RuntimeObject* vector = NewPicture(40, 40, 0);
  RuntimeObject* group = Held(pictureGroup2DGetter(vector, 0));
  RuntimeObject* rect = Held(NewObjectFromDefinition(RectShapeClassDefinition()));
  AsObject2D(rect)->x = 20;
  AsObject2D(rect)->y = 20;
  AsObject2D(rect)->fillColor = 0xFF0000;  // 100 x 100: past the picture on every side
  Group2DAppend(group, rect);
  RuntimeObject* target = NewPicture(80, 80);
  RuntimeObject* g = Held(pictureGraphicsGetter(target, 0));
  RuntimeGraphicsDrawPicture(g, vector, 10, 10, -10000, -10000, 0, 0, -10000, -10000);
  RuntimeObject* surface = Surface(target);
  for (int y = 0; y < 80; y += 3) {
    for (int x = 0; x < 80; x += 3) {
      const bool inside = x >= 10 && x < 50 && y >= 10 && y < 50;
      ASSERT_EQ(rgbSurfaceGetPixel(surface, x, y), inside ? 0xFF0000u : 0xFFFFFFu) << x << ","
                                                                                   << y;
    }
  }
}

TEST_F(PictureTest, AGraphicsKeptAfterItsPictureDrawsNothingAndReportsNothing) {
  RuntimeObject* picture = newPicture(20, 20, 32);
  RuntimeObject* g = Held(pictureGraphicsGetter(picture, 0));
  Held(pictureMaskGetter(picture, 0));
  RuntimeUnlockObject(picture);
  qvtest::ReportCapture reports;
  RuntimeGraphicsFillRect(g, 0, 0, 10, 10);
  RuntimeGraphicsDrawLine(g, 0, 0, 10, 10);
  graphicsPixelSetter(g, 1, 1, 0xFF0000);
  EXPECT_EQ(graphicsPixelGetter(g, 1, 1), 0u);
  EXPECT_EQ(graphicsWidthGetter(g, 0), 0);
  EXPECT_TRUE(reports.empty()) << reports.reports()[0].condition;
}

// A pixel set through the RGBSurface changes the colour of the picture's graphics context; the
// picture's Graphics still fills in its own.
TEST_F(PictureTest, APixelSetBetweenTwoFillsLeavesTheGraphicsColour) {
  RuntimeObject* picture = NewPicture(20, 10);
  RuntimeObject* g = Held(pictureGraphicsGetter(picture, 0));
  graphicsForeColorSetter(g, 0, 0xFF0000);
  RuntimeGraphicsFillRect(g, 0, 0, 10, 10);
  rgbSurfaceSetPixel(Surface(picture), 15, 5, 0x00FF00);
  RuntimeGraphicsFillRect(g, 10, 0, 2, 2);
  const std::vector<uint32_t> pixels = ServerPixels(picture);
  EXPECT_EQ(pixels[5 * 20 + 15], 0x00FF00u);
  EXPECT_EQ(pixels[0 * 20 + 11], 0xFF0000u);
}

// Pixels set through the RGBSurface wait in the surface's copy; they reach the server before
// the picture is read there, drawn on or drawn elsewhere, and only they do: what was drawn on
// the picture in between is not covered by the copy's older pixels.
TEST_F(PictureTest, PixelsSetReachThePictureBeforeItIsReadDrawnOnOrDrawn) {
  RuntimeObject* picture = NewPicture(30, 10);
  RuntimeObject* surface = Surface(picture);
  RuntimeObject* g = Held(pictureGraphicsGetter(picture, 0));
  for (int32_t x = 0; x < 30; ++x) rgbSurfaceSetPixel(surface, x, 2, 0xFF0000);
  EXPECT_EQ(ServerPixels(picture)[2 * 30 + 29], 0xFF0000u);
  rgbSurfaceSetPixel(surface, 0, 0, 0x00FF00);
  graphicsForeColorSetter(g, 0, 0x0000FF);
  RuntimeGraphicsFillRect(g, 10, 0, 5, 10);  // over a set pixel's row, after the set
  rgbSurfaceSetPixel(surface, 29, 9, 0x00FF00);
  std::vector<uint32_t> server = ServerPixels(picture);
  EXPECT_EQ(server[0], 0x00FF00u);
  EXPECT_EQ(server[2 * 30 + 12], 0x0000FFu);
  EXPECT_EQ(server[2 * 30 + 9], 0xFF0000u);
  EXPECT_EQ(server[9 * 30 + 29], 0x00FF00u);
  EXPECT_EQ(Pixels(surface), server);
  // Drawn into another picture: the pixels set last come along.
  rgbSurfaceSetPixel(surface, 20, 5, 0x123456);
  RuntimeObject* copy = NewPicture(30, 10);
  RuntimeGraphicsDrawPicture(Held(pictureGraphicsGetter(copy, 0)), picture, 0, 0, 30, 10, 0, 0,
                             30, 10);
  EXPECT_EQ(rgbSurfaceGetPixel(Surface(copy), 20, 5), 0x123456u);
  EXPECT_EQ(Pixels(Surface(copy)), ServerPixels(picture));
  // A wall of set pixels holds a flood fill back, on the server as in the copy.
  for (int32_t y = 0; y < 10; ++y) rgbSurfaceSetPixel(surface, 25, y, 0);
  rgbSurfaceSeedFill(surface, 27, 5, 0xFFFF00);
  server = ServerPixels(picture);
  EXPECT_EQ(server[5 * 30 + 27], 0xFFFF00u);
  EXPECT_EQ(server[5 * 30 + 25], 0u);
  EXPECT_EQ(server[5 * 30 + 24], 0xFFFFFFu);
  EXPECT_EQ(Pixels(surface), server);
}

}  // namespace
