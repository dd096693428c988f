// Polling the active sockets: the main loop's pass, the routines that wait for chosen sockets,
// and the suspension of event delivery while the debugger holds the program.
#pragma once

#include <poll.h>

#include <cstdint>

#include "net/SocketCore.h"

// One poll(2) over the listed sockets (only those without an owner when onlyUnowned), waiting
// up to waitMs for one to be ready, then each is served, last registered first. True when a
// served socket still has data to send or received bytes waiting on its descriptor. With
// nothing to wait for (before SocketsInitialize too) it sleeps waitMs and answers false.
bool SocketsPoll(bool onlyUnowned, int32_t waitMs = 0);
// The main loop's pass polls the sockets through this, the hook a start-up step installs.
void PollSocketsFromMainLoop();
// Queried by the run loop: always 0.
int16_t SocketsPendingCount();

// Raise and lower the suspension count (the new count); delivery to language objects waits
// while it is above 0. Delegates decide for themselves.
int32_t SocketSuspendPolling();
int32_t SocketResumePolling();
bool SocketPollingSuspended();

// Waits in poll(2) up to timeoutMs (-1: no limit) until one of the sockets is ready for what
// it wants, and serves the ready ones. False when none became ready (or none waits for
// anything).
bool WaitForSockets(SocketCore* const* sockets, int32_t count, int32_t timeoutMs);
// One poll(2) through the socket function table, retried on EINTR for what is left of
// timeoutMs; the count of ready descriptors, or -1.
int32_t PollDescriptors(pollfd* fds, uint32_t count, int32_t timeoutMs);
