#include "image/ImageLinker.h"

#include <dlfcn.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>
#include <vector>

#include "core/ExportRegistry.h"
#include "core/LibraryFinder.h"
#include "core/RuntimeError.h"
#include "image/ApplicationImage.h"
#include "image/ImageFormat.h"
#include "image/UnresolvedImport.h"
#include "strings/RuntimeString.h"

namespace {

// Reads the import block's fields; every read checks the block's end first.
class ImportReader {
 public:
  ImportReader(const uint8_t* block, uint32_t size) : mBlock(block), mSize(block ? size : 0) {}

  bool AtEnd() const { return mPosition >= mSize; }
  uint32_t Position() const { return mPosition; }
  uint32_t Remaining() const { return mSize - mPosition; }
  const uint8_t* Here() const { return mBlock + mPosition; }
  uint8_t PeekKind() const { return mBlock[mPosition]; }
  void Skip(uint32_t bytes) { mPosition += bytes < mSize - mPosition ? bytes : mSize - mPosition; }

  template <typename Field>
  bool Read(Field* field) {
    if (sizeof(Field) > mSize - mPosition) return false;
    std::memcpy(field, mBlock + mPosition, sizeof(Field));
    mPosition += sizeof(Field);
    return true;
  }

  bool ReadName(uint8_t length, std::string* name) {
    if (length > mSize - mPosition) return false;
    name->assign(reinterpret_cast<const char*>(mBlock + mPosition), length);
    mPosition += length;
    return true;
  }

 private:
  const uint8_t* mBlock;
  uint32_t mSize;
  uint32_t mPosition = 0;
};

// A record naming a function: kinds 1 and 4, with the sites of its chain.
struct NamedRecord {
  uint8_t kind = 0;
  bool relative = false;
  std::string name;
  std::string library;
  std::vector<uint32_t> sites;
};

LibraryFunctionResolver gLibraryResolver = nullptr;

bool ReportMalformed(const char* condition, const std::string& message) {
  return QV_CHECK_TEXT(false, condition, message.c_str());
}

[[gnu::noinline, gnu::cold]] bool ReportRecordPastEnd(uint32_t recordStart) {
  return ReportMalformed("recordFits", "Import record at offset " + std::to_string(recordStart) +
                                           " runs past the end of the import block");
}

bool SiteInCode(const ImageLinkTarget& target, uint32_t site) {
  return uint64_t(site) + 4 <= target.codeSize;
}

// The reports are out of line, so that the checks on the way of every record stay small.
[[gnu::noinline, gnu::cold]] bool ReportSiteOutside(uint32_t site) {
  return ReportMalformed("siteInCode", "Import site " + std::to_string(site) +
                                           " lies outside the code block");
}

bool CheckSite(const ImageLinkTarget& target, uint32_t site) {
  return SiteInCode(target, site) || ReportSiteOutside(site);
}

uint32_t ReadWord(const uint8_t* at) {
  uint32_t word;
  std::memcpy(&word, at, 4);
  return word;
}

uint32_t ReadCodeWord(const ImageLinkTarget& target, uint32_t site) {
  return ReadWord(target.codeBase + site);
}

void WriteCodeWord(const ImageLinkTarget& target, uint32_t site, uint32_t word) {
  std::memcpy(target.codeBase + site, &word, 4);
}

uint32_t AddressWord(const void* address) {
  return uint32_t(reinterpret_cast<uintptr_t>(address));
}

// The first pair of sites (in order) that share a byte, or false.
bool FindOverlap(std::vector<uint32_t> sites, uint32_t* overlapping) {
  std::sort(sites.begin(), sites.end());
  auto at = std::adjacent_find(sites.begin(), sites.end(),
                               [](uint32_t a, uint32_t b) { return b - a < 4; });
  if (at == sites.end()) return false;
  *overlapping = at[1];
  return true;
}

// The sites of the chain from firstSite, before any is patched. A chain can hold no more
// distinct words than fit in the code block, so a longer walk loops; sites must not overlap.
bool CollectChain(const ImageLinkTarget& target, uint32_t firstSite, std::vector<uint32_t>* sites) {
  sites->clear();
  const uint64_t longest = target.codeSize / 4;
  for (uint32_t site = firstSite; site != 0; site = ReadCodeWord(target, site)) {
    if (!CheckSite(target, site)) return false;
    if (sites->size() >= longest) break;
    sites->push_back(site);
  }
  uint32_t overlapping;
  bool ended = sites->empty() || ReadCodeWord(target, sites->back()) == 0;
  if (ended && !FindOverlap(*sites, &overlapping)) return true;
  return ReportMalformed("chainEnds", "Import chain from site " + std::to_string(firstSite) +
                                          " does not end inside the code block");
}

// Which bytes of the code block the sites read so far cover: a word that two records would
// patch is found as its second record is read. One mark byte stands for each aligned code word,
// its bits 0 to 3 for the word's bytes, so that a site touches one mark byte when it is aligned
// and two when it is not, and sites one after another touch marks of their own.
class PatchedBytes {
 public:
  explicit PatchedBytes(uint32_t codeSize) : mMarks(codeSize / 4 + 2) {}

  // Marks the site's bytes; false when one of them was marked already. The site lies in the
  // code block.
  bool Take(uint32_t site) {
    uint8_t* marks = mMarks.data() + site / 4;
    const uint32_t first = site % 4;
    if (first == 0) {
      const uint8_t before = marks[0];
      marks[0] = 0xF;
      return before == 0;
    }
    const uint16_t mask = uint16_t(((0xFu << first) & 0xFu) | ((0xFu >> (4 - first)) << 8));
    uint16_t before;
    std::memcpy(&before, marks, 2);
    const uint16_t after = before | mask;
    std::memcpy(marks, &after, 2);
    return (before & mask) == 0;
  }

  // Takes a word-aligned site whose bytes no record has marked; false, marking nothing,
  // otherwise.
  bool TakeFreeAlignedWord(uint32_t site) {
    uint8_t& mark = mMarks[site / 4];
    if (mark != 0) return false;
    mark = 0xF;
    return true;
  }

 private:
  std::vector<uint8_t> mMarks;
};

[[gnu::noinline, gnu::cold]] bool ReportSiteTwice(uint32_t site) {
  return ReportMalformed("siteTwice", "Import site " + std::to_string(site) +
                                          " is patched by more than one record");
}

bool ReadFrameworkRecord(const ImageLinkTarget& target, ImportReader* reader,
                         NamedRecord* record) {
  const uint32_t start = reader->Position();
  qvimage::FrameworkImportRecord fields;
  if (!reader->Read(&fields) || !reader->ReadName(fields.nameLength, &record->name))
    return ReportRecordPastEnd(start);
  record->relative = fields.mode == qvimage::kImportModeRelative;
  return CollectChain(target, fields.firstSite, &record->sites);
}

bool ReadLibraryRecord(const ImageLinkTarget& target, ImportReader* reader,
                       NamedRecord* record) {
  const uint32_t start = reader->Position();
  qvimage::LibraryImportRecord fields;
  qvimage::LibraryNameField libraryField;
  if (!reader->Read(&fields) || !reader->ReadName(fields.nameLength, &record->name) ||
      !reader->Read(&libraryField) || !reader->ReadName(libraryField.nameLength, &record->library))
    return ReportRecordPastEnd(start);
  record->relative = true;
  return CollectChain(target, fields.firstSite, &record->sites);
}

// A site's word holds a block offset; the address it becomes must lie inside that block (its
// end included, as a compiler may form the address just past an array).
[[gnu::noinline, gnu::cold]] bool ReportAddressOutside(uint32_t site, uint32_t offset) {
  return ReportMalformed("addressInBlock", "Import site " + std::to_string(site) +
                                               " holds offset " + std::to_string(offset) +
                                               ", outside its block");
}

bool CheckAddress(uint32_t site, uint32_t offset, uint32_t blockSize) {
  return offset <= blockSize || ReportAddressOutside(site, offset);
}

[[gnu::noinline, gnu::cold]] bool ReportBadString(const char* condition, uint32_t offset,
                                                  const char* what) {
  return ReportMalformed(condition, "String constant at data offset " + std::to_string(offset) +
                                        what);
}

// The data pointer a linked string constant's record holds: the first byte after its header.
uint32_t StringTextAddress(const uint8_t* stringRecord) {
  return AddressWord(stringRecord + qvimage::kStringConstHeaderBytes);
}

// A string constant's record, its text, the length byte and the NUL all lie in the data block,
// word-aligned, and its data pointer is 0 (the linker sets it; any other value would be taken
// for an address), or already what this linking set for an earlier site sharing the record.
bool CheckStringConstant(const ImageLinkTarget& target, uint32_t offset) {
  if (uint64_t(offset) + qvimage::kStringConstHeaderBytes > target.dataSize)
    return ReportBadString("stringInData", offset, " lies outside the data block");
  if (offset % 4 != 0) return ReportBadString("stringAligned", offset, " is not word-aligned");
  const uint8_t* stringRecord = target.dataBase + offset;
  const uint32_t dataPointer = ReadWord(stringRecord + qvimage::kStringConstDataPointerOffset);
  if (dataPointer != 0 && dataPointer != StringTextAddress(stringRecord))
    return ReportBadString("stringDataPointer", offset, " has a data pointer of its own");
  const uint64_t length = ReadWord(stringRecord + qvimage::kStringConstLengthOffset);
  const uint64_t end = uint64_t(offset) + qvimage::kStringConstHeaderBytes + length +
                       qvimage::kStringConstTextOverhead;
  if (end > target.dataSize)
    return ReportBadString("stringInData", offset, " runs past the end of the data block");
  return true;
}

[[gnu::noinline, gnu::cold]] bool ReportSiteZero(uint32_t recordStart) {
  return ReportMalformed("siteZero", "Import record at offset " + std::to_string(recordStart) +
                                         " names site 0, the entry");
}

// Kinds 2, 3 and 5: the site and the word it holds, read, taken and checked. The entry lies at
// offset 0, so no single site can be there; a site taken before is refused before its word
// (patched already) is read.
bool ReadSiteRecord(const ImageLinkTarget& target, ImportReader* reader, PatchedBytes* patched,
                    uint32_t* site, uint32_t* word) {
  const uint32_t start = reader->Position();
  qvimage::SiteImportRecord fields{};
  if (!reader->Read(&fields)) return ReportRecordPastEnd(start);
  *site = fields.site;  // a copy: the packed field may stand at any alignment
  if (*site == 0) return ReportSiteZero(start);
  if (!CheckSite(target, *site)) return false;
  if (!patched->Take(*site)) return ReportSiteTwice(*site);
  *word = ReadCodeWord(target, *site);
  switch (fields.kind) {
    case qvimage::kImportDataAddress:
      return CheckAddress(*site, *word, target.dataSize);
    case qvimage::kImportCodeAddress:
      return CheckAddress(*site, *word, target.codeSize);
    default:
      return CheckStringConstant(target, *word);
  }
}

// ---- single sites: patched as they are read, and put back when the block is refused ----

void AddToCodeWord(const ImageLinkTarget& target, uint32_t site, uint32_t amount) {
  WriteCodeWord(target, site, ReadCodeWord(target, site) + amount);
}

// The record was checked; a later site sharing it finds its data pointer already set.
void LinkStringConstant(const ImageLinkTarget& target, uint32_t site, uint32_t offset) {
  uint8_t* stringRecord = target.dataBase + offset;
  WriteCodeWord(target, site, AddressWord(stringRecord));
  const uint32_t text = StringTextAddress(stringRecord);
  std::memcpy(stringRecord + qvimage::kStringConstDataPointerOffset, &text, 4);
}

// word is what the site held when it was checked.
void LinkSite(const ImageLinkTarget& target, uint8_t kind, uint32_t site, uint32_t word) {
  switch (kind) {
    case qvimage::kImportDataAddress:
      WriteCodeWord(target, site, word + AddressWord(target.dataBase));
      break;
    case qvimage::kImportCodeAddress:
      WriteCodeWord(target, site, word + AddressWord(target.codeBase));
      break;
    default:  // kImportStringConst
      LinkStringConstant(target, site, word);
  }
}

// The reverse of LinkSite: the block offset back in the site, a string's data pointer 0 again.
void UnlinkSite(const ImageLinkTarget& target, uint8_t kind, uint32_t site) {
  switch (kind) {
    case qvimage::kImportDataAddress:
      AddToCodeWord(target, site, 0u - AddressWord(target.dataBase));
      break;
    case qvimage::kImportCodeAddress:
      AddToCodeWord(target, site, 0u - AddressWord(target.codeBase));
      break;
    default: {
      AddToCodeWord(target, site, 0u - AddressWord(target.dataBase));
      uint8_t* stringRecord = target.dataBase + ReadCodeWord(target, site);
      std::memset(stringRecord + qvimage::kStringConstDataPointerOffset, 0, 4);
    }
  }
}

bool IsNamedKind(uint8_t kind) {
  return kind == qvimage::kImportFramework || kind == qvimage::kImportLibrary;
}

bool IsSiteKind(uint8_t kind) {
  return kind >= qvimage::kImportDataAddress && kind <= qvimage::kImportStringConst &&
         kind != qvimage::kImportLibrary;
}

// Puts back every single site patched before the record at end: the block up to there was read
// whole, so its records are walked again without checks.
void UnlinkSitesBefore(const ImageLinkTarget& target, const uint8_t* block, uint32_t end) {
  ImportReader reader(block, end);
  while (!reader.AtEnd()) {
    const uint8_t kind = reader.PeekKind();
    if (IsSiteKind(kind)) {
      qvimage::SiteImportRecord fields{};
      reader.Read(&fields);
      UnlinkSite(target, kind, fields.site);
    } else if (kind == qvimage::kImportFramework) {
      qvimage::FrameworkImportRecord fields{};
      reader.Read(&fields);
      reader.Skip(fields.nameLength);
    } else if (kind == qvimage::kImportLibrary) {
      qvimage::LibraryImportRecord fields{};
      qvimage::LibraryNameField library{};
      reader.Read(&fields);
      reader.Skip(fields.nameLength);
      reader.Read(&library);
      reader.Skip(library.nameLength);
    } else {
      reader.Skip(1);
    }
  }
}

bool ReadNamedRecord(const ImageLinkTarget& target, ImportReader* reader, PatchedBytes* patched,
                     std::vector<NamedRecord>* named) {
  NamedRecord& record = named->emplace_back();
  record.kind = reader->PeekKind();
  const bool read = record.kind == qvimage::kImportFramework
                        ? ReadFrameworkRecord(target, reader, &record)
                        : ReadLibraryRecord(target, reader, &record);
  if (!read) return false;
  for (uint32_t site : record.sites) {
    if (!patched->Take(site)) return ReportSiteTwice(site);
  }
  return true;
}

// ---- the quick way through a run of one kind ----

// The limits of a run's plain case, in 32 bits. An aligned site from 4 whose word ends in the
// code block is at most 4 + 4 * lastSiteStep; an aligned string record with room for its
// header, an empty text's length byte and its NUL in the data block is at most lastText, and
// one at offset o has room for lastText - o bytes of text.
struct QuickLimits {
  uint32_t lastSiteStep;
  uint32_t lastText;
};

// A block too small for a site from 4 or for an empty string goes the checked way alone.
bool MakeQuickLimits(const ImageLinkTarget& target, QuickLimits* limits) {
  constexpr uint32_t kEmptyString =
      qvimage::kStringConstHeaderBytes + qvimage::kStringConstTextOverhead;
  if (target.codeSize < 8 || target.dataSize < kEmptyString) return false;
  *limits = {(target.codeSize - 8) / 4, target.dataSize - kEmptyString};
  return true;
}

// The step of an aligned offset, or one above every limit (at least 2^30) for an offset that
// is not aligned: the low bits turned to the top make one comparison check both.
uint32_t AlignedStep(uint32_t offset) { return std::rotr(offset, 2); }

// One record of Kind at p, linked when it passes what ReadSiteRecord checks with nothing to
// report; otherwise nothing is marked or written and false leaves it to ReadSiteRecord, which
// says what is wrong. Only aligned sites take this way.
template <uint8_t Kind>
bool LinkQuickly(const ImageLinkTarget& target, const QuickLimits& limits, const uint8_t* p,
                 PatchedBytes* patched) {
  const uint32_t site = ReadWord(p + 1);
  // Site 0 wraps to a word not aligned.
  if (AlignedStep(site - 4) > limits.lastSiteStep) return false;
  const uint32_t word = ReadCodeWord(target, site);
  if constexpr (Kind == qvimage::kImportDataAddress) {
    if (word > target.dataSize) return false;
  } else if constexpr (Kind == qvimage::kImportCodeAddress) {
    if (word > target.codeSize) return false;
  } else {
    // The header, the text, its length byte and NUL fit in the block.
    if (AlignedStep(word) > limits.lastText / 4) return false;
    const uint8_t* stringRecord = target.dataBase + word;
    const uint32_t length = ReadWord(stringRecord + qvimage::kStringConstLengthOffset);
    if (length > limits.lastText - word) return false;
    const uint32_t dataPointer = ReadWord(stringRecord + qvimage::kStringConstDataPointerOffset);
    if (dataPointer != 0 && dataPointer != StringTextAddress(stringRecord)) return false;
  }
  if (!patched->TakeFreeAlignedWord(site)) return false;
  LinkSite(target, Kind, site, word);
  return true;
}

// Records of Kind from the reader's position while each links quickly.
template <uint8_t Kind>
void LinkRunQuickly(const ImageLinkTarget& target, const QuickLimits& limits,
                    ImportReader* reader, PatchedBytes* patched) {
  constexpr uint32_t kRecord = sizeof(qvimage::SiteImportRecord);
  const uint8_t* p = reader->Here();
  const uint8_t* const last = p + (reader->Remaining() / kRecord) * kRecord;
  while (p != last && p[0] == Kind && LinkQuickly<Kind>(target, limits, p, patched)) p += kRecord;
  reader->Skip(uint32_t(p - reader->Here()));
}

void LinkRunQuickly(const ImageLinkTarget& target, const QuickLimits& limits, uint8_t kind,
                    ImportReader* reader, PatchedBytes* patched) {
  switch (kind) {
    case qvimage::kImportDataAddress:
      return LinkRunQuickly<qvimage::kImportDataAddress>(target, limits, reader, patched);
    case qvimage::kImportCodeAddress:
      return LinkRunQuickly<qvimage::kImportCodeAddress>(target, limits, reader, patched);
    default:
      return LinkRunQuickly<qvimage::kImportStringConst>(target, limits, reader, patched);
  }
}

// The single-site records from the reader's position up to the next record of another kind:
// the bulk of a block, each checked and patched in a loop of its own whose few values stay in
// registers (the reader's copy included, which no store into the blocks can alias).
// On a refusal the reader stands at the refused record.
[[gnu::noinline]] bool ReadSiteRun(const ImageLinkTarget& image, ImportReader* at,
                                   PatchedBytes* patched) {
  const ImageLinkTarget target = image;
  ImportReader reader = *at;
  QuickLimits limits{};
  const bool quick = MakeQuickLimits(target, &limits);
  while (!reader.AtEnd() && IsSiteKind(reader.PeekKind())) {
    // The plain records go the quick way; the first that does not, is read with every check.
    if (quick) {
      LinkRunQuickly(target, limits, reader.PeekKind(), &reader, patched);
      if (reader.AtEnd() || !IsSiteKind(reader.PeekKind())) break;
    }
    const ImportReader record = reader;
    const uint8_t kind = reader.PeekKind();
    uint32_t site = 0, word = 0;
    if (!ReadSiteRecord(target, &reader, patched, &site, &word)) {
      *at = record;
      return false;
    }
    LinkSite(target, kind, site, word);
  }
  *at = reader;
  return true;
}

// Checks every record of the block, patches the single sites and keeps the records that name
// functions; or, after a report, puts back what it patched and answers false. Two records may
// not patch one word. Kind 0 and the kinds the format does not define are their kind byte
// alone.
bool ReadImportRecords(const ImageLinkTarget& target, const uint8_t* block, uint32_t size,
                       std::vector<NamedRecord>* named) {
  ImportReader reader(block, size);
  PatchedBytes patched(target.codeSize);
  while (!reader.AtEnd()) {
    const uint32_t start = reader.Position();
    const uint8_t kind = reader.PeekKind();
    bool read = true;
    if (IsNamedKind(kind)) {
      read = ReadNamedRecord(target, &reader, &patched, named);
    } else if (IsSiteKind(kind)) {
      read = ReadSiteRun(target, &reader, &patched);
    } else {
      reader.Skip(1);
    }
    if (!read) {
      UnlinkSitesBefore(target, block, IsSiteKind(kind) ? reader.Position() : start);
      return false;
    }
  }
  return true;
}

void PatchSites(const ImageLinkTarget& target, const std::vector<uint32_t>& sites,
                const void* function, bool relative) {
  for (uint32_t site : sites) {
    uint32_t address = AddressWord(function);
    if (relative) address -= AddressWord(target.codeBase + site + 4);
    WriteCodeWord(target, site, address);
  }
}

// Unresolved sites call a stub that reports the name. Without a stub (already reported) the
// sites would still hold chain offsets, so the image must not run.
bool PatchUnresolved(const ImageLinkTarget& target, const NamedRecord& record) {
  if (record.sites.empty()) return true;
  void* stub = MakeUnresolvedImportStub(record.name);
  if (stub) PatchSites(target, record.sites, stub, record.relative);
  return stub != nullptr;
}

bool LinkFrameworkFunction(const ImageLinkTarget& target, const NamedRecord& record) {
  const RelocEntry* entry = LookupExportEntry(record.name.c_str());
  if (!QV_CHECK_TEXT(entry, "foundFunction",
                     ("Function '" + record.name + "' was not exported").c_str()))
    return PatchUnresolved(target, record);
  PatchSites(target, record.sites, entry->code, record.relative);
  return true;
}

void* ResolveLibraryFunction(const std::string& function, const std::string& library) {
  void* address = nullptr;
  if (gLibraryResolver) {
    address = gLibraryResolver(function.c_str(), library.c_str());
  } else {
    void* handle = OpenImageLibrary(library.c_str());
    address = handle ? dlsym(handle, function.c_str()) : nullptr;
  }
  (void)QV_CHECK_TEXT(address, "functionEntry",
                      ("Could not resolve function '" + function + "' in " + library).c_str());
  return address;
}

bool LinkLibraryFunction(const ImageLinkTarget& target, const NamedRecord& record) {
  void* address = ResolveLibraryFunction(record.name, record.library);
  if (!address) return PatchUnresolved(target, record);
  PatchSites(target, record.sites, address, true);
  return true;
}

bool LinkNamed(const ImageLinkTarget& target, const NamedRecord& record) {
  return record.kind == qvimage::kImportFramework ? LinkFrameworkFunction(target, record)
                                                  : LinkLibraryFunction(target, record);
}

}  // namespace

void* OpenImageLibrary(const char* name) {
  bool searched = false;
  void* handle = FindLibrary(string(name), &searched);
  if (searched && !QV_CHECK_TEXT(handle, "lib->mLibraryHandle",
                                 (std::string("Missing shared library ") + name).c_str()))
    return nullptr;
  return handle;
}

void SetLibraryFunctionResolver(LibraryFunctionResolver resolver) { gLibraryResolver = resolver; }

bool LinkImportBlock(const ImageLinkTarget& image, const uint8_t* block, uint32_t size) {
  // A copy that no store into the blocks can alias.
  const ImageLinkTarget target = image;
  std::vector<NamedRecord> named;
  if (!ReadImportRecords(target, block, size, &named)) return false;
  for (const NamedRecord& record : named) {
    if (!LinkNamed(target, record)) return false;
  }
  return true;
}

bool LinkApplicationImage(const uint8_t* importBlock, uint32_t size) {
  ImageLinkTarget target{GetImageCodeBase(), GetImageCodeSize(), GetImageDataBase(),
                         GetImageDataSize()};
  return LinkImportBlock(target, importBlock, size);
}
