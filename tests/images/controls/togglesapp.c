/* The check-box and radio-button application of the control tests: a window "Options" with a
 * check box "&Wrap" and three radio buttons "&Small", "&Medium" (checked from the start) and
 * "&Large", made as compiled code makes them. Every Action handler prints its control's name
 * and the four Values:
 *   Wrap.Action Wrap=True Small=False Medium=True Large=False
 * Small's first Action then clears Small from code (printed as "Cleared ...", with no Action)
 * and checks Large from code (Large's Action runs). The fourth Wrap.Action closes the window
 * and quits.
 * The window is 260 x 170; Wrap lies at (20, 20) to (160, 45), the radio buttons below it,
 * 30 pixels apart, Large at (20, 110) to (160, 135). */
#include "qvapp.h"

void RuntimeCloseWindow(QVObject* window);
void checkBoxTitleSetter(QVObject* box, uint32_t parameter, QVString caption);
int32_t checkBoxValueGetter(QVObject* box, uint32_t parameter);
void radioTitleSetter(QVObject* radio, uint32_t parameter, QVString caption);
int32_t radioValueGetter(QVObject* radio, uint32_t parameter);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void radioValueSetter(QVObject* radio, uint32_t parameter, int32_t value);

static QVClass* gCheckBoxClass;
static QVClass* gRadioClass;
static QVObject* gWindow;
static QVObject* gWrap;
static QVObject* gSmall;
static QVObject* gMedium;
static QVObject* gLarge;
static int gWrapActions;
static int gSmallActions;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static QVString AppendValue(QVString line, QVString label, int32_t value) {
  line = QVAppend(line, label);
  return QVAppend(line, value ? QV_STR("True") : QV_STR("False"));
}

static void PrintValues(QVString head) {
  QVString line = RuntimeAddString(head, QV_STR(" Wrap="));
  line = QVAppend(line, checkBoxValueGetter(gWrap, 0) ? QV_STR("True") : QV_STR("False"));
  line = AppendValue(line, QV_STR(" Small="), radioValueGetter(gSmall, 0));
  line = AppendValue(line, QV_STR(" Medium="), radioValueGetter(gMedium, 0));
  line = AppendValue(line, QV_STR(" Large="), radioValueGetter(gLarge, 0));
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

static void PrintAction(QVObject* control) {
  QVString name = *(QVString*)Field(control, CONTROL_NAME);
  QVString head = RuntimeAddString(name, QV_STR(".Action"));
  PrintValues(head);
  RuntimeUnlockString(head);
}

static void OnWrapAction(QVObject* box) {
  PrintAction(box);
  if (++gWrapActions == 4) {
    RuntimeCloseWindow(gWindow);
    QV_ApplicationQuit(0);
  }
}

static void OnRadioAction(QVObject* radio) {
  PrintAction(radio);
  if (radio != gSmall || ++gSmallActions != 1) return;
  radioValueSetter(gSmall, 0, 0);
  PrintValues(QV_STR("Cleared"));
  radioValueSetter(gLarge, 0, 1);
}

/* Captions and values are set before the window makes the panes, as compiled window code
 * sets design-time properties. */
static QVObject* Add(QVClass* cls, QVString name, QVString caption, int32_t top, int32_t value) {
  QVObject* control = RuntimeNewObject(cls);
  RuntimeControlMove(control, 20, top, 140, 25);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
  if (cls == gCheckBoxClass) {
    checkBoxTitleSetter(control, 0, caption);
  } else {
    radioTitleSetter(control, 0, caption);
    radioValueSetter(control, 0, value);
  }
  WindowAddControl(gWindow, name, control);
  RuntimeUnlockObject(control);  /* the window holds it */
  return control;
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 260, 170, QV_STR("Options"));
}

static void OnCreateControls(QVObject* window) {
  gWindow = window;
  gWrap = Add(gCheckBoxClass, QV_STR("Wrap"), QV_STR("&Wrap"), 20, 0);
  gSmall = Add(gRadioClass, QV_STR("Small"), QV_STR("&Small"), 50, 0);
  gMedium = Add(gRadioClass, QV_STR("Medium"), QV_STR("&Medium"), 80, 1);
  gLarge = Add(gRadioClass, QV_STR("Large"), QV_STR("&Large"), 110, 0);
}

QV_ENTRY {
  QVStartApplication();

  gCheckBoxClass = QVSubclass(QV_STR("CheckBox"), QV_STR("AppCheckBox"));
  QVSetHandler(gCheckBoxClass, "Action", (void*)OnWrapAction);
  gRadioClass = QVSubclass(QV_STR("RadioButton"), QV_STR("AppRadio"));
  QVSetHandler(gRadioClass, "Action", (void*)OnRadioAction);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("OptionsWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
