// The built-in engine through the SQL front end beside sqlite3 in the same process, on the same
// table (id integer primary key, name varchar(40), v double). sqlite3 runs with
// journal_mode=DELETE, synchronous=FULL and the framework's cache size, as the framework
// journals and syncs at commit. Results are checked equal on both sides before anything is
// timed.
//   - 100,000 INSERT texts in one transaction, committed: SQLExecute beside sqlite3_exec of
//     the same texts (aim: at most 1.0x);
//   - 100,000 point selects "select * from t where id = k" (random k), every field read:
//     SQLSelect beside prepare, step and finalize of the same texts (aim: at most 2.0x);
//   - full scans "select * from t where v > x" at 1 %, 50 % and 100 % selectivity (ratios
//     reported), and both files' sizes.
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/Memory.h"
#include "database/BuiltInEngine.h"
#include "database/DatabaseClasses.h"
#include "database/SQLStatements.h"
#include "files/FolderItemClass.h"

extern "C" {
RuntimeObject* newQUORDatabase(RuntimeObject* item);
RuntimeObject* openQUORDatabase(RuntimeObject* item);
}

namespace {

constexpr int kRows = 100000;
constexpr int kCacheKiB = 4096 * 8192 / 1024;

const std::string& TempFolder() {
  static std::string folder = [] {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvenginebenchXXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}
std::string TempPath(const char* name) { return TempFolder() + "/" + name; }

void Remove(const std::string& path) {
  std::filesystem::remove(path);
  std::filesystem::remove(path + "-journal");
}

const std::vector<std::string>& InsertTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> made;
    std::vector<int> ids(kRows);
    for (int i = 0; i < kRows; ++i) ids[size_t(i)] = i;
    std::shuffle(ids.begin(), ids.end(), std::mt19937(11));
    char text[160];
    for (int id : ids) {
      snprintf(text, sizeof text, "insert into t (id, name, v) values (%d, 'name %d', %d.5)",
               id, id * 7919 % 100003, id % 1000);
      made.push_back(text);
    }
    return made;
  }();
  return texts;
}

// ---- the framework ----

RuntimeObject* NewBuiltIn(const std::string& path, bool create) {
  static bool ready = [] {
    initializeMemoryCriticalSection();
    InstallSQLFrontEnd();
    return true;
  }();
  (void)ready;
  if (create) Remove(path);
  RuntimeObject* item = FolderItemFromPath(path.c_str());
  RuntimeObject* db = create ? newQUORDatabase(item) : openQUORDatabase(item);
  RuntimeUnlockObject(item);
  if (!db) std::abort();
  return db;
}

void Execute(RuntimeObject* db, const std::string& sql) {
  databaseSQLExecute(db, string(sql.c_str()).Storage());
  if (databaseErrorCodeGetter(db) != 0) {
    fprintf(stderr, "%s: %d\n", sql.c_str(), databaseErrorCodeGetter(db));
    std::abort();
  }
}

void FillBuiltIn(RuntimeObject* db) {
  Execute(db, "create table t (id integer, name varchar(40), v double, primary key (id))");
  Execute(db, "commit");
  for (const std::string& text : InsertTexts()) Execute(db, text);
  Execute(db, "commit");
}

// A checksum of every field of every row of a query.
uint64_t BuiltInQuery(RuntimeObject* db, const char* sql) {
  RuntimeObject* rs = databaseSQLSelect(db, string(sql).Storage());
  DatabaseCursorObject* r = AsRecordSet(rs);
  uint64_t sum = 0;
  while (r && !r->eof) {
    for (int32_t i = 0; i < 3; ++i) {
      const void* data = nullptr;
      uint8_t type = 0;
      int32_t length = 0;
      CallEntry(r->cursor->curColumnValue, r->cursorHandle, i, &data, &type, &length);
      const uint8_t* bytes = static_cast<const uint8_t*>(data);
      for (int32_t b = 0; b < length; ++b) sum = sum * 31 + bytes[b];
      CallEntry(r->cursor->curReleaseValue, r->cursorHandle);
    }
    cursorMoveNext(rs);
  }
  if (rs) cursorClose(rs);
  RuntimeUnlockObject(rs);
  return sum;
}

// ---- sqlite3 ----

sqlite3* NewSqlite(const std::string& path, bool create) {
  if (create) Remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
  sqlite3_exec(db, "PRAGMA page_size=8192; PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;",
               nullptr, nullptr, nullptr);
  sqlite3_exec(db, ("PRAGMA cache_size=-" + std::to_string(kCacheKiB)).c_str(), nullptr, nullptr,
               nullptr);
  return db;
}

void SqliteExec(sqlite3* db, const std::string& sql) {
  if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

void FillSqlite(sqlite3* db) {
  SqliteExec(db, "create table t (id integer, name varchar(40), v double, primary key (id))");
  SqliteExec(db, "begin");
  for (const std::string& text : InsertTexts()) SqliteExec(db, text);
  SqliteExec(db, "commit");
}

// The same checksum: integers and doubles in host order as the cursor hands them out.
uint64_t SqliteQuery(sqlite3* db, const char* sql) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) std::abort();
  uint64_t sum = 0;
  auto add = [&sum](const void* data, size_t length) {
    for (size_t b = 0; b < length; ++b) sum = sum * 31 + static_cast<const uint8_t*>(data)[b];
  };
  while (sqlite3_step(statement) == SQLITE_ROW) {
    const int32_t id = sqlite3_column_int(statement, 0);
    const double v = sqlite3_column_double(statement, 2);
    // The framework lists the columns in collated name order: id, name, v.
    add(&id, 4);
    add(sqlite3_column_text(statement, 1), size_t(sqlite3_column_bytes(statement, 1)));
    add(&v, 8);
  }
  sqlite3_finalize(statement);
  return sum;
}

// ---- the shared tables, made once ----

RuntimeObject* gBuiltIn = nullptr;
sqlite3* gSqlite = nullptr;

void MakeSharedTables() {
  if (gBuiltIn) return;
  gBuiltIn = NewBuiltIn(TempPath("select.qdb"), true);
  FillBuiltIn(gBuiltIn);
  gSqlite = NewSqlite(TempPath("select.sqlite"), true);
  FillSqlite(gSqlite);
}

std::vector<std::string> PointSelects() {
  std::vector<std::string> texts;
  std::mt19937 random(5);
  for (int i = 0; i < kRows; ++i)
    texts.push_back("select * from t where id = " + std::to_string(random() % kRows));
  return texts;
}

const char* ScanText(int percent) {
  // v runs over 0.5 .. 999.5 evenly.
  if (percent == 1) return "select * from t where v > 989";
  return percent == 50 ? "select * from t where v > 499" : "select * from t where v > -1";
}

void CheckEqualResults() {
  MakeSharedTables();
  for (int percent : {1, 50, 100}) {
    if (BuiltInQuery(gBuiltIn, ScanText(percent)) != SqliteQuery(gSqlite, ScanText(percent))) {
      fprintf(stderr, "results differ for %s\n", ScanText(percent));
      std::abort();
    }
  }
  const std::vector<std::string> selects = PointSelects();
  for (int i = 0; i < 100; ++i) {
    const std::string& text = selects[size_t(i)];
    if (BuiltInQuery(gBuiltIn, text.c_str()) != SqliteQuery(gSqlite, text.c_str())) std::abort();
  }
}

// ---- the benchmarks ----

void BM_BuiltInInsert(benchmark::State& state) {
  const std::string path = TempPath("insert.qdb");
  for (auto _ : state) {
    state.PauseTiming();
    RuntimeObject* db = NewBuiltIn(path, true);
    Execute(db, "create table t (id integer, name varchar(40), v double, primary key (id))");
    Execute(db, "commit");
    state.ResumeTiming();
    for (const std::string& text : InsertTexts()) Execute(db, text);
    Execute(db, "commit");
    state.PauseTiming();
    databaseClose(db);
    RuntimeUnlockObject(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_BuiltInInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SqliteInsert(benchmark::State& state) {
  const std::string path = TempPath("insert.sqlite");
  for (auto _ : state) {
    state.PauseTiming();
    sqlite3* db = NewSqlite(path, true);
    SqliteExec(db, "create table t (id integer, name varchar(40), v double, primary key (id))");
    state.ResumeTiming();
    SqliteExec(db, "begin");
    for (const std::string& text : InsertTexts()) SqliteExec(db, text);
    SqliteExec(db, "commit");
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SqliteInsert)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BuiltInPointSelect(benchmark::State& state) {
  MakeSharedTables();
  const std::vector<std::string> texts = PointSelects();
  for (auto _ : state) {
    uint64_t sum = 0;
    for (const std::string& text : texts) sum += BuiltInQuery(gBuiltIn, text.c_str());
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_BuiltInPointSelect)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_SqlitePointSelect(benchmark::State& state) {
  MakeSharedTables();
  const std::vector<std::string> texts = PointSelects();
  for (auto _ : state) {
    uint64_t sum = 0;
    for (const std::string& text : texts) sum += SqliteQuery(gSqlite, text.c_str());
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRows);
}
BENCHMARK(BM_SqlitePointSelect)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_BuiltInScan(benchmark::State& state) {
  MakeSharedTables();
  for (auto _ : state)
    benchmark::DoNotOptimize(BuiltInQuery(gBuiltIn, ScanText(int(state.range(0)))));
}
BENCHMARK(BM_BuiltInScan)->Arg(1)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

void BM_SqliteScan(benchmark::State& state) {
  MakeSharedTables();
  for (auto _ : state)
    benchmark::DoNotOptimize(SqliteQuery(gSqlite, ScanText(int(state.range(0)))));
}
BENCHMARK(BM_SqliteScan)->Arg(1)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

uint64_t FileSize(const std::string& path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 ? uint64_t(s.st_size) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  CheckEqualResults();
  const int status = qvbench::RunWithRatios(
      argc, argv,
      {{"BM_BuiltInInsert/iterations:1", "BM_SqliteInsert/iterations:1", 1.0},
       {"BM_BuiltInPointSelect/iterations:1", "BM_SqlitePointSelect/iterations:1", 2.0},
       {"BM_BuiltInScan/1", "BM_SqliteScan/1", 0},
       {"BM_BuiltInScan/50", "BM_SqliteScan/50", 0},
       {"BM_BuiltInScan/100", "BM_SqliteScan/100", 0}});
  printf("file sizes, %d rows: framework %llu bytes, sqlite3 %llu bytes\n", kRows,
         static_cast<unsigned long long>(FileSize(TempPath("select.qdb"))),
         static_cast<unsigned long long>(FileSize(TempPath("select.sqlite"))));
  if (gBuiltIn) {
    databaseClose(gBuiltIn);
    RuntimeUnlockObject(gBuiltIn);
  }
  if (gSqlite) sqlite3_close(gSqlite);
  std::filesystem::remove_all(TempFolder());
  return status;
}
