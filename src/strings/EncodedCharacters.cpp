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

// Stand-ins of units that are no characters, all at or above 0x110000: kStandIn | the stray
// byte, or | a 32-bit unit in the surrogate range (units above Unicode stand for themselves);
// kStandInPartialUnit | the bytes of a cut-off 32-bit unit.
constexpr uint32_t kStandIn = 0x80000000;
constexpr uint32_t kStandInPartialUnit = 0xFF000000;

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

  // The shift escape that starts last before offset in text (n bytes): the offset after it,
  // and in *root the root of its state; 0 and the initial state's root when there is none.
  int32_t LastShiftBefore(const unsigned char* text, int32_t n, int32_t offset,
                          uint32_t* root) const {
    for (int32_t end = offset; end > 0;) {
      const void* found = memrchr(text, kEscape, static_cast<size_t>(end));
      if (!found) break;
      const int32_t at = static_cast<int32_t>(static_cast<const unsigned char*>(found) - text);
      const int32_t escape = ShiftEscape(text + at, n - at, root);
      if (escape > 0) return at + escape;
      end = at;
    }
    *root = 0;
    return 0;
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
    : mText(text.Bytes()), mLength(text.Length()) {
  if (text.Encoding() == kEncodingUTF32) {
    mMark = UTF32MarkLength(text);
    mBigEndian = mMark && mText[0] == 0;
    mPosition = mMark;
    return;
  }
  mTable = &DecodeTable::For(text.Encoding());
}

void EncodedTextReader::Seek(int32_t from) {
  from = std::clamp(from, 0, mLength);
  if (mTable) return SeekInTable(from);
  // Whole units after the mark.
  const int32_t after = std::max(from - mMark, 0);
  const int64_t whole = mMark + (int64_t{after} + 3) / 4 * 4;
  mPosition = static_cast<int32_t>(std::min<int64_t>(whole, mLength));
}

bool EncodedTextReader::Next(EncodedUnit* unit) {
  return mTable ? NextInTable(unit) : NextUnit32(unit);
}

bool EncodedTextReader::NextUnit32(EncodedUnit* unit) {
  if (mPosition >= mLength) return false;
  const unsigned char* p = mText + mPosition;
  unit->start = mPosition;
  if (mLength - mPosition < 4) {
    uint32_t bytes = 0;
    for (const unsigned char* q = p; q < mText + mLength; ++q) bytes = bytes << 8 | *q;
    unit->value = kStandInPartialUnit | bytes;
    mPosition = mLength;
    return true;
  }
  const uint32_t code = mBigEndian ? uint32_t{p[0]} << 24 | p[1] << 16 | p[2] << 8 | p[3]
                                   : uint32_t{p[3]} << 24 | p[2] << 16 | p[1] << 8 | p[0];
  unit->value = code >= 0xD800 && code <= 0xDFFF ? kStandIn | code : code;
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
    unit->value = character ? entry : kStandIn | *p;
    mPosition = character ? end : mPosition + 1;
    return true;
  }
  return false;
}

// A byte that cannot lead a longer character ends one wherever it stands (the middle bytes of
// EUC-JP's three-byte characters can lead too), so the character boundaries after the last such
// byte before from are found by reading on from there. ISO-2022-JP reads on from its last shift
// escape before from, in the state the escape set.
void EncodedTextReader::SeekInTable(int32_t from) {
  int32_t known = from;
  mRoot = 0;
  if (mTable->Shifted()) {
    known = mTable->LastShiftBefore(mText, mLength, from, &mRoot);
  } else {
    while (known > 0 && mTable->Leads(0, mText[known - 1])) --known;
  }
  mPosition = known;
  if (!mTable->HasLeads(mRoot)) {
    mPosition = std::max(known, from);
    return;
  }
  for (EncodedUnit unit; mPosition < from && Next(&unit);) {
  }
}

std::string_view ShiftEscapeAt(const string& text, int32_t offset) {
  if (!IsShifted(text.Encoding())) return {};
  const DecodeTable& table = DecodeTable::For(text.Encoding());
  uint32_t root = 0;
  table.LastShiftBefore(text.Bytes(), text.Length(), std::clamp(offset, 0, text.Length()), &root);
  return table.EscapeOf(root);
}

std::string_view InitialShiftEscape(TextEncoding encoding) {
  return IsShifted(encoding) ? kISO2022JPEscapes[0] : std::string_view();
}
