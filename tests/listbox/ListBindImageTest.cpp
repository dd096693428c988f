// The packed list-binding application (tests/images/listbox/listbindapp.c) run as a program of
// its own and worked with real clicks: list A shows a DatabaseQuery, a click on one of its
// rows fills the field bound to its city column and enables the button bound to its
// selection, a person added by SQL shows after the query's button; list B follows the
// inserts, removals and reloads of the image's own provider exactly as list C, filled by
// AddRow, InsertRow and RemoveRow, does on screen. At exit no object is left behind.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "SpawnedProcess.h"
#include "support/GuiDriver.h"
#include "support/TestSupport.h"

namespace {

using Rows = std::vector<std::string>;

struct ListState {
  Rows rows;
  int index = -1;
};

// "<name> count <n> index <i>" and "<name> <r> <text>" for each row.
std::string Describe(const char* name, const ListState& list) {
  std::string text = std::string(name) + " count " + std::to_string(list.rows.size()) +
                     " index " + std::to_string(list.index) + "\n";
  for (size_t r = 0; r < list.rows.size(); ++r) {
    text += std::string(name) + " " + std::to_string(r) + " " + list.rows[r] + "\n";
  }
  return text;
}

class ListBindImage : public testing::Test {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    char folder[] = "/tmp/qvlistbindXXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    mFolder = folder;
    app = std::make_unique<qvtest::SpawnedProcess>(qvtest::SpawnOptions{
        .program = LISTBINDAPP_EXE, .environment = {"QV_LISTBIND_FOLDER=" + mFolder}});
    xid = gui.WaitForWindow("List binding");
    ASSERT_NE(xid, 0u) << app->Errors();
    ASSERT_TRUE(gui.WaitForFocus(xid));
    ASSERT_TRUE(app->WaitForOutput("ready\n")) << app->Output() << app->Errors();
  }
  void TearDown() override {
    app.reset();
    if (!mFolder.empty()) {
      unlink((mFolder + "/people.qdb").c_str());
      rmdir(mFolder.c_str());
    }
  }
  // The point the image printed for a row: "point <list> <row> <x> <y>".
  std::pair<int, int> Point(const std::string& list, int row) {
    std::istringstream lines(app->Output());
    std::string line;
    const std::string prefix = "point " + list + " " + std::to_string(row) + " ";
    while (std::getline(lines, line)) {
      if (line.rfind(prefix, 0) != 0) continue;
      int x = -1, y = -1;
      std::istringstream(line.substr(prefix.size())) >> x >> y;
      return {x, y};
    }
    ADD_FAILURE() << "no point for " << list << " row " << row << ":\n" << app->Output();
    return {-1, -1};
  }
  void ClickAt(int x, int y) {
    const qvtest::ScreenArea area = gui.Area(xid);
    std::string output;
    EXPECT_EQ(qvtest::RunProgram({"xdotool", "mousemove", std::to_string(area.x + x),
                                  std::to_string(area.y + y), "click", "1"},
                                 &output),
              0)
        << output;
  }
  void ClickRow(const std::string& list, int row) {
    const auto [x, y] = Point(list, row);
    ClickAt(x, y);
  }
  // The lines the image printed for step what, between "step <what>" and "done <what>".
  std::string Step(const std::string& what) {
    const std::string begin = "step " + what + "\n";
    const std::string end = "done " + what + "\n";
    EXPECT_TRUE(app->WaitForOutput(end)) << app->Output() << app->Errors();
    const std::string& out = app->Output();
    const size_t from = out.rfind(begin);
    const size_t to = out.rfind(end);
    if (from == std::string::npos || to == std::string::npos || to < from) return std::string();
    return out.substr(from + begin.size(), to - from - begin.size());
  }
  std::string Expected(const ListState& b, const std::string& city, int selected) {
    return Describe("A", a) + Describe("B", b) + Describe("C", b) + "city " + city +
           " selected " + std::to_string(selected) + "\n";
  }
  qvtest::ScreenArea AreaOfB() {
    const qvtest::ScreenArea window = gui.Area(xid);
    return {window.x + 230, window.y + 10, 150, 150};
  }
  qvtest::ScreenArea AreaOfC() {
    const qvtest::ScreenArea window = gui.Area(xid);
    return {window.x + 390, window.y + 10, 150, 150};
  }
  // Waits until lists B and C look alike on screen, each changed from what it showed before
  // the step (when given): equal before either repainted proves nothing.
  void ExpectBLooksLikeC(const qvtest::Screenshot* beforeB = nullptr,
                         const qvtest::Screenshot* beforeC = nullptr) {
    int differing = -1;
    EXPECT_TRUE(gui.PumpUntil([&] {
      const qvtest::Screenshot b = gui.Capture(AreaOfB());
      const qvtest::Screenshot c = gui.Capture(AreaOfC());
      if (beforeB && b.DifferingPixels(*beforeB, 0) == 0) return false;
      if (beforeC && c.DifferingPixels(*beforeC, 0) == 0) return false;
      differing = b.DifferingPixels(c, 0);
      return differing == 0;
    })) << differing << " pixels differ";
  }

  qvtest::GuiDriver gui;
  std::unique_ptr<qvtest::SpawnedProcess> app;
  qvtest::XWindow xid = 0;
  std::string mFolder;
  ListState a{{"1\tAnn\tOslo", "2\tBob\tRome", "3\tCid\tLima", "4\tDee\tKiev", "5\tEve\tBern"}};
};

TEST_F(ListBindImage, BoundListsFollowTheirProvidersAndTheirBoundParts) {
  ListState b{{"Bern", "Kiev", "Lima", "Oslo", "Rome"}};
  EXPECT_EQ(Step("open"), Expected(b, "", 0));
  ExpectBLooksLikeC();

  // A row of A clicked: the field shows its city and the button is enabled (seen after the
  // next step, since the change event may run before the bound parts are told).
  ClickRow("A", 2);
  a.index = 2;
  EXPECT_EQ(Step("change").substr(0, Describe("A", a).size()), Describe("A", a));
  gui.Click(gui.Area(xid).x + 110, gui.Area(xid).y + 252);  // Add person
  EXPECT_EQ(Step("add"), Expected(b, "Lima", 1));
  // The query run again by its button: six rows, nothing selected.
  gui.Click(gui.Area(xid).x + 162, gui.Area(xid).y + 217);  // Requery
  a.rows.push_back("6\tFay\tPisa");
  a.index = -1;
  EXPECT_EQ(Step("requery"), Expected(b, "", 0)) << app->Output();

  // A row picked in B and in C, then the provider's changes.
  ClickRow("B", 1);
  ASSERT_TRUE(app->WaitForOutput("B picked 1\n")) << app->Output();
  ClickRow("C", 1);
  ASSERT_TRUE(app->WaitForOutput("C picked 1\n")) << app->Output();
  b.index = 1;
  // The field takes the focus, so that neither list draws its selection as the focused one.
  ClickAt(110, 182);
  struct Change {
    const char* what;
    int x;
    std::function<void()> model;
  };
  const Change changes[] = {
      {"insert", 265, [&] {
         b.rows.insert(b.rows.begin() + 1, "Pisa");
         b.index = 2;
       }},
      {"remove", 345, [&] {
         b.rows.erase(b.rows.begin());
         b.index = 1;
       }},
      {"reload", 425, [&] {
         std::reverse(b.rows.begin(), b.rows.end());
         b.index = -1;
       }},
  };
  for (const Change& change : changes) {
    SCOPED_TRACE(change.what);
    const qvtest::Screenshot beforeB = gui.Capture(AreaOfB());
    const qvtest::Screenshot beforeC = gui.Capture(AreaOfC());
    gui.Click(gui.Area(xid).x + change.x, gui.Area(xid).y + 182);
    change.model();
    EXPECT_EQ(Step(change.what), Expected(b, "", 0));
    ExpectBLooksLikeC(&beforeB, &beforeC);
  }

  gui.Close(xid);
  ASSERT_TRUE(app->WaitForOutput("live ")) << app->Output() << app->Errors();
  const int status = app->Finish();
  EXPECT_TRUE(qvtest::ExitedWith(status, 0)) << status << app->Errors();
  const std::string& out = app->Output();
  const size_t live = out.rfind("live ");
  int start = -1, end = -2;
  std::istringstream(out.substr(live + 5)) >> start >> end;
  EXPECT_EQ(start, end) << out;
}

}  // namespace
