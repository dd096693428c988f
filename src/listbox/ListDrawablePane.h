// ListDrawablePane: the off-screen image a list box paints its rows into. It knows its list
// only to answer which one it belongs to; it holds nothing of it, so freeing the image frees
// nothing of the list.
#pragma once

#include "graphics/Drawable.h"

class RuntimeListbox;

class ListDrawablePane : public DrawablePane {
 public:
  ListDrawablePane(RuntimeListbox* list, int32_t width, int32_t height, int32_t depth);
  ~ListDrawablePane() override;

  RuntimeListbox* List() const { return mList; }
  // Copies width x height at (fromX, fromY) of the image to (toX, toY) of itself; the parts
  // may overlap. A GC of its own, as the Graphics' one carries the Graphics' clip.
  void CopyWithin(int32_t fromX, int32_t fromY, int32_t width, int32_t height, int32_t toX,
                  int32_t toY);

 private:
  RuntimeListbox* mList;
  GdkGC* mCopyGC = nullptr;
};
