// The application image of this process: found in the framework executable's ".qv" section
// (or in the block files of the current directory), placed in executable memory and linked.
// Running it (calling the code block's first byte) is the application layer's work.
#pragma once

#include <cstdint>

#include <vector>

#include "core/CodeSymbols.h"
#include "image/ImageBlocks.h"

// Finds, reads, checks, links and installs the image of the executable at path, then registers
// its resources and applies its options (ResourceTable.h, ImageOptions.h). False, after a
// report, when there is no usable image (none found, a damaged section, block file or symbols
// block, a malformed import block, code that cannot be made executable): nothing of it is
// installed then and its entry must not be called.
bool LoadApplicationImage(const char* executablePath);

// Finds and reads the image's blocks without linking or running them (the first half of
// LoadApplicationImage). False after a report.
bool ReadApplicationImage(const char* executablePath, ImageBlockSet* blocks);

// Checks the blocks and links them in place, running nothing: there must be code, the symbols
// block must be sound (its table goes to *symbols) and the import block must link. False after
// a report: such an image must not run.
bool PrepareApplicationImage(const ImageBlockSet& blocks, std::vector<ImageSymbol>* symbols);

// Makes blocks the process's loaded image (its bases, symbols, resources and options), and
// names its code and symbols to the exception unwinder.
void InstallApplicationImage(const ImageBlockSet& blocks, std::vector<ImageSymbol> symbols);

extern "C" {
uint8_t* GetImageCodeBase();
uint8_t* GetImageDataBase();
}
uint32_t GetImageCodeSize();
uint32_t GetImageDataSize();
// The loaded blocks, for resources, options and the symbol lookup.
const ImageBlockSet& LoadedImageBlocks();
// The loaded image's symbols (empty without a symbols block), parsed when the image loaded.
const std::vector<ImageSymbol>& LoadedImageSymbols();
