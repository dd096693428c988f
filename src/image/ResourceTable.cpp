#include "image/ResourceTable.h"

#include <cstring>

#include "core/RuntimeError.h"
#include "core/SimpleVector.h"

namespace {

// Made once and never destroyed: resources are read until the last moment of the process.
SimpleVector<ResourceEntry>& Rows() {
  static auto* rows = new SimpleVector<ResourceEntry>();
  return *rows;
}

std::string& FilePath() {
  static auto* path = new std::string();
  return *path;
}

qvimage::ResourceRecordHeader ReadRecordHeader(const uint8_t* at) {
  qvimage::ResourceRecordHeader header;
  std::memcpy(&header, at, sizeof header);
  return header;
}

}  // namespace

std::string FourCharCodeText(uint32_t code) {
  std::string text;
  for (int shift = 24; shift >= 0; shift -= 8) text += char((code >> shift) & 0xFF);
  return text;
}

void RegisterImageResources(const uint8_t* block, uint32_t size, uint32_t blockFileOffset,
                            const std::string& filePath) {
  FilePath() = filePath;
  constexpr uint64_t kHeaderBytes = sizeof(qvimage::ResourceRecordHeader);
  uint64_t position = 0;
  while (position < size) {
    if (!QV_CHECK_TEXT(size - position >= kHeaderBytes, "resourceHeaderFits",
                       ("A resource record header at byte " + std::to_string(position) +
                        " runs past the end of the resource block")
                           .c_str()))
      return;
    const qvimage::ResourceRecordHeader header = ReadRecordHeader(block + position);
    const uint64_t dataStart = position + kHeaderBytes;
    if (!QV_CHECK_TEXT(header.length <= size - dataStart, "resourceFits",
                       ("Resource '" + FourCharCodeText(header.type) + "' " +
                        std::to_string(header.id) + " of " + std::to_string(header.length) +
                        " bytes runs past the end of the resource block")
                           .c_str()))
      return;
    AddResourceEntry(header.type, header.id, block + dataStart, header.length,
                     uint32_t(blockFileOffset + dataStart));
    position = dataStart + header.length;
  }
}

uint32_t AddResourceEntry(uint32_t type, uint16_t id, const uint8_t* data, uint32_t length,
                          uint32_t fileOffset) {
  Rows().Append({type, id, data, length, fileOffset});
  return Rows().size();
}

ResourceEntry FindResource(uint32_t type, uint16_t id) {
  const SimpleVector<ResourceEntry>& rows = Rows();
  for (uint32_t i = 0; i < rows.size(); ++i) {
    const ResourceEntry& row = rows[int32_t(i)];
    if (row.type == type && row.id == id) return row;
  }
  return {};
}

uint32_t ResourceCount() { return Rows().size(); }

ResourceEntry ResourceAt(uint32_t index) {
  if (!QV_CHECK_TEXT(index < ResourceCount(), "index < GetCount()", nullptr)) return {};
  return Rows()[int32_t(index)];
}

const std::string& ResourceFilePath() { return FilePath(); }

void ForgetImageResourcesForTesting() {
  Rows().Clear();
  FilePath().clear();
}
