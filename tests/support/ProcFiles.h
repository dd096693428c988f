// Reading /proc with plain open and read, without stdio or iostreams: the watchdog's report
// reads it while a hung thread may hold their locks. Inline, for the emulation probe builds
// Emulator.cpp on its own.
#pragma once

#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdio>
#include <string>

namespace qvtest {

// The start of a /proc file, at most cap bytes, or "" when it cannot be read.
inline std::string ReadProcFile(const std::string& path, size_t cap = 4096) {
  std::string text(cap, '\0');
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const ssize_t n = fd < 0 ? -1 : read(fd, text.data(), cap);
  if (fd >= 0) close(fd);
  text.resize(n > 0 ? size_t(n) : 0);
  return text;
}

// The state letter and parent in a stat file of /proc (a process's or a thread's): 'Z' for an
// ended one not yet reaped, 0 for one that is gone.
inline char ProcStatState(const std::string& path, int* parent = nullptr) {
  const std::string stat = ReadProcFile(path, 512);
  // The name in parentheses may hold blanks and parentheses itself: the fields follow the last.
  const size_t name = stat.rfind(')');
  char state = 0;
  int ppid = 0;
  if (name == std::string::npos || std::sscanf(stat.c_str() + name + 1, " %c %d", &state,
                                               &ppid) != 2)
    return 0;
  if (parent) *parent = ppid;
  return state;
}

inline char ProcessState(int pid, int* parent = nullptr) {
  return ProcStatState("/proc/" + std::to_string(pid) + "/stat", parent);
}

}  // namespace qvtest
