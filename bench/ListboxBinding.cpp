// Paging through a list box bound by BindList to a DatabaseQuery of 100,000 rows (three
// columns: id, name, city) on the built-in engine, beside a GtkTreeView in fixed-height mode
// over a GtkListStore of the same texts, paged alike: each of kPages pages, evenly spread over
// all the rows, scrolled to and drawn (ScrollPosition beside gtk_tree_view_scroll_to_cell).
// The rows of the bound list are read from the query as they are drawn; the store holds them.
// Needs a display: scripts/with-display build/bench/bench_ListboxBinding
#include <gtk/gtk.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "core/FieldAccessors.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseQueryClass.h"
#include "database/SQLStatements.h"
#include "files/FolderItemClass.h"
#include "listbox/ListboxClass.h"
#include "windows/WindowControls.h"

extern "C" RuntimeObject* newQUORDatabase(RuntimeObject* item);

namespace {

constexpr int32_t kRows = 100000;
constexpr int32_t kColumns = 3;
constexpr int32_t kPages = 400;

RuntimeObject* gList = nullptr;
RuntimeObject* gDatabase = nullptr;
RuntimeObject* gQuery = nullptr;
GtkWidget* gPlainWindow = nullptr;
GtkWidget* gView = nullptr;
GtkListStore* gStore = nullptr;
std::string gFolder;

const char* const kCities[] = {"Oslo", "Rome", "Lima", "Kiev", "Bern", "Pisa", "Nice"};

std::string Name(int32_t row) { return "Person " + std::to_string(row); }
std::string City(int32_t row) { return kCities[row % 7]; }

void PumpUntilDrawn() {
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
  gdk_window_process_all_updates();
  gdk_display_sync(gdk_display_get_default());
  while (gtk_events_pending()) gtk_main_iteration_do(FALSE);
}

int32_t PageRow(int32_t page) { return int32_t(int64_t(page) * (kRows - 20) / (kPages - 1)); }

void BM_BoundListboxPaging(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t page = 0; page < kPages; ++page) {
      listScrollPositionSetter(gList, 0, PageRow(page));
      PumpUntilDrawn();
    }
  }
}

void BM_TreeViewPaging(benchmark::State& state) {
  for (auto _ : state) {
    for (int32_t page = 0; page < kPages; ++page) {
      GtkTreePath* path = gtk_tree_path_new_from_indices(PageRow(page), -1);
      gtk_tree_view_scroll_to_cell(GTK_TREE_VIEW(gView), path, nullptr, TRUE, 0, 0);
      gtk_tree_path_free(path);
      PumpUntilDrawn();
    }
  }
}

#define PAGING_BENCH(name) \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2)
PAGING_BENCH(BM_BoundListboxPaging);
PAGING_BENCH(BM_TreeViewPaging);

// ---- set-up ----

bool MakeDatabase() {
  InstallSQLFrontEnd();
  std::string pattern = "/tmp/qvbenchbindXXXXXX";
  if (!mkdtemp(pattern.data())) return false;
  gFolder = pattern;
  RuntimeObject* item = FolderItemFromPath((gFolder + "/people.qdb").c_str());
  gDatabase = newQUORDatabase(item);
  RuntimeUnlockObject(item);
  if (!gDatabase) return false;
  databaseSQLExecute(gDatabase, string("CREATE TABLE people (id INTEGER, name VARCHAR(20), "
                                       "city VARCHAR(20))")
                                    .Storage());
  for (int32_t row = 0; row < kRows; ++row) {
    const std::string sql = "INSERT INTO people (id, name, city) VALUES (" +
                            std::to_string(row) + ", '" + Name(row) + "', '" + City(row) + "')";
    databaseSQLExecute(gDatabase, string(sql.c_str()).Storage());
  }
  databaseCommit(gDatabase);
  if (databaseErrorCodeGetter(gDatabase) != 0) return false;
  gQuery = RuntimeNewObject(RuntimeClassForDefinition(DatabaseQueryClassDefinition()));
  objSetter(gQuery, offsetof(DatabaseQueryObject, database), gDatabase);
  stringSetter(gQuery, offsetof(DatabaseQueryObject, sqlQuery),
               string("SELECT id, name, city FROM people").Storage());
  return true;
}

void RemoveDatabase() {
  if (gQuery) RuntimeUnlockObject(gQuery);
  if (gDatabase) {
    databaseClose(gDatabase);
    RuntimeUnlockObject(gDatabase);
  }
  unlink((gFolder + "/people.qdb").c_str());
  rmdir(gFolder.c_str());
}

extern "C" void LayOut(RuntimeObject* window) {
  qvbench::LayOutWindow(window, 420, 320, "Bound list");
}

extern "C" void CreateControls(RuntimeObject* window) {
  gList = qvbench::NewPlacedControl(RuntimeClassForDefinition(ListboxClassDefinition()), 10, 10,
                                    410, 310);
  listColumnCountSetter(gList, 0, kColumns);
  WindowAddControl(window, string("List").Storage(), gList);
}

void ShowTreeView() {
  gStore = gtk_list_store_new(kColumns, G_TYPE_STRING, G_TYPE_STRING, G_TYPE_STRING);
  GtkTreeIter iter;
  for (int32_t row = 0; row < kRows; ++row) {
    gtk_list_store_append(gStore, &iter);
    gtk_list_store_set(gStore, &iter, 0, std::to_string(row).c_str(), 1, Name(row).c_str(), 2,
                       City(row).c_str(), -1);
  }
  gView = qvbench::ShowFixedHeightTreeView(&gPlainWindow, kColumns, 133, GTK_TREE_MODEL(gStore));
}

bool Show() {
  ShowTreeView();
  RuntimeObject* window = qvbench::ShowWindow("BoundListWindow", reinterpret_cast<void*>(&LayOut),
                                               reinterpret_cast<void*>(&CreateControls));
  if (!qvbench::PumpUntil([&] {
        return qvbench::WindowMapped(window) && gList && AsControl(gList)->pane &&
               GTK_WIDGET_MAPPED(gPlainWindow);
      })) {
    return false;
  }
  listBind(gList, gQuery);
  PumpUntilDrawn();
  return listCountGetter(gList, 0) == kRows;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_ListboxBinding")) return 0;
  if (!MakeDatabase()) {
    std::fprintf(stderr, "bench_ListboxBinding: the database could not be made\n");
    RemoveDatabase();
    return 1;
  }
  if (!Show()) {
    std::fprintf(stderr, "bench_ListboxBinding: the windows or the bound rows did not come up\n");
    RemoveDatabase();
    return 1;
  }
  const int result = qvbench::RunWithRatios(
      argc, argv,
      {{"BM_BoundListboxPaging/iterations:2/real_time", "BM_TreeViewPaging/iterations:2/real_time",
        2.0}});
  RemoveDatabase();
  return result;
}
