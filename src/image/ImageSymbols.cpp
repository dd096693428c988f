#include "image/ImageSymbols.h"

#include <cstring>

#include "core/RuntimeError.h"
#include "image/ApplicationImage.h"
#include "image/ImageFormat.h"

namespace {

// The name at nameOffset; false after a report when it does not lie whole in the area.
bool NameAt(const char* area, uint32_t areaSize, uint32_t nameOffset, string* name) {
  if (!QV_CHECK_TEXT(nameOffset < areaSize, "symbolName",
                     "An image symbol's name lies outside the symbols block"))
    return false;
  const size_t length = strnlen(area + nameOffset, areaSize - nameOffset);
  *name = string::FromBytes(area + nameOffset, int64_t(length), kEncodingASCII);
  return QV_CHECK_TEXT(length < areaSize - nameOffset, "symbolName",
                       "An image symbol's name runs past the end of the symbols block");
}

}  // namespace

bool ParseImageSymbols(const uint8_t* block, uint32_t size, uint32_t codeSize,
                       std::vector<ImageSymbol>* symbols) {
  symbols->clear();
  qvimage::SymbolsHeader header;
  if (!block || size == 0) return true;
  if (!QV_CHECK_TEXT(size >= sizeof(header), "symbolsFit",
                     "The image's symbols block is shorter than its count"))
    return false;
  std::memcpy(&header, block, sizeof(header));
  uint64_t pairsEnd = sizeof(header) + uint64_t(header.count) * sizeof(qvimage::SymbolPair);
  if (!QV_CHECK_TEXT(pairsEnd <= size, "symbolsFit",
                     "The image's symbols block is shorter than its count"))
    return false;
  const char* names = reinterpret_cast<const char*>(block) + pairsEnd;
  uint32_t namesSize = size - uint32_t(pairsEnd);
  symbols->reserve(header.count);
  bool sound = true;
  for (uint32_t i = 0; i < header.count && sound; ++i) {
    qvimage::SymbolPair pair;
    std::memcpy(&pair, block + sizeof(header) + i * sizeof(pair), sizeof(pair));
    string name;
    sound = NameAt(names, namesSize, pair.nameOffset, &name) &&
            QV_CHECK_TEXT(pair.codeOffset <= codeSize, "symbolInCode",
                          "An image symbol lies past the end of the code block");
    symbols->push_back({pair.codeOffset, name});
  }
  return sound;
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
