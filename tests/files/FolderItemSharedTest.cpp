// The algorithms every kind of folder item shares, run on host files through an item that uses
// them instead of its own: copying through streams (onto itself, into a folder, a source that
// stops short of its length), the write probe with its dates restored and its free name,
// deleting a tree that keeps the failing entry's code, and the deleter that retries a probe.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "FolderItemTestSupport.h"
#include "files/FolderItemShared.h"
#include "files/RandomAccessMechanism.h"
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
