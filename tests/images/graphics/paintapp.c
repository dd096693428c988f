/* The drawing application of the Graphics milestone test: a Window subclass whose Paint handler
 * draws with every drawing method of the Graphics class and draws an Object2D group, then prints
 * two Pixel values and its size ("Pixel RRGGBB RRGGBB size W H", hexadecimal). A MouseDown changes
 * the pen to 3 pixels and the colour from red to blue (the next Paint shows it). A mark of 10 x 10
 * sits 15 pixels in from the bottom right corner, wherever the window's size puts it; the top
 * right corner is cleared to the window's background. tests/windows/PaintImageTest.cpp draws the
 * same scene with raw GDK and Pango. */
#include "qvapp.h"

void* CreateArray(int32_t dimensions, int32_t type, int32_t upperBound);
void ArraySetElement(void* array, int32_t index, uint32_t value);
void RuntimeUnlockArray(void* array);

void graphicsForeColorSetter(QVObject* g, uint32_t unused, uint32_t color);
int32_t graphicsWidthGetter(QVObject* g, uint32_t unused);
int32_t graphicsHeightGetter(QVObject* g, uint32_t unused);
void graphicsTextFontSetter(QVObject* g, uint32_t unused, QVString font);
void graphicsTextSizeSetter(QVObject* g, uint32_t unused, int32_t size);
void graphicsBoldSetter(QVObject* g, uint32_t unused, int32_t bold);
void graphicsPenWidthSetter(QVObject* g, uint32_t unused, int32_t width);
void graphicsPenHeightSetter(QVObject* g, uint32_t unused, int32_t height);
void RuntimeGraphicsClearRect(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsDrawRect(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsFillRect(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsDrawOval(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsFillOval(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsDrawRoundRect(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h,
                                  int32_t arcWidth, int32_t arcHeight);
void RuntimeGraphicsFillRoundRect(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h,
                                  int32_t arcWidth, int32_t arcHeight);
void RuntimeGraphicsDrawFocusRing(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsDrawLine(QVObject* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void RuntimeGraphicsDrawStringCondensed(QVObject* g, QVString text, int32_t x, int32_t y,
                                        int32_t width, int32_t condense);
void RuntimeGraphicsDrawObjectXY(QVObject* g, QVObject* shape, int32_t dx, int32_t dy);
void graphicsDrawPolygon(QVObject* g, void* points);
void graphicsFillPolygon(QVObject* g, void* points);
void graphicsDrawCautionIcon(QVObject* g, int32_t x, int32_t y);
uint32_t graphicsPixelGetter(QVObject* g, int32_t x, int32_t y);
void graphicsPixelSetter(QVObject* g, int32_t x, int32_t y, uint32_t color);
void Object2DDoubleSetter(QVObject* shape, uint32_t offset, double value);
void doublePercentSetter(QVObject* shape, uint32_t offset, double value);
void Group2DAppend(QVObject* group, QVObject* item);

/* Fields of the Window record and of Object2D shapes. */
#define SHAPE_FILL_COLOR 32
#define SHAPE_BORDER_COLOR 36
#define SHAPE_X 44
#define SHAPE_Y 52
#define SHAPE_ROTATION 60
#define SHAPE_BORDER 84
#define SHAPE_BORDER_WIDTH 92
#define RECT_WIDTH 100
#define RECT_HEIGHT 108

static uint32_t gColor = 0xFF0000;
static int32_t gPen = 1;
static QVObject* gGroup;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

/* An Integer array of three points from element 1. */
static void* Triangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
  void* points = CreateArray(1, 0, 6);
  const int32_t values[6] = {x1, y1, x2, y2, x3, y3};
  for (int32_t i = 0; i < 6; ++i) ArraySetElement(points, i + 1, (uint32_t)values[i]);
  return points;
}

static QVObject* NewShape(QVString className, double x, double y, double width, double height) {
  QVObject* shape = RuntimeNewObject(RuntimeLookupClass(className));
  *(double*)Field(shape, SHAPE_X) = x;
  *(double*)Field(shape, SHAPE_Y) = y;
  *(double*)Field(shape, RECT_WIDTH) = width;
  *(double*)Field(shape, RECT_HEIGHT) = height;
  return shape;
}

static void MakeGroup(void) {
  gGroup = RuntimeNewObject(RuntimeLookupClass(QV_STR("Group2D")));
  QVObject* rect = NewShape(QV_STR("RectShape"), 150, 120, 30, 16);
  Object2DDoubleSetter(rect, SHAPE_ROTATION, 0.3);
  doublePercentSetter(rect, SHAPE_BORDER, 100);
  *(double*)Field(rect, SHAPE_BORDER_WIDTH) = 2;
  *(uint32_t*)Field(rect, SHAPE_FILL_COLOR) = 0xFFCC00;
  *(uint32_t*)Field(rect, SHAPE_BORDER_COLOR) = 0x008000;
  QVObject* oval = NewShape(QV_STR("OvalShape"), 200, 120, 20, 20);
  *(uint32_t*)Field(oval, SHAPE_FILL_COLOR) = 0x00CCCC;
  Group2DAppend(gGroup, rect);
  Group2DAppend(gGroup, oval);
  RuntimeUnlockObject(rect);
  RuntimeUnlockObject(oval);
}

/* Appends text to *line, which it replaces; text is released when release is set. */
static void Append(QVString* line, QVString text, int release) {
  QVString longer = RuntimeAddString(*line, text);
  RuntimeUnlockString(*line);
  if (release) RuntimeUnlockString(text);
  *line = longer;
}

/* "Pixel" and two pixels, then the size, in hexadecimal. */
static void PrintPixels(QVObject* g, int32_t width, int32_t height) {
  QVString line = RuntimeAddString(QV_STR("Pixel "), QV_STR(""));
  Append(&line, RuntimeHex(graphicsPixelGetter(g, 3, 150)), 1);
  Append(&line, QV_STR(" "), 0);
  Append(&line, RuntimeHex(graphicsPixelGetter(g, 31, 6)), 1);
  Append(&line, QV_STR(" size "), 0);
  Append(&line, RuntimeHex((uint32_t)width), 1);
  Append(&line, QV_STR(" "), 0);
  Append(&line, RuntimeHex((uint32_t)height), 1);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

static void OnPaint(QVObject* window, QVObject* g) {
  (void)window;
  const int32_t width = graphicsWidthGetter(g, 0);
  const int32_t height = graphicsHeightGetter(g, 0);
  graphicsForeColorSetter(g, 0, 0xFFFFFF);
  RuntimeGraphicsFillRect(g, 0, 0, width, height);
  RuntimeGraphicsClearRect(g, 220, 0, 20, 20); /* the window's own background */
  graphicsForeColorSetter(g, 0, gColor);
  graphicsPenWidthSetter(g, 0, gPen);
  graphicsPenHeightSetter(g, 0, gPen);
  RuntimeGraphicsDrawRect(g, 5, 5, 20, 12);
  RuntimeGraphicsFillRect(g, 30, 5, 20, 12);
  RuntimeGraphicsDrawOval(g, 55, 5, 20, 12);
  RuntimeGraphicsFillOval(g, 80, 5, 20, 12);
  RuntimeGraphicsDrawRoundRect(g, 105, 5, 20, 12, 6, 6);
  RuntimeGraphicsFillRoundRect(g, 130, 5, 20, 12, 6, 6);
  RuntimeGraphicsDrawFocusRing(g, 155, 5, 20, 12);
  RuntimeGraphicsDrawLine(g, 5, 25, 60, 40);
  RuntimeGraphicsDrawLine(g, 70, 25, 70, 45);
  void* filled = Triangle(80, 25, 100, 25, 90, 45);
  void* framed = Triangle(105, 25, 125, 25, 115, 45);
  graphicsFillPolygon(g, filled);
  graphicsDrawPolygon(g, framed);
  RuntimeUnlockArray(filled);
  RuntimeUnlockArray(framed);
  graphicsPenWidthSetter(g, 0, 1);
  graphicsPenHeightSetter(g, 0, 1);
  graphicsTextFontSetter(g, 0, QV_STR("DejaVu Sans"));
  graphicsTextSizeSetter(g, 0, 12);
  RuntimeGraphicsDrawStringCondensed(g, QV_STR("Hello"), 5, 62, 0, 0);
  graphicsBoldSetter(g, 0, 1);
  RuntimeGraphicsDrawStringCondensed(g, QV_STR("Bold"), 60, 62, 0, 0);
  graphicsBoldSetter(g, 0, 0);
  RuntimeGraphicsDrawStringCondensed(g, QV_STR("Wrapped words here"), 5, 80, 60, 0);
  RuntimeGraphicsDrawStringCondensed(g, QV_STR("A long condensed line"), 100, 80, 60, 1);
  graphicsDrawCautionIcon(g, 190, 25);
  RuntimeGraphicsDrawObjectXY(g, gGroup, 0, 0);
  graphicsPixelSetter(g, 3, 150, gColor);
  RuntimeGraphicsFillRect(g, width - 15, height - 15, 10, 10);
  PrintPixels(g, width, height);
}

static int32_t OnMouseDown(QVObject* window, int32_t x, int32_t y) {
  (void)window;
  (void)x;
  (void)y;
  gColor = 0x0000FF;
  gPen = 3;
  RuntimeConsolePrint(QV_STR("MouseDown"));
  return 1;
}

static void OnLayout(QVObject* window) {
  int16_t* bounds = (int16_t*)Field(window, WINDOW_BOUNDS);
  bounds[0] = 0;   /* top */
  bounds[1] = 0;   /* left */
  bounds[2] = 160; /* bottom */
  bounds[3] = 240; /* right */
  *(QVString*)Field(window, WINDOW_TITLE) = QV_STR("Paint App");
  *(uint8_t*)Field(window, WINDOW_VISIBLE) = 1;
  *(uint8_t*)Field(window, WINDOW_RESIZEABLE) = 1;
}

QV_ENTRY {
  QVStartApplication();
  MakeGroup();
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("PaintWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "Paint", (void*)OnPaint);
  QVSetHandler(windowClass, "MouseDown", (void*)OnMouseDown);
  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeUnlockObject(gGroup);
}
