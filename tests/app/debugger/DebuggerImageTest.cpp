// The packed debug-build application (tests/images/debugger/debugapp.c), run in a child
// against the Python IDE (ide.py), which plays a script and prints the transcript: the script
// is the transcript expected, so each test compares the two.
#include <glib.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/times.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "SpawnedProcess.h"
#include "app/ImageEntry.h"
#include "app/MainLoop.h"
#include "core/Exceptions.h"
#include "core/Export.h"
#include "core/RuntimeClass.h"
#include "net/DebuggerSocketConnections.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

const char* gHost = nullptr;
clock_t gMarkCpu = 0;
std::chrono::steady_clock::time_point gMarkWall;

int64_t MillisecondsSince(std::chrono::steady_clock::time_point mark) {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now() - mark).count();
}

}  // namespace

extern "C" stringStorage* DebugAppHost() {
  return gHost ? string(gHost).ExtractStringStorage() : nullptr;
}
QV_EXPORT(DebugAppHost)

// One pass of the main loop that waits up to five seconds for an event.
extern "C" void DebugAppPass() {
  const guint timer = g_timeout_add(5000, [](gpointer) { return G_SOURCE_REMOVE; }, nullptr);
  MainLoopDoEvents(true);
  g_source_remove(timer);
}
QV_EXPORT(DebugAppPass)

extern "C" void DebugAppMark() {
  tms now;
  gMarkCpu = times(&now) ? now.tms_utime + now.tms_stime : 0;
  gMarkWall = std::chrono::steady_clock::now();
}
QV_EXPORT(DebugAppMark)

extern "C" void DebugAppReport(stringStorage* label, int32_t value) {
  tms now;
  times(&now);
  const long cpuMs = long(now.tms_utime + now.tms_stime - gMarkCpu) * 1000 / sysconf(_SC_CLK_TCK);
  std::printf("%s %d cpu_ms=%ld wall_ms=%lld\n", stringStorage::CString(label), value, cpuMs,
              static_cast<long long>(MillisecondsSince(gMarkWall)));
}
QV_EXPORT(DebugAppReport)

// A getter found through the export registry.
extern "C" int32_t DebugAppProbe(RuntimeObject*, int32_t parameter) { return 2 * parameter; }
QV_EXPORT(DebugAppProbe)

namespace {

struct Exchange {
  int status = -1;
  std::string transcript;  // what the IDE printed after its first line
  std::string output;      // the application's
  int64_t milliseconds = 0;
};

enum class Listener { kLocal, kTcp, kNone, kOtherUser };

// The script without its comments and blank lines: the transcript that should come back.
std::string Expected(const std::string& script) {
  std::istringstream lines(script);
  std::string line, expected;
  while (std::getline(lines, line)) {
    if (!line.empty() && line[0] != '#') expected += line + "\n";
  }
  return expected;
}

void PrintReport(const RuntimeErrorReportInfo& info, void*) {
  std::printf("report %d %s %d: %s\n", info.code, info.sourcePath, info.line, info.condition);
}

void PrintUnhandled(RuntimeObject* exception) {
  std::printf("unhandled %s\n", stringStorage::CString(exception->classPtr->className));
}

// Runs the application in a child, linking to host, with the IDE listening as listener says.
Exchange RunApp(const std::string& script, Listener listener, const char* host = nullptr) {
  qvtest::TempFolder folder("qvdebug");
  const std::string path = folder / "link";
  std::ofstream(folder / "script") << script;
  std::vector<std::string> argv = {"python3", IDE_SCRIPT};
  if (listener == Listener::kTcp) {
    argv.push_back("--tcp");
  } else {
    argv.insert(argv.end(), {"--unix", path});
  }
  if (listener == Listener::kOtherUser) {
    chmod(folder.path().c_str(), 0777);
    argv.insert(argv.end(), {"--as-user", "65534"});
  }
  argv.push_back(folder / "script");
  Exchange exchange;
  std::unique_ptr<qvtest::SpawnedProcess> ide;
  int port = 0;
  if (listener != Listener::kNone) {
    ide = std::make_unique<qvtest::SpawnedProcess>(
        qvtest::SpawnOptions{
            .program = PYTHON3,
            .argv = argv,
            .environment = {"QV_TIME_FACTOR=" + std::to_string(qvtest::SlowRunFactor())}});
    EXPECT_TRUE(ide->WaitForOutput("\n")) << ide->Errors();
    if (listener == Listener::kTcp) port = std::atoi(ide->Output().substr(10).c_str());
  }
  gHost = host;
  const auto started = std::chrono::steady_clock::now();
  exchange.status = qvtest::RunInChild(
      [&] {
        alarm(qvtest::TimeLimit(60));  // a program that never ends fails the test, not holds it
        SetDebuggerLinkEndpoints(path.c_str(), port);
        SetRuntimeErrorReportHook(PrintReport, nullptr);
        SetUnhandledExceptionHook(PrintUnhandled);
        if (chdir(DEBUGAPP_DIR) != 0) _exit(90);
        RunApplicationImage("/proc/self/exe");
        std::fflush(stdout);
        _exit(0);
      },
      &exchange.output);
  exchange.milliseconds = MillisecondsSince(started);
  if (ide) {
    ide->Finish();
    exchange.transcript = ide->Output().substr(ide->Output().find('\n') + 1);
  }
  return exchange;
}

// The first stop, the breakpoint table, and the stop after the application's setup with its
// data base.
const std::string kAfterSetup = R"(< BREAK 00000001
> BRLA 00000040
> BR 00000002
> RUN
< BREAK 00000002
> TOC
< TOC {toc=}
)";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

// Breakpoints, the three kinds of step, the stack, Break and the exception trap.
TEST(DebuggerImage, StopsAtBreakpointsStepsAndTraps) {
  const std::string script = R"(< BREAK 00000001
> BRLA 00000040
> BR 0000001F
> RUN
# Outer(1) -> Middle -> Inner, at its return
< BREAK 0000001F
* stack Middle Outer QVEntry
> BRC 0000001F
> STEPOUT
< BREAK 00000015
> STEPOVER
< BREAK 00000016
> STEP
< BREAK 0000000B
> STEPOUT
< BREAK 00000003
> STEP
< BREAK 0000000A
# over Middle and both calls of Inner
> STEPOVER
< BREAK 0000000B
> RUN
< BREAK (empty)
> TRAP 01
> BR 00000006
# EndException and ThreadEndException pass, RuntimeException stops
> RUN
< TRAP (empty)
> RUN
< BREAK 00000006
> QUIT
* closed
)";
  const Exchange run = RunApp(script, Listener::kLocal);
  EXPECT_EQ(run.transcript, Expected(script)) << run.output;
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 1)) << run.output;
  EXPECT_TRUE(Has(run.output, "unhandled EndException\nunhandled ThreadEndException\n"
                              "unhandled RuntimeException\n"))
      << run.output;
}

// Memory, strings, objects, variants, arrays and properties through "127.0.0.1", the local
// socket; watched objects and arrays reported as they go.
TEST(DebuggerImage, ReadsAndWritesWhatTheProgramHolds) {
  const std::string script = kAfterSetup + R"(> DW {toc}
< VAL32 {toc} 42445651
> DB {toc}
< VAL8 {toc} 51
> DH {toc}
< VAL16 {toc} 5651
> DSS {toc} 00000004
< VALSS {toc} 00000004 0000FFFF:51564442
> DW {toc+8}
< VAL32 {toc+8} {gadget=}
> DO {toc+8}
< VALO {toc+8} {gadget} Gadget
> DOC {gadget}
< VALOC {gadget} Gadget
> DS {toc+4}
< VALS {toc+4} 00000600:616263
> SS {toc+4} 08000100:C3A9
> DS {toc+4}
< VALS {toc+4} 08000100:C3A9
> DV {toc+C}
< VALV {toc+C} 00000002 00000600:3432
> DW {toc+10}
< VAL32 {toc+10} {array=}
> DW {array+8}
< VAL32 {array+8} {data=}
> DABB {array}
< VALABB {array} {data} 00000002 00000003
> DW {toc+18}
< VAL32 {toc+18} {code=}
> SL {toc+14} 0000000100000002
> DL {toc+14}
< VAL64 {toc+14} 0000000100000002
> SH {toc+14} 0000
> SB {toc+18} 00
> DL {toc+14}
< VAL64 {toc+14} 0000000000000000
> SW {toc+18} {code}
> DPVI {gadget} Gadget.Width.Get%i4%o<Gadget> 00000005
< VALPVI {gadget} Gadget.Width.Get%i4%o<Gadget> 00000005 00000285
> DPVI 00000000 DebugAppProbe 00000015
< VALPVI 00000000 DebugAppProbe 00000015 0000002A
# a getter that raises while stopped does not stop again
> TRAP 01
> DPVI {gadget} Gadget.Boom.Get%i4%o<Gadget> 00000000
< VALPVI {gadget} Gadget.Boom.Get%i4%o<Gadget> 00000000 00000000
> TRAP 00
> OWLS {gadget}
> OWLS {gadget}
> AWLS {array}
> BR 00000007
> RUN
< BREAK (empty)
> RUN
< ODN {gadget}
< ADN {array}
< BREAK 00000007
> DO {toc+8}
> DOC {gadget}
> PID
< PID (empty)
> QUIT
* closed
)";
  const Exchange run = RunApp(script, Listener::kLocal, "127.0.0.1");
  EXPECT_EQ(run.transcript, Expected(script)) << run.output;
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 1)) << run.output;
  EXPECT_TRUE(Has(run.output, "unhandled RuntimeException")) << run.output;
}

// What no command does with a bad address, a bad count or a bad line: crash, reply, or act.
TEST(DebuggerImage, BadAddressesCountsAndLinesChangeNothing) {
  const std::string script = kAfterSetup + R"(> DW {toc+18}
< VAL32 {toc+18} {code=}
> DW {code}
< VAL32 {code} {word=}
# unmapped and code addresses: no reply, nothing written
> DW 00001000
> SW 00001000 00000001
> SW {code} 00000000
> DS 00001000
> DS {code}
> SS 00001000 00000600:41
> SS {code} 00000600:41
> DOC 00001000
> DOC {code}
> DPVI 00001000 Gadget.Width.Get%i4%o<Gadget> 00000000
> DPVI {code} Gadget.Width.Get%i4%o<Gadget> 00000000
> DW {code}
< VAL32 {code} {word}
> BR 00000003
> BRLA FFFFFFFF
> DSS {toc} 7FFFFFFF
< VALSS {toc} 7FFFFFFF 0000FFFF:(at most 16 MiB)
> SW {toc+14} 0000abcd
> dw {toc+14}
< VAL32 {toc+14} 00000000
* junk 20971520 "QUIT "
* raw "\r"
* raw "PID \rTOC \r"
< PID (empty)
< TOC {toc}
* trickle "PID \r"
< PID (empty)
> RUN
< BREAK 00000003
> QUIT
* closed
)";
  const Exchange run = RunApp(script, Listener::kLocal);
  EXPECT_EQ(run.transcript, Expected(script)) << run.output;
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 1)) << run.output;
}

// Over TCP ("localhost" does not take the local socket): a stopped program sleeps, a BREAK
// while it waits for events stops it in that pass, and after RuntimeDebuggerShutdown the
// program ends normally, its Break doing nothing.
TEST(DebuggerImage, IdlesWithoutCpuAndBreaksFromTheEventLoop) {
  const std::string script = R"(< BREAK 00000001
* sleep 2000
> BRLA 00000040
> BR 00000007
> RUN
< BREAK (empty)
> RUN
< BREAK 00000007
> TOC
< TOC {toc=}
> SW {toc+1C} 00000001
> RUN
* sleep 300
> BREAK
* within 1000
< BREAK (empty)
> SW {toc+1C} 00000000
> RUN
* closed
)";
  const Exchange run = RunApp(script, Listener::kTcp, "localhost");
  EXPECT_EQ(run.transcript, Expected(script)) << run.output;
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 0)) << run.output;
  EXPECT_TRUE(Has(run.output, "done 12")) << run.output;
  long cpu = -1, wall = -1;
  const size_t first = run.output.find("first stop 0 ");
  ASSERT_NE(first, std::string::npos) << run.output;
  std::sscanf(run.output.c_str() + first, "first stop 0 cpu_ms=%ld wall_ms=%ld", &cpu, &wall);
  EXPECT_GE(wall, 2000);
  EXPECT_LT(cpu, 100 * qvtest::SlowRunFactor()) << "a stopped program must not use the processor";
  EXPECT_FALSE(Has(run.output, "report")) << run.output;
}

// A property read whose getter, found by its export name, drops the link: the rest of the
// read (a PID) is not run, the stop ends as nothing could resume it, and the program runs on
// without a debugger until its next statement looks for the IDE again and finds none.
TEST(DebuggerImage, ACommandThatDropsTheLinkEndsItsReceiveLoop) {
  const std::string script = R"(< BREAK 00000001
* raw "DPVI 00000000 RuntimeDebuggerShutdown 00000005\rPID \r"
* closed
)";
  const Exchange run = RunApp(script, Listener::kLocal);
  EXPECT_EQ(run.transcript, Expected(script)) << run.output;
  EXPECT_TRUE(Has(run.output, "first stop 0 ")) << run.output;
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 1)) << run.output;
}

TEST(DebuggerImage, ALinkLostMidLineEndsTheProgramWithStatusOne) {
  const std::string script = "< BREAK 00000001\n* raw \"PI\"\n* close\n";
  const Exchange run = RunApp(script, Listener::kLocal);
  EXPECT_EQ(run.transcript, Expected(script));
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 1)) << run.output;
  EXPECT_FALSE(Has(run.output, "first stop")) << run.output;
}

void ExpectNoIDEReport(const Exchange& run) {
  EXPECT_TRUE(qvtest::ExitedWith(run.status, 1)) << run.output;
  EXPECT_TRUE(Has(run.output, "report 7 DebuggerSupport 0: Could not locate the target IDE for "
                              "debugging.\n"))
      << run.output;
  EXPECT_GE(run.milliseconds, 4500);
  EXPECT_LT(run.milliseconds, 4500 + 4500 * qvtest::SlowRunFactor());
}

TEST(DebuggerImage, WithoutAnIDETheProgramReportsAndEnds) {
  ExpectNoIDEReport(RunApp("", Listener::kNone));
}

// Another user's listener on the local path is not trusted with the program's memory.
TEST(DebuggerImage, AnotherUsersListenerIsNoIDE) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root, to listen as another user";
  const Exchange run = RunApp("* closed\n", Listener::kOtherUser);
  EXPECT_EQ(run.transcript, "* closed\n");
  ExpectNoIDEReport(run);
}

}  // namespace
