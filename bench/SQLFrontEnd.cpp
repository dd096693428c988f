// The SQL front end beside the plain alternatives:
//   - ORDER BY over 1,000,000 rows {id integer, x double} of an engine that holds them in
//     arrays (select, sort by x, read every row back) beside a copy of the same rows sorted in
//     memory by std::stable_sort with the same value comparison and read back (aim: 3x);
//   - tokenizing and parsing 100,000 SELECT and INSERT texts beside sqlite3_prepare_v2 (and
//     finalize) of the same texts (aim: 1.5x). The front end's engine here knows none of the
//     tables, so each SELECT is parsed whole and ends at the catalogue check (error 202), and
//     each INSERT is parsed and its column list built for an engine without dbInsertRow;
//     sqlite3 resolves the names against its schema and compiles each statement besides.
#include <sqlite3.h>
#include <strings.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/Memory.h"
#include "database/DatabaseClasses.h"
#include "database/DatabaseEngine.h"
#include "database/DatabasePlugins.h"
#include "database/SQLResultCursors.h"
#include "database/SQLStatements.h"

namespace {

constexpr int kRows = 1000000;
constexpr int kTexts = 100000;

struct NumberRow {
  int32_t id;
  double x;
};

const std::vector<NumberRow>& Numbers() {
  static const std::vector<NumberRow> rows = [] {
    std::vector<NumberRow> made(kRows);
    std::mt19937 random(2024);
    std::uniform_real_distribution<double> value(-1e6, 1e6);
    for (int i = 0; i < kRows; ++i) made[size_t(i)] = {i, value(random)};
    return made;
  }();
  return rows;
}

// ---- The engine: table "numbers" (id, x) over the rows above, and its field list ----------

struct BenchCursor {
  bool schema;           // the field list: one row per column, its name
  int32_t columns[2];    // the table's columns served, in order (0 id, 1 x)
  int32_t count = 0;
  int32_t row = -1;
};

const char* const kColumnNames[] = {"id", "x"};

void CursorClose(dbCursor cur) { delete static_cast<BenchCursor*>(cur); }
int32_t CursorColumnCount(dbCursor cur) { return static_cast<BenchCursor*>(cur)->count; }
stringStorage* CursorColumnName(dbCursor cur, int32_t i) {
  BenchCursor* c = static_cast<BenchCursor*>(cur);
  if (c->schema) return i == 0 ? string("ColumnName").ExtractStringStorage() : nullptr;
  return i >= 0 && i < c->count ? string(kColumnNames[c->columns[i]]).ExtractStringStorage()
                                 : nullptr;
}
void CursorColumnValue(dbCursor cur, int32_t i, const void** data, uint8_t* type,
                       int32_t* length) {
  BenchCursor* c = static_cast<BenchCursor*>(cur);
  *data = nullptr;
  *type = kColumnNull;
  *length = 0;
  if (i < 0 || i >= c->count || c->row < 0) return;
  if (c->schema) {
    *data = kColumnNames[c->row];
    *type = kColumnText;
    *length = int32_t(std::strlen(kColumnNames[c->row]));
    return;
  }
  const NumberRow& row = Numbers()[size_t(c->row)];
  const bool isX = c->columns[i] == 1;
  *data = isX ? static_cast<const void*>(&row.x) : &row.id;
  *type = isX ? kColumnDouble : kColumnInt32;
  *length = isX ? 8 : 4;
}
void CursorReleaseValue(dbCursor) {}
uint8_t CursorNextRow(dbCursor cur) {
  BenchCursor* c = static_cast<BenchCursor*>(cur);
  const int32_t rows = c->schema ? 2 : kRows;
  if (c->row < rows) ++c->row;
  return c->row < rows;
}

QUORdbCursorDefinition* CursorTable() {
  static QUORdbCursorDefinition table = [] {
    QUORdbCursorDefinition t{};
    t.version = kDatabaseTableVersion;
    t.curClose = CursorClose;
    t.curColumnCount = CursorColumnCount;
    t.curColumnName = CursorColumnName;
    t.curColumnValue = CursorColumnValue;
    t.curReleaseValue = CursorReleaseValue;
    t.curNextRow = CursorNextRow;
    return t;
  }();
  return &table;
}

bool IsNumbers(stringStorage* table) {
  return strcasecmp(stringStorage::CString(table), "numbers") == 0;
}

RuntimeObject* FieldSchema(dbDatabase, stringStorage* table) {
  if (!IsNumbers(table)) return nullptr;
  return QUORdbCursorFromDBCursor(new BenchCursor{true, {0, 0}, 1}, CursorTable());
}

RuntimeObject* OpenTable(dbDatabase, stringStorage* table, ResultColumnNode* columns, void*) {
  if (!IsNumbers(table)) return nullptr;
  auto* cursor = new BenchCursor{false, {0, 0}, 0};
  for (ResultColumnNode* c = columns; c && cursor->count < 2; c = c->next) {
    const char* name = stringStorage::CString(c->name);
    cursor->columns[cursor->count++] = strcasecmp(name, "x") == 0 ? 1 : 0;
  }
  return QUORdbCursorFromDBCursor(cursor, CursorTable());
}

RuntimeObject* Database() {
  static RuntimeObject* database = [] {
    initializeMemoryCriticalSection();
    InstallSQLFrontEnd();
    static QUORdbEngineDefinition engine{};
    engine.version = kDatabaseTableVersion;
    engine.dbFieldSchema = FieldSchema;
    engine.dbOpenTable = OpenTable;
    static int handle;
    return QUORdbDatabaseFromDBDatabase(&handle, &engine);
  }();
  return database;
}

// ---- ORDER BY -------------------------------------------------------------------------------

void BM_FrontEndOrderBy(benchmark::State& state) {
  RuntimeObject* db = Database();
  const string sql("select x, id from numbers order by x");
  for (auto _ : state) {
    RuntimeObject* rs = databaseSQLSelect(db, sql.Storage());
    DatabaseCursorObject* r = AsRecordSet(rs);
    double sum = 0;
    int32_t rows = 0;
    for (; r && !r->eof; cursorMoveNext(rs), ++rows) {
      const void* data;
      uint8_t code;
      int32_t length;
      r->cursor->curColumnValue(r->cursorHandle, 0, &data, &code, &length);
      double x;
      std::memcpy(&x, data, sizeof x);
      sum += x;
      r->cursor->curReleaseValue(r->cursorHandle);
    }
    if (rows != kRows) state.SkipWithError("the sorted result lost rows");
    benchmark::DoNotOptimize(sum);
    cursorClose(rs);
    RuntimeUnlockObject(rs);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_FrontEndOrderBy)->Unit(benchmark::kMillisecond);

void BM_StableSortOrderBy(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<NumberRow> rows = Numbers();
    std::stable_sort(rows.begin(), rows.end(), [](const NumberRow& a, const NumberRow& b) {
      const ColumnValue x{kColumnDouble, reinterpret_cast<const uint8_t*>(&a.x), 8};
      const ColumnValue y{kColumnDouble, reinterpret_cast<const uint8_t*>(&b.x), 8};
      return CompareColumnValues(x, y) < 0;
    });
    double sum = 0;
    for (const NumberRow& row : rows) sum += row.x;
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_StableSortOrderBy)->Unit(benchmark::kMillisecond);

// ---- Parsing --------------------------------------------------------------------------------

struct Text {
  std::string sql;
  bool select;
};

const std::vector<Text>& Texts() {
  static const std::vector<Text> texts = [] {
    std::vector<Text> made;
    char b[256];
    for (int i = 0; i < kTexts; ++i) {
      switch (i % 5) {
        case 0:
          snprintf(b, sizeof b,
                   "select id, x, name from t1 where x > %d.5 and name like 'ab%d%%' "
                   "order by x desc, id", i, i % 97);
          break;
        case 1:
          snprintf(b, sizeof b,
                   "select a.id, b.tag from t1 a, t2 b where b.t1id = a.id and a.x <= %d "
                   "or b.tag = 'q%d'", i, i);
          break;
        case 2:
          snprintf(b, sizeof b,
                   "select t1id, count(*), max(id) from t2 where tag is not null and id < %d "
                   "group by t1id", i);
          break;
        case 3:
          snprintf(b, sizeof b, "insert into t1 (id, x, name) values (%d, %d.25, 'It''s %d')",
                   i, i % 1000, i);
          break;
        default:
          snprintf(b, sizeof b, "insert into t2 (id, t1id, tag) values (%d, %d, 'tag%d')", i,
                   i / 7, i % 13);
          break;
      }
      made.push_back({b, i % 5 < 3});
    }
    return made;
  }();
  return texts;
}

void BM_FrontEndParse(benchmark::State& state) {
  RuntimeObject* db = Database();
  std::vector<string> texts;
  for (const Text& t : Texts()) texts.emplace_back(t.sql.c_str());
  for (auto _ : state) {
    for (size_t i = 0; i < texts.size(); ++i) {
      if (Texts()[i].select) {
        RuntimeObject* rs = databaseSQLSelect(db, texts[i].Storage());
        if (rs || AsDatabase(db)->errorCode != 202) state.SkipWithError("not parsed whole");
        RuntimeUnlockObject(rs);
      } else {
        databaseSQLExecute(db, texts[i].Storage());
        if (AsDatabase(db)->errorCode != 0) state.SkipWithError("not parsed");
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kTexts);
}
BENCHMARK(BM_FrontEndParse)->Unit(benchmark::kMillisecond);

void BM_SqlitePrepare(benchmark::State& state) {
  sqlite3* db = nullptr;
  sqlite3_open(":memory:", &db);
  sqlite3_exec(db,
               "create table t1 (id integer, x double, name varchar(20));"
               "create table t2 (id integer, t1id integer, tag varchar(20));",
               nullptr, nullptr, nullptr);
  for (auto _ : state) {
    for (const Text& t : Texts()) {
      sqlite3_stmt* statement = nullptr;
      if (sqlite3_prepare_v2(db, t.sql.c_str(), int(t.sql.size()), &statement, nullptr) !=
          SQLITE_OK)
        state.SkipWithError(sqlite3_errmsg(db));
      sqlite3_finalize(statement);
    }
  }
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kTexts);
}
BENCHMARK(BM_SqlitePrepare)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_FrontEndOrderBy", "BM_StableSortOrderBy", 3.0},
                                 {"BM_FrontEndParse", "BM_SqlitePrepare", 1.5}});
}
