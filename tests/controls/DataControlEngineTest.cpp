// The record navigator over the test plug-in engine: its own cursors, once with the engine's
// row count and its previous, first and last entries, once without any of them, so that the
// navigator counts on a second cursor and steps from the first row. The "id" column of each
// row is its number from 0, which tells the row the cursor on display stands on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "SimpleControlFixtures.h"
#include "controls/DataControl.h"
#include "database/DatabaseClasses.h"
#include "support/GuiDriver.h"

namespace {

using dbtest::TestEnginePlugin;
using Log = std::vector<std::string>;

constexpr QV::Rect kPlace{10, 10, 30, 160};
constexpr int32_t kEngineRows = 32;  // the test engine's "codes" rows

Log gLog;

void OnReposition(RuntimeObject* control, int32_t index) {
  gLog.push_back("Reposition " + std::to_string(index) + " row " +
                 std::to_string(DataControlRow(control)));
}

RuntimeClass* NavigatorClass() {
  static RuntimeClass* cls = nullptr;
  if (cls) return cls;
  cls = qvtest::Subclass("DataControl", "EngineDataControl");
  qvtest::SetHandler(cls, "Reposition", reinterpret_cast<void*>(&OnReposition));
  return cls;
}

struct Flavour {
  const char* label;
  const char* query;
  bool counts;  // the engine answers curRowCount and moves back by itself
};

const Flavour kFlavours[] = {
    {"engine count and moves", "select * from codes", true},
    {"bare cursor", "select * from codes bare", false},
};

class DataControlEngineTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    db = TestEnginePlugin::Open("sql");
    ASSERT_NE(db, nullptr);
    gLog.clear();
    window = kit.OpenAndFocus(gui, "Engine navigator", {}, &xid);
  }
  void TearDown() override {
    if (db) databaseClose(db);
    RuntimeUnlockObject(db);
  }
  RuntimeObject* AddNavigator(const std::string& query) {
    RuntimeObject* navigator = qvtest::AddControl(
        window, NavigatorClass(), "Codes" + std::to_string(++mNavigators), kPlace,
        [&](RuntimeObject* control) {
          DataControlDBSetter(control, 0, db);
          DataControlTableNameSetter(control, 0, string("codes").Storage());
          DataControlQuerySetter(control, 0, string(query.c_str()).Storage());
        });
    EXPECT_NE(navigator, nullptr);
    gui.Settle();
    return navigator;
  }
  // The id of the row the cursor on display stands on; -1 when it stands on none.
  static int32_t ShownId(RuntimeObject* navigator) {
    RuntimeObject* cursor = DataControlGetCursor(navigator);
    RuntimeObject* field = cursor ? cursorGetFieldByName(cursor, string("id").Storage()) : nullptr;
    const int32_t id = field && !cursorEOFGetter(cursor) ? cursorFieldIntegerValueGetter(field, 0)
                                                         : -1;
    RuntimeUnlockObject(field);
    RuntimeUnlockObject(cursor);
    return id;
  }
  // Row, the row the cursor stands on (from 1) and the two button groups, as one text.
  static std::string State(RuntimeObject* navigator) {
    DataControl* pane = DataControlPaneOf(navigator);
    return "row " + std::to_string(DataControlRow(navigator)) + " shows " +
           std::to_string(ShownId(navigator) + 1) + (pane && pane->BackEnabled() ? " back" : "") +
           (pane && pane->ForwardEnabled() ? " forward" : "");
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeObject* db = nullptr;
  int mNavigators = 0;
};

TEST_F(DataControlEngineTest, CountingNeverMovesTheCursorOnDisplay) {
  for (const Flavour& flavour : kFlavours) {
    SCOPED_TRACE(flavour.label);
    RuntimeObject* navigator = AddNavigator(flavour.query);
    DataControlMoveTo(navigator, 3);
    ASSERT_EQ(State(navigator), "row 3 shows 3 back forward");
    TestEnginePlugin::Clear();
    DataControlRunQuery(navigator);  // count forgotten, counted again
    EXPECT_EQ(DataControlRowCount(navigator), kEngineRows);
    EXPECT_EQ(State(navigator), "row 1 shows 1 forward");
    // Only the engine's count, or a second cursor read to its end and closed.
    const size_t selects = TestEnginePlugin::Lines("dbSelect").size();
    const size_t counts = TestEnginePlugin::Lines("curRowCount").size();
    if (flavour.counts) {
      EXPECT_EQ(selects, 1u);
      EXPECT_GE(counts, 1u);
    } else {
      EXPECT_EQ(selects, 2u);
      EXPECT_EQ(counts, 0u);
    }
    // One cursor open before and one after: every other one opened was closed.
    EXPECT_EQ(TestEnginePlugin::Lines("curClose").size(), selects) << TestEnginePlugin::Log();
    DataControlMoveNext(navigator);
    EXPECT_EQ(State(navigator), "row 2 shows 2 back forward");
    ControlClose(navigator);
  }
}

TEST_F(DataControlEngineTest, MovesReachEveryRowWithAndWithoutTheEnginesEntries) {
  for (const Flavour& flavour : kFlavours) {
    SCOPED_TRACE(flavour.label);
    RuntimeObject* navigator = AddNavigator(flavour.query);
    gLog.clear();
    DataControlMoveTo(navigator, 0);
    DataControlMoveTo(navigator, -3);
    DataControlMovePrev(navigator);
    DataControlMoveFirst(navigator);
    EXPECT_EQ(gLog, Log());
    EXPECT_EQ(State(navigator), "row 1 shows 1 forward");
    DataControlMoveTo(navigator, 2);
    EXPECT_EQ(State(navigator), "row 2 shows 2 back forward");
    DataControlMoveNext(navigator);
    DataControlMoveNext(navigator);
    EXPECT_EQ(State(navigator), "row 4 shows 4 back forward");
    TestEnginePlugin::Clear();
    DataControlMovePrev(navigator);
    EXPECT_EQ(State(navigator), "row 3 shows 3 back forward");
    EXPECT_EQ(TestEnginePlugin::Lines("curPreviousRow").size(), flavour.counts ? 1u : 0u);
    DataControlMoveLast(navigator);
    EXPECT_EQ(State(navigator), "row 32 shows 32 back");
    DataControlMoveNext(navigator);  // nothing past the end
    EXPECT_EQ(State(navigator), "row 32 shows 32 back");
    DataControlMoveFirst(navigator);
    EXPECT_EQ(State(navigator), "row 1 shows 1 forward");
    DataControlMoveTo(navigator, 99);
    EXPECT_EQ(State(navigator), "row 32 shows 32 back");
    DataControlMovePrev(navigator);
    EXPECT_EQ(State(navigator), "row 31 shows 31 back forward");
    EXPECT_EQ(gLog, Log({"Reposition 2 row 2", "Reposition 3 row 3", "Reposition 4 row 4",
                         "Reposition 3 row 3", "Reposition 32 row 32", "Reposition 1 row 1",
                         "Reposition 32 row 32", "Reposition 31 row 31"}));
    ControlClose(navigator);
  }
}

TEST_F(DataControlEngineTest, AOneRowResultDisablesBothGroups) {
  for (const char* query : {"select * from codes single", "select * from codes single bare"}) {
    SCOPED_TRACE(query);
    RuntimeObject* navigator = AddNavigator(query);
    DataControlRunQuery(navigator);
    EXPECT_EQ(DataControlRowCount(navigator), 1);
    EXPECT_EQ(State(navigator), "row 1 shows 1");
    gLog.clear();
    DataControlMoveNext(navigator);
    DataControlMoveLast(navigator);
    DataControlMoveTo(navigator, 5);
    EXPECT_EQ(gLog, Log());
    EXPECT_EQ(State(navigator), "row 1 shows 1");
    ControlClose(navigator);
  }
}

}  // namespace
