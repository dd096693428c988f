#include "core/FileHead.h"

#include <fcntl.h>

#include "core/NamedFile.h"

// Only a regular file is read: a FIFO named as a linker script would wait for a writer for ever.
bool ReadFileHead(const std::string& path, size_t most, std::string* text) {
  NamedFile file;
  text->clear();
  return file.Open(path.c_str(), O_RDONLY, NamedFileUse::kContents) && file.Read(most, text);
}
