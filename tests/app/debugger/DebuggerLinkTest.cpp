// The link's two transports in one process: a listening connection and a connecting one,
// over the local socket and over TCP to "localhost", served by polling the ownerless sockets.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/SmartRef.h"
#include "net/DebuggerSocketConnections.h"
#include "net/SocketCore.h"
#include "net/SocketPolling.h"
#include "DebuggerTestSupport.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace {

using debugtest::Recorder;
using debugtest::Text;

// Polls the sockets until done() or the time (stretched by the slow-run factor) has passed.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 5000) {
  const auto end =
      std::chrono::steady_clock::now() + std::chrono::milliseconds(qvtest::TimeLimit(milliseconds));
  while (!done() && std::chrono::steady_clock::now() < end) SocketsPoll(true, 10);
  return done();
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);
  return ntohs(address.sin_port);
}

TEST(DebuggerLink, LinesGoBothWaysAndALostLinkReachesEachReceiverOnce) {
  qvtest::TempFolder folder("qvlink");
  const std::string path = folder / "link";
  for (const char* host : {"127.0.0.1", "localhost"}) {
    const bool tcp = std::string(host) == "localhost";
    SetDebuggerLinkEndpoints(path.c_str(), tcp ? FreePort() : 0);
    std::unique_ptr<DebuggerConnection> ide(MakeDebuggerConnection(string(host)));
    std::unique_ptr<DebuggerConnection> program(MakeDebuggerConnection(string(host)));
    EXPECT_EQ(dynamic_cast<TCPSocketConnection*>(program.get()) != nullptr, tcp) << host;
    std::vector<std::string> log;
    Recorder first(&log, "first"), second(&log, "second"), own(&log, "program");
    ide->AddReceiver(&first);
    ide->AddReceiver(&second);
    program->AddReceiver(&own);
    ide->Listen();
    program->Connect();
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 3; })) << host;
    program->Send(string("BREAK"), string());
    string bare("PID");
    program->TerminateMessage(bare);
    EXPECT_EQ(Text(bare), "PID\r");
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 7; })) << host;
    ide->Send(string("DW"), string("0804A000"));
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 8; })) << host;
    program.reset();
    PumpUntil([&] { return log.size() == 10; });
    PumpUntil([&] { return log.size() > 10; }, 300);  // a second notice would come by now
    std::vector<std::string> sorted(log.begin(), log.begin() + 3);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"first connected", "program connected",
                                                 "second connected"}));
    EXPECT_EQ(std::vector<std::string>(log.begin() + 3, log.end()),
              (std::vector<std::string>{"second BREAK|", "first BREAK|", "second PID|",
                                        "first PID|", "program DW|0804A000",
                                        "second disconnected", "first disconnected"}))
        << host;
  }
  SetDebuggerLinkEndpoints(nullptr, 0);
}

// A receiver that closes its link and lets go of it, as the debugger control does for a
// command that ends the session, or once the link is lost.
class Dropping : public Recorder {
 public:
  Dropping(std::vector<std::string>* log, std::string name, SmartRef<DebuggerConnection>* link)
      : Recorder(log, name), mLink(link) {}
  void MessageReceived(const string& tag, const string& payload) override {
    Recorder::MessageReceived(tag, payload);
    Drop();
  }
  void Disconnected() override {
    Recorder::Disconnected();
    Drop();
  }

 private:
  void Drop() {
    if (!*mLink) return;
    (*mLink)->Close();
    DebuggerConnection::Release(*mLink);
  }
  SmartRef<DebuggerConnection>* mLink;
};

// Two lines arrive in one read and the first one's receiver drops the program's link: the
// second is not handed on, and the connection goes once its loop has returned. The IDE's side
// drops its own link from inside Disconnected. Nothing is left (run under the sanitizers too).
TEST(DebuggerLink, AReceiverMayCloseAndLetGoOfTheLinkFromInsideIt) {
  qvtest::TempFolder folder("qvlink");
  const std::string path = folder / "link";
  for (const char* host : {"127.0.0.1", "localhost"}) {
    SetDebuggerLinkEndpoints(path.c_str(), std::string(host) == "localhost" ? FreePort() : 0);
    const int32_t sockets = LiveSocketCount();
    SmartRef<DebuggerConnection> ide(MakeDebuggerConnection(string(host)));
    SmartRef<DebuggerConnection> program(MakeDebuggerConnection(string(host)));
    std::vector<std::string> log;
    Dropping ideSide(&log, "ide", &ide), programSide(&log, "program", &program);
    ide->AddReceiver(&ideSide);
    program->AddReceiver(&programSide);
    ide->Listen();
    program->Connect();
    ASSERT_TRUE(PumpUntil([&] { return log.size() == 2; })) << host;
    string lines("FIRST \rSECOND ");
    ide->TerminateMessage(lines);
    ASSERT_TRUE(PumpUntil([&] { return !ide; })) << host;
    PumpUntil([&] { return log.size() > 4; }, 300);  // anything more would come by now
    EXPECT_FALSE(program);
    EXPECT_EQ(std::vector<std::string>(log.begin() + 2, log.end()),
              (std::vector<std::string>{"program FIRST|", "ide disconnected"}))
        << host;
    EXPECT_EQ(LiveSocketCount(), sockets) << host;
  }
  SetDebuggerLinkEndpoints(nullptr, 0);
}

}  // namespace
