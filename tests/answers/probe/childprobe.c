// The program the children area starts: it writes down what it received from the process that
// started it, then ends as QV_PROBE_ACT asks. An i386 program of the tests, so that it answers
// the same natively and under qemu-i386.
//
// Its report (QV_PROBE_REPORT, written beside and renamed into place, so that a reader waiting
// for it never sees half of it) holds one fact a line:
//   arg "<bytes>"                     each argument after argv[0] (which the emitter's
//                                     binfmt_misc entry replaces with the program's path)
//   marker "<bytes>" | marker unset   QV_PROBE_MARK
//   stream N <kind> <dev> <ino> <access>  the standard streams 0, 1, 2
//   fd <kind> <dev> <ino> <access>    every other open descriptor, in the order of their numbers
//   blocked <SIG>... / ignored <SIG>...  of the signals 1 to 31
//   session, group: own | parent's | other; parent: starter | other  (QV_PROBE_PARENT's pid)
// Kinds: closed, null (/dev/null), tty, chr, file, folder, pipe, socket. Bytes are escaped:
// \\ \" \n and \xHH for every byte outside printable ASCII.
//
// QV_PROBE_ACT: "exit N" (after writing "out", "err", "out" to standard output, error, output),
// "term" (killed by SIGTERM), "flood N" (N bytes of numbered lines on standard output).
#define _GNU_SOURCE
#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

static void PutQuoted(FILE* out, const char* text) {
  fputc('"', out);
  for (const unsigned char* c = (const unsigned char*)text; *c; ++c) {
    if (*c == '\\' || *c == '"') {
      fprintf(out, "\\%c", *c);
    } else if (*c == '\n') {
      fputs("\\n", out);
    } else if (*c >= 0x20 && *c < 0x7F) {
      fputc(*c, out);
    } else {
      fprintf(out, "\\x%02X", *c);
    }
  }
  fputc('"', out);
}

static const char* KindOf(int fd, struct stat* info) {
  if (fstat(fd, info) != 0) return "closed";
  if (S_ISCHR(info->st_mode)) {
    if (info->st_rdev == makedev(1, 3)) return "null";
    return isatty(fd) ? "tty" : "chr";
  }
  if (S_ISREG(info->st_mode)) return "file";
  if (S_ISDIR(info->st_mode)) return "folder";
  if (S_ISFIFO(info->st_mode)) return "pipe";
  if (S_ISSOCK(info->st_mode)) return "socket";
  return "other";
}

// "<label> <kind> <dev> <ino> <access>", access r, w or rw (none when closed).
static void PutDescriptor(FILE* out, const char* label, int fd) {
  struct stat info;
  memset(&info, 0, sizeof info);
  const char* kind = KindOf(fd, &info);
  const int access = fcntl(fd, F_GETFL) & O_ACCMODE;
  fprintf(out, "%s %s %llu %llu %s\n", label, kind, (unsigned long long)info.st_dev,
          (unsigned long long)info.st_ino,
          strcmp(kind, "closed") == 0 ? "none"
          : access == O_RDONLY        ? "r"
          : access == O_WRONLY        ? "w"
                                      : "rw");
}

static void PutDescriptors(FILE* out, int reportFd) {
  struct rlimit limit;
  long most = getrlimit(RLIMIT_NOFILE, &limit) == 0 ? (long)limit.rlim_cur : 1024;
  if (most > 65536) most = 65536;
  for (long fd = 3; fd < most; ++fd) {
    if (fd != reportFd && fcntl((int)fd, F_GETFD) >= 0) PutDescriptor(out, "fd", (int)fd);
  }
}

static void PutSignals(FILE* out) {
  sigset_t blocked;
  sigprocmask(SIG_BLOCK, NULL, &blocked);
  fputs("blocked", out);
  for (int s = 1; s < 32; ++s) {
    if (sigismember(&blocked, s) == 1) fprintf(out, " SIG%s", sigabbrev_np(s));
  }
  fputs("\nignored", out);
  for (int s = 1; s < 32; ++s) {
    struct sigaction action;
    if (sigaction(s, NULL, &action) == 0 && action.sa_handler == SIG_IGN)
      fprintf(out, " SIG%s", sigabbrev_np(s));
  }
  fputc('\n', out);
}

static const char* Relation(pid_t mine, pid_t parents) {
  if (mine == getpid()) return "own";
  return mine == parents ? "parent's" : "other";
}

static void PutFamily(FILE* out) {
  const char* given = getenv("QV_PROBE_PARENT");
  const pid_t parent = given ? (pid_t)atoi(given) : -1;
  fprintf(out, "session %s\n", Relation(getsid(0), parent > 0 ? getsid(parent) : -1));
  fprintf(out, "group %s\n", Relation(getpgrp(), parent > 0 ? getpgid(parent) : -1));
  fprintf(out, "parent %s\n", getppid() == parent ? "starter" : "other");
}

static void WriteReport(int argc, char** argv) {
  const char* path = getenv("QV_PROBE_REPORT");
  if (!path) return;
  char part[4096];
  snprintf(part, sizeof part, "%s.part", path);
  // A free number: the report hides none of the descriptors received, and is left out of them.
  const int reportFd = open(part, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (reportFd < 0) return;
  FILE* out = fdopen(reportFd, "w");
  if (!out) return;
  for (int i = 1; i < argc; ++i) {
    fputs("arg ", out);
    PutQuoted(out, argv[i]);
    fputc('\n', out);
  }
  const char* marker = getenv("QV_PROBE_MARK");
  fputs("marker ", out);
  if (marker) PutQuoted(out, marker);
  fputs(marker ? "\n" : "unset\n", out);
  for (int stream = 0; stream < 3; ++stream) {
    char label[16];
    snprintf(label, sizeof label, "stream %d", stream);
    PutDescriptor(out, label, stream);
  }
  PutDescriptors(out, reportFd);
  PutSignals(out);
  PutFamily(out);
  if (fclose(out) == 0) rename(part, path);
}

static void WriteAll(int fd, const char* bytes, size_t length) {
  while (length > 0) {
    const ssize_t written = write(fd, bytes, length);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) _exit(1);
    bytes += written;
    length -= (size_t)written;
  }
}

// Numbered lines, so that a reader that lost or reordered a piece answers another text.
static void Flood(long bytes) {
  char line[32];
  for (long line_number = 0; bytes > 0; ++line_number) {
    const int length = snprintf(line, sizeof line, "line %08ld\n", line_number);
    const size_t piece = bytes < length ? (size_t)bytes : (size_t)length;
    WriteAll(STDOUT_FILENO, line, piece);
    bytes -= (long)piece;
  }
}

int main(int argc, char** argv) {
  WriteReport(argc, argv);
  const char* act = getenv("QV_PROBE_ACT");
  if (!act) act = "exit 0";
  if (strcmp(act, "term") == 0) {
    sigset_t term;
    sigemptyset(&term);
    sigaddset(&term, SIGTERM);
    signal(SIGTERM, SIG_DFL);
    sigprocmask(SIG_UNBLOCK, &term, NULL);
    raise(SIGTERM);
    return 1;
  }
  if (strncmp(act, "flood ", 6) == 0) {
    Flood(atol(act + 6));
    return 0;
  }
  WriteAll(STDOUT_FILENO, "out\n", 4);
  WriteAll(STDERR_FILENO, "err\n", 4);
  WriteAll(STDOUT_FILENO, "out\n", 4);
  return strncmp(act, "exit ", 5) == 0 ? atoi(act + 5) : 1;
}
