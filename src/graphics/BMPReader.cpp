#include "graphics/BMPReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace {

constexpr uint64_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kNoCompression = 0;
constexpr uint32_t kBitFields = 3;

// The file's bytes with every read checked against their length.
class BMPBytes {
 public:
  BMPBytes(const uint8_t* data, uint64_t length) : mData(data), mLength(length) {}

  bool Has(uint64_t offset, uint64_t count) const {
    return offset <= mLength && count <= mLength - offset;
  }
  uint32_t U32(uint64_t offset) const {
    const uint8_t* p = mData + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  uint16_t U16(uint64_t offset) const {
    return uint16_t(mData[offset] | mData[offset + 1] << 8);
  }
  const uint8_t* At(uint64_t offset) const { return mData + offset; }

 private:
  const uint8_t* mData;
  uint64_t mLength;
};

struct BMPLayout {
  int64_t width = 0;
  int64_t height = 0;  // positive; topDown tells the row order
  bool topDown = false;
  uint32_t bitsPerPixel = 0;
  uint32_t compression = kNoCompression;
  uint64_t paletteStart = 0;
  uint32_t paletteEntrySize = 4;
  uint64_t pixelStart = 0;
  uint64_t rowBytes = 0;
};

bool DepthRead(uint32_t bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 24 || bits == 32;
}

// The masks of a 32-bit file that names them must be plain blue, green, red bytes: they follow
// a 40-byte header, or lie inside a longer one.
bool PlainChannelMasks(const BMPBytes& bytes, uint64_t masksAt) {
  if (!bytes.Has(masksAt, 12)) return false;
  return bytes.U32(masksAt) == 0x00FF0000 && bytes.U32(masksAt + 4) == 0x0000FF00 &&
         bytes.U32(masksAt + 8) == 0x000000FF;
}

BMPParseResult ReadLayout(const BMPBytes& bytes, BMPLayout& layout) {
  if (!bytes.Has(0, kFileHeaderSize + 4) || bytes.At(0)[0] != 'B' || bytes.At(0)[1] != 'M') {
    return BMPParseResult::kRefused;
  }
  layout.pixelStart = bytes.U32(10);
  const uint32_t headerSize = bytes.U32(kFileHeaderSize);
  if (headerSize != kCoreHeaderSize && headerSize < kInfoHeaderSize) {
    return BMPParseResult::kUnknownHeaderSize;
  }
  if (!bytes.Has(kFileHeaderSize, headerSize)) return BMPParseResult::kRefused;
  uint64_t afterHeader = kFileHeaderSize + headerSize;
  if (headerSize == kCoreHeaderSize) {
    layout.width = int16_t(bytes.U16(18));
    layout.height = int16_t(bytes.U16(20));
    layout.bitsPerPixel = bytes.U16(24);
    layout.paletteEntrySize = 3;
  } else {
    layout.width = int32_t(bytes.U32(18));
    layout.height = int32_t(bytes.U32(22));
    layout.bitsPerPixel = bytes.U16(28);
    layout.compression = bytes.U32(30);
    if (layout.height < 0) {
      layout.topDown = true;
      layout.height = -layout.height;
    }
    if (layout.compression == kBitFields && layout.bitsPerPixel == 32) {
      const uint64_t masksAt = headerSize == kInfoHeaderSize ? afterHeader : kFileHeaderSize + 40;
      if (!PlainChannelMasks(bytes, masksAt)) return BMPParseResult::kRefused;
      if (headerSize == kInfoHeaderSize) afterHeader += 12;
    } else if (layout.compression != kNoCompression) {
      return BMPParseResult::kRefused;
    }
  }
  if (!DepthRead(layout.bitsPerPixel) || layout.width < 1 || layout.height < 1 ||
      layout.width > kBMPLargestSide || layout.height > kBMPLargestSide) {
    return BMPParseResult::kRefused;
  }
  layout.paletteStart = afterHeader;
  layout.rowBytes = (uint64_t(layout.width) * layout.bitsPerPixel + 31) / 32 * 4;
  if (layout.pixelStart < afterHeader ||
      !bytes.Has(layout.pixelStart, layout.rowBytes * uint64_t(layout.height))) {
    return BMPParseResult::kRefused;
  }
  return BMPParseResult::kRead;
}

// The palette as 0xRRGGBB words: as many whole entries as lie between the header and the
// pixels, at most 256.
std::vector<uint32_t> ReadPalette(const BMPBytes& bytes, const BMPLayout& layout) {
  std::vector<uint32_t> palette;
  if (layout.bitsPerPixel > 8) return palette;
  const uint64_t count = std::min<uint64_t>(
      (layout.pixelStart - layout.paletteStart) / layout.paletteEntrySize, 256);
  palette.reserve(size_t(count));
  for (uint64_t i = 0; i < count; ++i) {
    const uint8_t* entry = bytes.At(layout.paletteStart + i * layout.paletteEntrySize);
    palette.push_back(uint32_t(entry[2]) << 16 | uint32_t(entry[1]) << 8 | entry[0]);
  }
  return palette;
}

// One row of the file into RGB; false when an index names no palette entry.
bool ConvertRow(const uint8_t* row, const BMPLayout& layout,
                const std::vector<uint32_t>& palette, uint8_t* rgb) {
  const int64_t width = layout.width;
  for (int64_t x = 0; x < width; ++x, rgb += 3) {
    uint32_t colour;
    switch (layout.bitsPerPixel) {
      case 1:
        colour = row[x >> 3] & (0x80 >> (x & 7)) ? 0xFFFFFF : 0;
        break;
      case 4:
      case 8: {
        const uint32_t index = layout.bitsPerPixel == 4
                                   ? (row[x >> 1] >> (x & 1 ? 0 : 4)) & 0xF
                                   : row[x];
        if (index >= palette.size()) return false;
        colour = palette[index];
        break;
      }
      default: {
        const uint8_t* p = row + x * (layout.bitsPerPixel / 8);
        colour = uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        break;
      }
    }
    rgb[0] = uint8_t(colour >> 16);
    rgb[1] = uint8_t(colour >> 8);
    rgb[2] = uint8_t(colour);
  }
  return true;
}

void PutU16(uint8_t* p, uint32_t value) {
  p[0] = uint8_t(value);
  p[1] = uint8_t(value >> 8);
}

void PutU32(uint8_t* p, uint32_t value) {
  PutU16(p, value);
  PutU16(p + 2, value >> 16);
}

uint32_t PixelsPerMetre(int32_t dpi) {
  const double perMetre = dpi * 39.37007874015748;
  if (!(perMetre > 0)) return 0;
  return perMetre >= UINT32_MAX ? UINT32_MAX : uint32_t(std::llround(perMetre));
}

}  // namespace

BMPParseResult ParseBMP(const uint8_t* data, uint64_t length, BMPImage& image) {
  image = BMPImage();
  if (!data) return BMPParseResult::kRefused;
  const BMPBytes bytes(data, length);
  BMPLayout layout;
  const BMPParseResult result = ReadLayout(bytes, layout);
  if (result != BMPParseResult::kRead) return result;
  const std::vector<uint32_t> palette = ReadPalette(bytes, layout);
  const uint64_t rgbStride = uint64_t(layout.width) * 3;
  std::unique_ptr<uint8_t[]> rgb(new (std::nothrow) uint8_t[rgbStride * layout.height]);
  if (!rgb) return BMPParseResult::kRefused;
  for (int64_t y = 0; y < layout.height; ++y) {
    const int64_t fileRow = layout.topDown ? y : layout.height - 1 - y;
    const uint8_t* row = bytes.At(layout.pixelStart + uint64_t(fileRow) * layout.rowBytes);
    if (!ConvertRow(row, layout, palette, rgb.get() + uint64_t(y) * rgbStride)) {
      return BMPParseResult::kRefused;
    }
  }
  image.width = int32_t(layout.width);
  image.height = int32_t(layout.height);
  image.rgb = std::move(rgb);
  return BMPParseResult::kRead;
}

uint64_t BMPFileSize(const BMPSource& source) {
  if (source.width < 0 || source.height < 0) return 0;
  const uint64_t size = 54 + (uint64_t(source.width) * 3 + 3) / 4 * 4 * uint64_t(source.height);
  return size > UINT32_MAX ? 0 : size;
}

bool WriteBMP(const BMPSource& source, BMPSink sink, void* context) {
  const uint64_t fileSize = BMPFileSize(source);
  if (fileSize == 0 || source.channels < 3) return false;
  uint8_t header[54] = {'B', 'M'};
  PutU32(header + 2, uint32_t(fileSize));
  PutU32(header + 10, 54);
  PutU32(header + 14, kInfoHeaderSize);
  PutU32(header + 18, uint32_t(source.width));
  PutU32(header + 22, uint32_t(source.height));
  PutU16(header + 26, 1);
  PutU16(header + 28, 24);
  PutU32(header + 38, PixelsPerMetre(source.horizontalDPI));
  PutU32(header + 42, PixelsPerMetre(source.verticalDPI));
  if (!sink(context, header, sizeof header)) return false;
  const size_t rowBytes = (size_t(source.width) * 3 + 3) / 4 * 4;
  std::unique_ptr<uint8_t[]> row(new (std::nothrow) uint8_t[rowBytes + 1]);
  if (!row) return false;
  std::memset(row.get(), 0, rowBytes);
  for (int32_t i = 0; i < source.height; ++i) {
    const uint8_t* p = source.pixels + size_t(source.height - 1 - i) * size_t(source.stride);
    uint8_t* out = row.get();
    for (int32_t x = 0; x < source.width; ++x, p += source.channels, out += 3) {
      out[0] = p[2];
      out[1] = p[1];
      out[2] = p[0];
    }
    if (!sink(context, row.get(), uint32_t(rowBytes))) return false;
  }
  return true;
}
