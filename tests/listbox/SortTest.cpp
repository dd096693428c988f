// Sorting the list-box pane: the column's direction, the events that take the sort over,
// folders keeping their subtrees, the one selected record followed, CompareRows results in
// both directions, and handlers that change the list while it sorts.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <sstream>

#include "ListPaneFixtures.h"

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

}  // namespace
