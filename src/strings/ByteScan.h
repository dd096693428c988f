// Finding the places of one byte, or of either of two (a letter in both cases), in a text:
// sixteen bytes a step where the processor has SSE2, each place then a few instructions. The
// one-byte searches of ReplaceAll meet a match at nearly every byte in the worst case, so a
// call per match (memchr) would cost more than the copying it serves; short patterns are found
// by their first and last bytes together.
#pragma once

#include <immintrin.h>

#include <cstdint>
#include <cstring>

// The byte values looked for: one value (both the same) or two.
struct BytePair {
  uint8_t first;
  uint8_t second;
  bool Holds(uint8_t c) const { return c == first || c == second; }
};

bool ProcessorHasSSE2();

// Places of either byte among the n bytes of text.
int32_t CountBytePair(const unsigned char* text, int32_t n, BytePair pair);

// Offset of the first place of either byte among the n bytes of text, or -1.
int32_t FindBytePair(const unsigned char* text, int32_t n, BytePair pair);

// Offset of the first place p (p + distance below n) where first holds text[p] and last holds
// text[p + distance], or -1: the ends of a short pattern, which together rarely match by chance.
int32_t FindBytePairsApart(const unsigned char* text, int32_t n, BytePair first, BytePair last,
                           int32_t distance);

namespace bytescan {

// Bit i set when byte i of the sixteen at at is either byte.
[[gnu::target("sse2")]] inline uint32_t PairMask(const unsigned char* at, __m128i first,
                                                 __m128i second) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second));
  return static_cast<uint32_t>(_mm_movemask_epi8(hits));
}

template <typename Visit>
void VisitBytePairPortable(const unsigned char* text, int32_t from, int32_t n, BytePair pair,
                           Visit& visit) {
  for (int32_t i = from; i < n; ++i) {
    if (pair.Holds(text[i])) visit(i);
  }
}

template <typename Visit>
[[gnu::target("sse2")]] void VisitBytePairSSE2(const unsigned char* text, int32_t n,
                                               BytePair pair, Visit& visit) {
  const __m128i first = _mm_set1_epi8(static_cast<char>(pair.first));
  const __m128i second = _mm_set1_epi8(static_cast<char>(pair.second));
  int32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    for (uint32_t mask = PairMask(text + i, first, second); mask; mask &= mask - 1)
      visit(i + __builtin_ctz(mask));
  }
  VisitBytePairPortable(text, i, n, pair, visit);
}

}  // namespace bytescan

// Calls visit(offset) for every place of either byte among the n bytes of text, in order.
template <typename Visit>
void ForEachBytePair(const unsigned char* text, int32_t n, BytePair pair, Visit visit) {
  if (ProcessorHasSSE2()) {
    bytescan::VisitBytePairSSE2(text, n, pair, visit);
  } else {
    bytescan::VisitBytePairPortable(text, 0, n, pair, visit);
  }
}
