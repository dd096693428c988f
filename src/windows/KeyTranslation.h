// Key translation: what a GDK key event means to the key handling. Special keys become the
// language's one-byte codes (below); every other key its Unicode character, carried as a
// 32-bit code point (a key with no character gives the low 8 bits of its keysym). Dead keys
// and Multi_key start compose sequences, which complete through the compose table into one
// character.
//
// The compose state (the keys typed so far) is process-wide: it survives between key events
// and between windows.
#pragma once

#include <gdk/gdk.h>
#include <gdk/gdkkeysyms.h>

#include <cstdint>

#include "strings/RuntimeString.h"

// The one-byte codes of special keys.
enum SpecialKeyCode : uint32_t {
  kKeyHome = 1,
  kKeyEnter = 3,
  kKeyEnd = 4,
  kKeyBackspace = 8,
  kKeyTab = 9,
  kKeyPageUp = 11,
  kKeyPageDown = 12,
  kKeyReturn = 13,
  kKeyEscape = 27,
  kKeyLeft = 28,
  kKeyRight = 29,
  kKeyUp = 30,
  kKeyDown = 31,
  kKeyDelete = 127,
};

constexpr guint kKeysymMultiKey = 0xFF20;
constexpr guint kKeysymFirstDeadKey = 0xFE50;  // dead_grave
constexpr guint kKeysymLastDeadKey = 0xFE60;   // dead_belowdot

// The character of a keysym outside a compose sequence.
uint32_t KeysymToChar(guint keyval);
// True with the character when the event completes one; false while a compose sequence is
// under way, and when it was dropped (no sequence of the table goes on so: a beep).
bool TranslateKeyEvent(const GdkEventKey* event, uint32_t* character);
// Drops a compose sequence under way.
void ResetComposeState();

// The name under which menu shortcuts know a translated key: "F1" to "F35", "Ins", "Del",
// "Bksp", "Enter" (Return and keypad Enter), "Left Arrow", "Right Arrow", "Up Arrow",
// "Down Arrow", "Page Up", "Page Down" (each with its keypad twin), "Esc", else the character
// itself.
string MenuShortcutKeyName(guint keyval, uint32_t character);
