// The record navigator on a real display over a built-in database: its buttons clicked with
// real input walk the rows, bound check boxes and popup menus show and write back the current
// row, Validate vetoes, deletes show a row that exists, and the sizes of its buttons.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "SimpleControlFixtures.h"
#include "core/FieldAccessors.h"
#include "ToggleFixtures.h"
#include "controls/CheckBox.h"
#include "controls/DataControl.h"
#include "controls/EditField.h"
#include "controls/StaticText.h"
#include "controls/PopupMenuControl.h"
#include "database/DatabaseClasses.h"
#include "database/SQLStatements.h"
#include "files/FolderItemClass.h"
#include "support/GuiDriver.h"

extern "C" RuntimeObject* newQUORDatabase(RuntimeObject* item);

namespace {

using Log = std::vector<std::string>;

constexpr QV::Rect kNavigatorPlace{10, 10, 30, 160};  // 150 x 20: buttons of 20
constexpr QV::Rect kFlagPlace{50, 10, 75, 150};
constexpr QV::Rect kCityPlace{90, 10, 115, 200};

Log gLog;
int32_t gVeto = -1;  // the action Validate vetoes

std::string Text(stringStorage* adopted) {
  const string text = string::Adopt(adopted);
  return text.IsEmpty() ? std::string() : std::string(text.CString());
}

void OnReposition(RuntimeObject* control, int32_t index) {
  gLog.push_back("Reposition " + std::to_string(index) + " row " +
                 std::to_string(DataControlRow(control)));
}
int32_t OnValidate(RuntimeObject*, int32_t action) {
  gLog.push_back("Validate " + std::to_string(action));
  return action == gVeto ? 1 : 0;
}
void OnDelete(RuntimeObject*) { gLog.push_back("Delete"); }
void OnUpdate(RuntimeObject*) { gLog.push_back("Update"); }

RuntimeClass* NavigatorClass() {
  static RuntimeClass* cls = nullptr;
  if (cls) return cls;
  cls = qvtest::Subclass("DataControl", "KitDataControl");
  qvtest::SetHandler(cls, "Reposition", reinterpret_cast<void*>(&OnReposition));
  qvtest::SetHandler(cls, "Validate", reinterpret_cast<void*>(&OnValidate));
  qvtest::SetHandler(cls, "Delete", reinterpret_cast<void*>(&OnDelete));
  qvtest::SetHandler(cls, "Update", reinterpret_cast<void*>(&OnUpdate));
  return cls;
}

class DataControlTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    InstallSQLFrontEnd();
    InstallDataControlBinders();
    char folder[] = "/tmp/qvdcXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    mFolder = folder;
    mPath = mFolder + "/people.qdb";
    RuntimeObject* item = FolderItemFromPath(mPath.c_str());
    db = newQUORDatabase(item);
    RuntimeUnlockObject(item);
    ASSERT_NE(db, nullptr);
    Exec("CREATE TABLE people (id INTEGER, name VARCHAR(20), city VARCHAR(20), member VARCHAR(20))");
    const char* rows[] = {"1, 'Ann', 'Oslo', 'T'",   "2, 'Bob', 'Rome', '0'",
                          "3, 'Cid', 'Lima', '-2'",  "4, 'Dee', 'Kiev', 'false'",
                          "5, 'Eve', 'Bern', ''"};
    for (const char* row : rows) Exec(std::string("INSERT INTO people (id, name, city, member) VALUES (") + row + ")");
    databaseCommit(db);
    gLog.clear();
    gVeto = -1;
    window = kit.OpenAndFocus(gui, "Navigator", {}, &xid);
  }
  void TearDown() override {
    if (db) {
      databaseClose(db);
      RuntimeUnlockObject(db);
    }
    if (!mPath.empty()) unlink(mPath.c_str());
    if (!mFolder.empty()) rmdir(mFolder.c_str());
  }
  void Exec(const std::string& sql) {
    databaseSQLExecute(db, string(sql.c_str()).Storage());
    ASSERT_EQ(databaseErrorCodeGetter(db), 0) << sql;
  }
  std::vector<std::string> Column(const char* column) {
    std::vector<std::string> values;
    const std::string sql = std::string("SELECT ") + column + " FROM people ORDER BY id";
    RuntimeObject* rs = databaseSQLSelect(db, string(sql.c_str()).Storage());
    for (; rs && !cursorEOFGetter(rs); cursorMoveNext(rs)) {
      RuntimeObject* field = cursorGetFieldByIndex(rs, 1);
      values.push_back(Text(cursorFieldStringValueGetter(field, 0)));
      RuntimeUnlockObject(field);
    }
    if (rs) cursorClose(rs);
    RuntimeUnlockObject(rs);
    return values;
  }
  RuntimeObject* AddNavigator(bool commit = true) {
    RuntimeObject* navigator =
        qvtest::AddControl(window, NavigatorClass(), "People", kNavigatorPlace,
                           [&](RuntimeObject* control) {
                             DataControlDBSetter(control, 0, db);
                             DataControlTableNameSetter(control, 0, string("people").Storage());
                             DataControlQuerySetter(
                                 control, 0, string("SELECT * FROM people").Storage());
                             AsDataControl(control)->commit = commit;
                           });
    EXPECT_NE(navigator, nullptr);
    gui.Settle();
    return navigator;
  }
  RuntimeObject* AddFlag() {
    RuntimeObject* box = qvtest::AddCheckBox(window, "Flag", kFlagPlace, "Member");
    CheckBoxDataFieldSetter(box, 0, string("member").Storage());
    CheckBoxDataSourceSetter(box, 0, string("PEOPLE").Storage());
    return box;
  }
  // Clicks the navigator's button (1 first .. 4 last) and waits for what it logs.
  void ClickButton(int32_t button, size_t entries) {
    const int32_t size = DataControlButtonSize(150, 20);
    const int32_t offsets[] = {0, size, 150 - 2 * size, 150 - size};
    const qvtest::ScreenPoint point =
        qvtest::ContentToScreen(gui, xid, window, kNavigatorPlace.left + offsets[button - 1] + 10,
                                kNavigatorPlace.top + 10);
    gui.Click(point.x, point.y);
    if (entries) {
      EXPECT_TRUE(gui.PumpUntil([&] { return gLog.size() >= entries; }));
    }
    gui.Settle();
  }
  RuntimeObject* AddBound(const char* parent, const char* name, const QV::Rect& place,
                          const char* column) {
    static RuntimeClass* field = qvtest::Subclass("EditField", "KitBoundField");
    static RuntimeClass* label = qvtest::Subclass("StaticText", "KitBoundLabel");
    const bool isField = std::string(parent) == "EditField";
    RuntimeObject* control = qvtest::AddControl(window, isField ? field : label, name, place);
    if (!control) return nullptr;
    if (isField) {
      EditDataFieldSetter(control, 0, string(column).Storage());
      EditDataSourceSetter(control, 0, string("people").Storage());
    } else {
      StaticTextDataFieldSetter(control, 0, string(column).Storage());
      StaticTextDataSourceSetter(control, 0, string("People").Storage());
    }
    return control;
  }
  Log Take() { return std::exchange(gLog, {}); }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeObject* db = nullptr;
  std::string mFolder;
  std::string mPath;
};

TEST(DataControlButtons, SizeFollowsThePaneUpToThirtyFive) {
  EXPECT_EQ(DataControlButtonSize(300, 20), 20);
  EXPECT_EQ(DataControlButtonSize(100, 40), 20);
  EXPECT_EQ(DataControlButtonSize(400, 60), 35);
  EXPECT_EQ(DataControlButtonSize(4, 20), 0);
}

TEST(DataControlTruth, CheckBoxTruthOfColumnTexts) {
  for (const char* truth : {"T", "t", "TRUE", "true", "1", "-2", "42"}) {
    EXPECT_TRUE(ColumnTruth(string(truth))) << truth;
  }
  for (const char* falsehood : {"false", "F", "0", "yes", "", "1x", " "}) {
    EXPECT_FALSE(ColumnTruth(string(falsehood))) << falsehood;
  }
}

TEST_F(DataControlTest, ClickedButtonsWalkTheRowsAndTheBoundBoxFollows) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* box = AddFlag();
  DataControl* pane = DataControlPaneOf(navigator);
  ASSERT_NE(pane, nullptr);
  EXPECT_EQ(DataControlRow(navigator), 1);
  EXPECT_EQ(DataControlRowCount(navigator), 5);
  EXPECT_FALSE(pane->BackEnabled());
  EXPECT_TRUE(pane->ForwardEnabled());
  EXPECT_EQ(checkBoxValueGetter(box, 0), 1);  // "T"
  Take();

  ClickButton(kNextButton, 1);
  EXPECT_EQ(Take(), Log({"Reposition 2 row 2"}));
  EXPECT_EQ(checkBoxValueGetter(box, 0), 0);  // "0"
  ClickButton(kLastButton, 1);
  EXPECT_EQ(Take(), Log({"Reposition 5 row 5"}));
  EXPECT_FALSE(pane->ForwardEnabled());
  ClickButton(kPreviousButton, 1);
  EXPECT_EQ(Take(), Log({"Reposition 4 row 4"}));
  ClickButton(kFirstButton, 1);
  EXPECT_EQ(Take(), Log({"Reposition 1 row 1"}));
  // On the first row the back buttons are disabled: clicks do nothing.
  ClickButton(kFirstButton, 0);
  ClickButton(kPreviousButton, 0);
  EXPECT_EQ(Take(), Log());
  EXPECT_EQ(DataControlRow(navigator), 1);
}

TEST_F(DataControlTest, MoveToCountsFromOneAndStopsOnTheLastRow) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* box = AddFlag();
  Take();
  DataControlMoveTo(navigator, 0);
  DataControlMoveTo(navigator, -3);
  EXPECT_EQ(Take(), Log());
  EXPECT_EQ(DataControlRow(navigator), 1);
  DataControlMoveTo(navigator, 3);
  EXPECT_EQ(DataControlRow(navigator), 3);
  EXPECT_EQ(checkBoxValueGetter(box, 0), 1);  // "-2"
  DataControlMoveTo(navigator, 99);
  EXPECT_EQ(DataControlRow(navigator), 5);
  EXPECT_FALSE(DataControlPaneOf(navigator)->ForwardEnabled());
  EXPECT_EQ(Take(), Log({"Reposition 3 row 3", "Reposition 5 row 5"}));
  DataControlMoveNext(navigator);  // nothing past the end
  EXPECT_EQ(DataControlRow(navigator), 5);
}

TEST_F(DataControlTest, ACheckedBoxOnAZeroRowIsWrittenBackWhenMovingOn) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* box = AddFlag();
  DataControlMoveNext(navigator);  // Bob, "0"
  Take();
  checkBoxValueSetter(box, 0, 1);
  ClickButton(kNextButton, 3);
  EXPECT_EQ(Take(), Log({"Validate 1", "Update", "Reposition 3 row 3"}));
  EXPECT_EQ(Column("member"), std::vector<std::string>({"T", "true", "-2", "false", ""}));
}

TEST_F(DataControlTest, DeleteShowsTheRowNowInItsPlaceAndValidateVetoes) {
  RuntimeObject* navigator = AddNavigator();
  AddFlag();
  DataControlMoveTo(navigator, 2);
  Take();
  gVeto = kDataDelete;
  DataControlDeleteRecord(navigator);
  EXPECT_EQ(Take(), Log({"Validate 2"}));
  EXPECT_EQ(DataControlRowCount(navigator), 5);
  gVeto = -1;
  DataControlDeleteRecord(navigator);
  EXPECT_EQ(Take(), Log({"Validate 2", "Reposition 2 row 2", "Delete"}));
  EXPECT_EQ(DataControlRowCount(navigator), 4);
  EXPECT_EQ(Column("name"), std::vector<std::string>({"Ann", "Cid", "Dee", "Eve"}));
  RuntimeObject* cursor = DataControlGetCursor(navigator);
  RuntimeObject* field = cursorGetFieldByName(cursor, string("name").Storage());
  EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "Cid");
  RuntimeUnlockObject(field);
  RuntimeUnlockObject(cursor);
  // The last row, then the rows one by one down to none.
  DataControlMoveLast(navigator);
  DataControlDeleteRecord(navigator);
  EXPECT_EQ(DataControlRow(navigator), 3);
  for (int i = 0; i < 3; ++i) DataControlDeleteRecord(navigator);
  EXPECT_EQ(Column("name"), std::vector<std::string>());
  EXPECT_EQ(DataControlRowCount(navigator), 0);
  EXPECT_FALSE(DataControlPaneOf(navigator)->BackEnabled());
  EXPECT_FALSE(DataControlPaneOf(navigator)->ForwardEnabled());
}

TEST_F(DataControlTest, ReadOnlyLocksTheBoxAndBlocksEdits) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* box = AddFlag();
  DataControlReadOnlySetter(navigator, 0, 1);
  EXPECT_EQ(AsControl(box)->enabled, 0);
  Take();
  DataControlDeleteRecord(navigator);
  DataControlAddNewRecord(navigator);
  EXPECT_EQ(Take(), Log());
  EXPECT_EQ(Column("id").size(), 5u);
  DataControlReadOnlySetter(navigator, 0, 0);
  EXPECT_EQ(AsControl(box)->enabled, 1);
}

TEST_F(DataControlTest, InsertStoresTheBoundValuesAsANewRecord) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* box = AddFlag();
  checkBoxValueSetter(box, 0, 0);
  Take();
  DataControlAddNewRecord(navigator);
  EXPECT_EQ(Take(), Log({"Validate 0"}));
  const std::vector<std::string> members = Column("member");
  EXPECT_EQ(members.size(), 6u);
  EXPECT_EQ(std::count(members.begin(), members.end(), "false"), 2);
  EXPECT_EQ(checkBoxValueGetter(box, 0), 0);
}

TEST_F(DataControlTest, ActionObjectsRunTheirCommands) {
  RuntimeObject* navigator = AddNavigator();
  AddFlag();
  EXPECT_EQ(DataControlGetBoundPart(navigator, string("getSomething").Storage()), nullptr);
  RuntimeObject* remove = DataControlGetBoundPart(navigator, string("GETDELETEACTION").Storage());
  ASSERT_NE(remove, nullptr);
  Take();
  DataControlActionPerformAction(remove);
  EXPECT_EQ(Column("id").size(), 4u);
  RuntimeUnlockObject(remove);
}

TEST_F(DataControlTest, ANewDatabaseGetsTheOldCursorsEditFirst) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* box = AddFlag();
  DataControlMoveNext(navigator);  // Bob, "0"
  checkBoxValueSetter(box, 0, 1);
  DataControlDBSetter(navigator, 0, nullptr);
  EXPECT_EQ(DataControlRow(navigator), 0);
  EXPECT_EQ(Column("member")[1], "true");
}

// The navigator's buttons and caption as shown: a hovered button changes and its neighbours do
// not, a disabled group differs from the enabled one, and the caption moves with TextAlign.
TEST_F(DataControlTest, DrawnStatesShowHoverDisabledButtonsAndAlignedCaption) {
  RuntimeObject* navigator = AddNavigator();
  DataControlCaptionSetter(navigator, 0, string("Row").Storage());
  DataControlColorSetter(navigator, 0, 0xFF0000);
  const qvtest::ScreenPoint origin =
      qvtest::ContentToScreen(gui, xid, window, kNavigatorPlace.left, kNavigatorPlace.top);
  const qvtest::ScreenArea whole{origin.x, origin.y, 150, 20};
  auto button = [&](int32_t index) {
    const int32_t offsets[] = {0, 20, 110, 130};
    return qvtest::ScreenArea{offsets[index - 1], 0, 20, 20};
  };
  auto shot = [&] { return gui.Capture(whole); };
  // The caption's first column moves right from left to centre to right alignment (red, or
  // dimmed while the window is not active).
  auto firstRed = [&](const qvtest::Screenshot& s) {
    for (int x = 40; x < 110; ++x) {
      const qvtest::Screenshot column = s.Region({x, 0, 1, 20});
      if (column.CountPixels(0xFF0000, 60) + column.CountPixels(0x808080, 40) > 0) return x;
    }
    return -1;
  };
  int previous = -1;
  for (int32_t align : {0, 1, 2}) {
    DataControlAlignSetter(navigator, 0, align);
    ASSERT_TRUE(gui.PumpUntil([&] { return firstRed(shot()) > previous; })) << align;
    previous = firstRed(shot());
  }
  const qvtest::Screenshot rest = shot();
  // Back group disabled on the first row, forward enabled: first and last buttons differ
  // beyond their mirrored icons' shapes, in the face colour.
  EXPECT_GT(rest.Region(button(1)).DifferingPixels(rest.Region(button(4)), 8), 0);
  const qvtest::ScreenPoint next = qvtest::ContentToScreen(
      gui, xid, window, kNavigatorPlace.left + 120, kNavigatorPlace.top + 10);
  gui.MoveTo(next.x, next.y);
  EXPECT_TRUE(gui.PumpUntil([&] {
    return shot().Region(button(3)).DifferingPixels(rest.Region(button(3)), 4) > 0;
  }));
  EXPECT_EQ(DataControlPaneOf(navigator)->HoverButton(), kNextButton);
  const qvtest::Screenshot hovered = shot();
  EXPECT_EQ(hovered.Region(button(4)).DifferingPixels(rest.Region(button(4)), 4), 0);
  EXPECT_EQ(hovered.Region(button(1)).DifferingPixels(rest.Region(button(1)), 4), 0);
  // Hovering a disabled button changes nothing.
  const qvtest::ScreenPoint first = qvtest::ContentToScreen(
      gui, xid, window, kNavigatorPlace.left + 10, kNavigatorPlace.top + 10);
  gui.MoveTo(first.x, first.y);
  EXPECT_TRUE(gui.PumpUntil([&] { return DataControlPaneOf(navigator)->HoverButton() == 0; }));
}

TEST_F(DataControlTest, TypedTextInABoundFieldIsWrittenBackOnNext) {
  RuntimeObject* navigator = AddNavigator();
  RuntimeObject* name = AddBound("EditField", "Name", kCityPlace, "name");
  RuntimeObject* city = AddBound("StaticText", "City", kFlagPlace, "city");
  ASSERT_NE(name, nullptr);
  ASSERT_NE(city, nullptr);
  EXPECT_EQ(Text(editTextGetter(name, 0)), "Ann");
  EXPECT_EQ(Text(stringGetter(city, offsetof(StaticTextObject, text))), "Oslo");
  ClickButton(kNextButton, 1);
  EXPECT_EQ(Text(editTextGetter(name, 0)), "Bob");
  EXPECT_EQ(Text(stringGetter(city, offsetof(StaticTextObject, text))), "Rome");
  Take();
  const qvtest::ScreenPoint point = qvtest::ContentToScreen(
      gui, xid, window, kCityPlace.left + 20, kCityPlace.top + 10);
  gui.Click(point.x, point.y);
  GtkWidget* top = gtk_widget_get_toplevel(qvtest::WidgetOf(name));
  ASSERT_TRUE(gui.PumpUntil([&] {
    GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(top));
    return focus && GTK_IS_ENTRY(focus) && gtk_widget_has_focus(focus);
  }));
  gui.Key("ctrl+a");
  gui.Type("Bea");
  EXPECT_TRUE(gui.PumpUntil([&] { return Text(editTextGetter(name, 0)) == "Bea"; }));
  ClickButton(kNextButton, 3);
  EXPECT_EQ(Take(), Log({"Validate 1", "Update", "Reposition 3 row 3"}));
  EXPECT_EQ(Text(editTextGetter(name, 0)), "Cid");
  EXPECT_EQ(Column("name"), std::vector<std::string>({"Ann", "Bea", "Cid", "Dee", "Eve"}));
  EXPECT_EQ(Column("city"), std::vector<std::string>({"Oslo", "Rome", "Lima", "Kiev", "Bern"}));
  // ReadOnly locks the field.
  DataControlReadOnlySetter(navigator, 0, 1);
  EXPECT_EQ(AsEditField(name)->readOnly, 1);
}

}  // namespace
