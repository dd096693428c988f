#include "net/SocketList.h"

#include "net/SocketSource.h"

namespace {

SimpleVector<SocketCore*>& List() {
  static SimpleVector<SocketCore*> list(0);
  return list;
}

}  // namespace

void AddActiveSocket(SocketCore* socket) {
  List().Append(socket);
  AddToSocketSource(socket);
}

void RemoveActiveSocket(SocketCore* socket) {
  if (List().RemoveLast(socket)) RemoveFromSocketSource(socket);
}

const SimpleVector<SocketCore*>& ActiveSockets() { return List(); }

SocketSnapshot::~SocketSnapshot() {
  for (uint32_t i = 0; i < mEntries.size(); ++i) mEntries[int32_t(i)].socket->Unpin();
}

void SocketSnapshot::Add(SocketCore* socket, int16_t revents) {
  socket->Pin();
  mEntries.Append({socket, socket->Registration(), revents});
}

SocketCore* SocketSnapshot::Current(int32_t index) const {
  const Entry& entry = mEntries[index];
  SocketCore* socket = entry.socket;
  if (socket->IsDisposed() || !socket->IsRegistered()) return nullptr;
  return socket->Registration() == entry.registration ? socket : nullptr;
}

bool SocketSnapshot::Serve(int32_t index) {
  SocketCore* socket = Current(index);
  if (!socket) return false;
  socket->Service(mEntries[index].revents);
  return true;
}
