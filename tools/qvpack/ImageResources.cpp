#include "ImageResources.h"

#include <fstream>
#include <iterator>

#include "PackError.h"
#include "PackedImage.h"
#include "image/ImageFormat.h"

void AppendResource(std::vector<uint8_t>* block, const std::string& type, uint32_t id,
                    const std::vector<uint8_t>& data) {
  if (type.size() != 4) throw PackError("resource type '" + type + "' is not four characters");
  if (id > UINT16_MAX) throw PackError("resource id " + std::to_string(id) + " exceeds 65535");
  if (data.size() > UINT32_MAX - 14) throw PackError("resource larger than 4 GB");
  uint32_t code = 0;
  for (char c : type) code = (code << 8) | static_cast<uint8_t>(c);
  AppendU32(*block, code);
  AppendU16(*block, id);
  AppendU32(*block, 0);
  AppendU32(*block, static_cast<uint32_t>(data.size()));
  AppendBytes(*block, data);
}

void AppendIconOption(std::vector<uint8_t>* block, uint32_t width, uint32_t height,
                      const std::vector<uint8_t>& pixels) {
  if (width < 1 || width > 255 || height < 1 || height > 255)
    throw PackError("icon size " + std::to_string(width) + "x" + std::to_string(height) +
                    " is outside 1 to 255 pixels a side");
  const uint64_t expected = uint64_t{width} * height * 4;
  if (pixels.size() != expected)
    throw PackError("icon of " + std::to_string(width) + "x" + std::to_string(height) + " needs " +
                    std::to_string(expected) + " bytes of RGBA, the file has " +
                    std::to_string(pixels.size()));
  AppendU8(*block, qvimage::kOptionIcon);
  AppendU8(*block, width);
  AppendU8(*block, height);
  AppendBytes(*block, pixels);
}

std::vector<uint8_t> ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError(path + ": cannot open");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) throw PackError(path + ": read error");
  return bytes;
}
