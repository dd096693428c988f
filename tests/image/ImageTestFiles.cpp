#include "ImageTestFiles.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

namespace imagetest {

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<Bytes> ReadBlockFiles(const std::string& folder) {
  std::vector<Bytes> blocks;
  for (const char* name : {"code.dat", "data.dat", "import.dat", "symbols.dat", "rsrc.dat",
                           "options.dat"})
    blocks.push_back(ReadFile(folder + "/" + name));
  return blocks;
}

Bytes SectionContent(const std::vector<Bytes>& blocks) {
  Bytes content;
  for (const Bytes& block : blocks) {
    uint32_t size = uint32_t(block.size());
    for (int i = 0; i < 4; ++i) content.push_back(uint8_t(size >> (8 * i)));
    content.insert(content.end(), block.begin(), block.end());
  }
  return content;
}

TempFolder::TempFolder() {
  char pattern[] = "/tmp/qvloaderXXXXXX";
  const char* made = mkdtemp(pattern);
  EXPECT_NE(made, nullptr);
  mPath = made ? made : "/tmp";
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(mPath, ignored);
}

std::string ExecutableWithSection(const TempFolder& folder, const Bytes& content,
                                  const std::string& sectionName) {
  std::string sectionFile = folder.File("section.bin");
  std::string output = folder.File("app.exe");
  WriteFile(sectionFile, content);
  std::string self = std::filesystem::read_symlink("/proc/self/exe");
  std::string addSection = sectionName + "=" + sectionFile;
  std::string flags = sectionName + "=noload,readonly";
  pid_t child = fork();
  if (child == 0) {
    execlp("objcopy", "objcopy", "--add-section", addSection.c_str(), "--set-section-flags",
           flags.c_str(), self.c_str(), output.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "objcopy failed";
  return output;
}

}  // namespace imagetest
