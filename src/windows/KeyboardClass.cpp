#include "windows/KeyboardClass.h"

#include <cstdio>

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "windows/GtkInput.h"

namespace {

using namespace lang;

constexpr int32_t kKeyboardObjectSize = 24;  // the header alone: the object has no state

constexpr int32_t kMaskCommand = 0x100;
constexpr int32_t kMaskMenuShortcut = -1;           // Control here
constexpr int32_t kMaskAlternateMenuShortcut = -2;  // Shift here
constexpr uint32_t kKeysymSuperLeft = 0xFFEB;
constexpr uint32_t kKeysymSuperRight = 0xFFEC;

constexpr uint32_t kRowFlags = 4;
constexpr uint32_t kRowOtherPlatformName = 0x8004;  // the same key under another platform's name

struct KeyName {
  int32_t code;
  const char* name;
};

// Searched in order; the first entry with the code answers. Enter has three keys; code 81
// (the keypad's equals) has no name.
constexpr KeyName kKeyNames[] = {
    {53, "Esc"},        {48, "Tab"},          {57, "CapsLock"},    {56, "Shift"},
    {59, "Control"},    {58, "Alt"},          {55, "Win"},         {60, "Shift(R)"},
    {61, "Alt(R)"},     {62, "Control(R)"},   {36, "Enter"},       {49, "Space"},
    {52, "Enter"},      {63, "Fn"},           {51, "Backspace"},   {114, "Insert"},
    {115, "Home"},      {116, "PageUp"},      {117, "Delete"},     {119, "End"},
    {121, "PageDown"},  {122, "F1"},          {120, "F2"},         {99, "F3"},
    {118, "F4"},        {96, "F5"},           {97, "F6"},          {98, "F7"},
    {100, "F8"},        {101, "F9"},          {109, "F10"},        {103, "F11"},
    {111, "F12"},       {105, "PrintScreen"}, {107, "ScrollLock"}, {113, "Pause/Break"},
    {71, "NumLock"},    {75, "KP/"},          {81, ""},            {67, "KP*"},
    {89, "KP7"},        {91, "KP8"},          {92, "KP9"},         {78, "KP-"},
    {86, "KP4"},        {87, "KP5"},          {88, "KP6"},         {69, "KP+"},
    {83, "KP1"},        {84, "KP2"},          {85, "KP3"},         {82, "KP0"},
    {65, "KP."},        {76, "Enter"},        {126, "Up"},         {123, "Left"},
    {125, "Down"},      {124, "Right"},
};
static_assert(sizeof(kKeyNames) / sizeof(kKeyNames[0]) == 58, "the key-name table");

// The classic mask the menu shortcut keys stand for on this platform.
int32_t PlatformMask(int32_t mask) {
  if (mask == kMaskMenuShortcut) return kModifierControl;
  if (mask == kMaskAlternateMenuShortcut) return kModifierShift;
  return mask;
}

bool EitherKeyDown(uint32_t left, uint32_t right) {
  return IsMacKeyCodeDown(left) || IsMacKeyCodeDown(right);
}

const PropertyRow kKeyboardProperties[] = {
    QV_READONLY("ShiftKey", Boolean, modifierKeyGetter, kModifierShift).Flags(kRowFlags),
    QV_READONLY("CommandKey", Boolean, modifierKeyGetter, kMaskCommand)
        .Flags(kRowOtherPlatformName),
    QV_READONLY("OSKey", Boolean, modifierKeyGetter, kMaskCommand).Flags(kRowFlags),
    QV_READONLY("ControlKey", Boolean, modifierKeyGetter, kModifierControl).Flags(kRowFlags),
    QV_READONLY("OptionKey", Boolean, modifierKeyGetter, kModifierOption)
        .Flags(kRowOtherPlatformName),
    QV_READONLY("AltKey", Boolean, modifierKeyGetter, kModifierOption).Flags(kRowFlags),
    QV_READONLY("AsyncShiftKey", Boolean, asyncModifierKeyGetter, kModifierShift)
        .Flags(kRowFlags),
    QV_READONLY("AsyncCommandKey", Boolean, asyncModifierKeyGetter, kMaskCommand)
        .Flags(kRowOtherPlatformName),
    QV_READONLY("AsyncOSKey", Boolean, asyncModifierKeyGetter, kMaskCommand).Flags(kRowFlags),
    QV_READONLY("AsyncControlKey", Boolean, asyncModifierKeyGetter, kModifierControl)
        .Flags(kRowFlags),
    QV_READONLY("AsyncOptionKey", Boolean, asyncModifierKeyGetter, kModifierOption)
        .Flags(kRowOtherPlatformName),
    QV_READONLY("AsyncAltKey", Boolean, asyncModifierKeyGetter, kModifierOption)
        .Flags(kRowFlags),
    QV_READONLY("MenuShortcutKey", Boolean, modifierKeyGetter, uint32_t(kMaskMenuShortcut))
        .Flags(kRowFlags),
    QV_READONLY("AlternateMenuShortcutKey", Boolean, modifierKeyGetter,
                uint32_t(kMaskAlternateMenuShortcut))
        .Flags(kRowFlags),
    QV_READONLY("AsyncMenuShortcutKey", Boolean, asyncModifierKeyGetter,
                uint32_t(kMaskMenuShortcut))
        .Flags(kRowFlags),
    QV_READONLY("AsyncAlternateMenuShortcutKey", Boolean, asyncModifierKeyGetter,
                uint32_t(kMaskAlternateMenuShortcut))
        .Flags(kRowFlags),
};
const MethodRow kKeyboardMethods[] = {
    QV_FUNCTION("AsyncKeyDown", Boolean, keyboardAsyncKeyDown, Param("KeyCode", Integer))
        .Flags(kRowFlags),
    QV_FUNCTION("KeyName", String, keyboardKeyName, Param("KeyCode", Integer)).Flags(kRowFlags),
};

}  // namespace

QV_CLASS(KeyboardClassDefinition,
         .name = "_Keyboard",
         .objectSize = kKeyboardObjectSize,
         .properties = kKeyboardProperties,
         .methods = kKeyboardMethods,
         .flags = kRowEveryTarget)
QV_STARTUP_CLASS(kStartupKeyboardClass, KeyboardClassDefinition)

extern "C" RuntimeObject* getKeyboardObject() {
  return NewObjectFromDefinition(KeyboardClassDefinition());
}
QV_EXPORT(getKeyboardObject)

extern "C" int32_t modifierKeyGetter(RuntimeObject*, int32_t mask) {
  return (CurrentModifiers() & PlatformMask(mask)) != 0 ? 1 : 0;
}
QV_EXPORT(modifierKeyGetter)

extern "C" int32_t asyncModifierKeyGetter(RuntimeObject*, int32_t mask) {
  switch (PlatformMask(mask)) {
    case kMaskCommand:
      return EitherKeyDown(kKeysymSuperLeft, kKeysymSuperRight) ? 1 : 0;
    case kModifierShift:
      return EitherKeyDown(56, 60) ? 1 : 0;
    case kModifierOption:
      return EitherKeyDown(58, 61) ? 1 : 0;
    case kModifierControl:
      return EitherKeyDown(59, 62) ? 1 : 0;
    default:
      return 0;
  }
}
QV_EXPORT(asyncModifierKeyGetter)

extern "C" int32_t keyboardAsyncKeyDown(RuntimeObject*, int32_t code) {
  if (code < 0) {
    RaiseOutOfBoundsException();
    return 0;
  }
  return IsMacKeyCodeDown(uint32_t(code)) ? 1 : 0;
}
QV_EXPORT(keyboardAsyncKeyDown)

extern "C" stringStorage* keyboardKeyName(RuntimeObject*, int32_t code) {
  for (const KeyName& entry : kKeyNames) {
    if (entry.code != code) continue;
    if (entry.name[0] != '\0') return string(entry.name).ExtractStringStorage();
    break;
  }
  char text[16];
  std::snprintf(text, sizeof text, "key%08X", uint32_t(code));
  return string(text).ExtractStringStorage();
}
QV_EXPORT(keyboardKeyName)
