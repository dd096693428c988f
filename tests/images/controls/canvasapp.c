/* The canvas and panel application of the control tests, made as compiled code makes its
 * window. Window "Canvas and panels", 400 x 300:
 *   Board   a canvas at (10, 10), 120 x 100, whose Paint fills (0, 0, 40, 30) red, frames
 *           (50, 0, 40, 30) blue, draws black lines (0, 40)-(100, 90) and (0, 90)-(100, 40)
 *           and the string "Hi" at (10, 70); its MouseDown answers True and says
 *           "MouseDown x y", its MouseDrag and MouseUp say "MouseDrag x y" and "MouseUp x y"
 *           (canvas coordinates), and MouseUp quits
 *   Tabs    a TabPanel at (150, 10), 230 x 150, tabs "One", "Two", "Three", whose Change says
 *           "Value n"; on page 1 a green Oval at (170, 60) 60 x 40, on page 2 a blue Rectangle
 *           at (250, 60) 60 x 40, on page 3 a ProgressBar at (170, 110) 150 x 20, half full
 *   Group   a GroupBox "Group" at (10, 170), 200 x 100, holding a black Line from (30, 200) to
 *           (190, 250)
 * "Ready" is said once the window is open. */
#include "qvapp.h"

QVString StringFromCString(const char* text);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void ControlTabPanelIndexSetter(QVObject* control, uint32_t parameter, int32_t index);
void stringSetter(QVObject* object, uint32_t offset, QVString value);
void intSetter(QVObject* object, uint32_t offset, int32_t value);
void linePosSetter(QVObject* line, uint32_t field, int32_t value);
int32_t tabPanelValueGetter(QVObject* control, uint32_t parameter);
void graphicsForeColorSetter(QVObject* g, uint32_t parameter, uint32_t colour);
void RuntimeGraphicsFillRect(QVObject* g, int32_t x, int32_t y, int32_t width, int32_t height);
void RuntimeGraphicsDrawRect(QVObject* g, int32_t x, int32_t y, int32_t width, int32_t height);
void RuntimeGraphicsDrawLine(QVObject* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void RuntimeGraphicsDrawString(QVObject* g, QVString text, int32_t x, int32_t y, int32_t width);

#define TABPANEL_DEFINITION 132
/* The design-time fields of the shapes, as the compiled window code sets them. */
#define SHAPE_FILL_COLOR 124
#define SHAPE_BORDER_COLOR 128
#define OVAL_BORDER_WIDTH 132
#define RECTANGLE_BOTTOM_RIGHT_COLOR 132
#define RECTANGLE_BORDER_WIDTH 136
#define PROGRESS_VALUE 124
#define PROGRESS_MAXIMUM 128
#define LINE_X1 124
#define LINE_X2 128
#define LINE_Y1 132
#define LINE_Y2 136
#define LINE_BORDER_WIDTH 140
#define GROUPBOX_CAPTION 136

static QVClass* gCanvasClass;
static QVClass* gTabsClass;

/* "text n m", said on standard output. */
static void Say(const char* text, int32_t n, int32_t m, int two) {
  char line[64];
  int length = 0;
  while (*text) line[length++] = *text++;
  int32_t values[2] = {n, m};
  for (int i = 0; i < (two ? 2 : 1); ++i) {
    char digits[12];
    int count = 0;
    uint32_t value = values[i] < 0 ? (uint32_t)-values[i] : (uint32_t)values[i];
    line[length++] = ' ';
    if (values[i] < 0) line[length++] = '-';
    do {
      digits[count++] = (char)('0' + value % 10);
      value /= 10;
    } while (value);
    while (count) line[length++] = digits[--count];
  }
  line[length] = 0;
  QVString said = StringFromCString(line);
  RuntimeConsolePrint(said);
  RuntimeUnlockString(said);
}

static void OnPaint(QVObject* canvas, QVObject* g) {
  (void)canvas;
  graphicsForeColorSetter(g, 0, 0xFF0000);
  RuntimeGraphicsFillRect(g, 0, 0, 40, 30);
  graphicsForeColorSetter(g, 0, 0x0000FF);
  RuntimeGraphicsDrawRect(g, 50, 0, 40, 30);
  graphicsForeColorSetter(g, 0, 0x000000);
  RuntimeGraphicsDrawLine(g, 0, 40, 100, 90);
  RuntimeGraphicsDrawLine(g, 0, 90, 100, 40);
  RuntimeGraphicsDrawString(g, QV_STR("Hi"), 10, 70, 0);
}

static int32_t OnMouseDown(QVObject* canvas, int32_t x, int32_t y) {
  (void)canvas;
  Say("MouseDown", x, y, 1);
  return 1;
}

static void OnMouseDrag(QVObject* canvas, int32_t x, int32_t y) {
  (void)canvas;
  Say("MouseDrag", x, y, 1);
}

static void OnMouseUp(QVObject* canvas, int32_t x, int32_t y) {
  (void)canvas;
  Say("MouseUp", x, y, 1);
  QV_ApplicationQuit(0);
}

static void OnChange(QVObject* tabs) { Say("Value", tabPanelValueGetter(tabs, 0), 0, 0); }

/* The control (held by the window's map alone once added). */
static QVObject* Add(QVObject* window, QVClass* cls, QVString name, int32_t left, int32_t top,
                     int32_t width, int32_t height, int32_t page) {
  QVObject* control = RuntimeNewObject(cls);
  RuntimeControlMove(control, left, top, width, height);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
  if (page) ControlTabPanelIndexSetter(control, 0, page);
  WindowAddControl(window, name, control);
  RuntimeUnlockObject(control);
  return control;
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 400, 300, QV_STR("Canvas and panels"));
}

static void OnCreateControls(QVObject* window) {
  Add(window, gCanvasClass, QV_STR("Board"), 10, 10, 120, 100, 0);
  QVObject* tabs = RuntimeNewObject(gTabsClass);
  RuntimeControlMove(tabs, 150, 10, 230, 150);
  ControlVisibleSetter(tabs, 0, 1);
  controlEnabledSetter(tabs, 0, 1);
  stringSetter(tabs, TABPANEL_DEFINITION, QV_STR("One\rTwo\rThree"));
  WindowAddControl(window, QV_STR("Tabs"), tabs);
  RuntimeUnlockObject(tabs);
  QVObject* oval = Add(window, RuntimeLookupClass(QV_STR("Oval")), QV_STR("Oval"), 170, 60, 60,
                       40, 1);
  intSetter(oval, SHAPE_FILL_COLOR, 0x00A000);
  intSetter(oval, SHAPE_BORDER_COLOR, 0x000000);
  *(int16_t*)((char*)oval + OVAL_BORDER_WIDTH) = 1;
  QVObject* box = Add(window, RuntimeLookupClass(QV_STR("Rectangle")), QV_STR("Box"), 250, 60,
                      60, 40, 2);
  intSetter(box, SHAPE_FILL_COLOR, 0x0000C0);
  intSetter(box, SHAPE_BORDER_COLOR, 0x000000);
  intSetter(box, RECTANGLE_BOTTOM_RIGHT_COLOR, 0x000000);
  *(int16_t*)((char*)box + RECTANGLE_BORDER_WIDTH) = 1;
  QVObject* progress = Add(window, RuntimeLookupClass(QV_STR("ProgressBar")),
                           QV_STR("Progress"), 170, 110, 150, 20, 3);
  intSetter(progress, PROGRESS_VALUE, 50);
  intSetter(progress, PROGRESS_MAXIMUM, 100);
  QVObject* group = Add(window, RuntimeLookupClass(QV_STR("GroupBox")), QV_STR("Group"), 10,
                        170, 200, 100, 0);
  stringSetter(group, GROUPBOX_CAPTION, QV_STR("Group"));
  QVObject* line = Add(window, RuntimeLookupClass(QV_STR("Line")), QV_STR("Stroke"), 30, 200,
                       160, 50, 0);
  linePosSetter(line, LINE_X1, 30);
  linePosSetter(line, LINE_Y1, 200);
  linePosSetter(line, LINE_X2, 190);
  linePosSetter(line, LINE_Y2, 250);
  *(int16_t*)((char*)line + LINE_BORDER_WIDTH) = 1;
}

static void OnOpen(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Ready"));
}

QV_ENTRY {
  QVStartApplication();

  gCanvasClass = QVSubclass(QV_STR("Canvas"), QV_STR("AppCanvas"));
  QVSetHandler(gCanvasClass, "Paint", (void*)OnPaint);
  QVSetHandler(gCanvasClass, "MouseDown", (void*)OnMouseDown);
  QVSetHandler(gCanvasClass, "MouseDrag", (void*)OnMouseDrag);
  QVSetHandler(gCanvasClass, "MouseUp", (void*)OnMouseUp);
  gTabsClass = QVSubclass(QV_STR("TabPanel"), QV_STR("AppTabs"));
  QVSetHandler(gTabsClass, "Change", (void*)OnChange);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("CanvasWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
}
