// The Sound class, as far as the framework makes sounds so far: the sound's data, kept as a
// folder item and the byte offset at which the sound starts in that file. Sounds come from the
// image's 'WAVE' resources (the resource manager's GetSound), whose maker this file installs
// at start-up. Playback and the remaining members come with the sound back ends.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct SoundObject {
  RuntimeObject header;
  FolderItemImp* file;  // owned; nil until SoundSetData
  uint32_t offset;      // of the sound's first byte in file
};
static_assert(sizeof(SoundObject) == 32 && offsetof(SoundObject, offset) == 28);

ObjectDefinition* SoundClassDefinition();

// Hands sound its data: file (which it takes over; the one it had is deleted) and the offset
// of the sound in it. A nil sound deletes file.
void SoundSetData(RuntimeObject* sound, FolderItemImp* file, uint32_t offset);

// The sound's file (borrowed) or nil, and its offset.
const FolderItemImp* SoundFile(RuntimeObject* sound);
uint32_t SoundDataOffset(RuntimeObject* sound);

extern "C" {
void RuntimeSoundDestructor(RuntimeObject* sound);
}
