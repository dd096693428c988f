// The virtual-volume container against bytes Python's struct writes and reads: the 48 bytes of a
// new volume, the versions that open (version 1 with its doubles in host order), the block map's
// serialisation, which free blocks are reused, the open-file table's limit, a file of many
// blocks read back after reopening, and a push that a dying process left half done undone as the
// volume opens.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <random>

#include "FolderItemTestSupport.h"
#include "files/DataFile.h"
#include "files/VFSVolume.h"
#include "support/IOFaults.h"
#include "support/TempFolder.h"

namespace {

using namespace itemtest;

// The host file at path as a disk for a volume.
RandomAccessMechanism* Disk(const std::string& path, bool create) {
  DataFile* file = DataFile::Create();
  const bool opened = create ? file->OpenForWriting(Text(path))
                             : file->Open(Text(path), kDataFileReadWrite);
  if (!opened) {
    delete file;
    return nullptr;
  }
  file->EnableByteSwap();
  return file;
}

uint32_t LoadWord(const std::string& bytes, size_t at) {
  return uint32_t(uint8_t(bytes[at])) << 24 | uint32_t(uint8_t(bytes[at + 1])) << 16 |
         uint32_t(uint8_t(bytes[at + 2])) << 8 | uint8_t(bytes[at + 3]);
}

std::unique_ptr<VFSVolume> OpenAt(const std::string& path) {
  return std::unique_ptr<VFSVolume>(VFSVolume::Open(Disk(path, false), true));
}

// Writes the bytes a Python expression (bytes) evaluates to.
void WritePython(const std::string& path, const std::string& expression) {
  ASSERT_EQ(qvtest::RunProgram({"python3", "-c",
                                "import struct, sys\nopen(sys.argv[1], 'wb').write(" +
                                    expression + ")",
                                path}),
            0);
}

// A volume header and its first block (file 1, data: next number, map byte count), in the
// byte order of the version; the map itself follows when given.
std::string FirstPart(int version, int length, const std::string& map = "b''") {
  const char* d = version == 1 ? "<d" : ">d";
  return "struct.pack('>4sI4sII', b'VFSv', " + std::to_string(version) + ", b'BlkS', 1, 0) + " +
         "struct.pack('" + d + "', " + std::to_string(length) + ") + struct.pack('" + d +
         "', 0) + struct.pack('>II', 2, len(" + map + ")) + " + map + " + b'\\0' * (" +
         std::to_string(length) + " - 32 - 8 - len(" + map + ")) + b'BlkE'";
}

// A free block of the given length in a version-3 volume.
std::string FreeBlock(int length) {
  return "struct.pack('>4sII', b'BlkS', 0, 0) + struct.pack('>dd', " + std::to_string(length) +
         ", 0) + b'\\0' * (" + std::to_string(length) + " - 32) + b'BlkE'";
}

TEST(VFSVolume, ANewVolumeIsTheFortyEightGoldenBytes) {
  qvtest::TempFolder temp("qvvfs");
  const std::string path = temp / "new.vol";
  {
    std::unique_ptr<VFSVolume> volume(VFSVolume::Create(Disk(path, true), true));
    ASSERT_TRUE(volume && volume->IsValid());
  }
  WritePython(temp / "golden", FirstPart(3, 40));
  EXPECT_EQ(ReadFile(path), ReadFile(temp / "golden"));
  EXPECT_EQ(ReadFile(path).size(), 48u);
  qvtest::ReportCapture reports;
  EXPECT_EQ(VFSVolume::Create(nullptr, true), nullptr);
  EXPECT_TRUE(reports.HasCondition("diskFile"));
}

TEST(VFSVolume, VersionsOneToThreeOpenAndOnlyOneKeepsHostOrderDoubles) {
  qvtest::TempFolder temp("qvvfsversion");
  for (int version : {0, 1, 2, 3, 4}) {
    const std::string path = temp / ("v" + std::to_string(version));
    WritePython(path, FirstPart(version, 40));
    std::unique_ptr<VFSVolume> volume = OpenAt(path);
    ASSERT_NE(volume, nullptr);
    EXPECT_EQ(volume->IsValid(), version >= 1 && version <= 3) << version;
  }
  // Version 1 also writes its new blocks' doubles in host order.
  {
    std::unique_ptr<VFSVolume> volume = OpenAt(temp / "v1");
    ASSERT_EQ(volume->NewFileNumber(), 2u);
  }
  const std::string bytes = ReadFile(temp / "v1");
  ASSERT_GE(bytes.size(), 48u + 1024);
  EXPECT_EQ(Python("struct.unpack_from('<d', open(sys.argv[1], 'rb').read(), 48 + 12)[0]",
                   {temp / "v1"}),
            "1024.0");
  // The same bytes of version 2 read the other way round do not make a block.
  WritePython(temp / "swapped", "bytearray(" + FirstPart(1, 40) + ")[:4] + b'\\0\\0\\0\\2' + " +
                                    FirstPart(1, 40) + "[8:]");
  EXPECT_FALSE(OpenAt(temp / "swapped")->IsValid());
}

// The map's byte count must be 8 + 12n and the next file number at least 2 and unused.
TEST(VFSVolume, AMapOrNextNumberThatCannotBeTrueIsRefused) {
  qvtest::TempFolder temp("qvvfsmap");
  const std::string path = temp / "map.vol";
  {
    std::unique_ptr<VFSVolume> volume(VFSVolume::Create(Disk(path, true), true));
    ASSERT_EQ(volume->NewFileNumber(), 2u);
  }
  const std::string sound = ReadFile(path);
  ASSERT_TRUE(OpenAt(path)->IsValid());
  // File 1's data: the next number at 36, the map's byte count at 40 (the first block holds
  // both), the map in file 1's next block, after file 2's.
  uint32_t mapBytes = 0;
  {
    std::unique_ptr<VFSVolume> volume = OpenAt(path);
    mapBytes = uint32_t(volume->Map().Serialize().size());
  }
  const auto patched = [&](size_t at, uint32_t value) {
    std::string bytes = sound;
    for (int i = 0; i < 4; ++i) bytes[at + size_t(i)] = char(value >> (24 - 8 * i));
    WriteFile(path, bytes);
    return OpenAt(path)->IsValid();
  };
  EXPECT_FALSE(patched(36, 1));
  EXPECT_FALSE(patched(36, 2));
  EXPECT_TRUE(patched(36, 3));
  ASSERT_EQ(LoadWord(sound, 40), mapBytes);
  EXPECT_EQ(LoadWord(sound, 8 + 40 + 1024 + 28), 0x424D6170u);  // "BMap"
  EXPECT_FALSE(patched(40, mapBytes + 1));
  EXPECT_FALSE(patched(40, mapBytes + 12));
  EXPECT_FALSE(patched(40, 0xFFFFFFF8));
}

TEST(VFSVolume, TheMapSerialisesToTwelveBytesAnEntryAndLoadsBack) {
  VFSBlockMap map;
  std::mt19937 random(5);
  for (int i = 0; i < 100; ++i) map.Add(random() % 7, 8 + 1024 * uint32_t(i), random() % 3);
  const std::string bytes = map.Serialize();
  ASSERT_EQ(bytes.size(), 8u + 12u * 100);
  EXPECT_EQ(Python("struct.unpack_from('>4sIIII', bytes.fromhex(sys.argv[1]))",
                   {Hex(bytes.substr(0, 20))}),
            "(b'BMap', 100, " + std::to_string(map.At(0).block) + ", " +
                std::to_string(map.At(0).owner) + ", " + std::to_string(map.At(0).sequence) + ")");
  VFSBlockMap loaded;
  ASSERT_TRUE(loaded.Load(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  ASSERT_EQ(loaded.Count(), 100u);
  for (uint32_t i = 0; i < 100; ++i) {
    EXPECT_EQ(loaded.At(i).block, map.At(i).block);
    EXPECT_EQ(loaded.At(i).owner, map.At(i).owner);
    EXPECT_EQ(loaded.At(i).sequence, map.At(i).sequence);
  }
  EXPECT_EQ(loaded.Serialize(), bytes);
  EXPECT_FALSE(loaded.Load(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size() - 1));
  EXPECT_EQ(loaded.Count(), 0u);
}

// Removing an entry closes the gap with every lookup still right; an owner's first entry takes a
// new block; a search from an index finds a later twin of a key; the free total follows; the
// entries grow and shrink as the framework's arrays do.
TEST(VFSVolume, MapEntriesAreRemovedAndChangedInStep) {
  VFSBlockMap map;
  for (uint32_t i = 0; i < 40; ++i) map.Add(i % 4, 8 + 1024 * i, i / 4);  // owner 0: free
  map.Add(1, 7777, 0);  // a twin of (1, 0), as a damaged map may hold
  EXPECT_EQ(map.Capacity(), 64u);
  EXPECT_EQ(map.FreeCount(), 10u);
  uint32_t block = 0;
  EXPECT_EQ(map.FindBlockFrom(1, 0, 0, &block), 1);
  EXPECT_EQ(block, 8u + 1024);
  EXPECT_EQ(map.FindBlockFrom(1, 0, 2, &block), 40);
  EXPECT_EQ(block, 7777u);
  EXPECT_EQ(map.FindBlockFrom(1, 0, 41, &block), -1);
  EXPECT_EQ(map.FindBlockFrom(0, 0, 5, &block), 8);

  ASSERT_TRUE(map.RemoveBlock(8 + 1024));
  EXPECT_FALSE(map.RemoveBlock(8 + 1024));
  ASSERT_TRUE(map.FindBlock(1, 0, &block));
  EXPECT_EQ(block, 7777u);  // the twin answers now
  ASSERT_TRUE(map.RemoveOwner(2));  // its first entry: sequence 0
  EXPECT_FALSE(map.FindBlock(2, 0, &block));
  EXPECT_TRUE(map.FindBlock(2, 1, &block));
  ASSERT_TRUE(map.SetBlockOfOwner(3, 999999, 70));
  EXPECT_FALSE(map.FindBlock(3, 0, &block));
  ASSERT_TRUE(map.FindBlock(3, 70, &block));
  EXPECT_EQ(block, 999999u);
  uint32_t owner = 0;
  EXPECT_TRUE(map.OwnerOfBlock(999999, &owner));
  EXPECT_EQ(owner, 3u);
  EXPECT_FALSE(map.OwnerOfBlock(8 + 1024 * 3, &owner));
  ASSERT_TRUE(map.RemoveOwner(0));
  EXPECT_EQ(map.FreeCount(), 9u);
  EXPECT_FALSE(map.RemoveOwner(12345));
  ASSERT_EQ(map.Count(), 38u);
  // Every entry is still found both ways, and the map reloads as it is.
  for (uint32_t i = 0; i < map.Count(); ++i) {
    const VFSBlockEntry entry = map.At(i);
    ASSERT_TRUE(map.OwnerOfBlock(entry.block, &owner));
    EXPECT_EQ(owner, entry.owner) << i;
    if (entry.owner == 0) continue;
    ASSERT_TRUE(map.FindBlock(entry.owner, entry.sequence, &block)) << i;
    EXPECT_EQ(block, entry.block) << i;
  }
  const std::string bytes = map.Serialize();
  VFSBlockMap loaded;
  ASSERT_TRUE(loaded.Load(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
  EXPECT_EQ(loaded.Serialize(), bytes);
  // Down to 21 entries the array is more than two thirds free: it shrinks.
  while (map.Count() > 21) ASSERT_TRUE(map.RemoveBlock(map.At(0).block));
  EXPECT_EQ(map.Capacity(), 32u);
}

// Free blocks of 200 and 20,000 bytes stay free; one of 512 is reused, its old bytes cleared.
TEST(VFSVolume, OnlyFreeBlocksOfAUsefulLengthAreReused) {
  qvtest::TempFolder temp("qvvfsreuse");
  const std::string path = temp / "free.vol";
  WritePython(path, FirstPart(3, 1024) + " + " + FreeBlock(200) + " + " + FreeBlock(20000) +
                        " + " + FreeBlock(512).replace(FreeBlock(512).find("b'\\0'"), 5, "b'X'"));
  std::unique_ptr<VFSVolume> volume = OpenAt(path);
  ASSERT_TRUE(volume->IsValid());
  const uint64_t end = volume->DiskLength();
  const uint32_t first = volume->NewFileNumber();
  ASSERT_NE(first, 0u);
  uint32_t block = 0;
  ASSERT_TRUE(volume->Map().FindBlock(first, 0, &block));
  EXPECT_EQ(block, 8u + 1024 + 200 + 20000);
  const int32_t handle = volume->OpenFile(first);
  char data[480];
  int32_t got = 0;
  ASSERT_TRUE(volume->ReadAt(handle, 0, data, sizeof data, &got));
  EXPECT_EQ(std::string(data, size_t(got)), std::string(480, '\0'));
  volume->CloseFile(handle);
  const uint32_t second = volume->NewFileNumber();
  ASSERT_TRUE(volume->Map().FindBlock(second, 0, &block));
  EXPECT_EQ(block, end);
}

TEST(VFSVolume, TheOpenFileTableEndsAt32767) {
  qvtest::TempFolder temp("qvvfsopen");
  std::unique_ptr<VFSVolume> volume(VFSVolume::Create(Disk(temp / "open.vol", true), true));
  const uint32_t file = volume->NewFileNumber();
  std::vector<int32_t> handles;
  for (int i = 0; i < VFSVolume::kMaxOpenFiles; ++i) handles.push_back(volume->OpenFile(file));
  EXPECT_EQ(handles.back(), VFSVolume::kMaxOpenFiles - 1);
  EXPECT_EQ(volume->OpenFile(file), -1);
  EXPECT_FALSE(volume->FreeFile(file));
  // A closed slot serves again.
  ASSERT_TRUE(volume->CloseFile(handles[100]));
  EXPECT_EQ(volume->OpenFile(file), 100);
  EXPECT_EQ(volume->OpenFile(file), -1);
  for (int32_t handle : handles) volume->CloseFile(handle);
  EXPECT_TRUE(volume->FreeFile(file));
  EXPECT_EQ(volume->OpenFile(file), -1);
}

TEST(VFSVolume, AFileOfManyBlocksReadsBackAfterReopening) {
  qvtest::TempFolder temp("qvvfsmany");
  const std::string path = temp / "many.vol";
  std::mt19937 random(11);
  std::string bytes(300000, '\0');
  for (char& c : bytes) c = char(random());
  uint32_t file = 0;
  {
    std::unique_ptr<VFSVolume> volume(VFSVolume::Create(Disk(path, true), true));
    file = volume->NewFileNumber();
    const int32_t handle = volume->OpenFile(file);
    for (size_t at = 0; at < bytes.size();) {
      const size_t step = std::min<size_t>(bytes.size() - at, 1 + random() % 5000);
      ASSERT_TRUE(volume->WriteAt(handle, at, bytes.data() + at, int32_t(step)));
      at += step;
    }
    volume->CloseFile(handle);
  }
  std::unique_ptr<VFSVolume> volume = OpenAt(path);
  ASSERT_TRUE(volume->IsValid());
  const int32_t handle = volume->OpenFile(file);
  std::string back(bytes.size() + 10, '\0');
  int32_t got = 0;
  ASSERT_TRUE(volume->ReadAt(handle, 0, back.data(), int32_t(back.size()), &got));
  ASSERT_GE(size_t(got), bytes.size());
  EXPECT_EQ(back.substr(0, bytes.size()), bytes);
  // Read again from the middle, and backwards.
  ASSERT_TRUE(volume->ReadAt(handle, 123457, back.data(), 1000, &got));
  EXPECT_EQ(back.substr(0, 1000), bytes.substr(123457, 1000));
  ASSERT_TRUE(volume->ReadAt(handle, 17, back.data(), 1000, &got));
  EXPECT_EQ(back.substr(0, 1000), bytes.substr(17, 1000));
}

}  // namespace

namespace {

// The map is written back entry by entry (only what changed since the last write-back): after
// files made, grown and freed, with a Flush between, the file holds the map the volume holds,
// spread over a file 1 of many blocks.
TEST(VFSVolume, TheMapWrittenBackPieceByPieceIsTheMapHeld) {
  qvtest::TempFolder temp("qvvfsmapback");
  const std::string path = temp / "map.vol";
  std::unique_ptr<VFSVolume> volume(VFSVolume::Create(Disk(path, true), true));
  std::vector<uint32_t> files;
  const std::string bytes(3000, 'm');
  for (int round = 0; round < 40; ++round) {
    for (int i = 0; i < 25; ++i) {
      files.push_back(volume->NewFileNumber());
      const int32_t handle = volume->OpenFile(files.back());
      ASSERT_TRUE(volume->WriteAt(handle, 0, bytes.data(), int32_t(bytes.size())));
      volume->CloseFile(handle);
    }
    for (size_t i = files.size() - 25 + round % 7; i < files.size(); i += 7)
      ASSERT_TRUE(volume->FreeFile(files[i]));
    ASSERT_TRUE(volume->Flush());
    std::unique_ptr<VFSVolume> reader = OpenAt(path);
    ASSERT_TRUE(reader->IsValid()) << round;
    ASSERT_EQ(reader->Map().Serialize(), volume->Map().Serialize()) << round;
  }
  EXPECT_GT(volume->Map().Count(), 3000u);
}

}  // namespace

namespace {

// True when the bytes are text followed by zeros only (what lies past a file's end in its
// last block).
bool HoldsJust(const std::string& bytes, const std::string& text) {
  return bytes.compare(0, text.size(), text) == 0 &&
         bytes.find_first_not_of('\0', text.size()) == std::string::npos;
}

// The first bytes of a numbered file, as far as its chain goes.
std::string FileData(VFSVolume& volume, uint32_t file) {
  const int32_t handle = volume.OpenFile(file);
  std::string bytes(8000, '\0');
  int32_t got = 0;
  if (handle < 0 || !volume.ReadAt(handle, 0, bytes.data(), int32_t(bytes.size()), &got))
    return "(unread)";
  volume.CloseFile(handle);
  return bytes.substr(0, size_t(got));
}

// A push that grows a file and rewrites it, in a process that ends as it fails (at each of its
// writes in turn: landing in part, then every write failing, the undo's too): the volume opens
// with the file as it was or as the push made it, never a mix, in memory when opened read-only
// (the file itself untouched) and on disk otherwise.
TEST(VFSVolume, APushLeftHalfDoneIsUndoneAsTheVolumeOpens) {
  qvtest::TempFolder temp("qvvfsundo");
  const std::string path = temp / "v.vol";
  const std::string before(3000, 'o'), after(5000, 'n');
  uint32_t file = 0;
  {
    std::unique_ptr<VFSVolume> volume(VFSVolume::Create(Disk(path, true), true));
    file = volume->NewFileNumber();
    const int32_t handle = volume->OpenFile(file);
    ASSERT_TRUE(volume->WriteAt(handle, 0, before.data(), int32_t(before.size())));
    ASSERT_TRUE(volume->Flush());
  }
  const std::string pristine = ReadFile(path);
  bool pushed = false;
  for (int skip = 0; !pushed && skip < 40; ++skip) {
    SCOPED_TRACE("writes before the failure " + std::to_string(skip));
    WriteFile(path, pristine);
    const int status = qvtest::RunInChild([&] {
      qvtest::IOFaults faults;
      faults.Watch(path);
      std::unique_ptr<VFSVolume> volume = OpenAt(path);
      const int32_t handle = volume->OpenFile(file);
      volume->WriteAt(handle, 0, after.data(), int32_t(after.size()));
      faults.Fail(path, QV_FAULT_WRITE, skip, -1, EIO, 1000);
      _exit(volume->Flush() ? 0 : 1);
    });
    ASSERT_TRUE(WIFEXITED(status)) << status;
    pushed = WEXITSTATUS(status) == 0;
    const std::string left = ReadFile(path);
    for (const bool readOnly : {true, false}) {
      std::unique_ptr<VFSVolume> volume(VFSVolume::Open(Disk(path, false), true, readOnly));
      ASSERT_TRUE(volume->IsValid()) << readOnly;
      const std::string data = FileData(*volume, file);
      EXPECT_TRUE(HoldsJust(data, after) || (!pushed && HoldsJust(data, before)))
          << readOnly << ": " << data.size() << " bytes, " << data.substr(0, 40);
      volume.reset();
      EXPECT_TRUE(!readOnly || ReadFile(path) == left) << "a read-only volume wrote";
    }
  }
  EXPECT_TRUE(pushed) << "more than 40 writes";
}

}  // namespace
