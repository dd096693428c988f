// Files for loader tests: block files, a ".qv" section built from them, and executables that
// carry one (a copy of this test binary given the section with objcopy).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace imagetest {

using Bytes = std::vector<uint8_t>;

Bytes ReadFile(const std::string& path);
void WriteFile(const std::string& path, const Bytes& bytes);

// The six block files of folder, in section order (a missing file is an empty block).
std::vector<Bytes> ReadBlockFiles(const std::string& folder);
// The section's content: each block as a u32 count and its bytes.
Bytes SectionContent(const std::vector<Bytes>& blocks);

// A fresh temporary folder (mkdtemp), removed with its files by the destructor.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return mPath; }
  std::string File(const std::string& name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
};

// Writes a copy of this test binary with content added as the section sectionName; the path.
std::string ExecutableWithSection(const TempFolder& folder, const Bytes& content,
                                  const std::string& sectionName = ".qv");

}  // namespace imagetest
