// A list box bound by a listBinder to a DatabaseQuery over a built-in database, the query run
// again by a push button an actionBinder connects to it: a row added by SQL shows after the
// push, whether or not a row of the list was selected (and so its bound parts told).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "../controls/ControlFixtures.h"
#include "../controls/SimpleControlFixtures.h"
#include "support/TempFolder.h"
#include "support/TestDatabase.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DataBinding.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseQueryClass.h"
#include "database/SQLStatements.h"
#include "controls/PushButton.h"
#include "files/FolderItemClass.h"
#include "listbox/ListboxClass.h"
#include "windows/WindowEntryPoints.h"

extern "C" RuntimeObject* newQUORDatabase(RuntimeObject* item);

namespace {

constexpr QV::Rect kListPlace{10, 10, 160, 210};

std::string Text(stringStorage* adopted) {
  const string text = string::Adopt(adopted);
  return text.IsEmpty() ? std::string() : std::string(text.CString());
}

class ListQueryBinding : public testing::TestWithParam<bool> {
 protected:
  void SetUp() override {
    if (!gui.ready()) GTEST_SKIP() << "needs a display";
    InstallSQLFrontEnd();
    mPath = mFolder / "people.qdb";
    const std::string insert = "INSERT INTO people (id, name, city) VALUES ";
    db = qvtest::NewBuiltInDatabase(
        mPath, {"CREATE TABLE people (id INTEGER, name VARCHAR(20), city VARCHAR(20))",
                insert + "(1, 'Ann', 'Oslo')", insert + "(2, 'Bob', 'Rome')",
                insert + "(3, 'Cid', 'Lima')", insert + "(4, 'Dee', 'Kiev')",
                insert + "(5, 'Eve', 'Bern')"});
    ASSERT_NE(db, nullptr);
    query = RuntimeNewObject(RuntimeClassForDefinition(DatabaseQueryClassDefinition()));
    objSetter(query, offsetof(DatabaseQueryObject, database), db);
    stringSetter(query, offsetof(DatabaseQueryObject, sqlQuery),
                 string("SELECT id, name, city FROM people ORDER BY id").Storage());
    window = kit.OpenAndFocus(gui, "Query rows", {{.name = "Requery", .bounds = {170, 10, 195, 100}}},
                              &xid);
    ASSERT_NE(window, nullptr);
    button = qvtest::ControlKit::Control(window, "Requery");
    ASSERT_NE(button, nullptr);
    static RuntimeClass* cls = qvtest::Subclass("Listbox", "KitQueryList");
    list = qvtest::AddControl(window, cls, "People", kListPlace);
    ASSERT_NE(list, nullptr);
    listColumnCountSetter(list, 0, 3);
  }
  void TearDown() override {
    for (RuntimeObject* object : held) RuntimeUnlockObject(object);
    if (window) RuntimeCloseWindow(window);
    if (query) RuntimeUnlockObject(query);
    qvtest::CloseDatabase(db);
  }
  void Exec(const std::string& sql) { qvtest::ExecSQL(db, sql); }
  RuntimeObject* NewBinder(ObjectDefinition* definition) {
    held.push_back(RuntimeNewObject(RuntimeClassForDefinition(definition)));
    return held.back();
  }

  qvtest::GuiDriver gui;
  qvtest::ControlKit kit;
  qvtest::XWindow xid = 0;
  RuntimeObject* window = nullptr;
  RuntimeObject* button = nullptr;
  RuntimeObject* list = nullptr;
  RuntimeObject* db = nullptr;
  RuntimeObject* query = nullptr;
  std::vector<RuntimeObject*> held;  // binders and parts
  qvtest::TempFolder mFolder{"qvlistquery"};
  std::string mPath;
};

TEST_P(ListQueryBinding, APushRunsTheQueryAgainAndTheListShowsTheNewRow) {
  listBinderBind(NewBinder(ListBinderClassDefinition()), query, list);
  actionBinderBind(NewBinder(ActionBinderClassDefinition()), button, query);
  ASSERT_EQ(listCountGetter(list, 0), 5);
  const bool selected = GetParam();
  if (selected) {
    // The button enabled from the list's selection provider, as a window binds it.
    RuntimeObject* part = listGetBoundPart(list, string("getSelectionProvider").Storage());
    ASSERT_NE(part, nullptr);
    held.push_back(part);  // a binder does not hold its source
    enablingBinderBind(NewBinder(EnablingBinderClassDefinition()), part, button);
    listSelectionSetter(list, 0, 2);
    ASSERT_EQ(listSelectionGetter(list, 0), 2);
  }
  Exec("INSERT INTO people (id, name, city) VALUES (6, 'Fay', 'Pisa')");
  databaseCommit(db);
  // Nothing told the list yet: it keeps its rows until the query runs again.
  EXPECT_EQ(listCountGetter(list, 0), 5);
  pushButtonPush(button);
  EXPECT_TRUE(gui.PumpUntil([&] { return listCountGetter(list, 0) == 6; }))
      << listCountGetter(list, 0) << " rows";
  EXPECT_EQ(Text(listGetCell(list, 5, -1)), "6\tFay\tPisa");
  EXPECT_EQ(Text(listGetCell(list, 0, -1)), "1\tAnn\tOslo");
  EXPECT_EQ(listSelectionGetter(list, 0), -1);
}

INSTANTIATE_TEST_SUITE_P(Selection, ListQueryBinding, testing::Bool(),
                         [](const testing::TestParamInfo<bool>& info) {
                           return info.param ? "RowSelected" : "NothingSelected";
                         });

}  // namespace
