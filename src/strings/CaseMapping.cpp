// Unicode case mapping over the generated case table (see CaseMapping.h).
#include "strings/CaseMapping.h"

#include <algorithm>
#include <cstring>

#include "core/ByteUtilities.h"
#include "core/IntMap.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"
#include "strings/UTF8.h"

namespace {

struct CaseRow {
  uint16_t character;
  uint16_t fold;
  bool namesUpperCase;  // the character is the capital of its fold, not just folded to it
};

constexpr CaseRow kCaseTable[] = {
#include "strings/CaseTable.inc"
};
constexpr int32_t kCaseRowCount = sizeof kCaseTable / sizeof kCaseTable[0];

// Character -> row and fold -> row. Filled from the last row to the first, so that where a key
// occurs in several rows the first row wins.
class CaseMaps {
 public:
  CaseMaps() {
    for (int32_t row = kCaseRowCount - 1; row >= 0; --row) {
      const CaseRow& entry = kCaseTable[row];
      mByCharacter.AddEntry(entry.character, static_cast<unsigned short>(row));
      if (entry.namesUpperCase) mByFold.AddEntry(entry.fold, static_cast<unsigned short>(row));
    }
  }

  const CaseRow* FindCharacter(uint32_t code) const { return Find(mByCharacter, code); }
  const CaseRow* FindFold(uint32_t code) const { return Find(mByFold, code); }

 private:
  static const CaseRow* Find(const IntMap<unsigned short>& map, uint32_t code) {
    unsigned short row = 0;
    if (code > 0xFFFF || !map.GetEntry(static_cast<int32_t>(code), &row)) return nullptr;
    return &kCaseTable[row];
  }

  IntMap<unsigned short> mByCharacter;
  IntMap<unsigned short> mByFold;
};

// Built on the first lookup, freed at process exit.
const CaseMaps& Maps() {
  static const CaseMaps maps;
  return maps;
}

// Title case state: upper case first and after white space, lower case elsewhere.
struct TitleCaser {
  bool afterWhiteSpace = true;

  uint32_t Map(uint32_t code) {
    const uint32_t mapped = afterWhiteSpace ? UnicodeToUpper(code) : UnicodeToLower(code);
    afterWhiteSpace = IsWhiteSpace(mapped);
    return mapped;
  }
};

uint32_t MapToUpper(uint32_t code, void*) { return UnicodeToUpper(code); }
uint32_t MapToLower(uint32_t code, void*) { return UnicodeToLower(code); }
uint32_t MapToTitle(uint32_t code, void* context) {
  return static_cast<TitleCaser*>(context)->Map(code);
}

int32_t CompareLengths(int32_t a, int32_t b) { return a < b ? -1 : a > b ? 1 : 0; }

// The output of a UTF-8 conversion: a NUL-terminated buffer that grows as pieces arrive.
class GrowingBuffer {
 public:
  explicit GrowingBuffer(uint32_t capacity)
      : mData(static_cast<char*>(OSalloc(capacity, kMemFullQuit))), mCapacity(capacity) {}
  ~GrowingBuffer() { OSfree(mData); }
  GrowingBuffer(const GrowingBuffer&) = delete;
  GrowingBuffer& operator=(const GrowingBuffer&) = delete;

  // False, with a report, when the text would outgrow a 32-bit length.
  bool Append(const char* bytes, uint32_t count) {
    if (!Reserve(static_cast<uint64_t>(mLength) + count + 1)) return false;
    memcpy(mData + mLength, bytes, count);
    mLength += count;
    return true;
  }

  void Hand(char** outBuffer, int32_t* outLength) {
    mData[mLength] = 0;
    if (outLength) *outLength = static_cast<int32_t>(mLength);
    if (!outBuffer) return;
    *outBuffer = mData;
    mData = nullptr;
  }

 private:
  bool Reserve(uint64_t needed) {
    if (needed <= mCapacity) return true;
    if (!QV_CHECK_MSG(needed <= INT32_MAX, "case-mapped text too long")) return false;
    const uint64_t grown = std::max<uint64_t>(needed, static_cast<uint64_t>(mCapacity) * 2);
    const auto capacity = static_cast<uint32_t>(std::min<uint64_t>(grown, INT32_MAX));
    char* data = static_cast<char*>(OSalloc(capacity, kMemFullQuit));
    memcpy(data, mData, mLength);
    OSfree(mData);
    mData = data;
    mCapacity = capacity;
    return true;
  }

  char* mData;
  uint32_t mCapacity;
  uint32_t mLength = 0;
};

char* MapUCS2Units(const char* units, int32_t byteLength, CharacterMapping map, void* context) {
  if (!QV_CHECK(byteLength >= 0)) return nullptr;
  if (!QV_CHECK(units || byteLength == 0)) return nullptr;
  char* out = static_cast<char*>(OSalloc(byteLength ? byteLength : 1, kMemFullQuit));
  if (byteLength) memcpy(out, units, byteLength);
  for (int32_t offset = 0; offset + 2 <= byteLength; offset += 2) {
    uint16_t unit;
    memcpy(&unit, out + offset, 2);
    unit = static_cast<uint16_t>(map(unit, context));
    memcpy(out + offset, &unit, 2);
  }
  return out;
}

}  // namespace

bool IsWhiteSpace(uint32_t code) {
  if ((code >= 0x09 && code <= 0x0D) || (code >= 0x2000 && code <= 0x200A)) return true;
  switch (code) {
    case 0x20:
    case 0x85:
    case 0xA0:
    case 0x1680:
    case 0x180E:
    case 0x2028:
    case 0x2029:
    case 0x202F:
    case 0x205F:
    case 0x3000:
      return true;
    default:
      return false;
  }
}

uint32_t UnicodeToUpper(uint32_t code) {
  const CaseRow* row = Maps().FindFold(code);
  return row ? row->character : code;
}

uint32_t UnicodeToLower(uint32_t code) {
  const CaseRow* row = Maps().FindCharacter(code);
  return row ? row->fold : code;
}

// A character's upper case is the character of the row that holds it as fold, or itself; so
// the characters sharing an upper case are that capital and the folds of its rows.
int32_t UnicodeCaseVariants(uint32_t code, uint32_t* out, int32_t max) {
  const uint32_t upper = UnicodeToUpper(code);
  int32_t count = 0;
  auto note = [&](uint32_t candidate) {
    if (UnicodeToUpper(candidate) != upper) return;
    for (int32_t i = 0; i < std::min(count, max); ++i) {
      if (out[i] == candidate) return;
    }
    if (count < max) out[count] = candidate;
    ++count;
  };
  note(upper);
  for (const CaseRow& row : kCaseTable) {
    if (row.character == upper) note(row.fold);
  }
  return count;
}

void MapUTF8Characters(const char* bytes, int32_t length, CharacterMapping map, void* context,
                       char** outBuffer, int32_t* outLength) {
  if (!outBuffer && !outLength) return;
  if (!QV_CHECK(length >= 0)) return;
  if (!QV_CHECK(bytes || length == 0)) return;
  GrowingBuffer out(static_cast<uint32_t>(length) + kUTF8EncodeBufferSize);
  const char* end = bytes + length;
  for (const char* p = bytes; p < end;) {
    const char* start = p;
    const uint32_t code = NextUTF8Character(p, end);
    const uint32_t mapped = map(code, context);
    char encoded[kUTF8EncodeBufferSize];
    const bool keep = mapped == code;
    const bool appended = keep ? out.Append(start, static_cast<uint32_t>(p - start))
                               : out.Append(encoded, UTF8Encode(mapped, encoded));
    if (!appended) return;
  }
  out.Hand(outBuffer, outLength);
}

void UTF8ToUpper(const char* bytes, int32_t length, char** outBuffer, int32_t* outLength) {
  MapUTF8Characters(bytes, length, MapToUpper, nullptr, outBuffer, outLength);
}

void UTF8ToLower(const char* bytes, int32_t length, char** outBuffer, int32_t* outLength) {
  MapUTF8Characters(bytes, length, MapToLower, nullptr, outBuffer, outLength);
}

void UTF8Capitalize(const char* bytes, int32_t length, char** outBuffer, int32_t* outLength) {
  TitleCaser title;
  MapUTF8Characters(bytes, length, MapToTitle, &title, outBuffer, outLength);
}

char* UCS2ToUpper(const char* units, int32_t byteLength) {
  return MapUCS2Units(units, byteLength, MapToUpper, nullptr);
}

char* UCS2ToLower(const char* units, int32_t byteLength) {
  return MapUCS2Units(units, byteLength, MapToLower, nullptr);
}

char* UCS2Capitalize(const char* units, int32_t byteLength) {
  TitleCaser title;
  return MapUCS2Units(units, byteLength, MapToTitle, &title);
}

bool UTF8IsCaseless(const char* bytes, int32_t length) {
  if (!QV_CHECK(length >= 0)) return false;
  if (!QV_CHECK(bytes || length == 0)) return false;
  const CaseMaps& maps = Maps();
  const char* end = bytes + length;
  for (const char* p = bytes; p < end;) {
    const uint32_t code = NextUTF8Character(p, end);
    if (maps.FindCharacter(code) || maps.FindFold(code)) return false;
  }
  return true;
}

int32_t UTF8StringCompare(const char* a, int32_t aLength, const char* b, int32_t bLength,
                          bool ignoreCase) {
  if (!QV_CHECK(aLength >= 0 && bLength >= 0)) return 0;
  if (!QV_CHECK((a || aLength == 0) && (b || bLength == 0))) return 0;
  const char* aEnd = a + aLength;
  const char* bEnd = b + bLength;
  while (a < aEnd && b < bEnd) {
    const uint32_t aCode = NextUTF8Character(a, aEnd);
    const uint32_t bCode = NextUTF8Character(b, bEnd);
    if (const int32_t order = UnicodeCharCompare(aCode, bCode, ignoreCase)) return order;
  }
  return CompareLengths(aLength, bLength);
}

int32_t UCS2StringCompare(const char* a, int32_t aUnits, const char* b, int32_t bUnits,
                          bool ignoreCase) {
  if (!QV_CHECK(aUnits >= 0 && bUnits >= 0)) return 0;
  if (!QV_CHECK((a || aUnits == 0) && (b || bUnits == 0))) return 0;
  const int32_t common = aUnits < bUnits ? aUnits : bUnits;
  for (int32_t i = 0; i < common; ++i) {
    uint16_t aUnit, bUnit;
    memcpy(&aUnit, a + 2 * i, 2);
    memcpy(&bUnit, b + 2 * i, 2);
    if (const int32_t order = UnicodeCharCompare(aUnit, bUnit, ignoreCase)) return order;
  }
  return CompareLengths(aUnits, bUnits);
}
