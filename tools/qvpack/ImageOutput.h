// Writes a packed image: as the six block files, or as the ".qv" section of a copy of the
// framework executable (objcopy --add-section).
#pragma once

#include <string>
#include <vector>

#include "PackedImage.h"

// The section's content: each block as a u32 byte count and its bytes, in the order code,
// data, import, symbols, resources, options.
std::vector<uint8_t> SerializeImageSection(const PackedImage& blocks);

// Writes code.dat, data.dat, import.dat, symbols.dat, rsrc.dat and options.dat into folder.
void WriteBlockFiles(const std::string& folder, const PackedImage& blocks);

// Copies executable to output with the image as its ".qv" section (replacing one it has).
void EmbedImage(const std::string& executable, const std::string& output,
                const PackedImage& blocks);
