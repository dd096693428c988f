#include "core/LibraryFinder.h"

#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

#include "core/ShellRunner.h"

namespace {

constexpr size_t kMaxLinkTarget = 1024;
// Far more hops than real library links take; a loop of links ends here.
constexpr int kMaxLinkHops = 40;

const char* gListingCommand = "/sbin/ldconfig -p";
// The listing is requested at most once per process, even when the command cannot start.
bool gListingRequested = false;
std::string gListing;

void* Open(const std::string& path) { return dlopen(path.c_str(), RTLD_LAZY); }

const std::string& LinkerCacheListing() {
  if (!gListingRequested) {
    gListingRequested = true;
    RunShellCommand("/bin/sh", gListingCommand, &gListing);
  }
  return gListing;
}

std::string TrimBlanks(const std::string& text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return std::string();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// Every listing line that contains name, in order: its path opened directly, then its links.
void* SearchListing(const std::string& name) {
  const std::string& listing = LinkerCacheListing();
  size_t start = 0;
  while (true) {
    const size_t found = listing.find(name, start);
    if (found == std::string::npos) return nullptr;
    size_t lineEnd = listing.find('\n', found);
    if (lineEnd == std::string::npos) lineEnd = listing.size();
    start = lineEnd;
    const size_t arrow = listing.find("=>", found);
    if (arrow == std::string::npos || arrow > lineEnd) continue;  // a line without a path
    const size_t pathStart = arrow + 2;
    size_t pathEnd = listing.find_first_of("\r\n", pathStart);
    if (pathEnd == std::string::npos) pathEnd = listing.size();
    const std::string path = TrimBlanks(listing.substr(pathStart, pathEnd - pathStart));
    if (path.empty()) continue;
    if (void* handle = Open(path)) return handle;
    if (void* handle = OpenThroughSymbolicLinks(path)) return handle;
  }
}

}  // namespace

void* OpenThroughSymbolicLinks(const std::string& path) {
  std::string current = path;
  for (int hop = 0; hop < kMaxLinkHops; ++hop) {
    struct stat status;
    if (lstat(current.c_str(), &status) != 0) {
      current += ".so";
      if (lstat(current.c_str(), &status) != 0) return nullptr;
    }
    if (!S_ISLNK(status.st_mode)) return nullptr;
    char target[kMaxLinkTarget + 1];
    const ssize_t length = readlink(current.c_str(), target, kMaxLinkTarget);
    if (length <= 0) return nullptr;
    target[length] = '\0';
    current = target;
    if (void* handle = Open(current)) return handle;
  }
  return nullptr;
}

namespace UnixHelper {

void* LoadLibrary(const string& name) {
  const std::string text(name.CString(), static_cast<size_t>(name.Length()));
  if (text.empty()) return nullptr;  // dlopen("") would hand out the program itself
  if (void* handle = Open(text)) return handle;
  if (text.find(".so") == std::string::npos) {
    if (void* handle = Open(text + ".so")) return handle;
  }
  if (void* handle = OpenThroughSymbolicLinks(text)) return handle;
  return SearchListing(text);
}

}  // namespace UnixHelper

void SetLibraryListingCommandForTesting(const char* command) {
  gListingCommand = command;
  gListingRequested = false;
  gListing.clear();
}
