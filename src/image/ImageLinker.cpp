#include "image/ImageLinker.h"

#include <dlfcn.h>

#include <algorithm>
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
  uint8_t PeekKind() const { return mBlock[mPosition]; }

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

// One import record, read and checked before anything is patched.
struct ImportRecord {
  uint8_t kind = 0;
  bool relative = false;
  std::string name;
  std::string library;
  std::vector<uint32_t> sites;  // a chain's sites, or the one site of kinds 2, 3 and 5
};

LibraryFunctionResolver gLibraryResolver = nullptr;

bool ReportMalformed(const char* condition, const std::string& message) {
  return QV_CHECK_TEXT(false, condition, message.c_str());
}

bool ReportRecordPastEnd(uint32_t recordStart) {
  return ReportMalformed("recordFits", "Import record at offset " + std::to_string(recordStart) +
                                           " runs past the end of the import block");
}

bool SiteInCode(const ImageLinkTarget& target, uint32_t site) {
  return uint64_t(site) + 4 <= target.codeSize;
}

bool CheckSite(const ImageLinkTarget& target, uint32_t site) {
  if (SiteInCode(target, site)) return true;
  return ReportMalformed("siteInCode", "Import site " + std::to_string(site) +
                                           " lies outside the code block");
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

// The entry lies at offset 0, so no single site can be there.
bool ReadSingleSite(const ImageLinkTarget& target, ImportReader* reader, ImportRecord* record) {
  const uint32_t start = reader->Position();
  qvimage::SiteImportRecord fields;
  if (!reader->Read(&fields)) return ReportRecordPastEnd(start);
  const uint32_t site = fields.site;  // a copy: the packed field may stand at any alignment
  if (site == 0)
    return ReportMalformed("siteZero", "Import record at offset " + std::to_string(start) +
                                           " names site 0, the entry");
  if (!CheckSite(target, site)) return false;
  record->sites.push_back(site);
  return true;
}

bool ReadFrameworkRecord(const ImageLinkTarget& target, ImportReader* reader,
                         ImportRecord* record) {
  const uint32_t start = reader->Position();
  qvimage::FrameworkImportRecord fields;
  if (!reader->Read(&fields) || !reader->ReadName(fields.nameLength, &record->name))
    return ReportRecordPastEnd(start);
  if (fields.mode != qvimage::kImportModeAbsolute && fields.mode != qvimage::kImportModeRelative)
    return ReportMalformed("importMode", "Import record at offset " + std::to_string(start) +
                                             " has the unknown mode " +
                                             std::to_string(fields.mode));
  record->relative = fields.mode == qvimage::kImportModeRelative;
  return CollectChain(target, fields.firstSite, &record->sites);
}

bool ReadLibraryRecord(const ImageLinkTarget& target, ImportReader* reader,
                       ImportRecord* record) {
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
bool ReadAddressRecord(const ImageLinkTarget& target, ImportReader* reader, uint32_t blockSize,
                       ImportRecord* record) {
  if (!ReadSingleSite(target, reader, record)) return false;
  const uint32_t offset = ReadCodeWord(target, record->sites[0]);
  if (offset <= blockSize) return true;
  return ReportMalformed("addressInBlock", "Import site " + std::to_string(record->sites[0]) +
                                               " holds offset " + std::to_string(offset) +
                                               ", outside its block");
}

// A string constant's record, its text, the length byte and the NUL all lie in the data block,
// word-aligned, and its data pointer is still 0 (the linker sets it; any other value would be
// taken for an address). Several sites may share one record.
bool CheckStringConstant(const ImageLinkTarget& target, uint32_t offset,
                         std::vector<uint32_t>* checked) {
  if (std::find(checked->begin(), checked->end(), offset) != checked->end()) return true;
  const std::string where = "String constant at data offset " + std::to_string(offset);
  if (uint64_t(offset) + qvimage::kStringConstHeaderBytes > target.dataSize)
    return ReportMalformed("stringInData", where + " lies outside the data block");
  if (offset % 4 != 0) return ReportMalformed("stringAligned", where + " is not word-aligned");
  const uint8_t* stringRecord = target.dataBase + offset;
  if (ReadWord(stringRecord + qvimage::kStringConstDataPointerOffset) != 0)
    return ReportMalformed("stringDataPointer", where + " has a data pointer of its own");
  const uint64_t length = ReadWord(stringRecord + qvimage::kStringConstLengthOffset);
  const uint64_t end = uint64_t(offset) + qvimage::kStringConstHeaderBytes + length +
                       qvimage::kStringConstTextOverhead;
  if (end > target.dataSize)
    return ReportMalformed("stringInData", where + " runs past the end of the data block");
  checked->push_back(offset);
  return true;
}

bool ReadStringRecord(const ImageLinkTarget& target, ImportReader* reader, ImportRecord* record,
                      std::vector<uint32_t>* checked) {
  if (!ReadSingleSite(target, reader, record)) return false;
  return CheckStringConstant(target, ReadCodeWord(target, record->sites[0]), checked);
}

bool ReadRecord(const ImageLinkTarget& target, ImportReader* reader, ImportRecord* record,
                std::vector<uint32_t>* strings) {
  record->kind = reader->PeekKind();
  switch (record->kind) {
    case qvimage::kImportFramework:
      return ReadFrameworkRecord(target, reader, record);
    case qvimage::kImportDataAddress:
      return ReadAddressRecord(target, reader, target.dataSize, record);
    case qvimage::kImportCodeAddress:
      return ReadAddressRecord(target, reader, target.codeSize, record);
    case qvimage::kImportLibrary:
      return ReadLibraryRecord(target, reader, record);
    case qvimage::kImportStringConst:
      return ReadStringRecord(target, reader, record, strings);
    default:
      return ReportMalformed("importKind", "Import record at offset " +
                                               std::to_string(reader->Position()) +
                                               " has the unknown kind " +
                                               std::to_string(record->kind));
  }
}

// Every record of the block, or false after a report. Two records may not patch one word.
bool ReadImportRecords(const ImageLinkTarget& target, const uint8_t* block, uint32_t size,
                       std::vector<ImportRecord>* records) {
  ImportReader reader(block, size);
  std::vector<uint32_t> strings, sites;
  while (!reader.AtEnd()) {
    records->emplace_back();
    if (!ReadRecord(target, &reader, &records->back(), &strings)) return false;
    sites.insert(sites.end(), records->back().sites.begin(), records->back().sites.end());
  }
  uint32_t overlapping;
  if (!FindOverlap(sites, &overlapping)) return true;
  return ReportMalformed("siteTwice", "Import site " + std::to_string(overlapping) +
                                          " is patched by more than one record");
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
bool PatchUnresolved(const ImageLinkTarget& target, const ImportRecord& record) {
  if (record.sites.empty()) return true;
  void* stub = MakeUnresolvedImportStub(record.name);
  if (stub) PatchSites(target, record.sites, stub, record.relative);
  return stub != nullptr;
}

bool LinkFrameworkFunction(const ImageLinkTarget& target, const ImportRecord& record) {
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

bool LinkLibraryFunction(const ImageLinkTarget& target, const ImportRecord& record) {
  void* address = ResolveLibraryFunction(record.name, record.library);
  if (!address) return PatchUnresolved(target, record);
  PatchSites(target, record.sites, address, true);
  return true;
}

void LinkAddress(const ImageLinkTarget& target, const ImportRecord& record, const uint8_t* base) {
  const uint32_t site = record.sites[0];
  WriteCodeWord(target, site, ReadCodeWord(target, site) + AddressWord(base));
}

// The record was checked when read; sites sharing it find its data pointer already set.
void LinkStringConstant(const ImageLinkTarget& target, const ImportRecord& record) {
  const uint32_t site = record.sites[0];
  uint8_t* stringRecord = target.dataBase + ReadCodeWord(target, site);
  WriteCodeWord(target, site, AddressWord(stringRecord));
  uint32_t text = AddressWord(stringRecord + qvimage::kStringConstHeaderBytes);
  std::memcpy(stringRecord + qvimage::kStringConstDataPointerOffset, &text, 4);
}

bool LinkRecord(const ImageLinkTarget& target, const ImportRecord& record) {
  switch (record.kind) {
    case qvimage::kImportFramework:
      return LinkFrameworkFunction(target, record);
    case qvimage::kImportLibrary:
      return LinkLibraryFunction(target, record);
    case qvimage::kImportDataAddress:
      LinkAddress(target, record, target.dataBase);
      return true;
    case qvimage::kImportCodeAddress:
      LinkAddress(target, record, target.codeBase);
      return true;
    default:  // only kImportStringConst remains once the records are read
      LinkStringConstant(target, record);
      return true;
  }
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

bool LinkImportBlock(const ImageLinkTarget& target, const uint8_t* block, uint32_t size) {
  std::vector<ImportRecord> records;
  if (!ReadImportRecords(target, block, size, &records)) return false;
  for (const ImportRecord& record : records) {
    if (!LinkRecord(target, record)) return false;
  }
  return true;
}

bool LinkApplicationImage(const uint8_t* importBlock, uint32_t size) {
  ImageLinkTarget target{GetImageCodeBase(), GetImageCodeSize(), GetImageDataBase(),
                         GetImageDataSize()};
  return LinkImportBlock(target, importBlock, size);
}
