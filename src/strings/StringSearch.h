// Finding one text in another: the exact-byte search behind InStrB and the byte forms of
// Replace, fields and Split (Boyer-Moore on long texts, a plain scan on short ones), and the
// case-insensitive search of the text forms, which compares characters by the text's
// encoding: code points in UTF-8, 16-bit units in 16-bit Unicode, the characters that
// EncodedTextReader reads in text that cannot be matched in its own bytes, ASCII-folded bytes
// otherwise.
//
// Every search owns its skip table, so searches nest and repeat freely. Offsets are 0-based
// bytes; language positions (1-based, in characters) are made by the InStr entry points.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "strings/ByteScan.h"
#include "strings/RuntimeString.h"
#include "strings/SkipTableSearch.h"

// Where a pattern was found: offset -1 when it was not. A case-insensitive match may span a
// different number of bytes than the pattern.
struct SearchMatch {
  int32_t offset;
  int32_t length;
  bool Found() const { return offset >= 0; }
};

// The skip-table search over exact bytes: the offset of the first occurrence of pattern (m
// bytes, m >= 1) in text (n bytes), or n when there is none.
int32_t bmsearch(const unsigned char* pattern, int32_t m, const unsigned char* text, int32_t n);

// One pattern prepared for repeated searching of texts in one encoding.
class PatternSearch {
 public:
  // pattern must stay alive while the search is used. With ignoreCase clear, bytes are
  // compared exactly whatever the encoding.
  PatternSearch(const string& pattern, TextEncoding encoding, bool ignoreCase);
  // It points into its own members.
  PatternSearch(const PatternSearch&) = delete;
  PatternSearch& operator=(const PatternSearch&) = delete;

  // The first match that starts at or after byte offset from (negative counts as 0).
  SearchMatch Find(const unsigned char* text, int32_t n, int32_t from) const;
  SearchMatch Find(const string& text, int32_t from) const {
    return Find(text.Bytes(), text.Length(), from);
  }
  // Find, over a long text a piece at a time where the search can be cut anywhere: passed(end)
  // is called, with end rising, each time no match starts before end, while the bytes up to end
  // are still in cache for the caller to take in.
  template <typename Passed>
  SearchMatch FindPiecewise(const unsigned char* text, int32_t n, int32_t from,
                            Passed passed) const;
  int32_t PatternLength() const { return mLength; }
  // For a one-byte pattern matched byte for byte: the bytes it matches (itself, or both cases
  // of a letter). False for longer patterns and those compared by characters.
  bool SingleBytePair(BytePair* pair) const;

 private:
  enum class Mode { kExactBytes, kFoldedBytes, kFoldedUTF8, kFoldedUnits };
  static Mode ChooseMode(const string& pattern, TextEncoding encoding, bool ignoreCase);
  // The bytes searched at a time, small enough to stay in the first-level cache.
  static constexpr int32_t kPieceBytes = 16384;
  bool CutsAnywhere(int32_t n, int32_t from) const;
  SearchMatch FindStartingBefore(const unsigned char* text, int32_t n, int32_t from,
                                 int32_t before) const;
  SearchMatch FindBytes(const unsigned char* text, int32_t n, int32_t from) const;
  int32_t ScanEnds(const unsigned char* text, int32_t n, int32_t from) const;
  SearchMatch FindUTF8(const unsigned char* text, int32_t n, int32_t from) const;
  SearchMatch FindUTF8Candidates(const unsigned char* text, int32_t n, int32_t from,
                                 int32_t before) const;
  SearchMatch FindUnits(const unsigned char* text, int32_t n, int32_t from) const;
  int32_t MatchUTF8At(const char* start, const char* end) const;

  Mode mMode;
  const unsigned char* mPattern;
  int32_t mLength;
  std::string mFolded;           // kFoldedBytes: the pattern through the upper-case table;
                                 // kFoldedUTF8 with the skip table: its case bits cleared
  std::vector<uint32_t> mUpper;  // kFoldedUTF8, kFoldedUnits: upper-case characters
  string mAnchorText;            // kFoldedUTF8: the longest run that folds like ASCII
  int32_t mAnchorIndex = 0;      // characters of the pattern before the run
  std::unique_ptr<PatternSearch> mAnchor;
  // Byte modes, patterns of 2 bytes or more; kFoldedUTF8 when cases differ only in case bits.
  std::optional<SkipTableSearch> mSkipTable;
  std::optional<BytePair> mFirstBytes;  // byte modes: the bytes the first byte matches
  std::optional<BytePair> mLastBytes;   // and the last
};

template <typename Passed>
SearchMatch PatternSearch::FindPiecewise(const unsigned char* text, int32_t n, int32_t from,
                                         Passed passed) const {
  from = from < 0 ? 0 : from;
  if (!CutsAnywhere(n, from)) return Find(text, n, from);
  for (;;) {
    // Pieces end at multiples of their size, so that the caller's passes start aligned.
    const int32_t end = n - from > kPieceBytes ? (from / kPieceBytes + 1) * kPieceBytes : n;
    SearchMatch match = FindStartingBefore(text, n, from, end);
    if (match.Found() || end == n) return match;
    passed(end);
    from = end;
  }
}

// The 0-based offset of needle in haystack at or after start, exact bytes; -1 when absent or
// when start is at or past the end. An empty needle gives start unchanged; an empty haystack -1.
int32_t InternalInStrB(int32_t start, const string& haystack, const string& needle);
int32_t StringInStrBFromZero(int32_t start, const string& s, const string& find);

// The InStr engine: the 0-based position of find in s at or after start, ignoring case, -1 when
// absent. Positions count characters (code points in UTF-8, units in 16-bit Unicode, bytes
// otherwise), or bytes with bytePositions set. An empty find gives start unchanged. UTF-8
// characters before the match are counted piece by piece behind the search, on from the last
// match on the same record. Text that cannot be matched in its own bytes (32-bit Unicode,
// EBCDIC, two-byte code pages, ISO-2022-JP) is read character by character from start on and
// never converted; its positions are its own bytes beside a find of its encoding, and those of
// its Unicode form beside a find that it meets in Unicode.
int32_t StringInStrFromZero(int32_t start, const string& s, const string& find,
                            bool bytePositions);

// Continuation bytes (10xxxxxx) among the n bytes of text, by the widest of the counters below
// that the processor runs.
int32_t UTF8ContinuationBytes(const unsigned char* text, int32_t n);
int32_t CountContinuationsPortable(const unsigned char* text, int32_t n);
int32_t CountContinuationsSSE2(const unsigned char* text, int32_t n);
int32_t CountContinuationsAVX2(const unsigned char* text, int32_t n);
// Byte offset after walking n characters of UTF-8 text from its first byte (at most length).
int32_t UTF8OffsetOfCharacter(const unsigned char* text, int32_t length, int32_t n);

extern "C" {
int32_t StringInStr(int32_t start, stringStorage* s, stringStorage* find);
int32_t StringExtendsInStr(stringStorage* s, int32_t start, stringStorage* find);
int32_t StringInStrB(int32_t start, stringStorage* s, stringStorage* find);
int32_t StringExtendsInStrB(stringStorage* s, int32_t start, stringStorage* find);
int32_t StringDBCSInStr(int32_t start, stringStorage* s, stringStorage* find);
}
