// Loading whole images in child processes: a packed application in a ".qv" section and as
// block files, then damaged images, each of which must end in a report and a refusal.
#include <elf.h>
#include <gtest/gtest.h>
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstddef>
#include <cstring>
#include <string>

#include "ImageTestFiles.h"
#include "app/RuntimeInit.h"
#include "app/ShutdownTasks.h"
#include "image/ApplicationImage.h"
#include "image/Export.h"
#include "image/ImageSymbols.h"
#include "support/TestSupport.h"

// What the test application reports, one line each, on standard output.
extern "C" void LoaderTestRecord(int32_t key, int32_t value) { std::printf("%d=%d\n", key, value); }
QV_EXPORT(LoaderTestRecord)
extern "C" void LoaderTestRecordDouble(int32_t key, double value) {
  std::printf("%d=%.17g\n", key, value);
}
QV_EXPORT(LoaderTestRecordDouble)
extern "C" void LoaderTestRecordString(int32_t key, const uint32_t* record) {
  // The data area starts with the length byte; the text follows it.
  const char* text = reinterpret_cast<const char*>(uintptr_t(record[1])) + 1;
  std::printf("%d=%.*s\n", key, int(record[3]), text);
}
QV_EXPORT(LoaderTestRecordString)

namespace {

using imagetest::Bytes;

class ReportingShutdownTask : public runShutdownTask {
 public:
  ~ReportingShutdownTask() override {
    std::printf("shutdown after run=%d\n", RuntimeRunWasCalled() ? 1 : 0);
  }
};

// The code offset of the entry function's symbol, read from the packed symbols block here.
uint32_t EntrySymbolOffset() {
  Bytes block = imagetest::ReadFile(std::string(LINKAPP_DIR) + "/symbols.dat");
  uint32_t count = 0;
  if (block.size() < 4) return 0;
  std::memcpy(&count, block.data(), 4);
  const char* names = reinterpret_cast<const char*>(block.data()) + 4 + 8 * count;
  for (uint32_t i = 0; i < count; ++i) {
    uint32_t pair[2];
    std::memcpy(pair, block.data() + 4 + 8 * i, 8);
    if (std::strcmp(names + pair[1], "QVEntry") == 0) return pair[0];
  }
  return 0;
}

// Names the code one byte into the entry function, as a stack trace would.
void PrintEntrySymbol() {
  if (!GetImageCodeBase()) return;
  string name;
  uint32_t offset = 0;
  uint32_t address = uint32_t(reinterpret_cast<uintptr_t>(GetImageCodeBase())) + EntrySymbolOffset() + 1;
  if (LookupImageSymbol(address, &name, &offset)) std::printf("symbol=%s+%u\n", name.CString(), offset);
}

std::string ExpectedTranscript() {
  char cosine[64];
  std::snprintf(cosine, sizeof(cosine), "%.17g", std::cos(0.5));
  return std::string("1=42\n2=141\n3=42\n4=") + cosine +
         "\n5=constant text\nshutdown after run=1\nsymbol=QVEntry+1\nloaded=1\n";
}

// Loads executable from folder in a child; its transcript (stdout and stderr) and exit status.
// prepare runs in the child first.
std::string LoadInChild(const std::string& folder, const std::string& executable, int* status,
                        void (*prepare)() = nullptr) {
  std::string output;
  *status = qvtest::RunInChild(
      [&] {
        if (chdir(folder.c_str()) != 0) _exit(90);
        if (prepare) prepare();
        new ReportingShutdownTask;
        qvtest::ReportCapture reports;  // a display would otherwise show each one and wait
        bool loaded = LoadApplicationImage(executable.c_str());
        PrintEntrySymbol();
        for (const qvtest::CapturedReport& report : reports.reports())
          std::printf("report %s: %s\n", report.condition.c_str(), report.extra.c_str());
        std::printf("loaded=%d\n", loaded ? 1 : 0);
        std::fflush(stdout);
        _exit(loaded ? 0 : 1);
      },
      &output);
  return output;
}

TEST(ImageLoad, BlockFilesRunTheEntryThenTheShutdownTasks) {
  int status = 0;
  std::string output = LoadInChild(LINKAPP_DIR, "/proc/self/exe", &status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_EQ(output, ExpectedTranscript());
}

TEST(ImageLoad, SectionOfTheExecutableRunsTheSameImage) {
  imagetest::TempFolder folder;  // holds no block files
  std::string exe = imagetest::ExecutableWithSection(
      folder, imagetest::SectionContent(imagetest::ReadBlockFiles(LINKAPP_DIR)));
  int status = 0;
  std::string output = LoadInChild(folder.path(), exe, &status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  EXPECT_EQ(output, ExpectedTranscript());
}

// The name comparison covers the NUL: ".qvx" is not the image, so the (absent) block files are.
TEST(ImageLoad, SectionNamedQvxIsNotTheImage) {
  imagetest::TempFolder folder;
  std::string exe = imagetest::ExecutableWithSection(
      folder, imagetest::SectionContent(imagetest::ReadBlockFiles(LINKAPP_DIR)), ".qvx");
  int status = 0;
  std::string output = LoadInChild(folder.path(), exe, &status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << output;
  EXPECT_NE(output.find("The application image has no code"), std::string::npos) << output;
  EXPECT_EQ(output.find("shutdown"), std::string::npos);
}

void ExpectRefused(const std::string& folder, const std::string& exe, const char* message) {
  int status = 0;
  std::string output = LoadInChild(folder, exe, &status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << output;
  EXPECT_NE(output.find(message), std::string::npos) << output;
  EXPECT_EQ(output.find("1=42"), std::string::npos) << "the entry ran: " << output;
}

TEST(ImageLoad, TruncatedSectionIsRefused) {
  imagetest::TempFolder folder;
  Bytes content = imagetest::SectionContent(imagetest::ReadBlockFiles(LINKAPP_DIR));
  std::string exe = imagetest::ExecutableWithSection(folder, content);
  // A download cut inside the section loses the section headers after it too.
  Bytes file = imagetest::ReadFile(exe);
  size_t at = std::search(file.begin(), file.end(), content.begin(), content.end()) - file.begin();
  ASSERT_LT(at, file.size());
  imagetest::WriteFile(exe, Bytes(file.begin(), file.begin() + at + content.size() / 2));
  ExpectRefused(folder.path(), exe, "The application image has no code");
}

// A section header whose size reaches past the end of the file.
TEST(ImageLoad, SectionPastTheFileIsRefused) {
  imagetest::TempFolder folder;
  Bytes content = imagetest::SectionContent(imagetest::ReadBlockFiles(LINKAPP_DIR));
  std::string exe = imagetest::ExecutableWithSection(folder, content);
  Bytes file = imagetest::ReadFile(exe);
  Elf32_Ehdr header;
  std::memcpy(&header, file.data(), sizeof(header));
  Elf32_Shdr names;
  std::memcpy(&names, file.data() + header.e_shoff + header.e_shstrndx * header.e_shentsize,
              sizeof(names));
  bool patched = false;
  for (uint32_t i = 0; i < header.e_shnum; ++i) {
    uint8_t* at = file.data() + header.e_shoff + i * header.e_shentsize;
    Elf32_Shdr section;
    std::memcpy(&section, at, sizeof(section));
    if (std::strcmp(reinterpret_cast<char*>(file.data() + names.sh_offset + section.sh_name), ".qv"))
      continue;
    section.sh_size = uint32_t(file.size());
    std::memcpy(at, &section, sizeof(section));
    patched = true;
  }
  ASSERT_TRUE(patched);
  imagetest::WriteFile(exe, file);
  ExpectRefused(folder.path(), exe, "runs past the end of the file");
}

// Each block's count made larger than what follows it in the section.
TEST(ImageLoad, BlockSizesBeyondTheSectionAreRefused) {
  std::vector<Bytes> blocks = imagetest::ReadBlockFiles(LINKAPP_DIR);
  for (size_t index = 0; index < blocks.size(); ++index) {
    Bytes content = imagetest::SectionContent(blocks);
    size_t countAt = 0;
    for (size_t i = 0; i < index; ++i) countAt += 4 + blocks[i].size();
    uint32_t huge = 0x7FFFFFF0;
    std::memcpy(content.data() + countAt, &huge, 4);
    imagetest::TempFolder folder;
    std::string exe = imagetest::ExecutableWithSection(folder, content);
    ExpectRefused(folder.path(), exe, "runs past the end of its section");
  }
}

TEST(ImageLoad, SectionCutBeforeABlockCountIsRefused) {
  Bytes content = imagetest::SectionContent(imagetest::ReadBlockFiles(LINKAPP_DIR));
  content.resize(content.size() - 2);  // the options count lost its last bytes
  imagetest::TempFolder folder;
  std::string exe = imagetest::ExecutableWithSection(folder, content);
  ExpectRefused(folder.path(), exe, "truncated before its options block");
}

// Block files whose import block ends inside a record, or whose chain leaves the code block.
TEST(ImageLoad, MalformedImportBlocksAreRefused) {
  std::vector<Bytes> blocks = imagetest::ReadBlockFiles(LINKAPP_DIR);
  const Bytes& import = blocks[2];
  ASSERT_GT(import.size(), 8u);
  imagetest::TempFolder folder;
  for (const char* name : {"code.dat", "data.dat", "symbols.dat"})
    imagetest::WriteFile(folder.File(name), imagetest::ReadFile(std::string(LINKAPP_DIR) + "/" + name));
  imagetest::WriteFile(folder.File("import.dat"), Bytes(import.begin(), import.end() - 3));
  ExpectRefused(folder.path(), "/proc/self/exe", "runs past the end of the import block");

  Bytes code = blocks[0];
  Bytes chainOut = import;
  ASSERT_EQ(chainOut[0], 1);  // a kind 1 record whose first site we move past the code's end
  uint32_t outside = uint32_t(code.size()) + 8;
  std::memcpy(chainOut.data() + 2, &outside, 4);
  imagetest::WriteFile(folder.File("import.dat"), chainOut);
  ExpectRefused(folder.path(), "/proc/self/exe", "lies outside the code block");
}

// As a hardened kernel would: mprotect asking for execute permission fails with EPERM.
void RefuseExecutableMemory() {
  constexpr uint32_t kArgProt = offsetof(seccomp_data, args) + 2 * sizeof(uint64_t);
  sock_filter program[] = {
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_I386, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
      BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_mprotect, 1, 0),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
      BPF_STMT(BPF_LD | BPF_W | BPF_ABS, kArgProt),
      BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, PROT_EXEC, 0, 1),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
      BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
  };
  sock_fprog filter = {static_cast<unsigned short>(std::size(program)), program};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0)
    _exit(91);
}

TEST(ImageLoad, RefusedExecutableMemoryIsReportedAndNothingRuns) {
  int status = 0;
  std::string output = LoadInChild(LINKAPP_DIR, "/proc/self/exe", &status, RefuseExecutableMemory);
  ASSERT_FALSE(WIFEXITED(status) && WEXITSTATUS(status) == 91) << "seccomp unavailable";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << output;
  EXPECT_NE(output.find("Loader failed to protect memory, error #1\n"), std::string::npos) << output;
  EXPECT_NE(output.find("report codeProtected"), std::string::npos) << output;
  EXPECT_EQ(output.find("1=42"), std::string::npos) << output;
}

}  // namespace
