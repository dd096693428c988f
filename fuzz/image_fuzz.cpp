// The application image: one input is the content of an image section (six blocks, each
// behind its u32 size), read by the section reader, checked and linked. Nothing runs: the
// entry is never called. Shared-library records resolve through a seam that never opens a
// library (a fuzzed name must not reach dlopen).
#include <sys/mman.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "image/ApplicationImage.h"
#include "image/ImageBlocks.h"
#include "image/ImageFile.h"
#include "image/ImageLinker.h"
#include "image/ImageSymbols.h"
#include "image/UnresolvedImport.h"

namespace {

extern "C" int FuzzLibraryFunction() { return 0; }

// Names starting with a vowel resolve; the rest take the unresolved path.
void* ResolveWithoutOpening(const char* function, const char*) {
  return std::strchr("aeiouAEIOU", function[0]) && function[0]
             ? reinterpret_cast<void*>(&FuzzLibraryFunction)
             : nullptr;
}

// The input lies in an anonymous in-memory file, read through the loader's own file reader.
class InputFile {
 public:
  InputFile() : mFd(memfd_create("qvimage", MFD_CLOEXEC)) {
    mPath = "/proc/self/fd/" + std::to_string(mFd);
  }
  // Only a shorter input cuts the file: emptying it each time freed and faulted in its pages.
  bool Write(const uint8_t* data, size_t size) {
    if (mFd < 0 || (size < mSize && ftruncate(mFd, off_t(size)) != 0)) return false;
    mSize = size;
    return size == 0 || pwrite(mFd, data, size, 0) == ssize_t(size);
  }
  const char* Path() const { return mPath.c_str(); }

 private:
  int mFd;
  size_t mSize = 0;
  std::string mPath;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvfuzz::InputScope scope;
  SetLibraryFunctionResolver(&ResolveWithoutOpening);
  static InputFile input;
  QV_FUZZ_EXPECT(input.Write(data, size));
  ImageFile file;
  QV_FUZZ_EXPECT(file.Open(input.Path()));
  ImageBlockSet blocks;
  if (ReadImageSection(file, ImageSectionLocation{0, size}, &blocks)) {
    std::vector<ImageSymbol> symbols;
    if (PrepareApplicationImage(blocks, &symbols) && !symbols.empty()) {
      // A sound table answers every address of the code block.
      const uint32_t base = uint32_t(uintptr_t(blocks.Block(qvimage::kBlockCode)));
      string name;
      uint32_t offset = 0;
      QV_FUZZ_EXPECT(FindImageSymbol(symbols, base, blocks.Size(qvimage::kBlockCode),
                                     base + blocks.Size(qvimage::kBlockCode) - 1, &name,
                                     &offset));
    }
  }
  FreeImageBlocks(&blocks);
  ReleaseUnresolvedImportStubs();
  return 0;
}
