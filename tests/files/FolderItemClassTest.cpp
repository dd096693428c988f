// The FolderItem class as compiled code calls it: the path kinds and their exceptions, invalid
// paths, navigation that keeps a subclass, links resolved or not, streams (appending makes a
// file only where none is), the properties beside stat(1), Permissions, SaveInfo strings, and
// the plug-ins' path buffer.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "FolderItemTestSupport.h"
#include "values/DateClass.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RuntimeClass.h"
#include "files/BinaryStream.h"
#include "files/FolderItemClass.h"
#include "files/PermissionsClass.h"
#include "files/SaveInfo.h"
#include "files/TextInputStream.h"
#include "files/TextOutputStream.h"
#include "support/RaisedExceptions.h"
#include "support/TempFolder.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;

// A language object the test holds, released at the end.
struct Held {
  RuntimeObject* object;
  explicit Held(RuntimeObject* made) : object(made) {}
  ~Held() { RuntimeUnlockObject(object); }
  Held(const Held&) = delete;
  operator RuntimeObject*() const { return object; }
  template <typename T>
  T* As() const { return reinterpret_cast<T*>(object); }
};

RuntimeObject* Get(const std::string& path, int32_t kind = kPathNative) {
  return RuntimeGetFolderItem(Text(path).Storage(), kind);
}

std::string PathOf(RuntimeObject* item) {
  return item ? Bytes(string::Adopt(fileAbsolutePathGetter(item, 0))) : "(nil)";
}

std::string Taken(stringStorage* text) { return Bytes(string::Adopt(text)); }

// A subclass of FolderItem, as compiled code makes one.
RuntimeClass* Subclass() {
  static RuntimeClass* cls = nullptr;
  if (cls) return cls;
  RuntimeClass* base = RuntimeClassForDefinition(FolderItemClassDefinition());
  cls = RuntimeNewClass(base, base->methodCount, base->interfaceCount, base->eventCount,
                        base->namedMethodCount, base->propertyCount);
  cls->className = string("MyItem").ExtractStringStorage();
  cls->instanceSize = base->instanceSize + 4;
  return cls;
}

TEST(FolderItemClass, PathKindsAndInvalidPaths) {
  qvtest::TempFolder temp("qvkinds");
  WriteFile(temp / "file", "");
  fs::create_symlink(temp / "file", temp / "link");
  qvtest::RaisedExceptions raised;
  EXPECT_EQ(PathOf(Held(Get(""))), GetApplicationPath(true));
  Held missing(Get(temp / "missing"));
  ASSERT_NE(missing.object, nullptr);
  EXPECT_EQ(fileExistsGetter(missing, 0), 0);
  EXPECT_EQ(PathOf(Held(Get(temp / "link"))), temp / "file");
  EXPECT_EQ(PathOf(Held(RuntimeGetTrueFolderItem(Text(temp / "link").Storage(), 0))),
            temp / "link");
  EXPECT_EQ(Get(std::string("/tmp/a\0b", 8)), nullptr);
  EXPECT_EQ(PathOf(Held(Get(temp / "file", kPathShell))), temp / "file");
  EXPECT_EQ(Get("relative", kPathShell), nullptr);
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: Passing non-absolute shell paths is not currently "
            "supported");
  EXPECT_EQ(PathOf(Held(Get("file://" + temp / "file", kPathURL))), temp / "file");
  EXPECT_EQ(Get("file:relative", kPathURL), nullptr);
  EXPECT_EQ(Get(temp / "file", 3), nullptr);
  const string info = On(temp / "file")->GetSaveInfo(nullptr, 0);
  EXPECT_EQ(PathOf(Held(RuntimeGetFolderItem(info.Storage(), kPathNative))), temp / "file");

  Held made(NewObjectFromDefinition(FolderItemClassDefinition()));
  FolderItemPathCtor(made, Text("relative").Storage(), kPathShell);
  EXPECT_EQ(raised.Take().size(), 1u);
  FolderItemPathCtor(made, Text(std::string("a\0", 2)).Storage(), kPathNative);
  EXPECT_EQ(raised.TakeOne(),
            "UnsupportedFormatException: The path passed into new FolderItem was invalid");
  FolderItemPathCtor(made, Text(temp / "file").Storage(), kPathNative);
  EXPECT_EQ(PathOf(made), temp / "file");
  FolderItemPathCtorNoParams(made);
  EXPECT_EQ(PathOf(made), GetApplicationPath(true));
  FolderItemCopyCtor(made, nullptr);
  EXPECT_EQ(raised.TakeOne(), "NilObjectException");
  EXPECT_EQ(raised.TakeOne(), "");

  // Below a folder without search permission a path is invalid, not missing.
  fs::create_directory(temp / "shut");
  WriteFile(temp / "shut/inside", "");
  chmod((temp / "shut").c_str(), 0700);
  chmod(temp.path().c_str(), 0755);
  const int status = qvtest::RunInChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    EXPECT_EQ(Get(temp / "shut/inside"), nullptr);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(FolderItemClass, NavigationKeepsTheSubclassAndChoosesLinks) {
  qvtest::TempFolder temp("qvnavigate");
  fs::create_directory(temp / "folder");
  WriteFile(temp / "folder/target", "");
  fs::create_symlink(temp / "folder/target", temp / "folder/zlink");
  Held item(RuntimeNewObject(Subclass()));
  FolderItemPathCtor(item, Text(temp / "folder").Storage(), kPathNative);
  ASSERT_EQ(fileCountGetter(item, 0), 2);
  Held parent(folderParentGetter(item, 0));
  Held child(FolderChild(item, Text("zlink").Storage()));
  Held trueChild(FolderTrueChild(item, Text("zlink").Storage()));
  EXPECT_EQ(PathOf(parent), temp.path() + "/");
  for (RuntimeObject* found : {parent.object, child.object, trueChild.object}) {
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(found->classPtr, Subclass());
  }
  EXPECT_EQ(fileAliasGetter(child, 0), 1);  // Child never resolves
  EXPECT_EQ(fileAliasGetter(trueChild, 0), 1);
  int links = 0, resolved = 0;
  for (int32_t i = 1; i <= 2; ++i) {
    Held entry(FolderItemItem(item, i));
    Held trueEntry(FolderItemTrueItem(item, i));
    EXPECT_EQ(entry.object->classPtr, Subclass());
    resolved += PathOf(entry) == temp / "folder/target";
    links += fileAliasGetter(trueEntry, 0);
  }
  EXPECT_EQ(resolved, 2);
  EXPECT_EQ(links, 1);
  EXPECT_EQ(FolderItemItem(item, 0), nullptr);
  EXPECT_EQ(FolderItemItem(item, 3), nullptr);
  EXPECT_EQ(FolderItemItem(item, INT32_MIN), nullptr);
}

TEST(FolderItemClass, StreamsAndAppendingOnlyWhereNoFileIs) {
  qvtest::TempFolder temp("qvstreams");
  Held item(Get(temp / "notes"));
  {
    Held out(FolderItemAppendTextFile(item));  // no file yet: made
    ASSERT_NE(out.object, nullptr);
    TextOutputStreamWriteLine(out.As<TextOutputStreamObject>(), string("first").Storage());
  }
  {
    Held out(FolderItemAppendTextFile(item));
    TextOutputStreamWriteLine(out.As<TextOutputStreamObject>(), string("second").Storage());
  }
  {
    Held in(FolderItemOpenTextFile(item));
    EXPECT_EQ(Taken(TextInputStreamReadAll(in.As<TextInputStreamObject>(), nullptr)),
              "first\nsecond\n");
  }
  {
    Held out(FolderItemCreateBinaryFile(item, string("data").Storage()));
    BinaryStreamWriteLong(out.As<BinaryStreamObject>(), 0x01020304);
  }
  EXPECT_EQ(ReadFile(temp / "notes"), "\x01\x02\x03\x04");
  EXPECT_EQ(FolderItemOpenTextFile(Held(Get(temp / "none"))), nullptr);
  EXPECT_EQ(FolderItemAppendTextFile(Held(Get(temp.path()))), nullptr);

  // A file that is there but cannot be opened is left as it is.
  WriteFile(temp / "write-only", "kept");
  chmod((temp / "write-only").c_str(), 0222);
  chmod(temp.path().c_str(), 0777);
  const int status = qvtest::RunInChild([&] {
    if (setgid(65534) != 0 || setuid(65534) != 0) _exit(90);
    Held writeOnly(Get(temp / "write-only"));
    EXPECT_EQ(FolderItemAppendTextFile(writeOnly), nullptr);
    EXPECT_EQ(FolderItemGetLastError(writeOnly, 0), EACCES);
    EXPECT_EQ(FolderItemCreateTextFile(Held(Get("/proc/version"))), nullptr);  // locked
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  EXPECT_EQ(ReadFile(temp / "write-only"), "kept");
}

// AppendToTextFile on a FIFO: with a reader there, what is written reaches it; without one, nil
// with ENXIO (no peer), never a stream into a pipe that no one reads.
TEST(FolderItemClass, AppendingToAFifoNeedsAReader) {
  qvtest::TempFolder temp("qvappendfifo");
  const std::string fifo = temp / "fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  Held item(Get(fifo));
  EXPECT_EQ(FolderItemAppendTextFile(item), nullptr);
  EXPECT_EQ(FolderItemGetLastError(item, 0), ENXIO);
  const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
  ASSERT_GE(reader, 0);
  {
    Held out(FolderItemAppendTextFile(item));
    ASSERT_NE(out.object, nullptr);
    TextOutputStreamWriteLine(out.As<TextOutputStreamObject>(), string("to the reader").Storage());
  }
  char bytes[64] = {};
  EXPECT_EQ(std::string(bytes, size_t(std::max<ssize_t>(read(reader, bytes, sizeof bytes), 0))),
            "to the reader\n");
  close(reader);
}

TEST(FolderItemClass, PropertiesBesideStat) {
  qvtest::TempFolder temp("qvprops");
  WriteFile(temp / "file", "12345");
  Held item(Get(temp / "file"));
  EXPECT_EQ(fileSizeGetter(item, 0), 5u);
  EXPECT_EQ(Taken(fileMacTypeGetter(item, 0)), "????");
  fileMacTypeSetter(item, 0, string("TEXT").Storage());
  EXPECT_EQ(Taken(fileMacTypeGetter(item, 0)), "????");
  EXPECT_EQ(folderFindFolder(item, 0x6465736B), nullptr);

  FolderItemSetPermissionsInteger(item, 0604);
  EXPECT_EQ(Output({"stat", "-c", "%a", temp / "file"}), "604");
  Held permissions(NewObjectFromDefinition(PermissionsClassDefinition()));
  EXPECT_EQ(PermissionsGetter(permissions, 0400), 0);
  PermissionsCtor(permissions, 0755);
  std::string bits;
  for (uint32_t mask : {04000u, 02000u, 01000u, 0400u, 0200u, 0100u, 040u, 020u, 010u, 04u, 02u,
                        01u}) {
    bits += PermissionsGetter(permissions, mask) ? '1' : '0';
  }
  EXPECT_EQ(bits, "000111101101");
  FolderItemSetPermissionsClass(item, permissions);
  EXPECT_EQ(Output({"stat", "-c", "%a", temp / "file"}), "755");
  PermissionsCtor(permissions, 0644);
  PermissionsSetter(permissions, 0200, 0);
  EXPECT_EQ(PermissionsMode(permissions), 0444);
  PermissionsSetter(permissions, 0200, 1);
  EXPECT_EQ(PermissionsMode(permissions), 0644);
  EXPECT_EQ(FolderItemGetPermissions(item), 0755);

  Held date(folderGetModified(item, 0));
  EXPECT_EQ(dateTotalSecondsGetter(date), FolderItemImpOf(item)->GetModificationDate());
  DateSetTotalSeconds(date, dateTotalSecondsGetter(date) - 86400);
  folderSetModified(item, 0, date);
  EXPECT_EQ(FolderItemImpOf(item)->GetModificationDate(), dateTotalSecondsGetter(date));

  fileNameSetter(item, 0, string("renamed").Storage());
  EXPECT_EQ(PathOf(item), temp / "renamed");
  fileVisibleSetter(item, 0, 0);
  EXPECT_EQ(PathOf(item), temp / ".renamed");
  FolderItemSetLastError(item, 0, 42);
  EXPECT_EQ(FolderItemGetLastError(item, 0), 42);

  string saveInfo = string::Adopt(FolderItemGetSaveInfo(item, nullptr, 0));
  EXPECT_EQ(saveInfo.Encoding(), kEncodingNone);
  EXPECT_TRUE(IsSaveInfo(saveInfo));

  qvtest::RaisedExceptions raised;
  Held empty(NewObjectFromDefinition(FolderItemClassDefinition()));
  FolderItemSetLastError(empty, 0, 1);
  FolderItemSetPermissionsClass(item, nullptr);
  EXPECT_EQ(FolderItemGetRelative(empty, saveInfo.Storage()), nullptr);
  FolderItemCopyFileTo(item, nullptr);
  EXPECT_EQ(raised.Take(), std::vector<std::string>(4, "NilObjectException"));
  qvtest::ReportCapture reports;
  EXPECT_EQ(FileShellPathGetter(nullptr, 0), nullptr);
  EXPECT_EQ(FileURLGetter(empty, 0), nullptr);
  fileNameSetter(empty, 0, string("x").Storage());
  ASSERT_EQ(reports.count(), 3u);
  EXPECT_EQ(reports.reports()[0].condition, "obj");
  EXPECT_EQ(reports.reports()[1].condition, "obj->mImp");
  EXPECT_EQ(reports.reports()[2].condition, "entry->mImp");
}

// Plug-ins get the path in their own buffer: up to 4,096 bytes with the NUL.
TEST(FolderItemClass, PathBufferOfPlugins) {
  const std::string longest = "/" + std::string(4094, 'p');
  char buffer[4096];
  Held fits(NewFolderItem(FolderItemImpUnix::FromBytes(longest)));
  EXPECT_EQ(FolderItemCopyPathToBuffer(buffer, fits), 1);
  EXPECT_EQ(std::string(buffer), longest);
  Held tooLong(NewFolderItem(FolderItemImpUnix::FromBytes(longest + "p")));
  EXPECT_EQ(FolderItemCopyPathToBuffer(buffer, tooLong), 0);
  EXPECT_EQ(std::string(buffer), "");
  EXPECT_EQ(FolderItemGetImp(fits), FolderItemImpOf(fits));
  EXPECT_EQ(Taken(QUORpathFromFolderItem(fits)), longest);
}

}  // namespace
