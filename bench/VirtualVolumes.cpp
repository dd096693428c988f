// Virtual volumes beside the host file system. Files of 1 KB made in one folder, 10,000 of them
// in a volume against the same on disk (ratio reported), and the volume's cost per file at
// 10,000 against that at 1,000 (aim: within 2x per file, so the time of ten times the files
// within 20x: lookups and appends to a folder do not grow with its size). 100 MB written and read
// back through one VFile against a host data file (aim: at most 3x), with the volume file's
// size beside the data's as a counter.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "BenchRatio.h"
#include "files/DataFile.h"
#include "files/FolderItemClass.h"
#include "files/FolderItemImpUnix.h"
#include "files/VirtualVolumeClass.h"

namespace {

constexpr int64_t kLargeFile = 100 << 20;
constexpr int32_t kChunk = 64 << 10;

std::string ScratchFolder() {
  char name[] = "/tmp/qvbench-volumesXXXXXX";
  if (!mkdtemp(name)) std::exit(1);
  return name;
}

// A new volume in a file of folder; its root item is the caller's.
RuntimeObject* NewVolume(const std::string& path) {
  RuntimeObject* host = NewFolderItem(FolderItemImpUnix::FromBytes(path));
  RuntimeObject* volume = FolderItemCreateVirtualVolume(host);
  RuntimeUnlockObject(host);
  if (!volume) std::exit(1);
  return volume;
}

std::unique_ptr<FolderItemImp> RootOf(RuntimeObject* volume) {
  RuntimeObject* root = VirtVolRootGetter(volume, 0);
  std::unique_ptr<FolderItemImp> item(FolderItemImpOf(root)->Clone());
  RuntimeUnlockObject(root);
  return item;
}

void BM_VolumeCreateFiles(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  const std::string data(1024, 'v');
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(folder + "/v.vol");
    RuntimeObject* volume = NewVolume(folder + "/v.vol");
    std::unique_ptr<FolderItemImp> root = RootOf(volume);
    state.ResumeTiming();
    for (int64_t i = 0; i < state.range(0); ++i) {
      std::unique_ptr<FolderItemImp> file(root->Child(string(std::to_string(i).c_str()), 0));
      std::unique_ptr<RandomAccessMechanism> out(file->CreateMechanism(""));
      if (!out || !out->Write(data.data(), int32_t(data.size())) || !out->Close()) std::exit(1);
    }
    root.reset();
    RuntimeUnlockObject(volume);  // the map written back, the file closed
  }
  std::filesystem::remove_all(folder);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_VolumeCreateFiles)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

void BM_HostCreateFiles(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  const std::string data(1024, 'h');
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove_all(folder + "/files");
    std::filesystem::create_directory(folder + "/files");
    state.ResumeTiming();
    for (int64_t i = 0; i < state.range(0); ++i) {
      const std::string path = folder + "/files/" + std::to_string(i);
      const int fd = open(path.c_str(), O_CREAT | O_EXCL | O_WRONLY, 0644);
      if (fd < 0 || write(fd, data.data(), data.size()) != ssize_t(data.size())) std::exit(1);
      close(fd);
    }
  }
  std::filesystem::remove_all(folder);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_HostCreateFiles)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Writes kLargeFile bytes through out in chunks, then reads them back from the start.
void WriteThenRead(RandomAccessMechanism* file) {
  std::vector<char> chunk(kChunk, 'x');
  for (int64_t done = 0; done < kLargeFile; done += kChunk) {
    if (!file->Write(chunk.data(), kChunk)) std::exit(1);
  }
  if (!file->SetPosition(0)) std::exit(1);
  int32_t got = 0;
  for (int64_t done = 0; done < kLargeFile; done += got) {
    if (!file->Read(chunk.data(), kChunk, &got) || got <= 0) std::exit(1);
  }
}

void BM_VolumeLargeFile(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  double overhead = 0;
  for (auto _ : state) {
    state.PauseTiming();
    std::filesystem::remove(folder + "/v.vol");
    RuntimeObject* volume = NewVolume(folder + "/v.vol");
    std::unique_ptr<FolderItemImp> file(RootOf(volume)->Child("large", 0));
    state.ResumeTiming();
    std::unique_ptr<RandomAccessMechanism> mechanism(file->CreateMechanism(""));
    WriteThenRead(mechanism.get());
    mechanism->Close();
    state.PauseTiming();
    mechanism.reset();
    file.reset();
    RuntimeUnlockObject(volume);
    overhead = double(std::filesystem::file_size(folder + "/v.vol")) / double(kLargeFile);
    state.ResumeTiming();
  }
  std::filesystem::remove_all(folder);
  state.counters["volume_bytes_per_data_byte"] = overhead;
}
BENCHMARK(BM_VolumeLargeFile)->Iterations(3)->Unit(benchmark::kMillisecond);

void BM_DataFileLargeFile(benchmark::State& state) {
  const std::string folder = ScratchFolder();
  for (auto _ : state) {
    std::unique_ptr<DataFile> file(DataFile::Create());
    if (!file->OpenForWriting(string((folder + "/large").c_str()))) std::exit(1);
    WriteThenRead(file.get());
    file->Close();
  }
  std::filesystem::remove_all(folder);
}
BENCHMARK(BM_DataFileLargeFile)->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_VolumeCreateFiles/10000/iterations:3", "BM_HostCreateFiles/10000/iterations:3", 0},
       {"BM_VolumeCreateFiles/10000/iterations:3", "BM_VolumeCreateFiles/1000/iterations:3", 20},
       {"BM_VolumeLargeFile/iterations:3", "BM_DataFileLargeFile/iterations:3", 3}});
}
