// A process killed at a random moment, and a machine that loses power at a random moment,
// leave a file that opens, holds together, and has exactly the data of the last commit that
// was reported, or of the one that was in flight.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>

#include "database/DatabaseTestSupport.h"
#include "database/TableDirectory.h"

using namespace dbtest;

namespace {

constexpr uint32_t kPayload = 1500;

// The models after `reported` commits of the seed's workload and after one more.
std::pair<Workload::Model, Workload::Model> Expected(uint32_t seed, const Workload::Model& start,
                                                     int reported) {
  Workload replay(seed, kPayload);
  replay.model() = start;
  Workload::Model last = start;
  for (int commits = 0; commits <= reported;) {
    if (replay.Step(nullptr) != 1) continue;
    if (++commits <= reported) last = replay.model();
  }
  return {last, replay.model()};
}

void ExpectLastOrInFlight(PageStore& store, uint32_t seed, const Workload::Model& start,
                          int reported, Workload::Model* found) {
  std::string problem;
  *found = Workload::Read(store, &problem);
  ASSERT_EQ(problem, "");
  auto [last, inFlight] = Expected(seed, start, reported);
  EXPECT_TRUE(*found == last || *found == inFlight)
      << "seed " << seed << ": " << found->size() << " rows after " << reported << " commits ("
      << last.size() << " expected, or " << inFlight.size() << ")";
}

std::unique_ptr<PageStore> CreateWithTable(const char* path, StorageFileSystem& fs) {
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Create(path, &error, fs);
  EXPECT_TRUE(store) << error.message;
  EXPECT_TRUE(CreateTableStorage(*store, "t") && store->Commit());
  return store;
}

}  // namespace

TEST(DatabaseDurability, AKilledProcessLeavesTheLastReportedCommitOrTheOneInFlight) {
  TempFolder folder;
  std::string path = folder.Path("crash.db");
  CreateWithTable(path.c_str(), StorageFileSystem::Posix()).reset();
  Workload::Model start;
  std::mt19937 timing(31337);
  auto began = std::chrono::steady_clock::now();
  int runs = 0;
  for (; runs < 300 && std::chrono::steady_clock::now() - began < std::chrono::seconds(50); ++runs) {
    uint32_t seed = 9000 + runs;
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      close(report[0]);
      StorageError error;
      std::unique_ptr<PageStore> store = PageStore::Open(path.c_str(), &error);
      if (!store) _exit(2);
      Workload work(seed, kPayload);
      work.model() = start;
      for (;;) {
        int step = work.Step(store.get());
        if (step < 0) _exit(3);
        if (step == 1 && write(report[1], "c", 1) != 1) _exit(4);  // once Commit returned
      }
    }
    close(report[1]);
    usleep(500 + timing() % 100000);
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    int reported = 0;
    char buffer[256];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;) reported += static_cast<int>(n);
    close(report[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped with status " << WEXITSTATUS(status);
    StorageError error;
    std::unique_ptr<PageStore> store = PageStore::Open(path.c_str(), &error);
    ASSERT_TRUE(store) << error.message;
    Workload::Model found;
    ExpectLastOrInFlight(*store, seed, start, reported, &found);
    if (HasFailure()) return;
    start = found;
  }
  EXPECT_GE(runs, 100);
}

TEST(DatabaseDurability, APowerLossLeavesTheLastReportedCommitOrTheOneInFlight) {
  std::mt19937 random(4242);
  for (uint32_t run = 0; run < 300; ++run) {
    SimulatedFileSystem disk;
    int reported = 0;
    {
      std::unique_ptr<PageStore> store = CreateWithTable("/p.db", disk);
      Workload work(run, kPayload);
      for (int step = 0; step < 40; ++step) {
        if (step == 8) disk.CutPowerAfter(random() % 1500);  // with some rows already there
        int result = work.Step(store.get());
        if (result < 0) break;
        reported += result;
      }
    }
    std::unique_ptr<SimulatedFileSystem> after = disk.PowerLoss(random);
    StorageError error;
    std::unique_ptr<PageStore> store = PageStore::Open("/p.db", &error, *after);
    ASSERT_TRUE(store) << "run " << run << ": " << error.message;
    Workload::Model found;
    ExpectLastOrInFlight(*store, run, Workload::Model(), reported, &found);
    if (HasFailure()) return;
  }
}
