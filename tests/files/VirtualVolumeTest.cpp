// Virtual volumes through their folder items: the directory rules (names as stored, no two
// entries of one name, no folder moved into itself, no open file deleted), round trips of a
// host tree checked with diff -r, big-endian typed values read by Python's struct, and files
// that survive a reopening without Flush and a writer killed with SIGKILL.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <random>

#include "VolumeTestSupport.h"
#include "files/BinaryStream.h"
#include "files/TextInputStream.h"
#include "files/VHFSVolume.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace {

namespace fs = std::filesystem;
using namespace itemtest;
using namespace voltest;

TEST(VirtualVolume, DirectoryRules) {
  qvtest::TempFolder temp("qvvol");
  Held volume(CreateVolume(temp / "v.vol"));
  ASSERT_TRUE(volume);
  Item root = Root(volume.get());
  ASSERT_TRUE(root && root->IsDirectory() && root->IsVirtual());
  EXPECT_EQ(root->Count(), 0);
  EXPECT_EQ(root->GetParent(), nullptr);
  EXPECT_EQ(root->GetMacDirID(), 2);
  Held rootObject(VirtVolRootGetter(volume.get(), 0));
  Held itsVolume(folderVirtVolGetter(rootObject.get(), 0));
  EXPECT_EQ(itsVolume.get(), volume.get());

  // A child names a place whether or not something is there; lookups ignore case.
  Item a(root->Child("a", 0));
  EXPECT_FALSE(a->Exists());
  ASSERT_TRUE(WriteAll(*a, "0123456789"));
  EXPECT_EQ(root->Count(), 1);
  VItemInfo info;
  ASSERT_TRUE(VirtualVolumeLayer(volume.get())->GetInfo(VHFSVolume::kRootNumber, &info));
  EXPECT_EQ(info.length, 8.0);
  EXPECT_EQ(a->GetLength(), 10u);
  EXPECT_EQ(ReadAll(*Item(root->Child("A", 0))), "0123456789");
  EXPECT_EQ(Item(root->Child("A", 0))->CreateMechanism(""), nullptr);
  EXPECT_EQ(Bytes(Item(a->GetParent())->GetPath()), "");
  EXPECT_EQ(Bytes(a->GetPath()), "/a");

  // Names: 300 bytes of two-byte characters keep at most 223 bytes that still decode; a NUL or
  // an empty name is refused.
  std::string longName;
  while (longName.size() < 300) longName += "\xC3\xA9";
  Item named(root->Child(Text(longName), 0));
  ASSERT_TRUE(named->CreateAsFolder());
  const std::string kept = Bytes(Item(root->Item(1, 0))->GetName());
  EXPECT_LE(kept.size(), 223u);
  EXPECT_EQ(kept, longName.substr(0, 222));
  EXPECT_EQ(Python("len(sys.argv[1].encode('utf-8', 'surrogateescape').decode('utf-8'))", {kept}),
            "111");
  EXPECT_TRUE(Item(root->Child(Text(longName), 0))->Exists());
  EXPECT_FALSE(Item(root->Child(Text(std::string("n\0ul", 4)), 0))->CreateAsFolder());
  EXPECT_FALSE(Item(root->Child("", 0))->CreateAsFolder());

  // Renames and moves never leave two entries of one name.
  Item b(root->Child("b", 0));
  ASSERT_TRUE(WriteAll(*b, "bee"));
  EXPECT_FALSE(b->SetName("A"));
  EXPECT_TRUE(b->SetName("B2"));
  EXPECT_TRUE(Item(root->Child("b2", 0))->Exists());
  Item folder(root->Child("folder", 0));
  ASSERT_TRUE(folder->CreateAsFolder());
  Item inner(folder->Child("inner", 0));
  ASSERT_TRUE(inner->CreateAsFolder());
  ASSERT_TRUE(WriteAll(*Item(inner->Child("a", 0)), "inner a"));
  EXPECT_FALSE(Item(inner->Child("a", 0))->MoveTo(root.get()));  // root has an "a"
  EXPECT_FALSE(folder->MoveTo(inner.get()));
  EXPECT_TRUE(folder->MoveTo(folder.get()));  // onto itself: nothing to do
  EXPECT_FALSE(Item(folder->Child("folder", 0))->Exists());
  EXPECT_EQ(ReadAll(*At(*root, "folder/inner/a")), "inner a");
  EXPECT_EQ(Bytes(At(*root, "folder/inner/a")->GetPath()), "/folder/inner/a");
  ASSERT_TRUE(Item(root->Child("B2", 0))->MoveTo(inner.get()));
  EXPECT_EQ(ReadAll(*At(*root, "folder/inner/B2")), "bee");
  EXPECT_FALSE(Item(root->Child("B2", 0))->Exists());

  // Deleting: never the root, a folder only when empty, never a file held open.
  EXPECT_FALSE(root->Delete());
  EXPECT_FALSE(folder->Delete());
  std::unique_ptr<RandomAccessMechanism> open(a->OpenAsMechanism(true, false));
  ASSERT_NE(open, nullptr);
  EXPECT_FALSE(a->Delete());
  EXPECT_EQ(ReadAll(*a), "0123456789");
  open->Close();
  EXPECT_TRUE(a->Delete());
  EXPECT_FALSE(a->Exists());
  EXPECT_TRUE(folder->DeleteTree());
  EXPECT_EQ(Names(*root), std::vector<std::string>{kept});
}

// The root takes a name of its own, kept in the volume; a move under a new name asks every
// question before it changes anything; the same path in two volumes is two items.
TEST(VirtualVolume, RootNamesMovesUnderNewNamesAndTwoVolumes) {
  qvtest::TempFolder temp("qvvolmove");
  {
    Held volume(CreateVolume(temp / "v.vol"));
    Item root = Root(volume.get());
    ASSERT_TRUE(root->SetName("Disk"));
    EXPECT_FALSE(root->SetName(""));
    ASSERT_TRUE(WriteAll(*Item(root->Child("a", 0)), "root a"));
    EXPECT_EQ(Bytes(At(*root, "a")->GetPath()), "Disk/a");
    ASSERT_TRUE(Item(root->Child(Text(std::string(300, 'n')), 0))->CreateAsFolder());
  }
  Held volume(OpenVolume(temp / "v.vol"));
  Item root = Root(volume.get());
  EXPECT_EQ(Bytes(root->GetName()), "Disk");
  EXPECT_EQ(At(*root, "a")->GetLength(), 6u);
  EXPECT_EQ(Names(*root), (std::vector<std::string>{"a", std::string(223, 'n')}));
  // The write probe makes its file inside the volume and leaves nothing behind.
  EXPECT_TRUE(root->IsWriteable());
  EXPECT_EQ(root->Count(), 2);

  Item folder(root->Child("folder", 0));
  ASSERT_TRUE(folder->CreateAsFolder());
  ASSERT_TRUE(WriteAll(*Item(folder->Child("a", 0)), "folder a"));
  ASSERT_TRUE(WriteAll(*Item(folder->Child("b", 0)), "folder b"));
  // "folder/a" goes to the root as "c", though the root has an "a" of its own.
  ASSERT_TRUE(At(*root, "folder/a")->MoveTo(Item(root->Child("c", 0)).get()));
  EXPECT_EQ(ReadAll(*At(*root, "c")), "folder a");
  EXPECT_EQ(ReadAll(*At(*root, "a")), "root a");
  EXPECT_FALSE(At(*root, "folder/a")->Exists());
  // A file in the way gives way, but not while it is held open.
  std::unique_ptr<RandomAccessMechanism> open(At(*root, "c")->OpenAsMechanism(true, false));
  EXPECT_FALSE(At(*root, "folder/b")->MoveTo(At(*root, "C").get()));
  EXPECT_EQ(ReadAll(*At(*root, "folder/b")), "folder b");
  EXPECT_EQ(ReadAll(*At(*root, "c")), "folder a");
  open->Close();
  ASSERT_TRUE(At(*root, "folder/b")->MoveTo(At(*root, "C").get()));
  EXPECT_EQ(ReadAll(*At(*root, "c")), "folder b");
  EXPECT_EQ(Names(*root), (std::vector<std::string>{"a", std::string(223, 'n'), "folder", "C"}));
  EXPECT_EQ(folder->Count(), 0);
  // The same name in another case is the same item: nothing to move, nothing lost.
  EXPECT_TRUE(At(*root, "a")->MoveTo(At(*root, "A").get()));
  EXPECT_EQ(ReadAll(*At(*root, "a")), "root a");

  // Another volume whose root has the same name: its "Disk/a" is another file.
  Held other(CreateVolume(temp / "w.vol"));
  Item otherRoot = Root(other.get());
  ASSERT_TRUE(otherRoot->SetName("Disk"));
  ASSERT_TRUE(WriteAll(*Item(otherRoot->Child("a", 0)), "other a"));
  ASSERT_TRUE(At(*root, "a")->CopyTo(At(*otherRoot, "a").get()));
  EXPECT_EQ(ReadAll(*At(*otherRoot, "a")), "root a");
  ASSERT_TRUE(WriteAll(*At(*otherRoot, "a"), "other a"));
  ASSERT_TRUE(At(*root, "a")->MoveTo(otherRoot.get()));
  EXPECT_EQ(ReadAll(*At(*otherRoot, "a")), "root a");
  EXPECT_FALSE(At(*root, "a")->Exists());
}

// Lengths and positions are 64-bit; a longer length reads as zeros, never as old bytes.
TEST(VirtualVolume, FilesGrowShrinkAndReadZerosInGaps) {
  qvtest::TempFolder temp("qvvolfile");
  Held volume(CreateVolume(temp / "v.vol"));
  Item root = Root(volume.get());
  Item secret(root->Child("secret", 0));
  ASSERT_TRUE(WriteAll(*secret, std::string(3000, 'S')));
  ASSERT_TRUE(secret->Delete());  // its blocks are free for the next file
  Item file(root->Child("file", 0));
  std::unique_ptr<RandomAccessMechanism> out(file->CreateMechanism(""));
  ASSERT_TRUE(out && out->Write("abcdef", 6));
  ASSERT_TRUE(out->SetLength(2));
  ASSERT_TRUE(out->SetLength(5000));
  ASSERT_TRUE(out->Close());
  EXPECT_EQ(ReadAll(*file), "ab" + std::string(4998, '\0'));
  ASSERT_TRUE(file->SetLength(1));
  ASSERT_TRUE(file->SetLength(4));
  EXPECT_EQ(ReadAll(*file), std::string("a\0\0\0", 4));
  // Past the 32-bit offsets of the format a write fails before it grows anything.
  std::unique_ptr<RandomAccessMechanism> big(file->OpenAsMechanism(true, true));
  ASSERT_TRUE(big);
  const uintmax_t before = fs::file_size(temp / "v.vol");
  EXPECT_FALSE(big->SetPosition(5ull << 30));
  ASSERT_TRUE(big->SetPosition((1ull << 32) - 300));
  EXPECT_FALSE(big->Write(std::string(400, 'x').data(), 400));
  EXPECT_EQ(big->lastError, EFBIG);
  EXPECT_EQ(fs::file_size(temp / "v.vol"), before);
  big->Close();
}

// A Position or Length that no data byte of a volume can have (past 4 GiB) is refused with
// a code (22, as a host file refuses an impossible length), and the stream stays where it was.
TEST(VirtualVolume, PositionsPastTheDataLimitAreRefusedWithACode) {
  qvtest::TempFolder temp("qvvolpast");
  Held volume(CreateVolume(temp / "v.vol"));
  Item root = Root(volume.get());
  ASSERT_TRUE(WriteAll(*At(*root, "f"), "HEADDATA"));
  auto* binary = reinterpret_cast<BinaryStreamObject*>(
      NewBinaryStream(At(*root, "f")->OpenAsMechanism(true, true)));
  ASSERT_TRUE(binary);
  BinaryStreamSetPosition(binary, 0, 4);
  BinaryStreamSetPosition(binary, 0, 5ull << 30);
  EXPECT_EQ(BinaryStreamLastErrorGetter(binary), EINVAL);
  EXPECT_EQ(BinaryStreamGetPosition(binary, 0), 4u);
  BinaryStreamSetPosition(binary, 0, 0);
  BinaryStreamSetLength(binary, 0, 5ull << 30);
  EXPECT_EQ(BinaryStreamLastErrorGetter(binary), EINVAL);
  EXPECT_EQ(BinaryStreamGetLength(binary, 0), 8u);
  RuntimeUnlockObject(&binary->header);
  auto* text = reinterpret_cast<TextInputStreamObject*>(
      NewTextInputStream(At(*root, "f")->OpenAsMechanism(true, false)));
  ASSERT_TRUE(text);
  TextInputStreamSetPosition(text, 0, 4);
  TextInputStreamSetPosition(text, 0, 5ll << 30);
  EXPECT_EQ(TextInputStreamLastErrorGetter(text), EINVAL);
  EXPECT_EQ(TextInputStreamGetPosition(text, 0), 4);
  RuntimeUnlockObject(&text->header);
}

// Typed values through OpenAsMechanism are big-endian, doubles included.
TEST(VirtualVolume, TypedValuesAreBigEndian) {
  qvtest::TempFolder temp("qvvoltyped");
  Held volume(CreateVolume(temp / "v.vol"));
  Item file(Root(volume.get())->Child("values", 0));
  std::unique_ptr<RandomAccessMechanism> out(file->CreateMechanism(""));
  ASSERT_TRUE(out->WriteUInt16(0x1234) && out->WriteUInt32(0xCAFEF00D) &&
              out->WriteDouble(-2.75) && out->Close());
  EXPECT_EQ(Hex(ReadAll(*file)), Python("struct.pack('>HId', 0x1234, 0xCAFEF00D, -2.75).hex()"));
}

// Writes a random host tree: folders three deep, files of 0 to 20,000 bytes.
void MakeHostTree(const fs::path& folder, std::mt19937& random, int depth) {
  fs::create_directories(folder);
  for (int i = 0; i < 4; ++i) {
    std::string bytes(random() % 20000, '\0');
    for (char& c : bytes) c = char(random());
    WriteFile(folder / ("file " + std::to_string(i)), i == 0 ? std::string() : bytes);
  }
  if (depth > 0) {
    for (int i = 0; i < 2; ++i)
      MakeHostTree(folder / ("sub" + std::to_string(i)), random, depth - 1);
  }
}

// Copies a tree item by item (files through CopyTo, folders made anew).
bool CopyTree(const FolderItemImp& from, FolderItemImp& to) {
  for (int32_t i = 0; i < from.Count(); ++i) {
    Item entry(from.Item(i, 0));
    Item target(to.Child(entry->GetName(), 0));
    if (entry->IsDirectory()) {
      if (!target->CreateAsFolder() || !CopyTree(*entry, *target)) return false;
    } else if (!entry->CopyTo(target.get())) {
      return false;
    }
  }
  return true;
}

TEST(VirtualVolume, HostTreesRoundTrip) {
  qvtest::TempFolder temp("qvvoltree");
  std::mt19937 random(77);
  MakeHostTree(temp / "in", random, 2);
  {
    Held volume(CreateVolume(temp / "v.vol"));
    Item root = Root(volume.get());
    ASSERT_TRUE(CopyTree(*On(temp / "in"), *root));
  }
  Held volume(OpenVolume(temp / "v.vol"));
  ASSERT_TRUE(volume);
  fs::create_directory(temp / "out");
  ASSERT_TRUE(CopyTree(*Root(volume.get()), *On(temp / "out")));
  EXPECT_EQ(qvtest::RunProgram({"diff", "-r", temp / "in", temp / "out"}), 0);
  // Moving a file out to the host and back in goes through the stream copy.
  Item moved = At(*Root(volume.get()), "sub0/file 1");
  const std::string bytes = ReadAll(*moved);
  ASSERT_TRUE(moved->MoveTo(On(temp.path()).get()));
  EXPECT_FALSE(moved->Exists());
  EXPECT_EQ(ReadFile(temp / "file 1"), bytes);
  ASSERT_TRUE(On(temp / "file 1")->MoveTo(Root(volume.get()).get()));
  EXPECT_FALSE(PathExists(temp / "file 1"));
  EXPECT_EQ(ReadAll(*Item(Root(volume.get())->Child("file 1", 0))), bytes);
}

// Files made and closed without Flush are all there after reopening, and after a writer that
// closed them was killed.
TEST(VirtualVolume, ClosedFilesSurviveReopeningAndAKilledWriter) {
  qvtest::TempFolder temp("qvvolkill");
  {
    Held volume(CreateVolume(temp / "plain.vol"));
    for (int i = 0; i < 50; ++i)
      ASSERT_TRUE(WriteAll(*Item(Root(volume.get())->Child(Text("f" + std::to_string(i)), 0)),
                           std::string(size_t(i) * 100, char('a' + i % 26))));
  }
  const std::string killed = temp / "killed.vol";
  const int status = qvtest::RunInChild([&] {
    RuntimeObject* volume = CreateVolume(killed);
    Item folder(Root(volume)->Child("folder", 0));
    folder->CreateAsFolder();
    for (int i = 0; i < 50; ++i)
      WriteAll(*Item(folder->Child(Text("f" + std::to_string(i)), 0)),
               std::string(size_t(i) * 100, char('a' + i % 26)));
    kill(getpid(), SIGKILL);
  });
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  for (const std::string& path : {temp / "plain.vol", killed}) {
    Held volume(OpenVolume(path));
    ASSERT_TRUE(volume) << path;
    Item root = Root(volume.get());
    Item folder(path == killed ? root->Child("folder", 0) : root->Clone());
    ASSERT_EQ(folder->Count(), 50) << path;
    for (int i = 0; i < 50; ++i)
      EXPECT_EQ(ReadAll(*Item(folder->Child(Text("f" + std::to_string(i)), 0))),
                std::string(size_t(i) * 100, char('a' + i % 26)))
          << path << " " << i;
  }
}

}  // namespace
