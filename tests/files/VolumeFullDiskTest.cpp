// A virtual volume on a disk that fills: the stream writing into it is told (no space, 28) by
// its Write, Flush or Close, the volume file gives back what the failed push took of the disk,
// a copy that fails leaves no file beside the one it replaces, and once room is made the volume
// opens again with every file that was closed before the disk filled, whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <random>
#include <utility>
#include <vector>

#include "VolumeTestSupport.h"
#include "files/BinaryStream.h"
#include "files/DataFile.h"
#include "files/VFSVolume.h"
#include "support/SmallDisk.h"

namespace {

using namespace itemtest;
using namespace voltest;

constexpr uint64_t kDiskBytes = 4 << 20;
constexpr int32_t kPiece = 64 * 1024;
constexpr int kMostPieces = 96;  // 6 MiB: more than any room the tests leave

std::string Noise(size_t size, uint32_t seed) {
  std::mt19937 random(seed);
  std::string bytes(size, '\0');
  for (char& c : bytes) c = char(random());
  return bytes;
}

// Writes pieces into a new file "big" of the volume in the file at path until its stream
// reports an error (with a Flush after each piece when flushing), then closes it; the first
// error the stream showed. *past: the bytes the volume file then holds past its size at the
// last push of the volume's that went through.
int32_t FillWithBig(RuntimeObject* volume, const std::string& path, bool flushing,
                    uint64_t* past) {
  Item big(Root(volume)->Child("big", 0));
  auto* stream = reinterpret_cast<BinaryStreamObject*>(NewBinaryStream(big->CreateMechanism("")));
  EXPECT_NE(stream, nullptr);
  if (!stream) return 0;
  uintmax_t pushed = std::filesystem::file_size(path);
  const string piece = Text(Noise(kPiece, 7));
  int32_t error = 0;
  for (int n = 0; n < kMostPieces && error == 0; ++n) {
    BinaryStreamWrite(stream, piece.Storage());
    if (flushing && (error = BinaryStreamLastErrorGetter(stream)) == 0) BinaryStreamFlush(stream);
    error = BinaryStreamLastErrorGetter(stream);
    if (flushing && error == 0) pushed = std::filesystem::file_size(path);
  }
  BinaryStreamClose(stream);
  if (error == 0) error = BinaryStreamLastErrorGetter(stream);
  RuntimeUnlockObject(&stream->header);
  const uintmax_t now = std::filesystem::file_size(path);
  *past = now > pushed ? now - pushed : 0;
  return error;
}

// With a few amounts of room, so that the disk fills at different places of the volume's
// pages (at 963,608 bytes it takes a flush's bytes into its buffer and then finds no room for
// them): the failure reaches the program, what the disk took of the push that failed is cut
// off again (the disk is not left full), and what was closed before it survives.
TEST(VolumeFullDisk, TheFailureIsReportedAndClosedFilesSurvive) {
  for (const bool flushing : {true, false}) {
    for (const uint64_t room : {700u << 10, 963608u, 1100u << 10, 1500u << 10}) {
      SCOPED_TRACE(std::string(flushing ? "flushed" : "unflushed") + ", room " +
                   std::to_string(room >> 10) + " KiB");
      qvtest::SmallDisk disk(kDiskBytes);
      QV_SKIP_WITHOUT_SMALL_DISK(disk);
      ASSERT_TRUE(disk.LeaveRoom(room));
      const std::string path = disk / "disk.vol";
      const std::string keep = Noise(128 * 1024, uint32_t(room));
      {
        Held volume(CreateVolume(path));
        ASSERT_TRUE(volume);
        ASSERT_TRUE(WriteAll(*Item(Root(volume.get())->Child("keep", 0)), keep));
        uint64_t past = 0;
        EXPECT_EQ(FillWithBig(volume.get(), path, flushing, &past), ENOSPC);
        EXPECT_EQ(past, 0u) << "the volume file keeps what the failed push appended";
      }
      disk.MakeRoom();
      Held volume(OpenVolume(path));
      ASSERT_TRUE(volume) << "the volume no longer opens";
      EXPECT_EQ(ReadAll(*Item(Root(volume.get())->Child("keep", 0))), keep);
      // The volume takes new files again, and keeps them.
      const std::string later = Noise(300 * 1024, 11);
      ASSERT_TRUE(WriteAll(*Item(Root(volume.get())->Child("later", 0)), later));
      volume.reset();
      volume.reset(OpenVolume(path));
      ASSERT_TRUE(volume);
      EXPECT_EQ(ReadAll(*Item(Root(volume.get())->Child("later", 0))), later);
      EXPECT_EQ(ReadAll(*Item(Root(volume.get())->Child("keep", 0))), keep);
    }
  }
}

}  // namespace

// The volume opened while there was room, then the disk filled: every folder made, item deleted
// or renamed answers at its call, a failure with no space (28) and nothing changed, and once the
// volume is opened again what answered done is done and nothing else.
TEST(VolumeFullDisk, DirectoryChangesAnswerAtTheCallAndSurviveAsAnswered) {
  qvtest::SmallDisk disk(kDiskBytes);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  const std::string path = disk / "dirs.vol";
  Held volume(CreateVolume(path));
  ASSERT_TRUE(volume);
  Item root = Root(volume.get());
  ASSERT_TRUE(WriteAll(*Item(root->Child("file", 0)), "file"));
  ASSERT_TRUE(WriteAll(*Item(root->Child("renamed", 0)), "renamed"));
  ASSERT_TRUE(Item(root->Child("folder", 0))->CreateAsFolder());
  ASSERT_TRUE(disk.LeaveRoom(0));
  std::vector<std::string> made, refused;
  for (int i = 0; i < 50; ++i) {
    Item folder(root->Child(Text("made" + std::to_string(i)), 0));
    const bool done = folder->CreateAsFolder();
    EXPECT_EQ(folder->lastError, done ? 0 : ENOSPC) << i;
    EXPECT_EQ(folder->Exists(), done) << i;
    (done ? made : refused).push_back("made" + std::to_string(i));
  }
  EXPECT_FALSE(refused.empty()) << "a full disk took 50 folders";
  std::vector<std::pair<std::string, bool>> changes;
  for (const char* name : {"file", "folder"}) {
    Item item(root->Child(name, 0));
    const bool done = item->Delete();
    EXPECT_EQ(item->lastError, done ? 0 : ENOSPC) << name;
    changes.emplace_back(name, !done);
  }
  Item renamed(root->Child("renamed", 0));
  const bool done = renamed->SetName("new name");
  EXPECT_EQ(renamed->lastError, done ? 0 : ENOSPC);
  changes.emplace_back("renamed", !done);
  changes.emplace_back("new name", done);
  root.reset();
  renamed.reset();
  volume.reset();
  disk.MakeRoom();
  volume.reset(OpenVolume(path));
  ASSERT_TRUE(volume);
  root = Root(volume.get());
  for (const std::string& name : made) EXPECT_TRUE(Item(root->Child(Text(name), 0))->Exists());
  for (const std::string& name : refused) EXPECT_FALSE(Item(root->Child(Text(name), 0))->Exists());
  for (const auto& [name, there] : changes)
    EXPECT_EQ(Item(root->Child(Text(name), 0))->Exists(), there) << name;
  EXPECT_EQ(root->Count(), int32_t(made.size() + (changes[0].second ? 1 : 0) +
                                   (changes[1].second ? 1 : 0) + 1));
  if (changes[0].second) {
    EXPECT_EQ(ReadAll(*Item(root->Child("file", 0))), "file");
  }
  EXPECT_EQ(ReadAll(*Item(root->Child(done ? "new name" : "renamed", 0))), "renamed");
}

namespace {

// A copy over a file of a volume, on a disk that fills: the old file stays, and the file the
// copy wrote beside it goes, at once or, since the disk refuses that too, at the volume's next
// change once there is room; it is not there once the volume is opened again either.
TEST(VolumeFullDisk, AFailedCopyLeavesNoFileBesideTheOneItReplaces) {
  qvtest::SmallDisk disk(kDiskBytes);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  qvtest::TempFolder host("qvcopysource");
  WriteFile(host / "source", Noise(1 << 20, 5));
  const std::string path = disk / "copy.vol";
  Held volume(CreateVolume(path));
  ASSERT_TRUE(volume);
  Item root = Root(volume.get());
  ASSERT_TRUE(WriteAll(*At(*root, "kept"), "old"));
  ASSERT_TRUE(disk.LeaveRoom(64 << 10));
  Item source(On(host / "source"));
  EXPECT_FALSE(source->CopyTo(At(*root, "kept").get()));
  EXPECT_EQ(source->lastError, ENOSPC);
  EXPECT_EQ(ReadAll(*At(*root, "kept")), "old");
  disk.MakeRoom();
  ASSERT_TRUE(At(*root, "later")->CreateAsFolder());
  EXPECT_EQ(Names(*root), (std::vector<std::string>{"kept", "later"}));
  root.reset();
  volume.reset(OpenVolume(path));
  ASSERT_TRUE(volume);
  EXPECT_EQ(Names(*Root(volume.get())), (std::vector<std::string>{"kept", "later"}));
  EXPECT_EQ(ReadAll(*At(*Root(volume.get()), "kept")), "old");
}

TEST(VolumeFullDisk, AVolumeThatCannotBeMadeLeavesNoFile) {
  qvtest::SmallDisk disk(kDiskBytes);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  ASSERT_TRUE(disk.LeaveRoom(0));
  EXPECT_EQ(CreateVolume(disk / "new.vol"), nullptr);
  EXPECT_FALSE(itemtest::PathExists(disk / "new.vol"));
}

}  // namespace

namespace {

// The container over a host file of the disk.
VFSVolume* CoreVolume(const std::string& path, bool create) {
  DataFile* file = DataFile::Create();
  if (!(create ? file->OpenForWriting(Text(path)) : file->Open(Text(path), kDataFileReadWrite))) {
    delete file;
    return nullptr;
  }
  file->EnableByteSwap();
  return create ? VFSVolume::Create(file, true) : VFSVolume::Open(file, true);
}

// Bytes written through the core without a Flush are written when the volume goes, where no
// caller can hear that they did not fit: that is reported there. Bytes whose Flush already
// answered the failure are not reported twice.
TEST(VolumeFullDisk, ChangesNobodyFlushedAreReportedWhenTheVolumeGoes) {
  qvtest::SmallDisk disk(kDiskBytes);
  QV_SKIP_WITHOUT_SMALL_DISK(disk);
  const std::string path = disk / "core.vol";
  const std::string bytes = Noise(200 * 1024, 3);
  for (const bool flushed : {false, true}) {
    SCOPED_TRACE(flushed ? "flushed" : "not flushed");
    VFSVolume* volume = CoreVolume(path, !flushed);
    ASSERT_TRUE(volume && volume->IsValid());
    const uint32_t file = volume->NewFileNumber();
    ASSERT_TRUE(volume->Flush());
    ASSERT_TRUE(disk.LeaveRoom(0));
    const int32_t handle = volume->OpenFile(file);
    ASSERT_TRUE(volume->WriteAt(handle, 0, bytes.data(), int32_t(bytes.size())));
    volume->CloseFile(handle);
    if (flushed) {
      EXPECT_FALSE(volume->Flush());
      EXPECT_EQ(volume->TakeDiskError(), ENOSPC);
    }
    qvtest::ReportCapture reports;
    delete volume;
    EXPECT_EQ(reports.HasCondition("a virtual volume closed with changes it could not write"),
              !flushed);
    disk.MakeRoom();
  }
}

}  // namespace
