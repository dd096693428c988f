// Files on a disk whose reads and writes fail (the tests' fault injector, support/IOFaults.h):
// a change of a volume's folders whose writes fail part-way, at each of its writes in turn,
// answers the failure and leaves the volume as it was, in the same run and once opened again
// (or, when the process dies before the disk heals, as it was or as the change made it);
// reads that fail while a folder is listed reach the call and leave nothing behind; a volume
// whose first read or whose close fails says so; a copy into a volume whose source cannot be
// read says why.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <functional>
#include <memory>

#include "VolumeTestSupport.h"
#include "support/IOFaults.h"
#include "support/TempFolder.h"

namespace {

using namespace itemtest;
using namespace voltest;

// What the program can see of a folder: each item's name, kind, type, date (unless left out)
// and length, and the folders' items within.
std::string Listing(const FolderItemImp& folder, bool dates = true) {
  std::string text = std::to_string(folder.Count()) + "[";
  for (int32_t i = 0; i < folder.Count(); ++i) {
    Item item(folder.Item(i, 0));
    if (!item || !item->Exists()) {
      text += "(no item) ";
      continue;
    }
    text += Bytes(item->GetName()) + ":" + std::to_string(item->GetMacType()) + ":" +
            (dates ? std::to_string(item->GetModificationDate()) + ":" : "") +
            std::to_string(item->GetLength()) + (item->IsDirectory() ? Listing(*item, dates) : "") +
            " ";
  }
  return text + "]";
}

// 0 when the change was made, else the code it left on the item (-1 for none).
int32_t Told(const FolderItemImp& item, bool made) {
  return made ? 0 : item.lastError ? item.lastError : -1;
}

// A change; a file it opens is left in *opened, to be closed once the disk is sound again.
struct Change {
  const char* name;
  std::function<int32_t(FolderItemImp& root, std::unique_ptr<RandomAccessMechanism>* opened)>
      make;
};

// clang-format off
const Change kChanges[] = {
  {"CreateAsFolder", [](FolderItemImp& r, auto*) { Item f(r.Child("new", 0)); return Told(*f, f->CreateAsFolder()); }},
  {"CreateMechanism", [](FolderItemImp& r, auto* m) { Item f(r.Child("new", 0)); m->reset(f->CreateMechanism("text")); return Told(*f, *m != nullptr); }},
  {"Delete", [](FolderItemImp& r, auto*) { Item f(At(r, "file")); return Told(*f, f->Delete()); }},
  {"SetName", [](FolderItemImp& r, auto*) { Item f(At(r, "file")); return Told(*f, f->SetName("renamed")); }},
  {"SetMacType", [](FolderItemImp& r, auto*) { Item f(At(r, "file")); return Told(*f, f->SetMacType(0x54455854)); }},
  {"SetModificationDate", [](FolderItemImp& r, auto*) { Item f(At(r, "file")); return Told(*f, f->SetModificationDate(1e9)); }},
  {"MoveTo", [](FolderItemImp& r, auto*) { Item f(At(r, "file")); return Told(*f, f->MoveTo(At(r, "folder").get())); }},
};
// clang-format on

struct Failure {
  int error;
  int shortBytes;  // of the first failing write, that land
  int times;       // failing writes: the disk heals after them, or never (-1)
  bool dies = false;  // the process ends as the change answers, before the disk heals
};
const Failure kFailures[] = {{EIO, 1000, 2}, {EROFS, 0, -1}, {EIO, 1000, -1, true}};

// The change made in a child whose disk fails as given from write skip on; the child ends as the
// change answers, writing nothing more. True when the change was made.
bool MadeByADyingProcess(const Change& change, const std::string& path, const Failure& failure,
                         int skip) {
  const int status = qvtest::RunInChild([&] {
    qvtest::IOFaults faults;
    faults.Watch(path);
    Held volume(OpenVolume(path));
    if (!volume) _exit(2);
    Item root = Root(volume.get());
    faults.Fail(path, QV_FAULT_WRITE, skip, failure.times, failure.error, failure.shortBytes);
    std::unique_ptr<RandomAccessMechanism> opened;
    _exit(change.make(*root, &opened) == 0 ? 0 : 1);
  });
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) < 2) << "status " << status;
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Each change, with its first, second, ... write failing (landing in part, then failing; or
// refused, as on a file system turned read-only) until the change has no more writes. A
// process that dies before the disk heals leaves the volume as it was or as the change made it.
TEST(FailingDisk, AVolumeChangeThatFailsPartWayLeavesTheVolumeAsItWas) {
  qvtest::TempFolder temp("qvfailvol");
  const std::string path = temp / "v.vol";
  {
    Held volume(CreateVolume(path));
    ASSERT_TRUE(volume);
    Item root = Root(volume.get());
    for (const char* name : {"a", "b", "c"}) ASSERT_TRUE(At(*root, name)->CreateAsFolder());
    ASSERT_TRUE(WriteAll(*At(*root, "file"), std::string(3000, 'f')));
    ASSERT_TRUE(At(*root, "folder")->CreateAsFolder());
  }
  const std::string pristine = ReadFile(path);
  std::string before;
  {
    Held volume(OpenVolume(path));
    before = Listing(*Root(volume.get()));
  }
  qvtest::IOFaults faults;
  for (const Change& change : kChanges) {
    std::string after;
    {
      WriteFile(path, pristine);
      Held volume(OpenVolume(path));
      std::unique_ptr<RandomAccessMechanism> opened;
      ASSERT_EQ(change.make(*Root(volume.get()), &opened), 0) << change.name;
      if (opened) opened->Close();
      after = Listing(*Root(volume.get()), false);
    }
    for (const Failure& failure : kFailures) {
      bool made = false;
      for (int skip = 0; !made && skip < 40; ++skip) {
        SCOPED_TRACE(std::string(change.name) + ", error " + std::to_string(failure.error) +
                     ", writes before the failure " + std::to_string(skip) +
                     (failure.dies ? ", dying" : ""));
        WriteFile(path, pristine);
        faults.Clear();
        if (failure.dies) {
          made = MadeByADyingProcess(change, path, failure, skip);
          if (made) break;
          Held volume(OpenVolume(path));
          ASSERT_TRUE(volume) << "the volume no longer opens";
          const std::string now = Listing(*Root(volume.get()));
          EXPECT_TRUE(now == before || Listing(*Root(volume.get()), false) == after)
              << now << "\nneither\n" << before << "\nnor\n" << after;
          continue;
        }
        faults.Watch(path);
        Held volume(OpenVolume(path));
        ASSERT_TRUE(volume);
        Item root = Root(volume.get());
        std::unique_ptr<RandomAccessMechanism> opened;
        const int rule = faults.Fail(path, QV_FAULT_WRITE, skip, failure.times, failure.error,
                                     failure.shortBytes);
        const int32_t error = change.make(*root, &opened);
        made = error == 0;
        if (made) {
          EXPECT_EQ(faults.Fired(rule), 0) << "done though a write failed";
          faults.Clear();
          break;
        }
        EXPECT_EQ(error, failure.error);
        EXPECT_EQ(Listing(*root), before) << "in the same run";
        if (failure.times >= 0) {
          EXPECT_TRUE(ReadFile(path) == pristine) << "the disk healed: the file is as it was";
        }
        faults.Clear();
        root.reset();
        volume.reset();
        volume.reset(OpenVolume(path));
        ASSERT_TRUE(volume);
        EXPECT_EQ(Listing(*Root(volume.get())), before) << "opened again";
        EXPECT_EQ(change.make(*Root(volume.get()), &opened), 0)
            << "the volume takes the change again";
      }
      EXPECT_TRUE(made) << change.name << ": more than 40 writes";
    }
  }
}

// A volume read through a file bigger than what it keeps in memory, so that listing a folder
// made after it reads the volume file again, and reads that fail (one, or three in a row) at
// each read of a pass over the folder in turn: every answer is the true one or carries the
// read's error (5), no name is made a second time, and once the disk is sound the volume is as
// it was, in the same run and opened again.
TEST(FailingDisk, ReadsThatFailWhileAFolderIsListedReachTheCallAndLeaveNothingBehind) {
  qvtest::TempFolder temp("qvfailread");
  const std::string path = temp / "v.vol";
  const std::string big(5 << 20, 'b');
  {
    Held volume(CreateVolume(path));
    ASSERT_TRUE(volume);
    Item root = Root(volume.get());
    ASSERT_TRUE(WriteAll(*At(*root, "big"), big));
    ASSERT_TRUE(At(*root, "folder")->CreateAsFolder());
    ASSERT_TRUE(WriteAll(*At(*root, "folder/big2.txt"), "text"));
    ASSERT_TRUE(At(*root, "folder/x25")->CreateAsFolder());
  }
  const std::string pristine = ReadFile(path);
  std::string before;
  {
    Held volume(OpenVolume(path));
    before = Listing(*Root(volume.get()));
  }
  qvtest::IOFaults faults;
  for (const int times : {1, 3}) {
    bool whole = false;
    for (int skip = 0; !whole && skip < 40; ++skip) {
      SCOPED_TRACE(std::to_string(times) + " failing, reads before them " + std::to_string(skip));
      WriteFile(path, pristine);
      faults.Clear();
      faults.Watch(path);
      Held volume(OpenVolume(path));
      ASSERT_TRUE(volume);
      Item root = Root(volume.get());
      ASSERT_TRUE(ReadAll(*At(*root, "big")) == big);
      Item folder = At(*root, "folder");
      const int rule = faults.Fail(path, QV_FAULT_READ, skip, times);
      // Each answer is true or told.
      const int32_t count = folder->Count();
      EXPECT_TRUE(count == 2 || folder->lastError == EIO) << "Count " << count;
      for (int32_t i = 0; i < count; ++i) {
        Item item(folder->Item(i, 0));
        EXPECT_TRUE((item && !Bytes(item->GetName()).empty()) || folder->lastError == EIO) << i;
      }
      Item exists(folder->Child("big2.txt", 0));
      EXPECT_TRUE(exists->Exists() || exists->lastError == EIO) << "Exists";
      Item length(folder->Child("big2.txt", 0));
      EXPECT_TRUE(length->GetLength() == 4 || length->lastError == EIO) << "Length";
      EXPECT_FALSE(Item(folder->Child("x25", 0))->CreateAsFolder()) << "x25 made twice";
      std::unique_ptr<RandomAccessMechanism> made(
          Item(folder->Child("big2.txt", 0))->CreateMechanism("text"));
      EXPECT_EQ(made, nullptr) << "big2.txt made twice";
      whole = faults.Fired(rule) == 0;
      faults.Clear();
      EXPECT_EQ(Listing(*root), before) << "in the same run";
      root.reset();
      folder.reset();
      volume.reset(OpenVolume(path));
      ASSERT_TRUE(volume);
      EXPECT_EQ(Listing(*Root(volume.get())), before) << "opened again";
    }
    EXPECT_TRUE(whole) << "more than 40 reads";
  }
}

// A volume file whose reads fail is no volume, with the read's error (5), as a missing file
// answers 2: a program does not take it for a file of no volume (nil with no error) and make one
// over it; once the disk heals the volume opens. A close of the volume file that fails (as a
// network file system's write-back can) is told as unwritten changes are: through the runtime
// error report as the volume goes.
TEST(FailingDisk, AVolumeFileWhoseReadsOrCloseFailSaysSo) {
  qvtest::TempFolder temp("qvfailopen");
  const std::string path = temp / "v.vol";
  {
    Held made(CreateVolume(path));
    ASSERT_TRUE(made);
  }
  WriteFile(temp / "noise", "\x8f\x03 no volume at all");
  qvtest::IOFaults faults;
  faults.Watch(path);
  const int rule = faults.Fail(path, QV_FAULT_READ);
  const struct {
    std::string path;
    int32_t error;
  } kFiles[] = {{path, EIO}, {temp / "noise", 0}, {temp / "missing", ENOENT}};
  for (const auto& file : kFiles) {
    Held item(HostItem(file.path));
    EXPECT_EQ(FolderItemOpenAsVirtualVolume(item.get()), nullptr) << file.path;
    EXPECT_EQ(FolderItemGetLastError(item.get(), 0), file.error) << file.path;
  }
  EXPECT_GT(faults.Fired(rule), 0);
  faults.Clear();
  faults.Watch(path);
  Held volume(OpenVolume(path));
  ASSERT_TRUE(volume) << "the volume was lost to a passing fault";
  ASSERT_TRUE(WriteAll(*At(*Root(volume.get()), "a"), "a"));
  const int closing = faults.Fail(path, QV_FAULT_CLOSE, 0, 1);
  qvtest::ReportCapture reports;
  volume.reset();
  EXPECT_EQ(faults.Fired(closing), 1);
  EXPECT_TRUE(reports.HasCondition("a virtual volume's file could not be closed"));
}

// A host file copied or moved into a volume, one read of it failing: nothing is made in the
// volume, a move leaves the source whole, and the source's LastErrorCode says why.
TEST(FailingDisk, ACopyIntoAVolumeWhoseSourceCannotBeReadSaysWhy) {
  qvtest::TempFolder temp("qvfailcopy");
  const std::string source = temp / "source.dat", bytes(600 << 10, 's');
  WriteFile(source, bytes);
  Held volume(CreateVolume(temp / "v.vol"));
  ASSERT_TRUE(volume);
  Held folder(NewFolderItem(Root(volume.get()).release()));
  qvtest::IOFaults faults;
  for (auto copy : {FolderItemCopyFileTo, FolderItemMoveFileTo}) {
    faults.Clear();
    const int rule = faults.Fail(source, QV_FAULT_READ, 1, 1);
    Held item(HostItem(source));
    copy(item.get(), folder.get());
    EXPECT_EQ(faults.Fired(rule), 1);
    EXPECT_EQ(FolderItemGetLastError(item.get(), 0), EIO);
    EXPECT_EQ(Listing(*Root(volume.get())), "0[]");
    EXPECT_TRUE(ReadFile(source) == bytes);
  }
}

}  // namespace
