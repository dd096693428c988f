// Linking an application image: the import block's records write every open reference of the
// code block (framework functions by name, shared-library functions, addresses inside the
// image, string constants).
//
// Problems with names (a function not exported, a library or function not found) are reported
// and linking goes on; the sites of such a function call a stub that reports the call. A block
// that breaks the format (a record past the block's end, a site or chain outside the code
// block, a chain that loops) is reported and linking stops: such an image must not run.
#pragma once

#include <cstdint>

// The image the records are applied to.
struct ImageLinkTarget {
  uint8_t* codeBase;
  uint32_t codeSize;
  uint8_t* dataBase;
  uint32_t dataSize;
};

// Applies every record of the import block to target. False when the block is malformed.
bool LinkImportBlock(const ImageLinkTarget& target, const uint8_t* block, uint32_t size);

// Links the loaded application image (GetImageCodeBase and friends) with its import block.
bool LinkApplicationImage(const uint8_t* importBlock, uint32_t size);

// Opens libraries through the library finder, which searches each name (case ignored) once;
// null, after one report per name, when the library cannot be found.
void* OpenImageLibrary(const char* name);
