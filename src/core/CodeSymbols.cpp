#include "core/CodeSymbols.h"

uint32_t SymbolBoundaryAfter(const std::vector<ImageSymbol>& symbols, uint32_t codeSize,
                             uint32_t codeOffset) {
  uint32_t boundary = codeSize;
  for (const ImageSymbol& symbol : symbols) {
    if (symbol.codeOffset > codeOffset && symbol.codeOffset < boundary) {
      boundary = symbol.codeOffset;
    }
  }
  return boundary;
}

bool FindImageSymbol(const std::vector<ImageSymbol>& symbols, uint32_t codeBase, uint32_t codeSize,
                     uint32_t address, string* name, uint32_t* offset) {
  if (address < codeBase || uint64_t(address) >= uint64_t(codeBase) + codeSize) return false;
  if (symbols.empty()) return false;
  uint32_t distance = address - codeBase;
  const string* found = nullptr;
  uint32_t foundOffset = codeSize;
  for (const ImageSymbol& symbol : symbols) {
    if (distance <= symbol.codeOffset) continue;
    found = &symbol.name;
    foundOffset = distance - symbol.codeOffset;
  }
  if (name) *name = found ? *found : string();
  if (offset) *offset = foundOffset;
  return true;
}
