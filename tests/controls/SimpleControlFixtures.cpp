#include "SimpleControlFixtures.h"

#include <gtest/gtest.h>

#include "controls/RuntimeControl.h"
#include "core/ObjectDefinitionConverter.h"
#include "windows/GtkPlacement.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowControls.h"
#include "windows/WindowObject.h"

namespace qvtest {

namespace {

std::string NameOf(RuntimeObject* control) {
  return stringStorage::CString(AsControl(control)->name);
}

void Hear(RuntimeObject* control, const char* event, int32_t x, int32_t y) {
  const std::string entry =
      NameOf(control) + "." + event + "(" + std::to_string(x) + "," + std::to_string(y) + ")";
  Kit().log.push_back(entry);
  if (Kit().script) Kit().script(entry, control);
}

int32_t OnMouseDown(RuntimeObject* control, int32_t x, int32_t y) {
  Hear(control, "MouseDown", x, y);
  return Kit().mouseDownTakes ? 1 : 0;
}
void OnMouseDrag(RuntimeObject* control, int32_t x, int32_t y) {
  Hear(control, "MouseDrag", x, y);
}
void OnMouseUp(RuntimeObject* control, int32_t x, int32_t y) { Hear(control, "MouseUp", x, y); }

}  // namespace

RuntimeClass* MouseLoggingSubclass(const char* parentName, const char* name) {
  RuntimeClass* cls = Subclass(parentName, name);
  SetHandler(cls, "MouseDown", reinterpret_cast<void*>(&OnMouseDown));
  SetHandler(cls, "MouseDrag", reinterpret_cast<void*>(&OnMouseDrag));
  SetHandler(cls, "MouseUp", reinterpret_cast<void*>(&OnMouseUp));
  return cls;
}

RuntimeObject* AddControl(RuntimeObject* window, RuntimeClass* cls, const std::string& name,
                          const QV::Rect& bounds,
                          const std::function<void(RuntimeObject*)>& setup) {
  RuntimeObject* control = RuntimeNewObject(cls);
  ControlObject* record = AsControl(control);
  record->bounds = bounds;
  record->visible = record->enabled = 1;
  if (setup) setup(control);
  WindowAddControl(window, string(name.c_str()).Storage(), control);  // opens at once
  RuntimeUnlockObject(control);
  return AsControl(control)->pane ? control : nullptr;
}

ContentPixels::ContentPixels(RuntimeObject* window) {
  RuntimeViewWindow* native = AsWindow(window)->mImp;
  if (!native) return;
  mGdkWindow = GTK_WIDGET(native->GetGtkWindow())->window;
  mOffset = WindowContentTopOffset(native);
}

ContentPixels::~ContentPixels() {
  if (mGc) g_object_unref(mGc);
}

GdkPixmap* ContentPixels::CopyArea(const QV::Rect& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  GdkPixmap* pixmap = gdk_pixmap_new(mGdkWindow, width, height, -1);
  GdkGC* gc = gdk_gc_new(pixmap);
  gdk_draw_drawable(pixmap, gc, mGdkWindow, area.left, area.top + mOffset, 0, 0, width, height);
  g_object_unref(gc);
  return pixmap;
}

GdkPixmap* ContentPixels::Duplicate(GdkPixmap* source) {
  gint width = 0, height = 0;
  gdk_drawable_get_size(source, &width, &height);
  GdkPixmap* pixmap = gdk_pixmap_new(source, width, height, -1);
  GdkGC* gc = gdk_gc_new(pixmap);
  gdk_draw_drawable(pixmap, gc, source, 0, 0, 0, 0, width, height);
  g_object_unref(gc);
  return pixmap;
}

Screenshot ContentPixels::Read(const QV::Rect& area) {
  gdk_window_process_all_updates();
  gdk_flush();
  return PixelsOf(mGdkWindow, area.right - area.left, area.bottom - area.top, area.left,
                  area.top + mOffset);
}

bool ContentPixels::WaitUntilShows(GuiDriver& gui, const QV::Rect& area, GdkPixmap* reference) {
  const Screenshot expected =
      PixelsOf(reference, area.right - area.left, area.bottom - area.top);
  const bool shown = gui.PumpUntil([&] { return Read(area).DifferingPixels(expected) == 0; });
  if (!shown) {
    Read(area).WritePPM("/tmp/qv_controls_shown.ppm");
    expected.WritePPM("/tmp/qv_controls_expected.ppm");
  }
  return shown;
}

GdkGC* ContentPixels::Gc(GdkDrawable* drawable, uint32_t rgb) {
  if (!mGc) mGc = gdk_gc_new(drawable);
  GdkColor color = {0, guint16((rgb >> 16 & 0xFF) * 257), guint16((rgb >> 8 & 0xFF) * 257),
                    guint16((rgb & 0xFF) * 257)};
  gdk_colormap_alloc_color(gdk_drawable_get_colormap(drawable), &color, FALSE, TRUE);
  gdk_gc_set_foreground(mGc, &color);
  gdk_gc_set_line_attributes(mGc, 0, GDK_LINE_SOLID, GDK_CAP_BUTT, GDK_JOIN_MITER);
  return mGc;
}

ScreenPoint ContentToScreen(GuiDriver& gui, XWindow xid, RuntimeObject* window, int x, int y) {
  const ScreenArea area = gui.Area(xid);
  const int offset = WindowContentTopOffset(AsWindow(window)->mImp);
  return {area.x + x, area.y + offset + y};
}

}  // namespace qvtest
