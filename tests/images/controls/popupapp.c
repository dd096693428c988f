/* The popup application of the control tests: a window "Popups" (300 x 200) with
 *   Popup  a PopupMenu at (20, 20) to (170, 44), rows from its InitialValue;
 *   Combo  a ComboBox at (20, 70) to (170, 96), rows added by its Open handler;
 *   Done   a push button at (200, 150) to (280, 180): adds 10,000 rows to each list, prints
 *          ListCount, compares every List(i) with the text it added, and quits.
 * Change prints "<Name>.Change <ListIndex> <Text>", TextChanged "Combo.TextChanged <Text>",
 * KeyDown "Combo.KeyDown <code of the key's first byte>". */
#include "qvapp.h"

int32_t RuntimeStringCompare(QVString a, QVString b);
QVString StringStrInt32(int32_t value);
void pushButtonTitleSetter(QVObject* button, uint32_t parameter, QVString caption);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void stringSetter(QVObject* object, uint32_t offset, QVString value);
int32_t RuntimeComboBoxSelectionGetter(QVObject* popup, uint32_t parameter);
void RuntimeComboBoxSelectionSetter(QVObject* popup, uint32_t parameter, int32_t index);
QVString RuntimeComboBoxTextGetter(QVObject* popup, uint32_t parameter);
int32_t RuntimeComboBoxCountGetter(QVObject* popup, uint32_t parameter);
void RuntimeComboBoxAddRow(QVObject* popup, QVString text);
QVString RuntimeComboBoxGetRow(QVObject* popup, int32_t index);

#define POPUP_INITIAL_VALUE 144
#define POPUP_STORED_LIST_INDEX 156

static QVClass* gPopupClass;
static QVClass* gComboClass;
static QVClass* gButtonClass;
static QVObject* gPopup;
static QVObject* gCombo;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

/* Prints a, " ", b and takes both references. */
static void Say(QVString a, QVString b) {
  QVString spaced = RuntimeAddString(a, QV_STR(" "));
  QVString line = RuntimeAddString(spaced, b);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  RuntimeUnlockString(spaced);
  RuntimeUnlockString(b);
  RuntimeUnlockString(a);
}

static void OnChange(QVObject* control) {
  QVString name = *(QVString*)Field(control, CONTROL_NAME);
  QVString event = RuntimeAddString(name, QV_STR(".Change"));
  QVString index = StringStrInt32(RuntimeComboBoxSelectionGetter(control, 0));
  QVString text = RuntimeComboBoxTextGetter(control, 0);
  QVString spaced = RuntimeAddString(index, QV_STR(" "));
  Say(event, RuntimeAddString(spaced, text));
  RuntimeUnlockString(spaced);
  RuntimeUnlockString(text);
  RuntimeUnlockString(index);
}

static void OnTextChanged(QVObject* combo) {
  Say(RuntimeAddString(QV_STR("Combo.TextChanged"), QV_STR("")),
      RuntimeComboBoxTextGetter(combo, 0));
}

static int32_t OnKeyDown(QVObject* combo, QVString key) {
  (void)combo;
  Say(RuntimeAddString(QV_STR("Combo.KeyDown"), QV_STR("")),
      StringStrInt32(key && key->length ? key->data[1] : 0));
  return 0;
}

static void OnComboOpen(QVObject* combo) {
  RuntimeComboBoxAddRow(combo, QV_STR("Apple"));
  RuntimeComboBoxAddRow(combo, QV_STR("Pear"));
  RuntimeComboBoxAddRow(combo, QV_STR("Plum"));
  RuntimeComboBoxAddRow(combo, QV_STR("Fig"));
  RuntimeComboBoxAddRow(combo, QV_STR("Lime"));
}

/* Adds "Row <i>" for i = 0 .. 9,999 and reads every row back. */
static void FillAndCheck(QVObject* popup, QVString name) {
  const int32_t first = RuntimeComboBoxCountGetter(popup, 0);
  for (int32_t i = 0; i < 10000; ++i) {
    QVString number = StringStrInt32(i);
    QVString text = RuntimeAddString(QV_STR("Row "), number);
    RuntimeComboBoxAddRow(popup, text);
    RuntimeUnlockString(text);
    RuntimeUnlockString(number);
  }
  Say(RuntimeAddString(name, QV_STR(".ListCount")),
      StringStrInt32(RuntimeComboBoxCountGetter(popup, 0)));
  int32_t differing = 0;
  for (int32_t i = 0; i < 10000; ++i) {
    QVString number = StringStrInt32(i);
    QVString text = RuntimeAddString(QV_STR("Row "), number);
    QVString row = RuntimeComboBoxGetRow(popup, first + i);
    if (RuntimeStringCompare(row, text) != 0) ++differing;
    RuntimeUnlockString(row);
    RuntimeUnlockString(text);
    RuntimeUnlockString(number);
  }
  Say(RuntimeAddString(name, QV_STR(".Differing")), StringStrInt32(differing));
}

static void OnDone(QVObject* button) {
  (void)button;
  FillAndCheck(gPopup, QV_STR("Popup"));
  FillAndCheck(gCombo, QV_STR("Combo"));
  QV_ApplicationQuit(0);
}

/* Moved, shown and enabled, as the compiler's set-up code leaves a control. */
static void Place(QVObject* control, int32_t left, int32_t top, int32_t width, int32_t height) {
  RuntimeControlMove(control, left, top, width, height);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 300, 200, QV_STR("Popups"));
}

static void OnCreateControls(QVObject* window) {
  gPopup = RuntimeNewObject(gPopupClass);
  Place(gPopup, 20, 20, 150, 24);
  stringSetter(gPopup, POPUP_INITIAL_VALUE, QV_STR("Apple\rPear\rPlum\rFig\rLime"));
  *(int32_t*)Field(gPopup, POPUP_STORED_LIST_INDEX) = -1;
  WindowAddControl(window, QV_STR("Popup"), gPopup);
  gCombo = RuntimeNewObject(gComboClass);
  Place(gCombo, 20, 70, 150, 26);
  *(int32_t*)Field(gCombo, POPUP_STORED_LIST_INDEX) = -1;
  WindowAddControl(window, QV_STR("Combo"), gCombo);
  QVObject* done = RuntimeNewObject(gButtonClass);
  Place(done, 200, 150, 80, 30);
  pushButtonTitleSetter(done, 0, QV_STR("Done"));
  WindowAddControl(window, QV_STR("Done"), done);
  RuntimeUnlockObject(done);
}

QV_ENTRY {
  QVStartApplication();

  gPopupClass = QVSubclass(QV_STR("PopupMenu"), QV_STR("AppPopup"));
  QVSetHandler(gPopupClass, "Change", (void*)OnChange);
  gComboClass = QVSubclass(QV_STR("ComboBox"), QV_STR("AppCombo"));
  QVSetHandler(gComboClass, "Change", (void*)OnChange);
  QVSetHandler(gComboClass, "TextChanged", (void*)OnTextChanged);
  QVSetHandler(gComboClass, "KeyDown", (void*)OnKeyDown);
  QVSetHandler(gComboClass, "Open", (void*)OnComboOpen);
  gButtonClass = QVSubclass(QV_STR("PushButton"), QV_STR("AppButton"));
  QVSetHandler(gButtonClass, "Action", (void*)OnDone);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("PopupWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Activate", (void*)QVSayFirstActivate);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
