/* The scroll bar application of the control tests, made as compiled code makes its window.
 * Window "Scrollers", 300 x 200:
 *   H  a horizontal ScrollBar at (10, 10), 200 x 16: 0 to 100, LineStep 5, PageStep 20,
 *      LiveScroll; its ValueChanged says "H value" and, on 25, sets Value to 30 itself (which
 *      raises no second ValueChanged)
 *   V  a vertical ScrollBar at (250, 40), 16 x 150: 0 to 100, LineStep 7; says "V value"
 *   S  a Slider at (10, 40), 150 x 30: 0 to 10, LineStep 1; says "S value", and quits on 0;
 *      its GotFocus says "S focus"
 * On opening, an OLEObject's Invoke runs inside a Try whose handler says "OLEException:
 * message" and "Number n"; then "Ready" is said. */
#include "qvapp.h"

QVString StringFromCString(const char* text);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
int32_t scrollerPropGetter(QVObject* control, uint32_t parameter);
void scrollerPropSetter(QVObject* control, uint32_t parameter, int32_t value);
void ScrollerLiveScrollSetter(QVObject* control, uint32_t parameter, int32_t live);
void TryInvoke(QVObject* object, QVString name);

#define EXCEPTION_NUMBER 24
#define EXCEPTION_MESSAGE 28
#define MINIMUM 0
#define VALUE 1
#define MAXIMUM 2
#define LINE_STEP 3
#define PAGE_STEP 4

static QVClass* gHClass;
static QVClass* gVClass;
static QVClass* gSClass;

/* "text n", said on standard output. */
static void Say(const char* text, int32_t n) {
  char line[48];
  int length = 0;
  while (*text) line[length++] = *text++;
  line[length++] = ' ';
  uint32_t value = n < 0 ? (uint32_t)-n : (uint32_t)n;
  if (n < 0) line[length++] = '-';
  char digits[12];
  int count = 0;
  do {
    digits[count++] = (char)('0' + value % 10);
    value /= 10;
  } while (value);
  while (count) line[length++] = digits[--count];
  line[length] = 0;
  QVString said = StringFromCString(line);
  RuntimeConsolePrint(said);
  RuntimeUnlockString(said);
}

static void OnHChanged(QVObject* bar) {
  const int32_t value = scrollerPropGetter(bar, VALUE);
  Say("H", value);
  if (value == 25) scrollerPropSetter(bar, VALUE, 30);
}

static void OnVChanged(QVObject* bar) { Say("V", scrollerPropGetter(bar, VALUE)); }

static void OnSChanged(QVObject* slider) {
  const int32_t value = scrollerPropGetter(slider, VALUE);
  Say("S", value);
  if (value == 0) QV_ApplicationQuit(0);
}

static void OnSFocus(QVObject* slider) {
  (void)slider;
  RuntimeConsolePrint(QV_STR("S focus"));
}

void OnOLEException(QVObject* exception) {
  QVString message = *(QVString*)((char*)exception + EXCEPTION_MESSAGE);
  QVString line = RuntimeAddString(QV_STR("OLEException: "), message);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
  Say("Number", *(int32_t*)((char*)exception + EXCEPTION_NUMBER));
}

static QVObject* Add(QVObject* window, QVClass* cls, QVString name, int32_t left, int32_t top,
                     int32_t width, int32_t height, int32_t maximum, int32_t lineStep,
                     int32_t pageStep, int32_t live) {
  QVObject* control = RuntimeNewObject(cls);
  RuntimeControlMove(control, left, top, width, height);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
  scrollerPropSetter(control, MINIMUM, 0);
  scrollerPropSetter(control, MAXIMUM, maximum);
  scrollerPropSetter(control, LINE_STEP, lineStep);
  scrollerPropSetter(control, PAGE_STEP, pageStep);
  ScrollerLiveScrollSetter(control, 0, live);
  WindowAddControl(window, name, control);
  RuntimeUnlockObject(control);
  return control;
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 300, 200, QV_STR("Scrollers"));
}

static void OnCreateControls(QVObject* window) {
  Add(window, gHClass, QV_STR("H"), 10, 10, 200, 16, 100, 5, 20, 1);
  Add(window, gVClass, QV_STR("V"), 250, 40, 16, 150, 100, 7, 10, 0);
  Add(window, gSClass, QV_STR("S"), 10, 40, 150, 30, 10, 1, 2, 0);
}

static void OnOpen(QVObject* window) {
  (void)window;
  QVObject* automation = RuntimeNewObject(RuntimeLookupClass(QV_STR("OLEObject")));
  TryInvoke(automation, QV_STR("Quit"));
  RuntimeUnlockObject(automation);
  RuntimeConsolePrint(QV_STR("Ready"));
}

QV_ENTRY {
  QVStartApplication();

  gHClass = QVSubclass(QV_STR("ScrollBar"), QV_STR("HBar"));
  QVSetHandler(gHClass, "ValueChanged", (void*)OnHChanged);
  gVClass = QVSubclass(QV_STR("ScrollBar"), QV_STR("VBar"));
  QVSetHandler(gVClass, "ValueChanged", (void*)OnVChanged);
  gSClass = QVSubclass(QV_STR("Slider"), QV_STR("Knob"));
  QVSetHandler(gSClass, "ValueChanged", (void*)OnSChanged);
  QVSetHandler(gSClass, "GotFocus", (void*)OnSFocus);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("ScrollWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
}
