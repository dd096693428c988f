// Language threads in a test: Thread objects whose Run handler is a test function, the main
// thread waiting for them at the scheduler's yields, and the exceptions raised on each thread.
//
// A raise returns normally; compiled code leaves the handler at once when its handler region
// takes the exception. Test handlers do that by hand: after a call that may raise, they ask
// Raised() and return.
#pragma once

#include <glib.h>
#include <gtest/gtest.h>
#include <time.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "app/ThreadClass.h"
#include "app/ThreadScheduler.h"
#include "core/EventHandlers.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/ObjectDefinitionConverter.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace qvtest {

inline int64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

// What was raised on each thread record since the recorder was made: "Class", then
// ": message" and " [error number]" when they are set.
class ThreadRaises {
 public:
  ThreadRaises() {
    sRaises = &mRaises;
    SetRaiseExceptionHook([](RuntimeObject* e) {
      const RuntimeExceptionObject* fields = AsException(e);
      std::string text = stringStorage::CString(e->classPtr->className);
      if (stringStorage::Length(fields->message) > 0)
        text += std::string(": ") + stringStorage::CString(fields->message);
      if (fields->errorNumber != 0) text += " [" + std::to_string(fields->errorNumber) + "]";
      (*sRaises)[GetCurrentThreadRecord()].push_back(text);
    });
  }
  ~ThreadRaises() {
    SetRaiseExceptionHook(nullptr);
    sRaises = nullptr;
  }
  // Everything raised on the current thread so far, in order, joined by blanks.
  static std::string OnCurrentThread() {
    std::string joined;
    for (const std::string& name : (*sRaises)[GetCurrentThreadRecord()]) {
      joined += (joined.empty() ? "" : " ") + name;
    }
    return joined;
  }
  // True once anything was raised on the current thread (the handler must return).
  static bool Raised() { return sRaises && !(*sRaises)[GetCurrentThreadRecord()].empty(); }
  // Every raise of every thread, in no particular order of threads.
  std::vector<std::string> All() const {
    std::vector<std::string> all;
    for (const auto& [record, names] : mRaises) all.insert(all.end(), names.begin(), names.end());
    return all;
  }

 private:
  static inline std::map<const RuntimeThreadImp*, std::vector<std::string>>* sRaises = nullptr;
  std::map<const RuntimeThreadImp*, std::vector<std::string>> mRaises;
};

using RunHandler = void (*)(RuntimeObject* thread);

// A new Thread object (one reference, the caller's) whose Run event calls run.
inline RuntimeObject* NewThread(RunHandler run, int32_t priority = 5) {
  RuntimeInitExternalClasses();
  RuntimeObject* thread = NewObjectFromDefinition(ThreadClassDefinition());
  RuntimeInstallInstanceEventHandler(thread, string("Run").Storage(),
                                     reinterpret_cast<void*>(run));
  ThreadSetPriority(thread, 0, priority);
  return thread;
}

inline RuntimeThreadImp* RecordOf(RuntimeObject* thread) {
  return reinterpret_cast<ThreadObject*>(thread)->imp;
}

// The main thread sleeps at the scheduler (so that the others run) until done() holds or
// timeoutMs (stretched by the slow-run factor) passes; false then.
template <typename Condition>
bool MainWaitsUntil(Condition done, int timeoutMs = 10000) {
  const int64_t deadline = NowMs() + TimeLimit(timeoutMs);
  while (!done()) {
    if (NowMs() > deadline) return false;
    SleepThreadRecord(MainThreadRecord(), 2, false);
  }
  return true;
}

// Runs thread until it waits, sleeps or ends.
inline void RunUntilItStops(RuntimeObject* thread) {
  threadRun(thread);
  MainWaitsUntil([thread] { return ThreadGetState(thread, 0) != 0; });
}

// The main thread runs passes of the main loop, as a running program does (the other threads
// get their turns at each, the toolkit its events), until done() holds or timeoutMs (stretched
// by the slow-run factor) passes.
template <typename Condition>
bool MainRunsPassesUntil(Condition done, int timeoutMs = 30000) {
  const int64_t deadline = NowMs() + TimeLimit(timeoutMs);
  while (!done()) {
    if (NowMs() > deadline) return false;
    MainLoopDoEvents(false);
  }
  return true;
}

// Ends the process with a message unless the scope is left within seconds (stretched by the
// slow-run factor): for a call that never returns when the fault under test is back (no pass
// of the loop runs to end the wait). The default leaves room for a loaded sanitizer build and
// stays well inside CTest's timeout.
class HangWatchdog {
 public:
  explicit HangWatchdog(std::string what, int seconds = 90)
      : mThread([this, what = std::move(what), seconds = TimeLimit(seconds)] {
          std::unique_lock<std::mutex> lock(mMutex);
          if (mCondition.wait_for(lock, std::chrono::seconds(seconds), [this] { return mDone; }))
            return;
          std::fprintf(stderr, "%s did not return within %d s\n", what.c_str(), seconds);
          std::abort();
        }) {}
  ~HangWatchdog() {
    {
      std::lock_guard<std::mutex> lock(mMutex);
      mDone = true;
    }
    mCondition.notify_one();
    mThread.join();
  }
  HangWatchdog(const HangWatchdog&) = delete;
  HangWatchdog& operator=(const HangWatchdog&) = delete;

 private:
  std::mutex mMutex;
  std::condition_variable mCondition;
  bool mDone = false;
  std::thread mThread;  // last: it starts once the rest is made
};

// As a Timer's Action that quits: once when() holds (looked at every 50 ms by the main
// context, so also inside a modal loop), the quit flag is set. Nothing more after the scope.
class QuitOnceWhen {
 public:
  explicit QuitOnceWhen(std::function<bool()> when) : mWhen(std::move(when)) {
    mSource = g_timeout_add(50, &Check, this);
  }
  ~QuitOnceWhen() {
    if (mSource) g_source_remove(mSource);
  }
  QuitOnceWhen(const QuitOnceWhen&) = delete;
  QuitOnceWhen& operator=(const QuitOnceWhen&) = delete;

 private:
  static gboolean Check(gpointer data) {
    auto* self = static_cast<QuitOnceWhen*>(data);
    if (!self->mWhen()) return TRUE;
    MainLoopSetQuit();
    self->mSource = 0;
    return FALSE;
  }
  std::function<bool()> mWhen;
  guint mSource = 0;
};

// Until only the main thread is left.
inline bool MainWaitsForThreads(int timeoutMs = 10000) {
  return MainWaitsUntil([] { return ThreadRecordCount() == 1; }, timeoutMs);
}

// A test of language threads: the classes registered, every raise recorded, exceptions that the
// test's Run handlers leave going nowhere; at its end no thread of the test may be left.
class LanguageThreadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    RuntimeInitExternalClasses();
    SetUnhandledExceptionHook([](RuntimeObject*) {});
  }
  void TearDown() override {
    EXPECT_TRUE(MainWaitsForThreads()) << "a thread of the test is still running";
    SetUnhandledExceptionHook(nullptr);
  }
  ThreadRaises mRaises;
};

}  // namespace qvtest
