#include "net/SocketSource.h"

#include <glib.h>

#include <algorithm>
#include <vector>

#include "net/SocketList.h"

struct PollRecord {
  GPollFD fd;
  bool attached;  // fd is among the source's polls
};

namespace {

GSource* gSource = nullptr;
uint32_t gDispatchCount = 0;
std::vector<SourceWatch*> gWatches;

GSource* Source();

// GLib keeps its polls sorted by descriptor: a record whose descriptor changes leaves the
// source and joins it again. Records that leave go first, so that a descriptor number a closed
// socket gave up and a new socket took is never listed twice.
void Detach(PollRecord* record) {
  if (!record->attached) return;
  g_source_remove_poll(Source(), &record->fd);
  record->attached = false;
}

// The first half of bringing a record up to date: its events, and its leave when the
// descriptor it polls is no longer the one wanted.
void Refresh(PollRecord* record, int16_t wanted, int32_t descriptor) {
  if (record->fd.fd != (wanted ? descriptor : -1)) Detach(record);
  record->fd.events = gushort(wanted);
  record->fd.revents = 0;
}

// The second half, once every record has left that must: a record that waits for something
// joins the source.
void Attach(PollRecord* record, int32_t descriptor) {
  if (record->attached || !record->fd.events) return;
  record->fd.fd = descriptor;
  g_source_add_poll(Source(), &record->fd);
  record->attached = true;
}

PollRecord* NewRecord() { return new PollRecord{{-1, 0, 0}, false}; }

void DeleteRecord(PollRecord*& record) {
  if (!record) return;
  Detach(record);
  delete record;
  record = nullptr;
}

// Brings every record up to date with its socket or watch; true when some socket has an event
// it can deliver now (the loop must not block then).
gboolean Prepare(GSource*, gint* timeout) {
  *timeout = -1;
  bool deliverable = false;
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    Refresh(socket->pollRecord, socket->WantedEvents(), socket->Descriptor());
    deliverable = deliverable || socket->HasDeliverableEvents();
  }
  for (SourceWatch* watch : gWatches) {
    Refresh(watch->pollRecord, watch->WatchedEvents(), watch->WatchedDescriptor());
  }
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    Attach(socket->pollRecord, socket->Descriptor());
  }
  for (SourceWatch* watch : gWatches) Attach(watch->pollRecord, watch->WatchedDescriptor());
  return deliverable;
}

gboolean Check(GSource*) {
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    if (socket->pollRecord->fd.revents || socket->HasDeliverableEvents()) return TRUE;
  }
  for (SourceWatch* watch : gWatches) {
    if (watch->pollRecord->fd.revents) return TRUE;
  }
  return FALSE;
}

bool Watched(SourceWatch* watch) {
  return std::find(gWatches.begin(), gWatches.end(), watch) != gWatches.end();
}

// Serves the watches that are ready, each held for its call; one removed by an earlier call
// is left alone.
void ServeWatches() {
  std::vector<std::pair<SourceWatch*, int16_t>> ready;
  for (SourceWatch* watch : gWatches) {
    const int16_t revents = int16_t(watch->pollRecord->fd.revents);
    watch->pollRecord->fd.revents = 0;
    if (revents && watch->Hold()) ready.push_back({watch, revents});
  }
  for (const auto& [watch, revents] : ready) {
    if (Watched(watch)) watch->Serve(revents);
  }
  for (const auto& [watch, revents] : ready) watch->Release();
}

// Serves the sockets that are ready, last registered first as the pass does, then the
// watches. A handler may run a nested loop, which dispatches this source again: the source
// may recurse.
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
  ServeWatches();
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
  socket->pollRecord = NewRecord();
  Source();
}

void RemoveFromSocketSource(SocketCore* socket) { DeleteRecord(socket->pollRecord); }

void AddWatchToSocketSource(SourceWatch* watch) {
  if (watch->pollRecord) return;
  watch->pollRecord = NewRecord();
  gWatches.push_back(watch);
  Source();
}

void RemoveWatchFromSocketSource(SourceWatch* watch) {
  if (!watch->pollRecord) return;
  gWatches.erase(std::find(gWatches.begin(), gWatches.end(), watch));
  DeleteRecord(watch->pollRecord);
}

uint32_t SocketSourceDispatchCount() { return gDispatchCount; }
