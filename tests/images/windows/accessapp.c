/* The application of the window-accessor milestone: a window "Accessors" of 300 x 200 with two
 * push buttons, First at (10, 10) and Second at (10, 50), each 100 x 30. Every click on the
 * window's empty area makes its MouseDown handler take the next step and print it:
 *   Title         the title becomes "Grüße 標題"
 *   BackColor     HasBackColor True with BackColor &cFF8000
 *   NewBackColor  BackColor &c0080FF
 *   ThemeBack     HasBackColor False
 *   FullScreen    FullScreen True
 *   Windowed      FullScreen False
 *   FocusSet      Focus is Second (whose GotFocus prints "Second.GotFocus")
 *   Focus <name>  the name of the control Focus answers, or Nil
 *   FocusNil      Focus is Nil (Second's LostFocus prints "Second.LostFocus")
 *   Focus Nil     again Focus, now Nil
 *   Maximize, Restore, Minimize: the window's states; the Minimize event prints "Minimized"
 *   and closes the window, which ends the program.
 * The window's Activate and Deactivate events print "Window.Activate" and "Window.Deactivate",
 * right after the focus event that the window's activation gives its focused control. */
#include "qvapp.h"

void RuntimeCloseWindow(QVObject* window);
void pushButtonTitleSetter(QVObject* button, uint32_t parameter, QVString caption);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void windowTitleSetter(QVObject* window, uint32_t parameter, QVString title);
void windowHasBackColorSetter(QVObject* window, uint32_t parameter, int32_t has);
void windowBackColorSetter(QVObject* window, uint32_t parameter, uint32_t color);
void windowFullScreenSetter(QVObject* window, uint32_t parameter, int32_t on);
QVObject* WindowFocusGetter(QVObject* window, uint32_t parameter);
void WindowFocusSetter(QVObject* window, uint32_t parameter, QVObject* control);
void WindowMaximize(QVObject* window);
void WindowMinimize(QVObject* window);
void WindowRestore(QVObject* window);

static QVClass* gButtonClass;
static QVObject* gSecond;
static int gStep;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static void PrintWith(QVString prefix, QVString text) {
  QVString line = RuntimeAddString(prefix, text);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

static void OnAction(QVObject* button) {
  PrintWith(*(QVString*)Field(button, CONTROL_NAME), QV_STR(".Action"));
}

static void OnGotFocus(QVObject* button) {
  PrintWith(*(QVString*)Field(button, CONTROL_NAME), QV_STR(".GotFocus"));
}

static void OnLostFocus(QVObject* button) {
  PrintWith(*(QVString*)Field(button, CONTROL_NAME), QV_STR(".LostFocus"));
}

static QVObject* AddButton(QVObject* window, QVString name, int32_t top) {
  QVObject* button = RuntimeNewObject(gButtonClass);
  RuntimeControlMove(button, 10, top, 100, 30);
  pushButtonTitleSetter(button, 0, name);
  ControlVisibleSetter(button, 0, 1);
  controlEnabledSetter(button, 0, 1);
  WindowAddControl(window, name, button);
  RuntimeUnlockObject(button);
  return button;
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 300, 200, QV_STR("Accessors"));
  *(uint8_t*)Field(window, WINDOW_RESIZEABLE) = 1;
}

static void OnCreateControls(QVObject* window) {
  AddButton(window, QV_STR("First"), 10);
  gSecond = AddButton(window, QV_STR("Second"), 50);
}

static void OnOpen(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Open"));
}

static void PrintFocus(QVObject* window) {
  QVObject* focus = WindowFocusGetter(window, 0);
  PrintWith(QV_STR("Focus "), focus ? *(QVString*)Field(focus, CONTROL_NAME) : QV_STR("Nil"));
  if (focus) RuntimeUnlockObject(focus);
}

static int32_t OnMouseDown(QVObject* window, int32_t x, int32_t y) {
  (void)x;
  (void)y;
  switch (gStep++) {
    case 0:
      windowTitleSetter(window, 0, QV_STR_ENCODED("Gr\xC3\xBC\xC3\x9F" "e \xE6\xA8\x99\xE9\xA1\x8C",
                                                  QV_ENCODING_UTF8));
      RuntimeConsolePrint(QV_STR("Title"));
      break;
    case 1:
      windowBackColorSetter(window, 0, 0xFF8000);
      windowHasBackColorSetter(window, 0, 1);
      RuntimeConsolePrint(QV_STR("BackColor"));
      break;
    case 2:
      windowBackColorSetter(window, 0, 0x0080FF);
      RuntimeConsolePrint(QV_STR("NewBackColor"));
      break;
    case 3:
      windowHasBackColorSetter(window, 0, 0);
      RuntimeConsolePrint(QV_STR("ThemeBack"));
      break;
    case 4:
      windowFullScreenSetter(window, 0, 1);
      RuntimeConsolePrint(QV_STR("FullScreen"));
      break;
    case 5:
      windowFullScreenSetter(window, 0, 0);
      RuntimeConsolePrint(QV_STR("Windowed"));
      break;
    case 6:
      WindowFocusSetter(window, 0, gSecond);
      RuntimeConsolePrint(QV_STR("FocusSet"));
      break;
    case 7:
    case 9:
      PrintFocus(window);
      break;
    case 8:
      WindowFocusSetter(window, 0, 0);
      RuntimeConsolePrint(QV_STR("FocusNil"));
      break;
    case 10:
      WindowMaximize(window);
      RuntimeConsolePrint(QV_STR("Maximize"));
      break;
    case 11:
      WindowRestore(window);
      RuntimeConsolePrint(QV_STR("Restore"));
      break;
    default:
      RuntimeConsolePrint(QV_STR("Minimize"));
      WindowMinimize(window);
      break;
  }
  return 1;
}

static void OnActivate(QVObject* window) { RuntimeConsolePrint(QV_STR("Window.Activate")); }

static void OnDeactivate(QVObject* window) { RuntimeConsolePrint(QV_STR("Window.Deactivate")); }

static void OnMinimize(QVObject* window) {
  RuntimeConsolePrint(QV_STR("Minimized"));
  RuntimeCloseWindow(window);
}

QV_ENTRY {
  QVStartApplication();

  gButtonClass = QVSubclass(QV_STR("PushButton"), QV_STR("AccessButton"));
  QVSetHandler(gButtonClass, "Action", (void*)OnAction);
  QVSetHandler(gButtonClass, "GotFocus", (void*)OnGotFocus);
  QVSetHandler(gButtonClass, "LostFocus", (void*)OnLostFocus);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("AccessWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVSetHandler(windowClass, "MouseDown", (void*)OnMouseDown);
  QVSetHandler(windowClass, "Minimize", (void*)OnMinimize);
  QVSetHandler(windowClass, "Activate", (void*)OnActivate);
  QVSetHandler(windowClass, "Deactivate", (void*)OnDeactivate);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
