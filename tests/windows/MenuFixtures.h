// The menus' test kit: menu items made as compiled code makes them (a "TestMenuItem" class
// derived from MenuItem whose Action and EnableMenu handlers log "Name.Action" and
// "Name.EnableMenu"), an Application object whose EnableMenuItems logs "App.EnableMenuItems",
// window and control classes whose EnableMenuItems, ConstructContextualMenu and
// ContextualMenuAction log too, and menu handlers for the handler maps that log
// "<owner>.Handler <index>". Each Boolean handler answers what answers[...] says for it.
//
// Windows come from the window-object kit (WindowObjectFixtures.h), made from the menu kit's
// window class while a MenuKit exists.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "WindowObjectFixtures.h"
#include "windows/XMenuGTK.h"

namespace qvtest {

class MenuKit {
 public:
  MenuKit();   // registers an Application object
  ~MenuKit();  // closes the windows, drops the Application object

  // A TestMenuItem with text (and name, by default the text), one reference for the caller.
  RuntimeObject* NewItem(const std::string& text, const std::string& name = "");
  // A plain MenuBar.
  RuntimeObject* NewMenuBar();
  // An item of the named framework class (QuitMenuItem, PrefsMenuItem, ...) or a class
  // derived from it, as given.
  RuntimeObject* NewItemOf(RuntimeClass* cls, const std::string& text);
  // Appends child to parent through the export, as compiled code does.
  static void Append(RuntimeObject* parent, RuntimeObject* child);

  // The handler maps: a menu handler for the item name, logging "Window.Handler <index>",
  // "App.Handler <index>" or "<Control>.Handler <index>" and answering answers["Window"],
  // answers["App"] or answers["<Control>"].
  void AddWindowHandler(RuntimeObject* window, const std::string& itemName);
  void AddAppHandler(const std::string& itemName);
  void AddControlHandler(RuntimeObject* control, const std::string& itemName);

  // Events logged since the last Take (the window kit's log is separate).
  std::vector<std::string> Take();

  WindowObjectKit windows;
  RuntimeObject* application = nullptr;
  RuntimeClass* itemClass = nullptr;  // "TestMenuItem"
  // What the Boolean handlers answer, by "Name.Action", "Window", "App" or a control's name;
  // absent: False.
  std::map<std::string, bool> answers;
  // Called after each logged event with the event ("Name.Action", "App.EnableMenuItems",
  // "Title.ConstructContextualMenu", ...) and the item, window or control it went to; for
  // ConstructContextualMenu with the base item.
  std::function<void(const std::string& event, RuntimeObject* object)> action;
};

MenuKit& Menus();

// The node of a MenuItem object.
XMenuGTK* Node(RuntimeObject* item);
// The text of each child of item, in order.
std::vector<std::string> ChildTexts(RuntimeObject* item);
// The accelerators widget (nil: none) carries in the menus' accelerator group: how many, and
// the last one's key value and modifiers.
struct AcceleratorSeen {
  int count = 0;
  guint key = 0;
  GdkModifierType modifiers{};
};
AcceleratorSeen AcceleratorOf(GtkWidget* widget);
// The labels of the widgets in a GTK menu shell (a separator is "-"), in order.
std::vector<std::string> ShellLabels(GtkWidget* shell);

}  // namespace qvtest
