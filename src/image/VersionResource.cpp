#include "image/VersionResource.h"

#include <cstring>

#include "core/RuntimeError.h"
#include "image/ImageFormat.h"
#include "image/ResourceTable.h"

namespace {

bool gVersionRead = false;
const ImageVersion* gVersion = nullptr;  // kept for the process once read

ImageVersion* ParseVersionRecord(const uint8_t* data, uint32_t length) {
  if (!QV_CHECK_TEXT(VersionRecordLength(data, length) != 0, "versionRecordFits",
                     "The version record is too short for its numbers and texts"))
    return nullptr;
  auto* version = new ImageVersion();
  std::memcpy(version->words, data, sizeof version->words);
  const uint8_t* text = data + sizeof(qvimage::VersionRecordHeader);
  for (string& field : version->texts) {
    field = string::FromBytes(text + 1, text[0], kEncodingUTF8);
    text += 1 + text[0];
  }
  return version;
}

}  // namespace

uint32_t VersionRecordLength(const uint8_t* data, uint64_t available) {
  uint64_t length = sizeof(qvimage::VersionRecordHeader);
  for (uint32_t i = 0; i < qvimage::kVersionTextCount; ++i) {
    if (length >= available) return 0;
    length += 1 + uint64_t(data[length]);
  }
  return length <= available ? uint32_t(length) : 0;
}

const ImageVersion* GetVersionResource() {
  if (gVersionRead) return gVersion;
  const ResourceEntry entry = FindResource(qvimage::kResourceVersion, 0);
  if (!entry.data) return nullptr;  // the record may still be added
  gVersionRead = true;
  gVersion = ParseVersionRecord(entry.data, entry.length);
  return gVersion;
}

void ForgetVersionResourceForTesting() {
  delete gVersion;
  gVersion = nullptr;
  gVersionRead = false;
}
