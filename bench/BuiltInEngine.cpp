// The built-in engine through the SQL front end beside sqlite3 in the same process, on the same
// table (id integer primary key, name varchar(40), v double). sqlite3 runs with
// journal_mode=DELETE, synchronous=FULL and the framework's cache size, as the framework
// journals and syncs at commit. Results are checked equal on both sides before anything is
// timed.
//   - 100,000 INSERT texts in one transaction, committed: SQLExecute beside sqlite3_exec of
//     the same texts (aim: at most 1.0x);
//   - 100,000 point selects "select * from t where id = k" (random k), every field read:
//     SQLSelect beside prepare, step and finalize of the same texts (aim: at most 1.0x);
//   - full scans "select * from t where v > x" at 1 %, 50 % and 100 % selectivity (aim: at
//     most 1.5x), and both files' sizes;
//   - on tables of their own: a join of 10,000 orders with 1,000 customers on the customers'
//     key, GROUP BY with COUNT and SUM over 100,000 rows, an UPDATE of 10 % of 100,000 rows
//     (committed), 1,000 transactions of 10 INSERTs each (real time: the syncs are the work),
//     and reading 100,000 rows through IdxField and through Field(name) beside sqlite3_column_*
//     with the names looked up once (aims: at most 1.5x).
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
#include "strings/StringFoundation.h"

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

// Adds every field of the current row to the hash, value bytes as the cursor hands them out
// (to the framework's own code, which calls its own cursors without a call barrier).
uint64_t HashRow(DatabaseCursorObject* r, int32_t columns, uint64_t hash) {
  for (int32_t i = 0; i < columns; ++i) {
    const void* data = nullptr;
    uint8_t type = 0;
    int32_t length = 0;
    CallCursorEntry(r->cursor, r->cursor->curColumnValue, r->cursorHandle, i, &data, &type,
                    &length);
    const uint8_t* bytes = static_cast<const uint8_t*>(data);
    for (int32_t b = 0; b < length; ++b) hash = hash * 31 + bytes[b];
    CallCursorEntry(r->cursor, r->cursor->curReleaseValue, r->cursorHandle);
  }
  return hash;
}

// A checksum of every field of every row of a query.
uint64_t BuiltInQuery(RuntimeObject* db, const char* sql) {
  RuntimeObject* rs = databaseSQLSelect(db, string(sql).Storage());
  DatabaseCursorObject* r = AsRecordSet(rs);
  uint64_t sum = 0;
  while (r && !r->eof) {
    sum = HashRow(r, 3, sum);
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

// ---- queries over tables of their own ----

constexpr int kCustomers = 1000;
constexpr int kOrders = 10000;
constexpr int kSales = 100000;
constexpr int kTransactions = 1000;
constexpr int kInsertsPerTransaction = 10;

const char* const kJoin =
    "select orders.id, customers.name, orders.amount from orders, customers "
    "where orders.cust = customers.id";
const char* const kGroup = "select region, count(*), sum(amount) from sales group by region";

// The statements that fill the join's and the grouping's tables; amounts are multiples of a
// quarter, so that sums are exact in whatever order they are added.
std::vector<std::string> QueryTableTexts() {
  std::vector<std::string> texts = {
      "create table customers (id integer, name varchar(40), primary key (id))",
      "create table orders (id integer, cust integer, amount double, primary key (id))",
      "create table sales (id integer, region integer, amount double, primary key (id))"};
  char text[160];
  for (int i = 0; i < kCustomers; ++i) {
    snprintf(text, sizeof text, "insert into customers (id, name) values (%d, 'customer %d')",
             i, i * 37 % 1009);
    texts.push_back(text);
  }
  for (int i = 0; i < kOrders; ++i) {
    snprintf(text, sizeof text,
             "insert into orders (id, cust, amount) values (%d, %d, %d.25)", i,
             i * 31 % kCustomers, i % 500);
    texts.push_back(text);
  }
  for (int i = 0; i < kSales; ++i) {
    snprintf(text, sizeof text,
             "insert into sales (id, region, amount) values (%d, %d, %d.75)", i, i * 7 % 100,
             i % 997);
    texts.push_back(text);
  }
  return texts;
}

void MakeQueryTables() {
  static bool made = [] {
    MakeSharedTables();
    const std::vector<std::string> texts = QueryTableTexts();
    for (const std::string& text : texts) Execute(gBuiltIn, text);
    Execute(gBuiltIn, "commit");
    SqliteExec(gSqlite, "begin");
    for (const std::string& text : texts) SqliteExec(gSqlite, text);
    SqliteExec(gSqlite, "commit");
    return true;
  }();
  (void)made;
}

// A checksum of a result that does not depend on the order of its rows, and the row count:
// each row's values (integers as 32 bits, doubles as 64, texts as their bytes) hashed alone.
struct ResultSum {
  uint64_t sum = 0;
  uint64_t rows = 0;
  bool operator==(const ResultSum& other) const {
    return sum == other.sum && rows == other.rows;
  }
};

uint64_t Mix(uint64_t hash) {
  hash ^= hash >> 33;
  hash *= 0xff51afd7ed558ccdULL;
  return hash ^ (hash >> 33);
}

ResultSum BuiltInResult(RuntimeObject* db, const char* sql) {
  RuntimeObject* rs = databaseSQLSelect(db, string(sql).Storage());
  DatabaseCursorObject* r = AsRecordSet(rs);
  ResultSum result;
  const int32_t columns = r ? cursorFieldCount(rs) : 0;
  while (r && !r->eof) {
    result.sum += Mix(HashRow(r, columns, 0));
    ++result.rows;
    cursorMoveNext(rs);
  }
  if (rs) cursorClose(rs);
  RuntimeUnlockObject(rs);
  return result;
}

// The same over sqlite3: kinds says how each column is read ('i' 32-bit integer, 'd' double,
// 't' text), as the framework's cursor hands the values out.
ResultSum SqliteResult(sqlite3* db, const char* sql, const char* kinds) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) std::abort();
  ResultSum result;
  const int columns = int(strlen(kinds));
  while (sqlite3_step(statement) == SQLITE_ROW) {
    uint64_t row = 0;
    auto add = [&row](const void* data, size_t length) {
      for (size_t b = 0; b < length; ++b) row = row * 31 + static_cast<const uint8_t*>(data)[b];
    };
    for (int i = 0; i < columns; ++i) {
      if (kinds[i] == 'i') {
        const int32_t x = sqlite3_column_int(statement, i);
        add(&x, 4);
      } else if (kinds[i] == 'd') {
        const double x = sqlite3_column_double(statement, i);
        add(&x, 8);
      } else {
        add(sqlite3_column_text(statement, i), size_t(sqlite3_column_bytes(statement, i)));
      }
    }
    result.sum += Mix(row);
    ++result.rows;
  }
  sqlite3_finalize(statement);
  return result;
}

void CheckEqualQueryResults() {
  MakeQueryTables();
  if (!(BuiltInResult(gBuiltIn, kJoin) == SqliteResult(gSqlite, kJoin, "itd")) ||
      !(BuiltInResult(gBuiltIn, kGroup) == SqliteResult(gSqlite, kGroup, "iid"))) {
    fprintf(stderr, "join or grouping results differ\n");
    std::abort();
  }
}

void BM_BuiltInQuery(benchmark::State& state, const char* sql, const char*) {
  MakeQueryTables();
  for (auto _ : state) benchmark::DoNotOptimize(BuiltInResult(gBuiltIn, sql).sum);
}
BENCHMARK_CAPTURE(BM_BuiltInQuery, Join, kJoin, "itd")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_BuiltInQuery, Group, kGroup, "iid")->Unit(benchmark::kMillisecond);

void BM_SqliteQuery(benchmark::State& state, const char* sql, const char* kinds) {
  MakeQueryTables();
  for (auto _ : state) benchmark::DoNotOptimize(SqliteResult(gSqlite, sql, kinds).sum);
}
BENCHMARK_CAPTURE(BM_SqliteQuery, Join, kJoin, "itd")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_SqliteQuery, Group, kGroup, "iid")->Unit(benchmark::kMillisecond);

// Sets a tenth of the sales (10 of 100 regions) to a new amount each time, and commits.
std::string UpdateText(int64_t round) {
  return "update sales set amount = " + std::to_string(round % 1000) + ".5 where region < 10";
}

void BM_BuiltInUpdate(benchmark::State& state) {
  MakeQueryTables();
  int64_t round = 0;
  for (auto _ : state) {
    Execute(gBuiltIn, UpdateText(++round));
    Execute(gBuiltIn, "commit");
  }
}
BENCHMARK(BM_BuiltInUpdate)->Unit(benchmark::kMillisecond);

void BM_SqliteUpdate(benchmark::State& state) {
  MakeQueryTables();
  int64_t round = 0;
  for (auto _ : state) SqliteExec(gSqlite, UpdateText(++round));
}
BENCHMARK(BM_SqliteUpdate)->Unit(benchmark::kMillisecond);

const std::vector<std::string>& SmallTransactionTexts() {
  static const std::vector<std::string> texts = [] {
    std::vector<std::string> made;
    char text[160];
    for (int i = 0; i < kTransactions * kInsertsPerTransaction; ++i) {
      snprintf(text, sizeof text, "insert into t (id, name, v) values (%d, 'name %d', %d.5)",
               i * 7 % (kTransactions * kInsertsPerTransaction), i, i % 1000);
      made.push_back(text);
    }
    return made;
  }();
  return texts;
}

void BM_BuiltInSmallTransactions(benchmark::State& state) {
  const std::string path = TempPath("transactions.qdb");
  const std::vector<std::string>& texts = SmallTransactionTexts();
  for (auto _ : state) {
    state.PauseTiming();
    RuntimeObject* db = NewBuiltIn(path, true);
    Execute(db, "create table t (id integer, name varchar(40), v double, primary key (id))");
    Execute(db, "commit");
    state.ResumeTiming();
    for (size_t i = 0; i < texts.size(); ++i) {
      Execute(db, texts[i]);
      if (i % kInsertsPerTransaction == kInsertsPerTransaction - 1) Execute(db, "commit");
    }
    state.PauseTiming();
    databaseClose(db);
    RuntimeUnlockObject(db);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_BuiltInSmallTransactions)->Unit(benchmark::kMillisecond)->Iterations(1)
    ->UseRealTime();

void BM_SqliteSmallTransactions(benchmark::State& state) {
  const std::string path = TempPath("transactions.sqlite");
  const std::vector<std::string>& texts = SmallTransactionTexts();
  for (auto _ : state) {
    state.PauseTiming();
    sqlite3* db = NewSqlite(path, true);
    SqliteExec(db, "create table t (id integer, name varchar(40), v double, primary key (id))");
    state.ResumeTiming();
    for (size_t i = 0; i < texts.size(); ++i) {
      if (i % kInsertsPerTransaction == 0) SqliteExec(db, "begin");
      SqliteExec(db, texts[i]);
      if (i % kInsertsPerTransaction == kInsertsPerTransaction - 1) SqliteExec(db, "commit");
    }
    state.PauseTiming();
    sqlite3_close(db);
    state.ResumeTiming();
  }
}
BENCHMARK(BM_SqliteSmallTransactions)->Unit(benchmark::kMillisecond)->Iterations(1)
    ->UseRealTime();

// Every row of t through DatabaseFields, each column by its typed getter: by index (1 id,
// 2 name, 3 v) or by name.
template <typename FieldOf>
uint64_t ReadFields(FieldOf fieldOf) {
  RuntimeObject* rs = databaseSQLSelect(gBuiltIn, string("select * from t").Storage());
  DatabaseCursorObject* r = AsRecordSet(rs);
  uint64_t sum = 0;
  while (r && !r->eof) {
    RuntimeObject* id = fieldOf(rs, 0);
    RuntimeObject* name = fieldOf(rs, 1);
    RuntimeObject* v = fieldOf(rs, 2);
    sum += uint32_t(cursorFieldIntegerValueGetter(id, 0));
    stringStorage* text = cursorFieldStringValueGetter(name, 0);
    sum += uint64_t(stringStorage::Length(text));
    RuntimeUnlockString(text);
    sum += uint64_t(cursorFieldDoubleValueGetter(v, 0));
    RuntimeUnlockObject(id);
    RuntimeUnlockObject(name);
    RuntimeUnlockObject(v);
    cursorMoveNext(rs);
  }
  if (rs) cursorClose(rs);
  RuntimeUnlockObject(rs);
  return sum;
}

// The same through sqlite3, the columns found by name once per statement when byName.
uint64_t SqliteReadColumns(bool byName) {
  sqlite3_stmt* statement = nullptr;
  if (sqlite3_prepare_v2(gSqlite, "select * from t", -1, &statement, nullptr) != SQLITE_OK)
    std::abort();
  int columns[3] = {0, 1, 2};
  if (byName) {
    const char* const names[3] = {"id", "name", "v"};
    for (int c = 0; c < 3; ++c)
      for (int i = 0; i < sqlite3_column_count(statement); ++i)
        if (sqlite3_stricmp(sqlite3_column_name(statement, i), names[c]) == 0) columns[c] = i;
  }
  uint64_t sum = 0;
  while (sqlite3_step(statement) == SQLITE_ROW) {
    sum += uint32_t(sqlite3_column_int(statement, columns[0]));
    const std::string text(
        reinterpret_cast<const char*>(sqlite3_column_text(statement, columns[1])),
        size_t(sqlite3_column_bytes(statement, columns[1])));
    sum += text.size();
    sum += uint64_t(sqlite3_column_double(statement, columns[2]));
  }
  sqlite3_finalize(statement);
  return sum;
}

void CheckEqualFieldReads() {
  MakeSharedTables();
  const uint64_t expected = SqliteReadColumns(false);
  if (ReadFields([](RuntimeObject* rs, int32_t i) { return cursorGetFieldByIndex(rs, i + 1); }) !=
      expected) {
    fprintf(stderr, "field reads differ\n");
    std::abort();
  }
}

void BM_BuiltInReadByIndex(benchmark::State& state) {
  MakeSharedTables();
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadFields([](RuntimeObject* rs, int32_t i) {
      return cursorGetFieldByIndex(rs, i + 1);
    }));
}
BENCHMARK(BM_BuiltInReadByIndex)->Unit(benchmark::kMillisecond);

void BM_SqliteReadByIndex(benchmark::State& state) {
  MakeSharedTables();
  for (auto _ : state) benchmark::DoNotOptimize(SqliteReadColumns(false));
}
BENCHMARK(BM_SqliteReadByIndex)->Unit(benchmark::kMillisecond);

void BM_BuiltInReadByName(benchmark::State& state) {
  MakeSharedTables();
  // The names as compiled code holds them: constants made once.
  const string names[3] = {string("id"), string("name"), string("v")};
  for (auto _ : state)
    benchmark::DoNotOptimize(ReadFields([&names](RuntimeObject* rs, int32_t i) {
      return cursorGetFieldByName(rs, names[i].Storage());
    }));
}
BENCHMARK(BM_BuiltInReadByName)->Unit(benchmark::kMillisecond);

void BM_SqliteReadByName(benchmark::State& state) {
  MakeSharedTables();
  for (auto _ : state) benchmark::DoNotOptimize(SqliteReadColumns(true));
}
BENCHMARK(BM_SqliteReadByName)->Unit(benchmark::kMillisecond);

uint64_t FileSize(const std::string& path) {
  struct stat s;
  return stat(path.c_str(), &s) == 0 ? uint64_t(s.st_size) : 0;
}

}  // namespace

int main(int argc, char** argv) {
  CheckEqualResults();
  CheckEqualQueryResults();
  CheckEqualFieldReads();
  const int status = qvbench::RunWithRatios(
      argc, argv,
      {{"BM_BuiltInInsert/iterations:1", "BM_SqliteInsert/iterations:1", 1.0},
       {"BM_BuiltInPointSelect/iterations:1", "BM_SqlitePointSelect/iterations:1", 1.0},
       {"BM_BuiltInScan/1", "BM_SqliteScan/1", 1.5},
       {"BM_BuiltInScan/50", "BM_SqliteScan/50", 1.5},
       {"BM_BuiltInScan/100", "BM_SqliteScan/100", 1.5},
       {"BM_BuiltInQuery/Join", "BM_SqliteQuery/Join", 1.5},
       {"BM_BuiltInQuery/Group", "BM_SqliteQuery/Group", 1.5},
       {"BM_BuiltInUpdate", "BM_SqliteUpdate", 1.5},
       {"BM_BuiltInSmallTransactions/iterations:1/real_time",
        "BM_SqliteSmallTransactions/iterations:1/real_time", 1.5},
       {"BM_BuiltInReadByIndex", "BM_SqliteReadByIndex", 1.5},
       {"BM_BuiltInReadByName", "BM_SqliteReadByName", 1.5}});
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
