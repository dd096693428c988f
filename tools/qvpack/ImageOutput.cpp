#include "ImageOutput.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "PackError.h"
#include "image/ImageFormat.h"

extern char** environ;

namespace {

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) throw PackError(path + ": cannot write");
}

// A temporary file that is removed when it goes out of scope.
class TemporaryFile {
 public:
  explicit TemporaryFile(const std::vector<uint8_t>& bytes) {
    const char* folder = std::getenv("TMPDIR");
    mPath = std::string(folder && *folder ? folder : "/tmp") + "/qvpackXXXXXX";
    const int fd = mkstemp(mPath.data());
    if (fd < 0) throw PackError("cannot create a temporary file: " + std::string(strerror(errno)));
    close(fd);
    WriteFile(mPath, bytes);
  }
  ~TemporaryFile() { unlink(mPath.c_str()); }
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  const std::string& path() const { return mPath; }

 private:
  std::string mPath;
};

void RunTool(std::vector<std::string> arguments) {
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);
  pid_t child;
  const int failed = posix_spawnp(&child, argv[0], nullptr, nullptr, argv.data(), environ);
  if (failed) throw PackError("cannot run " + arguments[0] + ": " + strerror(failed));
  int status;
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) throw PackError("lost " + arguments[0] + ": " + strerror(errno));
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
    throw PackError(arguments[0] + " failed to add the image section");
}

}  // namespace

namespace {

// The blocks indexed by qvimage::Block, the order of the section.
std::vector<const std::vector<uint8_t>*> BlocksInOrder(const PackedImage& blocks) {
  return {&blocks.code,    &blocks.data,      &blocks.import,
          &blocks.symbols, &blocks.resources, &blocks.options};
}

}  // namespace

std::vector<uint8_t> SerializeImageSection(const PackedImage& blocks) {
  std::vector<uint8_t> out;
  for (const auto* block : BlocksInOrder(blocks)) {
    if (block->size() > UINT32_MAX) throw PackError("image block larger than 4 GB");
    AppendU32(out, static_cast<uint32_t>(block->size()));
    AppendBytes(out, *block);
  }
  return out;
}

void WriteBlockFiles(const std::string& folder, const PackedImage& blocks) {
  const std::string base = folder.empty() ? std::string(".") : folder;
  std::error_code error;
  std::filesystem::create_directories(base, error);
  if (error) throw PackError(base + ": cannot create the folder (" + error.message() + ")");
  const auto ordered = BlocksInOrder(blocks);
  for (uint32_t block = 0; block < qvimage::kBlockCount; ++block)
    WriteFile(base + "/" + qvimage::kBlockFileNames[block], *ordered[block]);
}

void EmbedImage(const std::string& executable, const std::string& output,
                const PackedImage& blocks) {
  const TemporaryFile section(SerializeImageSection(blocks));
  const std::string name = qvimage::kSectionName;
  RunTool({"objcopy", "--remove-section=" + name, "--add-section", name + "=" + section.path(),
           executable, output});
}
