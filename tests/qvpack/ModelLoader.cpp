#include "ModelLoader.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <cstring>
#include <set>

namespace {

class Reader {
 public:
  explicit Reader(const std::vector<uint8_t>& bytes) : mBytes(bytes) {}
  bool done() const { return mAt >= mBytes.size(); }
  uint32_t U8() {
    Need(1);
    return mBytes[mAt++];
  }
  uint32_t U32() {
    Need(4);
    uint32_t value;
    std::memcpy(&value, mBytes.data() + mAt, 4);
    mAt += 4;
    return value;
  }
  std::string Name() {
    const uint32_t length = U8();
    Need(length);
    std::string name(mBytes.begin() + mAt, mBytes.begin() + mAt + length);
    mAt += length;
    return name;
  }

 private:
  void Need(size_t count) {
    if (mAt + count > mBytes.size()) throw std::runtime_error("import record cut short");
  }
  const std::vector<uint8_t>& mBytes;
  size_t mAt = 0;
};

std::vector<uint32_t> WalkChain(uint32_t first, const std::vector<uint8_t>& code) {
  std::vector<uint32_t> sites;
  std::set<uint32_t> seen;
  for (uint32_t site = first; site != 0; site = CodeWord(code, site)) {
    if (uint64_t{site} + 4 > code.size() || !seen.insert(site).second)
      throw std::runtime_error("chain leaves the code or loops");
    sites.push_back(site);
  }
  return sites;
}

}  // namespace

uint32_t CodeWord(const std::vector<uint8_t>& code, uint32_t offset) {
  uint32_t value;
  std::memcpy(&value, code.data() + offset, 4);
  return value;
}

std::vector<ModelRecord> ParseImportRecords(const std::vector<uint8_t>& import,
                                            const std::vector<uint8_t>& code) {
  std::vector<ModelRecord> records;
  Reader in(import);
  try {
    while (!in.done()) {
      ModelRecord record;
      record.kind = in.U8();
      if (record.kind == 1) record.mode = in.U8();
      if (record.kind >= 1 && record.kind <= 5) record.site = in.U32();
      if (record.kind == 1 || record.kind == 4) {
        record.name = in.Name();
        if (record.kind == 4) record.library = in.Name();
        record.chain = WalkChain(record.site, code);
      } else if (uint64_t{record.site} + 4 > code.size()) {
        throw std::runtime_error("site outside the code");
      }
      records.push_back(record);
    }
  } catch (const std::exception& error) {
    ADD_FAILURE() << error.what();
  }
  return records;
}

ModelImage::ModelImage(const PackedImage& blocks, const std::map<std::string, void*>& exports)
    : mData(blocks.data) {
  mMapped = blocks.code.size() ? blocks.code.size() : 1;
  void* memory = mmap(nullptr, mMapped, PROT_READ | PROT_WRITE | PROT_EXEC,
                      MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (memory == MAP_FAILED) throw std::runtime_error("mmap failed");
  mCode = static_cast<uint8_t*>(memory);
  std::memcpy(mCode, blocks.code.data(), blocks.code.size());
  const uint32_t codeBase = reinterpret_cast<uintptr_t>(mCode);
  const uint32_t dataBase = reinterpret_cast<uintptr_t>(data());
  for (const ModelRecord& record : ParseImportRecords(blocks.import, blocks.code)) {
    const uint32_t word = CodeWord(blocks.code, record.site);
    switch (record.kind) {
      case 1:
      case 4: {
        void* target = nullptr;
        if (record.kind == 1) {
          auto found = exports.find(record.name);
          if (found != exports.end()) target = found->second;
        } else if (void* library = dlopen(record.library.c_str(), RTLD_LAZY)) {
          target = dlsym(library, record.name.c_str());
        }
        if (!target) throw std::runtime_error("unresolved " + record.name);
        const uint32_t address = reinterpret_cast<uintptr_t>(target);
        const bool relative = record.kind == 4 || record.mode == 1;
        for (uint32_t site : record.chain)
          Patch(site, relative ? address - (codeBase + site + 4) : address);
        break;
      }
      case 2:
        Patch(record.site, word + dataBase);
        break;
      case 3:
        Patch(record.site, word + codeBase);
        break;
      case 5: {
        Patch(record.site, word + dataBase);
        uint8_t* stringRecord = mData.data() + word;
        uint32_t dataPointer;
        std::memcpy(&dataPointer, stringRecord + 4, 4);
        if (dataPointer == 0) dataPointer = dataBase + word + 20;
        std::memcpy(stringRecord + 4, &dataPointer, 4);
        break;
      }
    }
  }
}

ModelImage::~ModelImage() { munmap(mCode, mMapped); }

void ModelImage::Patch(uint32_t site, uint32_t value) { std::memcpy(mCode + site, &value, 4); }

void ModelImage::RunEntry() const { reinterpret_cast<void (*)()>(mCode)(); }
