#include "files/DataFile.h"

bool DataFile::Read(void*, int32_t, int32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  return false;
}

bool DataFile::Write(const void*, int32_t) { return false; }

bool DataFile::IsEOF() {
  return static_cast<uint64_t>(GetPosition()) >= static_cast<uint64_t>(GetLength());
}

bool DataFile::SetPosition(uint64_t) { return false; }

bool DataFile::SetLength(uint64_t) { return false; }

bool DataFile::OpenForWriting(const string&) { return false; }

bool DataFile::Open(const string&, int32_t) { return false; }

bool DataFile::OpenDescriptor(intptr_t, int32_t) { return false; }

bool DataFile::CreateTemporary(const string&) { return false; }
