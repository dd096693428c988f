// Colours of the language: building a colour (0xRRGGBB) from red-green-blue, hue-saturation-
// value or cyan-magenta-yellow components, taking one apart into them, and the colour chooser.
//
// Every component that becomes a byte is clamped to 0..255. A fraction is clamped while still a
// fraction (scaled by 255 and truncated toward zero), so a NaN, infinite or huge component gives
// 0 or 255 and never reaches an undefined conversion. A hue that is not a number gives black.
// Neither direction depends on the precision the FPU keeps intermediate values in: taking a
// colour apart decides which channel is largest on the integer channels, and building one
// rounds every step of the arithmetic to double.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// trunc(fraction * 255), clamped to 0..255; NaN gives 0.
int32_t ComponentOfFraction(double fraction);

extern "C" {
uint32_t RuntimeRGB(int32_t red, int32_t green, int32_t blue);
uint32_t RuntimeHSV(double hue, double saturation, double value);
uint32_t RuntimeCMY(double cyan, double magenta, double yellow);

int32_t readColorRed(uint32_t color);
int32_t readColorGreen(uint32_t color);
int32_t readColorBlue(uint32_t color);
double readColorCyan(uint32_t color);
double readColorMagenta(uint32_t color);
double readColorYellow(uint32_t color);
double readColorHue(uint32_t color);         // in [0, 1); 0 for a grey
double readColorSaturation(uint32_t color);  // 0 for a grey
double readColorValue(uint32_t color);

// The GTK colour chooser titled prompt: true and *value set to the chosen colour when the
// person answers OK; false and *value unchanged otherwise (also without a display).
int32_t selectColor(uint32_t* value, stringStorage* prompt);
}
