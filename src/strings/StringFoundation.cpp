#include "strings/StringFoundation.h"

#include <cstdlib>
#include <cstring>

#include "core/BinaryStrings.h"
#include "core/Export.h"
#include "core/IntMap.h"
#include "core/RuntimeError.h"
#include "strings/TextEncoding.h"

namespace {

// Lock counts of the buffers StringToWString handed out, keyed by address.
IntMap<long>& WStringLocks() {
  static IntMap<long> locks;
  return locks;
}

int32_t Key(const uint16_t* buffer) {
  return static_cast<int32_t>(reinterpret_cast<uintptr_t>(buffer));
}

// A string of length bytes at address, with no encoding; checked before anything is read.
stringStorage* BytesAsString(const unsigned char* address, int64_t length) {
  if (length == 0) return nullptr;
  if (!QV_CHECK(address) || !QV_CHECK(length > 0)) return nullptr;
  return string::FromBytes(address, length, kEncodingNone).ExtractStringStorage();
}

}  // namespace

extern "C" stringStorage* RuntimeLockString(stringStorage* s) {
  stringStorage::AddReference(s);
  return s;
}
QV_EXPORT(RuntimeLockString)

void ReleaseStringRecord(stringStorage* s) { stringStorage::RemoveReference(s); }

extern "C" void RuntimeLockUnlockStrings(stringStorage* newString, stringStorage* oldString) {
  if (newString == oldString) return;
  stringStorage::AddReference(newString);
  stringStorage::RemoveReference(oldString);
}
QV_EXPORT(RuntimeLockUnlockStrings)

extern "C" stringStorage* RuntimeAddString(stringStorage* a, stringStorage* b) {
  return (string(a) + string(b)).ExtractStringStorage();
}
QV_EXPORT(RuntimeAddString)

extern "C" stringStorage* RuntimeGetStructureString(int32_t offset, const unsigned char* base,
                                                    int32_t length) {
  if (length == 0) return nullptr;
  if (!QV_CHECK(offset >= 0) || !QV_CHECK(base) || !QV_CHECK(length > 0)) return nullptr;
  const unsigned char* field = base + offset;
  // Only the zero bytes at the end of the field go; those inside the text stay.
  int32_t used = length;
  while (used > 0 && field[used - 1] == 0) --used;
  return BytesAsString(field, used);
}
QV_EXPORT(RuntimeGetStructureString)

extern "C" void RuntimeSetStructureString(unsigned char* base, int32_t offset, int32_t length,
                                          stringStorage* s) {
  if (length == 0) return;
  if (!QV_CHECK(offset >= 0) || !QV_CHECK(base) || !QV_CHECK(length > 0)) return;
  unsigned char* field = base + offset;
  int32_t copied = stringStorage::Length(s) < length ? stringStorage::Length(s) : length;
  if (copied) std::memcpy(field, stringStorage::PString(s) + 1, static_cast<size_t>(copied));
  std::memset(field + copied, 0, static_cast<size_t>(length - copied));
}
QV_EXPORT(RuntimeSetStructureString)

extern "C" stringStorage* RuntimeGetStructureContents(const unsigned char* address,
                                                      int32_t length) {
  return BytesAsString(address, length);
}
QV_EXPORT(RuntimeGetStructureContents)

extern "C" const unsigned char* StringToPString(stringStorage* s) {
  return stringStorage::PString(s);
}
QV_EXPORT(StringToPString)

extern "C" const char* StringToCString(stringStorage* s) { return stringStorage::CString(s); }
QV_EXPORT(StringToCString)

extern "C" uint32_t StringToOSType(stringStorage* s) {
  string roman = ConvertEncoding(string(s), kEncodingMacRoman);
  if (roman.IsEmpty()) return 0x3F3F3F3Fu;  // '????'
  uint32_t code = 0;
  for (int32_t i = 0; i < 4; ++i) {
    uint32_t byte = i < roman.Length() ? roman.Bytes()[i] : 0;
    code = (code << 8) | byte;
  }
  return code;
}
QV_EXPORT(StringToOSType)

extern "C" stringStorage* StringFromPString(const unsigned char* text) {
  if (!text) return nullptr;
  return string::FromBytes(text + 1, text[0], kEncodingASCII).ExtractStringStorage();
}
QV_EXPORT(StringFromPString)

extern "C" stringStorage* StringFromCString(const char* text) {
  if (!text) return nullptr;
  return string::FromBytes(text, static_cast<int64_t>(std::strlen(text)), kEncodingASCII)
      .ExtractStringStorage();
}
QV_EXPORT(StringFromCString)

extern "C" stringStorage* StringFromOSType(uint32_t code) {
  return FourCharCodeToString(code).ExtractStringStorage();
}
QV_EXPORT(StringFromOSType)

extern "C" stringStorage* StringFromWString(const uint32_t* text) {
  if (!text) return nullptr;
  int64_t n = 0;
  while (text[n] != 0) ++n;
  string s;
  s.ConstructFromWString(text, n);
  return s.ExtractStringStorage();
}
QV_EXPORT(StringFromWString)

extern "C" uint16_t* StringToWString(stringStorage* s) {
  string wide = ConvertEncoding(string(s), kEncodingUnicode16);
  // A string that could not be converted gives an empty buffer, not bytes in another encoding.
  int32_t length = IsUnicode16Encoding(wide.Encoding()) ? wide.Length() : 0;
  auto* buffer = static_cast<uint16_t*>(std::calloc(static_cast<size_t>(length) + 2, 1));
  if (!QV_CHECK(buffer)) return nullptr;
  if (length) std::memcpy(buffer, wide.Bytes(), static_cast<size_t>(length));
  WStringLocks().AddEntry(Key(buffer), 1);
  return buffer;
}
QV_EXPORT(StringToWString)

extern "C" void LockWString(uint16_t* buffer) {
  long count = 0;
  if (!buffer || !WStringLocks().GetEntry(Key(buffer), &count)) return;
  WStringLocks().AddEntry(Key(buffer), count + 1);
}
QV_EXPORT(LockWString)

extern "C" void UnlockWString(uint16_t* buffer) {
  long count = 0;
  if (!buffer || !WStringLocks().GetEntry(Key(buffer), &count)) return;
  if (count - 1 >= 1) {
    WStringLocks().AddEntry(Key(buffer), count - 1);
    return;
  }
  WStringLocks().RemoveEntry(Key(buffer));
  std::free(buffer);
}
QV_EXPORT(UnlockWString)

extern "C" void SwapWStringLocks(uint16_t* lockBuffer, uint16_t* unlockBuffer) {
  LockWString(lockBuffer);
  UnlockWString(unlockBuffer);
}
QV_EXPORT(SwapWStringLocks)

int32_t WStringLockCount(const uint16_t* buffer) {
  long count = 0;
  return buffer && WStringLocks().GetEntry(Key(buffer), &count) ? static_cast<int32_t>(count) : 0;
}

extern "C" void LockCFString(void*) {}
QV_EXPORT(LockCFString)

extern "C" void UnlockCFString(void*) {}
QV_EXPORT(UnlockCFString)

extern "C" void SwapCFStringLocks(void*, void*) {}
QV_EXPORT(SwapCFStringLocks)

extern "C" void* StringToCFString(stringStorage*) { return nullptr; }
QV_EXPORT(StringToCFString)

extern "C" stringStorage* StringFromCFString(void*) { return nullptr; }
QV_EXPORT(StringFromCFString)
