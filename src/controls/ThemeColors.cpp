#include "controls/ThemeColors.h"

#include "core/Export.h"
#include "core/RuntimeError.h"
#include "strings/TextStyle.h"
#include "windows/GtkDefaults.h"

namespace {

// The GTK style colour of each kind; -1 keeps the default.
constexpr int32_t kStyleColorOfKind[kThemeColorCount] = {
    kStyleDark, kStyleBackground, kStyleText, -1, -1, kStyleBase, kStyleActiveBackground};

constexpr uint8_t kAppearanceFlags[3] = {0, 0, 0};

uint32_t Channel8(uint16_t channel) { return uint32_t((uint64_t(channel) * 65281u) >> 24); }

}  // namespace

uint32_t PackThemeColor(const RGBColor16& color) {
  return Channel8(color.red) << 16 | Channel8(color.green) << 8 | Channel8(color.blue);
}

void GetThemeColor(int32_t kind, RGBColor16* rgbOut, uint32_t* colourOut) {
  if (!QV_CHECK_TEXT(kind >= 0 && kind < kThemeColorCount, "kind < kThemeColorCount", nullptr)) {
    return;
  }
  const DefaultColor& fallback = kThemeColorDefaults[kind];
  RGBColor16 color = {fallback.red, fallback.green, fallback.blue};
  if (kStyleColorOfKind[kind] >= 0) color = GetGtkStyleColor(uint32_t(kStyleColorOfKind[kind]));
  if (rgbOut) *rgbOut = color;
  if (colourOut) *colourOut = PackThemeColor(color);
}

#define QV_THEME_COLOR_EXPORT(function, kind) \
  extern "C" uint32_t function() {               \
    uint32_t colour = 0;                         \
    GetThemeColor(kind, nullptr, &colour);       \
    return colour;                               \
  }                                              \
  QV_EXPORT(function)

QV_THEME_COLOR_EXPORT(getFrameColor, kThemeFrame)
QV_THEME_COLOR_EXPORT(getFillColor, kThemeFill)
QV_THEME_COLOR_EXPORT(getTextColor, kThemeText)
QV_THEME_COLOR_EXPORT(getLightTingeColor, kThemeLightTinge)
QV_THEME_COLOR_EXPORT(getDarkTingeColor, kThemeDarkTinge)
QV_THEME_COLOR_EXPORT(getLightBevelColor, kThemeLightBevel)
QV_THEME_COLOR_EXPORT(getDarkBevelColor, kThemeDarkBevel)

extern "C" uint32_t GetDisabledTextColor() {
  return PackThemeColor(GetGtkStyleColor(kStyleInsensitiveForeground));
}
QV_EXPORT(GetDisabledTextColor)

extern "C" uint32_t getHilightColor() {
  return PackThemeColor(GetGtkStyleColor(kStyleSelectedBackground));
}
QV_EXPORT(getHilightColor)

void PlatformSystemFontSetup() {}

uint32_t ReservedGlobalWordGetter() { return 0; }

uint8_t AppearanceFlag0Getter() { return kAppearanceFlags[0]; }
uint8_t AppearanceFlag1Getter() { return kAppearanceFlags[1]; }
uint8_t AppearanceFlag2Getter() { return kAppearanceFlags[2]; }

void ScopedFlagSet(uint8_t* flag) {
  if (flag) *flag = 1;
}

uint8_t ScopedFlagClear(uint8_t* flag) {
  if (!flag) return 0;
  *flag = 0;
  return *flag;
}
