#include "graphics/PangoFonts.h"

#include <pango/pangocairo.h>

#include <string>
#include <utility>

#include "core/ByteUtilities.h"

namespace {

struct DesktopFont {
  string family;
  int32_t size = 0;
};

DesktopFont& StoredDesktop() {
  static DesktopFont font;
  return font;
}

void (*gDesktopFontReader)() = nullptr;

// The desktop font after the pending reader, if any, has run (it sets the font through
// SetDesktopFont, which finds no reader pending any more).
DesktopFont& Desktop() {
  if (void (*reader)() = std::exchange(gDesktopFontReader, nullptr)) reader();
  return StoredDesktop();
}

bool SameNameIgnoringCase(const string& a, const char* b) {
  return ustrcmpi(a.CString(), b) == 0;
}

bool IsPlainFace(const PangoFontDescription* face) {
  return pango_font_description_get_style(face) == PANGO_STYLE_NORMAL &&
         pango_font_description_get_weight(face) == PANGO_WEIGHT_NORMAL &&
         pango_font_description_get_stretch(face) == PANGO_STRETCH_NORMAL &&
         pango_font_description_get_variant(face) == PANGO_VARIANT_NORMAL;
}

// Pango's description of a face of the family named name (case ignored), at size points: its
// plain face, else the first it lists (which may well be condensed or light); nil when no
// family has that name or it has no face.
PangoFontDescription* DescribeFamily(const string& name, int32_t size) {
  const SimpleVector<FontFamilyEntry>& families = FontFamilies();
  for (uint32_t i = 0; i < families.size(); ++i) {
    const FontFamilyEntry& entry = families[int32_t(i)];
    if (!SameNameIgnoringCase(entry.name, name.CString())) continue;
    PangoFontFace** faces = nullptr;
    int count = 0;
    pango_font_family_list_faces(entry.family, &faces, &count);
    PangoFontDescription* description = nullptr;
    for (int face = 0; face < count; ++face) {
      PangoFontDescription* candidate = pango_font_face_describe(faces[face]);
      if (!description) {
        description = candidate;
      } else if (IsPlainFace(candidate)) {
        pango_font_description_free(description);
        description = candidate;
      } else {
        pango_font_description_free(candidate);
      }
      if (IsPlainFace(description)) break;
    }
    if (description) pango_font_description_set_size(description, size * PANGO_SCALE);
    g_free(faces);
    return description;
  }
  return nullptr;
}

PangoFontDescription* DescribeByText(const string& family, int32_t size) {
  const std::string text = std::string(family.CString()) + " " + std::to_string(size);
  return pango_font_description_from_string(text.c_str());
}

bool FontLoads(const PangoFontDescription* description) {
  PangoContext* context = pango_font_map_create_context(pango_cairo_font_map_get_default());
  PangoFont* font = pango_context_load_font(context, description);
  const bool loaded = font != nullptr;
  if (font) g_object_unref(font);
  g_object_unref(context);
  return loaded;
}

}  // namespace

void SetDesktopFont(const string& family, int32_t size) {
  DesktopFont& font = Desktop();
  font.family = family;
  font.size = size;
}

void SetDesktopFontReader(void (*reader)()) { gDesktopFontReader = reader; }

void ReadPendingDesktopSettings() { Desktop(); }

const string& DesktopFontFamily() { return Desktop().family; }

int32_t DesktopFontSize() { return Desktop().size; }

int32_t PangoFontFamilyCount() { return int32_t(FontFamilies().size()) + 1; }

string PangoFontFamilyName(int32_t index) {
  if (index == 0) return string("System");
  if (index < 1 || index >= PangoFontFamilyCount()) return string();
  return FontFamilies()[index - 1].name;
}

string MapSystemFontName(string& name, bool toDesktop) {
  if (toDesktop) {
    if (name.IsEmpty() || SameNameIgnoringCase(name, "System")) name = DesktopFontFamily();
  } else if (SameNameIgnoringCase(name, DesktopFontFamily().CString())) {
    name = "System";
  }
  return name;
}

int32_t MapSystemFontSize(int32_t size, bool toDesktop) {
  if (!toDesktop) return size + 2;
  return size < 1 ? DesktopFontSize() : size - 2;
}

namespace {

PangoFontDescription* DescribeFont(const FontSpec& font) {
  string name = font.name.GetUTF8String();
  MapSystemFontName(name, true);
  const int32_t size = MapSystemFontSize(font.size, true);
  PangoFontDescription* description = DescribeFamily(name, size);
  if (!description) description = DescribeByText(name, size);
  if (!description) description = DescribeByText(DesktopFontFamily(), size);
  if (!FontLoads(description)) {
    pango_font_description_free(description);
    description = DescribeByText(DesktopFontFamily(), size);
  }
  pango_font_description_set_style(description, font.italic ? PANGO_STYLE_ITALIC
                                                            : PANGO_STYLE_NORMAL);
  pango_font_description_set_weight(description, font.bold ? PANGO_WEIGHT_BOLD
                                                           : PANGO_WEIGHT_NORMAL);
  return description;
}

// The description made last and what it was made from. Making one loads the font to see that
// it exists, and a window's controls and drawings mostly ask for one font again and again.
struct MadeDescription {
  FontSpec font;
  TextEncoding encoding = kEncodingASCII;
  string desktopFamily;
  int32_t desktopSize = 0;
  PangoFontDescription* description = nullptr;
};

}  // namespace

PangoFontDescription* MakePangoFontDescription(const FontSpec& font) {
  static MadeDescription last;
  const bool sameFont =
      last.font.AssignIfChanged(font) == 0 && last.encoding == font.name.Encoding();
  const string desktopFamily = DesktopFontFamily();
  const int32_t desktopSize = DesktopFontSize();
  if (!last.description || !sameFont || last.desktopFamily.CompareWithCase(desktopFamily) != 0 ||
      last.desktopSize != desktopSize) {
    if (last.description) pango_font_description_free(last.description);
    last.description = DescribeFont(font);
    last.encoding = font.name.Encoding();
    last.desktopFamily = desktopFamily;
    last.desktopSize = desktopSize;
  }
  return pango_font_description_copy(last.description);
}
