/* The picture application of the pictures-and-printing milestone test: it draws into a new
 * 60 x 40 Picture, sets pixels through its Graphics and its RGBSurface, flood-fills the framed
 * box, transforms the channels (red inverted, green kept, blue halved), draws once more, saves
 * the picture as "drawn.bmp" in the application's folder, opens that file again and prints what it
 * reads ("Size W H", then "Pixel X Y RRGGBB" for each probe, hexadecimal), then prints two
 * pages through OpenPrinter: the picture as read, then the picture scaled up, each with a frame
 * and a line of text ("Page W H" gives the printing Graphics' size). "No printer" when the print
 * library is absent, "Done" at the end. tests/printing/PictureMilestoneTest.cpp makes the same
 * drawing and checks the file, the values and the printed pages. */
#include "qvapp.h"

QVObject* RuntimeGetFolderItem(QVString path, int32_t kind);
QVObject* FolderChild(QVObject* item, QVString name);
void* CreateArray(int32_t dimensions, int32_t type, int32_t upperBound);
void ArraySetElement(void* array, int32_t index, uint32_t value);
void RuntimeUnlockArray(void* array);
void graphicsForeColorSetter(QVObject* g, uint32_t unused, uint32_t color);
int32_t graphicsWidthGetter(QVObject* g, uint32_t unused);
int32_t graphicsHeightGetter(QVObject* g, uint32_t unused);
void graphicsPixelSetter(QVObject* g, int32_t x, int32_t y, uint32_t color);
void RuntimeGraphicsFillRect(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsDrawRect(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsFillOval(QVObject* g, int32_t x, int32_t y, int32_t w, int32_t h);
void RuntimeGraphicsDrawLine(QVObject* g, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
void RuntimeGraphicsDrawString(QVObject* g, QVString text, int32_t x, int32_t y, int32_t width);

/* The points whose colours the image prints; the test names the same. */
static const int32_t kProbes[][2] = {{0, 0},  {5, 5},  {10, 10}, {40, 15}, {2, 35},
                                     {3, 36}, {45, 32}, {59, 39}, {30, 30}};

/* Appends text to *line, which it replaces; text is released when release is set. */
static void Append(QVString* line, QVString text, int release) {
  QVString longer = RuntimeAddString(*line, text);
  RuntimeUnlockString(*line);
  if (release) RuntimeUnlockString(text);
  *line = longer;
}

/* Prints words separated by blanks: a label and up to three hexadecimal numbers. */
static void PrintLine(QVString label, int count, uint32_t a, uint32_t b, uint32_t c) {
  const uint32_t values[3] = {a, b, c};
  QVString line = RuntimeAddString(label, QV_STR(""));
  for (int i = 0; i < count; ++i) {
    Append(&line, QV_STR(" "), 0);
    Append(&line, RuntimeHex(values[i]), 1);
  }
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

/* An Integer array of 256 entries, entry i being table(i). */
static void* Map(uint32_t (*table)(uint32_t)) {
  void* map = CreateArray(1, 0, 255);
  for (uint32_t i = 0; i < 256; ++i) ArraySetElement(map, (int32_t)i, table(i));
  return map;
}
static uint32_t Inverted(uint32_t i) { return 255 - i; }
static uint32_t Kept(uint32_t i) { return i; }
static uint32_t Halved(uint32_t i) { return i / 2; }

static QVObject* DrawPicture(void) {
  QVObject* picture = RuntimeNewObject(RuntimeLookupClass(QV_STR("Picture")));
  PictureConstructor(picture, 60, 40, 32);
  QVObject* g = pictureGraphicsGetter(picture, 0);
  graphicsForeColorSetter(g, 0, 0xFFFFFF);
  RuntimeGraphicsFillRect(g, 0, 0, 60, 40);
  graphicsForeColorSetter(g, 0, 0x000000);
  RuntimeGraphicsDrawRect(g, 5, 5, 20, 15);
  graphicsForeColorSetter(g, 0, 0xFF0000);
  RuntimeGraphicsFillOval(g, 30, 5, 25, 20);
  RuntimeGraphicsDrawLine(g, 0, 30, 59, 30);
  graphicsPixelSetter(g, 2, 35, 0x123456);

  QVObject* surface = pictureRGBSurfaceGetter(picture, 0);
  rgbSurfaceSetPixel(surface, 3, 36, 0xABCDEF);
  rgbSurfaceSeedFill(surface, 10, 10, 0x00FF00);
  void* red = Map(Inverted);
  void* green = Map(Kept);
  void* blue = Map(Halved);
  rgbSurfaceTransformRGB(surface, red, green, blue);
  RuntimeUnlockArray(red);
  RuntimeUnlockArray(green);
  RuntimeUnlockArray(blue);
  RuntimeUnlockObject(surface);

  /* The Graphics draws on what the transform left. */
  graphicsForeColorSetter(g, 0, 0x0000FF);
  RuntimeGraphicsFillRect(g, 40, 30, 10, 5);
  RuntimeUnlockObject(g);
  return picture;
}

static void PrintPicture(QVObject* picture) {
  PrintLine(QV_STR("Size"), 2, (uint32_t)pictureWidthGetter(picture, 0),
            (uint32_t)pictureHeightGetter(picture, 0), 0);
  QVObject* surface = pictureRGBSurfaceGetter(picture, 0);
  for (unsigned i = 0; i < sizeof kProbes / sizeof kProbes[0]; ++i) {
    const int32_t x = kProbes[i][0], y = kProbes[i][1];
    PrintLine(QV_STR("Pixel"), 3, (uint32_t)x, (uint32_t)y, rgbSurfaceGetPixel(surface, x, y));
  }
  RuntimeUnlockObject(surface);
}

/* A frame round the page, the picture, and the page's number. */
static void DrawPage(QVObject* g, QVObject* picture, int32_t page) {
  const int32_t width = graphicsWidthGetter(g, 0);
  const int32_t height = graphicsHeightGetter(g, 0);
  PrintLine(QV_STR("Page"), 2, (uint32_t)width, (uint32_t)height, 0);
  graphicsForeColorSetter(g, 0, 0x204080);
  RuntimeGraphicsDrawRect(g, 0, 0, width, height);
  if (page == 1) {
    RuntimeGraphicsDrawPicture(g, picture, 10, 10, 60, 40, 0, 0, 60, 40);
    RuntimeGraphicsDrawString(g, QV_STR("Page one"), 80, 30, 0);
  } else {
    RuntimeGraphicsDrawPicture(g, picture, 5, 5, 120, 80, 0, 0, 60, 40);
    RuntimeGraphicsDrawString(g, QV_STR("Page two"), 130, 60, 0);
  }
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  QVObject* drawn = DrawPicture();
  QVObject* folder = RuntimeGetFolderItem(QV_STR("."), 0);
  QVObject* file = FolderChild(folder, QV_STR("drawn.bmp"));
  FolderItemSaveAsPicture(file, drawn, 4);
  RuntimeUnlockObject(drawn);

  QVObject* read = FolderItemOpenImage(file);
  if (read) {
    PrintPicture(read);
  } else {
    RuntimeConsolePrint(QV_STR("No picture"));
  }

  QVObject* g = read ? RuntimeOpenPrinter(0) : 0;
  if (g) {
    DrawPage(g, read, 1);
    RuntimeGraphicsNextPage(g);
    DrawPage(g, read, 2);
    RuntimeUnlockObject(g);
  } else {
    RuntimeConsolePrint(QV_STR("No printer"));
  }
  if (read) RuntimeUnlockObject(read);
  RuntimeUnlockObject(file);
  RuntimeUnlockObject(folder);
  RuntimeConsolePrint(QV_STR("Done"));
}
