// The tests' input/output fault injector: a shared library that sits before the C library and
// fails reads, writes, syncs, truncations and closes of the files whose paths hold a given
// text, with an error number (EIO, EDQUOT, EROFS, ...) or as a short transfer, while every other
// call goes through unchanged. Test binaries link it (which places it before the C library, as LD_PRELOAD
// would); any other i386 program takes it with LD_PRELOAD and its rules from QV_IO_FAULTS.
//
// glibc's stdio writes and reads through its own internal calls, which no library can stand in
// for. So a stdio stream opened on a watched path (fdopen, fopen, tmpfile) is made here, over
// the same descriptor, as a stream whose transfers come back through the rules below
// (fopencookie); fileno answers its descriptor, so that what the program does with it (fstat,
// ftruncate, pread) reaches the same file. It is buffered as the file's own stream would be
// (the file system's block size), so that stdio splits its writes as it does on the real file.
//
// Nothing in it runs under emulation or needs a kernel feature (a seccomp filter would, and
// qemu-user has none): it works alike under qemu-i386 and on a kernel that runs i386 natively.
#undef _FILE_OFFSET_BITS  // both the 32- and 64-bit names are stood in for below
#undef _TIME_BITS
#define _GNU_SOURCE
#include "IOFaults.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <limits.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#define QV_PUBLIC __attribute__((visibility("default")))

enum { kMaxRules = 32, kMaxStreams = 256, kMaxPattern = 256 };

struct Rule {
  char pattern[kMaxPattern];
  unsigned ops;
  int skip, times, error, shortBytes;
  int seen, fired;
};

// A stream made here: its descriptor, the path its rules match, and the buffer stdio uses.
struct Stream {
  FILE* file;
  int fd;
  char path[PATH_MAX];
  char* buffer;
};

static pthread_mutex_t gLock = PTHREAD_MUTEX_INITIALIZER;
static struct Rule gRules[kMaxRules];
static int gRuleCount;  // read without the lock: calls go straight through while it is 0
static struct Stream* gStreams[kMaxStreams];
static int gStreamCount;

// ---- The C library's own functions ----------------------------------------------------------

#define QV_REAL(name, type)                                      \
  static type Real_##name(void) {                                \
    static type function;                                        \
    if (!function) function = (type)dlsym(RTLD_NEXT, #name);     \
    return function;                                             \
  }

typedef ssize_t (*ReadFn)(int, void*, size_t);
typedef ssize_t (*WriteFn)(int, const void*, size_t);
typedef ssize_t (*PreadFn)(int, void*, size_t, off_t);
typedef ssize_t (*Pread64Fn)(int, void*, size_t, off64_t);
typedef ssize_t (*PwriteFn)(int, const void*, size_t, off_t);
typedef ssize_t (*Pwrite64Fn)(int, const void*, size_t, off64_t);
typedef int (*SyncFn)(int);
typedef int (*CloseFn)(int);
typedef int (*TruncateFn)(int, off_t);
typedef int (*Truncate64Fn)(int, off64_t);
typedef FILE* (*FdopenFn)(int, const char*);
typedef FILE* (*FopenFn)(const char*, const char*);
typedef FILE* (*TmpfileFn)(void);
typedef int (*FilenoFn)(FILE*);
QV_REAL(read, ReadFn)
QV_REAL(write, WriteFn)
QV_REAL(pread, PreadFn)
QV_REAL(pread64, Pread64Fn)
QV_REAL(pwrite, PwriteFn)
QV_REAL(pwrite64, Pwrite64Fn)
QV_REAL(fsync, SyncFn)
QV_REAL(close, CloseFn)
QV_REAL(fdatasync, SyncFn)
QV_REAL(ftruncate, TruncateFn)
QV_REAL(ftruncate64, Truncate64Fn)
QV_REAL(fdopen, FdopenFn)
QV_REAL(fopen, FopenFn)
QV_REAL(fopen64, FopenFn)
QV_REAL(tmpfile, TmpfileFn)
QV_REAL(tmpfile64, TmpfileFn)
QV_REAL(fileno, FilenoFn)
QV_REAL(fileno_unlocked, FilenoFn)

// ---- Rules --------------------------------------------------------------------------------

static int Armed(void) { return __atomic_load_n(&gRuleCount, __ATOMIC_ACQUIRE) > 0; }

static int PathOf(int fd, char* path, size_t size) {
  char link[32];
  snprintf(link, sizeof link, "/proc/self/fd/%d", fd);
  const ssize_t n = readlink(link, path, size - 1);
  if (n < 0) return 0;
  path[n] = '\0';
  return 1;
}

static int Watched(const char* path) {
  int watched = 0;
  pthread_mutex_lock(&gLock);
  for (int i = 0; i < gRuleCount && !watched; ++i) watched = strstr(path, gRules[i].pattern) != 0;
  pthread_mutex_unlock(&gLock);
  return watched;
}

// What a transfer of count bytes of op on path does: 0 goes through whole, -1 fails with
// *error, a smaller count goes through short. A rule's first firing with shortBytes set lets
// that many bytes through, half of them at most, so that a part always fails; its later ones
// fail.
static ssize_t Decide(const char* path, unsigned op, size_t count, int* error) {
  ssize_t outcome = 0;
  pthread_mutex_lock(&gLock);
  for (int i = 0; i < gRuleCount && outcome == 0; ++i) {
    struct Rule* rule = &gRules[i];
    if (!(rule->ops & op) || !strstr(path, rule->pattern)) continue;
    if (rule->seen++ < rule->skip) continue;
    if (rule->times >= 0 && rule->fired >= rule->times) continue;
    const int first = rule->fired++ == 0;
    const size_t half = count / 2;
    if (first && rule->shortBytes > 0 && half > 0) {
      outcome = half < (size_t)rule->shortBytes ? (ssize_t)half : rule->shortBytes;
    } else {
      outcome = -1;
      *error = rule->error;
    }
  }
  pthread_mutex_unlock(&gLock);
  return outcome;
}

// Whether a transfer of *count bytes of op on path may go: false with errno set when it fails,
// true with *count cut when it goes short.
static int Let(const char* path, unsigned op, size_t* count) {
  int error = 0;
  const ssize_t outcome = Decide(path, op, *count, &error);
  if (outcome < 0) errno = error;
  if (outcome > 0) *count = (size_t)outcome;
  return outcome >= 0;
}

static int LetFd(int fd, unsigned op, size_t* count) {
  char path[PATH_MAX];
  return !Armed() || !PathOf(fd, path, sizeof path) || Let(path, op, count);
}

QV_PUBLIC ssize_t read(int fd, void* buffer, size_t count) {
  return LetFd(fd, QV_FAULT_READ, &count) ? Real_read()(fd, buffer, count) : -1;
}
QV_PUBLIC ssize_t pread(int fd, void* buffer, size_t count, off_t at) {
  return LetFd(fd, QV_FAULT_READ, &count) ? Real_pread()(fd, buffer, count, at) : -1;
}
QV_PUBLIC ssize_t pread64(int fd, void* buffer, size_t count, off64_t at) {
  return LetFd(fd, QV_FAULT_READ, &count) ? Real_pread64()(fd, buffer, count, at) : -1;
}
QV_PUBLIC ssize_t write(int fd, const void* buffer, size_t count) {
  return LetFd(fd, QV_FAULT_WRITE, &count) ? Real_write()(fd, buffer, count) : -1;
}
QV_PUBLIC ssize_t pwrite(int fd, const void* buffer, size_t count, off_t at) {
  return LetFd(fd, QV_FAULT_WRITE, &count) ? Real_pwrite()(fd, buffer, count, at) : -1;
}
QV_PUBLIC ssize_t pwrite64(int fd, const void* buffer, size_t count, off64_t at) {
  return LetFd(fd, QV_FAULT_WRITE, &count) ? Real_pwrite64()(fd, buffer, count, at) : -1;
}

// Calls that move no bytes: refused or not.
QV_PUBLIC int fsync(int fd) {
  size_t none = 0;
  return LetFd(fd, QV_FAULT_SYNC, &none) ? Real_fsync()(fd) : -1;
}
QV_PUBLIC int fdatasync(int fd) {
  size_t none = 0;
  return LetFd(fd, QV_FAULT_SYNC, &none) ? Real_fdatasync()(fd) : -1;
}
QV_PUBLIC int ftruncate(int fd, off_t length) {
  size_t none = 0;
  return LetFd(fd, QV_FAULT_TRUNCATE, &none) ? Real_ftruncate()(fd, length) : -1;
}
QV_PUBLIC int ftruncate64(int fd, off64_t length) {
  size_t none = 0;
  return LetFd(fd, QV_FAULT_TRUNCATE, &none) ? Real_ftruncate64()(fd, length) : -1;
}
// A close that fails (EIO of a network file system's write-back) still lets the descriptor go.
QV_PUBLIC int close(int fd) {
  size_t none = 0;
  const int let = LetFd(fd, QV_FAULT_CLOSE, &none);
  const int error = errno;
  const int closed = Real_close()(fd);
  if (let) return closed;
  errno = error;
  return -1;
}

// ---- Streams over a watched file -----------------------------------------------------------

static ssize_t StreamRead(void* cookie, char* buffer, size_t count) {
  const struct Stream* stream = cookie;
  return Let(stream->path, QV_FAULT_READ, &count) ? Real_read()(stream->fd, buffer, count) : -1;
}

// As stdio writes to a file: on until all went or a write fails, answering what went.
static ssize_t StreamWrite(void* cookie, const char* buffer, size_t count) {
  const struct Stream* stream = cookie;
  size_t done = 0;
  while (done < count) {
    size_t step = count - done;
    const int let = Let(stream->path, QV_FAULT_WRITE, &step);
    const ssize_t n = let ? Real_write()(stream->fd, buffer + done, step) : -1;
    if (n < 0) return done ? (ssize_t)done : -1;
    done += (size_t)n;
  }
  return (ssize_t)done;
}

static int StreamSeek(void* cookie, off64_t* position, int whence) {
  const struct Stream* stream = cookie;
  const off64_t at = lseek64(stream->fd, *position, whence);
  if (at < 0) return -1;
  *position = at;
  return 0;
}

static int StreamClose(void* cookie) {
  struct Stream* stream = cookie;
  pthread_mutex_lock(&gLock);
  for (int i = 0; i < gStreamCount; ++i) {
    if (gStreams[i] != stream) continue;
    gStreams[i] = gStreams[gStreamCount - 1];
    __atomic_store_n(&gStreamCount, gStreamCount - 1, __ATOMIC_RELEASE);
    break;
  }
  pthread_mutex_unlock(&gLock);
  const int closed = close(stream->fd);
  free(stream->buffer);
  free(stream);
  return closed;
}

// A stream over fd whose transfers pass the rules; nil (errno set) when it cannot be made.
static FILE* WatchedStream(int fd, const char* path, const char* mode) {
  struct stat info;
  struct Stream* stream = calloc(1, sizeof *stream);
  const size_t size = fstat(fd, &info) == 0 && info.st_blksize > 0 ? (size_t)info.st_blksize
                                                                    : BUFSIZ;
  if (stream) stream->buffer = malloc(size);
  if (!stream || !stream->buffer || gStreamCount == kMaxStreams) {
    if (stream) free(stream->buffer);
    free(stream);
    errno = ENOMEM;
    return 0;
  }
  stream->fd = fd;
  snprintf(stream->path, sizeof stream->path, "%s", path);
  cookie_io_functions_t functions = {StreamRead, StreamWrite, StreamSeek, StreamClose};
  stream->file = fopencookie(stream, mode, functions);
  if (!stream->file) {
    free(stream->buffer);
    free(stream);
    return 0;
  }
  setvbuf(stream->file, stream->buffer, _IOFBF, size);
  pthread_mutex_lock(&gLock);
  gStreams[gStreamCount] = stream;
  __atomic_store_n(&gStreamCount, gStreamCount + 1, __ATOMIC_RELEASE);
  pthread_mutex_unlock(&gLock);
  return stream->file;
}

// A stream the C library opened on a watched file, remade as a watched stream.
static FILE* Rewrapped(FILE* opened, const char* mode) {
  char path[PATH_MAX];
  if (!opened || !Armed() || !PathOf(Real_fileno()(opened), path, sizeof path) ||
      !Watched(path))
    return opened;
  const int fd = dup(Real_fileno()(opened));
  fclose(opened);
  FILE* stream = fd >= 0 ? WatchedStream(fd, path, mode) : 0;
  if (!stream && fd >= 0) close(fd);
  return stream;
}

QV_PUBLIC FILE* fdopen(int fd, const char* mode) {
  char path[PATH_MAX];
  if (!Armed() || !PathOf(fd, path, sizeof path) || !Watched(path))
    return Real_fdopen()(fd, mode);
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0) return 0;
  if (mode[0] == 'a' && !(flags & O_APPEND) && fcntl(fd, F_SETFL, flags | O_APPEND) != 0)
    return 0;
  return WatchedStream(fd, path, mode);
}
QV_PUBLIC FILE* fopen(const char* path, const char* mode) {
  return Rewrapped(Real_fopen()(path, mode), mode);
}
QV_PUBLIC FILE* fopen64(const char* path, const char* mode) {
  return Rewrapped(Real_fopen64()(path, mode), mode);
}
QV_PUBLIC FILE* tmpfile(void) { return Rewrapped(Real_tmpfile()(), "w+"); }
QV_PUBLIC FILE* tmpfile64(void) { return Rewrapped(Real_tmpfile64()(), "w+"); }

static int StreamDescriptor(FILE* file) {
  int fd = -1;
  if (__atomic_load_n(&gStreamCount, __ATOMIC_ACQUIRE) == 0) return -1;
  pthread_mutex_lock(&gLock);
  for (int i = 0; i < gStreamCount && fd < 0; ++i)
    if (gStreams[i]->file == file) fd = gStreams[i]->fd;
  pthread_mutex_unlock(&gLock);
  return fd;
}

QV_PUBLIC int fileno(FILE* file) {
  const int fd = StreamDescriptor(file);
  return fd >= 0 ? fd : Real_fileno()(file);
}
QV_PUBLIC int fileno_unlocked(FILE* file) {
  const int fd = StreamDescriptor(file);
  return fd >= 0 ? fd : Real_fileno_unlocked()(file);
}

// ---- Control --------------------------------------------------------------------------------

QV_PUBLIC int qv_io_fault_add(const char* pattern, unsigned ops, int skip, int times, int error,
                              int shortBytes) {
  int id = -1;
  pthread_mutex_lock(&gLock);
  if (gRuleCount < kMaxRules && pattern && *pattern && strlen(pattern) < kMaxPattern) {
    id = gRuleCount;
    struct Rule* rule = &gRules[id];
    memset(rule, 0, sizeof *rule);
    strcpy(rule->pattern, pattern);
    rule->ops = ops;
    rule->skip = skip;
    rule->times = times;
    rule->error = error;
    rule->shortBytes = shortBytes;
    __atomic_store_n(&gRuleCount, gRuleCount + 1, __ATOMIC_RELEASE);
  }
  pthread_mutex_unlock(&gLock);
  return id;
}

QV_PUBLIC void qv_io_fault_clear(void) {
  pthread_mutex_lock(&gLock);
  __atomic_store_n(&gRuleCount, 0, __ATOMIC_RELEASE);
  pthread_mutex_unlock(&gLock);
}

QV_PUBLIC int qv_io_fault_fired(int id) {
  pthread_mutex_lock(&gLock);
  const int fired = id >= 0 && id < gRuleCount ? gRules[id].fired : 0;
  pthread_mutex_unlock(&gLock);
  return fired;
}

// QV_IO_FAULTS: rules separated by ';', each "pattern,ops,skip,times,error,short" with ops a
// word of the letters r (read), w (write), s (sync), t (truncate) and c (close).
__attribute__((constructor)) static void ReadEnvironmentRules(void) {
  const char* text = getenv("QV_IO_FAULTS");
  if (!text) return;
  char* rules = strdup(text);
  char* next = rules;
  for (char* rule; rules && (rule = strsep(&next, ";"));) {
    char pattern[kMaxPattern], letters[8];
    int skip, times, error, shortBytes;
    if (sscanf(rule, "%255[^,],%7[rwstc],%d,%d,%d,%d", pattern, letters, &skip, &times, &error,
               &shortBytes) != 6)
      continue;
    unsigned ops = 0;
    if (strchr(letters, 'r')) ops |= QV_FAULT_READ;
    if (strchr(letters, 'w')) ops |= QV_FAULT_WRITE;
    if (strchr(letters, 's')) ops |= QV_FAULT_SYNC;
    if (strchr(letters, 't')) ops |= QV_FAULT_TRUNCATE;
    if (strchr(letters, 'c')) ops |= QV_FAULT_CLOSE;
    qv_io_fault_add(pattern, ops, skip, times, error, shortBytes);
  }
  free(rules);
}
