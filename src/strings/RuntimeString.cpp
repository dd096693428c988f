#include "strings/RuntimeString.h"

#include <cstring>
#include <utility>

#include "core/ByteUtilities.h"
#include "core/Memory.h"
#include "core/RuntimeError.h"
#include "core/VectorStuff.h"
#include "strings/TextEncoding.h"
#include "strings/UTF8.h"
#include "strings/UTF8Positions.h"

namespace {

// The writable views of nil hand out scratch bytes that are cleared on every hand-out, so a
// stray write cannot change what nil reads as.
unsigned char gWritableEmpty[4];
char gScratchByte;

// Size of the block of a record with n text bytes: header, length byte, text, NUL.
uint32_t RecordBlockSize(uint32_t n) { return kStringHeaderSize + n + 2; }

// A fresh record of n (1 .. kMaxStringLength) bytes: count 1, no encoding, the length byte
// set, the last text byte and the NUL cleared.
[[gnu::always_inline]] inline stringStorage* NewRecord(uint32_t n) {
  auto* record = static_cast<stringStorage*>(OSalloclen(RecordBlockSize(n), kMemFullQuit));
  if (!QV_CHECK(record)) return nullptr;
  record->refCount = 1;
  record->data = reinterpret_cast<unsigned char*>(record + 1);
  record->capacity = n + 2;
  record->length = n;
  record->encoding = kEncodingNone;
  record->data[0] = static_cast<unsigned char>(n > 255 ? 255 : n);
  record->data[n] = 0;
  record->data[n + 1] = 0;
  return record;
}

// Copies n (>= 1) bytes into a fresh record. Most texts made from bytes are pieces of a few
// bytes (Split, NthField, Mid): two overlapping word copies inline cost less than the call.
[[gnu::always_inline]] inline void CopyIntoRecord(unsigned char* to, const void* from,
                                                   uint32_t n) {
  const auto* bytes = static_cast<const unsigned char*>(from);
  if (n > 8) {
    std::memcpy(to, from, n);
  } else if (n >= 4) {
    __builtin_memcpy(to, bytes, 4);
    __builtin_memcpy(to + n - 4, bytes + n - 4, 4);
  } else {
    to[0] = bytes[0];
    to[n / 2] = bytes[n / 2];
    to[n - 1] = bytes[n - 1];
  }
}

// A fresh record of n (1 .. kMaxStringLength) bytes copied from bytes (or left to fill, for
// nil bytes) with encoding.
[[gnu::always_inline]] inline stringStorage* RecordOfBytes(const void* bytes, uint32_t n,
                                                           TextEncoding encoding) {
  stringStorage* record = NewRecord(n);
  if (!record) return nullptr;
  if (bytes) CopyIntoRecord(record->data + 1, bytes, n);
  record->encoding = encoding;
  return record;
}

bool LengthFits(int64_t n) {
  return QV_CHECK_TEXT(n >= 0 && n <= static_cast<int64_t>(kMaxStringLength),
                       "n >= 0 && n <= kMaxStringLength", nullptr);
}

// A record of the bytes of two runs, made at its final size and filled by two copies; nil
// when both are empty or the sum does not fit. Each length is checked as it stands: one of
// 2^31 or more would pass as negative in the sum.
stringStorage* JoinRuns(const unsigned char* a, int64_t la, const unsigned char* b, int64_t lb,
                        TextEncoding encoding) {
  if (la + lb == 0 || !LengthFits(la) || !LengthFits(lb) || !LengthFits(la + lb)) return nullptr;
  stringStorage* record = NewRecord(static_cast<uint32_t>(la + lb));
  if (!record) return nullptr;
  if (la) std::memcpy(record->data + 1, a, static_cast<size_t>(la));
  if (lb) std::memcpy(record->data + 1 + la, b, static_cast<size_t>(lb));
  record->encoding = encoding;
  return record;
}

stringStorage* JoinRecords(const stringStorage* a, const stringStorage* b,
                           TextEncoding encoding) {
  return JoinRuns(stringStorage::PString(a) + 1, a ? a->length : 0,
                  stringStorage::PString(b) + 1, b ? b->length : 0, encoding);
}

// A new handle on bytes [start, start + count) of s under s's encoding; nil for count 0.
string Slice(const string& s, int32_t start, int32_t count) {
  return string::FromBytes(s.Bytes() + start, count, s.Encoding());
}

// Counted comparison through the byte utilities: ustrcmpi folds through the Mac Roman table.
int32_t CompareCounted(const string& a, const string& b, bool fold) {
  return fold ? ustrcmpi(a.CString(), a.Length(), b.CString(), b.Length())
              : ustrcmp(a.CString(), a.Length(), b.CString(), b.Length());
}

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t'; }

}  // namespace

// ---- record level ----

const unsigned char stringStorage::kEmptyCounted[2] = {0, 0};

void stringStorage::Free(stringStorage* record) {
  ForgetUTF8Position(record);
  OSfreelen(record, record->capacity + kStringHeaderSize);
}

// ---- handle: life ----

string::string(const char* text) {
  if (!text) return;
  if (ConstructFromBuffer(text, static_cast<int64_t>(std::strlen(text))) && mRecord)
    mRecord->encoding = kEncodingASCII;
}

string& string::operator=(const string& other) {
  if (other.mRecord == mRecord) return *this;
  stringStorage::AddReference(other.mRecord);
  stringStorage::RemoveReference(std::exchange(mRecord, other.mRecord));
  return *this;
}

string& string::operator=(string&& other) noexcept {
  if (this == &other) return *this;
  stringStorage::RemoveReference(std::exchange(mRecord, std::exchange(other.mRecord, nullptr)));
  return *this;
}

string string::Adopt(stringStorage* record) {
  string s;
  s.mRecord = record;
  return s;
}

// A new handle cannot overlap its source, so the record is made in place: every piece of
// Split and every slice comes through here.
string string::FromBytes(const void* bytes, int64_t n, TextEncoding encoding) {
  string s;
  if (n == 0 || !LengthFits(n)) return s;
  s.mRecord = RecordOfBytes(bytes, static_cast<uint32_t>(n), encoding);
  return s;
}

void string::MakeSliceRecords(const unsigned char* text, const int32_t* bounds, int32_t count,
                              TextEncoding encoding, stringStorage** records) {
  for (int32_t k = 0; k < count; ++k) {
    const int32_t begin = bounds[2 * k], n = bounds[2 * k + 1] - begin;
    records[k] = n > 0 ? RecordOfBytes(text + begin, static_cast<uint32_t>(n), encoding) : nullptr;
  }
}

void string::Release() { stringStorage::RemoveReference(std::exchange(mRecord, nullptr)); }

stringStorage* string::ExtractStringStorage() const& {
  stringStorage::AddReference(mRecord);
  return mRecord;
}

// ---- handle: making records ----

bool string::AllocateBuffer(int64_t n) {
  Release();
  if (n == 0) return true;
  if (!LengthFits(n)) return false;
  mRecord = NewRecord(static_cast<uint32_t>(n));
  return mRecord != nullptr;
}

bool string::ConstructFromBuffer(const void* bytes, int64_t n) {
  // The source may lie inside the record being replaced: copy before letting go of it.
  string fresh;
  if (!fresh.AllocateBuffer(n)) return false;
  if (bytes && n) std::memcpy(fresh.mRecord->data + 1, bytes, static_cast<size_t>(n));
  *this = std::move(fresh);
  return true;
}

bool string::ConstructFromBuffer(const stringStorage* record) {
  return ConstructFromBuffer(stringStorage::PString(record) + 1, stringStorage::Length(record));
}

bool string::ConstructFromWString(const uint32_t* chars, int64_t n) {
  if (n <= 0 || !chars) {
    Release();
    return n == 0;
  }
  if (!AllocateBuffer(2 * n)) return false;
  unsigned char* out = mRecord->data + 1;
  for (int64_t i = 0; i < n; ++i) {
    out[2 * i] = static_cast<unsigned char>(chars[i] & 0xFF);
    out[2 * i + 1] = static_cast<unsigned char>((chars[i] >> 8) & 0xFF);
  }
  mRecord->encoding = kEncodingUnicode16;
  return true;
}

bool string::ConstructFromUTF16String(const uint16_t* units, int64_t n) {
  if (n < 1 || !units) {
    Release();
    return n < 1;
  }
  if (!ConstructFromBuffer(units, 2 * n)) return false;
  mRecord->encoding = kEncodingUnicode16;
  return true;
}

// ---- handle: views ----

void string::SetEncoding(TextEncoding encoding) {
  if (!mRecord || mRecord->encoding == encoding) return;
  if (mRecord->refCount > 1) {
    TextEncoding kept = mRecord->encoding;
    if (!ConstructFromBuffer(mRecord)) return;
    mRecord->encoding = kept;
  }
  mRecord->encoding = encoding;
}

const UTF16Unit* string::WString() const {
  static const UTF16Unit kEmptyWide[1] = {0};
  if (!mRecord) return kEmptyWide;
  if (!IsUnicode16Encoding(mRecord->encoding)) {
    QV_FAIL(nullptr);
    return kEmptyWide;
  }
  return reinterpret_cast<const UTF16Unit*>(mRecord->data + 1);
}

string::operator char*() {
  return reinterpret_cast<char*>(static_cast<unsigned char*>(*this) + 1);
}

// The writable views forget where a character walk over the record ended: its bytes may change.
string::operator unsigned char*() {
  if (mRecord) {
    ForgetUTF8Position(mRecord);
    return mRecord->data;
  }
  std::memset(gWritableEmpty, 0, sizeof gWritableEmpty);
  return gWritableEmpty;
}

string::operator UTF16Unit*() {
  if (mRecord) ForgetUTF8Position(mRecord);
  if (mRecord && IsUnicode16Encoding(mRecord->encoding))
    return reinterpret_cast<UTF16Unit*>(mRecord->data + 1);
  if (mRecord) QV_FAIL(nullptr);
  std::memset(gWritableEmpty, 0, sizeof gWritableEmpty);
  return reinterpret_cast<UTF16Unit*>(gWritableEmpty);
}

char* string::MutableChar(int32_t pos) {
  gScratchByte = 0;
  if (!mRecord) {
    (void)QV_CHECK_TEXT(pos == 0, "not pos", nullptr);
    return &gScratchByte;
  }
  if (!QV_CHECK_TEXT(pos >= 0 && pos < Length(), "not (pos < 0 || pos >= Length())", nullptr))
    return &gScratchByte;
  if (mRecord->refCount > 1) {
    TextEncoding kept = mRecord->encoding;
    if (!ConstructFromBuffer(mRecord)) return &gScratchByte;
    mRecord->encoding = kept;
  }
  ForgetUTF8Position(mRecord);
  return reinterpret_cast<char*>(mRecord->data + 1 + pos);
}

bool string::ContainsOnlyASCII() const {
  if (!mRecord) return true;
  // In a Unicode or EBCDIC text, 7-bit bytes are not ASCII characters.
  if (mRecord->encoding != kEncodingNone && !IsASCIITransparentEncoding(mRecord->encoding))
    return false;
  return VectorStuff()->ContainsOnlyLowBytes(Bytes(), Length());
}

string string::GetUTF8String() const {
  if (!mRecord || mRecord->encoding == kEncodingUTF8) return *this;
  return ConvertEncoding(*this, kEncodingUTF8);
}

string string::GetUTF16String() const {
  if (!mRecord || mRecord->encoding == kEncodingUnicode16) return *this;
  // Bytes of no encoding are taken to be in the system encoding; the record is not relabelled,
  // since it may be shared.
  if (mRecord->encoding == kEncodingNone)
    return Adopt(ConvertTextUnix(mRecord, GetSystemEncoding(), kEncodingUnicode16));
  return ConvertEncoding(*this, kEncodingUnicode16);
}

// ---- concatenation ----

string& string::operator+=(const char* text) {
  if (!text || !*text) return *this;
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  const auto n = static_cast<int64_t>(std::strlen(text));
  if (!mRecord) return *this = FromBytes(bytes, n, kEncodingNone);
  if (!IsASCIITransparentEncoding(mRecord->encoding)) return *this = *this + string(text);
  stringStorage* joined = JoinRuns(Bytes(), Length(), bytes, n, mRecord->encoding);
  if (joined) *this = Adopt(joined);
  return *this;
}

string& string::operator+=(const string& other) {
  if (!other.mRecord) return *this;
  if (!mRecord) return *this = other;
  if (mRecord->encoding != other.mRecord->encoding) return *this = *this + other;
  stringStorage* joined = JoinRecords(mRecord, other.mRecord, mRecord->encoding);
  if (joined) *this = Adopt(joined);
  return *this;
}

string operator+(const string& a, const string& b) {
  if (b.IsEmpty()) return a;
  if (a.IsEmpty()) return b;
  TextEncoding ea = a.Encoding(), eb = b.Encoding();
  if (ea == eb) return string::Adopt(JoinRecords(a.Storage(), b.Storage(), ea));
  string ca = a, cb = b;
  TextEncoding common = ConvertToSameEncoding(&ca, &cb);
  // Without a common encoding the original bytes are joined, labelled as of no encoding.
  if (common == kEncodingNone) return string::Adopt(JoinRecords(a.Storage(), b.Storage(), common));
  return string::Adopt(JoinRecords(ca.Storage(), cb.Storage(), common));
}

string operator+(const string& s, char ch) {
  auto byte = static_cast<unsigned char>(ch);
  TextEncoding encoding = kEncodingNone;
  if (byte < 0x80)
    encoding = s.IsEmpty() ? kEncodingASCII : CommonEncoding(s.Encoding(), kEncodingASCII, false);
  // Text whose bytes an ASCII character cannot simply follow (wide, EBCDIC) meets it converted.
  if (byte < 0x80 && !IsASCIITransparentEncoding(s.Encoding()))
    return s + string::FromBytes(&byte, 1, kEncodingASCII);
  return string::Adopt(JoinRuns(s.Bytes(), s.Length(), &byte, 1, encoding));
}

// ---- comparison ----

namespace {

// Differing encodings: compare the pair brought to one encoding, or the bytes as they are when
// there is none.
int32_t CompareConverted(const string& a, const string& b, bool fold) {
  string ca = a, cb = b;
  if (ConvertToSameEncoding(&ca, &cb) != kEncodingNone) return CompareCounted(ca, cb, fold);
  return CompareCounted(a, b, fold);
}

int32_t CompareStrings(const string& a, const string& b, bool fold) {
  if (a.Storage() == b.Storage()) return 0;
  TextEncoding ea = a.Encoding(), eb = b.Encoding();
  if (ea != eb && ea != kEncodingNone && eb != kEncodingNone) return CompareConverted(a, b, fold);
  return CompareCounted(a, b, fold);
}

}  // namespace

int32_t string::CompareWithCaseConverting(const string& other) const {
  return CompareStrings(*this, other, false);
}

int32_t string::Compare(const string& other) const {
  return CompareStrings(*this, other, true);
}

int32_t string::CompareWithCase(const char* text) const {
  return std::strcmp(CString(), text ? text : "");
}

// ---- slices ----

string left(const string& s, int32_t n) {
  if (n >= s.Length()) return s;
  if (n < 1) return string();
  return Slice(s, 0, n);
}

string right(const string& s, int32_t n) {
  if (n >= s.Length()) return s;
  if (n < 1) return string();
  return Slice(s, s.Length() - n, n);
}

string mid(const string& s, int32_t start) {
  if (start <= 0) return s;
  if (start >= s.Length()) return string();
  return Slice(s, start, s.Length() - start);
}

string mid(const string& s, int32_t start, int32_t count) {
  int64_t first = start, n = count;
  if (first < 0) {
    n += first;
    first = 0;
  }
  if (first >= s.Length() || n < 1) return string();
  if (first == 0 && n == s.Length()) return s;
  int64_t available = s.Length() - first;
  return Slice(s, static_cast<int32_t>(first), static_cast<int32_t>(n < available ? n : available));
}

// ---- trimming ----

string ltrim(const string& s) {
  int32_t first = 0;
  while (first < s.Length() && IsBlank(s.Bytes()[first])) ++first;
  return mid(s, first);
}

string rtrim(const string& s) {
  int32_t end = s.Length();
  while (end > 0 && IsBlank(s.Bytes()[end - 1])) --end;
  return left(s, end);
}

string trim(const string& s) { return ltrim(rtrim(s)); }

// ---- one character ----

string UnicodeChar(uint32_t code, TextEncoding encoding) {
  if (encoding == kEncodingUnicode16) {
    const uint16_t unit = static_cast<uint16_t>(code & 0xFFFF);
    string s;
    s.ConstructFromUTF16String(&unit, 1);
    return s;
  }
  char bytes[kUTF8EncodeBufferSize];
  int32_t n = UTF8Encode(static_cast<int32_t>(code), bytes);
  string utf8 = string::FromBytes(bytes, n, kEncodingUTF8);
  if (encoding == kEncodingUTF8) return utf8;
  return ConvertEncoding(utf8, encoding);
}

void InitStrings() {}
void TermStrings() {}
