// Calls from the framework into compiled code. Event handlers, callbacks, plug-in entries and
// the image's entry are all called through one CompiledCall, which
//
//  - holds a protecting reference on each object the caller will touch after the call, until
//    the CompiledCall goes away: the handler may close the window or drop the last other
//    reference to the control;
//  - records a call barrier at the calling frame while the compiled code runs, so that an
//    exception it does not handle itself never unwinds into the frames above (GTK, a plug-in,
//    an outer compiled call): the exception takes the unhandled path for this call, and the
//    call answers its neutral result;
//  - passes the arguments cdecl, as compiled code expects them: a pointer or an integer of up
//    to 32 bits as one word (a Boolean as a full 0 or 1), a 64-bit integer or a Double as two,
//    a Single as one; and reads the result where compiled code leaves it: a Boolean or a
//    32-bit word in EAX, a 64-bit integer in EDX:EAX, a Double or Single in st(0);
//  - tells the caller afterwards whether the protected objects are still open: alive through
//    a reference other than the call's own and, where the caller named a close state, not
//    closing.
//
//     void* handler = LookupEventHandler(button, &kMouseDownHook);
//     CompiledCall call;
//     call.Protect(window, &kWindowCloseState).Protect(button);
//     const bool handled = call.Invoke<bool>(handler, button, x, y);
//     if (!call.StillOpen()) return true;  // closed or released by the handler: touch nothing
//
// A nil handler is not called and answers the neutral result (the event is not handled).
//
// An object that raises an event of its own does so through RaiseObjectEvent (below), which
// holds the object, and every object argument, for the call.
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/EventHandlers.h"
#include "core/RuntimeObject.h"
#include "core/RuntimeThread.h"

// Told by a class whose objects can close while references to them remain (a window, a
// control): whether one of them is closing or already closed. It reads the language object's
// own fields only, since the closing may have freed the native side.
class ObjectCloseState {
 public:
  virtual bool IsClosing(const RuntimeObject* object) const = 0;

 protected:
  ~ObjectCloseState() = default;
};

// The barrier of one call, pushed on thread's record (the current thread's unless named) for
// its lifetime.
class ScopedCallBarrier {
 public:
  explicit ScopedCallBarrier(const void* callingFrame,
                             RuntimeThreadImp* thread = GetCurrentThreadRecord())
      : mBarrier{reinterpret_cast<uintptr_t>(callingFrame), nullptr, 0}, mThread(thread) {
    mThread->PushBarrier(&mBarrier);
  }
  ~ScopedCallBarrier() { mThread->PopBarrier(&mBarrier); }
  ScopedCallBarrier(const ScopedCallBarrier&) = delete;
  ScopedCallBarrier& operator=(const ScopedCallBarrier&) = delete;

  // Exceptions that took the unhandled path since the barrier was set.
  int32_t UnhandledCount() const { return mBarrier.unhandledCount; }

 private:
  CallBarrier mBarrier;
  RuntimeThreadImp* mThread;
};

namespace compiled_call {

template <typename T>
inline constexpr bool kUnsupported = false;

// How an argument of type T travels: one or two words of the type compiled code reads.
template <typename T>
auto ToWords(T value) {
  if constexpr (std::is_same_v<T, bool>) {
    return uint32_t(value ? 1 : 0);
  } else if constexpr (std::is_pointer_v<T>) {
    return value;
  } else if constexpr (std::is_null_pointer_v<T>) {
    return static_cast<void*>(nullptr);
  } else if constexpr (std::is_enum_v<T>) {
    return ToWords(static_cast<std::underlying_type_t<T>>(value));
  } else if constexpr (std::is_integral_v<T> && sizeof(T) <= 4) {
    if constexpr (std::is_signed_v<T>) return int32_t(value);
    else return uint32_t(value);
  } else if constexpr (std::is_integral_v<T> || std::is_floating_point_v<T>) {
    static_assert(sizeof(T) <= 8, "compiled code takes no wider argument");
    return value;
  } else {
    static_assert(kUnsupported<T>, "compiled code takes words, 64-bit integers and reals");
  }
}

template <typename T>
using Argument = decltype(ToWords(std::declval<T>()));

// What compiled code leaves for a result of type R, and how it is read.
template <typename R>
struct Result {
  static_assert(std::is_void_v<R> || std::is_pointer_v<R> || std::is_arithmetic_v<R>,
                "compiled code returns nothing, a word, a 64-bit integer or a real");
  using Raw = R;
  static R From(Raw raw) { return raw; }
};

template <>
struct Result<void> {
  using Raw = void;
};

// A Boolean is 0 or 1; only its low byte is read, whatever lies above it.
template <>
struct Result<bool> {
  using Raw = uint8_t;
  static bool From(Raw raw) { return raw != 0; }
};

// Calls function (cdecl) with args behind a barrier on thread's record and adds the exceptions
// that took the unhandled path to unhandledCount; the neutral result when there were any.
template <typename R, typename... Args>
[[gnu::always_inline]] inline R CallBehindBarrier(RuntimeThreadImp* thread,
                                                  int32_t& unhandledCount, const void* function,
                                                  Args... args) {
  using Shape = Result<R>;
  using Function = typename Shape::Raw (*)(Argument<Args>...);
  const auto compiled = reinterpret_cast<Function>(const_cast<void*>(function));
  // The frame of whichever function this ends up in: the one that makes the call, whose frame
  // the compiled code's first push links to.
  ScopedCallBarrier barrier(__builtin_frame_address(0), thread);
  if constexpr (std::is_void_v<R>) {
    compiled(ToWords(args)...);
    unhandledCount += barrier.UnhandledCount();
  } else {
    const typename Shape::Raw raw = compiled(ToWords(args)...);
    const int32_t unhandled = barrier.UnhandledCount();
    unhandledCount += unhandled;
    return unhandled == 0 ? Shape::From(raw) : R();
  }
}

}  // namespace compiled_call

class CompiledCall {
 public:
  static constexpr int kMaxProtected = 4;

  CompiledCall() = default;
  ~CompiledCall();  // drops the protecting references, last taken first
  CompiledCall(const CompiledCall&) = delete;
  CompiledCall& operator=(const CompiledCall&) = delete;

  // Holds a reference on object until this call goes away; closeState, when given, says later
  // whether the object is closing. Nil is ignored; a second Protect of the same object only
  // names its close state. An object already being freed, or one too many, is a failed check,
  // and Invoke then calls nothing.
  CompiledCall& Protect(RuntimeObject* object, const ObjectCloseState* closeState = nullptr);
  // Protect of every object among args (the arguments of a handler); the others are passed by.
  template <typename... Args>
  CompiledCall& ProtectObjects(Args... args);

  // Calls function (cdecl) with args behind a barrier. The neutral result (0, false, nil) when
  // function is nil, when Protect failed, or when an exception took the unhandled path.
  template <typename R = void, typename... Args>
  R Invoke(const void* function, Args... args);

  // True when every protected object is still open (see the header comment).
  bool StillOpen() const;
  // The same for one protected object; false for one this call does not protect.
  bool StillOpen(const RuntimeObject* object) const;
  // Exceptions that took the unhandled path during this call's invocations.
  int32_t UnhandledCount() const { return mUnhandledCount; }

 private:
  struct Held {
    RuntimeObject* object;
    const ObjectCloseState* closeState;
  };
  static bool IsOpen(const Held& held);

  // Only the first mHeldCount are set: a call is made for every event and every comparison
  // of a sort through a handler, and clearing the rest would cost a string store each time.
  Held mHeld[kMaxProtected];
  int32_t mHeldCount = 0;
  int32_t mUnhandledCount = 0;
  bool mRefused = false;
};

template <typename R, typename... Args>
R CompiledCall::Invoke(const void* function, Args... args) {
  if (!function || mRefused) return R();
  return compiled_call::CallBehindBarrier<R>(GetCurrentThreadRecord(), mUnhandledCount, function,
                                             args...);
}

// Calls compiled code over and over for a caller that itself holds, for the whole run, every
// object the calls may close or release, and checks after each call what it must (a sort's
// comparisons through a handler): each call behind a barrier of its own, as CompiledCall
// makes it, with no reference taken or dropped per call and the thread's record read once.
// Used on the thread that made it, which is current again whenever a call returns (a handler
// that lets other threads run gets the baton back before it returns).
class HeldCompiledCalls {
 public:
  HeldCompiledCalls() : mThread(GetCurrentThreadRecord()) {}
  HeldCompiledCalls(const HeldCompiledCalls&) = delete;
  HeldCompiledCalls& operator=(const HeldCompiledCalls&) = delete;

  // As CompiledCall::Invoke: the neutral result for a nil function or an unhandled exception.
  template <typename R = void, typename... Args>
  R Invoke(const void* function, Args... args) {
    if (!function) return R();
    return compiled_call::CallBehindBarrier<R>(mThread, mUnhandledCount, function, args...);
  }
  int32_t UnhandledCount() const { return mUnhandledCount; }

 private:
  RuntimeThreadImp* mThread;
  int32_t mUnhandledCount = 0;
};

template <typename... Args>
CompiledCall& CompiledCall::ProtectObjects(Args... args) {
  (
      [this](auto arg) {
        if constexpr (std::is_same_v<decltype(arg), RuntimeObject*>) Protect(arg);
      }(args),
      ...);
  return *this;
}

// Raises owner's event of hook: calls the handler owner's event table holds, owner first and
// then args, holding owner and every object among args until the handler has returned (it may
// drop the program's last reference to any of them). R() without a handler. Whatever the
// handler did, owner may be gone once this returns: the caller touches nothing of it after.
template <typename R = void, typename... Args>
R RaiseObjectEvent(RuntimeObject* owner, const ObjectHook* hook, Args... args) {
  void* handler = LookupEventHandler(owner, hook);
  if (!handler) return R();
  CompiledCall call;
  call.Protect(owner).ProtectObjects(args...);
  return call.Invoke<R>(handler, owner, args...);
}
