// FileReplacement: how a host file is replaced whole or left as it was. Every write of a whole
// file over one that may exist (a copy, a save) goes through it: truncating first, a failure half
// way (a full disk) would leave neither the old contents nor the new.
//
// The new contents are written into a file made beside the one they replace (in the folder of
// the file a link leads to, so that the link goes on leading to the new contents), which takes
// the old file's place by a rename once whole, with its owner, group, extended attributes (ACL
// entries among them) and mode: nobody may read it who could not before. Where that cannot be
// (a file of several hard links, every name of which must see the new contents; an owner, group
// or attribute this process cannot give the new file; a rename the system refuses, over a
// bind-mounted file), the old file is written over in place, from its end down: the tail past
// its old length first, which is cut off again when it finds no room, so the old contents stay
// unless the new ones can be written whole. The file beside gives back each piece's room as the
// old file takes it, so room for one copy is enough, and it is gone at the end.
// A folder that takes no new file, or keeps every name it has (an append-only folder, where a
// file beside could never go again), holds the new contents in a temporary file instead, and
// the old file is written in place from there. A file this process may not write is refused
// (EACCES), as cp refuses it; a new file where nothing can be made beside it, and what is no
// regular file (a link that leads nowhere), are left to the caller to write in place.
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
  // Where the new contents go until Commit (beside the file, or in the temporary folder), and
  // its open descriptor (this object's).
  const std::string& Holder() const { return mHolder.Path(); }
  int Descriptor() const { return mHolder.Descriptor(); }
  // The new contents are whole: they take the file's place. A file that did not exist gets
  // newFileMode. False with Error() set, the old file as it was (but for a failing disk under a
  // write in place).
  bool Commit(mode_t newFileMode);
  int Error() const { return mError; }
  // Removes the new contents: the old file stays as it was.
  void Abandon() { mHolder.Remove(); }

 private:
  bool Fail(int error);
  // Makes the holder beside the file, or in the temporary folder where the folder cannot have
  // it; true with mInPlace where neither is wanted.
  bool MakeHolder();
  // Gives the file beside what the old file has; false where it cannot be given.
  bool TakeOldAttributes();
  bool WriteInPlace(mode_t newFileMode);

  std::string mLanding;  // the file replaced: path, or the file its link leads to
  TemporaryFile mHolder;
  bool mBeside = false;  // the holder lies beside the file, in its folder
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
