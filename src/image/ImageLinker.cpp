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

  void Skip() { ++mPosition; }

 private:
  const uint8_t* mBlock;
  uint32_t mSize;
  uint32_t mPosition = 0;
};

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

uint32_t ReadCodeWord(const ImageLinkTarget& target, uint32_t site) {
  uint32_t word;
  std::memcpy(&word, target.codeBase + site, 4);
  return word;
}

void WriteCodeWord(const ImageLinkTarget& target, uint32_t site, uint32_t word) {
  std::memcpy(target.codeBase + site, &word, 4);
}

uint32_t AddressWord(const void* address) {
  return uint32_t(reinterpret_cast<uintptr_t>(address));
}

bool SitesOverlap(std::vector<uint32_t> sites) {
  std::sort(sites.begin(), sites.end());
  return std::adjacent_find(sites.begin(), sites.end(),
                            [](uint32_t a, uint32_t b) { return b - a < 4; }) != sites.end();
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
  bool ended = sites->empty() || ReadCodeWord(target, sites->back()) == 0;
  if (ended && !SitesOverlap(*sites)) return true;
  return ReportMalformed("chainEnds", "Import chain from site " + std::to_string(firstSite) +
                                          " does not end inside the code block");
}

void PatchChain(const ImageLinkTarget& target, const std::vector<uint32_t>& sites,
                const void* function, bool relative) {
  for (uint32_t site : sites) {
    uint32_t address = AddressWord(function);
    if (relative) address -= AddressWord(target.codeBase + site + 4);
    WriteCodeWord(target, site, address);
  }
}

// Unresolved sites call a stub that reports the name. Without a stub (already reported) the
// sites would still hold chain offsets, so the image must not run.
bool PatchUnresolved(const ImageLinkTarget& target, const std::vector<uint32_t>& sites,
                     const std::string& name, bool relative) {
  if (sites.empty()) return true;
  void* stub = MakeUnresolvedImportStub(name);
  if (stub) PatchChain(target, sites, stub, relative);
  return stub != nullptr;
}

bool LinkFrameworkFunction(const ImageLinkTarget& target, ImportReader* reader) {
  uint32_t start = reader->Position();
  qvimage::FrameworkImportRecord record;
  std::string name;
  if (!reader->Read(&record) || !reader->ReadName(record.nameLength, &name))
    return ReportRecordPastEnd(start);
  std::vector<uint32_t> sites;
  if (!CollectChain(target, record.firstSite, &sites)) return false;
  bool relative = record.mode == qvimage::kImportModeRelative;
  const RelocEntry* entry = LookupExportEntry(name.c_str());
  if (!QV_CHECK_TEXT(entry, "foundFunction", ("Function '" + name + "' was not exported").c_str()))
    return PatchUnresolved(target, sites, name, relative);
  PatchChain(target, sites, entry->code, relative);
  return true;
}

void* ResolveLibraryFunction(const std::string& function, const std::string& library) {
  void* handle = OpenImageLibrary(library.c_str());
  void* address = handle ? dlsym(handle, function.c_str()) : nullptr;
  QV_CHECK_TEXT(address, "functionEntry",
                ("Could not resolve function '" + function + "' in " + library).c_str());
  return address;
}

bool LinkLibraryFunction(const ImageLinkTarget& target, ImportReader* reader) {
  uint32_t start = reader->Position();
  qvimage::LibraryImportRecord record;
  qvimage::LibraryNameField libraryField;
  std::string function, library;
  if (!reader->Read(&record) || !reader->ReadName(record.nameLength, &function) ||
      !reader->Read(&libraryField) || !reader->ReadName(libraryField.nameLength, &library))
    return ReportRecordPastEnd(start);
  std::vector<uint32_t> sites;
  if (!CollectChain(target, record.firstSite, &sites)) return false;
  void* address = ResolveLibraryFunction(function, library);
  if (!address) return PatchUnresolved(target, sites, function, true);
  PatchChain(target, sites, address, true);
  return true;
}

bool LinkAddress(const ImageLinkTarget& target, ImportReader* reader, const uint8_t* base) {
  uint32_t start = reader->Position();
  qvimage::SiteImportRecord record;
  if (!reader->Read(&record)) return ReportRecordPastEnd(start);
  if (!CheckSite(target, record.site)) return false;
  WriteCodeWord(target, record.site, ReadCodeWord(target, record.site) + AddressWord(base));
  return true;
}

bool LinkStringConstant(const ImageLinkTarget& target, ImportReader* reader) {
  uint32_t start = reader->Position();
  qvimage::SiteImportRecord record;
  if (!reader->Read(&record)) return ReportRecordPastEnd(start);
  if (!CheckSite(target, record.site)) return false;
  uint32_t offset = ReadCodeWord(target, record.site);
  if (uint64_t(offset) + qvimage::kStringConstHeaderBytes > target.dataSize)
    return ReportMalformed("stringInData", "String constant at data offset " +
                                               std::to_string(offset) +
                                               " lies outside the data block");
  uint8_t* stringRecord = target.dataBase + offset;
  WriteCodeWord(target, record.site, AddressWord(stringRecord));
  uint8_t* dataPointer = stringRecord + qvimage::kStringConstDataPointerOffset;
  uint32_t current;
  std::memcpy(&current, dataPointer, 4);
  if (current != 0) return true;
  uint32_t text = AddressWord(stringRecord + qvimage::kStringConstHeaderBytes);
  std::memcpy(dataPointer, &text, 4);
  return true;
}

bool LinkRecord(const ImageLinkTarget& target, ImportReader* reader) {
  switch (reader->PeekKind()) {
    case qvimage::kImportFramework:
      return LinkFrameworkFunction(target, reader);
    case qvimage::kImportDataAddress:
      return LinkAddress(target, reader, target.dataBase);
    case qvimage::kImportCodeAddress:
      return LinkAddress(target, reader, target.codeBase);
    case qvimage::kImportLibrary:
      return LinkLibraryFunction(target, reader);
    case qvimage::kImportStringConst:
      return LinkStringConstant(target, reader);
    default:  // kind 0 and unknown kinds: one byte, no payload
      reader->Skip();
      return true;
  }
}

}  // namespace

void* OpenImageLibrary(const char* name) {
  bool searched = false;
  void* handle = FindLibrary(string(name), &searched);
  if (searched)
    QV_CHECK_TEXT(handle, "lib->mLibraryHandle", (std::string("Missing shared library ") + name).c_str());
  return handle;
}

bool LinkImportBlock(const ImageLinkTarget& target, const uint8_t* block, uint32_t size) {
  ImportReader reader(block, size);
  while (!reader.AtEnd()) {
    if (!LinkRecord(target, &reader)) return false;
  }
  return true;
}

bool LinkApplicationImage(const uint8_t* importBlock, uint32_t size) {
  ImageLinkTarget target{GetImageCodeBase(), GetImageCodeSize(), GetImageDataBase(),
                         GetImageDataSize()};
  return LinkImportBlock(target, importBlock, size);
}
