// The list box's off-screen image: made on paint at the list rectangle's size, shifted by
// scrolls, marked out of date by every invalidation of the pane, freed when the list
// rectangle changes size and when the list closes.
//
// The image shows the rows from mImageTop at horizontal position mImageOffset; mDirty holds
// what of it no longer matches the list (image coordinates: the list rectangle's top left
// is 0, 0). A paint redraws only what is out of date within its clip.
#include <algorithm>
#include <cstdlib>
#include <utility>

#include "graphics/Graphics.h"
#include "listbox/ListDrawablePane.h"
#include "listbox/RuntimeListbox.h"

ListDrawablePane* RuntimeListbox::NewOffscreenPane(int32_t width, int32_t height,
                                                   int32_t depth) {
  return new ListDrawablePane(this, width, height, depth);
}

Graphics* RuntimeListbox::GetOffscreenGraphics(const QV::Rect& area) {
  const int32_t width = area.right - area.left;
  const int32_t height = area.bottom - area.top;
  if (mOffscreen && (mOffscreen->Width() != width || mOffscreen->Height() != height)) {
    FreeOffscreen();
  }
  if (!mOffscreen && !mOffscreenRefused && width > 0 && height > 0) {
    for (const int32_t depth : {32, 16, 8}) {
      ListDrawablePane* pane = NewOffscreenPane(width, height, depth);
      if (pane && pane->HasPixmap()) {
        mOffscreen = pane;
        break;
      }
      if (pane) pane->Release();
    }
    if (mOffscreen) mOffscreenGraphics = mOffscreen->NewGraphics();
    if (!mOffscreenGraphics) {
      FreeOffscreen();
      mOffscreenRefused = true;
    } else {
      mImageTop = TopRow();
      mImageOffset = HorizontalOffset();
      MarkImageDirty(nullptr);
    }
  }
  // Theme colours are drawn into the image; GTK repaints a restyled widget by exposing it,
  // which alone would only copy the old colours.
  GtkWidget* widget = GetWidget();
  GtkStyle* style = widget ? widget->style : nullptr;
  if (mOffscreen && style != mImageStyle) {
    if (mImageStyle) g_object_unref(mImageStyle);
    mImageStyle = style ? GTK_STYLE(g_object_ref(style)) : nullptr;
    MarkImageDirty(nullptr);
  }
  // The drawing code works in window coordinates: the list rectangle's corner is the image's.
  if (mOffscreenGraphics) mOffscreenGraphics->SetOrigin(area.left, area.top);
  return mOffscreenGraphics;
}

void RuntimeListbox::FreeOffscreen() {
  mReleaseAfterPaint = false;
  if (mOffscreenGraphics) Graphics::Destroy(std::exchange(mOffscreenGraphics, nullptr));
  if (mOffscreen) std::exchange(mOffscreen, nullptr)->Release();
  if (mDirty) gdk_region_destroy(std::exchange(mDirty, nullptr));
  if (mImageStyle) g_object_unref(std::exchange(mImageStyle, nullptr));
}

void RuntimeListbox::ReleaseOffscreen() {
  mOffscreenRefused = false;
  if (mPainting > 0) {
    mReleaseAfterPaint = true;  // the running paint still draws into it
  } else {
    FreeOffscreen();
  }
  if (mClosed) return;
  mNeedsRedraw = true;
  InvalidateRect(GetListRect());
}

void RuntimeListbox::MarkImageDirty(const QV::Rect* rect) {
  if (!mOffscreen) return;
  const QV::Rect area = GetListRect();
  GdkRectangle part = {0, 0, mOffscreen->Width(), mOffscreen->Height()};
  if (rect) {
    part = {rect->left - area.left, rect->top - area.top, rect->right - rect->left,
            rect->bottom - rect->top};
  }
  if (part.width <= 0 || part.height <= 0) return;
  if (!mDirty) mDirty = gdk_region_new();
  gdk_region_union_with_rect(mDirty, &part);
}

void RuntimeListbox::AreaInvalidated(const QV::Rect& rect) {
  if (!mScrollInvalidating) MarkImageDirty(&rect);
}

void RuntimeListbox::InvalidateScrolledRows() {
  mScrollInvalidating = true;
  InvalidateRect(GetListRect());
  mScrollInvalidating = false;
}

// The pixmap is copied onto itself (the X server copies overlapping areas as if through a
// buffer); what was out of date moves with the content.
void RuntimeListbox::ShiftImage(const QV::Rect& area) {
  if (!mOffscreen) return;
  const int64_t dy = (int64_t(mImageTop) - TopRow()) * RowHeight(-1);
  const int64_t dx = int64_t(mImageOffset) - HorizontalOffset();
  mImageTop = TopRow();
  mImageOffset = HorizontalOffset();
  if (dx == 0 && dy == 0) return;
  const int32_t width = mOffscreen->Width();
  const int32_t height = mOffscreen->Height();
  if (std::llabs(dx) >= width || std::llabs(dy) >= height) {
    MarkImageDirty(nullptr);
    return;
  }
  const int32_t x = int32_t(dx);
  const int32_t y = int32_t(dy);
  mOffscreen->CopyWithin(std::max(0, -x), std::max(0, -y), width - std::abs(x),
                         height - std::abs(y), std::max(0, x), std::max(0, y));
  if (mDirty) gdk_region_offset(mDirty, x, y);
  QV::Rect strip;
  if (y != 0) {
    strip = {int16_t(y > 0 ? 0 : height + y), 0, int16_t(y > 0 ? y : height), int16_t(width)};
    RectOffset(strip, area.left, area.top);
    MarkImageDirty(&strip);
  }
  if (x != 0) {
    strip = {0, int16_t(x > 0 ? 0 : width + x), int16_t(height), int16_t(x > 0 ? x : width)};
    RectOffset(strip, area.left, area.top);
    MarkImageDirty(&strip);
  }
}

void RuntimeListbox::SetBounds(const QV::Rect& bounds, bool redraw) {
  NuListbox::SetBounds(bounds, redraw);
  ReleaseOffscreen();
}

void RuntimeListbox::ScrollColumnsTo(int32_t value, Scroller*) {
  if (value == HorizontalOffset() || mClosed) return;
  SetHorizontalOffset(value);
  ComputeColumnEdges();
  RebuildHeaderIfShown();
  InvalidateScrolledRows();
}

void RuntimeListbox::ScrollHorizontallyTo(int32_t pixels) {
  if (Scroller* bar = HorizontalBar()) {
    bar->SetValue(pixels);
    return;
  }
  ScrollColumnsTo(std::max(0, pixels), nullptr);
}
