// RefreshRect on a shown window whose Paint handler is a C function, beside what a GTK program
// does for the same: gdk_window_invalidate_rect and gdk_window_process_updates on a plain
// GtkWindow whose "expose-event" handler calls the same function. Each run paints 1,000
// rectangles spread over the window and ends with gdk_display_sync; timed in real time.
// Needs a display: scripts/with-display build/bench/bench_WindowRefresh
#include <gtk/gtk.h>

#include <cstdio>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowAccessors.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

constexpr int32_t kWidth = 400;
constexpr int32_t kHeight = 300;
constexpr int32_t kCalls = 1000;
constexpr int32_t kSide = 20;

int64_t gPaints = 0;
RuntimeObject* gWindow = nullptr;
GtkWidget* gPlain = nullptr;

// The work of one paint, the same on both sides.
extern "C" void CountPaint(RuntimeObject*, RuntimeObject*) { ++gPaints; }

int32_t X(int32_t i) { return i * 37 % (kWidth - kSide); }
int32_t Y(int32_t i) { return i * 53 % (kHeight - kSide); }

void BM_WindowRefreshRect(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kCalls; ++i) formRefreshRect(gWindow, X(i), Y(i), kSide, kSide, 1);
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_WindowRefreshRect)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GdkInvalidateAndProcess(benchmark::State& state) {
  GdkWindow* window = gPlain->window;
  for (auto _ : state) {
    for (int32_t i = 0; i < kCalls; ++i) {
      GdkRectangle rect = {X(i), Y(i), kSide, kSide};
      gdk_window_invalidate_rect(window, &rect, TRUE);
      gdk_window_process_updates(window, TRUE);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GdkInvalidateAndProcess)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, kWidth, kHeight, "Refreshed");
}

RuntimeClass* WindowClass() {
  RuntimeClass* base = RuntimeClassForDefinition(WindowClassDefinition());
  RuntimeClass* cls = RuntimeNewClass(base, base->methodCount, base->interfaceCount,
                                      base->eventCount, base->namedMethodCount,
                                      base->propertyCount);
  cls->className = string("RefreshedWindow").ExtractStringStorage();
  cls->instanceSize = base->instanceSize;
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    const string name(cls->eventTable[i].name);
    if (name.Compare(string("Layout")) == 0) {
      cls->eventTable[i].vector = reinterpret_cast<void*>(&LayOut);
    } else if (name.Compare(string("Paint")) == 0) {
      cls->eventTable[i].vector = reinterpret_cast<void*>(&CountPaint);
    }
  }
  return cls;
}

gboolean PlainExpose(GtkWidget*, GdkEventExpose*, gpointer) {
  CountPaint(nullptr, nullptr);
  return FALSE;
}

// Main-loop passes until both windows are on screen and have painted.
bool ShowBoth() {
  gWindow = RuntimeNewObject(WindowClass());
  if (!gWindow) return false;
  WindowDefaultConstructor(gWindow);
  RuntimeShowWindow(gWindow);
  gPlain = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_title(GTK_WINDOW(gPlain), "Plain");
  gtk_window_resize(GTK_WINDOW(gPlain), kWidth, kHeight);
  g_signal_connect(gPlain, "expose-event", G_CALLBACK(PlainExpose), nullptr);
  gtk_widget_show(gPlain);
  return qvbench::PumpUntil([] {
    return qvbench::WindowMapped(gWindow) && GTK_WIDGET_MAPPED(gPlain) && gPaints >= 2;
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_WindowRefresh")) return 0;
  if (!ShowBoth()) {
    std::fprintf(stderr, "bench_WindowRefresh: the windows did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_WindowRefreshRect/real_time", "BM_GdkInvalidateAndProcess/real_time", 1.3}});
}
