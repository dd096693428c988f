// The Graphics that draws with GDK on its target's drawable: the target's graphics context,
// prepared with the foreground colour, and a Pango layout in the current font. Every drawing
// operation does nothing while the target or its drawable is missing.
//
// The layout goes stale with every change of font, size or style and is rebuilt before the
// next text is measured or drawn; the font's metrics go stale with it.
#pragma once

#include <pango/pango.h>

#include "core/SimpleVector.h"
#include "graphics/Graphics.h"

class GraphicsGTK : public Graphics {
 public:
  explicit GraphicsGTK(DrawingTarget* target);
  // A clip this Graphics set on the target's graphics context goes with it.
  ~GraphicsGTK() override;

  // ---- state ----
  void SetClipRect(const QV::Rect& rect) override;
  void RemoveClip() override;
  // SetClipRect with a rectangle; RemoveClip with nil.
  void RestoreClip(const QV::Rect* rect);
  void UpdateFont() override;
  void PenNormal() override { SetPenSize(1, 1); }
  void SetForeColor(RGBColor16 color) override;
  void SetTextFont(const string& name) override;
  void SetTextSize(int32_t size) override;
  void SetTextStyle(uint32_t bits) override;

  // ---- shapes ----
  void DrawRect(const QV::Rect& rect) override;
  void FillRect(const QV::Rect& rect) override;
  void PaintRect(const QV::Rect& rect) override { FillRect(rect); }
  // A window's own background colour, else the theme's background; white off screen.
  void ClearRect(const QV::Rect& rect) override;
  void DrawRoundRect(const QV::Rect& rect, int32_t arcWidth, int32_t arcHeight) override;
  void FillRoundRect(const QV::Rect& rect, int32_t arcWidth, int32_t arcHeight) override;
  // The outline is as wide as the pen.
  void DrawOval(const QV::Rect& rect) override;
  void FillOval(const QV::Rect& rect) override;
  // A pen wider or taller than one pixel draws with rectangles the pen's size.
  void LineTo(int32_t x, int32_t y) override;
  void DrawPolygon(const GdkPoint* points, int32_t count, PolygonStyle style) override;
  void DrawFocusRing(const QV::Rect& rect) override;

  // ---- text ----
  void DrawString(const string& text, int32_t x, int32_t y) override;
  void DrawStringWrapped(const string& text, const QV::Rect& rect, int32_t alignment) override;
  // 0 without a target.
  int32_t StringWidth(const string& text) override;
  int32_t StringHeight(const string& text, int32_t wrapWidth) override;
  // -1 when no font loads.
  int32_t TextAscent() override;
  int32_t TextDescent() override;
  int32_t TextHeight() override;

  // ---- icons, pixels, handles ----
  void DrawPixbuf(GdkPixbuf* image, int32_t x, int32_t y) override;
  void DrawStockIcon(int32_t kind, int32_t x, int32_t y, int32_t width, int32_t height) override;
  // Black outside the drawable.
  RGBColor16 GetPixel(int32_t x, int32_t y) override;
  void SetPixel(int32_t x, int32_t y, RGBColor16 color) override;
  uintptr_t GetHandle(int32_t kind) override;

  // The target's graphics context with the foreground colour set; nil without a drawable.
  GdkGC* PrepareGC() { return PrepareGC(TargetGdkDrawable()); }
  // The same for the target's drawable, already asked for.
  GdkGC* PrepareGC(GdkWindow* drawable);
  // The layout, in the current font, size and style; nil without a display.
  PangoLayout* Layout();

 private:
  // rect on the drawable, with its corners in order.
  QV::Rect ToDrawable(const QV::Rect& rect, bool clip) const;
  // Where the point (x, y) of the Graphics lies on the drawable.
  GdkPoint PointToDrawable(int32_t x, int32_t y) const;
  // How far polygon points (relative to the target pane) move onto the drawable.
  GdkPoint PolygonOffset() const;
  void LineWithPen(int32_t x, int32_t y);
  void PlotRoundRect(const QV::Rect& rect, int32_t arcWidth, int32_t arcHeight, bool filled);
  bool UpdateMetrics();
  // Puts text into the layout (UTF-8) with wrapWidth in pixels (-1 for none).
  PangoLayout* LayOut(const string& text, int32_t wrapWidth);
  void DrawLayout(PangoLayout* layout, int32_t x, int32_t y);

  PangoContext* mContext = nullptr;
  PangoLayout* mLayout = nullptr;
  PangoFontDescription* mFontDescription = nullptr;
  bool mLayoutCurrent = false;
  bool mGCPrepared = false;
  GdkGC* mPreparedGC = nullptr;  // the context mGCPrepared speaks of
  // The pixel of the last colour set, in the colormap it was taken from.
  GdkColormap* mPixelColormap = nullptr;
  RGBColor16 mPixelColor = {};
  uint32_t mPixel = 0;
  bool mMetricsValid = false;
  bool mClipSet = false;  // on the target's graphics context, by this Graphics
  bool mClipPending = false;  // set, and to go to the context with the next drawing
  GdkRectangle mPendingClip = {};
  int32_t mAscent = -1;
  int32_t mDescent = -1;
  int32_t mHeight = -1;
  SimpleVector<GdkPoint> mPoints;  // a polygon moved onto the drawable
};
