#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace qvtest {

TempFolder::TempFolder(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data())) {
    mPath = name.data();
  } else {
    ADD_FAILURE() << "mkdtemp " << pattern << ": " << std::strerror(errno);
    mPath = "/nonexistent/" + prefix;  // writes fail instead of landing in /
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (mPath.rfind("/tmp/", 0) == 0) std::filesystem::remove_all(mPath, ignored);
}

}  // namespace qvtest
