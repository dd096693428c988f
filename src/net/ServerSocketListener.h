// ServerSocketListener: the listening stream socket of a ServerSocket and its pool. The
// application supplies TCPSocket objects in advance through the server's AddSocket event; the
// listener keeps at least MinimumSocketsAvailable of them waiting and hands each accepted
// connection to one of them, while fewer than MaximumSocketsConnected connections are out.
//
// Promises:
//   - A pass accepts while a waiting socket and budget remain. With budget but no socket
//     waiting, a connection asks for a refill and stays in the kernel's backlog (SOMAXCONN)
//     until it has run; meanwhile the listener asks poll(2) for nothing, so it never spins.
//     A refill that gives no socket (AddSocket answered nil) closes the connections waiting
//     then, and the next connection asks again: none is ever left hanging. With no budget,
//     connections are accepted and closed at once.
//   - Failures of one pending connection that accept(2) reports (a client that reset, a
//     network error of its own) skip it; only the listener's own failures end in the server's
//     Error, after which the listener is closed.
//   - The pool holds one reference on each waiting object. A handed-off connection holds its
//     object as every connected socket does; it tells the listener once when it ends, which
//     gives its unit of budget back. An object AddSocket returns that is already waiting,
//     active or in use is refused with a report and released.
//   - Closing the listener (StopListening, an error, the server's end) releases the waiting
//     objects and detaches the live connections, which go on on their own.
//   - Refills run as a loop inside the dispatch, never recursively; a handler that runs a
//     nested loop meanwhile does not start a second refill of the same listener. A pass asks
//     AddSocket for at most kAddsPerPass sockets and leaves the rest of a refill to the next
//     passes, so that the loop goes on turning (timers, other sockets) while a large pool fills.
//   - The minimum in force is at most kMaxMinimum sockets and never negative, the maximum never
//     negative, whatever the program asked for; the properties read that back.
#pragma once

#include <cstdint>
#include <vector>

#include "net/TCPSocketPosix.h"

class ServerSocketListener : public TCPSocketPosix {
 public:
  // Sockets AddSocket is asked for beyond the minimum, and at a time in later refills.
  static constexpr int32_t kRefillStep = 10;
  // Connections taken in one pass at most, so that a flood of refused ones cannot hold it.
  static constexpr int32_t kAcceptsPerPass = 1024;
  // The largest minimum of waiting sockets, bounded as the listen backlog is: each waiting
  // socket is an object the program made, and a larger pool would only hold memory.
  static constexpr int32_t kMaxMinimum = 8192;
  // AddSocket events raised in one pass at most.
  static constexpr int32_t kAddsPerPass = 256;

  // The minimum in force for what the program asked.
  static int32_t BoundedMinimum(int32_t requested);

  // A listener for server (a ServerSocket object), with a fresh pool.
  explicit ServerSocketListener(RuntimeObject* server);

  void Listen(int32_t port) override;
  void DispatchEvents() override;
  void Close(bool fromDestructor) override;
  void Reset(bool full) override;
  int16_t WantedEvents() const override;
  void ConnectionEnded(TCPSocket* socket) override;

  // Listening for the pool (the server's IsListening).
  bool IsServing() const { return mServing; }
  // The objects of the connections handed over and not yet ended, in hand-off order.
  std::vector<RuntimeObject*> ActiveObjects() const;
  int32_t WaitingCount() const { return int32_t(mWaiting.size()); }
  // A new MaximumSocketsConnected shows as a refill among the delivered events; the running
  // pool's budget stays.
  void NoteMaximumChanged() { mDelivered |= kPoolRefill; }
  int32_t Budget() const { return mBudget; }

 protected:
  int32_t Backlog() const override;
  bool Accept() override;
  void RaiseOwnerError() override;

 private:
  struct Connection {
    RuntimeObject* object;
    TCPSocket* socket;
  };

  // Runs the fill step: the first asks for minimum + 10 sockets, later ones for 10 at a time
  // until the minimum waits, at most kAddsPerPass of them in this pass. Stops when the handler
  // fails, refuses or stops the listener.
  void Fill();
  // Asks AddSocket for one socket and keeps it waiting; false when the fill must stop.
  bool AddWaitingSocket();
  // Whether object may wait: a TCPSocket not already waiting, active or in use.
  bool MayWait(RuntimeObject* object) const;
  // Gives the accepted descriptor to the last usable waiting socket (closes it when none is).
  void HandOff(int32_t descriptor);
  // Accepts and closes what waits in the backlog; false when the listener must stop this pass.
  bool RefuseWaitingConnections();
  // Lets go of the pool: live connections detached, waiting objects released.
  void ReleasePool();
  // Whether the listener is still the one this pass started with.
  bool StillServing(uint32_t registration) const;

  bool mServing = false;
  bool mFilled = false;
  int32_t mMinimum = 0;
  int32_t mOwed = 0;  // sockets the running refill still asks for
  int32_t mBudget = 0;
  std::vector<RuntimeObject*> mWaiting;  // each holds the reference AddSocket returned
  std::vector<Connection> mActive;
};
