// Blowfish: the "_Blowfish" language class, the 64-bit block cipher as its designer published
// it (16 rounds, an 18-word P-array and four 256-word S-boxes initialised from the digits of
// pi, the published key schedule), used block by block: no chaining, no padding.
//
// An object holds no key until it is keyed with a non-empty key; until then (all zero) it
// refuses to encipher or decipher, so that no data is ever "enciphered" with the zero state.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct MemoryBlockObject;
struct stringStorage;

struct BlowfishObject {
  RuntimeObject header;
  uint32_t s[4][256];
  uint32_t p[18];
};
static_assert(offsetof(BlowfishObject, s) == 24, "BlowfishObject layout");
static_assert(offsetof(BlowfishObject, p) == 24 + 4096, "BlowfishObject layout");
static_assert(sizeof(BlowfishObject) == 24 + 4096 + 72, "BlowfishObject layout");

// The key bytes that count: up to the first NUL, and at most this many.
constexpr int32_t kBlowfishMaxKeyBytes = 72;

ObjectDefinition* BlowfishClassDefinition();

// True once the object holds a key.
bool BlowfishHasKey(const BlowfishObject* cipher);
// One block, left half and right half, in place.
void BlowfishEncipherBlock(const BlowfishObject* cipher, uint32_t& left, uint32_t& right);
void BlowfishDecipherBlock(const BlowfishObject* cipher, uint32_t& left, uint32_t& right);

extern "C" {
void BlowfishInitialize(BlowfishObject* cipher, stringStorage* key);
void BlowfishEncipher(BlowfishObject* cipher, int32_t* left, int32_t* right);
void BlowfishDecipher(BlowfishObject* cipher, int32_t* left, int32_t* right);
// Every 8 bytes of the block in place, each half read in the block's own byte order.
void BlowfishEncipherByBlock(BlowfishObject* cipher, MemoryBlockObject* block);
void BlowfishDecipherByBlock(BlowfishObject* cipher, MemoryBlockObject* block);
}
