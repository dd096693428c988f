#include "image/ApplicationImage.h"

#include <string>

#include "core/Exceptions.h"
#include "core/RuntimeError.h"
#include "image/ImageFile.h"
#include "image/ImageLinker.h"
#include "image/ImageOptions.h"
#include "image/ResourceTable.h"
#include "image/ImageSymbols.h"

namespace {

// Set once by the loader and never freed.
ImageBlockSet gImage;

std::vector<ImageSymbol>& Symbols() {
  static auto* symbols = new std::vector<ImageSymbol>();
  return *symbols;
}

// The image inside the executable: true with blocks read, or false with *found telling
// whether a section was there (a damaged one refuses the image; none sends us to the files).
bool ReadSectionImage(const char* executablePath, ImageBlockSet* blocks, bool* found) {
  *found = false;
  ImageFile file;
  if (!QV_CHECK_TEXT(file.Open(executablePath), "exeFile",
                     (std::string("Can't open executable ") + (executablePath ? executablePath : ""))
                         .c_str()))
    return false;
  ImageSectionLocation location;
  if (!FindImageSection(file, &location) || location.offset == 0) return false;
  *found = true;
  blocks->resourcesFilePath = AbsoluteFilePath(executablePath);
  return ReadImageSection(file, location, blocks);
}

}  // namespace

bool ReadApplicationImage(const char* executablePath, ImageBlockSet* blocks) {
  bool sectionFound = false;
  if (ReadSectionImage(executablePath, blocks, &sectionFound)) return true;
  if (sectionFound) return false;
  *blocks = ImageBlockSet();
  return ReadImageBlockFiles(blocks);
}

bool PrepareApplicationImage(const ImageBlockSet& blocks, std::vector<ImageSymbol>* symbols) {
  using namespace qvimage;
  if (!QV_CHECK_TEXT(blocks.Block(kBlockCode), "codeBlock", "The application image has no code"))
    return false;
  if (!ParseImageSymbols(blocks.Block(kBlockSymbols), blocks.Size(kBlockSymbols),
                         blocks.Size(kBlockCode), symbols))
    return false;
  const ImageLinkTarget target{blocks.Block(kBlockCode), blocks.Size(kBlockCode),
                               blocks.Block(kBlockData), blocks.Size(kBlockData)};
  return LinkImportBlock(target, blocks.Block(kBlockImport), blocks.Size(kBlockImport));
}

void InstallApplicationImage(const ImageBlockSet& blocks, std::vector<ImageSymbol> symbols) {
  gImage = blocks;
  Symbols() = std::move(symbols);
  SetCompiledCodeRange(GetImageCodeBase(), GetImageCodeSize(), &Symbols());
}

bool LoadApplicationImage(const char* executablePath) {
  ImageBlockSet blocks;
  std::vector<ImageSymbol> symbols;
  if (!ReadApplicationImage(executablePath, &blocks) ||
      !PrepareApplicationImage(blocks, &symbols)) {
    FreeImageBlocks(&blocks);
    return false;
  }
  InstallApplicationImage(blocks, std::move(symbols));
  RegisterImageResources(blocks.Block(qvimage::kBlockResources),
                         blocks.Size(qvimage::kBlockResources), blocks.resourcesFileOffset,
                         blocks.resourcesFilePath);
  ApplyImageOptions(blocks.Block(qvimage::kBlockOptions), blocks.Size(qvimage::kBlockOptions));
  return true;
}

extern "C" uint8_t* GetImageCodeBase() { return gImage.Block(qvimage::kBlockCode); }
extern "C" uint8_t* GetImageDataBase() { return gImage.Block(qvimage::kBlockData); }
uint32_t GetImageCodeSize() { return gImage.Size(qvimage::kBlockCode); }
uint32_t GetImageDataSize() { return gImage.Size(qvimage::kBlockData); }
const ImageBlockSet& LoadedImageBlocks() { return gImage; }
const std::vector<ImageSymbol>& LoadedImageSymbols() { return Symbols(); }
