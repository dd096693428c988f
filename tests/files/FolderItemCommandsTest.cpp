// Copying, moving, marking executable and launching with real cp, mv and programs: hostile names
// reach them intact and nothing else runs; failures keep a defined code; launched programs and
// the browser get their arguments word for word and leave no zombie. Shell paths read back
// through /bin/sh; picture formats detected, and the unsupported ones raised.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "FolderItemTestSupport.h"
#include "app/ShellCommand.h"
#include "app/URLLauncher.h"
#include "support/RaisedExceptions.h"
#include "support/SmallDisk.h"
#include "support/TempFolder.h"
#include "support/Watchdog.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;

const char* const kHostileNames[] = {"$(touch pwned)", "semi;colon", "it's", "line\nbreak",
                                     "-leading", "a \"quoted\" (name) & more", "back\\slash"};

// Waits up to five seconds (times the slow-run factor) for path to appear.
bool AppearsSoon(const std::string& path) {
  for (int i = 0; i < qvtest::TimeLimit(500); ++i) {
    if (PathExists(path)) return true;
    usleep(10 * 1000);
  }
  return false;
}

// An executable script that writes each of its arguments ($0 first) on a line of record.
void WriteRecorder(const std::string& path, const std::string& record) {
  WriteFile(path, "#!/bin/sh\nprintf '%s\\n' \"$0\" \"$@\" > '" + record + ".part'\n/bin/mv '" +
                      record + ".part' '" + record + "'\n");
  chmod(path.c_str(), 0755);
}

bool NoChildLeft() {
  errno = 0;
  return waitpid(-1, nullptr, WNOHANG) == -1 && errno == ECHILD;
}

TEST(FolderItemCommands, HostileNamesReachCopyMoveAndChmodIntact) {
  qvtest::TempFolder temp("qvhostile");
  fs::create_directories(temp / "from");
  fs::create_directories(temp / "copies");
  fs::create_directories(temp / "moved");
  for (const char* name : kHostileNames) {
    WriteFile(temp / "from/" + name, name);
    Item source = On(temp / "from/" + name);
    Item copies = On(temp / "copies");
    EXPECT_TRUE(source->CopyTo(copies.get())) << name;
    EXPECT_EQ(ReadFile(temp / "copies/" + name), name);
    Item target = On(temp / "moved/" + name);
    EXPECT_TRUE(source->MoveTo(target.get())) << name;
    EXPECT_EQ(ReadFile(temp / "moved/" + name), name);
    EXPECT_FALSE(PathExists(temp / "from/" + name));
    EXPECT_EQ(PathOf(source.get()), temp / "from/" + name);  // names where the file was
    chmod((temp / "moved/" + name).c_str(), 0600);
    target->MakeExecutable();
    EXPECT_EQ(target->GetPermissions() & 0100, 0100) << name;
  }
  EXPECT_FALSE(PathExists(temp / "pwned"));
  EXPECT_FALSE(PathExists("pwned"));
  EXPECT_FALSE(PathExists(GetApplicationPath(true) + "pwned"));
}

// chmod +x adds the execute bits the umask lets new files have.
TEST(FolderItemCommands, MakeExecutableFollowsTheUmask) {
  qvtest::TempFolder temp("qvchmod");
  WriteFile(temp / "tool", "");
  chmod((temp / "tool").c_str(), 0640);
  const mode_t saved = umask(027);
  On(temp / "tool")->MakeExecutable();
  umask(saved);
  EXPECT_EQ(Output({"stat", "-c", "%a", temp / "tool"}), "750");
  Item missing = On(temp / "none");
  missing->MakeExecutable();
  EXPECT_EQ(missing->lastError, ENOENT);
}

TEST(FolderItemCommands, CopyAndMoveFailuresKeepADefinedCode) {
  qvtest::TempFolder temp("qvfail");
  WriteFile(temp / "file", "data");
  fs::create_directories(temp / "folder/inner");
  Item file = On(temp / "file");
  // Onto itself, directly or through its own folder: nothing happens, nothing is lost.
  EXPECT_TRUE(file->CopyTo(file.get()));
  EXPECT_TRUE(file->CopyTo(On(temp.path()).get()));
  EXPECT_TRUE(file->MoveTo(On(temp.path()).get()));
  EXPECT_EQ(ReadFile(temp / "file"), "data");

  Item missing = On(temp / "missing");
  EXPECT_FALSE(missing->CopyTo(On(temp / "copy").get()));
  EXPECT_EQ(missing->lastError, ENOENT);
  Item folder = On(temp / "folder");
  EXPECT_FALSE(folder->CopyTo(On(temp / "folder-copy").get()));  // plain cp takes no folder
  EXPECT_EQ(folder->lastError, EIO);
  EXPECT_TRUE(folder->MoveTo(On(temp / "folder-moved").get()));
  EXPECT_TRUE(fs::is_directory(temp / "folder-moved/inner"));

  fs::create_directory(temp / "closed");
  chmod((temp / "closed").c_str(), 0555);
  chmod(temp.path().c_str(), 0755);
  chmod((temp / "file").c_str(), 0644);
  const int status = qvtest::RunInChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    Item source = On(temp / "file");
    EXPECT_FALSE(source->CopyTo(On(temp / "closed/copy").get()));
    EXPECT_EQ(source->lastError, EACCES);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// A copy over a file on a disk without room for it fails with ENOSPC and leaves the file as it
// was, with nothing beside it; with room the file is replaced whole and keeps its mode. A link
// goes on leading to the copy, and every name of a file of several hard links sees it.
TEST(FolderItemCommands, ACopyOverAFileReplacesItWholeOrLeavesIt) {
  qvtest::SmallDisk disk(2 << 20);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  const std::string big(600 << 10, 'n'), old(200 << 10, 'o');
  WriteFile(disk / "big", big);
  WriteFile(disk / "old", old);
  chmod((disk / "old").c_str(), 0640);
  ASSERT_TRUE(disk.LeaveRoom(124 << 10));
  Item source = On(disk / "big");
  EXPECT_FALSE(source->CopyTo(On(disk / "old").get()));
  EXPECT_EQ(source->lastError, ENOSPC);
  EXPECT_TRUE(ReadFile(disk / "old") == old) << ReadFile(disk / "old").size() << " bytes";
  EXPECT_EQ(std::distance(fs::directory_iterator(disk.path()), fs::directory_iterator()), 3);
  disk.MakeRoom();
  EXPECT_TRUE(source->CopyTo(On(disk / "old").get()));
  EXPECT_TRUE(ReadFile(disk / "old") == big) << ReadFile(disk / "old").size() << " bytes";
  struct stat info;
  ASSERT_EQ(stat((disk / "old").c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0640u);
  WriteFile(disk / "small", "small");
  ASSERT_EQ(symlink("old", (disk / "link").c_str()), 0);
  EXPECT_TRUE(On(disk / "small")->CopyTo(On(disk / "link").get()));
  EXPECT_TRUE(fs::is_symlink(disk / "link"));
  EXPECT_EQ(ReadFile(disk / "old"), "small");
  ASSERT_EQ(link((disk / "old").c_str(), (disk / "twin").c_str()), 0);
  WriteFile(disk / "again", "again");
  EXPECT_TRUE(On(disk / "again")->CopyTo(On(disk / "twin").get()));
  EXPECT_EQ(ReadFile(disk / "old"), "again");
}

// A move onto a full disk from another one, or a copy made in place (onto a file of two names),
// that fails for want of room says so, as the copy beside the file does; the source stays.
TEST(FolderItemCommands, MovesAndCopiesInPlaceOntoAFullDiskSayNoRoom) {
  qvtest::SmallDisk disk(2 << 20);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  qvtest::TempFolder other("qvmove");
  const std::string big(600 << 10, 'm');
  WriteFile(other / "big", big);
  WriteFile(disk / "old", "old");
  ASSERT_EQ(link((disk / "old").c_str(), (disk / "twin").c_str()), 0);
  ASSERT_TRUE(disk.LeaveRoom(124 << 10));
  Item source = On(other / "big");
  EXPECT_FALSE(source->MoveTo(On(disk / "moved").get()));
  EXPECT_EQ(source->lastError, ENOSPC);
  EXPECT_TRUE(ReadFile(other / "big") == big);
  EXPECT_FALSE(source->CopyTo(On(disk / "twin").get()));
  EXPECT_EQ(source->lastError, ENOSPC);
}

// A copy never waits for a peer nor runs without end: from a FIFO or a device, or onto a FIFO
// (named, or of the same name in the folder copied into), it fails at once with ENOTSUP and
// writes nothing. An alarm fails a hang.
TEST(FolderItemCommands, CopiesFromOrOntoFifosAndDevicesFailAtOnce) {
  qvtest::TempFolder temp("qvfifo");
  ASSERT_EQ(mkfifo((temp / "fifo").c_str(), 0600), 0);
  fs::create_directory(temp / "into");
  ASSERT_EQ(mkfifo((temp / "into/file").c_str(), 0600), 0);
  WriteFile(temp / "file", "data");
  const int status = qvtest::RunInChild([&] {
    alarm(qvtest::TimeLimit(10));
    for (const std::string& source : {temp / "fifo", std::string("/dev/zero")}) {
      Item special = On(source);
      EXPECT_FALSE(special->CopyTo(On(temp / "copy").get())) << source;
      EXPECT_EQ(special->lastError, ENOTSUP) << source;
      EXPECT_FALSE(PathExists(temp / "copy")) << source;
    }
    Item file = On(temp / "file");
    for (const std::string& target : {temp / "fifo", temp / "into"}) {
      EXPECT_FALSE(file->CopyTo(On(target).get())) << target;
      EXPECT_EQ(file->lastError, ENOTSUP) << target;
    }
    EXPECT_TRUE(file->CopyTo(On(temp / "copy").get()));
    EXPECT_EQ(ReadFile(temp / "copy"), "data");
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

// A program runs detached with the parameters as one argument; a document or folder goes to the
// URL launcher as one argument, the path and the parameters: to the BROWSER program, else to a
// browser on PATH; nothing is left to reap.
TEST(FolderItemCommands, LaunchRunsProgramsAndOpensDocuments) {
  qvtest::TempFolder temp("qvlaunch");
  for (const char* name : {"$(touch pwned)", "it's;run"}) {
    const std::string program = temp / name;
    const std::string record = temp / "program-record";
    fs::remove(record);
    WriteRecorder(program, record);
    EXPECT_TRUE(On(program)->Launch("one arg; $(touch pwned)", true)) << name;
    ASSERT_TRUE(AppearsSoon(record)) << name;
    EXPECT_EQ(ReadFile(record), program + "\none arg; $(touch pwned)\n");
  }
  const std::string browser = temp / "browser";
  const std::string record = temp / "browser-record";
  WriteRecorder(browser, record);
  WriteFile(temp / "document name.txt", "text");
  fs::create_directory(temp / "a folder");
  const int status = qvtest::RunInChild([&] {
    ForgetURLLauncherValuesForTesting();
    setenv("BROWSER", browser.c_str(), 1);
    EXPECT_TRUE(On(temp / "document name.txt")->Launch("p q", true));
    EXPECT_TRUE(AppearsSoon(record));
    EXPECT_EQ(ReadFile(record), browser + "\n" + temp / "document name.txt p q\n");
    fs::remove(record);
    EXPECT_TRUE(On(temp / "a folder")->Launch("", true));
    EXPECT_TRUE(AppearsSoon(record));
    EXPECT_EQ(ReadFile(record), browser + "\n" + temp / "a folder/\n");
    // BROWSER is read once: a bare name, read afresh, is passed over for the browser search.
    ForgetURLLauncherValuesForTesting();
    setenv("BROWSER", "browser-without-a-path", 1);
    fs::create_directory(temp / "path");
    setenv("PATH", (temp / "path").c_str(), 1);
    const size_t browsers = ListedShellChildren().size();
    EXPECT_TRUE(On(temp / "document name.txt")->Launch("", true));  // no browser anywhere
    EXPECT_EQ(ListedShellChildren().size(), browsers);
    WriteRecorder(temp / "path/galeon", record);
    fs::remove(record);
    EXPECT_TRUE(On(temp / "document name.txt")->Launch("", true));
    EXPECT_TRUE(AppearsSoon(record));
    EXPECT_EQ(ReadFile(record), temp / "path/galeon\n" + temp / "document name.txt\n");
    // The browsers are the shell runner's children, reaped by its task.
    for (int i = 0; i < qvtest::TimeLimit(500) && !ListedShellChildren().empty(); ++i) {
      ReapShellChildren();
      usleep(10 * 1000);
    }
    EXPECT_TRUE(NoChildLeft());
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);

  Item missing = On(temp / "missing");
  EXPECT_FALSE(missing->Launch("", true));
  EXPECT_EQ(missing->lastError, ENOENT);
  WriteFile(temp / "broken", "#!/nonexistent/interpreter\n");
  chmod((temp / "broken").c_str(), 0755);
  Item broken = On(temp / "broken");
  EXPECT_FALSE(broken->Launch("", true));
  EXPECT_EQ(broken->lastError, ENOENT);
  EXPECT_TRUE(NoChildLeft());
  EXPECT_FALSE(PathExists(temp / "pwned"));
}

// What ShellPath gives, /bin/sh reads back as the very bytes of the path.
TEST(FolderItemCommands, ShellPathsReadBackThroughTheShell) {
  std::string all;
  for (const char* name : kHostileNames) all += name;
  all += "\t*?[x]~#!|<>`=%{,}^";
  for (const std::string& text : {all, std::string("/plain/path-1.2_3")}) {
    const std::string escaped = Bytes(ShellEscape(Text(text)));
    EXPECT_EQ(qvtest::ProgramOutput({"/bin/sh", "-c", "printf %s " + escaped}), text) << escaped;
  }
  EXPECT_EQ(Bytes(ShellEscape("/plain/path-1.2_3")), "/plain/path-1.2_3");
}

TEST(FolderItemCommands, PictureFormatsDetectedAndUnsupportedOnesRaised) {
  qvtest::TempFolder temp("qvpicture");
  WriteFile(temp / "bitmap", "BM and the rest");
  WriteFile(temp / "other", "GIF89a");
  const struct {
    const char* name;
    int32_t format;
  } kCases[] = {{"a.PNG", 150}, {"b.jpeg", 151}, {"c.Jpg", 151}, {"d.tiff", 403}, {"e.tif", 403},
                {"f.Pict", 200}, {"g.pct", 200}, {"h.xpm", 400}, {"i.XBM", 401}, {"j.gif", 402},
                {"bitmap", 350}, {"other", 0}, {"absent", 0}};
  for (const auto& known : kCases) {
    EXPECT_EQ(DetectPictureFormat(*On(temp / known.name)), known.format) << known.name;
  }
  qvtest::RaisedExceptions raised;
  Item bitmap = On(temp / "bitmap");
  EXPECT_EQ(bitmap->OpenAsPicture(1), nullptr);
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: OpenAsPicture doesn't support format 1 in Linux");
  EXPECT_EQ(bitmap->OpenAsPicture(0), nullptr);
  EXPECT_FALSE(bitmap->SaveAsPicture(nullptr, 7));
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: SaveAsPicture doesn't support format 7 in Linux.");
  EXPECT_FALSE(bitmap->SaveAsPicture(nullptr, 350));
  EXPECT_EQ(raised.TakeOne(), "");
}

}  // namespace
