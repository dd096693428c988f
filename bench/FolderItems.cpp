// Folder items beside plain system calls, over a folder of 10,000 files. GetFolderItem, Exists
// and Length, each on every path, against one stat of each path (aim: at most 2 each; each of
// them asks the system once, as stat does). The three together against that one stat are
// reported only: they ask the system three times. Count and Item(i) for every entry against one
// readdir pass that makes every entry's path (aim: at most 5): the folder's listing is kept
// while the folder is unchanged, so each Item asks the system once, to see that it is.
#include <benchmark/benchmark.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "core/RuntimeObject.h"
#include "files/FolderItemClass.h"

namespace {

constexpr int kFiles = 10000;

// A folder in /tmp (mkdtemp) holding kFiles small files, made once per process and removed at
// exit, with each file's path as text and as a string record.
class ScratchFolder {
 public:
  ScratchFolder() {
    char name[] = "/tmp/qvbench-itemsXXXXXX";
    if (!mkdtemp(name)) std::exit(1);
    mPath = name;
    for (int i = 0; i < kFiles; ++i) {
      const std::string path = mPath + "/file-" + std::to_string(i);
      FILE* file = std::fopen(path.c_str(), "w");
      if (!file) std::exit(1);
      std::fwrite(path.data(), 1, size_t(i % 97), file);
      std::fclose(file);
      mPaths.push_back(path);
      mRecords.push_back(string(path.c_str()));
    }
    // A folder whose last change is a while ago, as most folders walked are: one changed in
    // the last second is read afresh on every call (FolderListing.h).
    const timespec times[2] = {{0, UTIME_OMIT}, {time(nullptr) - 60, 0}};
    utimensat(AT_FDCWD, mPath.c_str(), times, 0);
  }
  ~ScratchFolder() { std::filesystem::remove_all(mPath); }
  const std::string& Path() const { return mPath; }
  const std::vector<std::string>& Paths() const { return mPaths; }
  const std::vector<string>& Records() const { return mRecords; }

 private:
  std::string mPath;
  std::vector<std::string> mPaths;
  std::vector<string> mRecords;
};

const ScratchFolder& Folder() {
  static const ScratchFolder folder;
  return folder;
}

// The items of every path, made once for the benchmarks that ask them.
const std::vector<RuntimeObject*>& Items() {
  static const std::vector<RuntimeObject*> items = [] {
    std::vector<RuntimeObject*> made;
    for (const string& path : Folder().Records()) {
      made.push_back(RuntimeGetFolderItem(path.Storage(), kPathNative));
    }
    return made;
  }();
  return items;
}

void BM_FolderItemGetFolderItem(benchmark::State& state) {
  const std::vector<string>& paths = Folder().Records();
  for (auto _ : state) {
    for (const string& path : paths) {
      RuntimeObject* item = RuntimeGetFolderItem(path.Storage(), kPathNative);
      benchmark::DoNotOptimize(item);
      RuntimeUnlockObject(item);
    }
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FolderItemGetFolderItem)->Unit(benchmark::kMillisecond);

void BM_FolderItemExists(benchmark::State& state) {
  const std::vector<RuntimeObject*>& items = Items();
  for (auto _ : state) {
    int32_t found = 0;
    for (RuntimeObject* item : items) found += fileExistsGetter(item, 0);
    benchmark::DoNotOptimize(found);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FolderItemExists)->Unit(benchmark::kMillisecond);

void BM_FolderItemLength(benchmark::State& state) {
  const std::vector<RuntimeObject*>& items = Items();
  for (auto _ : state) {
    uint64_t total = 0;
    for (RuntimeObject* item : items) total += fileSizeGetter(item, 0);
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FolderItemLength)->Unit(benchmark::kMillisecond);

void BM_FolderItemGetExistsLength(benchmark::State& state) {
  const std::vector<string>& paths = Folder().Records();
  for (auto _ : state) {
    uint64_t total = 0;
    for (const string& path : paths) {
      RuntimeObject* item = RuntimeGetFolderItem(path.Storage(), kPathNative);
      if (fileExistsGetter(item, 0)) total += fileSizeGetter(item, 0);
      RuntimeUnlockObject(item);
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FolderItemGetExistsLength)->Unit(benchmark::kMillisecond);

void BM_PlainStat(benchmark::State& state) {
  const std::vector<std::string>& paths = Folder().Paths();
  for (auto _ : state) {
    uint64_t total = 0;
    for (const std::string& path : paths) {
      struct stat info;
      if (stat(path.c_str(), &info) == 0) total += uint64_t(info.st_size);
    }
    benchmark::DoNotOptimize(total);
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_PlainStat)->Unit(benchmark::kMillisecond);

void BM_FolderItemItem(benchmark::State& state) {
  RuntimeObject* folder = RuntimeGetFolderItem(string(Folder().Path().c_str()).Storage(), 0);
  for (auto _ : state) {
    const int32_t count = fileCountGetter(folder, 0);
    int32_t found = 0;
    for (int32_t i = 1; i <= count; ++i) {
      RuntimeObject* entry = FolderItemItem(folder, i);
      found += entry != nullptr;
      RuntimeUnlockObject(entry);
    }
    benchmark::DoNotOptimize(found);
  }
  RuntimeUnlockObject(folder);
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_FolderItemItem)->Unit(benchmark::kMillisecond);

void BM_PlainReaddir(benchmark::State& state) {
  for (auto _ : state) {
    DIR* directory = opendir(Folder().Path().c_str());
    std::vector<std::string> names;
    while (const dirent* entry = readdir(directory)) {
      if (entry->d_name[0] != '.') names.push_back(Folder().Path() + "/" + entry->d_name);
    }
    closedir(directory);
    benchmark::DoNotOptimize(names.data());
  }
  state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_PlainReaddir)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_FolderItemGetFolderItem", "BM_PlainStat", 2.0},
                                 {"BM_FolderItemExists", "BM_PlainStat", 2.0},
                                 {"BM_FolderItemLength", "BM_PlainStat", 2.0},
                                 {"BM_FolderItemGetExistsLength", "BM_PlainStat", 0},
                                 {"BM_FolderItemItem", "BM_PlainReaddir", 5.0}});
}
