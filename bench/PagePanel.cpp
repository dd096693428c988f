// 1,000 Value changes of a PagePanel of 5 pages with 100 push buttons each, beside a GTK
// program hiding the 100 buttons of the page it leaves and showing the 100 of the page it goes
// to with gtk_widget_hide and gtk_widget_show (the same widgets). Each run ends with
// gdk_display_sync; timed in real time.
// Needs a display: scripts/with-display build/bench/bench_PagePanel
#include <gtk/gtk.h>

#include <cstdio>
#include <vector>

#include "BenchClasses.h"
#include "BenchRatio.h"
#include "BenchWindow.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "controls/PagePanel.h"
#include "controls/PushButton.h"
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

constexpr int32_t kPages = 5;
constexpr int32_t kPerPage = 100;
constexpr int32_t kChanges = 1000;

RuntimeObject* gPanel = nullptr;
std::vector<RuntimeObject*> gButtons;

GtkWidget* Widget(int32_t page, int32_t i) {
  return AsControl(gButtons[size_t(page * kPerPage + i)])->pane->GetWidget();
}

void BM_PagePanelValue(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kChanges; ++i) PagePanelValueSetter(gPanel, 0, i % kPages);
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_PagePanelValue)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GtkHideShow(benchmark::State& state) {
  int32_t current = 0;
  for (auto _ : state) {
    for (int32_t i = 0; i < kChanges; ++i) {
      const int32_t next = i % kPages;
      for (int32_t j = 0; j < kPerPage; ++j) gtk_widget_hide(Widget(current, j));
      for (int32_t j = 0; j < kPerPage; ++j) gtk_widget_show(Widget(next, j));
      current = next;
    }
    gdk_display_sync(gdk_display_get_default());
  }
  // Leave the panel's own state as it was.
  for (int32_t j = 0; j < kPerPage; ++j) gtk_widget_hide(Widget(current, j));
  PagePanelValueSetter(gPanel, 0, current);
  for (int32_t j = 0; j < kPerPage; ++j) gtk_widget_show(Widget(current, j));
}
BENCHMARK(BM_GtkHideShow)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 600, 500, "Pages");
}

extern "C" void CreateControls(RuntimeObject* window) {
  gPanel = qvbench::NewPlacedControl(RuntimeClassForDefinition(PagePanelClassDefinition()), 0, 0,
                                     600, 500);
  AsPagePanel(gPanel)->panelCount = kPages;
  WindowAddControl(window, string("Pages").Storage(), gPanel);
  RuntimeClass* buttonClass = RuntimeClassForDefinition(PushButtonClassDefinition());
  for (int32_t page = 0; page < kPages; ++page) {
    for (int32_t i = 0; i < kPerPage; ++i) {
      const int32_t left = 10 + i % 10 * 55;
      const int32_t top = 10 + i / 10 * 45;
      RuntimeObject* button =
          qvbench::NewPlacedControl(buttonClass, left, top, left + 50, top + 30);
      AsControl(button)->tabPanelIndex = page + 1;
      WindowAddControl(window, ControlMapKey(string("B"), page * kPerPage + i).Storage(),
                       button);
      gButtons.push_back(button);
    }
  }
}

bool Show() {
  RuntimeObject* window = qvbench::ShowWindow("PagesWindow", reinterpret_cast<void*>(&LayOut),
                                               reinterpret_cast<void*>(&CreateControls));
  return qvbench::PumpUntil(
      [&] { return qvbench::WindowMapped(window) && AsControl(gPanel)->pane; });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_PagePanel")) return 0;
  if (!Show()) {
    std::fprintf(stderr, "bench_PagePanel: the window did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_PagePanelValue/real_time", "BM_GtkHideShow/real_time", 1.5}});
}
