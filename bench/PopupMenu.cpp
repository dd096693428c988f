// Row lists beside the plain GTK widgets they stand on, 10,000 rows each run:
//   - AddRow of a PopupMenu (a GtkComboBox) beside a GtkListStore filled and then given to a
//     GtkComboBox once (appending to the combo box itself walks its rows for every row), and in
//     combo mode (a GtkCombo) beside gtk_list_append_items of one item each;
//   - the texts read back through List beside copies out of a std::vector<std::string>;
//   - DeleteAllRows beside gtk_list_store_clear.
// The plain widgets lie shown in a window of their own. Each run ends with the main loop's
// pending work done, where a list may tell its widget of the rows. Timed in real time.
// Needs a display: scripts/with-display build/bench/bench_PopupMenu
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchClasses.h"
#include "BenchRatio.h"
#include "BenchWindow.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "controls/PopupMenuControl.h"
#include "controls/PopupMenuGTK.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "core/Startup.h"
#include "windows/GtkSymbols.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace {

using qvbench::SetEvent;
using qvbench::Subclass;

constexpr int32_t kRows = 10000;

RuntimeObject* gPopup = nullptr;      // combo-box mode
RuntimeObject* gComboPopup = nullptr;  // combo mode
GtkWidget* gPlainComboBox = nullptr;
GtkWidget* gPlainCombo = nullptr;
std::vector<string> gTexts;
std::vector<std::string> gPlainTexts;

// The pending work of the main loop done, then the X server caught up.
void Sync() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_display_sync(gdk_display_get_default());
}

void FillPopup(RuntimeObject* popup) {
  for (const string& text : gTexts) RuntimeComboBoxAddRow(popup, text.Storage());
}

void ClearPlainComboBox() {
  gtk_list_store_clear(
      GTK_LIST_STORE(gtk_combo_box_get_model(GTK_COMBO_BOX(gPlainComboBox))));
}

void BM_PopupAddRow(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    RuntimeComboBoxEmpty(gPopup);
    state.ResumeTiming();
    FillPopup(gPopup);
    Sync();
  }
}
BENCHMARK(BM_PopupAddRow)->Unit(benchmark::kMillisecond)->UseRealTime();

// The rows put into a new store, which then replaces the plain combo box's model.
void AttachPlainStore() {
  GtkListStore* store = gtk_list_store_new(1, G_TYPE_STRING);
  for (const std::string& text : gPlainTexts) {
    gtk_list_store_insert_with_values(store, nullptr, -1, 0, text.c_str(), -1);
  }
  gtk_combo_box_set_model(GTK_COMBO_BOX(gPlainComboBox), GTK_TREE_MODEL(store));
  g_object_unref(store);
}

void BM_GtkListStoreAttach(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    gtk_combo_box_set_model(GTK_COMBO_BOX(gPlainComboBox), nullptr);
    state.ResumeTiming();
    AttachPlainStore();
    Sync();
  }
}
BENCHMARK(BM_GtkListStoreAttach)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ComboModeAddRow(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    RuntimeComboBoxEmpty(gComboPopup);
    state.ResumeTiming();
    FillPopup(gComboPopup);
    Sync();
  }
}
BENCHMARK(BM_ComboModeAddRow)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GtkListAppendItems(benchmark::State& state) {
  GtkList* list = GTK_LIST(GTK_COMBO(gPlainCombo)->list);
  for (auto _ : state) {
    state.PauseTiming();
    gtk_list_clear_items(list, 0, -1);
    state.ResumeTiming();
    for (const std::string& text : gPlainTexts) {
      GtkWidget* item = gtk_list_item_new_with_label(text.c_str());
      gtk_widget_show(item);
      gtk_list_append_items(list, g_list_append(nullptr, item));
    }
    Sync();
  }
}
BENCHMARK(BM_GtkListAppendItems)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PopupList(benchmark::State& state) {
  RuntimeComboBoxEmpty(gPopup);
  FillPopup(gPopup);
  for (auto _ : state) {
    for (int32_t i = 0; i < kRows; ++i) {
      stringStorage* text = RuntimeComboBoxGetRow(gPopup, i);
      benchmark::DoNotOptimize(text);
      stringStorage::RemoveReference(text);
    }
  }
}
BENCHMARK(BM_PopupList)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_VectorCopies(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t i = 0; i < kRows; ++i) {
      std::string text = gPlainTexts[size_t(i)];
      benchmark::DoNotOptimize(text.data());
    }
  }
}
BENCHMARK(BM_VectorCopies)->Unit(benchmark::kMicrosecond)->UseRealTime();

void BM_PopupDeleteAllRows(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    FillPopup(gPopup);
    Sync();  // the rows shown before they go
    state.ResumeTiming();
    RuntimeComboBoxEmpty(gPopup);
    Sync();
  }
}
BENCHMARK(BM_PopupDeleteAllRows)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_GtkListStoreClear(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    AttachPlainStore();
    Sync();
    state.ResumeTiming();
    ClearPlainComboBox();
    Sync();
  }
}
BENCHMARK(BM_GtkListStoreClear)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 400, 200, "Popups");
}

RuntimeObject* AddPopup(RuntimeObject* window, const char* name, int32_t top) {
  RuntimeObject* popup = qvbench::NewPlacedControl(
      RuntimeClassForDefinition(PopupMenuClassDefinition()), 10, top, 200, top + 24);
  AsPopupMenu(popup)->storedListIndex = -1;
  WindowAddControl(window, string(name).Storage(), popup);
  return popup;
}

extern "C" void CreateControls(RuntimeObject* window) { gPopup = AddPopup(window, "Popup", 10); }

// The second list without the combo box functions: a GtkCombo. Its pane is made when it joins
// the open window, so the functions stay hidden until then.
bool AddComboModePopup(RuntimeObject* window) {
  HideGtkSymbolForTesting("gtk_combo_box_set_active");
  ForgetPopupWidgetModeForTesting();
  gComboPopup = AddPopup(window, "Combo", 50);
  HideGtkSymbolForTesting(nullptr);
  ForgetPopupWidgetModeForTesting();
  PopupMenu* pane = AsPopupMenu(gComboPopup)->pane;
  return pane && !pane->IsComboBoxMode() && GTK_IS_COMBO(pane->GetWidget());
}

void ShowPlainWidgets() {
  GtkWidget* plain = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* box = gtk_vbox_new(FALSE, 4);
  gPlainComboBox = gtk_combo_box_new_text();
  gPlainCombo = gtk_combo_new();
  gtk_box_pack_start(GTK_BOX(box), gPlainComboBox, FALSE, FALSE, 0);
  gtk_box_pack_start(GTK_BOX(box), gPlainCombo, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(plain), box);
  gtk_widget_show_all(plain);
}

bool Show() {
  for (int32_t i = 0; i < kRows; ++i) {
    gPlainTexts.push_back("Row number " + std::to_string(i));
    gTexts.emplace_back(gPlainTexts.back().c_str());
  }
  ShowPlainWidgets();
  RuntimeObject* window = qvbench::ShowWindow("PopupsWindow", reinterpret_cast<void*>(&LayOut),
                                               reinterpret_cast<void*>(&CreateControls));
  if (!qvbench::PumpUntil(
          [&] { return qvbench::WindowMapped(window) && AsControl(gPopup)->pane; })) {
    return false;
  }
  if (AddComboModePopup(window)) return true;
  std::fprintf(stderr, "bench_PopupMenu: the second list is no GtkCombo\n");
  return false;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_PopupMenu")) return 0;
  if (!Show()) {
    std::fprintf(stderr, "bench_PopupMenu: the window did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_PopupAddRow/real_time", "BM_GtkListStoreAttach/real_time", 2},
       {"BM_ComboModeAddRow/real_time", "BM_GtkListAppendItems/real_time", 1.5},
       {"BM_PopupList/real_time", "BM_VectorCopies/real_time", 2},
       {"BM_PopupDeleteAllRows/real_time", "BM_GtkListStoreClear/real_time", 2}});
}
