// A TCPSocket echo beside a plain poll/recv/send echo loop, both on loopback against the same
// client: 256 MB streamed in 64 KB writes and read back, and one-byte ping-pong. The framework
// side is a TCPSocket subclass whose DataAvailable does ReadAll then Write, served by the
// application's main-loop pass.
// The client runs on a thread of its own, so every side is timed in real time: a rate is what
// both threads together achieve.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "BenchRatio.h"
#include "app/MainLoop.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/SocketClasses.h"

namespace {

constexpr int64_t kStreamBytes = 256LL * 1024 * 1024;
constexpr size_t kWriteSize = 64 * 1024;
constexpr int kPingPongs = 20000;

std::atomic<bool> gClientDone{false};

int ConnectTo(int port) {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) std::abort();
  const int on = 1;
  setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
  return fd;
}

// Writes the stream in 64 KB writes from a thread of its own and reads it all back.
void StreamClient(int port) {
  const int fd = ConnectTo(port);
  std::thread writer([fd] {
    std::vector<char> block(kWriteSize, 'q');
    for (int64_t sent = 0; sent < kStreamBytes; sent += kWriteSize) {
      for (size_t done = 0; done < kWriteSize;) {
        const ssize_t n = write(fd, block.data() + done, kWriteSize - done);
        if (n <= 0) std::abort();
        done += size_t(n);
      }
    }
  });
  std::vector<char> buffer(1 << 20);
  for (int64_t got = 0; got < kStreamBytes;) {
    const ssize_t n = read(fd, buffer.data(), buffer.size());
    if (n <= 0) std::abort();
    got += n;
  }
  writer.join();
  gClientDone = true;
  close(fd);
}

void PingPongClient(int port) {
  const int fd = ConnectTo(port);
  char byte = 'p';
  for (int i = 0; i < kPingPongs; ++i) {
    if (write(fd, &byte, 1) != 1 || read(fd, &byte, 1) != 1) std::abort();
  }
  gClientDone = true;
  close(fd);
}

// ---- The framework's echo -------------------------------------------------------------------

extern "C" void EchoDataAvailable(RuntimeObject* self) {
  stringStorage* data = SocketReadAll(self, nullptr);
  SocketWrite(self, data);
  stringStorage::RemoveReference(data);
}

RuntimeClass* EchoClass() {
  static RuntimeClass* cls = [] {
    RunStartupSteps(kStartupClassesBegin, kStartupClassesEnd);
    RuntimeClass* base = RuntimeClassForDefinition(TCPSocketClassDefinition());
    RuntimeClass* echo =
        RuntimeNewClass(base, base->methodCount, base->interfaceCount, base->eventCount,
                        base->namedMethodCount, base->propertyCount);
    echo->className = string("EchoSocket").ExtractStringStorage();
    echo->instanceSize = base->instanceSize;
    for (int32_t i = 0; i < echo->eventCount; ++i) {
      if (string(echo->eventTable[i].name).Compare(string("DataAvailable")) == 0) {
        echo->eventTable[i].vector = reinterpret_cast<void*>(&EchoDataAvailable);
      }
    }
    return echo;
  }();
  return cls;
}

void FrameworkEcho(benchmark::State& state, void (*client)(int)) {
  RuntimeClass* cls = EchoClass();
  for (auto _ : state) {
    RuntimeObject* server = RuntimeNewObject(cls);
    SocketListen(server);
    const int port = SocketPortGetter(server, 0);
    gClientDone = false;
    std::thread peer(client, port);
    while (!gClientDone) MainLoopDoEvents(true);
    peer.join();
    socketClose(server);
    RuntimeUnlockObject(server);
  }
}

// ---- The plain echo -------------------------------------------------------------------------

// poll, recv into one buffer, send it on; while the peer does not take it all, wait for
// POLLOUT before reading more.
void PlainEcho(benchmark::State& state, void (*client)(int)) {
  std::vector<char> buffer(256 * 1024);
  for (auto _ : state) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
    listen(listener, 1);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    gClientDone = false;
    std::thread peer(client, ntohs(address.sin_port));
    const int fd = accept(listener, nullptr, nullptr);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    size_t pending = 0;
    size_t offset = 0;
    for (;;) {
      pollfd entry{fd, short(pending ? POLLOUT : POLLIN), 0};
      poll(&entry, 1, -1);
      if (pending) {
        const ssize_t n = send(fd, buffer.data() + offset, pending, MSG_NOSIGNAL);
        if (n > 0) {
          offset += size_t(n);
          pending -= size_t(n);
        }
        continue;
      }
      const ssize_t n = recv(fd, buffer.data(), buffer.size(), 0);
      if (n == 0) break;
      if (n < 0) continue;
      const ssize_t sent = send(fd, buffer.data(), size_t(n), MSG_NOSIGNAL);
      offset = sent > 0 ? size_t(sent) : 0;
      pending = size_t(n) - offset;
    }
    peer.join();
    close(fd);
    close(listener);
  }
}

void BM_TCPSocketEcho256MB(benchmark::State& state) {
  FrameworkEcho(state, StreamClient);
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}
BENCHMARK(BM_TCPSocketEcho256MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PlainEcho256MB(benchmark::State& state) {
  PlainEcho(state, StreamClient);
  state.SetBytesProcessed(state.iterations() * kStreamBytes);
}
BENCHMARK(BM_PlainEcho256MB)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_TCPSocketPingPong(benchmark::State& state) {
  FrameworkEcho(state, PingPongClient);
  state.SetItemsProcessed(state.iterations() * kPingPongs);
}
BENCHMARK(BM_TCPSocketPingPong)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PlainPingPong(benchmark::State& state) {
  PlainEcho(state, PingPongClient);
  state.SetItemsProcessed(state.iterations() * kPingPongs);
}
BENCHMARK(BM_PlainPingPong)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  // The stream's throughput is to be at least 0.8 of the plain loop's: a time ratio of 1.25.
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_TCPSocketEcho256MB/iterations:3/real_time",
                                  "BM_PlainEcho256MB/iterations:3/real_time", 1.25},
                                 {"BM_TCPSocketPingPong/iterations:3/real_time",
                                  "BM_PlainPingPong/iterations:3/real_time", 0}});
}
