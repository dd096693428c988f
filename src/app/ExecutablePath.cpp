#include "app/ExecutablePath.h"

#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMaxLinkHops = 40;

bool IsExecutableFile(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
         access(path.c_str(), X_OK) == 0;
}

// PATH as the system searches it; unset, the system's default path.
std::string SearchPath() {
  if (const char* path = std::getenv("PATH")) return path;
  char buffer[256] = {};
  confstr(_CS_PATH, buffer, sizeof buffer);
  return buffer;
}

// The text of the link at path, or "" when it is none or cannot be read.
std::string LinkText(const std::string& path) {
  std::string text(PATH_MAX, '\0');
  const ssize_t length = readlink(path.c_str(), text.data(), text.size());
  if (length <= 0 || size_t(length) >= text.size()) return "";
  text.resize(size_t(length));
  return text;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

std::string FindOnPath(const std::string& name) {
  const std::string path = SearchPath();
  size_t start = 0;
  for (;;) {
    const size_t end = path.find(':', start);
    std::string folder = path.substr(start, end == std::string::npos ? end : end - start);
    if (folder.empty()) folder = ".";
    const std::string candidate = folder.append(1, '/').append(name);
    if (IsExecutableFile(candidate)) return candidate;
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}

std::string RunningFilePath() { return LinkText("/proc/self/exe"); }

bool FollowLinks(std::string* path) {
  for (int hop = 0; hop <= kMaxLinkHops; ++hop) {
    struct stat info;
    if (lstat(path->c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return true;
    std::string next = LinkText(*path);
    if (next.empty()) return true;
    if (next[0] != '/') next.insert(0, FolderOf(*path).append(1, '/'));
    *path = next;
  }
  return false;
}

std::string ResolveExecutablePath(const char* argv0) {
  if (argv0 && std::strchr(argv0, '/')) return argv0;
  std::string path = argv0 && *argv0 ? FindOnPath(argv0) : std::string();
  if (path.empty() || !FollowLinks(&path)) return RunningFilePath();
  return path;
}
