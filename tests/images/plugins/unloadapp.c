/* The application that quits with two plug-ins' objects still alive. Window "Plug-in unload",
 * 300 x 120, holds Dial, a PaneDial of the pane plug-in (tests/plugins/pane) at (20, 20),
 * 100 x 60. When it opens, the runtime plug-in's module method RtTables.OpenTables makes a
 * Database over the plug-in's own engine; the application creates a table, inserts a row,
 * selects it and says "row 7 Ann", keeping the database and the RecordSet open. Then it says
 * "Ready"; a click on the window outside the control quits. */
#include "qvapp.h"

int dprintf(int fd, const char* format, ...);
QV_SHARED_FUNCTION(dprintf, "libc.so.6");

void* RuntimeLookupPluginEntrypoint(QVString name);
void databaseSQLExecute(QVObject* db, QVString sql);
QVObject* databaseSQLSelect(QVObject* db, QVString sql);
int32_t databaseErrorCodeGetter(QVObject* db);
QVObject* cursorGetFieldByName(QVObject* rs, QVString name);
QVString cursorFieldStringValueGetter(QVObject* field, uint32_t unused);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);

typedef QVObject* (*OpenTables)(void);

static QVClass* gDialClass;
static QVObject* gDatabase; /* both left open for the quit to close */
static QVObject* gRecords;

static const char* Text(QVString s) { return s ? (const char*)s->data + 1 : ""; }

static void SayField(QVObject* rs, QVString name) {
  QVObject* field = cursorGetFieldByName(rs, name);
  QVString value = field ? cursorFieldStringValueGetter(field, 0) : 0;
  dprintf(1, " %s", Text(value));
  RuntimeUnlockString(value);
  RuntimeUnlockObject(field);
}

static void UseDatabase(void) {
  OpenTables open =
      (OpenTables)RuntimeLookupPluginEntrypoint(QV_STR("RtTables.OpenTables() As Database"));
  gDatabase = open ? open() : 0;
  if (!gDatabase) {
    dprintf(1, "no database\n");
    return;
  }
  databaseSQLExecute(gDatabase, QV_STR("create table people (id integer, name varchar(20))"));
  databaseSQLExecute(gDatabase, QV_STR("insert into people (id, name) values (7, 'Ann')"));
  gRecords = databaseSQLSelect(gDatabase, QV_STR("select * from people where id = 7"));
  dprintf(1, "error %d row", (int)databaseErrorCodeGetter(gDatabase));
  if (gRecords) {
    SayField(gRecords, QV_STR("id"));
    SayField(gRecords, QV_STR("name"));
  }
  dprintf(1, "\n");
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 300, 120, QV_STR("Plug-in unload"));
}

static void OnCreateControls(QVObject* window) {
  QVObject* dial = RuntimeNewObject(gDialClass);
  RuntimeControlMove(dial, 20, 20, 100, 60);
  ControlVisibleSetter(dial, 0, 1);
  WindowAddControl(window, QV_STR("Dial"), dial);
  RuntimeUnlockObject(dial);
}

static void OnOpen(QVObject* window) {
  (void)window;
  UseDatabase();
  dprintf(1, "Ready\n");
}

static int32_t OnMouseDown(QVObject* window, int32_t x, int32_t y) {
  (void)window;
  (void)x;
  (void)y;
  QV_ApplicationQuit(0);
  return 1;
}

QV_ENTRY {
  QVStartApplication();

  gDialClass = QVSubclass(QV_STR("PaneDial"), QV_STR("UnloadDial"));
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("UnloadWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVSetHandler(windowClass, "MouseDown", (void*)OnMouseDown);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
}
