#include "support/SmallDisk.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "support/TestSupport.h"

namespace qvtest {

namespace {

constexpr const char* kFiller = "filler";
constexpr int kSkippedStatus = 77;  // a child of RunWithMountsOfItsOwn that skipped

}  // namespace

SmallDisk::SmallDisk(uint64_t bytes) : mFolder("qvdisk") {
  if (geteuid() != 0) {
    mProblem = "mounting a tmpfs needs root";
    return;
  }
  const std::string options = "size=" + std::to_string(bytes) + ",mode=0700";
  if (mount("qvtest", path().c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) != 0) {
    mProblem = std::string("mount -t tmpfs on ") + path() + ": " + std::strerror(errno);
    return;
  }
  mMounted = true;
}

// Unmounted before the folder goes, so that removing it cannot reach into the disk's files.
SmallDisk::~SmallDisk() {
  if (!mMounted) return;
  if (umount2(path().c_str(), 0) != 0 && umount2(path().c_str(), MNT_DETACH) != 0)
    ADD_FAILURE() << "umount " << path() << ": " << std::strerror(errno);
}

uint64_t SmallDisk::FreeBytes() const {
  struct statvfs info;
  if (statvfs(path().c_str(), &info) != 0) return 0;
  return uint64_t(info.f_bavail) * info.f_frsize;
}

bool SmallDisk::LeaveRoom(uint64_t room) {
  const uint64_t free = FreeBytes();
  if (!mMounted || free < room) return false;
  const int fd = open((*this / kFiller).c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return false;
  const std::vector<char> zeros(64 * 1024, 0);
  uint64_t left = free - room;
  while (left > 0) {
    const size_t step = left < zeros.size() ? size_t(left) : zeros.size();
    const ssize_t written = write(fd, zeros.data(), step);
    if (written <= 0) break;
    left -= uint64_t(written);
  }
  return close(fd) == 0 && left == 0;
}

void SmallDisk::MakeRoom() { unlink((*this / kFiller).c_str()); }

void SkipChild(const std::string& why) {
  std::printf("%s", why.c_str());
  std::fflush(stdout);
  _exit(kSkippedStatus);
}

int RunWithMountsOfItsOwn(const std::function<void()>& body, std::string* output) {
  const int status = RunInChild(
      [&] {
        auto refused = [](const char* what) { SkipChild(what + std::string(strerror(errno))); };
        if (geteuid() != 0) SkipChild("mounting needs root");
        if (unshare(CLONE_NEWNS) != 0) refused("unshare -m: ");
        if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
          refused("making mounts private: ");
        body();
      },
      output);
  return WIFEXITED(status) && WEXITSTATUS(status) == kSkippedStatus ? kChildSkipped : status;
}

}  // namespace qvtest
