#include "strings/ByteScan.h"

namespace {

// Each byte's count of hits goes up by at most one a round; they are summed before any can
// pass 255.
[[gnu::target("sse2")]] int32_t CountBytePairSSE2(const unsigned char* text, int32_t n,
                                                  BytePair pair) {
  constexpr int32_t kRoundsPerSum = 255;
  const __m128i first = _mm_set1_epi8(static_cast<char>(pair.first));
  const __m128i second = _mm_set1_epi8(static_cast<char>(pair.second));
  const __m128i zero = _mm_setzero_si128();
  int32_t count = 0, blocks = n / 16;
  const unsigned char* p = text;
  while (blocks > 0) {
    int32_t rounds = blocks < kRoundsPerSum ? blocks : kRoundsPerSum;
    blocks -= rounds;
    __m128i sums = zero;
    for (; rounds > 0; --rounds, p += 16) {
      __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
      __m128i hits = _mm_or_si128(_mm_cmpeq_epi8(bytes, first), _mm_cmpeq_epi8(bytes, second));
      sums = _mm_sub_epi8(sums, hits);  // a hit is -1
    }
    __m128i total = _mm_sad_epu8(sums, zero);
    count += _mm_cvtsi128_si32(total) + _mm_cvtsi128_si32(_mm_srli_si128(total, 8));
  }
  for (; p < text + n; ++p) count += pair.Holds(*p);
  return count;
}

[[gnu::target("sse2")]] int32_t FindBytePairSSE2(const unsigned char* text, int32_t n,
                                                 BytePair pair) {
  const __m128i first = _mm_set1_epi8(static_cast<char>(pair.first));
  const __m128i second = _mm_set1_epi8(static_cast<char>(pair.second));
  int32_t i = 0;
  for (; i + 16 <= n; i += 16) {
    uint32_t mask = bytescan::PairMask(text + i, first, second);
    if (mask) return i + __builtin_ctz(mask);
  }
  for (; i < n; ++i) {
    if (pair.Holds(text[i])) return i;
  }
  return -1;
}

[[gnu::target("sse2")]] int32_t FindBytePairsApartSSE2(const unsigned char* text, int32_t n,
                                                       BytePair first, BytePair last,
                                                       int32_t distance) {
  const __m128i first1 = _mm_set1_epi8(static_cast<char>(first.first));
  const __m128i first2 = _mm_set1_epi8(static_cast<char>(first.second));
  const __m128i last1 = _mm_set1_epi8(static_cast<char>(last.first));
  const __m128i last2 = _mm_set1_epi8(static_cast<char>(last.second));
  int32_t i = 0;
  for (; i + distance + 16 <= n; i += 16) {
    uint32_t mask = bytescan::PairMask(text + i, first1, first2) &
                    bytescan::PairMask(text + i + distance, last1, last2);
    if (mask) return i + __builtin_ctz(mask);
  }
  for (; i + distance < n; ++i) {
    if (first.Holds(text[i]) && last.Holds(text[i + distance])) return i;
  }
  return -1;
}

// One byte: memchr, with the first bytes looked at in line, since fields and words are mostly
// short and for them the call costs more than the scan.
int32_t FindByte(const unsigned char* text, int32_t n, uint8_t byte) {
  constexpr int32_t kInlineScanBytes = 16;
  int32_t near = n < kInlineScanBytes ? n : kInlineScanBytes;
  for (int32_t i = 0; i < near; ++i) {
    if (text[i] == byte) return i;
  }
  if (n == near) return -1;
  const void* found = std::memchr(text + near, byte, static_cast<size_t>(n - near));
  return found ? static_cast<int32_t>(static_cast<const unsigned char*>(found) - text) : -1;
}

}  // namespace

bool ProcessorHasSSE2() {
  static const bool haveSSE2 = __builtin_cpu_supports("sse2");
  return haveSSE2;
}

int32_t CountBytePair(const unsigned char* text, int32_t n, BytePair pair) {
  if (ProcessorHasSSE2()) return CountBytePairSSE2(text, n, pair);
  int32_t count = 0;
  for (int32_t i = 0; i < n; ++i) count += pair.Holds(text[i]);
  return count;
}

int32_t FindBytePair(const unsigned char* text, int32_t n, BytePair pair) {
  if (pair.first == pair.second) return FindByte(text, n, pair.first);
  if (ProcessorHasSSE2()) return FindBytePairSSE2(text, n, pair);
  for (int32_t i = 0; i < n; ++i) {
    if (pair.Holds(text[i])) return i;
  }
  return -1;
}

int32_t FindBytePairsApart(const unsigned char* text, int32_t n, BytePair first, BytePair last,
                           int32_t distance) {
  if (ProcessorHasSSE2()) return FindBytePairsApartSSE2(text, n, first, last, distance);
  for (int32_t i = 0; i + distance < n; ++i) {
    if (first.Holds(text[i]) && last.Holds(text[i + distance])) return i;
  }
  return -1;
}
