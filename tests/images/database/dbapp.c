/* The console application that uses the test engine plug-in (tests/plugins/database) through
 * the 'DBAS' resource 1 ("TestEngine", variant "sql"): it selects, walks and prints rows, edits
 * and updates a field, inserts a DatabaseRecord, rolls back and closes; then it opens the
 * database a second time and quits with that database and a RecordSet of it still open. What
 * it sees goes to standard output as "app: ..." lines, between the engine's own. */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");

QVClass* RuntimeLookupClass(QVString name);
QVObject* RuntimeNewObject(QVClass* cls);
void RuntimeUnlockObject(QVObject* object);
void RuntimeUnlockString(QVString text);

QVObject* RuntimeGetDatabaseFromResource(int32_t id);
QVObject* databaseSQLSelect(QVObject* db, QVString sql);
void databaseInsertRecord(QVObject* db, QVString table, QVObject* record);
void databaseRollback(QVObject* db);
void databaseClose(QVObject* db);
int32_t databaseErrorCodeGetter(QVObject* db);
void cursorMoveNext(QVObject* rs);
int32_t cursorEOFGetter(QVObject* rs);
int32_t cursorBOFGetter(QVObject* rs);
void cursorEdit(QVObject* rs);
void cursorUpdate(QVObject* rs);
void cursorClose(QVObject* rs);
QVObject* cursorGetFieldByName(QVObject* rs, QVString name);
QVString cursorFieldStringValueGetter(QVObject* field, uint32_t unused);
void cursorFieldStringValueSetter(QVObject* field, uint32_t unused, QVString value);
int64_t CursorFieldInt64ValueGetter(QVObject* field, uint32_t unused);
void setDatabaseRecordColumn(QVObject* record, QVString name, QVString value);

static const char* Text(QVString s) { return s ? (const char*)s->data + 1 : ""; }

static void SayValue(QVObject* id, QVObject* value) {
  QVString text = cursorFieldStringValueGetter(value, 0);
  dprintf(1, "app: row %d [%s]\n", (int)CursorFieldInt64ValueGetter(id, 0), Text(text));
  RuntimeUnlockString(text);
}

static void UseAndClose(void) {
  QVObject* db = RuntimeGetDatabaseFromResource(1);
  dprintf(1, "app: database %s\n", db ? "opened" : "missing");
  if (!db) return;
  QVObject* rs = databaseSQLSelect(db, QV_STR("select * from codes"));
  QVObject* id = cursorGetFieldByName(rs, QV_STR("id"));
  QVObject* value = cursorGetFieldByName(rs, QV_STR("Value"));
  dprintf(1, "app: bof %d eof %d\n", (int)cursorBOFGetter(rs), (int)cursorEOFGetter(rs));
  for (int i = 0; i < 6 && !cursorEOFGetter(rs); ++i, cursorMoveNext(rs)) SayValue(id, value);
  cursorEdit(rs);
  cursorFieldStringValueSetter(value, 0, QV_STR("it's"));
  cursorUpdate(rs);
  SayValue(id, value);

  QVObject* record = RuntimeNewObject(RuntimeLookupClass(QV_STR("DatabaseRecord")));
  setDatabaseRecordColumn(record, QV_STR("name"), QV_STR("Ann"));
  setDatabaseRecordColumn(record, QV_STR("home town"), QV_STR("St. John's"));
  databaseInsertRecord(db, QV_STR("people"), record);
  databaseRollback(db);
  dprintf(1, "app: error %d\n", (int)databaseErrorCodeGetter(db));
  RuntimeUnlockObject(record);
  RuntimeUnlockObject(id);
  RuntimeUnlockObject(value);
  cursorClose(rs);
  RuntimeUnlockObject(rs);
  databaseClose(db);
  RuntimeUnlockObject(db);
  dprintf(1, "app: closed\n");
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  UseAndClose();
  QVObject* db = RuntimeGetDatabaseFromResource(1);
  QVObject* rs = databaseSQLSelect(db, QV_STR("select * from codes"));
  dprintf(1, "app: quitting with %s open\n", rs ? "a RecordSet" : "nothing");
}
