/* The toolbar application of the control tests: a window "Tools" whose Toolbar holds a push
 * button with a red icon (the 'BMP ' resource 128), a separator and a toggle with a green icon
 * (resource 129). The Toolbar's Action handler prints the item's Name, for the toggle with
 * " pushed" or " released". Below the toolbar lie two ContainerControls "Box", each holding a
 * push button at (10, 15) whose Action prints its caption: "Designed" placed on the window at
 * design time at (10, 40) on blue, "Embedded" embedded at run time with EmbedWithin at
 * (130, 40) on yellow when the window opens. The second one's Action registers a pollable object whose class implements _Pollable
 * twice: its parent's _Poll and its own, which prints "Poll" and quits. "Ready" is printed when
 * the window is first activated. */
#include "qvapp.h"

void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
QVObject* RuntimeGetBitmapFromResourceManager(uint32_t id);
void ToolbarAppendItem(QVObject* toolbar, QVObject* item);
void ToolButtonStyleSetter(QVObject* button, uint32_t parameter, int32_t style);
void ToolButtonIconSetter(QVObject* button, uint32_t parameter, QVObject* icon);
int32_t ToolButtonPushedGetter(QVObject* button, uint32_t parameter);
void stringSetter(QVObject* object, uint32_t offset, QVString value);
void ApplicationAddPollableObject(QVObject* app, QVObject* object);
void pushButtonTitleSetter(QVObject* button, uint32_t parameter, QVString caption);
void EmbedWithin(QVObject* box, QVObject* window, int32_t left, int32_t top, int32_t width,
                 int32_t height);

#define TOOL_ITEM_NAME 36
#define PUSH_BUTTON_CAPTION 124
#define WINDOW_BACK_COLOR 112
#define WINDOW_HAS_BACK_COLOR 132

static QVObject* gApp;
static QVObject* gPoller;
static QVClass* gToolbarClass;
static QVClass* gButtonClass;
static QVClass* gBoxClass;
static QVClass* gPushClass;
static QVObject* gEmbedded;
static const char* gNextCaption;
static int gReady;
static int gPolled;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static void Say(QVString first, QVString second) {
  QVString line = RuntimeAddString(first, second);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

static void OnToolbarAction(QVObject* toolbar, QVObject* item) {
  (void)toolbar;
  QVString name = *(QVString*)Field(item, TOOL_ITEM_NAME);
  if (!QVStringIs(name, "Toggle")) {
    Say(name, QV_STR(""));
    return;
  }
  const int pushed = ToolButtonPushedGetter(item, 0);
  Say(name, pushed ? QV_STR(" pushed") : QV_STR(" released"));
}

static void OnBoxButtonAction(QVObject* button) {
  QVString caption = *(QVString*)Field(button, PUSH_BUTTON_CAPTION);
  RuntimeConsolePrint(caption);
  if (QVStringIs(caption, "Embedded")) ApplicationAddPollableObject(gApp, gPoller);
}

static void OnBoxLayout(QVObject* box) {
  int16_t* bounds = (int16_t*)Field(box, WINDOW_BOUNDS);
  bounds[0] = 40;
  bounds[1] = 10;
  bounds[2] = 100;
  bounds[3] = 120;
  *(uint8_t*)Field(box, WINDOW_VISIBLE) = 1;
  /* Blue and yellow grounds, by which the test finds the boxes on screen. */
  *(uint32_t*)Field(box, WINDOW_BACK_COLOR) =
      QVStringIs(QV_STR("Embedded"), gNextCaption) ? 0xFFFF00u : 0x0000FFu;
  *(uint8_t*)Field(box, WINDOW_HAS_BACK_COLOR) = 1;
}

/* The box's button at (10, 15) inside it, captioned as the box was asked. */
static void OnBoxCreateControls(QVObject* box) {
  QVObject* button = RuntimeNewObject(gPushClass);
  RuntimeControlMove(button, 10, 15, 90, 30);
  pushButtonTitleSetter(button, 0, QVStringIs(QV_STR("Embedded"), gNextCaption)
                                       ? QV_STR("Embedded") : QV_STR("Designed"));
  ControlVisibleSetter(button, 0, 1);
  controlEnabledSetter(button, 0, 1);
  WindowAddControl(box, QV_STR("BoxButton"), button);
  RuntimeUnlockObject(button);
}

static QVObject* NewBox(const char* caption) {
  gNextCaption = caption;
  return RuntimeNewObject(gBoxClass);
}

static void ParentPoll(QVObject* self) {
  (void)self;
  RuntimeConsolePrint(QV_STR("Parent poll"));
}

static void OwnPoll(QVObject* self) {
  (void)self;
  if (gPolled++) return;
  RuntimeConsolePrint(QV_STR("Poll"));
  QV_ApplicationQuit(0);
}

static void Implement(QVClass* cls, int index, QVClass* interface, void* function) {
  QVSetMethod(&QVImplement(cls, index, interface, 1)[0], function, QV_STR("_Pollable._Poll%"));
}

/* A parent implementing _Pollable, and a subclass implementing it again with its own _Poll,
 * as a compiler lays out an overriding subclass. */
static QVObject* NewPoller(void) {
  QVClass* pollable = RuntimeLookupClass(QV_STR("_Pollable"));
  QVClass* object = RuntimeLookupClass(QV_STR("Object"));
  QVClass* parent = RuntimeNewClass(object, object->methodCount, 1, object->eventCount, 0, 0);
  parent->className = QV_STR("PollParent");
  parent->instanceSize = object->instanceSize;
  Implement(parent, 0, pollable, (void*)ParentPoll);
  QVClass* child = RuntimeNewClass(parent, parent->methodCount, 2, parent->eventCount, 0, 0);
  child->className = QV_STR("PollChild");
  child->instanceSize = parent->instanceSize;
  Implement(child, 1, pollable, (void*)OwnPoll);
  return RuntimeNewObject(child);
}

static QVObject* NewButton(QVString name, int32_t style, uint32_t icon) {
  QVObject* button = RuntimeNewObject(gButtonClass);
  stringSetter(button, TOOL_ITEM_NAME, name);
  ToolButtonStyleSetter(button, 0, style);
  if (icon) {
    QVObject* picture = RuntimeGetBitmapFromResourceManager(icon);
    ToolButtonIconSetter(button, 0, picture);
    RuntimeUnlockObject(picture);
  }
  return button;
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 260, 150, QV_STR("Tools"));
}

static void OnCreateControls(QVObject* window) {
  QVObject* toolbar = RuntimeNewObject(gToolbarClass);
  RuntimeControlMove(toolbar, 0, 0, 260, 30);
  ControlVisibleSetter(toolbar, 0, 1);
  controlEnabledSetter(toolbar, 0, 1);
  QVObject* items[3] = {NewButton(QV_STR("Push"), 0, 128), NewButton(QV_STR("Gap"), 1, 0),
                        NewButton(QV_STR("Toggle"), 2, 129)};
  for (int i = 0; i < 3; ++i) {
    ToolbarAppendItem(toolbar, items[i]);
    RuntimeUnlockObject(items[i]);
  }
  WindowAddControl(window, QV_STR("Tools"), toolbar);
  RuntimeUnlockObject(toolbar);
  QVObject* designed = NewBox("Designed");
  WindowAddControl(window, QV_STR("DesignedBox"), designed);
  RuntimeUnlockObject(designed);
}

static void OnOpen(QVObject* window) {
  gEmbedded = NewBox("Embedded");
  EmbedWithin(gEmbedded, window, 130, 40, -1, -1);
}

static void OnActivate(QVObject* window) {
  (void)window;
  if (!gReady++) RuntimeConsolePrint(QV_STR("Ready"));
}

QV_ENTRY {
  RuntimeInit();
  RuntimeInitExternalClasses();
  gApp = RuntimeNewObject(RuntimeLookupClass(QV_STR("Application")));
  RuntimeRegisterAppObject(gApp);
  gPoller = NewPoller();

  gToolbarClass = QVSubclass(QV_STR("Toolbar"), QV_STR("AppToolbar"));
  QVSetHandler(gToolbarClass, "Action", (void*)OnToolbarAction);
  gButtonClass = RuntimeLookupClass(QV_STR("ToolButton"));
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("ToolWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "Activate", (void*)OnActivate);
  QVSetHandler(windowClass, "Open", (void*)OnOpen);
  gPushClass = QVSubclass(QV_STR("PushButton"), QV_STR("BoxButton"));
  QVSetHandler(gPushClass, "Action", (void*)OnBoxButtonAction);
  gBoxClass = QVSubclass(QV_STR("ContainerControl"), QV_STR("Box"));
  QVSetHandler(gBoxClass, "Layout", (void*)OnBoxLayout);
  QVSetHandler(gBoxClass, "CreateControls", (void*)OnBoxCreateControls);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeUnlockObject(gEmbedded);
  RuntimeUnlockObject(gPoller);
  RuntimeUnlockObject(gApp);
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
