#include "support/ChildLimits.h"

#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/Memory.h"
#include "support/TestSupport.h"

namespace qvtest {

namespace {

constexpr int kRefusedStatus = 97;
constexpr uid_t kNobody = 65534;

}  // namespace

bool LimitAddressSpace(size_t room) {
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
