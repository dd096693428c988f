// A small file system of one test's own, so that writes run out of room as on a full disk: a
// tmpfs of the given size mounted on a fresh folder, unmounted and removed when the object goes.
// Mounting needs root; where it cannot be had the disk is not mounted, and the test skips:
//
//   qvtest::SmallDisk disk(2 << 20);
//   QV_SKIP_WITHOUT_SMALL_DISK(disk);
//   disk.LeaveRoom(100 << 10);  // a filler file takes all but 100 KiB
//   ... writes that fail with ENOSPC ...
//   disk.MakeRoom();            // the filler goes
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "support/TempFolder.h"

namespace qvtest {

class SmallDisk {
 public:
  explicit SmallDisk(uint64_t bytes);
  ~SmallDisk();
  SmallDisk(const SmallDisk&) = delete;
  SmallDisk& operator=(const SmallDisk&) = delete;

  bool Mounted() const { return mMounted; }
  // Why the disk is not there, for the skip message.
  const std::string& Problem() const { return mProblem; }
  const std::string& path() const { return mFolder.path(); }
  std::string operator/(const std::string& name) const { return mFolder / name; }

  // Bytes a new file can still take.
  uint64_t FreeBytes() const;
  // Grows the filler file until about room bytes are left (to the page); false when the disk
  // has less than that already or the filler could not be written.
  bool LeaveRoom(uint64_t room);
  // Removes the filler: the room it took is free again.
  void MakeRoom();

 private:
  TempFolder mFolder;
  bool mMounted = false;
  std::string mProblem;
};

// Runs body in a child (RunInChild) with mounts of its own, private, which go with it: the
// child's wait status and what it wrote (*output), or kChildSkipped with *output saying why
// where the machine allows no mounts of its own or body called SkipChild.
int RunWithMountsOfItsOwn(const std::function<void()>& body, std::string* output);
constexpr int kChildSkipped = -3;
// Ends such a child as skipped, saying why.
[[noreturn]] void SkipChild(const std::string& why);

}  // namespace qvtest

#define QV_SKIP_WITHOUT_SMALL_DISK(disk) \
  if (!(disk).Mounted()) GTEST_SKIP() << "no small disk to fill: " << (disk).Problem()
