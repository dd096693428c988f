// The BMP reader: any bytes give a picture or a refusal, never a read outside the input; a
// picture it reads has sides within the surfaces' limits, and the writer's file of it reads back
// as the same pixels.
#include <vector>

#include "FuzzSupport.h"
#include "graphics/BMPReader.h"

namespace {

bool Append(void* context, const void* bytes, uint32_t count) {
  auto* out = static_cast<std::vector<uint8_t>*>(context);
  out->insert(out->end(), static_cast<const uint8_t*>(bytes),
              static_cast<const uint8_t*>(bytes) + count);
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  BMPImage image;
  if (ParseBMP(data, size, image) != BMPParseResult::kRead) {
    QV_FUZZ_EXPECT(!image.rgb);
    return 0;
  }
  QV_FUZZ_EXPECT(image.rgb && image.width >= 1 && image.height >= 1 &&
                 image.width <= kBMPLargestSide && image.height <= kBMPLargestSide);
  const BMPSource source = {image.width, image.height, image.rgb.get(), image.width * 3, 3, 72,
                            72};
  std::vector<uint8_t> file;
  QV_FUZZ_EXPECT(WriteBMP(source, Append, &file) && file.size() == BMPFileSize(source));
  BMPImage again;
  QV_FUZZ_EXPECT(ParseBMP(file.data(), file.size(), again) == BMPParseResult::kRead);
  QV_FUZZ_EXPECT(again.width == image.width && again.height == image.height);
  QV_FUZZ_EXPECT(std::memcmp(again.rgb.get(), image.rgb.get(),
                             size_t(image.width) * size_t(image.height) * 3) == 0);
  return 0;
}
