// Linking an application image: the import block's records write every open reference of the
// code block (framework functions by name, shared-library functions, addresses inside the
// image, string constants).
//
// Every record is checked before the image can run. A block that breaks the format
// is reported and leaves the code and data blocks as they were (the single sites, patched as
// their records are read, are put back): such an image must not run. That is a record past the
// block's end, a site or chain outside the code block, a chain that loops, site 0 (the entry)
// for a single-site record, a word patched by two records, an address outside its block, and a
// string constant that is not wholly inside the data block or already has a data pointer. What
// the format allows links: kind 0 and the kinds it does not define are one byte each with
// nothing to do, and a framework function's mode other than 1 (PC-relative) is absolute.
// Problems with names (a function not exported, a library or function not found) are reported
// and linking goes on; the sites of such a function call a stub that reports the call.
//
// Reading and patching are linear in the block's records and the code block's size.
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

// Where shared-library functions (kind 4) are found: by default the library is opened and the
// function looked up in it. A fuzz target or test that must never open a library named by its
// input installs its own resolver (nil restores the default).
using LibraryFunctionResolver = void* (*)(const char* function, const char* library);
void SetLibraryFunctionResolver(LibraryFunctionResolver resolver);
