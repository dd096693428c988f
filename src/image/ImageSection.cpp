// The ".qv" section of the framework executable: finding it among the ELF section headers and
// reading its six counted blocks, every read bounded by the section and the file.
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/RuntimeError.h"
#include "image/ImageBlocks.h"
#include "image/ImageFile.h"

namespace {

// ELF32 header and section header fields the scan reads.
constexpr uint64_t kElfShoff = 32;
constexpr uint64_t kElfShentsize = 46;
constexpr uint64_t kElfShnum = 48;
constexpr uint64_t kElfShstrndx = 50;
constexpr uint64_t kSectionOffsetField = 16;
constexpr uint64_t kSectionSizeField = 20;
constexpr uint16_t kMinSectionHeaderSize = 40;

struct SectionTable {
  uint64_t offset;
  uint16_t entrySize;
  uint16_t count;
  uint16_t namesIndex;

  uint64_t HeaderAt(uint16_t index) const { return offset + uint64_t(index) * entrySize; }
};

bool ReadSectionTable(const ImageFile& file, SectionTable* table) {
  uint8_t magic[4];
  uint32_t shoff = 0;
  if (!file.ReadAt(0, magic, 4) || std::memcmp(magic, "\x7f" "ELF", 4) != 0) return false;
  if (!file.ReadU32(kElfShoff, &shoff) || !file.ReadU16(kElfShentsize, &table->entrySize) ||
      !file.ReadU16(kElfShnum, &table->count) || !file.ReadU16(kElfShstrndx, &table->namesIndex))
    return false;
  table->offset = shoff;
  if (table->entrySize < kMinSectionHeaderSize || table->namesIndex >= table->count) return false;
  return file.Contains(table->offset, uint64_t(table->count) * table->entrySize);
}

bool ReadSectionRange(const ImageFile& file, const SectionTable& table, uint16_t index,
                      ImageSectionLocation* location) {
  uint32_t offset = 0, size = 0;
  uint64_t header = table.HeaderAt(index);
  if (!file.ReadU32(header + kSectionOffsetField, &offset) ||
      !file.ReadU32(header + kSectionSizeField, &size))
    return false;
  location->offset = offset;
  location->size = size;
  return true;
}

bool ReadSectionNames(const ImageFile& file, const SectionTable& table, std::vector<char>* names) {
  ImageSectionLocation range;
  if (!ReadSectionRange(file, table, table.namesIndex, &range)) return false;
  if (!file.Contains(range.offset, range.size)) return false;
  names->resize(range.size);
  return range.size == 0 || file.ReadAt(range.offset, names->data(), uint32_t(range.size));
}

bool SectionNameMatches(const std::vector<char>& names, uint32_t nameOffset) {
  if (uint64_t(nameOffset) + qvimage::kSectionNameBytes > names.size()) return false;
  return std::memcmp(names.data() + nameOffset, qvimage::kSectionName,
                     qvimage::kSectionNameBytes) == 0;
}

bool ReportDamagedSection(const char* condition, const std::string& message) {
  return QV_CHECK_TEXT(false, condition, message.c_str());
}

// Reads one counted block at *position, leaving *position after it.
bool ReadCountedBlock(const ImageFile& file, uint64_t sectionEnd, qvimage::Block block,
                      uint64_t* position, ImageBlockSet* blocks) {
  std::string name = ImageBlockName(block);
  uint32_t size = 0;
  if (*position + qvimage::kBlockSizeBytes > sectionEnd || !file.ReadU32(*position, &size))
    return ReportDamagedSection("blockCount",
                                "Application image is truncated before its " + name + " block");
  uint64_t start = *position + qvimage::kBlockSizeBytes;
  if (size > sectionEnd - start)
    return ReportDamagedSection(
        "blockFits", "Application image " + name + " block of " + std::to_string(size) +
                         " bytes runs past the end of its section");
  if (block == qvimage::kBlockResources) blocks->resourcesFileOffset = uint32_t(start);
  *position = start + size;
  blocks->sizes[block] = size;
  if (size == 0) return true;
  uint8_t* bytes = block == qvimage::kBlockCode
                       ? AllocateCodeBlock(size)
                       : static_cast<uint8_t*>(std::malloc(size));
  if (!bytes && block == qvimage::kBlockCode) return false;  // AllocateCodeBlock has reported
  if (!bytes) return ReportDamagedSection("blockMemory", "No memory for the image's " + name + " block");
  blocks->bytes[block] = bytes;
  if (!file.ReadAt(start, bytes, size))
    return ReportDamagedSection("blockRead", "Could not read the image's " + name + " block");
  return true;
}

}  // namespace

bool FindImageSection(const ImageFile& file, ImageSectionLocation* location) {
  SectionTable table;
  std::vector<char> names;
  if (!ReadSectionTable(file, &table) || !ReadSectionNames(file, table, &names)) return false;
  // The headers in one read (ReadSectionTable found them inside the file): the executable has
  // some fifty sections, and a read for each name was a system call apiece at every start.
  std::vector<uint8_t> headers(size_t(table.count) * table.entrySize);
  if (!file.ReadAt(table.offset, headers.data(), uint32_t(headers.size()))) return false;
  for (uint16_t index = 0; index < table.count; ++index) {
    uint32_t nameOffset = 0;
    std::memcpy(&nameOffset, headers.data() + size_t(index) * table.entrySize, sizeof nameOffset);
    if (SectionNameMatches(names, nameOffset)) return ReadSectionRange(file, table, index, location);
  }
  return false;
}

bool ReadImageSection(const ImageFile& file, const ImageSectionLocation& location,
                      ImageBlockSet* blocks) {
  if (!file.Contains(location.offset, location.size))
    return ReportDamagedSection("sectionFits", "Application image section of " +
                                                   std::to_string(location.size) +
                                                   " bytes runs past the end of the file");
  uint64_t position = location.offset;
  uint64_t sectionEnd = location.offset + location.size;
  for (uint32_t block = 0; block < qvimage::kBlockCount; ++block) {
    if (!ReadCountedBlock(file, sectionEnd, qvimage::Block(block), &position, blocks)) return false;
  }
  return true;
}
