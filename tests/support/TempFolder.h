// A fresh folder for one test's files, removed with everything in it when the object goes.
#pragma once

#include <string>

namespace qvtest {

class TempFolder {
 public:
  // A new folder /tmp/<prefix>XXXXXX (mkdtemp); a failure to make it fails the test.
  explicit TempFolder(const std::string& prefix = "qvtest");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return mPath; }
  // The path of name inside the folder.
  std::string operator/(const std::string& name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
};

}  // namespace qvtest
