// Window: the key-press pipeline. In this order: the modifier word; keys that only change
// modifiers (not handled); Shift+F10 asks for a contextual menu; the key is translated
// (compose sequences included); its name is offered to the menu shortcuts; the focus pane's
// HandleChar, after which a text field or combo box may leave the key to GTK; the window's
// HandleChar; then Tab moves the focus, Escape pushes the cancel button and Return or Enter
// the default button.
#include "windows/GtkInput.h"
#include "windows/KeyTranslation.h"
#include "windows/MenuShortcuts.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"

namespace {

// Control, Option or Command held: Tab is somebody else's.
constexpr int32_t kTabBlockingModifiers = 0x1900;

// Shift, Control, the locks, Meta, Alt, Super, Hyper, and Mode_switch.
bool ChangesOnlyModifiers(guint keyval) {
  return (keyval >= GDK_KEY_Shift_L && keyval <= GDK_KEY_Hyper_R) ||
         keyval == GDK_KEY_Mode_switch;
}

// GDK's state is the one before the press: a modifier key adds its own bit.
uint16_t ModifierOfKey(guint keyval) {
  switch (keyval) {
    case GDK_KEY_Shift_L:
    case GDK_KEY_Shift_R:
      return kModifierShift;
    case GDK_KEY_Control_L:
    case GDK_KEY_Control_R:
      return kModifierControl;
    case GDK_KEY_Alt_L:
    case GDK_KEY_Alt_R:
      return kModifierOption;
    default:
      return 0;
  }
}

// The ISO and dead-key group; ISO_Left_Tab is Shift+Tab and stays a Tab.
bool IsIsoGroupKey(guint keyval) {
  return keyval >= 0xFE00 && keyval <= 0xFEFF && keyval != GDK_KEY_ISO_Left_Tab;
}

bool IsTextField(GtkWidget* widget) {
  if (GTK_IS_ENTRY(widget)) return true;
  return GTK_IS_SCROLLED_WINDOW(widget) &&
         GTK_IS_TEXT_VIEW(gtk_bin_get_child(GTK_BIN(widget)));
}

}  // namespace

bool Window::HandleKeyPress(const GdkEventKey* event) {
  const guint keyval = event->keyval;
  const uint16_t modifiers = ModifiersFromGdkState(event->state);
  SetCurrentModifiers(modifiers);
  if (ChangesOnlyModifiers(keyval)) {
    SetCurrentModifiers(modifiers | ModifierOfKey(keyval));
    return false;
  }
  if (keyval == GDK_KEY_F10 && modifiers == kModifierShift) {
    SubPane* focus = GetFocusPane();
    const QV::Rect place = focus ? focus->GetBounds() : QV::Rect{};
    if (ContextualClick(place.left, place.top)) return true;
  }
  uint32_t character = 0;
  if (!TranslateKeyEvent(event, &character) || IsIsoGroupKey(keyval)) return false;
  // A dispatched item ends the key, handled or not: GTK's accelerator must not run it again.
  bool dispatched = false;
  const bool handled =
      HandleMenuShortcut(MenuShortcutKeyName(keyval, character), modifiers, this, &dispatched);
  if (handled || dispatched) return true;
  const int32_t code = int32_t(character);
  const int32_t keyCode = event->hardware_keycode;
  SubPane* focus = GetFocusPane();
  if (focus && focus != this && focus->GetWindow() == this) {
    // The pane's handler may close it, or the window.
    if (!focus->RetainChain()) return true;
    bool handled = focus->HandleChar(code, keyCode, modifiers);
    const bool goesToWindow =
        !handled && !focus->IsClosing() && KeyGoesToWindow(focus, code, keyCode);
    handled = focus->ReleaseChain() || handled;
    if (handled || IsClosing()) return true;
    if (!goesToWindow) return false;
  }
  return HandleWindowKey(code, keyCode, modifiers);
}

// A focused text field keeps the keys it edits with; a combo box says for itself.
bool Window::KeyGoesToWindow(SubPane* focus, int32_t character, int32_t keyCode) {
  GtkWidget* widget = focus->GetWidget();
  if (!widget) return true;
  if (GTK_IS_COMBO(widget)) return focus->ComboKeyGoesToWindow(character, keyCode);
  if (!IsTextField(widget)) return true;
  const TextFieldTraits traits = focus->GetTextFieldTraits();
  if (traits.readOnly) return true;
  if (character == kKeyTab) return !traits.acceptsTabs;
  if ((character == kKeyEnter || (character == kKeyReturn && !traits.multiLine)) &&
      FindDefaultButton()) {
    return true;
  }
  return character == kKeyEscape && FindCancelButton();
}

bool Window::HandleWindowKey(int32_t character, int32_t keyCode, int32_t modifiers) {
  if (HandleChar(character, keyCode, modifiers) || IsClosing()) return true;
  switch (character) {
    case kKeyTab: {
      if (modifiers & kTabBlockingModifiers) return false;
      SubPane* target = TabTarget((modifiers & kModifierShift) != 0);
      if (!target || target == GetFocusPane()) return false;
      target->FocusedByTab();
      if (!IsClosing()) target->SetKeyboardFocus();
      return true;
    }
    case kKeyEscape:
      return PushButton(FindCancelButton());
    case kKeyReturn:
    case kKeyEnter:
      return PushButton(FindDefaultButton());
    default:
      return false;
  }
}

bool Window::PushButton(SubPane* button) {
  if (!button) return false;
  button->Push();
  return true;
}

// Forward the window stands before the first pane: Tab from the last pane gives the window
// the focus, the next Tab the first pane. Shift+Tab goes from the first pane to the last.
SubPane* Window::TabTarget(bool backwards) {
  SubPane* focus = GetFocusPane();
  if (focus && focus->GetWindow() != this) focus = nullptr;
  if (!focus) return CanTakeFocus() ? this : FirstFocusable(0, PaneCount());
  const int32_t index = FocusOrderIndex(focus);
  if (backwards) {
    if (SubPane* before = LastFocusable(0, index)) return before;
    return LastFocusable(0, PaneCount());
  }
  if (SubPane* after = FirstFocusable(index + 1, PaneCount())) return after;
  return CanTakeFocus() ? this : FirstFocusable(0, index + 1);
}
