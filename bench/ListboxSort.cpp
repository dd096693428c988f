// Sorting a list box of 100,000 rows of random mixed-case words by one column: with the
// built-in comparison, and through a CompareRows handler of the control (called through the
// same call helper as compiled handlers, reading and comparing both cells), each beside
// std::stable_sort of the same keys with RuntimeStringCompare. Every repetition starts from the
// same order, restored outside the timing.
// Needs a display: scripts/with-display build/bench/bench_ListboxSort
#include <gtk/gtk.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "BenchWindow.h"
#include "controls/ControlClasses.h"
#include "core/ClassDefinitionRows.h"
#include "core/ObjectDefinitionConverter.h"
#include "listbox/ListboxClass.h"
#include "listbox/ListboxEvents.h"
#include "listbox/RuntimeListbox.h"
#include "strings/StringCase.h"
#include "strings/StringFoundation.h"
#include "windows/ControlRecord.h"
#include "windows/Window.h"

namespace {

constexpr int32_t kRows = 100000;

Window* gWindow = nullptr;
std::vector<string> gWords;
RuntimeListbox* gHandled = nullptr;

std::vector<string> RandomWords() {
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> length(3, 10);
  std::uniform_int_distribution<int> letter(0, 51);
  std::vector<string> words;
  words.reserve(kRows);
  for (int32_t i = 0; i < kRows; ++i) {
    std::string word;
    for (int n = length(random); n > 0; --n) {
      const int c = letter(random);
      word += char(c < 26 ? 'a' + c : 'A' + c - 26);
    }
    words.push_back(string(word.c_str()));
  }
  return words;
}

// The handler as compiled code writes it: both cells read through the Cell getter export,
// compared as the language compares, the two references given back.
extern "C" uint8_t BenchCompareRows(RuntimeObject* me, int32_t row1, int32_t row2, int32_t column,
                                    int32_t* result) {
  stringStorage* a = listGetCell(me, row1, column);
  stringStorage* b = listGetCell(me, row2, column);
  *result = RuntimeStringCompare(a, b);
  RuntimeUnlockString(a);
  RuntimeUnlockString(b);
  return 1;
}

QV_CLASS(BenchListOwnerDefinition,
         .name = "BenchListOwner",
         .super = RectControlClassDefinition,
         .objectSize = sizeof(ControlObject),
         .events = kListboxEventRows)

RuntimeObject* NewOwnerWithCompareRows() {
  RuntimeObject* owner = NewObjectFromDefinition(BenchListOwnerDefinition());
  RuntimeClass* cls = owner->classPtr;
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(string("CompareRows")) == 0) {
      cls->eventTable[i].vector = reinterpret_cast<void*>(&BenchCompareRows);
    }
  }
  return owner;
}

RuntimeListbox* NewList(RuntimeObject* owner) {
  auto* list = new RuntimeListbox(owner, gWindow, QV::Rect{10, 10, 290, 390}, false);
  list->SetSortDirection(0, 1, true);
  return list;
}

// The words in their first order.
void Refill(RuntimeListbox* list) {
  list->DeleteAllRows();
  for (int32_t i = 0; i < kRows; ++i) {
    const int32_t row = list->AddRow(nullptr, 0, -1);
    if (CellEntry* cell = list->FindCell(row, 0, true)) cell->text = gWords[i];
  }
}

bool Sorted(RuntimeListbox* list) {
  for (int32_t row = 1; row < list->RowCount(); ++row) {
    if (RuntimeStringCompare(list->GetCellText(true, row - 1, 0).Storage(),
                             list->GetCellText(true, row, 0).Storage()) > 0) {
      return false;
    }
  }
  return list->RowCount() == kRows;
}

void RunList(benchmark::State& state, RuntimeListbox* list) {
  for (auto _ : state) {
    state.PauseTiming();
    Refill(list);
    state.ResumeTiming();
    list->SortColumn(0);
  }
  if (!Sorted(list)) state.SkipWithError("the list is not sorted");
}

RuntimeListbox* gBuiltIn = nullptr;

void BM_ListSortBuiltIn(benchmark::State& state) { RunList(state, gBuiltIn); }
void BM_ListSortCompareRows(benchmark::State& state) { RunList(state, gHandled); }

void BM_StableSort(benchmark::State& state) {
  std::vector<stringStorage*> keys;
  for (auto _ : state) {
    state.PauseTiming();
    keys.clear();
    for (const string& word : gWords) keys.push_back(word.Storage());
    state.ResumeTiming();
    std::stable_sort(keys.begin(), keys.end(), [](stringStorage* a, stringStorage* b) {
      return RuntimeStringCompare(a, b) < 0;
    });
  }
}

#define SORT_BENCH(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(1)
SORT_BENCH(BM_ListSortBuiltIn);
SORT_BENCH(BM_ListSortCompareRows);
SORT_BENCH(BM_StableSort);

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartWithDisplay(&argc, &argv, "bench_ListboxSort")) return 0;
  WindowSpec request;
  request.title = string("List box sort");
  RectSet(request.bounds, 40, 40, 440, 340);
  gWindow = new Window(request);
  gWindow->Show();
  Window::ShowPendingWindows();
  gWords = RandomWords();
  gBuiltIn = NewList(nullptr);
  RuntimeObject* owner = NewOwnerWithCompareRows();
  gHandled = NewList(owner);
  AsControl(owner)->pane = gHandled;  // as the control's Open leaves it: the getter's way in
  const int status = qvbench::RunWithRatios(
      argc, argv,
      {{"BM_ListSortBuiltIn/iterations:1", "BM_StableSort/iterations:1", 2},
       {"BM_ListSortCompareRows/iterations:1", "BM_StableSort/iterations:1", 6}});
  RuntimeUnlockObject(owner);
  return status;
}
