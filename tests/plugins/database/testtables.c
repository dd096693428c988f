/* The test engine's "tables" variant: an engine with table entries and no SQL entries, so that
 * the framework's SQL front end drives it. Tables live in memory; the engine serves
 * dbFieldSchema (one row per column: its name, then its type code), dbOpenTable with a
 * condition walk of its own, dbCreateTable, dbAddColumn, dbInsertRow, dbCommit and dbRollback
 * (a snapshot taken at each commit), and cursors that count, edit, update and delete rows.
 *
 * Values are stored by column type: 2, 3 host-order integers, 6 single, 7 double, 5 and 15
 * text, 8 date and 9 time (three big-endian 16-bit fields), 12 Boolean. A text that does not
 * convert is stored as NULL (the empty text of a text column is an empty text); an update to
 * the text "!fail" is refused with error 9, so tests can see a statement stop on an engine
 * error. The SQL fuzz target links this file in, bounding the cursors a statement may open and
 * comparing the tables' dumps around statements that must change nothing. */
#ifndef _GNU_SOURCE
#define _GNU_SOURCE /* strtod_l */
#endif
#include <ctype.h>
#include <locale.h>
#include <stdlib.h>
#include <string.h>

#include "../registration/qvplugin.h"

/* Numbers in SQL text are read in the C locale, whatever locale the host runs under. */
static double TextNumber(const char* text, char** end) {
  static locale_t c;
  if (!c) c = newlocale(LC_ALL_MASK, "C", (locale_t)0);
  return strtod_l(text, end, c);
}

typedef void QVStr;
typedef void QVObj;

enum { kMaxColumns = 32, kMaxTables = 32 };

typedef struct Value {
  uint8_t type; /* 0: NULL */
  int32_t length;
  unsigned char* bytes;
} Value;

typedef struct Row {
  int deleted;
  Value values[kMaxColumns];
} Row;

typedef struct Table {
  char name[64];
  int columns;
  char columnNames[kMaxColumns][64];
  int columnTypes[kMaxColumns];
  Row* rows;
  int rowCount, rowCapacity;
} Table;

typedef struct Store {
  Table* tables[kMaxTables];
  int count;
} Store;

typedef struct TablesEngine {
  Store live, committed;
  int error;
} TablesEngine;

typedef struct Node { /* what the front end hands to dbOpenTable */
  struct Node* left;
  struct Node* right;
  int32_t kind, mode;
  QVStr* column;
  QVStr* value;
} Node;

typedef struct ColumnDefinition {
  struct ColumnDefinition* next;
  QVStr* name;
  int32_t type, nullAllowed;
} ColumnDefinition;

typedef struct RecordColumn {
  struct RecordColumn* next;
  QVStr* name;
  QVStr* value;
  int32_t type;
} RecordColumn;

typedef struct ResultColumn {
  struct ResultColumn* next;
  QVStr* name;
} ResultColumn;

typedef struct PendingEdit {
  struct PendingEdit* next;
  int32_t column;
  QVStr* value;
} PendingEdit;

typedef struct TCursor {
  TablesEngine* engine;
  Table* table;
  int ownsTable; /* schema cursors own the table they serve */
  int* rows;
  int count, position;
  int columns;
  int map[kMaxColumns];
} TCursor;

static QVLookup gTablesLookup;
#define CALL(name, type) ((type)gTablesLookup(name))

static const char* Chars(QVStr* s) {
  const char* text = s ? CALL("StringToCString", const char* (*)(QVStr*))(s) : 0;
  return text ? text : "";
}
static QVStr* NewText(const char* text) {
  return CALL("StringFromCString", QVStr* (*)(const char*))(text);
}

static void* gTableCursorTable[24];
static void* gTablesEngineTable[18];
static void (*gCloseLog)(const char*); /* told "curClose" and "dbClose" when set */

/* ---- Values -------------------------------------------------------------------------- */

static void SetBytes(Value* v, uint8_t type, const void* bytes, int length) {
  free(v->bytes);
  v->type = type;
  v->length = length;
  v->bytes = malloc(length ? length : 1);
  memcpy(v->bytes, bytes, length);
}
static void Clear(Value* v) {
  free(v->bytes);
  memset(v, 0, sizeof *v);
}

static int WholeText(const char* text, const char* end) {
  while (*end == ' ') ++end;
  return end != text && *end == 0;
}

static int ParseFields(const char* text, char separator, int fields[3], int need) {
  int n = 0;
  fields[2] = 0;
  while (n < 3) {
    char* end;
    if (!isdigit((unsigned char)*text)) return 0;
    fields[n++] = (int)strtol(text, &end, 10);
    if (*end != separator) return (*end == 0 || *end == ' ') && n >= need;
    text = end + 1;
  }
  return 0;
}

static void StoreFields(Value* v, uint8_t type, const int fields[3]) {
  unsigned char b[6];
  for (int i = 0; i < 3; ++i) {
    b[2 * i] = (unsigned char)(fields[i] >> 8);
    b[2 * i + 1] = (unsigned char)fields[i];
  }
  SetBytes(v, type, b, 6);
}

static int IsTextType(int type) { return type == 5 || type == 14 || type == 15 || type == 16; }

/* The column's value from text, NULL when it does not convert. The empty text (nil) of a text
 * column is an empty text, as the built-in engine stores it; of any other column it is NULL. */
static void Convert(Value* v, int type, QVStr* s) {
  const char* text = Chars(s);
  char* end;
  int fields[3];
  Clear(v);
  if (!s && !IsTextType(type)) return;
  switch (type) {
    case 2: {
      int16_t x = (int16_t)strtol(text, &end, 10);
      if (WholeText(text, end)) SetBytes(v, 2, &x, 2);
      break;
    }
    case 3: {
      int32_t x = (int32_t)strtol(text, &end, 10);
      if (WholeText(text, end)) SetBytes(v, 3, &x, 4);
      break;
    }
    case 6: {
      float x = strtof(text, &end);
      if (WholeText(text, end)) SetBytes(v, 6, &x, 4);
      break;
    }
    case 7: {
      double x = TextNumber(text, &end);
      if (WholeText(text, end)) SetBytes(v, 7, &x, 8);
      break;
    }
    case 8: if (ParseFields(text, '-', fields, 3)) StoreFields(v, 8, fields); break;
    case 9: if (ParseFields(text, ':', fields, 2)) StoreFields(v, 9, fields); break;
    case 12: {
      uint8_t b = strcasecmp(text, "true") == 0 || strcmp(text, "1") == 0;
      SetBytes(v, 12, &b, 1);
      break;
    }
    default: SetBytes(v, (uint8_t)type, text, (int)strlen(text)); break;
  }
}

/* ---- The condition walk ---------------------------------------------------------------- */

static double Number(const Value* v) {
  switch (v->type) {
    case 2: { int16_t x; memcpy(&x, v->bytes, 2); return x; }
    case 3: { int32_t x; memcpy(&x, v->bytes, 4); return x; }
    case 6: { float x; memcpy(&x, v->bytes, 4); return x; }
    case 12: return v->bytes[0] != 0;
    default: { double x; memcpy(&x, v->bytes, 8); return x; }
  }
}

/* '%' any run, '_' any one byte. match[i] says whether the pattern read so far matches the
 * first i bytes of the text, so the walk costs text x pattern steps whatever the pattern. */
static int Like(const char* t, int tn, const char* p, int pn) {
  char* match = calloc((size_t)tn + 1, 1);
  match[0] = 1;
  for (int j = 0; j < pn; ++j) {
    if (p[j] == '%') {
      for (int i = 1; i <= tn; ++i) match[i] = match[i] || match[i - 1];
      continue;
    }
    for (int i = tn; i >= 1; --i) match[i] = match[i - 1] && (p[j] == '_' || p[j] == t[i - 1]);
    match[0] = 0;
  }
  int result = match[tn];
  free(match);
  return result;
}

static int Answer(int kind, int order) {
  switch (kind) {
    case 0: return order == 0;
    case 1: return order < 0;
    case 2: return order > 0;
    case 3: return order <= 0;
    case 4: return order >= 0;
    case 5: return order != 0;
  }
  return 0;
}

static int Holds(const Table* t, const Row* row, const Node* n);

static int Leaf(const Table* t, const Row* row, const Node* n) {
  int c = 0;
  while (c < t->columns && strcasecmp(t->columnNames[c], Chars(n->column)) != 0) ++c;
  const Value* v = &row->values[c];
  if (n->kind == 8) return v->type == 0;
  if (n->kind == 9) return v->type != 0;
  if (v->type == 0) return 0;
  const char* literal = Chars(n->value);
  char* end;
  int order;
  if (v->type == 2 || v->type == 3 || v->type == 6 || v->type == 7 || v->type == 12) {
    double x = v->type == 12 && strcasecmp(literal, "true") == 0    ? 1
               : v->type == 12 && strcasecmp(literal, "false") == 0 ? 0
                                                                    : TextNumber(literal, &end);
    if (!(v->type == 12 && isalpha((unsigned char)*literal)) && !WholeText(literal, end)) return 0;
    if (v->type == 6) x = (float)x;
    double y = Number(v);
    order = y < x ? -1 : y > x;
  } else if (v->type == 8 || v->type == 9) {
    int fields[3];
    if (!ParseFields(literal, v->type == 8 ? '-' : ':', fields, v->type == 8 ? 3 : 2)) return 0;
    order = 0;
    for (int i = 0; i < 3 && order == 0; ++i) {
      int stored = (v->bytes[2 * i] << 8) | v->bytes[2 * i + 1];
      order = stored < fields[i] ? -1 : stored > fields[i];
    }
  } else {
    char* text = malloc(v->length + 1);
    memcpy(text, v->bytes, v->length);
    for (int i = 0; i < v->length; ++i) {
      if (n->mode == 2) text[i] = (char)toupper((unsigned char)text[i]);
      if (n->mode == 3) text[i] = (char)tolower((unsigned char)text[i]);
    }
    int ln = (int)strlen(literal);
    if (n->kind == 6 || n->kind == 7) {
      int match = Like(text, v->length, literal, ln);
      free(text);
      return n->kind == 6 ? match : !match;
    }
    int common = v->length < ln ? v->length : ln;
    order = memcmp(text, literal, common);
    order = order ? (order < 0 ? -1 : 1) : (v->length < ln ? -1 : v->length > ln);
    free(text);
  }
  return n->kind <= 5 && Answer(n->kind, order);
}

static int Holds(const Table* t, const Row* row, const Node* n) {
  if (!n) return 1;
  if (n->kind == 64) return Holds(t, row, n->left) && Holds(t, row, n->right);
  if (n->kind == 65) return Holds(t, row, n->left) || Holds(t, row, n->right);
  return Leaf(t, row, n);
}

static int Resolves(const Table* t, const Node* n) {
  if (!n) return 1;
  if (n->kind == 64 || n->kind == 65) return Resolves(t, n->left) && Resolves(t, n->right);
  for (int c = 0; c < t->columns; ++c)
    if (strcasecmp(t->columnNames[c], Chars(n->column)) == 0) return 1;
  return 0;
}

/* ---- Tables ------------------------------------------------------------------------- */

static Table* FindTable(Store* s, const char* name) {
  for (int i = 0; i < s->count; ++i)
    if (strcasecmp(s->tables[i]->name, name) == 0) return s->tables[i];
  return 0;
}
static int FindColumn(const Table* t, const char* name) {
  for (int c = 0; c < t->columns; ++c)
    if (strcasecmp(t->columnNames[c], name) == 0) return c;
  return -1;
}
static Row* AddRow(Table* t) {
  if (t->rowCount == t->rowCapacity) {
    t->rowCapacity = t->rowCapacity ? 2 * t->rowCapacity : 16;
    t->rows = realloc(t->rows, t->rowCapacity * sizeof *t->rows);
  }
  Row* row = &t->rows[t->rowCount++];
  memset(row, 0, sizeof *row);
  return row;
}
static void FreeTable(Table* t) {
  for (int r = 0; r < t->rowCount; ++r)
    for (int c = 0; c < kMaxColumns; ++c) free(t->rows[r].values[c].bytes);
  free(t->rows);
  free(t);
}
static Table* CopyTable(const Table* from) {
  Table* t = calloc(1, sizeof *t);
  memcpy(t->name, from->name, sizeof t->name);
  t->columns = from->columns;
  memcpy(t->columnNames, from->columnNames, sizeof t->columnNames);
  memcpy(t->columnTypes, from->columnTypes, sizeof t->columnTypes);
  for (int r = 0; r < from->rowCount; ++r) {
    if (from->rows[r].deleted) continue;
    Row* row = AddRow(t);
    for (int c = 0; c < from->columns; ++c) {
      const Value* v = &from->rows[r].values[c];
      if (v->type) SetBytes(&row->values[c], v->type, v->bytes, v->length);
    }
  }
  return t;
}
static void CopyStore(Store* to, const Store* from) {
  for (int i = 0; i < to->count; ++i) FreeTable(to->tables[i]);
  to->count = from->count;
  for (int i = 0; i < from->count; ++i) to->tables[i] = CopyTable(from->tables[i]);
}

static void AddColumn(TablesEngine* e, Table* t, const ColumnDefinition* d) {
  if (t->columns == kMaxColumns || FindColumn(t, Chars(d->name)) >= 0) {
    e->error = 3;
    return;
  }
  snprintf(t->columnNames[t->columns], 64, "%s", Chars(d->name));
  t->columnTypes[t->columns++] = d->type;
}

static void TCreateTable(TablesEngine* e, QVStr* name, const ColumnDefinition* columns,
                         const uint8_t* keys, int32_t keyCount) {
  (void)keys;
  (void)keyCount;
  e->error = 0;
  if (FindTable(&e->live, Chars(name)) || e->live.count == kMaxTables) {
    e->error = 2;
    return;
  }
  Table* t = calloc(1, sizeof *t);
  snprintf(t->name, sizeof t->name, "%s", Chars(name));
  for (; columns; columns = columns->next) AddColumn(e, t, columns);
  e->live.tables[e->live.count++] = t;
}

static void TAddColumn(TablesEngine* e, QVStr* table, const ColumnDefinition* column) {
  e->error = 0;
  Table* t = FindTable(&e->live, Chars(table));
  if (!t) e->error = 1;
  else AddColumn(e, t, column);
}

static void TInsertRow(TablesEngine* e, QVStr* table, const RecordColumn* columns) {
  e->error = 0;
  Table* t = FindTable(&e->live, Chars(table));
  if (!t) {
    e->error = 1;
    return;
  }
  for (const RecordColumn* c = columns; c; c = c->next) {
    if (FindColumn(t, Chars(c->name)) < 0) {
      e->error = 4;
      return;
    }
  }
  Row* row = AddRow(t);
  for (; columns; columns = columns->next) {
    int c = FindColumn(t, Chars(columns->name));
    Convert(&row->values[c], t->columnTypes[c], columns->value);
  }
}

static void TCommit(TablesEngine* e) { CopyStore(&e->committed, &e->live); }
static void TRollback(TablesEngine* e) { CopyStore(&e->live, &e->committed); }
static int32_t TErrorCode(TablesEngine* e) { return e->error; }
static QVStr* TErrorText(TablesEngine* e) { return NewText(e->error ? "table engine error" : ""); }
static void TClose(TablesEngine* e) {
  if (gCloseLog) gCloseLog("dbClose");
  Store empty = {{0}, 0};
  CopyStore(&e->live, &empty);
  CopyStore(&e->committed, &empty);
  free(e);
}

/* ---- Cursors ------------------------------------------------------------------------ */

static QVObj* Wrap(TCursor* c) {
  return CALL("QUORdbCursorFromDBCursor", QVObj* (*)(void*, void*))(c, gTableCursorTable);
}

static void CClose(TCursor* c) {
  if (gCloseLog) gCloseLog("curClose");
  if (c->ownsTable) FreeTable(c->table);
  free(c->rows);
  free(c);
}
static int32_t CColumnCount(TCursor* c) { return c->columns; }
static QVStr* CColumnName(TCursor* c, int32_t i) {
  return i >= 0 && i < c->columns ? NewText(c->table->columnNames[c->map[i]]) : 0;
}
static int32_t CRowCount(TCursor* c) { return c->count; }
static Row* Current(TCursor* c) {
  if (c->position < 0 || c->position >= c->count) return 0;
  return &c->table->rows[c->rows[c->position]];
}
static void CColumnValue(TCursor* c, int32_t i, const void** data, uint8_t* type, int32_t* length) {
  Row* row = Current(c);
  const Value* v = row && i >= 0 && i < c->columns ? &row->values[c->map[i]] : 0;
  *data = v && v->type ? v->bytes : 0;
  *type = v ? v->type : 0;
  *length = v ? v->length : 0;
}
static void CReleaseValue(TCursor* c) { (void)c; }
static uint8_t CNextRow(TCursor* c) {
  if (c->position < c->count) c->position++;
  while (c->position < c->count && c->table->rows[c->rows[c->position]].deleted) c->position++;
  return c->position < c->count;
}
static void CDeleteRow(TCursor* c) {
  Row* row = Current(c);
  if (row) row->deleted = 1;
}
static void CEdit(TCursor* c) { (void)c; }
static void CUpdateRow(TCursor* c, const PendingEdit* edits) {
  Row* row = Current(c);
  c->engine->error = 0;
  for (; row && edits; edits = edits->next) {
    if (edits->column < 0 || edits->column >= c->columns) continue;
    if (strcmp(Chars(edits->value), "!fail") == 0) {
      c->engine->error = 9;
      return;
    }
    int column = c->map[edits->column];
    Convert(&row->values[column], c->table->columnTypes[column], edits->value);
  }
}
static int32_t CColumnType(TCursor* c, int32_t i) {
  return i >= 0 && i < c->columns ? c->table->columnTypes[c->map[i]] : -1;
}

/* A cursor over the rows of t that meet the condition. */
static TCursor* NewTCursor(TablesEngine* e, Table* t, const Node* condition) {
  TCursor* c = calloc(1, sizeof *c);
  c->engine = e;
  c->table = t;
  c->position = -1;
  c->rows = malloc((t->rowCount ? t->rowCount : 1) * sizeof *c->rows);
  for (int r = 0; r < t->rowCount; ++r)
    if (!t->rows[r].deleted && Holds(t, &t->rows[r], condition)) c->rows[c->count++] = r;
  return c;
}

/* Cursors dbOpenTable may still make; negative: no bound. */
static int gOpensLeft = -1;

static QVObj* TOpenTable(TablesEngine* e, QVStr* table, const ResultColumn* columns,
                         const Node* condition) {
  e->error = 0;
  Table* t = FindTable(&e->live, Chars(table));
  if (!t || !Resolves(t, condition) || gOpensLeft == 0) return 0;
  if (gOpensLeft > 0) --gOpensLeft;
  TCursor* c = NewTCursor(e, t, condition);
  for (; columns; columns = columns->next) {
    if (strcmp(Chars(columns->name), "*") == 0) {
      for (int k = 0; k < t->columns && c->columns < kMaxColumns; ++k) c->map[c->columns++] = k;
      continue;
    }
    int k = FindColumn(t, Chars(columns->name));
    if (k < 0 || c->columns == kMaxColumns) {
      CClose(c);
      return 0;
    }
    c->map[c->columns++] = k;
  }
  return Wrap(c);
}

static QVObj* TFieldSchema(TablesEngine* e, QVStr* table) {
  Table* t = FindTable(&e->live, Chars(table));
  if (!t) return 0;
  Table* schema = calloc(1, sizeof *schema);
  schema->columns = 2;
  strcpy(schema->columnNames[0], "ColumnName");
  strcpy(schema->columnNames[1], "FieldType");
  schema->columnTypes[0] = 5;
  schema->columnTypes[1] = 3;
  for (int k = 0; k < t->columns; ++k) {
    Row* row = AddRow(schema);
    SetBytes(&row->values[0], 5, t->columnNames[k], (int)strlen(t->columnNames[k]));
    SetBytes(&row->values[1], 3, &t->columnTypes[k], 4);
  }
  TCursor* c = NewTCursor(e, schema, 0);
  c->ownsTable = 1;
  c->columns = 2;
  c->map[1] = 1;
  return Wrap(c);
}

void TablesEngineInit(QVLookup lookup) {
  gTablesLookup = lookup;
  void** cur = gTableCursorTable;
  cur[0] = (void*)4;
  cur[2] = CClose;
  cur[3] = CColumnCount;
  cur[4] = CColumnName;
  cur[5] = CRowCount;
  cur[6] = CColumnValue;
  cur[7] = CReleaseValue;
  cur[8] = CNextRow;
  cur[9] = CDeleteRow;
  cur[12] = CUpdateRow;
  cur[13] = CEdit;
  cur[17] = CColumnType;
  void** db = gTablesEngineTable;
  db[0] = (void*)4;
  db[2] = TClose;
  db[4] = TFieldSchema;
  db[7] = TCreateTable;
  db[8] = TInsertRow;
  db[9] = TOpenTable;
  db[11] = TAddColumn;
  db[13] = TErrorCode;
  db[14] = TErrorText;
  db[15] = TCommit;
  db[16] = TRollback;
  CALL("PluginRegisterDBEngine", void (*)(void*))(gTablesEngineTable);
  CALL("PluginRegisterDBCursor", void (*)(void*))(gTableCursorTable);
}

QVObj* OpenTablesEngine(void) {
  TablesEngine* e = calloc(1, sizeof *e);
  return CALL("QUORdbDatabaseFromDBDatabase", QVObj* (*)(void*, void*))(e, gTablesEngineTable);
}

/* A fresh engine made into database, as a plug-in's own method does: closes are told to log. */
void ConstructTablesEngine(QVObj* database, void (*closeLog)(const char*)) {
  gCloseLog = closeLog;
  TablesEngine* e = calloc(1, sizeof *e);
  CALL("QUORConstructDBDatabase", void (*)(QVObj*, void*, void*))(database, e, gTablesEngineTable);
}

/* From now on dbOpenTable makes at most count cursors (negative: no bound) and answers nil
 * after, as for an unknown table; so a fuzzed join of many tables ends. */
void TablesEngineLimitOpens(int count) { gOpensLeft = count; }

/* Every live table as text (its name, its columns with their types, then each live row's
 * values as type and bytes), so that a test can tell whether a statement changed anything.
 * The caller frees it. */
char* TablesEngineDump(void* engine) {
  const Store* s = &((TablesEngine*)engine)->live;
  char* text = 0;
  size_t size = 0;
  FILE* out = open_memstream(&text, &size);
  if (!out) return 0;
  for (int i = 0; i < s->count; ++i) {
    const Table* t = s->tables[i];
    fprintf(out, "%s:", t->name);
    for (int c = 0; c < t->columns; ++c)
      fprintf(out, " %s/%d", t->columnNames[c], t->columnTypes[c]);
    for (int r = 0; r < t->rowCount; ++r) {
      if (t->rows[r].deleted) continue;
      fputs("\n ", out);
      for (int c = 0; c < t->columns; ++c) {
        const Value* v = &t->rows[r].values[c];
        fprintf(out, " %d:", v->type);
        for (int k = 0; v->type && k < v->length; ++k) fprintf(out, "%02x", v->bytes[k]);
      }
    }
    fputs("\n", out);
  }
  fclose(out);
  return text;
}
