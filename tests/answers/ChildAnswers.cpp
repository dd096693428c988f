// The children area: what a program the framework starts answers and receives, for every way
// the framework starts one (the runners of ShellRunner.h and ShellCommand.h directly, and the
// exported calls that start programs, through their rows) over a table of programs: one that
// exits 0, 3 or 255, one killed by a signal, one that writes more than a pipe holds, one that
// is missing and one that is not executable. Each is the probe (probe/childprobe.c) or stands
// where it would be; the probe writes down what it received, which the lines of "exits 0"
// show: arguments, a marker variable, standard streams, every other descriptor, blocked and
// ignored signals, session, group and parent.
//
// Before each call this process holds what a framework process would (files, sockets, a pipe
// as standard input, descriptors numbered high, some close-on-exec and some not; SIGHUP and
// SIGPIPE ignored, SIGUSR1 handled, SIGINT and SIGUSR2 blocked), so that whatever a child keeps
// of it shows. All else it holds is made close-on-exec first, and ignored signals it inherited
// are put back to their defaults: what the machine or the test runner leaves never shows.
//
// Two variants: close_range works, and close_range is refused (ENOSYS, as before Linux 5.9) by
// a seccomp filter that tests/support/refuse_close_range.py installs before this binary starts.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <sstream>

#include "answers/Answers.h"
#include "app/ShellCommand.h"
#include "app/URLLauncher.h"
#include "core/GlobalFunctionRows.h"
#include "core/RuntimeObject.h"
#include "core/ShellRunner.h"
#include "core/TypeNames.h"
#include "files/FolderItemClass.h"
#include "support/Emulator.h"
#include "support/RaisedExceptions.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

namespace {

using namespace answers;

constexpr int kReportWaitSeconds = 10;  // times the slow-run factor
constexpr const char* kArgument = "one word; $HOME";

// A program of the table: the file that stands for it in the work folder and what the probe
// does there (QV_PROBE_ACT). Only the probe runs; "missing" is never made.
struct Program {
  const char* label;
  const char* file;
  const char* act;
  bool receipt;  // its report is written out whole
};

const Program kPrograms[] = {
    {"exits 0", "probe", "exit 0", true},
    {"exits 3", "probe", "exit 3", false},
    {"exits 255", "probe", "exit 255", false},
    {"killed by SIGTERM", "probe", "term", false},
    {"writes 300000 bytes", "probe", "flood 300000", false},
    {"missing", "missing", "exit 0", false},
    {"not executable", "plain", "exit 0", false},
};

bool Runs(const Program& program) { return std::strcmp(program.file, "probe") == 0; }

std::string gFolder;  // the work folder, written as <folder>

std::string PathOf(const Program& program) { return gFolder + "/" + program.file; }

// Text with the work folder's path as <folder>, and the random part of a file beside another
// (".name.XXXXXX") as XXXXXX.
std::string Sanitized(std::string text) {
  if (gFolder.empty()) return text;
  for (size_t at; (at = text.find(gFolder)) != std::string::npos;) {
    text.replace(at, gFolder.size(), "<folder>");
  }
  const std::string beside = "<folder>/files/.copy.";
  for (size_t at = text.find(beside); at != std::string::npos; at = text.find(beside, at + 1)) {
    if (at + beside.size() + 6 <= text.size()) text.replace(at + beside.size(), 6, "XXXXXX");
  }
  return text;
}

std::string WaitStatusText(int status) {
  if (WIFEXITED(status)) return "exit " + std::to_string(WEXITSTATUS(status));
  if (WIFSIGNALED(status)) return std::string("signal SIG") + sigabbrev_np(WTERMSIG(status));
  return "status " + std::to_string(status);
}

// Short output as its bytes; long output as its size, its first line and a hash of the whole.
std::string OutputText(const void* bytes, size_t size) {
  const std::string text = Sanitized(std::string(static_cast<const char*>(bytes), size));
  if (text.size() <= 80) return QuoteBytes(text.data(), text.size());
  uint32_t hash = 2166136261u;
  for (const unsigned char c : text) hash = (hash ^ c) * 16777619u;
  char hex[16];
  std::snprintf(hex, sizeof hex, "%08X", hash);
  const std::string first = text.substr(0, text.find('\n') + 1);
  return std::to_string(text.size()) + " bytes from " + QuoteBytes(first.data(), first.size()) +
         ", FNV-1a " + hex;
}

std::string OutputText(const GrowingBytes& bytes) {
  return OutputText(bytes.Data(), size_t(bytes.Size()));
}

std::string OutputText(const string& text) { return OutputText(text.CString(), text.Length()); }

// Everything until the end of the pipe.
void ReadToEnd(int fd, GrowingBytes* bytes) {
  for (ssize_t got; (got = bytes->ReadFrom(fd, 64 * 1024)) != 0;) {
    if (got < 0 && errno != EINTR) return;
  }
}

// --- What this process holds while it starts a child -------------------------------------------

struct Identity {
  std::string kind;  // as the probe names it
  unsigned long long device = 0, inode = 0;
  std::string access;
  bool operator==(const Identity&) const = default;
};

Identity IdentityOf(int fd) {
  struct stat info;
  Identity identity;
  if (fstat(fd, &info) != 0) return identity;
  identity.kind = S_ISREG(info.st_mode) ? "file" : S_ISSOCK(info.st_mode) ? "socket" : "pipe";
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  const int access = fcntl(fd, F_GETFL) & O_ACCMODE;
  identity.access = access == O_RDONLY ? "r" : access == O_WRONLY ? "w" : "rw";
  return identity;
}

// The descriptors planted for one call, put back as they were when it goes. Each carries the
// name a child's report gives it.
class Plants {
 public:
  Plants() {
    mSavedInput = fcntl(STDIN_FILENO, F_DUPFD_CLOEXEC, 3);
    int ends[2];
    if (pipe(ends) == 0) {
      dup2(ends[0], STDIN_FILENO);
      close(ends[0]);
      Keep(STDIN_FILENO, "the starter's standard input (a pipe)");
      Keep(CloseOnExec(ends[1]), "close-on-exec pipe");
    }
    Keep(Open("file", 0), "file");
    Keep(Open("cloexec-file", O_CLOEXEC), "close-on-exec file");
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) == 0) {
      Keep(ends[0], "socket");
      Keep(CloseOnExec(ends[1]), "close-on-exec socket");
    }
    Keep(MoveTo(Open("high-file", 0), 57), "file at 57");
    Keep(MoveTo(CloseOnExec(Open("high-cloexec-file", 0)), 200), "close-on-exec file at 200");
    Keep(MoveTo(socket(AF_UNIX, SOCK_DGRAM, 0), 251), "socket at 251");
  }
  ~Plants() {
    for (const auto& planted : mPlanted) {
      if (planted.fd != STDIN_FILENO) close(planted.fd);
    }
    if (mSavedInput >= 0) {
      dup2(mSavedInput, STDIN_FILENO);
      close(mSavedInput);
    }
  }
  Plants(const Plants&) = delete;
  Plants& operator=(const Plants&) = delete;

  // The planted descriptor a child's one is, or what kind it is.
  std::string Name(const Identity& identity) const {
    for (const auto& planted : mPlanted) {
      if (planted.identity == identity) return planted.name;
    }
    if (identity.kind == "null") return "/dev/null";
    return (identity.kind == "closed" ? "" : "a ") + identity.kind;
  }

 private:
  struct Planted {
    int fd;
    std::string name;
    Identity identity;
  };

  static int Open(const char* name, int flags) {
    return open((gFolder + "/planted-" + name).c_str(), O_RDWR | O_CREAT | flags, 0600);
  }
  static int CloseOnExec(int fd) {
    if (fd >= 0) fcntl(fd, F_SETFD, FD_CLOEXEC);
    return fd;
  }
  // The descriptor at number, with the close-on-exec flag it had.
  static int MoveTo(int fd, int number) {
    if (fd < 0) return fd;
    const int flags = fcntl(fd, F_GETFD);
    dup3(fd, number, flags & FD_CLOEXEC ? O_CLOEXEC : 0);
    close(fd);
    return number;
  }
  void Keep(int fd, const char* name) {
    if (fd < 0) {
      ADD_FAILURE() << "cannot plant the " << name << ": " << std::strerror(errno);
      return;
    }
    mPlanted.push_back({fd, name, IdentityOf(fd)});
  }

  std::vector<Planted> mPlanted;
  int mSavedInput = -1;
};

// Every descriptor this process holds beyond the standard three is made close-on-exec, and
// every signal it inherited ignored goes back to its default; then the signals are set as a
// framework process has them.
void SettleInheritedState() {
  for (int fd = 3; fd < 65536; ++fd) {
    const int flags = fcntl(fd, F_GETFD);
    if (flags >= 0) fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
  }
  for (int signalNumber = 1; signalNumber < 32; ++signalNumber) {
    struct sigaction current;
    if (sigaction(signalNumber, nullptr, &current) == 0 && current.sa_handler == SIG_IGN)
      signal(signalNumber, SIG_DFL);
  }
  signal(SIGHUP, SIG_IGN);
  signal(SIGPIPE, SIG_IGN);
  struct sigaction handled = {};
  handled.sa_handler = [](int) {};
  sigaction(SIGUSR1, &handled, nullptr);
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGUSR2);
  pthread_sigmask(SIG_SETMASK, &blocked, nullptr);
}

// --- The probe's report -------------------------------------------------------------------------

// What the probe's report says, its descriptors by their identities.
struct Report {
  std::string arguments, marker, signals, family;
  Identity streams[3];
  std::vector<Identity> descriptors;
};

Report ParseReport(const std::string& text) {
  Report report;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string what;
    words >> what;
    const std::string rest = line.substr(std::min(line.size(), what.size() + 1));
    const auto append = [](std::string* list, const char* separator, const std::string& item) {
      *list += (list->empty() ? "" : separator) + item;
    };
    if (what == "arg") {
      append(&report.arguments, " ", Sanitized(rest));
    } else if (what == "marker") {
      report.marker = rest;
    } else if (what == "stream" || what == "fd") {
      int number = -1;
      if (what == "stream") words >> number;
      Identity identity;
      words >> identity.kind >> identity.device >> identity.inode >> identity.access;
      if (number >= 0 && number < 3) report.streams[number] = identity;
      if (what == "fd") report.descriptors.push_back(identity);
    } else if (what == "blocked" || what == "ignored") {
      append(&report.signals, "; ", what + " " + (rest.empty() ? "none" : rest));
    } else {
      append(&report.family, ", ", line);
    }
  }
  return report;
}

// The report as "received <what>" lines, each planted descriptor by its name.
std::vector<std::pair<std::string, std::string>> Receipt(const Report& report,
                                                         const Plants& plants) {
  std::string streams =
      "in " + plants.Name(report.streams[0]) + ", out " + plants.Name(report.streams[1]) +
      ", err " +
      (report.streams[2] == report.streams[1] ? "the same as out" : plants.Name(report.streams[2]));
  std::string descriptors = std::to_string(report.descriptors.size());
  for (size_t i = 0; i < report.descriptors.size(); ++i)
    descriptors += (i ? ", " : ": ") + plants.Name(report.descriptors[i]);
  return {{"arguments", report.arguments.empty() ? "none" : report.arguments},
          {"environment", "QV_PROBE_MARK " + report.marker},
          {"streams", streams},
          {"descriptors", descriptors},
          {"signals", report.signals},
          {"family", report.family}};
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

bool ExistsWithin(const std::string& path, int seconds) {
  for (int waited = 0; waited < seconds * 100; ++waited) {
    if (access(path.c_str(), F_OK) == 0) return true;
    usleep(10 * 1000);
  }
  return access(path.c_str(), F_OK) == 0;
}

// Background shell children are reaped by a task the main loop runs; here, by hand, until
// none is left (or the wait ends).
std::string ReapedShellChildren(int seconds) {
  for (int waited = 0; waited < seconds * 100; ++waited) {
    ReapShellChildren();
    if (ListedShellChildren().empty()) return "";
    usleep(10 * 1000);
  }
  return ", a shell child left unreaped";
}

// --- The ways a program is started ------------------------------------------------------------

// One way to start a program: the call, which answers what it gave back, and whether the
// program may outlive it as no child of this process (then its report is waited for).
struct Runner {
  std::string label;
  bool detached;
  std::function<std::string(const Program&)> call;
};

// The command a shell runs for the program: its path, from the environment, and one argument.
std::string ShellCommandFor(const Program& program) {
  return std::string("\"$QV_CHILD_FOLDER\"/") + program.file + " '" + kArgument + "'";
}

std::string Started(bool started, int error) {
  return std::string(started ? "started" : "not started") + ", start error " + ErrorName(error);
}

std::string RunWithRunProgram(const Program& program, bool capture) {
  const std::string path = PathOf(program);
  const char* const argv[] = {path.c_str(), kArgument, nullptr};
  GrowingBytes output;
  int status = -2, error = -2;
  const bool ran = RunProgram(path.c_str(), argv, capture ? &output : nullptr, &status, &error);
  return Started(ran, error) + ", exit status " + std::to_string(status) +
         (capture ? ", output " + OutputText(output) : "");
}

std::string RunWithStartProgram(const Program& program, bool capture) {
  const std::string path = PathOf(program);
  const char* const argv[] = {path.c_str(), kArgument, nullptr};
  StartedProgram started;
  const bool ran = StartProgram(path.c_str(), argv, capture, &started);
  std::string answer = Started(ran, started.startError);
  answer += std::string(", output ") + (started.output >= 0 ? "piped" : "none");
  if (started.output >= 0) {
    GrowingBytes bytes;
    ReadToEnd(started.output, &bytes);
    close(started.output);
    answer += " " + OutputText(bytes);
  }
  int status = 0;
  if (ran && waitpid(started.id, &status, 0) == started.id) answer += ", " + WaitStatusText(status);
  return answer;
}

std::string RunDetached(const Program& program) {
  const std::string path = PathOf(program);
  const char* const argv[] = {path.c_str(), kArgument, nullptr};
  int error = -2;
  const bool started = StartDetachedProgram(path.c_str(), argv, &error);
  return Started(started, error);
}

std::vector<Runner> InternalRunners() {
  std::vector<Runner> runners;
  for (const bool capture : {true, false}) {
    const std::string how = capture ? "output captured" : "output to /dev/null";
    runners.push_back({"RunProgram, " + how, false,
                       [capture](const Program& p) { return RunWithRunProgram(p, capture); }});
    runners.push_back({"StartProgram, " + how, false,
                       [capture](const Program& p) { return RunWithStartProgram(p, capture); }});
  }
  runners.push_back({"StartDetachedProgram", true, RunDetached});
  for (const bool capture : {true, false}) {
    runners.push_back({std::string("ExecuteShell, ") + (capture ? "captured" : "not captured"),
                       false, [capture](const Program& p) {
                         return "output " + OutputText(UnixHelper::ExecuteShell(
                                                string(ShellCommandFor(p).c_str()), capture));
                       }});
  }
  for (const bool wait : {true, false}) {
    runners.push_back(
        {std::string("RunShellCommand, ") + (wait ? "waiting" : "in the background"), false,
         [wait](const Program& p) {
           return "output " + OutputText(RunShellCommand(string(ShellCommandFor(p).c_str()), wait));
         }});
  }
  return runners;
}

// --- The exported calls that start programs, from their rows -----------------------------------

// Where an exported call finds the program: it is the receiver (a FolderItem launched), a tool
// the call runs by name along PATH (cp, mv), or the browser BROWSER names.
enum class Reach { kReceiver, kTool, kBrowser };

struct StartingCall {
  ObjectDefinition* (*owner)();  // nil: a global function
  const char* name;
  Reach reach;
  const char* text;  // its String argument
};

const StartingCall kStartingCalls[] = {
    {FolderItemClassDefinition, "Launch", Reach::kReceiver, kArgument},
    {FolderItemClassDefinition, "CopyFileTo", Reach::kTool, ""},
    {FolderItemClassDefinition, "MoveFileTo", Reach::kTool, ""},
    {nullptr, "ShowURL", Reach::kBrowser, "http://example.com/a b?q=1&r=$HOME"},
};

class Held {
 public:
  explicit Held(RuntimeObject* object) : mObject(object) {}
  ~Held() { RuntimeUnlockObject(mObject); }
  Held(const Held&) = delete;
  Held& operator=(const Held&) = delete;
  RuntimeObject* get() const { return mObject; }

 private:
  RuntimeObject* mObject;
};

const GlobalFunctionRow* GlobalRow(const char* name) {
  for (int32_t i = 0; i < GlobalFunctionRowCount(); ++i) {
    if (std::strcmp(GlobalFunctionRows()[i].name, name) == 0) return &GlobalFunctionRows()[i];
  }
  return nullptr;
}

// A FolderItem on path, made through GetFolderItem's row.
RuntimeObject* ItemOn(Table& table, const std::string& path) {
  const GlobalFunctionRow* row = GlobalRow("GetFolderItem");
  if (!row) return nullptr;
  const string text = string::FromBytes(path.data(), int64_t(path.size()), kEncodingUTF8);
  Words words;
  words.Add(reinterpret_cast<uint32_t>(text.Storage())).Add(uint32_t(kPathNative));
  return reinterpret_cast<RuntimeObject*>(
      uint32_t(CallExport(table, row->exportName, words).integer));
}

std::string LastErrorCode(Table& table, RuntimeObject* item) {
  for (const InstanceVariable* p = FolderItemClassDefinition()->FirstItem(); p; p = p->next) {
    if (std::strcmp(p->name.CString(), "LastErrorCode") != 0 || !p->getterExportName) continue;
    Words words;
    words.Add(reinterpret_cast<uint32_t>(item)).Add(p->propertyWord);
    return ErrorName(int32_t(CallExport(table, p->getterExportName, words).integer));
  }
  return "no LastErrorCode";
}

// Names in the folder, sorted, the random part of a file beside another as XXXXXX.
std::string Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder)) {
    names.push_back(Sanitized(entry.path().string()).substr(std::strlen("<folder>/files/")));
  }
  std::sort(names.begin(), names.end());
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : " ") + name;
  return "[" + text + "]";
}

using Setting = qvtest::ScopedEnvironmentVariable;

// The tool folder whose cp and mv stand for program.
std::string ToolFolder(const Program& program) {
  return gFolder + "/tools-" + std::to_string(&program - kPrograms);
}

// Calls the row's export with an argument for each parameter, by its type; answers what the
// call raised or reported, the receiver's LastErrorCode and, for a tool, the files left.
std::string CallRow(Table& table, const StartingCall& call, const char* exportName,
                    const ParameterRecord* parameters, int32_t count, const Program& program) {
  const std::string files = gFolder + "/files";
  std::filesystem::remove_all(files);
  std::filesystem::create_directory(files);
  std::ofstream(files + "/source") << "data";
  std::string receiverPath = call.reach == Reach::kTool ? files + "/source" : PathOf(program);
  std::optional<Setting> path;
  if (call.reach == Reach::kTool) path.emplace("PATH", ToolFolder(program).c_str());
  const Setting browser(
      "BROWSER", (call.reach == Reach::kBrowser ? PathOf(program) : PathOf(kPrograms[0])).c_str());
  ForgetURLLauncherValuesForTesting();
  Held receiver(call.owner ? ItemOn(table, receiverPath) : nullptr);
  Held destination(ItemOn(table, files + "/copy"));
  const string text(call.text);
  Words words;
  if (call.owner) words.Add(reinterpret_cast<uint32_t>(receiver.get()));
  for (int32_t i = 0; i < count; ++i) {
    const TypeDescriptor* type = parameters[i].parameterType;
    if (type == lang::String) {
      words.Add(reinterpret_cast<uint32_t>(text.Storage()));
    } else if (type == lang::Boolean || type == lang::Integer) {
      words.Add(parameters[i].hasDefault ? parameters[i].defaultValue : 1);
    } else {
      words.Add(reinterpret_cast<uint32_t>(destination.get()));  // the one class they take
    }
  }
  qvtest::ReportCapture reports;
  qvtest::RaisedExceptions raised;
  CallExport(table, exportName, words);
  std::string answer;
  if (const std::string exception = raised.TakeOne(); !exception.empty())
    answer += "raises " + exception + ", ";
  for (const auto& report : reports.reports()) answer += "report: " + report.condition + ", ";
  if (call.owner) answer += "LastErrorCode " + LastErrorCode(table, receiver.get());
  if (call.reach == Reach::kTool) answer += ", files " + Listing(files);
  return answer.empty() ? "returned" : answer;
}

// One row of a starting call: a member's overload, or the global function.
struct StartingRow {
  std::string owner;  // empty for a global function
  const char* name;
  const ParameterRecord* parameters;
  int32_t count;
  const char* exportName;

  std::string Signature() const {
    std::string text = owner + (owner.empty() ? "" : ".") + name + "(";
    for (int32_t i = 0; i < count; ++i) {
      text += std::string(i ? ", " : "") + parameters[i].name + " As " +
              TypeName(parameters[i].parameterType).CString();
    }
    return text + ") [" + exportName + "]";
  }
};

std::vector<StartingRow> RowsOf(const StartingCall& call) {
  if (!call.owner) {
    const GlobalFunctionRow* row = GlobalRow(call.name);
    if (!row) return {};
    return {{"", row->name, row->parameters, row->parameterCount, row->exportName}};
  }
  const ObjectDefinition* owner = call.owner();
  std::vector<StartingRow> rows;
  for (const ObjectMethod* method = owner->methods; method; method = method->next) {
    if (std::strcmp(method->name.CString(), call.name) != 0) continue;
    rows.push_back({owner->className.CString(), call.name, method->RowParameters(),
                    method->row.parameterCount, method->row.a.exportName});
  }
  return rows;
}

// A runner for every row of the starting calls; a call without a row is a line saying so.
std::vector<Runner> ExportedRunners(Table& table) {
  std::vector<Runner> runners;
  for (const StartingCall& call : kStartingCalls) {
    const std::vector<StartingRow> rows = RowsOf(call);
    if (rows.empty()) table.Line(call.name, "no row");
    for (const StartingRow& row : rows) {
      runners.push_back(
          {row.Signature(), call.reach == Reach::kReceiver, [&table, &call, row](const Program& p) {
             return CallRow(table, call, row.exportName, row.parameters, row.count, p);
           }});
    }
  }
  return runners;
}

// --- The table
// ------------------------------------------------------------------------------------

void MakeWorkFolder() {
  std::ofstream(gFolder + "/plain") << "not a program\n";
  chmod((gFolder + "/plain").c_str(), 0644);
  // A copy, not a link: a launched item names the file a link leads to.
  std::error_code error;
  std::filesystem::copy_file(QV_CHILD_PROBE, gFolder + "/probe", error);
  if (error) ADD_FAILURE() << "cannot copy the probe: " << error.message();
  for (const Program& program : kPrograms) {
    const std::string tools = ToolFolder(program);
    mkdir(tools.c_str(), 0755);
    if (std::strcmp(program.file, "missing") == 0) continue;
    for (const char* tool : {"/cp", "/mv"}) {
      if (symlink(PathOf(program).c_str(), (tools + tool).c_str()) != 0)
        ADD_FAILURE() << "cannot link " << tools << tool << ": " << std::strerror(errno);
    }
  }
}

void EmitRow(Table& table, const Runner& runner, const Program& program, int row) {
  const std::string report = gFolder + "/report-" + std::to_string(row);
  const Setting act("QV_PROBE_ACT", program.act), named("QV_PROBE_REPORT", report.c_str());
  const int wait = qvtest::TimeLimit(kReportWaitSeconds);
  const Plants plants;
  std::string answer = runner.call(program);
  answer += ReapedShellChildren(wait);
  const bool arrived = runner.detached && Runs(program) ? ExistsWithin(report, wait)
                                                        : access(report.c_str(), F_OK) == 0;
  const std::string key = runner.label + ": " + program.label;
  table.Line(key, answer + (arrived ? "; the probe ran" : "; no probe ran"));
  // A report from a program that cannot run is another's: the browser a document went to.
  if (arrived && (program.receipt || !Runs(program))) {
    for (const auto& [what, value] : Receipt(ParseReport(ReadFileText(report)), plants))
      table.Line(key + ": received " + what, value);
  }
  unlink(report.c_str());
}

// close_range as the variant needs it: working, or refused with ENOSYS.
void CheckCloseRange(bool refused) {
  errno = 0;
  const int result = close_range(4000, 4000, 0);
  const bool works = result == 0;
  if (refused && (works || errno != ENOSYS))
    SkipVariant("close_range is not refused here (the filter did not hold)");
  if (!refused && !works)
    SkipVariant(std::string("close_range does not work here: ") + std::strerror(errno));
}

void EmitRows(Table& table) {
  MakeWorkFolder();
  SettleInheritedState();
  const Setting parent("QV_PROBE_PARENT", std::to_string(getpid()).c_str());
  const Setting marker("QV_PROBE_MARK", "marker \xC3\xA9 = \"x\"");
  const Setting shellFolder("QV_CHILD_FOLDER", gFolder.c_str());
  std::vector<Runner> runners = InternalRunners();
  for (Runner& runner : ExportedRunners(table)) runners.push_back(std::move(runner));
  int row = 0;
  for (const Runner& runner : runners) {
    for (const Program& program : kPrograms) EmitRow(table, runner, program, row++);
  }
}

// The rows run in a forked child, whose lines come back through a file (key, unit separator,
// answer; or separator and the name of an export called). The test's watchdog closes a
// descriptor of its own in each forked child, which would move where a detached program's
// /dev/null lands; in a child of this process it has none left, as in a framework process.
void EmitChildren(const Variant& variant, Table& table) {
  CheckCloseRange(!variant.wrapper.empty());
  const qvtest::TempFolder folder("qvchildren");
  gFolder = folder.path();
  const std::string linesPath = gFolder + "/lines";
  const int status = qvtest::RunInChild([&linesPath] {
    Table rows;
    EmitRows(rows);
    std::ofstream out(linesPath, std::ios::binary);
    for (const auto& [key, answer] : rows.Lines()) out << key << '\x1F' << answer << '\n';
    for (const std::string& name : rows.CalledExports()) out << '\x1F' << name << '\n';
  });
  EXPECT_EQ(status, 0) << "the rows' child ended with " << WaitStatusText(status);
  std::ifstream in(linesPath, std::ios::binary);
  for (std::string line; std::getline(in, line);) {
    const size_t separator = line.find('\x1F');
    if (separator == 0) {
      table.Called(line.substr(1));
    } else if (separator != std::string::npos) {
      table.Line(line.substr(0, separator), line.substr(separator + 1));
    }
  }
}

std::vector<Variant> ChildVariants() {
  // The filter's wrapper runs this binary as the area's other variants run it: through the
  // emulator where one is named.
  std::vector<std::string> wrapper = {"python3", QV_SOURCE_DIR "/tests/support/refuse_close_range.py"};
  std::vector<std::string> self = qvtest::ThroughEmulator({"/proc/self/exe"});
  wrapper.insert(wrapper.end(), self.begin(), self.end() - 1);
  return {{"close_range works", {"LC_ALL=C"}, {}}, {"close_range refused", {"LC_ALL=C"}, wrapper}};
}

QV_ANSWER_AREA("children", ChildVariants, EmitChildren);

}  // namespace

TEST(Answers, Children) { CheckArea("children"); }
