#include "support/ChildLimits.h"

#include <grp.h>
#include <sys/mman.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

#include "core/Memory.h"
#include "support/Emulator.h"
#include "support/TestSupport.h"

namespace qvtest {

namespace {

constexpr int kRefusedStatus = 97;
constexpr uid_t kNobody = 65534;

struct Range {
  char* start;
  size_t size;
};

// Reserves every free range of the address space, largest pieces first, down to a page: no
// memory stands behind them, and nothing else can be mapped there.
std::vector<Range> ReserveFreeAddressSpace() {
  std::vector<Range> pieces;
  pieces.reserve(4096);  // the heap may find no room to grow the list once the space is full
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  for (size_t size = size_t{1} << 31; size >= page && pieces.size() < pieces.capacity();) {
    void* start = mmap(nullptr, size, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE,
                       -1, 0);
    if (start == MAP_FAILED) {
      size /= 2;
    } else {
      pieces.push_back({static_cast<char*>(start), size});
    }
  }
  return pieces;
}

// Leaves room bytes free in one piece (in several, where no reserved piece is as large).
bool LeaveFree(std::vector<Range> pieces, size_t room) {
  std::sort(pieces.begin(), pieces.end(),
            [](const Range& a, const Range& b) { return a.size < b.size; });
  const size_t page = size_t(sysconf(_SC_PAGESIZE));
  room = (room + page - 1) / page * page;
  auto fits = std::lower_bound(pieces.begin(), pieces.end(), room,
                               [](const Range& piece, size_t size) { return piece.size < size; });
  if (fits != pieces.end()) return munmap(fits->start, room) == 0;
  size_t freed = 0;
  for (auto piece = pieces.rbegin(); piece != pieces.rend() && freed < room; ++piece) {
    const size_t part = std::min(piece->size, room - freed);
    if (munmap(piece->start, part) != 0) return false;
    freed += part;
  }
  return freed >= room;
}

}  // namespace

long AddressSpaceInUseKb() {
  if (!RunsUnderEmulator()) return ProcessStatusKb("VmSize");
  size_t free = 0;
  for (const Range& piece : ReserveFreeAddressSpace()) {
    free += piece.size;
    munmap(piece.start, piece.size);
  }
  return long(((uint64_t{1} << 32) - free) >> 10);
}

std::vector<std::string> CapAddressSpace(size_t bytes, const std::vector<std::string>& argv,
                                         std::vector<std::string>* environment) {
  if (RunsUnderEmulator()) {  // its i386 programs run under the emulator too
    environment->push_back("QEMU_RESERVED_VA=" + std::to_string(bytes));
    return argv;
  }
  std::vector<std::string> capped = {"/usr/bin/prlimit", "--as=" + std::to_string(bytes), "--"};
  capped.insert(capped.end(), argv.begin(), argv.end());
  return capped;
}

bool LimitAddressSpace(size_t room) {
  if (RunsUnderEmulator()) return LeaveFree(ReserveFreeAddressSpace(), room);
  const long mappedKb = ProcessStatusKb("VmSize");
  if (mappedKb < 0) return false;
  const rlim_t cap = rlim_t(mappedKb) * 1024 + rlim_t(room);
  const rlimit limit = {cap, cap};
  return setrlimit(RLIMIT_AS, &limit) == 0;
}

bool RunsWithinMemory(size_t room, const std::function<void()>& body) {
  const int status = RunInChild([&] {
    InstallOutOfMemoryNewHandler();
    if (!LimitAddressSpace(room)) _exit(kRefusedStatus);
    body();
  });
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

int RunUnprivileged(const std::function<void()>& body) {
  const int status = RunInChild([&] {
    if (geteuid() == 0 && (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 ||
                           setuid(kNobody) != 0)) {
      _exit(kRefusedStatus);
    }
    body();
  });
  return WIFEXITED(status) && WEXITSTATUS(status) == kRefusedStatus ? kNoUnprivilegedUser
                                                                    : status;
}

}  // namespace qvtest
