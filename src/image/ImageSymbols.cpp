#include "image/ImageSymbols.h"

#include <cstring>

#include "core/RuntimeError.h"
#include "image/ApplicationImage.h"
#include "image/ImageFormat.h"

namespace {

string NameAt(const char* area, uint32_t areaSize, uint32_t nameOffset) {
  if (!QV_CHECK_TEXT(nameOffset < areaSize, "symbolName",
                     "An image symbol's name lies outside the symbols block"))
    return string();
  // A name missing its NUL ends at the block's end.
  return string::FromBytes(area + nameOffset, strnlen(area + nameOffset, areaSize - nameOffset),
                           kEncodingASCII);
}

}  // namespace

std::vector<ImageSymbol> ParseImageSymbols(const uint8_t* block, uint32_t size) {
  std::vector<ImageSymbol> symbols;
  qvimage::SymbolsHeader header;
  if (!block || size < sizeof(header)) return symbols;
  std::memcpy(&header, block, sizeof(header));
  uint64_t pairsEnd = sizeof(header) + uint64_t(header.count) * sizeof(qvimage::SymbolPair);
  if (!QV_CHECK_TEXT(pairsEnd <= size, "symbolsFit",
                     "The image's symbols block is shorter than its count"))
    return symbols;
  const char* names = reinterpret_cast<const char*>(block) + pairsEnd;
  uint32_t namesSize = size - uint32_t(pairsEnd);
  symbols.reserve(header.count);
  for (uint32_t i = 0; i < header.count; ++i) {
    qvimage::SymbolPair pair;
    std::memcpy(&pair, block + sizeof(header) + i * sizeof(pair), sizeof(pair));
    symbols.push_back({pair.codeOffset, NameAt(names, namesSize, pair.nameOffset)});
  }
  return symbols;
}

bool LookupImageSymbol(uint32_t address, string* name, uint32_t* offset) {
  if (!LoadedImageBlocks().Block(qvimage::kBlockSymbols)) {
    if (name) *name = string();
    if (offset) *offset = 0;
    return false;
  }
  uint32_t codeBase = uint32_t(reinterpret_cast<uintptr_t>(GetImageCodeBase()));
  return FindImageSymbol(LoadedImageSymbols(), codeBase, GetImageCodeSize(), address, name, offset);
}
