/* A database engine in a plug-in, filling the engine and cursor tables as plug-ins do. It
 * registers the data source "TestEngine"; the open data names the variant:
 *   "sql"       dbSelect and dbExecute (and the error entries), no commit, rollback, insert or
 *               update entries of its own;
 *   "execute"   dbExecute only;
 *   "noselect"  neither dbSelect nor dbOpenTable (dbExecute stays);
 *   "nonames"   as "sql", but its cursors have no curColumnName;
 *   "tables"    table entries and no SQL entries (testtables.c).
 * Every select answers the "codes" rows (one value of each column code, then edge values) in two
 * columns, "id" (code 3) and "value", except a text holding "empty", which answers no rows, and
 * one holding "single", which answers the first row only. A text holding "bare" gets a cursor
 * without curRowCount, curPreviousRow, curFirstRow and curLastRow.
 * The value column can be written back: its key is "codes!value" with the condition
 * "id = <row>"; the id column cannot.
 *
 * Every call except value reads is recorded, one line each; TestEngineLog answers the record
 * and, with QV_TESTENGINE_ECHO set, each line also goes to standard output as "engine: ...".
 * Value reads are counted instead, and curClose says how many were never released. */
#include <stdarg.h>
#include <stdlib.h>
#include <string.h>

#include "../registration/qvplugin.h"

typedef void QVStr;
typedef void QVObj;

typedef struct EngineTable {
  int32_t version;
  uint32_t registration;
  void* entries[16];
} EngineTable;

typedef struct CursorTable {
  int32_t version;
  uint32_t registration;
  void* entries[22];
} CursorTable;

enum {
  dbClose, dbTableSchema, dbFieldSchema, dbSelect, dbExecute, dbCreateTable, dbInsertRow,
  dbOpenTable, dbUpdateRows, dbAddColumn, dbIndexSchema, dbErrorCode, dbErrorText, dbCommit,
  dbRollback, dbProperty
};
enum {
  curClose, curColumnCount, curColumnName, curRowCount, curColumnValue, curReleaseValue,
  curNextRow, curDeleteRow, curReserved, curColumnKey, curUpdateRow, curEdit, curPreviousRow,
  curFirstRow, curLastRow, curColumnType
};

/* One value of the "codes" rows: its code and how its bytes are made. */
typedef struct Row {
  uint8_t code;
  char kind; /* n none, h int16, i int32, q int64, f float, d double, b bytes, s string */
  int64_t integer;
  double real;
  const char* bytes;
  int length;
} Row;

#define NONE(code) {code, 'n', 0, 0, 0, 0}
#define BYTES(code, text) {code, 'b', 0, 0, text, sizeof(text) - 1}
static const Row kRows[] = {
    NONE(0),
    BYTES(1, "xx"),
    {2, 'h', -12345, 0, 0, 0},
    {3, 'i', -2000000000, 0, 0, 0},
    BYTES(4, "tango"),
    BYTES(5, "12.5"),
    {6, 'f', 0, 0.1, 0, 0},
    {7, 'd', 0, -1234.56789, 0, 0},
    BYTES(8, "\x07\xD4\x00\x03\x00\x09"),
    BYTES(9, "\x00\x0D\x00\x05\x00\x3B"),
    BYTES(10, "\x07\xD4\x00\x03\x00\x09\x00\x0D\x00\x05\x00\x3B"),
    {11, 'q', 125000, 0, 0, 0},
    BYTES(12, "\x01"),
    BYTES(13, "\x01\x00\x00\x00"),
    BYTES(14, "\x01\x02raw"),
    BYTES(15, "False start"),
    BYTES(16, "Tail"),
    BYTES(17, "abc"),
    {18, 's', 0, 0, "9007199254740993", 16},
    {19, 'q', 9007199254740993LL, 0, 0, 0},
    {19, 'q', 9223372036854775807LL, 0, 0, 0},
    {19, 'q', -9223372036854775807LL - 1, 0, 0, 0},
    {7, 'd', 0, __builtin_nan(""), 0, 0},
    {11, 'q', -1, 0, 0, 0},
    {7, 'd', 0, 1e300, 0, 0},
    BYTES(5, " -42 "),
    BYTES(5, "9223372036854775807"),
    {6, 'f', 0, -2.5, 0, 0},
    BYTES(5, "1e3"),
    BYTES(20, "zz"),
    {7, 'd', 0, 2.5, 0, 0},
    {11, 'q', -9223372036854775807LL - 1, 0, 0, 0},
};
#define ROW_COUNT ((int)(sizeof kRows / sizeof kRows[0]))

/* Engines are never freed, so that a second dbClose is counted, not a use after free; they
 * stay listed so that the leak checker sees them reachable. */
typedef struct Engine {
  int variant; /* 0 sql, 1 execute, 2 noselect, 3 nonames */
  int closes;
  struct Engine* next;
} Engine;
static Engine* gEngines;

typedef struct Cursor {
  Engine* engine;
  int count;
  int row; /* -1 before the first */
  int valuesOut;
  int closes;
  uint8_t value[16];
  QVStr* heldString;
  char condition[32];
} Cursor;

static char gLog[1 << 16];
static int gLogLength;

static void Say(const char* format, ...) {
  char line[512];
  va_list arguments;
  va_start(arguments, format);
  int n = vsnprintf(line, sizeof line, format, arguments);
  va_end(arguments);
  if (n < 0) return;
  if (n >= (int)sizeof line) n = sizeof line - 1;
  if (gLogLength + n + 2 < (int)sizeof gLog) {
    memcpy(gLog + gLogLength, line, n);
    gLogLength += n;
    gLog[gLogLength++] = '\n';
    gLog[gLogLength] = 0;
  }
  if (getenv("QV_TESTENGINE_ECHO")) dprintf(1, "engine: %s\n", line);
}

QV_PLUGIN_EXPORT const char* TestEngineLog(void) { return gLog; }
QV_PLUGIN_EXPORT void TestEngineClearLog(void) {
  gLogLength = 0;
  gLog[0] = 0;
}

static const char* Text(QVStr* s) {
  const char* text = s ? QV_CALL("StringToCString", const char* (*)(QVStr*))(s) : 0;
  return text ? text : "";
}
static QVStr* NewString(const char* text) {
  return QV_CALL("StringFromCString", QVStr* (*)(const char*))(text);
}
static void Unlock(QVStr* s) { QV_CALL("RuntimeUnlockString", void (*)(QVStr*))(s); }

static CursorTable gCursorTable, gNamelessCursorTable, gBareCursorTable;
static EngineTable gTables[4];

/* ---- Cursors -------------------------------------------------------------------------- */

static void CurClose(Cursor* c) {
  Say("curClose values-unreleased=%d", c->valuesOut);
  if (c->heldString) Unlock(c->heldString);
  free(c);
}
static int32_t CurColumnCount(Cursor* c) { return c ? 2 : 0; }
static QVStr* CurColumnName(Cursor* c, int32_t column) {
  return NewString(column == 0 ? "id" : column == 1 ? "value" : "");
}
static int32_t CurRowCount(Cursor* c) {
  Say("curRowCount");
  return c->count;
}

static void MakeValue(Cursor* c, const Row* row, const void** data, uint8_t* type,
                      int32_t* length) {
  int16_t h = (int16_t)row->integer;
  int32_t i = (int32_t)row->integer;
  float f = (float)row->real;
  *type = row->code;
  *data = c->value;
  switch (row->kind) {
    case 'n': *data = 0; *length = 0; break;
    case 'h': memcpy(c->value, &h, 2); *length = 2; break;
    case 'i': memcpy(c->value, &i, 4); *length = 4; break;
    case 'q': memcpy(c->value, &row->integer, 8); *length = 8; break;
    case 'f': memcpy(c->value, &f, 4); *length = 4; break;
    case 'd': memcpy(c->value, &row->real, 8); *length = 8; break;
    case 's':
      c->heldString = NewString(row->bytes);
      memcpy(c->value, &c->heldString, sizeof c->heldString);
      *length = sizeof c->heldString;
      break;
    default: *data = row->bytes; *length = row->length; break;
  }
}

static void CurColumnValue(Cursor* c, int32_t column, const void** data, uint8_t* type,
                           int32_t* length) {
  c->valuesOut++;
  if (c->row < 0 || c->row >= c->count) {
    *data = 0;
    *type = 0;
    *length = 0;
  } else if (column == 0) {
    int32_t id = c->row;
    memcpy(c->value, &id, 4);
    *data = c->value;
    *type = 3;
    *length = 4;
  } else {
    MakeValue(c, &kRows[c->row], data, type, length);
  }
}
static void CurReleaseValue(Cursor* c) {
  c->valuesOut--;
  if (c->heldString) Unlock(c->heldString);
  c->heldString = 0;
}
static uint8_t CurNextRow(Cursor* c) {
  if (c->row < c->count) c->row++;
  Say("curNextRow -> %d", c->row < c->count);
  return c->row < c->count;
}
static void CurDeleteRow(Cursor* c) { Say("curDeleteRow %d", c->row); }
static uint8_t CurColumnKey(Cursor* c, int32_t column, const char** name, int32_t* nameLength,
                            const char** condition, int32_t* conditionLength) {
  Say("curColumnKey %d", column);
  if (column != 1) return 0;
  *name = "codes!value";
  *nameLength = 11;
  *conditionLength = snprintf(c->condition, sizeof c->condition, "id = %d", c->row);
  *condition = c->condition;
  return 1;
}
static void CurEdit(Cursor* c) { Say("curEdit %d", c->row); }
/* Answers that mean nothing defined, as plug-ins' cursors do. */
static uint8_t CurPreviousRow(Cursor* c) {
  if (c->row > 0) c->row--;
  Say("curPreviousRow %d", c->row);
  return 0x5A;
}
static uint8_t CurFirstRow(Cursor* c) {
  c->row = 0;
  Say("curFirstRow");
  return 0x5A;
}
static uint8_t CurLastRow(Cursor* c) {
  c->row = c->count - 1;
  Say("curLastRow");
  return 0;
}
static int32_t CurColumnType(Cursor* c, int32_t column) {
  return column == 0 ? 3 : column == 1 ? 5 : -1;
}

static QVObj* NewCursor(Engine* e, QVStr* sql) {
  Cursor* c = calloc(1, sizeof *c);
  c->engine = e;
  c->row = -1;
  const char* text = Text(sql);
  c->count = strstr(text, "empty") ? 0 : strstr(text, "single") ? 1 : ROW_COUNT;
  CursorTable* table = e->variant == 3          ? &gNamelessCursorTable
                       : strstr(text, "bare") ? &gBareCursorTable
                                              : &gCursorTable;
  return QV_CALL("QUORdbCursorFromDBCursor", QVObj* (*)(void*, void*))(c, table);
}

/* ---- Databases ------------------------------------------------------------------------ */

static void DbClose(Engine* e) {
  Say("dbClose variant=%d closes=%d", e->variant, ++e->closes);
}
static QVObj* DbSelect(Engine* e, QVStr* sql) {
  Say("dbSelect %s", Text(sql));
  return NewCursor(e, sql);
}
static void DbExecute(Engine* e, QVStr* sql) { Say("dbExecute %s", Text(sql)); }
static int32_t DbErrorCode(Engine* e) { return e ? 77 : 0; }
static QVStr* DbErrorText(Engine* e) { return NewString("engine trouble"); }

static void FillTables(void) {
  void** cur = gCursorTable.entries;
  gCursorTable.version = 4;
  cur[curClose] = CurClose;
  cur[curColumnCount] = CurColumnCount;
  cur[curColumnName] = CurColumnName;
  cur[curRowCount] = CurRowCount;
  cur[curColumnValue] = CurColumnValue;
  cur[curReleaseValue] = CurReleaseValue;
  cur[curNextRow] = CurNextRow;
  cur[curDeleteRow] = CurDeleteRow;
  cur[curColumnKey] = CurColumnKey;
  cur[curEdit] = CurEdit;
  cur[curPreviousRow] = CurPreviousRow;
  cur[curFirstRow] = CurFirstRow;
  cur[curLastRow] = CurLastRow;
  cur[curColumnType] = CurColumnType;
  gNamelessCursorTable = gCursorTable;
  gNamelessCursorTable.entries[curColumnName] = 0;
  gBareCursorTable = gCursorTable;
  gBareCursorTable.entries[curRowCount] = 0;
  gBareCursorTable.entries[curPreviousRow] = 0;
  gBareCursorTable.entries[curFirstRow] = 0;
  gBareCursorTable.entries[curLastRow] = 0;

  for (int v = 0; v < 4; ++v) {
    void** db = gTables[v].entries;
    gTables[v].version = 4;
    db[dbClose] = DbClose;
    db[dbExecute] = DbExecute;
    if (v == 0 || v == 3) {
      db[dbSelect] = DbSelect;
      db[dbErrorCode] = DbErrorCode;
      db[dbErrorText] = DbErrorText;
    }
    QV_CALL("PluginRegisterDBEngine", void (*)(void*))(&gTables[v]);
  }
  QV_CALL("PluginRegisterDBCursor", void (*)(void*))(&gCursorTable);
  QV_CALL("PluginRegisterDBCursor", void (*)(void*))(&gNamelessCursorTable);
  QV_CALL("PluginRegisterDBCursor", void (*)(void*))(&gBareCursorTable);
}

static const char* const kVariants[] = {"sql", "execute", "noselect", "nonames"};

/* The "tables" variant (testtables.c): table entries and no SQL entries. */
void TablesEngineInit(QVLookup lookup);
QVObj* OpenTablesEngine(void);

/* The data source: the open data names the variant. */
static QVObj* OpenTestEngine(uint32_t data, uint32_t length) {
  if (length == 6 && memcmp((const void*)data, "tables", 6) == 0) return OpenTablesEngine();
  for (int v = 0; v < 4; ++v) {
    if (strlen(kVariants[v]) == length && memcmp((const void*)data, kVariants[v], length) == 0) {
      Engine* e = calloc(1, sizeof *e);
      e->variant = v;
      e->next = gEngines;
      gEngines = e;
      Say("open %s", kVariants[v]);
      return QV_CALL("QUORdbDatabaseFromDBDatabase", QVObj* (*)(void*, void*))(e, &gTables[v]);
    }
  }
  Say("open refused");
  return 0;
}

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  RegisterPluginVersion(9);
  FillTables();
  TablesEngineInit(lookup);
  QV_CALL("RegisterDataSource", void (*)(const char*, void*))("TestEngine", OpenTestEngine);
}
