// What a Graphics draws into: a pane of the window layer or an off-screen surface. The Graphics
// knows its target only through this interface, so the drawing layer needs nothing of the
// panes above it; the target answers the GDK drawable, its graphics context, how a rectangle
// in the Graphics' coordinates lies on that drawable, where it lies in its window, and what
// sort of target it is.
//
// What the drawing layer needs of the pane layer beyond one target (the drawing focus, the
// screen's depth) goes through PaneLayerHooks, which the window layer installs at start-up.
#pragma once

#include <gtk/gtk.h>

#include <cstdint>

#include "core/Rect.h"

namespace QV {
class Drawable;
}
class DrawablePane;
class Graphics;

class DrawingTarget {
 public:
  // The drawable drawn on, or nil: nothing is drawn then.
  virtual GdkWindow* GetGdkWindow() = 0;
  // The target's own graphics context for that drawable (the target keeps it), or nil.
  virtual GdkGC* GetGC() = 0;
  // rect, given in g's coordinates, in the drawable's; with clip, limited to the target's area.
  virtual QV::Rect RectToDrawable(const Graphics& g, QV::Rect rect, bool clip) = 0;
  // The target's rectangle in its window's content coordinates (an off-screen surface: at 0, 0
  // with its size).
  virtual const QV::Rect& GetBounds() const = 0;
  // True for a pane that lies in a window.
  virtual bool IsInWindow() = 0;
  // The off-screen surface the target is the pane side of, or nil.
  virtual DrawablePane* OffscreenSurface() { return nullptr; }
  // Clears the target to its background (a print page: ends it and starts the next).
  virtual void EraseBackground() = 0;
  // The background colour the target's window has of its own (0xRRGGBB); false when it shows
  // the theme's.
  virtual bool OwnBackgroundColor(uint32_t* /*rgb*/) { return false; }
  // The widget that renders stock icons for the target, or nil (the default style serves).
  virtual GtkWidget* StyleWidget() { return nullptr; }

  // Which Graphics set the foreground of GetGC() last; nil once anything else may have set it.
  // Several Graphics (and pixel setters) share the target's context: a Graphics whose colour
  // is still the context's need not set it again, and one whose colour was replaced must.
  const void* GCForegroundSetter() const { return mGCForegroundSetter; }
  void NoteGCForegroundSetter(const void* setter) { mGCForegroundSetter = setter; }

 protected:
  ~DrawingTarget() = default;

 private:
  const void* mGCForegroundSetter = nullptr;
};

// rect, in g's coordinates, on the drawable of an off-screen target: the origin taken off and,
// with clip and a clip set on g, limited to the clip's right and bottom.
QV::Rect OffscreenRectToDrawable(const Graphics& g, QV::Rect rect, bool clip);

struct PaneLayerHooks {
  // Detaches the pane that holds the drawing focus (before off-screen drawing, and before an
  // off-screen surface goes away).
  void (*clearDrawFocus)() = nullptr;
  // The depth of the main screen (0 when it cannot be read).
  int32_t (*mainScreenDepth)() = nullptr;
};
// Installs hooks; returns those installed before.
PaneLayerHooks SetPaneLayerHooks(const PaneLayerHooks& hooks);
void ClearPaneDrawFocus();
// The hook's depth; 24 without one.
int32_t MainScreenDepth();
