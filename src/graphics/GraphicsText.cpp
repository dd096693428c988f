// GraphicsGTK: text, laid out by Pango in the current font and drawn with GDK.
#include <cstring>

#include "graphics/GraphicsGTK.h"
#include "graphics/PangoFonts.h"

namespace {

// One single-underline attribute over any text, made once and kept.
PangoAttrList* UnderlineAttributes() {
  static PangoAttrList* list = [] {
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    return attributes;
  }();
  return list;
}

// Pango units to pixels, halves away from zero.
int32_t PangoToPixels(int32_t units) {
  return units >= 0 ? (units + PANGO_SCALE / 2) / PANGO_SCALE
                    : (units - PANGO_SCALE / 2) / PANGO_SCALE;
}

}  // namespace

// text as UTF-8 for Pango. UTF-8 and plain ASCII go as they are; bytes of no encoding are
// taken to be UTF-8, and whatever does not decode is replaced rather than refused.
string TextForPango(const string& text) {
  const TextEncoding encoding = text.Encoding();
  string utf8 = encoding == kEncodingUTF8 || encoding == kEncodingNone ||
                        (encoding == kEncodingASCII && text.ContainsOnlyASCII())
                    ? text
                    : text.GetUTF8String();
  if (g_utf8_validate(utf8.CString(), utf8.Length(), nullptr)) return utf8;
  gchar* valid = g_utf8_make_valid(utf8.CString(), utf8.Length());
  string result = string::FromBytes(valid, int64_t(strlen(valid)), kEncodingUTF8);
  g_free(valid);
  return result;
}

PangoLayout* GraphicsGTK::Layout() {
  UpdateFont();
  return mLayout;
}

void GraphicsGTK::UpdateFont() {
  if (!Target() || (mLayout && mLayoutCurrent && mFontDescription)) return;
  if (!mContext) {
    if (!gdk_screen_get_default()) return;  // no display: nothing to lay text out on
    ReadPendingDesktopSettings();
    mContext = gdk_pango_context_get();
  }
  FontSpec font;
  font.name = TextFont();
  font.size = int16_t(TextSize());
  font.SetStyleBits(TextStyle() & (kStyleBold | kStyleItalic | kStyleUnderline));
  if (mFontDescription) pango_font_description_free(mFontDescription);
  mFontDescription = MakePangoFontDescription(font);
  if (mLayout) g_object_unref(mLayout);
  mLayout = pango_layout_new(mContext);
  pango_layout_set_font_description(mLayout, mFontDescription);
  mLayoutCurrent = true;
  mMetricsValid = false;
}

bool GraphicsGTK::UpdateMetrics() {
  UpdateFont();
  if (mMetricsValid) return mAscent >= 0;
  mAscent = mDescent = mHeight = -1;
  mMetricsValid = true;
  if (!mFontDescription || !mContext) return false;
  pango_context_set_font_description(mContext, mFontDescription);
  PangoFont* font = pango_context_load_font(mContext, mFontDescription);
  if (!font) return false;
  PangoFontMetrics* metrics = pango_font_get_metrics(font, nullptr);
  mAscent = PangoToPixels(pango_font_metrics_get_ascent(metrics));
  mDescent = PangoToPixels(pango_font_metrics_get_descent(metrics));
  mHeight = mAscent + mDescent;
  pango_font_metrics_unref(metrics);
  g_object_unref(font);
  return true;
}

int32_t GraphicsGTK::TextAscent() {
  UpdateMetrics();
  return mAscent;
}

int32_t GraphicsGTK::TextDescent() {
  UpdateMetrics();
  return mDescent;
}

int32_t GraphicsGTK::TextHeight() {
  UpdateMetrics();
  return mHeight;
}

PangoLayout* GraphicsGTK::LayOut(const string& text, int32_t wrapWidth) {
  if (!Target()) return nullptr;
  PangoLayout* layout = Layout();
  if (!layout) return nullptr;
  const string utf8 = TextForPango(text);
  // Setting the text shapes it again even when it is the same: a text drawn over and over (a
  // label in a Paint handler) keeps the shaping it has.
  const char* current = pango_layout_get_text(layout);
  if (!current || strlen(current) != size_t(utf8.Length()) ||
      memcmp(current, utf8.CString(), size_t(utf8.Length())) != 0) {
    pango_layout_set_text(layout, utf8.CString(), utf8.Length());
  }
  pango_layout_set_width(layout, wrapWidth < 0 ? -1 : wrapWidth * PANGO_SCALE);
  if (wrapWidth >= 0) pango_layout_set_wrap(layout, PANGO_WRAP_WORD);
  return layout;
}

// An underlined text leaves no underline behind for the next one.
void GraphicsGTK::DrawLayout(PangoLayout* layout, int32_t x, int32_t y) {
  GdkGC* gc = PrepareGC();
  if (!gc) return;
  const bool underline = TextStyle() & kStyleUnderline;
  if (underline) pango_layout_set_attributes(layout, UnderlineAttributes());
  gdk_draw_layout(TargetGdkDrawable(), gc, x, y, layout);
  if (underline) pango_layout_set_attributes(layout, nullptr);
}

void GraphicsGTK::DrawString(const string& text, int32_t x, int32_t y) {
  if (!TargetGdkDrawable()) return;
  const GdkPoint at = PointToDrawable(x, y);
  const int32_t ascent = TextAscent();
  PangoLayout* layout = LayOut(text, -1);
  if (layout) DrawLayout(layout, at.x, at.y - ascent);
}

// Alignment 0 (or any other) is left: a layout keeps its alignment, and a centred text
// would otherwise centre every wrapped text after it.
void GraphicsGTK::DrawStringWrapped(const string& text, const QV::Rect& rect, int32_t alignment) {
  if (!TargetGdkDrawable()) return;
  const QV::Rect r = ToDrawable(rect, false);
  PangoLayout* layout = LayOut(text, r.right - r.left);
  if (!layout) return;
  pango_layout_set_alignment(layout, alignment == kAlignCenter  ? PANGO_ALIGN_CENTER
                                     : alignment == kAlignRight ? PANGO_ALIGN_RIGHT
                                                                : PANGO_ALIGN_LEFT);
  DrawLayout(layout, r.left, r.top);
  pango_layout_set_alignment(layout, PANGO_ALIGN_LEFT);
}

int32_t GraphicsGTK::StringWidth(const string& text) {
  PangoLayout* layout = LayOut(text, -1);
  if (!layout) return 0;
  int width = 0;
  pango_layout_get_pixel_size(layout, &width, nullptr);
  return width;
}

int32_t GraphicsGTK::StringHeight(const string& text, int32_t wrapWidth) {
  PangoLayout* layout = LayOut(text, wrapWidth < 0 ? -1 : wrapWidth);
  if (!layout) return 0;
  int height = 0;
  pango_layout_get_pixel_size(layout, nullptr, &height);
  return height;
}
