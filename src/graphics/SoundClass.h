// The Sound class: a sound file played once or in a loop through the back end the object chose
// when it was made (graphics/SoundImp.h). Sounds come from files (FolderItem.OpenAsSound) and
// from the image's 'WAVE' resources (the resource manager's GetSound), whose maker this file
// installs at start-up.
#pragma once

#include <cstddef>
#include <cstdint>

#include "app/FolderItemImp.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

class SoundImp;

struct SoundObject {
  RuntimeObject header;
  SoundImp* imp;  // __qvf_mImp: owned
};
static_assert(sizeof(SoundObject) == 28 && offsetof(SoundObject, imp) == 24);

ObjectDefinition* SoundClassDefinition();

// Hands sound its data: file (which its back end takes over; the one it had is deleted) and the
// offset of the sound in it. A nil sound or one without a back end deletes file.
void SoundSetData(RuntimeObject* sound, FolderItemImp* file, uint32_t offset);

// A new Sound (the caller's reference) of file at offset, taking file over; nil (and file
// deleted) when it cannot be made.
RuntimeObject* NewSoundWithData(FolderItemImp* file, uint32_t offset);

// The sound's file (borrowed) or nil, and its offset.
const FolderItemImp* SoundFile(RuntimeObject* sound);
uint32_t SoundDataOffset(RuntimeObject* sound);
SoundImp* SoundBackEnd(RuntimeObject* sound);

extern "C" {
void RuntimeSoundConstructor(RuntimeObject* sound);
void RuntimeSoundDestructor(RuntimeObject* sound);
void soundPlay(RuntimeObject* sound);
void soundPlayLooping(RuntimeObject* sound);
void soundStop(RuntimeObject* sound);
int32_t soundIsPlaying(RuntimeObject* sound);
RuntimeObject* SoundClone(RuntimeObject* sound);
int32_t SoundPanGetter(RuntimeObject* sound, int32_t parameter);
void SoundPanSetter(RuntimeObject* sound, int32_t parameter, int32_t pan);
int32_t SoundVolumeGetter(RuntimeObject* sound, int32_t parameter);
void SoundVolumeSetter(RuntimeObject* sound, int32_t parameter, int32_t volume);
}

// True on this platform: every system has a sound back end, the silent one at least.
bool SoundSupportAvailable();
