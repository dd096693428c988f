// 100,000 Value assignments through scrollerPropSetter on a live ScrollBar whose ValueChanged
// handler is a C function, beside gtk_range_set_value on a plain GtkHScrollbar whose
// "value-changed" callback calls the same function (the same values, each a change). Each run
// ends with gdk_display_sync; timed in real time.
// Needs a display: scripts/with-display build/bench/bench_ScrollBar
#include <gtk/gtk.h>

#include <cstdio>

#include "BenchClasses.h"
#include "BenchRatio.h"
#include "BenchWindow.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "controls/ScrollBar.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvbench::SetEvent;
using qvbench::Subclass;

constexpr int32_t kAssignments = 100000;
constexpr int32_t kMaximum = 1000;

RuntimeObject* gBar = nullptr;
GtkWidget* gPlain = nullptr;
volatile int32_t gHeard = 0;

// The handler both sides run.
extern "C" void Heard(RuntimeObject*) { gHeard = gHeard + 1; }

void OnPlainValueChanged(GtkRange*, gpointer) { Heard(nullptr); }

void BM_ScrollBarValue(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kAssignments; ++i) {
      scrollerPropSetter(gBar, kScrollerValue, 1 + i % kMaximum);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_ScrollBarValue)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GtkRangeSetValue(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kAssignments; ++i) {
      gtk_range_set_value(GTK_RANGE(gPlain), 1 + i % kMaximum);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GtkRangeSetValue)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 100, 300, "Scroll");
}

extern "C" void CreateControls(RuntimeObject* window) {
  RuntimeClass* barClass = Subclass(ScrollBarClassDefinition(), "BenchScrollBar");
  SetEvent(barClass, "ValueChanged", reinterpret_cast<void*>(&Heard));
  gBar = qvbench::NewPlacedControl(barClass, 10, 10, 26, 290);
  scrollerPropSetter(gBar, kScrollerMaximum, kMaximum);
  scrollerPropSetter(gBar, kScrollerLineStep, 1);
  ScrollerLiveScrollSetter(gBar, 0, 1);
  WindowAddControl(window, string("Bar").Storage(), gBar);
}

bool Show() {
  RuntimeObject* window = qvbench::ShowWindow("ScrollWindow", reinterpret_cast<void*>(&LayOut),
                                               reinterpret_cast<void*>(&CreateControls));

  GtkWidget* plainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gPlain = gtk_hscrollbar_new(nullptr);
  gtk_range_set_range(GTK_RANGE(gPlain), 0, kMaximum);
  gtk_range_set_update_policy(GTK_RANGE(gPlain), GTK_UPDATE_CONTINUOUS);
  gtk_widget_set_size_request(gPlain, 280, 16);
  g_signal_connect(gPlain, "value-changed", G_CALLBACK(&OnPlainValueChanged), nullptr);
  gtk_container_add(GTK_CONTAINER(plainWindow), gPlain);
  gtk_widget_show_all(plainWindow);

  return qvbench::PumpUntil([&] {
    return qvbench::WindowMapped(window) && GTK_WIDGET_MAPPED(gPlain) && AsControl(gBar)->pane;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_ScrollBar")) return 0;
  if (!Show()) {
    std::fprintf(stderr, "bench_ScrollBar: the window did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_ScrollBarValue/real_time", "BM_GtkRangeSetValue/real_time", 1.3}});
}
