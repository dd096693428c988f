#include "core/LibraryFinder.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <map>
#include <sstream>
#include <string_view>

#include "core/ByteUtilities.h"
#include "core/FileHead.h"
#include "core/NamedFile.h"
#include "core/ShellRunner.h"

namespace {

constexpr size_t kMaxLinkTarget = 1024;
// Linker scripts are a few lines: a file of the name that is no script (a library, an endless
// device) is read no further than this.
constexpr size_t kMostScriptBytes = 64 * 1024;
// Far more hops than real library links take; a loop of links ends here.
constexpr int kMaxLinkHops = 40;

const char* const kLibraryFolders[] = {"", "/usr/local/lib/", "/usr/lib/"};
const char* const kScriptFolders[] = {"", "/usr/local/lib/", "/usr/lib/", "/lib/"};

struct IgnoringCase {
  bool operator()(const std::string& a, const std::string& b) const {
    return ustrcmpi(a.c_str(), b.c_str()) < 0;
  }
};

// Handles are never closed, so the answers are kept for the process's life.
struct FinderState {
  std::vector<std::string> listingProgram = {"/sbin/ldconfig", "-p"};  // path first
  // The listing is requested at most once per process, even when the program cannot start.
  bool listingRequested = false;
  string listing;  // as far as memory and the longest string allow
  std::map<std::string, void*, IgnoringCase> answers;
};

FinderState& State() {
  static auto* state = new FinderState();
  return *state;
}

// The loader takes only a name, and opening a FIFO or a device by it would wait or act: a path
// is handed to it only once the opener found a regular file there. A bare name is the loader's
// to look for in the system's library folders.
void* Open(const std::string& path) {
  NamedFile file;
  if (path.find('/') != std::string::npos &&
      !file.Open(path.c_str(), O_RDONLY, NamedFileUse::kContents))
    return nullptr;
  // Past the opener: the loader opens the file again, by its name.
  return dlopen(path.c_str(), RTLD_LAZY);
}

std::string_view LinkerCacheListing() {
  FinderState& state = State();
  if (!state.listingRequested) {
    state.listingRequested = true;
    std::vector<const char*> argv;
    for (const std::string& word : state.listingProgram) argv.push_back(word.c_str());
    argv.push_back(nullptr);
    GrowingBytes listing;
    RunProgram(state.listingProgram[0].c_str(), argv.data(), &listing);
    state.listing = listing.ToString(kEncodingNone);
  }
  return std::string_view(state.listing.CString(), size_t(state.listing.Length()));
}

std::string_view TrimBlanks(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return std::string_view();
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

void* OpenInFolders(const std::string& name) {
  for (const char* folder : kLibraryFolders) {
    if (void* handle = Open(folder + name)) return handle;
  }
  return nullptr;
}

// The words between "(" and ")" of a GROUP line, opened in order.
void* OpenGroupLine(const std::string& line) {
  const size_t open = line.find('(');
  if (open == std::string::npos) return nullptr;
  const size_t close = line.find(')', open);
  std::istringstream words(
      line.substr(open + 1, close == std::string::npos ? std::string::npos : close - open - 1));
  for (std::string word; words >> word;) {
    if (void* handle = Open(word)) return handle;
  }
  return nullptr;
}

void* OpenThroughLinkerScript(const std::string& name) {
  for (const char* suffix : {"", ".so"}) {
    for (const char* folder : kScriptFolders) {
      std::string text;
      if (!ReadFileHead(folder + name + suffix, kMostScriptBytes, &text)) continue;
      std::istringstream script(text);
      for (std::string line; std::getline(script, line);) {
        if (line.find("GROUP") == std::string::npos) continue;
        if (void* handle = OpenGroupLine(line)) return handle;
      }
      return nullptr;  // only the first file that exists is read
    }
  }
  return nullptr;
}

// Every listing line that contains name, in order: its path opened directly, then its links.
void* SearchListing(const std::string& name) {
  const std::string_view listing = LinkerCacheListing();
  size_t start = 0;
  while (true) {
    const size_t found = listing.find(name, start);
    if (found == std::string_view::npos) return nullptr;
    size_t lineEnd = listing.find('\n', found);
    if (lineEnd == std::string_view::npos) lineEnd = listing.size();
    start = lineEnd;
    const size_t arrow = listing.find("=>", found);
    if (arrow == std::string_view::npos || arrow > lineEnd) continue;  // a line without a path
    const size_t pathStart = arrow + 2;
    size_t pathEnd = listing.find_first_of("\r\n", pathStart);
    if (pathEnd == std::string_view::npos) pathEnd = listing.size();
    const std::string_view trimmed = TrimBlanks(listing.substr(pathStart, pathEnd - pathStart));
    if (trimmed.empty() || trimmed.size() >= PATH_MAX) continue;  // no file has such a path
    const std::string path(trimmed);
    if (void* handle = Open(path)) return handle;
    if (void* handle = OpenThroughSymbolicLinks(path)) return handle;
  }
}

void* SearchLibrary(const std::string& name) {
  if (void* handle = OpenInFolders(name)) return handle;
  if (void* handle = OpenInFolders(name + ".so")) return handle;
  if (void* handle = OpenThroughSymbolicLinks(name)) return handle;
  if (void* handle = OpenThroughLinkerScript(name)) return handle;
  return SearchListing(name);
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

void* FindLibrary(const string& name, bool* searched) {
  if (searched) *searched = false;
  const std::string text(name.CString(), static_cast<size_t>(name.Length()));
  if (text.empty()) return nullptr;  // dlopen("") would hand out the program itself
  auto& answers = State().answers;
  const auto kept = answers.find(text);
  if (kept != answers.end()) return kept->second;
  if (searched) *searched = true;
  void* handle = SearchLibrary(text);
  answers.emplace(text, handle);
  return handle;
}

namespace UnixHelper {

void* LoadLibrary(const string& name) { return FindLibrary(name, nullptr); }

}  // namespace UnixHelper

void SetLibraryListingProgramForTesting(const std::vector<std::string>& argv) {
  FinderState& state = State();
  if (!argv.empty()) state.listingProgram = argv;
  state.listingRequested = false;
  state.listing = string();
  state.answers.clear();
}
