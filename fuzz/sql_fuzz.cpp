// The SQL front end over the test engine's in-memory tables (tests/plugins/database/
// testtables.c, linked in), then over a database of the built-in engine in a file (in memory
// when /dev/shm is there, so that syncs cost nothing), made from the same set-up once and
// copied for every input. One input is up to eight statements separated by NUL bytes, the
// first byte of each saying how it runs: bit 0 through SQLSelect (else SQLExecute); for a
// query, bit 1 edits and updates the first row's first column afterwards and bit 2 deletes
// the first row. Each input starts from a fresh database of three small tables with NULLs.
//
// Whatever the text: nothing crashes or runs on without end (the engine makes at most a few
// hundred table cursors a statement, so a join of many tables ends; statements joining more than
// four tables are passed over, being only slow), every object made is
// released, a query that fails says why, and a statement refused before it runs (codes 200 to
// 208, 2007, 2008) leaves every table as it was; so does every query that writes nothing back.
// On the built-in engine, the storage checker (tests/database/StorageChecker.cpp) finds the
// file sound after every input.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "FuzzSupport.h"
#include "app/PluginLoader.h"
#include "core/RuntimeObject.h"
#include "database/DatabaseClasses.h"
#include "StorageChecker.h"
#include "database/SQLStatements.h"
#include "database/SQLTokenizer.h"
#include "files/FolderItemClass.h"
#include "strings/RuntimeString.h"
#include "strings/StringFoundation.h"

extern "C" {
void TablesEngineInit(void* (*lookup)(const char* name));
void* OpenTablesEngine(void);
char* TablesEngineDump(void* engine);
void TablesEngineLimitOpens(int count);
RuntimeObject* newQUORDatabase(RuntimeObject* item);
RuntimeObject* openQUORDatabase(RuntimeObject* item);
}

namespace {

constexpr int kStatements = 8;
constexpr int kOpensPerStatement = 300;
constexpr int kRowsStepped = 2000;
// Rows past the first few read the same fields through the same code; stepping over them still
// drives the joins and filters.
constexpr int kRowsRead = 50;
// A join of four tables nests every kind of join step; each further table takes no new path
// and multiplies the rows walked by four.
constexpr int kTablesJoined = 4;

const char* const kSetup[] = {
    "create table a (id integer, name varchar(20), score double, day date, primary key (id))",
    ("create table b (id integer, aid integer, tag long varchar, n smallint, f float, "
     "ok boolean, at time)"),
    "create table c (k integer not null)",
    "insert into a (id, name, score, day) values (1, 'apple', 2.5, '2024-05-07')",
    "insert into a (id, name) values (2, 'Apple')",
    "insert into a (id, score, day) values (3, -1, '1999-12-31')",
    "insert into a (id, name, score) values (4, 'b%_''x', 1000000.5)",
    "insert into b (id, aid, tag, n, f, ok, at) values (1, 1, 'x', 3, 0.1, 'true', '10:30')",
    "insert into b (id, aid, tag) values (2, 1, '')",
    "insert into b (id, aid, n, ok) values (3, 4, -7, 'false')",
    "insert into b (id, aid, f, at) values (4, 9, 2.5, '23:59:59')",
    "insert into c (k) values (1)",
    "insert into c (k) values (4)",
    "commit",
};

// At least as many tables as the statement's FROM list joins, read through the front end's own
// tokenizer: a clause word inside a longer word ("whereb") or a byte the tokenizer skips must not
// end the count early. Clause words are never table names or aliases, so a FROM list ends at one
// or at the end; counting the commas after the first "from" of each stretch between clause words
// counts every list whole wherever the real "from" lies (a column may be named "from" too).
int TablesJoined(const std::string& sql) {
  SQLTokenizer tokens(sql);
  int most = 0;
  int tables = 0;  // in the current stretch, once a "from" has been read
  for (SQLToken t = tokens.Next(); !t.IsEnd(); t = tokens.Next()) {
    if (t.Is("where") || t.Is("order") || t.Is("group")) {
      tables = 0;
    } else if (tables == 0) {
      if (t.Is("from")) tables = 1;
    } else if (t.IsSymbol(",")) {
      ++tables;
    }
    most = std::max(most, tables);
  }
  return most;
}

bool Refused(int32_t code) { return (code >= 200 && code <= 208) || code == 2007 || code == 2008; }

string Text(const std::string& s) {
  return string::FromBytes(s.data(), int64_t(s.size()), kEncodingUTF8);
}

std::string Dump(DatabaseObject* db) {
  char* text = TablesEngineDump(db->engineHandle);
  std::string dump = text ? text : "";
  std::free(text);
  return dump;
}

// Every column of the current row, through the fields as compiled code reads them.
void ReadRow(RuntimeObject* rs) {
  const int32_t columns = cursorFieldCount(rs);
  for (int32_t i = 1; i <= columns; ++i) {
    RuntimeObject* field = cursorGetFieldByIndex(rs, i);
    if (!field) continue;
    RuntimeUnlockString(cursorFieldStringValueGetter(field, 0));
    RuntimeUnlockObject(field);
  }
}

// Reads the result forwards, then moves back and forth; answers whether it wrote anything.
bool WalkResult(RuntimeObject* rs, uint8_t how) {
  DatabaseCursorObject* r = AsRecordSet(rs);
  for (int32_t i = 0; i < cursorFieldCount(rs); ++i) {
    CursorColumnName(r, i);
    RecordSetColumnType(rs, i);
  }
  RecordSetRecordCount(rs);
  for (int rows = 0; !r->eof && rows < kRowsStepped; ++rows) {
    if (rows < kRowsRead) ReadRow(rs);
    cursorMoveNext(rs);
  }
  CursorMoveLast(rs);
  ReadRow(rs);
  CursorMovePrev(rs);
  ReadRow(rs);
  CursorMoveFirst(rs);
  ReadRow(rs);
  if (how & 2) {
    cursorEdit(rs);
    SetPendingEdit(r, 0, string("7"));
    cursorUpdate(rs);
  }
  if (how & 4) cursorDeleteRecord(rs);
  cursorClose(rs);
  return how & 6;
}

void Run(RuntimeObject* database, uint8_t how, const std::string& sql, bool dumps) {
  // A cross join of many small tables is sound and merely slow (eight tables of four rows
  // make 65,536): the time goes to statements that teach the fuzzer more.
  if (TablesJoined(sql) > kTablesJoined) return;
  DatabaseObject* db = AsDatabase(database);
  const std::string before = dumps ? Dump(db) : std::string();
  TablesEngineLimitOpens(kOpensPerStatement);
  bool mayChange = false;
  if (how & 1) {
    RuntimeObject* rs = databaseSQLSelect(database, Text(sql).Storage());
    QV_FUZZ_EXPECT(rs || db->errorCode != 0);
    if (rs) mayChange = WalkResult(rs, how);
    RuntimeUnlockObject(rs);
  } else {
    databaseSQLExecute(database, Text(sql).Storage());
    mayChange = !Refused(db->errorCode);
  }
  TablesEngineLimitOpens(-1);
  if (dumps && !mayChange) QV_FUZZ_EXPECT(Dump(db) == before);
}

void SetUp(RuntimeObject* database) {
  for (const char* statement : kSetup) {
    databaseSQLExecute(database, string(statement).Storage());
    QV_FUZZ_EXPECT(AsDatabase(database)->errorCode == 0 &&
                   databaseErrorCodeGetter(database) == 0);
  }
}

// The built-in database's file, and the bytes of the set-up database it starts from.
const std::string& BuiltInPath() {
  static const std::string path = [] {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : getenv("TMPDIR");
    std::string pattern = std::string(base ? base : "/tmp") + "/qvsqlfuzzXXXXXX";
    return std::string(mkdtemp(pattern.data())) + "/fuzz.qdb";
  }();
  return path;
}

const std::string& SetUpFile() {
  static const std::string bytes = [] {
    RuntimeObject* item = FolderItemFromPath(BuiltInPath().c_str());
    RuntimeObject* database = newQUORDatabase(item);
    QV_FUZZ_EXPECT(database);
    SetUp(database);
    databaseClose(database);
    RuntimeUnlockObject(database);
    RuntimeUnlockObject(item);
    std::ifstream in(BuiltInPath(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }();
  return bytes;
}

RuntimeObject* OpenBuiltIn() {
  const std::string& bytes = SetUpFile();
  unlink((BuiltInPath() + "-journal").c_str());
  std::ofstream(BuiltInPath(), std::ios::binary | std::ios::trunc)
      .write(bytes.data(), std::streamsize(bytes.size()));
  RuntimeObject* item = FolderItemFromPath(BuiltInPath().c_str());
  RuntimeObject* database = openQUORDatabase(item);
  RuntimeUnlockObject(item);
  QV_FUZZ_EXPECT(database);
  return database;
}

RuntimeObject* NewDatabase() {
  static bool initialised = [] {
    InstallSQLFrontEnd();
    TablesEngineInit(&PluginLookupCallback);
    return true;
  }();
  (void)initialised;
  RuntimeObject* database = static_cast<RuntimeObject*>(OpenTablesEngine());
  QV_FUZZ_EXPECT(database);
  SetUp(database);
  return database;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  const int32_t liveBefore = LiveObjectCount();
  for (bool builtIn : {false, true}) {
    RuntimeObject* database = builtIn ? OpenBuiltIn() : NewDatabase();
    qvfuzz::InputReader input(data, size);
    for (int i = 0; i < kStatements && !input.AtEnd(); ++i) {
      const uint8_t how = input.Byte();
      Run(database, how, input.Text(), !builtIn);
    }
    databaseClose(database);
    RuntimeUnlockObject(database);
    if (builtIn) {
      const std::string problem = dbtest::CheckBuiltInFile(BuiltInPath());
      if (!problem.empty()) qvfuzz::PropertyFailed(__FILE__, __LINE__, problem.c_str());
    }
  }
  QV_FUZZ_EXPECT(LiveObjectCount() == liveBefore);
  return 0;
}
