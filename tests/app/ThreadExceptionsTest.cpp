// Exceptions on language threads: what a Run handler leaves unhandled stops at its own call's
// barrier and reaches the Application's UnhandledException on that thread, then the report; a
// killed thread ends quietly; Quit on a thread kills the others and raises one EndException.
#include <string>

#include "ThreadTestSupport.h"
#include "app/ApplicationClass.h"
#include "app/ApplicationQuit.h"
#include "app/ClassLibraryHooks.h"
#include "app/MainLoop.h"
#include "core/CompiledCall.h"
#include "core/RaiseException.h"

namespace {

using qvtest::MainWaitsForThreads;
using qvtest::ThreadRaises;

std::string gEvents, gReports;
RuntimeObject* gExpectedThread = nullptr;

void CaptureReport(const string& message, const string& explanation) {
  gReports += std::string(message.CString()) + "|" + explanation.CString() + "\n";
}

int32_t OnUnhandledException(RuntimeObject*, RuntimeObject* exception) {
  RuntimeObject* current = QUORGetCurrentThread(nullptr);
  gEvents += std::string("UnhandledException:") +
             stringStorage::CString(exception->classPtr->className) +
             (current && current == gExpectedThread ? " on its thread " : " elsewhere ");
  RuntimeUnlockObject(current);
  return 0;
}

class ThreadExceptions : public qvtest::LanguageThreadTest {
 protected:
  void SetUp() override {
    LanguageThreadTest::SetUp();
    gEvents.clear();
    gReports.clear();
    ClearQuitRequestForTesting();
    SetUnhandledExceptionHook(UnhandledExceptionHook);
    mPreviousDialog = SetExceptionReportDialog(CaptureReport);
    mApp = NewObjectFromDefinition(ApplicationClassDefinition());
    RuntimeInstallInstanceEventHandler(mApp, string("UnhandledException").Storage(),
                                       reinterpret_cast<void*>(&OnUnhandledException));
    SetApplicationObject(mApp);
  }
  void TearDown() override {
    LanguageThreadTest::TearDown();
    ReleaseApplicationObject();
    RuntimeUnlockObject(mApp);
    SetExceptionReportDialog(mPreviousDialog);
    ClearQuitRequestForTesting();
  }
  // Runs the thread to its end; true when it ended cleanly (not running, only the test's
  // reference left).
  bool RunToItsEnd(RuntimeObject* thread) {
    gExpectedThread = thread;
    threadRun(thread);
    return MainWaitsForThreads() && ThreadGetState(thread, 0) == 4 && thread->refCount == 1;
  }
  RuntimeObject* mApp = nullptr;
  ExceptionReportDialog mPreviousDialog = nullptr;
};

const char kNilReport[] =
    "An exception of class NilObjectException was not handled.  The application must shut "
    "down.|\n";

void RaiseDirectly(RuntimeObject*) {
  RaiseNilObjectException();
  gEvents += "ran on ";
}

TEST_F(ThreadExceptions, ARunHandlerRaisingUnhandledReachesUnhandledExceptionOnItsThread) {
  RuntimeObject* thread = qvtest::NewThread(RaiseDirectly);
  EXPECT_TRUE(RunToItsEnd(thread));
  EXPECT_EQ(gEvents, "UnhandledException:NilObjectException on its thread ran on ");
  EXPECT_EQ(gReports, kNilReport);
  EXPECT_TRUE(MainLoopQuitRequested());
  RuntimeUnlockObject(thread);
}

void InnerRaises(RuntimeObject*) { RaiseNilObjectException(); }

// A framework routine called by the Run handler calls compiled code again, which raises.
void RaiseInANestedCall(RuntimeObject* self) {
  CompiledCall call;
  call.Protect(self);
  call.Invoke(reinterpret_cast<void*>(&InnerRaises), self);
  gEvents += call.UnhandledCount() == 1 ? "inner call unhandled " : "inner call? ";
}

TEST_F(ThreadExceptions, AnExceptionInANestedCallStopsAtThatCallsBarrier) {
  RuntimeObject* thread = qvtest::NewThread(RaiseInANestedCall);
  EXPECT_TRUE(RunToItsEnd(thread));
  EXPECT_EQ(gEvents, "UnhandledException:NilObjectException on its thread inner call unhandled ");
  EXPECT_EQ(gReports, kNilReport);
  RuntimeUnlockObject(thread);
}

void SleepUntilKilled(RuntimeObject* self) {
  ThreadSleep(self, 60000, 0);
  gEvents += ThreadRaises::OnCurrentThread() + " ";
}

TEST_F(ThreadExceptions, AKilledThreadEndsQuietly) {
  RuntimeObject* thread = qvtest::NewThread(SleepUntilKilled);
  gExpectedThread = thread;
  threadRun(thread);
  ThreadKill(thread);
  EXPECT_EQ(ThreadGetState(thread, 0), 4);
  EXPECT_EQ(gEvents, "ThreadEndException ");
  EXPECT_EQ(gReports, "");
  EXPECT_FALSE(MainLoopQuitRequested());
  RuntimeUnlockObject(thread);
}

void QuitHere(RuntimeObject*) {
  QV_ApplicationQuit(0);
  gEvents += ThreadRaises::OnCurrentThread() + " ";
}

// The other thread is killed first; the caller's own Run then ends with one EndException,
// which closes the windows and ends the loop without a report.
TEST_F(ThreadExceptions, QuitOnAThreadKillsTheOthersAndRaisesOneEndException) {
  int windowsClosed = 0;
  static int* closed = &windowsClosed;
  SetWindowSystemHooks({.closeAllWindows = [] { ++*closed; }});
  RuntimeObject* sleeper = qvtest::NewThread(SleepUntilKilled);
  RuntimeObject* quitter = qvtest::NewThread(QuitHere);
  threadRun(sleeper);
  EXPECT_TRUE(RunToItsEnd(quitter));
  EXPECT_EQ(gEvents, "ThreadEndException EndException ");
  EXPECT_EQ(ThreadGetState(sleeper, 0), 4);
  EXPECT_EQ(gReports, "");
  EXPECT_EQ(windowsClosed, 1);
  EXPECT_TRUE(MainLoopQuitRequested());
  SetWindowSystemHooks({});
  RuntimeUnlockObject(sleeper);
  RuntimeUnlockObject(quitter);
}

}  // namespace
