// The socket source: one GLib source on the default main context that holds the descriptor
// of every registered socket with the events the socket can act on now. While the main loop
// (or a nested toolkit loop, a modal dialog's) waits, a socket that becomes ready wakes it and
// the source's dispatch serves the ready sockets; an idle program sleeps in poll(2). A socket
// with nothing to wait for (no interest, or an event it cannot deliver yet) is left out of the
// poll, so a failed or held descriptor never wakes the loop. A socket with an event that it
// can deliver now keeps the loop from blocking until the event is out.
#pragma once

#include "net/SocketCore.h"

void AddToSocketSource(SocketCore* socket);
void RemoveFromSocketSource(SocketCore* socket);
// Times the source's dispatch has run (tests count wake-ups with it).
uint32_t SocketSourceDispatchCount();
