// Folders of the list-box pane: rows an ExpandRow handler adds going under the folder, nested
// expansion, collapsing removing the subtree, handlers that delete rows around the folder,
// and the triangle and arrow keys that expand and collapse.
#include <gtest/gtest.h>

#include "ListPaneFixtures.h"

namespace {

using qvtest::ListPane;
using qvtest::ScriptedList;

ScriptedList* MakeTree(ScriptedList* list) {
  list->hierarchical = true;
  list->Add("top", 0, 0);
  list->Add("mid", 0, 0);
  list->Add("end", 0, 0);
  return list;
}

TEST_F(ListPane, RowsAddedWhileExpandingGoUnderTheFolderInOrder) {
  ScriptedList* list = MakeTree(Make());
  std::vector<int32_t> expanded;
  list->onExpandRow = [&](int32_t row) {
    expanded.push_back(row);
    const std::string name = list->GetCellText(true, row, 0).CString();
    if (name == "mid") {
      list->AddChild("m1");
      list->AddChild("m2", 0);
      list->ExpandFolder(row + 2);  // m2: its children come before the outer folder's next
      list->AddChild("m3");
    } else if (name == "m2") {
      list->AddChild("g1");
      list->AddChild("g2");
    }
  };
  EXPECT_TRUE(list->ExpandFolder(1));
  EXPECT_EQ(expanded, (std::vector<int32_t>{1, 3}));
  EXPECT_EQ(list->Tree(), "top mid m1:1 m2:1 g1:2 g2:2 m3:1 end");
  EXPECT_TRUE(list->IsExpanded(1) && list->IsExpanded(3));
  EXPECT_FALSE(list->ExpandFolder(1)) << "already expanded";
  EXPECT_FALSE(list->ExpandFolder(2)) << "a plain row";
  list->AddChild("after");
  EXPECT_EQ(list->RowDepth(list->RowCount() - 1), 0) << "appended once no folder expands";

  std::vector<int32_t> collapsed;
  list->onCollapseRow = [&](int32_t row) { collapsed.push_back(row); };
  EXPECT_TRUE(list->CollapseFolder(1));
  EXPECT_EQ(collapsed, std::vector<int32_t>{1});
  EXPECT_EQ(list->Tree(), "top mid end after");
  EXPECT_FALSE(list->IsExpanded(1));
  EXPECT_FALSE(list->CollapseFolder(1)) << "already collapsed";
}

TEST_F(ListPane, TheFolderIsFollowedByItsRecordAcrossItsHandlers) {
  ScriptedList* list = MakeTree(Make());
  list->onExpandRow = [&](int32_t) {
    list->DeleteRow(0);  // the folder moves up one row while it expands
    list->AddChild("c1");
    list->AddChild("c2");
  };
  EXPECT_TRUE(list->ExpandFolder(1));
  EXPECT_EQ(list->Tree(), "mid c1:1 c2:1 end");

  // A CollapseRow handler deleting rows above its folder: the folder's own children go.
  list->onExpandRow = nullptr;
  list->onCollapseRow = [&](int32_t) { list->InsertRow(0, nullptr, 0, -1); };
  EXPECT_TRUE(list->CollapseFolder(0));
  EXPECT_EQ(list->Tree(), " mid end");

  // One that deletes the folder itself: nothing more, the rows after it stay.
  list->onExpandRow = [&](int32_t) { list->AddChild("k"); };
  ASSERT_TRUE(list->ExpandFolder(2));
  list->Add("plain");
  EXPECT_EQ(list->Tree(), " mid end k:1 plain");
  list->onCollapseRow = [&](int32_t row) { list->DeleteRow(row); };
  EXPECT_TRUE(list->CollapseFolder(2));
  EXPECT_EQ(list->Tree(), " mid k:1 plain");
  EXPECT_EQ(list->RowEntryAt(3)->state, -1) << "a plain row never becomes a folder";
}

TEST_F(ListPane, TheTriangleAndArrowKeysExpandAndCollapse) {
  ScriptedList* list = MakeTree(Make());
  list->onExpandRow = [&](int32_t) { list->AddChild("child"); };
  const int32_t h = list->RowHeight(1);
  EXPECT_FALSE(list->RowClick(1, 40, h / 2, 0)) << "beside the triangle: a plain press";
  EXPECT_FALSE(list->RowClick(1, 10, h / 2 + 7, 0)) << "below it";
  EXPECT_TRUE(list->RowClick(1, 10, h / 2, 0));
  EXPECT_EQ(list->Tree(), "top mid child:1 end");
  EXPECT_FALSE(list->RowClick(2, 10, h / 2, 0)) << "a plain row has no triangle";

  list->SelectRow(1, false);
  EXPECT_TRUE(list->HandleChar(NuListbox::kKeyLeft, 0, 0));
  EXPECT_EQ(list->Tree(), "top mid end");
  EXPECT_TRUE(list->HandleChar(NuListbox::kKeyRight, 0, 0));
  EXPECT_EQ(list->Tree(), "top mid child:1 end");
  list->hierarchical = false;
  EXPECT_FALSE(list->RowClick(1, 10, h / 2, 0)) << "a flat list has no triangles";
}

}  // namespace
