/* The console application that uses the test engine plug-in (tests/plugins/database) through
 * the 'DBAS' resource 1 ("TestEngine", variant "sql"): it selects, walks and prints rows, edits
 * and updates a field, inserts a DatabaseRecord, rolls back and closes; then it binds two
 * classes of its own, which implement the data-binding interfaces in their own spelling of the
 * method names, through a stringBinder; then it opens the database a second time and quits with
 * that database and a RecordSet of it still open. What it sees goes to standard output as
 * "app: ..." lines, between the engine's own. */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");

QVClass* RuntimeLookupClass(QVString name);

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
void RuntimeLockObject(QVObject* object);
void stringBinderBind(QVObject* binder, QVObject* source, QVObject* dest);


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

/* The source keeps one receiver and a text; the label prints what it is given. */
typedef struct TextSource {
  QVObject header;
  QVObject* receiver;
} TextSource;
static QVString gSourceText;

static QVString SourceText(QVObject* self) {
  (void)self;
  return gSourceText; /* a constant: its reference needs no count */
}
static void SourceAdd(TextSource* self, QVObject* receiver) {
  dprintf(1, "app: source adds a receiver\n");
  RuntimeLockObject(receiver);
  self->receiver = receiver;
}
static void SourceRemove(TextSource* self, QVObject* receiver) {
  dprintf(1, "app: source removes %s receiver\n", receiver == self->receiver ? "its" : "another");
  RuntimeUnlockObject(self->receiver);
  self->receiver = 0;
}
static void LabelSetString(QVObject* self, QVString text) {
  (void)self;
  dprintf(1, "app: label shows [%s]\n", Text(text));
}

static void BindThroughOwnSpelling(void) {
  QVClass* source = RuntimeNewClass(0, 0, 2, 0, 0, 0);
  source->className = QV_STR("TextSource");
  source->instanceSize = sizeof(TextSource);
  QVNamedMethod* provider = QVImplement(source, 0, RuntimeLookupClass(QV_STR("StringProvider")), 1);
  QVSetMethod(&provider[0], (void*)SourceText, QV_STR("GETSTRING%s%o<TextSource>"));
  QVNamedMethod* notifier = QVImplement(source, 1, RuntimeLookupClass(QV_STR("dataNotifier")), 2);
  QVSetMethod(&notifier[0], (void*)SourceAdd,
              QV_STR("AddDataNotificationReceiver%%o<TextSource>o<Object>"));
  QVSetMethod(&notifier[1], (void*)SourceRemove,
              QV_STR("REMOVEDATANOTIFICATIONRECEIVER%%o<TextSource>o<Object>"));

  QVClass* label = RuntimeNewClass(0, 0, 1, 0, 0, 0);
  label->className = QV_STR("Label");
  label->instanceSize = sizeof(QVObject);
  QVNamedMethod* shown = QVImplement(label, 0, RuntimeLookupClass(QV_STR("StringInterface")), 1);
  QVSetMethod(&shown[0], (void*)LabelSetString, QV_STR("setstring%%o<Label>s"));

  TextSource* text = (TextSource*)RuntimeNewObject(source);
  QVObject* shows = RuntimeNewObject(label);
  QVObject* binder = RuntimeNewObject(RuntimeLookupClass(QV_STR("stringBinder")));
  gSourceText = QV_STR("first");
  stringBinderBind(binder, &text->header, shows);
  RuntimeUnlockObject(shows); /* the binder keeps it */
  gSourceText = QV_STR("second");
  /* Telling the receiver, as a source does: through its dataNotificationReceiver table. */
  QVNamedMethod* changed =
      RuntimeLookupInterfaceVtable(text->receiver,
                                   RuntimeLookupClass(QV_STR("dataNotificationReceiver")));
  ((void (*)(QVObject*))changed[0].function)(text->receiver);
  stringBinderBind(binder, 0, 0);
  RuntimeUnlockObject(binder);
  RuntimeUnlockObject(&text->header);
  dprintf(1, "app: bound\n");
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  UseAndClose();
  BindThroughOwnSpelling();
  QVObject* db = RuntimeGetDatabaseFromResource(1);
  QVObject* rs = databaseSQLSelect(db, QV_STR("select * from codes"));
  dprintf(1, "app: quitting with %s open\n", rs ? "a RecordSet" : "nothing");
}
