/* A plug-in with two controls whose behaviour entries raise the control's compiled event
 * Heard(what As String) through GetEventInstance, saying what each entry heard: "3 x y" for a
 * mouse-down, "18 x y" for a move, "19 code" for a state change, and so on. PaneDial (version
 * 8) draws its bounds red with raw GDK on the drawable and context of the Graphics it is
 * given, takes the mouse and, through entry 25, the focus. PaneQuiet (version 7, focus flag
 * clear) has no mouse-down entry, so clicks pass on to the window. The library's destructor
 * says when the library is closed. */
#include <stdio.h>
#include <string.h>

#include "../registration/qvplugin.h"

typedef struct QVString QVString;
typedef struct GdkColour {
  uint32_t pixel;
  uint16_t red, green, blue;
} GdkColour;
void gdk_gc_set_rgb_fg_color(void* gc, const GdkColour* colour);
void gdk_draw_rectangle(void* drawable, void* gc, int filled, int x, int y, int width, int height);

static QVString* (*QUORBuildString)(const void*, int32_t);
static void (*QUORUnlockString)(QVString*);
static void* (*QUORGraphicsDC)(void*);
static void* (*QUORGraphicsGdkDrawable)(void*);
static void (*GetControlBounds)(void*, int16_t*);
static void* (*GetEventInstance)(void*, void*);

static QVEventEntry gDialEvents[] = {{"Heard(what As String)", 0}};
static QVEventEntry gQuietEvents[] = {{"Heard(what As String)", 0}};

static void Say(void* control, QVEventEntry* events, const char* text) {
  void (*handler)(void*, QVString*) = (void (*)(void*, QVString*))GetEventInstance(
      control, events[0].event);
  if (!handler) return;
  QVString* s = QUORBuildString(text, (int32_t)strlen(text));
  handler(control, s);
  QUORUnlockString(s);
}

static void SayPoint(void* control, const char* entry, int32_t x, int32_t y) {
  char text[48];
  snprintf(text, sizeof text, "%s %d %d", entry, (int)x, (int)y);
  Say(control, gDialEvents, text);
}

static void Draw(void* control, void* graphics) {
  int16_t bounds[4] = {0, 0, 0, 0}; /* top, left, bottom, right */
  GetControlBounds(control, bounds);
  void* drawable = QUORGraphicsGdkDrawable(graphics);
  void* gc = QUORGraphicsDC(graphics);
  if (!drawable || !gc) return;
  const GdkColour red = {0, 0xFFFF, 0, 0};
  gdk_gc_set_rgb_fg_color(gc, &red);
  gdk_draw_rectangle(drawable, gc, 1, bounds[1], bounds[0], bounds[3] - bounds[1],
                     bounds[2] - bounds[0]);
}
static int32_t MouseDown(void* c, int32_t x, int32_t y, int32_t m) {
  (void)m;
  SayPoint(c, "3", x, y);
  return 1;
}
static void MouseDrag(void* c, int32_t x, int32_t y) { SayPoint(c, "4", x, y); }
static void MouseUp(void* c, int32_t x, int32_t y) { SayPoint(c, "5", x, y); }
static void GotFocus(void* c) { Say(c, gDialEvents, "6"); }
static void LostFocus(void* c) { Say(c, gDialEvents, "7"); }
static int32_t Key(void* c, int32_t character, int32_t code, int32_t m) {
  (void)code;
  (void)m;
  if (character == '\t') return 0;
  char text[8];
  snprintf(text, sizeof text, "8 %c", (char)character);
  Say(c, gDialEvents, text);
  return 1;
}
static void Open(void* c) { Say(c, gDialEvents, "9"); }
static void Close(void* c) { Say(c, gDialEvents, "10"); }
static int gIdleSaid = 0;
static void Idle(void* c) {
  if (!gIdleSaid++) Say(c, gDialEvents, "11");
}
static void Enter(void* c) { Say(c, gDialEvents, "16"); }
static void Exit(void* c) { Say(c, gDialEvents, "17"); }
static void Move(void* c, int32_t x, int32_t y) { SayPoint(c, "18", x, y); }
static void State(void* c, int32_t code) {
  char text[16];
  snprintf(text, sizeof text, "19 %d", (int)code);
  Say(c, gDialEvents, text);
}
static int32_t Wheel(void* c, int32_t x, int32_t y, int32_t dy) {
  char text[48];
  snprintf(text, sizeof text, "22 %d %d %d", (int)x, (int)y, (int)dy);
  Say(c, gDialEvents, text);
  return 1;
}
static int32_t TakesFocus(void* c) {
  (void)c;
  return 1;
}
static void QuietClose(void* c) { Say(c, gQuietEvents, "quiet 10"); }

static void* const kDial[26] = {
    0, 0, (void*)Draw, (void*)MouseDown, (void*)MouseDrag, (void*)MouseUp, (void*)GotFocus,
    (void*)LostFocus, (void*)Key, (void*)Open, (void*)Close, (void*)Idle, 0, 0, 0, 0,
    (void*)Enter, (void*)Exit, (void*)Move, (void*)State, 0, 0, (void*)Wheel, 0, 0,
    (void*)TakesFocus};
static void* const kQuiet[26] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, (void*)QuietClose, 0, 0,
                                 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, (void*)TakesFocus};

static const QVControlDefinition kDialDefinition = {
    .version = 8, .name = "PaneDial", .dataSize = 4, .events = gDialEvents, .eventCount = 1,
    .behaviour = kDial};
static const QVControlDefinition kQuietDefinition = {
    .version = 7, .name = "PaneQuiet", .events = gQuietEvents, .eventCount = 1,
    .behaviour = kQuiet};

__attribute__((destructor)) static void LibraryClosed(void) { dprintf(1, "library closed\n"); }

#define FIND(name) (*(void**)&name = gLookup(#name))

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  FIND(QUORBuildString);
  FIND(QUORUnlockString);
  FIND(QUORGraphicsDC);
  FIND(QUORGraphicsGdkDrawable);
  FIND(GetControlBounds);
  FIND(GetEventInstance);
  RegisterPluginVersion(8);
  PluginRegisterControl(&kDialDefinition);
  PluginRegisterControl(&kQuietDefinition);
}
