#include "net/IPCSocket.h"

IPCSocket::IPCSocket(IPCSocketDelegate* delegate)
    : mSocket(TCPSocket::Create(nullptr, this)), mDelegate(delegate) {}

IPCSocket::~IPCSocket() { SocketCore::Dispose(mSocket); }

void IPCSocket::SetPath(const string& path) {
  mPath = path;
  mSocket->SetLocalPath(path);
}

void IPCSocket::Connect() {
  mSocket->SetLocalPath(mPath);
  mSocket->Connect(string(), 0);
}

void IPCSocket::Listen() {
  mSocket->SetLocalPath(mPath);
  mSocket->Listen(0);
}

void IPCSocket::Close() {
  SocketPin pin(mSocket);
  mSocket->Close(false);
  mSocket->Reset(true);
}

void IPCSocket::Poll() { mSocket->Poll(); }

void IPCSocket::Connected(TCPSocket*) {
  if (mDelegate) mDelegate->Connected(this);
}

void IPCSocket::DataAvailable(TCPSocket*) {
  if (mDelegate) mDelegate->DataAvailable(this);
}

void IPCSocket::Error(TCPSocket*, int32_t code) {
  if (mDelegate) mDelegate->Error(this, code);
}

bool IPCSocket::CanDeliverNow() const { return !mDelegate || mDelegate->CanDeliverNow(); }
