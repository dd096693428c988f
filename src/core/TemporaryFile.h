// TemporaryFile: the one way the framework makes a file of its own (a database's spill files, a
// picture handed to a converter, a copy written beside the file it will replace, the movies,
// sounds and plug-in libraries an image carries, a lock file without a name).
//
// What it promises:
//   - the file is new: mkostemps makes it with mode 0600 under a name nobody guessed or took
//     first, so no link or FIFO planted in a shared folder is ever opened;
//   - without a folder of its own it lies in the temporary folder: $TMPDIR when that names a
//     folder, else /tmp, for every temporary file alike;
//   - it is removed when the object goes, unless the caller keeps it.
#pragma once

#include <string>

// $TMPDIR when it names a folder, else "/tmp"; never ends with "/" (but for "/").
std::string TemporaryFolderPath();

class TemporaryFile {
 public:
  TemporaryFile() = default;
  ~TemporaryFile();
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;

  // Makes a new empty file named prefix, six random characters and suffix in folder (the
  // temporary folder when empty); false with Error() set.
  bool Make(const std::string& folder, const std::string& prefix,
            const std::string& suffix = std::string());
  // The descriptor of a new file of the temporary folder whose name is gone at once: it goes
  // when the descriptor is closed. -1 with the error number in *error when none can be made.
  static int Anonymous(int* error);

  const std::string& Path() const { return mPath; }
  int Descriptor() const { return mDescriptor; }
  int Error() const { return mError; }
  // The descriptor, handed over to the caller (who closes it); -1 when none is open.
  int Release();
  // Closes the descriptor; false with Error() set when the close reports a failed write.
  bool Close();
  // The file stays when the object goes (it is the caller's now, or renamed away).
  void Keep() { mPath.clear(); }
  // Removes the file now.
  void Remove();

 private:
  std::string mPath;  // empty once kept or removed
  int mDescriptor = -1;
  int mError = 0;
};
