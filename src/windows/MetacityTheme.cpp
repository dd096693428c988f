#include "windows/MetacityTheme.h"

#include <dlfcn.h>
#include <gtk/gtk.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <sstream>
#include <string>

#include "core/FileHead.h"
#include "core/LibraryFinder.h"
#include "graphics/Drawable.h"
#include "graphics/Graphics.h"
#include "graphics/PangoFonts.h"
#include "graphics/PictureClass.h"
#include "windows/Window.h"
#include "windows/WindowOrder.h"

namespace {

struct MetaTheme;

// Both sides of the button layout: four codes each, 4 ending the list.
struct MetaButtonLayout {
  int32_t left[4];
  int32_t right[4];
};
constexpr int32_t kButtonMenu = 0;
constexpr int32_t kButtonMinimize = 1;
constexpr int32_t kButtonMaximize = 2;
constexpr int32_t kButtonClose = 3;
constexpr int32_t kButtonEnd = 4;
constexpr int kButtonStateCount = 10;

constexpr uint32_t kFrameFlags = 0xC42;
constexpr uint32_t kFlagClose = 0x1;
constexpr uint32_t kFlagMinimize = 0x4;
constexpr uint32_t kFlagMaximize = 0x8;
constexpr uint32_t kFlagGrow = 0x30;
constexpr int64_t kLargestFrameSide = 32000;

using GetCurrentFunction = MetaTheme* (*)();
using SetCurrentFunction = void (*)(const char* name, gboolean forceReload);
using LoadFunction = MetaTheme* (*)(const char* name, GError** error);
using DrawFrameFunction = void (*)(MetaTheme* theme, GtkWidget* widget, GdkDrawable* drawable,
                                   const GdkRectangle* clip, int xOffset, int yOffset, int type,
                                   int flags, int clientWidth, int clientHeight,
                                   PangoLayout* title, int textHeight,
                                   const MetaButtonLayout* layout, int* buttonStates,
                                   GdkPixbuf* miniIcon, GdkPixbuf* icon);
using GetBordersFunction = void (*)(MetaTheme* theme, int type, int textHeight, int flags,
                                    int* top, int* bottom, int* left, int* right);
using PreviewIconFunction = GdkPixbuf* (*)();

struct ThemeLibrary {
  bool attempted = false;
  bool loaded = false;
  void* handle = nullptr;
  GetCurrentFunction getCurrent = nullptr;
  SetCurrentFunction setCurrent = nullptr;
  LoadFunction load = nullptr;
  DrawFrameFunction drawFrame = nullptr;
  GetBordersFunction getBorders = nullptr;
  PreviewIconFunction miniIcon = nullptr;
  PreviewIconFunction icon = nullptr;
  MetaTheme* theme = nullptr;
  int32_t drawingTextHeight = 0;
  int32_t metricsTextHeight = 0;
};

ThemeLibrary& Library() {
  static ThemeLibrary library;
  return library;
}

template <typename Function>
bool Resolve(void* handle, const char* name, Function* out) {
  *out = reinterpret_cast<Function>(dlsym(handle, name));
  return *out != nullptr;
}

bool ResolveFunctions(ThemeLibrary& l) {
  return Resolve(l.handle, "meta_theme_get_current", &l.getCurrent) &&
         Resolve(l.handle, "meta_theme_set_current", &l.setCurrent) &&
         Resolve(l.handle, "meta_theme_load", &l.load) &&
         Resolve(l.handle, "meta_theme_draw_frame", &l.drawFrame) &&
         Resolve(l.handle, "meta_theme_get_frame_borders", &l.getBorders) &&
         Resolve(l.handle, "meta_preview_get_mini_icon", &l.miniIcon) &&
         Resolve(l.handle, "meta_preview_get_icon", &l.icon);
}

void LoadNamedTheme(ThemeLibrary& l, const char* name) {
  GError* error = nullptr;
  if (MetaTheme* theme = l.load(name, &error)) {
    l.theme = theme;
    l.loaded = true;
  }
  if (error) g_error_free(error);
}

// The value of the last "MetacityTheme=" line of an index.theme text (key case ignored).
std::string MetacityThemeNamed(const std::string& text) {
  std::string name;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line, '\n');) {
    const size_t equals = line.find('=');
    if (equals == std::string::npos) continue;
    if (g_ascii_strcasecmp(line.substr(0, equals).c_str(), "MetacityTheme") != 0) continue;
    const size_t end = line.find('=', equals + 1);
    name = line.substr(equals + 1, end == std::string::npos ? end : end - equals - 1);
  }
  return name;
}

// An index.theme is a few lines; a file of the name that is something else (an endless device,
// say) is read no further than this.
constexpr size_t kMostIndexBytes = 64 * 1024;

std::string IndexFile(const std::string& path) {
  std::string text;
  return ReadFileHead(path, kMostIndexBytes, &text) ? text : std::string();
}

void LoadThemeOfGtkTheme(ThemeLibrary& l, const char* gtkTheme) {
  gchar* folder = gtk_rc_get_theme_dir();
  if (!folder) {
    LoadNamedTheme(l, gtkTheme);
    return;
  }
  const std::string base = std::string(folder) + "/" + gtkTheme;
  g_free(folder);
  if (access((base + "/metacity-1/metacity-theme-1.xml").c_str(), F_OK) == 0) {
    LoadNamedTheme(l, gtkTheme);
    return;
  }
  const std::string named = MetacityThemeNamed(IndexFile(base + "/index.theme"));
  if (!named.empty()) LoadNamedTheme(l, named.c_str());
}

// The title's text height in the front window, measured once into *cache.
int32_t TextHeightOf(Window* window, int32_t* cache) {
  if (*cache == 0) {
    std::unique_ptr<Graphics> g(window->NewGraphics());
    if (g) *cache = g->TextHeight();
  }
  return *cache;
}

uint32_t FlagsOf(const FrameBoxes& boxes) {
  return kFrameFlags | (boxes.minimize ? kFlagMinimize : 0) |
         (boxes.maximize ? kFlagMaximize : 0) | (boxes.close ? kFlagClose : 0) |
         (boxes.grow ? kFlagGrow : 0);
}

struct Borders {
  int top = 0, bottom = 0, left = 0, right = 0;
};

void DrawBackdrop(Graphics& g, RuntimeObject* backdrop, bool stretch, int32_t clientWidth,
                  int32_t clientHeight, const Borders& b, int64_t frameWidth,
                  int64_t frameHeight) {
  QV::Drawable* image = PictureDrawable(backdrop);
  if (!image) return;  // a picture without pixels has nothing to show
  int32_t width = 0, height = 0;
  image->GetSize(&width, &height);
  width = std::min(width, clientWidth);
  height = std::min(height, clientHeight);
  if (width < 1 || height < 1) return;
  const bool transparent = reinterpret_cast<PictureObject*>(backdrop)->transparent != 0;
  const int32_t destWidth = stretch ? int32_t(frameWidth - b.right - b.left) : width;
  const int32_t destHeight = stretch ? int32_t(frameHeight - b.bottom - b.top) : height;
  g.DrawDrawable(b.left, b.top, destWidth, destHeight, image, 0, 0, width, height, transparent);
}

}  // namespace

bool MetacityLoadTheme() {
  ThemeLibrary& l = Library();
  if (l.attempted) return l.loaded;
  l.attempted = true;
  if (!l.handle) l.handle = UnixHelper::LoadLibrary(string("libmetacity-private.so"));
  if (!l.handle || !ResolveFunctions(l)) return false;
  GtkSettings* settings = gtk_settings_get_default();
  if (!settings) return false;
  gchar* gtkTheme = nullptr;
  g_object_get(settings, "gtk-theme-name", &gtkTheme, nullptr);
  if (!gtkTheme) return false;
  LoadThemeOfGtkTheme(l, gtkTheme);
  g_free(gtkTheme);
  return l.loaded;
}

DrawablePane* MetacityDrawWindowFrame(const string& title, int32_t clientWidth,
                                      int32_t clientHeight, int32_t frameType,
                                      const FrameBoxes& boxes, RuntimeObject* backdrop,
                                      bool stretch) {
  if (!MetacityLoadTheme() || clientWidth < 1 || clientHeight < 1) return nullptr;
  Window* front = FrontNativeWindow();
  if (!front || !front->GetGtkWindow()) return nullptr;
  ThemeLibrary& l = Library();
  GtkWidget* widget = GTK_WIDGET(front->GetGtkWindow());
  const int32_t textHeight = TextHeightOf(front, &l.drawingTextHeight);
  const uint32_t flags = FlagsOf(boxes);
  Borders b;
  l.getBorders(l.theme, frameType, textHeight, int(flags), &b.top, &b.bottom, &b.left, &b.right);
  // Sizes from the library are checked before they make a surface.
  const int64_t frameWidth = int64_t(clientWidth) + b.left + b.right;
  const int64_t frameHeight = int64_t(clientHeight) + b.top + b.bottom;
  if (frameWidth < 1 || frameHeight < 1 || frameWidth > kLargestFrameSide ||
      frameHeight > kLargestFrameSide) {
    return nullptr;
  }
  auto* frame = new DrawablePane({0, 0}, {int32_t(frameHeight), int32_t(frameWidth)}, 32);
  std::unique_ptr<Graphics> g(frame->NewGraphics());
  if (g) {
    const GdkColor& fill = gtk_widget_get_style(widget)->bg[GTK_STATE_NORMAL];
    g->SetForeColor({fill.red, fill.green, fill.blue});
    g->FillRect(QV::Rect{0, 0, int16_t(frameHeight), int16_t(frameWidth)});
  }
  PangoLayout* layout = gtk_widget_create_pango_layout(widget, TextForPango(title).CString());
  GdkPixbuf* icon = l.icon();
  GdkPixbuf* miniIcon = l.miniIcon();
  const MetaButtonLayout buttons{
      {kButtonMenu, kButtonEnd, kButtonEnd, kButtonEnd},
      {boxes.minimize ? kButtonMinimize : kButtonEnd, boxes.maximize ? kButtonMaximize : kButtonEnd,
       boxes.close ? kButtonClose : kButtonEnd, kButtonEnd}};
  int states[kButtonStateCount] = {};
  if (frame->HasPixmap()) {
    l.drawFrame(l.theme, widget, frame->GetPixmap(), nullptr, 0, 0, frameType, int(flags),
                clientWidth, clientHeight, layout, textHeight, &buttons, states, miniIcon, icon);
  }
  g_object_unref(layout);
  if (g && backdrop) {
    DrawBackdrop(*g, backdrop, stretch, clientWidth, clientHeight, b, frameWidth, frameHeight);
  }
  return frame;
}

bool MetacityGetFrameBorders(int32_t frameType, int32_t* left, int32_t* right, int32_t* top,
                             int32_t* bottom) {
  if (!left || !right || !top || !bottom || !MetacityLoadTheme()) return false;
  Window* front = FrontNativeWindow();
  if (!front) return false;
  ThemeLibrary& l = Library();
  const int32_t textHeight = TextHeightOf(front, &l.metricsTextHeight);
  Borders b;
  l.getBorders(l.theme, frameType, textHeight, int(kFlagClose), &b.top, &b.bottom, &b.left,
               &b.right);
  *left = b.left;
  *right = b.right;
  *top = b.top;
  *bottom = b.bottom;
  return true;
}
