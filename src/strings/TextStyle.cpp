#include "strings/TextStyle.h"

#include <pango/pangocairo.h>
#include <strings.h>

#include <algorithm>
#include <cstring>

#include "core/Export.h"
#include "core/RaiseException.h"
#include "core/SimpleVector.h"

namespace {

constexpr DefaultColor kPlatformColors[kDefaultColorCount] = {
    {65000, 65000, 65000}, {52428, 52428, 65535}, {60948, 60948, 65535},
    {39336, 39336, 52428}, {45000, 45000, 55000}, {55000, 55000, 65000},
};
constexpr DefaultColor kGreyColors[kDefaultColorCount] = {
    {60948, 60948, 60948}, {52428, 52428, 52428}, {60948, 60948, 60948},
    {39336, 39336, 39336}, {39336, 39336, 39336}, {65535, 65535, 65535},
};

DefaultColor gDefaultColors[kDefaultColorCount];
uint8_t gColorsFollowPlatform = 0;

FontSpec& MutableDefaultFontSpec() {
  static FontSpec font;
  return font;
}

// The toolkit's font families, sorted ignoring case; listed on first use and kept, as the
// language indexes into the list between calls.
const SimpleVector<string>& FontFamilies() {
  static const SimpleVector<string> families = [] {
    SimpleVector<string> names;
    PangoFontFamily** list = nullptr;
    int count = 0;
    pango_font_map_list_families(pango_cairo_font_map_get_default(), &list, &count);
    for (int i = 0; i < count; ++i) {
      const char* name = pango_font_family_get_name(list[i]);
      names.Append(string::FromBytes(name, static_cast<int64_t>(std::strlen(name)),
                                        kEncodingUTF8));
    }
    g_free(list);
    std::sort(names.data(), names.data() + names.size(), [](const string& a, const string& b) {
      return strcasecmp(a.CString(), b.CString()) < 0;
    });
    return names;
  }();
  return families;
}

}  // namespace

int32_t FontSpec::AssignIfChanged(const FontSpec& other) {
  bool sameName = CompareByteRuns(name.Bytes(), name.Length(), other.name.Bytes(),
                                  other.name.Length()) == 0;
  if (sameName && size == other.size && bold == other.bold && italic == other.italic &&
      underline == other.underline) {
    return 0;
  }
  name = other.name;
  size = other.size;
  bold = other.bold;
  underline = other.underline;
  italic = other.italic;
  return 1;
}

uint32_t FontSpec::GetStyleBits() const {
  return (bold ? kStyleBold : 0) | (italic ? kStyleItalic : 0) |
         (underline ? kStyleUnderline : 0);
}

void FontSpec::SetStyleBits(uint32_t bits) {
  if (bits & kStyleBold) bold = 1;
  if (bits & kStyleItalic) italic = 1;
  if (bits & kStyleUnderline) underline = 1;
}

void InitDefaultFontSpec(bool platformAppearance) {
  std::copy_n(platformAppearance ? kPlatformColors : kGreyColors, kDefaultColorCount,
              gDefaultColors);
  gColorsFollowPlatform = platformAppearance ? 1 : 0;
  FontSpec& font = MutableDefaultFontSpec();
  font.bold = font.italic = font.underline = 0;
  font.name = "System";
  font.size = 10;
}

const FontSpec& DefaultFontSpec() { return MutableDefaultFontSpec(); }

const DefaultColor* DefaultColorTable() { return gDefaultColors; }

uint8_t DefaultColorsFollowPlatform() { return gColorsFollowPlatform; }

extern "C" int32_t getFontCount() { return static_cast<int32_t>(FontFamilies().size()) + 1; }
QV_EXPORT(getFontCount)

extern "C" stringStorage* getFontName(int32_t index) {
  if (index < 0 || index >= getFontCount()) {
    RaiseOutOfBoundsException();
    return nullptr;
  }
  if (index == 0) return string("System").ExtractStringStorage();
  return FontFamilies()[index - 1].ExtractStringStorage();
}
QV_EXPORT(getFontName)
