// Pictures from BMP bytes: rows stored either way and padded, and damaged files, one whose
// header names gigabytes among them. (tests/image has the resource manager make a Picture of a
// 'BMP ' resource.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "graphics/PictureClass.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

// A 24-bit BMP of 0xRRGGBB pixels given top row first; rows stored bottom-up, or top-down with
// a negative height, each padded to four bytes.
Bytes Bmp24(int width, const std::vector<uint32_t>& pixels, bool topDown) {
  const int height = int(pixels.size()) / width;
  const size_t stride = (size_t(width) * 3 + 3) & ~size_t(3);
  Bytes file(54 + stride * height);
  const uint32_t header[] = {uint32_t(file.size()), 0, 54, 40, uint32_t(width),
                             uint32_t(topDown ? -height : height), 1 | 24 << 16};
  file[0] = 'B', file[1] = 'M';
  std::memcpy(&file[2], header, sizeof header);
  for (size_t i = 0; i < pixels.size(); ++i) {
    const size_t row = size_t(topDown ? i / width : height - 1 - i / width);
    std::memcpy(&file[54 + row * stride + i % width * 3], &pixels[i], 3);  // B, G, R
  }
  return file;
}

std::vector<uint32_t> PixelsOf(GdkPixbuf* image) {
  std::vector<uint32_t> pixels;
  for (int y = 0; y < gdk_pixbuf_get_height(image); ++y) {
    for (int x = 0; x < gdk_pixbuf_get_width(image); ++x) {
      const guchar* p = gdk_pixbuf_get_pixels(image) + y * gdk_pixbuf_get_rowstride(image) +
                        x * gdk_pixbuf_get_n_channels(image);
      pixels.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
    }
  }
  return pixels;
}

const std::vector<uint32_t> kPixels = {0xFF0000, 0x00FF00, 0x0000FF,   // rows of nine bytes
                                       0xFFFFFF, 0x000000, 0x123456};  // and three of padding

TEST(PictureFromBMPData, RowsInEitherOrderAndDamagedFiles) {
  for (bool topDown : {false, true}) {
    const Bytes file = Bmp24(3, kPixels, topDown);
    DrawablePane* surface = PictureFromBMPData(file.data(), uint32_t(file.size()));
    ASSERT_NE(surface, nullptr) << topDown;
    GdkPixbuf* image = surface->GetPixbuf();
    EXPECT_EQ(gdk_pixbuf_get_width(image), 3);
    EXPECT_EQ(PixelsOf(image), kPixels) << topDown;
    surface->Release();
  }
  // Cut in the last row or in the header, another magic, an absurd width, nothing.
  const Bytes good = Bmp24(3, kPixels, false);
  Bytes magic = good, width = good;
  magic[0] = 'X';
  width[21] = 0x7F;
  for (const Bytes& damaged : {Bytes(good.begin(), good.end() - 7),
                               Bytes(good.begin(), good.begin() + 30), magic, width, Bytes()})
    EXPECT_EQ(PictureFromBMPData(damaged.data(), uint32_t(damaged.size())), nullptr)
        << damaged.size();
}

// In a fresh process: the address space a picture with the damaged header took, as the exit
// status (0 for less than 64 MB).
void LoadWithAHeaderOfTwoGigabytes() {
  Bytes file = Bmp24(3, kPixels, false);
  const uint32_t size = 0x7FFFFF00;
  std::memcpy(&file[14], &size, sizeof size);
  const long before = qvtest::ProcessStatusKb("VmPeak");
  DrawablePane* image = PictureFromBMPData(file.data(), uint32_t(file.size()));
  const long grown = qvtest::ProcessStatusKb("VmPeak") - before;
  std::fprintf(stderr, "%s, the address space grew by %ld KB\n", image ? "a picture" : "nil",
               grown);
  std::exit(!image && before > 0 && grown < 64 * 1024 ? 0 : 1);
}

// The toolkit's loader grows its buffer to the size the information header names before it
// reads that header: a resource of a hundred bytes would have the process ask for gigabytes.
TEST(PictureFromBMPData, AHeaderLongerThanTheDataIsRefusedBeforeTheLoaderSizesItsBuffer) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");  // a fresh address space and its high mark
  EXPECT_EXIT(LoadWithAHeaderOfTwoGigabytes(), testing::ExitedWithCode(0), "^nil, ");
}

}  // namespace
