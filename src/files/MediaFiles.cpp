// Files handed to the Sound and Movie classes: each object gets a copy of the item.
#include "files/FolderItemImpUnix.h"
#include "graphics/MovieClass.h"
#include "graphics/SoundClass.h"

RuntimeObject* FolderItemImpUnix::OpenAsMovie() {
  if (!Exists()) return nullptr;
  return NewMovieWithFile(Clone());
}

RuntimeObject* FolderItemImpUnix::OpenAsSound() {
  if (!SoundSupportAvailable()) return nullptr;
  return NewSoundWithData(Clone(), 0);
}
