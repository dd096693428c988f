// The six blocks of an application image, in the order the image section stores them.
#pragma once

#include <cstdint>
#include <vector>

struct PackedImage {
  std::vector<uint8_t> code;
  std::vector<uint8_t> data;
  std::vector<uint8_t> import;
  std::vector<uint8_t> symbols;
  std::vector<uint8_t> resources;
  std::vector<uint8_t> options;
};

// Little-endian appenders shared by the block writers.
inline void AppendU8(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
}
inline void AppendU16(std::vector<uint8_t>& out, uint32_t value) {
  AppendU8(out, value);
  AppendU8(out, value >> 8);
}
inline void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  AppendU16(out, value);
  AppendU16(out, value >> 16);
}
inline void AppendBytes(std::vector<uint8_t>& out, const std::vector<uint8_t>& bytes) {
  out.insert(out.end(), bytes.begin(), bytes.end());
}
