#include "net/SocketSource.h"

#include <glib.h>

#include "net/SocketList.h"

struct PollRecord {
  GPollFD fd;
  bool attached;  // fd is among the source's polls
};

namespace {

GSource* gSource = nullptr;
uint32_t gDispatchCount = 0;

GSource* Source();

// GLib keeps its polls sorted by descriptor: a record whose descriptor changes leaves the
// source and joins it again. Records that leave go first, so that a descriptor number a closed
// socket gave up and a new socket took is never listed twice.
void Detach(PollRecord* record) {
  if (!record->attached) return;
  g_source_remove_poll(Source(), &record->fd);
  record->attached = false;
}

// Brings every record up to date with its socket; true when some socket has an event it can
// deliver now (the loop must not block then).
gboolean Prepare(GSource*, gint* timeout) {
  *timeout = -1;
  bool deliverable = false;
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    const int16_t wanted = socket->WantedEvents();
    PollRecord* record = socket->pollRecord;
    if (record->fd.fd != (wanted ? socket->Descriptor() : -1)) Detach(record);
    record->fd.events = gushort(wanted);
    record->fd.revents = 0;
    deliverable = deliverable || socket->HasDeliverableEvents();
  }
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    PollRecord* record = socket->pollRecord;
    if (record->attached || !record->fd.events) continue;
    record->fd.fd = socket->Descriptor();
    g_source_add_poll(Source(), &record->fd);
    record->attached = true;
  }
  return deliverable;
}

gboolean Check(GSource*) {
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    if (socket->pollRecord->fd.revents || socket->HasDeliverableEvents()) return TRUE;
  }
  return FALSE;
}

// Serves the sockets that are ready, last registered first as the pass does. A handler may
// run a nested loop, which dispatches this source again: the source may recurse.
gboolean Dispatch(GSource*, GSourceFunc, gpointer) {
  ++gDispatchCount;
  SocketSnapshot ready;
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = sockets.size(); i-- > 0;) {
    SocketCore* socket = sockets[int32_t(i)];
    const int16_t revents = int16_t(socket->pollRecord->fd.revents);
    socket->pollRecord->fd.revents = 0;
    if (revents || socket->HasDeliverableEvents()) ready.Add(socket, revents);
  }
  for (int32_t i = 0; i < ready.Count(); ++i) ready.Serve(i);
  return G_SOURCE_CONTINUE;
}

GSourceFuncs kFuncs = {Prepare, Check, Dispatch, nullptr, nullptr, nullptr};

GSource* Source() {
  if (!gSource) {
    gSource = g_source_new(&kFuncs, sizeof(GSource));
    g_source_set_can_recurse(gSource, TRUE);
    g_source_set_name(gSource, "qv sockets");
    g_source_attach(gSource, nullptr);
  }
  return gSource;
}

}  // namespace

void AddToSocketSource(SocketCore* socket) {
  if (socket->pollRecord) return;
  socket->pollRecord = new PollRecord{{-1, 0, 0}, false};
  Source();
}

void RemoveFromSocketSource(SocketCore* socket) {
  if (!socket->pollRecord) return;
  Detach(socket->pollRecord);
  delete socket->pollRecord;
  socket->pollRecord = nullptr;
}

uint32_t SocketSourceDispatchCount() { return gDispatchCount; }
