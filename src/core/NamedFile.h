// NamedFile: the one way the framework opens a file it is given by name (data files, pictures,
// sounds, movies, image block files, linker scripts, a theme's index), so that no open ever
// waits on a peer that may be absent and no reader trusts a size the file does not keep.
//
// What it promises:
//   - the open never waits: O_NONBLOCK while opening (a FIFO without a writer, a line without
//     carrier open at once), cleared once open unless the caller keeps it;
//   - where only a file's contents will do (kContents), what the name stands for is looked at
//     before it is opened: a FIFO, a device or a socket is refused with ENOTSUP and never opened
//     (opening a device can act: a tape rewinds, a watchdog starts), a folder with EISDIR;
//   - what was opened is looked at again, so a name that now stands for something else (swapped
//     in between) is refused the same way;
//   - Read reads until the data ends, whatever the size said: the files of /proc say 0, those
//     of /sys 4,096, and either may hold any number of bytes.
// A library that takes only names is given the name only once the opener found a regular file
// there, or better the bytes themselves.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <string>

enum class NamedFileUse : uint8_t {
  kContents,  // its bytes make an object: a regular file only
  kStream,    // read or written as a stream: FIFOs and devices too
};

// ENOTSUP when path stands for a FIFO, a device or a socket (links followed), else 0: a call
// that hands the name to another program asks this first.
int SpecialFileError(const char* path);

class NamedFile {
 public:
  NamedFile() = default;
  ~NamedFile() { Close(); }
  NamedFile(const NamedFile&) = delete;
  NamedFile& operator=(const NamedFile&) = delete;

  // Opens path with flags (O_RDONLY, O_WRONLY or O_RDWR, with O_CREAT, O_TRUNC, O_APPEND,
  // O_NOFOLLOW as wanted; mode for a file made); false with Error() set. keepNonBlocking leaves
  // O_NONBLOCK on the open descriptor.
  bool Open(const char* path, int flags, NamedFileUse use, mode_t mode = 0666,
            bool keepNonBlocking = false);
  void Close();
  // The descriptor, handed over to the caller (who closes it); -1 when nothing is open.
  int Release();

  int Descriptor() const { return mDescriptor; }
  int Error() const { return mError; }
  // What fstat said of the open file.
  const struct stat& Info() const { return mInfo; }
  // Appends the bytes from the descriptor's position to the end of the data, at most most of
  // them; false with Error() set when a read failed or memory ran short (ENOMEM).
  bool Read(size_t most, std::string* bytes);

 private:
  bool Fail(int error);
  // Up to count bytes from the descriptor's position: how many came, 0 at the end of the data,
  // -1 with Error() set when the read failed.
  int64_t ReadSome(void* buffer, size_t count);

  int mDescriptor = -1;
  int mError = 0;
  struct stat mInfo = {};
};
