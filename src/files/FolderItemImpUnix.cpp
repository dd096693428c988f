#include "files/FolderItemImpUnix.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "app/ExecutablePath.h"
#include "strings/TextEncoding.h"

namespace {

std::string Bytes(const string& text) {
  return std::string(reinterpret_cast<const char*>(text.Bytes()), size_t(text.Length()));
}

string FromBytes(const std::string& bytes) {
  return string::FromBytes(bytes.data(), int64_t(bytes.size()), kEncodingUTF8);
}

std::string Absolute(std::string path) {
  if (!path.empty() && path[0] == '/') return path;
  char* folder = get_current_dir_name();
  if (!folder) return path;
  if (path.rfind("./", 0) == 0) path.erase(0, 2);
  std::string absolute = std::string(folder) + (path.empty() ? "" : "/" + path);
  std::free(folder);
  return absolute;
}

bool IsDotEntry(const char* name) {
  return std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0;
}

// The name of the index-th entry (dot entries skipped), or "" past the end.
std::string EntryName(const std::string& folder, int32_t index) {
  DIR* directory = opendir(folder.c_str());
  if (!directory) return "";
  std::string name;
  int32_t seen = 0;
  while (dirent* entry = readdir(directory)) {
    if (IsDotEntry(entry->d_name)) continue;
    if (seen++ == index) {
      name = entry->d_name;
      break;
    }
  }
  closedir(directory);
  return name;
}

}  // namespace

FolderItemImpUnix::FolderItemImpUnix(const string& path)
    : mPath(FromBytes(Absolute(Bytes(ConvertToSystemEncoding(path))))) {}

FolderItemImp* FolderItemImpUnix::Clone() const { return new FolderItemImpUnix(mPath); }

bool FolderItemImpUnix::Exists() const { return access(mPath.CString(), F_OK) == 0; }

bool FolderItemImpUnix::IsAlias() const {
  struct stat info;
  return lstat(mPath.CString(), &info) == 0 && S_ISLNK(info.st_mode);
}

bool FolderItemImpUnix::IsDirectory() const {
  struct stat info;
  return stat(mPath.CString(), &info) == 0 && S_ISDIR(info.st_mode);
}

string FolderItemImpUnix::GetName() const {
  std::string path = Bytes(mPath);
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  const size_t slash = path.rfind('/');
  return FromBytes(slash == std::string::npos || path == "/" ? path : path.substr(slash + 1));
}

int32_t FolderItemImpUnix::Count() const {
  DIR* directory = opendir(mPath.CString());
  if (!directory) return 0;
  int32_t count = 0;
  while (dirent* entry = readdir(directory)) {
    if (!IsDotEntry(entry->d_name)) ++count;
  }
  closedir(directory);
  return count;
}

FolderItemImp* FolderItemImpUnix::Item(int32_t index, int32_t flags) const {
  if (index < 0) return nullptr;
  const std::string name = EntryName(Bytes(mPath), index);
  if (name.empty()) return nullptr;
  std::string path = Bytes(mPath);
  if (path.back() != '/') path += '/';
  path += name;
  if ((flags & kFolderItemResolveLinks) && !FollowLinks(&path)) return nullptr;
  return new FolderItemImpUnix(FromBytes(path));
}

bool FolderItemImpUnix::Delete() {
  struct stat info;
  if (lstat(mPath.CString(), &info) != 0) return false;
  return (S_ISDIR(info.st_mode) ? rmdir(mPath.CString()) : unlink(mPath.CString())) == 0;
}

int FolderItemImpUnix::OpenForReading() const {
  return open(mPath.CString(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
}
