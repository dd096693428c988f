// The call compiled loops make again and again, RuntimeBackgroundTask (49 of 50 calls only
// count), beside the same loop calling an exported function that does nothing; and the shell
// runner's waiting mode reading 64 MB beside posix_spawn of the same command line with a plain
// read loop into a std::string.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "BenchRatio.h"
#include "app/BackgroundTask.h"
#include "app/ShellCommand.h"
#include "core/DebugMode.h"
#include "core/Memory.h"
#include "core/Startup.h"

extern char** environ;

namespace {

constexpr int64_t kLoopCalls = 100000000;
constexpr const char* kCommand = "head -c 67108864 /dev/zero";
constexpr size_t kExpectedBytes = size_t(64) << 20;

// Called through pointers the compiler cannot see through, as compiled code calls the linked
// addresses.
void (*volatile gBackgroundTask)() = &RuntimeBackgroundTask;
void (*volatile gEmptyExport)() = &lineTrace;

void BM_RuntimeBackgroundTaskLoop(benchmark::State& state) {
  void (*call)() = gBackgroundTask;
  for (auto _ : state) call();
}
BENCHMARK(BM_RuntimeBackgroundTaskLoop)->Iterations(kLoopCalls);

void BM_EmptyExportLoop(benchmark::State& state) {
  void (*call)() = gEmptyExport;
  for (auto _ : state) call();
}
BENCHMARK(BM_EmptyExportLoop)->Iterations(kLoopCalls);

void BM_RunShellCommandWaiting(benchmark::State& state) {
  const string command(kCommand);
  for (auto _ : state) {
    const string output = RunShellCommand(command, true);
    if (size_t(output.Length()) != kExpectedBytes) state.SkipWithError("short output");
  }
}
BENCHMARK(BM_RunShellCommandWaiting)->UseRealTime()->Unit(benchmark::kMillisecond);

// What a careful program does without the framework: one spawn, one pipe for both outputs,
// 64 KB reads appended to a string, then the wait.
std::string SpawnAndRead() {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
  char* const argv[] = {const_cast<char*>("bash"), const_cast<char*>("-c"),
                        const_cast<char*>(kCommand), nullptr};
  pid_t child = -1;
  const int spawned = posix_spawn(&child, "/bin/bash", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  std::string output;
  static char piece[65536];
  for (ssize_t count; (count = read(fds[0], piece, sizeof piece)) > 0;) {
    output.append(piece, size_t(count));
  }
  close(fds[0]);
  if (spawned == 0) waitpid(child, nullptr, 0);
  return output;
}

void BM_PosixSpawnAndReadLoop(benchmark::State& state) {
  for (auto _ : state) {
    const std::string output = SpawnAndRead();
    if (output.size() != kExpectedBytes) state.SkipWithError("short output");
  }
}
BENCHMARK(BM_PosixSpawnAndReadLoop)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_RuntimeBackgroundTaskLoop/iterations:100000000",
                                  "BM_EmptyExportLoop/iterations:100000000", 1.5},
                                 {"BM_RunShellCommandWaiting/real_time",
                                  "BM_PosixSpawnAndReadLoop/real_time", 1.2}});
}
