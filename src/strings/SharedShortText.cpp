#include "strings/SharedShortText.h"

namespace {

// A small table indexed by a hash of the bytes; a new text takes its slot over.
struct Kept {
  uint32_t bytes = 0;  // the text, first byte lowest, unused bytes 0
  int32_t length = 0;
  TextEncoding encoding = 0;
  stringStorage* record = nullptr;  // one reference owned here
};
constexpr uint32_t kSlots = 256;
Kept gKept[kSlots];

}  // namespace

stringStorage* SharedShortText(const unsigned char* bytes, int32_t n, TextEncoding encoding) {
  uint32_t packed = 0;
  for (int32_t i = 0; i < n; ++i) packed |= uint32_t{bytes[i]} << (8 * i);
  Kept& slot = gKept[((packed ^ encoding) * 2654435761u) >> 24];
  if (slot.record && slot.bytes == packed && slot.length == n && slot.encoding == encoding) {
    stringStorage::AddReference(slot.record);
    return slot.record;
  }
  string made = string::FromBytes(bytes, n, encoding);
  stringStorage::RemoveReference(slot.record);
  slot = {packed, n, encoding, made.ExtractStringStorage()};
  return std::move(made).ExtractStringStorage();
}
