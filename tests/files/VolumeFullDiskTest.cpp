// A virtual volume on a disk that fills: the stream writing into it is told (no space, 28) by
// its Write, Flush or Close, and once room is made the volume opens again with every file that
// was closed before the disk filled, whole.
#include <gtest/gtest.h>

#include <cerrno>
#include <random>

#include "VolumeTestSupport.h"
#include "files/BinaryStream.h"
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

// Writes pieces into a new file "big" of the volume until its stream reports an error (with
// a Flush after each piece when flushing), then closes it; the first error the stream showed.
int32_t FillWithBig(RuntimeObject* volume, bool flushing) {
  Item big(Root(volume)->Child("big", 0));
  auto* stream = reinterpret_cast<BinaryStreamObject*>(NewBinaryStream(big->CreateMechanism("")));
  EXPECT_NE(stream, nullptr);
  if (!stream) return 0;
  const string piece = Text(Noise(kPiece, 7));
  int32_t error = 0;
  for (int n = 0; n < kMostPieces && error == 0; ++n) {
    BinaryStreamWrite(stream, piece.Storage());
    if (flushing && (error = BinaryStreamLastErrorGetter(stream)) == 0) BinaryStreamFlush(stream);
    error = BinaryStreamLastErrorGetter(stream);
  }
  BinaryStreamClose(stream);
  if (error == 0) error = BinaryStreamLastErrorGetter(stream);
  RuntimeUnlockObject(&stream->header);
  return error;
}

// With a few amounts of room, so that the disk fills at different places of the volume's
// pages (at 963,608 bytes it takes a flush's bytes into its buffer and then finds no room for
// them): the failure reaches the program, and what was closed before it survives.
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
        EXPECT_EQ(FillWithBig(volume.get(), flushing), ENOSPC);
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
