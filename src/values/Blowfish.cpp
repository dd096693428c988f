#include "values/Blowfish.h"

#include <cstring>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/ExceptionClasses.h"
#include "core/Export.h"
#include "values/MemoryBlock.h"
#include "core/RaiseException.h"
#include "core/RuntimeError.h"
#include "core/Startup.h"
#include "strings/RuntimeString.h"

namespace {

#include "values/BlowfishTables.inc"

using namespace lang;

const MethodRow kBlowfishMethods[] = {
    QV_SUB("Constructor", BlowfishInitialize, Param("init", String)),
    QV_SUB("Encipher", BlowfishEncipher, Param("xl", Integer).ByRef(),
           Param("xr", Integer).ByRef()),
    QV_SUB("Encipher", BlowfishEncipherByBlock, Param("block", Class<"MemoryBlock">)),
    QV_SUB("Decipher", BlowfishDecipher, Param("xl", Integer).ByRef(),
           Param("xr", Integer).ByRef()),
    QV_SUB("Decipher", BlowfishDecipherByBlock, Param("block", Class<"MemoryBlock">)),
};

enum class Direction { kEncipher, kDecipher };

inline uint32_t Round(const BlowfishObject* c, uint32_t x) {
  return ((c->s[0][x >> 24] + c->s[1][(x >> 16) & 0xFF]) ^ c->s[2][(x >> 8) & 0xFF]) +
         c->s[3][x & 0xFF];
}

// The next four key bytes, first byte most significant, taken cyclically.
uint32_t NextKeyWord(const uint8_t* key, int32_t length, int32_t& position) {
  uint32_t word = 0;
  for (int i = 0; i < 4; ++i) {
    word = (word << 8) | key[position];
    position = (position + 1) % length;
  }
  return word;
}

void Key(BlowfishObject* c, const uint8_t* key, int32_t length) {
  int32_t position = 0;
  for (int i = 0; i < 18; ++i) c->p[i] = kInitialP[i] ^ NextKeyWord(key, length, position);
  std::memcpy(c->s, kInitialS, sizeof c->s);
  uint32_t left = 0, right = 0;
  for (int i = 0; i < 18; i += 2) {
    BlowfishEncipherBlock(c, left, right);
    c->p[i] = left;
    c->p[i + 1] = right;
  }
  for (auto& box : c->s) {
    for (int i = 0; i < 256; i += 2) {
      BlowfishEncipherBlock(c, left, right);
      box[i] = left;
      box[i + 1] = right;
    }
  }
}

// An unkeyed object is refused with an exception before anything is touched.
bool CheckKeyed(const BlowfishObject* cipher) {
  if (!cipher) {
    RaiseNilObjectException();
    return false;
  }
  if (BlowfishHasKey(cipher)) return true;
  RaiseNewExceptionWithMessage(RuntimeExceptionDefinition(),
                               string("The Blowfish cipher has no key").Storage(), 0);
  return false;
}

uint32_t LoadWord(const uint8_t* at, bool littleEndian) {
  uint32_t word;
  std::memcpy(&word, at, sizeof word);
  return littleEndian ? word : __builtin_bswap32(word);
}

void StoreWord(uint8_t* at, uint32_t word, bool littleEndian) {
  if (!littleEndian) word = __builtin_bswap32(word);
  std::memcpy(at, &word, sizeof word);
}

// Processes every 8 bytes of the block in place: the two halves as its Long values at o and
// o + 4 give them, in the block's own byte order.
void ProcessBlock(BlowfishObject* cipher, MemoryBlockObject* block, Direction direction) {
  if (!CheckKeyed(cipher)) return;
  if (!block || !block->data) return;
  if (block->size % 8 != 0) {
    const char* message = direction == Direction::kEncipher
                              ? "The data being encrypted must be in multiples of 8 bytes"
                              : "The data being decrypted must be in multiples of 8 bytes";
    RaiseNewExceptionWithMessage(UnsupportedFormatExceptionDefinition(),
                                 string(message).Storage(), 0);
    return;
  }
  uint8_t* bytes = MemoryBlockBytesAt(block, 0, block->size);
  if (!bytes) return;
  const bool littleEndian = block->littleEndian != 0;
  for (int32_t o = 0; o < block->size; o += 8) {
    uint32_t left = LoadWord(bytes + o, littleEndian);
    uint32_t right = LoadWord(bytes + o + 4, littleEndian);
    if (direction == Direction::kEncipher) {
      BlowfishEncipherBlock(cipher, left, right);
    } else {
      BlowfishDecipherBlock(cipher, left, right);
    }
    StoreWord(bytes + o, left, littleEndian);
    StoreWord(bytes + o + 4, right, littleEndian);
  }
}

}  // namespace

QV_CLASS(BlowfishClassDefinition,
         .name = "_Blowfish",
         .objectSize = sizeof(BlowfishObject),
         .methods = kBlowfishMethods)
QV_STARTUP_CLASS(kStartupBlowfishClass, BlowfishClassDefinition)

bool BlowfishHasKey(const BlowfishObject* cipher) {
  for (uint32_t word : cipher->p) {
    if (word) return true;
  }
  return false;
}

void BlowfishEncipherBlock(const BlowfishObject* c, uint32_t& left, uint32_t& right) {
  uint32_t l = left, r = right;
  for (int i = 0; i < 16; i += 2) {
    l ^= c->p[i];
    r ^= Round(c, l);
    r ^= c->p[i + 1];
    l ^= Round(c, r);
  }
  left = r ^ c->p[17];
  right = l ^ c->p[16];
}

void BlowfishDecipherBlock(const BlowfishObject* c, uint32_t& left, uint32_t& right) {
  uint32_t l = left, r = right;
  for (int i = 17; i > 1; i -= 2) {
    l ^= c->p[i];
    r ^= Round(c, l);
    r ^= c->p[i - 1];
    l ^= Round(c, r);
  }
  left = r ^ c->p[0];
  right = l ^ c->p[1];
}

extern "C" {

// The key is the text up to its first NUL, at most 72 bytes of it. An empty key leaves the
// object without a key (all zero), whatever it held before.
void BlowfishInitialize(BlowfishObject* cipher, stringStorage* key) {
  if (!cipher) return;
  std::memset(cipher->s, 0, sizeof cipher->s);
  std::memset(cipher->p, 0, sizeof cipher->p);
  const char* text = stringStorage::CString(key);
  const size_t length = strnlen(text, kBlowfishMaxKeyBytes);
  if (!QV_CHECK_TEXT(length > 0, "initStr", "Cannot initialize blowfish with an empty string")) {
    return;
  }
  Key(cipher, reinterpret_cast<const uint8_t*>(text), static_cast<int32_t>(length));
}
QV_EXPORT(BlowfishInitialize)

void BlowfishEncipher(BlowfishObject* cipher, int32_t* left, int32_t* right) {
  if (!CheckKeyed(cipher) || !left || !right) return;
  uint32_t l = static_cast<uint32_t>(*left), r = static_cast<uint32_t>(*right);
  BlowfishEncipherBlock(cipher, l, r);
  *left = static_cast<int32_t>(l);
  *right = static_cast<int32_t>(r);
}
QV_EXPORT(BlowfishEncipher)

void BlowfishDecipher(BlowfishObject* cipher, int32_t* left, int32_t* right) {
  if (!CheckKeyed(cipher) || !left || !right) return;
  uint32_t l = static_cast<uint32_t>(*left), r = static_cast<uint32_t>(*right);
  BlowfishDecipherBlock(cipher, l, r);
  *left = static_cast<int32_t>(l);
  *right = static_cast<int32_t>(r);
}
QV_EXPORT(BlowfishDecipher)

void BlowfishEncipherByBlock(BlowfishObject* cipher, MemoryBlockObject* block) {
  ProcessBlock(cipher, block, Direction::kEncipher);
}
QV_EXPORT(BlowfishEncipherByBlock)

void BlowfishDecipherByBlock(BlowfishObject* cipher, MemoryBlockObject* block) {
  ProcessBlock(cipher, block, Direction::kDecipher);
}
QV_EXPORT(BlowfishDecipherByBlock)

}  // extern "C"
