// The socket source: one GLib source on the default main context that holds the descriptor
// of every registered socket with the events the socket can act on now. While the main loop
// (or a nested toolkit loop, a modal dialog's) waits, a socket that becomes ready wakes it and
// the source's dispatch serves the ready sockets; an idle program sleeps in poll(2). A socket
// with nothing to wait for (no interest, or an event it cannot deliver yet) is left out of the
// poll, so a failed or held descriptor never wakes the loop. A socket with an event that it
// can deliver now keeps the loop from blocking until the event is out.
//
// Other descriptors join the same source as watches (an open serial port): each says what it
// waits for now and is served with poll(2)'s result, held for the call.
#pragma once

#include "net/SocketCore.h"

class SourceWatch {
 public:
  // The poll(2) events the watch can act on now (0: nothing, the descriptor is left out).
  virtual int16_t WatchedEvents() const = 0;
  virtual int32_t WatchedDescriptor() const = 0;
  // Progress on what poll(2) reported. The source holds the watch (Hold, Release) around the
  // call; a watch removed meanwhile is not served, nor one that cannot be held (its owner is
  // being freed).
  virtual void Serve(int16_t revents) = 0;
  virtual bool Hold() = 0;
  virtual void Release() = 0;

  PollRecord* pollRecord = nullptr;  // owned by the source while the watch is added

 protected:
  ~SourceWatch() = default;
};

void AddToSocketSource(SocketCore* socket);
void RemoveFromSocketSource(SocketCore* socket);
void AddWatchToSocketSource(SourceWatch* watch);
void RemoveWatchFromSocketSource(SourceWatch* watch);
// Times the source's dispatch has run (tests count wake-ups with it).
uint32_t SocketSourceDispatchCount();
