// The algorithms every kind of folder item shares, run on host files through an item that uses
// them instead of its own: copying through streams (onto itself, into a folder, a source that
// stops short of its length), the write probe with its dates restored and its free name,
// deleting a tree that keeps the failing entry's code, and the deleter that retries a probe.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>

#include "FolderItemTestSupport.h"
#include "files/FolderItemShared.h"
#include "files/RandomAccessMechanism.h"
#include "support/ChildLimits.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;

// A host item that copies, moves and probes as items without commands of their own do.
class SharedItem : public FolderItemImpUnix {
 public:
  explicit SharedItem(const std::string& path) : FolderItemImpUnix(Text(path)) {}
  bool CopyTo(FolderItemImp* destination) override { return FolderItemImp::CopyTo(destination); }
  bool MoveTo(FolderItemImp* destination) override { return FolderItemImp::MoveTo(destination); }
  bool IsWriteable() const override { return FolderItemImp::IsWriteable(); }
};

// Claims more bytes than it ever gives.
class ShortMechanism : public RandomAccessMechanism {
 public:
  bool Read(void* buffer, int32_t count, int32_t* bytesRead) override {
    const int32_t n = mGiven ? 0 : std::min(count, 10);
    std::memset(buffer, 'x', size_t(n));
    mGiven = true;
    if (bytesRead) *bytesRead = n;
    return true;  // a back end that reports no failure, only nothing
  }
  bool Write(const void*, int32_t) override { return false; }
  bool Close() override { return true; }
  bool IsEOF() override { return mGiven; }
  bool SetPosition(uint64_t) override { return true; }
  int64_t GetLength() override { return 100; }
  bool SetLength(uint64_t) override { return false; }
  int64_t GetPosition() override { return 0; }

 private:
  bool mGiven = false;
};

class ShortSource : public SharedItem {
 public:
  using SharedItem::SharedItem;
  RandomAccessMechanism* OpenAsMechanism(bool, bool) const override {
    return new ShortMechanism;
  }
};

// Refuses to be deleted a number of times, then deletes nothing and says so when it goes.
class StubbornItem : public FolderItemImp {
 public:
  StubbornItem(int refusals, bool* gone) : mRefusals(refusals), mGone(gone) {}
  ~StubbornItem() override { *mGone = true; }
  bool Delete() override { return mRefusals-- <= 0; }
  bool Exists() const override { return mRefusals >= 0; }

 private:
  int mRefusals;
  bool* mGone;
};

std::string ModifiedSeconds(const std::string& path) { return Output({"stat", "-c", "%Y", path}); }

TEST(FolderItemShared, CopyingThroughStreams) {
  qvtest::TempFolder temp("qvstream");
  const std::string bytes(10000, 'q');
  WriteFile(temp / "source", bytes);
  WriteFile(temp / "empty", "");
  fs::create_directory(temp / "into");
  WriteFile(temp / "into/source", "old contents");
  SharedItem source(temp / "source");
  EXPECT_TRUE(source.CopyTo(&source));
  EXPECT_TRUE(source.CopyTo(On(temp.path()).get()));
  EXPECT_EQ(ReadFile(temp / "source"), bytes);
  EXPECT_TRUE(source.CopyTo(On(temp / "into").get()));
  EXPECT_EQ(ReadFile(temp / "into/source"), bytes);
  EXPECT_TRUE(SharedItem(temp / "empty").CopyTo(On(temp / "empty-copy").get()));
  EXPECT_TRUE(PathExists(temp / "empty-copy"));
  EXPECT_EQ(ReadFile(temp / "empty-copy"), "");
  EXPECT_FALSE(SharedItem(temp / "missing").CopyTo(On(temp / "nothing").get()));
  EXPECT_FALSE(PathExists(temp / "nothing"));
  // A source that gives nothing before its length is reached fails instead of looping.
  EXPECT_FALSE(ShortSource(temp / "source").CopyTo(On(temp / "short").get()));

  SharedItem mover(temp / "into/source");
  EXPECT_TRUE(mover.MoveTo(On(temp / "into").get()));
  EXPECT_EQ(ReadFile(temp / "into/source"), bytes);
  EXPECT_TRUE(mover.MoveTo(On(temp / "moved").get()));
  EXPECT_EQ(ReadFile(temp / "moved"), bytes);
  EXPECT_FALSE(PathExists(temp / "into/source"));
}

// The stream copy replaces a file as the host copy does: a link goes on leading to the copy,
// every name of a file of two hard links sees it, the old file's mode and owner stay, nothing
// is left beside it, and a file the process may not write is refused (EACCES) and kept.
TEST(FolderItemShared, StreamAndHostCopiesReplaceAFileAlike) {
  const bool root = geteuid() == 0;
  for (const bool stream : {true, false}) {
    SCOPED_TRACE(stream ? "stream copy" : "host copy");
    qvtest::TempFolder temp("qvreplace");
    auto copy = [&](const std::string& to) {
      Item from(stream ? new SharedItem(temp / "source") : On(temp / "source").release());
      const bool copied = from->CopyTo(On(to).get());
      return copied ? 0 : from->lastError;
    };
    WriteFile(temp / "source", "new");
    WriteFile(temp / "old", "old");
    ASSERT_EQ(chmod((temp / "old").c_str(), 0640), 0);
    if (root) {
      ASSERT_EQ(chown((temp / "old").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(symlink("old", (temp / "link").c_str()), 0);
    WriteFile(temp / "first", "first");
    ASSERT_EQ(link((temp / "first").c_str(), (temp / "second").c_str()), 0);
    EXPECT_EQ(copy(temp / "link"), 0);
    EXPECT_TRUE(fs::is_symlink(temp / "link"));
    EXPECT_EQ(ReadFile(temp / "old"), "new");
    struct stat info = {};
    ASSERT_EQ(stat((temp / "old").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0640u);
    if (root) {
      EXPECT_TRUE(info.st_uid == 65534 && info.st_gid == 65534) << info.st_uid;
    }
    EXPECT_EQ(copy(temp / "second"), 0);
    EXPECT_EQ(ReadFile(temp / "first"), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(temp.path()), fs::directory_iterator()), 5);
    // The process's own file, which only its mode keeps from being written.
    WriteFile(temp / "readonly", "kept");
    ASSERT_EQ(chmod((temp / "readonly").c_str(), 0444), 0);
    if (root) {
      ASSERT_EQ(chown((temp / "readonly").c_str(), 65534, 65534), 0);
    }
    ASSERT_EQ(chmod(temp.path().c_str(), 0777), 0);
    const int status = qvtest::RunInChild([&] {
      if (root && (setgid(65534) != 0 || setuid(65534) != 0)) _exit(90);
      EXPECT_EQ(copy(temp / "readonly"), EACCES);
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(ReadFile(temp / "readonly"), "kept");
  }
}

// What decides who may read a file: its owner, group, mode and extended attributes (ACL
// entries among them).
std::string WhoMayRead(const std::string& path) {
  std::string text = Output({"stat", "-c", "%u:%g %a", path});
  char names[4096], value[4096];
  const ssize_t size = listxattr(path.c_str(), names, sizeof names);
  for (ssize_t at = 0; at < size; at += ssize_t(std::strlen(names + at)) + 1) {
    const ssize_t got = getxattr(path.c_str(), names + at, value, sizeof value);
    text += std::string(" ") + (names + at) + "=" + Hex(std::string(value, got < 0 ? 0 : got));
  }
  return text;
}

// An access (or a folder's default) ACL in the kernel's form: mode's bits, and user's entry.
std::string AclOf(mode_t mode, uint32_t user, uint16_t bits) {
  const uint32_t version = 2, none = ~0u;
  const uint16_t owner = (mode >> 6) & 7, group = (mode >> 3) & 7, other = mode & 7;
  const struct { uint16_t tag, bits; uint32_t id; } entries[] = {
      {0x01, owner, none}, {0x02, bits, user}, {0x04, group, none},
      {0x10, uint16_t(group | bits), none}, {0x20, other, none}};
  return std::string(reinterpret_cast<const char*>(&version), 4) +
         std::string(reinterpret_cast<const char*>(entries), sizeof entries);
}

std::string Failed(const char* what) { return std::string(what) + ": " + std::strerror(errno); }

constexpr size_t kOldBytes = 256 << 10;

struct ReplacementRow {
  const char* what;
  bool asNobody;  // the copy runs as user and group 65534
  // Makes the row's place around folder/old (256 KB of mode 0644 in a folder of mode 0777, on
  // a disk of its own with 2.75 MB free) as root: "" or why it cannot be had here.
  std::function<std::string(qvtest::SmallDisk& disk, const std::string& folder)> make;
  const char* alsoNew;  // another file that must hold the new contents, or nil
};

// clang-format off
const ReplacementRow kReplacements[] = {
  {"hard links, room for one copy", false, [](qvtest::SmallDisk& disk, const std::string& f) { return link((f + "/old").c_str(), (f + "/twin").c_str()) != 0 ? Failed("link") : disk.LeaveRoom(1200 << 10) ? "" : "no room to leave"; }, "twin"},
  {"another user's 0666 file in a sticky folder, room for one copy", true, [](qvtest::SmallDisk& disk, const std::string& f) { return chmod(f.c_str(), 01777) != 0 || chmod((f + "/old").c_str(), 0666) != 0 ? Failed("chmod") : disk.LeaveRoom(1200 << 10) ? "" : "no room to leave"; }, nullptr},
  {"a 0640 file of group nogroup in a setgid folder of another group", true, [](qvtest::SmallDisk&, const std::string& f) { return chown(f.c_str(), 0, 100) != 0 || chmod(f.c_str(), 02777) != 0 || chown((f + "/old").c_str(), 65534, 65534) != 0 || chmod((f + "/old").c_str(), 0640) != 0 ? Failed("chown") : ""; }, nullptr},
  {"an extended attribute and an ACL entry", false, [](qvtest::SmallDisk&, const std::string& f) { const std::string acl = AclOf(0640, 4242, 6); return setxattr((f + "/old").c_str(), "user.x", "1", 1, 0) != 0 || setxattr((f + "/old").c_str(), "system.posix_acl_access", acl.data(), acl.size(), 0) != 0 ? Failed("setxattr") : ""; }, nullptr},
  {"no ACL where the folder's default ACL gives new files one", false, [](qvtest::SmallDisk&, const std::string& f) { const std::string acl = AclOf(0755, 4242, 7); return setxattr(f.c_str(), "system.posix_acl_default", acl.data(), acl.size(), 0) != 0 ? Failed("setxattr") : ""; }, nullptr},
  {"a bind-mounted file", false, [](qvtest::SmallDisk&, const std::string& f) { WriteFile(f + "/../bound", std::string(kOldBytes, 'b')); return mount((f + "/../bound").c_str(), (f + "/old").c_str(), nullptr, MS_BIND, nullptr) != 0 ? Failed("mount --bind") : ""; }, "../bound"},
  {"an append-only folder", false, [](qvtest::SmallDisk&, const std::string& f) { const int fd = open(f.c_str(), O_RDONLY | O_DIRECTORY); int flags = 0; const bool set = fd >= 0 && ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0 && (flags |= FS_APPEND_FL, ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0); const std::string why = set ? "" : Failed("chattr +a"); if (fd >= 0) close(fd); return why; }, nullptr},
};
// clang-format on

// Copies fresh (at source) over the row's place on a disk of its own: "" once it checked the
// copy, else why the place cannot be had here.
std::string CopyOverThePlace(const ReplacementRow& row, bool stream, const std::string& source,
                             const std::string& fresh) {
  qvtest::SmallDisk disk(4 << 20);
  if (!disk.Mounted()) return disk.Problem();
  const std::string folder = disk / "place", old = folder + "/old";
  fs::create_directory(folder);
  chmod(disk.path().c_str(), 0755);
  chmod(folder.c_str(), 0777);
  WriteFile(old, std::string(kOldBytes, 'o'));
  if (const std::string why = row.make(disk, folder); !why.empty()) return why;
  const std::string who = WhoMayRead(old), names = Output({"ls", "-A", folder});
  auto copy = [&] {
    Item from(stream ? new SharedItem(source) : On(source).release());
    EXPECT_TRUE(from->CopyTo(On(old).get())) << from->lastError;
  };
  const int copied = row.asNobody ? qvtest::RunUnprivileged(copy) : (copy(), 0);
  EXPECT_TRUE(WIFEXITED(copied) && WEXITSTATUS(copied) == 0) << copied;
  EXPECT_TRUE(ReadFile(old) == fresh) << "the new contents";
  if (row.alsoNew) {
    EXPECT_TRUE(ReadFile(folder + "/" + row.alsoNew) == fresh) << row.alsoNew;
  }
  EXPECT_EQ(WhoMayRead(old), who);
  EXPECT_EQ(Output({"ls", "-A", folder}), names) << "nothing beside the file";
  return "";
}

// A copy of 1 MB over a file, by the host and through streams (as the saves write), keeps who
// may read it and works wherever writing it in place works: a file written in place needs room
// for one copy, not two, and nothing is left beside the file. Each row runs in a child with
// mounts of its own.
TEST(FolderItemShared, ReplacementsKeepWhoMayReadAndWorkWhereWritingInPlaceDoes) {
  qvtest::TempFolder sources("qvsources");
  const std::string source = sources / "new", fresh(1 << 20, 'n');
  WriteFile(source, fresh);
  ASSERT_EQ(chmod(sources.path().c_str(), 0755), 0);
  std::string skipped;
  for (const ReplacementRow& row : kReplacements) {
    for (const bool stream : {true, false}) {
      SCOPED_TRACE(std::string(row.what) + (stream ? ", stream copy" : ", host copy"));
      std::string output;
      const int status = qvtest::RunWithMountsOfItsOwn([&] {
        const std::string why = CopyOverThePlace(row, stream, source, fresh);
        if (!why.empty()) qvtest::SkipChild(why);  // once the disk is gone
      }, &output);
      const std::string why = std::string("; ") + row.what + ": " + output;
      if (status == qvtest::kChildSkipped) {
        if (skipped.find(why) == std::string::npos) skipped += why;
      } else {
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
      }
    }
  }
  if (!skipped.empty()) GTEST_SKIP() << "rows skipped" << skipped;
}

// The probe writes a file's first byte back, or makes and deletes a file under a free name,
// and leaves the dates as they were.
TEST(FolderItemShared, TheWriteProbeRestoresWhatItTouches) {
  qvtest::TempFolder temp("qvprobe");
  fs::create_directory(temp / "folder");
  WriteFile(temp / "folder/$$TestFile$$", "someone's");
  WriteFile(temp / "file", "content");
  WriteFile(temp / "empty", "");
  for (const std::string& path : {temp / "file", temp / "folder"}) {
    ASSERT_EQ(qvtest::RunProgram({"touch", "-d", "2001-02-03 04:05:06", path}), 0);
  }
  const std::string fileDate = ModifiedSeconds(temp / "file");
  const std::string folderDate = ModifiedSeconds(temp / "folder");
  EXPECT_TRUE(SharedItem(temp / "file").IsWriteable());
  EXPECT_EQ(ReadFile(temp / "file"), "content");
  EXPECT_EQ(ModifiedSeconds(temp / "file"), fileDate);
  EXPECT_TRUE(SharedItem(temp / "empty").IsWriteable());
  EXPECT_TRUE(SharedItem(temp / "folder/new").IsWriteable());
  EXPECT_TRUE(SharedItem(temp / "folder").IsWriteable());
  EXPECT_EQ(Output({"ls", "-A", temp / "folder"}), "$$TestFile$$");
  EXPECT_EQ(ReadFile(temp / "folder/$$TestFile$$"), "someone's");
  EXPECT_EQ(ModifiedSeconds(temp / "folder"), folderDate);
  EXPECT_FALSE(SharedItem(temp / "no/such/folder/file").IsWriteable());
}

TEST(FolderItemShared, DeleteTreeKeepsTheCodeOfTheEntryThatStayed) {
  qvtest::TempFolder temp("qvtree");
  fs::create_directories(temp / "tree/locked");
  WriteFile(temp / "tree/locked/file", "");
  WriteFile(temp / "tree/loose", "");
  chmod(temp.path().c_str(), 0777);
  ASSERT_EQ(qvtest::RunProgram({"chown", "-R", "65534:65534", temp / "tree"}), 0);
  chmod((temp / "tree/locked").c_str(), 0555);
  const int status = qvtest::RunInChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    Item tree = On(temp / "tree");
    EXPECT_FALSE(tree->DeleteTree());
    EXPECT_EQ(tree->lastError, EACCES);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_TRUE(PathExists(temp / "tree/locked/file"));
}

// The deleter retries until the delete goes through (or the file is gone), then ends itself
// and its item.
TEST(FolderItemShared, TheProbeDeleterRetriesUntilTheFileIsGone) {
  bool gone = false;
  auto* deleter = new TempFileDeleter(new StubbornItem(2, &gone));
  deleter->Run();
  deleter->Run();
  EXPECT_FALSE(gone);
  deleter->Run();
  EXPECT_TRUE(gone);
}

}  // namespace
