/* A console application on the built-in database engine, through the QUORDatabaseOldFormat
 * class as compiled code uses it. The database file is $QV_QUORDB_FILE.
 *
 * $QV_QUORDB_MODE "work": creates the file, a table of every type and a table of large values,
 * inserts through SQL and InsertRecord (large values of 0, 4,000, 4,001, 12,000 and 2,000,001
 * pseudo-random bytes), commits, reconnects, reads the large values back byte for byte, edits
 * and updates a row through a RecordSet, deletes one, inserts and rolls back, and prints what
 * it sees as "app: ..." lines.
 * "kill": creates the file, commits 100 rows, then inserts 10,000 more in one transaction,
 * saying "app: half way" after 2,000, and waits at the end without committing: the test kills
 * it with SIGKILL while it writes. */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
char* getenv(const char* name);
void* malloc(unsigned size);
int memcmp(const void* a, const void* b, unsigned n);
int strcmp(const char* a, const char* b);
unsigned sleep(unsigned seconds);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");
QV_SHARED_FUNCTION(getenv, "libc.so.6");
QV_SHARED_FUNCTION(malloc, "libc.so.6");
QV_SHARED_FUNCTION(memcmp, "libc.so.6");
QV_SHARED_FUNCTION(strcmp, "libc.so.6");
QV_SHARED_FUNCTION(sleep, "libc.so.6");

QVClass* RuntimeLookupClass(QVString name);
QVString StringFromCString(const char* text);
QVObject* FolderItemFromPath(const char* path);

void QUORDatabaseFolderItemSetter(QVObject* db, uint32_t unused, QVObject* item);
int32_t QUORDatabaseConnect(QVObject* db);
int32_t QUORDatabaseCreateDatabaseFile(QVObject* db);
void databaseSQLExecute(QVObject* db, QVString sql);
QVObject* databaseSQLSelect(QVObject* db, QVString sql);
void databaseInsertRecord(QVObject* db, QVString table, QVObject* record);
void databaseCommit(QVObject* db);
void databaseRollback(QVObject* db);
void databaseClose(QVObject* db);
int32_t databaseErrorCodeGetter(QVObject* db);
QVString databaseErrorStringGetter(QVObject* db);
void cursorMoveNext(QVObject* rs);
int32_t cursorEOFGetter(QVObject* rs);
void cursorEdit(QVObject* rs);
void cursorUpdate(QVObject* rs);
void cursorDeleteRecord(QVObject* rs);
void cursorClose(QVObject* rs);
int32_t cursorFieldCount(QVObject* rs);
QVObject* cursorGetFieldByIndex(QVObject* rs, int32_t index);
QVObject* cursorGetFieldByName(QVObject* rs, QVString name);
QVString cursorFieldStringValueGetter(QVObject* field, uint32_t unused);
void cursorFieldStringValueSetter(QVObject* field, uint32_t unused, QVString value);
void setDatabaseRecordColumn(QVObject* record, QVString name, QVString value);

static const char* Text(QVString s) { return s ? (const char*)s->data + 1 : ""; }

static QVObject* gDb;

static void Say(const char* what) {
  QVString message = databaseErrorStringGetter(gDb);
  dprintf(1, "app: %s -> %d %s\n", what, (int)databaseErrorCodeGetter(gDb), Text(message));
  RuntimeUnlockString(message);
}

static void Exec(const char* sql) {
  QVString text = StringFromCString(sql);
  databaseSQLExecute(gDb, text);
  RuntimeUnlockString(text);
  Say(sql);
}

/* A string of n pseudo-random bytes (NULs among them) that is never freed. */
static QVString RandomBytes(unsigned n, unsigned seed) {
  QVStringRecord* s = (QVStringRecord*)malloc(sizeof(QVStringRecord) + n + 2);
  unsigned char* data = (unsigned char*)(s + 1);
  s->refCount = QV_CONSTANT_REFCOUNT;
  s->data = data;
  s->capacity = n + 2;
  s->length = n;
  s->encoding = 0xFFFF;
  data[0] = n < 255 ? (unsigned char)n : 255;
  for (unsigned i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    data[1 + i] = (unsigned char)(seed >> 16);
  }
  data[1 + n] = 0;
  return s;
}

static const unsigned kSizes[] = {0, 4000, 4001, 12000, 2000001};
static QVString gBlobs[5];

/* Every row of a query, its fields' texts joined by "|". */
static void PrintRows(const char* sql) {
  QVString text = StringFromCString(sql);
  QVObject* rs = databaseSQLSelect(gDb, text);
  RuntimeUnlockString(text);
  dprintf(1, "app: %s\n", sql);
  while (rs && !cursorEOFGetter(rs)) {
    dprintf(1, "app:  ");
    for (int32_t i = 1; i <= cursorFieldCount(rs); ++i) {
      QVObject* field = cursorGetFieldByIndex(rs, i);
      QVString value = cursorFieldStringValueGetter(field, 0);
      dprintf(1, "%s%s", i > 1 ? "|" : "", Text(value));
      RuntimeUnlockString(value);
      RuntimeUnlockObject(field);
    }
    dprintf(1, "\n");
    cursorMoveNext(rs);
  }
  if (rs) cursorClose(rs);
  RuntimeUnlockObject(rs);
}

static void CheckBlobs(void) {
  for (int i = 0; i < 5; ++i) {
    char sql[64] = "select data from blobs where k = 0";
    sql[33] = (char)('0' + i);
    QVString text = StringFromCString(sql);
    QVObject* rs = databaseSQLSelect(gDb, text);
    RuntimeUnlockString(text);
    QVObject* field = rs ? cursorGetFieldByName(rs, QV_STR("data")) : 0;
    QVString value = field ? cursorFieldStringValueGetter(field, 0) : 0;
    const unsigned length = value ? value->length : 0;
    const int same = length == kSizes[i] &&
                     (length == 0 || memcmp(value->data + 1, gBlobs[i]->data + 1, length) == 0);
    dprintf(1, "app: large value %u read back %s\n", kSizes[i], same ? "whole" : "DIFFERENT");
    RuntimeUnlockString(value);
    RuntimeUnlockObject(field);
    if (rs) cursorClose(rs);
    RuntimeUnlockObject(rs);
  }
}

static void Work(void) {
  Exec("create table t (k integer, s smallint, v varchar(30), f float, d double, dt date, "
       "tm time, b boolean, lt long varchar, primary key (k))");
  Exec("create table blobs (k integer, data long varbinary, primary key (k))");
  Exec("insert into t (k, s, v, f, d, dt, tm, b, lt) values (1, -12, 'it''s', 0.5, 2.25, "
       "'2024-05-07', '10:30:15', 'true', 'a long text')");
  Exec("insert into t (k, v) values (2, 'second')");
  Exec("insert into t (k, v) values (3, 'third')");
  Exec("insert into t (k, s) values (4, 40000)");
  for (int i = 0; i < 5; ++i) {
    QVObject* record = RuntimeNewObject(RuntimeLookupClass(QV_STR("DatabaseRecord")));
    char key[2] = {(char)('0' + i), 0};
    QVString keyText = StringFromCString(key);
    gBlobs[i] = RandomBytes(kSizes[i], 17u + (unsigned)i);
    setDatabaseRecordColumn(record, QV_STR("k"), keyText);
    setDatabaseRecordColumn(record, QV_STR("data"), gBlobs[i]);
    databaseInsertRecord(gDb, QV_STR("blobs"), record);
    RuntimeUnlockString(keyText);
    RuntimeUnlockObject(record);
    Say("insert record");
  }
  databaseCommit(gDb);
  Say("commit");
  dprintf(1, "app: reconnect %d\n", (int)QUORDatabaseConnect(gDb));
  CheckBlobs();
  PrintRows("select k, s, v, f, d, dt, tm, b, lt from t");

  QVObject* rs = databaseSQLSelect(gDb, QV_STR("select * from t where k = 2"));
  QVObject* v = cursorGetFieldByName(rs, QV_STR("v"));
  cursorEdit(rs);
  cursorFieldStringValueSetter(v, 0, QV_STR("edited"));
  cursorUpdate(rs);
  Say("update through the RecordSet");
  RuntimeUnlockObject(v);
  cursorClose(rs);
  RuntimeUnlockObject(rs);
  rs = databaseSQLSelect(gDb, QV_STR("select * from t where k = 3"));
  cursorDeleteRecord(rs);
  Say("delete through the RecordSet");
  cursorClose(rs);
  RuntimeUnlockObject(rs);
  databaseCommit(gDb);
  Exec("insert into t (k, v) values (9, 'rolled back')");
  databaseRollback(gDb);
  Say("rollback");
  PrintRows("select k, v from t");
}

static void KillMe(void) {
  Exec("create table rows (k integer, v varchar, primary key (k))");
  char sql[96];
  for (int k = 0; k < 10100; ++k) {
    /* "insert into rows (k, v) values (NNNNN, 'row')" */
    const char* head = "insert into rows (k, v) values (";
    int n = 0;
    while (head[n]) { sql[n] = head[n]; ++n; }
    char digits[8];
    int d = 0;
    int value = k;
    do { digits[d++] = (char)('0' + value % 10); value /= 10; } while (value);
    while (d) sql[n++] = digits[--d];
    const char* tail = ", 'row')";
    for (int i = 0; tail[i]; ++i) sql[n++] = tail[i];
    sql[n] = 0;
    QVString text = StringFromCString(sql);
    databaseSQLExecute(gDb, text);
    RuntimeUnlockString(text);
    if (k == 99) {
      databaseCommit(gDb);
      Say("committed 100 rows");
    }
    if (k == 2100) dprintf(1, "app: half way\n");
  }
  dprintf(1, "app: all inserted\n");
  sleep(60);
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  gDb = RuntimeNewObject(RuntimeLookupClass(QV_STR("QUORDatabaseOldFormat")));
  QVObject* item = FolderItemFromPath(getenv("QV_QUORDB_FILE"));
  QUORDatabaseFolderItemSetter(gDb, 0, item);
  RuntimeUnlockObject(item);
  dprintf(1, "app: created %d\n", (int)QUORDatabaseCreateDatabaseFile(gDb));
  const char* mode = getenv("QV_QUORDB_MODE");
  if (mode && strcmp(mode, "kill") == 0) KillMe();
  else Work();
  databaseClose(gDb);
  RuntimeUnlockObject(gDb);
  dprintf(1, "app: closed\n");
}
