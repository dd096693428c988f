// Local-path (Unix-domain) sockets with socat as the peer, in a folder of the test's own: who
// removes the socket file, paths too long or empty, stale files, and the IPCSocket class.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <vector>

#include "NetTestSupport.h"
#include "net/IPCSocketClass.h"
#include "net/SocketCore.h"
#include "net/SocketPolling.h"
#include "net/TCPSocketPosix.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace {

using namespace nettest;

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

bool IsSocketFile(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

SocketHandle LocalSocket(RecordingDelegate* events, const std::string& path) {
  SocketHandle socket = NewSocket(events);
  socket->SetLocalPath(string(path.c_str()));
  return socket;
}

// The peer's file appears at bind, before it listens: a connection made in between is refused,
// so the peer is ready only once a probe connects.
bool Accepts(const std::string& path) {
  const int probe = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
  const bool connected =
      connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
  close(probe);
  return connected;
}

bool WaitForListener(const std::string& path) {
  for (int i = 0; i < qvtest::TimeLimit(500); ++i) {
    if (Accepts(path)) return true;
    usleep(10000);
  }
  return false;
}

// The server's file outlives a client's Close; a listener's Close removes its own file, but
// not a file that has taken its place.
TEST(LocalPath, OnlyTheSocketThatBoundThePathRemovesIt) {
  qvtest::TempFolder folder("qvlocal");
  const std::string path = folder / "server";
  PeerProcess server({"socat", "UNIX-LISTEN:" + path + ",fork", "EXEC:cat"});
  ASSERT_TRUE(WaitForListener(path));
  for (int round = 0; round < 2; ++round) {
    RecordingDelegate events;
    SocketHandle client = LocalSocket(&events, path);
    client->Connect(string(), 0);
    client->Write("ping\n", 5);
    ASSERT_TRUE(RunUntil([&] { return events.received == "ping\n"; }));
    EXPECT_EQ(events.events.front(), "connected");
    EXPECT_EQ(std::string(client->GetRemoteAddress().CString()), path);
    client->Close(false);
    EXPECT_TRUE(IsSocketFile(path)) << "a client's Close keeps the server's file";
  }

  const std::string own = folder / "own";
  RecordingDelegate events;
  SocketHandle listener = LocalSocket(&events, own);
  listener->Listen(0);
  ASSERT_TRUE(IsSocketFile(own));
  listener->Close(false);
  EXPECT_FALSE(Exists(own));

  listener->Listen(0);
  ASSERT_TRUE(IsSocketFile(own));
  ASSERT_EQ(unlink(own.c_str()), 0);
  std::ofstream(own) << "someone else's";
  listener->Close(false);
  EXPECT_TRUE(Exists(own)) << "another file at the path is left alone";
  EXPECT_TRUE(events.events.empty());
}

// No path, or one longer than the address holds, fails before any descriptor; a file left by
// a process that ended uncleanly is AddressInUse, and stays.
TEST(LocalPath, BadPathsFailWithoutADescriptor) {
  qvtest::TempFolder folder("qvlocal");
  const std::string base = folder.path() + "/";
  const std::string longest = base + std::string(107 - base.size(), 'p');
  const std::string tooLong = longest + "q";
  RecordingDelegate events;
  SocketHandle socket = LocalSocket(&events, tooLong);
  socket->Connect(string(), 0);
  EXPECT_EQ(events.events, std::vector<std::string>{"error 36"});
  EXPECT_EQ(socket->GetHandle(), -1);
  events.events.clear();
  socket->SetLocalPath(string());
  socket->Listen(0);
  EXPECT_EQ(events.events, std::vector<std::string>{"error 106"});
  events.events.clear();
  socket->SetLocalPath(string(longest.c_str()));
  socket->Listen(0);
  EXPECT_TRUE(events.events.empty());
  EXPECT_TRUE(IsSocketFile(longest));
  socket->Close(false);

  const std::string stale = base + "stale";
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, stale.c_str());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  close(fd);  // the file stays behind
  socket->SetLocalPath(string(stale.c_str()));
  socket->Listen(0);
  EXPECT_EQ(events.events, std::vector<std::string>{"error 105"});
  EXPECT_TRUE(IsSocketFile(stale));
}

// A listener that never accepts, its backlog filled by other clients: a Connect is refused
// at once (103) and is never taken for connected, then or later.
TEST(LocalPath, AFullBacklogRefusesTheConnection) {
  qvtest::TempFolder folder("qvlocal");
  const std::string path = folder / "busy";
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  const auto sockaddrOf = [&] { return reinterpret_cast<sockaddr*>(&address); };
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_EQ(bind(listener, sockaddrOf(), sizeof address), 0);
  ASSERT_EQ(listen(listener, 0), 0);
  std::vector<int> waiting;
  int refusal = 0;
  for (int i = 0; i < 100 && !refusal; ++i) {
    waiting.push_back(::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0));
    if (connect(waiting.back(), sockaddrOf(), sizeof address) != 0) refusal = errno;
  }
  ASSERT_EQ(refusal, EAGAIN) << "the backlog never filled";

  RecordingDelegate events;
  SocketHandle socket = LocalSocket(&events, path);
  socket->Connect(string(), 0);
  EXPECT_EQ(events.events, std::vector<std::string>{"error 103"});
  RunUntil([] { return false; }, 300);
  EXPECT_EQ(events.events, std::vector<std::string>{"error 103"});
  EXPECT_FALSE(socket->IsConnected());
  for (int fd : waiting) close(fd);
  close(listener);
}

// ---- The IPCSocket class --------------------------------------------------------------------

std::vector<std::string> gIPCEvents;
// The object whose handler of the named event lets go of it (the program's last reference).
RuntimeObject* gReleasedIn = nullptr;
std::string gReleasingEvent;

void SawIPC(RuntimeObject* self, const std::string& event) {
  gIPCEvents.push_back(event);
  if (self != gReleasedIn || event != gReleasingEvent) return;
  gReleasedIn = nullptr;
  RuntimeUnlockObject(self);
  // A compiled handler goes on with Self after that: the event still holds the object.
  EXPECT_GT(self->refCount, 0) << event;
}

extern "C" void OnIPCConnected(RuntimeObject* self) { SawIPC(self, "connected"); }
extern "C" void OnIPCData(RuntimeObject* self) { SawIPC(self, "data"); }
extern "C" void OnIPCError(RuntimeObject* self) {
  SawIPC(self, "error " + std::to_string(IPCSocketLastErrorGetter(self, 0)));
}

RuntimeObject* NewIPCSocketObject() {
  static RuntimeClass* cls = [] {
    return MakeSubclass(IPCSocketClassDefinition(), "RecordingIPCSocket",
                        {{"Connected", reinterpret_cast<void*>(&OnIPCConnected)},
                         {"DataAvailable", reinterpret_cast<void*>(&OnIPCData)},
                         {"Error", reinterpret_cast<void*>(&OnIPCError)}});
  }();
  gIPCEvents.clear();
  return RuntimeNewObject(cls);
}

void SetPath(RuntimeObject* object, const std::string& path) {
  IPCSocketObject* fields = reinterpret_cast<IPCSocketObject*>(object);
  stringStorage::RemoveReference(fields->path);
  fields->path = string(path.c_str()).ExtractStringStorage();
}

// An empty Path raises Error 106 and opens nothing. Two objects talk over a path; while
// delivery is suspended their events wait (the inner sockets work on), and they come after.
TEST(IPCSocketClass, TwoObjectsTalkAndTheirEventsWaitWhileSuspended) {
  const int32_t live = LiveObjectCount();
  RuntimeObject* server = NewIPCSocketObject();
  IPCSocketConnect(server);
  EXPECT_EQ(gIPCEvents, std::vector<std::string>{"error 106"});
  EXPECT_EQ(IPCSocketGetHandle(server, 0), -1);
  EXPECT_TRUE(IPCSocketHadError(server));

  qvtest::TempFolder folder("qvipc");
  const std::string path = folder / "ipc";
  SetPath(server, path);
  IPCSocketListen(server);
  RuntimeObject* client = NewIPCSocketObject();
  SetPath(client, path);
  SocketSuspendPolling();
  IPCSocketConnect(client);
  IPCSocketWrite(client, string("over the path").Storage());
  for (int i = 0; i < 20; ++i) RunPass(5);
  EXPECT_TRUE(gIPCEvents.empty());
  EXPECT_EQ(IPCSocketBytesAvailable(server, 0), 13) << "the bytes arrived all the same";
  EXPECT_FALSE(IPCSocketEOF(server));
  SocketResumePolling();
  ASSERT_TRUE(RunUntil([] { return gIPCEvents.size() >= 3; }));
  EXPECT_EQ(CountOf(gIPCEvents, "connected"), 2);
  EXPECT_EQ(CountOf(gIPCEvents, "data"), 1);
  EXPECT_STREQ(string::Adopt(IPCSocketReadAll(server, nullptr)).CString(), "over the path");

  IPCSocketClose(client);
  ASSERT_TRUE(RunUntil([] { return CountOf(gIPCEvents, "error 102") == 1; }));
  EXPECT_TRUE(IPCSocketEOF(server));
  IPCSocketClose(server);
  EXPECT_FALSE(Exists(path));
  RuntimeUnlockObject(client);
  RuntimeUnlockObject(server);
  EXPECT_EQ(LiveObjectCount(), live);
  EXPECT_EQ(LiveSocketCount(), 0);
}

// A Write on a socket that is not open is refused at once: Error with InvalidStateError, the
// error readable, nothing queued. After a Close the same.
TEST(IPCSocketClass, AWriteWithNoConnectionIsAnError) {
  qvtest::TempFolder folder("qvipc");
  RuntimeObject* socket = NewIPCSocketObject();
  IPCSocketWrite(socket, string("nowhere").Storage());
  EXPECT_EQ(gIPCEvents, std::vector<std::string>{"error 106"});
  EXPECT_TRUE(IPCSocketHadError(socket));
  EXPECT_EQ(IPCSocketBytesLeftToSend(socket, 0), 0);
  SetPath(socket, folder / "closed");
  IPCSocketListen(socket);
  IPCSocketClose(socket);
  gIPCEvents.clear();
  IPCSocketWrite(socket, string("nowhere").Storage());
  EXPECT_EQ(gIPCEvents, std::vector<std::string>{"error 106"});
  EXPECT_EQ(IPCSocketBytesLeftToSend(socket, 0), 0);
  RuntimeUnlockObject(socket);
}

// Each handler lets go of its object, the program's last reference: the object lives until the
// handler has returned, and then goes with its socket (run under the sanitizers too).
TEST(IPCSocketClass, AHandlerMayReleaseItsObject) {
  qvtest::TempFolder folder("qvipc");
  const std::string path = folder / "ipc";
  for (const std::string event : {"connected", "data", "error 102"}) {
    SCOPED_TRACE(event);
    const int32_t live = LiveObjectCount();
    RuntimeObject* server = NewIPCSocketObject();
    SetPath(server, path);
    IPCSocketListen(server);
    RuntimeObject* client = NewIPCSocketObject();
    SetPath(client, path);
    gReleasingEvent = event;
    gReleasedIn = event == "data" ? server : client;
    IPCSocketConnect(client);
    ASSERT_TRUE(RunUntil([] { return CountOf(gIPCEvents, "connected") == 2; }));
    if (event != "connected") IPCSocketWrite(client, string("bytes").Storage());
    if (event == "error 102") IPCSocketClose(server);
    ASSERT_TRUE(RunUntil([] { return gReleasedIn == nullptr; }));
    RuntimeUnlockObject(event == "data" ? client : server);
    EXPECT_TRUE(RunUntil([live] { return LiveObjectCount() == live; }));
    EXPECT_TRUE(RunUntil([] { return LiveSocketCount() == 0; }));
  }
}

// A program whose DataAvailable reads 64 KB at a time, the queue full when it starts: it gets
// every byte of 100 MB that a local peer pushes without pause, then LostConnection.
GChecksum* gPieceHash = nullptr;
int64_t gPieceBytes = 0;
int32_t gMostWaiting = 0;

extern "C" void OnIPCPiece(RuntimeObject* self) {
  if (!gPieceHash) return;
  gMostWaiting = std::max(gMostWaiting, IPCSocketBytesAvailable(self, 0));
  const string text = string::Adopt(IPCSocketRead(self, 65536, nullptr));
  g_checksum_update(gPieceHash, reinterpret_cast<const guchar*>(text.CString()), text.Length());
  gPieceBytes += text.Length();
}

TEST(IPCSocketClass, AReaderOfSmallPiecesGetsEveryByteOfAFastPeer) {
  constexpr int64_t kBytes = 100 * 1048576;
  qvtest::TempFolder folder("qvipc");
  const std::string path = folder / "fast";
  Peer peer = StartLocalPeer(path, {"stream", "0", std::to_string(kBytes)});
  static RuntimeClass* cls = MakeSubclass(IPCSocketClassDefinition(), "PieceReadingIPCSocket",
                                          {{"DataAvailable", reinterpret_cast<void*>(&OnIPCPiece)},
                                           {"Error", reinterpret_cast<void*>(&OnIPCError)}});
  gIPCEvents.clear();
  RuntimeObject* reader = RuntimeNewObject(cls);
  SetPath(reader, path);
  IPCSocketConnect(reader);
  ASSERT_TRUE(RunUntil([&] {
    return IPCSocketBytesAvailable(reader, 0) >= TCPSocketPosix::kReceiveLimit;
  }));
  RunUntil([] { return false; }, 200);
  gPieceBytes = 0;
  gMostWaiting = 0;
  gPieceHash = g_checksum_new(G_CHECKSUM_SHA256);
  OnIPCPiece(reader);
  const bool ended = RunUntil([] { return !gIPCEvents.empty(); }, 120000);
  const std::string hash = g_checksum_get_string(gPieceHash);
  g_checksum_free(gPieceHash);
  gPieceHash = nullptr;
  ASSERT_TRUE(ended) << gPieceBytes << " bytes read";
  EXPECT_EQ(peer.process->Await("sent "), std::to_string(kBytes) + " " + hash);
  EXPECT_EQ(gPieceBytes, kBytes);
  EXPECT_EQ(gMostWaiting, TCPSocketPosix::kReceiveLimit);
  EXPECT_EQ(gIPCEvents, std::vector<std::string>{"error 102"});
  RuntimeUnlockObject(reader);
}

}  // namespace
