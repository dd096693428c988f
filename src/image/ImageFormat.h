// The application image as it lies on disk: the loader reads it, tools/qvpack writes it.
//
// An image is six blocks. Inside the framework executable they stand in an ELF section named
// ".qv" (not loaded, address 0), each block a u32 byte count followed by its bytes, in the order
// code, data, import, symbols, resources, options, with no header, magic or version. Outside it
// they are six block files in the current directory, each file's whole content one block.
// Everything is little-endian. The records below are packed: the import block is a byte stream
// whose fields stand at any alignment, so readers copy a record out before using it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace qvimage {

// ---- Section and block files --------------------------------------------------------------

// The section's name including its NUL: ".qvx" must not match.
inline constexpr char kSectionName[] = ".qv";
inline constexpr size_t kSectionNameBytes = sizeof(kSectionName);  // 4, the NUL counts
static_assert(kSectionNameBytes == 4);

// Blocks in section order.
enum Block : uint32_t {
  kBlockCode = 0,
  kBlockData = 1,
  kBlockImport = 2,
  kBlockSymbols = 3,
  kBlockResources = 4,
  kBlockOptions = 5,
};
inline constexpr uint32_t kBlockCount = 6;

// The count in front of every block inside the section.
using BlockSize = uint32_t;
inline constexpr size_t kBlockSizeBytes = sizeof(BlockSize);

// Block file names, indexed by Block.
inline constexpr const char* kBlockFileNames[kBlockCount] = {
    "code.dat", "data.dat", "import.dat", "symbols.dat", "rsrc.dat", "options.dat",
};

// The code block is placed page-aligned; its first byte is the application's entry.
inline constexpr uint32_t kCodeAlignment = 4096;

// ---- Import block --------------------------------------------------------------------------
//
// Records one after another without count or header; each starts with its kind byte. Names are
// counted (u8 length, then the bytes, no NUL). A site is the code-block offset of a 32-bit word.
// Kinds 1 and 4 give the first site of a chain: before linking each site's word holds the offset
// of the next site of the chain and 0 ends it (so offset 0, the entry, is never a site, and a
// first site of 0 means no sites).

// Kind 0 is a record of its own byte alone with nothing to do; so is every kind above
// kImportStringConst (the byte is skipped).
enum ImportKind : uint8_t {
  kImportNothing = 0,
  kImportFramework = 1,     // framework function by name, through the export registry
  kImportDataAddress = 2,   // site holds a data-block offset: add the data base
  kImportCodeAddress = 3,   // site holds a code-block offset: add the code base
  kImportLibrary = 4,       // function of a shared library by name; always PC-relative
  kImportStringConst = 5,   // site holds the data offset of a string record (see below)
};
// Mode of a kind-1 record: 1 is PC-relative; every other value is absolute.
enum ImportMode : uint8_t {
  kImportModeAbsolute = 0,  // site := target
  kImportModeRelative = 1,  // site := target - (code base + site + 4), a call/jmp operand
};

// Longest counted name.
inline constexpr uint32_t kMaxImportNameLength = 255;

// Kind 1: the fixed part, then nameLength bytes of the exported name.
struct [[gnu::packed]] FrameworkImportRecord {
  uint8_t kind;  // kImportFramework
  uint8_t mode;  // ImportMode
  uint32_t firstSite;
  uint8_t nameLength;
};
static_assert(sizeof(FrameworkImportRecord) == 7);
static_assert(offsetof(FrameworkImportRecord, mode) == 1);
static_assert(offsetof(FrameworkImportRecord, firstSite) == 2);
static_assert(offsetof(FrameworkImportRecord, nameLength) == 6);

// Kind 4: the fixed part, nameLength bytes of the function name, then a LibraryNameField and
// its bytes (the library's base name, as the shared-library finder takes it).
struct [[gnu::packed]] LibraryImportRecord {
  uint8_t kind;  // kImportLibrary
  uint32_t firstSite;
  uint8_t nameLength;
};
static_assert(sizeof(LibraryImportRecord) == 6);
static_assert(offsetof(LibraryImportRecord, firstSite) == 1);
static_assert(offsetof(LibraryImportRecord, nameLength) == 5);

struct [[gnu::packed]] LibraryNameField {
  uint8_t nameLength;
};
static_assert(sizeof(LibraryNameField) == 1);

// Kinds 2, 3 and 5: one site.
struct [[gnu::packed]] SiteImportRecord {
  uint8_t kind;
  uint32_t site;
};
static_assert(sizeof(SiteImportRecord) == 5);
static_assert(offsetof(SiteImportRecord, site) == 1);

// A string constant (kind 5) is a word-aligned string record in the data block: five 32-bit
// words of header, the second its data pointer (0 in the image) and the fourth its length,
// then the length byte, the text and a NUL. The linker relocates the site and points the data
// pointer at the first byte after the header.
inline constexpr uint32_t kStringConstHeaderBytes = 20;
inline constexpr uint32_t kStringConstDataPointerOffset = 4;
inline constexpr uint32_t kStringConstLengthOffset = 12;
inline constexpr uint32_t kStringConstTextOverhead = 2;  // the length byte and the NUL

// ---- Symbols block -------------------------------------------------------------------------
//
// SymbolsHeader, then count SymbolPair, then the names area: NUL-terminated names, a pair's
// nameOffset counting from the start of that area.

struct SymbolsHeader {
  uint32_t count;
};
static_assert(sizeof(SymbolsHeader) == 4);

struct SymbolPair {
  uint32_t codeOffset;
  uint32_t nameOffset;
};
static_assert(sizeof(SymbolPair) == 8);
static_assert(offsetof(SymbolPair, nameOffset) == 4);

// ---- Resources block -----------------------------------------------------------------------
//
// Records one after another until the block's size is reached: ResourceRecordHeader, then
// length bytes of data.

// A four-character code with its first character in the most significant byte: 'DBAS' is
// 0x44424153, so the file bytes spell the code backwards ("SABD").
constexpr uint32_t FourCharCode(const char (&code)[5]) {
  return (uint32_t(uint8_t(code[0])) << 24) | (uint32_t(uint8_t(code[1])) << 16) |
         (uint32_t(uint8_t(code[2])) << 8) | uint32_t(uint8_t(code[3]));
}
static_assert(FourCharCode("DBAS") == 0x44424153);

struct [[gnu::packed]] ResourceRecordHeader {
  uint32_t type;  // FourCharCode
  uint16_t id;
  uint32_t reserved;  // not interpreted
  uint32_t length;
};
static_assert(sizeof(ResourceRecordHeader) == 14);
static_assert(offsetof(ResourceRecordHeader, id) == 4);
static_assert(offsetof(ResourceRecordHeader, reserved) == 6);
static_assert(offsetof(ResourceRecordHeader, length) == 10);

// Resource types the framework knows.
inline constexpr uint32_t kResourcePicture = FourCharCode("BMP ");
inline constexpr uint32_t kResourceText = FourCharCode("TEXT");
inline constexpr uint32_t kResourceCursor = FourCharCode("CURS");
inline constexpr uint32_t kResourceSound = FourCharCode("WAVE");
inline constexpr uint32_t kResourceMovie = FourCharCode("moov");
inline constexpr uint32_t kResourceDatabase = FourCharCode("DBAS");
inline constexpr uint32_t kResourceVersion = FourCharCode("VERS");

// ---- Options block -------------------------------------------------------------------------
//
// Options one after another, each a tag byte and its payload.

enum OptionTag : uint8_t {
  kOptionIcon = 1,     // IconOptionHeader, then width * height * 4 bytes RGBA, rows top down
  kOptionVersion = 2,  // VersionRecordHeader, then three counted texts (u8 length, bytes)
};

struct IconOptionHeader {
  uint8_t width;
  uint8_t height;
};
static_assert(sizeof(IconOptionHeader) == 2);

struct VersionRecordHeader {
  uint32_t numbers[6];
};
static_assert(sizeof(VersionRecordHeader) == 24);
inline constexpr uint32_t kVersionTextCount = 3;

}  // namespace qvimage
