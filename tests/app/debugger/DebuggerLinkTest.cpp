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

#include "net/DebuggerSocketConnections.h"
#include "net/SocketPolling.h"
#include "DebuggerTestSupport.h"
#include "support/TempFolder.h"

namespace {

using debugtest::Recorder;
using debugtest::Text;

// Polls the sockets until done() or the time has passed.
bool PumpUntil(const std::function<bool()>& done, int milliseconds = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
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

}  // namespace
