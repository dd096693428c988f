// SocketCore: what every socket of the framework shares. A socket is made for a language
// object (its owner) or for the framework's own use (no owner), is inert until Connect, Listen
// or Bind registers it in the active-socket list, and then makes progress only when it is
// polled: by the main loop's pass (SocketsPoll), by the socket source on the main context while
// the loop waits (also inside nested toolkit loops), by the polling task, or by a routine that
// waits for it. Nothing blocks and no socket has a thread.
//
// Events are kept pending until they can be delivered: to a native delegate, or to the owner's
// event handlers while delivery to language objects is not suspended. An event whose handler
// is running is not raised again until the handler returns; it stays pending, while the
// socket's input and output go on.
//
// Lifetime: a socket is never deleted while a walk or a dispatch is using it. Dispose closes it
// at once and frees it when the last pin goes, so a handler may release its object, close its
// socket or destroy another socket at any point.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

struct PollRecord;  // the socket's place in the main-context source (SocketSource.cpp)

class SocketCore {
 public:
  // Event bits: of the delivered-event set (socketGetEvents) and of the pending set.
  enum Event : uint32_t {
    kConnected = 1,
    kError = 2,
    kDataAvailable = 4,
    kSendComplete = 8,
    kPoolRefill = 16,
    kSendProgress = 32,
  };

  explicit SocketCore(RuntimeObject* owner);
  SocketCore(const SocketCore&) = delete;
  SocketCore& operator=(const SocketCore&) = delete;

  // Closes the socket now without touching its owner (whose finalizer calls this), and frees it
  // once nothing pins it. Nil is ignored; a second call does nothing.
  static void Dispose(SocketCore* socket);

  // Registers the socket and keeps the port; stream sockets override it to listen.
  virtual void Listen(int32_t port);
  // One step now: asks the descriptor what it is ready for (without waiting), then Service.
  virtual void Poll();
  // Delivers what is pending; the base closes a socket whose Error has been delivered.
  virtual void DispatchEvents();
  virtual bool HasDataToSend() const { return false; }
  // True when the descriptor holds received bytes not yet taken.
  virtual bool BytesOnDescriptor() { return false; }
  // Drops received data.
  virtual void Purge() {}
  virtual void ClearLastData() {}
  virtual int32_t GetLocalPort() { return -1; }
  virtual int32_t GetHandle() const { return 0; }
  // Unregisters; unless fromDestructor, lets go of the owner's reference the socket held.
  virtual void Close(bool fromDestructor);
  // Back to the state of a new socket; a full reset also drops a pending DataAvailable.
  virtual void Reset(bool full);

  // Readiness. The poll(2) events the socket can act on now (0 while it has nothing to wait
  // for, so that its descriptor never wakes the loop), and its descriptor (-1 for none).
  virtual int16_t WantedEvents() const { return 0; }
  virtual int32_t Descriptor() const { return -1; }
  // Progress on what poll(2) reported for the descriptor, then DispatchEvents.
  virtual void Service(int16_t revents);

  // Delivers a failed call's error number: 0 does nothing and answers false; otherwise the
  // socket's code for it becomes the last error (also the owner's LastErrorCode), Error is made
  // pending and the events are dispatched at once. True then.
  bool HandleError(int32_t systemError);
  // The same for a socket code (SocketErrors.h), kept as it is: the codes 100 to 108 are also
  // error numbers (ENETDOWN to ESHUTDOWN), which must not be taken for them.
  bool ReportError(int32_t socketCode);

  // True when some pending event can be delivered now.
  bool HasDeliverableEvents() const;
  bool HasPendingEvents() const { return mPending != 0; }
  // The delivered-event set since the last call, cleared.
  uint32_t TakeDeliveredEvents();

  RuntimeObject* Owner() const { return mOwner; }
  bool IsConnected() const { return mConnected; }
  int32_t LastError() const { return mLastError; }
  int32_t Port() const { return mPort; }
  bool IsRegistered() const { return mRegistered; }
  bool IsDisposed() const { return mDisposed; }
  // Changes with every registration: a walk that took a snapshot serves only the registration
  // it saw.
  uint32_t Registration() const { return mRegistration; }

  void Pin() { ++mPins; }
  void Unpin();

  PollRecord* pollRecord = nullptr;  // owned by the socket source while registered

 protected:
  virtual ~SocketCore();

  // The socket code of an operating-system error number (each kind maps its own).
  virtual int32_t ErrorCode(int32_t error) const { return error; }

  // Appends the socket to the active-socket list (once), locking a TCPSocket owner, or with
  // lockAnyOwner any owner; keeps the port.
  void Register(int32_t port, bool lockAnyOwner);
  // Starts Connect, Listen and Bind alike: the previous descriptor and registration go, the
  // socket is reset and registered. False (after the error) when the socket functions are
  // missing.
  bool Begin(int32_t port, bool lockAnyOwner);
  // Whether the socket may deliver event now: someone to deliver to, not held, and not the
  // event whose handler is running.
  bool CanDeliver(uint32_t event) const;
  // Whether events can reach whoever receives them now: the owner, unless delivery to
  // language objects is suspended. Delegates answer for themselves.
  virtual bool ReceiverReady() const;
  // Takes a pending event for delivery: clears it, marks it delivered and as running. False
  // when it is not pending or cannot be delivered now.
  bool TakeEvent(uint32_t event);
  // After the event's handler: no longer running. False when the socket was disposed meanwhile.
  bool EventDone(uint32_t event);
  // After a DataAvailable handler, given what waited unread before it and what waits now: a
  // handler that took part of it is called again in a later pass, since nothing else may
  // announce the rest (the queue full, the peer done). One that took nothing is not, so that a
  // program reading on its own schedule does not keep the loop busy.
  void RaiseAgainWhileRead(int64_t waitingBefore, int64_t waitingNow);

  RuntimeObject* mOwner;
  int32_t mBytesSent = 0;
  int32_t mPort = 0;
  uint32_t mPending = 0;    // events waiting to be delivered
  uint32_t mDelivered = 0;  // events delivered since the last TakeDeliveredEvents
  uint32_t mRunning = 0;    // events whose handler runs now
  int32_t mLastError = 0;
  bool mConnected = false;
  bool mOwnerLocked = false;

 private:
  bool mRegistered = false;
  bool mDisposed = false;
  int32_t mPins = 0;
  uint32_t mRegistration = 0;
};

// Holds a socket for a scope: it is not freed before the pin goes.
class SocketPin {
 public:
  explicit SocketPin(SocketCore* socket) : mSocket(socket) {
    if (mSocket) mSocket->Pin();
  }
  ~SocketPin() {
    if (mSocket) mSocket->Unpin();
  }
  SocketPin(const SocketPin&) = delete;
  SocketPin& operator=(const SocketPin&) = delete;

 private:
  SocketCore* mSocket;
};

// Holds a reference on a language object for a scope (nil allowed).
class ObjectHold {
 public:
  explicit ObjectHold(RuntimeObject* object) : mObject(object) { RuntimeLockObject(mObject); }
  ~ObjectHold() { RuntimeUnlockObject(mObject); }
  ObjectHold(const ObjectHold&) = delete;
  ObjectHold& operator=(const ObjectHold&) = delete;

 private:
  RuntimeObject* mObject;
};

// Constructed sockets not yet freed.
int32_t LiveSocketCount();
