#include "app/ProbedMemory.h"

#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

namespace {

constexpr uint32_t kPageSize = 4096;

bool gUseMappings = false;

// The n bytes from address lie in the 32-bit address space.
bool RangeFits(uintptr_t address, uint32_t size) {
  return uint64_t(address) + size <= uint64_t(UINTPTR_MAX) + 1;
}

// Whether every byte of [address, address + size) lies in a mapping whose permissions hold
// access ('r' or 'w'), according to /proc/self/maps (sorted by address).
bool MappedWith(uintptr_t address, uint32_t size, char access) {
  // The process's own map, read line by line past the opener: a file of /proc never waits.
  std::FILE* maps = std::fopen("/proc/self/maps", "re");
  if (!maps) return false;
  uint64_t next = address;
  const uint64_t end = uint64_t(address) + size;
  char* line = nullptr;
  size_t capacity = 0;
  while (next < end && getline(&line, &capacity, maps) > 0) {
    unsigned long long from = 0, to = 0;
    char permissions[5] = {};
    if (std::sscanf(line, "%llx-%llx %4s", &from, &to, permissions) != 3) break;
    if (to <= next) continue;
    const bool allowed = std::strchr(permissions, access) != nullptr;
    if (from > next || !allowed) break;
    next = to;
  }
  std::free(line);
  std::fclose(maps);
  return next >= end;
}

// Both kernel calls say ENOSYS or EPERM where they are refused rather than the address bad.
bool Refused(int error) { return error == ENOSYS || error == EPERM; }

bool CopyThroughKernel(uintptr_t address, void* buffer, uint32_t size, bool write) {
  iovec local{buffer, size};
  iovec remote{reinterpret_cast<void*>(address), size};
  const ssize_t done = write ? process_vm_writev(getpid(), &local, 1, &remote, 1, 0)
                             : process_vm_readv(getpid(), &local, 1, &remote, 1, 0);
  if (done == ssize_t(size)) return true;
  if (done < 0 && Refused(errno)) gUseMappings = true;
  return false;
}

bool Copy(uintptr_t address, void* buffer, uint32_t size, bool write) {
  if (size == 0) return true;
  if (!RangeFits(address, size)) return false;
  if (!gUseMappings && CopyThroughKernel(address, buffer, size, write)) return true;
  if (!gUseMappings) return false;
  if (!MappedWith(address, size, write ? 'w' : 'r')) return false;
  if (write) {
    std::memcpy(reinterpret_cast<void*>(address), buffer, size);
  } else {
    std::memcpy(buffer, reinterpret_cast<const void*>(address), size);
  }
  return true;
}

}  // namespace

bool ReadOwnMemory(uintptr_t address, void* out, uint32_t size) {
  return Copy(address, out, size, false);
}

bool WriteOwnMemory(uintptr_t address, const void* in, uint32_t size) {
  return Copy(address, const_cast<void*>(in), size, true);
}

// Page by page after a failed whole read, so that the readable run before a hole is kept.
uint32_t ReadOwnMemoryPrefix(uintptr_t address, void* out, uint32_t size) {
  if (ReadOwnMemory(address, out, size)) return size;
  uint32_t done = 0;
  while (done < size) {
    const uint64_t at = uint64_t(address) + done;
    const uint32_t chunk = uint32_t(std::min<uint64_t>(size - done, kPageSize - at % kPageSize));
    if (!ReadOwnMemory(uintptr_t(at), static_cast<uint8_t*>(out) + done, chunk)) break;
    done += chunk;
  }
  return done;
}

bool IsLiveObject(uintptr_t address) {
  if (!address) return false;
  for (RuntimeObject* object = FirstLiveObject(); object; object = object->nextObject) {
    if (reinterpret_cast<uintptr_t>(object) == address) return true;
  }
  return false;
}

bool IsReadable(uintptr_t address, uint32_t size) {
  if (size == 0) return true;
  if (!RangeFits(address, size)) return false;
  uint8_t probe;
  const uint64_t end = uint64_t(address) + size;
  for (uint64_t at = address; at < end; at = (at / kPageSize + 1) * kPageSize) {
    if (!ReadOwnMemory(uintptr_t(at), &probe, 1)) return false;
  }
  return true;
}

bool IsStringRecord(uintptr_t address) {
  stringStorage header;
  if (!address || !ReadOwnMemory(address, &header, sizeof header)) return false;
  const uintptr_t dataArea = address + sizeof header;
  if (header.refCount == 0 || reinterpret_cast<uintptr_t>(header.data) != dataArea) return false;
  if (header.length > kMaxStringLength || header.capacity < header.length + 2) return false;
  // The length byte, the text and the NUL are read when the string is.
  return IsReadable(dataArea, header.length + 2);
}

void UseMappingsForMemoryChecks(bool useMappings) { gUseMappings = useMappings; }
