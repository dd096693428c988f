#include "windows/ScreenClass.h"

#include <gdk/gdk.h>

#include "core/ClassDefinitionRows.h"
#include "core/ClassFieldAccessors.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/FieldAccessors.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"

namespace {

using namespace lang;

const PropertyRow kScreenProperties[] = {
    QV_READONLY("Left", Integer, screenLeftGetter),
    QV_READONLY("Top", Integer, screenTopGetter),
    QV_READONLY("Width", Integer, screenWidthGetter),
    QV_READONLY("Height", Integer, screenHeightGetter),
    QV_READONLY("Depth", Integer, screenDepthGetter),
    QV_READONLY("AvailableLeft", Integer, intGetter, offsetof(ScreenObject, availableLeft)),
    QV_READONLY("AvailableTop", Integer, intGetter, offsetof(ScreenObject, availableTop)),
    QV_READONLY("AvailableWidth", Integer, intGetter, offsetof(ScreenObject, availableWidth)),
    QV_READONLY("AvailableHeight", Integer, intGetter, offsetof(ScreenObject, availableHeight)),
    QV_VARIABLE("__qvf_mImp", Integer),
};

// The work area of the first desktop, when the window manager publishes one.
void ReadWorkArea(GdkWindow* root, ScreenObject* screen) {
  static const GdkAtom workArea = gdk_atom_intern("_NET_WORKAREA", FALSE);
  static const GdkAtom cardinal = gdk_atom_intern("CARDINAL", FALSE);
  GdkAtom type = GDK_NONE;
  gint format = 0;
  gint length = 0;
  guchar* data = nullptr;
  if (!gdk_property_get(root, workArea, cardinal, 0, 0x7FFFFFFF, FALSE, &type, &format, &length,
                        &data)) {
    return;
  }
  // Format-32 items arrive as C longs.
  const long* values = reinterpret_cast<const long*>(data);
  if (format == 32 && length >= gint(4 * sizeof(long))) {
    screen->availableLeft = int32_t(values[0]);
    screen->availableTop = int32_t(values[1]);
    screen->availableWidth = int32_t(values[2]);
    screen->availableHeight = int32_t(values[3]);
  }
  g_free(data);
}

}  // namespace

QV_CLASS(ScreenClassDefinition,
         .name = "Screen",
         .objectSize = sizeof(ScreenObject),
         .properties = kScreenProperties)
QV_STARTUP_CLASS(kStartupScreenClass, ScreenClassDefinition)

extern "C" int32_t getScreenCount() { return 1; }
QV_EXPORT(getScreenCount)

extern "C" RuntimeObject* getScreen(int32_t index) {
  if (index != 0) return nullptr;
  RuntimeObject* object = NewObjectFromDefinition(ScreenClassDefinition());
  if (!object) return nullptr;
  ScreenObject* screen = reinterpret_cast<ScreenObject*>(object);
  screen->depth = 24;
  if (!gdk_screen_get_default()) return object;  // no display: nothing to measure
  screen->width = screen->availableWidth = gdk_screen_width();
  screen->height = screen->availableHeight = gdk_screen_height();
  GdkWindow* root = gdk_get_default_root_window();
  if (!root) return object;
  screen->depth = gdk_drawable_get_depth(root);
  ReadWorkArea(root, screen);
  return object;
}
QV_EXPORT(getScreen)

QV_SCREEN_FIELD_ACCESSORS(QV_DEFINE_FIELD_GETTER, QV_DEFINE_FIELD_SETTER)
