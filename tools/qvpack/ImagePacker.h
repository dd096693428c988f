// Plays the compiler's back end: lays out the code and data blocks of an image from i386
// relocatable objects and turns their relocations into the image's import records.
//
// Placement: allocated read-only sections (.text*, .rodata*) form the code block, the section
// that holds the entry symbol first; writable sections (.data*, .bss*) and the string constants
// (".qvstrings") form the data block. Since the linker patches code words only, an address
// stored in a writable section cannot be expressed and is refused.
//
// Relocations become:
//   call/jump (PC-relative) to an undefined symbol      kind 1 mode 1, sites chained by name
//   absolute reference to an undefined symbol           kind 1 mode 0, sites chained by name
//   call to a declared shared-library function         kind 4, sites chained by name
//   absolute reference into the code block             kind 3
//   absolute reference into the data block             kind 2
//   absolute reference to a string constant's record   kind 5
//   PC-relative reference inside the code block        resolved here, no record
//
// A shared-library function is declared by a ".qvlibs" section holding NUL-separated pairs
// "function", "library"; that section is not placed.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "ElfObject.h"
#include "PackedImage.h"

class ImagePacker {
 public:
  ImagePacker(const std::vector<ElfObject>& objects, std::string entryName);

  // Fills code, data, import and symbols of blocks; throws PackError on what it cannot express.
  void Pack(PackedImage* blocks);

 private:
  enum class Block { kNone, kCode, kData };
  struct Placement {
    Block block = Block::kNone;
    uint32_t offset = 0;
  };
  struct Target {
    enum Kind { kImport, kSharedLibrary, kCode, kData, kString, kAbsolute } kind;
    uint32_t offset = 0;  // block offset of the symbol (or its value when absolute)
    std::string name;     // imports: the function name
  };
  struct Chain {
    uint8_t kind;
    uint8_t mode;
    std::string name;
    std::string library;
    std::vector<uint32_t> sites;
  };
  struct SingleSite {
    uint8_t kind;
    uint32_t site;
  };
  struct Record {  // one import record in the order first met
    bool chained;
    size_t index;
  };

  void ReadLibraryDeclarations();
  void IndexGlobalSymbols();
  void PlaceSections();
  void PlaceSection(size_t object, size_t section, Block block, std::vector<uint8_t>* out);
  void PlaceEntryFirst();
  void IndexStringRecords(size_t object, size_t section, uint32_t base);
  void ApplyRelocations();
  void ApplyRelocation(size_t object, size_t section, const ElfRelocation& relocation);
  void ApplyAbsolute(const Target& target, uint32_t site, uint32_t addend,
                     const std::string& where);
  void ApplyRelative(const Target& target, uint32_t site, uint32_t addend,
                     const std::string& where);
  Target Resolve(size_t object, uint32_t symbolIndex) const;
  Target ResolveDefined(size_t object, const ElfSymbol& symbol) const;
  void AddChainSite(uint8_t kind, uint8_t mode, const std::string& name, uint32_t site);
  void AddSingleSite(uint8_t kind, uint32_t site);
  void WriteCodeWord(uint32_t site, uint32_t value);
  uint32_t ReadCodeWord(uint32_t site) const;
  void WriteImportBlock(std::vector<uint8_t>* out);
  void WriteSymbolsBlock(std::vector<uint8_t>* out) const;
  std::string Where(size_t object, size_t section, uint32_t offset) const;

  const std::vector<ElfObject>& mObjects;
  std::string mEntryName;
  std::vector<uint8_t> mCode;
  std::vector<uint8_t> mData;
  std::vector<std::vector<Placement>> mPlacements;              // [object][section]
  std::map<std::string, std::pair<size_t, uint32_t>> mGlobals;  // name -> object, symbol
  std::map<std::string, std::string> mLibraryFunctions;         // function -> library
  std::set<uint32_t> mStringRecords;                            // data offsets of string records
  std::set<std::pair<size_t, size_t>> mStringSections;          // object, section
  std::vector<Chain> mChains;
  std::map<std::pair<std::string, uint8_t>, size_t> mChainIndex;  // name, kind*2+mode
  std::vector<SingleSite> mSingles;
  std::vector<Record> mRecords;
  std::set<uint32_t> mSites;
};
