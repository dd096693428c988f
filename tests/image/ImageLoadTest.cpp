// Loading whole images in child processes: a packed application in a ".qv" section and as
// block files, then damaged images, each of which must end in a report and a refusal.
#include <gtest/gtest.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "app/ImageEntry.h"
#include "app/ApplicationQuit.h"
#include "app/MainLoop.h"
#include "app/ShutdownTasks.h"
#include "core/Exceptions.h"
#include "core/Export.h"
#include "image/ApplicationImage.h"
#include "image/ImageSymbols.h"
#include "ImageTestFiles.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"
#include "support/Watchdog.h"

// What the test application reports, one line each, on standard output.
extern "C" void LoaderTestRecord(int32_t key, int32_t value) { std::printf("%d=%d\n", key, value); }
QV_EXPORT(LoaderTestRecord)
extern "C" void LoaderTestRecordDouble(int32_t key, double v) { std::printf("%d=%.17g\n", key, v); }
QV_EXPORT(LoaderTestRecordDouble)
extern "C" void LoaderTestRecordString(int32_t key, const uint32_t* record) {
  // The data area starts with the length byte; the text follows it.
  const char* text = reinterpret_cast<const char*>(uintptr_t(record[1])) + 1;
  std::printf("%d=%.*s\n", key, int(record[3]), text);
}
QV_EXPORT(LoaderTestRecordString)

namespace {

using qvtest::Bytes;
using qvtest::PutWord;
using qvtest::ReadFile;
using qvtest::SectionContent;
using qvtest::WriteFile;

// The block files of the packed test application.
std::vector<Bytes> Blocks() { return qvtest::ReadBlockFiles(LINKAPP_DIR); }

// Where block index's bytes start in section content (each block behind its u32 size).
size_t BlockStart(const Bytes& content, int index) {
  size_t at = 0;
  for (int block = 0; block < index; ++block) {
    uint32_t size;
    std::memcpy(&size, &content[at], 4);
    at += 4 + size;
  }
  return at + 4;
}

// Where the string record of the linked application's constant text starts.
size_t ConstantTextRecord(const Bytes& content) {
  const std::string text = "constant text";
  auto found = std::search(content.begin() + long(BlockStart(content, 1)), content.end(),
                           text.begin(), text.end());
  return size_t(found - content.begin()) - 1 - 20;  // behind the length byte and the header
}

struct ShutdownReporter : runShutdownTask {
  ~ShutdownReporter() override { std::printf("shutdown after quit=%d\n", MainLoopQuitRequested()); }
};

// Loads executable from folder in a child (after prepare); its transcript, standard output and
// error together.
std::string LoadInChild(const std::string& folder, const std::string& executable,
                        void (*prepare)() = nullptr) {
  std::string output;
  qvtest::RunInChild(
      [&] {
        if (chdir(folder.c_str()) != 0) _exit(90);
        if (prepare) prepare();
        new ShutdownReporter;
        SetUnhandledExceptionHook(UnhandledExceptionHook);  // as main does: Quit ends the image
        qvtest::ReportCapture reports;  // a display would otherwise show each one and wait
        const bool loaded = RunApplicationImage(executable.c_str());
        // The last code byte, as a stack trace would name it: the entry's, the last function.
        string name;
        uint32_t offset = 0;
        const uint32_t last = uint32_t(uintptr_t(GetImageCodeBase()) + Blocks()[0].size() - 1);
        if (GetImageCodeBase() && LookupImageSymbol(last, &name, &offset))
          std::printf("symbol=%s\n", name.CString());
        for (const qvtest::CapturedReport& report : reports.reports())
          std::printf("report %s: %s\n", report.condition.c_str(), report.extra.c_str());
        std::printf("loaded=%d\n", loaded);
      },
      &output);
  return output;
}

class ImageLoad : public ::testing::Test {
 protected:
  std::string WithSection(const Bytes& content, const std::string& name = ".qv") {
    return qvtest::WithSection(mFolder.path(), content, name);
  }
  qvtest::TempFolder mFolder{"qvloader"};  // holds no block files
};

// What the linked application reports when it runs whole.
std::string RunTranscript() {
  char cosine[32];
  std::snprintf(cosine, sizeof cosine, "%.17g", std::cos(0.5));
  const std::string tail = "\n5=constant text\nshutdown after quit=1\nsymbol=QVEntry\nloaded=1\n";
  return std::string("1=42\n2=141\n3=42\n4=") + cosine + tail;
}

TEST_F(ImageLoad, BlockFilesAndTheSectionRunTheEntryThenTheShutdownTasks) {
  const std::string expected = RunTranscript();
  EXPECT_EQ(LoadInChild(LINKAPP_DIR, "/proc/self/exe"), expected);
  EXPECT_EQ(LoadInChild(mFolder.path(), WithSection(SectionContent(Blocks()))), expected);
}

// The length of the import record at at: kind 1 (kind, mode, site, counted name), kind 4
// (kind, site, two counted names), kinds 2, 3 and 5 (kind, site).
size_t ImportRecordLength(const Bytes& block, size_t at) {
  switch (block[at]) {
    case 1:
      return 7 + block[at + 6];
    case 4:
      return 6 + block[at + 5] + 1 + block[at + 6 + block[at + 5]];
    default:
      return 5;
  }
}

// What the format allows links and runs: a kind-0 record before the others and a kind the
// format does not define after each are one byte each, and a framework import of mode 2 is
// absolute, as mode 0 is.
TEST_F(ImageLoad, NothingRecordsUnknownKindsAndOtherModesLinkAndRun) {
  std::vector<Bytes> blocks = Blocks();
  const Bytes& import = blocks[2];
  Bytes rewritten{0};
  int absolute = 0;
  uint8_t unknown = 6;
  for (size_t at = 0; at < import.size(); unknown = uint8_t(unknown * 7 + 13)) {
    const size_t length = ImportRecordLength(import, at);
    ASSERT_LE(at + length, import.size());
    const size_t start = rewritten.size();
    rewritten.insert(rewritten.end(), import.begin() + long(at), import.begin() + long(at + length));
    if (rewritten[start] == 1 && rewritten[start + 1] == 0) {
      rewritten[start + 1] = 2;
      ++absolute;
    }
    rewritten.push_back(unknown > 5 ? unknown : 0xFF);
    at += length;
  }
  EXPECT_EQ(absolute, 1) << "the function whose address the application takes";
  blocks[2] = rewritten;
  EXPECT_EQ(LoadInChild(mFolder.path(), WithSection(SectionContent(blocks))), RunTranscript());
}

// As a hardened kernel would: mprotect asking for execute permission fails with EPERM.
void RefuseExecutableMemory() {
  const uint32_t protection = offsetof(seccomp_data, args) + 2 * sizeof(uint64_t);
  sock_filter program[] = {BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                           BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_mprotect, 0, 3),
                           BPF_STMT(BPF_LD | BPF_W | BPF_ABS, protection),
                           BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, PROT_EXEC, 0, 1),
                           BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | EPERM),
                           BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW)};
  sock_fprog filter = {static_cast<unsigned short>(std::size(program)), program};
  if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
      prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &filter) != 0)
    std::printf("seccomp unavailable\n");
}

// Damage to the section's sizes (the first, a code block one byte longer than what follows) or
// to the file around the section (content starting at at, size bytes long), a section of
// another name, and code memory that cannot be made executable. The import block's refusals
// are the linker's tests.
TEST_F(ImageLoad, DamagedImagesAreReportedAndRefused) {
  const struct {
    const char* message;
    void (*content)(Bytes&) = nullptr;
    void (*file)(Bytes&, size_t at, uint32_t size) = nullptr;
    const char* section = ".qv";
    void (*prepare)() = nullptr;
    const char* whole = nullptr;  // the whole transcript, where it is known
  } cases[] = {
      {"truncated before its options block", [](Bytes& c) { c.resize(c.size() - 2); }},
      {"runs past the end of its section", [](Bytes& c) { PutWord(c, 0, uint32_t(c.size() - 3)); }},
      {"runs past the end of its section",
       [](Bytes& c) { std::memset(&c[4 + c[0] + 256 * c[1]], 0x7F, 4); }},
      // A download cut inside the section loses the section headers too.
      {"The application image has no code", nullptr,
       [](Bytes& f, size_t at, uint32_t size) { f.resize(at + size / 2); }},
      {"runs past the end of the file", nullptr,
       [](Bytes& f, size_t at, uint32_t size) {
         const uint32_t where[2] = {uint32_t(at), size};  // sh_offset, sh_size
         const uint8_t* pattern = reinterpret_cast<const uint8_t*>(where);
         auto header = std::search(f.begin(), f.end(), pattern, pattern + 8);
         if (header != f.end()) PutWord(f, size_t(header - f.begin()) + 4, uint32_t(f.size()));
       }},
      // Damage found when the image loads, before anything of it runs.
      {"symbols block is shorter than its count",
       [](Bytes& c) { PutWord(c, BlockStart(c, 3), 0x10000); }},
      {"has a data pointer of its own", [](Bytes& c) { c[ConstantTextRecord(c) + 4] = 0x40; }},
      {"runs past the end of the data block",
       [](Bytes& c) { PutWord(c, ConstantTextRecord(c) + 12, 0x0100000C); }},
      // The name comparison covers the NUL: ".qvx" is not the image, so the (absent) block
      // files are.
      {.message = "The application image has no code", .section = ".qvx"},
      // Reported once, through the report alone.
      {.message = "report codeProtected: The image's code block cannot be made executable",
       .prepare = RefuseExecutableMemory,
       .whole = "report codeProtected: The image's code block cannot be made executable "
                "(error #1)\nloaded=0\n"},
      // A FIFO would block open() for ever: only regular files are read. No section, so the
      // block files are tried.
      {.message = "Image block file code.dat is no regular file", .section = ".qvx",
       .prepare = [] {
         alarm(qvtest::TimeLimit(20));  // a hang ends the child instead of the suite
         if (mkfifo("code.dat", 0600) != 0) std::printf("mkfifo failed\n");
       }},
  };
  for (const auto& c : cases) {
    Bytes content = SectionContent(Blocks());
    const uint32_t size = uint32_t(content.size());
    if (c.content) c.content(content);
    const std::string exe = WithSection(content, c.section);
    if (c.file) {
      Bytes file = ReadFile(exe);
      const auto at = std::search(file.begin(), file.end(), content.begin(), content.end());
      c.file(file, size_t(at - file.begin()), size);
      WriteFile(exe, file);
    }
    const std::string output = LoadInChild(mFolder.path(), exe, c.prepare);
    // An emulator refuses seccomp filters: the memory is then as executable as ever.
    if (c.prepare == RefuseExecutableMemory &&
        output.rfind("seccomp unavailable", 0) == 0) {
      std::printf("not run: %s (no seccomp filter here)\n", c.message);
      continue;
    }
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    EXPECT_NE(output.find("loaded=0"), std::string::npos) << output;
    EXPECT_EQ(output.find("1=42"), std::string::npos) << output;
    if (c.whole) {
      EXPECT_EQ(output, c.whole);
    }
  }
}

}  // namespace
