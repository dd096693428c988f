// The native drawing context: the drawing state (text font, size and style, origin, foreground
// colour, clip) and the drawing operations, each with a harmless default here. GraphicsGTK
// draws on its target's GDK drawable; Graphics::Create makes one.
//
// Coordinates are those of the target window's content; the target converts them to the
// drawable's (DrawingTarget::RectToDrawable), after the origin is taken off.
#pragma once

#include <cstdint>

#include "core/Rect.h"
#include "graphics/DrawingTarget.h"
#include "strings/RuntimeString.h"
#include "strings/TextStyle.h"

// A colour as the drawing state keeps it: 16 bits a component.
struct RGBColor16 {
  uint16_t red;
  uint16_t green;
  uint16_t blue;
  bool operator==(const RGBColor16&) const = default;
};
// The language's 0xRRGGBB and back: each 8-bit component times 257; back, the high byte.
RGBColor16 ColorFromRGB(uint32_t rgb);
uint32_t RGBFromColor(RGBColor16 color);

class Graphics {
 public:
  // A new GraphicsGTK drawing into target (nil: a Graphics that draws nothing).
  static Graphics* Create(DrawingTarget* target);
  // Deletes g; nil does nothing.
  static void Destroy(Graphics* g);

  explicit Graphics(DrawingTarget* target) : mTarget(target) {}
  virtual ~Graphics() = default;
  Graphics(const Graphics&) = delete;
  Graphics& operator=(const Graphics&) = delete;

  DrawingTarget* Target() const { return mTarget; }
  // The target's drawable, or nil without a target.
  GdkWindow* TargetGdkDrawable() const;

  // The clip rectangle, in the coordinates it was given in; ClipRect is all zero without one.
  bool HasClip() const { return mHasClip; }
  const QV::Rect& ClipRect() const { return mClip; }
  virtual void SetClipRect(const QV::Rect& rect);
  virtual void RemoveClip();

  RGBColor16 ForeColor() const { return mForeColor; }
  virtual void SetForeColor(RGBColor16 color) { mForeColor = color; }

  const string& TextFont() const { return mTextFont; }
  int32_t TextSize() const { return mTextSize; }
  uint32_t TextStyle() const { return mTextStyle; }  // kStyleBold, kStyleItalic, kStyleUnderline
  virtual void SetTextFont(const string& name) { mTextFont = name; }
  virtual void SetTextSize(int32_t size) { mTextSize = size; }
  virtual void SetTextStyle(uint32_t bits) { mTextStyle = bits & 0xFF; }
  // Name, size and style bits of font.
  void SetFont(const FontSpec& font);

  int32_t OriginX() const { return mOriginX; }
  int32_t OriginY() const { return mOriginY; }
  void SetOrigin(int32_t x, int32_t y);

  virtual void FillRect(const QV::Rect& rect);
  // Fills with the background the target shows behind its content.
  virtual void ClearRect(const QV::Rect& rect);

 private:
  DrawingTarget* mTarget;
  string mTextFont{"System"};
  int32_t mTextSize = 12;
  uint32_t mTextStyle = 0;
  RGBColor16 mForeColor{0, 0, 0};
  int32_t mOriginX = 0;
  int32_t mOriginY = 0;
  bool mHasClip = false;
  QV::Rect mClip{};
};

// Remembers the clip of a Graphics and puts it back (or removes it, when there was none) when
// it goes away.
class GraphicsClipSaver {
 public:
  explicit GraphicsClipSaver(Graphics& g);
  ~GraphicsClipSaver();
  GraphicsClipSaver(const GraphicsClipSaver&) = delete;
  GraphicsClipSaver& operator=(const GraphicsClipSaver&) = delete;

 private:
  Graphics& mGraphics;
  bool mHadClip;
  QV::Rect mClip;
};
