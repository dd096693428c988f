/* The sample application: a window of push buttons, made as a compiled program makes its
 * window, whose Action handlers run inside the framework.
 *   Hello   shows a message box and says how it was answered
 *   OK      the default button (Return presses it): says goodbye and closes the window, which
 *           ends the program
 *   Cancel  the cancel button (Escape presses it): asks in a message box whether to quit
 * Every handler also says on standard output what it did. */
#include "qvapp.h"

QVString StringStrDouble(double value);
int32_t VB_RuntimeMsgBox(QVString message, int32_t style, QVString title);
void RuntimeCloseWindow(QVObject* window);
QVObject* controlWindowGetter(QVObject* control, uint32_t parameter);
void pushButtonTitleSetter(QVObject* button, uint32_t parameter, QVString caption);
void pushButtonDefaultSetter(QVObject* button, uint32_t parameter, int32_t on);
void pushButtonCancelSetter(QVObject* button, uint32_t parameter, int32_t on);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);

/* Fields of the Window record. */

#define MSGBOX_OK 0
#define MSGBOX_YES_NO 4
#define MSGBOX_SECOND_DEFAULT 256
#define ANSWER_YES 6

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static void SayWithNumber(QVString before, double number, QVString after) {
  QVString digits = StringStrDouble(number);
  QVString head = RuntimeAddString(before, digits);
  QVString line = RuntimeAddString(head, after);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  RuntimeUnlockString(head);
  RuntimeUnlockString(digits);
}

static void HelloAction(QVObject* button) {
  (void)button;
  int32_t answer = VB_RuntimeMsgBox(QV_STR("Hello from a compiled Action handler!"), MSGBOX_OK,
                                    QV_STR("Sample message"));
  SayWithNumber(QV_STR("Hello pressed; the message box answered "), answer, QV_STR(" (OK)"));
}

static void OKAction(QVObject* button) {
  RuntimeConsolePrint(QV_STR("OK pressed: goodbye"));
  QVObject* window = controlWindowGetter(button, 0);
  RuntimeCloseWindow(window); /* the last window: the program ends */
  RuntimeUnlockObject(window);
}

static void CancelAction(QVObject* button) {
  int32_t answer = VB_RuntimeMsgBox(QV_STR("Quit the sample?"),
                                    MSGBOX_YES_NO + MSGBOX_SECOND_DEFAULT,
                                    QV_STR("Sample message"));
  if (answer != ANSWER_YES) {
    RuntimeConsolePrint(QV_STR("Cancel pressed: staying"));
    return;
  }
  RuntimeConsolePrint(QV_STR("Cancel pressed: quitting"));
  QVObject* window = controlWindowGetter(button, 0);
  RuntimeCloseWindow(window);
  RuntimeUnlockObject(window);
}

static void AddButton(QVObject* window, QVString name, QVString caption, void* action,
                      int32_t left, int32_t top) {
  QVClass* cls = QVSubclass(QV_STR("PushButton"), name);
  QVSetHandler(cls, "Action", action);
  QVObject* button = RuntimeNewObject(cls);
  RuntimeControlMove(button, left, top, 120, 32);
  pushButtonTitleSetter(button, 0, caption);
  ControlVisibleSetter(button, 0, 1);
  controlEnabledSetter(button, 0, 1);
  pushButtonDefaultSetter(button, 0, QVStringIs(name, "OKButton"));
  pushButtonCancelSetter(button, 0, QVStringIs(name, "CancelButton"));
  WindowAddControl(window, name, button);
  RuntimeUnlockObject(button);
}

static void OnLayout(QVObject* window) {
  int16_t* bounds = (int16_t*)Field(window, WINDOW_BOUNDS); /* top, left, bottom, right */
  bounds[0] = 0;
  bounds[1] = 0;
  bounds[2] = 130;
  bounds[3] = 300;
  *(QVString*)Field(window, WINDOW_TITLE) = QV_STR("qvruntime sample");
  *(uint8_t*)Field(window, WINDOW_VISIBLE) = 1;
}

static void OnCreateControls(QVObject* window) {
  AddButton(window, QV_STR("HelloButton"), QV_STR("Say &Hello"), (void*)HelloAction, 90, 20);
  AddButton(window, QV_STR("OKButton"), QV_STR("OK"), (void*)OKAction, 20, 80);
  AddButton(window, QV_STR("CancelButton"), QV_STR("Cancel"), (void*)CancelAction, 160, 80);
}

static void OnOpen(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("The sample window is open."));
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVObject* app = RuntimeNewObject(RuntimeLookupClass(QV_STR("Application")));
  RuntimeRegisterAppObject(app);
  RuntimeUnlockObject(app);

  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("SampleWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("The window is closed; the framework ends the program."));
}
