// UnixDataFile: a data file over a stdio stream of the host.
//
// What stdio leaves to its caller is done here, so that the application never sees it:
//   - the error indicator is sticky, so each call clears it first and stores only the errno of
//     the call that failed;
//   - a stream that switches between reading and writing goes through a positioning call (the
//     direction of the last transfer is tracked);
//   - SetLength pushes buffered writes out before truncating, and drops read-ahead bytes that
//     the truncation may have made stale;
//   - the length of a regular file comes from fstat after pending writes are pushed out, so
//     asking for it neither moves the position nor drops the read buffer, unless the buffer
//     runs past the file's end (the file was cut short under the reader): bytes no longer in
//     the file are dropped, never handed out;
//   - a regular file of a file system whose sizes are no lengths (/proc, /sys, binfmt_misc and
//     their kind, named one by one), and one whose read ended before its size, have no known
//     length while bytes are there, as a pipe; at the end of its data the length is where the
//     stream is, so a read loop ends there whatever the size said. Any other regular file has
//     the length its size says, 0 included (a file cut to nothing under the reader; a file of
//     ramfs, which keeps no blocks);
//   - the position is counted here, on anything but a regular file (stdio cannot tell it once it
//     has read ahead on a device, whose descriptor stays where the device puts it) and on a file
//     opened here (asking stdio costs a system call); only a stream handed over is asked; a device
//     that seeks has the length its descriptor gives, never less than the position, so a
//     device without end (/dev/zero) is at its end by the length and a read of "all of it" is
//     bounded; a folder's length is its size, as on any machine (lseek's end of a folder is a
//     cookie that differs between 32- and 64-bit callers);
//   - a stream that cannot seek (a pipe, a terminal) has no known length (-1, no error), and it
//     is at its end when a peeked byte does not come;
//   - every path is opened through the framework's opener (NamedFile), which never waits for a
//     peer: a FIFO without a writer, a line without carrier open at once. A FIFO opened for
//     reading before any writer came would then read as ended at once; its first read gives a
//     writer two seconds to come (then it is at its end, with ENXIO). A FIFO read and written
//     through one stream stays non-blocking: it is its own writer, so an empty one is at its
//     end and a full one refuses a write (EAGAIN), where either would wait for ever.
#pragma once

#include <cstdint>
#include <cstdio>

#include "files/DataFile.h"

class UnixDataFile : public DataFile {
 public:
  UnixDataFile() = default;
  ~UnixDataFile() override;

  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override;
  bool Write(const void* buffer, int32_t count) override;
  // Pushes buffered data out and closes; false when either failed (the file is closed anyway).
  bool Close() override;
  bool IsEOF() override;
  bool SetPosition(uint64_t position) override;
  int64_t GetLength() override;
  bool SetLength(uint64_t length) override;
  // Of a regular file, 0 (and the error) when the host cannot tell; -1 with nothing open.
  int64_t GetPosition() override;
  void Flush() override { FlushStream(); }
  intptr_t GetHandle(int32_t kind) override;

  bool OpenForWriting(const string& path) override;
  bool Open(const string& path, int32_t permission) override;
  bool OpenForAppending(const string& path) override;
  // A descriptor is opened in the mode its access flags allow (a write-only one for writing).
  bool OpenDescriptor(intptr_t value, int32_t kind) override;
  // A name is refused (EINVAL) unless it is one plain component: not "", ".", "..", no "/".
  // The file is never reached through a link and is emptied only when it is a regular file of
  // this process's own (else EEXIST).
  bool CreateTemporary(const string& name) override;
  void CloseFile() override { CloseStream(); }

 private:
  enum class Direction : uint8_t { kNone, kReading, kWriting };

  // Takes opened as the stream (nothing was open before); false with errno when it is nil.
  // fresh: opened here, at its start, so its position is counted here.
  bool Adopt(FILE* opened, bool fresh = false);
  // Takes descriptor as the stream in mode, O_NONBLOCK set or cleared as nonBlocking says; a
  // non-zero error refuses it instead. A descriptor not taken is closed.
  bool AdoptDescriptor(int descriptor, const char* mode, int error, bool nonBlocking);
  // Opens path (open flags) through the opener and takes it as the stream in mode.
  bool OpenNamed(const string& path, int flags, const char* mode);
  // Before the first read of a FIFO that had no writer when it was opened.
  void AwaitWriter();
  // Goes through a positioning call when the last transfer went the other way.
  void TurnTo(Direction next);
  bool CanSeek();
  // The length of a device that seeks, read from its descriptor without disturbing stdio.
  int64_t DeviceLength();
  // A read ended before the count: a size that says more is no length.
  void NoteEndOfData();
  bool WriteWaitingForRoom(const void* buffer, int32_t count);
  // Drops stdio's read-ahead when it runs past size.
  void DropReadAheadPast(off_t size);
  bool ReopenForReadingToo();
  // The length of a regular file whose size says 0.
  int64_t UnsizedLength();
  bool FlushStream();
  bool CloseStream();
  // Clears the stream's error indicator and errno before a call.
  void BeginCall();
  // Stores error (EIO when the host gave none) and answers false.
  bool Fail(int error);

  FILE* stream = nullptr;
  Direction direction = Direction::kNone;
  int8_t seekable = -1;  // unknown until asked
  bool regular = false;  // a regular file
  bool sized = false;    // a regular file whose size is its length
  bool awaitWriter = false;
  bool waitForRoom = false;  // a FIFO read and written here: Write waits for room a while
  bool counts = false;   // the position is counted here, not asked of stdio
  int64_t counted = 0;   // the position, where it is counted
};
