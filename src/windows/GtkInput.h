// GTK input that every native pane shares: the four handlers each control connects to its
// widget (mouse press and release, focus, drawing), the process-wide modifier word, the keys
// held down as the key snooper sees them, and the main loop's drag of the mouse-capture pane.
//
// Modifier word: the classic modifier bits, Shift 0x200, Option (Alt) 0x800, Control 0x1000,
// set from GDK's state at every key press and mouse-button press; nothing sets 0x100
// (Command).
//
// Held keys: the key snooper (installed at start-up, InitGtkDefaults) notes every key pressed
// and released in any of the program's windows. A key is asked for by its classic virtual key
// code (0 to 127; larger values are X keysyms). A held key answers for the keysym it gave and
// for its key's plain keysym (unshifted, first layout, letters in upper case), and is
// forgotten when the same key is released, whatever the modifiers then: holding A answers
// key code 0 with or without Shift, and Shift released first leaves nothing held. Keys
// released while another program has the focus may stay held.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

class SubPane;

enum ModifierBits : uint16_t {
  kModifierShift = 0x200,
  kModifierOption = 0x800,
  kModifierControl = 0x1000,
};

uint16_t ModifiersFromGdkState(guint state);
uint16_t CurrentModifiers();
void SetCurrentModifiers(uint16_t modifiers);

// "button-press-event": the press goes to the pane's window, button 3 to its ClickChildren,
// any other to its MouseDown, where it happened in content coordinates. The same press
// reaching a parent widget again, and GDK's double and triple presses, are ignored. TRUE when
// the window took the press, unless the pane it stopped at does not take clicks itself: GTK
// then gives it the press.
gboolean OnPaneButtonPress(GtkWidget* widget, GdkEventButton* event, SubPane* pane);
// "button-release-event": when pane holds the mouse capture, the capture ends and the pane
// gets MouseUp where the release happened. FALSE.
gboolean DeliverMouseUp(GtkWidget* widget, GdkEventButton* event, SubPane* pane);
// "grab-focus": a widget that can take the focus makes its pane the focus pane.
void OnPaneGrabFocus(GtkWidget* widget, SubPane* pane);
// "expose-event": the pane draws itself unless closing. FALSE.
gboolean OnPaneExpose(GtkWidget* widget, GdkEventExpose* event, SubPane* pane);
// Connects the four handlers above to widget, with pane as their data.
void ConnectPaneInputHandlers(SubPane* pane, GtkWidget* widget);

// Installs KeySnooper once.
void InstallKeySnooper();
// Notes presses and releases in the held keys; FALSE, so the event goes on to GTK.
gint KeySnooper(GtkWidget* grabWidget, GdkEventKey* event, gpointer data);

constexpr uint32_t kMacKeyEscape = 53;
// Whether the key with that classic key code is held; unmapped codes never are.
bool IsMacKeyCodeDown(uint32_t code);
void ForgetHeldKeysForTesting();

// While the mouse button is held after a press a pane took, MouseDrag to that pane at the
// pointer, and true; false when no drag is in progress.
bool DragMouseCapture();

extern "C" {
// Whether the event GTK is handling now is a press of the third (contextual) button.
int32_t IsCMMClick();
}
