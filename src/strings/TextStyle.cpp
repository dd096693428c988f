#include "strings/TextStyle.h"

#include <pango/pangocairo.h>

#include <algorithm>
#include <cstring>

#include "core/ByteUtilities.h"
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

}  // namespace

const SimpleVector<FontFamilyEntry>& FontFamilies() {
  static const SimpleVector<FontFamilyEntry> families = [] {
    SimpleVector<FontFamilyEntry> entries;
    PangoFontFamily** list = nullptr;
    int count = 0;
    // The default font map is the calling thread's own, and goes when that thread ends: the
    // list keeps the map it came from, and each family, for the life of the process.
    static PangoFontMap* const map =
        PANGO_FONT_MAP(g_object_ref(pango_cairo_font_map_get_default()));
    pango_font_map_list_families(map, &list, &count);
    for (int i = 0; i < count; ++i) {
      g_object_ref(list[i]);
      const char* name = pango_font_family_get_name(list[i]);
      entries.Append({string::FromBytes(name, static_cast<int64_t>(std::strlen(name)),
                                        kEncodingUTF8),
                      list[i]});
    }
    g_free(list);
    std::sort(entries.data(), entries.data() + entries.size(),
              [](const FontFamilyEntry& a, const FontFamilyEntry& b) {
                return ustrcmpi(a.name.CString(), b.name.CString()) < 0;
              });
    return entries;
  }();
  return families;
}

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
  return FontFamilies()[index - 1].name.ExtractStringStorage();
}
QV_EXPORT(getFontName)
