// The one opener of named files: it never waits on a peer, a use that wants a file's contents
// refuses FIFOs, devices and sockets before opening them, and reading goes to the end of the
// data whatever the size said. Hangs are failed by an alarm in a child.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "core/FileHead.h"
#include "core/NamedFile.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

std::string Whole(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

TEST(NamedFile, ContentsAreReadOnlyFromRegularFiles) {
  qvtest::TempFolder folder("qvnamed");
  const std::string fifo = folder / "fifo", socketPath = folder / "socket";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  const int listener = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address = {};
  address.sun_family = AF_UNIX;
  socketPath.copy(address.sun_path, sizeof address.sun_path - 1);
  ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  const int status = qvtest::RunInChild([&] {
    alarm(qvtest::TimeLimit(10));
    for (const std::string& path : {fifo, socketPath, std::string("/dev/zero")}) {
      NamedFile file;
      EXPECT_FALSE(file.Open(path.c_str(), O_RDONLY, NamedFileUse::kContents)) << path;
      EXPECT_EQ(file.Error(), ENOTSUP) << path;
      EXPECT_EQ(file.Descriptor(), -1) << path;
      std::string head;
      EXPECT_FALSE(ReadFileHead(path, 64, &head)) << path;
    }
    NamedFile folderFile;
    EXPECT_FALSE(folderFile.Open(folder.path().c_str(), O_RDONLY, NamedFileUse::kStream));
    EXPECT_EQ(folderFile.Error(), EISDIR);
    // As a stream the FIFO opens at once, without a writer, and blocks no more once open.
    NamedFile stream;
    ASSERT_TRUE(stream.Open(fifo.c_str(), O_RDONLY, NamedFileUse::kStream));
    EXPECT_EQ(fcntl(stream.Descriptor(), F_GETFL) & O_NONBLOCK, 0);
  });
  close(listener);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// Files of /proc say 0 bytes and those of /sys 4,096: both are read to the end of their data.
TEST(NamedFile, ReadsToTheEndOfTheData) {
  for (const char* path : {"/proc/self/mounts", "/sys/devices/system/cpu/online"}) {
    NamedFile file;
    ASSERT_TRUE(file.Open(path, O_RDONLY, NamedFileUse::kContents)) << path;
    std::string bytes;
    ASSERT_TRUE(file.Read(size_t{1} << 24, &bytes));
    EXPECT_EQ(bytes, Whole(path)) << path;
    EXPECT_NE(bytes.size(), size_t(file.Info().st_size)) << path;
    std::string head;
    ASSERT_TRUE(ReadFileHead(path, 4, &head));
    EXPECT_EQ(head, bytes.substr(0, 4));
  }
}

}  // namespace
