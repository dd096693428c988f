#include "graphics/SoundClass.h"

#include "app/ResourceManager.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "graphics/SoundImp.h"

namespace {

using namespace lang;

const PropertyRow kSoundProperties[] = {
    QV_PROPERTY("Pan", Integer, SoundPanGetter, SoundPanSetter),
    QV_PROPERTY("Volume", Integer, SoundVolumeGetter, SoundVolumeSetter),
    QV_VARIABLE("__qvf_mImp", Integer),
};

const MethodRow kSoundMethods[] = {
    QV_SUB("Play", soundPlay),
    QV_SUB("PlayLooping", soundPlayLooping),
    QV_SUB("Stop", soundStop),
    QV_FUNCTION("IsPlaying", Boolean, soundIsPlaying),
    QV_FUNCTION("Clone", Class<"Sound">, SoundClone),
};

SoundObject* AsSound(RuntimeObject* sound) { return reinterpret_cast<SoundObject*>(sound); }

void InstallSoundMaker() { SetResourceObjectMakers({.sound = NewSoundWithData}); }

}  // namespace

QV_CLASS(SoundClassDefinition,
         .name = "Sound",
         .objectSize = sizeof(SoundObject),
         .properties = kSoundProperties,
         .methods = kSoundMethods,
         .initializer = QV_CODE(RuntimeSoundConstructor),
         .finalizer = QV_CODE(RuntimeSoundDestructor))
QV_STARTUP_CLASS(kStartupSoundClass, SoundClassDefinition)
QV_STARTUP(kStartupSoundResourceMaker, InstallSoundMaker)

SoundImp* SoundBackEnd(RuntimeObject* sound) { return sound ? AsSound(sound)->imp : nullptr; }

RuntimeObject* NewSoundWithData(FolderItemImp* file, uint32_t offset) {
  RuntimeObject* sound = NewObjectFromDefinition(SoundClassDefinition());
  if (!SoundBackEnd(sound)) {
    delete file;
    if (sound) RuntimeUnlockObject(sound);
    return nullptr;
  }
  SoundSetData(sound, file, offset);
  return sound;
}

void SoundSetData(RuntimeObject* sound, FolderItemImp* file, uint32_t offset) {
  SoundImp* imp = SoundBackEnd(sound);
  if (!imp) {
    delete file;
    return;
  }
  imp->SetData(file, offset);
}

const FolderItemImp* SoundFile(RuntimeObject* sound) {
  SoundImp* imp = SoundBackEnd(sound);
  return imp ? imp->File() : nullptr;
}

uint32_t SoundDataOffset(RuntimeObject* sound) {
  SoundImp* imp = SoundBackEnd(sound);
  return imp ? imp->Offset() : 0;
}

extern "C" void RuntimeSoundConstructor(RuntimeObject* sound) {
  if (sound) AsSound(sound)->imp = CreateSoundImp();
}
QV_EXPORT(RuntimeSoundConstructor)

extern "C" void RuntimeSoundDestructor(RuntimeObject* sound) {
  if (!sound) return;
  delete AsSound(sound)->imp;
  AsSound(sound)->imp = nullptr;
}
QV_EXPORT(RuntimeSoundDestructor)

extern "C" void soundPlay(RuntimeObject* sound) {
  if (SoundImp* imp = SoundBackEnd(sound)) imp->Play();
}
QV_EXPORT(soundPlay)

extern "C" void soundPlayLooping(RuntimeObject* sound) {
  if (SoundImp* imp = SoundBackEnd(sound)) imp->PlayLooping();
}
QV_EXPORT(soundPlayLooping)

extern "C" void soundStop(RuntimeObject* sound) {
  if (SoundImp* imp = SoundBackEnd(sound)) imp->Stop();
}
QV_EXPORT(soundStop)

extern "C" int32_t soundIsPlaying(RuntimeObject* sound) {
  SoundImp* imp = SoundBackEnd(sound);
  return imp && imp->IsPlaying() ? 1 : 0;
}
QV_EXPORT(soundIsPlaying)

extern "C" RuntimeObject* SoundClone(RuntimeObject* sound) {
  SoundImp* imp = SoundBackEnd(sound);
  if (!imp) return nullptr;
  RuntimeObject* copy = NewObjectFromDefinition(SoundClassDefinition());
  if (!copy) return nullptr;
  delete AsSound(copy)->imp;
  AsSound(copy)->imp = imp->Clone();
  return copy;
}
QV_EXPORT(SoundClone)

extern "C" int32_t SoundPanGetter(RuntimeObject* sound, int32_t) {
  SoundImp* imp = SoundBackEnd(sound);
  return imp ? imp->GetPan() : 0;
}
QV_EXPORT(SoundPanGetter)

extern "C" void SoundPanSetter(RuntimeObject* sound, int32_t, int32_t pan) {
  if (SoundImp* imp = SoundBackEnd(sound)) imp->SetPan(ClampPan(pan));
}
QV_EXPORT(SoundPanSetter)

extern "C" int32_t SoundVolumeGetter(RuntimeObject* sound, int32_t) {
  SoundImp* imp = SoundBackEnd(sound);
  return imp ? imp->GetVolume() : 0;
}
QV_EXPORT(SoundVolumeGetter)

extern "C" void SoundVolumeSetter(RuntimeObject* sound, int32_t, int32_t volume) {
  if (SoundImp* imp = SoundBackEnd(sound)) imp->SetVolume(ClampVolume(volume));
}
QV_EXPORT(SoundVolumeSetter)

bool SoundSupportAvailable() { return true; }
