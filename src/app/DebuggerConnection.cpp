#include "app/DebuggerConnection.h"

#include <cstring>

#include "app/DebuggerWire.h"

namespace {
DebuggerConnectionFactory gFactory = nullptr;
}  // namespace

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

void DebuggerConnection::ReceiveAvailableLines() {
  for (;;) {
    const string waiting = LookaheadBytes();
    const char* bytes = waiting.CString();
    const int32_t count = waiting.Length();
    if (count == 0) return;
    const auto* end = static_cast<const char*>(std::memchr(bytes, kWireLineEnd, size_t(count)));
    if (!end) {
      // An overlong line is dropped as it comes, and the rest of it up to its end later.
      if (mDiscarding || count > kMaxWireLine) {
        ReadBytes(count);
        mDiscarding = true;
      }
      return;
    }
    const int32_t length = int32_t(end - bytes);
    ReadBytes(length + 1);
    if (mDiscarding || length > kMaxWireLine) {
      mDiscarding = false;
      continue;
    }
    const WireLine line = SplitWireLine(bytes, length);
    NotifyMessage(line.tag, line.payload);
  }
}

void SetDebuggerConnectionFactory(DebuggerConnectionFactory factory) { gFactory = factory; }

SmartRef<DebuggerConnection> CreateDebuggerConnection(const string& host) {
  return SmartRef<DebuggerConnection>(gFactory ? gFactory(host) : nullptr);
}
