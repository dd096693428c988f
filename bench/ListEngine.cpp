// The list engine with 1,000,000 rows, beside a GtkTreeView in fixed-height mode over a
// GtkListStore: the rows added (the engine one at a time; the store filled before it is
// attached), the list scrolled to its end with its last row selected (End; for the tree view
// gtk_tree_view_scroll_to_cell and its cursor on the last row), then every row selected
// (SelectAll; gtk_tree_selection_select_all), each step pumped until drawn, and the three
// together. Timed in real time.
// Needs a display: scripts/with-display build/bench/bench_ListEngine
#include <gtk/gtk.h>

#include <cstdio>
#include <string>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "listbox/NuListbox.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kRows = 1000000;

// Waits until everything asked of GTK and the X server has been done and drawn.
void PumpUntilDrawn() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_window_process_all_updates();
  gdk_display_sync(gdk_display_get_default());
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

class Silent : public NuListboxDelegate, public NuListboxProvider {
 public:
  void HeaderClick(int32_t, int32_t, int32_t) override {}
  bool RowClick(int32_t, int32_t, int32_t, int32_t) override { return false; }
};

// A list that draws the number of each visible row, as a list box draws its cells.
class BenchList : public NuListbox {
 public:
  BenchList(Silent* silent, SubPane* owner, const QV::Rect& bounds)
      : NuListbox(silent, silent, owner, 0, bounds, true, true) {}
  void InvalidateCell(int32_t, int32_t) override { InvalidateRect(GetListRect()); }
  void InvalidateRow(int32_t row) override {
    const QV::Rect r = RowRangeRect(row, 1);
    if (r.bottom > r.top) InvalidateRect(r);
  }
  void InvalidateColumn(int32_t) override { InvalidateRect(GetListRect()); }
  void RowCountChanged(int32_t row, int32_t) override { InvalidateRow(row); }
  void ColumnWidthChanged(int32_t) override {}
  void Draw(Graphics& g) override {
    const QV::Rect area = GetListRect();
    const int32_t h = RowHeight(-1);
    g.SetForeColor({0xFFFF, 0xFFFF, 0xFFFF});
    g.FillRect(area);
    for (int32_t row = TopRow(); row < RowCount() && h > 0; ++row) {
      const int32_t top = area.top + (row - TopRow()) * h;
      if (top >= area.bottom) break;
      const bool selected = IsRowSelected(row);
      g.SetForeColor(selected ? RGBColor16{0, 0, 0x8000} : RGBColor16{0xFFFF, 0xFFFF, 0xFFFF});
      QV::Rect r;
      RectSet(r, area.left, top, area.right, top + h);
      g.FillRect(r);
      g.SetForeColor(selected ? RGBColor16{0xFFFF, 0xFFFF, 0xFFFF} : RGBColor16{0, 0, 0});
      g.DrawString(string(std::to_string(row).c_str()), area.left + 4, top + h - 3);
    }
    // What a list box does after drawing: the bar follows the rows.
    if (rowsChanged) UpdateScrollBars();
  }
};

Window* gWindow = nullptr;
Silent gSilent;
GtkWidget* gPlainWindow = nullptr;

BenchList* NewList() {
  QV::Rect bounds;
  RectSet(bounds, 10, 10, 290, 390);
  auto* list = new BenchList(&gSilent, gWindow, bounds);
  list->ShowVerticalScrollBar();
  PumpUntilDrawn();
  return list;
}

void AddRows(BenchList* list) {
  for (int32_t i = 0; i < kRows; ++i) list->RowsInserted(i, 1);
  PumpUntilDrawn();
}

void PressEnd(BenchList* list) {
  list->HandleChar(NuListbox::kKeyEnd, 0, 0);
  PumpUntilDrawn();
}

void SelectAllRows(BenchList* list) {
  list->SelectAll();
  PumpUntilDrawn();
}

// Which steps a benchmark times; the others run untimed to set up the next.
enum Steps { kAdd = 1, kEnd = 2, kSelectAll = 4, kWhole = 7 };

void RunList(benchmark::State& state, int timed) {
  for (auto _ : state) {
    state.PauseTiming();
    BenchList* list = NewList();
    auto step = [&](int which, void (*run)(BenchList*)) {
      if (timed & which) state.ResumeTiming();
      run(list);
      if (timed & which) state.PauseTiming();
    };
    step(kAdd, AddRows);
    step(kEnd, PressEnd);
    step(kSelectAll, SelectAllRows);
    if (list->LastSelectedRow() != kRows - 1) state.SkipWithError("the list lost rows");
    list->Close();
    PumpUntilDrawn();
    state.ResumeTiming();
  }
}

struct Tree {
  GtkWidget* view;
  GtkListStore* store;
};

Tree NewTree() {
  GtkListStore* store = gtk_list_store_new(1, G_TYPE_INT);
  GtkWidget* view = gtk_tree_view_new();
  GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
  GtkTreeViewColumn* column =
      gtk_tree_view_column_new_with_attributes("Row", renderer, "text", 0, nullptr);
  gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
  gtk_tree_view_column_set_fixed_width(column, 200);
  gtk_tree_view_append_column(GTK_TREE_VIEW(view), column);
  gtk_tree_view_set_fixed_height_mode(GTK_TREE_VIEW(view), TRUE);
  gtk_tree_selection_set_mode(gtk_tree_view_get_selection(GTK_TREE_VIEW(view)),
                              GTK_SELECTION_MULTIPLE);
  GtkWidget* scrolled = gtk_scrolled_window_new(nullptr, nullptr);
  gtk_scrolled_window_set_policy(GTK_SCROLLED_WINDOW(scrolled), GTK_POLICY_AUTOMATIC,
                                 GTK_POLICY_AUTOMATIC);
  gtk_container_add(GTK_CONTAINER(scrolled), view);
  gtk_container_add(GTK_CONTAINER(gPlainWindow), scrolled);
  gtk_widget_show_all(gPlainWindow);
  PumpUntilDrawn();
  return {view, store};
}

void FillTree(Tree& tree) {
  for (int32_t i = 0; i < kRows; ++i) {
    gtk_list_store_insert_with_values(tree.store, nullptr, i, 0, i, -1);
  }
  gtk_tree_view_set_model(GTK_TREE_VIEW(tree.view), GTK_TREE_MODEL(tree.store));
  PumpUntilDrawn();
}

void TreeEnd(Tree& tree) {
  GtkTreePath* path = gtk_tree_path_new_from_indices(kRows - 1, -1);
  gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(tree.view), path, nullptr, FALSE, 0, 0);
  gtk_tree_view_set_cursor(GTK_TREE_VIEW(tree.view), path, nullptr, FALSE);
  gtk_tree_path_free(path);
  PumpUntilDrawn();
}

void TreeSelectAll(Tree& tree) {
  gtk_tree_selection_select_all(gtk_tree_view_get_selection(GTK_TREE_VIEW(tree.view)));
  PumpUntilDrawn();
}

void RunTree(benchmark::State& state, int timed) {
  for (auto _ : state) {
    state.PauseTiming();
    Tree tree = NewTree();
    auto step = [&](int which, void (*run)(Tree&)) {
      if (timed & which) state.ResumeTiming();
      run(tree);
      if (timed & which) state.PauseTiming();
    };
    step(kAdd, FillTree);
    step(kEnd, TreeEnd);
    step(kSelectAll, TreeSelectAll);
    gtk_widget_destroy(gtk_bin_get_child(GTK_BIN(gPlainWindow)));
    g_object_unref(tree.store);
    PumpUntilDrawn();
    state.ResumeTiming();
  }
}

void BM_ListAddRows(benchmark::State& state) { RunList(state, kAdd); }
void BM_ListEnd(benchmark::State& state) { RunList(state, kEnd); }
void BM_ListSelectAll(benchmark::State& state) { RunList(state, kSelectAll); }
void BM_ListWhole(benchmark::State& state) { RunList(state, kWhole); }
void BM_TreeAddRows(benchmark::State& state) { RunTree(state, kAdd); }
void BM_TreeEnd(benchmark::State& state) { RunTree(state, kEnd); }
void BM_TreeSelectAll(benchmark::State& state) { RunTree(state, kSelectAll); }
void BM_TreeWhole(benchmark::State& state) { RunTree(state, kWhole); }

#define LIST_BENCH(name) \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)
LIST_BENCH(BM_ListAddRows);
LIST_BENCH(BM_ListEnd);
LIST_BENCH(BM_ListSelectAll);
LIST_BENCH(BM_ListWhole);
LIST_BENCH(BM_TreeAddRows);
LIST_BENCH(BM_TreeEnd);
LIST_BENCH(BM_TreeSelectAll);
LIST_BENCH(BM_TreeWhole);

bool ShowWindows() {
  WindowSpec request;
  request.title = string("List engine");
  RectSet(request.bounds, 40, 40, 440, 340);
  gWindow = new Window(request);
  gWindow->Show();
  Window::ShowPendingWindows();
  gPlainWindow = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  gtk_window_set_default_size(GTK_WINDOW(gPlainWindow), 400, 300);
  gtk_widget_show_all(gPlainWindow);
  return qvbench::PumpUntil(
      [] { return GTK_WIDGET_MAPPED(gWindow->GetGtkWindow()) && GTK_WIDGET_MAPPED(gPlainWindow); });
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_ListEngine")) return 0;
  if (!ShowWindows()) {
    std::fprintf(stderr, "bench_ListEngine: the windows did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_ListAddRows/iterations:1/real_time", "BM_TreeAddRows/iterations:1/real_time", 1},
       {"BM_ListEnd/iterations:1/real_time", "BM_TreeEnd/iterations:1/real_time", 1},
       {"BM_ListSelectAll/iterations:1/real_time", "BM_TreeSelectAll/iterations:1/real_time", 1},
       {"BM_ListWhole/iterations:1/real_time", "BM_TreeWhole/iterations:1/real_time", 0.5}});
}
