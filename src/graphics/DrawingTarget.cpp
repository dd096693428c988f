#include "graphics/DrawingTarget.h"

#include <algorithm>

#include "graphics/Graphics.h"

namespace {

PaneLayerHooks gHooks;

}  // namespace

QV::Rect OffscreenRectToDrawable(const Graphics& g, QV::Rect rect, bool clip) {
  if (g.OriginX() != 0 || g.OriginY() != 0) RectOffset(rect, -g.OriginX(), -g.OriginY());
  if (clip && g.HasClip()) {
    rect.right = int16_t(std::min<int32_t>(rect.right, g.ClipRect().right - g.OriginX()));
    rect.bottom = int16_t(std::min<int32_t>(rect.bottom, g.ClipRect().bottom - g.OriginY()));
  }
  return rect;
}

PaneLayerHooks SetPaneLayerHooks(const PaneLayerHooks& hooks) {
  const PaneLayerHooks previous = gHooks;
  gHooks = hooks;
  return previous;
}

void ClearPaneDrawFocus() {
  if (gHooks.clearDrawFocus) gHooks.clearDrawFocus();
}

int32_t MainScreenDepth() {
  const int32_t depth = gHooks.mainScreenDepth ? gHooks.mainScreenDepth() : 0;
  return depth > 0 ? depth : 24;
}
