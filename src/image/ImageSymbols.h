// Image symbols: code offsets and names from the image's symbols block, for stack traces.
#pragma once

#include <cstdint>
#include <vector>

#include "core/CodeSymbols.h"

// The symbols block as a table in block order. A block too short for its count, or a name
// outside the names area, is reported; the symbols that fit are kept.
std::vector<ImageSymbol> ParseImageSymbols(const uint8_t* block, uint32_t size);

// Names the image symbol holding address: the last symbol in block order whose offset is
// strictly below the address's offset in the code block, with the distance from it. False
// (outputs untouched) for an address outside the code block or an image without symbols; with
// no symbols block at all the name is set empty and the offset 0. Either pointer may be null.
bool LookupImageSymbol(uint32_t address, string* name, uint32_t* offset);
