// A ServerSocket and a UDPSocket beside the plain loops a good engineer would write, against
// the same client thread:
//   - accept rate: 10,000 short connections (connect, one byte, close) to a ServerSocket whose
//     sockets read and close in Connected, beside a poll/accept/recv/close loop;
//   - 100,000 datagrams of 100 bytes into a UDPSocket whose DataAvailable reads each, beside a
//     poll/recvfrom loop. The sender keeps at most 64 datagrams unread, so that the kernel's
//     buffer never drops any.
// The framework side is served by the application's main-loop pass.
// The client runs on a thread of its own, so every side is timed in real time: a rate is what
// both threads together achieve.
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <thread>
#include <vector>

#include "BenchRatio.h"
#include "app/MainLoop.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "net/RuntimeSocketAccessors.h"
#include "net/ServerSocketClass.h"
#include "net/UDPSocketClass.h"

namespace {

constexpr int kConnections = 10000;
constexpr int kDatagrams = 100000;
constexpr int kDatagramSize = 100;
constexpr int kUnreadWindow = 64;

std::atomic<int> gHandled{0};

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// Connects, writes a byte and closes, kConnections times. Each run listens on a port of its
// own, so the connections that linger in TIME_WAIT never take the next run's ports.
void ShortConnections(int port) {
  const sockaddr_in address = Loopback(port);
  for (int i = 0; i < kConnections; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
      std::abort();
    }
    if (write(fd, "!", 1) != 1) std::abort();
    close(fd);
  }
}

// Sends kDatagrams datagrams, never more than kUnreadWindow ahead of the reader.
void Datagrams(int port) {
  const sockaddr_in address = Loopback(port);
  const int fd = socket(AF_INET, SOCK_DGRAM, 0);
  const std::vector<char> payload(kDatagramSize, 'd');
  for (int sent = 0; sent < kDatagrams; ++sent) {
    while (sent - gHandled.load(std::memory_order_acquire) >= kUnreadWindow) {
      std::this_thread::yield();
    }
    if (sendto(fd, payload.data(), payload.size(), 0, reinterpret_cast<const sockaddr*>(&address),
               sizeof address) != kDatagramSize) {
      std::abort();
    }
  }
  close(fd);
}

// ---- The framework's side -------------------------------------------------------------------

RuntimeClass* Subclass(ObjectDefinition* parent, const char* name, const char* event,
                       void* handler) {
  RuntimeClass* base = RuntimeClassForDefinition(parent);
  RuntimeClass* cls = RuntimeNewClass(base, base->methodCount, base->interfaceCount,
                                      base->eventCount, base->namedMethodCount,
                                      base->propertyCount);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = base->instanceSize;
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(string(event)) == 0) {
      cls->eventTable[i].vector = handler;
    }
  }
  return cls;
}

extern "C" void ReadAndClose(RuntimeObject* self) {
  stringStorage::RemoveReference(SocketReadAll(self, nullptr));
  socketClose(self);
  gHandled.fetch_add(1, std::memory_order_release);
}

RuntimeClass* ClosingSocketClass() {
  static RuntimeClass* cls = Subclass(TCPSocketClassDefinition(), "ClosingSocket", "Connected",
                                      reinterpret_cast<void*>(&ReadAndClose));
  return cls;
}

extern "C" RuntimeObject* NewClosingSocket(RuntimeObject*) {
  return RuntimeNewObject(ClosingSocketClass());
}

extern "C" void ReadDatagram(RuntimeObject* self) {
  RuntimeUnlockObject(UDPReadDatagram(self, nullptr));
  gHandled.fetch_add(1, std::memory_order_release);
}

void BM_ServerSocketAccepts(benchmark::State& state) {
  RuntimeClass* server = Subclass(ServerSocketClassDefinition(), "BenchServer", "AddSocket",
                                  reinterpret_cast<void*>(&NewClosingSocket));
  for (auto _ : state) {
    RuntimeObject* listener = RuntimeNewObject(server);
    ServerSocketSetMinSockets(listener, 0, 10);
    ServerSocketSetMaxSockets(listener, 0, 100);
    ServerSocketListen(listener);
    gHandled = 0;
    std::thread client(ShortConnections, ServerSocketPortGetter(listener, 0));
    while (gHandled < kConnections) MainLoopDoEvents(true);
    client.join();
    RuntimeUnlockObject(listener);
  }
  state.SetItemsProcessed(state.iterations() * kConnections);
}
BENCHMARK(BM_ServerSocketAccepts)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_UDPSocketDatagrams(benchmark::State& state) {
  RuntimeClass* cls = Subclass(UDPSocketClassDefinition(), "BenchUDPSocket", "DataAvailable",
                               reinterpret_cast<void*>(&ReadDatagram));
  for (auto _ : state) {
    RuntimeObject* udp = RuntimeNewObject(cls);
    SocketConnect(udp);
    gHandled = 0;
    std::thread sender(Datagrams, SocketPortGetter(udp, 0));
    while (gHandled < kDatagrams) MainLoopDoEvents(true);
    sender.join();
    RuntimeUnlockObject(udp);
  }
  state.SetItemsProcessed(state.iterations() * kDatagrams);
}
BENCHMARK(BM_UDPSocketDatagrams)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

// ---- The plain loops ------------------------------------------------------------------------

// A bound socket of the type on an ephemeral loopback port, non-blocking, and the port.
int BoundSocket(int type, int* port) {
  const int fd = socket(AF_INET, type | SOCK_NONBLOCK, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  *port = ntohs(address.sin_port);
  return fd;
}

void BM_PlainAccepts(benchmark::State& state) {
  for (auto _ : state) {
    int port = 0;
    const int listener = BoundSocket(SOCK_STREAM, &port);
    listen(listener, SOMAXCONN);
    std::thread client(ShortConnections, port);
    char byte;
    for (int handled = 0; handled < kConnections;) {
      pollfd entry{listener, POLLIN, 0};
      poll(&entry, 1, -1);
      for (int fd; (fd = accept4(listener, nullptr, nullptr, SOCK_NONBLOCK)) >= 0; ++handled) {
        recv(fd, &byte, 1, 0);
        close(fd);
      }
    }
    client.join();
    close(listener);
  }
  state.SetItemsProcessed(state.iterations() * kConnections);
}
BENCHMARK(BM_PlainAccepts)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

void BM_PlainDatagrams(benchmark::State& state) {
  std::vector<char> buffer(65536);
  for (auto _ : state) {
    int port = 0;
    const int fd = BoundSocket(SOCK_DGRAM, &port);
    gHandled = 0;
    std::thread sender(Datagrams, port);
    while (gHandled < kDatagrams) {
      pollfd entry{fd, POLLIN, 0};
      poll(&entry, 1, -1);
      while (recvfrom(fd, buffer.data(), buffer.size(), 0, nullptr, nullptr) >= 0) {
        gHandled.fetch_add(1, std::memory_order_release);
      }
    }
    sender.join();
    close(fd);
  }
  state.SetItemsProcessed(state.iterations() * kDatagrams);
}
BENCHMARK(BM_PlainDatagrams)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  RunStartupSteps(kStartupClassesBegin, kStartupClassesEnd);
  // The accept rate is to be at least half the plain loop's: a time ratio of 2.
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_ServerSocketAccepts/iterations:3/real_time",
                                  "BM_PlainAccepts/iterations:3/real_time", 2},
                                 {"BM_UDPSocketDatagrams/iterations:3/real_time",
                                  "BM_PlainDatagrams/iterations:3/real_time", 0}});
}
