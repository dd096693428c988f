// A list box bound by its DataSource to a record navigator over a built-in database: the
// list selects the row of the current record's city on each move, a city picked in it is
// written back to the file on Next, a second DataField binds once, and a closed list writes
// nothing. Its rows come either from AddRow or from BindList over a DatabaseQuery of cities.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../controls/ControlFixtures.h"
#include "../controls/SimpleControlFixtures.h"
#include "support/TempFolder.h"
#include "support/TestDatabase.h"
#include "controls/DataControl.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DataSourceBinding.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseQueryClass.h"
#include "database/SQLStatements.h"
#include "files/FolderItemClass.h"
#include "listbox/ListboxClass.h"
#include "listbox/RuntimeListbox.h"
#include "windows/WindowEntryPoints.h"

extern "C" RuntimeObject* newQUORDatabase(RuntimeObject* item);

namespace {

constexpr QV::Rect kNavigatorPlace{10, 10, 30, 160};
constexpr QV::Rect kListPlace{40, 10, 200, 210};
const char* const kCities[] = {"Bern", "Kiev", "Lima", "Oslo", "Pisa", "Rome"};

std::string Text(stringStorage* adopted) {
  const string text = string::Adopt(adopted);
  return text.IsEmpty() ? std::string() : std::string(text.CString());
}

// The database the Change handler of the closing test closes.
RuntimeObject* gClosedByChange = nullptr;
int gChangesHeard = 0;
void OnChangeCloseDatabase(RuntimeObject*) {
  ++gChangesHeard;
  if (gClosedByChange) databaseClose(gClosedByChange);
}

// How list A gets its rows.
enum class Rows { kAdded, kQueryBound };

class ListDataSourceTest : public testing::TestWithParam<Rows> {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    InstallSQLFrontEnd();
    InstallDataControlBinders();
    mPath = mFolder / "people.qdb";
    const std::string insert = "INSERT INTO people (id, name, city) VALUES ";
    db = qvtest::NewBuiltInDatabase(
        mPath, {"CREATE TABLE people (id INTEGER, name VARCHAR(20), city VARCHAR(20))",
                insert + "(1, 'Ann', 'Oslo')", insert + "(2, 'Bob', 'Rome')",
                insert + "(3, 'Cid', 'Lima')"});
    ASSERT_NE(db, nullptr);
    Exec("CREATE TABLE cities (id INTEGER, name VARCHAR(20))");
    for (int i = 0; i < 6; ++i) {
      Exec("INSERT INTO cities (id, name) VALUES (" + std::to_string(i) + ", '" + kCities[i] +
           "')");
    }
    databaseCommit(db);
    window = kit.OpenAndFocus(gui, "Bound cities", {}, &xid);
  }
  void TearDown() override {
    if (window) RuntimeCloseWindow(window);
    if (query) RuntimeUnlockObject(query);
    qvtest::CloseDatabase(db);
  }
  void Exec(const std::string& sql) { qvtest::ExecSQL(db, sql); }
  std::vector<std::string> Cities() {
    std::vector<std::string> values;
    RuntimeObject* rs =
        databaseSQLSelect(db, string("SELECT city FROM people ORDER BY id").Storage());
    for (; rs && !cursorEOFGetter(rs); cursorMoveNext(rs)) {
      RuntimeObject* field = cursorGetFieldByIndex(rs, 1);
      values.push_back(Text(cursorFieldStringValueGetter(field, 0)));
      RuntimeUnlockObject(field);
    }
    if (rs) cursorClose(rs);
    RuntimeUnlockObject(rs);
    return values;
  }
  RuntimeObject* AddNavigator() {
    static RuntimeClass* cls = qvtest::Subclass("DataControl", "KitCityNavigator");
    RuntimeObject* navigator = qvtest::AddControl(
        window, cls, "People", kNavigatorPlace, [&](RuntimeObject* control) {
          DataControlDBSetter(control, 0, db);
          DataControlTableNameSetter(control, 0, string("people").Storage());
          DataControlQuerySetter(control, 0, string("SELECT * FROM people").Storage());
          AsDataControl(control)->commit = 1;
        });
    EXPECT_NE(navigator, nullptr);
    gui.Settle();
    return navigator;
  }
  // List A with the cities as its rows, bound by DataSource before or after its pane exists.
  RuntimeObject* AddCityList(bool bindBeforePane, RuntimeClass* cls = nullptr) {
    static RuntimeClass* plain = qvtest::Subclass("Listbox", "KitCityList");
    if (!cls) cls = plain;
    RuntimeObject* list =
        qvtest::AddControl(window, cls, "A", kListPlace, [&](RuntimeObject* control) {
          if (!bindBeforePane) return;
          ListboxDataFieldSetter(control, 0, string("city").Storage());
          ListboxDataSourceSetter(control, 0, string("people").Storage());
        });
    if (!list) return nullptr;
    if (GetParam() == Rows::kAdded) {
      for (const char* city : kCities) RuntimeListAddRow(list, string(city).Storage());
    } else {
      query = RuntimeNewObject(RuntimeClassForDefinition(DatabaseQueryClassDefinition()));
      objSetter(query, offsetof(DatabaseQueryObject, database), db);
      stringSetter(query, offsetof(DatabaseQueryObject, sqlQuery),
                   string("SELECT name FROM cities ORDER BY id").Storage());
      databaseQueryRunQuery(query);
      listBind(list, query);
    }
    EXPECT_EQ(listCountGetter(list, 0), 6);
    if (!bindBeforePane) {
      ListboxDataFieldSetter(list, 0, string("city").Storage());
      ListboxDataSourceSetter(list, 0, string("People").Storage());
    }
    return list;
  }
  // The bindings the navigator holds for list.
  int Bindings(RuntimeObject* navigator, RuntimeObject* list) {
    int count = 0;
    for (DataBindingNode* node = AsDataControl(navigator)->bindings; node; node = node->next) {
      if (node->control == list) {
        EXPECT_EQ(node->kind, kBindingListbox);
        ++count;
      }
    }
    return count;
  }
  std::string Selected(RuntimeObject* list) { return Text(listTextGetter(list, 0)); }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeObject* db = nullptr;
  RuntimeObject* query = nullptr;
  qvtest::TempFolder mFolder{"qvlistds"};
  std::string mPath;
};

// The walk of the issue: the record's city selected on each move, a picked city written back,
// DataField set again binding once, a closed list writing nothing.
TEST_P(ListDataSourceTest, FollowsTheRecordAndWritesThePickedCityBack) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* list = AddCityList(false);
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(Bindings(navigator, list), 1);
  EXPECT_EQ(Selected(list), "Oslo");
  EXPECT_EQ(listSelectionGetter(list, 0), 3);
  DataControlMoveNext(navigator);
  EXPECT_EQ(Selected(list), "Rome");
  ListboxDataFieldSetter(list, 0, string("city").Storage());
  EXPECT_EQ(Bindings(navigator, list), 1);
  listSelectionSetter(list, 0, 4);  // Pisa
  DataControlMoveNext(navigator);
  EXPECT_EQ(Selected(list), "Lima");
  EXPECT_EQ(Cities(), std::vector<std::string>({"Oslo", "Pisa", "Lima"}));
  // Picked, then closed: the list is off the navigator and its empty text is not written.
  listSelectionSetter(list, 0, 0);
  ControlClose(list);
  gui.Settle();
  EXPECT_EQ(Bindings(navigator, list), 0);
  DataControlUpdateRecord(navigator);
  DataControlMoveNext(navigator);
  EXPECT_EQ(Cities(), std::vector<std::string>({"Oslo", "Pisa", "Lima"}));
}

// Bound while the pane is made (before its rows), the list follows from the next move;
// ReadOnly disables it, ClearBoundControls leaves it without a selection, and a DataSource
// naming no navigator unbinds (a reload then leaves it alone).
TEST_P(ListDataSourceTest, BoundAtCreationLockedClearedAndUnbound) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* list = AddCityList(true);
  ASSERT_NE(list, nullptr);
  // The rows came after the binding: the next move selects.
  DataControlMoveNext(navigator);
  EXPECT_EQ(Bindings(navigator, list), 1);
  EXPECT_EQ(Selected(list), "Rome");
  DataControlReadOnlySetter(navigator, 0, 1);
  DataControlMoveNext(navigator);
  EXPECT_EQ(Selected(list), "Lima");
  EXPECT_EQ(AsControl(list)->enabled, 0);
  DataControlReadOnlySetter(navigator, 0, 0);
  EXPECT_EQ(AsControl(list)->enabled, 1);
  DataControlClearBoundControls(navigator);
  EXPECT_EQ(listSelectionGetter(list, 0), -1);
  ListboxDataSourceSetter(list, 0, string("Nowhere").Storage());
  EXPECT_EQ(Bindings(navigator, list), 0);
  listSelectionSetter(list, 0, 1);
  DataControlReadOnlySetter(navigator, 0, 1);
  EXPECT_EQ(Selected(list), "Kiev");
  EXPECT_EQ(AsControl(list)->enabled, 1);
}

// The navigator closed first lets go of the list: the list's own later unbinding (its
// DataSource set, its close) finds nothing to take off.
TEST_P(ListDataSourceTest, TheNavigatorClosedFirstLeavesTheListUnbound) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* list = AddCityList(false);
  ASSERT_NE(list, nullptr);
  RuntimeListbox* pane = ListboxPaneOf(list);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(pane->BoundDataControl(), navigator);
  DataControlControlBindSetter(navigator, 0, 0);
  EXPECT_EQ(Bindings(navigator, list), 0);
  EXPECT_EQ(pane->BoundDataControl(), nullptr);
  ListboxDataSourceSetter(list, 0, string("People").Storage());
  EXPECT_EQ(Bindings(navigator, list), 1);
  ControlClose(navigator);
  gui.Settle();
  ListboxDataSourceSetter(list, 0, string("").Storage());
  EXPECT_EQ(pane->BoundDataControl(), nullptr);
}

// Moving back selects the earlier records' cities, and a city picked between two moves is written
// to the record that was shown when it was picked.
TEST_P(ListDataSourceTest, MovesBackAndForthWithAPickedCityWrittenBetween) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* list = AddCityList(false);
  ASSERT_NE(list, nullptr);
  ListboxDataFieldSetter(list, 0, string("city").Storage());
  EXPECT_EQ(Selected(list), "Oslo");
  DataControlMoveNext(navigator);
  EXPECT_EQ(Selected(list), "Rome");
  DataControlMoveNext(navigator);
  EXPECT_EQ(Selected(list), "Lima");
  DataControlMovePrev(navigator);
  EXPECT_EQ(Selected(list), "Rome");
  DataControlMoveFirst(navigator);
  EXPECT_EQ(Selected(list), "Oslo");
  listSelectionSetter(list, 0, 4);  // Pisa
  DataControlMoveNext(navigator);
  DataControlMovePrev(navigator);
  EXPECT_EQ(Selected(list), "Pisa");
  DataControlMoveLast(navigator);
  EXPECT_EQ(Selected(list), "Lima");
  EXPECT_EQ(Cities(), std::vector<std::string>({"Pisa", "Rome", "Lima"}));
}

// The list's Change closes the database while the navigator moves: the move, the moves after
// it, a pick by a real click and the window's close go on over a closed database, with
// nothing reported and the picked city written nowhere.
TEST_P(ListDataSourceTest, AChangeHandlerThatClosesTheDatabaseLeavesTheMovesWithNothingToRead) {
  static RuntimeClass* closing = [] {
    RuntimeClass* cls = qvtest::Subclass("Listbox", "KitClosingCityList");
    qvtest::SetHandler(cls, "Change", reinterpret_cast<void*>(&OnChangeCloseDatabase));
    return cls;
  }();
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* list = AddCityList(false, closing);  // its binding selects Oslo
  ASSERT_NE(list, nullptr);
  gClosedByChange = db;
  gChangesHeard = 0;
  DataControlMoveNext(navigator);
  EXPECT_EQ(gChangesHeard, 1);
  RuntimeListbox* pane = ListboxPaneOf(list);
  ASSERT_NE(pane, nullptr);
  const QV::Rect rows = pane->GetListRect();
  const qvtest::ScreenPoint pick = qvtest::ContentToScreen(
      gui, xid, window, rows.left + 20, rows.top + pane->RowHeight(0) * 9 / 2);  // Pisa
  gui.Click(pick.x, pick.y);
  EXPECT_TRUE(gui.PumpUntil([&] { return gChangesHeard == 2; }));
  DataControlMoveNext(navigator);
  DataControlMovePrev(navigator);
  DataControlUpdateRecord(navigator);
  RuntimeCloseWindow(window);
  window = nullptr;
  EXPECT_TRUE(gui.WaitUntilClosed(xid));
  gui.Settle();
  gClosedByChange = nullptr;
}

INSTANTIATE_TEST_SUITE_P(Rows, ListDataSourceTest, testing::Values(Rows::kAdded, Rows::kQueryBound),
                         [](const testing::TestParamInfo<Rows>& info) {
                           return info.param == Rows::kAdded ? "AddedRows" : "QueryBound";
                         });

}  // namespace
