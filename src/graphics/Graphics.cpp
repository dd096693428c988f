#include "graphics/Graphics.h"

RGBColor16 ColorFromRGB(uint32_t rgb) {
  return {static_cast<uint16_t>(((rgb >> 16) & 0xFF) * 257),
          static_cast<uint16_t>(((rgb >> 8) & 0xFF) * 257), static_cast<uint16_t>((rgb & 0xFF) * 257)};
}

uint32_t RGBFromColor(RGBColor16 color) {
  return uint32_t(color.red >> 8) << 16 | uint32_t(color.green >> 8) << 8 | color.blue >> 8;
}

void Graphics::Destroy(Graphics* g) { delete g; }

GdkWindow* Graphics::TargetGdkDrawable() const {
  return mTarget ? mTarget->GetGdkWindow() : nullptr;
}

void Graphics::SetClipRect(const QV::Rect& rect) {
  mClip = rect;
  mHasClip = true;
}

void Graphics::RemoveClip() {
  mClip = QV::Rect{};
  mHasClip = false;
}

void Graphics::SetFont(const FontSpec& font) {
  SetTextFont(font.name);
  SetTextSize(font.size);
  SetTextStyle(font.GetStyleBits());
}

void Graphics::SetOrigin(int32_t x, int32_t y) {
  mOriginX = x;
  mOriginY = y;
}

void Graphics::FillRect(const QV::Rect&) {}

void Graphics::ClearRect(const QV::Rect&) {}

GraphicsClipSaver::GraphicsClipSaver(Graphics& g)
    : mGraphics(g), mHadClip(g.HasClip()), mClip(g.ClipRect()) {}

GraphicsClipSaver::~GraphicsClipSaver() {
  if (mHadClip) {
    mGraphics.SetClipRect(mClip);
  } else {
    mGraphics.RemoveClip();
  }
}
