// Streams beside plain stdio: ReadLine over a 100 MB file of 80-byte lines against getline into a
// reused buffer with each line copied into a new std::string (aim: at most 1.3; each refill of
// the 1,024-byte read-ahead asks the file's length once, one fstat a kilobyte, so that bytes
// past a cut are never handed out), and
// BinaryStream's ReadInt32 and WriteInt32, ten million values each, against a 4-byte fread or
// fwrite with a byte swap per value (aim: at most 1.5).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "BenchRatio.h"
#include "core/RuntimeObject.h"
#include "files/BinaryStream.h"
#include "files/DataFile.h"
#include "files/TextInputStream.h"

namespace {

constexpr int kLineLength = 80;
constexpr int kLines = 100 * 1000 * 1000 / kLineLength;
constexpr int kValues = 10 * 1000 * 1000;

// A file in /tmp made once per process (mkstemp) and removed at exit.
class ScratchFile {
 public:
  explicit ScratchFile(void (*fill)(FILE*)) {
    char name[] = "/tmp/qvbench-streamsXXXXXX";
    const int fd = mkstemp(name);
    mPath = name;
    FILE* file = fdopen(fd, "w");
    fill(file);
    fclose(file);
  }
  ~ScratchFile() { unlink(mPath.c_str()); }
  const char* Path() const { return mPath.c_str(); }

 private:
  std::string mPath;
};

const ScratchFile& LineFile() {
  static const ScratchFile file([](FILE* out) {
    std::string line(kLineLength - 1, 'x');
    line += '\n';
    for (int i = 0; i < kLines; ++i) {
      line[i % (kLineLength - 1)] = char('a' + i % 26);
      fwrite(line.data(), 1, line.size(), out);
    }
  });
  return file;
}

const ScratchFile& ValueFile() {
  static const ScratchFile file([](FILE* out) {
    for (int i = 0; i < kValues; ++i) fwrite(&i, 4, 1, out);
  });
  return file;
}

DataFile* OpenData(const char* path, bool forWriting) {
  DataFile* file = DataFile::Create();
  if (forWriting ? file->OpenForWriting(string(path)) : file->Open(string(path), 1)) return file;
  std::fprintf(stderr, "cannot open %s\n", path);
  std::exit(1);
}

void BM_TextInputStreamReadLine(benchmark::State& state) {
  for (auto _ : state) {
    RuntimeObject* object = NewTextInputStream(OpenData(LineFile().Path(), false));
    auto* in = reinterpret_cast<TextInputStreamObject*>(object);
    int64_t bytes = 0;
    while (!TextInputStreamEOF(in)) {
      stringStorage* line = TextInputStreamReadLine(in, nullptr);
      bytes += stringStorage::Length(line);
      stringStorage::RemoveReference(line);
    }
    benchmark::DoNotOptimize(bytes);
    RuntimeUnlockObject(object);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_TextInputStreamReadLine)->Unit(benchmark::kMillisecond);

void BM_PlainGetline(benchmark::State& state) {
  for (auto _ : state) {
    FILE* in = fopen(LineFile().Path(), "r");
    char* buffer = nullptr;
    size_t capacity = 0;
    int64_t bytes = 0;
    for (ssize_t n; (n = getline(&buffer, &capacity, in)) > 0;) {
      if (buffer[n - 1] == '\n') --n;
      std::string line(buffer, size_t(n));
      bytes += int64_t(line.size());
      benchmark::DoNotOptimize(line.data());
    }
    benchmark::DoNotOptimize(bytes);
    free(buffer);
    fclose(in);
  }
  state.SetItemsProcessed(state.iterations() * kLines);
}
BENCHMARK(BM_PlainGetline)->Unit(benchmark::kMillisecond);

void BM_BinaryStreamReadInt32(benchmark::State& state) {
  RuntimeObject* object = NewBinaryStream(OpenData(ValueFile().Path(), false));
  auto* in = reinterpret_cast<BinaryStreamObject*>(object);
  for (auto _ : state) {
    BinaryStreamSetPosition(in, 0, 0);
    uint32_t sum = 0;
    for (int i = 0; i < kValues; ++i) sum += uint32_t(BinaryStreamReadLong(in));
    benchmark::DoNotOptimize(sum);
  }
  RuntimeUnlockObject(object);
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_BinaryStreamReadInt32)->Unit(benchmark::kMillisecond);

void BM_PlainFreadInt32(benchmark::State& state) {
  FILE* in = fopen(ValueFile().Path(), "r");
  for (auto _ : state) {
    rewind(in);
    uint32_t sum = 0;
    for (int i = 0; i < kValues; ++i) {
      uint32_t value = 0;
      if (fread(&value, 4, 1, in) != 1) break;
      sum += __builtin_bswap32(value);
    }
    benchmark::DoNotOptimize(sum);
  }
  fclose(in);
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_PlainFreadInt32)->Unit(benchmark::kMillisecond);

void BM_BinaryStreamWriteInt32(benchmark::State& state) {
  const ScratchFile target([](FILE*) {});
  RuntimeObject* object = NewBinaryStream(OpenData(target.Path(), true));
  auto* out = reinterpret_cast<BinaryStreamObject*>(object);
  for (auto _ : state) {
    BinaryStreamSetPosition(out, 0, 0);
    for (int i = 0; i < kValues; ++i) BinaryStreamWriteLong(out, i);
    BinaryStreamFlush(out);
  }
  RuntimeUnlockObject(object);
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_BinaryStreamWriteInt32)->Unit(benchmark::kMillisecond);

void BM_PlainFwriteInt32(benchmark::State& state) {
  const ScratchFile target([](FILE*) {});
  FILE* out = fopen(target.Path(), "w");
  for (auto _ : state) {
    rewind(out);
    for (int i = 0; i < kValues; ++i) {
      const uint32_t value = __builtin_bswap32(uint32_t(i));
      fwrite(&value, 4, 1, out);
    }
    fflush(out);
  }
  fclose(out);
  state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_PlainFwriteInt32)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_TextInputStreamReadLine", "BM_PlainGetline", 1.3},
                                 {"BM_BinaryStreamReadInt32", "BM_PlainFreadInt32", 1.5},
                                 {"BM_BinaryStreamWriteInt32", "BM_PlainFwriteInt32", 1.5}});
}
