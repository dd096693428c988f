// Menu shortcuts: the shortcut grammar, the table of registered shortcuts and the key lookup.
#include "windows/MenuShortcuts.h"

#include <gdk/gdkkeysyms.h>

#include <cstdlib>
#include <cstring>

#include "core/SimpleVector.h"
#include "windows/MenuDispatch.h"
#include "windows/MenuEnabling.h"
#include "windows/Window.h"
#include "windows/XMenuGTK.h"

namespace {

struct KeyWord {
  const char* word;
  const char* key;
};

constexpr KeyWord kKeyWords[] = {
    {"Insert", "Ins"},           {"Backspace", "Bksp"},       {"Bsp", "Bksp"},
    {"Delete", "Del"},           {"Return", "Enter"},         {"Escape", "Esc"},
    {"Left", "Left Arrow"},      {"Left Arrow", "Left Arrow"}, {"LeftArrow", "Left Arrow"},
    {"Right", "Right Arrow"},    {"Right Arrow", "Right Arrow"},
    {"RightArrow", "Right Arrow"}, {"Up", "Up Arrow"},        {"Up Arrow", "Up Arrow"},
    {"UpArrow", "Up Arrow"},     {"Down", "Down Arrow"},      {"Down Arrow", "Down Arrow"},
    {"DownArrow", "Down Arrow"}, {"PgUp", "Page Up"},         {"Pg Up", "Page Up"},
    {"PageUp", "Page Up"},       {"PgDn", "Page Down"},       {"Pg Dn", "Page Down"},
    {"PageDown", "Page Down"},   {"PageDn", "Page Down"},
};

struct KeyValue {
  const char* key;
  guint keyval;
};

constexpr KeyValue kKeyValues[] = {
    {"Ins", GDK_KEY_Insert},        {"Bksp", GDK_KEY_BackSpace},  {"Del", GDK_KEY_Delete},
    {"Enter", GDK_KEY_Return},      {"Esc", GDK_KEY_Escape},      {"Left Arrow", GDK_KEY_Left},
    {"Right Arrow", GDK_KEY_Right}, {"Up Arrow", GDK_KEY_Up},     {"Down Arrow", GDK_KEY_Down},
    {"Page Up", GDK_KEY_Page_Up},   {"Page Down", GDK_KEY_Page_Down},
};

struct ShortcutEntry {
  XMenuGTK* node;
  string keyName;
  uint32_t modifiers;
};

SimpleVector<ShortcutEntry>& MenuShortcutTable() {
  static SimpleVector<ShortcutEntry> table;
  return table;
}

// The text as UTF-8 bytes, so that one character may span several.
std::string Utf8Of(const string& text) {
  const string utf8 = text.GetUTF8String();
  return std::string(reinterpret_cast<const char*>(utf8.Bytes()), size_t(utf8.Length()));
}

bool EqualsIgnoringCase(const std::string& a, const char* b) {
  return a.size() == std::strlen(b) && g_ascii_strcasecmp(a.c_str(), b) == 0;
}

bool ContainsIgnoringCase(const std::string& text, const char* word) {
  gchar* lower = g_ascii_strdown(text.c_str(), gssize(text.size()));
  const bool found = std::strstr(lower, word) != nullptr;
  g_free(lower);
  return found;
}

int32_t CharacterCount(const std::string& utf8) {
  return int32_t(g_utf8_strlen(utf8.c_str(), gssize(utf8.size())));
}

// The key value of the text's first character; a non-ASCII one by its code point.
guint FirstCharacterKeyval(const std::string& utf8) {
  const auto first = static_cast<unsigned char>(utf8[0]);
  if (first < 0x80) return first;
  const gunichar code = g_utf8_get_char_validated(utf8.c_str(), gssize(utf8.size()));
  if (code == gunichar(-1) || code == gunichar(-2)) return first;
  return gdk_unicode_to_keyval(code);
}

std::string KeyPart(const std::string& utf8) {
  std::string key = utf8;
  for (size_t i = utf8.size() >= 2 ? utf8.size() - 2 : 0; i >= 1; --i) {
    if (utf8[i] != '-' && utf8[i] != '+') continue;
    key = utf8.substr(i + 1);
    break;
  }
  for (const KeyWord& word : kKeyWords) {
    if (EqualsIgnoringCase(key, word.word)) return word.key;
  }
  return key;
}

}  // namespace

string KeyPartOfShortcut(const string& text) {
  const std::string key = KeyPart(Utf8Of(text));
  return string::FromBytes(key.data(), int64_t(key.size()), kEncodingUTF8);
}

uint32_t ShortcutModifiers(const string& text) {
  const std::string utf8 = Utf8Of(text);
  if (utf8.empty()) return 0;
  if (CharacterCount(utf8) == 1) return kShortcutControl;
  uint32_t modifiers = 0;
  for (const char* word : {"ctrl", "control", "cmd", "command"}) {
    if (ContainsIgnoringCase(utf8, word)) modifiers = kShortcutControl;
  }
  if (ContainsIgnoringCase(utf8, "shift") || ContainsIgnoringCase(utf8, "shft")) {
    modifiers |= kShortcutShift;
  }
  if (ContainsIgnoringCase(utf8, "option") || ContainsIgnoringCase(utf8, "alt")) {
    modifiers |= kShortcutAlt;
  }
  return modifiers;
}

guint ShortcutKeyval(const string& text) {
  const std::string key = KeyPart(Utf8Of(text));
  if (key.empty()) return 0;
  if (CharacterCount(key) == 1) return FirstCharacterKeyval(key);
  for (const KeyValue& value : kKeyValues) {
    if (EqualsIgnoringCase(key, value.key)) return value.keyval;
  }
  if (key[0] == 'F') return GDK_KEY_F1 - 1 + guint(std::strtol(key.c_str() + 1, nullptr, 10));
  return FirstCharacterKeyval(key);
}

// ---- the table ----

void RegisterMenuShortcut(XMenuGTK* node, const string& keyName, uint32_t modifiers) {
  UnregisterMenuShortcut(node);
  if (keyName.IsEmpty()) return;
  MenuShortcutTable().Append(ShortcutEntry{node, keyName, modifiers});
}

void UnregisterMenuShortcut(XMenuGTK* node) {
  SimpleVector<ShortcutEntry>& table = MenuShortcutTable();
  for (uint32_t i = table.size(); i-- > 0;) {
    if (table[int32_t(i)].node == node) table.RemoveAt(int32_t(i));
  }
}

int32_t MenuShortcutCount() { return int32_t(MenuShortcutTable().size()); }

bool FindMenuShortcut(const XMenuGTK* node, string* keyName, uint32_t* modifiers) {
  const SimpleVector<ShortcutEntry>& table = MenuShortcutTable();
  for (uint32_t i = 0; i < table.size(); ++i) {
    if (table[int32_t(i)].node != node) continue;
    *keyName = table[int32_t(i)].keyName;
    *modifiers = table[int32_t(i)].modifiers;
    return true;
  }
  return false;
}

namespace {

uint32_t ShortcutMaskOf(int32_t modifiers) {
  uint32_t mask = 0;
  if (modifiers & 0x800) mask |= kShortcutAlt;
  if (modifiers & 0x200) mask |= kShortcutShift;
  if (modifiers & 0x1000) mask |= kShortcutControl;
  return mask;
}

// The first entry of window's menu bar for the key, or -1.
int32_t FindEntry(const string& keyName, uint32_t mask, Window* window) {
  const SimpleVector<ShortcutEntry>& table = MenuShortcutTable();
  for (uint32_t i = 0; i < table.size(); ++i) {
    const ShortcutEntry& entry = table[int32_t(i)];
    if (entry.modifiers != mask || entry.keyName.Compare(keyName) != 0) continue;
    if (entry.node->TopNode()->GetWindow() == window) return int32_t(i);
  }
  return -1;
}

}  // namespace

// The enabling pass may run compiled code that adds and removes items, so the walk starts
// again after it; it runs at most once a key.
bool HandleMenuShortcut(const string& keyName, int32_t modifiers, Window* window,
                        bool* consumed) {
  *consumed = false;
  if (!window || keyName.IsEmpty()) return false;
  const uint32_t mask = ShortcutMaskOf(modifiers);
  if (mask != 0 && FindEntry(keyName, mask, window) >= 0) {
    window->Retain();
    EnableMenuItemsForWindow(window->IsModalKind(), window);
    const bool closing = window->IsClosing();
    if (window->Release() || closing) return false;
  }
  const SimpleVector<ShortcutEntry>& table = MenuShortcutTable();
  for (uint32_t i = 0; i < table.size(); ++i) {
    const ShortcutEntry& entry = table[int32_t(i)];
    if (entry.modifiers != mask || entry.keyName.Compare(keyName) != 0) continue;
    XMenuGTK* top = entry.node->TopNode();
    if (top->GetWindow() != window || !entry.node->IsEnabled()) continue;
    RuntimeObject* item = top->FindItemForNode(entry.node);
    if (!item) continue;
    *consumed = true;
    const bool handled = DispatchMenuCommand(item, window);
    RuntimeUnlockObject(item);
    return handled;
  }
  return false;
}
