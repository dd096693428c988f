#include "ElfObject.h"

#include <cstring>
#include <fstream>
#include <iterator>

#include "PackError.h"

namespace {

template <typename T>
T ReadAt(const std::vector<uint8_t>& bytes, uint64_t offset) {
  T value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

// The NUL-terminated name at offset of a string table; an unterminated name is corrupt.
bool NameAt(const std::vector<uint8_t>& table, uint32_t offset, std::string* name) {
  if (offset >= table.size()) return false;
  const void* end = std::memchr(table.data() + offset, 0, table.size() - offset);
  if (!end) return false;
  name->assign(reinterpret_cast<const char*>(table.data() + offset));
  return true;
}

}  // namespace

ElfObject ElfObject::ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw PackError(path + ": cannot open");
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  if (in.bad()) throw PackError(path + ": read error");
  return Parse(path, std::move(bytes));
}

ElfObject ElfObject::Parse(const std::string& path, std::vector<uint8_t> bytes) {
  ElfObject object(path);
  object.ReadHeader(bytes);
  object.ReadSections(bytes);
  object.ReadSymbols();
  object.ReadRelocations();
  return object;
}

void ElfObject::Fail(const std::string& what) const { throw PackError(mPath + ": " + what); }

std::vector<uint8_t> ElfObject::Slice(const std::vector<uint8_t>& file, uint64_t offset,
                                      uint64_t size, const char* what) const {
  if (offset + size > file.size()) Fail(std::string(what) + " runs past the end of the file");
  return std::vector<uint8_t>(file.begin() + offset, file.begin() + offset + size);
}

void ElfObject::ReadHeader(const std::vector<uint8_t>& file) {
  if (file.size() < sizeof(Elf32_Ehdr)) Fail("too short for an ELF header");
  const auto header = ReadAt<Elf32_Ehdr>(file, 0);
  if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0) Fail("not an ELF file");
  if (header.e_ident[EI_CLASS] != ELFCLASS32 || header.e_ident[EI_DATA] != ELFDATA2LSB)
    Fail("not a 32-bit little-endian ELF file (compile with -m32)");
  if (header.e_machine != EM_386) Fail("not an i386 object");
  if (header.e_type != ET_REL) Fail("not a relocatable object (compile with -c)");
  if (header.e_shentsize != sizeof(Elf32_Shdr)) Fail("unexpected section header size");
  mShoff = header.e_shoff;
  mShnum = header.e_shnum;
  mShstrndx = header.e_shstrndx;
  if (mShnum == 0 || mShstrndx >= mShnum) Fail("no section name table");
}

void ElfObject::ReadSections(const std::vector<uint8_t>& file) {
  const uint64_t tableSize = uint64_t{mShnum} * sizeof(Elf32_Shdr);
  if (mShoff + tableSize > file.size()) Fail("section headers run past the end of the file");
  for (uint32_t i = 0; i < mShnum; ++i)
    mHeaders.push_back(ReadAt<Elf32_Shdr>(file, mShoff + uint64_t{i} * sizeof(Elf32_Shdr)));

  const Elf32_Shdr& nameHeader = mHeaders[mShstrndx];
  const auto names = Slice(file, nameHeader.sh_offset, nameHeader.sh_size, "section name table");
  for (const Elf32_Shdr& header : mHeaders) {
    ElfSection section;
    if (!NameAt(names, header.sh_name, &section.name)) Fail("corrupt section name");
    section.type = header.sh_type;
    section.flags = header.sh_flags;
    section.size = header.sh_size;
    section.align = header.sh_addralign ? header.sh_addralign : 1;
    if (section.align & (section.align - 1)) Fail(section.name + ": alignment is not a power of 2");
    if (header.sh_type != SHT_NOBITS && header.sh_type != SHT_NULL)
      section.bytes = Slice(file, header.sh_offset, header.sh_size, section.name.c_str());
    mSections.push_back(std::move(section));
  }
  mRelocations.resize(mShnum);
}

void ElfObject::ReadSymbols() {
  for (uint32_t i = 0; i < mShnum; ++i) {
    const Elf32_Shdr& header = mHeaders[i];
    if (header.sh_type != SHT_SYMTAB) continue;
    if (!mSymbols.empty()) Fail("more than one symbol table");
    if (header.sh_link >= mShnum) Fail("symbol table names no string table");
    const std::vector<uint8_t>& names = mSections[header.sh_link].bytes;
    const std::vector<uint8_t>& table = mSections[i].bytes;
    for (uint64_t at = 0; at + sizeof(Elf32_Sym) <= table.size(); at += sizeof(Elf32_Sym)) {
      const auto raw = ReadAt<Elf32_Sym>(table, at);
      ElfSymbol symbol;
      if (!NameAt(names, raw.st_name, &symbol.name)) Fail("corrupt symbol name");
      symbol.value = raw.st_value;
      symbol.section = raw.st_shndx;
      symbol.binding = ELF32_ST_BIND(raw.st_info);
      symbol.type = ELF32_ST_TYPE(raw.st_info);
      if (symbol.type == STT_SECTION && symbol.section < mShnum)
        symbol.name = mSections[symbol.section].name;
      if (symbol.section >= mShnum && symbol.section < SHN_LORESERVE)
        Fail("symbol '" + symbol.name + "' names a section that does not exist");
      mSymbols.push_back(std::move(symbol));
    }
  }
}

void ElfObject::ReadRelocations() {
  for (uint32_t i = 0; i < mShnum; ++i) {
    const Elf32_Shdr& header = mHeaders[i];
    if (header.sh_type == SHT_RELA) Fail("RELA relocations are not i386 objects");
    if (header.sh_type != SHT_REL) continue;
    const uint32_t target = header.sh_info;
    if (target == 0 || target >= mShnum) Fail(mSections[i].name + " patches no section");
    const std::vector<uint8_t>& table = mSections[i].bytes;
    for (uint64_t at = 0; at + sizeof(Elf32_Rel) <= table.size(); at += sizeof(Elf32_Rel)) {
      const auto raw = ReadAt<Elf32_Rel>(table, at);
      ElfRelocation relocation;
      relocation.offset = raw.r_offset;
      relocation.symbol = ELF32_R_SYM(raw.r_info);
      relocation.type = ELF32_R_TYPE(raw.r_info);
      if (relocation.symbol >= mSymbols.size()) Fail(mSections[i].name + ": bad symbol index");
      if (uint64_t{relocation.offset} + 4 > mSections[target].bytes.size())
        Fail(mSections[i].name + ": relocation outside its section");
      mRelocations[target].push_back(relocation);
    }
  }
}
