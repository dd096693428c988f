/* The drag-and-drop application of the window tests, made as compiled code makes its windows.
 *   "Drag source", 200 x 200, moved to (40, 100) once open: a canvas Source at (40, 40), 80 x 60, filled red,
 *       whose MouseDown makes a DragItem of its bounds (NewDragItem) with the text "Grüße" and
 *       the raw data "raw data" under "TEST", says "Drag", runs the drag, says "Drag done" and
 *       quits.
 *   "Drag target", 300 x 300, moved to (400, 100) once open: a canvas Target at (60, 50), 150 x 100, filled
 *       blue, that accepts text and every file. Its DragEnter says "DragEnter" and answers True
 *       when QV_DRAG_REJECT is set; its DragOver says "DragOver x y"; its DropObject says
 *       "Text ...", "Raw ...", "Drop left top action" and "File path" for each file through
 *       NextItem, and quits unless a drag of this application is running.
 * "Ready" is said once both windows are open. */
#include "qvapp.h"

char* getenv(const char* name);
QV_SHARED_FUNCTION(getenv, "libc.so.6");

void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void graphicsForeColorSetter(QVObject* g, uint32_t parameter, uint32_t colour);
void RuntimeGraphicsFillRect(QVObject* g, int32_t x, int32_t y, int32_t width, int32_t height);
QVObject* controlNewDragItem(QVObject* control, int32_t left, int32_t top, int32_t width,
                             int32_t height);
void dragItemTextSetter(QVObject* item, uint32_t unused, QVString text);
QVString dragItemTextGetter(QVObject* item, uint32_t unused);
void DragItemSetMacData(QVObject* item, QVString type, QVString data);
QVString DragItemGetMacData(QVObject* item, QVString type);
void DragItemDrag(QVObject* item);
int32_t DragItemNextItem(QVObject* item);
int32_t DragItemFolderItemAvailable(QVObject* item);
QVObject* dragItemFolderItemGetter(QVObject* item, uint32_t unused);
int32_t dragItemDropLeft(QVObject* item, uint32_t unused);
int32_t dragItemDropTop(QVObject* item, uint32_t unused);
QVString fileAbsolutePathGetter(QVObject* item, uint32_t unused);
void controlAcceptTextDrop(QVObject* control);
void controlAcceptFileDrop(QVObject* control, QVString type);
void windowPosSetter(QVObject* window, uint32_t which, int32_t value);

static QVClass* gSourceClass;
static QVClass* gTargetClass;
static QVObject* gTarget;
static int gOpenWindows;
static int gDragging;

static void PaintSource(QVObject* canvas, QVObject* g) {
  (void)canvas;
  graphicsForeColorSetter(g, 0, 0xC00000);
  RuntimeGraphicsFillRect(g, 0, 0, 80, 60);
}

static void PaintTarget(QVObject* canvas, QVObject* g) {
  (void)canvas;
  graphicsForeColorSetter(g, 0, 0x3060C0);
  RuntimeGraphicsFillRect(g, 0, 0, 150, 100);
}

static int32_t SourceMouseDown(QVObject* canvas, int32_t x, int32_t y) {
  QVObject* item = controlNewDragItem(canvas, 40, 40, 80, 60);
  dragItemTextSetter(item, 0, QV_STR_ENCODED("Gr\xC3\xBC\xC3\x9F" "e", QV_ENCODING_UTF8));
  DragItemSetMacData(item, QV_STR("TEST"), QV_STR("raw data"));
  const int32_t at[2] = {x, y};
  QVSayNumbers("Drag", at, 2, 0);
  gDragging = 1;
  DragItemDrag(item);
  gDragging = 0;
  RuntimeUnlockObject(item);
  QVSayNumbers("Drag done", 0, 0, 0);
  QV_ApplicationQuit(0);
  return 1;
}

static int32_t TargetDragEnter(QVObject* canvas, QVObject* item, int32_t action) {
  (void)canvas;
  (void)item;
  (void)action;
  QVSayNumbers("DragEnter", 0, 0, 0);
  return getenv("QV_DRAG_REJECT") != 0;
}

static int32_t TargetDragOver(QVObject* canvas, int32_t x, int32_t y, QVObject* item,
                              int32_t action) {
  (void)canvas;
  (void)item;
  (void)action;
  const int32_t at[2] = {x, y};
  QVSayNumbers("DragOver", at, 2, 0);
  return 0;
}

static void TargetDropObject(QVObject* canvas, QVObject* item, int32_t action) {
  (void)canvas;
  QVSayText(QV_STR("Text "), dragItemTextGetter(item, 0));
  QVSayText(QV_STR("Raw "), DragItemGetMacData(item, QV_STR("TEST")));
  const int32_t where[3] = {dragItemDropLeft(item, 0), dragItemDropTop(item, 0), action};
  QVSayNumbers("Drop", where, 3, 0);
  if (DragItemFolderItemAvailable(item)) {
    do {
      QVObject* file = dragItemFolderItemGetter(item, 0);
      if (file) {
        QVSayText(QV_STR("File "), fileAbsolutePathGetter(file, 0));
        RuntimeUnlockObject(file);
      }
    } while (DragItemNextItem(item));
  }
  if (!gDragging) QV_ApplicationQuit(0);
}

static QVObject* AddCanvas(QVObject* window, QVClass* cls, QVString name, int32_t left,
                           int32_t top, int32_t width, int32_t height) {
  QVObject* control = RuntimeNewObject(cls);
  RuntimeControlMove(control, left, top, width, height);
  ControlVisibleSetter(control, 0, 1);
  controlEnabledSetter(control, 0, 1);
  WindowAddControl(window, name, control);
  RuntimeUnlockObject(control);
  return control;
}

static void SourceLayout(QVObject* window) {
  QVPlaceWindow(window, 100, 40, 200, 200, QV_STR("Drag source"));
}

static void TargetLayout(QVObject* window) {
  QVPlaceWindow(window, 100, 400, 300, 300, QV_STR("Drag target"));
}

static void SourceControls(QVObject* window) {
  AddCanvas(window, gSourceClass, QV_STR("Source"), 40, 40, 80, 60);
}

static void TargetControls(QVObject* window) {
  gTarget = AddCanvas(window, gTargetClass, QV_STR("Target"), 60, 50, 150, 100);
}

/* Windows open where the window manager puts them; these two then move to their places. */
static void Opened(QVObject* window, int32_t left, int32_t top) {
  windowPosSetter(window, 0, left);
  windowPosSetter(window, 1, top);
  if (++gOpenWindows < 2) return;
  controlAcceptTextDrop(gTarget);
  controlAcceptFileDrop(gTarget, QV_STR("????"));
  RuntimeConsolePrint(QV_STR("Ready"));
}

static void SourceOpen(QVObject* window) { Opened(window, 40, 100); }

static void TargetOpen(QVObject* window) { Opened(window, 400, 100); }

static QVObject* OpenWindow(QVString name, void* layout, void* controls, void* open) {
  QVClass* cls = QVSubclass(QV_STR("Window"), name);
  QVSetHandler(cls, "Layout", layout);
  QVSetHandler(cls, "CreateControls", controls);
  QVSetHandler(cls, "Open", open);
  QVObject* window = RuntimeNewObject(cls);
  WindowDefaultConstructor(window);
  return window;
}

QV_ENTRY {
  QVStartApplication();

  gSourceClass = QVSubclass(QV_STR("Canvas"), QV_STR("SourceCanvas"));
  QVSetHandler(gSourceClass, "Paint", (void*)PaintSource);
  QVSetHandler(gSourceClass, "MouseDown", (void*)SourceMouseDown);
  gTargetClass = QVSubclass(QV_STR("Canvas"), QV_STR("TargetCanvas"));
  QVSetHandler(gTargetClass, "Paint", (void*)PaintTarget);
  QVSetHandler(gTargetClass, "DragEnter", (void*)TargetDragEnter);
  QVSetHandler(gTargetClass, "DragOver", (void*)TargetDragOver);
  QVSetHandler(gTargetClass, "DropObject", (void*)TargetDropObject);

  RuntimeUnlockObject(OpenWindow(QV_STR("SourceWindow"), (void*)SourceLayout,
                                 (void*)SourceControls,
                                 (void*)SourceOpen));
  RuntimeUnlockObject(OpenWindow(QV_STR("TargetWindow"), (void*)TargetLayout,
                                 (void*)TargetControls,
                                 (void*)TargetOpen));
  RuntimeRun();
}
