#include "strings/TextEncoding.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <mutex>
#include <utility>
#include <vector>

#include "core/Memory.h"
#include "core/RuntimeError.h"

namespace {

struct IconvName {
  TextEncoding encoding;
  const char* name;
};

// The only encodings the iconv path converts; kEncodingNone stands for the system encoding.
constexpr IconvName kIconvNames[] = {
    {0, "MAC"},          {7, "MACCYRILLIC"},   {29, "MACUK"},
    {256, "UTF16LE"},    {513, "ISO_8859-1"},  {514, "ISO_8859-2"},
    {515, "ISO_8859-3"}, {516, "ISO_8859-4"},  {517, "ISO_8859-5"},
    {518, "ISO_8859-6"}, {519, "ISO_8859-7"},  {520, "ISO_8859-8"},
    {521, "ISO_8859-9"}, {527, "ISO_8859-15:1998"},
    {1024, "CP437"},     {1029, "CP737"},      {1030, "CP775"},
    {1040, "CP850"},     {1041, "CP851"},      {1042, "CP852"},
    {1043, "CP855"},     {1044, "CP857"},      {1045, "CP860"},
    {1046, "CP861"},     {1047, "CP862"},      {1048, "CP863"},
    {1049, "CP864"},     {1050, "CP865"},      {1051, "CP866"},
    {1052, "CP869"},     {1053, "CP874"},      {1056, "CP932"},
    {1057, "CP936"},     {1058, "CP949"},      {1059, "CP950"},
    {1280, "CP1252"},    {1281, "CP1250"},     {1282, "CP1251"},
    {1283, "CP1253"},    {1284, "CP1254"},     {1285, "CP1255"},
    {1286, "CP1256"},    {1287, "CP1257"},     {1288, "CP1258"},
    {1296, "CP1361"},    {1536, "US-ASCII"},   {1585, "CP936"},
    {2080, "ISO-2022-JP"}, {2336, "EUCJP"},    {2561, "CP932"},
    {3073, "CP037"},     {3074, "CP037"},      {kEncodingUTF8, "UTF8"},
    {kEncodingUTF32, "UTF32"},
};

constexpr TextEncoding kEncodingUTF7 = 0x04000100;
constexpr TextEncoding kEncodingHZ = 0x0A05;

// ---- the one-entry conversion cache ----

struct ConversionCache {
  string lastSource;
  string lastResult;
};

// The cache holds a reference to each of its strings, so the cached source record cannot be
// freed and reused for other text while cached. The cache object itself is never destroyed, so
// a conversion from another exit handler or static destructor still finds it; a shut-down hook
// lets go of its strings.
ConversionCache& Cache() {
  static ConversionCache* const cache = [] {
    std::atexit([] {
      Cache().lastSource.Release();
      Cache().lastResult.Release();
    });
    return new ConversionCache();
  }();
  return *cache;
}

// ---- iconv ----

// The conversion's output: grows on demand and keeps iconv's cursor on the same offset. Memory
// that cannot be had takes the framework's out-of-memory exit, as a string record does, so that
// no conversion answers its source for want of memory; a size beyond the longest string record
// fails the conversion instead of wrapping.
class OutputBuffer {
 public:
  explicit OutputBuffer(uint64_t size) { Reserve(size); }
  ~OutputBuffer() { OSfree(mBytes); }
  OutputBuffer(const OutputBuffer&) = delete;
  OutputBuffer& operator=(const OutputBuffer&) = delete;

  bool Ok() const { return mBytes != nullptr; }
  const char* Data() const { return mBytes; }
  size_t Used() const { return static_cast<size_t>(cursor - mBytes); }
  bool Grow() { return Reserve(2 * static_cast<uint64_t>(mSize)); }
  bool Append(const char* data, size_t n) {
    while (left < n) {
      if (!Grow()) return false;
    }
    std::memcpy(cursor, data, n);
    cursor += n;
    left -= n;
    return true;
  }

  char* cursor = nullptr;  // iconv's output cursor and room
  size_t left = 0;

 private:
  bool Reserve(uint64_t size) {
    // Anything beyond the longest string record is of no use.
    if (size > kMaxStringLength + 16ull) size = kMaxStringLength + 16ull;
    if (size <= mSize) return false;
    size_t used = mBytes ? Used() : 0;
    auto* bytes = static_cast<char*>(OSalloc(static_cast<uint32_t>(size), kMemFullQuit));
    if (!bytes) return false;
    if (used) std::memcpy(bytes, mBytes, used);
    OSfree(mBytes);
    mBytes = bytes;
    mSize = static_cast<size_t>(size);
    cursor = mBytes + used;
    left = mSize - used;
    return true;
  }

  char* mBytes = nullptr;
  size_t mSize = 0;
};

// Converters kept after use, per pair of names. Opening one looks up, and the last close
// unloads, the C library's conversion module, which cost more than converting most texts. Each
// kept converter serves one user at a time; a lock guards the list, since any thread may
// convert. The list is never destroyed, so that conversions at exit still find it.
class IconvPool {
 public:
  static IconvPool& Shared() {
    static IconvPool* const pool = new IconvPool();
    return *pool;
  }

  // A converter in its initial state, or (iconv_t)-1 when the pair cannot be converted.
  iconv_t Take(const char* to, const char* from) {
    {
      std::lock_guard<std::mutex> hold(mLock);
      for (auto it = mIdle.rbegin(); it != mIdle.rend(); ++it) {
        if (!SameName(it->to, to) || !SameName(it->from, from)) continue;
        iconv_t cd = it->cd;
        mIdle.erase(std::next(it).base());
        // A conversion that failed half-way may have left a shift state behind.
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return cd;
      }
    }
    return iconv_open(to, from);
  }

  // Keeps cd for the next conversion between the same names (static strings); the least
  // recently used one is closed when too many are kept.
  void Give(const char* to, const char* from, iconv_t cd) {
    iconv_t dropped = reinterpret_cast<iconv_t>(-1);
    {
      std::lock_guard<std::mutex> hold(mLock);
      if (mIdle.size() >= kMostKept) {
        dropped = mIdle.front().cd;
        mIdle.erase(mIdle.begin());
      }
      mIdle.push_back({to, from, cd});
    }
    if (dropped != reinterpret_cast<iconv_t>(-1)) iconv_close(dropped);
  }

 private:
  // The names come from a few static tables, so the same pointer usually answers.
  static bool SameName(const char* a, const char* b) { return a == b || std::strcmp(a, b) == 0; }

  static constexpr size_t kMostKept = 16;
  struct Idle {
    const char* to;
    const char* from;
    iconv_t cd;
  };
  std::mutex mLock;
  std::vector<Idle> mIdle;  // least recently used first
};

class IconvDescriptor {
 public:
  IconvDescriptor(const char* to, const char* from)
      : mTo(to), mFrom(from), mCd(IconvPool::Shared().Take(to, from)) {}
  ~IconvDescriptor() {
    if (Valid()) IconvPool::Shared().Give(mTo, mFrom, mCd);
  }
  IconvDescriptor(const IconvDescriptor&) = delete;
  IconvDescriptor& operator=(const IconvDescriptor&) = delete;
  bool Valid() const { return mCd != reinterpret_cast<iconv_t>(-1); }
  iconv_t Get() const { return mCd; }

 private:
  const char* mTo;
  const char* mFrom;
  iconv_t mCd;
};

// Brings a stateful output (ISO-2022-JP) back to its initial state; harmless for the others.
// Returns false on an error other than a full buffer.
bool ResetShiftState(iconv_t cd, OutputBuffer& out) {
  while (iconv(cd, nullptr, nullptr, &out.cursor, &out.left) == static_cast<size_t>(-1)) {
    if (errno != E2BIG || !out.Grow()) return false;
  }
  return true;
}

constexpr char kUTF32Mark[4] = {'\xFF', '\xFE', 0, 0};
constexpr char kUTF32MarkBigEndian[4] = {0, 0, '\xFE', '\xFF'};

// How one conversion runs through iconv. 32-bit Unicode goes through the explicit-order
// converters so that the byte-order mark is handled here: written once at the start of the
// output (little-endian, as the platform writes), never again after a reset; read from the
// input when present, little-endian assumed when not.
struct ConversionPlan {
  const char* fromName;
  const char* toName;
  size_t skip = 0;          // input bytes of a byte-order mark
  bool writeMark = false;   // start the output with kUTF32Mark
  size_t sourceUnit = 1;    // bytes an invalid input unit takes: 2 and 4 for the wide forms
};

ConversionPlan PlanConversion(const char* fromName, const char* toName,
                              const unsigned char* input, size_t length) {
  ConversionPlan plan{fromName, toName};
  if (std::strcmp(fromName, "UTF16LE") == 0) plan.sourceUnit = 2;
  if (std::strcmp(fromName, "UTF32") == 0) {
    plan.fromName = "UTF-32LE";
    plan.sourceUnit = 4;
    if (length >= 4 && std::memcmp(input, kUTF32Mark, 4) == 0) {
      plan.skip = 4;
    } else if (length >= 4 && std::memcmp(input, kUTF32MarkBigEndian, 4) == 0) {
      plan.fromName = "UTF-32BE";
      plan.skip = 4;
    }
  }
  if (std::strcmp(toName, "UTF32") == 0) {
    plan.toName = "UTF-32LE";
    plan.writeMark = true;
  }
  return plan;
}

// A conversion runs in two steps through the C library's own form, 32-bit characters in host
// order: decode the source into characters, then encode them. Asked to convert between two
// other encodings, the library does the same steps internally, but when the second refuses a
// character it redoes the first over everything it had buffered (some 8 KB) to find where to
// stop; a text full of characters the target lacks then cost about 10 microseconds per byte.
// Each step on its own stops right at the character it cannot take.
constexpr char kCharactersName[] = "WCHAR_T";
constexpr uint32_t kSubstitute = '?';
constexpr size_t kMostHeldCharacters = 4096;  // characters decoded before they are encoded

// Characters of the Basic Multilingual Plane that the target refused. They become the
// substitute before the encoder sees them, so a text in a script the target lacks still
// converts in long runs instead of one call per character.
class RefusedCharacters {
 public:
  void Add(uint32_t c) {
    if (c >= kPlaneSize) return;
    if (mBits.empty()) mBits.assign(kPlaneSize / 64, 0);
    mBits[c / 64] |= uint64_t{1} << (c % 64);
  }
  void Substitute(uint32_t* characters, size_t n) const {
    if (mBits.empty()) return;
    for (size_t i = 0; i < n; ++i) {
      uint32_t c = characters[i];
      if (c < kPlaneSize && (mBits[c / 64] >> (c % 64) & 1)) characters[i] = kSubstitute;
    }
  }

 private:
  static constexpr uint32_t kPlaneSize = 0x10000;
  std::vector<uint64_t> mBits;  // empty until the first refusal
};

// Runs the whole input through the two steps into out. An invalid or cut-off input unit (a
// byte, or a 16- or 32-bit unit, so that the text after it stays aligned) and a character the
// target cannot hold each become one substitute, which the encoder writes itself, so that a
// stateful target shifts back to ASCII for it.
class TwoStepConversion {
 public:
  // whole: a unit that is no character of the source fails the conversion instead of
  // becoming a substitute.
  TwoStepConversion(iconv_t decoder, iconv_t encoder, size_t sourceUnit, size_t length,
                    bool whole)
      : mDecoder(decoder), mEncoder(encoder), mSourceUnit(sourceUnit), mWhole(whole) {
    // A short text, the usual case, holds its characters on the stack.
    mHeldSize = std::min(length, kMostHeldCharacters) + 1;
    if (mHeldSize > std::size(mShortHold)) mLongHold.resize(mHeldSize);
    mHeld = mLongHold.empty() ? mShortHold : mLongHold.data();
  }
  TwoStepConversion(const TwoStepConversion&) = delete;
  TwoStepConversion& operator=(const TwoStepConversion&) = delete;

  bool Run(const unsigned char* input, size_t length, OutputBuffer& out) {
    char* in = const_cast<char*>(reinterpret_cast<const char*>(input));
    size_t inLeft = length;
    while (inLeft > 0) {
      char* held = reinterpret_cast<char*>(mHeld + mCount);
      size_t room = (mHeldSize - mCount) * sizeof(uint32_t);
      size_t result = iconv(mDecoder, &in, &inLeft, &held, &room);
      mCount = static_cast<size_t>(reinterpret_cast<uint32_t*>(held) - mHeld);
      if (result != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        // A hold too small for even one step of the decoder would never empty.
        if (mCount == 0 || !Encode(out)) return false;
        continue;
      }
      if ((errno != EILSEQ && errno != EINVAL) || mWhole) return false;
      if (mCount == mHeldSize && !Encode(out)) return false;
      mHeld[mCount++] = kSubstitute;
      size_t skip = std::min(mSourceUnit, inLeft);
      in += skip;
      inLeft -= skip;
    }
    return FlushDecoder(out) && Encode(out) && ResetShiftState(mEncoder, out);
  }

 private:
  // A decoder may hold back the last character to see whether a combining mark follows (the
  // Vietnamese code pages do); at the end of the input it is asked for it.
  bool FlushDecoder(OutputBuffer& out) {
    for (;;) {
      char* held = reinterpret_cast<char*>(mHeld + mCount);
      size_t room = (mHeldSize - mCount) * sizeof(uint32_t);
      size_t result = iconv(mDecoder, nullptr, nullptr, &held, &room);
      mCount = static_cast<size_t>(reinterpret_cast<uint32_t*>(held) - mHeld);
      if (result != static_cast<size_t>(-1)) return true;
      if (errno != E2BIG || mCount == 0 || !Encode(out)) return false;
    }
  }

  // Encodes the characters held and empties the hold.
  bool Encode(OutputBuffer& out) {
    mRefused.Substitute(mHeld, mCount);
    char* in = reinterpret_cast<char*>(mHeld);
    size_t inLeft = mCount * sizeof(uint32_t);
    mCount = 0;
    while (inLeft > 0) {
      if (iconv(mEncoder, &in, &inLeft, &out.cursor, &out.left) != static_cast<size_t>(-1)) break;
      if (errno == E2BIG) {
        if (!out.Grow()) return false;
        continue;
      }
      if (errno != EILSEQ) return false;
      uint32_t* refused = reinterpret_cast<uint32_t*>(in);
      if (*refused == kSubstitute) {  // a target without "?" loses the character
        in += sizeof(uint32_t);
        inLeft -= sizeof(uint32_t);
        continue;
      }
      mRefused.Add(*refused);
      *refused = kSubstitute;
    }
    return true;
  }

  iconv_t mDecoder;
  iconv_t mEncoder;
  size_t mSourceUnit;
  bool mWhole;
  uint32_t mShortHold[64];
  std::vector<uint32_t> mLongHold;
  uint32_t* mHeld;  // decoded characters waiting for the encoder: mCount of mHeldSize
  size_t mHeldSize;
  size_t mCount = 0;
  RefusedCharacters mRefused;
};

// Code pages of one- and two-byte characters that have a converter: Shift-JIS, GBK, the Korean
// ones, Big5 and EUC-JP, whose second bytes take values of ASCII or of other first bytes.
bool IsTwoByteCodePage(TextEncoding encoding) {
  switch (encoding) {
    case 1056: case 1057: case 1058: case 1059: case 1296: case 1585: case 2336: case 2561:
      return true;
    default:
      return false;
  }
}

string Relabelled(const string& s, TextEncoding target) {
  return string::FromBytes(s.Bytes(), s.Length(), target);
}

bool CanRelabel(const string& s, TextEncoding target) {
  if (!IsASCIITransparentEncoding(target) || !IsASCIITransparentEncoding(s.Encoding()))
    return false;
  return s.Encoding() == kEncodingASCII || s.ContainsOnlyASCII();
}

}  // namespace

const char* EncodingToIconvName(TextEncoding encoding) {
  if (encoding == kEncodingNone) encoding = GetSystemEncoding();
  for (const IconvName& entry : kIconvNames) {
    if (entry.encoding == encoding) return entry.name;
  }
  return nullptr;
}

void GetEncodingAttributes(TextEncoding encoding, uint32_t& base, uint32_t& variant,
                           uint32_t& format) {
  variant = 0;
  // The Unicode forms carry their format in the top bits: 2 for UTF-8, 3 for 32-bit units, so
  // that the attributes of a shared object are those getTextEncoding is given for it.
  if (encoding == kEncodingUTF8 || encoding == kEncodingUTF32) {
    base = kEncodingUnicode16;
    format = encoding >> 26;
    return;
  }
  base = encoding;
  format = 0;
}

bool IsASCIITransparentEncoding(TextEncoding encoding) {
  if (IsUnicode16Encoding(encoding) || encoding == kEncodingUTF32) return false;
  if (encoding == kEncodingUTF7 || encoding == kEncodingHZ) return false;
  if (encoding >= 0x0820 && encoding <= 0x084F) return false;  // ISO-2022 escape families
  if (encoding >= 0x0C01 && encoding <= 0x0CFF) return false;  // EBCDIC
  return true;
}

TextEncoding CommonEncoding(TextEncoding e1, TextEncoding e2, bool allowFallback) {
  if (e1 == e2) return e1;
  auto asciiOrUTF8 = [](TextEncoding e) { return e == kEncodingASCII || e == kEncodingUTF8; };
  if (asciiOrUTF8(e1) && asciiOrUTF8(e2)) return kEncodingUTF8;
  // ASCII text joins as it is only an encoding where its bytes stand for the same characters;
  // beside 16-bit or 32-bit Unicode or EBCDIC it is converted with the rest.
  if (e1 == kEncodingASCII && IsASCIITransparentEncoding(e2)) return e2;
  if (e2 == kEncodingASCII && IsASCIITransparentEncoding(e1)) return e1;
  if (!allowFallback) return kEncodingNone;
  bool eitherUnicode16 = e1 == kEncodingUnicode16 || e2 == kEncodingUnicode16;
  bool eitherUTF8 = e1 == kEncodingUTF8 || e2 == kEncodingUTF8;
  return eitherUnicode16 && !eitherUTF8 ? kEncodingUnicode16 : kEncodingUTF8;
}

TextEncoding ConvertToSameEncoding(string* s1, string* s2) {
  if (!QV_CHECK_TEXT(s1 && s2, "s1 and s2", nullptr)) return kEncodingNone;
  if (s1->IsEmpty()) return s2->Encoding();
  if (s2->IsEmpty()) return s1->Encoding();
  TextEncoding e1 = s1->Encoding(), e2 = s2->Encoding();
  if (e1 == e2) return e1;
  if (e1 == kEncodingNone || e2 == kEncodingNone) return kEncodingNone;
  TextEncoding common = CommonEncoding(e1, e2, false);
  if (common != kEncodingNone) return common;
  TextEncoding target = CommonEncoding(e1, e2, true);
  // Both sides are converted before either is replaced, so that a side that cannot be
  // converted leaves the pair as it was rather than half converted.
  string c1 = ConvertEncoding(*s1, target);
  string c2 = ConvertEncoding(*s2, target);
  if (c1.IsEmpty() || c2.IsEmpty()) return kEncodingNone;
  if (c1.Encoding() != target || c2.Encoding() != target) return kEncodingNone;
  *s1 = std::move(c1);
  *s2 = std::move(c2);
  return target;
}

string ConvertEncoding(const string& s, TextEncoding target) {
  if (target == kEncodingNone || s.IsEmpty()) return s;
  TextEncoding from = s.Encoding();
  if (from == kEncodingNone || from == target) return s;
  ConversionCache& cache = Cache();
  if (cache.lastSource.Storage() == s.Storage() && cache.lastResult.Encoding() == target &&
      !cache.lastResult.IsEmpty())
    return cache.lastResult;
  cache.lastSource = s;
  if (CanRelabel(s, target))
    cache.lastResult = Relabelled(s, target);
  else
    cache.lastResult = string::Adopt(ConvertTextUnix(s.Storage(), from, target));
  return cache.lastResult;
}

TextEncoding WidenedEncoding(TextEncoding encoding, const string& other) {
  TextEncoding wider = other.Encoding();
  if (encoding != kEncodingASCII || wider == kEncodingASCII || wider == kEncodingNone)
    return encoding;
  if (other.IsEmpty() || other.ContainsOnlyASCII()) return encoding;
  // Without a converter, ASCII text could only be relabelled, which is sound only where its bytes
  // keep their meaning.
  bool reachable = IsASCIITransparentEncoding(wider) || EncodingToIconvName(wider) != nullptr;
  return reachable ? CommonEncoding(encoding, wider, true) : encoding;
}

string WidenASCIIText(const string& text, const string& other) {
  TextEncoding target = WidenedEncoding(text.Encoding(), other);
  if (text.IsEmpty() || target == text.Encoding()) return text;
  string widened = ConvertEncoding(text, target);
  return widened.Encoding() == target ? widened : text;
}

TextEncoding SearchEncoding(TextEncoding encoding) {
  if (IsUnicode16Encoding(encoding)) return encoding;
  if (IsASCIITransparentEncoding(encoding) && !IsTwoByteCodePage(encoding)) return encoding;
  return EncodingToIconvName(encoding) ? kEncodingUTF8 : encoding;
}

int32_t UTF32MarkLength(const string& text) {
  if (text.Length() < 4) return 0;
  const bool marked = std::memcmp(text.Bytes(), kUTF32Mark, 4) == 0 ||
                      std::memcmp(text.Bytes(), kUTF32MarkBigEndian, 4) == 0;
  return marked ? 4 : 0;
}

string ConvertEncodingWhole(const string& s, TextEncoding target) {
  const TextEncoding from = s.Encoding();
  if (target == kEncodingNone || s.IsEmpty() || from == kEncodingNone || from == target) return s;
  if (CanRelabel(s, target)) return Relabelled(s, target);
  return string::Adopt(ConvertTextUnix(s.Storage(), from, target, true));
}

string SearchableText(const string& text) {
  return ConvertEncodingWhole(text, SearchEncoding(text.Encoding()));
}

stringStorage* ConvertTextUnix(stringStorage* record, TextEncoding from, TextEncoding to,
                               bool whole) {
  string source(record);
  const char* fromName = EncodingToIconvName(from);
  const char* toName = EncodingToIconvName(to);
  if (!fromName || !toName || source.IsEmpty()) return source.ExtractStringStorage();
  size_t length = static_cast<size_t>(source.Length());
  ConversionPlan plan = PlanConversion(fromName, toName, source.Bytes(), length);
  IconvDescriptor decoder(kCharactersName, plan.fromName);
  IconvDescriptor encoder(plan.toName, kCharactersName);
  if (!decoder.Valid() || !encoder.Valid()) return source.ExtractStringStorage();
  // Room for the usual expansions (8-bit to 16-bit units); wider outputs and the escapes of
  // stateful ones grow the buffer as they go instead of being cut off.
  OutputBuffer out(2 * static_cast<uint64_t>(length) + 16);
  TwoStepConversion conversion(decoder.Get(), encoder.Get(), plan.sourceUnit, length, whole);
  bool ok = out.Ok() && (!plan.writeMark || out.Append(kUTF32Mark, sizeof kUTF32Mark)) &&
            conversion.Run(source.Bytes() + plan.skip, length - plan.skip, out);
  if (!ok || out.Used() > kMaxStringLength) return source.ExtractStringStorage();
  string result = string::FromBytes(out.Data(), static_cast<int64_t>(out.Used()), to);
  return result.ExtractStringStorage();
}

namespace {

DecodedSequence DecodeSequence(iconv_t decoder, const char* bytes, size_t length) {
  iconv(decoder, nullptr, nullptr, nullptr, nullptr);
  uint32_t characters[2];
  char* in = const_cast<char*>(bytes);
  size_t inLeft = length;
  char* out = reinterpret_cast<char*>(characters);
  size_t outLeft = sizeof characters;
  const bool read = iconv(decoder, &in, &inLeft, &out, &outLeft) != static_cast<size_t>(-1) &&
                    iconv(decoder, nullptr, nullptr, &out, &outLeft) != static_cast<size_t>(-1);
  if (!read) return {errno == EINVAL ? DecodedKind::kIncomplete : DecodedKind::kInvalid, 0};
  if (outLeft != sizeof characters - sizeof(uint32_t)) return {DecodedKind::kInvalid, 0};
  return {DecodedKind::kCharacter, characters[0]};
}

}  // namespace

void DecodeAfterPrefix(TextEncoding encoding, std::string_view prefix, DecodedSequence* out) {
  std::fill(out, out + 256, DecodedSequence{DecodedKind::kInvalid, 0});
  const char* name = EncodingToIconvName(encoding);
  if (!name) return;
  IconvDescriptor decoder(kCharactersName, name);
  if (!decoder.Valid()) return;
  std::string bytes(prefix);
  bytes.push_back('\0');
  for (int32_t b = 0; b < 256; ++b) {
    bytes.back() = static_cast<char>(b);
    out[b] = DecodeSequence(decoder.Get(), bytes.data(), bytes.size());
  }
}

bool ConvertCharset(std::string_view bytes, const char* from, const char* to, std::string* out) {
  const auto ascii = [](char c) { return static_cast<unsigned char>(c) < 0x80; };
  if (std::strcmp(from, to) == 0 || std::all_of(bytes.begin(), bytes.end(), ascii)) {
    out->assign(bytes);
    return true;
  }
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  // Room for any character of a locale's set in any other (UTF-8 takes at most 4 bytes a byte).
  std::string converted(4 * bytes.size() + 4, '\0');
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = bytes.size();
  char* cursor = converted.data();
  size_t left = converted.size();
  const bool ok = iconv(cd, &in, &inLeft, &cursor, &left) != static_cast<size_t>(-1) &&
                  iconv(cd, nullptr, nullptr, &cursor, &left) != static_cast<size_t>(-1);
  iconv_close(cd);
  if (!ok) return false;
  converted.resize(converted.size() - left);
  *out = std::move(converted);
  return true;
}

TextEncoding GetEncodingFromFont(const string& fontName) {
  static TextEncoding lastAnswer = kEncodingASCII;
  if (fontName.IsEmpty()) return lastAnswer;
  lastAnswer = kEncodingUTF8;
  return lastAnswer;
}

TextEncoding GetSystemEncoding() {
  static const TextEncoding system = GetEncodingFromFont(string("System"));
  return system;
}

string ConvertToSystemEncoding(const string& s) { return ConvertEncoding(s, GetSystemEncoding()); }
