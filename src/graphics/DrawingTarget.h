// What a Graphics draws into: a pane of the window layer or an off-screen surface. The Graphics
// knows its target only through this interface, so the drawing layer needs nothing of the
// panes above it; the target answers the GDK drawable, its graphics context, and how a
// rectangle in the Graphics' coordinates lies on that drawable.
#pragma once

#include <gdk/gdk.h>

#include "core/Rect.h"

class Graphics;

class DrawingTarget {
 public:
  // The drawable drawn on, or nil: nothing is drawn then.
  virtual GdkWindow* GetGdkWindow() = 0;
  // The target's own graphics context for that drawable (the target keeps it), or nil.
  virtual GdkGC* GetGC() = 0;
  // rect, given in g's coordinates, in the drawable's; with clip, limited to the target's area.
  virtual QV::Rect RectToDrawable(const Graphics& g, QV::Rect rect, bool clip) = 0;

 protected:
  ~DrawingTarget() = default;
};
