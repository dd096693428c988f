// The built-in engine's storage beside sqlite3 in the same process: 100,000 keyed records
// inserted in one transaction (sequential and random keys) and committed, then 100,000 seeks.
// sqlite3 runs prepared statements on a WITHOUT ROWID table with journal_mode=DELETE,
// synchronous=FULL, the same page size and the same cache size; its seeks run in one read
// transaction, as the store's run under the lock it holds while open (one transaction per
// SELECT would re-check the file each time). Prints the ratios (aim: at most 1.0). The
// temporary folder goes at the end.
#include <sqlite3.h>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "database/PageStore.h"
#include "database/TableCursor.h"
#include "database/TableDirectory.h"

namespace {

constexpr int kRecords = 100000;
constexpr int kCachePages = 4096;

const std::string& TempFolder() {
  static std::string folder = [] {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/qvdbbenchXXXXXX";
    if (!mkdtemp(pattern.data())) std::abort();
    return pattern;
  }();
  return folder;
}

std::string TempPath(const char* name) { return TempFolder() + "/" + name; }

void Remove(const std::string& path) {
  unlink(path.c_str());
  unlink((path + "-journal").c_str());
}

std::vector<int> Keys(bool shuffled) {
  std::vector<int> keys(kRecords);
  for (int i = 0; i < kRecords; ++i) keys[i] = i;
  if (shuffled) std::shuffle(keys.begin(), keys.end(), std::mt19937(1994));
  return keys;
}

// ---- the framework's store: rows {0: integer key, 1: text} keyed by column 0 ----

const uint8_t kKeyColumn[] = {0};

struct Row {
  uint8_t bytes[48];
  uint32_t length;
  uint8_t key[5];
};

void MakeRow(Row& row, uint32_t id, int key) {
  char text[24];
  int textLength = snprintf(text, sizeof text, "value-%08d", key);
  uint8_t* r = row.bytes;
  row.length = kDbRowValues + 6 + 6 + textLength;
  StoreBigEndian16(r, static_cast<uint16_t>(row.length));
  StoreBigEndian32(r + kDbRowId, id);
  r[10] = 0;
  r[11] = kDbInteger;
  StoreBigEndian32(r + 12, static_cast<uint32_t>(key));
  r[16] = 1;
  r[17] = kDbVarChar;
  StoreBigEndian32(r + 18, static_cast<uint32_t>(textLength));
  std::memcpy(r + 22, text, textLength);
  row.key[0] = 1;
  AppendValueKey(row.key + 1, kDbInteger, r + 12, 4);
}

std::unique_ptr<PageStore> StoreWithRows(const std::string& path, const std::vector<int>& keys) {
  Remove(path);
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Create(path.c_str(), &error);
  CreateTableStorage(*store, "t");
  std::unique_ptr<TableCursor> cursor = OpenTableCursor(*store, "t", nullptr, 0, kKeyColumn, 1);
  Row row;
  for (int key : keys) {
    MakeRow(row, store->NextRecordId(), key);
    bool exact = false;
    if (!cursor->Seek(row.key, sizeof row.key, &exact) || exact ||
        !cursor->Insert(row.bytes, row.length))
      std::abort();
  }
  cursor.reset();
  if (!store->Commit()) std::abort();
  return store;
}

void StoreInsert(benchmark::State& state, bool shuffled) {
  std::vector<int> keys = Keys(shuffled);
  std::string path = TempPath("store.db");
  for (auto _ : state) StoreWithRows(path, keys).reset();
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_StoreInsertSequential(benchmark::State& state) { StoreInsert(state, false); }
void BM_StoreInsertRandom(benchmark::State& state) { StoreInsert(state, true); }
BENCHMARK(BM_StoreInsertSequential)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_StoreInsertRandom)->Unit(benchmark::kMillisecond);

void BM_StoreSeek(benchmark::State& state) {
  std::vector<int> keys = Keys(true);
  std::unique_ptr<PageStore> store = StoreWithRows(TempPath("seek.db"), keys);
  std::unique_ptr<TableCursor> cursor = OpenTableCursor(*store, "t", nullptr, 0, kKeyColumn, 1);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  Row row;
  for (auto _ : state) {
    uint64_t sum = 0;
    for (int key : keys) {
      MakeRow(row, 0, key);
      bool exact = false;
      uint32_t length = 0;
      if (!cursor->Seek(row.key, sizeof row.key, &exact) || !exact) std::abort();
      sum += cursor->CurrentRecord(&length)[length - 1];
    }
    benchmark::DoNotOptimize(sum);
  }
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_StoreSeek)->Unit(benchmark::kMillisecond);

// ---- sqlite3 ----

void Exec(sqlite3* db, const char* sql) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK) std::abort();
}

sqlite3* SqliteWithRows(const std::string& path, const std::vector<int>& keys) {
  Remove(path);
  sqlite3* db = nullptr;
  if (sqlite3_open(path.c_str(), &db) != SQLITE_OK) std::abort();
  Exec(db, "PRAGMA page_size=8192; PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;");
  Exec(db, ("PRAGMA cache_size=" + std::to_string(kCachePages)).c_str());
  Exec(db, "CREATE TABLE t(k INTEGER PRIMARY KEY, v TEXT) WITHOUT ROWID");
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, "INSERT INTO t(k, v) VALUES(?, ?)", -1, &insert, nullptr);
  Exec(db, "BEGIN");
  char text[24];
  for (int key : keys) {
    int textLength = snprintf(text, sizeof text, "value-%08d", key);
    sqlite3_bind_int(insert, 1, key);
    sqlite3_bind_text(insert, 2, text, textLength, SQLITE_STATIC);
    if (sqlite3_step(insert) != SQLITE_DONE) std::abort();
    sqlite3_reset(insert);
  }
  Exec(db, "COMMIT");
  sqlite3_finalize(insert);
  return db;
}

void SqliteInsert(benchmark::State& state, bool shuffled) {
  std::vector<int> keys = Keys(shuffled);
  std::string path = TempPath("sqlite.db");
  for (auto _ : state) sqlite3_close(SqliteWithRows(path, keys));
  state.SetItemsProcessed(state.iterations() * kRecords);
}

void BM_SqliteInsertSequential(benchmark::State& state) { SqliteInsert(state, false); }
void BM_SqliteInsertRandom(benchmark::State& state) { SqliteInsert(state, true); }
BENCHMARK(BM_SqliteInsertSequential)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SqliteInsertRandom)->Unit(benchmark::kMillisecond);

void BM_SqliteSeek(benchmark::State& state) {
  std::vector<int> keys = Keys(true);
  sqlite3* db = SqliteWithRows(TempPath("sqliteseek.db"), keys);
  sqlite3_stmt* select = nullptr;
  sqlite3_prepare_v2(db, "SELECT v FROM t WHERE k = ?", -1, &select, nullptr);
  std::shuffle(keys.begin(), keys.end(), std::mt19937(7));
  Exec(db, "BEGIN");
  for (auto _ : state) {
    uint64_t sum = 0;
    for (int key : keys) {
      sqlite3_bind_int(select, 1, key);
      if (sqlite3_step(select) != SQLITE_ROW) std::abort();
      const unsigned char* text = sqlite3_column_text(select, 0);
      sum += text[sqlite3_column_bytes(select, 0) - 1];
      sqlite3_reset(select);
    }
    benchmark::DoNotOptimize(sum);
  }
  Exec(db, "COMMIT");
  sqlite3_finalize(select);
  sqlite3_close(db);
  state.SetItemsProcessed(state.iterations() * kRecords);
}
BENCHMARK(BM_SqliteSeek)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  const int status =
      qvbench::RunWithRatios(argc, argv,
                             {{"BM_StoreInsertSequential", "BM_SqliteInsertSequential"},
                              {"BM_StoreInsertRandom", "BM_SqliteInsertRandom"},
                              {"BM_StoreSeek", "BM_SqliteSeek"}},
                             1.0);
  std::filesystem::remove_all(TempFolder());
  return status;
}
