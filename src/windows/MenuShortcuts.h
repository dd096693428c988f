// Menu shortcuts: the grammar of a menu item's shortcut text (its KeyboardShortcut), the GTK
// accelerator it gives, and the process-wide table through which a window finds the item a
// pressed key belongs to.
//
// Grammar: the key part follows the last "-" or "+" that is neither the first nor the last
// character ("Ctrl+-" takes the minus sign as its key); without one the whole text is the key.
// Key words (any case) name special keys: "Insert" "Ins", "Backspace" and "Bsp" "Bksp",
// "Delete" "Del", "Return" "Enter", "Escape" "Esc", "Left", "Left Arrow", "LeftArrow" and the
// same for Right, Up and Down, "PgUp", "Pg Up", "PageUp" "Page Up", "PgDn", "Pg Dn",
// "PageDown", "PageDn" "Page Down"; the words apply with or without a separator. Modifiers:
// a one-character text means Control; a longer one gets Control for "ctrl", "control", "cmd"
// or "command", Shift for "shift" or "shft" and Alt for "option" or "alt" anywhere in it.
//
// Key names in the table are those a window gives a translated key (MenuShortcutKeyName):
// "Ins", "Del", "Bksp", "Enter", "Esc", the arrows and pages as above, "F" and a number, or
// the character; they compare ignoring case.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "strings/RuntimeString.h"

class Window;
class XMenuGTK;

// GdkModifierType bits of a shortcut.
enum ShortcutModifier : uint32_t {
  kShortcutShift = 1,
  kShortcutControl = 4,
  kShortcutAlt = 8,
};

string KeyPartOfShortcut(const string& text);
uint32_t ShortcutModifiers(const string& text);
// The GDK key value; 0 for an empty key part. A one-character key part gives its character's
// key value (a non-ASCII one through gdk_unicode_to_keyval); "F" and a number a function key.
guint ShortcutKeyval(const string& text);

// At most one entry per node: registering replaces the node's entry. An empty key name
// registers nothing.
void RegisterMenuShortcut(XMenuGTK* node, const string& keyName, uint32_t modifiers);
void UnregisterMenuShortcut(XMenuGTK* node);
int32_t MenuShortcutCount();
// The entry of node: its key name and modifiers; false when node has none.
bool FindMenuShortcut(const XMenuGTK* node, string* keyName, uint32_t* modifiers);

// The window's key (its name and the modifier word, 0x200 Shift, 0x800 Alt, 0x1000 Control)
// as a menu shortcut of window's menu bar: the first matching entry whose item is enabled
// after the enabling pass (run once, for a key with modifiers) is dispatched. *consumed tells
// whether an item was dispatched; the answer is whether it was handled.
bool HandleMenuShortcut(const string& keyName, int32_t modifiers, Window* window,
                        bool* consumed);
