// Helpers of the socket tests: real peers (tests/net/peers/peer.py, socat), a plain listener,
// the main loop's pass, a recording delegate, and subclasses made as compiled code makes them.
#pragma once

#include <sys/resource.h>
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

// A program beside the test. Its standard input closes when the object goes; it then has two
// seconds to end before it is ended.
class PeerProcess {
 public:
  explicit PeerProcess(const std::vector<std::string>& argv);
  ~PeerProcess();
  // Reads output lines until one starts with prefix; the rest of it, or "" after a minute.
  std::string Await(const std::string& prefix);
  // The same without waiting: true, with the rest in *rest, when such a line has come.
  bool Check(const std::string& prefix, std::string* rest);
  // Writes text to the peer's standard input; closes it (the modes that wait for it go on).
  void Write(const std::string& text);
  void CloseInput();

 private:
  bool Ended(int timeoutMs);
  // Takes a buffered line that starts with prefix; false when none has come.
  bool TakeLine(const std::string& prefix, std::string* rest);
  pid_t mPid = -1;
  int mOutput = -1;
  int mInput = -1;
  std::string mBuffered;
  bool mOutputEnded = false;
};

// The Python peer in a mode, and the port it listens on.
struct Peer {
  std::unique_ptr<PeerProcess> process;
  int port = 0;
};
Peer StartPeer(const std::vector<std::string>& modeAndArguments);
// The same peer listening on a local socket at path (port 0).
Peer StartLocalPeer(const std::string& path, const std::vector<std::string>& modeAndArguments);

// A plain listener on 127.0.0.1 that accepts in the test's own thread.
class PlainServer {
 public:
  PlainServer();
  ~PlainServer();
  int port() const { return mPort; }
  // Accepts until count connections are held (ten seconds at most); the count held.
  int Accept(int count);
  const std::vector<int>& connections() const { return mConnections; }

 private:
  int mListener = -1;
  int mPort = 0;
  std::vector<int> mConnections;
};

// Raises this process's descriptor limit to count (as far as the hard limit allows) while it
// lives. Enough() is false, the limit unchanged, when the hard limit is below count.
class DescriptorLimit {
 public:
  explicit DescriptorLimit(int count);
  ~DescriptorLimit();
  DescriptorLimit(const DescriptorLimit&) = delete;
  DescriptorLimit& operator=(const DescriptorLimit&) = delete;
  bool Enough() const { return mRaised; }

 private:
  bool mRaised = false;
  rlimit mSaved{};
};

// A port on 127.0.0.1 that refuses.
int FreePort();

// One pass of the application's main loop, its toolkit iteration waiting up to maxWaitMs for
// something to happen (0: not at all); the pass polls the sockets through the hook.
void RunPass(int maxWaitMs);
// Passes until done() or timeoutMs (stretched by the slow-run factor); whether done.
bool RunUntil(const std::function<bool()>& done, int timeoutMs = 60000);

// Records a native socket's events as "connected", "data", "complete", "error N"; progress is
// counted. With readOnData, DataAvailable reads all into received.
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
  bool Ended() const { return !events.empty() && events.back().rfind("error", 0) == 0; }

  std::vector<std::string> events;
  int progress = 0;
  bool readOnData = true;
  bool deliver = true;
  std::string received;
  std::function<void(TCPSocket*, const std::string&)> onEvent;  // runs inside each event

 protected:
  void Note(TCPSocket* socket, const std::string& event);
};

int CountOf(const std::vector<std::string>& events, const std::string& event);

struct DisposeSocket {
  void operator()(SocketCore* socket) const { SocketCore::Dispose(socket); }
};
using SocketHandle = std::unique_ptr<TCPSocket, DisposeSocket>;
inline SocketHandle NewSocket(TCPSocketDelegate* delegate) {
  return SocketHandle(TCPSocket::Create(nullptr, delegate));
}

// A subclass of parent's class with handlers in its event table by event name. The socket and
// network classes are registered first.
RuntimeClass* MakeSubclass(ObjectDefinition* parent, const char* name,
                           const std::vector<std::pair<const char*, void*>>& handlers);

}  // namespace nettest
