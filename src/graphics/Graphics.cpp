#include "graphics/Graphics.h"

#include "core/Export.h"
#include "graphics/Drawable.h"
#include "strings/CharTables.h"

namespace {

bool gCoreGraphicsText = false;

// Rows of the stock patterns: 1 checkerboard, 2 alternate rows, 3 alternate columns.
void FillStockPattern(int32_t kind, uint8_t rows[8]) {
  for (int32_t i = 0; i < 8; ++i) {
    switch (kind) {
      case 1:
        rows[i] = (i & 1) ? 0xAA : 0x55;
        break;
      case 2:
        rows[i] = (i & 1) ? 0x00 : 0xFF;
        break;
      case 3:
        rows[i] = 0xAA;
        break;
      default:
        rows[i] = 0xFF;
        break;
    }
  }
}

// ---- text fitting: positions that start a character ----

bool IsBlankByte(uint8_t byte) { return byte == ' ' || byte == '\t'; }

uint16_t UnitAt(const string& text, int32_t position) {
  const uint8_t* bytes = text.Bytes();
  return uint16_t(bytes[position] | bytes[position + 1] << 8);
}

bool IsHighSurrogate(uint16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }

// The start of the character position lies in (position itself when it starts one).
int32_t CharacterStart(const string& text, TextEncoding encoding, int32_t position) {
  const uint8_t* bytes = text.Bytes();
  if (encoding == kEncodingUTF8) {
    while (position > 0 && (bytes[position] & 0xC0) == 0x80) --position;
  } else if (IsUnicode16Encoding(encoding)) {
    position &= ~1;
    if (position >= 2 && IsHighSurrogate(UnitAt(text, position - 2))) position -= 2;
  } else if (encoding != kEncodingASCII && encoding != kEncodingMacRoman && position > 0 &&
             IsDBCSLeadByte(bytes[position - 1])) {
    --position;
  }
  return position;
}

// The start of the character after the one at position (at most length).
int32_t NextCharacterStart(const string& text, TextEncoding encoding, int32_t position) {
  const int32_t length = text.Length();
  const uint8_t* bytes = text.Bytes();
  if (position >= length) return length;
  int32_t next = position + 1;
  if (encoding == kEncodingUTF8) {
    while (next < length && (bytes[next] & 0xC0) == 0x80) ++next;
  } else if (IsUnicode16Encoding(encoding)) {
    next = position + (position + 3 < length && IsHighSurrogate(UnitAt(text, position)) ? 4 : 2);
  } else if (encoding != kEncodingASCII && encoding != kEncodingMacRoman &&
             IsDBCSLeadByte(bytes[position])) {
    ++next;
  }
  return next < length ? next : length;
}

bool IsBlankAt(const string& text, TextEncoding encoding, int32_t position) {
  if (IsUnicode16Encoding(encoding)) {
    if (position & 1 || position + 1 >= text.Length()) return false;
    const uint16_t unit = UnitAt(text, position);
    return unit == ' ' || unit == '\t';
  }
  return IsBlankByte(text.Bytes()[position]);
}

}  // namespace

RGBColor16 ColorFromRGB(uint32_t rgb) {
  return {static_cast<uint16_t>(((rgb >> 16) & 0xFF) * 257),
          static_cast<uint16_t>(((rgb >> 8) & 0xFF) * 257),
          static_cast<uint16_t>((rgb & 0xFF) * 257)};
}

uint32_t RGBFromColor(RGBColor16 color) {
  return uint32_t(color.red >> 8) << 16 | uint32_t(color.green >> 8) << 8 | color.blue >> 8;
}

void Graphics::Destroy(Graphics* g) { delete g; }

void Graphics::SetClipRect(const QV::Rect& rect) {
  mClip = rect;
  mHasClip = true;
}

void Graphics::RemoveClip() {
  mClip = QV::Rect{};
  mHasClip = false;
}

// The pattern's rows turn with the vertical offset, then each row's bits with the horizontal,
// so that a pattern drawn at any origin joins up with one drawn at another.
void Graphics::AlignPattern() {
  const int32_t shiftV = (mOriginY + mPatternOffsetY) & 7;
  for (int32_t i = 0; i < 8; ++i) mAlignedPattern[i] = mPattern[(shiftV + i) & 7];
  const int32_t shiftH = (mOriginX + mPatternOffsetX) & 7;
  if (shiftH == 0) return;
  for (uint8_t& row : mAlignedPattern) {
    const uint32_t shifted = uint32_t(row) << shiftH;
    row = uint8_t(shifted | shifted >> 8);
  }
}

void Graphics::SetPattern(const uint8_t pattern[8]) {
  for (int32_t i = 0; i < 8; ++i) mPattern[i] = pattern[i];
  AlignPattern();
}

void Graphics::SetPatternKind(int32_t kind) {
  FillStockPattern(kind, mPattern);
  AlignPattern();
}

void Graphics::SetPatternOffset(int32_t x, int32_t y) {
  mPatternOffsetX = x;
  mPatternOffsetY = y;
  AlignPattern();
}

void Graphics::SetOrigin(int32_t x, int32_t y) {
  mOriginX = x;
  mOriginY = y;
  AlignPattern();
}

void Graphics::SetPenSize(int32_t width, int32_t height) {
  mPenWidth = width;
  mPenHeight = height;
}

void Graphics::SetFont(const FontSpec& font) {
  SetTextFont(font.name);
  SetTextSize(font.size);
  SetTextStyle(font.GetStyleBits());
}

int32_t Graphics::StringDirection(const string& text) {
  return text.IsEmpty() ? TextDirection() : -1;
}

// The first guess comes from the width of "a" and the encoding's bytes a character; from it
// the search gallops outward, then halves, measuring every bound it keeps. Widths are taken
// to grow with the prefix.
int32_t Graphics::TextFitLength(const string& text, int32_t width, bool wordBreak) {
  const int32_t length = text.Length();
  if (StringWidth(text) < width) return length;
  const TextEncoding encoding = text.Encoding();
  double factor = 1.8;
  int32_t step = 2;
  if (encoding == kEncodingASCII) {
    factor = 1.0;
    step = 1;
  } else if (encoding == kEncodingUTF8) {
    factor = 1.1;
    step = 6;
  } else if (IsUnicode16Encoding(encoding)) {
    factor = 2.0;
    step = 2;
  }
  auto fits = [&](int32_t n) { return StringWidth(left(text, n)) < width; };
  // The character start at or before n, n first kept within the text.
  auto startAt = [&](int64_t n) {
    return CharacterStart(text, encoding, int32_t(n < 0 ? 0 : n > length ? length : n));
  };
  int32_t lo = 0;       // a prefix known to fit (or 0)
  int32_t hi = length;  // a prefix known not to
  const int32_t aWidth = StringWidth(string("a"));
  int64_t guess = 0;
  if (width > 0 && aWidth > 0) guess = int64_t(width / (aWidth * factor));
  const int32_t first = startAt(guess);
  if (first > lo && first < hi) {
    if (fits(first)) {
      lo = first;
      for (int32_t probe = startAt(int64_t(lo) + step); probe > lo && probe < hi;
           probe = startAt(int64_t(lo) + step)) {
        if (!fits(probe)) {
          hi = probe;
          break;
        }
        lo = probe;
        step *= 2;
      }
    } else {
      hi = first;
      for (int32_t probe = startAt(int64_t(hi) - step); probe > lo && probe < hi;
           probe = startAt(int64_t(hi) - step)) {
        if (fits(probe)) {
          lo = probe;
          break;
        }
        hi = probe;
        step *= 2;
      }
    }
  }
  for (;;) {
    int32_t middle = startAt(lo + (hi - lo) / 2);
    if (middle <= lo) middle = NextCharacterStart(text, encoding, lo);
    if (middle >= hi) break;
    if (fits(middle)) {
      lo = middle;
    } else {
      hi = middle;
    }
  }
  if (!wordBreak) return lo;
  int32_t result = lo;
  for (int32_t n = lo; n >= 1; --n) {
    if (n < length && IsBlankAt(text, encoding, n)) {
      result = n;
      break;
    }
  }
  const int32_t blankSize = IsUnicode16Encoding(encoding) ? 2 : 1;
  while (result < length && IsBlankAt(text, encoding, result)) result += blankSize;
  return result < length ? result : length;
}

void Graphics::DrawStringCondensed(const string& text, int32_t x, int32_t y, int32_t width,
                                   const string& ellipsis) {
  if (!mTarget) return;
  PrepareDrawing();
  UpdateFont();
  const uint32_t style = TextStyle();
  string shown = text;
  bool cut = false;
  int32_t shownWidth = StringWidth(text);
  if (shownWidth > width) {
    SetTextStyle(style | kStyleCondense);
    shownWidth = StringWidth(text);
  }
  if (shownWidth > width) {
    const int32_t ellipsisWidth = StringWidth(ellipsis);
    if (ellipsisWidth >= width) {
      shown = string();
    } else {
      shown = left(text, TextFitLength(text, width - ellipsisWidth, false));
      shownWidth = StringWidth(shown);
      cut = true;
    }
  }
  if (!shown.IsEmpty()) DrawString(shown, x, y);
  if (cut) DrawString(ellipsis, x + shownWidth, y);
  SetTextStyle(style);
}

void Graphics::DrawDrawable(int32_t x, int32_t y, int32_t width, int32_t height,
                            QV::Drawable* drawable, int32_t srcLeft, int32_t srcTop,
                            int32_t srcWidth, int32_t srcHeight, bool transparent) {
  if (!drawable) return;
  QV::Rect source;
  RectSet(source, srcLeft, srcTop, srcLeft + srcWidth, srcTop + srcHeight);
  QV::Rect destination;
  const int32_t destLeft = x - mOriginX;
  const int32_t destTop = y - mOriginY;
  RectSet(destination, destLeft, destTop, destLeft + width, destTop + height);
  drawable->DrawIntoGraphics(*this, source, destination, transparent);
}

void Graphics::DrawDrawableAt(int32_t x, int32_t y, QV::Drawable* drawable, int32_t srcLeft,
                              int32_t srcTop, int32_t width, int32_t height, bool transparent) {
  DrawDrawable(x, y, width, height, drawable, srcLeft, srcTop, width, height, transparent);
}

void Graphics::DrawDrawablePlain(int32_t x, int32_t y, QV::Drawable* drawable,
                                 int32_t srcLeft, int32_t srcTop, int32_t width,
                                 int32_t height) {
  DrawDrawableAt(x, y, drawable, srcLeft, srcTop, width, height, true);
}

GraphicsClipSaver::GraphicsClipSaver(Graphics& g)
    : mGraphics(g), mHadClip(g.HasClip()), mClip(g.ClipRect()) {}

GraphicsClipSaver::~GraphicsClipSaver() {
  if (mHadClip) {
    mGraphics.SetClipRect(mClip);
  } else {
    mGraphics.RemoveClip();
  }
}

void GraphicsState::Save() {
  Graphics& g = mGraphics;
  mForeColor = g.ForeColor();
  mTextFont = g.TextFont();
  mTextSize = g.TextSize();
  mTextStyle = g.TextStyle();
  mOpacity = g.Opacity();
  mPenWidth = g.PenWidth();
  mPenHeight = g.PenHeight();
  mMode = g.Mode();
  mOriginX = g.OriginX();
  mOriginY = g.OriginY();
  mSaved = true;
}

void GraphicsState::Restore() {
  if (!mSaved) return;
  Graphics& g = mGraphics;
  if (!(g.ForeColor() == mForeColor)) g.SetForeColor(mForeColor);
  g.SetOrigin(mOriginX, mOriginY);
  g.SetMode(mMode);
  g.SetPenSize(mPenWidth, mPenHeight);
  g.SetTextFont(mTextFont);
  g.SetTextSize(mTextSize);
  g.SetTextStyle(mTextStyle);
  g.SetOpacity(mOpacity);
  mTextFont = string();
  mSaved = false;
}

extern "C" void EnableCoreGraphicsTextOnOSX() { gCoreGraphicsText = true; }
QV_EXPORT(EnableCoreGraphicsTextOnOSX)
