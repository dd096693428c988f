#include "strings/SkipTableSearch.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr int32_t kLargestStep = 255;
constexpr uint8_t kCaseBit = 0x20;

// True when folding changes no byte in any bit but the case bit, as with ASCII letters: then
// the hash can fold by clearing that bit, without a table load per byte.
bool FoldsOnlyCaseBit(const uint8_t* upper) {
  uint8_t changed = 0;
  for (int32_t c = 0; c < 256; ++c) changed |= static_cast<uint8_t>(upper[c] ^ c);
  return (changed & ~kCaseBit) == 0;
}

}  // namespace

// The search moves the pattern's end by mStep (its length less one, at most 255) whenever the
// text pair under it occurs nowhere in the pattern: entry 0. A pair that occurs ending at
// pattern byte j (j >= 1; the last occurrence counts) has entry mStep - (m - 1 - j), so that the
// pattern moves only far enough to line the two up; a pair too far from the end for that keeps
// entry 0. The final pair's entries are mStep: there the text is compared, and a mismatch moves
// the pattern by the final pair's distance from its nearest other occurrence (or any pair that
// shares its hash, which can only be nearer).
SkipTableSearch::SkipTableSearch(const unsigned char* pattern, int32_t m, const uint8_t* upper)
    : mPattern(pattern),
      mLength(m),
      mUpper(upper),
      mHashMask(upper ? static_cast<uint8_t>(~kCaseBit) : 0xFF),
      mHashThroughUpper(upper && !FoldsOnlyCaseBit(upper)),
      mStep(std::min(m - 1, kLargestStep)) {
  std::memset(mBack, 0, sizeof mBack);
  for (int32_t j = std::max(1, m - 1 - mStep); j < m - 1; ++j)
    NotePair(j, static_cast<uint8_t>(mStep - (m - 1 - j)));
  uint32_t finalPair = PairHash(HashByte(pattern[m - 2]), HashByte(pattern[m - 1]));
  mShiftAfterMismatch = mStep - mBack[finalPair];
  NotePair(m - 1, static_cast<uint8_t>(mStep));
}

// Later pairs are nearer the end, so each entry only ever grows.
void SkipTableSearch::NotePair(int32_t j, uint8_t back) {
  mBack[PairHash(HashByte(mPattern[j - 1]), HashByte(mPattern[j]))] = back;
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
  return mHashThroughUpper ? FindIn<true>(text, n) : FindIn<false>(text, n);
}

// Positions count back from the text's end (k = offset - n, negative inside the text), so that
// one register both walks and bounds the scan and nothing spills on i386.
template <bool kFoldThroughTable>
int32_t SkipTableSearch::FindIn(const unsigned char* text, int32_t n) const {
  const unsigned char* end = text + n;
  const int32_t last = mLength - 1, step = mStep;
  const uint8_t mask = mHashMask;
  auto fold = [this, mask](unsigned char c) { return kFoldThroughTable ? mUpper[c] : c & mask; };
  int32_t k = last - step - n;  // the text byte under the pattern's end, less one step
  for (;;) {
    // Pairs the pattern lacks move by the constant step, so the next load need not wait for
    // this one.
    // The hash keeps only the low five bits of the first byte, so the case bit of a byte
    // folded by mask never reaches it: that byte goes in as it is.
    uint8_t back;
    do {
      k += step;
      if (k >= 0) return -1;
      unsigned char first = kFoldThroughTable ? mUpper[end[k - 1]] : end[k - 1];
      back = mBack[PairHash(first, fold(end[k]))];
    } while (back == 0);
    if (back != step) {
      k -= back;
      continue;
    }
    if (MatchesAt(end + k - last)) return n + k - last;
    k += mShiftAfterMismatch - step;
  }
}
