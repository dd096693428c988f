// The main of a fuzz target in the ordinary builds: runs the target once on every file named on
// the command line, or on every file of the folders named there, so that each corpus and
// regression input stays a test (a crash, a sanitizer report or a failed property fails it).
#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
extern "C" [[gnu::weak]] int LLVMFuzzerInitialize(int* argc, char*** argv);

namespace {

bool IsFolder(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// The files of a folder in name order, so that a failure names the same input every time.
std::vector<std::string> FilesIn(const std::string& folder) {
  std::vector<std::string> files;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return files;
  while (dirent* entry = readdir(dir)) {
    std::string path = folder + "/" + entry->d_name;
    if (entry->d_name[0] != '.' && !IsFolder(path)) files.push_back(path);
  }
  closedir(dir);
  std::sort(files.begin(), files.end());
  return files;
}

bool Replay(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return false;
  }
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                             std::istreambuf_iterator<char>());
  // A copy of exactly the input's size, as the fuzzer hands it, so a read past its end shows.
  auto* copy = new uint8_t[bytes.size() ? bytes.size() : 1];
  std::copy(bytes.begin(), bytes.end(), copy);
  LLVMFuzzerTestOneInput(copy, bytes.size());
  delete[] copy;
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (LLVMFuzzerInitialize) LLVMFuzzerInitialize(&argc, &argv);
  size_t replayed = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    std::vector<std::string> files = IsFolder(argv[i]) ? FilesIn(argv[i])
                                                       : std::vector<std::string>{argv[i]};
    for (const std::string& file : files) {
      std::fprintf(stderr, "replaying %s\n", file.c_str());
      ok = Replay(file) && ok;
      ++replayed;
    }
  }
  std::printf("%zu inputs replayed\n", replayed);
  // An empty replay proves nothing: a folder that went missing must not pass.
  return ok && replayed > 0 ? 0 : 1;
}
