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
#include <cstring>

#include "core/ClassRegistry.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"
#include "net/SocketPolling.h"

extern char** environ;

namespace nettest {

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
  return left > 0 ? int(left) : 0;
}

gboolean WakeUp(gpointer fired) {
  *static_cast<bool*>(fired) = true;
  return G_SOURCE_REMOVE;
}

}  // namespace

PeerProcess::PeerProcess(const std::vector<std::string>& argv) {
  int output[2];
  int input[2];
  if (pipe2(output, O_CLOEXEC) != 0 || pipe2(input, O_CLOEXEC) != 0) {
    ADD_FAILURE() << "no pipes";
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, output[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  if (posix_spawnp(&mPid, args[0], &actions, nullptr, args.data(), environ) != 0) {
    ADD_FAILURE() << "cannot start " << argv[0];
    mPid = -1;
  }
  posix_spawn_file_actions_destroy(&actions);
  close(output[1]);
  close(input[0]);
  mOutput = output[0];
  mInput = input[1];
}

PeerProcess::~PeerProcess() {
  if (mInput >= 0) close(mInput);
  if (mPid > 0 && Wait(2000) == -1) {
    kill(mPid, SIGTERM);
    if (Wait(2000) == -1) kill(mPid, SIGKILL);
    if (mPid > 0) waitpid(mPid, nullptr, 0);
  }
  if (mOutput >= 0) close(mOutput);
}

std::string PeerProcess::ReadLine(int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    const size_t newline = mBuffered.find('\n');
    if (newline != std::string::npos) {
      std::string line = mBuffered.substr(0, newline);
      mBuffered.erase(0, newline + 1);
      return line;
    }
    pollfd entry{mOutput, POLLIN, 0};
    if (mOutput < 0 || poll(&entry, 1, MillisecondsLeft(deadline)) <= 0) return "";
    char buffer[4096];
    const ssize_t n = read(mOutput, buffer, sizeof buffer);
    if (n <= 0) return "";
    mBuffered.append(buffer, size_t(n));
  }
}

std::string PeerProcess::Await(const std::string& prefix, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (MillisecondsLeft(deadline) > 0) {
    const std::string line = ReadLine(MillisecondsLeft(deadline));
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
    if (line.empty()) return "";
  }
  return "";
}

int PeerProcess::Wait(int timeoutMs) {
  if (mPid <= 0) return -1;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int status = 0;
    if (waitpid(mPid, &status, WNOHANG) == mPid) {
      mPid = -1;
      return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    if (MillisecondsLeft(deadline) == 0) return -1;
    usleep(5000);
  }
}

Peer StartPeer(const std::vector<std::string>& modeAndArguments) {
  std::vector<std::string> argv = {"python3", NET_PEER_SCRIPT};
  argv.insert(argv.end(), modeAndArguments.begin(), modeAndArguments.end());
  Peer peer;
  peer.process = std::make_unique<PeerProcess>(argv);
  peer.port = std::atoi(peer.process->Await("port ").c_str());
  EXPECT_GT(peer.port, 0) << "the peer did not start";
  return peer;
}

void RunPass(int maxWaitMs) {
  bool fired = false;
  guint timer = 0;
  if (maxWaitMs > 0) timer = g_timeout_add(guint(maxWaitMs), WakeUp, &fired);
  g_main_context_iteration(nullptr, maxWaitMs > 0);
  if (timer && !fired) g_source_remove(timer);
  SocketsPoll(false);
}

bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (MillisecondsLeft(deadline) == 0) return false;
    RunPass(std::min(50, MillisecondsLeft(deadline)));
  }
  return true;
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  close(fd);  // bound, never listening: the port refuses until someone takes it
  return ntohs(address.sin_port);
}

PlainServer::PlainServer() {
  mListener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  EXPECT_EQ(bind(mListener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(listen(mListener, 512), 0);
  getsockname(mListener, reinterpret_cast<sockaddr*>(&address), &length);
  mPort = ntohs(address.sin_port);
}

PlainServer::~PlainServer() {
  for (int fd : mConnections) close(fd);
  close(mListener);
}

int PlainServer::Accept(int count, int timeoutMs) {
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (int(mConnections.size()) < count) {
    pollfd entry{mListener, POLLIN, 0};
    if (poll(&entry, 1, MillisecondsLeft(deadline)) <= 0) break;
    const int fd = accept4(mListener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0) mConnections.push_back(fd);
  }
  return int(mConnections.size());
}

Sha256::Sha256() : mChecksum(g_checksum_new(G_CHECKSUM_SHA256)) {}
Sha256::~Sha256() { g_checksum_free(static_cast<GChecksum*>(mChecksum)); }
void Sha256::Add(const void* bytes, size_t n) {
  g_checksum_update(static_cast<GChecksum*>(mChecksum), static_cast<const guchar*>(bytes),
                    gssize(n));
}
std::string Sha256::Hex() { return g_checksum_get_string(static_cast<GChecksum*>(mChecksum)); }

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
  int count = 0;
  for (const std::string& e : events) count += e == event;
  return count;
}

RuntimeClass* MakeSubclass(ObjectDefinition* parent, const char* name,
                           const std::vector<std::pair<const char*, void*>>& handlers) {
  RuntimeClass* base = RuntimeClassForDefinition(parent);
  RuntimeClass* cls = RuntimeNewClass(base, base->methodCount, 0, base->eventCount,
                                      base->namedMethodCount, base->propertyCount);
  cls->className = string(name).ExtractStringStorage();
  cls->instanceSize = base->instanceSize;
  for (const auto& [event, handler] : handlers) {
    bool found = false;
    for (int32_t i = 0; i < cls->eventCount; ++i) {
      if (string(cls->eventTable[i].name).Compare(string(event)) != 0) continue;
      cls->eventTable[i].vector = handler;
      found = true;
    }
    EXPECT_TRUE(found) << "no event " << event;
  }
  return cls;
}

void RegisterSocketClasses() {
  static bool registered = false;
  if (registered) return;
  registered = true;
  RunStartupSteps(kStartupClassesBegin, kStartupClassesEnd);
}

}  // namespace nettest
