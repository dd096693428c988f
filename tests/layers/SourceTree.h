// The files of a source tree, read whole, for the checks that read the framework's sources.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

struct SourceFile {
  std::string path;  // relative to the tree's root, e.g. "core/Memory.cpp"
  std::string text;
};

inline std::vector<SourceFile> ReadSourceTree(const std::filesystem::path& root) {
  std::vector<SourceFile> files;
  for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    files.push_back({std::filesystem::relative(entry.path(), root).string(), text.str()});
  }
  return files;
}
