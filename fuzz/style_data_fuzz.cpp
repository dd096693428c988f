// Style data: the reader never reads past the data and gives only ranges inside the text,
// whose length comes from the input's first two bytes; the styles it gives, written again and
// read back, are the same styles.
#include <memory>
#include <vector>

#include "FuzzSupport.h"
#include "StyleSpans.h"
#include "controls/StyleData.h"

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
  const std::vector<CharacterStyle> styles = ApplyStyleSpans(reading, reading.records);
  const std::string encoded = EncodeStyleData(styles);
  const StyleDataReading again =
      ParseStyleData(reinterpret_cast<const unsigned char*>(encoded.data()),
                     int64_t(encoded.size()), reading.records);
  QV_FUZZ_EXPECT(!again.cutShort && again.records == reading.records);
  QV_FUZZ_EXPECT(ApplyStyleSpans(again, again.records) == styles);
  return 0;
}
