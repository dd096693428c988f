#include "strings/EncodedCharacters.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "strings/TextEncoding.h"
#include "strings/UTF8Positions.h"

namespace {

// Entries of a table node: a code point, a node for the sequences that continue with the byte
// (kChildEntry + its index), one whose node is not made yet, or no character.
constexpr uint32_t kChildEntry = 0x00200000;
constexpr uint32_t kUnbuiltEntry = 0xFFFFFFFE;
constexpr uint32_t kInvalidEntry = 0xFFFFFFFF;
constexpr int32_t kMostNodes = 1024;
// Bytes of the longest character (EUC-JP's three-byte ones), after any escape.
constexpr size_t kLongestSequence = 3;

bool IsChildEntry(uint32_t entry) { return entry - kChildEntry < uint32_t{kMostNodes}; }

// Stand-ins of units that are no characters. A 32-bit unit beyond Unicode stands for itself;
// the others lie above 32 bits, a kind apart each, so that no two different units meet:
// kStrayByte | the byte, kSurrogateUnit | a 32-bit unit in the surrogate range, and
// PartialUnit | the n bytes of a cut-off 32-bit unit.
constexpr uint64_t kStrayByte = uint64_t{1} << 32;
constexpr uint64_t kSurrogateUnit = uint64_t{2} << 32;
uint64_t PartialUnit(uint32_t bytes, int32_t n) { return uint64_t(2 + n) << 32 | bytes; }

// 16-bit units of a unit's Unicode form: two for a character beyond the Basic Multilingual
// Plane, one for any other (a unit that is no character converts to one "?").
int32_t Units16Of(uint64_t value) { return value >= 0x10000 && value < 0x110000 ? 2 : 1; }

constexpr unsigned char kEscape = 0x1B;

// The escapes of ISO-2022-JP that its converter knows: ASCII (the initial state), JIS-Roman,
// and JIS X 0208 of 1978 and of 1983.
constexpr std::string_view kISO2022JPEscapes[] = {"\x1B(B", "\x1B(J", "\x1B$@", "\x1B$B"};

bool IsShifted(TextEncoding encoding) { return encoding == kEncodingISO2022JP; }

}  // namespace

// The characters of one encoding by their bytes: a tree of 256-entry nodes, one root per shift
// state, where a byte either ends a character or leads on to the node of the sequences it
// starts. A node is made from the encoding's converter when a text first needs it; nodes are
// kept for the process's life and read without a lock.
class DecodeTable {
 public:
  explicit DecodeTable(TextEncoding encoding) : mEncoding(encoding), mShifted(IsShifted(encoding)) {
    std::lock_guard<std::mutex> hold(mBuilding);
    AddNode("", 0);  // the initial state's root, which is ASCII's in ISO-2022-JP
    if (!mShifted) return;
    for (size_t i = 1; i < std::size(kISO2022JPEscapes); ++i) {
      const std::string_view escape = kISO2022JPEscapes[i];
      mShiftRoots[i] = AddNode(std::string(escape), escape.size());
    }
  }

  static const DecodeTable& For(TextEncoding encoding) {
    static std::mutex lock;
    static auto* tables = new std::vector<std::unique_ptr<DecodeTable>>();
    std::lock_guard<std::mutex> hold(lock);
    for (const auto& table : *tables) {
      if (table->mEncoding == encoding) return *table;
    }
    tables->push_back(std::make_unique<DecodeTable>(encoding));
    return *tables->back();
  }

  bool Shifted() const { return mShifted; }

  // The length of the shift escape at text (n bytes) and, in *root, the root of the state it
  // sets; 0 when text holds none there.
  int32_t ShiftEscape(const unsigned char* text, int32_t n, uint32_t* root) const {
    for (size_t i = 0; i < std::size(kISO2022JPEscapes); ++i) {
      const std::string_view escape = kISO2022JPEscapes[i];
      if (n < static_cast<int32_t>(escape.size())) continue;
      if (std::memcmp(text, escape.data(), escape.size()) != 0) continue;
      *root = mShiftRoots[i];
      return static_cast<int32_t>(escape.size());
    }
    return 0;
  }

  // The shift escape that starts last at or after floor and before offset in text (n bytes):
  // the offset after it, and in *root the root of its state; -1 when there is none.
  int32_t LastShiftBefore(const unsigned char* text, int32_t n, int32_t floor, int32_t offset,
                          uint32_t* root) const {
    for (int32_t end = offset; end > floor;) {
      const void* found = memrchr(text + floor, kEscape, static_cast<size_t>(end - floor));
      if (!found) break;
      const int32_t at = static_cast<int32_t>(static_cast<const unsigned char*>(found) - text);
      const int32_t escape = ShiftEscape(text + at, n - at, root);
      if (escape > 0) return at + escape;
      end = at;
    }
    return -1;
  }

  // The escape whose state has this root; empty for the initial state.
  std::string_view EscapeOf(uint32_t root) const {
    for (size_t i = 1; i < std::size(kISO2022JPEscapes); ++i) {
      if (mShiftRoots[i] == root) return kISO2022JPEscapes[i];
    }
    return {};
  }

  uint32_t Entry(uint32_t node, unsigned char byte) const {
    const uint32_t entry = mNodes[node]->entries[byte].load(std::memory_order_acquire);
    return entry == kUnbuiltEntry ? BuildChild(node, byte) : entry;
  }

  // True when byte starts a character of more than one byte at node.
  bool Leads(uint32_t node, unsigned char byte) const {
    const uint32_t entry = mNodes[node]->entries[byte].load(std::memory_order_acquire);
    return entry == kUnbuiltEntry || IsChildEntry(entry);
  }
  bool HasLeads(uint32_t node) const { return mNodes[node]->hasLeads; }

 private:
  struct Node {
    std::string prefix;   // the bytes that lead here, escape included
    size_t characterBytes;  // those after the escape
    bool hasLeads = false;
    std::array<std::atomic<uint32_t>, 256> entries;
  };

  // Called with mBuilding held. Nodes past the last index read as no character.
  uint32_t AddNode(std::string prefix, size_t escapeLength) const {
    if (mCount == kMostNodes) return kInvalidEntry;
    auto node = std::make_unique<Node>();
    node->characterBytes = prefix.size() - escapeLength;
    DecodedSequence decoded[256];
    DecodeAfterPrefix(mEncoding, prefix, decoded);
    for (int32_t b = 0; b < 256; ++b) {
      uint32_t entry = kInvalidEntry;
      if (decoded[b].kind == DecodedKind::kCharacter && decoded[b].code < 0x110000)
        entry = decoded[b].code;
      if (decoded[b].kind == DecodedKind::kIncomplete &&
          node->characterBytes + 1 < kLongestSequence)
        entry = kUnbuiltEntry;
      // An escape is read by the reader, never as part of a character.
      if (mShifted && b == kEscape) entry = kInvalidEntry;
      node->hasLeads |= entry == kUnbuiltEntry;
      node->entries[b].store(entry, std::memory_order_relaxed);
    }
    node->prefix = std::move(prefix);
    mNodes[mCount] = std::move(node);
    return mCount++;
  }

  uint32_t BuildChild(uint32_t node, unsigned char byte) const {
    std::lock_guard<std::mutex> hold(mBuilding);
    std::atomic<uint32_t>& slot = mNodes[node]->entries[byte];
    uint32_t entry = slot.load(std::memory_order_acquire);
    if (entry != kUnbuiltEntry) return entry;
    const Node& parent = *mNodes[node];
    const uint32_t child = AddNode(parent.prefix + static_cast<char>(byte),
                                   parent.prefix.size() - parent.characterBytes);
    entry = child == kInvalidEntry ? kInvalidEntry : kChildEntry + child;
    slot.store(entry, std::memory_order_release);
    return entry;
  }

  TextEncoding mEncoding;
  bool mShifted;
  uint32_t mShiftRoots[std::size(kISO2022JPEscapes)] = {};
  mutable std::mutex mBuilding;
  mutable std::unique_ptr<Node> mNodes[kMostNodes];
  mutable uint32_t mCount = 0;
};

bool EncodedTextReader::Reads(TextEncoding encoding) {
  return SearchEncoding(encoding) != encoding;
}

EncodedTextReader::EncodedTextReader(const string& text)
    : mRecord(text.Storage()), mText(text.Bytes()), mLength(text.Length()) {
  if (text.Encoding() == kEncodingUTF32) {
    mMark = UTF32MarkLength(text);
    mBigEndian = mMark && mText[0] == 0;
    mPosition = mMark;
    return;
  }
  mTable = &DecodeTable::For(text.Encoding());
}

namespace {

// One place a thread keeps per record it searched last, a few records at a time, each valid
// while the record's stamp (the one that UTF-8 positions keep, moved on by every writing or
// freeing of a record) stays as it was, the record's bytes are where they were and it has the
// label it was read under: a label changed in place (DefineEncoding, a plug-in's
// QUORSetStringEncoding) moves no stamp, and the place's table node belongs to the old one.
struct KeptPlace {
  const stringStorage* record;
  const unsigned char* data;
  uint32_t length;
  uint32_t encoding;
  uint32_t stampLow;
  uint32_t stampHigh;
  int32_t offset;
  uint32_t root;
  int32_t characters;
  int32_t units16;
};
constexpr uint32_t kKeptPlaces = 4;
thread_local KeptPlace tKeptPlaces[kKeptPlaces];

KeptPlace& KeptPlaceFor(const stringStorage* record) {
  return tKeptPlaces[utf8_positions::AddressKey(record) % kKeptPlaces];
}

bool StampHolds(const KeptPlace& kept, const stringStorage* record) {
  const utf8_positions::Stamp& stamp = utf8_positions::StampOf(record);
  return kept.record == record && kept.data == record->data && kept.length == record->length &&
         kept.encoding == record->encoding && kept.stampLow == stamp.low.load(std::memory_order_relaxed) &&
         kept.stampHigh == stamp.high.load(std::memory_order_relaxed);
}

}  // namespace

EncodedTextReader::Place EncodedTextReader::KeptOrFirstPlace() const {
  if (!mRecord) return FirstPlace();
  const KeptPlace& kept = KeptPlaceFor(mRecord);
  if (!StampHolds(kept, mRecord)) return FirstPlace();
  return {kept.offset, kept.root, kept.characters, kept.units16};
}

void EncodedTextReader::KeepPlaceOf(const EncodedUnit& unit) const {
  if (!mRecord) return;
  const utf8_positions::Stamp& stamp = utf8_positions::StampOf(mRecord);
  KeptPlaceFor(mRecord) = {mRecord,
                           mRecord->data,
                           mRecord->length,
                           mRecord->encoding,
                           stamp.low.load(std::memory_order_relaxed),
                           stamp.high.load(std::memory_order_relaxed),
                           unit.start,
                           mRoot,
                           CountedBefore(unit, UnicodeCount::kCharacters),
                           CountedBefore(unit, UnicodeCount::kUnits16)};
}

void EncodedTextReader::MoveTo(const Place& place) {
  mPosition = place.offset;
  mRoot = place.root;
  mCharacters = place.characters;
  mUnits16 = place.units16;
}

void EncodedTextReader::Count(uint64_t value) {
  if (mCharacters >= 0) ++mCharacters;
  if (mUnits16 >= 0) mUnits16 += Units16Of(value);
}

int32_t EncodedTextReader::CountedBefore(const EncodedUnit& unit, UnicodeCount count) const {
  if (count == UnicodeCount::kCharacters) return mCharacters < 0 ? -1 : mCharacters - 1;
  return mUnits16 < 0 ? -1 : mUnits16 - Units16Of(unit.value);
}

void EncodedTextReader::Seek(int32_t from) {
  from = std::clamp(from, 0, mLength);
  if (mTable) return SeekInTable(from);
  // Whole units after the mark.
  const int32_t after = std::max(from - mMark, 0);
  const int64_t whole = mMark + (int64_t{after} + 3) / 4 * 4;
  MoveTo({static_cast<int32_t>(std::min<int64_t>(whole, mLength)), 0, -1, -1});
}

// Reads on from the nearer of the kept place and the first unit. In 32-bit text a character
// is a unit, so its place in characters is found at once.
void EncodedTextReader::SeekCounted(int32_t from, UnicodeCount count) {
  from = std::max(from, 0);
  Place place;
  if (!mTable && count == UnicodeCount::kCharacters) {
    const int64_t offset = mMark + int64_t{from} * 4;
    place = offset < mLength ? Place{static_cast<int32_t>(offset), 0, from, -1}
                             : Place{mLength, 0, -1, -1};
  } else {
    place = KeptOrFirstPlace();
    const int32_t known = count == UnicodeCount::kCharacters ? place.characters : place.units16;
    if (known < 0 || known > from) place = FirstPlace();
  }
  MoveTo(place);
  const int32_t& counted = count == UnicodeCount::kCharacters ? mCharacters : mUnits16;
  for (EncodedUnit unit; counted >= 0 && counted < from && Next(&unit);) {
  }
}

bool EncodedTextReader::Next(EncodedUnit* unit) {
  const bool read = mTable ? NextInTable(unit) : NextUnit32(unit);
  if (read) Count(unit->value);
  return read;
}

bool EncodedTextReader::NextUnit32(EncodedUnit* unit) {
  if (mPosition >= mLength) return false;
  const unsigned char* p = mText + mPosition;
  unit->start = mPosition;
  if (mLength - mPosition < 4) {
    uint32_t bytes = 0;
    for (const unsigned char* q = p; q < mText + mLength; ++q) bytes = bytes << 8 | *q;
    unit->value = PartialUnit(bytes, mLength - mPosition);
    mPosition = mLength;
    return true;
  }
  const uint32_t code = mBigEndian ? uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]
                                   : uint32_t{p[3]} << 24 | p[2] << 16 | p[1] << 8 | p[0];
  unit->value = code >= 0xD800 && code <= 0xDFFF ? kSurrogateUnit | code : code;
  mPosition += 4;
  return true;
}

bool EncodedTextReader::NextInTable(EncodedUnit* unit) {
  while (mPosition < mLength) {
    const unsigned char* p = mText + mPosition;
    if (*p == kEscape && mTable->Shifted()) {
      const int32_t escape = mTable->ShiftEscape(p, mLength - mPosition, &mRoot);
      if (escape > 0) {
        mPosition += escape;
        continue;
      }
    }
    uint32_t entry = mTable->Entry(mRoot, *p);
    int32_t end = mPosition + 1;
    while (IsChildEntry(entry) && end < mLength)
      entry = mTable->Entry(entry - kChildEntry, mText[end++]);
    unit->start = mPosition;
    // A sequence that is no character gives up its first byte alone, as a conversion skips it.
    const bool character = entry != kInvalidEntry && !IsChildEntry(entry);
    unit->value = character ? entry : kStrayByte | *p;
    mPosition = character ? end : mPosition + 1;
    return true;
  }
  return false;
}

// A byte that cannot lead a longer character ends one wherever it stands (the middle bytes of
// EUC-JP's three-byte characters can lead too), so the character boundaries after the last such
// byte before from are found by reading on from there. ISO-2022-JP reads on from its last shift
// escape before from, in the state the escape set. Neither looks back past the kept place, a
// boundary already known, which the reading then starts from.
void EncodedTextReader::SeekInTable(int32_t from) {
  Place place = KeptOrFirstPlace();
  if (place.offset > from) place = FirstPlace();
  if (mTable->Shifted()) {
    uint32_t root = 0;
    const int32_t escape = mTable->LastShiftBefore(mText, mLength, place.offset, from, &root);
    if (escape >= 0) place = {escape, root, -1, -1};
  } else {
    int32_t known = from;
    while (known > place.offset && mTable->Leads(0, mText[known - 1])) --known;
    if (known > place.offset) place = {known, 0, -1, -1};
  }
  MoveTo(place);
  if (mPosition >= from) return;
  if (!mTable->HasLeads(mRoot)) return MoveTo({from, mRoot, -1, -1});
  for (EncodedUnit unit; mPosition < from && Next(&unit);) {
  }
}

std::string_view ShiftEscapeAt(const string& text, int32_t offset) {
  if (!IsShifted(text.Encoding())) return {};
  const DecodeTable& table = DecodeTable::For(text.Encoding());
  uint32_t root = 0;
  const int32_t escape = table.LastShiftBefore(text.Bytes(), text.Length(), 0,
                                               std::clamp(offset, 0, text.Length()), &root);
  return escape < 0 ? std::string_view() : table.EscapeOf(root);
}

ByteSpan WholeUnitsWithin(const string& text, int32_t first, int32_t end) {
  EncodedTextReader reader(text);
  reader.Seek(first);
  ByteSpan span{-1, -1};
  for (EncodedUnit unit; reader.Next(&unit) && reader.Offset() <= end;) {
    if (span.start < 0) span.start = unit.start;
    span.end = reader.Offset();
  }
  return span.start < 0 ? ByteSpan{0, 0} : span;
}

std::string_view InitialShiftEscape(TextEncoding encoding) {
  return IsShifted(encoding) ? kISO2022JPEscapes[0] : std::string_view();
}
