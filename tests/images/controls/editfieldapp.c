/* The edit-field application of the control tests: a window "Entry" with a label "&Phone:"
 * and an EditField "Phone" whose Open handler sets the Mask "(###)-###", made as compiled code
 * makes them. The handlers print:
 *   KeyDown <key>            for every key; True (swallowed) for "x"
 *   TextChange <Text>
 *   ValidationError <InvalidText> <StartPosition>
 * and on Return KeyDown prints "Return <Text> <SelStart>", closes the window and quits.
 * The window is 300 x 100; the label lies at (20, 20) to (90, 45), the field at (100, 20) to
 * (280, 45). */
#include "qvapp.h"

void RuntimeCloseWindow(QVObject* window);
void staticCaptionSetter(QVObject* label, uint32_t parameter, QVString caption);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void editBorderSetter(QVObject* field, uint32_t parameter, int32_t on);
void EditMaskSetter(QVObject* field, uint32_t parameter, QVString mask);
QVString editTextGetter(QVObject* field, uint32_t parameter);
int32_t editSelStartGetter(QVObject* field, uint32_t parameter);
QVString StringStrInt32(int32_t value);
int32_t RuntimeStringCompare(QVString a, QVString b);

static QVClass* gFieldClass;
static QVClass* gLabelClass;
static QVObject* gWindow;

static int32_t OnKeyDown(QVObject* field, QVString key) {
  if (RuntimeStringCompare(key, QV_STR("\r")) == 0) {
    QVString line = RuntimeAddString(QV_STR("Return "), QV_STR(""));
    line = QVAppendOwned(line, editTextGetter(field, 0));
    line = QVAppend(line, QV_STR(" "));
    line = QVAppendOwned(line, StringStrInt32(editSelStartGetter(field, 0)));
    QVSayLine(line);
    RuntimeCloseWindow(gWindow);
    QV_ApplicationQuit(0);
    return 1;
  }
  QVSayLine(RuntimeAddString(QV_STR("KeyDown "), key));
  return RuntimeStringCompare(key, QV_STR("x")) == 0;
}

static void OnTextChange(QVObject* field) {
  QVString line = RuntimeAddString(QV_STR("TextChange "), QV_STR(""));
  QVSayLine(QVAppendOwned(line, editTextGetter(field, 0)));
}

static void OnValidationError(QVObject* field, QVString invalid, int32_t start) {
  QVString line = RuntimeAddString(QV_STR("ValidationError "), invalid);
  line = QVAppend(line, QV_STR(" "));
  QVSayLine(QVAppendOwned(line, StringStrInt32(start)));
  (void)field;
}

static void OnFieldOpen(QVObject* field) { EditMaskSetter(field, 0, QV_STR("(###)-###")); }

static QVObject* Add(QVClass* cls, QVString name, int32_t left, int32_t width) {
  QVObject* control = RuntimeNewObject(cls);
  RuntimeControlMove(control, left, 20, width, 25);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
  if (cls == gLabelClass) {
    staticCaptionSetter(control, 0, QV_STR("&Phone:"));
  } else {
    editBorderSetter(control, 0, 1);
  }
  WindowAddControl(gWindow, name, control);
  RuntimeUnlockObject(control); /* the window holds it */
  return control;
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 300, 100, QV_STR("Entry"));
}

static void OnCreateControls(QVObject* window) {
  gWindow = window;
  Add(gLabelClass, QV_STR("PhoneLabel"), 20, 70);
  Add(gFieldClass, QV_STR("Phone"), 100, 180);
}

QV_ENTRY {
  QVStartApplication();

  gLabelClass = QVSubclass(QV_STR("StaticText"), QV_STR("AppLabel"));
  gFieldClass = QVSubclass(QV_STR("EditField"), QV_STR("AppField"));
  QVSetHandler(gFieldClass, "KeyDown", (void*)OnKeyDown);
  QVSetHandler(gFieldClass, "TextChange", (void*)OnTextChange);
  QVSetHandler(gFieldClass, "ValidationError", (void*)OnValidationError);
  QVSetHandler(gFieldClass, "Open", (void*)OnFieldOpen);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("EntryWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
}
