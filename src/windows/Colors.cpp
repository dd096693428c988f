#include "windows/Colors.h"

#include <algorithm>

#include "core/Export.h"

namespace {

// The x87 FPU keeps intermediate results in 80 bits and C++ here does not round them at
// assignments, so a product such as 0.6 * 255 could truncate to 152 in one place and 153 in
// another. A trip through memory rounds a step to double: every result is then the one plain
// double arithmetic gives, whatever the FPU.
double Rounded(double x) {
  volatile double stored = x;
  return stored;
}

int32_t ClampToByte(int32_t component) { return std::clamp<int32_t>(component, 0, 255); }

uint32_t ColorOfBytes(int32_t red, int32_t green, int32_t blue) {
  return uint32_t(red) << 16 | uint32_t(green) << 8 | uint32_t(blue);
}

uint32_t ColorOfFractions(double red, double green, double blue) {
  return ColorOfBytes(ComponentOfFraction(red), ComponentOfFraction(green),
                      ComponentOfFraction(blue));
}

int32_t RedOf(uint32_t color) { return int32_t(color >> 16 & 255); }
int32_t GreenOf(uint32_t color) { return int32_t(color >> 8 & 255); }
int32_t BlueOf(uint32_t color) { return int32_t(color & 255); }

// The hue in [0, 1) of a colour with these channels; 0 for a grey. The channel that answers
// is the first of red, green and blue that holds the maximum, found on the integers.
double HueOfChannels(int32_t red, int32_t green, int32_t blue) {
  const int32_t largest = std::max({red, green, blue});
  const int32_t delta = largest - std::min({red, green, blue});
  if (delta == 0) return 0.0;
  double sector;
  if (red == largest) {
    sector = double(green - blue) / delta;
  } else if (green == largest) {
    sector = double(blue - red) / delta + 2.0;
  } else {
    sector = double(red - green) / delta + 4.0;
  }
  const double hue = sector / 6.0;
  return hue < 0.0 ? hue + 1.0 : hue;
}

}  // namespace

int32_t ComponentOfFraction(double fraction) {
  if (!(fraction > 0.0)) return 0;  // NaN too
  const double scaled = Rounded(fraction * 255.0);
  if (scaled >= 255.0) return 255;
  return int32_t(scaled);
}

extern "C" uint32_t RuntimeRGB(int32_t red, int32_t green, int32_t blue) {
  return ColorOfBytes(ClampToByte(red), ClampToByte(green), ClampToByte(blue));
}
QV_EXPORT(RuntimeRGB)

extern "C" uint32_t RuntimeHSV(double hue, double saturation, double value) {
  if (saturation == 0.0) return uint32_t(ComponentOfFraction(value)) * 0x010101u;
  if (hue != hue) return 0;  // not a number: no sector
  if (hue >= 1.0 || hue <= 0.0) hue = 0.0;
  // A hue just below 1 scales to 6.0: that is sector 0 again, where red meets magenta.
  double scaled = Rounded(hue * 6.0);
  if (scaled >= 6.0) scaled = 0.0;
  const int32_t sector = int32_t(scaled);
  const double f = Rounded(scaled - sector);
  const double p = Rounded(Rounded(1.0 - saturation) * value);
  const double q = Rounded(Rounded(1.0 - Rounded(saturation * f)) * value);
  const double t = Rounded(Rounded(1.0 - Rounded(saturation * Rounded(1.0 - f))) * value);
  switch (sector) {
    case 0: return ColorOfFractions(value, t, p);
    case 1: return ColorOfFractions(q, value, p);
    case 2: return ColorOfFractions(p, value, t);
    case 3: return ColorOfFractions(p, q, value);
    case 4: return ColorOfFractions(t, p, value);
    default: return ColorOfFractions(value, p, q);
  }
}
QV_EXPORT(RuntimeHSV)

extern "C" uint32_t RuntimeCMY(double cyan, double magenta, double yellow) {
  return ColorOfFractions(Rounded(1.0 - cyan), Rounded(1.0 - magenta), Rounded(1.0 - yellow));
}
QV_EXPORT(RuntimeCMY)

extern "C" int32_t readColorRed(uint32_t color) { return RedOf(color); }
QV_EXPORT(readColorRed)

extern "C" int32_t readColorGreen(uint32_t color) { return GreenOf(color); }
QV_EXPORT(readColorGreen)

extern "C" int32_t readColorBlue(uint32_t color) { return BlueOf(color); }
QV_EXPORT(readColorBlue)

extern "C" double readColorCyan(uint32_t color) { return (255 - RedOf(color)) / 255.0; }
QV_EXPORT(readColorCyan)

extern "C" double readColorMagenta(uint32_t color) { return (255 - GreenOf(color)) / 255.0; }
QV_EXPORT(readColorMagenta)

extern "C" double readColorYellow(uint32_t color) { return (255 - BlueOf(color)) / 255.0; }
QV_EXPORT(readColorYellow)

extern "C" double readColorHue(uint32_t color) {
  return HueOfChannels(RedOf(color), GreenOf(color), BlueOf(color));
}
QV_EXPORT(readColorHue)

extern "C" double readColorSaturation(uint32_t color) {
  const int32_t largest = std::max({RedOf(color), GreenOf(color), BlueOf(color)});
  if (largest == 0) return 0.0;
  const int32_t smallest = std::min({RedOf(color), GreenOf(color), BlueOf(color)});
  return double(largest - smallest) / largest;
}
QV_EXPORT(readColorSaturation)

extern "C" double readColorValue(uint32_t color) {
  return std::max({RedOf(color), GreenOf(color), BlueOf(color)}) / 255.0;
}
QV_EXPORT(readColorValue)
