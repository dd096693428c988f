// Process start to the application's entry: the framework starting its windowless sample image
// (finding its own .qv section, reading, linking and calling the entry) beside a plain program
// that only initialises GTK (this benchmark re-executed with --plain-gtk-start).
#include <fcntl.h>
#include <gtk/gtk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <string>

#include "BenchRatio.h"

namespace {

constexpr char kPlainStartFlag[] = "--plain-gtk-start";

std::string SelfPath() { return std::filesystem::read_symlink("/proc/self/exe").string(); }

std::string SamplePath() {
  const std::filesystem::path bench = std::filesystem::path(SelfPath()).parent_path();
  return (bench / ".." / "examples" / "hello_sample.exe")
      .lexically_normal()
      .string();
}

// Runs program to its end with standard output discarded; false when it did not exit 0.
bool RunToEnd(const std::string& program, const char* argument) {
  pid_t child = fork();
  if (child == 0) {
    int null = open("/dev/null", O_WRONLY);
    dup2(null, STDOUT_FILENO);
    execl(program.c_str(), program.c_str(), argument, static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void BM_StartSampleImage(benchmark::State& state) {
  std::string sample = SamplePath();
  for (auto _ : state) {
    if (!RunToEnd(sample, nullptr)) {
      state.SkipWithError(("cannot run " + sample).c_str());
      break;
    }
  }
}
BENCHMARK(BM_StartSampleImage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_StartPlainGtkProgram(benchmark::State& state) {
  std::string self = SelfPath();
  for (auto _ : state) {
    if (!RunToEnd(self, kPlainStartFlag)) {
      state.SkipWithError("cannot re-run this program");
      break;
    }
  }
}
BENCHMARK(BM_StartPlainGtkProgram)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], kPlainStartFlag) == 0) {
    gtk_init_check(&argc, &argv);
    return 0;
  }
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_StartSampleImage/real_time", "BM_StartPlainGtkProgram/real_time"}}, 1.2);
}
