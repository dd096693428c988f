#include "windows/KeyTranslation.h"

#include <cstdio>

#include "core/RuntimeError.h"
#include "windows/ComposeTable.h"

namespace {

constexpr int32_t kLongestSequence = 4;

// The keys of the compose sequence under way; none while idle.
int32_t gSequenceLength = 0;
uint16_t gSequence[kLongestSequence];

struct SpecialKey {
  guint keyval;
  uint32_t code;
};

constexpr SpecialKey kSpecialKeys[] = {
    {GDK_KEY_Home, kKeyHome}, {GDK_KEY_KP_Home, kKeyHome}, {GDK_KEY_Begin, kKeyHome},
    {GDK_KEY_KP_Begin, kKeyHome}, {GDK_KEY_KP_Enter, kKeyEnter}, {GDK_KEY_End, kKeyEnd},
    {GDK_KEY_KP_End, kKeyEnd}, {GDK_KEY_BackSpace, kKeyBackspace}, {GDK_KEY_ISO_Left_Tab, kKeyTab},
    {GDK_KEY_Prior, kKeyPageUp}, {GDK_KEY_KP_Prior, kKeyPageUp}, {GDK_KEY_Next, kKeyPageDown},
    {GDK_KEY_KP_Next, kKeyPageDown}, {GDK_KEY_Return, kKeyReturn}, {GDK_KEY_Left, kKeyLeft},
    {GDK_KEY_KP_Left, kKeyLeft}, {GDK_KEY_Right, kKeyRight}, {GDK_KEY_KP_Right, kKeyRight},
    {GDK_KEY_Up, kKeyUp}, {GDK_KEY_KP_Up, kKeyUp}, {GDK_KEY_Down, kKeyDown},
    {GDK_KEY_KP_Down, kKeyDown}, {GDK_KEY_KP_Space, ' '}, {GDK_KEY_KP_Multiply, '*'},
    {GDK_KEY_KP_Add, '+'}, {GDK_KEY_KP_Subtract, '-'}, {GDK_KEY_KP_Decimal, '.'},
    {GDK_KEY_KP_Divide, '/'}, {GDK_KEY_KP_Equal, '='}, {GDK_KEY_KP_Separator, '|'},
    {GDK_KEY_Delete, kKeyDelete}, {GDK_KEY_KP_Delete, kKeyDelete},
};

struct NamedKey {
  guint keyval;
  const char* name;
};

constexpr NamedKey kKeyNames[] = {
    {GDK_KEY_Insert, "Ins"},          {GDK_KEY_KP_Insert, "Ins"},
    {GDK_KEY_Delete, "Del"},          {GDK_KEY_KP_Delete, "Del"},
    {GDK_KEY_BackSpace, "Bksp"},      {GDK_KEY_Return, "Enter"},
    {GDK_KEY_KP_Enter, "Enter"},      {GDK_KEY_Left, "Left Arrow"},
    {GDK_KEY_KP_Left, "Left Arrow"},  {GDK_KEY_Right, "Right Arrow"},
    {GDK_KEY_KP_Right, "Right Arrow"}, {GDK_KEY_Up, "Up Arrow"},
    {GDK_KEY_KP_Up, "Up Arrow"},      {GDK_KEY_Down, "Down Arrow"},
    {GDK_KEY_KP_Down, "Down Arrow"},  {GDK_KEY_Prior, "Page Up"},
    {GDK_KEY_KP_Prior, "Page Up"},    {GDK_KEY_Next, "Page Down"},
    {GDK_KEY_KP_Next, "Page Down"},   {GDK_KEY_Escape, "Esc"},
};

bool StartsSequence(guint keyval) {
  return keyval == kKeysymMultiKey ||
         (keyval >= kKeysymFirstDeadKey && keyval <= kKeysymLastDeadKey);
}

enum class SequenceMatch { kNone, kGoesOn, kComplete };

// Whether the sequence of gSequenceLength + 1 keys is one of the table's (the first such
// entry wins), or the start of longer ones.
SequenceMatch MatchSequence(uint32_t* character) {
  const ComposeTable& table = gSequence[0] == kKeysymMultiKey ? kMultiKeyCompose : kDeadKeyCompose;
  const int32_t last = gSequenceLength;
  bool goesOn = false;
  for (int32_t i = 0; i < table.count; ++i) {
    const ComposeEntry& entry = table.entries[i];
    bool same = true;
    for (int32_t k = 0; k <= last && same; ++k) same = entry.keys[k] == gSequence[k];
    if (!same) continue;
    if (entry.keys[last + 1] == 0) {
      *character = entry.character;
      return SequenceMatch::kComplete;
    }
    goesOn = true;
  }
  return goesOn ? SequenceMatch::kGoesOn : SequenceMatch::kNone;
}

}  // namespace

uint32_t KeysymToChar(guint keyval) {
  if (keyval >= GDK_KEY_KP_0 && keyval <= GDK_KEY_KP_9) return '0' + (keyval - GDK_KEY_KP_0);
  for (const SpecialKey& key : kSpecialKeys) {
    if (key.keyval == keyval) return key.code;
  }
  if (const uint32_t character = gdk_keyval_to_unicode(keyval)) return character;
  return keyval & 0xFF;
}

bool TranslateKeyEvent(const GdkEventKey* event, uint32_t* character) {
  const guint keyval = event->keyval;
  if (gSequenceLength == 0 && !StartsSequence(keyval)) {
    *character = KeysymToChar(keyval);
    return true;
  }
  // No sequence holds a keysym beyond 16 bits; cutting one short could match another key.
  if (keyval > 0xFFFF) {
    gdk_beep();
    ResetComposeState();
    return false;
  }
  gSequence[gSequenceLength] = uint16_t(keyval);
  if (gSequenceLength == 0) {
    gSequenceLength = 1;
    return false;
  }
  switch (MatchSequence(character)) {
    case SequenceMatch::kComplete:
      ResetComposeState();
      return true;
    case SequenceMatch::kNone:
      gdk_beep();
      ResetComposeState();
      return false;
    case SequenceMatch::kGoesOn:
      break;
  }
  ++gSequenceLength;
  // The table holds no longer sequence; were it to, the next key would not fit.
  if (!QV_CHECK_TEXT(gSequenceLength < kLongestSequence, "mSequenceIter < 4", nullptr)) {
    ResetComposeState();
  }
  return false;
}

void ResetComposeState() { gSequenceLength = 0; }

string MenuShortcutKeyName(guint keyval, uint32_t character) {
  if (keyval >= GDK_KEY_F1 && keyval <= GDK_KEY_F35) {
    char name[8];
    std::snprintf(name, sizeof name, "F%u", keyval - GDK_KEY_F1 + 1);
    return string(name);
  }
  for (const NamedKey& key : kKeyNames) {
    if (key.keyval == keyval) return string(key.name);
  }
  gchar utf8[6];
  const gint length = g_unichar_to_utf8(gunichar(character), utf8);
  return string::FromBytes(utf8, length, kEncodingUTF8);
}

