// The skip-table search behind every long byte search: a table, built per search, of how far
// the pattern may move for each pair of text bytes under its end. Pairs skip much further than
// single bytes in text whose letters the pattern shares, and the table is small enough (256
// one-byte entries) to build for every search, so searches nest and repeat freely.
#pragma once

#include <cstdint>

class SkipTableSearch {
 public:
  // pattern (m >= 2 bytes) must outlive the search. With upper set, pattern holds upper-case
  // bytes and text bytes are folded through upper before they are compared; they are hashed
  // folded too, so the table holds the pattern's own pairs only and stays as sparse as for
  // exact bytes.
  SkipTableSearch(const unsigned char* pattern, int32_t m, const uint8_t* upper);

  // Offset of the first match in the n bytes of text, or -1.
  int32_t Find(const unsigned char* text, int32_t n) const;

 private:
  // Adding rather than xoring lets the overlapping bits carry, which separates more pairs of
  // letters: fewer false stops in the skip loop, each a mispredicted branch.
  static uint32_t PairHash(unsigned char first, unsigned char second) {
    return ((first << 3) + second) & 0xFF;
  }
  unsigned char HashByte(unsigned char c) const {
    return mHashThroughUpper ? mUpper[c] : c & mHashMask;
  }
  template <bool kFoldThroughTable>
  int32_t FindIn(const unsigned char* text, int32_t n) const;
  void NotePair(int32_t j, uint8_t back);
  bool MatchesAt(const unsigned char* start) const;

  const unsigned char* mPattern;
  int32_t mLength;
  const uint8_t* mUpper;
  uint8_t mHashMask;  // bits of a byte that the pair hash reads
  bool mHashThroughUpper;
  int32_t mStep;
  int32_t mShiftAfterMismatch;
  uint8_t mBack[256];
};
