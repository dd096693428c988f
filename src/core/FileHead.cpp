#include "core/FileHead.h"

#include <fstream>

bool ReadFileHead(const std::string& path, size_t most, std::string* text) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  text->resize(most);
  file.read(text->data(), std::streamsize(most));
  text->resize(size_t(file.gcount()));
  return true;
}
