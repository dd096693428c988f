// Files on a disk whose reads and writes fail (the tests' fault injector, support/IOFaults.h):
// a change of a volume's folders whose writes fail part-way, at each of its writes in turn,
// answers the failure and leaves the volume as it was, in the same run and once opened again;
// a copy into a volume whose source cannot be read says why.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <memory>

#include "VolumeTestSupport.h"
#include "support/IOFaults.h"
#include "support/TempFolder.h"

namespace {

using namespace itemtest;
using namespace voltest;

// What the program can see of a folder: each item's name, kind, type, date and length, and
// the folders' items within.
std::string Listing(const FolderItemImp& folder) {
  std::string text = std::to_string(folder.Count()) + "[";
  for (int32_t i = 0; i < folder.Count(); ++i) {
    Item item(folder.Item(i, 0));
    if (!item || !item->Exists()) {
      text += "(no item) ";
      continue;
    }
    text += Bytes(item->GetName()) + ":" + std::to_string(item->GetMacType()) + ":" +
            std::to_string(item->GetModificationDate()) + ":" +
            std::to_string(item->GetLength()) + (item->IsDirectory() ? Listing(*item) : "") + " ";
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
};
const Failure kFailures[] = {{EIO, 1000, 2}, {EROFS, 0, -1}};

// Each change, with its first, second, ... write failing (landing in part, then failing; or
// refused, as on a file system turned read-only) until the change has no more writes.
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
    for (const Failure& failure : kFailures) {
      bool made = false;
      for (int skip = 0; !made && skip < 40; ++skip) {
        SCOPED_TRACE(std::string(change.name) + ", error " + std::to_string(failure.error) +
                     ", writes before the failure " + std::to_string(skip));
        WriteFile(path, pristine);
        faults.Clear();
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
