#include "net/SocketSource.h"

#include <glib.h>

#include "net/SocketList.h"

struct PollRecord {
  GPollFD fd;
};

namespace {

GSource* gSource = nullptr;
uint32_t gDispatchCount = 0;

// Brings every record up to date with its socket; true when some socket has an event it can
// deliver now (the loop must not block then).
gboolean Prepare(GSource*, gint* timeout) {
  *timeout = -1;
  bool deliverable = false;
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    const int16_t wanted = socket->WantedEvents();
    GPollFD& record = socket->pollRecord->fd;
    // A negative descriptor is left out by poll(2): no interest, no wake-up.
    record.fd = wanted ? socket->Descriptor() : -1;
    record.events = gushort(wanted);
    record.revents = 0;
    deliverable = deliverable || socket->HasDeliverableEvents();
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
  socket->pollRecord = new PollRecord{{-1, 0, 0}};
  g_source_add_poll(Source(), &socket->pollRecord->fd);
}

void RemoveFromSocketSource(SocketCore* socket) {
  if (!socket->pollRecord) return;
  g_source_remove_poll(Source(), &socket->pollRecord->fd);
  delete socket->pollRecord;
  socket->pollRecord = nullptr;
}

uint32_t SocketSourceDispatchCount() { return gDispatchCount; }
