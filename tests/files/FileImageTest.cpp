// The packed file application (tests/images/files): a text file written and read back through
// GetFolderItem, CreateTextFile and OpenAsTextFile, Parent and Child, and a FolderItem subclass
// made by compiled code that survives navigation; everything it made is released.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

#include "FolderItemTestSupport.h"
#include "app/ImageEntry.h"
#include "core/Export.h"
#include "strings/TextEncodingObjects.h"
#include "support/TempFolder.h"

namespace {
std::string gFolder;
}  // namespace

extern "C" stringStorage* FileTestFolder() {
  return itemtest::Text(gFolder).ExtractStringStorage();
}
QV_EXPORT(FileTestFolder)

extern "C" void FileTestRecord(stringStorage* text) {
  std::printf("[%s]\n", stringStorage::CString(text));
}
QV_EXPORT(FileTestRecord)

extern "C" void FileTestRecordNumber(int32_t number) { std::printf("%d\n", number); }
QV_EXPORT(FileTestRecordNumber)

namespace {

// Runs the packed application in folder in a child: what it printed, then whether it ran and
// how many objects it left alive.
std::string RunImage(const char* folder) {
  std::string output;
  const int status = qvtest::RunInChild(
      [folder] {
        if (chdir(folder) != 0) _exit(90);
        // The TextEncoding objects that streams label their text with are kept once made.
        RuntimeUnlockObject(
            reinterpret_cast<RuntimeObject*>(GetTextEncodingObject(kEncodingUTF8)));
        const int32_t before = LiveObjectCount();
        const bool ran = RunApplicationImage("/proc/self/exe");
        std::printf("ran=%d live=%d\n", ran ? 1 : 0, LiveObjectCount() - before);
        std::fflush(stdout);
        _exit(0);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
  return output;
}

TEST(FileImage, CompiledCodeWritesReadsAndNavigates) {
  qvtest::TempFolder temp("qvfileapp");
  gFolder = temp.path();
  const std::string output = RunImage(FILEAPP_DIR);
  EXPECT_EQ(output, "0\n1\n[written by the image]\n[" + temp.path() + "/]\n[notes.txt]\n1\n" +
                        "ran=1 live=0\n");
  EXPECT_EQ(itemtest::ReadFile(temp / "notes.txt"), "written by the image\n");
}

TEST(FileImage, CompiledCodeKeepsATextInAVirtualVolume) {
  qvtest::TempFolder temp("qvvolapp");
  gFolder = temp.path();
  EXPECT_EQ(RunImage(VOLAPP_DIR), "[/notes/Today.txt]\n[kept in a volume]\nran=1 live=0\n");
  EXPECT_TRUE(itemtest::PathExists(temp / "texts.vol"));
}

}  // namespace
