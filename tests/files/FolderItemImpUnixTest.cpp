// Folder items of the host file system against the host's own answers: stat(1), ls -A and
// Python's os and datetime; the path model, renaming that never replaces, links as items of
// their own, dates across daylight saving, 64-bit lengths, and write access as the host grants
// it (a child at uid 65534, since the tests run as root).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>

#include "FolderItemTestSupport.h"
#include "support/ChildLimits.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;

constexpr uint64_t kFiveGiB = 5ull << 30;

// The lines of text, as a set.
std::set<std::string> Lines(const std::string& text) {
  std::set<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    lines.insert(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

TEST(FolderItemImpUnix, PathsNamesParentsAndChildren) {
  qvtest::TempFolder temp("qvitem");
  fs::create_directory(temp / "dir");
  WriteFile(temp / "file", "x");
  EXPECT_EQ(PathOf(On(temp / "dir").get()), temp / "dir/");
  EXPECT_EQ(PathOf(On(temp / "missing").get()), temp / "missing");
  FolderItemImpUnix::PathStatus status;
  FolderItemImpUnix missing(Text(temp / "missing"), &status);
  EXPECT_FALSE(status.statFailed);
  // Relative paths, and the empty one, lie below the application folder.
  const std::string application = GetApplicationPath(true);
  ASSERT_EQ(application.back(), '/');
  EXPECT_EQ(PathOf(Item(new FolderItemImpUnix("sub/x")).get()), application + "sub/x");
  EXPECT_EQ(PathOf(Item(new FolderItemImpUnix("")).get()), application);

  EXPECT_EQ(Bytes(On("/")->GetName()), "/");
  EXPECT_EQ(Bytes(On("/tmp/")->GetName()), "tmp");
  EXPECT_EQ(On("/")->GetParent(), nullptr);
  EXPECT_EQ(PathOf(Item(On(temp / "file")->GetParent()).get()), temp.path() + "/");
  EXPECT_EQ(PathOf(Item(On(temp / "dir")->Child("..", 0)).get()), temp.path() + "/");
  EXPECT_EQ(PathOf(Item(On(temp / "dir")->Child(".", 0)).get()), temp / "dir/");
  EXPECT_EQ(On(temp / "file")->Child("x", 0), nullptr);
  EXPECT_EQ(On(temp / "missing")->Child("x", 0), nullptr);
  EXPECT_EQ(On(temp.path())->Child(Text(std::string("a\0b", 3)), 0), nullptr);
  // A folder made after its item was: the child still lies inside it.
  Item later = On(temp / "later");
  fs::create_directory(temp / "later");
  EXPECT_EQ(PathOf(Item(later->Child("x", 0)).get()), temp / "later/x");

  // Names from disk are ASCII while every byte is, else UTF-8.
  EXPECT_EQ(On(temp / "file")->GetName().Encoding(), kEncodingASCII);
  EXPECT_EQ(On(temp / "caf\xC3\xA9")->GetName().Encoding(), kEncodingUTF8);
}

TEST(FolderItemImpUnix, ListingAgreesWithLs) {
  qvtest::TempFolder temp("qvlist");
  for (const char* name : {"a", "..b", ".hidden", "caf\xC3\xA9", "with blank"}) {
    WriteFile(temp / name, "");
  }
  fs::create_directory(temp / "folder");
  Item folder = On(temp.path());
  const std::set<std::string> listed = Lines(Output({"ls", "-A", temp.path()}));
  ASSERT_EQ(folder->Count(), int32_t(listed.size()));
  std::set<std::string> names;
  for (int32_t i = 0; i < folder->Count(); ++i) {
    Item entry(folder->Item(i, 0));
    ASSERT_NE(entry, nullptr) << i;
    names.insert(Bytes(entry->GetName()));
  }
  EXPECT_EQ(names, listed);
  EXPECT_EQ(folder->Item(folder->Count(), 0), nullptr);
  EXPECT_EQ(folder->Item(-1, 0), nullptr);
  EXPECT_EQ(On(temp / "a")->Count(), 0);
}

// Every path Item gives for the folder, and the paths the host lists (a folder's with its "/").
std::set<std::string> Walked(const FolderItemImp& folder) {
  std::set<std::string> paths;
  for (int32_t i = 0; i < folder.Count(); ++i) paths.insert(PathOf(Item(folder.Item(i, 0)).get()));
  return paths;
}
std::set<std::string> Listed(const std::string& folder) {
  std::set<std::string> paths;
  for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
    paths.insert(entry.path().string() + (entry.is_directory() ? "/" : ""));
  }
  return paths;
}

// Sets the folder's modification time (seconds since the epoch; UTIME_NOW for now).
void Touch(const std::string& folder, time_t seconds, long nanoseconds = 0) {
  const timespec times[2] = {{0, UTIME_OMIT}, {seconds, nanoseconds}};
  ASSERT_EQ(utimensat(AT_FDCWD, folder.c_str(), times, 0), 0);
}

// The listing an item keeps for its walks follows every change of the folder: entries added,
// removed, renamed, a file replaced by a folder of the same name, and a change that kept the
// folder's time because it came in the same tick as the one before.
TEST(FolderItemImpUnix, AKeptListingFollowsEveryChangeOfTheFolder) {
  qvtest::TempFolder temp("qvkept");
  for (const char* name : {"a", "b", "c"}) WriteFile(temp / name, "");
  fs::create_directory(temp / "d");
  const time_t settled = time(nullptr) - 3600;  // a folder left alone for an hour
  Touch(temp.path(), settled);
  Item folder = On(temp.path());
  ASSERT_EQ(Walked(*folder), Listed(temp.path()));
  ASSERT_EQ(Walked(*folder), Listed(temp.path()));  // from the kept listing
  const std::vector<std::function<void()>> changes = {
      [&] { WriteFile(temp / "e", ""); },
      [&] { fs::remove(temp / "b"), fs::create_directory(temp / "b"); },
      [&] { fs::rename(temp / "c", temp / "c2"); },
      [&] { fs::remove(temp / "a"); },
  };
  for (size_t k = 0; k < changes.size(); ++k) {
    changes[k]();
    Touch(temp.path(), settled + time_t(k) + 1);  // a later change, settled again
    EXPECT_EQ(Walked(*folder), Listed(temp.path())) << k;
    EXPECT_EQ(Walked(*folder), Listed(temp.path())) << k;
  }
  EXPECT_EQ(PathOf(Item(On(temp / "b")).get()), temp / "b/");
  // A change in the tick of the folder's last one leaves its time as it was.
  Touch(temp.path(), 0, UTIME_NOW);
  struct stat before;
  ASSERT_EQ(stat(temp.path().c_str(), &before), 0);
  EXPECT_EQ(Walked(*folder), Listed(temp.path()));
  WriteFile(temp / "f", "");
  Touch(temp.path(), before.st_mtim.tv_sec, before.st_mtim.tv_nsec);
  EXPECT_EQ(Walked(*folder), Listed(temp.path()));
  EXPECT_TRUE(Walked(*folder).count(temp / "f"));
}

TEST(FolderItemImpUnix, MetadataAgreesWithStatAndPython) {
  qvtest::TempFolder temp("qvmeta");
  const std::string file = temp / "data file";
  WriteFile(file, std::string(12345, 'z'));
  ASSERT_EQ(chmod(file.c_str(), 0640), 0);
  Item item = On(file);
  char octal[16];
  std::snprintf(octal, sizeof octal, "%o", unsigned(item->GetPermissions()));
  const std::string expected = Output({"stat", "-c", "%a %U %G %s", file});
  EXPECT_EQ(std::string(octal) + " " + Bytes(item->GetOwner()) + " " + Bytes(item->GetGroup()) +
                " " + std::to_string(item->GetLength()),
            expected);
  const std::string pythonDate =
      "int((datetime.datetime.fromtimestamp(int(os.stat(sys.argv[1]).st_mtime)) - "
      "datetime.datetime(1904, 1, 1)).total_seconds())";
  EXPECT_EQ(std::to_string(int64_t(item->GetModificationDate())), Python(pythonDate, {file}));
  EXPECT_TRUE(item->Exists());
  EXPECT_FALSE(item->IsDirectory());
  EXPECT_FALSE(item->IsAlias());
  EXPECT_TRUE(item->IsReadable());

  Item gone = On(temp / "gone");
  EXPECT_FALSE(gone->Exists());
  EXPECT_EQ(gone->lastError, ENOENT);
  EXPECT_EQ(gone->GetLength(), 0u);
  EXPECT_EQ(gone->GetModificationDate(), 0.0);
  EXPECT_EQ(gone->GetPermissions(), 0);
  EXPECT_EQ(Bytes(gone->GetOwner()), "");
}

// As root: the owner and group change by name, also on a path with blanks and quotes; a name
// the system does not know changes nothing.
TEST(FolderItemImpUnix, OwnerAndGroupByName) {
  qvtest::TempFolder temp("qvowner");
  const std::string file = temp / "it's \"owned\"";
  WriteFile(file, "");
  Item item = On(file);
  EXPECT_TRUE(item->SetOwner("nobody"));
  EXPECT_TRUE(item->SetGroup("nogroup"));
  EXPECT_EQ(Output({"stat", "-c", "%U %G", file}), "nobody nogroup");
  EXPECT_EQ(Bytes(item->GetOwner()) + " " + Bytes(item->GetGroup()), "nobody nogroup");
  EXPECT_FALSE(item->SetOwner("qv-no-such-user"));
  EXPECT_FALSE(item->SetGroup("qv-no-such-group"));
  EXPECT_EQ(Output({"stat", "-c", "%U %G", file}), "nobody nogroup");
  EXPECT_FALSE(On(temp / "missing")->SetOwner("nobody"));
}

// Lengths are 64-bit both ways: a 5 GiB file is not cut to 1 GiB.
TEST(FolderItemImpUnix, LengthsBeyondFourGigabytes) {
  qvtest::TempFolder temp("qvlength");
  Item item = On(temp / "sparse");
  WriteFile(temp / "sparse", "abc");
  ASSERT_TRUE(item->SetLength(kFiveGiB));
  EXPECT_EQ(Output({"stat", "-c", "%s", temp / "sparse"}), std::to_string(kFiveGiB));
  EXPECT_EQ(item->GetLength(), kFiveGiB);
  ASSERT_TRUE(item->SetLength(5));
  EXPECT_EQ(ReadFile(temp / "sparse"), std::string("abc\0\0", 5));
  EXPECT_FALSE(On(temp / "none")->SetLength(1));
  EXPECT_FALSE(item->SetLength(~0ull));
}

TEST(FolderItemImpUnix, RenamingNeverReplacesAnotherItem) {
  qvtest::TempFolder temp("qvrename");
  WriteFile(temp / "first", "one");
  WriteFile(temp / "second", "two");
  Item first = On(temp / "first");
  EXPECT_FALSE(first->SetName("second"));
  EXPECT_EQ(first->lastError, EEXIST);
  EXPECT_EQ(ReadFile(temp / "first") + ReadFile(temp / "second"), "onetwo");
  for (const char* bad : {"", ".", "..", "a/b"}) {
    first->SetLastError(0);
    EXPECT_FALSE(first->SetName(bad)) << bad;
    EXPECT_EQ(first->lastError, EINVAL) << bad;
  }
  EXPECT_TRUE(first->SetName("third"));
  EXPECT_EQ(PathOf(first.get()), temp / "third");
  EXPECT_EQ(ReadFile(temp / "third"), "one");
  EXPECT_FALSE(PathExists(temp / "first"));
  // A folder, and a missing item, which only points elsewhere.
  fs::create_directory(temp / "dir");
  Item folder = On(temp / "dir");
  EXPECT_TRUE(folder->SetName("renamed"));
  EXPECT_TRUE(fs::is_directory(temp / "renamed"));
  Item nothing = On(temp / "nothing");
  EXPECT_TRUE(nothing->SetName("still nothing"));
  EXPECT_EQ(PathOf(nothing.get()), temp / "still nothing");
  // Hiding and showing rename in place.
  Item third = On(temp / "third");
  EXPECT_TRUE(third->IsVisible());
  EXPECT_TRUE(third->SetVisible(false));
  EXPECT_EQ(PathOf(third.get()), temp / ".third");
  EXPECT_FALSE(third->IsVisible());
  EXPECT_TRUE(third->SetVisible(true));
  EXPECT_EQ(ReadFile(temp / "third"), "one");
}

// A date written reads back to the second in any zone, in winter and summer alike, and is the
// instant Python gives for that local time.
TEST(FolderItemImpUnix, DatesReadBackAcrossDaylightSaving) {
  qvtest::TempFolder temp("qvdates");
  WriteFile(temp / "dated", "");
  Item item = On(temp / "dated");
  const char* saved = std::getenv("TZ");
  const std::string savedZone = saved ? saved : "";
  // Per zone, for a winter and a summer moment: seconds since 1904 of that local time, and the
  // instant it is.
  const std::string moments =
      "' '.join('%d %d' % ((d - datetime.datetime(1904, 1, 1)).total_seconds(), d.timestamp()) "
      "for d in (datetime.datetime(2021, 1, 15, 12, 34, 56), "
      "datetime.datetime(2021, 7, 15, 23, 59, 58)))";
  for (const char* zone : {"America/New_York", "Europe/Berlin", "Australia/Lord_Howe", "UTC"}) {
    setenv("TZ", zone, 1);
    tzset();
    std::istringstream expected(Python(moments));
    for (int moment = 0; moment < 2; ++moment) {
      std::string seconds, instant;
      expected >> seconds >> instant;
      ASSERT_FALSE(instant.empty()) << zone;
      ASSERT_TRUE(item->SetModificationDate(std::stod(seconds))) << zone;
      EXPECT_EQ(std::to_string(int64_t(item->GetModificationDate())), seconds) << zone;
      EXPECT_EQ(Output({"stat", "-c", "%Y", temp / "dated"}), instant) << zone;
    }
  }
  if (saved) {
    setenv("TZ", savedZone.c_str(), 1);
  } else {
    unsetenv("TZ");
  }
  tzset();
  EXPECT_FALSE(On(temp / "none")->SetModificationDate(0));
}

// Links are items of their own: asked about, renamed and deleted as links, resolved on request
// (a relative link against its own folder), never walked into by DeleteTree.
TEST(FolderItemImpUnix, LinksAreItemsOfTheirOwn) {
  qvtest::TempFolder temp("qvlinks");
  fs::create_directories(temp / "outside/inner");
  WriteFile(temp / "outside/inner/kept", "kept");
  fs::create_directories(temp / "tree/sub");
  WriteFile(temp / "tree/sub/file", "f");
  fs::create_directory_symlink(temp / "outside", temp / "tree/to-outside");
  fs::create_symlink("sub/file", temp / "tree/relative");
  fs::create_symlink(temp / "tree/loop-b", temp / "tree/loop-a");
  fs::create_symlink(temp / "tree/loop-a", temp / "tree/loop-b");

  Item toFolder = On(temp / "tree/to-outside");
  EXPECT_TRUE(toFolder->IsAlias());
  EXPECT_TRUE(toFolder->IsDirectory());
  EXPECT_EQ(PathOf(Item(toFolder->ResolveAlias(kFolderItemResolveLinks)).get()),
            temp / "outside/");
  EXPECT_EQ(PathOf(Item(On(temp / "tree/relative")->ResolveAlias(64)).get()),
            temp / "tree/sub/file");
  Item loop = On(temp / "tree/loop-a");
  EXPECT_EQ(loop->ResolveAlias(64), nullptr);
  EXPECT_EQ(loop->lastError, ELOOP);
  EXPECT_EQ(On(temp / "tree/sub/file")->ResolveAlias(64), nullptr);

  // Item resolves only when asked.
  Item tree = On(temp / "tree");
  std::set<std::string> plain, resolved;
  for (int32_t i = 0; i < tree->Count(); ++i) {
    plain.insert(PathOf(Item(tree->Item(i, 0)).get()));
    resolved.insert(PathOf(Item(tree->Item(i, 64)).get()));
  }
  EXPECT_TRUE(plain.count(temp / "tree/relative"));
  EXPECT_TRUE(resolved.count(temp / "tree/sub/file"));
  EXPECT_TRUE(resolved.count(temp / "outside/"));

  EXPECT_FALSE(On(temp / "tree/sub/file")->DeleteTree());
  EXPECT_TRUE(PathExists(temp / "tree/sub/file"));
  EXPECT_FALSE(toFolder->DeleteTree());
  EXPECT_TRUE(tree->DeleteTree());
  EXPECT_FALSE(PathExists(temp / "tree"));
  EXPECT_EQ(ReadFile(temp / "outside/inner/kept"), "kept");
}

// Write access is the host's answer, for the item or, when it is missing, for its folder; no
// probe file is written. A refused folder on the way makes a path fail its stat.
TEST(FolderItemImpUnix, AccessIsAskedOfTheHost) {
  qvtest::TempFolder temp("qvaccess");
  fs::create_directory(temp / "closed");
  fs::create_directory(temp / "hidden");
  WriteFile(temp / "hidden/inside", "");
  WriteFile(temp / "secret", "");
  WriteFile(temp / "open", "");
  ASSERT_EQ(chmod((temp / "closed").c_str(), 0555), 0);
  ASSERT_EQ(chmod((temp / "hidden").c_str(), 0600), 0);
  ASSERT_EQ(chmod((temp / "secret").c_str(), 0), 0);
  ASSERT_EQ(chmod((temp / "open").c_str(), 0666), 0);
  ASSERT_EQ(chmod(temp.path().c_str(), 0777), 0);
  const int status = qvtest::RunInChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    Item inClosed = On(temp / "closed/new");
    EXPECT_FALSE(inClosed->IsWriteable());
    EXPECT_EQ(inClosed->lastError, EACCES);
    EXPECT_TRUE(inClosed->IsLocked());
    EXPECT_FALSE(On(temp / "closed/")->IsWriteable());
    EXPECT_TRUE(On(temp / "new")->IsWriteable());
    EXPECT_TRUE(On(temp / "open")->IsWriteable());
    EXPECT_FALSE(On(temp / "secret")->IsWriteable());
    EXPECT_FALSE(On(temp / "secret")->IsReadable());
    FolderItemImpUnix::PathStatus status;
    FolderItemImpUnix below(Text(temp / "hidden/inside"), &status);
    EXPECT_TRUE(status.statFailed);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(Output({"ls", "-A", temp / "closed"}), "");
  EXPECT_EQ(Output({"ls", "-A", temp.path()}), "closed\nhidden\nopen\nsecret");
}

// A folder that cannot be listed says why: Count 0 and Item nil with EACCES, for a folder that
// may only be searched (0311) and one closed to all (000). DeleteTree of such a folder that is
// not empty fails with EACCES too, and deletes nothing. A successful listing afterwards keeps
// the error, as every success does.
TEST(FolderItemImpUnix, FoldersThatCannotBeListedSayWhy) {
  qvtest::TempFolder temp("qvunlisted");
  for (const char* name : {"search", "closed", "open"}) {
    fs::create_directory(temp / name);
    WriteFile(temp / name + "/inside", "");
  }
  ASSERT_EQ(chmod((temp / "search").c_str(), 0311), 0);
  ASSERT_EQ(chmod((temp / "closed").c_str(), 0), 0);
  ASSERT_EQ(chmod(temp.path().c_str(), 0711), 0);
  const int status = qvtest::RunUnprivileged([&] {
    for (const char* name : {"search", "closed"}) {
      Item folder = On(temp / name);
      EXPECT_EQ(folder->Count(), 0) << name;
      EXPECT_EQ(folder->lastError, EACCES) << name;
      folder->SetLastError(0);
      EXPECT_EQ(Item(folder->Item(0, 0)), nullptr) << name;
      EXPECT_EQ(folder->lastError, EACCES) << name;
      folder->SetLastError(0);
      EXPECT_FALSE(folder->DeleteTree()) << name;
      EXPECT_EQ(folder->lastError, EACCES) << name;
    }
    Item listed = On(temp / "open");
    listed->SetLastError(EACCES);
    EXPECT_EQ(listed->Count(), 1);
    EXPECT_EQ(listed->lastError, EACCES);
  });
  if (status == qvtest::kNoUnprivilegedUser) GTEST_SKIP() << "no unprivileged user to run as";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(PathExists(temp / "search/inside"));
  chmod((temp / "search").c_str(), 0700);
  chmod((temp / "closed").c_str(), 0700);
}

TEST(FolderItemImpUnix, SpecialFolderCodes) {
  Item root = On("/");
  EXPECT_EQ(PathOf(Item(root->GetSpecialFolder(1001)).get()), "/tmp/");
  EXPECT_EQ(PathOf(Item(root->GetSpecialFolder(1036)).get()), "/usr/bin/");
  EXPECT_EQ(root->GetSpecialFolder(1002), nullptr);
  EXPECT_EQ(root->GetSpecialFolder(1046), nullptr);
  EXPECT_EQ(PathOf(Item(root->GetSpecialFolder(1047)).get()), fs::current_path().string() + "/");
  const int status = qvtest::RunInChild([] {
    qvtest::TempFolder home("qvhome");
    setenv("HOME", home.path().c_str(), 1);
    EXPECT_EQ(PathOf(Item(On("/")->GetSpecialFolder(1041)).get()), home.path() + "/");
    unsetenv("HOME");
    EXPECT_EQ(On("/")->GetSpecialFolder(1041), nullptr);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

// An item's URL decodes, through Python's urllib, back to its path; a URL's path is the one it
// names, with the root's slash.
TEST(FolderItemImpUnix, URLsBothWays) {
  qvtest::TempFolder temp("qvurl");
  EXPECT_EQ(Bytes(On("/")->GetURLPath()), "file:///");
  std::vector<std::string> urls, paths;
  for (const char* name : {"plain", "a blank", "100%", "caf\xC3\xA9", "semi;colon#hash?"}) {
    WriteFile(temp / name, "");
    urls.push_back(Bytes(On(temp / name)->GetURLPath()));
    paths.push_back(temp / name);
  }
  const std::string decoded =
      Python("'\\n'.join(urllib.parse.unquote(u[7:]) for u in sys.argv[1:])", urls);
  std::string expected;
  for (const std::string& path : paths) expected += (expected.empty() ? "" : "\n") + path;
  EXPECT_EQ(decoded, expected);
  fs::create_directory(temp / "dir");
  const string folderURL = On(temp / "dir")->GetURLPath();
  EXPECT_EQ(Bytes(folderURL).back(), '/');
  EXPECT_EQ(folderURL.Encoding(), kEncodingUTF8);

  EXPECT_EQ(PathOf(Item(FolderItemImpUnix::FromURL("FILE:///tmp/a%20b")).get()), "/tmp/a b");
  EXPECT_EQ(PathOf(Item(FolderItemImpUnix::FromURL("file:///")).get()), "/");
  EXPECT_EQ(FolderItemImpUnix::FromURL("file://tmp/a"), nullptr);
  EXPECT_EQ(FolderItemImpUnix::FromURL("http://example.com/"), nullptr);
  EXPECT_EQ(FolderItemImpUnix::FromURL("file:///tmp/a%00b"), nullptr);
}

TEST(FolderItemImpUnix, MakingOpeningAndDeleting) {
  qvtest::TempFolder temp("qvmake");
  Item folder = On(temp / "made");
  EXPECT_TRUE(folder->CreateAsFolder());
  EXPECT_EQ(PathOf(folder.get()), temp / "made/");
  EXPECT_FALSE(folder->CreateAsFolder());
  EXPECT_EQ(folder->lastError, EEXIST);
  EXPECT_EQ(folder->OpenAsMechanism(true, false), nullptr);
  EXPECT_EQ(folder->lastError, EISDIR);
  Item orphan = On(temp / "no/such/file");
  EXPECT_EQ(orphan->CreateMechanism(""), nullptr);
  EXPECT_EQ(orphan->lastError, ENOENT);
  WriteFile(temp / "made/x", "");
  EXPECT_FALSE(folder->Delete());
  EXPECT_EQ(folder->lastError, ENOTEMPTY);
  EXPECT_TRUE(On(temp / "made/x")->Delete());
  EXPECT_TRUE(folder->Delete());
  EXPECT_FALSE(PathExists(temp / "made"));
}

}  // namespace
