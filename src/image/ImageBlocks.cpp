#include "image/ImageBlocks.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <string>

#include "core/RuntimeError.h"
#include "image/ImageFile.h"

namespace {

constexpr const char* kBlockNames[qvimage::kBlockCount] = {
    "code", "data", "import", "symbols", "resources", "options",
};

// The order in which the block files are read.
constexpr qvimage::Block kBlockFileOrder[qvimage::kBlockCount] = {
    qvimage::kBlockImport,    qvimage::kBlockCode,    qvimage::kBlockData,
    qvimage::kBlockResources, qvimage::kBlockOptions, qvimage::kBlockSymbols,
};

uint64_t RoundUpToPages(uint64_t size) {
  return (size + qvimage::kCodeAlignment - 1) / qvimage::kCodeAlignment * qvimage::kCodeAlignment;
}

// Moves a block file's bytes into page-aligned executable memory.
bool PlaceCodeBlock(ImageBlockSet* blocks) {
  uint8_t* bytes = blocks->bytes[qvimage::kBlockCode];
  uint32_t size = blocks->sizes[qvimage::kBlockCode];
  if (!bytes) return true;
  uint8_t* code = AllocateCodeBlock(size);
  if (code) std::copy(bytes, bytes + size, code);
  std::free(bytes);
  blocks->bytes[qvimage::kBlockCode] = code;
  return code != nullptr;
}

}  // namespace

const char* ImageBlockName(qvimage::Block block) {
  return block < qvimage::kBlockCount ? kBlockNames[block] : "unknown";
}

uint8_t* AllocateCodeBlock(uint32_t size) {
  size_t length = size_t(RoundUpToPages(size));
  void* memory = ::mmap(nullptr, length, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (!QV_CHECK_TEXT(memory != MAP_FAILED, "codeMemory", "No memory for the image's code block"))
    return nullptr;
  if (::mprotect(memory, length, PROT_READ | PROT_WRITE | PROT_EXEC) != 0) {
    const std::string text = "The image's code block cannot be made executable (error #" +
                             std::to_string(errno) + ")";
    ::munmap(memory, length);
    QV_FAIL_TEXT("codeProtected", text.c_str());
    return nullptr;
  }
  return static_cast<uint8_t*>(memory);
}

uint8_t* ReadImageBlockFile(const char* path, uint32_t* size) {
  *size = 0;
  ImageFile file;
  std::string name = path ? path : "";
  if (!file.Open(path)) {
    if (errno == ENOENT) return nullptr;
    *size = 1;
    QV_FAIL_TEXT("blockFileKind",
                  ("Image block file " + name + " is no regular file that can be read").c_str());
    return nullptr;
  }
  if (!QV_CHECK_TEXT(file.Size() <= UINT32_MAX, "blockFileSize",
                     ("Image block file " + name + " is too large").c_str()))
    return nullptr;
  *size = uint32_t(file.Size());
  if (*size == 0) return nullptr;
  auto* bytes = static_cast<uint8_t*>(std::malloc(*size));
  if (!QV_CHECK_TEXT(bytes, "blockMemory", ("No memory for image block file " + name).c_str()))
    return nullptr;
  if (!QV_CHECK_TEXT(file.ReadAt(0, bytes, *size), "blockRead",
                     ("Could not read image block file " + name).c_str())) {
    std::free(bytes);
    return nullptr;
  }
  return bytes;
}

std::string AbsoluteFilePath(const char* path) {
  if (!path || path[0] == '/') return path ? path : "";
  char* folder = ::getcwd(nullptr, 0);
  if (!folder) return path;
  std::string absolute = std::string(folder) + "/" + path;
  std::free(folder);
  return absolute;
}

void FreeImageBlocks(ImageBlockSet* blocks) {
  for (uint32_t block = 0; block < qvimage::kBlockCount; ++block) {
    uint8_t* bytes = blocks->bytes[block];
    if (!bytes) continue;
    if (block == qvimage::kBlockCode) {
      ::munmap(bytes, size_t(RoundUpToPages(blocks->sizes[block])));
    } else {
      std::free(bytes);
    }
  }
  *blocks = ImageBlockSet();
}

bool ReadImageBlockFiles(ImageBlockSet* blocks) {
  blocks->resourcesFileOffset = 0;
  blocks->resourcesFilePath = AbsoluteFilePath(qvimage::kBlockFileNames[qvimage::kBlockResources]);
  for (qvimage::Block block : kBlockFileOrder) {
    const char* path = qvimage::kBlockFileNames[block];
    blocks->bytes[block] = ReadImageBlockFile(path, &blocks->sizes[block]);
    if (!blocks->bytes[block] && blocks->sizes[block] > 0) {
      // The code is still a plain allocation here, not yet placed in code memory.
      std::free(blocks->bytes[qvimage::kBlockCode]);
      blocks->bytes[qvimage::kBlockCode] = nullptr;
      FreeImageBlocks(blocks);
      return false;
    }
  }
  return PlaceCodeBlock(blocks);
}
