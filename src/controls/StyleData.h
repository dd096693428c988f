// The style-data string of an edit field (its TextStyleData): the styles of the whole text in
// one byte string, one record per character in text order.
//
//   flags    1 byte: 0x01 bold, 0x02 italic, 0x04 underline, 0x08 font follows, 0x10 colour
//   font     when 0x08: a length byte n and n bytes of the name
//   colour   when 0x10: red, green, blue, one byte each
//   size     1 byte
//
// Length and size bytes are unsigned. The writer names the font only where it changes (the
// text starts in "System") and the colour only where it is not black; names longer than 255
// bytes are cut there on a character boundary, sizes above 255 are written as 255.
//
// The reader is a parser of its own, without GTK: it turns records into the ranges a field
// applies, never reads past the data, and gives only ranges inside the text.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One character's style as the writer takes it.
struct CharacterStyle {
  bool bold = false;
  bool italic = false;
  bool underline = false;
  std::string font;    // as the field names it ("System" for the default)
  uint32_t color = 0;  // 0xRRGGBB
  int32_t size = 0;

  bool operator==(const CharacterStyle&) const = default;
};

std::string EncodeStyleData(const std::vector<CharacterStyle>& characters);

enum class StyleAttribute { kBold, kItalic, kUnderline, kFont, kColor, kSize };

// [start, end) of the text, in characters, takes the attribute's value.
struct StyleSpan {
  StyleAttribute attribute;
  int32_t start;
  int32_t end;
  std::string font;
  uint32_t color = 0;  // 0xRRGGBB
  int32_t size = 0;
};

struct StyleDataReading {
  std::vector<StyleSpan> spans;
  int32_t records = 0;      // complete records read
  bool cutShort = false;    // a record ran past the end of the data
  int64_t cutOffset = 0;    // where that record began
};

// Reads records while data remain and fewer than textLength have been read. Bold, italic and
// underline each run from a record that sets the flag to the first that does not; a font from
// a record naming one to the next name; a colour from a record carrying one to a different
// colour or the first record without one; the size from the first record to each change.
// Whatever is open at the end runs to the number of complete records.
StyleDataReading ParseStyleData(const unsigned char* data, int64_t size, int32_t textLength);
