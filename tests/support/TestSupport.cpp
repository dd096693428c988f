#include "support/TestSupport.h"

#include <gdk/gdk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

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

bool HaveDisplay() { return gdk_display_get_default() != nullptr; }

}  // namespace qvtest
