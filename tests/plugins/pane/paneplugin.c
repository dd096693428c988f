/* A plug-in with two controls whose behaviour entries raise the control's compiled event
 * Heard(what As String) through GetEventInstance, saying what each entry heard: "3 x y" for a
 * mouse-down, "18 x y" for a move, "19 code" for a state change, and so on. PaneDial (version
 * 8) draws its bounds red with raw GDK on the drawable and context of the Graphics it is
 * given, takes the mouse and, through entry 25, the focus. PaneQuiet (version 7, focus flag
 * clear) has no mouse-down entry, so clicks pass on to the window. The library's destructor
 * says when the library is closed.
 *
 * With PANEPLUGIN_PICTURES naming a folder, PaneQuiet's entry 9 reads the pictures format1.pic
 * to format4.pic there, a file format of the plug-in's own (little-endian words width, height,
 * pixel format, row bytes, then the rows), builds each into a Picture, locks it and compares
 * the pixmap's pixels with the file ("picture 4 matches 48 of 48"), and draws the last one at
 * its bounds with QUORDrawPicturePrimitive. With QVPLUGIN_LOG naming a file, PaneDial's
 * entries 10 and 1 and the library's close are logged there, one line each. */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "../registration/qvplugin.h"

typedef struct QVString QVString;
typedef struct GdkColour {
  uint32_t pixel;
  uint16_t red, green, blue;
} GdkColour;
void gdk_gc_set_rgb_fg_color(void* gc, const GdkColour* colour);
void gdk_draw_rectangle(void* drawable, void* gc, int filled, int x, int y, int width, int height);

typedef struct QVPictureDescription {
  int32_t kind;
  void* handle;
  int32_t width, height, depth, transparent;
} QVPictureDescription;
void* gdk_colormap_get_system(void);
void* gdk_pixbuf_get_from_drawable(void* dest, void* drawable, void* colormap, int sx, int sy,
                                   int dx, int dy, int width, int height);
unsigned char* gdk_pixbuf_get_pixels(void* pixbuf);
int gdk_pixbuf_get_rowstride(void* pixbuf);
int gdk_pixbuf_get_n_channels(void* pixbuf);
void g_object_unref(void* object);

static void* (*QUORBuildPictureFromBuffer)(int32_t, int32_t, int32_t, const void*, int32_t);
static void (*lockPictureDescription)(void*, QVPictureDescription*);
static void (*unlockPictureDescription)(void*);
static void (*QUORDrawPicturePrimitive)(void*, void*, const int16_t*, int32_t);
static void (*QUORUnlockObject)(void*);

static void* gPicture; /* the last picture read, which PaneQuiet draws at its size */
static int16_t gPictureWidth, gPictureHeight;
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
static void QuietClose(void* c) {
  Say(c, gQuietEvents, "quiet 10");
  if (gPicture) QUORUnlockObject(gPicture);
  gPicture = 0;
}

static void DialClose(void* c) {
  QVPluginLog("dial 10");
  Close(c);
}
static void DialDestructor(void* c) {
  (void)c;
  QVPluginLog("dial 1");
}

/* ---- pictures of the plug-in's own file format ---- */


static const int kBytesPerPixel[5] = {0, 3, 3, 4, 4};

/* The pixel at p of format as 0xRRGGBB. */
static uint32_t FilePixel(const unsigned char* p, int format) {
  switch (format) {
    case 1: return (uint32_t)p[0] << 16 | p[1] << 8 | p[2];
    case 2: return (uint32_t)p[2] << 16 | p[1] << 8 | p[0];
    case 3: return (uint32_t)p[1] << 16 | p[2] << 8 | p[3];
    default: return (uint32_t)p[2] << 16 | p[1] << 8 | p[0];
  }
}

/* The pixels of the locked picture that equal the file's. */
static int MatchingPixels(void* picture, const int32_t* header, const unsigned char* rows) {
  QVPictureDescription d = {0, 0, 0, 0, 0, 0};
  lockPictureDescription(picture, &d);
  int matching = 0;
  void* pixbuf = d.kind == 6 && d.width == header[0] && d.height == header[1]
                     ? gdk_pixbuf_get_from_drawable(0, d.handle, gdk_colormap_get_system(), 0, 0,
                                                    0, 0, d.width, d.height)
                     : 0;
  if (pixbuf) {
    const unsigned char* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    for (int y = 0; y < d.height; ++y) {
      for (int x = 0; x < d.width; ++x) {
        const unsigned char* got = pixels + y * stride + x * channels;
        const uint32_t seen = (uint32_t)got[0] << 16 | got[1] << 8 | got[2];
        matching += seen == FilePixel(rows + y * header[3] + x * kBytesPerPixel[header[2]],
                                      header[2]);
      }
    }
    g_object_unref(pixbuf);
  }
  unlockPictureDescription(picture);
  return matching;
}

static void ReadPicture(void* control, const char* folder, int number) {
  char path[512], text[64];
  snprintf(path, sizeof path, "%s/format%d.pic", folder, number);
  int32_t header[4] = {0, 0, 0, 0}; /* width, height, format, row bytes */
  const int fd = open(path, O_RDONLY);
  if (fd < 0) return;
  unsigned char* rows = 0;
  if (read(fd, header, sizeof header) == sizeof header && header[0] > 0 && header[0] < 1000 &&
      header[1] > 0 && header[1] < 1000 && header[2] >= 1 && header[2] <= 4 &&
      header[3] > 0 && header[3] < 10000) {
    const long size = (long)header[1] * header[3];
    rows = malloc(size);
    if (rows && read(fd, rows, size) != size) {
      free(rows);
      rows = 0;
    }
  }
  close(fd);
  void* picture = rows ? QUORBuildPictureFromBuffer(header[0], header[1], header[2], rows,
                                                     header[3])
                       : 0;
  if (picture) {
    snprintf(text, sizeof text, "picture %d matches %d of %d", number,
             MatchingPixels(picture, header, rows), header[0] * header[1]);
    Say(control, gQuietEvents, text);
    if (gPicture) QUORUnlockObject(gPicture);
    gPicture = picture;
    gPictureWidth = (int16_t)header[0];
    gPictureHeight = (int16_t)header[1];
  }
  free(rows);
}

static void QuietOpen(void* c) {
  const char* folder = getenv("PANEPLUGIN_PICTURES");
  for (int number = 1; folder && number <= 4; ++number) ReadPicture(c, folder, number);
}
static void QuietDraw(void* c, void* graphics) {
  int16_t bounds[4] = {0, 0, 0, 0};
  GetControlBounds(c, bounds);
  const int16_t at[4] = {bounds[0], bounds[1], (int16_t)(bounds[0] + gPictureHeight),
                         (int16_t)(bounds[1] + gPictureWidth)};
  if (gPicture) QUORDrawPicturePrimitive(graphics, gPicture, at, 0);
}

static void* const kDial[26] = {
    0, (void*)DialDestructor, (void*)Draw, (void*)MouseDown, (void*)MouseDrag, (void*)MouseUp,
    (void*)GotFocus, (void*)LostFocus, (void*)Key, (void*)Open, (void*)DialClose, (void*)Idle, 0, 0, 0, 0,
    (void*)Enter, (void*)Exit, (void*)Move, (void*)State, 0, 0, (void*)Wheel, 0, 0,
    (void*)TakesFocus};
static void* const kQuiet[26] = {0, 0, (void*)QuietDraw, 0, 0, 0, 0, 0, 0, (void*)QuietOpen,
                                 (void*)QuietClose, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                 (void*)TakesFocus};

static const QVControlDefinition kDialDefinition = {
    .version = 8, .name = "PaneDial", .dataSize = 4, .events = gDialEvents, .eventCount = 1,
    .behaviour = kDial};
static const QVControlDefinition kQuietDefinition = {
    .version = 7, .name = "PaneQuiet", .events = gQuietEvents, .eventCount = 1,
    .behaviour = kQuiet};

__attribute__((destructor)) static void LibraryClosed(void) {
  QVPluginLog("pane library closed");
  dprintf(1, "library closed\n");
}

#define FIND(name) (*(void**)&name = gLookup(#name))

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  gLookup = lookup;
  FIND(QUORBuildString);
  FIND(QUORUnlockString);
  FIND(QUORGraphicsDC);
  FIND(QUORGraphicsGdkDrawable);
  FIND(GetControlBounds);
  FIND(GetEventInstance);
  FIND(QUORBuildPictureFromBuffer);
  FIND(lockPictureDescription);
  FIND(unlockPictureDescription);
  FIND(QUORDrawPicturePrimitive);
  FIND(QUORUnlockObject);
  RegisterPluginVersion(8);
  PluginRegisterControl(&kDialDefinition);
  PluginRegisterControl(&kQuietDefinition);
}
