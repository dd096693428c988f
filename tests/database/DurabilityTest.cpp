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
#include "support/TestSupport.h"
#include "support/Watchdog.h"

using namespace dbtest;

namespace {

// The file holds the seed's workload from start after `reported` commits, or after one more.
Workload::Model ExpectLastOrInFlight(PageStore& store, uint32_t seed, const Workload::Model& start,
                                     int reported) {
  TreeReport report = CheckTable(store, "t");
  EXPECT_EQ(report.problem, "");
  Workload replay(seed);
  replay.model() = start;
  Workload::Model last = start;
  for (int commits = 0; commits <= reported;)
    if (replay.Step(nullptr) == 1 && ++commits <= reported) last = replay.model();
  Workload::Model found = Content(report);
  EXPECT_TRUE(found == last || found == replay.model())
      << "seed " << seed << ": " << found.size() << " rows after " << reported << " commits";
  return found;
}

std::unique_ptr<PageStore> CreateWithTable(const char* path, StorageFileSystem& fs) {
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Create(path, &error, fs);
  EXPECT_TRUE(store && CreateTableStorage(*store, "t") && store->Commit()) << error.message;
  return store;
}

// The child: the workload from start until it is killed, each commit reported once it returned.
[[noreturn]] void Write(const std::string& path, uint32_t seed, const Workload::Model& start,
                        int report) {
  StorageError error;
  std::unique_ptr<PageStore> store = PageStore::Open(path.c_str(), &error);
  Workload work(seed);
  work.model() = start;
  for (int step = 0; store && step >= 0;) {
    step = work.Step(store.get());
    if (step == 1 && write(report, "c", 1) != 1) break;
  }
  _exit(3);
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
  for (; runs < 300 && std::chrono::steady_clock::now() - began <
                                  std::chrono::seconds(50 * qvtest::SlowRunFactor());
       ++runs) {
    int report[2];
    ASSERT_EQ(pipe(report), 0);
    const pid_t child = qvtest::ForkTestChild();
    ASSERT_GE(child, 0);
    if (child == 0) Write(path, 9000 + runs, start, report[1]);
    close(report[1]);
    usleep(500 + timing() % 100000);
    kill(child, SIGKILL);
    int status = 0, reported = 0;
    waitpid(child, &status, 0);
    char buffer[256];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
      reported += static_cast<int>(n);
    close(report[0]);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself";
    StorageError error;
    std::unique_ptr<PageStore> store = PageStore::Open(path.c_str(), &error);
    ASSERT_TRUE(store) << error.message;
    start = ExpectLastOrInFlight(*store, 9000 + runs, start, reported);
    if (HasFailure()) return;
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
      Workload work(run);
      for (int step = 0, result = 0; step < 40 && result >= 0; ++step) {
        if (step == 8) disk.CutPowerAfter(random() % 1500);  // with some rows already there
        result = work.Step(store.get());
        reported += result > 0;
      }
    }
    std::unique_ptr<SimulatedFileSystem> after = disk.PowerLoss(random);
    StorageError error;
    std::unique_ptr<PageStore> store = PageStore::Open("/p.db", &error, *after);
    ASSERT_TRUE(store) << "run " << run << ": " << error.message;
    ExpectLastOrInFlight(*store, run, Workload::Model(), reported);
    if (HasFailure()) return;
  }
}

// A commit that failed part-way (a call refused, the power still on) may be tried again: pages
// whose journal images never reached the file are journaled again before any is overwritten,
// so a power loss during the second try still leaves the last commit or the new one.
TEST(DatabaseDurability, ACommitTriedAgainAfterAFailedWriteKeepsThePowerLossGuarantee) {
  std::mt19937 random(515);
  auto key = [](int n, char tail) { return "k" + std::to_string(100000 + n) + tail; };
  int failedFirstTries = 0;
  for (uint32_t run = 0; run < 120; ++run) {
    SimulatedFileSystem disk;
    std::unique_ptr<PageStore> store = CreateWithTable("/p.db", disk);
    Workload::Model committed, changed;
    // Enough leaves that their journal images take more than one write.
    for (int n = 0; n < 700; ++n) {
      const std::string payload(300, char('a' + n % 26));
      ASSERT_TRUE(InsertRow(*store, "t", KeyedRow(store->NextRecordId(), key(n, 'a'), payload)));
      committed.emplace(key(n, 'a'), payload);
    }
    ASSERT_TRUE(store->Commit());
    changed = committed;
    for (int n = 0; n < 700; n += 3) {
      const std::string payload(200, char('A' + n % 26));
      ASSERT_TRUE(InsertRow(*store, "t", KeyedRow(store->NextRecordId(), key(n, 'b'), payload)));
      changed.emplace(key(n, 'b'), payload);
    }
    disk.CutPowerAfter(random() % 20);
    if (store->Commit()) continue;
    ++failedFirstTries;
    disk.CutPowerAfter(~uint64_t{0});
    disk.CutPowerAfter(random() % 30);
    (void)store->Commit();
    std::unique_ptr<SimulatedFileSystem> after = disk.PowerLoss(random);
    StorageError error;
    std::unique_ptr<PageStore> reopened = PageStore::Open("/p.db", &error, *after);
    ASSERT_TRUE(reopened) << "run " << run << ": " << error.message;
    TreeReport report = CheckTable(*reopened, "t");
    ASSERT_EQ(report.problem, "") << "run " << run;
    Workload::Model found = Content(report);
    ASSERT_TRUE(found == committed || found == changed)
        << "run " << run << ": " << found.size() << " rows";
  }
  EXPECT_GT(failedFirstTries, 60);
}
