/* The push-button application of the control tests: a window of push buttons made as compiled
 * code makes them, each button's Action handler saying "<Name>.Action" on standard output.
 *   Hello     pressing it quits the program
 *   Disabled  a default button that is disabled; Return must pass it over
 *   Hidden    a cancel button that is hidden; Escape must pass it over
 *   OK        the default button
 *   Cancel    the cancel button
 * The window is "Buttons", 260 x 150; Hello lies at (20, 20) to (120, 50). */
#include "qvapp.h"

void pushButtonTitleSetter(QVObject* button, uint32_t parameter, QVString caption);
void pushButtonDefaultSetter(QVObject* button, uint32_t parameter, int32_t on);
void pushButtonCancelSetter(QVObject* button, uint32_t parameter, int32_t on);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);

enum { kPlain = 0, kDefault = 1, kCancel = 2, kDisabled = 4, kHidden = 8 };

static QVClass* gButtonClass;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static void OnAction(QVObject* button) {
  QVString name = *(QVString*)Field(button, CONTROL_NAME);
  QVString line = RuntimeAddString(name, QV_STR(".Action"));
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  if (QVStringIs(name, "Hello")) QV_ApplicationQuit(0);
}

static void AddButton(QVObject* window, QVString name, int32_t left, int32_t top, int flags) {
  QVObject* button = RuntimeNewObject(gButtonClass);
  RuntimeControlMove(button, left, top, 100, 30);
  pushButtonTitleSetter(button, 0, name);
  ControlVisibleSetter(button, 0, (flags & kHidden) == 0);
  controlEnabledSetter(button, 0, (flags & kDisabled) == 0);
  pushButtonDefaultSetter(button, 0, (flags & kDefault) != 0);
  pushButtonCancelSetter(button, 0, (flags & kCancel) != 0);
  WindowAddControl(window, name, button);
  RuntimeUnlockObject(button);
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 260, 150, QV_STR("Buttons"));
}

static void OnCreateControls(QVObject* window) {
  AddButton(window, QV_STR("Hello"), 20, 20, kPlain);
  AddButton(window, QV_STR("Disabled"), 20, 60, kDefault | kDisabled);
  AddButton(window, QV_STR("Hidden"), 20, 100, kCancel | kHidden);
  AddButton(window, QV_STR("OK"), 140, 60, kDefault);
  AddButton(window, QV_STR("Cancel"), 140, 100, kCancel);
}

static void OnActivate(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Activate"));
}

QV_ENTRY {
  QVStartApplication();

  gButtonClass = QVSubclass(QV_STR("PushButton"), QV_STR("AppButton"));
  QVSetHandler(gButtonClass, "Action", (void*)OnAction);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("ButtonWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Activate", (void*)OnActivate);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
