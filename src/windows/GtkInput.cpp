#include "windows/GtkInput.h"

#include "core/Export.h"
#include "core/SimpleVector.h"
#include "windows/GtkPlacement.h"
#include "windows/PaneFocus.h"
#include "windows/Window.h"

namespace {

uint16_t gModifiers = 0;

struct HeldKey {
  guint16 keycode;  // the hardware key; 0 for events that name none
  guint keyval;     // as the press gave it
  guint plain;      // the key's unshifted keysym of the first layout, letters upper case
};

SimpleVector<HeldKey>& HeldKeys() {
  static SimpleVector<HeldKey> keys;
  return keys;
}

// Keysyms of the classic virtual key codes 0 to 127; 0 where a code has no key here.
constexpr guint kKeysymOfMacKeyCode[128] = {
    // 0-15: A S D F H G Z X C V (10 none) B Q W E R
    0x41, 0x53, 0x44, 0x46, 0x48, 0x47, 0x5A, 0x58, 0x43, 0x56, 0, 0x42, 0x51, 0x57, 0x45, 0x52,
    // 16-31: Y T 1 2 3 4 6 5 = 9 7 - 8 0 ] O
    0x59, 0x54, 0x31, 0x32, 0x33, 0x34, 0x36, 0x35, 0x3D, 0x39, 0x37, 0x2D, 0x38, 0x30, 0x5D, 0x4F,
    // 32-47: U [ I P Return L J ' K ; \ , / N M .
    0x55, 0x5B, 0x49, 0x50, 0xFF0D, 0x4C, 0x4A, 0x27, 0x4B, 0x3B, 0x5C, 0x2C, 0x2F, 0x4E, 0x4D,
    0x2E,
    // 48-63: Tab Space ` Backspace (52) Escape (54) Super Shift Caps Alt Control Shift_R Alt_R
    // Control_R (63)
    0xFF09, 0x20, 0x60, 0xFF08, 0, 0xFF1B, 0, 0xFFEB, 0xFFE1, 0xFFE5, 0xFFE9, 0xFFE3, 0xFFE2,
    0xFFEA, 0xFFE4, 0,
    // 64-79: (64) KP. (66) KP* (68) KP+ (70) NumLock (72-74) KP/ KPEnter (77) KP- (79)
    0, 0xFFAE, 0, 0xFFAA, 0, 0xFFAB, 0, 0xFF7F, 0, 0, 0, 0xFFAF, 0xFF8D, 0, 0xFFAD, 0,
    // 80-95: (80) KP= KP0-KP7 (90) KP8 KP9 (93-95)
    0, 0xFFBD, 0xFFB0, 0xFFB1, 0xFFB2, 0xFFB3, 0xFFB4, 0xFFB5, 0xFFB6, 0xFFB7, 0, 0xFFB8, 0xFFB9,
    0, 0, 0,
    // 96-111: F5 F6 F7 F3 F8 F9 (102) F11 (104) SysReq (106) ScrollLock (108) F10 (110) F12
    0xFFC2, 0xFFC3, 0xFFC4, 0xFFC0, 0xFFC5, 0xFFC6, 0, 0xFFC8, 0, 0xFF15, 0, 0xFF14, 0, 0xFFC7, 0,
    0xFFC9,
    // 112-127: (112) Pause Insert Home PageUp Delete F4 End F2 PageDown F1 Left Right Down Up
    // (127)
    0, 0xFF13, 0xFF63, 0xFF50, 0xFF55, 0xFFFF, 0xFFC1, 0xFF57, 0xFFBF, 0xFF56, 0xFFBE, 0xFF51,
    0xFF53, 0xFF54, 0xFF52, 0,
};

guint PlainKeysym(const GdkEventKey* event) {
  guint plain = 0;
  if (event->hardware_keycode != 0) {
    GdkKeymapKey key = {event->hardware_keycode, 0, 0};
    plain = gdk_keymap_lookup_key(gdk_keymap_get_default(), &key);
  }
  return gdk_keyval_to_upper(plain ? plain : event->keyval);
}

// The held key of the event's key: by hardware key when the event names one.
int32_t IndexOfHeldKey(const GdkEventKey* event) {
  SimpleVector<HeldKey>& keys = HeldKeys();
  for (uint32_t i = 0; i < keys.size(); ++i) {
    const HeldKey& key = keys[int32_t(i)];
    const bool same = event->hardware_keycode != 0 ? key.keycode == event->hardware_keycode
                                                   : key.keyval == event->keyval;
    if (same) return int32_t(i);
  }
  return -1;
}

// The widget GTK began the press's propagation at: the widget under the press, or the grab
// widget of its window group when a grab keeps the press from it.
GtkWidget* PropagationStart(GdkEventButton* event) {
  GtkWidget* start = gtk_get_event_widget(reinterpret_cast<GdkEvent*>(event));
  if (!start) return nullptr;
  GtkWidget* top = gtk_widget_get_toplevel(start);
  GtkWindowGroup* group = GTK_IS_WINDOW(top) ? gtk_window_get_group(GTK_WINDOW(top)) : nullptr;
  GtkWidget* grab = group ? gtk_window_group_get_current_grab(group) : nullptr;
  if (grab && !(gtk_widget_is_sensitive(start) && gtk_widget_is_ancestor(start, grab))) {
    return grab;
  }
  return start;
}

// True when the press reaches widget as a parent after a widget below it, on the way up from
// where GTK began, already offered it to its pane (and let it go on). The event itself is
// followed, not its time stamp: two presses can share a millisecond.
bool PressOfferedBelow(GtkWidget* widget, GdkEventButton* event) {
  static const guint signal = g_signal_lookup("button-press-event", GTK_TYPE_WIDGET);
  bool offered = false;
  for (GtkWidget* step = PropagationStart(event); step; step = gtk_widget_get_parent(step)) {
    if (step == widget) return offered;
    offered = offered || g_signal_handler_find(step,
                                               GSignalMatchType(G_SIGNAL_MATCH_ID |
                                                                G_SIGNAL_MATCH_FUNC |
                                                                G_SIGNAL_MATCH_UNBLOCKED),
                                               signal, 0, nullptr,
                                               reinterpret_cast<gpointer>(&OnPaneButtonPress),
                                               nullptr) != 0;
  }
  return false;  // widget is not on the way up: GTK gave it the press directly
}

}  // namespace

uint16_t ModifiersFromGdkState(guint state) {
  uint16_t modifiers = 0;
  if (state & GDK_SHIFT_MASK) modifiers |= kModifierShift;
  if (state & GDK_CONTROL_MASK) modifiers |= kModifierControl;
  if (state & GDK_MOD1_MASK) modifiers |= kModifierOption;
  return modifiers;
}

uint16_t CurrentModifiers() { return gModifiers; }
void SetCurrentModifiers(uint16_t modifiers) { gModifiers = modifiers; }

gboolean OnPaneButtonPress(GtkWidget* widget, GdkEventButton* event, SubPane* pane) {
  // A double or triple press repeats a press already delivered as a single one.
  if (event->type != GDK_BUTTON_PRESS || PressOfferedBelow(widget, event)) return FALSE;
  const uint16_t modifiers = ModifiersFromGdkState(event->state);
  SetCurrentModifiers(modifiers);
  Window* window = pane->GetWindow();
  if (!window) return FALSE;
  const QV::Point point = GetEventPointInWindow(window, event);
  // The handlers behind the window may close it.
  SignalScope scope;
  window->Retain();
  const bool rightButton = event->button == 3;
  const bool taken = rightButton ? window->ClickChildren(point.h, point.v, modifiers)
                                 : window->MouseDown(point.h, point.v, modifiers);
  const bool gone = window->IsClosing();
  const bool widgetTakesIt = taken && !rightButton && !gone && window->ClickedPane();
  window->Release();
  if (gone) return TRUE;
  return taken && !widgetTakesIt;
}

// The release's handler may close the pane or its window: then GTK hears no more of it.
gboolean DeliverMouseUp(GtkWidget*, GdkEventButton* event, SubPane* pane) {
  if (pane != GetMouseCapturePane()) return FALSE;
  const QV::Point point = GetEventPointInWindow(pane->GetWindow(), event);
  ClearMouseCapturePane();
  return !HoldForSignal(pane, [&] { pane->MouseUp(point.h, point.v); });
}

// The focus notices' handlers may close the pane or its window while GTK is still giving the
// widget the focus.
void OnPaneGrabFocus(GtkWidget* widget, SubPane* pane) {
  if (GTK_WIDGET_CAN_FOCUS(widget)) HoldForSignal(pane, [pane] { SetFocusPane(pane); });
}

gboolean OnPaneExpose(GtkWidget*, GdkEventExpose*, SubPane* pane) {
  pane->DrawIfOpen();
  return FALSE;
}

void ConnectPaneInputHandlers(SubPane* pane, GtkWidget* widget) {
  g_signal_connect(widget, "button-press-event", G_CALLBACK(OnPaneButtonPress), pane);
  g_signal_connect(widget, "button-release-event", G_CALLBACK(DeliverMouseUp), pane);
  g_signal_connect(widget, "grab-focus", G_CALLBACK(OnPaneGrabFocus), pane);
  g_signal_connect(widget, "expose-event", G_CALLBACK(OnPaneExpose), pane);
}

void InstallKeySnooper() {
  static bool installed = false;
  if (installed) return;
  installed = true;
  gtk_key_snooper_install(&KeySnooper, nullptr);
}

gint KeySnooper(GtkWidget*, GdkEventKey* event, gpointer) {
  const int32_t index = IndexOfHeldKey(event);
  if (event->type == GDK_KEY_PRESS) {
    if (index < 0) HeldKeys().Append({event->hardware_keycode, event->keyval, PlainKeysym(event)});
  } else if (index >= 0) {
    HeldKeys().RemoveAt(index);
  }
  return FALSE;
}

bool IsMacKeyCodeDown(uint32_t code) {
  const guint keyval = code < 128 ? kKeysymOfMacKeyCode[code] : code;
  if (keyval == 0) return false;
  const SimpleVector<HeldKey>& keys = HeldKeys();
  for (uint32_t i = 0; i < keys.size(); ++i) {
    if (keys[int32_t(i)].keyval == keyval || keys[int32_t(i)].plain == keyval) return true;
  }
  return false;
}

void ForgetHeldKeysForTesting() {
  while (HeldKeys().size() > 0) HeldKeys().RemoveAt(0);
}

bool DragMouseCapture() {
  SubPane* pane = GetMouseCapturePane();
  if (!pane || !pane->IsMouseButtonDown()) return false;
  const QV::Point point = GetPointerInWindow(pane->GetWindow());
  if (!pane->RetainChain()) return false;
  pane->MouseDrag(point.h, point.v);
  pane->ReleaseChain();
  return true;
}

extern "C" int32_t IsCMMClick() {
  GdkEvent* event = gtk_get_current_event();
  if (!event) return 0;
  const bool rightPress = event->type == GDK_BUTTON_PRESS && event->button.button == 3;
  gdk_event_free(event);
  return rightPress ? 1 : 0;
}
QV_EXPORT(IsCMMClick)
