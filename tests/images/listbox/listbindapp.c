/* The list-binding application of the list-box tests. It makes a built-in database in the
 * folder that QV_LISTBIND_FOLDER names (table people: id, name, city; five rows) and opens a
 * window "List binding" (560 x 300) with:
 *   - list "A" (10, 10, 200 x 150, three columns), bound by a listBinder to a DatabaseQuery
 *     "SELECT id, name, city FROM people ORDER BY id";
 *   - an EditField "City" (10, 170, 200 x 25) fed by a stringBinder from A's
 *     "columnValueProvider_2", and a button "Selected" (10, 205, 95 x 25) enabled by an
 *     enablingBinder from A's "getSelectionProvider";
 *   - a button "Requery" (115, 205, 95 x 25) bound to the query by an actionBinder, and a
 *     button "Add person" (10, 240, 200 x 25) that inserts a sixth person by SQL;
 *   - list "B" (230, 10, 150 x 150) bound to a provider class of this image (CityRows), and
 *     list "C" (390, 10, 150 x 150) that the same handlers fill through AddRow, InsertRow and
 *     RemoveRow; buttons "Insert" (230, 170), "Remove" (310, 170) and "Reload" (390, 170),
 *     70 x 25 each: insert at row 1, remove row 0, reload (the rows reversed).
 * It prints, once the window is open, "point <list> <row> <x> <y>" for rows 0 and 2 of A and
 * row 1 of B and C (window coordinates of a point RowFromXY names that row for), then "ready".
 * After each step (A's Change, each button) it prints "step <what>" and, for A, B and C,
 * "<list> count <ListCount> index <ListIndex>" and "<list> <r> <Cell(r, -1)>" for every row,
 * then "city <City.Text> selected <Selected.Enabled>" and "done <what>"; a change of B's or
 * C's selection prints "<list> picked <ListIndex>". When the window is
 * closed it lets go of everything it made and prints "live <at start> <at the end>". */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");

QVObject* newQUORDatabase(QVObject* item);
QVObject* RuntimeGetFolderItem(QVString path, int32_t kind);
QVString SystemGetEnvVariable(QVObject* system, QVString name);
void databaseSQLExecute(QVObject* db, QVString sql);
void databaseCommit(QVObject* db);
void databaseClose(QVObject* db);
int32_t databaseErrorCodeGetter(QVObject* db);
void RuntimeLockObject(QVObject* object);
void objSetter(QVObject* object, uint32_t offset, QVObject* value);
void stringSetter(QVObject* object, uint32_t offset, QVString value);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
int32_t controlEnabledGetter(QVObject* control, uint32_t parameter);
void pushButtonTitleSetter(QVObject* button, uint32_t parameter, QVString caption);
void editBorderSetter(QVObject* field, uint32_t parameter, int32_t on);
QVString editTextGetter(QVObject* field, uint32_t parameter);
void listColumnCountSetter(QVObject* list, uint32_t parameter, int32_t value);
int32_t listCountGetter(QVObject* list, uint32_t parameter);
int32_t listSelectionGetter(QVObject* list, uint32_t parameter);
QVString listGetCell(QVObject* list, int32_t row, int32_t column);
int32_t listRowFromXY(QVObject* list, int32_t x, int32_t y);
void RuntimeListAddRow(QVObject* list, QVString text);
void RuntimeListInsertRow(QVObject* list, int32_t row, QVString text, int32_t indent);
void RuntimeRemoveRow(QVObject* list, int32_t index);
void RuntimeListEmpty(QVObject* list);
QVObject* listGetBoundPart(QVObject* list, QVString name);
void listBinderBind(QVObject* binder, QVObject* source, QVObject* dest);
void actionBinderBind(QVObject* binder, QVObject* source, QVObject* dest);
void stringBinderBind(QVObject* binder, QVObject* source, QVObject* dest);
void enablingBinderBind(QVObject* binder, QVObject* source, QVObject* dest);
int32_t RuntimeDebugObjectCount(QVObject* self, uint32_t parameter);


#define QUERY_DATABASE 24
#define QUERY_SQL 28
#define MAX_CITIES 16

/* The image's list data provider: its rows' texts and the lists told of their changes. */
typedef struct CityRows {
  QVObject header;
  int32_t count;
  QVString texts[MAX_CITIES]; /* constants */
  int32_t receiverCount;
  QVObject* receivers[4]; /* held */
} CityRows;

/* One row handed to a list: a text of one field. */
typedef struct CityRow {
  QVObject header;
  QVString text; /* a constant */
} CityRow;

static QVObject* gDatabase;
static QVObject* gQuery;
static QVObject* gWindow;
static QVObject* gListA;
static QVObject* gListB;
static QVObject* gListC;
static QVObject* gCity;
static QVObject* gSelected;
static QVObject* gRequery;
static CityRows* gRows;
static QVObject* gBinders[4];
static QVObject* gParts[2];
static QVClass* gRowClass;
static QVClass* gListClass;
static QVClass* gButtonClass;
static QVClass* gFieldClass;

static const char* Chars(QVString s) { return s ? (const char*)s->data + 1 : ""; }

static void SayList(const char* name, QVObject* list) {
  const int32_t count = listCountGetter(list, 0);
  dprintf(1, "%s count %d index %d\n", name, (int)count, (int)listSelectionGetter(list, 0));
  for (int32_t r = 0; r < count; ++r) {
    QVString cells = listGetCell(list, r, -1);
    dprintf(1, "%s %d %s\n", name, (int)r, Chars(cells));
    RuntimeUnlockString(cells);
  }
}

static void SayState(const char* what) {
  dprintf(1, "step %s\n", what);
  SayList("A", gListA);
  SayList("B", gListB);
  SayList("C", gListC);
  QVString city = editTextGetter(gCity, 0);
  dprintf(1, "city %s selected %d\n", Chars(city), (int)controlEnabledGetter(gSelected, 0));
  RuntimeUnlockString(city);
  dprintf(1, "done %s\n", what);
}

/* ---- CityRows: the provider class ---- */

static int32_t RowsCount(CityRows* self) { return self->count; }

/* Rows count from 1. */
static QVObject* RowsGetRow(CityRows* self, int32_t index) {
  if (index < 1 || index > self->count) return 0;
  CityRow* row = (CityRow*)RuntimeNewObject(gRowClass);
  row->text = self->texts[index - 1];
  return &row->header; /* the caller's reference */
}

static void RowsAdd(CityRows* self, QVObject* receiver) {
  if (!receiver || self->receiverCount == 4) return;
  RuntimeLockObject(receiver);
  self->receivers[self->receiverCount++] = receiver;
}

static void RowsRemove(CityRows* self, QVObject* receiver) {
  for (int32_t i = 0; i < self->receiverCount; ++i) {
    if (self->receivers[i] != receiver) continue;
    for (int32_t j = i + 1; j < self->receiverCount; ++j) self->receivers[j - 1] = self->receivers[j];
    --self->receiverCount;
    RuntimeUnlockObject(receiver);
    return;
  }
}

static void RowsDestructor(CityRows* self) {
  while (self->receiverCount) RuntimeUnlockObject(self->receivers[--self->receiverCount]);
}

static int32_t RowFieldCount(CityRow* self) {
  (void)self;
  return 1;
}

/* Fields count from 1. */
static QVString RowIndString(CityRow* self, int32_t index) {
  if (index != 1) return 0;
  return RuntimeAddString(self->text, QV_STR("")); /* the caller's reference */
}

/* The method of a receiver's listDataNotificationReceiver table whose name starts key. */
static void* ReceiverMethod(QVObject* receiver, const char* name) {
  QVNamedMethod* table = RuntimeLookupInterfaceVtable(
      receiver, RuntimeLookupClass(QV_STR("listDataNotificationReceiver")));
  for (int32_t i = 0; table && i < 3; ++i) {
    const char* key = Chars(table[i].key);
    int32_t n = 0;
    while (name[n] && key[n] == name[n]) ++n;
    if (!name[n] && key[n] == '%') return table[i].function;
  }
  return 0;
}

/* Tells every receiver: row -1 is a reload. */
static void Notify(const char* name, int32_t row) {
  for (int32_t i = 0; i < gRows->receiverCount; ++i) {
    QVObject* receiver = gRows->receivers[i];
    void* method = ReceiverMethod(receiver, name);
    if (!method) continue;
    if (row < 0) {
      ((void (*)(QVObject*))method)(receiver);
    } else {
      ((void (*)(QVObject*, int32_t))method)(receiver, row);
    }
  }
}

static QVClass* MakeRowsClass(void) {
  QVClass* cls = RuntimeNewClass(0, 0, 2, 0, 0, 0);
  cls->className = QV_STR("CityRows");
  cls->instanceSize = sizeof(CityRows);
  cls->destructor = (void (*)(QVObject*))RowsDestructor;
  QVNamedMethod* provider = QVImplement(cls, 0, RuntimeLookupClass(QV_STR("listDataProvider")), 2);
  QVSetMethod(&provider[0], (void*)RowsCount, QV_STR("GetCount%i%o<CityRows>"));
  QVSetMethod(&provider[1], (void*)RowsGetRow, QV_STR("GetRow%o<tupleInterface>%o<CityRows>i"));
  QVNamedMethod* notifier = QVImplement(cls, 1, RuntimeLookupClass(QV_STR("listDataNotifier")), 2);
  QVSetMethod(&notifier[0], (void*)RowsAdd,
              QV_STR("addListDataNotificationReceiver%%o<CityRows>o<Object>"));
  QVSetMethod(&notifier[1], (void*)RowsRemove,
              QV_STR("removeListDataNotificationReceiver%%o<CityRows>o<Object>"));
  return cls;
}

static QVClass* MakeRowClass(void) {
  QVClass* cls = RuntimeNewClass(0, 0, 1, 0, 0, 0);
  cls->className = QV_STR("CityRow");
  cls->instanceSize = sizeof(CityRow);
  QVNamedMethod* tuple = QVImplement(cls, 0, RuntimeLookupClass(QV_STR("tupleInterface")), 2);
  QVSetMethod(&tuple[0], (void*)RowFieldCount, QV_STR("FieldCount%i%o<CityRow>"));
  QVSetMethod(&tuple[1], (void*)RowIndString, QV_STR("getIndString%s%o<CityRow>i"));
  return cls;
}

/* ---- the steps ---- */

static QVString CityText(int32_t i) {
  switch (i) {
    case 0: return QV_STR("Bern");
    case 1: return QV_STR("Kiev");
    case 2: return QV_STR("Lima");
    case 3: return QV_STR("Oslo");
    case 4: return QV_STR("Rome");
    default: return QV_STR("Pisa");
  }
}

static void OnPicked(QVObject* list) {
  QVString name = *(QVString*)((char*)list + CONTROL_NAME);
  dprintf(1, "%s picked %d\n", Chars(name), (int)listSelectionGetter(list, 0));
}

static void OnChangeA(QVObject* list) {
  (void)list;
  SayState("change");
}

static void OnAddPerson(void) {
  databaseSQLExecute(gDatabase,
                     QV_STR("INSERT INTO people (id, name, city) VALUES (6, 'Fay', 'Pisa')"));
  dprintf(1, "add error %d\n", (int)databaseErrorCodeGetter(gDatabase));
  databaseCommit(gDatabase);
  SayState("add");
}

static void OnInsert(void) {
  if (gRows->count == MAX_CITIES) return;
  QVString text = QV_STR("Pisa");
  for (int32_t i = gRows->count; i > 1; --i) gRows->texts[i] = gRows->texts[i - 1];
  gRows->texts[1] = text;
  ++gRows->count;
  Notify("listDataInsertedRow", 1);
  RuntimeListInsertRow(gListC, 1, text, 0);
  SayState("insert");
}

static void OnRemove(void) {
  if (gRows->count == 0) return;
  for (int32_t i = 1; i < gRows->count; ++i) gRows->texts[i - 1] = gRows->texts[i];
  --gRows->count;
  Notify("listDataRemovedRow", 0);
  RuntimeRemoveRow(gListC, 0);
  SayState("remove");
}

static void OnReload(void) {
  for (int32_t i = 0, j = gRows->count - 1; i < j; ++i, --j) {
    QVString kept = gRows->texts[i];
    gRows->texts[i] = gRows->texts[j];
    gRows->texts[j] = kept;
  }
  Notify("listDataReload", -1);
  RuntimeListEmpty(gListC);
  for (int32_t i = 0; i < gRows->count; ++i) RuntimeListAddRow(gListC, gRows->texts[i]);
  SayState("reload");
}

static void OnRequery(void) { SayState("requery"); }

/* Buttons share one class: their Action runs the step their caption names. */
static QVString ButtonCaption(QVObject* button) {
  return *(QVString*)((char*)button + CONTROL_NAME);
}

static void OnAction(QVObject* button) {
  QVString name = ButtonCaption(button);
  if (QVStringIs(name, "AddPerson")) OnAddPerson();
  if (QVStringIs(name, "Insert")) OnInsert();
  if (QVStringIs(name, "Remove")) OnRemove();
  if (QVStringIs(name, "Reload")) OnReload();
  if (QVStringIs(name, "Requery")) OnRequery();
}

static void Place(QVObject* control, int32_t left, int32_t top, int32_t width, int32_t height) {
  RuntimeControlMove(control, left, top, width, height);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
}

static QVObject* AddButton(QVString name, QVString caption, int32_t left, int32_t top,
                           int32_t width) {
  QVObject* button = RuntimeNewObject(gButtonClass);
  Place(button, left, top, width, 25);
  pushButtonTitleSetter(button, 0, caption);
  WindowAddControl(gWindow, name, button);
  RuntimeUnlockObject(button); /* the window holds it */
  return button;
}

static QVObject* AddList(QVClass* cls, QVString name, int32_t left, int32_t width) {
  QVObject* list = RuntimeNewObject(cls);
  Place(list, left, 10, width, 150);
  WindowAddControl(gWindow, name, list);
  RuntimeUnlockObject(list);
  return list;
}

static QVObject* Bind(int32_t slot, const char* kind, QVObject* source, QVObject* dest) {
  QVString name = kind[0] == 'l'   ? QV_STR("listBinder")
                  : kind[0] == 'a' ? QV_STR("actionBinder")
                  : kind[0] == 's' ? QV_STR("stringBinder")
                                   : QV_STR("enablingBinder");
  QVObject* binder = RuntimeNewObject(RuntimeLookupClass(name));
  gBinders[slot] = binder;
  if (kind[0] == 'l') listBinderBind(binder, source, dest);
  if (kind[0] == 'a') actionBinderBind(binder, source, dest);
  if (kind[0] == 's') stringBinderBind(binder, source, dest);
  if (kind[0] == 'e') enablingBinderBind(binder, source, dest);
  return binder;
}

static void OnCreateControls(QVObject* window) {
  gWindow = window;
  QVClass* plainList = QVSubclass(QV_STR("Listbox"), QV_STR("PlainList"));
  QVSetHandler(plainList, "Change", (void*)OnPicked);
  gListA = AddList(gListClass, QV_STR("A"), 10, 200);
  listColumnCountSetter(gListA, 0, 3);
  gListB = AddList(plainList, QV_STR("B"), 230, 150);
  gListC = AddList(plainList, QV_STR("C"), 390, 150);
  gCity = RuntimeNewObject(gFieldClass);
  Place(gCity, 10, 170, 200, 25);
  editBorderSetter(gCity, 0, 1);
  WindowAddControl(window, QV_STR("City"), gCity);
  RuntimeUnlockObject(gCity);
  gSelected = AddButton(QV_STR("Selected"), QV_STR("Selected"), 10, 205, 95);
  gRequery = AddButton(QV_STR("Requery"), QV_STR("Requery"), 115, 205, 95);
  AddButton(QV_STR("AddPerson"), QV_STR("Add person"), 10, 240, 200);
  AddButton(QV_STR("Insert"), QV_STR("Insert"), 230, 170, 70);
  AddButton(QV_STR("Remove"), QV_STR("Remove"), 310, 170, 70);
  AddButton(QV_STR("Reload"), QV_STR("Reload"), 390, 170, 70);

}

/* Window coordinates of a point in row of list, found through RowFromXY. */
static void SayPoint(const char* name, QVObject* list, int32_t left, int32_t row) {
  for (int32_t y = 1; y < 150; ++y) {
    if (listRowFromXY(list, 20, y) != row) continue;
    dprintf(1, "point %s %d %d %d\n", name, (int)row, (int)(left + 20), (int)(10 + y + 4));
    return;
  }
  dprintf(1, "point %s %d none\n", name, (int)row);
}

/* The lists are bound and filled once their panes exist. */
static void OnOpen(QVObject* window) {
  (void)window;
  Bind(0, "list", gQuery, gListA);
  Bind(1, "action", gRequery, gQuery);
  gParts[0] = listGetBoundPart(gListA, QV_STR("columnValueProvider_2"));
  Bind(2, "string", gParts[0], gCity);
  gParts[1] = listGetBoundPart(gListA, QV_STR("getSelectionProvider"));
  Bind(3, "enabling", gParts[1], gSelected);
  QVObject* bind = RuntimeNewObject(RuntimeLookupClass(QV_STR("listBinder")));
  listBinderBind(bind, &gRows->header, gListB);
  RuntimeUnlockObject(bind);
  for (int32_t i = 0; i < gRows->count; ++i) RuntimeListAddRow(gListC, gRows->texts[i]);
  SayPoint("A", gListA, 10, 0);
  SayPoint("A", gListA, 10, 2);
  SayPoint("B", gListB, 230, 1);
  SayPoint("C", gListC, 390, 1);
  SayState("open");
  dprintf(1, "ready\n");
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 40, 40, 560, 280, QV_STR("List binding"));
}

static void OnClose(QVObject* window) {
  (void)window;
  QV_ApplicationQuit(0);
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  const int32_t start = RuntimeDebugObjectCount(0, 0);
  QVObject* app = RuntimeNewObject(RuntimeLookupClass(QV_STR("Application")));
  RuntimeRegisterAppObject(app);
  RuntimeUnlockObject(app);

  QVString folder = SystemGetEnvVariable(0, QV_STR("QV_LISTBIND_FOLDER"));
  QVString path = RuntimeAddString(folder, QV_STR("/people.qdb"));
  RuntimeUnlockString(folder);
  QVObject* item = RuntimeGetFolderItem(path, 0);
  RuntimeUnlockString(path);
  gDatabase = newQUORDatabase(item);
  RuntimeUnlockObject(item);
  if (!gDatabase) {
    dprintf(1, "no database\n");
    return;
  }
  databaseSQLExecute(gDatabase,
                     QV_STR("CREATE TABLE people (id INTEGER, name VARCHAR(20), city VARCHAR(20))"));
  databaseSQLExecute(gDatabase, QV_STR("INSERT INTO people (id, name, city) VALUES (1, 'Ann', 'Oslo')"));
  databaseSQLExecute(gDatabase, QV_STR("INSERT INTO people (id, name, city) VALUES (2, 'Bob', 'Rome')"));
  databaseSQLExecute(gDatabase, QV_STR("INSERT INTO people (id, name, city) VALUES (3, 'Cid', 'Lima')"));
  databaseSQLExecute(gDatabase, QV_STR("INSERT INTO people (id, name, city) VALUES (4, 'Dee', 'Kiev')"));
  databaseSQLExecute(gDatabase, QV_STR("INSERT INTO people (id, name, city) VALUES (5, 'Eve', 'Bern')"));
  databaseCommit(gDatabase);
  gQuery = RuntimeNewObject(RuntimeLookupClass(QV_STR("DatabaseQuery")));
  objSetter(gQuery, QUERY_DATABASE, gDatabase);
  stringSetter(gQuery, QUERY_SQL, QV_STR("SELECT id, name, city FROM people ORDER BY id"));

  gRowClass = MakeRowClass();
  gRows = (CityRows*)RuntimeNewObject(MakeRowsClass());
  for (int32_t i = 0; i < 5; ++i) gRows->texts[gRows->count++] = CityText(i);

  gListClass = QVSubclass(QV_STR("Listbox"), QV_STR("BoundList"));
  QVSetHandler(gListClass, "Change", (void*)OnChangeA);
  gButtonClass = QVSubclass(QV_STR("PushButton"), QV_STR("StepButton"));
  QVSetHandler(gButtonClass, "Action", (void*)OnAction);
  gFieldClass = QVSubclass(QV_STR("EditField"), QV_STR("CityField"));
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("ListBindWindow"));
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVSetHandler(windowClass, "Close", (void*)OnClose);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();

  for (int32_t i = 0; i < 4; ++i) RuntimeUnlockObject(gBinders[i]);
  for (int32_t i = 0; i < 2; ++i) RuntimeUnlockObject(gParts[i]);
  RuntimeUnlockObject(&gRows->header);
  RuntimeUnlockObject(gQuery);
  databaseClose(gDatabase);
  RuntimeUnlockObject(gDatabase);
  dprintf(1, "live %d %d\n", (int)start, (int)RuntimeDebugObjectCount(0, 0));
}
