// Database and RecordSet over engine tables: which entry each operation reaches and what it
// falls back to, readiness and opening on first use, the statements written for engines without
// insert or update entries, moves and EOF, closing once, the error state, and the shutdown
// context's order at exit.
#include <gtest/gtest.h>

#include <gmock/gmock.h>

#include <cstddef>
#include <cstring>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "database/DatabaseOpener.h"
#include "database/DatabasePlugins.h"
#include "database/DatabaseShutdownContext.h"
#include "support/TestSupport.h"

namespace {

using dbtest::FakeEngine;
using dbtest::Held;
using dbtest::S;
using dbtest::TestEnginePlugin;
using dbtest::Text;
using testing::ElementsAre;

class DatabaseDispatch : public ::testing::Test {
 protected:
  void SetUp() override { TestEnginePlugin::Clear(); }
  void TearDown() override { EXPECT_EQ(mLive.Added(), 0) << "every object was released"; }

  dbtest::LiveObjects mLive;
};

std::vector<std::string> gFrontEndCalls;

RuntimeObject* RecordingFrontEnd(DatabaseObject*, const string& sql, SQLStatementUse use) {
  gFrontEndCalls.push_back((use == SQLStatementUse::kQuery ? "query " : "statement ") +
                           std::string(sql.CString()));
  return nullptr;
}

// The SQL front end as the tests watch it, removed again at the end of the scope.
struct FrontEndWatch {
  FrontEndWatch() {
    gFrontEndCalls.clear();
    SetSQLFrontEnd(RecordingFrontEnd);
  }
  ~FrontEndWatch() { SetSQLFrontEnd(nullptr); }
};

RuntimeObject* FakeOpenTable(dbDatabase, stringStorage*, ResultColumnNode*, void*) {
  return nullptr;
}

TEST_F(DatabaseDispatch, AnEngineWithDbExecuteAloneGetsCommitRollbackAndInsertAsStatements) {
  FrontEndWatch frontEnd;
  {
    Held db(TestEnginePlugin::Open("execute"));
    ASSERT_NE(db.get(), nullptr);
    EXPECT_EQ(databaseSQLSelect(db, S("select * from codes")), nullptr);
    databaseCommit(db);
    databaseRollback(db);
    Held record(NewDatabaseRecord());
    setDatabaseRecordColumn(record, S("Name"), S("it's"));
    setDatabaseRecordColumn(record, S("first name"), S("O'Brien"));
    setDatabaseRecordIntegerColumn(record, S("n_2"), 7);
    databaseInsertRecord(db, S("people"), record);
    EXPECT_EQ(databaseErrorCodeGetter(db), 0);
  }
  EXPECT_THAT(TestEnginePlugin::Lines("dbExecute"),
              ElementsAre("dbExecute commit", "dbExecute rollback",
                          "dbExecute insert into people(n_2,[first name],Name) values "
                          "('7','O''Brien','it''s')"));
  EXPECT_TRUE(gFrontEndCalls.empty()) << "neither dbSelect nor dbOpenTable: nothing is parsed";
}

TEST_F(DatabaseDispatch, NamesThatBracketsCannotHoldStopTheInsertWithError201) {
  Held db(TestEnginePlugin::Open("execute"));
  Held record(NewDatabaseRecord());
  setDatabaseRecordColumn(record, S("a]b"), S("x"));
  databaseInsertRecord(db, S("people"), record);
  EXPECT_EQ(databaseErrorCodeGetter(db), 201);
  EXPECT_EQ(Text(databaseErrorStringGetter(db)), "Invalid column/table name");
  Held fine(NewDatabaseRecord());
  setDatabaseRecordColumn(fine, S("name"), S("x"));
  databaseInsertRecord(db, S("bad]table"), fine);
  databaseInsertRecord(db, S(""), fine);
  EXPECT_TRUE(TestEnginePlugin::Lines("dbExecute").empty()) << "nothing ran";
}

TEST_F(DatabaseDispatch, WithoutDbSelectTheFrontEndGetsTheQueryWithoutTrailingSemicolons) {
  FrontEndWatch frontEnd;
  FakeEngine engine;
  engine.engine.dbOpenTable = FakeOpenTable;
  Held db(engine.OpenDatabase());
  EXPECT_EQ(databaseSQLSelect(db, S("select * from t;;")), nullptr);
  databaseSQLExecute(db, S("delete from t;"));
  EXPECT_THAT(engine.calls, ElementsAre("dbExecute delete from t;"));
  engine.engine.dbExecute = nullptr;
  databaseSQLExecute(db, S("delete from t;"));
  EXPECT_THAT(gFrontEndCalls,
              ElementsAre("query select * from t", "statement delete from t;"));
}

TEST_F(DatabaseDispatch, ACursorWithoutColumnNamesNamesItsColumnsField1AndOn) {
  Held db(TestEnginePlugin::Open("nonames"));
  Held rs(databaseSQLSelect(db, S("select * from codes")));
  Held field(cursorGetFieldByName(rs, S("FIELD2")));
  ASSERT_NE(field.get(), nullptr);
  EXPECT_EQ(Text(cursorFieldNameGetter(field, 0)), "field2");
  EXPECT_EQ(Text(cursorFieldStringValueGetter(field, 0)), "");  // row 0 is NULL
  EXPECT_EQ(cursorGetFieldByName(rs, S("value")), nullptr);
  EXPECT_EQ(cursorGetFieldByIndex(rs, 0), nullptr);
  EXPECT_EQ(cursorGetFieldByIndex(rs, 3), nullptr);
  EXPECT_EQ(cursorFieldCount(rs), 2);
  EXPECT_EQ(RecordSetColumnType(rs, -1), -1);
  EXPECT_EQ(RecordSetColumnType(rs, 0), 3);
}

TEST_F(DatabaseDispatch, AnEmptyResultIsAtBOFAndEOFAndItsFieldsReadNeutral) {
  Held db(TestEnginePlugin::Open("sql"));
  Held rs(databaseSQLSelect(db, S("select * from empty")));
  ASSERT_NE(rs.get(), nullptr);
  EXPECT_EQ(cursorBOFGetter(rs), 1);
  EXPECT_EQ(cursorEOFGetter(rs), 1);
  Held field(cursorGetFieldByName(rs, S("value")));
  ASSERT_NE(field.get(), nullptr) << "an existing column still gives a field";
  EXPECT_EQ(cursorFieldStringValueGetter(field, 0), nullptr);
  EXPECT_EQ(cursorFieldIntegerValueGetter(field, 0), 0);
  EXPECT_EQ(CursorFieldValueGetter(field, 0), nullptr);
  CursorMoveLast(rs);
  EXPECT_EQ(cursorEOFGetter(rs), 1) << "a result that counts no rows stays at EOF";
  cursorDeleteRecord(rs);
  EXPECT_TRUE(TestEnginePlugin::Lines("curDeleteRow").empty());
}

TEST_F(DatabaseDispatch, MoveFirstAfterEOFStartsALoopThatVisitsEveryRow) {
  Held db(TestEnginePlugin::Open("sql"));
  Held rs(databaseSQLSelect(db, S("select * from codes")));
  const int32_t rows = RecordSetRecordCount(rs);
  while (!cursorEOFGetter(rs)) cursorMoveNext(rs);
  CursorMoveFirst(rs);
  Held id(cursorGetFieldByName(rs, S("id")));
  int32_t visited = 0;
  for (; !cursorEOFGetter(rs); cursorMoveNext(rs)) {
    EXPECT_EQ(cursorFieldIntegerValueGetter(id, 0), visited);
    ++visited;
  }
  EXPECT_EQ(visited, rows);
  EXPECT_EQ(cursorBOFGetter(rs), 0) << "BOF means an empty result only";
  CursorMovePrev(rs);
  EXPECT_EQ(cursorEOFGetter(rs), 0);
  EXPECT_EQ(cursorFieldIntegerValueGetter(id, 0), rows - 1);
}

uint8_t OwnFirstRow(dbCursor cur) {
  FakeEngine::Of(cur)->row = 0;
  return FakeEngine::Of(cur)->rowCount > 0;
}
uint8_t OwnPreviousRow(dbCursor cur) {
  FakeEngine* e = FakeEngine::Of(cur);
  return --e->row >= 0;
}

TEST_F(DatabaseDispatch, TheFrameworksOwnCursorsMoveAsCurNextRowAnswers) {
  FakeEngine engine;
  engine.cursor.curFirstRow = OwnFirstRow;
  engine.cursor.curPreviousRow = OwnPreviousRow;
  MarkFrameworkCursorDefinition(&engine.cursor);
  Held rs(engine.NewCursor({"a", "b"}));
  cursorMoveNext(rs);
  cursorMoveNext(rs);
  EXPECT_EQ(cursorEOFGetter(rs), 1);
  CursorMoveFirst(rs);
  EXPECT_EQ(cursorEOFGetter(rs), 0);
  CursorMovePrev(rs);
  EXPECT_EQ(cursorEOFGetter(rs), 1) << "before the first row there is no row";
  Held empty(engine.NewCursor({}));
  CursorMoveFirst(empty);
  EXPECT_EQ(cursorEOFGetter(empty), 1);
}

TEST_F(DatabaseDispatch, CloseReachesDbCloseOnceHoweverOftenItComes) {
  {
    Held db(TestEnginePlugin::Open("sql"));
    databaseClose(db);
    databaseClose(db);
    databaseCommit(db);
    EXPECT_EQ(databaseErrorCodeGetter(db), 0) << "a closed handle is never asked";
    EXPECT_FALSE(dbShutdownContext::HasDatabase(db));
  }
  {
    Held db(TestEnginePlugin::Open("execute"));
    databaseClose(db);
  }
  EXPECT_THAT(TestEnginePlugin::Lines("dbClose"),
              ElementsAre("dbClose variant=0 closes=1", "dbClose variant=1 closes=1"));
  EXPECT_TRUE(TestEnginePlugin::Lines("dbExecute").empty());
}

TEST_F(DatabaseDispatch, ClosingADatabaseClosesItsRecordSetsFirst) {
  Held db(TestEnginePlugin::Open("sql"));
  Held rs(databaseSQLSelect(db, S("select * from codes")));
  Held field(cursorGetFieldByName(rs, S("value")));
  EXPECT_TRUE(dbShutdownContext::HasCursor(rs));
  databaseClose(db);
  EXPECT_FALSE(dbShutdownContext::HasCursor(rs));
  EXPECT_EQ(cursorFieldStringValueGetter(field, 0), nullptr) << "a closed RecordSet reads nil";
  cursorMoveNext(rs);
  EXPECT_EQ(cursorEOFGetter(rs), 1);
  EXPECT_EQ(cursorFieldCount(rs), 0);
  const std::string log = TestEnginePlugin::Log();
  EXPECT_LT(log.find("curClose"), log.find("dbClose"));
  EXPECT_EQ(TestEnginePlugin::Lines("curClose").size(), 1u);
}

TEST_F(DatabaseDispatch, AnEditedFieldIsWrittenBackAsAnUpdateOfItsRow) {
  Held db(TestEnginePlugin::Open("sql"));
  Held rs(databaseSQLSelect(db, S("select * from codes")));
  for (int i = 0; i < 4; ++i) cursorMoveNext(rs);
  Held value(cursorGetFieldByName(rs, S("value")));
  Held id(cursorGetFieldByName(rs, S("id")));
  cursorEdit(rs);
  cursorFieldStringValueSetter(value, 0, S("it's"));
  cursorFieldIntegerValueSetter(id, 0, 99);
  cursorUpdate(rs);
  cursorUpdate(rs);
  EXPECT_THAT(TestEnginePlugin::Lines("dbExecute"),
              ElementsAre("dbExecute UPDATE [codes] SET [value] = 'it''s' WHERE id = 4"))
      << "the id column has no key; a second Update without Edit writes nothing";
  EXPECT_THAT(TestEnginePlugin::Lines("curEdit"), ElementsAre("curEdit 4"));
}

// Two writable columns of one row of "people"; column 1's key can be changed per test.
const char* gSecondName = "people!nick";
const char* gSecondCondition = "rowid = 1";
int32_t TwoColumns(dbCursor) { return 2; }
uint8_t PeopleKey(dbCursor, int32_t column, const char** name, int32_t* nameLength,
                  const char** condition, int32_t* conditionLength) {
  *name = column == 0 ? "people!name" : gSecondName;
  *nameLength = int32_t(std::strlen(*name));
  *condition = column == 0 ? "rowid = 1" : gSecondCondition;
  *conditionLength = int32_t(std::strlen(*condition));
  return 1;
}

TEST_F(DatabaseDispatch, EditsOfOneRowBecomeOneUpdateAndBadKeysStopOrDropThem) {
  FakeEngine engine;
  engine.cursor.curColumnCount = TwoColumns;
  engine.cursor.curColumnKey = PeopleKey;
  Held db(engine.OpenDatabase());
  Held rs(engine.NewCursor({"x"}));
  AsRecordSet(rs)->database = AsDatabase(db);
  RuntimeLockObject(db);
  Held name(cursorGetFieldByIndex(rs, 1));
  Held nick(cursorGetFieldByIndex(rs, 2));
  auto update = [&](const char* first, stringStorage* second) {
    cursorEdit(rs);
    cursorFieldStringValueSetter(name, 0, S(first));
    cursorFieldStringValueSetter(nick, 0, second);
    cursorUpdate(rs);
  };
  update("O'Hara", nullptr);
  gSecondName = "other!nick";
  gSecondCondition = "rowid = 2";
  update("a", S("b"));
  gSecondName = "people!ni]ck";
  update("c", S("d"));
  EXPECT_EQ(databaseErrorCodeGetter(db), 201);
  gSecondName = "people!nick";
  gSecondCondition = " ";
  update("e", S("f"));
  gSecondCondition = "rowid = 1";
  EXPECT_THAT(engine.calls,
              ElementsAre("dbExecute UPDATE [people] SET [name] = 'O''Hara', [nick] = NULL "
                          "WHERE rowid = 1",
                          "dbExecute UPDATE [other] SET [nick] = 'b' WHERE rowid = 2",
                          "dbExecute UPDATE [people] SET [name] = 'a' WHERE rowid = 1",
                          "dbExecute UPDATE [people] SET [name] = 'e' WHERE rowid = 1"));
}

TEST_F(DatabaseDispatch, TheOwnErrorCodeLastsUntilTheNextStatement) {
  Held db(TestEnginePlugin::Open("sql"));
  EXPECT_EQ(databaseErrorCodeGetter(db), 77) << "the engine's own code";
  EXPECT_EQ(Text(databaseErrorStringGetter(db)), "engine trouble");
  QUORDatabaseSetError(db, 200, "syntax error");
  EXPECT_EQ(databaseErrorCodeGetter(db), 200);
  EXPECT_EQ(databaseErrorGetter(db), 1);
  EXPECT_EQ(Text(databaseErrorStringGetter(db)), "syntax error");
  databaseSQLExecute(db, S("select 1"));
  EXPECT_EQ(databaseErrorCodeGetter(db), 77);
  Held quiet(TestEnginePlugin::Open("execute"));
  QUORDatabaseSetError(quiet, 200, "syntax error");
  Held rs(databaseSQLSelect(quiet, S("select 1")));
  EXPECT_EQ(databaseErrorCodeGetter(quiet), 0) << "no error entry: 0";
  EXPECT_EQ(databaseErrorGetter(quiet), 0);
  EXPECT_EQ(databaseErrorStringGetter(quiet), nullptr);
}

TEST_F(DatabaseDispatch, ADescribedDatabaseOpensOnFirstUseThroughItsEngineName) {
  Held db(NewObjectFromDefinition(DatabaseClassDefinition()));
  DatabaseObject* fields = AsDatabase(db);
  static const uint8_t kSql[] = {'s', 'q', 'l'};
  fields->engineType = string("testengine").ExtractStringStorage();
  fields->lazyData = kSql;
  EXPECT_EQ(databaseSQLSelect(db, S("select * from codes")), nullptr) << "no length: not ready";
  fields->lazyLength = sizeof kSql;
  // Before its first statement it has begun nothing: ending that is no failure, and opens
  // nothing.
  fields->errorCode = 0;  // the refused select's
  databaseCommit(db);
  databaseRollback(db);
  EXPECT_EQ(databaseErrorCodeGetter(db), 0);
  EXPECT_TRUE(TestEnginePlugin::Lines("open").empty());
  Held rs(databaseSQLSelect(db, S("select * from codes")));
  ASSERT_NE(rs.get(), nullptr);
  EXPECT_EQ(AsRecordSet(rs)->database, fields);
  EXPECT_STREQ(stringStorage::CString(AsRecordSet(rs)->sqlText), "select * from codes");
  EXPECT_TRUE(dbShutdownContext::HasDatabase(db));
  EXPECT_THAT(TestEnginePlugin::Lines("open"), ElementsAre("open sql"));

  Held unknown(NewObjectFromDefinition(DatabaseClassDefinition()));
  AsDatabase(unknown)->engineType = string("NoSuchEngine").ExtractStringStorage();
  AsDatabase(unknown)->lazyData = kSql;
  AsDatabase(unknown)->lazyLength = sizeof kSql;
  EXPECT_EQ(databaseSQLSelect(unknown, S("select 1")), nullptr);
  EXPECT_EQ(getDatabaseProperty(unknown, S("x")), nullptr);
  EXPECT_EQ(OpenDatabaseOfType(string("quordb"), kSql, sizeof kSql), nullptr)
      << "the built-in engine has not installed its opener";
}

TEST_F(DatabaseDispatch, PluginAccessorsReadAndFillDatabases) {
  Held db(NewObjectFromDefinition(DatabaseClassDefinition()));
  stringSetter(db, offsetof(DatabaseObject, host), S("example.org"));
  EXPECT_EQ(Text(QUORGetDBHost(db)), "example.org");
  EXPECT_EQ(QUORGetDBUserName(db), nullptr);
  EXPECT_EQ(QUORGetDBHost(nullptr), nullptr);
  FakeEngine engine;
  QUORConstructDBDatabase(db, &engine, &engine.engine);
  EXPECT_EQ(QUORGetDBFromQUORdbDatabase(db), &engine);
  EXPECT_TRUE(dbShutdownContext::HasDatabase(db));
  Held rs(engine.NewCursor({"a"}));
  EXPECT_EQ(QUORGetCursorFromQUORdbCursor(rs), &engine);
  EXPECT_EQ(QUORGetCursorFromQUORdbCursor(nullptr), nullptr);
  QUORSetDBIsConnected(db, 0);
  databaseClose(db);
  EXPECT_TRUE(engine.calls.empty()) << "not connected: not closed";
  EXPECT_EQ(QUORdbDatabaseFromDBDatabase(nullptr, &engine.engine), nullptr);
  EXPECT_EQ(QUORdbCursorFromDBCursor(nullptr, &engine.cursor), nullptr);
  QUORdbCursorDefinition cursor{};
  PluginRegisterDBCursor(&cursor);
  EXPECT_FALSE(IsFrameworkCursorDefinition(&cursor));
}

TEST_F(DatabaseDispatch, AtExitRecordSetsCloseBeforeTheirDatabases) {
  FakeEngine engine;
  RuntimeObject* db = engine.OpenDatabase();
  RuntimeObject* rs = engine.NewCursor({"a"});
  AsRecordSet(rs)->database = AsDatabase(db);
  RuntimeUnlockObject(db);  // the RecordSet holds the only reference now
  delete dbShutdownContext::Get();
  EXPECT_THAT(engine.calls, ElementsAre("curClose", "dbClose"));
  EXPECT_FALSE(dbShutdownContext::HasCursor(rs));
  RuntimeUnlockObject(rs);
  EXPECT_THAT(engine.calls, ElementsAre("curClose", "dbClose"));
}

}  // namespace
