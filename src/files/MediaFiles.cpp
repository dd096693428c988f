// Files handed to the Sound and Movie classes: each object gets a copy of the item. A FIFO, a
// device or a socket is refused at once (ENOTSUP): no sound or movie is made of one.
#include "core/NamedFile.h"
#include "files/FolderItemImpUnix.h"
#include "graphics/MovieClass.h"
#include "graphics/SoundClass.h"

RuntimeObject* FolderItemImpUnix::OpenAsMovie() {
  if (!Exists() || RefusesSpecialFile()) return nullptr;
  return NewMovieWithFile(Clone());
}

RuntimeObject* FolderItemImpUnix::OpenAsSound() {
  if (!SoundSupportAvailable() || RefusesSpecialFile()) return nullptr;
  return NewSoundWithData(Clone(), 0);
}

bool FolderItemImpUnix::RefusesSpecialFile() const {
  const int error = SpecialFileError(mPath.c_str());
  if (error) SetLastError(error);
  return error != 0;
}
