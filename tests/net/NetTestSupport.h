// Helpers of the socket tests: real peers (the Python peer of tests/net/peers, socat), the main
// loop's pass as the application runs it, a recording delegate, and language subclasses made
// the way compiled code makes them.
#pragma once

#include <sys/types.h>

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "core/ObjectDefinition.h"
#include "core/RuntimeClass.h"
#include "net/TCPSocket.h"

namespace nettest {

// A program run beside the test, its standard output read by line. Its standard input is a
// pipe that closes when the object goes; it is then given two seconds to end before it is
// ended.
class PeerProcess {
 public:
  explicit PeerProcess(const std::vector<std::string>& argv);
  ~PeerProcess();
  PeerProcess(const PeerProcess&) = delete;
  PeerProcess& operator=(const PeerProcess&) = delete;

  // The next line without its newline; "" at the end or after timeoutMs.
  std::string ReadLine(int timeoutMs = 60000);
  // Reads lines until one starts with prefix and returns the rest of it ("" when none comes).
  std::string Await(const std::string& prefix, int timeoutMs = 60000);
  // The exit status, waiting up to timeoutMs (-1 when it did not end).
  int Wait(int timeoutMs = 60000);
  pid_t pid() const { return mPid; }

 private:
  pid_t mPid = -1;
  int mOutput = -1;
  int mInput = -1;
  std::string mBuffered;
};

// The Python peer in a mode (see peers/peer.py), with the port it listens on.
struct Peer {
  std::unique_ptr<PeerProcess> process;
  int port = 0;
};
Peer StartPeer(const std::vector<std::string>& modeAndArguments);

// One main-loop pass: one iteration of the default main context, waiting up to maxWaitMs for
// something to happen (0: not at all), then the pass's poll of every socket.
void RunPass(int maxWaitMs);
// Passes until done() answers true or timeoutMs have passed; whether it did.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 60000);

// A port on 127.0.0.1 that nothing listens on.
int FreePort();

// A plain listening socket on 127.0.0.1 that accepts in the test's own thread.
class PlainServer {
 public:
  PlainServer();
  ~PlainServer();
  int port() const { return mPort; }
  // Accepts until count connections are held (waiting up to timeoutMs); the count held.
  int Accept(int count, int timeoutMs = 10000);
  const std::vector<int>& connections() const { return mConnections; }

 private:
  int mListener = -1;
  int mPort = 0;
  std::vector<int> mConnections;
};

// Disposes of a native socket when it goes.
struct DisposeSocket {
  void operator()(SocketCore* socket) const { SocketCore::Dispose(socket); }
};
using SocketHandle = std::unique_ptr<TCPSocket, DisposeSocket>;
inline SocketHandle NewSocket(TCPSocketDelegate* delegate) {
  return SocketHandle(TCPSocket::Create(nullptr, delegate));
}

// SHA-256 of bytes, in lower-case hexadecimal, fed piece by piece.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  void Add(const void* bytes, size_t n);
  std::string Hex();

 private:
  void* mChecksum;
};

// Records a native socket's events as text: "connected", "data", "complete", "error 102",
// "progress".
class RecordingDelegate : public TCPSocketDelegate {
 public:
  void Connected(TCPSocket* socket) override { Note(socket, "connected"); }
  void DataAvailable(TCPSocket* socket) override;
  void SendComplete(TCPSocket* socket) override { Note(socket, "complete"); }
  void Error(TCPSocket* socket, int32_t code) override {
    Note(socket, "error " + std::to_string(code));
  }
  void SendProgress(TCPSocket*, int32_t, int32_t) override { ++progress; }
  bool CanDeliverNow() const override { return deliver; }

  // Events, progress left out; with readOnData, DataAvailable reads everything into received.
  std::vector<std::string> events;
  int progress = 0;
  bool readOnData = true;
  bool deliver = true;
  std::string received;
  // Called after each event is recorded (a test's own action inside the event).
  std::function<void(TCPSocket*, const std::string&)> onEvent;

 protected:
  void Note(TCPSocket* socket, const std::string& event);
};

// How many times an event name occurs.
int CountOf(const std::vector<std::string>& events, const std::string& event);

// A subclass of the class that parent describes, named name, with the given event handlers
// installed in its event table by event name, as compiled code builds one.
RuntimeClass* MakeSubclass(ObjectDefinition* parent, const char* name,
                           const std::vector<std::pair<const char*, void*>>& handlers);

// The socket tests' own class registration: the socket and network classes.
void RegisterSocketClasses();

}  // namespace nettest
