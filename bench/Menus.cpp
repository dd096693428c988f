// Menus in a window's menu bar, beside what a GTK program does for the same.
//
// Building: a menu of 1,000 items (every tenth with a shortcut) appended through the exports
// to a menu in a window's menu bar, then removed; beside gtk_image_menu_item_new_with_label,
// gtk_menu_shell_append and gtk_widget_add_accelerator into a GtkMenu under a GtkMenuBar, then
// destroyed.
//
// Enabling: the enabling pass over that menu, whose Application's handlers name one half of
// the items and, on the next run, the other half; beside a loop of gtk_widget_set_sensitive
// over the 1,000 items decided by a std::unordered_set lookup that alternates the same way.
//
// Needs a display: scripts/with-display build/bench/bench_Menus
#include <gtk/gtk.h>

#include <cstdio>
#include <string>
#include <unordered_set>
#include <vector>

#include "BenchRatio.h"
#include "BenchStart.h"
#include "app/ApplicationClass.h"
#include "app/ExternalClasses.h"
#include "core/RuntimeClass.h"
#include "core/ObjectDefinitionConverter.h"
#include "windows/MenuEnabling.h"
#include "windows/MenuItemClass.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowMenuBar.h"
#include "windows/WindowObject.h"
#include "windows/XMenuGTK.h"

namespace {

constexpr int kItems = 1000;
constexpr int kShortcutEvery = 10;

RuntimeObject* gWindow = nullptr;
RuntimeObject* gBar = nullptr;
RuntimeObject* gEnabledMenu = nullptr;
RuntimeObject* gApplications[2] = {};
GtkWidget* gPlainBar = nullptr;
std::vector<GtkWidget*> gPlainItems;
std::unordered_set<std::string> gHalves[2];

std::string ItemName(int i) { return "Item " + std::to_string(i); }

// The shortcut of every tenth item: a letter with Control, and Shift and Alt by turns.
struct ItemShortcut {
  std::string text;
  guint keyval;
  GdkModifierType modifiers;
};

const ItemShortcut* Shortcut(int i) {
  static const std::vector<ItemShortcut> shortcuts = [] {
    static const char* const kPrefixes[] = {"Ctrl+", "Shift+Ctrl+", "Alt+Ctrl+",
                                            "Alt+Shift+Ctrl+"};
    static const int kMasks[] = {GDK_CONTROL_MASK, GDK_CONTROL_MASK | GDK_SHIFT_MASK,
                                 GDK_CONTROL_MASK | GDK_MOD1_MASK,
                                 GDK_CONTROL_MASK | GDK_SHIFT_MASK | GDK_MOD1_MASK};
    std::vector<ItemShortcut> made;
    for (int k = 0; k < kItems / kShortcutEvery; ++k) {
      const char letter = char('A' + k % 26);
      made.push_back({kPrefixes[k / 26] + std::string(1, letter), guint(letter),
                      GdkModifierType(kMasks[k / 26])});
    }
    return made;
  }();
  return i % kShortcutEvery == 0 ? &shortcuts[size_t(i / kShortcutEvery)] : nullptr;
}

RuntimeObject* NewItem(const std::string& text) {
  RuntimeObject* item = NewMenuItemObject();
  const string name(text.c_str());
  RuntimeMenuItemTextSetter(item, 0, name.Storage());
  RuntimeMenuItemNameSetter(item, 0, name.Storage());
  return item;
}

// A menu of kItems appended to gBar; one reference for the caller.
RuntimeObject* BuildMenu() {
  RuntimeObject* menu = NewItem("Items");
  RuntimeMenuItemAppend(gBar, menu);
  for (int i = 0; i < kItems; ++i) {
    RuntimeObject* item = NewItem(ItemName(i));
    if (const ItemShortcut* key = Shortcut(i)) {
      RuntimeMenuItemCommandKeySetter(item, 0, string(key->text.c_str()).Storage());
    }
    RuntimeMenuItemAppend(menu, item);
    RuntimeUnlockObject(item);
  }
  return menu;
}

void BM_MenuBuiltThroughExports(benchmark::State& state) {
  for (auto _ : state) {
    RuntimeObject* menu = BuildMenu();
    RuntimeMenuItemRemoveItem(gBar, menu);
    RuntimeUnlockObject(menu);
  }
}
BENCHMARK(BM_MenuBuiltThroughExports)->Unit(benchmark::kMillisecond)->UseRealTime();

// A GtkMenu under a new title at the end of the plain menu bar; *title gets the title.
GtkWidget* PlainMenuInBar(const char* label, GtkWidget** title) {
  GtkWidget* item = gtk_image_menu_item_new_with_label(label);
  GtkWidget* menu = gtk_menu_new();
  gtk_menu_item_set_submenu(GTK_MENU_ITEM(item), menu);
  gtk_menu_shell_append(GTK_MENU_SHELL(gPlainBar), item);
  if (title) *title = item;
  return menu;
}

void BM_GtkMenuBuilt(benchmark::State& state) {
  GtkAccelGroup* group = gtk_accel_group_new();
  for (auto _ : state) {
    GtkWidget* title = nullptr;
    GtkWidget* menu = PlainMenuInBar("Items", &title);
    for (int i = 0; i < kItems; ++i) {
      GtkWidget* item = gtk_image_menu_item_new_with_label(ItemName(i).c_str());
      gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
      if (const ItemShortcut* key = Shortcut(i)) {
        gtk_widget_add_accelerator(item, "activate", group, key->keyval, key->modifiers,
                                   GTK_ACCEL_VISIBLE);
      }
      gtk_widget_show(item);
    }
    gtk_widget_destroy(title);
  }
  g_object_unref(group);
}
BENCHMARK(BM_GtkMenuBuilt)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MenuEnablingPass(benchmark::State& state) {
  RuntimeViewWindow* native = AsWindow(gWindow)->mImp;
  int run = 0;
  for (auto _ : state) {
    SetApplicationObject(gApplications[run++ % 2]);
    EnableMenuItemsForWindow(false, native);
  }
}
BENCHMARK(BM_MenuEnablingPass)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_SetSensitiveByLookup(benchmark::State& state) {
  int run = 0;
  for (auto _ : state) {
    const std::unordered_set<std::string>& half = gHalves[run++ % 2];
    for (int i = 0; i < kItems; ++i) {
      gtk_widget_set_sensitive(gPlainItems[size_t(i)], half.count(ItemName(i)) != 0);
    }
  }
}
BENCHMARK(BM_SetSensitiveByLookup)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- set-up ----

extern "C" void LayOut(RuntimeObject* window) {
  WindowObject* w = AsWindow(window);
  RectSet(w->bounds, 0, 0, 300, 200);
  w->title = string("Menus").ExtractStringStorage();
  w->visible = 1;
}

extern "C" int32_t HandleItem(RuntimeObject*, int32_t) { return 1; }

RuntimeClass* WindowClass() {
  RuntimeClass* base = RuntimeClassForDefinition(WindowClassDefinition());
  RuntimeClass* cls = RuntimeNewClass(base, base->methodCount, base->interfaceCount,
                                      base->eventCount, base->namedMethodCount,
                                      base->propertyCount);
  cls->className = string("MenusWindow").ExtractStringStorage();
  cls->instanceSize = base->instanceSize;
  for (int32_t i = 0; i < cls->eventCount; ++i) {
    if (string(cls->eventTable[i].name).Compare(string("Layout")) == 0) {
      cls->eventTable[i].vector = reinterpret_cast<void*>(&LayOut);
    }
  }
  return cls;
}

// Two Application objects whose handlers name the even and the odd items; the same halves
// as name sets for the plain side.
void MakeHalves() {
  for (int half = 0; half < 2; ++half) {
    gApplications[half] = NewObjectFromDefinition(ApplicationClassDefinition());
    for (int i = half; i < kItems; i += 2) {
      ApplicationAddMenuHandler(gApplications[half], string(ItemName(i).c_str()).Storage(),
                                reinterpret_cast<void*>(&HandleItem));
      gHalves[half].insert(ItemName(i));
    }
  }
  SetApplicationObject(gApplications[0]);
}

void MakePlainMenu() {
  GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  GtkWidget* box = gtk_vbox_new(FALSE, 0);
  gPlainBar = gtk_menu_bar_new();
  gtk_box_pack_start(GTK_BOX(box), gPlainBar, FALSE, FALSE, 0);
  gtk_container_add(GTK_CONTAINER(window), box);
  GtkWidget* menu = PlainMenuInBar("Enabled", nullptr);
  for (int i = 0; i < kItems; ++i) {
    GtkWidget* item = gtk_image_menu_item_new_with_label(ItemName(i).c_str());
    gtk_menu_shell_append(GTK_MENU_SHELL(menu), item);
    gtk_widget_show(item);
    gPlainItems.push_back(item);
  }
  gtk_widget_show_all(window);
}

bool SetUp() {
  MakeHalves();
  gBar = NewObjectFromDefinition(MenuBarClassDefinition());
  gWindow = RuntimeNewObject(WindowClass());
  if (!gWindow) return false;
  WindowDefaultConstructor(gWindow);
  WindowMenuBarSetter(gWindow, 0, gBar);
  if (!AsWindow(gWindow)->mImp) return false;
  gEnabledMenu = BuildMenu();
  MakePlainMenu();
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (!qvbench::StartToolkit(&argc, &argv)) {
    std::fprintf(stderr, "bench_Menus needs a display (scripts/with-display)\n");
    return 0;
  }
  RuntimeInitExternalClasses();
  if (!SetUp()) {
    std::fprintf(stderr, "bench_Menus: the window did not come up\n");
    return 1;
  }
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_MenuBuiltThroughExports/real_time", "BM_GtkMenuBuilt/real_time", 5.0},
       {"BM_MenuEnablingPass/real_time", "BM_SetSensitiveByLookup/real_time", 4.0}});
}
