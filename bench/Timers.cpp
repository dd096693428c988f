// Timer dispatch: 10,000 Single timers of 1 ms with an empty compiled Action, armed and run out
// by the main loop's passes, beside 10,000 one-shot GLib timeouts of 1 ms calling an empty
// function, run out by a bare toolkit loop (GTK's with a display, else GLib's default context).
// Making the timer objects is left out of the time; arming them is in, as the timeouts' adding
// is.
#include <gtk/gtk.h>

#include <vector>

#include "BenchRatio.h"
#include "BenchStart.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "controls/TimerClass.h"
#include "core/EventHandlers.h"
#include "core/ObjectDefinitionConverter.h"

namespace {

constexpr int kTimers = 10000;

int gFired = 0;

void EmptyAction(RuntimeObject*) { ++gFired; }

gboolean EmptyTimeout(gpointer) {
  ++gFired;
  return G_SOURCE_REMOVE;
}

void IterateToolkit() {
  if (gdk_display_get_default()) {
    gtk_main_iteration_do(TRUE);
  } else {
    g_main_context_iteration(nullptr, TRUE);
  }
}

void BM_TimerDispatch(benchmark::State& state) {
  std::vector<RuntimeObject*> timers;
  for (int i = 0; i < kTimers; ++i) {
    RuntimeObject* timer = NewObjectFromDefinition(TimerClassDefinition());
    RuntimeInstallInstanceEventHandler(timer, string("Action").Storage(),
                                       reinterpret_cast<void*>(&EmptyAction));
    timerPeriodSetter(timer, 0, 1);
    timers.push_back(timer);
  }
  for (auto _ : state) {
    gFired = 0;
    for (RuntimeObject* timer : timers) timerModeSetter(timer, 0, kTimerSingle);
    while (gFired < kTimers) MainLoopDoEvents(true);
  }
  for (RuntimeObject* timer : timers) RuntimeUnlockObject(timer);
}
BENCHMARK(BM_TimerDispatch)->Unit(benchmark::kMillisecond);

void BM_BareTimeoutDispatch(benchmark::State& state) {
  for (auto _ : state) {
    gFired = 0;
    for (int i = 0; i < kTimers; ++i) g_timeout_add(1, EmptyTimeout, nullptr);
    while (gFired < kTimers) IterateToolkit();
  }
}
BENCHMARK(BM_BareTimeoutDispatch)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  qvbench::StartToolkit(&argc, &argv);
  RuntimeInitExternalClasses();
  return qvbench::RunWithRatios(argc, argv, {{"BM_TimerDispatch", "BM_BareTimeoutDispatch"}},
                                2.0);
}
