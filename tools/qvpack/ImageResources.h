// The resource and options blocks of an image, built from what the command line names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Appends one resource record: the type's four characters as a u32 with the first character
// in the most significant byte, the u16 id, four uninterpreted bytes, the u32 length, the data.
void AppendResource(std::vector<uint8_t>* block, const std::string& type, uint32_t id,
                    const std::vector<uint8_t>& data);

// Appends one window icon option: tag 1, u8 width, u8 height, width x height RGBA pixels.
void AppendIconOption(std::vector<uint8_t>* block, uint32_t width, uint32_t height,
                      const std::vector<uint8_t>& pixels);

// Reads a whole file; throws PackError naming it when it cannot be read.
std::vector<uint8_t> ReadWholeFile(const std::string& path);
