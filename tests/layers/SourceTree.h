// The files of a source tree, read whole, for the checks that read the framework's sources.
#pragma once

#include <cctype>
#include <filesystem>
#include <functional>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
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

// A set of names that a word of a file is looked up in without copying it.
using NameSet = std::set<std::string, std::less<>>;

// Every place in files where one of names stands as a whole identifier (strcasecmp, but not
// strcasecmp_l), as "path: name".
inline std::vector<std::string> NamesUsed(const std::vector<SourceFile>& files,
                                          const NameSet& names) {
  std::vector<std::string> uses;
  for (const SourceFile& file : files) {
    const std::string_view text = file.text;
    for (size_t i = 0; i < text.size();) {
      size_t end = i;
      while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) ||
                                   text[end] == '_'))
        ++end;
      if (end == i) ++end;
      const std::string_view word = text.substr(i, end - i);
      if (names.count(word)) uses.push_back(file.path + ": " + std::string(word));
      i = end;
    }
  }
  return uses;
}
