#include "app/ResourceManager.h"

#include <cstring>
#include <string>

#include "app/TemporaryFiles.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "image/ImageFormat.h"
#include "image/ResourceTable.h"

namespace {

ResourceObjectMakers gMakers;

// Extracted files, one for each resource, deleted at quit: one set for movies, one for sounds.
TemporaryFileSet& MovieFiles() {
  static auto* files = new TemporaryFileSet();
  return *files;
}
TemporaryFileSet& SoundFiles() {
  static auto* files = new TemporaryFileSet();
  return *files;
}

uint32_t LoadU32(const uint8_t* at) {
  uint32_t value;
  std::memcpy(&value, at, sizeof value);
  return value;
}

// A 'DBAS' record: u32 N, N bytes of engine type name, u32 S, S bytes of database.
struct DatabaseRecord {
  string engineType;
  const uint8_t* data;
  uint32_t length;
};

bool ReadDatabaseRecord(const ResourceEntry& entry, DatabaseRecord* record) {
  const std::string what = "The database resource " + std::to_string(entry.id);
  const uint64_t available = entry.length;
  if (!QV_CHECK_TEXT(available >= 4 && LoadU32(entry.data) <= available - 4, "databaseNameFits",
                     (what + " is too short for its engine name").c_str()))
    return false;
  const uint32_t nameLength = LoadU32(entry.data);
  const uint64_t sizeAt = 4 + uint64_t(nameLength);
  if (!QV_CHECK_TEXT(
          available - sizeAt >= 4 && LoadU32(entry.data + sizeAt) <= available - sizeAt - 4,
          "databaseFits", (what + " is too short for its database").c_str()))
    return false;
  record->engineType = string::FromBytes(entry.data + 4, nameLength, kEncodingUTF8);
  record->data = entry.data + sizeAt + 4;
  record->length = LoadU32(entry.data + sizeAt);
  return true;
}

// What make makes of the bytes of resource type id; nil without the resource or a maker.
RuntimeObject* MakeFromBytes(uint32_t type, uint16_t id,
                             RuntimeObject* (*make)(const uint8_t* data, uint32_t length)) {
  const ResourceEntry entry = FindResource(type, id);
  return entry.data && make ? make(entry.data, entry.length) : nullptr;
}

}  // namespace

ResourceObjectMakers SetResourceObjectMakers(const ResourceObjectMakers& makers) {
  const ResourceObjectMakers previous = gMakers;
  if (makers.picture) gMakers.picture = makers.picture;
  if (makers.cursor) gMakers.cursor = makers.cursor;
  if (makers.movie) gMakers.movie = makers.movie;
  if (makers.sound) gMakers.sound = makers.sound;
  if (makers.database) gMakers.database = makers.database;
  return previous;
}

const char* MovieFileExtension(const uint8_t* data, uint32_t length) {
  constexpr uint32_t kAsfHeaderWord = 0x75B22630;
  if (length >= 11 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "AVI", 3) == 0)
    return ".avi";
  if (length >= 4 && LoadU32(data) == kAsfHeaderWord) return ".wmv";
  return ".mov";
}

RuntimeObject* ResourceManager::GetDatabase(uint16_t id) {
  const ResourceEntry entry = FindResource(qvimage::kResourceDatabase, id);
  DatabaseRecord record;
  if (!entry.data || !gMakers.database || !ReadDatabaseRecord(entry, &record)) return nullptr;
  return gMakers.database(record.engineType, record.data, record.length);
}

RuntimeObject* ResourceManager::GetPicture(uint16_t id) {
  return MakeFromBytes(qvimage::kResourcePicture, id, gMakers.picture);
}

stringStorage* ResourceManager::GetTextFile(uint16_t id) {
  const ResourceEntry entry = FindResource(qvimage::kResourceText, id);
  if (!entry.data) return nullptr;
  return string::FromBytes(entry.data, entry.length, kEncodingUTF8).ExtractStringStorage();
}

RuntimeObject* ResourceManager::GetMovie(uint16_t id) {
  const ResourceEntry entry = FindResource(qvimage::kResourceMovie, id);
  if (!entry.data || !gMakers.movie) return nullptr;
  FolderItemImp* folder = TemporaryFolderItem();
  if (!folder) return nullptr;
  FolderItemImp* file = MovieFiles().WriteOnce(id, *folder, entry.data, entry.length,
                                               MovieFileExtension(entry.data, entry.length));
  delete folder;
  return file ? gMakers.movie(file) : nullptr;
}

RuntimeObject* ResourceManagerElf::GetCursor(uint16_t id) {
  return MakeFromBytes(qvimage::kResourceCursor, id, gMakers.cursor);
}

// With a temporary folder the sound gets a file of its own; without one it is read in place
// from the file that held the resource block, at the resource's offset in that file.
RuntimeObject* ResourceManagerElf::GetSound(uint16_t id) {
  const ResourceEntry entry = FindResource(qvimage::kResourceSound, id);
  if (!entry.data || !gMakers.sound) return nullptr;
  if (FolderItemImp* folder = TemporaryFolderItem()) {
    FolderItemImp* file = SoundFiles().WriteOnce(id, *folder, entry.data, entry.length, ".wav");
    delete folder;
    return file ? gMakers.sound(file, 0) : nullptr;
  }
  const std::string& holder = ResourceFilePath();
  if (!QV_CHECK_TEXT(!holder.empty() && entry.fileOffset != 0, "soundFile",
                     ("The sound resource " + std::to_string(id) +
                      " is in no file and there is no temporary folder")
                         .c_str()))
    return nullptr;
  FolderItemImp* file =
      FolderItemForPath(string::FromBytes(holder.data(), int64_t(holder.size()), kEncodingUTF8));
  return file ? gMakers.sound(file, entry.fileOffset) : nullptr;
}

ResourceManager& TheResourceManager() {
  static auto* manager = new ResourceManagerElf();
  return *manager;
}

extern "C" RuntimeObject* RuntimeGetBitmapFromResourceManager(uint32_t id) {
  return TheResourceManager().GetPicture(uint16_t(id));
}
QV_EXPORT(RuntimeGetBitmapFromResourceManager)

extern "C" RuntimeObject* RuntimeGetSoundFromResourceManager(uint32_t id) {
  return TheResourceManager().GetSound(uint16_t(id));
}
QV_EXPORT(RuntimeGetSoundFromResourceManager)

extern "C" stringStorage* RuntimeGetTextFileFromResourceManager(uint32_t id) {
  return TheResourceManager().GetTextFile(uint16_t(id));
}
QV_EXPORT(RuntimeGetTextFileFromResourceManager)
