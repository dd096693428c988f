#include "MenuFixtures.h"

#include <gtest/gtest.h>

#include "app/ApplicationClass.h"
#include "controls/ControlAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "windows/MenuItemClass.h"
#include "windows/WindowControls.h"

namespace qvtest {

namespace {

MenuKit* gMenus = nullptr;
std::vector<std::string> gLog;

std::string NameOfItem(RuntimeObject* item) { return Node(item)->Name().CString(); }
std::string TextOfItem(RuntimeObject* item) {
  return item ? Node(item)->Text().CString() : "nil";
}

// Logs "entry", runs the kit's action with event (the entry up to its first blank) and
// object, and answers what the kit says for answerKey.
bool Log(const std::string& entry, RuntimeObject* object, const std::string& answerKey) {
  if (!gMenus) return false;
  gLog.push_back(entry);
  if (gMenus->action) gMenus->action(entry.substr(0, entry.find(' ')), object);
  if (!gMenus) return false;
  const auto answer = gMenus->answers.find(answerKey);
  return answer != gMenus->answers.end() && answer->second;
}

std::string At(int32_t x, int32_t y) { return " " + std::to_string(x) + "," + std::to_string(y); }

// ---- items and the Application ----

bool OnItemAction(RuntimeObject* item) {
  const std::string event = NameOfItem(item) + ".Action";
  return Log(event, item, event);
}

void OnItemEnableMenu(RuntimeObject* item) { Log(NameOfItem(item) + ".EnableMenu", item, ""); }

void OnAppEnableMenuItems(RuntimeObject* app) { Log("App.EnableMenuItems", app, ""); }

// ---- windows and controls ----

void OnWindowEnableMenuItems(RuntimeObject* window) {
  Log(TitleOf(window) + ".EnableMenuItems", window, "");
}

bool OnWindowConstruct(RuntimeObject* window, RuntimeObject* base, int32_t x, int32_t y) {
  const std::string event = TitleOf(window) + ".ConstructContextualMenu";
  return Log(event + At(x, y), base, event);
}

bool OnWindowMenuAction(RuntimeObject* window, RuntimeObject* hit) {
  const std::string event = TitleOf(window) + ".ContextualMenuAction";
  return Log(event + " " + TextOfItem(hit), hit, event);
}

bool OnControlConstruct(RuntimeObject* control, RuntimeObject* base, int32_t x, int32_t y) {
  const std::string event = NameOf(control) + ".ConstructContextualMenu";
  return Log(event + At(x, y), base, event);
}

bool OnControlMenuAction(RuntimeObject* control, RuntimeObject* hit) {
  const std::string event = NameOf(control) + ".ContextualMenuAction";
  return Log(event + " " + TextOfItem(hit), hit, event);
}

// ---- menu handlers ----

int32_t OnWindowHandler(RuntimeObject* window, int32_t index) {
  return Log("Window.Handler " + std::to_string(index), window, "Window");
}

int32_t OnAppHandler(RuntimeObject* app, int32_t index) {
  return Log("App.Handler " + std::to_string(index), app, "App");
}

int32_t OnControlHandler(RuntimeObject* control, int32_t index) {
  return Log(NameOf(control) + ".Handler " + std::to_string(index), control, NameOf(control));
}

// A subclass of base's class with base's handlers and those given.
RuntimeClass* Extend(RuntimeClass* base, const char* parent, const char* name, int32_t extra,
                     std::initializer_list<std::pair<const char*, void*>> handlers) {
  RuntimeClass* cls = Subclass(parent, name, extra);
  if (!cls) return nullptr;
  for (int32_t i = 0; i < cls->eventCount && i < base->eventCount; ++i) {
    cls->eventTable[i].vector = base->eventTable[i].vector;
  }
  cls->finalizer = base->finalizer;
  for (const auto& [event, handler] : handlers) SetHandler(cls, event, handler);
  return cls;
}

void* Fn(auto function) { return reinterpret_cast<void*>(function); }

}  // namespace

MenuKit& Menus() { return *gMenus; }

MenuKit::MenuKit() {
  static RuntimeClass* items = [] {
    RuntimeClass* cls = Subclass("MenuItem", "TestMenuItem", 0);
    SetHandler(cls, "Action", Fn(&OnItemAction));
    SetHandler(cls, "EnableMenu", Fn(&OnItemEnableMenu));
    return cls;
  }();
  static RuntimeClass* apps = [] {
    RuntimeClass* cls = Subclass("Application", "TestMenuApp", 0);
    SetHandler(cls, "EnableMenuItems", Fn(&OnAppEnableMenuItems));
    return cls;
  }();
  static RuntimeClass* menuWindows =
      Extend(windows.windowClass, "Window", "MenuTestWindow", 0,
             {{"EnableMenuItems", Fn(&OnWindowEnableMenuItems)},
              {"ConstructContextualMenu", Fn(&OnWindowConstruct)},
              {"ContextualMenuAction", Fn(&OnWindowMenuAction)}});
  static RuntimeClass* menuControls =
      Extend(windows.controlClass, "RectControl", "MenuTestControl", 4,
             {{"ConstructContextualMenu", Fn(&OnControlConstruct)},
              {"ContextualMenuAction", Fn(&OnControlMenuAction)}});
  itemClass = items;
  windows.windowClass = menuWindows;
  windows.controlClass = menuControls;
  application = RuntimeNewObject(apps);
  SetApplicationObject(application);
  gLog.clear();
  gMenus = this;
}

MenuKit::~MenuKit() {
  action = nullptr;
  CloseAllNativeWindows();
  gMenus = nullptr;
  gLog.clear();
  ReleaseApplicationObject();
  RuntimeUnlockObject(application);
}

RuntimeObject* MenuKit::NewItemOf(RuntimeClass* cls, const std::string& text) {
  RuntimeObject* item = RuntimeNewObject(cls);
  Node(item)->SetText(string(text.c_str()));
  Node(item)->SetName(string(text.c_str()));
  return item;
}

RuntimeObject* MenuKit::NewItem(const std::string& text, const std::string& name) {
  RuntimeObject* item = NewItemOf(itemClass, text);
  if (!name.empty()) Node(item)->SetName(string(name.c_str()));
  return item;
}

RuntimeObject* MenuKit::NewMenuBar() {
  return NewObjectFromDefinition(MenuBarClassDefinition());
}

void MenuKit::Append(RuntimeObject* parent, RuntimeObject* child) {
  RuntimeMenuItemAppend(parent, child);
}

void MenuKit::AddWindowHandler(RuntimeObject* window, const std::string& itemName) {
  WindowAddMenuHandler(window, string(itemName.c_str()).Storage(), Fn(&OnWindowHandler));
}

void MenuKit::AddAppHandler(const std::string& itemName) {
  ApplicationAddMenuHandler(application, string(itemName.c_str()).Storage(), Fn(&OnAppHandler));
}

void MenuKit::AddControlHandler(RuntimeObject* control, const std::string& itemName) {
  ControlAddMenuHandler(control, string(itemName.c_str()).Storage(), Fn(&OnControlHandler));
}

std::vector<std::string> MenuKit::Take() { return std::exchange(gLog, {}); }

XMenuGTK* Node(RuntimeObject* item) { return XMenuNodeOf(item); }

std::vector<std::string> ChildTexts(RuntimeObject* item) {
  std::vector<std::string> texts;
  const XMenuGTK* node = Node(item);
  for (int32_t i = 0; node && i < node->ChildCount(); ++i) {
    texts.push_back(Node(node->ChildAt(i))->Text().CString());
  }
  return texts;
}

AcceleratorSeen AcceleratorOf(GtkWidget* widget) {
  AcceleratorSeen seen;
  if (!widget) return seen;
  GList* closures = gtk_widget_list_accel_closures(widget);
  for (GList* link = closures; link; link = link->next) {
    GClosure* closure = static_cast<GClosure*>(link->data);
    GtkAccelGroup* group = gtk_accel_group_from_accel_closure(closure);
    if (group != XMenuGTK::AccelGroup()) continue;
    GtkAccelKey* key = gtk_accel_group_find(
        group,
        [](GtkAccelKey*, GClosure* c, gpointer wanted) -> gboolean { return c == wanted; },
        closure);
    if (!key) continue;
    seen.key = key->accel_key;
    seen.modifiers = GdkModifierType(key->accel_mods);
    ++seen.count;
  }
  g_list_free(closures);
  return seen;
}

std::vector<std::string> ShellLabels(GtkWidget* shell) {
  std::vector<std::string> labels;
  GList* children = gtk_container_get_children(GTK_CONTAINER(shell));
  for (GList* link = children; link; link = link->next) {
    GtkWidget* child = GTK_WIDGET(link->data);
    if (GTK_IS_SEPARATOR_MENU_ITEM(child)) {
      labels.push_back("-");
      continue;
    }
    GtkWidget* label = gtk_bin_get_child(GTK_BIN(child));
    labels.push_back(GTK_IS_LABEL(label) ? gtk_label_get_text(GTK_LABEL(label)) : "?");
  }
  g_list_free(children);
  return labels;
}

}  // namespace qvtest
