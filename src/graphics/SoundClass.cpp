#include "graphics/SoundClass.h"

#include "app/ResourceManager.h"
#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"

namespace {

SoundObject* AsSound(RuntimeObject* sound) { return reinterpret_cast<SoundObject*>(sound); }

RuntimeObject* NewSoundWithData(FolderItemImp* file, uint32_t offset) {
  RuntimeObject* sound = NewObjectFromDefinition(SoundClassDefinition());
  SoundSetData(sound, file, offset);
  return sound;
}

void InstallSoundMaker() { SetResourceObjectMakers({.sound = NewSoundWithData}); }

}  // namespace

QV_CLASS(SoundClassDefinition,
         .name = "Sound",
         .objectSize = sizeof(SoundObject),
         .finalizer = QV_CODE(RuntimeSoundDestructor))
QV_STARTUP_CLASS(kStartupSoundClass, SoundClassDefinition)
QV_STARTUP(kStartupSoundResourceMaker, InstallSoundMaker)

void SoundSetData(RuntimeObject* sound, FolderItemImp* file, uint32_t offset) {
  if (!sound) {
    delete file;
    return;
  }
  if (AsSound(sound)->file != file) delete AsSound(sound)->file;
  AsSound(sound)->file = file;
  AsSound(sound)->offset = offset;
}

const FolderItemImp* SoundFile(RuntimeObject* sound) {
  return sound ? AsSound(sound)->file : nullptr;
}

uint32_t SoundDataOffset(RuntimeObject* sound) { return sound ? AsSound(sound)->offset : 0; }

extern "C" void RuntimeSoundDestructor(RuntimeObject* sound) {
  if (!sound) return;
  delete AsSound(sound)->file;
  AsSound(sound)->file = nullptr;
}
QV_EXPORT(RuntimeSoundDestructor)
