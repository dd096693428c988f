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

QVClass* RuntimeLookupClass(QVString name);
QVClass* RuntimeNewClass(QVClass* parent, int32_t methods, int32_t interfaces, int32_t events,
                         int32_t namedMethods, int32_t properties);
QVObject* RuntimeNewObject(QVClass* cls);
void RuntimeUnlockObject(QVObject* object);
void RuntimeRegisterAppObject(QVObject* object);
void AppAutoCloseSetter(QVObject* app, uint32_t parameter, int32_t value);
void RuntimeConsolePrint(QVString text);
QVString RuntimeAddString(QVString a, QVString b);
void RuntimeUnlockString(QVString text);
void WindowDefaultConstructor(QVObject* window);
void WindowAddControl(QVObject* window, QVString name, QVObject* control);

/* Fields of the Window record and of the control record. */
#define WINDOW_VISIBLE 52
#define WINDOW_RESIZEABLE 54
#define WINDOW_BOUNDS 68
#define WINDOW_TITLE 92
#define CONTROL_NAME 32
#define CONTROL_INDEX 36
#define CONTROL_VISIBLE 44

typedef struct EventEntry {
  void* vector;
  QVString name;
} EventEntry;

static int gStay;
static int gCloseBoxVetoes;
static int gQuitVetoes;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static int NameIs(QVString name, const char* text) {
  const unsigned char* bytes = name->data + 1;
  uint32_t i = 0;
  for (; i < name->length; ++i) {
    if (text[i] == 0 || (unsigned char)text[i] != bytes[i]) return 0;
  }
  return text[i] == 0;
}

static void SetHandler(QVClass* cls, const char* event, void* handler) {
  EventEntry* entries = (EventEntry*)cls->eventTable;
  for (uint32_t i = 0; i < cls->eventCount; ++i) {
    if (NameIs(entries[i].name, event)) entries[i].vector = handler;
  }
}

static QVClass* Subclass(QVString parentName, QVString name) {
  QVClass* parent = RuntimeLookupClass(parentName);
  QVClass* cls = RuntimeNewClass(parent, parent->methodCount, parent->interfaceCount,
                                 parent->eventCount, parent->namedMethodCount,
                                 parent->propertyCount);
  cls->className = name;
  cls->instanceSize = parent->instanceSize;
  return cls;
}

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
  if (!NameIs(key, "q")) return 0;
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

  gControlClass = Subclass(QV_STR("RectControl"), QV_STR("AppButton"));
  SetHandler(gControlClass, "Open", (void*)OnControlOpen);
  SetHandler(gControlClass, "Close", (void*)OnControlClose);
  QVClass* windowClass = Subclass(QV_STR("Window"), QV_STR("AppWindow"));
  SetHandler(windowClass, "Layout", (void*)OnLayout);
  SetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  SetHandler(windowClass, "AddMenuHandlers", (void*)OnAddMenuHandlers);
  SetHandler(windowClass, "SetupBindings", (void*)OnSetupBindings);
  SetHandler(windowClass, "Open", (void*)OnOpen);
  SetHandler(windowClass, "Activate", (void*)OnActivate);
  SetHandler(windowClass, "Close", (void*)OnClose);
  SetHandler(windowClass, "CancelClose", (void*)OnCancelClose);
  SetHandler(windowClass, "KeyDown", (void*)OnKeyDown);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
