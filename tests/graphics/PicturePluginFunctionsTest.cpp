// Pictures for plug-ins: built from buffers of the four pixel layouts with padded rows and read
// back from the pixmap a lock hands out; sizes that would overflow refused before anything is
// allocated; locks that balance whatever the plug-in does; masks; and a picture drawn onto a
// Graphics.
#include <cstring>
#include <vector>

#include "GraphicsFixtures.h"
#include "graphics/GraphicsClass.h"
#include "graphics/GraphicsPluginFunctions.h"
#include "graphics/PictureClass.h"
#include "graphics/PicturePluginFunctions.h"
#include "graphics/RGBSurface.h"

namespace {

using qvtest::PixelsOf;

class PicturePluginFunctions : public qvtest::DisplayTest {};

// A w x h buffer in format whose pixel (x, y) is colour (x * 40, y * 60, x + y), each row
// padded with junk up to rowBytes.
std::vector<uint8_t> Buffer(int32_t format, int32_t width, int32_t height, int32_t rowBytes) {
  std::vector<uint8_t> bytes(size_t(rowBytes) * height, 0xA5);
  for (int32_t y = 0; y < height; ++y) {
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t r = uint8_t(x * 40), g = uint8_t(y * 60), b = uint8_t(x + y);
      uint8_t* p = &bytes[size_t(y) * rowBytes];
      switch (format) {
        case 1: p += x * 3; p[0] = r; p[1] = g; p[2] = b; break;
        case 2: p += x * 3; p[0] = b; p[1] = g; p[2] = r; break;
        case 3: p += x * 4; p[0] = 0x5A; p[1] = r; p[2] = g; p[3] = b; break;
        default: p += x * 4; p[0] = b; p[1] = g; p[2] = r; p[3] = 0x5A; break;
      }
    }
  }
  return bytes;
}

TEST_F(PicturePluginFunctions, EveryFormatWithPaddedRowsReadsBackThroughALock) {
  for (int32_t format = 1; format <= 4; ++format) {
    const int32_t width = 5, height = 4;
    const int32_t rowBytes = width * (format <= 2 ? 3 : 4) + 3;
    const std::vector<uint8_t> bytes = Buffer(format, width, height, rowBytes);
    RuntimeObject* picture =
        QUORBuildPictureFromBuffer(width, height, format, bytes.data(), rowBytes);
    ASSERT_NE(picture, nullptr) << format;
    PluginPictureDescription description{};
    lockPictureDescription(picture, &description);
    EXPECT_EQ(description.kind, kDrawableTargetPixmap);
    EXPECT_EQ(description.width, width);
    EXPECT_EQ(description.height, height);
    EXPECT_EQ(description.depth, 24);
    EXPECT_EQ(description.transparent, 0);
    ASSERT_NE(description.handle, nullptr);
    const qvtest::Screenshot pixels =
        PixelsOf(static_cast<GdkDrawable*>(description.handle), width, height);
    for (int32_t y = 0; y < height; ++y) {
      for (int32_t x = 0; x < width; ++x) {
        const uint32_t expected = uint32_t(x * 40) << 16 | uint32_t(y * 60) << 8 | uint32_t(x + y);
        ASSERT_EQ(pixels.Pixel(x, y), expected) << format << " at " << x << "," << y;
      }
    }
    unlockPictureDescription(picture);
    RuntimeUnlockObject(picture);
  }
}

TEST_F(PicturePluginFunctions, RowsTooShortOrSidesTooLargeGiveNil) {
  uint8_t bytes[16] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15};
  EXPECT_EQ(QUORBuildPictureFromBuffer(2, 1, 3, bytes, 7), nullptr) << "8 bytes a row needed";
  RuntimeObject* picture = QUORBuildPictureFromBuffer(2, 1, 3, bytes, 8);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(PixelsOf(PicturePane(picture)->GetPixmap(), 2, 1).Pixel(0, 0), 0x010203u);
  EXPECT_EQ(PixelsOf(PicturePane(picture)->GetPixmap(), 2, 1).Pixel(1, 0), 0x050607u);
  RuntimeUnlockObject(picture);

  EXPECT_EQ(QUORBuildPictureFromBuffer(2, 1, 3, nullptr, 8), nullptr);
  EXPECT_EQ(QUORBuildPictureFromBuffer(0, 1, 1, bytes, 8), nullptr);
  EXPECT_EQ(QUORBuildPictureFromBuffer(1, -1, 1, bytes, 8), nullptr);
  EXPECT_EQ(QUORBuildPictureFromBuffer(1, 1, 5, bytes, 8), nullptr) << "unknown format";
  EXPECT_EQ(QUORBuildPictureFromBuffer(1, 1, 0, bytes, 8), nullptr);
  EXPECT_EQ(QUORBuildPictureFromBuffer(2, 1, 1, bytes, -8), nullptr) << "negative rows";
  // Products that wrap in 32 bits: 0x40000001 pixels of 4 bytes are "4 bytes" there.
  EXPECT_EQ(QUORBuildPictureFromBuffer(0x40000001, 1, 4, bytes, 8), nullptr);
  EXPECT_EQ(QUORBuildPictureFromBuffer(32768, 1, 1, bytes, 0x7FFFFFFF), nullptr);
  EXPECT_EQ(QUORBuildPictureFromBuffer(1, 32768, 1, bytes, 3), nullptr);
  EXPECT_EQ(QUORBuildPictureFromBuffer(0x7FFFFFFF, 0x7FFFFFFF, 1, bytes, 0x7FFFFFFF), nullptr);
}

TEST_F(PicturePluginFunctions, UnlocksReleaseOnlyWhatLocksTook) {
  uint8_t bytes[12] = {};
  RuntimeObject* picture = QUORBuildPictureFromBuffer(2, 2, 1, bytes, 6);
  ASSERT_NE(picture, nullptr);
  QV::Drawable* surface = PictureDrawable(picture);
  const uint32_t held = surface->RefCount();

  unlockPictureDescription(picture);  // never locked
  EXPECT_EQ(surface->RefCount(), held);
  PluginPictureDescription description{};
  lockPictureDescription(picture, &description);
  lockPictureDescription(picture, &description);
  EXPECT_EQ(surface->RefCount(), held + 2);
  unlockPictureDescription(picture);
  unlockPictureDescription(picture);
  EXPECT_EQ(surface->RefCount(), held);
  unlockPictureDescription(picture);  // a second unlock of the last lock
  EXPECT_EQ(surface->RefCount(), held);

  // Kind 0 is answered, with the description, but locks nothing; another kind fails.
  std::memset(&description, 0, sizeof description);
  EXPECT_EQ(QUORLockPictureDescription(picture, &description, 0, 0), 1);
  EXPECT_EQ(description.width, 2);
  EXPECT_EQ(surface->RefCount(), held);
  unlockPictureDescription(picture);
  EXPECT_EQ(surface->RefCount(), held);
  EXPECT_EQ(QUORLockPictureDescription(picture, &description, 99, 0), 0);
  EXPECT_EQ(surface->RefCount(), held);
  EXPECT_EQ(QUORLockPictureDescription(picture, &description, kDrawableTargetPixmap, 0), 1);
  EXPECT_EQ(surface->RefCount(), held + 1);
  unlockPictureDescription(picture);
  EXPECT_EQ(surface->RefCount(), held);

  // Locks still held when the picture goes are given back with it (the leak checker sees).
  lockPictureDescription(picture, &description);
  RuntimeUnlockObject(picture);

  EXPECT_EQ(QUORLockPictureDescription(nullptr, &description, 0, 0), 0);
  lockPictureDescription(nullptr, &description);
  unlockPictureDescription(nullptr);
  RuntimeObject* vector = newPicture(4, 4, 0);
  EXPECT_EQ(QUORLockPictureDescription(vector, &description, 0, 0), 0);
  RuntimeUnlockObject(vector);
}

// What a plug-in draws on a locked picture is what Pixel reads after the unlock, and pixels set
// through the surface before the lock reach the pixmap the plug-in draws on; a pixel set after
// the unlock is drawn back over the plug-in's drawing and no more than it.
TEST_F(PicturePluginFunctions, DrawingThroughALockIsWhatPixelReadsAfterwards) {
  RuntimeObject* picture = newPicture(6, 6, 32);
  RuntimeObject* surface = pictureRGBSurfaceGetter(picture, 0);
  ASSERT_NE(surface, nullptr);
  EXPECT_EQ(rgbSurfaceGetPixel(surface, 4, 1), 0xFFFFFFu);  // the surface's copy is read
  rgbSurfaceSetPixel(surface, 0, 0, 0x00FF00);
  PluginPictureDescription description{};
  lockPictureDescription(picture, &description);
  ASSERT_NE(description.handle, nullptr);
  GdkDrawable* pixmap = static_cast<GdkDrawable*>(description.handle);
  EXPECT_EQ(PixelsOf(pixmap, 6, 6).Pixel(0, 0), 0x00FF00u);
  GdkGC* gc = gdk_gc_new(pixmap);
  GdkColor red = {0, 0xFFFF, 0, 0};
  gdk_gc_set_rgb_fg_color(gc, &red);
  gdk_draw_rectangle(pixmap, gc, TRUE, 1, 1, 5, 5);
  g_object_unref(gc);
  unlockPictureDescription(picture);
  EXPECT_EQ(rgbSurfaceGetPixel(surface, 4, 1), 0xFF0000u);
  rgbSurfaceSetPixel(surface, 2, 0, 0x0000FF);
  rgbSurfaceSetPixel(surface, 2, 5, 0x0000FF);
  const qvtest::Screenshot pixels = PixelsOf(PicturePane(picture)->GetPixmap(), 6, 6);
  EXPECT_EQ(pixels.Pixel(2, 0), 0x0000FFu);
  EXPECT_EQ(pixels.Pixel(2, 5), 0x0000FFu);
  EXPECT_EQ(pixels.Pixel(0, 0), 0x00FF00u);
  EXPECT_EQ(pixels.Pixel(4, 1), 0xFF0000u);
  EXPECT_EQ(pixels.Pixel(0, 3), 0xFFFFFFu);
  RuntimeUnlockObject(surface);
  RuntimeUnlockObject(picture);
}

TEST_F(PicturePluginFunctions, MasksAndDrawingOntoAGraphics) {
  uint8_t bytes[4 * 3 * 3];
  for (size_t i = 0; i < sizeof bytes; i += 3) {
    bytes[i] = 0x20;
    bytes[i + 1] = 0x80;
    bytes[i + 2] = 0xC0;
  }
  RuntimeObject* picture = QUORBuildPictureFromBuffer(4, 3, 1, bytes, 12);
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(QUORGetPictureMask(picture, 0), nullptr) << "none made yet";
  RuntimeObject* mask = QUORGetPictureMask(picture, 1);
  ASSERT_NE(mask, nullptr);
  RuntimeObject* again = QUORGetPictureMask(picture, 0);
  EXPECT_EQ(again, mask);
  RuntimeUnlockObject(again);
  RuntimeUnlockObject(mask);
  QUORPictureClearCache(picture);
  QUORPictureClearCache(nullptr);
  EXPECT_EQ(QUORGetPictureMask(nullptr, 1), nullptr);
  EXPECT_EQ(QUORBuildPictureFromPictureDescription(), nullptr);
  EXPECT_EQ(QUORBuildPictureFromGWorld(), nullptr);

  RuntimeObject* canvas = newPicture(10, 10, 24);
  RuntimeObject* graphics = pictureGraphicsGetter(canvas, 0);
  ASSERT_NE(graphics, nullptr);
  const QV::Rect at{2, 3, 5, 7};
  QUORDrawPicturePrimitive(graphics, picture, &at, 0);
  const qvtest::Screenshot pixels = PixelsOf(PicturePane(canvas)->GetPixmap(), 10, 10);
  EXPECT_EQ(pixels.Pixel(3, 2), 0x2080C0u);
  EXPECT_EQ(pixels.Pixel(6, 4), 0x2080C0u);
  EXPECT_EQ(pixels.Pixel(7, 4), 0xFFFFFFu);
  EXPECT_EQ(pixels.Pixel(3, 5), 0xFFFFFFu);
  EXPECT_EQ(pixels.CountPixels(0x2080C0), 12);
  QUORDrawPicturePrimitive(nullptr, picture, &at, 0);
  QUORDrawPicturePrimitive(graphics, nullptr, &at, 0);
  QUORDrawPicturePrimitive(picture, picture, &at, 0);  // a picture is no Graphics

  // The GDK handles behind the Graphics, and a style set through the plug-ins' record.
  EXPECT_EQ(QUORGraphicsGdkDrawable(graphics), PicturePane(canvas)->GetPixmap());
  EXPECT_NE(QUORGraphicsDC(graphics), nullptr);
  EXPECT_EQ(QUORGraphicsDC(nullptr), nullptr);
  EXPECT_EQ(QUORGraphicsGdkDrawable(picture), nullptr);
  PluginGraphicsStyle style{0, string("Serif").ExtractStringStorage(), 17, 0x102030, 1, 0, 1, 0};
  QUORSetGraphicsStyle(graphics, &style);
  QUORSetGraphicsStyle(graphics, nullptr);
  QUORSetGraphicsStyle(nullptr, &style);
  PluginGraphicsStyle read{};
  QUORGetGraphicsFontStyle(graphics, &read);
  EXPECT_STREQ(stringStorage::CString(read.fontName), "Serif");
  EXPECT_EQ(read.textSize, 17);
  EXPECT_EQ(read.color, 0x102030u);
  EXPECT_EQ(read.bold, 1);
  EXPECT_EQ(read.italic, 0);
  EXPECT_EQ(read.underline, 1);
  stringStorage::RemoveReference(read.fontName);
  stringStorage::RemoveReference(style.fontName);
  style.fontName = nullptr;  // no name: the font stays
  style.textSize = 9;
  QUORSetGraphicsStyle(graphics, &style);
  read = {};
  QUORGetGraphicsFontStyle(graphics, &read);
  EXPECT_STREQ(stringStorage::CString(read.fontName), "Serif");
  EXPECT_EQ(read.textSize, 9);
  stringStorage::RemoveReference(read.fontName);

  RuntimeUnlockObject(graphics);
  RuntimeUnlockObject(canvas);
  RuntimeUnlockObject(picture);
}

}  // namespace
