// DataFile: the byte I/O mechanism over a file of the host. This portable class adds the ways
// to open one (a path for reading, for reading and writing, or to create; a stdio stream or
// descriptor the application already holds; a temporary file) and answers every operation with
// failure until a platform class takes over; Create makes the platform's one (UnixDataFile).
//
// Positions and lengths are 64-bit throughout. A failure leaves the host's error number in
// lastError (only the failing call's, never one left over from an earlier call).
#pragma once

#include <cstdint>

#include "files/RandomAccessMechanism.h"

// Permissions of Open.
constexpr int32_t kDataFileReadOnly = 1;
constexpr int32_t kDataFileReadWrite = 3;

class DataFile : public RandomAccessMechanism {
 public:
  // A new platform data file with nothing open, owned by the caller; nil when memory is short.
  static DataFile* Create();

  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override;
  bool Write(const void* buffer, int32_t count) override;
  bool Close() override { return false; }
  // Position at or past the length, both through the virtual operations, compared unsigned: a
  // data file with nothing open (both -1) is at its end.
  bool IsEOF() override;
  bool SetPosition(uint64_t position) override;
  int64_t GetLength() override { return -1; }
  bool SetLength(uint64_t length) override;
  int64_t GetPosition() override { return -1; }

  // Creates or empties path, readable and writable.
  virtual bool OpenForWriting(const string& path);
  // An existing file, kDataFileReadOnly or kDataFileReadWrite.
  virtual bool Open(const string& path, int32_t permission);
  // A stdio stream (kHandleTypeFilePointer) or a descriptor (kHandleTypeFileNumber) the caller
  // hands over: Close closes it.
  virtual bool OpenDescriptor(intptr_t value, int32_t kind);
  // "" gives an anonymous file, gone when closed; a plain name a file of that name in the
  // temporary folder ($TMPDIR, else /tmp), left there after Close.
  virtual bool CreateTemporary(const string& name);
  // Closes the file and forgets it.
  virtual void CloseFile() {}
  virtual void Reserved19() {}  // keeps the slot order of the platform classes
  // Pushes buffered data out (through Flush).
  virtual void Sync() { Flush(); }
  // An existing file to add to: positioned at its end when it seeks; one that does not (a FIFO,
  // a device) is opened for writing only, and a FIFO without a reader is refused (ENXIO).
  virtual bool OpenForAppending(const string&) { return false; }
};
