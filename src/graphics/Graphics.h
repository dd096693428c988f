// The native drawing context: the drawing state (pen, colours, text font, size and style,
// origin, fill pattern, clip) and the drawing, measuring and pixel operations, each with a
// harmless default here. GraphicsGTK draws on its target's GDK drawable and lays text out with
// Pango; Graphics::Create makes one.
//
// Coordinates are those of the target window's content; the target converts them to the
// drawable's (DrawingTarget::RectToDrawable), after the origin is taken off. Colours are kept
// at 16 bits a component.
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

// The text style bit that exists only while DrawStringCondensed fits a text.
constexpr uint32_t kStyleCondense = 8;

// Alignments of DrawStringWrapped.
enum TextAlignment : int32_t {
  kAlignLeft = 0,
  kAlignCenter = 1,
  kAlignRight = 2,
};

// Stock icons of DrawStockIcon.
enum StockIconKind : int32_t {
  kStockIconError = 0,
  kStockIconInfo = 1,
  kStockIconWarning = 2,
  kStockIconQuestion = 3,
};

// How DrawPolygon draws.
enum PolygonStyle : int32_t {
  kPolygonFrame = 0,     // the outline
  kPolygonFilled = 1,    // the inside, then the outline
  kPolygonFillOnly = 2,  // the inside alone (a thick border's ring)
};

// Kinds of GetHandle.
enum GraphicsHandleKind : int32_t {
  kHandleGdkDrawable = 3,
  kHandleGdkGC = 4,
};

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
  // The target is going away: from now on the Graphics draws nothing, and drawing through its
  // language object meets the pane check.
  void DetachTarget() { mTarget = nullptr; }
  // The target is gone for good (a picture released while its Graphics object is kept): the
  // object draws nothing from now on, and says nothing about it.
  void LoseTarget() {
    mTarget = nullptr;
    mTargetLost = true;
  }
  bool TargetLost() const { return mTargetLost; }
  // The target's drawable, or nil without a target.
  GdkWindow* TargetGdkDrawable() const { return mTarget ? mTarget->GetGdkWindow() : nullptr; }
  bool IsPrinting() const { return mPrinting; }
  void SetPrinting(bool printing) { mPrinting = printing; }
  // Whether a part may be drawn with partial opacity; nothing here does.
  virtual bool CanDrawTranslucent() const { return mTranslucent; }

  // ---- drawing passes (no effect on this platform) ----
  virtual void BeginDrawing() {}
  virtual void UpdateFont() {}
  virtual void PrepareDrawing() {}
  virtual void EndDrawing() {}

  // ---- clip: the rectangle in the coordinates it was given in; all zero without one ----
  bool HasClip() const { return mHasClip; }
  const QV::Rect& ClipRect() const { return mClip; }
  virtual void SetClipRect(const QV::Rect& rect);
  virtual void RemoveClip();

  // ---- pattern: an 8 x 8 one-bit fill pattern, a byte a row; kept aligned to the origin ----
  void SetPattern(const uint8_t pattern[8]);
  // 1 checkerboard, 2 alternate rows, 3 alternate columns, any other solid.
  void SetPatternKind(int32_t kind);
  void SetPatternOffset(int32_t x, int32_t y);
  const uint8_t* Pattern() const { return mPattern; }
  const uint8_t* AlignedPattern() const { return mAlignedPattern; }

  // ---- pen and modes ----
  int32_t Mode() const { return mMode; }
  void SetMode(int32_t mode) { mMode = mode; }
  int32_t PenWidth() const { return mPenWidth; }
  int32_t PenHeight() const { return mPenHeight; }
  virtual void SetPenSize(int32_t width, int32_t height);
  // The pen back to 1 x 1 (nothing here).
  virtual void PenNormal() {}
  int32_t PenX() const { return mPenX; }
  int32_t PenY() const { return mPenY; }
  void MoveTo(int32_t x, int32_t y) {
    mPenX = x;
    mPenY = y;
  }
  virtual void LineTo(int32_t /*x*/, int32_t /*y*/) {}
  // The fraction of opacity the shape plotter draws a part with; kept, not drawn with.
  float Opacity() const { return mOpacity; }
  void SetOpacity(float opacity) { mOpacity = opacity; }

  // ---- colours ----
  RGBColor16 ForeColor() const { return mForeColor; }
  RGBColor16 BackColor() const { return mBackColor; }
  virtual void SetForeColor(RGBColor16 color) { mForeColor = color; }
  virtual void SetBackColor(RGBColor16 color) { mBackColor = color; }

  // ---- text state ----
  const string& TextFont() const { return mTextFont; }
  int32_t TextSize() const { return mTextSize; }
  uint32_t TextStyle() const { return mTextStyle; }  // kStyleBold, kStyleItalic, ...
  virtual void SetTextFont(const string& name) { mTextFont = name; }
  virtual void SetTextSize(int32_t size) { mTextSize = size; }
  virtual void SetTextStyle(uint32_t bits) { mTextStyle = bits & 0xFF; }
  // Name, size and style bits of font.
  void SetFont(const FontSpec& font);

  int32_t OriginX() const { return mOriginX; }
  int32_t OriginY() const { return mOriginY; }
  void SetOrigin(int32_t x, int32_t y);

  // ---- shapes; corners given in either order ----
  virtual void DrawRect(const QV::Rect& /*rect*/) {}
  virtual void FillRect(const QV::Rect& /*rect*/) {}
  // As FillRect.
  virtual void PaintRect(const QV::Rect& /*rect*/) {}
  // Fills with the background the target shows behind its content.
  virtual void ClearRect(const QV::Rect& /*rect*/) {}
  virtual void DrawRoundRect(const QV::Rect& /*rect*/, int32_t /*arcWidth*/,
                             int32_t /*arcHeight*/) {}
  virtual void FillRoundRect(const QV::Rect& /*rect*/, int32_t /*arcWidth*/,
                             int32_t /*arcHeight*/) {}
  virtual void DrawOval(const QV::Rect& /*rect*/) {}
  virtual void FillOval(const QV::Rect& /*rect*/) {}
  // count points, relative to the target pane (the origin does not move them).
  virtual void DrawPolygon(const GdkPoint* /*points*/, int32_t /*count*/,
                           PolygonStyle /*style*/) {}
  // A one-pixel dashed outline.
  virtual void DrawFocusRing(const QV::Rect& /*rect*/) {}

  // ---- text (UTF-8 for Pango whatever the text's encoding) ----
  // One line; y is the baseline.
  virtual void DrawString(const string& /*text*/, int32_t /*x*/, int32_t /*y*/) {}
  // Wrapped by words into rect's width, its first line's top at rect's top.
  virtual void DrawStringWrapped(const string& /*text*/, const QV::Rect& /*rect*/,
                                 int32_t /*alignment*/) {}
  // Pixels, or -1 where nothing can measure.
  virtual int32_t StringWidth(const string& /*text*/) { return -1; }
  virtual int32_t StringHeight(const string& /*text*/, int32_t /*wrapWidth*/) { return -1; }
  virtual int32_t TextDirection() { return -1; }
  // -1 for a text; TextDirection for none.
  int32_t StringDirection(const string& text);
  virtual int32_t TextAscent() { return -1; }
  virtual int32_t TextDescent() { return -1; }
  virtual int32_t TextHeight() { return -1; }
  // How many bytes of text, from the start, are narrower than width; with wordBreak the cut
  // falls after a blank. Never ends inside a character; between 0 and the text's length.
  int32_t TextFitLength(const string& text, int32_t width, bool wordBreak);
  // text within width: condensed, then cut and followed by ellipsis. The style is as before.
  void DrawStringCondensed(const string& text, int32_t x, int32_t y, int32_t width,
                           const string& ellipsis);

  // ---- off-screen surfaces ----
  // Part of drawable (srcWidth x srcHeight at srcLeft, srcTop) scaled into width x height at
  // (x, y); transparent leaves out pure white.
  virtual void DrawDrawable(int32_t x, int32_t y, int32_t width, int32_t height,
                            QV::Drawable* drawable, int32_t srcLeft, int32_t srcTop,
                            int32_t srcWidth, int32_t srcHeight, bool transparent);
  void DrawDrawableAt(int32_t x, int32_t y, QV::Drawable* drawable, int32_t srcLeft,
                      int32_t srcTop, int32_t width, int32_t height, bool transparent);
  void DrawDrawablePlain(int32_t x, int32_t y, QV::Drawable* drawable, int32_t srcLeft,
                         int32_t srcTop, int32_t width, int32_t height);

  // ---- icons, pixels, handles ----
  // The whole image, its top left corner at (x, y), blended by its alpha.
  virtual void DrawPixbuf(GdkPixbuf* /*image*/, int32_t /*x*/, int32_t /*y*/) {}
  virtual void DrawStockIcon(int32_t /*kind*/, int32_t /*x*/, int32_t /*y*/, int32_t /*width*/,
                             int32_t /*height*/) {}
  // Black where nothing can be read.
  virtual RGBColor16 GetPixel(int32_t /*x*/, int32_t /*y*/) { return {0, 0, 0}; }
  virtual void SetPixel(int32_t /*x*/, int32_t /*y*/, RGBColor16 /*color*/) {}
  // kHandleGdkDrawable, kHandleGdkGC; 0 for any other kind.
  virtual uintptr_t GetHandle(int32_t /*kind*/) { return 0; }

 private:
  void AlignPattern();

  DrawingTarget* mTarget;
  bool mTargetLost = false;
  bool mPrinting = false;
  bool mTranslucent = false;
  string mTextFont{"System"};
  int32_t mTextSize = 12;
  uint32_t mTextStyle = 0;
  int32_t mPenWidth = 1;
  int32_t mPenHeight = 1;
  int32_t mMode = 0;
  float mOpacity = 1.0f;
  RGBColor16 mForeColor{0, 0, 0};
  RGBColor16 mBackColor{0xFFFF, 0xFFFF, 0xFFFF};
  int32_t mPenX = 0;
  int32_t mPenY = 0;
  int32_t mOriginX = 0;
  int32_t mOriginY = 0;
  int32_t mPatternOffsetX = 0;
  int32_t mPatternOffsetY = 0;
  uint8_t mPattern[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
  uint8_t mAlignedPattern[8] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
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

// The part of a Graphics' state that drawing a shape changes: saved, then put back through the
// Graphics' own setters. The back colour is not part of it.
class GraphicsState {
 public:
  explicit GraphicsState(Graphics& g) : mGraphics(g) {}
  void Save();
  // Nothing unless saved; then not saved any more.
  void Restore();

 private:
  Graphics& mGraphics;
  bool mSaved = false;
  RGBColor16 mForeColor{};
  string mTextFont;
  int32_t mTextSize = 0;
  uint32_t mTextStyle = 0;
  float mOpacity = 1.0f;
  int32_t mPenWidth = 1;
  int32_t mPenHeight = 1;
  int32_t mMode = 0;
  int32_t mOriginX = 0;
  int32_t mOriginY = 0;
};

extern "C" {
// Asks for the text renderer of another platform; drawing here does not change.
void EnableCoreGraphicsTextOnOSX();
}
