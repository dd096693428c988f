// The framework's BMP reader and writer: every depth it takes, with core and information
// headers, rows either way up; and damaged files (cut at every byte, sizes of 2^31, offsets
// past the data, palette indices past the palette, compression, other depths), which it
// refuses without reading outside the data (the sanitizer build checks that).
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "graphics/BMPReader.h"
#include "graphics/PictureClass.h"
#include "support/TestSupport.h"

namespace {

using Bytes = std::vector<uint8_t>;

struct BMPSpec {
  int32_t width = 3;
  int32_t height = 2;
  uint32_t headerSize = 40;
  uint16_t bits = 24;
  uint32_t compression = 0;
  bool topDown = false;
  std::vector<uint32_t> palette;  // 0xRRGGBB
  // Per pixel, top row first: a palette index below 24 bits, else 0xRRGGBB.
  std::vector<uint32_t> pixels;
};

void Put(Bytes& b, size_t at, uint32_t value, int size) {
  for (int i = 0; i < size; ++i) b[at + i] = uint8_t(value >> (8 * i));
}

Bytes Build(const BMPSpec& s) {
  const bool core = s.headerSize == 12;
  const size_t entry = core ? 3 : 4;
  const size_t pixelStart = 14 + s.headerSize + s.palette.size() * entry;
  const size_t stride = (size_t(s.width) * s.bits + 31) / 32 * 4;
  Bytes b(pixelStart + stride * s.height);
  b[0] = 'B', b[1] = 'M';
  Put(b, 2, uint32_t(b.size()), 4);
  Put(b, 10, uint32_t(pixelStart), 4);
  Put(b, 14, s.headerSize, 4);
  if (core) {
    Put(b, 18, uint32_t(s.width), 2);
    Put(b, 20, uint32_t(s.height), 2);
    Put(b, 22, 1, 2);
    Put(b, 24, s.bits, 2);
  } else {
    Put(b, 18, uint32_t(s.width), 4);
    Put(b, 22, uint32_t(s.topDown ? -s.height : s.height), 4);
    Put(b, 26, 1, 2);
    Put(b, 28, s.bits, 2);
    Put(b, 30, s.compression, 4);
  }
  for (size_t i = 0; i < s.palette.size(); ++i) {
    const uint32_t c = s.palette[i];
    b[14 + s.headerSize + i * entry] = uint8_t(c);
    b[14 + s.headerSize + i * entry + 1] = uint8_t(c >> 8);
    b[14 + s.headerSize + i * entry + 2] = uint8_t(c >> 16);
  }
  for (int32_t y = 0; y < s.height; ++y) {
    const size_t row = pixelStart + stride * size_t(s.topDown ? y : s.height - 1 - y);
    for (int32_t x = 0; x < s.width; ++x) {
      const uint32_t p = s.pixels[size_t(y * s.width + x)];
      if (s.bits >= 24) {
        Put(b, row + size_t(x) * (s.bits / 8), p, 3);
      } else {
        const size_t bit = size_t(x) * s.bits;
        b[row + bit / 8] |= uint8_t(p << (8 - s.bits - bit % 8));
      }
    }
  }
  return b;
}

BMPParseResult Parse(const Bytes& b, BMPImage& image) {
  return ParseBMP(b.data(), b.size(), image);
}

// The image's pixels as 0xRRGGBB, top row first.
std::vector<uint32_t> Colours(const BMPImage& image) {
  std::vector<uint32_t> colours;
  for (int64_t i = 0; i < int64_t(image.width) * image.height; ++i) {
    const uint8_t* p = image.rgb.get() + i * 3;
    colours.push_back(uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2]);
  }
  return colours;
}

const std::vector<uint32_t> kPalette = {0x102030, 0xFF0000, 0x00FF00, 0x0000FF, 0x808080};
const std::vector<uint32_t> kIndices = {0, 1, 2, 3, 4, 1};

TEST(BMPReader, ReadsEveryDepthWithEitherHeaderAndEitherRowOrder) {
  for (uint32_t headerSize : {12u, 40u, 108u}) {
    for (uint16_t bits : {4, 8, 24, 32}) {
      for (bool topDown : {false, true}) {
        if (bits == 32 && headerSize == 12) continue;
        if (topDown && headerSize == 12) continue;
        BMPSpec s;
        s.headerSize = headerSize;
        s.bits = bits;
        s.topDown = topDown;
        std::vector<uint32_t> expected;
        for (uint32_t index : kIndices) expected.push_back(kPalette[index]);
        if (bits < 24) {
          s.palette = kPalette;
          s.pixels = kIndices;
        } else {
          s.pixels = expected;
        }
        BMPImage image;
        ASSERT_EQ(Parse(Build(s), image), BMPParseResult::kRead) << headerSize << " " << bits;
        EXPECT_EQ(image.width, 3);
        EXPECT_EQ(image.height, 2);
        EXPECT_EQ(Colours(image), expected) << headerSize << " " << bits << " " << topDown;
      }
    }
  }
}

TEST(BMPReader, OneBitPicturesReadBlackAndWhiteWhateverTheirPalette) {
  BMPSpec s;
  s.width = 10;
  s.height = 1;
  s.bits = 1;
  s.palette = {0xFF0000, 0x0000FF};
  s.pixels = {1, 0, 0, 1, 1, 1, 0, 0, 0, 1};
  BMPImage image;
  ASSERT_EQ(Parse(Build(s), image), BMPParseResult::kRead);
  std::vector<uint32_t> expected;
  for (uint32_t bit : s.pixels) expected.push_back(bit ? 0xFFFFFF : 0);
  EXPECT_EQ(Colours(image), expected);
}

TEST(BMPReader, ThirtyTwoBitFilesMayNameThePlainChannelMasksOnly) {
  BMPSpec s;
  s.bits = 32;
  s.compression = 3;
  s.pixels = {1, 2, 3, 4, 5, 6};
  Bytes file = Build(s);
  // The masks follow the 40-byte header: make room for them before the pixels.
  const uint32_t masks[3] = {0x00FF0000, 0x0000FF00, 0x000000FF};
  file.insert(file.begin() + 54, reinterpret_cast<const uint8_t*>(masks),
              reinterpret_cast<const uint8_t*>(masks) + 12);
  Put(file, 10, 66, 4);
  BMPImage image;
  ASSERT_EQ(Parse(file, image), BMPParseResult::kRead);
  EXPECT_EQ(Colours(image), s.pixels);
  Put(file, 54, 0xFF000000, 4);  // red in the top byte
  EXPECT_EQ(Parse(file, image), BMPParseResult::kRefused);
}

TEST(BMPReader, DamagedFilesAreRefused) {
  BMPSpec s;
  s.bits = 8;
  s.palette = kPalette;
  s.pixels = kIndices;
  const Bytes good = Build(s);
  BMPImage image;
  for (size_t cut = 0; cut < good.size(); ++cut) {
    const Bytes shorter(good.begin(), good.begin() + cut);
    EXPECT_NE(Parse(shorter, image), BMPParseResult::kRead) << cut;
    EXPECT_EQ(image.rgb, nullptr);
  }
  struct Damage {
    const char* what;
    size_t at;
    uint32_t value;
    int size;
  };
  const Damage damages[] = {
      {"width 2^31", 18, 0x80000000, 4},         {"width 2^31 - 1", 18, 0x7FFFFFFF, 4},
      {"height -2^31", 22, 0x80000000, 4},       {"height 2^31 - 1", 22, 0x7FFFFFFF, 4},
      {"no width", 18, 0, 4},                    {"no height", 22, 0, 4},
      {"pixels past the data", 10, 0x7FFFFFF0, 4}, {"pixels at the end", 10, uint32_t(good.size()), 4},
      {"pixels inside the header", 10, 20, 4},   {"header past the data", 14, 0xFFFFFFF0, 4},
      {"RLE 8", 30, 1, 4},                       {"RLE 4", 30, 2, 4},
      {"JPEG inside", 30, 4, 4},                 {"masks of 8 bits", 30, 3, 4},
      {"16 bits", 28, 16, 2},                    {"2 bits", 28, 2, 2},
      {"0 bits", 28, 0, 2},                      {"other magic", 0, 'X', 1},
      {"palette of two", 10, 14 + 40 + 2 * 4, 4},  // index 4 names no entry
  };
  for (const Damage& d : damages) {
    Bytes bad = good;
    Put(bad, d.at, d.value, d.size);
    EXPECT_EQ(Parse(bad, image), BMPParseResult::kRefused) << d.what;
  }
  EXPECT_EQ(ParseBMP(nullptr, 100, image), BMPParseResult::kRefused);
}

TEST(BMPReader, AnUnknownHeaderSizeIsReportedAndGivesNil) {
  BMPSpec s;
  s.pixels = {1, 2, 3, 4, 5, 6};
  Bytes file = Build(s);
  Put(file, 14, 20, 4);
  BMPImage image;
  EXPECT_EQ(Parse(file, image), BMPParseResult::kUnknownHeaderSize);
  qvtest::ReportCapture reports;
  EXPECT_EQ(PictureFromBMPData(file.data(), uint32_t(file.size())), nullptr);
  ASSERT_EQ(reports.count(), 1u);
  EXPECT_EQ(reports.reports()[0].condition, "0");
}

bool Append(void* context, const void* bytes, uint32_t count) {
  auto* out = static_cast<Bytes*>(context);
  out->insert(out->end(), static_cast<const uint8_t*>(bytes),
              static_cast<const uint8_t*>(bytes) + count);
  return true;
}

TEST(BMPWriter, WritesWhatTheReaderReadsBackAndStopsAtAFailedWrite) {
  const int32_t width = 5, height = 3;
  std::vector<uint8_t> rgba(size_t(width) * height * 4);
  for (size_t i = 0; i < rgba.size(); ++i) rgba[i] = uint8_t(i * 37);
  const BMPSource source = {width, height, rgba.data(), width * 4, 4, 72, 300};
  Bytes file;
  ASSERT_TRUE(WriteBMP(source, Append, &file));
  EXPECT_EQ(file.size(), BMPFileSize(source));
  EXPECT_EQ(file.size(), 54u + 16 * 3);  // 15 bytes a row, padded to 16
  uint32_t perMetre[2];
  std::memcpy(perMetre, &file[38], 8);
  EXPECT_EQ(perMetre[0], 2835u);
  EXPECT_EQ(perMetre[1], 11811u);
  BMPImage image;
  ASSERT_EQ(Parse(file, image), BMPParseResult::kRead);
  for (int32_t i = 0; i < width * height; ++i) {
    ASSERT_EQ(std::memcmp(image.rgb.get() + i * 3, &rgba[size_t(i) * 4], 3), 0) << i;
  }
  int writes = 0;
  auto failSecond = [](void* context, const void*, uint32_t) { return ++*static_cast<int*>(context) < 2; };
  EXPECT_FALSE(WriteBMP(source, failSecond, &writes));
  EXPECT_EQ(writes, 2);
}

}  // namespace
