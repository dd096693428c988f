// The resource table: every resource the image carries, as typed, numbered pieces of data.
//
// The loader fills it once, after linking and before the entry runs (RegisterImageResources for
// the resource block, then ApplyImageOptions adds the version record). Rows point into the
// image's blocks, which live as long as the process; nothing is copied. Rows keep their
// insertion order and are never removed.
//
// Readers:
//   - FindResource(type, id): the first row of that type and id:
//         const ResourceEntry found = FindResource(qvimage::kResourceText, id);
//         if (!found.data) return nullptr;  // no such resource
//   - ResourceCount / ResourceAt: walk every row in order, e.g. the plug-in loader collecting
//     its libraries:
//         for (uint32_t i = 0; i < ResourceCount(); ++i) {
//           const ResourceEntry row = ResourceAt(i);
//           if (row.type == pluginType) ...
//         }
//   - ResourceFilePath + ResourceEntry::fileOffset: where a row's bytes lie on disk, for code
//     that must read a resource in place.
// The resource manager (app/ResourceManager.h) turns rows into language objects: pictures,
// texts, movies, cursors, sounds and databases.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "image/ImageFormat.h"

struct ResourceEntry {
  uint32_t type;  // a four-character code, qvimage::FourCharCode
  uint16_t id;
  const uint8_t* data;  // length bytes inside an image block; nil in the all-zero row
  uint32_t length;
  // Offset of the data in the file that held the resource block (ResourceFilePath); 0 for
  // rows that came from no file, such as the version record of the options.
  uint32_t fileOffset;
};
static_assert(sizeof(ResourceEntry) == 20);
static_assert(offsetof(ResourceEntry, data) == 8 && offsetof(ResourceEntry, length) == 12 &&
              offsetof(ResourceEntry, fileOffset) == 16);

// Adds one row per record of the resource block. blockFileOffset is where the block's first
// byte lies in filePath, the file that held it (the executable, or the "rsrc.dat" block file).
// A record whose header or data runs past the block is reported; it and anything after it
// (which can no longer be found) are left out.
void RegisterImageResources(const uint8_t* block, uint32_t size, uint32_t blockFileOffset,
                            const std::string& filePath);

// Appends a row; the new row count.
uint32_t AddResourceEntry(uint32_t type, uint16_t id, const uint8_t* data, uint32_t length,
                          uint32_t fileOffset);

// A copy of the first row with that type and id, or the all-zero row (data nil) when none.
ResourceEntry FindResource(uint32_t type, uint16_t id);

uint32_t ResourceCount();
// A copy of row index; past the end a failed check and the all-zero row.
ResourceEntry ResourceAt(uint32_t index);

// The absolute path of the file that held the resource block; empty before it is registered.
const std::string& ResourceFilePath();

// Forgets every row and the file path, as before the image's resources were registered: for
// fuzzing, which registers one block after another.
void ForgetImageResourcesForTesting();

// A four-character code as text for messages: "DBAS".
std::string FourCharCodeText(uint32_t code);
