// A fresh folder for one test's files, removed with everything in it when the object goes.
#pragma once

#include <string>

namespace qvtest {

class TempFolder {
 public:
  // A new folder <parent>/<prefix>XXXXXX (mkdtemp); a failure to make it fails the test. A test
  // whose GUI lists the folders on the way to it (a file chooser completing a typed path) gives
  // a quiet parent: /tmp changes all the time while other tests run, and each change makes the
  // chooser list it again.
  explicit TempFolder(const std::string& prefix = "qvtest", const std::string& parent = "/tmp");
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::string& path() const { return mPath; }
  // The path of name inside the folder.
  std::string operator/(const std::string& name) const { return mPath + "/" + name; }

 private:
  std::string mPath;
  bool mMade = false;
};

}  // namespace qvtest
