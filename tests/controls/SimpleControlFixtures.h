// The kit of the self-drawn and simple controls' tests (shapes, lines, group boxes, progress
// bars): subclasses of their language classes whose MouseDown, MouseDrag and MouseUp handlers
// log "Name.Event(x,y)", controls added to a running window as compiled code adds them, and
// the window's pixels read back beside a plain GDK reference drawn over the same background.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <string>

#include "ControlFixtures.h"
#include "core/Rect.h"
#include "core/RuntimeClass.h"
#include "support/GuiDriver.h"

namespace qvtest {

// A subclass of the language class parent whose mouse handlers log to Kit().log; MouseDown
// answers Kit().mouseDownTakes.
RuntimeClass* MouseLoggingSubclass(const char* parent, const char* name);

// A new control of cls named name at bounds, set up by setup before the window opens its pane.
// The window holds it; nil when the window made no pane.
RuntimeObject* AddControl(RuntimeObject* window, RuntimeClass* cls, const std::string& name,
                          const QV::Rect& bounds,
                          const std::function<void(RuntimeObject*)>& setup = nullptr);

// The window's content, read from its GDK window (below the menu bar).
class ContentPixels {
 public:
  explicit ContentPixels(RuntimeObject* window);
  ~ContentPixels();
  // A pixmap holding the content of area now (content coordinates), for a reference drawing
  // on it with Gc(); the caller unrefs it.
  GdkPixmap* CopyArea(const QV::Rect& area);
  // A new pixmap with source's pixels.
  GdkPixmap* Duplicate(GdkPixmap* source);
  Screenshot Read(const QV::Rect& area);
  // Pumps until the content of area reads as reference; false (with both written out as PPM
  // under /tmp) at the deadline.
  bool WaitUntilShows(GuiDriver& gui, const QV::Rect& area, GdkPixmap* reference);
  GdkGC* Gc(GdkDrawable* drawable, uint32_t rgb);
  GdkWindow* gdkWindow() const { return mGdkWindow; }
  int offset() const { return mOffset; }

 private:
  GdkWindow* mGdkWindow = nullptr;
  int mOffset = 0;
  GdkGC* mGc = nullptr;
};

// The screen point of the content point (x, y).
struct ScreenPoint {
  int x;
  int y;
};
ScreenPoint ContentToScreen(GuiDriver& gui, XWindow xid, RuntimeObject* window, int x, int y);

}  // namespace qvtest
