#include "files/UnixDataFile.h"

#include <fcntl.h>
#include <linux/magic.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <new>
#include <string>

#include "app/TerminationSignals.h"
#include "core/NamedFile.h"
#include "core/RuntimeError.h"
#include "core/TemporaryFile.h"

namespace {

constexpr uint64_t kLargestOffset = INT64_MAX;

// The typed values of the streams (up to eight bytes) go byte by byte through the stream's
// buffer, as getc and putc do, without a call into the library for each.
constexpr int32_t kSmallTransfer = 8;

size_t ReadSmall(FILE* stream, void* buffer, int32_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  int32_t n = 0;
  for (int c; n < count && (c = getc_unlocked(stream)) != EOF; ++n) bytes[n] = uint8_t(c);
  return size_t(n);
}

size_t WriteSmall(FILE* stream, const void* buffer, int32_t count) {
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  int32_t n = 0;
  while (n < count && putc_unlocked(bytes[n], stream) != EOF) ++n;
  return size_t(n);
}

// How long the first read of a FIFO that had no writer when it was opened gives one to come,
// and how long a write into a full FIFO that the stream also reads gives a reader to make room.
constexpr int kPeerGraceMilliseconds = 2000;

// File systems whose files say a size (0 for /proc and binfmt_misc, 4,096 for /sys) that is not
// their length. Keeping no blocks says nothing of that: ramfs, a tmpfs without a size limit and
// FUSE file systems without statfs say 0 blocks, and their sizes are lengths. The kernel's
// header lacks three of the numbers.
constexpr unsigned long kConfigfsMagic = 0x62656570;
constexpr unsigned long kFuseControlMagic = 0x65735543;
constexpr unsigned long kMqueueMagic = 0x19800202;

bool SizeIsNoLength(int descriptor) {
  struct statfs system;
  if (fstatfs(descriptor, &system) != 0) return false;
  switch (static_cast<unsigned long>(system.f_type)) {
    case PROC_SUPER_MAGIC: case SYSFS_MAGIC: case DEBUGFS_MAGIC: case TRACEFS_MAGIC:
    case SECURITYFS_MAGIC: case SELINUX_MAGIC: case SMACK_MAGIC: case AAFS_MAGIC:
    case CGROUP_SUPER_MAGIC: case CGROUP2_SUPER_MAGIC: case BPF_FS_MAGIC: case PSTOREFS_MAGIC:
    case EFIVARFS_MAGIC: case BINFMTFS_MAGIC: case kConfigfsMagic: case kFuseControlMagic:
    case kMqueueMagic: case XENFS_SUPER_MAGIC: case OPENPROM_SUPER_MAGIC:
    case USBDEVICE_SUPER_MAGIC:
      return true;
    default:
      return false;
  }
}

// Text that would reach the host cut short at a NUL byte names another file: refused.
bool HoldsNul(const string& text) {
  return std::memchr(text.Bytes(), 0, static_cast<size_t>(text.Length())) != nullptr;
}

// One plain name inside a folder.
bool IsPlainName(const string& name) {
  const std::string text(name.CString(), static_cast<size_t>(name.Length()));
  return !text.empty() && text != "." && text != ".." && text.find('/') == std::string::npos &&
         !HoldsNul(name);
}

// The stdio mode that a descriptor's access flags allow; none of them empties the file.
const char* ModeForDescriptor(int flags) {
  const bool append = (flags & O_APPEND) != 0;
  switch (flags & O_ACCMODE) {
    case O_RDONLY:
      return "r";
    case O_WRONLY:
      return append ? "a" : "w";
    default:
      return append ? "a+" : "r+";
  }
}

}  // namespace

DataFile* DataFile::Create() { return new (std::nothrow) UnixDataFile; }

UnixDataFile::~UnixDataFile() { Close(); }

// The unlocked stdio calls throughout: a data file is used only by the thread that holds the run
// baton, so the stream's own lock would guard nothing.
void UnixDataFile::BeginCall() {
  if (ferror_unlocked(stream) || feof_unlocked(stream)) clearerr_unlocked(stream);
  errno = 0;
}

bool UnixDataFile::Fail(int error) {
  lastError = error ? error : EIO;
  return false;
}

bool UnixDataFile::Adopt(FILE* opened, bool fresh) {
  if (!opened) return Fail(errno);
  stream = opened;
  direction = Direction::kNone;
  seekable = -1;
  struct stat info;
  regular = fstat(fileno(opened), &info) == 0 && S_ISREG(info.st_mode);
  sized = regular && !SizeIsNoLength(fileno(opened));
  counts = !regular || fresh;
  const off_t at = fresh ? 0 : ftello(opened);
  counted = at > 0 ? at : 0;
  awaitWriter = false;
  waitForRoom = false;
  return true;
}

bool UnixDataFile::AdoptDescriptor(int descriptor, const char* mode, int error, bool nonBlocking) {
  const int flags = error ? 0 : fcntl(descriptor, F_GETFL);
  const int wanted = nonBlocking ? flags | O_NONBLOCK : flags & ~O_NONBLOCK;
  if (!error && (flags < 0 || fcntl(descriptor, F_SETFL, wanted) != 0)) error = errno;
  FILE* opened = error ? nullptr : fdopen(descriptor, mode);
  if (!opened) {
    if (!error) error = errno;
    ::close(descriptor);
    return Fail(error);
  }
  return Adopt(opened, true);
}

// Opens path through the framework's opener, never waiting on a peer: a FIFO that this stream
// both reads and writes is its own writer, so a read of it when empty, or a write into it when
// full, would wait for ever; it stays non-blocking. One opened for reading only waits a while
// for its first writer (AwaitWriter).
bool UnixDataFile::OpenNamed(const string& path, int flags, const char* mode) {
  if (HoldsNul(path)) return Fail(EINVAL);
  Close();
  NamedFile file;
  if (!file.Open(path.CString(), flags, NamedFileUse::kStream, 0666, true)) {
    return Fail(file.Error());
  }
  const bool fifo = S_ISFIFO(file.Info().st_mode);
  const int access = flags & O_ACCMODE;
  if (!AdoptDescriptor(file.Release(), mode, 0, fifo && access == O_RDWR)) return false;
  awaitWriter = fifo && access == O_RDONLY;
  waitForRoom = fifo && access == O_RDWR;
  return true;
}

// Until a writer has come, poll waits on a FIFO that has none (after one, it reports the end).
// A writer that does not come within the grace leaves the FIFO at its end, with ENXIO: no peer.
void UnixDataFile::AwaitWriter() {
  if (!awaitWriter) return;
  awaitWriter = false;
  if (WaitForDescriptor(fileno(stream), POLLIN, kPeerGraceMilliseconds) == 0) lastError = ENXIO;
}

// Standard C asks for a positioning call between output and input on one stream. A stream that
// cannot seek refuses it; output is then pushed out with fflush, which is enough there.
void UnixDataFile::TurnTo(Direction next) {
  if (direction != Direction::kNone && direction != next) {
    if (fseeko(stream, 0, SEEK_CUR) != 0 && direction == Direction::kWriting) fflush(stream);
  }
  direction = next;
}

bool UnixDataFile::CanSeek() {
  if (seekable < 0) seekable = lseek(fileno(stream), 0, SEEK_CUR) >= 0 ? 1 : 0;
  return seekable == 1;
}

bool UnixDataFile::Read(void* buffer, int32_t count, int32_t* bytesRead) {
  if (bytesRead) *bytesRead = 0;
  if (count == 0) return true;
  if (!QV_CHECK_TEXT(buffer, "data", nullptr)) return false;
  if (!stream || count < 0) return false;
  AwaitWriter();
  TurnTo(Direction::kReading);
  BeginCall();
  const size_t n = count <= kSmallTransfer ? ReadSmall(stream, buffer, count)
                                            : fread_unlocked(buffer, 1, size_t(count), stream);
  if (bytesRead) *bytesRead = static_cast<int32_t>(n);
  if (counts) counted += int64_t(n);
  if (ferror_unlocked(stream)) {
    if (errno != EAGAIN) return Fail(errno);
    clearerr_unlocked(stream);  // a non-blocking FIFO holds nothing now: the end of its data
  } else if (n < size_t(count) && sized) {
    NoteEndOfData();
  }
  return n > 0;
}

// The data ended here: when the file's size says more, the size is no length (a file system
// that does not keep one), and the length is found where the data ends from now on.
void UnixDataFile::NoteEndOfData() {
  struct stat info;
  const int64_t at = GetPosition();
  if (at >= 0 && fstat(fileno(stream), &info) == 0 && info.st_size > at) sized = false;
}

bool UnixDataFile::Write(const void* buffer, int32_t count) {
  if (count == 0) return true;
  if (!stream || count < 0 || !buffer) return false;
  if (waitForRoom) return WriteWaitingForRoom(buffer, count);
  TurnTo(Direction::kWriting);
  BeginCall();
  const size_t n = count <= kSmallTransfer ? WriteSmall(stream, buffer, count)
                                            : fwrite_unlocked(buffer, 1, size_t(count), stream);
  if (counts) counted += int64_t(n);
  if (ferror_unlocked(stream)) return Fail(errno);
  return n == static_cast<size_t>(count);
}

// The non-blocking FIFO of OpenNamed, written past stdio (which would drop what a full pipe
// refused): a write that finds it full waits a while for a reader to make room, so that a reader
// that reads gets every byte, while a FIFO that only this stream reads stays full and the write
// fails (EAGAIN) once the wait has passed.
bool UnixDataFile::WriteWaitingForRoom(const void* buffer, int32_t count) {
  const auto* bytes = static_cast<const uint8_t*>(buffer);
  const int descriptor = fileno(stream);
  TurnTo(Direction::kWriting);
  for (int32_t done = 0; done < count;) {
    const ssize_t n = ::write(descriptor, bytes + done, size_t(count - done));
    if (n > 0) {
      done += int32_t(n);
      counted += n;
      continue;
    }
    const int error = n < 0 ? errno : EIO;
    if (error == EINTR) continue;
    if (error == EAGAIN && WaitForDescriptor(descriptor, POLLOUT, kPeerGraceMilliseconds) > 0)
      continue;
    return Fail(error);
  }
  return true;
}

bool UnixDataFile::FlushStream() {
  if (!stream || direction == Direction::kReading) return true;
  BeginCall();
  return fflush(stream) == 0 || Fail(errno);
}

bool UnixDataFile::CloseStream() {
  if (!stream) return false;
  BeginCall();
  const int closed = fclose(stream);
  const int error = errno;
  stream = nullptr;
  direction = Direction::kNone;
  return closed == 0 || Fail(error);
}

bool UnixDataFile::Close() {
  if (!stream) return false;
  const bool flushed = FlushStream();
  return CloseStream() && flushed;
}

bool UnixDataFile::IsEOF() {
  if (!stream || CanSeek()) return DataFile::IsEOF();
  AwaitWriter();
  TurnTo(Direction::kReading);
  BeginCall();
  const int peeked = getc_unlocked(stream);
  if (peeked == EOF) return true;  // the end, or nothing more can be read
  ungetc(peeked, stream);
  return false;
}

bool UnixDataFile::SetPosition(uint64_t position) {
  if (!stream) return false;
  if (position > kLargestOffset) return Fail(EINVAL);
  BeginCall();
  if (fseeko(stream, static_cast<off_t>(position), SEEK_SET) != 0) return Fail(errno);
  direction = Direction::kNone;
  counted = int64_t(position);
  return true;
}

int64_t UnixDataFile::GetPosition() {
  if (!stream) return -1;
  if (counts) return counted;
  BeginCall();
  const off_t position = ftello(stream);
  if (position < 0) {
    Fail(errno);
    return 0;
  }
  return position;
}

int64_t UnixDataFile::GetLength() {
  if (!stream || !CanSeek()) return -1;
  if (direction == Direction::kWriting) FlushStream();
  struct stat info;
  if (fstat(fileno(stream), &info) != 0) {
    Fail(errno);
    return -1;
  }
  // A folder's end, as lseek gives it, is a cookie of its listing (on ext4 the largest offset
  // of the caller's word size), no length: its size is its length, as its FolderItem says.
  if (!regular) return S_ISDIR(info.st_mode) ? info.st_size : DeviceLength();
  if (direction == Direction::kReading) DropReadAheadPast(info.st_size);
  return sized ? info.st_size : UnsizedLength();
}

// The descriptor stands where stdio's read-ahead ends. fflush on a stream that reads puts it
// back at the stream's position and forgets what was buffered.
void UnixDataFile::DropReadAheadPast(off_t size) {
  if (lseek(fileno(stream), 0, SEEK_CUR) <= size) return;
  BeginCall();
  if (fflush(stream) != 0) Fail(errno);
  direction = Direction::kNone;
}

// One byte looked for at the position, past stdio and without moving anything.
int64_t UnixDataFile::UnsizedLength() {
  const int64_t position = GetPosition();
  if (position < 0) return -1;
  unsigned char byte;
  return pread(fileno(stream), &byte, 1, position) == 1 ? -1 : position;
}

// The descriptor is put back where it was, which is where stdio's read-ahead left it.
int64_t UnixDataFile::DeviceLength() {
  const int descriptor = fileno(stream);
  const off_t here = lseek(descriptor, 0, SEEK_CUR);
  const off_t end = here < 0 ? -1 : lseek(descriptor, 0, SEEK_END);
  if (end < 0) {
    Fail(errno);
    return -1;
  }
  if (lseek(descriptor, here, SEEK_SET) < 0) Fail(errno);
  return end > counted ? end : counted;
}

// fflush first: buffered writes would otherwise land after the truncation and lengthen the file
// again; on a stream that was reading, it drops the read-ahead that may now be stale.
bool UnixDataFile::SetLength(uint64_t length) {
  if (!stream) return false;
  if (length > kLargestOffset) return Fail(EINVAL);
  BeginCall();
  if (fflush(stream) != 0) return Fail(errno);
  direction = Direction::kNone;
  if (ftruncate(fileno(stream), static_cast<off_t>(length)) != 0) return Fail(errno);
  return true;
}

intptr_t UnixDataFile::GetHandle(int32_t kind) {
  if (!stream) return -1;
  // The caller may move a regular file's position past us: stdio is asked from now on.
  if (regular) counts = false;
  if (kind == kHandleTypeFilePointer) return reinterpret_cast<intptr_t>(stream);
  if (kind == kHandleTypeFileNumber) return fileno(stream);
  return -1;
}

bool UnixDataFile::OpenForWriting(const string& path) {
  return OpenNamed(path, O_RDWR | O_CREAT | O_TRUNC, "w+");
}

bool UnixDataFile::Open(const string& path, int32_t permission) {
  const char* mode = permission == kDataFileReadOnly    ? "r"
                     : permission == kDataFileReadWrite ? "r+"
                                                        : nullptr;
  if (!mode) {
    QV_FAIL("Invalid permissions passed in to UnixDataFile::Open");
    return false;
  }
  return OpenNamed(path, permission == kDataFileReadWrite ? O_RDWR : O_RDONLY, mode);
}

// Anything that does not seek (a FIFO, a device) is opened for writing only, so that a FIFO
// without a reader is refused (ENXIO) instead of taking the bytes into a pipe no one reads; a
// file is opened for reading too, at its end.
bool UnixDataFile::OpenForAppending(const string& path) {
  if (!OpenNamed(path, O_WRONLY, "w")) return false;
  if (regular && !ReopenForReadingToo()) return false;
  if (!CanSeek()) return true;
  BeginCall();
  if (fseeko(stream, 0, SEEK_END) != 0) return Fail(errno);
  const off_t end = ftello(stream);
  counted = end > 0 ? end : 0;
  return true;
}

// A regular file is added to as Open's read-write files are, so that one the program may only
// write is refused. It is reopened through the open descriptor, never by name again: the name
// may stand for a FIFO by now. Without /proc the file stays open for writing only.
bool UnixDataFile::ReopenForReadingToo() {
  // Past the opener: what opens here is the regular file already open, which cannot wait.
  const std::string same = "/proc/self/fd/" + std::to_string(fileno(stream));
  const int descriptor = ::open(same.c_str(), O_RDWR | O_CLOEXEC);
  if (descriptor < 0 && errno == ENOENT) return true;
  const int error = descriptor < 0 ? errno : 0;
  Close();
  if (error) return Fail(error);
  return AdoptDescriptor(descriptor, "r+", 0, false);
}

bool UnixDataFile::OpenDescriptor(intptr_t value, int32_t kind) {
  if (kind == kHandleTypeFilePointer) {
    if (!value) return Fail(EBADF);
    Close();
    return Adopt(reinterpret_cast<FILE*>(value));
  }
  if (kind != kHandleTypeFileNumber) return false;
  const int descriptor = static_cast<int>(value);
  const int flags = fcntl(descriptor, F_GETFL);
  if (flags < 0) return Fail(errno);
  Close();
  errno = 0;
  return Adopt(fdopen(descriptor, ModeForDescriptor(flags)));
}

bool UnixDataFile::CreateTemporary(const string& name) {
  if (name.IsEmpty()) {
    Close();
    int error = 0;
    const int descriptor = TemporaryFile::Anonymous(&error);
    return descriptor >= 0 ? AdoptDescriptor(descriptor, "w+", 0, false) : Fail(error);
  }
  if (!IsPlainName(name)) return Fail(EINVAL);
  Close();
  const std::string path = TemporaryFolderPath() + "/" + name.CString();
  // Whatever lies at the name is looked at before it is used.
  NamedFile file;
  if (!file.Open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW, NamedFileUse::kStream, 0600, true))
    return Fail(file.Error());
  const struct stat& info = file.Info();
  int error = 0;
  if (!S_ISREG(info.st_mode) || info.st_uid != geteuid() || info.st_nlink != 1) {
    error = EEXIST;
  } else if (ftruncate(file.Descriptor(), 0) != 0) {
    error = errno;
  }
  return AdoptDescriptor(file.Release(), "w+", error, false);
}
