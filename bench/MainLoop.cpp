// An idle pass of the main loop (no window, nothing due, nothing to poll) beside a bare
// non-blocking toolkit iteration: the least any loop that drives GTK one iteration at a time
// does per pass. Without a display both iterate GLib's default main context instead.
#include <gtk/gtk.h>

#include "BenchRatio.h"
#include "BenchStart.h"
#include "app/MainLoop.h"

namespace {

void BM_IdleMainLoopPass(benchmark::State& state) {
  for (auto _ : state) MainLoopDoEvents(false);
}
BENCHMARK(BM_IdleMainLoopPass);

void BM_BareToolkitIteration(benchmark::State& state) {
  const bool gtk = gdk_display_get_default() != nullptr;
  for (auto _ : state) {
    if (gtk) {
      gtk_main_iteration_do(FALSE);
    } else {
      g_main_context_iteration(nullptr, FALSE);
    }
  }
}
BENCHMARK(BM_BareToolkitIteration);

}  // namespace

int main(int argc, char** argv) {
  qvbench::StartToolkit(&argc, &argv);
  return qvbench::RunWithRatios(argc, argv, {{"BM_IdleMainLoopPass", "BM_BareToolkitIteration"}},
                                1.5);
}
