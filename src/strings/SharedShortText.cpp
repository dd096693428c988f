#include "strings/SharedShortText.h"

namespace shared_short_text {

stringStorage* gUTF8Bytes[256];
Kept gKept[kSlots];

}  // namespace shared_short_text

using namespace shared_short_text;

// Makes the record and keeps a reference to it, in place of the text kept in its slot.
stringStorage* SharedShortText(const unsigned char* bytes, int32_t n, TextEncoding encoding) {
  if (stringStorage* kept = KeptShortText(bytes, n, encoding)) return kept;
  string made = string::FromBytes(bytes, n, encoding);
  if (made.IsEmpty()) return nullptr;
  if (n == 1 && encoding == kEncodingUTF8) {
    gUTF8Bytes[bytes[0]] = made.ExtractStringStorage();
  } else {
    uint32_t packed = 0;
    for (int32_t i = 0; i < n; ++i) packed |= uint32_t{bytes[i]} << (8 * i);
    Kept& slot = SlotOf(packed, encoding);
    stringStorage::RemoveReference(slot.record);
    slot = {packed, n, encoding, made.ExtractStringStorage()};
  }
  return std::move(made).ExtractStringStorage();
}
