#include "graphics/GraphicsGTK.h"

#include <algorithm>

#include "graphics/PangoFonts.h"

Graphics* Graphics::Create(DrawingTarget* target) { return new GraphicsGTK(target); }

GraphicsGTK::GraphicsGTK(DrawingTarget* target) : Graphics(target) {
  if (!gdk_screen_get_default()) return;  // no display: nothing to lay text out on
  mContext = gdk_pango_context_get();
  mLayout = pango_layout_new(mContext);
}

GraphicsGTK::~GraphicsGTK() {
  if (mFontDescription) pango_font_description_free(mFontDescription);
  if (mLayout) g_object_unref(mLayout);
  if (mContext) g_object_unref(mContext);
}

GdkGC* GraphicsGTK::PrepareGC() {
  GdkWindow* drawable = TargetGdkDrawable();
  if (!drawable) return nullptr;
  GdkGC* gc = Target()->GetGC();
  if (!gc || mGCPrepared) return gc;
  GdkColormap* colormap = gdk_drawable_get_colormap(drawable);
  if (!colormap) colormap = gdk_rgb_get_colormap();
  const RGBColor16 fore = ForeColor();
  GdkColor color = {0, fore.red, fore.green, fore.blue};
  gdk_colormap_alloc_color(colormap, &color, FALSE, TRUE);
  gdk_gc_set_foreground(gc, &color);
  mGCPrepared = true;
  return gc;
}

QV::Rect GraphicsGTK::ToDrawable(const QV::Rect& rect, bool clip) const {
  QV::Rect r = Target()->RectToDrawable(*this, rect, clip);
  if (r.left > r.right) std::swap(r.left, r.right);
  if (r.top > r.bottom) std::swap(r.top, r.bottom);
  return r;
}

void GraphicsGTK::SetClipRect(const QV::Rect& rect) {
  Graphics::SetClipRect(rect);
  GdkGC* gc = PrepareGC();
  if (!gc) return;
  const QV::Rect r = Target()->RectToDrawable(*this, rect, false);
  GdkRectangle area = {r.left, r.top, r.right - r.left, r.bottom - r.top};
  gdk_gc_set_clip_rectangle(gc, &area);
}

void GraphicsGTK::RemoveClip() {
  Graphics::RemoveClip();
  if (GdkGC* gc = PrepareGC()) gdk_gc_set_clip_rectangle(gc, nullptr);
}

void GraphicsGTK::SetForeColor(RGBColor16 color) {
  Graphics::SetForeColor(color);
  mGCPrepared = false;
  PrepareGC();
}

void GraphicsGTK::SetTextFont(const string& name) {
  if (name.CompareWithCase(TextFont()) == 0) return;
  Graphics::SetTextFont(name);
  mLayoutCurrent = false;
}

void GraphicsGTK::SetTextSize(int32_t size) {
  if (size == TextSize()) return;
  Graphics::SetTextSize(size);
  mLayoutCurrent = false;
}

void GraphicsGTK::SetTextStyle(uint32_t bits) {
  if ((bits & 0xFF) == TextStyle()) return;
  Graphics::SetTextStyle(bits);
  mLayoutCurrent = false;
}

void GraphicsGTK::FillRect(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  GdkGC* gc = PrepareGC();
  if (!drawable || !gc) return;
  const QV::Rect r = ToDrawable(rect, true);
  gdk_draw_rectangle(drawable, gc, TRUE, r.left, r.top, r.right - r.left, r.bottom - r.top);
}

// A window shows its own background; an off-screen surface is white behind its content.
void GraphicsGTK::ClearRect(const QV::Rect& rect) {
  GdkWindow* drawable = TargetGdkDrawable();
  if (!drawable) return;
  if (GDK_IS_WINDOW(drawable)) {
    const QV::Rect r = ToDrawable(rect, true);
    gdk_window_clear_area(drawable, r.left, r.top, r.right - r.left, r.bottom - r.top);
    return;
  }
  const RGBColor16 fore = ForeColor();
  SetForeColor({0xFFFF, 0xFFFF, 0xFFFF});
  FillRect(rect);
  SetForeColor(fore);
}

PangoLayout* GraphicsGTK::Layout() {
  UpdateFont();
  return mLayout;
}

void GraphicsGTK::UpdateFont() {
  if (!Target() || !mLayout || (mLayoutCurrent && mFontDescription)) return;
  FontSpec font;
  font.name = TextFont();
  font.size = int16_t(TextSize());
  font.SetStyleBits(TextStyle());
  if (mFontDescription) pango_font_description_free(mFontDescription);
  mFontDescription = MakePangoFontDescription(font);
  pango_layout_set_font_description(mLayout, mFontDescription);
  mLayoutCurrent = true;
}
