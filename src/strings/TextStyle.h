// Text appearance: FontSpec, the small record through which controls, graphics and printing
// describe a font; the global default FontSpec and the six default colours, both filled once
// at start-up; and the language's font enumeration (getFontCount, getFontName), whose index 0
// is "System" and whose other entries are the toolkit's font families.
#pragma once

#include <cstdint>

#include "core/SimpleVector.h"
#include "strings/RuntimeString.h"

typedef struct _PangoFontFamily PangoFontFamily;

// Style bits of GetStyleBits and SetStyleBits.
constexpr uint32_t kStyleBold = 1;
constexpr uint32_t kStyleItalic = 2;
constexpr uint32_t kStyleUnderline = 4;

struct FontSpec {
  string name;  // empty: the default font
  uint8_t bold = 0;
  uint8_t italic = 0;
  uint8_t underline = 0;
  int16_t size = 0;

  // Copies other's name, size and flags unless all of them already match (names compared
  // byte for byte); answers 1 when something changed, else 0 and the record is untouched.
  int32_t AssignIfChanged(const FontSpec& other);
  uint32_t GetStyleBits() const;
  void SetStyleBits(uint32_t bits);  // sets each flag given; clears none
};

// A 16-bit-per-channel colour of the default table.
struct DefaultColor {
  uint16_t red;
  uint16_t green;
  uint16_t blue;
};
constexpr int32_t kDefaultColorCount = 6;

// The theme colours' defaults, by kind: frame, fill, text, light tinge, dark tinge, light
// bevel, dark bevel (controls/ThemeColors.h).
constexpr int32_t kThemeColorCount = 7;
constexpr DefaultColor kThemeColorDefaults[kThemeColorCount] = {
    {0x0000, 0x0000, 0x0000}, {0xDDDD, 0xDDDD, 0xDDDD}, {0x0000, 0x0000, 0x0000},
    {0xFFFF, 0xFFFF, 0xFFFF}, {0xAAAA, 0xAAAA, 0xAAAA}, {0xFFFF, 0xFFFF, 0xFFFF},
    {0xAAAA, 0xAAAA, 0xAAAA},
};

// The default font ("System", 10 points, no style) and colours. platformAppearance picks the
// bluish filling of the colour table, else the grey one.
void InitDefaultFontSpec(bool platformAppearance);
const FontSpec& DefaultFontSpec();
// The table the window layer reads; all zero until InitDefaultFontSpec.
const DefaultColor* DefaultColorTable();
// 1 when the table holds the platform-appearance filling, 0 for the grey one.
uint8_t DefaultColorsFollowPlatform();

// One font family of the toolkit: its name (UTF-8) and Pango's record of it, which the font
// map keeps for the life of the process.
struct FontFamilyEntry {
  string name;
  PangoFontFamily* family = nullptr;
};
// The toolkit's font families, sorted ignoring case: the one list behind the language's font
// enumeration and the font lookups of the drawing layer. Listed on first use and kept, as the
// language indexes into it between calls.
const SimpleVector<FontFamilyEntry>& FontFamilies();

extern "C" {
int32_t getFontCount();
// Family name index (0 is "System") with a reference for the caller; an index outside
// 0 .. getFontCount() - 1 is out of bounds and answers nil.
stringStorage* getFontName(int32_t index);
}
