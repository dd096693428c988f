// Pixels read back from the X server, and their comparison region by region.
#pragma once

#include <gdk/gdk.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qvtest {

// A rectangle in screen (or, for a screenshot's regions, in its own) coordinates.
struct ScreenArea {
  int x = 0, y = 0, width = 0, height = 0;
  int CenterX() const { return x + width / 2; }
  int CenterY() const { return y + height / 2; }
  bool operator==(const ScreenArea&) const = default;
};

class Screenshot {
 public:
  Screenshot() = default;
  Screenshot(int width, int height, std::vector<uint32_t> pixels);

  int width() const { return mWidth; }
  int height() const { return mHeight; }
  bool empty() const { return mPixels.empty(); }
  // 0xRRGGBB; 0 outside.
  uint32_t Pixel(int x, int y) const;
  // The part of the screenshot inside area (clipped to it).
  Screenshot Region(const ScreenArea& area) const;
  // Pixels where some channel differs from other's by more than tolerance; every pixel of
  // either when the sizes differ.
  int DifferingPixels(const Screenshot& other, int tolerance = 0) const;
  // Pixels within tolerance of colour in every channel.
  int CountPixels(uint32_t colour, int tolerance = 0) const;
  // A binary PPM, to look at a failure.
  bool WritePPM(const std::string& path) const;

 private:
  int mWidth = 0, mHeight = 0;
  std::vector<uint32_t> mPixels;  // rows top to bottom
};

// Whether every channel of the two 0xRRGGBB colours differs by tolerance at most.
bool ColoursNear(uint32_t a, uint32_t b, int tolerance);

// The pixels of width x height of drawable from (x, y), as 0xRRGGBB; empty when GDK cannot
// read them.
Screenshot PixelsOf(GdkDrawable* drawable, int width, int height, int x = 0, int y = 0);

}  // namespace qvtest
