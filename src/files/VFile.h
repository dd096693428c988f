// VFile: the byte I/O mechanism over the data of a file item inside a virtual volume. It holds
// the VirtualVolume object while open, so that the volume outlives it. Positions and lengths are
// 64-bit; the data starts after the item's 256-byte header. The length lives in the mechanism
// until Flush or Close writes it into the header; both also write the volume's block map back
// and push the volume file's buffer out (no fsync), so that a closed file survives the process
// being killed and the volume has nothing of it left to write when it goes.
//
// Bytes between the data the chain holds and the length (after SetLength made the file longer)
// read as zeros: shortening a file clears what it cuts off, and blocks come zeroed.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "files/RandomAccessMechanism.h"

class VHFSVolume;

class VFile : public RandomAccessMechanism {
 public:
  // Takes one reference to volumeObject; handle is open in layer's container.
  VFile(VHFSVolume* layer, RuntimeObject* volumeObject, int32_t handle, uint64_t length);
  ~VFile() override;

  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override;
  bool Write(const void* buffer, int32_t count) override;
  // Writes the length into the header, closes the handle, writes the volume out and lets the
  // volume go; false when already closed, or when the volume file failed (lastError says why:
  // ENOSPC for a full disk).
  bool Close() override;
  bool IsEOF() override { return mPosition >= mLength; }
  bool SetPosition(uint64_t position) override;
  int64_t GetLength() override { return int64_t(mLength); }
  bool SetLength(uint64_t length) override;
  int64_t GetPosition() override { return int64_t(mPosition); }
  // Writes the length into the header and the volume's block map back, and pushes the volume
  // file out; a failure leaves its code in lastError.
  void Flush() override;

 private:
  // Stores the volume file's own error (EIO when it gave none); false.
  bool Failed();
  // True, with EINVAL, for a position or length past the data the container can address.
  bool PastTheLimit(uint64_t place);

  VHFSVolume* mLayer;
  RuntimeObject* mVolume;
  int32_t mHandle;
  uint64_t mPosition = 0;
  uint64_t mLength;
};
