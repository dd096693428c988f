// Process start to the application's entry: the framework starting an image whose entry returns
// at once (finding its own .qv section, reading, linking, starting GTK, calling the entry)
// beside a separate plain C program that only calls gtk_init_check and returns. Run it under
// a display (scripts/with-display) to count the connection to the X server on both sides.
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "BenchRatio.h"

namespace {

// Runs program to its end with standard output discarded; false when it did not exit 0.
bool RunToEnd(const char* program) {
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    execl(program, program, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void StartToEnd(benchmark::State& state, const char* program) {
  for (auto _ : state) {
    if (!RunToEnd(program)) {
      state.SkipWithError((std::string("cannot run ") + program).c_str());
      break;
    }
  }
}

void BM_StartImage(benchmark::State& state) { StartToEnd(state, QUIT_AT_ONCE_IMAGE); }
BENCHMARK(BM_StartImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartPlainGtkProgram(benchmark::State& state) { StartToEnd(state, PLAIN_GTK_START); }
BENCHMARK(BM_StartPlainGtkProgram)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_StartImage/real_time", "BM_StartPlainGtkProgram/real_time"}}, 1.15);
}
