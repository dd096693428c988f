#include "ImageTestFiles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/TestSupport.h"

namespace qvtest {

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

void PutWord(Bytes& bytes, size_t at, uint32_t value) { std::memcpy(&bytes[at], &value, 4); }

void AppendResourceRecord(Bytes& block, const char* fileTypeBytes, uint16_t id, const Bytes& data,
                          int64_t length) {
  block.insert(block.end(), fileTypeBytes, fileTypeBytes + 4);
  block.insert(block.end(), {uint8_t(id), uint8_t(id >> 8), 0, 0, 0, 0, 0, 0, 0, 0});
  PutWord(block, block.size() - 4, uint32_t(length < 0 ? int64_t(data.size()) : length));
  block.insert(block.end(), data.begin(), data.end());
}

void AppendVersionOption(Bytes& block, const uint32_t (&words)[6], const std::string& shortText,
                         const std::string& longText, const std::string& info) {
  block.push_back(2);
  for (uint32_t word : words) {
    block.resize(block.size() + 4);
    PutWord(block, block.size() - 4, word);
  }
  for (const std::string* text : {&shortText, &longText, &info}) {
    block.push_back(uint8_t(text->size()));
    block.insert(block.end(), text->begin(), text->end());
  }
}

std::vector<Bytes> ReadBlockFiles(const std::string& folder) {
  std::vector<Bytes> blocks;
  for (const char* name : {"code", "data", "import", "symbols", "rsrc", "options"})
    blocks.push_back(ReadFile(folder + "/" + name + ".dat"));
  return blocks;
}

Bytes SectionContent(const std::vector<Bytes>& blocks) {
  Bytes content;
  for (const Bytes& block : blocks) {
    content.resize(content.size() + 4);
    PutWord(content, content.size() - 4, uint32_t(block.size()));
    content.insert(content.end(), block.begin(), block.end());
  }
  return content;
}

std::string WithSection(const std::string& folder, const Bytes& content, const std::string& name) {
  const std::string section = folder + "/section";
  WriteFile(section, content);
  const std::string out = folder + "/app.exe";
  const std::string self = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(RunProgram({"objcopy", "--add-section", name + "=" + section, "--set-section-flags",
                        name + "=noload,readonly", self, out}),
            0);
  return out;
}

}  // namespace qvtest
