#include "files/VFile.h"

#include <cerrno>
#include <cstring>

#include "files/VHFSVolume.h"

namespace {

// The container's offsets are 32-bit: no data byte lies at or past this position.
constexpr uint64_t kDataLimit = (uint64_t(1) << 32) - VHFSVolume::kItemHeaderSize;

}  // namespace

VFile::VFile(VHFSVolume* layer, RuntimeObject* volumeObject, int32_t handle, uint64_t length)
    : mLayer(layer), mVolume(volumeObject), mHandle(handle), mLength(length) {
  if (mVolume) RuntimeLockObject(mVolume);
}

VFile::~VFile() {
  if (mHandle >= 0) Close();
}

bool VFile::Failed() {
  const int32_t error = mLayer->Core().TakeDiskError();
  lastError = error ? error : EIO;
  return false;
}

bool VFile::Read(void* buffer, int32_t count, int32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (mHandle < 0 || count < 0 || !buffer) return false;
  if (count == 0) return true;
  if (mPosition >= mLength) return false;
  const uint64_t left = mLength - mPosition;
  const int32_t wanted = left < uint64_t(count) ? int32_t(left) : count;
  int32_t got = 0;
  mLayer->Core().TakeDiskError();
  if (!mLayer->Core().ReadAt(mHandle, VHFSVolume::kItemHeaderSize + mPosition, buffer, wanted,
                             &got))
    return Failed();
  // Past the chain's end lies the part a longer length added: zeros.
  std::memset(static_cast<uint8_t*>(buffer) + got, 0, size_t(wanted - got));
  mPosition += uint64_t(wanted);
  if (bytesRead) *bytesRead = wanted;
  return true;
}

bool VFile::Write(const void* buffer, int32_t count) {
  if (mHandle < 0 || count < 0 || !buffer) return false;
  if (mPosition + uint64_t(count) > kDataLimit) {
    lastError = EFBIG;
    return false;
  }
  mLayer->Core().TakeDiskError();
  if (!mLayer->Core().WriteAt(mHandle, VHFSVolume::kItemHeaderSize + mPosition, buffer, count))
    return Failed();
  mPosition += uint64_t(count);
  if (mPosition > mLength) mLength = mPosition;
  return true;
}

// No data byte can lie there: refused, as a host file refuses an impossible length.
bool VFile::PastTheLimit(uint64_t place) {
  if (place <= kDataLimit) return false;
  lastError = EINVAL;
  return true;
}

bool VFile::SetPosition(uint64_t position) {
  if (mHandle < 0 || PastTheLimit(position)) return false;
  mPosition = position;
  return true;
}

bool VFile::SetLength(uint64_t length) {
  if (mHandle < 0 || PastTheLimit(length)) return false;
  mLayer->Core().TakeDiskError();
  if (length < mLength &&
      !mLayer->Core().ZeroRange(mHandle, VHFSVolume::kItemHeaderSize + length,
                                VHFSVolume::kItemHeaderSize + mLength))
    return Failed();
  mLength = length;
  return true;
}

void VFile::Flush() {
  if (mHandle < 0) return;
  mLayer->Core().TakeDiskError();
  const bool written = mLayer->WriteLength(mHandle, mLength);
  if (!mLayer->Core().Flush() || !written) Failed();
}

// The error is taken before the volume goes: the last reference may be this file's. The map is
// written back too: the blocks the file grew by are on disk with what says whose they are.
bool VFile::Close() {
  if (mHandle < 0) return false;
  mLayer->Core().TakeDiskError();
  const bool written = mLayer->WriteLength(mHandle, mLength);
  mLayer->Core().CloseFile(mHandle);
  const bool closed = mLayer->Core().Flush() && written;
  if (!closed) Failed();
  mHandle = -1;
  RuntimeObject* volume = mVolume;
  mVolume = nullptr;
  if (volume) RuntimeUnlockObject(volume);
  return closed;
}
