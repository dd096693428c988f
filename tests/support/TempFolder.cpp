#include "support/TempFolder.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

namespace qvtest {

TempFolder::TempFolder(const std::string& prefix, const std::string& parent) {
  std::string pattern = parent + "/" + prefix + "XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (mkdtemp(name.data())) {
    mPath = name.data();
    mMade = true;
  } else {
    ADD_FAILURE() << "mkdtemp " << pattern << ": " << std::strerror(errno);
    mPath = "/nonexistent/" + prefix;  // writes fail instead of landing in /
  }
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  if (mMade) std::filesystem::remove_all(mPath, ignored);
}

}  // namespace qvtest
