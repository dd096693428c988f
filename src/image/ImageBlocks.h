// Reading the six blocks of an application image, from the executable's ".qv" section or from
// the block files of the current directory.
//
// The code block is placed page-aligned in memory made readable, writable and executable; the
// other blocks are plain allocations. Blocks are kept for the life of the process (resource
// entries point into them). A block that cannot be read whole is reported and the image is
// refused: nothing unread ever runs as code.
#pragma once

#include <cstdint>
#include <string>

#include "image/ImageFormat.h"

class ImageFile;

struct ImageBlockSet {
  uint8_t* bytes[qvimage::kBlockCount] = {};
  uint32_t sizes[qvimage::kBlockCount] = {};
  // The file that held the resource block (absolute path) and the offset of the block's first
  // byte in it: resources are read in place from there.
  std::string resourcesFilePath;
  uint32_t resourcesFileOffset = 0;

  uint8_t* Block(qvimage::Block block) const { return bytes[block]; }
  uint32_t Size(qvimage::Block block) const { return sizes[block]; }
};

// Where the ".qv" section lies in a file.
struct ImageSectionLocation {
  uint64_t offset = 0;
  uint64_t size = 0;
};

// Scans the ELF section headers for ".qv" (NUL included). False when the file is no ELF file,
// its headers do not fit in it, or no section matches; the first match wins.
bool FindImageSection(const ImageFile& file, ImageSectionLocation* location);

// Reads the six counted blocks from the section. False, after a report, when a count or block
// runs past the section or the file, or memory cannot be had.
bool ReadImageSection(const ImageFile& file, const ImageSectionLocation& location,
                      ImageBlockSet* blocks);

// Reads the six block files of the current directory; a missing file is an absent block.
// False, after a report, when a file that exists is no regular file or cannot be read whole.
bool ReadImageBlockFiles(ImageBlockSet* blocks);

// Reads a whole file. *size is 0 first and the file's size once it opens; the buffer (malloc'd)
// exists only when the size is above 0. Null with *size 0 when the file is missing or empty;
// null with *size set when it exists but is no regular file (a FIFO would block the open for
// ever) or cannot be read whole (reported; *size is then at least 1).
uint8_t* ReadImageBlockFile(const char* path, uint32_t* size);

// Page-aligned memory for size code bytes, made readable, writable and executable. Null after a
// report (and the message on standard output) when memory or the protection is refused.
uint8_t* AllocateCodeBlock(uint32_t size);

// path made absolute against the current directory (links are kept, as the file was named).
std::string AbsoluteFilePath(const char* path);

// Gives back every block's memory and leaves the set empty. The loaded image's blocks are
// never freed; a refused image's are, and a fuzz target's after each input.
void FreeImageBlocks(ImageBlockSet* blocks);

// Name of a block for messages.
const char* ImageBlockName(qvimage::Block block);
