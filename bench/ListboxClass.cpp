// A Listbox filled as compiled code fills it (AddRow, then Cell(row, column) = for the other
// three cells) with 100,000 rows of four cells, beside a GtkListStore filled with the same
// texts and then attached to a GtkTreeView in fixed-height mode of the same size, both pumped
// until drawn; then every cell read back (Cell(row, column) beside gtk_tree_model_get).
// Needs a display: scripts/with-display build/bench/bench_ListboxClass
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "listbox/ListboxClass.h"
#include "windows/WindowControls.h"

namespace {

constexpr int32_t kRows = 100000;
constexpr int32_t kColumns = 4;

RuntimeObject* gList = nullptr;
GtkWidget* gPlainWindow = nullptr;
GtkWidget* gView = nullptr;
GtkListStore* gStore = nullptr;
std::vector<string> gTexts;  // row-major, kColumns a row
std::vector<std::string> gPlainTexts;

void PumpUntilDrawn() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_window_process_all_updates();
  gdk_display_sync(gdk_display_get_default());
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

void FillList() {
  for (int32_t row = 0; row < kRows; ++row) {
    const string* cells = &gTexts[size_t(row) * kColumns];
    RuntimeListAddRow(gList, cells[0].Storage());
    for (int32_t column = 1; column < kColumns; ++column) {
      listSetCell(gList, row, column, cells[column].Storage());
    }
  }
  PumpUntilDrawn();
}

void BM_ListboxAddRows(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    RuntimeListEmpty(gList);
    PumpUntilDrawn();
    state.ResumeTiming();
    FillList();
  }
}

GtkListStore* NewStore() {
  return gtk_list_store_new(4, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
}

void FillStore() {
  gStore = NewStore();
  GtkTreeIter iter;
  for (int32_t row = 0; row < kRows; ++row) {
    const std::string* cells = &gPlainTexts[size_t(row) * kColumns];
    gtk_list_store_append(gStore, &iter);
    gtk_list_store_set(gStore, &iter, 0, cells[0].c_str(), 1, cells[1].c_str(), 2,
                       cells[2].c_str(), 3, cells[3].c_str(), -1);
  }
  gtk_tree_view_set_model(GTK_TREE_VIEW(gView), GTK_TREE_MODEL(gStore));
  PumpUntilDrawn();
}

void BM_TreeViewAddRows(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    gtk_tree_view_set_model(GTK_TREE_VIEW(gView), nullptr);
    if (gStore) g_object_unref(gStore);
    gStore = nullptr;
    PumpUntilDrawn();
    state.ResumeTiming();
    FillStore();
  }
}

void BM_ListboxReadCells(benchmark::State& state) {
  if (listCountGetter(gList, 0) != kRows) FillList();
  for (auto _ : state) {
    for (int32_t row = 0; row < kRows; ++row) {
      for (int32_t column = 0; column < kColumns; ++column) {
        stringStorage* text = listGetCell(gList, row, column);
        benchmark::DoNotOptimize(text);
        stringStorage::RemoveReference(text);
      }
    }
  }
}

void BM_TreeModelReadCells(benchmark::State& state) {
  if (!gStore) FillStore();
  GtkTreeModel* model = GTK_TREE_MODEL(gStore);
  for (auto _ : state) {
    GtkTreeIter iter;
    for (gboolean more = gtk_tree_model_get_iter_first(model, &iter); more;
         more = gtk_tree_model_iter_next(model, &iter)) {
      for (int32_t column = 0; column < kColumns; ++column) {
        gchar* text = nullptr;
        gtk_tree_model_get(model, &iter, column, &text, -1);
        benchmark::DoNotOptimize(text);
        g_free(text);
      }
    }
  }
}

#define LIST_BENCH(name) \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3)
LIST_BENCH(BM_ListboxAddRows);
LIST_BENCH(BM_TreeViewAddRows);
LIST_BENCH(BM_ListboxReadCells);
LIST_BENCH(BM_TreeModelReadCells);

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 420, 320, "List boxes");
}

extern "C" void CreateControls(RuntimeObject* window) {
  gList = qvbench::NewPlacedControl(RuntimeClassForDefinition(ListboxClassDefinition()), 10, 10,
                                    410, 310);
  listColumnCountSetter(gList, 0, kColumns);
  WindowAddControl(window, string("List").Storage(), gList);
}

void ShowTreeView() {
  gView = qvbench::ShowFixedHeightTreeView(&gPlainWindow, kColumns, 100, nullptr);
}

bool Show() {
  for (int32_t row = 0; row < kRows; ++row) {
    for (int32_t column = 0; column < kColumns; ++column) {
      gPlainTexts.push_back("Cell " + std::to_string(row) + "." + std::to_string(column));
      gTexts.emplace_back(gPlainTexts.back().c_str());
    }
  }
  ShowTreeView();
  RuntimeObject* window = qvbench::ShowWindow("ListsWindow", reinterpret_cast<void*>(&LayOut),
                                               reinterpret_cast<void*>(&CreateControls));
  return qvbench::PumpUntil([&] {
    return qvbench::WindowMapped(window) && gList && AsControl(gList)->pane &&
           GTK_WIDGET_MAPPED(gPlainWindow);
  });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_ListboxClass")) return 0;
  if (!Show()) {
    std::fprintf(stderr, "bench_ListboxClass: the windows did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_ListboxAddRows/iterations:3/real_time", "BM_TreeViewAddRows/iterations:3/real_time",
        1.5},
       {"BM_ListboxReadCells/iterations:3/real_time",
        "BM_TreeModelReadCells/iterations:3/real_time", 1.5}});
}
