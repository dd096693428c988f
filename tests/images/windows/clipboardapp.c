/* The clipboard application of the window tests. Once its window "Clipboard" is open:
 *   QV_CLIPBOARD_MODE=text     copies the text "Grüße ☃"
 *   QV_CLIPBOARD_MODE=picture  copies the picture of its 'BMP ' resource 128
 *   either of them             also copies the raw data "private bytes" under "TEST", says
 *                              "ready", and quits ("lost") once another program owns that
 *   otherwise                  says what the clipboard holds: "Text ...", "Picture w h", one
 *                              "Row" line of 0xRRGGBB values per row, "Raw available n" and
 *                              "Raw ...", then quits
 * Text and pictures share the desktop's one clipboard: the later copy replaces the earlier. */
#include "qvapp.h"

char* getenv(const char* name);
QV_SHARED_FUNCTION(getenv, "libc.so.6");

QVObject* RuntimeGetBitmapFromResourceManager(uint32_t id);
QVString clipboardTextGetter(QVObject* clipboard, uint32_t unused);
void clipboardTextSetter(QVObject* clipboard, uint32_t unused, QVString text);
QVObject* clipboardPictureGetter(QVObject* clipboard, uint32_t unused);
void clipboardPictureSetter(QVObject* clipboard, uint32_t unused, QVObject* picture);
int32_t clipboardMacDataAvailable(QVObject* clipboard, QVString type);
QVString clipboardMacData(QVObject* clipboard, QVString type);
void clipboardAddMacData(QVObject* clipboard, QVString data, QVString type);
void RuntimeInstallInstanceEventHandler(QVObject* object, QVString event, void* handler);
void timerModeSetter(QVObject* timer, uint32_t parameter, int32_t value);
void timerPeriodSetter(QVObject* timer, uint32_t parameter, int32_t value);

static QVObject* gClipboard;
static QVObject* gTimer;

/* Our raw data is readable only while we own the clipboard. */
static void WatchOwnership(QVObject* timer) {
  (void)timer;
  if (clipboardMacDataAvailable(gClipboard, QV_STR("TEST"))) return;
  timerModeSetter(gTimer, 0, 0);
  RuntimeConsolePrint(QV_STR("lost"));
  QV_ApplicationQuit(0);
}

static void Copy(int picture) {
  if (picture) {
    QVObject* resource = RuntimeGetBitmapFromResourceManager(128);
    clipboardPictureSetter(gClipboard, 0, resource);
    RuntimeUnlockObject(resource);
  } else {
    clipboardTextSetter(gClipboard, 0,
                        QV_STR_ENCODED("Gr\xC3\xBC\xC3\x9F" "e \xE2\x98\x83", QV_ENCODING_UTF8));
  }
  clipboardAddMacData(gClipboard, QV_STR("private bytes"), QV_STR("TEST"));
  gTimer = RuntimeNewObject(RuntimeLookupClass(QV_STR("Timer")));
  RuntimeInstallInstanceEventHandler(gTimer, QV_STR("Action"), (void*)WatchOwnership);
  timerPeriodSetter(gTimer, 0, 50);
  timerModeSetter(gTimer, 0, 2);
  RuntimeConsolePrint(QV_STR("ready"));
}

static void Read(void) {
  QVSayText(QV_STR("Text "), clipboardTextGetter(gClipboard, 0));
  QVObject* picture = clipboardPictureGetter(gClipboard, 0);
  const int32_t size[2] = {picture ? pictureWidthGetter(picture, 0) : 0,
                           picture ? pictureHeightGetter(picture, 0) : 0};
  QVSayNumbers("Picture", size, 2, 0);
  QVObject* surface = picture ? pictureRGBSurfaceGetter(picture, 0) : 0;
  for (int32_t y = 0; surface && y < size[1] && y < 16; ++y) {
    int32_t row[16];
    int32_t count = 0;
    for (int32_t x = 0; x < size[0] && x < 16; ++x) {
      row[count++] = (int32_t)rgbSurfaceGetPixel(surface, x, y);
    }
    QVSayNumbers("Row", row, count, 1);
  }
  if (surface) RuntimeUnlockObject(surface);
  if (picture) RuntimeUnlockObject(picture);
  const int32_t available = clipboardMacDataAvailable(gClipboard, QV_STR("TEST"));
  QVSayNumbers("Raw available", &available, 1, 0);
  QVSayText(QV_STR("Raw "), clipboardMacData(gClipboard, QV_STR("TEST")));
  QV_ApplicationQuit(0);
}


static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 100, 100, 200, 100, QV_STR("Clipboard"));
}

static void OnOpen(QVObject* window) {
  (void)window;
  const char* mode = getenv("QV_CLIPBOARD_MODE");
  if (mode && (mode[0] == 't' || mode[0] == 'p')) {
    Copy(mode[0] == 'p');
  } else {
    Read();
  }
}

QV_ENTRY {
  QVStartApplication();
  gClipboard = RuntimeNewObject(RuntimeLookupClass(QV_STR("Clipboard")));

  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("ClipboardWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
}
