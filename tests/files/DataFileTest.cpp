// Data files on real files in a private folder: opening and its failures, 64-bit positions and
// lengths on a sparse 5 GiB file, switching between reading and writing, truncation after
// buffered writes, a disk that fills (/dev/full), descriptors the caller holds, pipes, and
// temporary files. Contents are checked with stat, od and Python's struct.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <string>

#include "StreamTestSupport.h"
#include "support/ChildLimits.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

using namespace streamtest;
using qvtest::ProgramOutput;

std::unique_ptr<DataFile> NewDataFile() { return std::unique_ptr<DataFile>(DataFile::Create()); }

std::string Size(const std::string& path) { return ProgramOutput({"stat", "-c", "%s", path}); }

// The bytes at offset, as od prints them.
std::string BytesAt(const std::string& path, uint64_t offset, int count) {
  return ProgramOutput({"od", "-An", "-tx1", "-j", std::to_string(offset), "-N",
                        std::to_string(count), path});
}

// Runs body as uid 65534 in a child when the tests run as root, so that permissions refuse.
void AsUnprivileged(const std::function<void()>& body) {
  EXPECT_EQ(qvtest::RunUnprivileged(body), 0);
}

TEST(DataFile, OpenFailuresLeaveTheHostsErrorNumber) {
  qvtest::TempFolder folder;
  const string missing((folder / "missing").c_str());
  auto file = NewDataFile();
  EXPECT_FALSE(file->Open(missing, kDataFileReadWrite));
  EXPECT_EQ(file->lastError, ENOENT);
  file->lastError = 0;
  EXPECT_FALSE(file->Open(missing, kDataFileReadOnly));
  EXPECT_EQ(file->lastError, ENOENT);
  // A folder fails at once, for reading too, not at the first read.
  EXPECT_FALSE(file->Open(string(folder.path().c_str()), kDataFileReadOnly));
  EXPECT_EQ(file->lastError, EISDIR);
  EXPECT_FALSE(file->OpenForWriting(string(folder.path().c_str())));
  EXPECT_EQ(file->lastError, EISDIR);
  // A path cut short at a NUL byte would name another file.
  WriteFile(folder / "a", "x");
  EXPECT_FALSE(file->Open(string::FromBytes((folder / "a\0b").c_str(), folder.path().size() + 4,
                                            kEncodingUTF8),
                          kDataFileReadOnly));
  EXPECT_EQ(file->lastError, EINVAL);
  {
    qvtest::ReportCapture reports;
    EXPECT_FALSE(file->Open(string((folder / "a").c_str()), 2));
    ASSERT_EQ(reports.count(), 1u);
    EXPECT_EQ(reports.reports()[0].extra, "Invalid permissions passed in to UnixDataFile::Open");
  }
  // Refused permissions, as a user the file does not let in.
  WriteFile(folder / "private", "secret");
  chmod((folder / "private").c_str(), 0600);
  chmod(folder.path().c_str(), 0755);
  const std::string privatePath = folder / "private";
  AsUnprivileged([&] {
    auto refused = NewDataFile();
    EXPECT_FALSE(refused->Open(string(privatePath.c_str()), kDataFileReadOnly));
    EXPECT_EQ(refused->lastError, EACCES);
  });
  EXPECT_EQ(ReadFile(privatePath), "secret");
}

TEST(DataFile, NeverOpenedAndClosedFilesAnswerNeutrally) {
  auto file = NewDataFile();
  EXPECT_TRUE(file->IsEOF());
  EXPECT_EQ(file->GetHandle(kHandleTypeFileNumber), -1);
  EXPECT_FALSE(file->Close());
  char byte;
  int32_t got = 5;
  EXPECT_FALSE(file->Read(&byte, 1, &got));
  EXPECT_EQ(got, 0);
  EXPECT_FALSE(file->Write("x", 1));
  qvtest::ReportCapture reports;
  EXPECT_FALSE(file->Read(nullptr, 1, &got));
  EXPECT_TRUE(reports.HasCondition("data"));
}

TEST(DataFile, ReadsWritesAndPositionsOnOneStream) {
  qvtest::TempFolder folder;
  const std::string path = folder / "f";
  WriteFile(path, "old contents");
  auto file = NewDataFile();
  ASSERT_TRUE(file->OpenForWriting(string(path.c_str())));
  EXPECT_EQ(Size(path), "0\n");
  ASSERT_TRUE(file->Write("0123456789", 10));
  EXPECT_EQ(file->GetLength(), 10);  // pending writes counted, position kept
  EXPECT_EQ(file->GetPosition(), 10);
  ASSERT_TRUE(file->SetPosition(5));
  EXPECT_EQ(file->GetLength(), 10);
  EXPECT_EQ(file->GetPosition(), 5);
  // Write, read, write on one "r+" stream: each switch of direction goes through a
  // positioning call.
  ASSERT_TRUE(file->Close() && file->Open(string(path.c_str()), kDataFileReadWrite));
  ASSERT_TRUE(file->Write("ab", 2));
  char three[3];
  int32_t got = 0;
  ASSERT_TRUE(file->Read(three, 3, &got));
  EXPECT_EQ(std::string(three, 3), "234");
  ASSERT_TRUE(file->Write("XY", 2));
  EXPECT_FALSE(file->IsEOF());
  ASSERT_TRUE(file->SetPosition(10));
  EXPECT_TRUE(file->IsEOF());
  EXPECT_FALSE(file->Read(three, 3, &got));  // the end: false, nothing, no error
  EXPECT_EQ(got, 0);
  EXPECT_EQ(file->lastError, 0);
  EXPECT_EQ(file->GetHandle(1), -1);
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(ReadFile(path), "ab234XY789");
  EXPECT_EQ(file->GetHandle(kHandleTypeFileNumber), -1);
  // A read-only stream: the refused write's error does not stick to later calls.
  ASSERT_TRUE(file->Open(string(path.c_str()), kDataFileReadOnly));
  EXPECT_FALSE(file->Write("z", 1));
  EXPECT_EQ(file->lastError, EBADF);
  ASSERT_TRUE(file->SetPosition(8) && file->Read(three, 3, &got));
  EXPECT_EQ(got, 2);
  EXPECT_TRUE(file->SetPosition(0));
}

TEST(DataFile, SetLengthAfterBufferedWritesLeavesNoStaleBytes) {
  qvtest::TempFolder folder;
  const std::string path = folder / "f";
  auto file = NewDataFile();
  ASSERT_TRUE(file->OpenForWriting(string(path.c_str())));
  ASSERT_TRUE(file->Write(std::string(100, 'w').data(), 100));
  ASSERT_TRUE(file->SetLength(10));
  ASSERT_TRUE(file->SetPosition(0));
  char buffer[100];
  int32_t got = 0;
  ASSERT_TRUE(file->Read(buffer, 100, &got));
  EXPECT_EQ(got, 10);
  // Read ahead, then shortened under the read buffer: the bytes cut off do not come back.
  ASSERT_TRUE(file->SetPosition(2) && file->Read(buffer, 1, &got) && file->SetLength(4));
  ASSERT_TRUE(file->Read(buffer, 100, &got));
  EXPECT_EQ(std::string(buffer, size_t(got)), "w");
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(Size(path), "4\n");
}

// Another program cuts a file this stream made longer than it was at its opening: the length
// asked afterwards drops what stdio read ahead past the cut. A stream handed out as a FILE*
// may be moved by its holder: the position is asked of stdio from then on.
TEST(DataFile, CutsAndMovesByOthersAreSeen) {
  qvtest::TempFolder folder;
  const std::string path = folder / "f";
  auto file = NewDataFile();
  ASSERT_TRUE(file->OpenForWriting(string(path.c_str())));
  ASSERT_TRUE(file->Write(std::string(8192, 'g').data(), 8192));
  char buffer[300];
  int32_t got = 0;
  ASSERT_TRUE(file->SetPosition(0) && file->Read(buffer, 1, &got));
  ASSERT_EQ(truncate(path.c_str(), 100), 0);
  EXPECT_EQ(file->GetLength(), 100);
  ASSERT_TRUE(file->Read(buffer, 300, &got));
  EXPECT_EQ(got, 99);

  // Cut to nothing after 10 bytes were read, the file's length is 0, not where the reader is;
  // so is an empty file's that stands at 100.
  WriteFile(folder / "cut", std::string(50, 'c'));
  auto cut = NewDataFile();
  ASSERT_TRUE(cut->Open(string((folder / "cut").c_str()), kDataFileReadOnly));
  ASSERT_TRUE(cut->Read(buffer, 10, &got) && truncate((folder / "cut").c_str(), 0) == 0);
  EXPECT_EQ(cut->GetLength(), 0);
  WriteFile(folder / "empty", "");
  auto empty = NewDataFile();
  ASSERT_TRUE(empty->Open(string((folder / "empty").c_str()), kDataFileReadWrite));
  ASSERT_TRUE(empty->SetPosition(100));
  EXPECT_EQ(empty->GetLength(), 0);

  ASSERT_TRUE(file->SetPosition(0) && file->Write("0123456789", 10));
  FILE* held = reinterpret_cast<FILE*>(file->GetHandle(kHandleTypeFilePointer));
  ASSERT_NE(held, nullptr);
  ASSERT_EQ(fseeko(held, 3, SEEK_SET), 0);
  EXPECT_EQ(file->GetPosition(), 3);
  ASSERT_TRUE(file->Read(buffer, 1, &got));
  EXPECT_EQ(buffer[0], '3');
  EXPECT_EQ(file->GetPosition(), 4);
}

TEST(DataFile, PositionsAndLengthsPastFourGigabytes) {
  qvtest::TempFolder folder;
  const std::string path = folder / "sparse";
  const uint64_t five = uint64_t{5} << 30, at = (uint64_t{4} << 30) + 3;
  auto file = NewDataFile();
  ASSERT_TRUE(file->OpenForWriting(string(path.c_str())));
  ASSERT_TRUE(file->SetLength(five));
  EXPECT_EQ(file->GetLength(), int64_t(five));
  ASSERT_TRUE(file->SetPosition(at) && file->Write("xyz", 3));
  EXPECT_EQ(file->GetPosition(), int64_t(at + 3));
  char back[3];
  ASSERT_TRUE(file->SetPosition(at) && file->Read(back, 3, nullptr));
  EXPECT_EQ(std::string(back, 3), "xyz");
  EXPECT_FALSE(file->SetPosition(uint64_t{1} << 63));
  EXPECT_EQ(file->lastError, EINVAL);
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(Size(path), std::to_string(five) + "\n");
  EXPECT_EQ(BytesAt(path, at - 1, 5), " 00 78 79 7a 00\n");
}

// /dev/full takes writes into the buffer and refuses them when they go out.
TEST(DataFile, AFullDiskFailsAtFlushAndClose) {
  auto file = NewDataFile();
  ASSERT_TRUE(file->OpenForWriting(string("/dev/full")));
  EXPECT_TRUE(file->Write("data", 4));
  file->Flush();
  EXPECT_EQ(file->lastError, ENOSPC);
  file->lastError = 0;
  EXPECT_TRUE(file->Write("more", 4));
  EXPECT_FALSE(file->Close());
  EXPECT_EQ(file->lastError, ENOSPC);
  EXPECT_EQ(file->GetHandle(kHandleTypeFilePointer), -1);
}

TEST(DataFile, DescriptorsOpenInTheModeTheyAllow) {
  qvtest::TempFolder folder;
  const std::string path = folder / "f";
  WriteFile(path, "0123");
  auto file = NewDataFile();
  int fd = open(path.c_str(), O_WRONLY);
  ASSERT_TRUE(file->OpenDescriptor(fd, kHandleTypeFileNumber));
  EXPECT_TRUE(file->Write("ab", 2));
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(ReadFile(path), "ab23");
  fd = open(path.c_str(), O_RDONLY);
  ASSERT_TRUE(file->OpenDescriptor(fd, kHandleTypeFileNumber));
  EXPECT_EQ(file->GetLength(), 4);
  EXPECT_FALSE(file->Write("x", 1));
  EXPECT_TRUE(file->Close());
  FILE* stream = fopen(path.c_str(), "r+");
  ASSERT_TRUE(file->OpenDescriptor(reinterpret_cast<intptr_t>(stream), kHandleTypeFilePointer));
  EXPECT_EQ(file->GetHandle(kHandleTypeFilePointer), reinterpret_cast<intptr_t>(stream));
  EXPECT_TRUE(file->SetPosition(4) && file->Write("cd", 2));
  EXPECT_TRUE(file->Close());
  EXPECT_EQ(ReadFile(path), "ab23cd");
  EXPECT_FALSE(file->OpenDescriptor(-1, kHandleTypeFileNumber));
  EXPECT_EQ(file->lastError, EBADF);
  EXPECT_FALSE(file->OpenDescriptor(0, 1));
}

// A pipe cannot seek: its length is unknown (no error), and it is at its end exactly when the
// writer has gone and every byte has been read.
TEST(DataFile, PipesHaveNoLengthAndPeekForTheirEnd) {
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "ab", 2), 2);
  auto file = NewDataFile();
  ASSERT_TRUE(file->OpenDescriptor(ends[0], kHandleTypeFileNumber));
  EXPECT_EQ(file->GetLength(), -1);
  EXPECT_EQ(file->lastError, 0);
  EXPECT_FALSE(file->IsEOF());
  char one;
  ASSERT_TRUE(file->Read(&one, 1, nullptr));
  EXPECT_EQ(one, 'a');
  close(ends[1]);
  EXPECT_FALSE(file->IsEOF());
  ASSERT_TRUE(file->Read(&one, 1, nullptr));
  EXPECT_EQ(one, 'b');
  EXPECT_TRUE(file->IsEOF());
  EXPECT_TRUE(file->IsEOF());
  EXPECT_TRUE(file->Close());
}

// After stdio has read ahead on a device, its position is still known; its length is what the
// device gives, never less than the position, so /dev/zero is at its end by the length. A
// pipe's position counts the bytes that went through it.
TEST(DataFile, DevicesAndPipesKeepTheirPositionAfterReadAhead) {
  auto zero = NewDataFile();
  ASSERT_TRUE(zero->Open(string("/dev/zero"), kDataFileReadOnly));
  EXPECT_EQ(zero->GetLength(), 0);
  EXPECT_TRUE(zero->IsEOF());
  char bytes[10] = {1};
  int32_t got = 0;
  ASSERT_TRUE(zero->Read(bytes, 10, &got));
  EXPECT_EQ(got, 10);
  EXPECT_EQ(bytes[0], 0);
  EXPECT_EQ(zero->GetPosition(), 10);
  EXPECT_EQ(zero->GetLength(), 10);
  EXPECT_TRUE(zero->IsEOF());
  ASSERT_TRUE(zero->SetPosition(3));
  EXPECT_EQ(zero->GetPosition(), 3);
  EXPECT_EQ(zero->lastError, 0);
  int ends[2];
  ASSERT_EQ(pipe(ends), 0);
  ASSERT_EQ(write(ends[1], "abc", 3), 3);
  close(ends[1]);
  auto pipe = NewDataFile();
  ASSERT_TRUE(pipe->OpenDescriptor(ends[0], kHandleTypeFileNumber));
  ASSERT_TRUE(pipe->Read(bytes, 2, &got));
  EXPECT_EQ(pipe->GetPosition(), 2);
  EXPECT_EQ(pipe->lastError, 0);
}

// Opening never waits for a peer: FIFOs without a writer open at once, for reading and for
// reading and writing. The first read of the one opened for reading waits for a writer's bytes,
// as a pipe's reader waits; once that writer has gone, the FIFO is at its end. An alarm fails a
// hang.
TEST(DataFile, FifosWithoutAWriterOpenAtOnce) {
  qvtest::TempFolder folder;
  const std::string fifo = folder / "fifo", other = folder / "other";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(other.c_str(), 0600), 0);
  const int status = qvtest::RunInChild([&] {
    alarm(qvtest::TimeLimit(10));
    auto both = NewDataFile();
    EXPECT_TRUE(both->Open(string(other.c_str()), kDataFileReadWrite));
    auto in = NewDataFile();
    ASSERT_TRUE(in->Open(string(fifo.c_str()), kDataFileReadOnly));
    const pid_t writer = qvtest::ForkTestChild();
    if (writer == 0) {
      usleep(200 * 1000);
      const int fd = open(fifo.c_str(), O_WRONLY);
      _exit(fd >= 0 && write(fd, "late", 4) == 4 ? 0 : 1);
    }
    char bytes[8] = {};
    int32_t got = 0;
    EXPECT_TRUE(in->Read(bytes, 8, &got));
    EXPECT_EQ(std::string(bytes, size_t(got)), "late");
    EXPECT_EQ(WaitFor(writer), 0);
    EXPECT_TRUE(in->IsEOF());
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// No read waits on a peer that is absent: a FIFO opened for reading whose writer never comes is
// at its end after a grace of seconds, with ENXIO; one read and written through one stream is
// its own writer, so what it holds is read and then it is at its end, and a write into it when
// full fails (EAGAIN) instead of waiting for ever. An alarm fails a hang.
TEST(DataFile, FifosWithoutAPeerNeverWait) {
  qvtest::TempFolder folder;
  const std::string alone = folder / "alone", loop = folder / "loop";
  ASSERT_EQ(mkfifo(alone.c_str(), 0600), 0);
  ASSERT_EQ(mkfifo(loop.c_str(), 0600), 0);
  const int status = qvtest::RunInChild([&] {
    alarm(qvtest::TimeLimit(20));
    auto in = NewDataFile();
    ASSERT_TRUE(in->Open(string(alone.c_str()), kDataFileReadOnly));
    char bytes[8] = {};
    int32_t got = -1;
    EXPECT_FALSE(in->Read(bytes, 8, &got));
    EXPECT_EQ(got, 0);
    EXPECT_EQ(in->lastError, ENXIO);
    EXPECT_TRUE(in->IsEOF());
    auto both = NewDataFile();
    ASSERT_TRUE(both->Open(string(loop.c_str()), kDataFileReadWrite));
    ASSERT_TRUE(both->Write("abc", 3));
    both->Flush();
    EXPECT_TRUE(both->Read(bytes, 8, &got));
    EXPECT_EQ(std::string(bytes, size_t(got)), "abc");
    EXPECT_FALSE(both->Read(bytes, 8, &got));
    EXPECT_TRUE(both->IsEOF());
    EXPECT_EQ(both->lastError, 0);
    const std::string block(1 << 20, 'x');
    const bool wrote = both->Write(block.data(), int32_t(block.size()));
    both->Flush();
    EXPECT_FALSE(wrote);
    EXPECT_EQ(both->lastError, EAGAIN);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A FIFO read and written through one stream (Create, Open read-write), with another reader
// there: every byte written arrives, however far the writer runs ahead of the reader.
TEST(DataFile, FifosWithAReaderGetEveryByte) {
  qvtest::TempFolder folder;
  const std::string fifo = folder / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const std::string block(2 << 20, 'x');
  for (const bool create : {true, false}) {
    const int status = qvtest::RunInChild([&] {
      alarm(qvtest::TimeLimit(60));
      auto out = NewDataFile();
      ASSERT_TRUE(create ? out->OpenForWriting(string(fifo.c_str()))
                         : out->Open(string(fifo.c_str()), kDataFileReadWrite));
      const int written = int(out->GetHandle(kHandleTypeFileNumber));
      const pid_t reader = qvtest::ForkTestChild();
      if (reader == 0) {
        close(written);  // the writer's end, which would keep the reader from its end
        const int fd = open(fifo.c_str(), O_RDONLY);
        size_t got = 0;
        char bytes[4096];
        for (ssize_t n; (n = read(fd, bytes, sizeof bytes)) > 0;) got += size_t(n);
        _exit(got == block.size() ? 0 : 1);
      }
      for (size_t at = 0; at < block.size(); at += 64 << 10)
        EXPECT_TRUE(out->Write(block.data() + at, 64 << 10)) << at;
      EXPECT_EQ(out->lastError, 0);
      EXPECT_TRUE(out->Close());
      EXPECT_EQ(WaitFor(reader), 0) << "the reader did not get every byte";
    });
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << create << " " << status;
  }
}

// A file of /sys says 4,096 bytes and holds a few, one of binfmt_misc (a file system that keeps
// no blocks, as /proc) says 0: the length is not known until the end of the data, where it is
// the bytes read and the file is at its end.
TEST(DataFile, SizesThatAreNoLengthsGiveWayToTheData) {
  for (const std::string path :
       {"/sys/devices/system/cpu/online", "/proc/sys/fs/binfmt_misc/status"}) {
    SCOPED_TRACE(path);
    const std::string data = ReadFile(path);
    if (data.empty() && path.find("binfmt") != std::string::npos) continue;  // not mounted
    auto file = NewDataFile();
    ASSERT_TRUE(file->Open(string(path.c_str()), kDataFileReadOnly));
    EXPECT_EQ(file->GetLength(), -1);
    EXPECT_FALSE(file->IsEOF());
    char bytes[8192];
    int32_t got = 0;
    EXPECT_TRUE(file->Read(bytes, int32_t(sizeof bytes), &got));
    EXPECT_EQ(std::string(bytes, size_t(got)), data);
    EXPECT_TRUE(file->IsEOF());
    EXPECT_EQ(file->GetLength(), int64_t(data.size()));
  }
}

// Ramfs and a tmpfs without a size limit keep no blocks of data, as /proc does, but there a
// file's size is its length: a 10,000-byte file says 10,000 before a byte is read, and the
// usual append (Position = Length, then Write) adds at its end. Each is mounted in a child with
// mounts of its own.
TEST(DataFile, SizesAreLengthsWhereTheFileSystemKeepsNoBlocks) {
  std::string skipped;
  for (const auto& kind : {std::pair{"ramfs", ""}, std::pair{"tmpfs", "size=0"}}) {
    const char* const type = kind.first;
    const char* const options = kind.second;
    SCOPED_TRACE(type);
    std::string output;
    const int status = qvtest::RunWithMountsOfItsOwn([&] {
      qvtest::TempFolder folder("qvblockless");
      ASSERT_EQ(mount("qvtest", folder.path().c_str(), type, 0, options), 0) << strerror(errno);
      struct Unmount {  // before the folder goes
        const std::string& path;
        ~Unmount() { umount2(path.c_str(), MNT_DETACH); }
      } unmount{folder.path()};
      struct statfs info = {};
      EXPECT_TRUE(statfs(folder.path().c_str(), &info) == 0 && info.f_blocks == 0);
      const std::string data(10000, 'd');
      WriteFile(folder / "file", data);
      auto file = NewDataFile();
      ASSERT_TRUE(file->Open(string((folder / "file").c_str()), kDataFileReadWrite));
      EXPECT_EQ(file->GetLength(), 10000);
      EXPECT_TRUE(file->SetPosition(uint64_t(file->GetLength())) && file->Write("tail", 4));
      EXPECT_TRUE(file->Close());
      EXPECT_TRUE(ReadFile(folder / "file") == data + "tail") << ReadFile(folder / "file").size();
    }, &output);
    if (status == qvtest::kChildSkipped) {
      skipped = output;
    } else {
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status << "\n" << output;
    }
  }
  if (!skipped.empty()) GTEST_SKIP() << skipped;
}

// Every temporary file lies in $TMPDIR when it names a folder: the anonymous ones and the named.
TEST(DataFile, TemporaryFilesFollowTMPDIR) {
  qvtest::TempFolder folder("qvtmpdir");
  const char* old = getenv("TMPDIR");
  const std::string before = old ? old : "";
  setenv("TMPDIR", folder.path().c_str(), 1);
  auto file = NewDataFile();
  EXPECT_TRUE(file->CreateTemporary(string()));
  char target[512] = {};
  const std::string fd = "/proc/self/fd/" + std::to_string(file->GetHandle(kHandleTypeFileNumber));
  EXPECT_GT(readlink(fd.c_str(), target, sizeof target - 1), 0);
  EXPECT_EQ(std::string(target).rfind(folder.path() + "/", 0), 0u) << target;
  EXPECT_TRUE(file->Close());
  EXPECT_TRUE(file->CreateTemporary(string("named")));
  EXPECT_TRUE(file->Write("n", 1) && file->Close());
  EXPECT_EQ(ReadFile(folder / "named"), "n");
  if (old) setenv("TMPDIR", before.c_str(), 1);
  else unsetenv("TMPDIR");
}

TEST(DataFile, TemporaryFiles) {
  auto file = NewDataFile();
  // Anonymous: no name in any folder, gone with the file.
  ASSERT_TRUE(file->CreateTemporary(string()));
  ASSERT_TRUE(file->Write("tmp", 3));
  char target[256] = {};
  const std::string fd = "/proc/self/fd/" + std::to_string(file->GetHandle(kHandleTypeFileNumber));
  ASSERT_GT(readlink(fd.c_str(), target, sizeof target - 1), 0);
  EXPECT_NE(std::string(target).find("(deleted)"), std::string::npos) << target;
  EXPECT_TRUE(file->Close());
  // Names that are not one plain component are refused.
  for (const char* name : {"../x", ".", "..", "a/b", "/x"}) {
    EXPECT_FALSE(file->CreateTemporary(string(name))) << name;
    EXPECT_EQ(file->lastError, EINVAL);
  }
  // A plain name: /tmp/name, emptied when it is ours, left after Close.
  const std::string name = "qvtest-temporary-" + std::to_string(getpid());
  const std::string path = "/tmp/" + name;
  WriteFile(path, "old");
  ASSERT_TRUE(file->CreateTemporary(string(name.c_str())));
  EXPECT_EQ(file->GetLength(), 0);
  ASSERT_TRUE(file->Write("new", 3) && file->Close());
  EXPECT_EQ(ReadFile(path), "new");
  unlink(path.c_str());
  // Something planted at the name is never written through nor emptied.
  qvtest::TempFolder folder;
  const std::string kept = folder / "target";
  WriteFile(kept, "keep");
  ASSERT_EQ(symlink(kept.c_str(), path.c_str()), 0);
  EXPECT_FALSE(file->CreateTemporary(string(name.c_str())));
  EXPECT_EQ(file->lastError, ELOOP);
  unlink(path.c_str());
  ASSERT_EQ(link(kept.c_str(), path.c_str()), 0);
  EXPECT_FALSE(file->CreateTemporary(string(name.c_str())));
  EXPECT_EQ(file->lastError, EEXIST);
  unlink(path.c_str());
  ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
  EXPECT_FALSE(file->CreateTemporary(string(name.c_str())));
  EXPECT_EQ(file->lastError, EEXIST);
  unlink(path.c_str());
  EXPECT_EQ(ReadFile(kept), "keep");
  // CloseFile forgets the stream: Close after it has nothing to close twice.
  ASSERT_TRUE(file->CreateTemporary(string()));
  file->CloseFile();
  EXPECT_FALSE(file->Close());
}

}  // namespace
