/* The windowed application of the window-object tests: a Window subclass and a control class
 * made as compiled code makes them, whose handlers say on standard output what they hear. The
 * window has two controls without panes, Button1 and Button2; its first CancelClose of each kind
 * (close box, quitting) vetoes, later ones let the window close; the key q quits (an
 * unhandled EndException lets the handler go on, so it says when Quit returned).
 * QVTEST_MODE picks the variant:
 *   (unset)  AutoQuit on: closing the window ends the program
 *   stay     AutoQuit off, and no CancelClose vetoes: the program runs on without a window */
#include "qvapp.h"

char* getenv(const char* name);
int strcmp(const char* a, const char* b);
QV_SHARED_FUNCTION(getenv, "libc.so.6");
QV_SHARED_FUNCTION(strcmp, "libc.so.6");

void AppAutoCloseSetter(QVObject* app, uint32_t parameter, int32_t value);

/* Fields of the Window record and of the control record. */
#define CONTROL_INDEX 36
#define CONTROL_VISIBLE 44

static int gStay;
static int gCloseBoxVetoes;
static int gQuitVetoes;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

/* Prints the control's name, a dot and the event. */
static void PrintControlEvent(QVObject* control, QVString event) {
  QVString line = RuntimeAddString(*(QVString*)Field(control, CONTROL_NAME), event);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

static void OnControlOpen(QVObject* control) { PrintControlEvent(control, QV_STR(".Open")); }
static void OnControlClose(QVObject* control) { PrintControlEvent(control, QV_STR(".Close")); }

static QVClass* gControlClass;

static void AddControl(QVObject* window, QVString name) {
  QVObject* control = RuntimeNewObject(gControlClass);
  *(int32_t*)Field(control, CONTROL_INDEX) = (int32_t)0x80000000u;
  *(uint8_t*)Field(control, CONTROL_VISIBLE) = 1;
  WindowAddControl(window, name, control);
  RuntimeUnlockObject(control);
}

static void OnLayout(QVObject* window) {
  int16_t* bounds = (int16_t*)Field(window, WINDOW_BOUNDS);
  bounds[0] = 0;   /* top */
  bounds[1] = 0;   /* left */
  bounds[2] = 160; /* bottom */
  bounds[3] = 240; /* right */
  *(QVString*)Field(window, WINDOW_TITLE) = gStay ? QV_STR("Window Stays") : QV_STR("Window App");
  *(uint8_t*)Field(window, WINDOW_VISIBLE) = 1;
  *(uint8_t*)Field(window, WINDOW_RESIZEABLE) = 1;
  RuntimeConsolePrint(QV_STR("Layout"));
}

static void OnCreateControls(QVObject* window) {
  RuntimeConsolePrint(QV_STR("CreateControls"));
  AddControl(window, QV_STR("Button1"));
  AddControl(window, QV_STR("Button2"));
}

static void OnAddMenuHandlers(QVObject* window, QVObject* source) {
  RuntimeConsolePrint(source == window ? QV_STR("AddMenuHandlers") : QV_STR("AddMenuHandlers?"));
}

static void OnSetupBindings(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("SetupBindings"));
}

static void OnOpen(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Open"));
}

static void OnActivate(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Activate"));
}

static void OnClose(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Close"));
}

static int32_t OnCancelClose(QVObject* window, int32_t quitting) {
  (void)window;
  RuntimeConsolePrint(quitting ? QV_STR("CancelClose quitting") : QV_STR("CancelClose"));
  if (gStay) return 0;
  int* vetoes = quitting ? &gQuitVetoes : &gCloseBoxVetoes;
  return (*vetoes)++ == 0;
}

static int32_t OnKeyDown(QVObject* window, QVString key) {
  (void)window;
  QVString line = RuntimeAddString(QV_STR("KeyDown "), key);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  if (!QVStringIs(key, "q")) return 0;
  QV_ApplicationQuit(0);
  RuntimeConsolePrint(QV_STR("quit returned"));
  return 1;
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  const char* mode = getenv("QVTEST_MODE");
  gStay = mode && strcmp(mode, "stay") == 0;
  QVObject* app = RuntimeNewObject(RuntimeLookupClass(QV_STR("Application")));
  if (gStay) AppAutoCloseSetter(app, 0, 0);
  RuntimeRegisterAppObject(app);
  RuntimeUnlockObject(app);

  gControlClass = QVSubclass(QV_STR("RectControl"), QV_STR("AppButton"));
  QVSetHandler(gControlClass, "Open", (void*)OnControlOpen);
  QVSetHandler(gControlClass, "Close", (void*)OnControlClose);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("AppWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "AddMenuHandlers", (void*)OnAddMenuHandlers);
  QVSetHandler(windowClass, "SetupBindings", (void*)OnSetupBindings);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVSetHandler(windowClass, "Activate", (void*)OnActivate);
  QVSetHandler(windowClass, "Close", (void*)OnClose);
  QVSetHandler(windowClass, "CancelClose", (void*)OnCancelClose);
  QVSetHandler(windowClass, "KeyDown", (void*)OnKeyDown);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
