// FileReplacement: how a host file is replaced whole or left as it was. Every write of a whole
// file over one that may exist (a copy, a save) goes through it: truncating first, a failure half
// way (a full disk) would leave neither the old contents nor the new.
//
// The new contents are written into a file made beside the one they replace (in the folder of
// the file a link leads to, so that the link goes on leading to the new contents), which takes
// the old file's place by a rename once whole, with its mode, owner and group. A file of several
// hard links (every name must see the new contents) or whose owner this process cannot give the
// new file is written over in place instead, once the whole file beside it showed there is room.
// A file this process may not write is refused (EACCES), as cp refuses it; where no file can be
// made beside it (a folder that takes none, a link that leads nowhere) the caller writes in
// place as before.
#pragma once

#include <sys/stat.h>

#include <functional>
#include <string>

#include "core/TemporaryFile.h"

class RandomAccessMechanism;

// The process's umask, read without changing it.
mode_t ProcessUmask();

class FileReplacement {
 public:
  // Starts replacing the file path names (it need not exist). False with Error() set when it is
  // refused; true with InPlace() when the caller must write path itself.
  bool Begin(const std::string& path);
  bool InPlace() const { return mInPlace; }
  // Where the new contents go until Commit, and its open descriptor (this object's).
  const std::string& Beside() const { return mBeside.Path(); }
  int Descriptor() const { return mBeside.Descriptor(); }
  // The contents beside are whole: they take the file's place. A file that did not exist gets
  // newFileMode. False with Error() set, the old file as it was.
  bool Commit(mode_t newFileMode);
  int Error() const { return mError; }
  // Removes the file beside: the old file stays as it was.
  void Abandon() { mBeside.Remove(); }

 private:
  bool Fail(int error);
  bool WriteInPlace();

  std::string mLanding;  // the file replaced: path, or the file its link leads to
  TemporaryFile mBeside;
  struct stat mOld = {};
  bool mExists = false;
  bool mInPlace = false;
  int mError = 0;
};

// A stream onto new contents (file, taken over) that take their file's place at Close: commit
// runs once every write and the close went through, answering 0 or why it failed; after a
// failed write, or released unclosed, drop runs instead and the old file stays.
RandomAccessMechanism* NewReplacingMechanism(RandomAccessMechanism* file,
                                             std::function<int()> commit,
                                             std::function<void()> drop);
// Such a stream onto a new host file beside path (a FileReplacement); path itself, written in
// place, when the replacement says so. Nil with the reason in *error.
RandomAccessMechanism* NewHostReplacingMechanism(const std::string& path, int* error);
