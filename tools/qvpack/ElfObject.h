// One 32-bit little-endian i386 ELF relocatable object, read and checked as a whole.
//
// Every offset and size in the file is checked against the file before it is used, so a
// truncated or corrupt object gives a PackError that names the file, never a crash.
#pragma once

#include <elf.h>

#include <cstdint>
#include <string>
#include <vector>

struct ElfSection {
  std::string name;
  uint32_t type = 0;   // SHT_*
  uint32_t flags = 0;  // SHF_*
  uint32_t size = 0;
  uint32_t align = 1;
  std::vector<uint8_t> bytes;  // empty for SHT_NOBITS
};

struct ElfSymbol {
  std::string name;
  uint32_t value = 0;
  uint16_t section = SHN_UNDEF;  // index, or SHN_UNDEF / SHN_ABS / SHN_COMMON
  uint8_t binding = STB_LOCAL;
  uint8_t type = STT_NOTYPE;
};

struct ElfRelocation {
  uint32_t offset = 0;  // within the section it patches
  uint32_t symbol = 0;  // index into symbols()
  uint32_t type = R_386_NONE;
};

class ElfObject {
 public:
  // Reads path; throws PackError when it is not an i386 relocatable object we can read.
  static ElfObject ReadFile(const std::string& path);
  // Parses bytes already in memory; path only names the input in messages.
  static ElfObject Parse(const std::string& path, std::vector<uint8_t> bytes);

  const std::string& path() const { return mPath; }
  const std::vector<ElfSection>& sections() const { return mSections; }
  const std::vector<ElfSymbol>& symbols() const { return mSymbols; }
  // Relocations that patch the section with the given index.
  const std::vector<ElfRelocation>& relocationsFor(uint32_t sectionIndex) const {
    return mRelocations[sectionIndex];
  }

 private:
  explicit ElfObject(std::string path) : mPath(std::move(path)) {}
  void ReadHeader(const std::vector<uint8_t>& file);
  void ReadSections(const std::vector<uint8_t>& file);
  void ReadSymbols();
  void ReadRelocations();
  [[noreturn]] void Fail(const std::string& what) const;
  std::vector<uint8_t> Slice(const std::vector<uint8_t>& file, uint64_t offset, uint64_t size,
                             const char* what) const;

  std::string mPath;
  std::vector<Elf32_Shdr> mHeaders;
  std::vector<ElfSection> mSections;
  std::vector<ElfSymbol> mSymbols;
  std::vector<std::vector<ElfRelocation>> mRelocations;
  uint32_t mShoff = 0;
  uint32_t mShnum = 0;
  uint32_t mShstrndx = 0;
};
