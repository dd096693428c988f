#include "app/DebuggerConnection.h"

#include <cstring>

#include "app/DebuggerWire.h"

namespace {
DebuggerConnectionFactory gFactory = nullptr;
}  // namespace

void DebuggerConnection::Release(SmartRef<DebuggerConnection>& link) {
  DebuggerConnection* connection = link.get();
  if (connection && connection->mHolds > 0 && !connection->mLastShare) {
    connection->mLastShare = link;
  }
  link.reset();
}

DebuggerConnection::Hold::Hold(DebuggerConnection* connection) : mConnection(connection) {
  ++mConnection->mHolds;
}

// The share kept meanwhile goes last of all: it may free the connection.
DebuggerConnection::Hold::~Hold() {
  if (--mConnection->mHolds > 0 || !mConnection->mLastShare) return;
  SmartRef<DebuggerConnection> last = mConnection->mLastShare;
  mConnection->mLastShare.reset();
}

void DebuggerConnection::AddReceiver(DebuggerConnectionDelegate* receiver) {
  if (receiver) mReceivers.Append(receiver);
}

// Each receiver gets its own copies, so that none sees what another one did to them.
void DebuggerConnection::NotifyMessage(const string& tag, const string& payload) {
  for (uint32_t i = mReceivers.size(); i-- > 0;) {
    const string ownTag = tag;
    const string ownPayload = payload;
    mReceivers[int32_t(i)]->MessageReceived(ownTag, ownPayload);
  }
}

void DebuggerConnection::NotifyConnected() {
  for (uint32_t i = mReceivers.size(); i-- > 0;) mReceivers[int32_t(i)]->Connected();
}

void DebuggerConnection::NotifyDisconnected() {
  for (uint32_t i = mReceivers.size(); i-- > 0;) mReceivers[int32_t(i)]->Disconnected();
}

// Every byte is taken from the socket as soon as it is seen: the start of a line waits here
// for its end, so that no byte is looked at twice however the line arrives. The caller holds
// the connection.
void DebuggerConnection::ReceiveAvailableLines() {
  while (!mClosed) {
    const string waiting = LookaheadBytes();
    const char* at = waiting.CString();
    const char* const end = at + waiting.Length();
    if (at == end) return;
    while (at < end && !mClosed) {
      const auto* lineEnd =
          static_cast<const char*>(std::memchr(at, kWireLineEnd, size_t(end - at)));
      const int32_t length = int32_t((lineEnd ? lineEnd : end) - at);
      ReadBytes(length + (lineEnd ? 1 : 0));
      TakeLineBytes(at, length, lineEnd != nullptr);
      at += length + (lineEnd ? 1 : 0);
    }
  }
}

void DebuggerConnection::TakeLineBytes(const char* bytes, int32_t length, bool lineEnds) {
  if (!mDiscarding && mPartLine.size() + size_t(length) > size_t(kMaxWireLine)) {
    mPartLine.clear();
    mDiscarding = true;
  }
  if (!mDiscarding) mPartLine.append(bytes, size_t(length));
  if (!lineEnds) return;
  if (mDiscarding) {
    mDiscarding = false;
    return;
  }
  const std::string line = std::move(mPartLine);
  mPartLine.clear();
  const WireLine split = SplitWireLine(line.data(), int32_t(line.size()));
  NotifyMessage(split.tag, split.payload);
}

void SetDebuggerConnectionFactory(DebuggerConnectionFactory factory) { gFactory = factory; }

SmartRef<DebuggerConnection> CreateDebuggerConnection(const string& host) {
  return SmartRef<DebuggerConnection>(gFactory ? gFactory(host) : nullptr);
}
