/* The record-navigator application of the control tests: a window "Navigator" (400 x 120) with
 * a DataControl "People" at (10, 10) to (390, 30) over the built-in database whose path the
 * environment variable QV_NAVIGATOR_DB names (table people: id, name, city), Commit set, and
 * two EditFields bound to it: "Name" (DataField name) at (10, 50) to (190, 75) and "City"
 * (DataField city) at (200, 50) to (390, 75). Its Reposition handler prints
 *   Row <Row> <Name.Text> <City.Text>
 * and its Update handler "Updated". The window's Close handler quits. */
#include "qvapp.h"

QVObject* openQUORDatabase(QVObject* item);
QVObject* RuntimeGetFolderItem(QVString path, int32_t kind);
QVString SystemGetEnvVariable(QVObject* system, QVString name);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void editBorderSetter(QVObject* field, uint32_t parameter, int32_t on);
QVString editTextGetter(QVObject* field, uint32_t parameter);
void EditDataSourceSetter(QVObject* field, uint32_t parameter, QVString name);
void EditDataFieldSetter(QVObject* field, uint32_t parameter, QVString name);
void DataControlDBSetter(QVObject* control, uint32_t parameter, QVObject* database);
void DataControlTableNameSetter(QVObject* control, uint32_t parameter, QVString name);
void DataControlQuerySetter(QVObject* control, uint32_t parameter, QVString query);
int32_t DataControlRow(QVObject* control);
QVString StringStrInt32(int32_t value);

#define DATACONTROL_COMMIT 173

static QVClass* gFieldClass;
static QVClass* gNavigatorClass;
static QVObject* gName;
static QVObject* gCity;
static QVObject* gDatabase;

static void OnReposition(QVObject* navigator, int32_t index) {
  QVString line = RuntimeAddString(QV_STR("Row "), QV_STR(""));
  line = QVAppendOwned(line, StringStrInt32(DataControlRow(navigator)));
  line = QVAppend(line, QV_STR(" "));
  line = QVAppendOwned(line, editTextGetter(gName, 0));
  line = QVAppend(line, QV_STR(" "));
  line = QVAppendOwned(line, editTextGetter(gCity, 0));
  QVSayLine(line);
  (void)index;
}

static void OnUpdate(QVObject* navigator) {
  QVSayLine(RuntimeAddString(QV_STR("Updated"), QV_STR("")));
  (void)navigator;
}

static void OnClose(QVObject* window) {
  (void)window;
  QV_ApplicationQuit(0);
}

static void Place(QVObject* control, int32_t left, int32_t top, int32_t width, int32_t height) {
  RuntimeControlMove(control, left, top, width, height);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 400, 120, QV_STR("Navigator"));
}

static QVObject* AddField(QVObject* window, QVString name, QVString column, int32_t left) {
  QVObject* field = RuntimeNewObject(gFieldClass);
  Place(field, left, 50, 190, 25);
  editBorderSetter(field, 0, 1);
  EditDataFieldSetter(field, 0, column);
  EditDataSourceSetter(field, 0, QV_STR("People"));
  WindowAddControl(window, name, field);
  RuntimeUnlockObject(field); /* the window holds it */
  return field;
}

static void OnCreateControls(QVObject* window) {
  QVObject* navigator = RuntimeNewObject(gNavigatorClass);
  Place(navigator, 10, 10, 380, 20);
  DataControlDBSetter(navigator, 0, gDatabase);
  DataControlTableNameSetter(navigator, 0, QV_STR("people"));
  DataControlQuerySetter(navigator, 0, QV_STR("SELECT * FROM people"));
  *((uint8_t*)navigator + DATACONTROL_COMMIT) = 1;
  WindowAddControl(window, QV_STR("People"), navigator);
  RuntimeUnlockObject(navigator);
  gName = AddField(window, QV_STR("Name"), QV_STR("name"), 10);
  gCity = AddField(window, QV_STR("City"), QV_STR("city"), 200);
}

QV_ENTRY {
  QVStartApplication();

  QVString path = SystemGetEnvVariable(0, QV_STR("QV_NAVIGATOR_DB"));
  QVObject* item = RuntimeGetFolderItem(path, 0);
  RuntimeUnlockString(path);
  gDatabase = openQUORDatabase(item);
  RuntimeUnlockObject(item);
  if (!gDatabase) {
    QVSayLine(RuntimeAddString(QV_STR("no database"), QV_STR("")));
    QV_ApplicationQuit(1);
  }

  gFieldClass = QVSubclass(QV_STR("EditField"), QV_STR("NavigatorField"));
  gNavigatorClass = QVSubclass(QV_STR("DataControl"), QV_STR("AppNavigator"));
  QVSetHandler(gNavigatorClass, "Reposition", (void*)OnReposition);
  QVSetHandler(gNavigatorClass, "Update", (void*)OnUpdate);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("NavigatorWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Close", (void*)OnClose);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
}
