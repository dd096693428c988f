// Image symbols: code offsets and names from the image's symbols block, for stack traces.
#pragma once

#include <cstdint>
#include <vector>

#include "core/CodeSymbols.h"

// The symbols block as a table in block order. False after a report when the block is damaged:
// shorter than its count, a name outside the names area or without its NUL, or a code offset
// past the code block's end; *symbols then holds what could be read. An absent block is an
// empty table.
bool ParseImageSymbols(const uint8_t* block, uint32_t size, uint32_t codeSize,
                       std::vector<ImageSymbol>* symbols);

// Names the image symbol holding address: the last symbol in block order whose offset is
// strictly below the address's offset in the code block, with the distance from it. False
// (outputs untouched) for an address outside the code block or an image without symbols; with
// no symbols block at all the name is set empty and the offset 0. Either pointer may be null.
bool LookupImageSymbol(uint32_t address, string* name, uint32_t* offset);
