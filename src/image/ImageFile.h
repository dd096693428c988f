// Bounded reading of the file that carries an application image.
//
// Every read names its offset and length and succeeds only when the whole range lies inside
// the file (checked in 64-bit arithmetic), so a truncated or corrupt file can never make the
// loader use bytes it did not read.
#pragma once

#include <cstdint>

class ImageFile {
 public:
  ImageFile() = default;
  ~ImageFile();
  ImageFile(const ImageFile&) = delete;
  ImageFile& operator=(const ImageFile&) = delete;

  // Opens a regular file for reading; false (errno says why: ENOTSUP for a FIFO, a device or a
  // socket, EISDIR for a folder) when it cannot be opened or is no regular file.
  bool Open(const char* path);
  void Close();
  bool IsOpen() const { return mFd >= 0; }
  uint64_t Size() const { return mSize; }

  // True when [offset, offset + length) lies inside the file.
  bool Contains(uint64_t offset, uint64_t length) const;
  // Reads exactly length bytes at offset; false (and nothing promised in dest) otherwise.
  bool ReadAt(uint64_t offset, void* dest, uint32_t length) const;
  bool ReadU16(uint64_t offset, uint16_t* value) const { return ReadAt(offset, value, 2); }
  bool ReadU32(uint64_t offset, uint32_t* value) const { return ReadAt(offset, value, 4); }

 private:
  int mFd = -1;
  uint64_t mSize = 0;
};
