// The packed line-echo application (tests/images/sockets): a TCPSocket subclass made by
// compiled code, its handlers found at the framework's event numbers, talking to the Python
// peer through "localhost".
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include "NetTestSupport.h"
#include "app/ImageEntry.h"
#include "core/Export.h"
#include "support/TestSupport.h"

namespace {
int gPort = 0;
bool gFinished = false;
}  // namespace

extern "C" int32_t EchoTestPort() { return gPort; }
QV_EXPORT(EchoTestPort)

extern "C" void EchoTestRecord(stringStorage* text) {
  std::printf("[%s]\n", stringStorage::CString(text));
}
QV_EXPORT(EchoTestRecord)

extern "C" void EchoTestRecordError(int32_t code) { std::printf("error %d\n", code); }
QV_EXPORT(EchoTestRecordError)

extern "C" void EchoTestFinish() { gFinished = true; }
QV_EXPORT(EchoTestFinish)

// The application's event loop until it finishes (or a minute passes).
extern "C" void EchoTestRunLoop() { nettest::RunUntil([] { return gFinished; }); }
QV_EXPORT(EchoTestRunLoop)

namespace {

TEST(EchoImage, ACompiledSubclassEchoesLinesThroughThePeer) {
  nettest::Peer peer = nettest::StartPeer({"echo"});
  gPort = peer.port;
  std::string output;
  const int status = qvtest::RunInChild(
      [] {
        if (chdir(ECHOAPP_DIR) != 0) _exit(90);
        const int32_t before = LiveObjectCount();
        const bool ran = RunApplicationImage("/proc/self/exe");
        std::printf("ran=%d finished=%d live=%d\n", ran ? 1 : 0, gFinished ? 1 : 0,
                    LiveObjectCount() - before);
        std::fflush(stdout);
        _exit(0);
      },
      &output);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  // The lines come back whole, however the peer's writes were cut; the socket, kept alive
  // by its connection alone, is freed when it closes.
  std::string lines;
  for (size_t at = output.find("[first"); at != std::string::npos && at < output.size();) {
    const size_t end = output.find("]\n", at);
    lines += output.substr(at + 1, end - at - 1);
    at = output.find('[', end);
  }
  EXPECT_EQ(output.substr(0, output.find('\n')), "[connected]");
  EXPECT_EQ(lines, "first line\nsecond line\nthird line\n");
  EXPECT_NE(output.find("ran=1 finished=1 live=0"), std::string::npos) << output;
  EXPECT_EQ(output.find("error"), std::string::npos) << output;
}

}  // namespace
