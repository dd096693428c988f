#include "support/Emulator.h"

#include <dirent.h>
#include <elf.h>
#include <fcntl.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "support/ProcFiles.h"

namespace qvtest {

namespace {

std::string FirstLineOf(const char* path) {
  const std::string text = ReadProcFile(path, 127);
  return text.substr(0, text.find('\n'));
}

bool IsI386Program(const std::string& path) {
  Elf32_Ehdr header{};
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const bool read = fd >= 0 && ::read(fd, &header, sizeof header) == ssize_t(sizeof header);
  if (fd >= 0) close(fd);
  return read && std::memcmp(header.e_ident, ELFMAG, SELFMAG) == 0 &&
         header.e_ident[EI_CLASS] == ELFCLASS32 && header.e_machine == EM_386;
}

int Threads() {
  int count = 0;
  if (DIR* tasks = opendir("/proc/self/task")) {
    while (dirent* entry = readdir(tasks)) count += entry->d_name[0] != '.';
    closedir(tasks);
  }
  return count;
}

// Counted as the program is loaded, while it has its first thread alone.
const int gThreadsAtLoad = Threads();

}  // namespace

bool RunsUnderEmulator() {
  static const bool emulated = [] {
    utsname told{};
    if (uname(&told) != 0) return false;
    // Older kernels lack the entry; the machine they run i386 programs on is then x86_64.
    std::string own = FirstLineOf("/proc/sys/kernel/arch");
    if (own.empty()) own = "x86_64";
    return own != told.machine;
  }();
  return emulated;
}

int EmulatorThreads() { return RunsUnderEmulator() ? gThreadsAtLoad - 1 : 0; }

bool ProcessRunsUnderEmulator(int pid) {
  // The emulator answers for its own process as if it were the program.
  if (pid == getpid()) return RunsUnderEmulator();
  char target[PATH_MAX];
  const std::string link = "/proc/" + std::to_string(pid) + "/exe";
  const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
  if (n <= 0) return false;
  target[n] = '\0';
  const char* name = std::strrchr(target, '/');
  return std::strncmp(name ? name + 1 : target, "qemu-", 5) == 0;
}

std::vector<std::string> ThroughEmulator(std::vector<std::string> argv) {
  const char* emulator = std::getenv("QV_EMULATOR");
  if (!emulator || !*emulator || argv.empty() || argv[0].find('/') == std::string::npos)
    return argv;
  // The emulator opens the program by its name: /proc/self/exe there would be the emulator.
  char* resolved = realpath(argv[0].c_str(), nullptr);
  if (!resolved) return argv;
  const std::string program = resolved;
  std::free(resolved);
  if (!IsI386Program(program)) return argv;
  argv[0] = program;
  argv.insert(argv.begin(), emulator);
  return argv;
}

}  // namespace qvtest
