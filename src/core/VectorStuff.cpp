#include "core/VectorStuff.h"

#include <cstring>

bool VectorStuffScalarImp::ContainsOnlyLowBytes(const unsigned char* bytes,
                                                int32_t length) const {
  if (length <= 0) return true;
  // Four bytes per step: any high bit in the word means a byte of 0x80 or more.
  int32_t i = 0;
  for (; i + 4 <= length; i += 4) {
    uint32_t word;
    std::memcpy(&word, bytes + i, sizeof word);
    if (word & 0x80808080u) return false;
  }
  for (; i < length; ++i) {
    if (bytes[i] & 0x80) return false;
  }
  return true;
}

VectorStuffImp* VectorStuff() {
  // Leaked on purpose: strings may ask during static destruction.
  static VectorStuffImp* const instance = new VectorStuffScalarImp();
  return instance;
}
