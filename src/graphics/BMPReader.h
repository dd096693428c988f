// Windows BMP files read and written by the framework itself.
//
// The reader trusts no byte of the file: every field, palette entry and row is checked against
// the data's length in 64-bit arithmetic before it is read. It takes uncompressed files of 1, 4,
// 8, 24 and 32 bits per pixel with the 12-byte core header or an information header of 40 bytes
// or more, rows bottom-up or (a negative height) top-down; 32-bit files may name their channel
// masks when those are the plain blue-green-red ones. A 1-bit file reads black and white,
// whatever its palette says. Everything else (compression, other depths, data cut short or
// inconsistent) is refused. Parsing needs no display, so that it can be fed any bytes.
//
// The writer produces version 3 files of 24 bits per pixel, rows bottom-up.
#pragma once

#include <cstdint>
#include <memory>

enum class BMPParseResult { kRead, kUnknownHeaderSize, kRefused };

// Pixels as rows of 3-byte RGB, top row first, rowStride = width x 3.
struct BMPImage {
  int32_t width = 0;
  int32_t height = 0;
  std::unique_ptr<uint8_t[]> rgb;
};

// The largest side a BMP picture may have: the surfaces' rectangles are 16-bit signed.
constexpr int32_t kBMPLargestSide = 0x7FFF;

BMPParseResult ParseBMP(const uint8_t* data, uint64_t length, BMPImage& image);

// The rows of a picture to write: width x height pixels of `channels` bytes (RGB first), each
// row `stride` bytes from the last, top row first.
struct BMPSource {
  int32_t width;
  int32_t height;
  const uint8_t* pixels;
  int32_t stride;
  int32_t channels;
  int32_t horizontalDPI;
  int32_t verticalDPI;
};

// Where a writer sends its bytes; false when they could not be written.
using BMPSink = bool (*)(void* context, const void* bytes, uint32_t count);

// The file's size for source (54 bytes of headers, then rows padded to four bytes), or 0 when
// it would not fit in 32 bits.
uint64_t BMPFileSize(const BMPSource& source);
// Writes the whole file through sink; false as soon as a write fails or the file is too large.
bool WriteBMP(const BMPSource& source, BMPSink sink, void* context);
