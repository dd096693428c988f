// Check boxes and radio buttons beside plain GTK doing the same work:
//   - 100,000 Value flips through checkBoxValueSetter on a live check box whose Action handler
//     is a C function, beside gtk_toggle_button_set_active on a plain GtkCheckButton whose
//     "toggled" handler calls the same function;
//   - 1,000 radio buttons in 200 groups made through RadioCreatePane, beside
//     gtk_radio_button_new_with_label and gtk_fixed_put in the same groups (the widgets are
//     destroyed outside the timing).
// Each run ends with gdk_display_sync; timed in real time.
// Needs a display: scripts/with-display build/bench/bench_ToggleButtons
#include <gtk/gtk.h>

#include <cstdio>
#include <vector>

#include "BenchClasses.h"
#include "BenchRatio.h"
#include "BenchWindow.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "controls/CheckBox.h"
#include "controls/RadioButton.h"
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

constexpr int32_t kFlips = 100000;
constexpr int32_t kRadios = 1000;
constexpr int32_t kPerGroup = 5;

RuntimeObject* gWindow = nullptr;
RuntimeObject* gBox = nullptr;
GtkWidget* gPlainBox = nullptr;
int32_t gActions = 0;

extern "C" void CountAction(RuntimeObject*) { ++gActions; }
void OnPlainToggled(GtkToggleButton*, gpointer) { CountAction(nullptr); }

GtkFixed* ContentFixed() {
  SubPane* pane = AsControl(gBox)->pane;
  return GTK_FIXED(gtk_widget_get_parent(pane->GetWidget()));
}

void BM_CheckBoxValue(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kFlips; ++i) checkBoxValueSetter(gBox, 0, i & 1);
    gdk_display_sync(gdk_display_get_default());
  }
  if (gActions == 0) state.SkipWithError("no Action ran");
}
BENCHMARK(BM_CheckBoxValue)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GtkToggle(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kFlips; ++i) {
      gtk_toggle_button_set_active(GTK_TOGGLE_BUTTON(gPlainBox), i & 1);
    }
    gdk_display_sync(gdk_display_get_default());
  }
}
BENCHMARK(BM_GtkToggle)->Unit(benchmark::kMillisecond)->UseRealTime();

QV::Rect Place(int32_t i) {
  const int16_t left = int16_t(10 + i % 20 * 28);
  const int16_t top = int16_t(60 + i / 20 * 8);
  return {top, left, int16_t(top + 8), int16_t(left + 26)};
}

void BM_RadioCreatePane(benchmark::State& state) {
  RuntimeClass* radioClass = RuntimeClassForDefinition(RadioButtonClassDefinition());
  SubPane* owner = AsControl(gBox)->ownerPane;
  std::vector<RuntimeObject*> radios;
  for (auto _ : state) {
    for (int32_t i = 0; i < kRadios; ++i) {
      RuntimeObject* radio = RuntimeNewObject(radioClass);
      ControlObject* control = AsControl(radio);
      control->bounds = Place(i);
      control->tabPanelIndex = i / kPerGroup + 1;  // one group per page
      control->visible = control->enabled = 1;
      control->ownerPane = owner;
      RadioCreatePane(radio);
      radios.push_back(radio);
    }
    gdk_display_sync(gdk_display_get_default());
    state.PauseTiming();
    for (RuntimeObject* radio : radios) {
      SubPane* pane = AsControl(radio)->pane;
      AsControl(radio)->pane = nullptr;
      pane->Close();
      RuntimeUnlockObject(radio);
    }
    radios.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_RadioCreatePane)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GtkRadioNew(benchmark::State& state) {
  GtkFixed* fixed = ContentFixed();
  std::vector<GtkWidget*> widgets;
  for (auto _ : state) {
    GtkWidget* first = nullptr;
    for (int32_t i = 0; i < kRadios; ++i) {
      if (i % kPerGroup == 0) first = nullptr;
      GSList* group = first ? gtk_radio_button_get_group(GTK_RADIO_BUTTON(first)) : nullptr;
      GtkWidget* radio = gtk_radio_button_new_with_label(group, "");
      const QV::Rect r = Place(i);
      gtk_widget_set_size_request(radio, r.right - r.left, r.bottom - r.top);
      gtk_fixed_put(fixed, radio, r.left, r.top);
      gtk_widget_show(radio);
      if (!first) first = radio;
      widgets.push_back(radio);
    }
    gdk_display_sync(gdk_display_get_default());
    state.PauseTiming();
    for (GtkWidget* widget : widgets) gtk_widget_destroy(widget);
    widgets.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_GtkRadioNew)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 600, 500, "Toggles");
}

extern "C" void CreateControls(RuntimeObject* window) {
  RuntimeClass* boxClass = Subclass(CheckBoxClassDefinition(), "BenchCheckBox");
  SetEvent(boxClass, "Action", reinterpret_cast<void*>(&CountAction));
  gBox = RuntimeNewObject(boxClass);
  RectSet(AsControl(gBox)->bounds, 10, 10, 150, 35);
  AsControl(gBox)->visible = AsControl(gBox)->enabled = 1;
  WindowAddControl(window, string("Box").Storage(), gBox);
}

bool Show() {
  gWindow = qvbench::ShowWindow("TogglesWindow", reinterpret_cast<void*>(&LayOut),
                                 reinterpret_cast<void*>(&CreateControls));
  if (!qvbench::PumpUntil(
          [] { return qvbench::WindowMapped(gWindow) && AsControl(gBox)->pane; })) {
    return false;
  }
  gPlainBox = gtk_check_button_new_with_label("Plain");
  g_signal_connect(gPlainBox, "toggled", G_CALLBACK(&OnPlainToggled), nullptr);
  gtk_fixed_put(ContentFixed(), gPlainBox, 200, 10);
  gtk_widget_show(gPlainBox);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_ToggleButtons")) return 0;
  if (!Show()) {
    std::fprintf(stderr, "bench_ToggleButtons: the window did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv, {{"BM_CheckBoxValue/real_time", "BM_GtkToggle/real_time", 1.3},
                   {"BM_RadioCreatePane/real_time", "BM_GtkRadioNew/real_time", 1.5}});
}
