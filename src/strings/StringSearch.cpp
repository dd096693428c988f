#include "strings/StringSearch.h"

#include <immintrin.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "core/Export.h"
#include "strings/CaseMapping.h"
#include "strings/CharTables.h"
#include "strings/EncodedCharacters.h"
#include "strings/SkipTableSearch.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"
#include "strings/UTF8Positions.h"

namespace {

// The skip table pays only when it can skip: over texts longer than the pattern by more than
// kSkipTableMinimumSlack, and for patterns of at least kSkipTableMinimumPattern bytes. Shorter
// ones are found faster by a scan for their first byte (memchr, or both cases of a letter),
// which a folded pattern can only do when its first byte matches at most two bytes.
constexpr int32_t kSkipTableMinimumPattern = 5;
constexpr int32_t kSkipTableMinimumSlack = 80;
constexpr uint8_t kCaseBit = 0x20;

bool WorthSkipTable(int32_t m, int32_t remaining, bool scanFirstByte) {
  return (!scanFirstByte || m >= kSkipTableMinimumPattern) &&
         remaining - m > kSkipTableMinimumSlack;
}

// The bytes that match byte: itself, or with upper given every byte that folds to it; none
// when more than two do.
std::optional<BytePair> BytesMatching(uint8_t byte, const uint8_t* upper) {
  if (!upper) return BytePair{byte, byte};
  uint8_t found[2];
  int32_t count = 0;
  for (int32_t c = 0; c < 256; ++c) {
    if (upper[c] != byte) continue;
    if (count == 2) return std::nullopt;
    found[count++] = static_cast<uint8_t>(c);
  }
  if (count == 0) return std::nullopt;
  return BytePair{found[0], found[count - 1]};
}

int32_t PlainScanFolded(const unsigned char* folded, int32_t m, const unsigned char* text,
                        int32_t n, int32_t from, const uint8_t* upper) {
  for (int32_t pos = from; pos <= n - m; ++pos) {
    int32_t j = 0;
    while (j < m && upper[text[pos + j]] == folded[j]) ++j;
    if (j == m) return pos;
  }
  return -1;
}

// True when the UTF-8 character in [start, end) matches ignoring case exactly where its
// ASCII-folded bytes match: it is ASCII (an ASCII letter only ever equals an ASCII letter under
// the case table), or a well-formed, shortest sequence of a caseless character.
bool CharacterFoldsLikeASCII(const char* start, const char* end) {
  const char* p = start;
  uint32_t code = UTF8DecodeAndAdvance(p, end);
  if (code < 0x80) return true;
  char encoded[kUTF8EncodeBufferSize];
  int32_t length = UTF8Encode(static_cast<int32_t>(code), encoded);
  return length == p - start && std::memcmp(encoded, start, static_cast<size_t>(length)) == 0 &&
         UTF8IsCaseless(start, length);
}

bool FoldsLikeASCII(const string& pattern) {
  const char* end = pattern.CString() + pattern.Length();
  for (const char* p = pattern.CString(); p < end;) {
    const char* start = p;
    AdvanceUTF8(p, end, 1);
    if (!CharacterFoldsLikeASCII(start, p)) return false;
  }
  return true;
}

// True when every character that matches one of the pattern's ignoring case is encoded in as
// many bytes as it, differing at most in the case bit (0x20) of each byte: ASCII letters, most
// Latin-1 letters and much of Greek and Cyrillic. Then the whole pattern with its case bits
// cleared finds every candidate through the skip table, which hashes without that bit.
bool MatchesDifferOnlyInCaseBits(const string& pattern) {
  constexpr int32_t kMostVariants = 8;
  const char* end = pattern.CString() + pattern.Length();
  for (const char* p = pattern.CString(); p < end;) {
    const char* start = p;
    uint32_t code = UTF8DecodeAndAdvance(p, end);
    // An ASCII character only ever equals itself or its ASCII partner under the case table.
    const int32_t length = static_cast<int32_t>(p - start);
    if (code < 0x80 && length == 1) continue;
    uint32_t variants[kMostVariants];
    int32_t count = UnicodeCaseVariants(code, variants, kMostVariants);
    if (count > kMostVariants) return false;
    // The character itself is among its variants, so a malformed one is refused here too.
    for (int32_t v = 0; v < count; ++v) {
      char encoded[kUTF8EncodeBufferSize];
      if (UTF8Encode(static_cast<int32_t>(variants[v]), encoded) != length) return false;
      for (int32_t i = 0; i < length; ++i) {
        if ((encoded[i] ^ start[i]) & ~kCaseBit) return false;
      }
    }
  }
  return true;
}

// Bytes with the case bit cleared: the fold of a search that only screens candidates.
const uint8_t* CaseBitClearingTable() {
  static const auto table = [] {
    std::array<uint8_t, 256> bytes{};
    for (int32_t c = 0; c < 256; ++c) bytes[c] = static_cast<uint8_t>(c & ~kCaseBit);
    return bytes;
  }();
  return table.data();
}

struct CharacterRun {
  const char* start;
  int32_t length;  // bytes
  int32_t index;   // characters of the pattern before it
};

// The longest run of UTF-8 characters that fold like ASCII; length 0 when there is none.
CharacterRun LongestASCIIFoldingRun(const string& pattern) {
  CharacterRun best{nullptr, 0, 0}, current{nullptr, 0, 0};
  const char* end = pattern.CString() + pattern.Length();
  int32_t index = 0;
  for (const char* p = pattern.CString(); p < end; ++index) {
    const char* character = p;
    AdvanceUTF8(p, end, 1);
    if (!CharacterFoldsLikeASCII(character, p)) {
      current.start = nullptr;
      continue;
    }
    if (!current.start) current = {character, 0, index};
    current.length = static_cast<int32_t>(p - current.start);
    if (current.length > best.length) best = current;
  }
  return best;
}

// Upper case of a character, without the table lookup for ASCII.
uint32_t UpperOf(uint32_t code) {
  return code < 0x80 ? GetCharTables().upper[code] : UnicodeToUpper(code);
}

bool HasASCIILetter(const string& pattern) {
  const uint8_t* upper = GetCharTables().upper;
  const uint8_t* lower = GetCharTables().lower;
  for (int32_t i = 0; i < pattern.Length(); ++i) {
    unsigned char c = pattern.Bytes()[i];
    if (upper[c] != c || lower[c] != c) return true;
  }
  return false;
}

// The bytes of text that hold every match of m bytes starting before before.
int32_t BytesHoldingStartsBefore(int32_t before, int32_t m, int32_t n) {
  return static_cast<int32_t>(std::min<int64_t>(n, int64_t{before} + m - 1));
}

uint16_t UnitAt(const unsigned char* text, int32_t unit) {
  uint16_t value;
  std::memcpy(&value, text + 2 * unit, sizeof value);
  return value;
}

}  // namespace

int32_t bmsearch(const unsigned char* pattern, int32_t m, const unsigned char* text, int32_t n) {
  if (m < 1 || n < m) return n;
  int32_t at = m == 1 ? FindBytePair(text, n, BytePair{pattern[0], pattern[0]})
                      : SkipTableSearch(pattern, m, nullptr).Find(text, n);
  return at < 0 ? n : at;
}

PatternSearch::PatternSearch(const string& pattern, TextEncoding encoding, bool ignoreCase)
    : mMode(ChooseMode(pattern, encoding, ignoreCase)),
      mPattern(pattern.Bytes()),
      mLength(pattern.Length()) {
  const CharTables& tables = GetCharTables();
  if (mMode == Mode::kFoldedBytes) {
    mFolded.resize(static_cast<size_t>(mLength));
    for (int32_t i = 0; i < mLength; ++i) mFolded[i] = static_cast<char>(tables.upper[mPattern[i]]);
    mPattern = reinterpret_cast<const unsigned char*>(mFolded.data());
  }
  if (mMode == Mode::kExactBytes || mMode == Mode::kFoldedBytes) {
    bool folded = mMode == Mode::kFoldedBytes;
    if (mLength >= 2)
      mSkipTable.emplace(mPattern, mLength, folded ? tables.upper : nullptr);
    const uint8_t* upper = folded ? tables.upper : nullptr;
    mFirstBytes = BytesMatching(mPattern[0], upper);
    mLastBytes = BytesMatching(mPattern[mLength - 1], upper);
    return;
  }
  if (mMode == Mode::kFoldedUnits) {
    for (int32_t u = 0; u < mLength / 2; ++u) mUpper.push_back(UnicodeToUpper(UnitAt(mPattern, u)));
    return;
  }
  const char* end = pattern.CString() + mLength;
  for (const char* p = pattern.CString(); p < end; AdvanceUTF8(p, end, 1))
    mUpper.push_back(UnicodeToUpper(UTF8Decode(p, end)));
  if (mLength >= 2 && MatchesDifferOnlyInCaseBits(pattern)) {
    const uint8_t* clear = CaseBitClearingTable();
    for (int32_t i = 0; i < mLength; ++i) mFolded.push_back(static_cast<char>(clear[mPattern[i]]));
    mSkipTable.emplace(reinterpret_cast<const unsigned char*>(mFolded.data()), mLength, clear);
    return;
  }
  // The longest run of characters that fold like ASCII is found by the byte search; each of its
  // occurrences places a candidate start, which the character comparison then confirms.
  CharacterRun run = LongestASCIIFoldingRun(pattern);
  if (run.length == 0) return;
  mAnchorText = string::FromBytes(run.start, run.length, encoding);
  mAnchorIndex = run.index;
  mAnchor = std::make_unique<PatternSearch>(mAnchorText, encoding, true);
}

PatternSearch::Mode PatternSearch::ChooseMode(const string& pattern, TextEncoding encoding,
                                              bool ignoreCase) {
  if (!ignoreCase) return Mode::kExactBytes;
  if (IsUnicode16Encoding(encoding)) return Mode::kFoldedUnits;
  if (encoding == kEncodingUTF8 && !FoldsLikeASCII(pattern)) return Mode::kFoldedUTF8;
  return HasASCIILetter(pattern) ? Mode::kFoldedBytes : Mode::kExactBytes;
}

SearchMatch PatternSearch::Find(const unsigned char* text, int32_t n, int32_t from) const {
  from = std::max(from, 0);
  if (mLength < 1 || from >= n || n - from < mLength) return {-1, 0};
  switch (mMode) {
    case Mode::kFoldedUTF8:
      return FindUTF8(text, n, from);
    case Mode::kFoldedUnits:
      return FindUnits(text, n, from);
    default:
      return FindBytes(text, n, from);
  }
}

// Byte matches are as long as the pattern, so a search over a prefix finds all that start early
// enough to fit in it. The characters compared after the skip table may run longer, but its
// candidates are tried at every byte whatever precedes them. The other character searches step
// from character to character where the search starts, so a cut could change the starts tried.
bool PatternSearch::CutsAnywhere(int32_t n, int32_t from) const {
  switch (mMode) {
    case Mode::kExactBytes:
    case Mode::kFoldedBytes:
      return true;
    case Mode::kFoldedUTF8:
      return mSkipTable && WorthSkipTable(mLength, n - from, false);
    default:
      return false;
  }
}

// The first match that starts at or after from and before before (at most n), for a mode that
// cuts anywhere.
SearchMatch PatternSearch::FindStartingBefore(const unsigned char* text, int32_t n, int32_t from,
                                              int32_t before) const {
  if (mMode != Mode::kFoldedUTF8)
    return Find(text, BytesHoldingStartsBefore(before, mLength, n), from);
  if (from >= n || n - from < mLength) return {-1, 0};
  return FindUTF8Candidates(text, n, from, before);
}

bool PatternSearch::SingleBytePair(BytePair* pair) const {
  if (mLength != 1 || !mFirstBytes) return false;
  *pair = *mFirstBytes;
  return true;
}

// Exact bytes always scan their ends; folded ones can unless a byte folds with more than one
// other, and then compare through the table.
SearchMatch PatternSearch::FindBytes(const unsigned char* text, int32_t n, int32_t from) const {
  int32_t found;
  const bool scanEnds = mFirstBytes && mLastBytes;
  if (mSkipTable && WorthSkipTable(mLength, n - from, scanEnds)) {
    int32_t at = mSkipTable->Find(text + from, n - from);
    found = at < 0 ? -1 : from + at;
  } else if (scanEnds) {
    found = ScanEnds(text, n, from);
  } else {
    found = PlainScanFolded(mPattern, mLength, text, n, from, GetCharTables().upper);
  }
  return {found, found < 0 ? 0 : mLength};
}

// Each place where the first and last bytes match (either case of a letter when folded), then
// the bytes between compared.
int32_t PatternSearch::ScanEnds(const unsigned char* text, int32_t n, int32_t from) const {
  const uint8_t* upper = mMode == Mode::kFoldedBytes ? GetCharTables().upper : nullptr;
  const int32_t last = mLength - 1;
  for (int32_t pos = from; pos + last < n; ++pos) {
    int32_t at = last == 0 ? FindBytePair(text + pos, n - pos, *mFirstBytes)
                           : FindBytePairsApart(text + pos, n - pos, *mFirstBytes, *mLastBytes,
                                                last);
    if (at < 0) return -1;
    pos += at;
    int32_t j = 1;
    if (upper) {
      while (j < last && upper[text[pos + j]] == mPattern[j]) ++j;
    } else {
      while (j < last && text[pos + j] == mPattern[j]) ++j;
    }
    if (j >= last) return pos;
  }
  return -1;
}

// The characters of the pattern compared with the text's from start by their upper-case forms;
// the bytes of the text matched, or -1.
int32_t PatternSearch::MatchUTF8At(const char* start, const char* end) const {
  const char* p = start;
  for (uint32_t upper : mUpper) {
    if (p >= end || UpperOf(UTF8Decode(p, end)) != upper) return -1;
    AdvanceUTF8(p, end, 1);
  }
  return static_cast<int32_t>(p - start);
}

// With the case bits screened by the skip table, only its candidates are compared. Otherwise
// character by character: each character of the text is a possible start. With an anchor, only
// the character that lies as far before an occurrence of the anchor as the anchor lies inside
// the pattern (in characters) is tried.
SearchMatch PatternSearch::FindUTF8(const unsigned char* text, int32_t n, int32_t from) const {
  const char* begin = reinterpret_cast<const char*>(text);
  const char* end = begin + n;
  if (mSkipTable && WorthSkipTable(mLength, n - from, false))
    return FindUTF8Candidates(text, n, from, n);
  if (!mAnchor) {
    for (const char* start = begin + from; start < end; AdvanceUTF8(start, end, 1)) {
      int32_t length = MatchUTF8At(start, end);
      if (length >= 0) return {static_cast<int32_t>(start - begin), length};
    }
    return {-1, 0};
  }
  for (int32_t at = from; (at = mAnchor->Find(text, n, at).offset) >= 0; ++at) {
    const char* start = begin + at;
    BackupUTF8(start, begin + from, mAnchorIndex);
    const char* check = start;
    AdvanceUTF8(check, end, mAnchorIndex);
    if (check != begin + at) continue;  // fewer characters than that before the anchor
    int32_t length = MatchUTF8At(start, end);
    if (length >= 0) return {static_cast<int32_t>(start - begin), length};
  }
  return {-1, 0};
}

// The skip table's candidates that start before before, each compared by characters up to the
// text's end. A candidate's first byte equals the pattern's but for the case bit, so it starts a
// character as the pattern's does.
SearchMatch PatternSearch::FindUTF8Candidates(const unsigned char* text, int32_t n, int32_t from,
                                              int32_t before) const {
  const char* begin = reinterpret_cast<const char*>(text);
  const int32_t reach = BytesHoldingStartsBefore(before, mLength, n);
  for (int32_t pos = from; pos + mLength <= reach; ++pos) {
    int32_t at = mSkipTable->Find(text + pos, reach - pos);
    if (at < 0) break;
    pos += at;
    int32_t length = MatchUTF8At(begin + pos, begin + n);
    if (length >= 0) return {pos, length};
  }
  return {-1, 0};
}

SearchMatch PatternSearch::FindUnits(const unsigned char* text, int32_t n, int32_t from) const {
  int32_t units = n / 2, m = static_cast<int32_t>(mUpper.size());
  if (m == 0) return {-1, 0};
  for (int32_t start = (from + 1) / 2; start + m <= units; ++start) {
    int32_t j = 0;
    while (j < m && UnicodeToUpper(UnitAt(text, start + j)) == mUpper[j]) ++j;
    if (j == m) return {2 * start, 2 * m};
  }
  return {-1, 0};
}

namespace {

// Continuation bytes (10xxxxxx) among the four bytes of word, counted without a loop.
int32_t ContinuationBytesInWord(uint32_t word) {
  uint32_t marks = word & ~(word << 1) & 0x80808080u;
  return static_cast<int32_t>(((marks >> 7) * 0x01010101u) >> 24);
}

// As signed bytes, continuation bytes are exactly those below -64: each marked -1.
[[gnu::target("sse2")]] inline __m128i ContinuationMarks(const unsigned char* at) {
  __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(at));
  return _mm_cmplt_epi8(bytes, _mm_set1_epi8(-64));
}

[[gnu::target("avx2")]] inline __m256i MarksAVX2(const unsigned char* at) {
  __m256i bytes = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(at));
  return _mm256_cmpgt_epi8(_mm256_set1_epi8(-64), bytes);
}

}  // namespace

int32_t CountContinuationsPortable(const unsigned char* text, int32_t n) {
  int32_t count = 0, i = 0;
  for (; i + 4 <= n; i += 4) {
    uint32_t word;
    std::memcpy(&word, text + i, sizeof word);
    count += ContinuationBytesInWord(word);
  }
  for (; i < n; ++i) count += IsUTF8Continuation(text[i]);
  return count;
}

// Sixteen bytes to a lane. Two lanes take two loads each per round, so that the additions need
// not wait on one another and nothing spills from the eight vector registers; each byte count
// (at most 2 a round) is summed before it can pass 255.
[[gnu::target("sse2")]] int32_t CountContinuationsSSE2(const unsigned char* text, int32_t n) {
  constexpr int32_t kRoundsPerSum = 127;
  const __m128i zero = _mm_setzero_si128();
  int32_t count = 0, blocks = n / 64;
  const unsigned char* p = text;
  while (blocks > 0) {
    int32_t rounds = std::min(blocks, kRoundsPerSum);
    blocks -= rounds;
    __m128i a = zero, b = zero;
    for (; rounds > 0; --rounds, p += 64) {
      a = _mm_sub_epi8(a, _mm_add_epi8(ContinuationMarks(p), ContinuationMarks(p + 16)));
      b = _mm_sub_epi8(b, _mm_add_epi8(ContinuationMarks(p + 32), ContinuationMarks(p + 48)));
    }
    __m128i sums = _mm_add_epi64(_mm_sad_epu8(a, zero), _mm_sad_epu8(b, zero));
    count += _mm_cvtsi128_si32(sums) + _mm_cvtsi128_si32(_mm_srli_si128(sums, 8));
  }
  return count + CountContinuationsPortable(p, n - static_cast<int32_t>(p - text));
}

// The same over 32-byte lanes where the processor has them: half the instructions per byte.
[[gnu::target("avx2")]] int32_t CountContinuationsAVX2(const unsigned char* text, int32_t n) {
  constexpr int32_t kRoundsPerSum = 127;
  const __m256i zero = _mm256_setzero_si256();
  int32_t count = 0, blocks = n / 128;
  const unsigned char* p = text;
  while (blocks > 0) {
    int32_t rounds = std::min(blocks, kRoundsPerSum);
    blocks -= rounds;
    __m256i a = zero, b = zero;
    for (; rounds > 0; --rounds, p += 128) {
      a = _mm256_sub_epi8(a, _mm256_add_epi8(MarksAVX2(p), MarksAVX2(p + 32)));
      b = _mm256_sub_epi8(b, _mm256_add_epi8(MarksAVX2(p + 64), MarksAVX2(p + 96)));
    }
    __m256i sums = _mm256_add_epi64(_mm256_sad_epu8(a, zero), _mm256_sad_epu8(b, zero));
    __m128i half = _mm_add_epi64(_mm256_castsi256_si128(sums), _mm256_extracti128_si256(sums, 1));
    count += _mm_cvtsi128_si32(half) + _mm_cvtsi128_si32(_mm_srli_si128(half, 8));
  }
  return count + CountContinuationsSSE2(p, n - static_cast<int32_t>(p - text));
}

int32_t UTF8ContinuationBytes(const unsigned char* text, int32_t n) {
  static const bool haveAVX2 = __builtin_cpu_supports("avx2");
  static const bool haveSSE2 = __builtin_cpu_supports("sse2");
  if (haveAVX2) return CountContinuationsAVX2(text, n);
  return haveSSE2 ? CountContinuationsSSE2(text, n) : CountContinuationsPortable(text, n);
}

int32_t UTF8OffsetOfCharacter(const unsigned char* text, int32_t length, int32_t n) {
  const char* begin = reinterpret_cast<const char*>(text);
  const char* p = begin;
  AdvanceUTF8(p, begin + length, n);
  return static_cast<int32_t>(p - begin);
}

int32_t InternalInStrB(int32_t start, const string& haystack, const string& needle) {
  if (haystack.IsEmpty()) return -1;
  if (needle.IsEmpty()) return start;
  return PatternSearch(needle, haystack.Encoding(), false).Find(haystack, start).offset;
}

int32_t StringInStrBFromZero(int32_t start, const string& s, const string& find) {
  return InternalInStrB(start, s, find);
}

namespace {

// Characters of UTF-8 text before a byte offset (the steps of a walk from its first byte),
// counted on from a place where they are known, in rising steps, each over the bytes passed
// since the last.
class UTF8CharacterCount {
 public:
  // Character characters of text starts at byte offset, a place the walk reaches.
  UTF8CharacterCount(const unsigned char* text, int32_t offset, int32_t characters)
      : mText(text), mOffset(offset), mCharacters(characters), mCounted(std::max(offset, 1)) {}
  void PassTo(int32_t offset) {
    if (offset <= mCounted) return;
    mContinuations += UTF8ContinuationBytes(mText + mCounted, offset - mCounted);
    mCounted = offset;
  }
  // For offset at or after the known place.
  int32_t CharactersBefore(int32_t offset) {
    if (offset <= mOffset) return mCharacters;
    PassTo(offset);
    return mCharacters + (offset - mOffset) - mContinuations;
  }

 private:
  const unsigned char* mText;
  int32_t mOffset;
  int32_t mCharacters;
  // The first step always takes the first byte, continuation byte or not.
  int32_t mCounted;
  int32_t mContinuations = 0;
};

// The UTF-8 engine in characters: the walk to the start goes on from where the last search of
// the same record ended (see UTF8SpanInRecord), the characters before the match are counted
// behind the search a piece at a time, and the match is remembered for the next search, so that
// a loop from one match to the next reads the text once.
int32_t FindUTF8Characters(const PatternSearch& search, const string& text, int32_t from) {
  const int32_t offset = UTF8SpanInRecord(text.Storage(), from, 0).offset;
  UTF8CharacterCount count(text.Bytes(), offset, from);
  const int32_t found = search.FindPiecewise(text.Bytes(), text.Length(), offset,
                                             [&count](int32_t end) { count.PassTo(end); })
                            .offset;
  if (found < 0) return found;
  const int32_t characters = count.CharactersBefore(found);
  if (found == 0 || !IsUTF8Continuation(text.Bytes()[found]))
    KeepUTF8Position(text.Storage(), characters, found);
  return characters;
}

// The upper case of a unit read by EncodedTextReader; a stand-in is its own.
uint64_t UpperOfUnit(uint64_t value) {
  return IsStandInUnit(value) ? value : UpperOf(static_cast<uint32_t>(value));
}

// The units of text of an encoding that EncodedTextReader reads, by their upper cases.
std::vector<uint64_t> UpperUnitsOf(const string& text) {
  std::vector<uint64_t> upper;
  EncodedTextReader reader(text);
  for (EncodedUnit unit; reader.Next(&unit);) upper.push_back(UpperOfUnit(unit.value));
  return upper;
}

// The characters of text by their upper cases when it is Unicode through and through, as its
// conversion to UTF-8 shows; nothing when a unit of it is no character.
std::optional<std::vector<uint64_t>> UpperCharactersOf(const string& text) {
  const string utf8 = ConvertEncodingWhole(text, kEncodingUTF8);
  if (utf8.Encoding() != kEncodingUTF8) return std::nullopt;
  std::vector<uint64_t> upper;
  const char* end = utf8.CString() + utf8.Length();
  for (const char* p = utf8.CString(); p < end;) {
    const char* start = p;
    const uint32_t code = UTF8DecodeAndAdvance(p, end);
    char encoded[kUTF8EncodeBufferSize];
    const bool shortest = UTF8Encode(static_cast<int32_t>(code), encoded) == p - start &&
                          std::memcmp(encoded, start, static_cast<size_t>(p - start)) == 0;
    if (!shortest || code >= 0x110000 || (code >= 0xD800 && code <= 0xDFFF)) return std::nullopt;
    upper.push_back(UpperOf(code));
  }
  return upper;
}

// The units whose upper case is one given: the values themselves where they are few and the
// case table tells them all, so that a scan for the first unit of a pattern looks no case up.
class UnitsOfUpperCase {
 public:
  explicit UnitsOfUpperCase(uint64_t upper) : mUpper(upper) {
    if (IsStandInUnit(upper)) {
      mValues[mCount++] = upper;
      return;
    }
    const auto code = static_cast<uint32_t>(upper);
    uint32_t variants[kMostValues];
    // An upper case that is no upper case of itself is not one the table gathers its own under.
    if (UnicodeToUpper(code) != code) return;
    const int32_t count = UnicodeCaseVariants(code, variants, kMostValues);
    if (count > kMostValues) return;
    for (int32_t i = 0; i < count; ++i) {
      if (UpperOf(variants[i]) == code) mValues[mCount++] = variants[i];
    }
  }
  bool Holds(uint64_t value) const {
    if (mCount == 0) return UpperOfUnit(value) == mUpper;
    for (int32_t i = 0; i < mCount; ++i) {
      if (mValues[i] == value) return true;
    }
    return false;
  }

 private:
  static constexpr int32_t kMostValues = 8;
  uint64_t mUpper;
  uint64_t mValues[kMostValues] = {};
  int32_t mCount = 0;  // 0: each value is looked up
};

// The first place at or after from in text (of an encoding EncodedTextReader reads) where
// units with the upper cases of upper (not empty) stand, or -1: a byte offset of the text, or
// with counted a place in its Unicode form. The place found is kept for the next search.
int32_t FindUpperUnits(const string& text, const std::vector<uint64_t>& upper, int32_t from,
                       std::optional<UnicodeCount> counted) {
  EncodedTextReader reader(text);
  if (counted)
    reader.SeekCounted(from, *counted);
  else
    reader.Seek(from);
  const UnitsOfUpperCase first(upper[0]);
  EncodedUnit unit;
  while (reader.Next(&unit)) {
    if (!first.Holds(unit.value)) continue;
    EncodedTextReader rest = reader;
    EncodedUnit next;
    size_t matched = 1;
    while (matched < upper.size() && rest.Next(&next) && UpperOfUnit(next.value) == upper[matched])
      ++matched;
    if (matched < upper.size()) continue;
    reader.KeepPlaceOf(unit);
    return counted ? reader.CountedBefore(unit, *counted) : unit.start;
  }
  return -1;
}

// Text whose bytes cannot be matched as they stand, searched by its characters ignoring case,
// read from the start on (see EncodedTextReader) and never converted: the place of the first
// match at or after from, or nothing where the text and find meet otherwise. Beside a find of
// its own encoding (or ASCII where ASCII keeps its bytes) places are the text's bytes; beside
// one that it meets in Unicode, the places of its Unicode form, as if it were converted.
std::optional<int32_t> FindInEncodedText(const string& text, const string& find, int32_t from,
                                         bool bytePositions) {
  const TextEncoding encoding = text.Encoding(), findEncoding = find.Encoding();
  if (CommonEncoding(encoding, findEncoding, false) == encoding) {
    const string pattern = ConvertEncodingWhole(find, encoding);
    if (pattern.Encoding() != encoding) return std::nullopt;
    const std::vector<uint64_t> upper = UpperUnitsOf(pattern);
    // Only a mark or an escape: found at the start, as an empty pattern is, but like every
    // other pattern never at or past the end of the text.
    if (upper.empty()) return from < text.Length() ? from : -1;
    return FindUpperUnits(text, upper, from, std::nullopt);
  }
  // Bytes of the Unicode form, and a find with no Unicode form, are the converting search's.
  if (bytePositions || findEncoding == kEncodingNone) return std::nullopt;
  const std::optional<std::vector<uint64_t>> upper = UpperCharactersOf(find);
  if (!upper || upper->empty()) return std::nullopt;
  const bool units16 = CommonEncoding(encoding, findEncoding, true) == kEncodingUnicode16;
  return FindUpperUnits(text, *upper, from,
                        units16 ? UnicodeCount::kUnits16 : UnicodeCount::kCharacters);
}

}  // namespace

int32_t StringInStrFromZero(int32_t start, const string& s, const string& find,
                            bool bytePositions) {
  if (s.IsEmpty()) return -1;
  const int32_t from = std::max(start, 0);
  if (!find.IsEmpty() && EncodedTextReader::Reads(s.Encoding())) {
    if (auto found = FindInEncodedText(s, find, from, bytePositions)) return *found;
  }
  string text = s, pattern = find;
  TextEncoding encoding = text.Encoding();
  if (pattern.Encoding() != encoding) {
    TextEncoding common = ConvertToSameEncoding(&text, &pattern);
    if (common != kEncodingNone) encoding = common;
  }
  if (pattern.IsEmpty()) return start;
  bool utf8 = encoding == kEncodingUTF8, units = IsUnicode16Encoding(encoding);
  PatternSearch search(pattern, encoding, true);
  if (utf8 && !bytePositions) return FindUTF8Characters(search, text, from);
  const int32_t offset =
      units && !bytePositions ? static_cast<int32_t>(std::min<int64_t>(2LL * from, INT32_MAX))
                              : from;
  int32_t found = search.Find(text, offset).offset;
  if (found < 0 || bytePositions) return found;
  return units ? found / 2 : found;
}

namespace {

// 1-based language positions over the 0-based engines.
int32_t ZeroBasedStart(int32_t start) { return start > 0 ? start - 1 : 0; }
int32_t OneBased(int32_t found) { return found < 0 ? 0 : found + 1; }

}  // namespace

extern "C" int32_t StringInStr(int32_t start, stringStorage* s, stringStorage* find) {
  if (stringStorage::Length(s) == 0) return 0;
  if (stringStorage::Length(find) == 0) return start;
  return OneBased(StringInStrFromZero(ZeroBasedStart(start), string(s), string(find), false));
}
QV_EXPORT(StringInStr)

extern "C" int32_t StringExtendsInStr(stringStorage* s, int32_t start, stringStorage* find) {
  return StringInStr(start, s, find);
}
QV_EXPORT(StringExtendsInStr)

extern "C" int32_t StringDBCSInStr(int32_t start, stringStorage* s, stringStorage* find) {
  return StringInStr(start, s, find);
}
QV_EXPORT(StringDBCSInStr)

extern "C" int32_t StringInStrB(int32_t start, stringStorage* s, stringStorage* find) {
  if (stringStorage::Length(s) == 0) return 0;
  if (stringStorage::Length(find) == 0) return start;
  return OneBased(InternalInStrB(ZeroBasedStart(start), string(s), string(find)));
}
QV_EXPORT(StringInStrB)

extern "C" int32_t StringExtendsInStrB(stringStorage* s, int32_t start, stringStorage* find) {
  return StringInStrB(start, s, find);
}
QV_EXPORT(StringExtendsInStrB)
