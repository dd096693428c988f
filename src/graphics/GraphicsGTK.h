// The Graphics that draws with GDK on its target's drawable: the target's graphics context,
// prepared with the foreground colour, and a Pango layout in the current font.
#pragma once

#include <pango/pango.h>

#include "graphics/Graphics.h"

class GraphicsGTK : public Graphics {
 public:
  explicit GraphicsGTK(DrawingTarget* target);
  ~GraphicsGTK() override;

  void SetClipRect(const QV::Rect& rect) override;
  void RemoveClip() override;
  void SetForeColor(RGBColor16 color) override;
  void SetTextFont(const string& name) override;
  void SetTextSize(int32_t size) override;
  void SetTextStyle(uint32_t bits) override;
  void FillRect(const QV::Rect& rect) override;
  void ClearRect(const QV::Rect& rect) override;

  // The target's graphics context with the foreground colour set; nil without a drawable.
  GdkGC* PrepareGC();
  // The layout, in the current font, size and style; nil without a display.
  PangoLayout* Layout();

 private:
  void UpdateFont();
  // rect on the drawable, with its corners in order.
  QV::Rect ToDrawable(const QV::Rect& rect, bool clip) const;

  PangoContext* mContext = nullptr;
  PangoLayout* mLayout = nullptr;
  PangoFontDescription* mFontDescription = nullptr;
  bool mLayoutCurrent = false;
  bool mGCPrepared = false;
};
