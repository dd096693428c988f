/* The menus application: a window "Menu App" whose menu bar compiled code builds as a MenuBar
 * subclass:
 *   File:  New, Save (Ctrl+S), Revert (Ctrl+R, not auto-enabled), "-", Quit (a QuitMenuItem)
 *   Edit:  Paste (not auto-enabled; the window's EnableMenuItems enables it)
 * Each item's Action prints "<Name>.Action"; the window's EnableMenuItems prints
 * "EnableMenuItems". The window holds a push button "Field" at (20, 20) to (120, 50) whose
 * ConstructContextualMenu appends the rows Alpha and Beta and whose ContextualMenuAction prints
 * "ContextualMenuAction <row>". Quit ends the program. */
#include "qvapp.h"

void WindowMenuBarSetter(QVObject* window, uint32_t parameter, QVObject* menuBar);
void pushButtonTitleSetter(QVObject* button, uint32_t parameter, QVString caption);
void ControlVisibleSetter(QVObject* control, uint32_t parameter, int32_t on);
void controlEnabledSetter(QVObject* control, uint32_t parameter, int32_t on);
void RuntimeMenuItemAppend(QVObject* menu, QVObject* item);
void RuntimeMenuItemTextSetter(QVObject* item, uint32_t parameter, QVString text);
QVString RuntimeMenuItemTextGetter(QVObject* item, uint32_t parameter);
void RuntimeMenuItemNameSetter(QVObject* item, uint32_t parameter, QVString name);
QVString RuntimeMenuItemNameGetter(QVObject* item, uint32_t parameter);
void RuntimeMenuItemCommandKeySetter(QVObject* item, uint32_t parameter, QVString key);
void RuntimeMenuItemAutoEnableSetter(QVObject* item, uint32_t parameter, int32_t on);
void RuntimeMenuItemEnabledSetter(QVObject* item, uint32_t parameter, int32_t on);

#define WINDOW_MENUBAR_VISIBLE 133

static QVClass* gItemClass;
static QVClass* gQuitClass;
static QVClass* gMenuItemClass;
static QVClass* gMenuBarClass;
static QVClass* gButtonClass;
static QVObject* gPaste;

static void* Field(QVObject* object, int offset) { return (char*)object + offset; }

static void PrintWith(QVString text, QVString suffix) {
  QVString line = RuntimeAddString(text, suffix);
  RuntimeConsolePrint(line);
  RuntimeUnlockString(line);
}

static int32_t OnItemAction(QVObject* item) {
  QVString name = RuntimeMenuItemNameGetter(item, 0);
  PrintWith(name, QV_STR(".Action"));
  RuntimeUnlockString(name);
  return 1;
}

/* An item of cls named and captioned text, with its shortcut, appended to menu. */
static QVObject* Append(QVObject* menu, QVClass* cls, QVString text, QVString key) {
  QVObject* item = RuntimeNewObject(cls);
  RuntimeMenuItemTextSetter(item, 0, text);
  RuntimeMenuItemNameSetter(item, 0, text);
  if (key) RuntimeMenuItemCommandKeySetter(item, 0, key);
  RuntimeMenuItemAppend(menu, item);
  RuntimeUnlockObject(item);
  return item;
}

static QVObject* NewMenuBar(void) {
  QVObject* bar = RuntimeNewObject(gMenuBarClass);
  QVObject* file = Append(bar, gMenuItemClass, QV_STR("File"), 0);
  Append(file, gItemClass, QV_STR("New"), 0);
  Append(file, gItemClass, QV_STR("Save"), QV_STR("Ctrl+S"));
  QVObject* revert = Append(file, gItemClass, QV_STR("Revert"), QV_STR("Ctrl+R"));
  RuntimeMenuItemAutoEnableSetter(revert, 0, 0);
  Append(file, gMenuItemClass, QV_STR("-"), 0);
  Append(file, gQuitClass, QV_STR("Quit"), QV_STR("Ctrl+Q"));
  QVObject* edit = Append(bar, gMenuItemClass, QV_STR("Edit"), 0);
  gPaste = Append(edit, gItemClass, QV_STR("Paste"), 0);
  RuntimeMenuItemAutoEnableSetter(gPaste, 0, 0);
  return bar;
}

static void OnLayout(QVObject* window) {
  QVPlaceWindow(window, 0, 0, 300, 150, QV_STR("Menu App"));
  *(uint8_t*)Field(window, WINDOW_MENUBAR_VISIBLE) = 1;
  QVObject* bar = NewMenuBar();
  WindowMenuBarSetter(window, 0, bar);
  RuntimeUnlockObject(bar);
}

static void OnCreateControls(QVObject* window) {
  QVObject* button = RuntimeNewObject(gButtonClass);
  RuntimeControlMove(button, 20, 20, 100, 30);
  pushButtonTitleSetter(button, 0, QV_STR("Field"));
  ControlVisibleSetter(button, 0, 1);
  controlEnabledSetter(button, 0, 1);
  WindowAddControl(window, QV_STR("Field"), button);
  RuntimeUnlockObject(button);
}

static void OnEnableMenuItems(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("EnableMenuItems"));
  RuntimeMenuItemEnabledSetter(gPaste, 0, 1);
}

static void OnActivate(QVObject* window) {
  (void)window;
  RuntimeConsolePrint(QV_STR("Activate"));
}

static int32_t OnConstructContextualMenu(QVObject* control, QVObject* base, int32_t x,
                                         int32_t y) {
  (void)control;
  (void)x;
  (void)y;
  Append(base, gMenuItemClass, QV_STR("Alpha"), 0);
  Append(base, gMenuItemClass, QV_STR("Beta"), 0);
  return 1;
}

static int32_t OnContextualMenuAction(QVObject* control, QVObject* hitItem) {
  (void)control;
  QVString text = RuntimeMenuItemTextGetter(hitItem, 0);
  PrintWith(QV_STR("ContextualMenuAction "), text);
  RuntimeUnlockString(text);
  return 1;
}

QV_ENTRY {
  QVStartApplication();

  gMenuItemClass = RuntimeLookupClass(QV_STR("MenuItem"));
  gQuitClass = RuntimeLookupClass(QV_STR("QuitMenuItem"));
  gItemClass = QVSubclass(QV_STR("MenuItem"), QV_STR("AppItem"));
  QVSetHandler(gItemClass, "Action", (void*)OnItemAction);
  gMenuBarClass = QVSubclass(QV_STR("MenuBar"), QV_STR("AppMenuBar"));
  gButtonClass = QVSubclass(QV_STR("PushButton"), QV_STR("AppButton"));
  QVSetHandler(gButtonClass, "ConstructContextualMenu", (void*)OnConstructContextualMenu);
  QVSetHandler(gButtonClass, "ContextualMenuAction", (void*)OnContextualMenuAction);
  QVClass* windowClass = QVSubclass(QV_STR("Window"), QV_STR("MenuWindow"));
  QVSetHandler(windowClass, "Layout", (void*)OnLayout);
  QVSetHandler(windowClass, "CreateControls", (void*)OnCreateControls);
  QVSetHandler(windowClass, "EnableMenuItems", (void*)OnEnableMenuItems);
  QVSetHandler(windowClass, "Activate", (void*)OnActivate);

  QVObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeUnlockObject(window);
  RuntimeRun();
  RuntimeConsolePrint(QV_STR("RuntimeRun returned"));
}
