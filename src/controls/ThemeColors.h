// The colours controls draw with when they draw themselves (bevel buttons, headers), taken from
// the GTK theme where it has them, and the small global routines drawing code shares.
#pragma once

#include <cstdint>

#include "graphics/Graphics.h"

enum ThemeColorKind : int32_t {
  kThemeFrame = 0,
  kThemeFill = 1,
  kThemeText = 2,
  kThemeLightTinge = 3,
  kThemeDarkTinge = 4,
  kThemeLightBevel = 5,
  kThemeDarkBevel = 6,
};

// The colour of kind: the theme's for frame, fill, text and the bevels, the default table's
// (kThemeColorDefaults, strings/TextStyle.h) for the tinges. Writes the 16-bit channels to
// rgbOut and the packed 0xRRGGBB to colourOut, each when given. A kind outside 0-6 is a failed
// check and writes nothing.
void GetThemeColor(int32_t kind, RGBColor16* rgbOut, uint32_t* colourOut);
// 0xRRGGBB of a 16-bit colour, each channel c as (c x 65281) >> 24.
uint32_t PackThemeColor(const RGBColor16& color);

extern "C" {
// The theme colours of kinds 0 to 6, packed 0xRRGGBB.
uint32_t getFrameColor();
uint32_t getFillColor();
uint32_t getTextColor();
uint32_t getLightTingeColor();
uint32_t getDarkTingeColor();
uint32_t getLightBevelColor();
uint32_t getDarkBevelColor();
// The GTK style's insensitive foreground and selected background, packed the same way.
uint32_t GetDisabledTextColor();
uint32_t getHilightColor();
}

// Nothing to set up for the system font on this platform.
void PlatformSystemFontSetup();
// A reserved word of the runtime: always 0.
uint32_t ReservedGlobalWordGetter();
// The three appearance flags: nothing sets them on this platform.
uint8_t AppearanceFlag0Getter();
uint8_t AppearanceFlag1Getter();
uint8_t AppearanceFlag2Getter();
// A one-byte guard around a drawing pass: set to 1, then cleared (answering the cleared value).
void ScopedFlagSet(uint8_t* flag);
uint8_t ScopedFlagClear(uint8_t* flag);
