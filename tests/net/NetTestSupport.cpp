#include "NetTestSupport.h"

#include <fcntl.h>
#include <glib.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "app/MainLoop.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "support/Watchdog.h"

extern char** environ;

namespace nettest {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

// The end of a wait of ms, stretched by the slow-run factor as every limit of the tests is.
Clock::time_point After(int ms) {
  return Clock::now() + std::chrono::milliseconds(qvtest::TimeLimit(ms));
}

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(uint16_t(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

// A socket bound to an ephemeral loopback port, and the port.
int BoundSocket(int* port) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  EXPECT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  *port = ntohs(address.sin_port);
  return fd;
}

}  // namespace

PeerProcess::PeerProcess(const std::vector<std::string>& argv) {
  int output[2], input[2];
  if (pipe2(output, O_CLOEXEC) != 0 || pipe2(input, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  if (posix_spawnp(&mPid, args[0], &actions, nullptr, args.data(), environ) != 0) mPid = -1;
  EXPECT_GT(mPid, 0) << "cannot start " << argv[0];
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  close(input[0]);
  mOutput = output[0];
  mInput = input[1];
}

PeerProcess::~PeerProcess() {
  if (mInput >= 0) close(mInput);
  if (!Ended(2000)) {
    kill(mPid, SIGKILL);
    Ended(5000);
  }
  close(mOutput);
}

bool PeerProcess::Ended(int timeoutMs) {
  const Clock::time_point deadline = After(timeoutMs);
  while (mPid > 0 && waitpid(mPid, nullptr, WNOHANG) != mPid) {
    if (MillisecondsLeft(deadline) == 0) return false;
    usleep(5000);
  }
  mPid = -1;
  return true;
}

bool PeerProcess::TakeLine(const std::string& prefix, std::string* rest) {
  for (size_t newline; (newline = mBuffered.find('\n')) != std::string::npos;) {
    const std::string line = mBuffered.substr(0, newline);
    mBuffered.erase(0, newline + 1);
    if (line.compare(0, prefix.size(), prefix) == 0) {
      *rest = line.substr(prefix.size());
      return true;
    }
  }
  return false;
}

std::string PeerProcess::Await(const std::string& prefix) {
  const Clock::time_point deadline = After(60000);
  std::string rest;
  while (!Check(prefix, &rest)) {
    if (mOutputEnded) return "";
    pollfd entry{mOutput, POLLIN, 0};
    if (poll(&entry, 1, MillisecondsLeft(deadline)) <= 0) return "";
  }
  return rest;
}

bool PeerProcess::Check(const std::string& prefix, std::string* rest) {
  for (;;) {
    if (TakeLine(prefix, rest)) return true;
    pollfd entry{mOutput, POLLIN, 0};
    char buffer[4096];
    if (poll(&entry, 1, 0) <= 0) return false;
    const ssize_t n = read(mOutput, buffer, sizeof buffer);
    if (n <= 0) {
      mOutputEnded = true;
      return false;
    }
    mBuffered.append(buffer, size_t(n));
  }
}

void PeerProcess::Write(const std::string& text) {
  EXPECT_EQ(write(mInput, text.data(), text.size()), ssize_t(text.size()));
}

void PeerProcess::CloseInput() {
  close(mInput);
  mInput = -1;
}

Peer StartPeer(const std::vector<std::string>& modeAndArguments) {
  std::vector<std::string> argv = {"python3", NET_PEER_SCRIPT};
  argv.insert(argv.end(), modeAndArguments.begin(), modeAndArguments.end());
  Peer peer{std::make_unique<PeerProcess>(argv)};
  peer.port = std::atoi(peer.process->Await("port ").c_str());
  EXPECT_GT(peer.port, 0) << "the peer did not start";
  return peer;
}

Peer StartLocalPeer(const std::string& path, const std::vector<std::string>& modeAndArguments) {
  std::vector<std::string> argv = {"python3", NET_PEER_SCRIPT, "--unix", path};
  argv.insert(argv.end(), modeAndArguments.begin(), modeAndArguments.end());
  Peer peer{std::make_unique<PeerProcess>(argv)};
  EXPECT_EQ(peer.process->Await("listening "), path) << "the peer did not start";
  return peer;
}

PlainServer::PlainServer() {
  mListener = BoundSocket(&mPort);
  EXPECT_EQ(listen(mListener, 512), 0);
}

PlainServer::~PlainServer() {
  for (int fd : mConnections) close(fd);
  close(mListener);
}

int PlainServer::Accept(int count) {
  const Clock::time_point deadline = After(10000);
  while (int(mConnections.size()) < count) {
    pollfd entry{mListener, POLLIN, 0};
    if (poll(&entry, 1, MillisecondsLeft(deadline)) <= 0) break;
    const int fd = accept4(mListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) mConnections.push_back(fd);
  }
  return int(mConnections.size());
}

DescriptorLimit::DescriptorLimit(int count) {
  getrlimit(RLIMIT_NOFILE, &mSaved);
  if (mSaved.rlim_max < rlim_t(count)) return;
  rlimit raised = mSaved;
  raised.rlim_cur = std::max<rlim_t>(mSaved.rlim_cur, rlim_t(count));
  mRaised = setrlimit(RLIMIT_NOFILE, &raised) == 0;
}

DescriptorLimit::~DescriptorLimit() {
  if (mRaised) setrlimit(RLIMIT_NOFILE, &mSaved);
}

int FreePort() {
  int port = 0;
  close(BoundSocket(&port));  // bound, never listening: nothing takes the port meanwhile
  return port;
}

static gboolean Fire(gpointer fired) {
  *static_cast<bool*>(fired) = true;
  return G_SOURCE_REMOVE;
}

void RunPass(int maxWaitMs) {
  bool fired = false;
  const guint timer = maxWaitMs > 0 ? g_timeout_add(guint(maxWaitMs), Fire, &fired) : 0;
  MainLoopDoEvents(maxWaitMs > 0);
  if (timer && !fired) g_source_remove(timer);
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
  const Clock::time_point deadline = After(timeoutMs);
  while (!done()) {
    if (MillisecondsLeft(deadline) == 0) return false;
    RunPass(std::min(50, MillisecondsLeft(deadline)));
  }
  return true;
}

void RecordingDelegate::DataAvailable(TCPSocket* socket) {
  if (readOnData) {
    const string text = socket->ReadAll();
    received.append(text.CString(), size_t(text.Length()));
  }
  Note(socket, "data");
}

void RecordingDelegate::Note(TCPSocket* socket, const std::string& event) {
  events.push_back(event);
  if (onEvent) onEvent(socket, event);
}

int CountOf(const std::vector<std::string>& events, const std::string& event) {
  return int(std::count(events.begin(), events.end(), event));
}

RuntimeClass* MakeSubclass(ObjectDefinition* parent, const char* name,
                           const std::vector<std::pair<const char*, void*>>& handlers) {
  static bool registered = false;
  if (!registered) RunStartupSteps(kStartupClassesBegin, kStartupClassesEnd);
  registered = true;
  RuntimeClass* base = RuntimeClassForDefinition(parent);
  RuntimeClass* cls =
      RuntimeNewClass(base, base->methodCount, base->interfaceCount, base->eventCount,
                      base->namedMethodCount, base->propertyCount);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = base->instanceSize;
  for (const auto& [event, handler] : handlers) {
    int found = 0;
    for (int32_t i = 0; i < cls->eventCount; ++i) {
      if (string(cls->eventTable[i].name).Compare(string(event)) != 0) continue;
      cls->eventTable[i].vector = handler;
      ++found;
    }
    EXPECT_EQ(found, 1) << event;
  }
  return cls;
}

}  // namespace nettest
