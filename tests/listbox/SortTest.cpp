// Sorting the list-box pane: the column's direction, the events that take the sort over,
// folders keeping their subtrees, the one selected record followed, CompareRows results in
// both directions, and handlers that change the list while it sorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <sstream>

#include "ListPaneFixtures.h"
#include "core/OrderSorter.h"
#include "core/RaiseException.h"
#include "core/RuntimeThread.h"
#include "listbox/ListboxClass.h"
#include "strings/StringCase.h"
#include "strings/StringFoundation.h"
#include "windows/ControlRecord.h"

namespace {

using qvtest::ListPane;
using qvtest::ScriptedList;

// The texts sorted as a model of the expected order.
std::string Sorted(std::vector<std::string> words, bool ascending) {
  std::sort(words.begin(), words.end());
  if (!ascending) std::reverse(words.begin(), words.end());
  std::string text;
  for (const std::string& w : words) text += (text.empty() ? "" : " ") + w;
  return text;
}

std::vector<std::string> Words(const std::string& text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  return words;
}

TEST_F(ListPane, SortsByTheColumnDirectionAndFollowsTheSelectedRecord) {
  ScriptedList* list = Make();
  const std::vector<std::string> words = {"kiwi", "apple", "pear", "fig", "date", "lime", "Banana"};
  for (const std::string& w : words) list->Add(w.c_str());
  list->SelectRow(2, false);  // pear
  list->SetSortDirection(0, 0, true);
  list->SortColumn(0);
  EXPECT_EQ(list->Column0(), "kiwi apple pear fig date lime Banana") << "direction 0";

  list->SetSortDirection(0, 1, true);
  list->SortColumn(0);
  // The language comparison ignores case.
  EXPECT_EQ(list->Column0(), "apple Banana date fig kiwi lime pear");
  EXPECT_EQ(list->SortedColumn(), 0);
  EXPECT_EQ(list->FirstSelectedRow(), 6);
  EXPECT_EQ(list->SelectedRowCount(), 1);

  list->SetSortDirection(0, -1, true);
  list->SortColumn(0);
  EXPECT_EQ(list->Column0(), "pear lime kiwi fig date Banana apple");
  EXPECT_EQ(list->FirstSelectedRow(), 0);
}

TEST_F(ListPane, EventsTakeTheSortOver) {
  ScriptedList* list = Make();
  for (const char* w : {"c\t1", "a\t3", "b\t2"}) list->Add(w);
  list->SetColumnCount(2);
  list->onHeaderPressed = [](int32_t) { return true; };
  list->HeaderPressed(0);
  EXPECT_EQ(list->Column0(), "c a b");

  std::vector<int32_t> sortEvents;
  list->onHeaderPressed = nullptr;
  list->onSortColumn = [&](int32_t column) {
    sortEvents.push_back(column);
    return true;
  };
  list->HeaderPressed(1);
  EXPECT_EQ(list->Column0(), "c a b");
  EXPECT_EQ(sortEvents, std::vector<int32_t>{1});
  EXPECT_EQ(list->SortedColumn(), 1) << "the sorted column is set all the same";

  list->onSortColumn = nullptr;
  list->HeaderPressed(1);
  EXPECT_EQ(list->Column0(), "c b a") << "by column 1";
}

TEST_F(ListPane, FoldersKeepTheirSubtrees) {
  ScriptedList* list = Make();
  list->Add("zeta", 0, 1);
  list->Add("z2", 1);
  list->Add("z1", 1, 1);
  list->Add("zz", 2);
  list->Add("za", 2);
  list->Add("alpha", 0, 1);
  list->Add("a9", 1);
  list->Add("a1", 1);
  list->Add("mid", 0);
  list->SortColumn(0);
  EXPECT_EQ(list->Column0(), "alpha a1 a9 mid zeta z1 za zz z2");
  std::vector<int32_t> depths;
  for (int32_t row = 0; row < list->RowCount(); ++row) depths.push_back(list->RowDepth(row));
  EXPECT_EQ(depths, (std::vector<int32_t>{0, 1, 1, 0, 0, 1, 2, 2, 1}));
}

TEST_F(ListPane, CompareRowsResultsInBothDirections) {
  ScriptedList* list = Make();
  for (const char* w : {"b", "d", "a", "c"}) list->Add(w);
  // By the reverse of the text: the handler's order wins when ascending.
  list->onCompareRows = [&](int32_t r1, int32_t r2, int32_t column, int32_t& result) {
    EXPECT_EQ(column, 0);
    result = -list->GetCellText(true, r1, 0).CompareWithCase(list->GetCellText(true, r2, 0));
    return true;
  };
  list->SortColumn(0);
  EXPECT_EQ(list->Column0(), "d c b a");
  // Descending turns a handler's non-zero result round.
  list->SetSortDirection(0, -1, true);
  list->SortColumn(0);
  EXPECT_EQ(list->Column0(), "a b c d");
  // A result of 0 falls back to the texts when descending.
  list->onCompareRows = [](int32_t, int32_t, int32_t, int32_t& result) {
    result = 0;
    return true;
  };
  list->SortColumn(0);
  EXPECT_EQ(list->Column0(), "d c b a");
  // A handler that declines leaves the texts to decide.
  list->onCompareRows = [](int32_t, int32_t, int32_t, int32_t& result) {
    result = 1;
    return false;
  };
  list->SetSortDirection(0, 1, true);
  list->SortColumn(0);
  EXPECT_EQ(list->Column0(), "a b c d");
}

TEST_F(ListPane, AHandlerChangingTheListEndsTheSortWithEveryRecordOnce) {
  ScriptedList* list = Make();
  std::vector<std::string> words;
  for (int i = 0; i < 40; ++i) words.push_back("w" + std::to_string((i * 17) % 40 + 100));
  for (const std::string& w : words) list->Add(w.c_str());

  int calls = 0;
  list->onCompareRows = [&](int32_t, int32_t, int32_t, int32_t&) {
    if (++calls == 5) list->SortColumn(0);  // sorts the same list from inside
    return false;
  };
  list->SortColumn(0);
  std::vector<std::string> now = Words(list->Column0());
  std::vector<std::string> all = words;
  std::sort(now.begin(), now.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(now, all) << "every record once";
  EXPECT_EQ(list->Column0(), Sorted(words, true)) << "the inner sort finished";

  list->SetSortDirection(0, -1, true);
  calls = 0;
  list->onCompareRows = [&](int32_t, int32_t, int32_t, int32_t&) {
    if (++calls == 3) list->DeleteRow(0);
    return false;
  };
  list->SortColumn(0);
  const int calledBeforeStop = calls;
  EXPECT_EQ(calledBeforeStop, 3) << "the sort stopped at the change";
  EXPECT_EQ(list->RowCount(), 39);
  now = Words(list->Column0());
  EXPECT_EQ(std::set<std::string>(now.begin(), now.end()).size(), 39u);

  bool destroyed = false;
  list->destroyed = &destroyed;
  calls = 0;
  list->onCompareRows = [&](int32_t, int32_t, int32_t, int32_t&) {
    if (++calls == 2) {
      window->window()->Close();
      window->closed = true;
    }
    return false;
  };
  list->SortColumn(0);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(calls, 2) << "no comparison after the close";
}

// The order orderSorter gives when it swaps the rows themselves: the model of the list's sort,
// equal keys included (the sort is not stable, and the list keeps that order exactly).
struct InPlaceModel {
  std::vector<std::string> cells;  // "key\tid"
  std::function<int32_t(const std::string&, const std::string&)> compare;
  std::string Sorted() {
    orderSorter(
        0, int32_t(cells.size()),
        [](int32_t i, int32_t j, void* raw) {
          auto* model = static_cast<InPlaceModel*>(raw);
          return model->compare(model->cells[i], model->cells[j]);
        },
        [](int32_t i, int32_t j, void* raw) {
          auto* model = static_cast<InPlaceModel*>(raw);
          std::swap(model->cells[i], model->cells[j]);
        },
        this);
    std::string ids;
    for (const std::string& c : cells) {
      ids += (ids.empty() ? "" : " ") + c.substr(c.find('\t') + 1);
    }
    return ids;
  }
};

int32_t CompareKeys(const std::string& a, const std::string& b) {
  const std::string keyA = a.substr(0, a.find('\t'));
  const std::string keyB = b.substr(0, b.find('\t'));
  return RuntimeStringCompare(string(keyA.c_str()).Storage(), string(keyB.c_str()).Storage());
}

std::string Column1(ScriptedList* list) {
  std::string ids;
  for (int32_t row = 0; row < list->RowCount(); ++row) {
    ids += (row ? " " : "") + std::string(list->GetCellText(true, row, 1).CString());
  }
  return ids;
}

TEST_F(ListPane, EqualKeysComeOutAsSwappingTheRowsInPlaceOrdersThem) {
  ScriptedList* list = Make();
  InPlaceModel ascending;
  ascending.compare = CompareKeys;
  // Few keys differing in case only, so most comparisons are ties.
  const char* keys[] = {"b", "A", "c", "B", "a", "", "C", "b", "a", "B"};
  for (int i = 0; i < 300; ++i) {
    const std::string cells = std::string(keys[(i * 7) % 10]) + "\t" + std::to_string(i);
    list->Add(cells.c_str());
    ascending.cells.push_back(cells);
  }
  list->SetColumnCount(2);
  list->SortColumn(0);
  EXPECT_EQ(Column1(list), ascending.Sorted());

  // Descending, from the order the ascending sort left.
  InPlaceModel descending;
  descending.cells = ascending.cells;
  descending.compare = [](const std::string& a, const std::string& b) {
    return -CompareKeys(a, b);
  };
  list->SetSortDirection(0, -1, true);
  list->SortColumn(0);
  EXPECT_EQ(Column1(list), descending.Sorted());

  // A CompareRows handler reads the rows it is given: they hold the records being compared.
  InPlaceModel byHandler;
  byHandler.cells = descending.cells;
  byHandler.compare = [](const std::string& a, const std::string& b) {
    return CompareKeys(a.substr(0, 1), b.substr(0, 1)) * 2;  // a handler's own scale
  };
  list->onCompareRows = [&](int32_t r1, int32_t r2, int32_t, int32_t& result) {
    result = byHandler.compare(list->GetCellText(true, r1, -1).CString(),
                               list->GetCellText(true, r2, -1).CString());
    return true;
  };
  list->SetSortDirection(0, 1, true);
  list->SortColumn(0);
  EXPECT_EQ(Column1(list), byHandler.Sorted());
}

// Without a handler, texts of one encoding compared by character and texts of mixed encodings
// (each pair brought to one) end as orderSorter leaves them with RuntimeStringCompare.
TEST_F(ListPane, KeysOfAnyEncodingComeOutAsSwappingTheRowsInPlaceOrdersThem) {
  auto text = [](const char* bytes, TextEncoding encoding) {
    return string::FromBytes(bytes, int64_t(strlen(bytes)), encoding);
  };
  const std::vector<string> utf8 = {
      text("\xC3\xA9", kEncodingUTF8), text("\xC3\x89", kEncodingUTF8), text("e", kEncodingUTF8),
      text("E\xC3\xA9", kEncodingUTF8), text("f", kEncodingUTF8), string()};
  std::vector<string> mixed = utf8;
  mixed.push_back(text("\xE9", kEncodingWindowsLatin1));
  mixed.push_back(text("\x83", kEncodingMacRoman));  // É
  mixed.push_back(string("E"));
  const std::vector<string>* const cases[] = {&utf8, &mixed};
  for (const std::vector<string>* keys : cases) {
    ScriptedList* list = Make();
    std::vector<std::pair<string, int>> model;  // key, id
    for (int i = 0; i < 200; ++i) {
      model.push_back({(*keys)[(i * 7) % keys->size()], i});
      list->Add(("\t" + std::to_string(i)).c_str());
      list->FindCell(i, 0, true)->text = model.back().first;
    }
    list->SetColumnCount(2);
    list->SortColumn(0);
    orderSorter(
        0, int32_t(model.size()),
        [](int32_t i, int32_t j, void* raw) {
          auto& rows = *static_cast<std::vector<std::pair<string, int>>*>(raw);
          return RuntimeStringCompare(rows[i].first.Storage(), rows[j].first.Storage());
        },
        [](int32_t i, int32_t j, void* raw) {
          auto& rows = *static_cast<std::vector<std::pair<string, int>>*>(raw);
          std::swap(rows[i], rows[j]);
        },
        &model);
    std::string expected;
    for (const auto& row : model) {
      expected += (expected.empty() ? "" : " ") + std::to_string(row.second);
    }
    EXPECT_EQ(Column1(list), expected) << (keys == &utf8 ? "UTF-8" : "mixed");
  }
}

// Long levels (the sort loads rows ahead of the comparisons) inside and around a folder: the
// folder's children are a level of single rows, the top level has a block with a subtree.
TEST_F(ListPane, HandlerSortsOfLongLevelsKeepTheInPlaceOrderInsideAndAroundFolders) {
  ScriptedList* list = Make();
  list->hierarchical = true;
  list->SetColumnCount(2);
  const char* keys[] = {"q", "B", "a", "Q", "b", "", "A", "c", "C", "m"};
  InPlaceModel top, children;
  top.compare = children.compare = CompareKeys;
  std::vector<std::string> folderChildren;
  for (int i = 0; i < 60; ++i) {
    const std::string cells = std::string(keys[(i * 3) % 10]) + "\t" + std::to_string(i);
    list->Add(cells.c_str(), 0, i == 20 ? 1 : -1);
    top.cells.push_back(cells);
    if (i != 20) continue;
    for (int k = 0; k < 150; ++k) {
      const std::string child = std::string(keys[(k * 7) % 10]) + "\t" + std::to_string(100 + k);
      list->Add(child.c_str(), 1, -1);
      children.cells.push_back(child);
    }
  }
  list->onCompareRows = [&](int32_t r1, int32_t r2, int32_t, int32_t& result) {
    result = CompareKeys(list->GetCellText(true, r1, -1).CString(),
                         list->GetCellText(true, r2, -1).CString());
    return true;
  };
  list->SortColumn(0);
  // The expected rows: the top level in its model's order, the folder followed by its children.
  std::string expected;
  const std::vector<std::string> childIds = Words(children.Sorted());
  for (const std::string& id : Words(top.Sorted())) {
    expected += (expected.empty() ? "" : " ") + id;
    if (id != "20") continue;
    for (const std::string& child : childIds) expected += " " + child;
  }
  EXPECT_EQ(Column1(list), expected);
  for (int32_t row = 0; row < list->RowCount(); ++row) {
    const bool child = std::stoi(list->GetCellText(true, row, 1).CString()) >= 100;
    EXPECT_EQ(list->RowDepth(row), child ? 1 : 0) << row;
  }
}

// A handler as compiled code writes it, from the control's event table: cells read through
// the Cell getter, each reference given back.
RuntimeObject* gSortOwner = nullptr;
int gCompiledCalls = 0;
int gCloseAtCall = 0;
qvtest::ListWindow* gSortWindow = nullptr;

// n words in a scrambled order, and the list's first column as one text.
std::vector<std::string> ScrambledWords(int n) {
  std::vector<std::string> words;
  for (int i = 0; i < n; ++i) words.push_back("w" + std::to_string((i * 37) % n + 100));
  return words;
}

std::string Column0(RuntimeListbox* list) {
  std::string text;
  for (int32_t row = 0; row < list->RowCount(); ++row) {
    text += (row ? " " : "") + std::string(list->GetCellText(true, row, 0).CString());
  }
  return text;
}

// A list of owner's in window, its CompareRows handler compiled, one row per word.
RuntimeListbox* NewCompiledList(qvtest::ListWindow& window, RuntimeObject* owner, void* handler,
                                const std::vector<std::string>& words) {
  qvtest::SetOwnerHandler(owner, "CompareRows", handler);
  auto* list =
      new RuntimeListbox(owner, window.window(), qvtest::Bounds(20, 20, 220, 323), false);
  AsControl(owner)->pane = list;
  for (const std::string& w : words) {
    list->SetCellText(list->AddRow(nullptr, 0, -1), 0, string(w.c_str()), false);
  }
  return list;
}

// The two cells as compiled code reads them, through the Cell getter, compared as the
// language compares, the references given back.
int32_t CompareCells(RuntimeObject* me, int32_t row1, int32_t row2, int32_t column) {
  stringStorage* a = listGetCell(me, row1, column);
  stringStorage* b = listGetCell(me, row2, column);
  const int32_t sign = RuntimeStringCompare(a, b);
  RuntimeUnlockString(a);
  RuntimeUnlockString(b);
  return sign;
}

extern "C" uint8_t CompiledCompareRows(RuntimeObject* me, int32_t row1, int32_t row2,
                                       int32_t column, int32_t* result) {
  *result = CompareCells(me, row1, row2, column);
  if (++gCompiledCalls == gCloseAtCall) {
    // The window goes, and with it the program's last reference to the control.
    gSortWindow->window()->Close();
    gSortWindow->closed = true;
    RuntimeUnlockObject(std::exchange(gSortOwner, nullptr));
  }
  return 1;
}

TEST_F(ListPane, ACompiledHandlerSortsAndMayCloseTheWindowAndDropTheControl) {
  RuntimeObject* owner = qvtest::NewListOwner();
  ASSERT_NE(owner, nullptr);
  const std::vector<std::string> words = ScrambledWords(90);
  RuntimeListbox* list = NewCompiledList(*window, owner,
                                         reinterpret_cast<void*>(&CompiledCompareRows), words);
  const uint32_t ownerReferences = owner->refCount;
  gSortOwner = owner;
  gSortWindow = window.get();
  gCompiledCalls = 0;
  gCloseAtCall = 0;
  list->SortColumn(0);
  EXPECT_EQ(Column0(list), Sorted(words, true));
  EXPECT_GT(gCompiledCalls, 90);
  EXPECT_EQ(owner->refCount, ownerReferences) << "the sort gave back every hold it took";

  list->SetSortDirection(0, -1, true);
  gCompiledCalls = 0;
  gCloseAtCall = 7;
  list->SortColumn(0);
  EXPECT_EQ(gCompiledCalls, 7) << "no comparison after the close";
  EXPECT_EQ(gSortOwner, nullptr);
  gSortWindow = nullptr;
}

// A handler that answers the reverse order but raises an exception it does not handle: each
// such call counts as not handled, so the texts decide, and the sort goes on to the end.
bool gRaiseInCompare = false;

extern "C" uint8_t ReversingCompareRows(RuntimeObject* me, int32_t row1, int32_t row2,
                                        int32_t column, int32_t* result) {
  *result = -CompareCells(me, row1, row2, column);
  ++gCompiledCalls;
  if (gRaiseInCompare) RaiseOutOfBoundsException();
  return 1;
}

TEST_F(ListPane, ACompiledHandlerThatRaisesCountsAsNotHandledAndTheSortGoesOn) {
  RuntimeObject* owner = qvtest::NewListOwner();
  ASSERT_NE(owner, nullptr);
  const std::vector<std::string> words = ScrambledWords(60);
  RuntimeListbox* list = NewCompiledList(*window, owner,
                                         reinterpret_cast<void*>(&ReversingCompareRows), words);
  const uint32_t ownerReferences = owner->refCount;
  qvtest::RaisedExceptions raised;
  gRaiseInCompare = true;
  gCompiledCalls = 0;
  list->SortColumn(0);
  EXPECT_EQ(Column0(list), Sorted(words, true));
  EXPECT_GT(gCompiledCalls, 60);
  EXPECT_EQ(raised.Take().size(), size_t(gCompiledCalls)) << "every call raised once";
  EXPECT_EQ(GetCurrentThreadRecord()->InnermostBarrier(), nullptr);
  EXPECT_EQ(owner->refCount, ownerReferences);

  // The same handler, not raising, has its way.
  gRaiseInCompare = false;
  list->SortColumn(0);
  EXPECT_EQ(Column0(list), Sorted(words, false));
  EXPECT_TRUE(raised.Take().empty());
  RuntimeUnlockObject(owner);
}

}  // namespace
