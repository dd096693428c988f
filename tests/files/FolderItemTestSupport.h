// What the folder-item tests share: items on host paths, texts as std::string, files written and
// read, and the host's own answers (stat, ls, Python) to compare with.
#pragma once

#include <sys/stat.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/FolderItemImp.h"
#include "files/FolderItemImpUnix.h"
#include "strings/RuntimeString.h"
#include "support/TestSupport.h"

namespace itemtest {

using Item = std::unique_ptr<FolderItemImp>;

inline Item On(const std::string& path) { return Item(FolderItemImpUnix::FromBytes(path)); }

inline std::string Bytes(const string& text) {
  return std::string(reinterpret_cast<const char*>(text.Bytes()), size_t(text.Length()));
}

inline std::string PathOf(const FolderItemImp* item) {
  return item ? Bytes(item->GetPath()) : "(nil)";
}

inline string Text(const std::string& bytes) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
}

inline void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool PathExists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

// The bytes as lower-case hex digits, two a byte.
inline std::string Hex(const std::string& bytes) {
  static const char kDigits[] = "0123456789abcdef";
  std::string hex;
  for (const unsigned char c : bytes) {
    hex += kDigits[c >> 4];
    hex += kDigits[c & 15];
  }
  return hex;
}

// What a program prints, without its final newline.
inline std::string Output(const std::vector<std::string>& argv) {
  std::string text = qvtest::ProgramOutput(argv);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// What a Python expression prints, the names of os, sys, datetime and struct at hand and the
// further arguments in sys.argv[1:].
inline std::string Python(const std::string& expression, std::vector<std::string> arguments = {}) {
  std::vector<std::string> argv = {"python3", "-c",
                                   "import os, sys, datetime, struct, urllib.parse\n"
                                   "sys.stdout.write(str(" + expression + "))"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  return qvtest::ProgramOutput(argv);
}

}  // namespace itemtest
