#include "listbox/ListDrawablePane.h"

ListDrawablePane::ListDrawablePane(RuntimeListbox* list, int32_t width, int32_t height,
                                   int32_t depth)
    : DrawablePane({0, 0}, {height, width}, depth), mList(list) {}

ListDrawablePane::~ListDrawablePane() {
  if (mCopyGC) g_object_unref(mCopyGC);
}

void ListDrawablePane::CopyWithin(int32_t fromX, int32_t fromY, int32_t width, int32_t height,
                                  int32_t toX, int32_t toY) {
  GdkPixmap* pixmap = GetPixmap();
  if (!pixmap || width < 1 || height < 1) return;
  if (!mCopyGC) mCopyGC = gdk_gc_new(pixmap);
  gdk_draw_drawable(pixmap, mCopyGC, pixmap, fromX, fromY, toX, toY, width, height);
  DiscardCache();
}
