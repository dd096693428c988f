#include "strings/StringCharacters.h"

#include <algorithm>

#include "core/Export.h"
#include "strings/EncodedCharacters.h"
#include "strings/SharedShortText.h"
#include "strings/StringSearch.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"
#include "strings/UTF8Positions.h"

stringStorage* StringRecordBytes(stringStorage* record, int32_t first, int32_t count) {
  if (count < 1) return nullptr;
  if (count <= kSharedTextLongest)
    return SharedShortText(record->data + 1 + first, count, record->encoding);
  return mid(string(record), first, count).ExtractStringStorage();
}

namespace {

enum class CharacterUnit { kByte, kUTF8, kUnit16 };

CharacterUnit UnitOf(const string& s) {
  if (s.Encoding() == kEncodingUTF8) return CharacterUnit::kUTF8;
  return IsUnicode16Encoding(s.Encoding()) ? CharacterUnit::kUnit16 : CharacterUnit::kByte;
}

int32_t ClampToInt32(int64_t value) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
}

// Bytes that the first count characters from byte offset from occupy (count >= 0).
int32_t BytesOfCharacters(const string& s, int32_t from, int64_t count) {
  switch (UnitOf(s)) {
    case CharacterUnit::kUTF8:
      return UTF8OffsetOfCharacter(s.Bytes() + from, s.Length() - from, ClampToInt32(count));
    case CharacterUnit::kUnit16:
      return ClampToInt32(2 * count);
    default:
      return ClampToInt32(count);
  }
}


struct ByteRange {
  int32_t first;
  int32_t count;  // 0 for none
};

// count bytes from 0-based byte offset first, within s; a negative first shortens count to
// match.
ByteRange RangeWithin(const string& s, int64_t first, int64_t count) {
  if (first < 0) {
    count += first;
    first = 0;
  }
  if (count < 1 || first >= s.Length()) return {0, 0};
  count = std::min<int64_t>(count, s.Length() - first);
  return {static_cast<int32_t>(first), static_cast<int32_t>(count)};
}

// The bytes of RangeWithin, with a reference for the caller.
stringStorage* HandSlice(const string& s, int64_t first, int64_t count) {
  const ByteRange range = RangeWithin(s, first, count);
  return StringRecordBytes(s.Storage(), range.first, range.count);
}

bool IsShiftedText(const string& s) { return !InitialShiftEscape(s.Encoding()).empty(); }

// The byte-order mark of big-endian 32-bit text, which a slice needs to be read in that order;
// empty for other text (unmarked 32-bit text reads as little-endian).
std::string_view BigEndianMarkOf(const string& s) {
  if (s.Encoding() != kEncodingUTF32 || UTF32MarkLength(s) == 0 || s.Bytes()[0] != 0) return {};
  return {reinterpret_cast<const char*>(s.Bytes()), 4};
}

// True when the character forms' slices of s need more than its bytes: a stateful encoding's
// escapes or a byte order.
bool SlicesNeedState(const string& s) { return IsShiftedText(s) || !BigEndianMarkOf(s).empty(); }

string WithOpeningAndClosing(std::string_view opening, const unsigned char* bytes, int32_t count,
                             std::string_view closing, TextEncoding encoding) {
  std::string joined(opening);
  joined.append(reinterpret_cast<const char*>(bytes), static_cast<size_t>(count));
  joined.append(closing);
  return string::FromBytes(joined.data(), static_cast<int64_t>(joined.size()), encoding);
}

// The character forms' slice of count bytes from first, in text for which SlicesNeedState.
// ISO-2022-JP's holds the whole characters among those bytes (the bytes of an escape are
// none), starts in the shift state in force where they stand and ends in the initial state,
// so that it holds characters of the text and can be joined to other text. Big-endian 32-bit
// text's starts with the text's mark unless it starts with the text, so that it is read in the
// text's byte order.
stringStorage* HandStatefulSlice(const string& s, int64_t first, int64_t count) {
  const ByteRange range = RangeWithin(s, first, count);
  if (range.count == 0) return nullptr;
  if (!IsShiftedText(s)) {
    const std::string_view mark = range.first > 0 ? BigEndianMarkOf(s) : std::string_view();
    return WithOpeningAndClosing(mark, s.Bytes() + range.first, range.count, {}, s.Encoding())
        .ExtractStringStorage();
  }
  const ByteSpan whole = WholeUnitsWithin(s, range.first, range.first + range.count);
  if (whole.end == whole.start) return nullptr;
  const bool shiftedAtEnd = !ShiftEscapeAt(s, whole.end).empty();
  return WithOpeningAndClosing(ShiftEscapeAt(s, whole.start), s.Bytes() + whole.start,
                               whole.end - whole.start,
                               shiftedAtEnd ? InitialShiftEscape(s.Encoding()) : std::string_view(),
                               s.Encoding())
      .ExtractStringStorage();
}

// Characters first .. first + count - 1 (0-based) of UTF-8 text. The walk starts where the
// last one on the same record ended, so a loop over the characters of a long text walks it
// once.
UTF8Span UTF8Characters(const string& s, int64_t first, int64_t count) {
  return UTF8SpanInRecord(s.Storage(), ClampToInt32(first), ClampToInt32(count));
}

stringStorage* Hand(const string& s) { return s.ExtractStringStorage(); }

}  // namespace

extern "C" int32_t StringLen(stringStorage* s) { return stringStorage::Length(s); }
QV_EXPORT(StringLen)

extern "C" int32_t StringDBCSLen(stringStorage* s) {
  string text(s);
  switch (UnitOf(text)) {
    case CharacterUnit::kUTF8:
      return text.Length() - UTF8ContinuationBytes(text.Bytes(), text.Length());
    case CharacterUnit::kUnit16:
      return text.Length() / 2;
    default:
      return text.Length();
  }
}
QV_EXPORT(StringDBCSLen)

extern "C" stringStorage* StringLeft(stringStorage* s, int32_t n) {
  return Hand(left(string(s), n));
}
QV_EXPORT(StringLeft)

extern "C" stringStorage* StringDBCSLeft(stringStorage* s, int32_t n) {
  if (!s || n < 1) return nullptr;
  string text(s);
  if (IsShiftedText(text)) return HandStatefulSlice(text, 0, n);
  return Hand(left(text, BytesOfCharacters(text, 0, n)));
}
QV_EXPORT(StringDBCSLeft)

extern "C" stringStorage* StringRight(stringStorage* s, int32_t n) {
  return Hand(right(string(s), n));
}
QV_EXPORT(StringRight)

extern "C" stringStorage* StringDBCSRight(stringStorage* s, int32_t n) {
  if (!s || n < 1) return nullptr;
  string text(s);
  if (SlicesNeedState(text)) return HandStatefulSlice(text, int64_t{text.Length()} - n, n);
  if (UnitOf(text) != CharacterUnit::kUTF8) return Hand(right(text, BytesOfCharacters(text, 0, n)));
  const char* begin = text.CString();
  const char* p = begin + text.Length();
  BackupUTF8(p, begin, n);
  return Hand(mid(text, static_cast<int32_t>(p - begin)));
}
QV_EXPORT(StringDBCSRight)

extern "C" stringStorage* StringMid2(stringStorage* s, int32_t start) {
  return Hand(mid(string(s), std::max(start, 1) - 1));
}
QV_EXPORT(StringMid2)

extern "C" stringStorage* StringDBCSMid2(stringStorage* s, int32_t start) {
  if (!s) return nullptr;
  string text(s);
  const int32_t first = std::max(start, 1) - 1;
  if (UnitOf(text) == CharacterUnit::kUTF8) return Hand(mid(text, UTF8Characters(text, first, 0).offset));
  if (SlicesNeedState(text)) return HandStatefulSlice(text, first, text.Length());
  return Hand(mid(text, BytesOfCharacters(text, 0, first)));
}
QV_EXPORT(StringDBCSMid2)

extern "C" stringStorage* StringMid3(stringStorage* s, int32_t start, int32_t count) {
  return HandSlice(string(s), int64_t{start} - 1, count);
}
QV_EXPORT(StringMid3)

stringStorage* StringMidCharacters(stringStorage* s, int32_t start, int32_t count) {
  if (!s || count < 1) return nullptr;
  int64_t first = start, n = count;
  if (first < 1) {
    n -= 1 - first;
    first = 1;
  }
  if (n < 1) return nullptr;
  string text(s);
  if (UnitOf(text) == CharacterUnit::kUTF8) {
    const UTF8Span span = UTF8Characters(text, first - 1, n);
    return HandSlice(text, span.offset, span.length);
  }
  int32_t offset = BytesOfCharacters(text, 0, first - 1);
  if (SlicesNeedState(text)) return HandStatefulSlice(text, offset, n);
  return HandSlice(text, offset, BytesOfCharacters(text, offset, n));
}

extern "C" int32_t StringAsc(stringStorage* s) {
  return stringStorage::Length(s) ? stringStorage::PString(s)[1] : 0;
}
QV_EXPORT(StringAsc)

extern "C" int32_t StringDBCSAsc(stringStorage* s) {
  string text(s);
  if (text.IsEmpty()) return 0;
  if (UnitOf(text) == CharacterUnit::kUTF8)
    return static_cast<int32_t>(UTF8Decode(text.CString(), text.CString() + text.Length()));
  if (UnitOf(text) == CharacterUnit::kUnit16 && text.Length() >= 2)
    return text.Bytes()[0] | text.Bytes()[1] << 8;
  return text.Bytes()[0];
}
QV_EXPORT(StringDBCSAsc)

namespace {

// Codes 0-127 are ASCII; any other single byte has no known encoding.
string OneByte(int32_t n) {
  unsigned char byte = static_cast<unsigned char>(n);
  return string::FromBytes(&byte, 1, n >= 0 && n < 128 ? kEncodingASCII : kEncodingNone);
}

}  // namespace

extern "C" stringStorage* StringChr(int32_t n) { return Hand(OneByte(n)); }
QV_EXPORT(StringChr)

extern "C" stringStorage* StringDBCSChr(int32_t n) {
  if (n < 256) return Hand(OneByte(n));
  unsigned char bytes[2] = {static_cast<unsigned char>(n >> 8), static_cast<unsigned char>(n)};
  return Hand(string::FromBytes(bytes, 2, kEncodingNone));
}
QV_EXPORT(StringDBCSChr)
