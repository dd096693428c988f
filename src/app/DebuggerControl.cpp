#include "app/DebuggerControl.h"

#include <cstdlib>

#include "app/BackgroundTask.h"
#include "app/ClassLibraryHooks.h"
#include "app/DebuggerState.h"
#include "app/DebuggerWire.h"
#include "app/RuntimeInit.h"
#include "app/ShutdownTasks.h"
#include "arrays/RuntimeArray.h"
#include "core/DebugMode.h"
#include "core/Exceptions.h"
#include "core/Export.h"
#include "core/RuntimeError.h"
#include "core/RuntimeThread.h"
#include "core/Ticks.h"
#include "image/ApplicationImage.h"
#include "image/PollableList.h"
#include "strings/NumberBases.h"

DebuggerFlags gDebugger = {};

namespace {

constexpr int32_t kIDEWaitTicks = 300;
// The longest a wait sleeps in poll(2) before it looks at the poll list and the tasks again.
constexpr int32_t kServiceWaitMs = 100;

bool gTimersSuspended = false;

// The receiver of the link. A resume is remembered until the wait sees it, so that a command
// that arrives in the same read right after it does not take it back.
class DSDelegate final : public DebuggerConnectionDelegate {
 public:
  void MessageReceived(const string& tag, const string& payload) override {
    if (DispatchDebuggerCommand(tag, payload)) mResume = true;
  }
  void Connected() override { mConnected = true; }
  void Disconnected() override {
    mConnected = false;
    EndDebuggedProcess();
  }

  bool mResume = false;
  bool mConnected = false;
};
DSDelegate gReceiver;

// Stops the program at its next turn of the main loop when a break was requested while no
// statement runs (the program waits for events).
class DELPoller final : public Pollable {
 public:
  ~DELPoller() override { PollableListRemove(this); }
  void Poll() override {
    if (gDebugger.breakRequested) RuntimeDebuggerBreak();
  }
};

// The frame pointer of the routine that called the caller of this one: the compiled method that
// called the hook, or the raiser that called the exception hook.
[[gnu::always_inline]] inline uintptr_t CallerFrame(void* ownFrame) {
  return *static_cast<uintptr_t*>(ownFrame);
}

// A command may close the link from inside the link's own receive loop: the connection then
// goes once the loop has returned.
void CloseLink() {
  DebuggerSession& session = Session();
  gDebugger.linked = false;
  if (!session.link) return;
  SmartRef<DebuggerConnection> link = session.link;
  session.link.reset();
  link->Close();
  DebuggerConnection::Release(link);
}

// At the end of the process: the link, the watch lists' storage, the table and the poller go.
class DebuggerShutdownTask final : public runShutdownTask {
 public:
  ~DebuggerShutdownTask() override {
    CloseLink();
    DebuggerSession& session = Session();
    session.objectWatchList = SimpleVector<uint32_t>(0);
    session.arrayWatchList = SimpleVector<uint32_t>(0);
    delete[] gDebugger.breakpoints;
    gDebugger.breakpoints = nullptr;
    gDebugger.breakpointsLength = 0;
    PollableListRemove(&Poller());
  }

  static DELPoller& Poller() {
    static DELPoller* poller = new DELPoller;
    return *poller;
  }
};

// One turn of the waits: the poll list, the sockets without an owner (the link among them),
// waiting up to waitMs for them, and the due background tasks.
void ServiceOnce(int32_t waitMs) {
  PollableListPollAll();
  NetworkPolling().pollUnownedSockets(waitMs);
  RunDueBackgroundTasks(false);
}

void SuspendWhileStopped() {
  RuntimeThreadImp::sSwitchingPaused = 1;
  gTimersSuspended = true;
  NetworkPolling().suspendSerialPolling();
  NetworkPolling().suspendSocketPolling();
}

void ResumeAfterStop() {
  RuntimeThreadImp::sSwitchingPaused = 0;
  gTimersSuspended = false;
  NetworkPolling().resumeSerialPolling();
  NetworkPolling().resumeSocketPolling();
}

// A command that drops the link (RuntimeDebuggerShutdown as a property getter) ends the
// stop too: nothing could resume the program any more.
void WaitWhileStopped() {
  gDebugger.breakRequested = false;
  SuspendWhileStopped();
  if (QV_CHECK_TEXT(gDebugger.linked, "sDebugClientSocket", nullptr)) {
    gReceiver.mResume = false;
    while (!gReceiver.mResume && gDebugger.linked) ServiceOnce(kServiceWaitMs);
  }
  ResumeAfterStop();
}

void StopAtStatement(int32_t statement) {
  gDebugger.stepMode = kStepNone;
  SendToIDE("BREAK", EncodeHex(uint32_t(statement), 4));
  WaitWhileStopped();
}

bool IsClassNamed(RuntimeObject* object, const char* name) {
  return string(object->classPtr->className).CompareWithCase(name) == 0;
}

// The exception hook: stops before the exception unwinds, unless it only ends the program or
// a thread.
[[gnu::noinline]] void StopAtRaise(RuntimeObject* exception) {
  if (!gDebugger.breakOnException || !gDebugger.linked) return;
  if (exception &&
      (IsClassNamed(exception, "EndException") || IsClassNamed(exception, "ThreadEndException")))
    return;
  if (gDebugger.inDebugger) return;
  gDebugger.inDebugger = true;
  gDebugger.currentFrame = CallerFrame(__builtin_frame_address(0));
  SendToIDE("TRAP", string());
  WaitWhileStopped();
  gDebugger.inDebugger = false;
}

void ReportObjectDestroyed(RuntimeObject* object) {
  const uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(object));
  SimpleVector<uint32_t>& watched = Session().objectWatchList;
  for (uint32_t i = 0; i < watched.size(); ++i) {
    if (watched[int32_t(i)] != address) continue;
    watched.RemoveAt(int32_t(i));
    SendToIDE("ODN", HexToString(address));
    return;
  }
}

// A freed array stays watched: another array may come to live at the same address.
void ReportArrayDisposed(void* record) {
  const uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(record));
  const SimpleVector<uint32_t>& watched = Session().arrayWatchList;
  for (uint32_t i = 0; i < watched.size(); ++i) {
    if (watched[int32_t(i)] == address) SendToIDE("ADN", HexToString(address));
  }
}

[[noreturn]] void ReportNoIDEAndExit() {
  ReportRuntimeError(kReportKindDebugger, kErrorCannotConnectToDebugger, "DebuggerSupport", 0,
                     "Could not locate the target IDE for debugging.",
                     "Since we could not locate the target IDE to start a debug session, this "
                     "application will now exit.");
  EndDebuggedProcess();
}

// Connects to the IDE, waiting for it at most kIDEWaitTicks; false after a failed check.
bool OpenLink() {
  DebuggerSession& session = Session();
  session.link = CreateDebuggerConnection(session.host.IsEmpty() ? string("127.0.0.1")
                                                                 : session.host);
  if (!QV_CHECK_TEXT(session.link, "sDebugClientSocket", nullptr)) return false;
  gDebugger.linked = true;
  gReceiver.mConnected = false;
  session.link->AddReceiver(&gReceiver);
  session.link->Connect();
  const int32_t start = TickCount();
  while (!gReceiver.mConnected) {
    if (TickCount() - start > kIDEWaitTicks) ReportNoIDEAndExit();
    ServiceOnce(kServiceWaitMs);
  }
  SetRaiseExceptionHook(StopAtRaise);
  SetObjectDestroyHook(ReportObjectDestroyed);
  SetArrayDisposeHook(ReportArrayDisposed);
  static bool registered = false;
  if (!registered) {
    registered = true;
    PollableListAdd(&DebuggerShutdownTask::Poller());
    new DebuggerShutdownTask;  // the task list owns it
  }
  gDebugger.dataBase = GetImageDataBase();
  return true;
}

}  // namespace

DebuggerSession& Session() {
  static DebuggerSession* session = new DebuggerSession;
  return *session;
}

void SendToIDE(const char* tag, const string& payload) {
  DebuggerSession& session = Session();
  if (session.link) session.link->Send(string(tag), payload);
}

void Reply(const char* tag, const string& payload, const string& value) {
  SendToIDE(tag, payload + ' ' + value);
}

uint32_t CallerOfCurrentFrame() {
  return gDebugger.currentFrame ? *reinterpret_cast<uint32_t*>(gDebugger.currentFrame) : 0;
}

// The process-exit clean-up runs as after a termination signal: plug-ins' temporary files go.
void EndDebuggedProcess() {
  CloseLink();
  RunShutdownTasks();
  std::exit(1);
}

namespace {
void SendStackFrame(StackFrameRecord* frame, void*) {
  string name;
  uint32_t offset = 0;
  if (!LookupStackFrameSymbol(frame, &name, &offset)) return;
  SendToIDE("SFR", EncodeHex(reinterpret_cast<uintptr_t>(frame->savedFrame), 4) + ' ' +
                       EncodeWireString(name) + ' ' + EncodeHex(offset, 4));
}
}  // namespace

void SendStackFrames() {
  WalkStackFrames(reinterpret_cast<StackFrameRecord*>(gDebugger.currentFrame), SendStackFrame,
                  nullptr);
  SendToIDE("SC", string());
}

bool DebuggerPausedThreadSwitching() { return RuntimeThreadImp::sSwitchingPaused != 0; }
bool DebuggerSuspendedTimers() { return gTimersSuspended; }

// ---- Exported to compiled code --------------------------------------------------------------

extern "C" void DebugRuntimeInit() {
  SetDebugMode();
  RuntimeInit();
}
QV_EXPORT(DebugRuntimeInit)

extern "C" void RemoteDebuggerStartup(stringStorage* host) { Session().host = string(host); }
QV_EXPORT(RemoteDebuggerStartup)

namespace {

bool ShouldStopAt(int32_t statement) {
  switch (gDebugger.stepMode) {
    case kStepNextStatement:
      return true;
    case kStepOver:
      if (CallerOfCurrentFrame() >= gDebugger.stepFrame) return true;
      break;
    case kStepOut:
      if (CallerOfCurrentFrame() > gDebugger.stepFrame) return true;
      break;
    default:
      break;
  }
  return gDebugger.breakpoints && uint32_t(statement) < uint32_t(gDebugger.breakpointsLength) &&
         gDebugger.breakpoints[statement] != 0;
}

// The statement hook's work when it may stop: the first statement always stops, once the link
// is open, so that the IDE sets its breakpoints before anything runs.
[[gnu::noinline]] void EnterAtStatement(int32_t statement) {
  gDebugger.inDebugger = true;
  if (!gDebugger.linked) {
    if (OpenLink()) StopAtStatement(statement);
  } else if (ShouldStopAt(statement)) {
    StopAtStatement(statement);
  }
  gDebugger.inDebugger = false;
}

}  // namespace

// Runs at every statement. The common path (linked, running, no breakpoint at the statement)
// reads a few words and calls nothing.
extern "C" [[gnu::noinline]] void RuntimeDebuggerEntry(int32_t statement) {
  if (gDebugger.inDebugger) return;
  gDebugger.currentFrame = CallerFrame(__builtin_frame_address(0));
  if (gDebugger.linked && gDebugger.stepMode == kStepNone &&
      (!gDebugger.breakpoints || uint32_t(statement) >= uint32_t(gDebugger.breakpointsLength) ||
       !gDebugger.breakpoints[statement]))
    return;
  EnterAtStatement(statement);
}
QV_EXPORT(RuntimeDebuggerEntry)

extern "C" [[gnu::noinline]] void RuntimeDebuggerBreak() {
  if (gDebugger.inDebugger) return;
  gDebugger.inDebugger = true;
  gDebugger.currentFrame = CallerFrame(__builtin_frame_address(0));
  if (gDebugger.linked) {
    SendToIDE("BREAK", string());
    WaitWhileStopped();
  }
  gDebugger.inDebugger = false;
}
QV_EXPORT(RuntimeDebuggerBreak)

extern "C" int32_t RuntimeDebuggerShutdown() {
  CloseLink();
  return 0;
}
QV_EXPORT(RuntimeDebuggerShutdown)
