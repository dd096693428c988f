/* The window of plug-in controls, made as compiled code makes it. Window "Plug-in panes",
 * 300 x 120: Dial, a PaneDial at (20, 20), 100 x 60, and Quiet, a PaneQuiet at (160, 20),
 * 100 x 60, each of a subclass whose Heard handler says what the plug-in heard; the window's
 * MouseDown says "window x y"; closing the window quits. "Ready" is said once it is open. */
#include "qvapp.h"

QVObject* RuntimeNewObject(QVClass* cls);
void RuntimeUnlockObject(QVObject* object);
void RuntimeRegisterAppObject(QVObject* object);
void RuntimeConsolePrint(QVString text);
QVString StringFromCString(const char* text);
void RuntimeUnlockString(QVString text);
void WindowDefaultConstructor(QVObject* window);
void WindowAddControl(QVObject* window, QVString name, QVObject* control);
void RuntimeControlMove(QVObject* control, int32_t left, int32_t top, int32_t width,
                        int32_t height);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
int snprintf(char* text, unsigned long size, const char* format, ...);
QV_SHARED_FUNCTION(snprintf, "libc.so.6");

static QVClass* gDialClass;
static QVClass* gQuietClass;

static void OnHeard(QVObject* control, QVString what) {
  (void)control;
  RuntimeConsolePrint(what);
}

static int32_t OnWindowMouseDown(QVObject* window, int32_t x, int32_t y) {
  (void)window;
  char text[40];
  snprintf(text, sizeof text, "window %d %d", (int)x, (int)y);
  QVString said = StringFromCString(text);
  RuntimeConsolePrint(said);
  RuntimeUnlockString(said);
  return 0;
}

static void Add(QVObject* window, QVClass* cls, QVString name, int32_t left) {
  QVObject* control = RuntimeNewObject(cls);
  RuntimeControlMove(control, left, 20, 100, 60);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
  WindowAddControl(window, name, control);
  RuntimeUnlockObject(control);
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 300, 120, QV_STR("Plug-in panes"));
}

static void OnCreateControls(QVObject* window) {
  Add(window, gDialClass, QV_STR("Dial"), 20);
  Add(window, gQuietClass, QV_STR("Quiet"), 160);
}

static void OnOpen(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Ready"));
}

static void OnClose(QVObject* window) {
  (void)window;
  QV_ApplicationQuit(0);
}

QV_ENTRY {
  QVStartApplication();

  gDialClass = QVSubclass(QV_STR("PaneDial"), QV_STR("AppDial"));
  QVSetHandler(gDialClass, "Heard", (void*)OnHeard);
  gQuietClass = QVSubclass(QV_STR("PaneQuiet"), QV_STR("AppQuiet"));
  QVSetHandler(gQuietClass, "Heard", (void*)OnHeard);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("PaneWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVSetHandler(windowClass, "Close", (void*)OnClose);
  QVSetHandler(windowClass, "MouseDown", (void*)OnWindowMouseDown);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
}
