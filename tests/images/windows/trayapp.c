/* The tray-item application of the window tests: once its window "Tray items" is open, it gives
 * two TrayItems an icon (a 16 x 16 picture) and a help tag, adds each twice, removes the first,
 * says "Added" and quits; the second goes with the application. */
#include "qvapp.h"

void TrayItemSetPicture(QVObject* item, uint32_t unused, QVObject* picture);
void TrayItemSetHelpTag(QVObject* item, uint32_t unused, QVString text);
void AddTrayItem(QVObject* app, QVObject* item);
void RemoveTrayItem(QVObject* app, QVObject* item);

static QVObject* gApp;

static QVObject* NewTrayItem(QVObject* icon, QVString tag) {
  QVObject* item = RuntimeNewObject(RuntimeLookupClass(QV_STR("TrayItem")));
  TrayItemSetPicture(item, 0, icon);
  TrayItemSetHelpTag(item, 0, tag);
  AddTrayItem(gApp, item);
  AddTrayItem(gApp, item);
  return item;
}


static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 100, 100, 200, 100, QV_STR("Tray items"));
}

static void OnOpen(QVObject* window) {
  (void)window;
  QVObject* icon = RuntimeNewObject(RuntimeLookupClass(QV_STR("Picture")));
  PictureConstructor(icon, 16, 16, 32);
  QVObject* first = NewTrayItem(icon, QV_STR("first"));
  QVObject* second = NewTrayItem(icon, QV_STR("second"));
  RemoveTrayItem(gApp, first);
  RuntimeUnlockObject(first);
  RuntimeUnlockObject(second);
  RuntimeUnlockObject(icon);
  RuntimeConsolePrint(QV_STR("Added"));
  QV_ApplicationQuit(0);
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  gApp = RuntimeNewObject(RuntimeLookupClass(QV_STR("Application")));
  RuntimeRegisterAppObject(gApp);

  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("TrayWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeUnlockObject(gApp);
}
