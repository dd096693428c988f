// The packed navigator application (tests/images/controls/navigatorapp.c) run as a program of
// its own over a built-in database made here: xdotool clicks on its four buttons walk the rows
// (each Reposition prints the row and both bound fields), a name typed into its field is
// written back when Next is clicked, and the file holds it after the program ends.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <csignal>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "SpawnedProcess.h"
#include "database/DatabaseClasses.h"
#include "database/SQLStatements.h"
#include "files/FolderItemClass.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

extern "C" RuntimeObject* newQUORDatabase(RuntimeObject* item);
extern "C" RuntimeObject* openQUORDatabase(RuntimeObject* item);

namespace {

const char* const kNames[] = {"Ann", "Bob", "Cid", "Dee", "Eve"};
const char* const kCities[] = {"Oslo", "Rome", "Lima", "Kiev", "Bern"};

RuntimeObject* OpenDatabase(const std::string& path, bool create) {
  InstallSQLFrontEnd();
  RuntimeObject* item = FolderItemFromPath(path.c_str());
  RuntimeObject* db = create ? newQUORDatabase(item) : openQUORDatabase(item);
  RuntimeUnlockObject(item);
  return db;
}

std::vector<std::string> Names(RuntimeObject* db) {
  std::vector<std::string> names;
  RuntimeObject* rs = databaseSQLSelect(db, string("SELECT name FROM people ORDER BY id").Storage());
  for (; rs && !cursorEOFGetter(rs); cursorMoveNext(rs)) {
    RuntimeObject* field = cursorGetFieldByIndex(rs, 1);
    const string text = string::Adopt(cursorFieldStringValueGetter(field, 0));
    names.push_back(text.IsEmpty() ? "" : text.CString());
    RuntimeUnlockObject(field);
  }
  if (rs) cursorClose(rs);
  RuntimeUnlockObject(rs);
  return names;
}

class NavigatorImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    char folder[] = "/tmp/qvnavXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    mFolder = folder;
    mPath = mFolder + "/people.qdb";
    RuntimeObject* db = OpenDatabase(mPath, true);
    ASSERT_NE(db, nullptr);
    databaseSQLExecute(db, string("CREATE TABLE people (id INTEGER, name VARCHAR(20), city VARCHAR(20))")
                               .Storage());
    for (int i = 0; i < 5; ++i) {
      const std::string sql = "INSERT INTO people (id, name, city) VALUES (" + std::to_string(i + 1) + ", '" +
                              kNames[i] + "', '" + kCities[i] + "')";
      databaseSQLExecute(db, string(sql.c_str()).Storage());
    }
    databaseCommit(db);
    databaseClose(db);
    RuntimeUnlockObject(db);
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{
        .program = NAVIGATORAPP_EXE, .environment = {"QV_NAVIGATOR_DB=" + mPath}});
    xid = gui.WaitForWindow("Navigator");
    ASSERT_NE(xid, 0u) << app->Errors();
    ASSERT_TRUE(gui.WaitForFocus(xid));
  }
  void TearDown() override {
    app.reset();
    if (!mPath.empty()) unlink(mPath.c_str());
    if (!mFolder.empty()) rmdir(mFolder.c_str());
  }
  void XDoTool(const std::vector<std::string>& arguments) { gui.XDoTool(arguments); }
  void ClickAt(int x, int y) {
    const qvtest::ScreenArea area = gui.Area(xid);
    XDoTool({"mousemove", std::to_string(area.x + x), std::to_string(area.y + y), "click", "1"});
  }
  // The navigator spans (10, 10) to (390, 30): buttons of 20 at 10, 30, 350 and 370.
  void ClickButton(int button) {
    const int lefts[] = {10, 30, 350, 370};
    ClickAt(lefts[button - 1] + 10, 20);
  }
  std::string Row(int row) {
    return "Row " + std::to_string(row) + " " + kNames[row - 1] + " " + kCities[row - 1] + "\n";
  }
  void Expect(const std::function<void()>& step, const std::string& lines) {
    expected += lines;
    step();
    ASSERT_TRUE(app->WaitForOutput(expected)) << app->Output() << app->Errors();
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
  std::string expected;
  std::string mFolder;
  std::string mPath;
};

TEST_F(NavigatorImage, ButtonsWalkTheRowsAndATypedNameIsWrittenToTheFile) {
  Expect([&] { ClickButton(3); }, Row(2));
  Expect([&] { ClickButton(4); }, Row(5));
  Expect([&] { ClickButton(2); }, Row(4));
  Expect([&] { ClickButton(1); }, Row(1));
  // On the first row First and Previous do nothing; Next shows that they did.
  ClickButton(1);
  ClickButton(2);
  Expect([&] { ClickButton(3); }, Row(2));
  // A new name for Bob, written back by Next.
  ClickAt(100, 62);
  XDoTool({"key", "ctrl+a"});
  XDoTool({"type", "Bea"});
  Expect([&] { ClickButton(3); }, "Updated\n" + Row(3));
  app->Signal(SIGTERM);
  app->Finish();
  RuntimeObject* db = OpenDatabase(mPath, false);
  ASSERT_NE(db, nullptr);
  EXPECT_EQ(Names(db), std::vector<std::string>({"Ann", "Bea", "Cid", "Dee", "Eve"}));
  databaseClose(db);
  RuntimeUnlockObject(db);
}

}  // namespace
