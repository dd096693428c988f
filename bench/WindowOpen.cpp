// A window of 100 push buttons opened and closed as compiled code does it (a Window subclass
// whose CreateControls handler adds the buttons, RuntimeShowWindow, RuntimeCloseWindow), beside
// what a GTK program does for the same: a GtkWindow holding a GtkFixed with the same 100
// GtkButtons, shown and destroyed. Each run waits until the window is mapped, then closes it and
// waits until the framework's window is gone; it ends with gdk_display_sync and is timed in real
// time, the window manager's part included on both sides.
// Needs a display: scripts/with-display build/bench/bench_WindowOpen
#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "BenchClasses.h"
#include "BenchRatio.h"
#include "BenchWindow.h"
#include "controls/PushButton.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kButtons = 100;
constexpr int32_t kColumns = 10;
constexpr int16_t kWidth = 600;
constexpr int16_t kHeight = 400;

struct Place {
  int32_t left, top, right, bottom;
};
Place ButtonPlace(int32_t i) {
  const int32_t left = 10 + i % kColumns * 58;
  const int32_t top = 10 + i / kColumns * 38;
  return {left, top, left + 50, top + 30};
}

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, kWidth, kHeight, "Buttons");
}

extern "C" void CreateControls(RuntimeObject* window) {
  RuntimeClass* buttonClass = RuntimeClassForDefinition(PushButtonClassDefinition());
  for (int32_t i = 0; i < kButtons; ++i) {
    const Place p = ButtonPlace(i);
    RuntimeObject* button =
        qvbench::NewPlacedControl(buttonClass, p.left, p.top, p.right, p.bottom);
    pushButtonTitleSetter(button, 0, string("Button").Storage());
    WindowAddControl(window, ControlMapKey(string("B"), i).Storage(), button);
    RuntimeUnlockObject(button);
  }
}

void BM_Open100ButtonWindow(benchmark::State& state) {
  RuntimeClass* windowClass = qvbench::Subclass(WindowClassDefinition(), "ButtonsWindow");
  qvbench::SetEvent(windowClass, "Layout", reinterpret_cast<void*>(&LayOut));
  qvbench::SetEvent(windowClass, "CreateControls", reinterpret_cast<void*>(&CreateControls));
  for (auto _ : state) {
    RuntimeObject* window = RuntimeNewObject(windowClass);
    WindowDefaultConstructor(window);
    RuntimeShowWindow(window);
    while (!qvbench::WindowMapped(window)) MainLoopDoEvents(true);
    RuntimeCloseWindow(window);
    RuntimeUnlockObject(window);
    while (Window::FirstWindow()) MainLoopDoEvents(false);
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_Open100ButtonWindow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GtkButtonsInFixed(benchmark::State& state) {
  for (auto _ : state) {
    GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_window_set_title(GTK_WINDOW(window), "Buttons");
    gtk_window_resize(GTK_WINDOW(window), kWidth, kHeight);
    GtkWidget* fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(window), fixed);
    for (int32_t i = 0; i < kButtons; ++i) {
      const Place p = ButtonPlace(i);
      GtkWidget* button = gtk_button_new_with_label("Button");
      gtk_widget_set_size_request(button, p.right - p.left, p.bottom - p.top);
      gtk_fixed_put(GTK_FIXED(fixed), button, p.left, p.top);
    }
    gtk_widget_show_all(window);
    while (!GTK_WIDGET_MAPPED(window)) gtk_main_iteration_do(TRUE);
    gtk_widget_destroy(window);
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GtkButtonsInFixed)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_WindowOpen")) return 0;
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_Open100ButtonWindow/real_time", "BM_GtkButtonsInFixed/real_time", 1.3}});
}
