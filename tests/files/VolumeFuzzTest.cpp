// Damaged and hostile volume files: a few thousand seeded programs of corruptions applied to a
// populated volume, each volume then opened, listed, read, written and deleted from (the fuzz
// target's exercise). Under the sanitizer build a read outside a buffer fails the test; the
// CTest time limit catches a hang; the only reports allowed are the listing check's.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>

#include "VolumeExercise.h"
#include "support/TestSupport.h"

namespace {

TEST(VolumeFuzz, DamagedVolumesGiveCleanFailures) {
  qvtest::ReportCapture reports;
  std::mt19937 random(20261207);
  int opened = 0;
  for (int i = 0; i < 3000; ++i) {
    std::string program(16 + random() % 48, '\0');
    for (char& c : program) c = char(random());
    qvfuzz::InputReader reader(reinterpret_cast<const uint8_t*>(program.data()), program.size());
    const std::string damaged = qvvolume::Corrupted(reader, 1 + int(random() % 4));
    opened += qvvolume::Exercise(damaged) ? 1 : 0;
  }
  // Most damage leaves a volume that opens, so the operations meet it.
  std::printf("%d of 3000 damaged volumes opened\n", opened);
  EXPECT_GT(opened, 1000);
  for (const qvtest::CapturedReport& report : reports.reports())
    EXPECT_EQ(report.condition, "0") << report.extra;
}

}  // namespace
