#include "ImagePacker.h"

#include <algorithm>
#include <cstring>

#include "PackError.h"
#include "image/ImageFormat.h"

namespace {

constexpr char kLibrarySection[] = ".qvlibs";
constexpr char kStringSection[] = ".qvstrings";

using namespace qvimage;

// A string record's length is the fourth word of its header.
constexpr uint32_t kStringLengthWord = 12;
// No test application comes near this; a corrupt size must not make the packer reserve
// gigabytes before it fails.
constexpr uint64_t kMaxBlockSize = uint64_t{1} << 28;
// A call's displacement counts from the end of its 32-bit operand.
constexpr uint32_t kCallAddend = static_cast<uint32_t>(-4);

bool StartsWith(const std::string& text, const char* prefix) {
  return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool IsStringSection(const ElfSection& section) {
  return section.name == kStringSection || StartsWith(section.name, ".qvstrings.");
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

uint32_t AlignUp(uint64_t offset, uint32_t align) {
  const uint64_t aligned = (offset + align - 1) & ~uint64_t{align - 1};
  if (aligned > kMaxBlockSize) throw PackError("image block larger than 256 MB");
  return static_cast<uint32_t>(aligned);
}

void AppendName(std::vector<uint8_t>& out, const std::string& name) {
  if (name.empty() || name.size() > kMaxImportNameLength)
    throw PackError("name '" + name + "' does not fit an import record (1 to 255 bytes)");
  AppendU8(out, static_cast<uint32_t>(name.size()));
  out.insert(out.end(), name.begin(), name.end());
}

}  // namespace

ImagePacker::ImagePacker(const std::vector<ElfObject>& objects, std::string entryName)
    : mObjects(objects), mEntryName(std::move(entryName)) {}

void ImagePacker::Pack(PackedImage* blocks) {
  if (mObjects.empty()) throw PackError("no input objects");
  ReadLibraryDeclarations();
  IndexGlobalSymbols();
  PlaceSections();
  ApplyRelocations();
  blocks->import.clear();
  WriteImportBlock(&blocks->import);  // threads the chains through the code words
  blocks->code = mCode;
  blocks->data = mData;
  blocks->symbols.clear();
  WriteSymbolsBlock(&blocks->symbols);
}

std::string ImagePacker::Where(size_t object, size_t section, uint32_t offset) const {
  return mObjects[object].path() + ": " + mObjects[object].sections()[section].name + "+" +
         Hex(offset);
}

void ImagePacker::ReadLibraryDeclarations() {
  for (const ElfObject& object : mObjects) {
    for (const ElfSection& section : object.sections()) {
      if (section.name != kLibrarySection) continue;
      std::vector<std::string> words;
      std::string word;
      for (uint8_t byte : section.bytes) {
        if (byte != 0) {
          word.push_back(static_cast<char>(byte));
        } else if (!word.empty()) {
          words.push_back(word);
          word.clear();
        }
      }
      if (!word.empty() || words.size() % 2 != 0)
        throw PackError(object.path() + ": " + kLibrarySection +
                        " must hold NUL-terminated pairs of function and library names");
      for (size_t i = 0; i < words.size(); i += 2) {
        auto [it, added] = mLibraryFunctions.emplace(words[i], words[i + 1]);
        if (!added && it->second != words[i + 1])
          throw PackError("function '" + words[i] +
                          "' is declared in two libraries: " + it->second + " and " + words[i + 1]);
      }
    }
  }
}

void ImagePacker::IndexGlobalSymbols() {
  for (size_t o = 0; o < mObjects.size(); ++o) {
    const auto& symbols = mObjects[o].symbols();
    for (uint32_t s = 0; s < symbols.size(); ++s) {
      const ElfSymbol& symbol = symbols[s];
      if (symbol.binding == STB_LOCAL || symbol.section == SHN_UNDEF) continue;
      if (symbol.section == SHN_COMMON)
        throw PackError(mObjects[o].path() + ": '" + symbol.name +
                        "' is a common symbol; compile with -fno-common");
      auto [it, added] = mGlobals.emplace(symbol.name, std::make_pair(o, s));
      const bool firstIsWeak =
          mObjects[it->second.first].symbols()[it->second.second].binding == STB_WEAK;
      if (added || symbol.binding == STB_WEAK) continue;
      if (!firstIsWeak)
        throw PackError("'" + symbol.name + "' is defined in both " +
                        mObjects[it->second.first].path() + " and " + mObjects[o].path());
      it->second = {o, s};
    }
  }
  for (const auto& [name, library] : mLibraryFunctions)
    if (mGlobals.count(name))
      throw PackError("'" + name + "' is declared in library " + library +
                      " but also defined in the image");
}

void ImagePacker::PlaceSections() {
  mPlacements.assign(mObjects.size(), {});
  for (size_t o = 0; o < mObjects.size(); ++o) mPlacements[o].resize(mObjects[o].sections().size());
  PlaceEntryFirst();
  for (size_t o = 0; o < mObjects.size(); ++o) {
    const auto& sections = mObjects[o].sections();
    for (size_t s = 0; s < sections.size(); ++s) {
      const ElfSection& section = sections[s];
      if (!(section.flags & SHF_ALLOC) || section.type == SHT_NOTE ||
          section.name == kLibrarySection || mPlacements[o][s].block != Block::kNone)
        continue;
      if (section.size == 0) continue;
      if (IsStringSection(section)) {
        PlaceSection(o, s, Block::kData, &mData);
        IndexStringRecords(o, s, mPlacements[o][s].offset);
      } else if (section.flags & SHF_WRITE) {
        PlaceSection(o, s, Block::kData, &mData);
      } else {
        PlaceSection(o, s, Block::kCode, &mCode);
      }
    }
  }
}

void ImagePacker::PlaceEntryFirst() {
  auto found = mGlobals.find(mEntryName);
  if (found == mGlobals.end())
    throw PackError("entry '" + mEntryName + "' is not defined by any input object");
  const auto [object, symbolIndex] = found->second;
  const ElfSymbol& entry = mObjects[object].symbols()[symbolIndex];
  const auto& sections = mObjects[object].sections();
  if (entry.section >= sections.size() || !(sections[entry.section].flags & SHF_EXECINSTR) ||
      entry.value >= sections[entry.section].size)
    throw PackError("entry '" + mEntryName + "' is not code");
  if (entry.value != 0) mCode.resize(5);  // room for a jump to the entry
  PlaceSection(object, entry.section, Block::kCode, &mCode);
  if (entry.value == 0) return;
  const uint32_t target = mPlacements[object][entry.section].offset + entry.value;
  mCode[0] = 0xE9;
  WriteCodeWord(1, target - 5);
}

void ImagePacker::PlaceSection(size_t object, size_t section, Block block,
                               std::vector<uint8_t>* out) {
  const ElfSection& source = mObjects[object].sections()[section];
  const uint32_t offset = AlignUp(out->size(), source.align);
  const uint64_t end = uint64_t{offset} + source.size;
  if (end > kMaxBlockSize) throw PackError("image block larger than 256 MB");
  out->resize(offset, 0);
  if (source.type == SHT_NOBITS)
    out->resize(end, 0);
  else
    out->insert(out->end(), source.bytes.begin(), source.bytes.end());
  mPlacements[object][section] = {block, offset};
}

void ImagePacker::IndexStringRecords(size_t object, size_t section, uint32_t base) {
  mStringSections.insert({object, section});
  const ElfSection& source = mObjects[object].sections()[section];
  const std::vector<uint8_t>& bytes = source.bytes;
  uint64_t at = 0;
  while (at < bytes.size()) {
    if (at + kStringConstHeaderBytes > bytes.size())
      throw PackError(Where(object, section, at) + ": string record header cut short");
    uint32_t length;
    std::memcpy(&length, bytes.data() + at + kStringLengthWord, 4);
    const uint64_t end = at + kStringConstHeaderBytes + uint64_t{length} + 2;
    if (end > bytes.size())
      throw PackError(Where(object, section, at) + ": string record text cut short");
    mStringRecords.insert(base + static_cast<uint32_t>(at));
    at = (end + 3) & ~uint64_t{3};
  }
}

void ImagePacker::ApplyRelocations() {
  for (size_t o = 0; o < mObjects.size(); ++o) {
    const auto& sections = mObjects[o].sections();
    for (size_t s = 0; s < sections.size(); ++s) {
      const Placement& placement = mPlacements[o][s];
      if (placement.block == Block::kNone) continue;
      for (const ElfRelocation& relocation : mObjects[o].relocationsFor(s)) {
        if (relocation.type == R_386_NONE) continue;
        if (placement.block == Block::kData)
          throw PackError(Where(o, s, relocation.offset) +
                          ": an address stored in the data block cannot be expressed (only "
                          "code words are patched); make the data const so that it lives in "
                          "the code block");
        ApplyRelocation(o, s, relocation);
      }
    }
  }
}

void ImagePacker::ApplyRelocation(size_t object, size_t section, const ElfRelocation& relocation) {
  const std::string where = Where(object, section, relocation.offset);
  const uint32_t site = mPlacements[object][section].offset + relocation.offset;
  if (!mSites.insert(site).second) throw PackError(where + ": two relocations patch one word");
  const uint32_t addend = ReadCodeWord(site);
  const Target target = Resolve(object, relocation.symbol);
  switch (relocation.type) {
    case R_386_32:
      ApplyAbsolute(target, site, addend, where);
      return;
    case R_386_PC32:
    case R_386_PLT32:
      ApplyRelative(target, site, addend, where);
      return;
    default:
      throw PackError(where + ": relocation type " + std::to_string(relocation.type) +
                      " is not supported (compile with -fno-pic)");
  }
}

ImagePacker::Target ImagePacker::Resolve(size_t object, uint32_t symbolIndex) const {
  const ElfSymbol& symbol = mObjects[object].symbols()[symbolIndex];
  if (symbol.section != SHN_UNDEF) return ResolveDefined(object, symbol);
  auto global = mGlobals.find(symbol.name);
  if (global != mGlobals.end())
    return ResolveDefined(global->second.first,
                          mObjects[global->second.first].symbols()[global->second.second]);
  if (symbol.name.empty()) throw PackError(mObjects[object].path() + ": unnamed undefined symbol");
  const bool shared = mLibraryFunctions.count(symbol.name) != 0;
  return {shared ? Target::kSharedLibrary : Target::kImport, 0, symbol.name};
}

ImagePacker::Target ImagePacker::ResolveDefined(size_t object, const ElfSymbol& symbol) const {
  if (symbol.section == SHN_ABS) return {Target::kAbsolute, symbol.value, symbol.name};
  if (symbol.section >= SHN_LORESERVE)
    throw PackError(mObjects[object].path() + ": '" + symbol.name +
                    "' lies in a special section that cannot be placed");
  const Placement& placement = mPlacements[object][symbol.section];
  const uint32_t offset = placement.offset + symbol.value;
  switch (placement.block) {
    case Block::kCode:
      return {Target::kCode, offset, symbol.name};
    case Block::kData:
      return {mStringSections.count({object, symbol.section}) ? Target::kString : Target::kData,
              offset, symbol.name};
    case Block::kNone:
      break;
  }
  throw PackError(mObjects[object].path() + ": '" + symbol.name + "' lies in section " +
                  mObjects[object].sections()[symbol.section].name + ", which is not placed");
}

void ImagePacker::ApplyAbsolute(const Target& target, uint32_t site, uint32_t addend,
                                const std::string& where) {
  const uint32_t offset = target.offset + addend;
  switch (target.kind) {
    case Target::kImport:
      if (addend != 0)
        throw PackError(where + ": '" + target.name + "' + " + Hex(addend) +
                        ": an addend on an imported symbol cannot be expressed");
      AddChainSite(kImportFramework, kImportModeAbsolute, target.name, site);
      return;
    case Target::kSharedLibrary:
      throw PackError(where + ": shared-library function '" + target.name +
                      "' can only be called, not referenced absolutely");
    case Target::kCode:
      WriteCodeWord(site, offset);
      AddSingleSite(kImportCodeAddress, site);
      return;
    case Target::kData:
      WriteCodeWord(site, offset);
      AddSingleSite(kImportDataAddress, site);
      return;
    case Target::kString:
      if (!mStringRecords.count(offset))
        throw PackError(where +
                        ": a reference into the string constants must name the start "
                        "of a string record");
      WriteCodeWord(site, offset);
      AddSingleSite(kImportStringConst, site);
      return;
    case Target::kAbsolute:
      WriteCodeWord(site, offset);
      return;
  }
}

void ImagePacker::ApplyRelative(const Target& target, uint32_t site, uint32_t addend,
                                const std::string& where) {
  switch (target.kind) {
    case Target::kImport:
    case Target::kSharedLibrary:
      if (addend != kCallAddend)
        throw PackError(where + ": '" + target.name + "' + " + Hex(addend + 4) +
                        ": an addend on an imported symbol cannot be expressed");
      AddChainSite(target.kind == Target::kImport ? kImportFramework : kImportLibrary,
                   kImportModeRelative, target.name, site);
      return;
    case Target::kCode:
      WriteCodeWord(site, target.offset + addend - site);
      return;
    case Target::kData:
    case Target::kString:
    case Target::kAbsolute:
      throw PackError(where + ": a PC-relative reference to '" + target.name +
                      "' outside the code block cannot be expressed");
  }
}

void ImagePacker::AddChainSite(uint8_t kind, uint8_t mode, const std::string& name, uint32_t site) {
  if (site == 0) throw PackError("a chained site at code offset 0 cannot be expressed");
  const auto key = std::make_pair(name, static_cast<uint8_t>(kind * 2 + mode));
  auto [it, added] = mChainIndex.emplace(key, mChains.size());
  if (added) {
    const auto library = mLibraryFunctions.find(name);
    mChains.push_back({kind,
                       mode,
                       name,
                       library == mLibraryFunctions.end() ? std::string() : library->second,
                       {}});
    mRecords.push_back({true, it->second});
  }
  mChains[it->second].sites.push_back(site);
}

void ImagePacker::AddSingleSite(uint8_t kind, uint32_t site) {
  mRecords.push_back({false, mSingles.size()});
  mSingles.push_back({kind, site});
}

void ImagePacker::WriteCodeWord(uint32_t site, uint32_t value) {
  std::memcpy(mCode.data() + site, &value, 4);
}

uint32_t ImagePacker::ReadCodeWord(uint32_t site) const {
  uint32_t value;
  std::memcpy(&value, mCode.data() + site, 4);
  return value;
}

void ImagePacker::WriteImportBlock(std::vector<uint8_t>* out) {
  for (const Record& record : mRecords) {
    if (!record.chained) {
      AppendU8(*out, mSingles[record.index].kind);
      AppendU32(*out, mSingles[record.index].site);
      continue;
    }
    Chain& chain = mChains[record.index];
    std::sort(chain.sites.begin(), chain.sites.end());
    for (size_t i = 0; i < chain.sites.size(); ++i)
      WriteCodeWord(chain.sites[i], i + 1 < chain.sites.size() ? chain.sites[i + 1] : 0);
    AppendU8(*out, chain.kind);
    if (chain.kind == kImportFramework) AppendU8(*out, chain.mode);
    AppendU32(*out, chain.sites.front());
    AppendName(*out, chain.name);
    if (chain.kind == kImportLibrary) AppendName(*out, chain.library);
  }
}

void ImagePacker::WriteSymbolsBlock(std::vector<uint8_t>* out) const {
  std::vector<std::pair<uint32_t, std::string>> functions;
  for (size_t o = 0; o < mObjects.size(); ++o) {
    for (const ElfSymbol& symbol : mObjects[o].symbols()) {
      if (symbol.type != STT_FUNC || symbol.name.empty() || symbol.section >= SHN_LORESERVE)
        continue;
      const Placement& placement = mPlacements[o][symbol.section];
      if (placement.block == Block::kCode)
        functions.emplace_back(placement.offset + symbol.value, symbol.name);
    }
  }
  std::stable_sort(functions.begin(), functions.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  AppendU32(*out, static_cast<uint32_t>(functions.size()));
  uint32_t nameOffset = 0;
  for (const auto& [offset, name] : functions) {
    AppendU32(*out, offset);
    AppendU32(*out, nameOffset);
    nameOffset += static_cast<uint32_t>(name.size() + 1);
  }
  for (const auto& function : functions) {
    out->insert(out->end(), function.second.begin(), function.second.end());
    out->push_back(0);
  }
}
