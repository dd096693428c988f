#include "controls/StyleData.h"

#include <algorithm>

namespace {

constexpr uint8_t kFlagBold = 0x01;
constexpr uint8_t kFlagItalic = 0x02;
constexpr uint8_t kFlagUnderline = 0x04;
constexpr uint8_t kFlagFont = 0x08;
constexpr uint8_t kFlagColor = 0x10;
constexpr size_t kMaxNameBytes = 255;

// The name cut to 255 bytes without splitting a UTF-8 sequence.
std::string NameForRecord(const std::string& name) {
  if (name.size() <= kMaxNameBytes) return name;
  size_t cut = kMaxNameBytes;
  while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) --cut;
  return name.substr(0, cut);
}

// One attribute's open range while reading.
struct OpenRange {
  bool open = false;
  int32_t start = 0;
  std::string font;
  uint32_t color = 0;
  int32_t size = 0;
};

class Reader {
 public:
  Reader(const unsigned char* data, int64_t size) : mData(data), mSize(size) {}
  bool Byte(uint8_t* value) {
    if (mPos >= mSize) return false;
    *value = mData[mPos++];
    return true;
  }
  bool Bytes(std::string* text, int64_t count) {
    if (count > mSize - mPos) return false;
    text->assign(reinterpret_cast<const char*>(mData + mPos), size_t(count));
    mPos += count;
    return true;
  }
  bool AtEnd() const { return mPos >= mSize; }
  int64_t Position() const { return mPos; }

 private:
  const unsigned char* mData;
  int64_t mSize;
  int64_t mPos = 0;
};

struct Record {
  uint8_t flags = 0;
  std::string font;
  uint32_t color = 0;
  uint8_t size = 0;
};

bool ReadRecord(Reader& in, Record* record) {
  uint8_t length = 0;
  if (!in.Byte(&record->flags)) return false;
  if (record->flags & kFlagFont) {
    if (!in.Byte(&length) || !in.Bytes(&record->font, length)) return false;
  }
  if (record->flags & kFlagColor) {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    if (!in.Byte(&r) || !in.Byte(&g) || !in.Byte(&b)) return false;
    record->color = uint32_t(r) << 16 | uint32_t(g) << 8 | b;
  }
  return in.Byte(&record->size);
}

class SpanBuilder {
 public:
  explicit SpanBuilder(std::vector<StyleSpan>* spans) : mSpans(spans) {}

  void Close(StyleAttribute attribute, OpenRange& range, int32_t end) {
    if (!range.open) return;
    range.open = false;
    if (end <= range.start) return;
    mSpans->push_back({attribute, range.start, end, range.font, range.color, range.size});
  }
  void Flag(StyleAttribute attribute, OpenRange& range, bool set, int32_t index) {
    if (set && !range.open) {
      range.open = true;
      range.start = index;
    } else if (!set) {
      Close(attribute, range, index);
    }
  }

 private:
  std::vector<StyleSpan>* mSpans;
};

}  // namespace

std::string EncodeStyleData(const std::vector<CharacterStyle>& characters) {
  std::string out;
  std::string previousFont = "System";
  for (const CharacterStyle& c : characters) {
    uint8_t flags = (c.bold ? kFlagBold : 0) | (c.italic ? kFlagItalic : 0) |
                    (c.underline ? kFlagUnderline : 0);
    const bool newFont = c.font != previousFont;
    if (newFont) flags |= kFlagFont;
    if (c.color != 0) flags |= kFlagColor;
    out.push_back(char(flags));
    if (newFont) {
      previousFont = c.font;
      const std::string name = NameForRecord(c.font);
      out.push_back(char(name.size()));
      out += name;
    }
    if (c.color != 0) {
      out.push_back(char((c.color >> 16) & 0xFF));
      out.push_back(char((c.color >> 8) & 0xFF));
      out.push_back(char(c.color & 0xFF));
    }
    out.push_back(char(std::clamp(c.size, 0, 255)));
  }
  return out;
}

StyleDataReading ParseStyleData(const unsigned char* data, int64_t size, int32_t textLength) {
  StyleDataReading result;
  if (!data || size < 0) size = 0;
  Reader in(data, size);
  SpanBuilder spans(&result.spans);
  OpenRange bold;
  OpenRange italic;
  OpenRange underline;
  OpenRange font;
  OpenRange color;
  OpenRange sizeRange;
  int32_t index = 0;
  while (!in.AtEnd() && index < textLength) {
    const int64_t recordStart = in.Position();
    Record record;
    if (!ReadRecord(in, &record)) {
      result.cutShort = true;
      result.cutOffset = recordStart;
      break;
    }
    spans.Flag(StyleAttribute::kBold, bold, record.flags & kFlagBold, index);
    spans.Flag(StyleAttribute::kItalic, italic, record.flags & kFlagItalic, index);
    spans.Flag(StyleAttribute::kUnderline, underline, record.flags & kFlagUnderline, index);
    if (record.flags & kFlagFont) {
      spans.Close(StyleAttribute::kFont, font, index);
      font = {true, index, record.font};
    }
    if (!(record.flags & kFlagColor)) {
      spans.Close(StyleAttribute::kColor, color, index);
    } else if (!color.open || color.color != record.color) {
      spans.Close(StyleAttribute::kColor, color, index);
      color.open = true;
      color.start = index;
      color.color = record.color;
    }
    if (!sizeRange.open || sizeRange.size != record.size) {
      spans.Close(StyleAttribute::kSize, sizeRange, index);
      sizeRange.open = true;
      sizeRange.start = index;
      sizeRange.size = record.size;
    }
    ++index;
  }
  result.records = index;
  spans.Close(StyleAttribute::kBold, bold, index);
  spans.Close(StyleAttribute::kItalic, italic, index);
  spans.Close(StyleAttribute::kUnderline, underline, index);
  spans.Close(StyleAttribute::kFont, font, index);
  spans.Close(StyleAttribute::kColor, color, index);
  spans.Close(StyleAttribute::kSize, sizeRange, index);
  return result;
}
