// Symbols of compiled code: function names by code offset, as the unwinder uses them to name
// the frames of a stack trace and to bound its handler scan to one function. The loader fills
// a table from the image's symbols block; tests that link compiled-style code make their own.
#pragma once

#include <cstdint>
#include <vector>

#include "strings/RuntimeString.h"

struct ImageSymbol {
  uint32_t codeOffset;
  string name;  // tagged ASCII
};

// Names the symbol holding address in the code block at codeBase: the last symbol in table
// order whose offset is strictly below the address's offset, with the distance from it. False
// (outputs untouched) for an address outside the code block or an empty table. Either pointer
// may be null.
bool FindImageSymbol(const std::vector<ImageSymbol>& symbols, uint32_t codeBase, uint32_t codeSize,
                     uint32_t address, string* name, uint32_t* offset);

// Where the function holding codeOffset ends: the lowest symbol offset above it, or codeSize.
uint32_t SymbolBoundaryAfter(const std::vector<ImageSymbol>& symbols, uint32_t codeSize,
                             uint32_t codeOffset);
