// The resource manager: turns a resource of the image (image/ResourceTable.h) into a language
// object on demand. Each Get takes the resource's 16-bit id and answers a new object (or
// string) with one reference for the caller, or nil when the image has no such resource.
//
//   GetDatabase  'DBAS'  the embedded database, opened by its engine's type name
//   GetPicture   'BMP '  a Picture of the decoded BMP file; nil when it does not decode
//   GetTextFile  'TEXT'  a string of the bytes, tagged UTF-8
//   GetMovie     'moov'  a Movie of the data written to a temporary file (deleted at quit)
//   GetCursor    'CURS'  a MouseCursor of the 68-byte cursor record
//   GetSound     'WAVE'  a Sound of the data written to a temporary file, or, without a
//                        temporary folder, read in place from the file that held the resource
// A movie or sound resource is written once: later Gets share its file while it exists.
//
// The objects belong to the class library, which installs their makers at start-up with
// SetResourceObjectMakers (the graphics layer the picture, movie and sound, the database layer
// the database, the windows layer the cursor). A kind whose maker is not installed answers nil.
// Resource bytes that do not fit their record are reported and answer nil.
#pragma once

#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

struct ResourceObjectMakers {
  // A new Picture from the bytes of a whole BMP file, or nil when they do not decode.
  RuntimeObject* (*picture)(const uint8_t* data, uint32_t length) = nullptr;
  // A new MouseCursor from the bytes of a 'CURS' record (any length; the maker checks it).
  RuntimeObject* (*cursor)(const uint8_t* data, uint32_t length) = nullptr;
  // A new Movie of type 'moov' that owns file (and deletes it, even when making fails).
  RuntimeObject* (*movie)(FolderItemImp* file) = nullptr;
  // A new Sound whose data starts offset bytes into file; it owns file as above.
  RuntimeObject* (*sound)(FolderItemImp* file, uint32_t offset) = nullptr;
  // The database of the engine named engineType, opened over length bytes at data.
  RuntimeObject* (*database)(const string& engineType, const uint8_t* data,
                             uint32_t length) = nullptr;
};

// Installs the makers that are not nil; the others keep theirs. The makers installed before.
ResourceObjectMakers SetResourceObjectMakers(const ResourceObjectMakers& makers);

class ResourceManager {
 public:
  virtual ~ResourceManager() = default;

  virtual RuntimeObject* GetDatabase(uint16_t id);
  virtual RuntimeObject* GetPicture(uint16_t id);
  virtual stringStorage* GetTextFile(uint16_t id);
  virtual RuntimeObject* GetMovie(uint16_t id);
  virtual RuntimeObject* GetCursor(uint16_t id) = 0;
  virtual RuntimeObject* GetSound(uint16_t id) = 0;
};

// The manager of this platform's images: cursors from 'CURS' records and sounds read through
// files.
class ResourceManagerElf final : public ResourceManager {
 public:
  RuntimeObject* GetCursor(uint16_t id) override;
  RuntimeObject* GetSound(uint16_t id) override;
};

// The process's one manager; never destroyed.
ResourceManager& TheResourceManager();

// The extension a movie file needs for players to recognise its data: ".avi" for a RIFF file
// of form "AVI", ".wmv" for an ASF header, ".mov" for anything else.
const char* MovieFileExtension(const uint8_t* data, uint32_t length);

extern "C" {
RuntimeObject* RuntimeGetBitmapFromResourceManager(uint32_t id);
RuntimeObject* RuntimeGetSoundFromResourceManager(uint32_t id);
stringStorage* RuntimeGetTextFileFromResourceManager(uint32_t id);
}
