#include "strings/SkipTableSearch.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kLargestStep = 255;

}  // namespace

// The search moves the pattern's end by mStep (its length less one, at most 255) whenever the
// text pair under it occurs nowhere in the pattern: entry 0. A pair that occurs ending at
// pattern byte j (j >= 1; the last occurrence counts) has entry mStep - (m - 1 - j), so that the
// pattern moves only far enough to line the two up; a pair too far from the end for that keeps
// entry 0. The final pair's entries are mStep: there the text is compared, and a mismatch moves
// the pattern by the final pair's distance from its nearest other occurrence.
SkipTableSearch::SkipTableSearch(const unsigned char* pattern, int32_t m, const uint8_t* upper,
                                 const uint8_t* lower)
    : mPattern(pattern),
      mLength(m),
      mUpper(upper),
      mLower(lower),
      mStep(std::min(m - 1, kLargestStep)) {
  std::memset(mBack, 0, sizeof mBack);
  for (int32_t j = std::max(1, m - 1 - mStep); j < m - 1; ++j)
    NotePair(j, static_cast<uint8_t>(mStep - (m - 1 - j)));
  unsigned char a = pattern[m - 2], b = pattern[m - 1];
  const unsigned char firsts[2] = {a, lower ? lower[a] : a}, seconds[2] = {b, lower ? lower[b] : b};
  int32_t nearest = 0;
  for (unsigned char x : firsts) {
    for (unsigned char y : seconds) nearest = std::max<int32_t>(nearest, mBack[PairHash(x, y)]);
  }
  mShiftAfterMismatch = mStep - nearest;
  NotePair(m - 1, static_cast<uint8_t>(mStep));
}

// Later pairs are nearer the end, so each entry only ever grows.
void SkipTableSearch::NotePair(int32_t j, uint8_t back) {
  unsigned char a = mPattern[j - 1], b = mPattern[j];
  mBack[PairHash(a, b)] = back;
  if (!mLower) return;
  mBack[PairHash(mLower[a], b)] = back;
  mBack[PairHash(a, mLower[b])] = back;
  mBack[PairHash(mLower[a], mLower[b])] = back;
}

bool SkipTableSearch::MatchesAt(const unsigned char* start) const {
  // The final pair already matched (or collided); most candidates differ at the first byte.
  if (!mUpper) {
    return start[0] == mPattern[0] &&
           std::memcmp(start + 1, mPattern + 1, static_cast<size_t>(mLength - 1)) == 0;
  }
  for (int32_t j = 0; j < mLength; ++j) {
    if (mUpper[start[j]] != mPattern[j]) return false;
  }
  return true;
}

int32_t SkipTableSearch::Find(const unsigned char* text, int32_t n) const {
  const int32_t last = mLength - 1;
  int32_t i = last - mStep;  // the text byte under the pattern's end, less one step
  for (;;) {
    // Pairs the pattern lacks move by the constant step, so the next load need not wait for
    // this one.
    uint8_t back;
    do {
      i += mStep;
      if (i >= n) return -1;
      back = mBack[PairHash(text[i - 1], text[i])];
    } while (back == 0);
    if (back != mStep) {
      i -= back;
      continue;
    }
    if (MatchesAt(text + i - last)) return i - last;
    i += mShiftAfterMismatch - mStep;
  }
}
