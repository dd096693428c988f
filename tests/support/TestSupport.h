// Helpers shared by every test binary.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/RuntimeError.h"

namespace qvtest {

// One captured runtime error report.
struct CapturedReport {
  int code;
  std::string sourcePath;
  int line;
  std::string condition;
  std::string extra;
  bool extraWasNil;
};

// While alive, every ReportRuntimeError lands in reports() instead of a dialog or stderr.
class ReportCapture {
 public:
  ReportCapture();
  ~ReportCapture();
  ReportCapture(const ReportCapture&) = delete;
  ReportCapture& operator=(const ReportCapture&) = delete;

  const std::vector<CapturedReport>& reports() const { return mReports; }
  size_t count() const { return mReports.size(); }
  bool empty() const { return mReports.empty(); }
  void clear() { mReports.clear(); }
  // True when some report's condition equals text.
  bool HasCondition(const std::string& text) const;

 private:
  static void Hook(const RuntimeErrorReportInfo& info, void* context);
  std::vector<CapturedReport> mReports;
  RuntimeErrorReportHookSlot mPrevious;
};

// Every test binary starts with a hook that turns a report nobody asked for into a test
// failure (its text on stderr, as without a display), so an unexpected failed check never
// waits in a modal dialog. Tests of the report itself take the real path while this lives.
class RealReports {
 public:
  RealReports();
  ~RealReports();
  RealReports(const RealReports&) = delete;
  RealReports& operator=(const RealReports&) = delete;

 private:
  RuntimeErrorReportHookSlot mPrevious;
};
// Installs the unexpected-report hook (the test main calls it).
void FailOnUnexpectedReports();

// Runs body in a forked child (ForkTestChild) and returns its wait status (use WIFEXITED /
// WEXITSTATUS), or -1 (and a failure) when the child could not be made or waited for. The
// child's stdout and stderr are captured into *output when given. A body that returns ends the
// child with status 0, or kChildExpectationFailed when an expectation failed inside it (the
// failures go to the child's stderr, and the test fails too). The child shares the parent's X
// connection: it must not touch the display; a test that needs a process of its own with one
// uses RunProgram or a threadsafe death test.
int RunInChild(const std::function<void()>& body, std::string* output = nullptr);
constexpr int kChildExpectationFailed = 121;

// Forks a child of the test that may run framework code: 0 in the child, its id in the parent,
// or -1 and a failure of the test that says why. A forked child has the forking thread alone,
// and a lock that another thread held at the fork (the allocator's, a conversion table's, the
// emulator's own) stays taken there for ever: the child hangs at its first use. So the fork
// waits for threads that are ending, then refuses while another runs: a child that must start
// beside running threads is started by exec instead (Spawn, SpawnedProcess, a threadsafe death
// test). The child leads a process group of its own, which the end of the test kills should it
// still run (support/LeftoverChildren.h), and is killed when the thread that forked it ends.
int ForkTestChild();

// Waits a moment (half a second, stretched by the slow-run factor) for the other threads of
// this process to end, the watchdog (which steps aside for forks) and the emulator's own aside:
// true once none is left, false when some still run. A fork in the moment a thread ends gives
// a child that may stop for ever, and under an emulator a vfork is a fork: there even a child
// that only execs stopped before its exec (a language thread of the test just killed, ending).
bool WaitForOtherThreadsToEnd();
// Before a vfork: under an emulator, where it is a fork, WaitForOtherThreadsToEnd; natively the
// child shares this process's memory until its exec, and nothing to wait for.
void SettleBeforeVfork();

// The kernel ids of this process's threads but the calling one.
std::vector<int> OtherThreads();
// The kernel's name of a thread of this process (its comm), or "".
std::string ThreadName(int thread);

// Runs the program argv[0] (found through PATH) with argv, without a shell and without forking
// this process, and returns its exit status, or -1 when it did not exit. A program that cannot
// be started answers 127, as a shell does, and says why. Its stdout and stderr are captured
// into *output when given.
int RunProgram(const std::vector<std::string>& argv, std::string* output = nullptr);

// Starts argv (argv[0] found through PATH, or through the emulator where ThroughEmulator says)
// with environment, its standard input, output and error on in, out and err (-1 keeps this
// process's), without copying this process, once threads that are ending have ended
// (SettleBeforeVfork): the child's id, or -1 with *error the errno of what failed, a
// failed exec's included.
int Spawn(const std::vector<std::string>& argv, char* const* environment, int in, int out,
          int err, int* error);
// Spawn without that wait: for the watchdog's report, whose process has threads that never end.
int SpawnAtOnce(const std::vector<std::string>& argv, char* const* environment, int in, int out,
                int err, int* error);

// What RunProgram's program wrote to standard output alone, or "" when it could not start or
// did not exit with status 0.
std::string ProgramOutput(const std::vector<std::string>& argv);

// True when a display was available and GTK initialised in this test binary.
bool HaveDisplay();

// The address of function in the loaded shared library whose file name is library (as
// "libm.so.6"), looked up in that library itself, or nil. The test programs are not
// position-independent, so &function there names the program's own stub for it instead.
void* FunctionInLibrary(const char* library, const char* function);
// The file of the loaded shared library that defines the address, or "".
std::string LibraryFileOf(const void* address);

// A size this process's /proc status gives in kilobytes, such as "VmSize" or its high-water
// mark "VmPeak"; -1 when it gives none.
long ProcessStatusKb(const std::string& field);

// Sets an environment variable for one scope and puts back what was there (or its absence).
class ScopedEnvironmentVariable {
 public:
  ScopedEnvironmentVariable(const char* name, const char* value);
  ~ScopedEnvironmentVariable();
  ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
  ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

 private:
  std::string mName;
  std::string mOld;
  bool mHad;
};

}  // namespace qvtest
