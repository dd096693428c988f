#include "support/TestSupport.h"

#include <gdk/gdk.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

extern char** environ;

namespace qvtest {

ReportCapture::ReportCapture() { mPrevious = SetRuntimeErrorReportHook(&Hook, this); }

ReportCapture::~ReportCapture() { SetRuntimeErrorReportHook(mPrevious.hook, mPrevious.context); }

void ReportCapture::Hook(const RuntimeErrorReportInfo& info, void* context) {
  auto* self = static_cast<ReportCapture*>(context);
  self->mReports.push_back({info.code, info.sourcePath ? info.sourcePath : "", info.line,
                            info.condition ? info.condition : "",
                            info.extra ? info.extra : "", info.extra == nullptr});
}

bool ReportCapture::HasCondition(const std::string& text) const {
  for (const CapturedReport& report : mReports)
    if (report.condition == text) return true;
  return false;
}

int RunInChild(const std::function<void()>& body, std::string* output) {
  int pipeFds[2] = {-1, -1};
  if (output && pipe(pipeFds) != 0) return -1;
  std::fflush(stdout);
  std::fflush(stderr);
  pid_t pid = fork();
  if (pid < 0) return -1;
  if (pid == 0) {
    if (output) {
      close(pipeFds[0]);
      dup2(pipeFds[1], STDOUT_FILENO);
      dup2(pipeFds[1], STDERR_FILENO);
      close(pipeFds[1]);
    }
    body();
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(0);
  }
  if (output) {
    close(pipeFds[1]);
    char buffer[1024];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) output->append(buffer, n);
    close(pipeFds[0]);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0) {
  }
  return status;
}

std::string ProgramOutput(const std::vector<std::string>& argv) {
  if (argv.empty()) return "";
  std::vector<char*> words;
  for (const std::string& word : argv) words.push_back(const_cast<char*>(word.c_str()));
  words.push_back(nullptr);
  int ends[2];
  if (pipe(ends) != 0) return "";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
  posix_spawn_file_actions_addclose(&actions, ends[0]);
  pid_t child;
  const bool spawned =
      posix_spawnp(&child, words[0], &actions, nullptr, words.data(), environ) == 0;
  posix_spawn_file_actions_destroy(&actions);
  close(ends[1]);
  std::string output;
  char buffer[2048];
  for (ssize_t got; spawned && (got = read(ends[0], buffer, sizeof buffer)) > 0;)
    output.append(buffer, size_t(got));
  close(ends[0]);
  int status = 0;
  return spawned && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
                 WEXITSTATUS(status) == 0
             ? output
             : "";
}

bool HaveDisplay() { return gdk_display_get_default() != nullptr; }

}  // namespace qvtest
