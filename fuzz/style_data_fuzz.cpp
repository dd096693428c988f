// Style data: the reader never reads past the data and gives only ranges inside the text,
// whose length comes from the input's first two bytes; the styles it gives, written again and
// read back, are the same styles.
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "controls/StyleData.h"

namespace {

std::vector<CharacterStyle> StylesOf(const StyleDataReading& reading, int32_t count) {
  std::vector<CharacterStyle> styles(static_cast<size_t>(count));
  for (CharacterStyle& c : styles) c.font = "System";
  for (const StyleSpan& s : reading.spans) {
    for (int32_t i = s.start; i < s.end; ++i) {
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

bool SameStyles(const std::vector<CharacterStyle>& a, const std::vector<CharacterStyle>& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (a[i].bold != b[i].bold || a[i].italic != b[i].italic ||
        a[i].underline != b[i].underline || a[i].font != b[i].font ||
        a[i].color != b[i].color || a[i].size != b[i].size) {
      return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  if (size < 2) return 0;
  const int32_t textLength = int32_t(data[0]) | int32_t(data[1] & 0x0F) << 8;
  // The records in a block of their own size, so that a read past them is caught.
  const size_t bytes = size - 2;
  std::unique_ptr<unsigned char[]> records(new unsigned char[bytes ? bytes : 1]);
  if (bytes) std::memcpy(records.get(), data + 2, bytes);
  const StyleDataReading reading = ParseStyleData(records.get(), int64_t(bytes), textLength);
  QV_FUZZ_EXPECT(reading.records >= 0 && reading.records <= textLength);
  QV_FUZZ_EXPECT(!reading.cutShort || reading.cutOffset < int64_t(bytes));
  for (const StyleSpan& s : reading.spans) {
    QV_FUZZ_EXPECT(s.start >= 0 && s.start < s.end && s.end <= reading.records);
    if (!(s.start >= 0 && s.start < s.end && s.end <= reading.records)) return 0;
  }
  const std::vector<CharacterStyle> styles = StylesOf(reading, reading.records);
  const std::string encoded = EncodeStyleData(styles);
  const StyleDataReading again =
      ParseStyleData(reinterpret_cast<const unsigned char*>(encoded.data()),
                     int64_t(encoded.size()), reading.records);
  QV_FUZZ_EXPECT(!again.cutShort && again.records == reading.records);
  QV_FUZZ_EXPECT(SameStyles(StylesOf(again, again.records), styles));
  return 0;
}
