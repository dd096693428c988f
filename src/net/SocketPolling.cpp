#include "net/SocketPolling.h"

#include <poll.h>

#include <cerrno>
#include <chrono>

#include "app/ClassLibraryHooks.h"
#include "core/Startup.h"
#include "net/SerialClass.h"
#include "net/SocketFunctions.h"
#include "net/SocketList.h"

namespace {

int32_t gSuspension = 0;

// A poll(2) entry for each snapshot socket that waits for something; -1 for the rest.
SimpleVector<pollfd> PollEntries(SocketSnapshot& snapshot) {
  SimpleVector<pollfd> fds(0);
  for (int32_t i = 0; i < snapshot.Count(); ++i) {
    SocketCore* socket = snapshot.At(i);
    const int16_t wanted = socket->WantedEvents();
    fds.Append({wanted ? socket->Descriptor() : -1, wanted, 0});
  }
  return fds;
}

// Polls the snapshot's descriptors and notes each one's result: 1 when one is ready, 0 when
// none became ready, -1 when none waits for anything.
int32_t PollSnapshot(SocketSnapshot& snapshot, int32_t timeoutMs) {
  SimpleVector<pollfd> fds = PollEntries(snapshot);
  bool any = false;
  for (uint32_t i = 0; i < fds.size(); ++i) any = any || fds[int32_t(i)].fd >= 0;
  if (!any) return -1;
  if (PollDescriptors(fds.data(), fds.size(), timeoutMs) <= 0) return 0;
  for (int32_t i = 0; i < snapshot.Count(); ++i) snapshot.Revents(i) = fds[i].revents;
  return 1;
}

// A wait with nothing to wait for still takes its time, so that a caller's loop never spins.
bool SleepFor(int32_t waitMs) {
  if (waitMs > 0) PollDescriptors(nullptr, 0, waitMs);
  return false;
}

}  // namespace

int32_t PollDescriptors(pollfd* fds, uint32_t count, int32_t timeoutMs) {
  const SocketFunctionTable& table = SocketFunctions();
  if (!table.poll) return -1;
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const int32_t ready = table.poll(fds, count, timeoutMs);
    if (ready >= 0 || errno != EINTR) return ready;
    if (timeoutMs > 0) {
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                             Clock::now());
      timeoutMs = left.count() > 0 ? int32_t(left.count()) : 0;
    }
  }
}

bool SocketsPoll(bool onlyUnowned, int32_t waitMs) {
  if (!SocketsInitialized()) return SleepFor(waitMs);
  SocketSnapshot snapshot;
  const SimpleVector<SocketCore*>& sockets = ActiveSockets();
  for (uint32_t i = 0; i < sockets.size(); ++i) {
    SocketCore* socket = sockets[int32_t(i)];
    if (!onlyUnowned || !socket->Owner()) snapshot.Add(socket);
  }
  if (snapshot.Count() == 0) return SleepFor(waitMs);
  if (PollSnapshot(snapshot, waitMs) < 0) SleepFor(waitMs);
  bool busy = false;
  for (int32_t i = snapshot.Count(); i-- > 0;) {
    if (!snapshot.Serve(i)) continue;
    SocketCore* socket = snapshot.Current(i);
    if (!socket) continue;
    // Only a descriptor that was readable can still hold bytes: the others are not asked.
    busy = busy || socket->HasDataToSend() ||
           ((snapshot.Revents(i) & POLLIN) && socket->BytesOnDescriptor());
  }
  return busy;
}

void PollSocketsFromMainLoop() { SocketsPoll(false); }

namespace {
void InstallNetworkPollHooks() {
  SetNetworkPollHooks({
      .pollSerialPorts = SerialPollAll,
      .pollSockets = PollSocketsFromMainLoop,
      .pollUnownedSockets = [](int32_t waitMs) { SocketsPoll(true, waitMs); },
      .suspendSerialPolling = [] { SerialSuspendPolling(); },
      .resumeSerialPolling = [] { SerialResumePolling(); },
      .suspendSocketPolling = [] { SocketSuspendPolling(); },
      .resumeSocketPolling = [] { SocketResumePolling(); },
  });
}
}  // namespace
QV_STARTUP(kStartupNetworkPollHooks, InstallNetworkPollHooks)

int16_t SocketsPendingCount() { return 0; }

int32_t SocketSuspendPolling() { return ++gSuspension; }
int32_t SocketResumePolling() { return --gSuspension; }
bool SocketPollingSuspended() { return gSuspension > 0; }

bool WaitForSockets(SocketCore* const* sockets, int32_t count, int32_t timeoutMs) {
  SocketSnapshot snapshot;
  for (int32_t i = 0; i < count; ++i) {
    if (sockets[i] && sockets[i]->IsRegistered()) snapshot.Add(sockets[i]);
  }
  if (PollSnapshot(snapshot, timeoutMs) <= 0) return false;
  for (int32_t i = 0; i < snapshot.Count(); ++i) {
    if (snapshot.Revents(i)) snapshot.Serve(i);
  }
  return true;
}
