// The active-socket list: every socket that is connecting, connected, listening or bound, in
// registration order, and the snapshots through which walks serve it.
#pragma once

#include <cstdint>

#include "core/SimpleVector.h"
#include "net/SocketCore.h"

void AddActiveSocket(SocketCore* socket);
// Removes the socket (searched from the end; order kept); one not listed is ignored.
void RemoveActiveSocket(SocketCore* socket);
const SimpleVector<SocketCore*>& ActiveSockets();

// The sockets of a walk, each pinned until the snapshot goes, with the registration and the
// poll(2) result each was taken with. A socket closed or registered anew since is skipped.
class SocketSnapshot {
 public:
  SocketSnapshot() = default;
  ~SocketSnapshot();
  SocketSnapshot(const SocketSnapshot&) = delete;
  SocketSnapshot& operator=(const SocketSnapshot&) = delete;

  void Add(SocketCore* socket, int16_t revents = 0);
  int32_t Count() const { return int32_t(mEntries.size()); }
  SocketCore* At(int32_t index) const { return mEntries[index].socket; }
  int16_t& Revents(int32_t index) { return mEntries[index].revents; }
  // The socket at index while it still has the registration the snapshot saw, else nil.
  SocketCore* Current(int32_t index) const;
  // Serves the socket at index with its poll(2) result; false when it was skipped.
  bool Serve(int32_t index);

 private:
  struct Entry {
    SocketCore* socket;
    uint32_t registration;
    int16_t revents;
  };
  SimpleVector<Entry> mEntries;
};
