// The application image of this process: found in the framework executable's ".qv" section
// (or in the block files of the current directory), placed in executable memory, linked, and
// run by calling the code block's first byte.
#pragma once

#include <cstdint>
#include <vector>

#include "image/ImageBlocks.h"

struct ImageSymbol;

// Loads, links and runs the image of the executable at path, then runs the shutdown tasks.
// False, after a report, when there is no usable image (none found, a damaged section or block
// file, a malformed import block, code that cannot be made executable): the entry is never
// called then, and the caller ends the process with a non-zero status.
bool LoadApplicationImage(const char* executablePath);

// Finds and reads the image's blocks without linking or running them (the first half of
// LoadApplicationImage). False after a report.
bool ReadApplicationImage(const char* executablePath, ImageBlockSet* blocks);

// Checks the blocks and links them in place, running nothing: there must be code, the symbols
// block must be sound (its table goes to *symbols) and the import block must link. False after
// a report: such an image must not run.
bool PrepareApplicationImage(const ImageBlockSet& blocks, std::vector<ImageSymbol>* symbols);

// Makes blocks the process's loaded image (its bases, symbols, resources and options).
void InstallApplicationImage(const ImageBlockSet& blocks);

extern "C" {
uint8_t* GetImageCodeBase();
uint8_t* GetImageDataBase();
}
uint32_t GetImageCodeSize();
uint32_t GetImageDataSize();
// The loaded blocks, for resources, options and the symbol lookup.
const ImageBlockSet& LoadedImageBlocks();
// The stack pointer at the moment the entry was called (null before).
void* GetImageEntryStackMark();
