// The per-character styles the spans of a style-data reading give a text of count characters,
// starting from the plain style in "System"; spans reaching past the text are cut at its end.
#pragma once

#include <vector>

#include "controls/StyleData.h"

inline std::vector<CharacterStyle> ApplyStyleSpans(const StyleDataReading& reading,
                                                   int32_t count) {
  std::vector<CharacterStyle> styles(static_cast<size_t>(count));
  for (CharacterStyle& c : styles) c.font = "System";
  for (const StyleSpan& s : reading.spans) {
    for (int32_t i = s.start < 0 ? 0 : s.start; i < s.end && i < count; ++i) {
      CharacterStyle& c = styles[size_t(i)];
      switch (s.attribute) {
        case StyleAttribute::kBold: c.bold = true; break;
        case StyleAttribute::kItalic: c.italic = true; break;
        case StyleAttribute::kUnderline: c.underline = true; break;
        case StyleAttribute::kFont: c.font = s.font; break;
        case StyleAttribute::kColor: c.color = s.color; break;
        case StyleAttribute::kSize: c.size = s.size; break;
      }
    }
  }
  return styles;
}
