// The debugger link: one stream connection to the IDE that sends and receives the lines of
// DebuggerWire.h and hands each received line, and the link's coming up and going down, to its
// receivers. The sockets under it belong to the class library; the network layer installs the
// factory that makes a connection for a host at start-up, so that this layer names none of
// them.
//
// Receivers are called from the last added to the first. A line is handed on once its carriage
// return has arrived; several lines that arrived together go in arrival order. A line that
// passes kMaxWireLine bytes without its carriage return is dropped up to and including it, so
// that a peer cannot make the program hold unbounded input.
//
// A receiver may close the link or let go of it from inside what it is handed (a command that
// ends the session): no further line is handed on after a Close, and a connection released
// while it is handing something on lives until that hand-over has returned.
#pragma once

#include <cstdint>
#include <string>

#include "core/SimpleVector.h"
#include "core/SmartRef.h"
#include "strings/RuntimeString.h"

class DebuggerConnectionDelegate {
 public:
  virtual void MessageReceived(const string& tag, const string& payload) = 0;
  virtual void Connected() = 0;
  virtual void Disconnected() = 0;

 protected:
  ~DebuggerConnectionDelegate() = default;
};

class DebuggerConnection {
 public:
  static constexpr int32_t kMaxWireLine = 16 * 1024 * 1024;

  DebuggerConnection() = default;
  virtual ~DebuggerConnection() = default;  // the receivers are not the connection's
  DebuggerConnection(const DebuggerConnection&) = delete;
  DebuggerConnection& operator=(const DebuggerConnection&) = delete;

  // Sends message as a bare line: message becomes UTF-8 with the carriage return appended.
  virtual void TerminateMessage(string& message) = 0;
  // Sends tag, a blank, payload and the carriage return.
  virtual void Send(const string& tag, const string& payload) = 0;
  virtual void Listen() = 0;
  virtual void Close() = 0;
  virtual void Connect() = 0;

  // Lets go of link's share of its connection; link becomes nil. A connection that is handing
  // something to its receivers meanwhile is freed once that has returned.
  static void Release(SmartRef<DebuggerConnection>& link);

  // Appends receiver (nil is ignored).
  void AddReceiver(DebuggerConnectionDelegate* receiver);
  void NotifyMessage(const string& tag, const string& payload);
  void NotifyConnected();
  void NotifyDisconnected();

 protected:
  // Held for as long as the connection hands something to its receivers (a received line, the
  // link's coming up or going down): the connection outlives the hold.
  class Hold {
   public:
    explicit Hold(DebuggerConnection* connection);
    ~Hold();
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

   private:
    DebuggerConnection* mConnection;
  };

  // Called by Close: the receive loop hands on no further line.
  void StopReceiving() { mClosed = true; }
  // The socket's received bytes: all of them left in place, or up to count of them taken.
  virtual string LookaheadBytes() = 0;
  virtual string ReadBytes(int32_t count) = 0;
  // The receive loop, run when the socket reports data: every complete line to the receivers.
  void ReceiveAvailableLines();

 private:
  // A run of a line's bytes, and whether the line ends after it.
  void TakeLineBytes(const char* bytes, int32_t length, bool lineEnds);

  SimpleVector<DebuggerConnectionDelegate*> mReceivers;
  std::string mPartLine;     // the start of a line whose end has not come yet
  bool mDiscarding = false;  // inside an overlong line, until its carriage return
  bool mClosed = false;
  int32_t mHolds = 0;
  SmartRef<DebuggerConnection> mLastShare;  // a share let go of while held, kept until unheld
};

// Makes the connection for a host ("127.0.0.1": the local socket, else TCP to that host).
using DebuggerConnectionFactory = DebuggerConnection* (*)(const string& host);
void SetDebuggerConnectionFactory(DebuggerConnectionFactory factory);
// The connection for host, shared through the handle; nil when no factory is installed.
SmartRef<DebuggerConnection> CreateDebuggerConnection(const string& host);
