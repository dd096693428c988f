// Strings: the reference-counted record that every text value lives in, and `string`, the
// one-pointer handle through which the framework holds it.
//
// A record is one small-block allocation: a five-word header followed by the data area. The
// data area starts with a length byte (min(length, 255)), then the text bytes, then a NUL, so
// the data pointer is a counted string and data + 1 a NUL-terminated one. Compiled code and
// plug-ins read the header directly, so its layout never changes.
//
// Invariants: a record whose count is above 1 is shared and never written; every handle owns
// one reference; no record of length 0 exists (the empty string is the nil handle). Everything
// here counts bytes, never characters.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>

// Text-encoding codes (classic Macintosh numbering; low 16 bits are the base, the top bits the
// format). The full list of codes with a converter lives in TextEncoding.h.
using TextEncoding = uint32_t;
constexpr TextEncoding kEncodingMacRoman = 0;
constexpr TextEncoding kEncodingUnicode16 = 0x0100;  // 16-bit units, little-endian, no BOM
constexpr TextEncoding kEncodingUnicode16Last = 0x01FF;  // end of the 16-bit Unicode family
constexpr TextEncoding kEncodingWindowsLatin1 = 0x0500;
constexpr TextEncoding kEncodingASCII = 0x0600;  // literals; nil strings count as this
constexpr TextEncoding kEncodingISO2022JP = 0x0820;  // stateful: escapes shift its state
constexpr TextEncoding kEncodingUTF8 = 0x08000100;  // the system encoding on this platform
constexpr TextEncoding kEncodingUTF32 = 0x0C000100;
constexpr TextEncoding kEncodingNone = 0xFFFF;  // bytes of no known encoding; never converted

// One unit of a 16-bit Unicode text as it lies in a record: the text starts one byte after the
// data pointer, at an odd address, so the unit type carries no alignment.
typedef char16_t UTF16Unit __attribute__((aligned(1)));

// True for the codes 0x100 .. 0x1FF, the 16-bit Unicode family.
constexpr bool IsUnicode16Encoding(TextEncoding e) {
  return e >= kEncodingUnicode16 && e <= kEncodingUnicode16Last;
}

// The string record (plug-ins know it as QUORstring). Fields are read by compiled code.
struct stringStorage {
  uint32_t refCount;     // 1 when made
  unsigned char* data;   // the data area, right after this header
  uint32_t capacity;     // bytes in the data area; length + 2 when made, never changes
  uint32_t length;       // text bytes
  TextEncoding encoding; // kEncodingNone until the maker sets one

  // Each accepts nil: nil is the empty string. Inline because every string operation uses them.
  static void AddReference(stringStorage* record) {
    if (record) ++record->refCount;
  }
  static void RemoveReference(stringStorage* record) {  // frees at zero
    if (record && --record->refCount == 0) Free(record);
  }
  static int32_t Length(const stringStorage* record) {
    return record ? static_cast<int32_t>(record->length) : 0;
  }
  static const char* CString(const stringStorage* record) {
    return reinterpret_cast<const char*>(PString(record) + 1);
  }
  static const unsigned char* PString(const stringStorage* record) {
    return record ? record->data : kEmptyCounted;
  }

 private:
  static const unsigned char kEmptyCounted[2];  // the counted and NUL-terminated views of nil
  static void Free(stringStorage* record);
};
static_assert(sizeof(stringStorage) == 20, "stringStorage is read by compiled code");
static_assert(offsetof(stringStorage, refCount) == 0, "stringStorage layout");
static_assert(offsetof(stringStorage, data) == 4, "stringStorage layout");
static_assert(offsetof(stringStorage, capacity) == 8, "stringStorage layout");
static_assert(offsetof(stringStorage, length) == 12, "stringStorage layout");
static_assert(offsetof(stringStorage, encoding) == 16, "stringStorage layout");

constexpr uint32_t kStringHeaderSize = sizeof(stringStorage);
// Longest text a record may hold: its block size (length + 22) and every length sum that
// reaches AllocateBuffer stay well inside 32 bits, and Length() fits an int32_t.
constexpr uint32_t kMaxStringLength = 0x7FFFFFFFu - 64u;

// Counted byte comparison: the first differing byte decides, else the shorter run sorts first.
inline int32_t CompareByteRuns(const unsigned char* a, int32_t la, const unsigned char* b,
                               int32_t lb) {
  int order = __builtin_memcmp(a, b, static_cast<size_t>(la < lb ? la : lb));
  return order ? order : la - lb;
}

class string {
 public:
  string() = default;
  // A literal or other ASCII text: its bytes, encoding kEncodingASCII. nil gives nil.
  string(const char* text);  // NOLINT: literals convert implicitly on purpose
  // Shares record (adds a reference). Use Adopt for a record whose reference is handed over.
  // Inline, as every string function makes and drops handles.
  explicit string(stringStorage* record) : mRecord(record) { stringStorage::AddReference(record); }
  string(const string& other) : mRecord(other.mRecord) { stringStorage::AddReference(mRecord); }
  string(string&& other) noexcept : mRecord(std::exchange(other.mRecord, nullptr)) {}
  ~string() { stringStorage::RemoveReference(mRecord); }

  string& operator=(const string& other);
  string& operator=(string&& other) noexcept;

  // Takes over the reference that the caller owns on record (nil allowed).
  static string Adopt(stringStorage* record);
  // n bytes with the given encoding (overlapping source allowed); 0 bytes give nil.
  static string FromBytes(const void* bytes, int64_t n, TextEncoding encoding);
  // Records of count slices of one text, made in one pass with no handle around them (Split's
  // pieces, straight into their array): records[k] gets bytes [bounds[2k], bounds[2k + 1]) of
  // text with encoding and one reference, nil for an empty slice. The slices lie within the
  // text of one record.
  static void MakeSliceRecords(const unsigned char* text, const int32_t* bounds, int32_t count,
                               TextEncoding encoding, stringStorage** records);

  // Replaces the record by a fresh one of n bytes, count 1, encoding kEncodingNone, with the
  // last text byte and the NUL zeroed; the caller fills the rest. n = 0 leaves nil. A size
  // that does not fit is reported and leaves nil; returns whether the handle holds n bytes.
  bool AllocateBuffer(int64_t n);
  bool ConstructFromBuffer(const void* bytes, int64_t n);
  bool ConstructFromBuffer(const stringStorage* record);  // bytes only, not the encoding
  // n 32-bit characters; the low 16 bits of each become one unit of a kEncodingUnicode16 text.
  bool ConstructFromWString(const uint32_t* chars, int64_t n);
  bool ConstructFromUTF16String(const uint16_t* units, int64_t n);

  // The record with one more reference that the receiver (compiled code) owns. A handle about
  // to go (a result being returned) hands over its own reference instead.
  stringStorage* ExtractStringStorage() const&;
  stringStorage* ExtractStringStorage() && { return std::exchange(mRecord, nullptr); }
  // The record without a reference (borrowed while this handle lives); nil for the empty string.
  stringStorage* Storage() const { return mRecord; }
  // Lets go of the record, leaving nil.
  void Release();

  bool IsEmpty() const { return mRecord == nullptr; }
  int32_t Length() const { return stringStorage::Length(mRecord); }
  // The record's encoding, or kEncodingASCII for nil.
  TextEncoding Encoding() const { return mRecord ? mRecord->encoding : kEncodingASCII; }
  // Relabels without converting (makes the record private first when shared).
  void SetEncoding(TextEncoding encoding);

  const char* CString() const { return stringStorage::CString(mRecord); }
  const unsigned char* PString() const { return stringStorage::PString(mRecord); }
  const unsigned char* Bytes() const { return PString() + 1; }
  // The text of a 16-bit Unicode record; any other encoding is reported and gives "".
  const UTF16Unit* WString() const;
  // Writable views for the string core, which fills fresh (private) records through them.
  explicit operator char*();
  explicit operator unsigned char*();
  explicit operator UTF16Unit*();

  // Writable pointer to text byte pos; a shared record is first copied (copy on write).
  char* MutableChar(int32_t pos);

  bool ContainsOnlyASCII() const;
  string GetUTF8String() const;
  string GetUTF16String() const;

  string& operator+=(const char* text);
  string& operator+=(const string& other);

  // Negative, zero or positive. Compare folds case through the Mac Roman fold table.
  int32_t CompareWithCase(const string& other) const {
    // Same encoding (the common case): the bytes decide, inline for the callers' loops.
    if (mRecord == other.mRecord) return 0;
    if (Encoding() != other.Encoding()) return CompareWithCaseConverting(other);
    return CompareByteRuns(Bytes(), Length(), other.Bytes(), other.Length());
  }
  int32_t Compare(const string& other) const;
  int32_t CompareWithCase(const char* text) const;

 private:
  int32_t CompareWithCaseConverting(const string& other) const;
  stringStorage* mRecord = nullptr;
};
static_assert(sizeof(string) == sizeof(void*), "a string handle is one pointer");

string operator+(const string& a, const string& b);
string operator+(const string& s, char ch);

// Byte slices, 0-based; results carry the source's encoding; empty results are nil.
string left(const string& s, int32_t n);
string right(const string& s, int32_t n);
string mid(const string& s, int32_t start);
string mid(const string& s, int32_t start, int32_t count);

// Blanks are space and tab only.
string ltrim(const string& s);
string rtrim(const string& s);
string trim(const string& s);

// One character as a string in the given encoding.
string UnicodeChar(uint32_t code, TextEncoding encoding);

// Start-up and shut-down hooks of the string module (nothing to do on this platform).
void InitStrings();
void TermStrings();
