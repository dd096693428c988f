#include "strings/SkipTableSearch.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kLargestShift = 255;

}  // namespace

// Entry h: the smallest distance from a pattern pair hashing to h (bytes j - 1 and j, j >= 1)
// to the pattern's end, capped at 255; a pair that hashes to no pattern pair lets the pattern
// move its whole length less one. The final pair's entries are 0: there the text is compared,
// and a mismatch moves by the final pair's distance from its nearest other occurrence.
SkipTableSearch::SkipTableSearch(const unsigned char* pattern, int32_t m, const uint8_t* upper,
                                 const uint8_t* lower)
    : mPattern(pattern), mLength(m), mUpper(upper), mLower(lower) {
  std::memset(mShift, std::min(m - 1, kLargestShift), sizeof mShift);
  for (int32_t j = 1; j < m - 1; ++j)
    NotePair(j, static_cast<uint8_t>(std::min(m - 1 - j, kLargestShift)));
  mShiftAfterMismatch = m - 1;
  unsigned char a = pattern[m - 2], b = pattern[m - 1];
  const unsigned char firsts[2] = {a, lower ? lower[a] : a}, seconds[2] = {b, lower ? lower[b] : b};
  for (unsigned char x : firsts) {
    for (unsigned char y : seconds) mShiftAfterMismatch = std::min<int32_t>(mShiftAfterMismatch, mShift[PairHash(x, y)]);
  }
  NotePair(m - 1, 0);
}

// Later pairs are nearer the end, so each entry only ever shrinks.
void SkipTableSearch::NotePair(int32_t j, uint8_t shift) {
  unsigned char a = mPattern[j - 1], b = mPattern[j];
  mShift[PairHash(a, b)] = shift;
  if (!mLower) return;
  mShift[PairHash(mLower[a], b)] = shift;
  mShift[PairHash(a, mLower[b])] = shift;
  mShift[PairHash(mLower[a], mLower[b])] = shift;
}

bool SkipTableSearch::MatchesAt(const unsigned char* start) const {
  if (!mUpper) return std::memcmp(start, mPattern, static_cast<size_t>(mLength)) == 0;
  for (int32_t j = 0; j < mLength; ++j) {
    if (mUpper[start[j]] != mPattern[j]) return false;
  }
  return true;
}

int32_t SkipTableSearch::Find(const unsigned char* text, int32_t n) const {
  const int32_t m = mLength;
  const uint8_t absent = static_cast<uint8_t>(std::min(m - 1, kLargestShift));  // at least 1
  int32_t i = m - 1;  // the text byte under the pattern's end
  while (i < n) {
    // A pair the pattern lacks moves by a constant, so the next load does not wait for this one.
    uint8_t k;
    while ((k = mShift[PairHash(text[i - 1], text[i])]) == absent) {
      i += absent;
      if (i >= n) return -1;
    }
    if (k != 0) {
      i += k;
      continue;
    }
    if (MatchesAt(text + i - (m - 1))) return i - (m - 1);
    i += mShiftAfterMismatch;
  }
  return -1;
}
