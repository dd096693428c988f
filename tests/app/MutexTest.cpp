// Mutex: re-entry and the owner rule within a process, and the lock file that excludes other
// processes: another framework process and flock(1) holding the name, a file replaced between
// the open and the lock, names that would leave the temporary folder, a planted link, and how
// soon a waiter gets in once the other process lets go.
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "SpawnedProcess.h"
#include "ThreadTestSupport.h"
#include "app/FolderItemImp.h"
#include "app/ThreadLocks.h"
#include "support/TempFolder.h"
#include "support/TestSupport.h"

namespace fs = std::filesystem;

namespace {

using qvtest::MainWaitsForThreads;
using qvtest::MainWaitsUntil;
using qvtest::NowMs;
using qvtest::ThreadRaises;

RuntimeObject* gMutex = nullptr;
std::string gLog;
int64_t gEnteredAt = 0;

// A name no other test process uses; its lock file lies in /tmp.
std::string UniqueName(const std::string& stem) {
  return "qvmutex-" + stem + "-" + std::to_string(getpid());
}
std::string LockPath(const std::string& name) { return "/tmp/" + MutexLockFileName(name); }

RuntimeObject* NewMutex(const std::string& name) {
  RuntimeObject* mutex = NewObjectFromDefinition(MutexClassDefinition());
  MutexContructor(mutex, string(name.c_str()).Storage());
  return mutex;
}

MutexObject* Fields(RuntimeObject* mutex) { return reinterpret_cast<MutexObject*>(mutex); }

// True while some process holds the file's flock: flock(1) cannot take it.
bool HeldElsewhere(const std::string& path) {
  return qvtest::RunProgram({"flock", "-n", path, "true"}) != 0;
}

class MutexTest : public qvtest::LanguageThreadTest {
 protected:
  void SetUp() override {
    LanguageThreadTest::SetUp();
    gLog.clear();
    gEnteredAt = 0;
  }
  void TearDown() override {
    LanguageThreadTest::TearDown();
    RuntimeUnlockObject(gMutex);
    gMutex = nullptr;
    SetMutexLockSeamForTesting(nullptr);
  }
};

// flock(1) holding the lock file of name until it is let go.
class FlockHolder {
 public:
  explicit FlockHolder(const std::string& name)
      : mProcess({.program = "/usr/bin/flock",
                  .argv = {"flock", LockPath(name), "-c", "echo held; cat"}}) {}
  bool Holds() { return mProcess.WaitForOutput("held\n"); }
  // True when flock ended as it should.
  bool LetGo() {
    mProcess.CloseInput();
    return qvtest::ExitedWith(mProcess.Finish(), 0);
  }

 private:
  qvtest::SpawnedProcess mProcess;
};

void LeaveWithoutOwning(RuntimeObject*) {
  MutexUnlock(gMutex);
  gLog = ThreadRaises::OnCurrentThread();
}

TEST_F(MutexTest, TheOwnerEntersAgainAtOnceAndOnlyTheOwnerLeaves) {
  const std::string name = UniqueName("reentry");
  gMutex = NewMutex(name);
  MutexLock(gMutex);
  MutexLock(gMutex);
  EXPECT_EQ(Fields(gMutex)->lock.lockCount, 2);
  EXPECT_EQ(MutexTryLock(gMutex), 1);
  EXPECT_TRUE(HeldElsewhere(LockPath(name)));
  RuntimeObject* other = qvtest::NewThread(LeaveWithoutOwning);
  threadRun(other);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog,
            "IllegalLockingException: The thread which Signaled the Mutex must be the thread to "
            "Release the Mutex [3]");
  for (int i = 0; i < 3; ++i) MutexUnlock(gMutex);
  EXPECT_EQ(Fields(gMutex)->lock.owner, nullptr);
  EXPECT_FALSE(HeldElsewhere(LockPath(name)));
  RuntimeUnlockObject(gMutex);
  gMutex = nullptr;
  EXPECT_FALSE(fs::exists(LockPath(name))) << "the finalizer deletes the file it holds";
  RuntimeUnlockObject(other);
}

// A forked framework process holds the name; this one's TryEnter fails until it lets go. Each
// process has a TMPDIR of its own (as pam_tmpdir, a sandbox or a service gives one): the name is
// met all the same. The fork waits for the threads of earlier tests to end: the child must not
// inherit a lock one of them held. Each side keeps only its own ends, so that a child that dies
// ends the wait.
TEST_F(MutexTest, ANameHeldByAnotherFrameworkProcess) {
  const std::string name = UniqueName("process");
  qvtest::TempFolder ours("qvmutextmp"), theirs("qvmutextmp");
  qvtest::ScopedEnvironmentVariable folder("TMPDIR", ours.path().c_str());
  int held[2], release[2];
  ASSERT_EQ(pipe(held), 0);
  ASSERT_EQ(pipe(release), 0);
  const pid_t child = qvtest::ForkTestChild();
  if (child == 0) {
    close(held[0]);
    close(release[1]);
    setenv("TMPDIR", theirs.path().c_str(), 1);
    RuntimeObject* mutex = NewMutex(name);
    MutexLock(mutex);
    char byte = 'h';
    (void)!write(held[1], &byte, 1);
    (void)!read(release[0], &byte, 1);
    MutexUnlock(mutex);
    _exit(0);
  }
  close(held[1]);
  close(release[0]);
  char byte;
  const bool childHolds = child > 0 && read(held[0], &byte, 1) == 1;
  if (childHolds) {
    gMutex = NewMutex(name);
    EXPECT_EQ(MutexTryLock(gMutex), 0);
    (void)!write(release[1], "r", 1);
  }
  close(held[0]);
  close(release[1]);
  int status = 0;
  if (child > 0) waitpid(child, &status, 0);
  ASSERT_TRUE(childHolds) << "the child ended without holding the name, status " << status;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_EQ(MutexTryLock(gMutex), 1);
  MutexUnlock(gMutex);
}

void EnterAndNote(RuntimeObject*) {
  MutexLock(gMutex);
  gEnteredAt = NowMs();
  MutexUnlock(gMutex);
}

// flock(1) holds the file; a thread's Enter sleeps and tries again, and gets in soon after the
// other process lets go (the main thread holds the baton while it waits for flock to end, so
// the thread cannot have got in before). It tries every 10 ms; the bound (stretched by the
// slow-run factor) only tells a wait that tries again from one that does not.
TEST_F(MutexTest, AWaitForAnotherProcessEndsSoonAfterTheRelease) {
  const std::string name = UniqueName("flock");
  gMutex = NewMutex(name);
  FlockHolder holder(name);
  ASSERT_TRUE(holder.Holds());
  EXPECT_EQ(MutexTryLock(gMutex), 0);
  RuntimeObject* thread = qvtest::NewThread(EnterAndNote);
  threadRun(thread);
  MainWaitsUntil([] { return false; }, 100);
  EXPECT_EQ(gEnteredAt, 0);
  EXPECT_TRUE(holder.LetGo());
  const int64_t released = NowMs();
  EXPECT_TRUE(MainWaitsForThreads());
  ASSERT_NE(gEnteredAt, 0);
  EXPECT_GE(gEnteredAt, released);
  EXPECT_LT(gEnteredAt - released, qvtest::TimeLimit(1000));
  RuntimeUnlockObject(thread);
}

void EnterAndKeep(RuntimeObject* self) {
  MutexLock(gMutex);
  gLog += "owner in ";
  ThreadSleep(self, 60000, 0);
}

void EnterThenLog(RuntimeObject*) {
  MutexLock(gMutex);
  if (ThreadRaises::Raised()) {
    gLog += ThreadRaises::OnCurrentThread() + " ";
    return;
  }
  gLog += "in ";
  MutexUnlock(gMutex);
}

// A waiter killed in the queue leaves it; an owner killed while it holds the Mutex gives it to
// the next waiter, and the file's lock goes once nobody in the process owns it.
TEST_F(MutexTest, KilledWaitersLeaveTheQueueAndAKilledOwnerHandsTheMutexOn) {
  const std::string name = UniqueName("killed");
  gMutex = NewMutex(name);
  RuntimeObject* owner = qvtest::NewThread(EnterAndKeep);
  RuntimeObject* doomed = qvtest::NewThread(EnterThenLog);
  RuntimeObject* waiter = qvtest::NewThread(EnterThenLog);
  qvtest::RunUntilItStops(owner);
  qvtest::RunUntilItStops(doomed);
  qvtest::RunUntilItStops(waiter);
  EXPECT_EQ(Fields(gMutex)->lock.queue->size(), 2u);
  ThreadKill(doomed);
  EXPECT_EQ(gLog, "owner in ThreadEndException ");
  EXPECT_EQ(Fields(gMutex)->lock.queue->size(), 1u);
  EXPECT_EQ(Fields(gMutex)->lock.owner, qvtest::RecordOf(owner));
  ThreadKill(owner);
  EXPECT_TRUE(MainWaitsForThreads());
  EXPECT_EQ(gLog, "owner in ThreadEndException in ");
  EXPECT_EQ(Fields(gMutex)->lock.owner, nullptr);
  EXPECT_TRUE(Fields(gMutex)->lock.queue->empty());
  EXPECT_FALSE(HeldElsewhere(LockPath(name)));
  gLog.clear();
  qvtest::RunUntilItStops(owner);
  EXPECT_TRUE(HeldElsewhere(LockPath(name)));
  ThreadKill(owner);
  EXPECT_EQ(Fields(gMutex)->lock.owner, nullptr);
  EXPECT_FALSE(HeldElsewhere(LockPath(name))) << "an owner killed alone drops the file's lock";
  for (RuntimeObject* thread : {owner, doomed, waiter}) RuntimeUnlockObject(thread);
}

// The file is replaced between the open and the lock (as when its holder deleted it and
// another process made it anew): the lock taken on the old file does not count.
TEST_F(MutexTest, ALockOnAFileReplacedMeanwhileIsTakenAgainOnTheNewOne) {
  const std::string name = UniqueName("race");
  gMutex = NewMutex(name);
  static int seamCalls = 0;
  seamCalls = 0;
  SetMutexLockSeamForTesting([](const char* path) {
    if (seamCalls++ > 0) return;
    unlink(path);
    close(open(path, O_CREAT | O_WRONLY, 0644));
  });
  EXPECT_EQ(MutexTryLock(gMutex), 1);
  EXPECT_EQ(seamCalls, 2);
  EXPECT_TRUE(HeldElsewhere(LockPath(name)));
  MutexUnlock(gMutex);
}

// The finalizer of a Mutex that does not hold the file leaves it while another process does.
TEST_F(MutexTest, TheFileStaysWhileAnotherProcessHoldsIt) {
  const std::string name = UniqueName("stays");
  gMutex = NewMutex(name);
  FlockHolder holder(name);
  ASSERT_TRUE(holder.Holds());
  RuntimeUnlockObject(gMutex);
  gMutex = nullptr;
  EXPECT_TRUE(fs::exists(LockPath(name)));
  EXPECT_TRUE(holder.LetGo());
  fs::remove(LockPath(name));
}

TEST_F(MutexTest, NamesStayInsideTheTemporaryFolder) {
  EXPECT_EQ(MutexLockFileName("."), "%2E");
  EXPECT_EQ(MutexLockFileName(".."), "%2E%2E");
  EXPECT_EQ(MutexLockFileName("a/b"), "a%2Fb");
  EXPECT_EQ(MutexLockFileName("..."), "...");
  const std::string stem = UniqueName("names");
  for (const std::string& name : {"../" + stem, stem + "/b", std::string(".")}) {
    RuntimeObject* mutex = NewMutex(name);
    const std::string path = LockPath(name);
    EXPECT_EQ(fs::path(path).parent_path(), "/tmp") << name;
    EXPECT_TRUE(fs::is_regular_file(path)) << path;
    EXPECT_EQ(MutexTryLock(mutex), 1) << name;
    MutexUnlock(mutex);
    RuntimeUnlockObject(mutex);
    EXPECT_FALSE(fs::exists(path)) << path;
  }
  EXPECT_FALSE(fs::exists("/" + stem));
}

// A link planted under the name is neither followed nor deleted, and its target is untouched;
// the Mutex has no lock file and takes nothing.
TEST_F(MutexTest, APlantedLinkIsNeverOpenedOrDeleted) {
  const std::string name = UniqueName("link");
  const std::string target = "/tmp/" + name + "-target";
  { std::ofstream(target) << "keep"; }
  fs::create_symlink(target, LockPath(name));
  qvtest::ReportCapture reports;
  gMutex = NewMutex(name);
  EXPECT_TRUE(reports.HasCondition("mutex->mLockFile"));
  EXPECT_EQ(MutexTryLock(gMutex), 0);
  RuntimeUnlockObject(gMutex);
  gMutex = nullptr;
  EXPECT_TRUE(fs::is_symlink(LockPath(name)));
  std::ifstream in(target);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "keep");
  fs::remove(LockPath(name));
  fs::remove(target);
}

// Without a name the file gets one of its own, deleted with the Mutex; it is the process's own,
// in its temporary folder.
TEST_F(MutexTest, AnUnnamedMutexHasAFileOfItsOwn) {
  qvtest::TempFolder own("qvmutextmp");
  qvtest::ScopedEnvironmentVariable folder("TMPDIR", own.path().c_str());
  gMutex = NewMutex("");
  ASSERT_NE(Fields(gMutex)->lockFile, nullptr);
  const std::string path = Fields(gMutex)->lockFile->GetPath().CString();
  EXPECT_EQ(fs::path(path).parent_path(), own.path());
  EXPECT_EQ(MutexTryLock(gMutex), 1);
  EXPECT_TRUE(HeldElsewhere(path));
  RuntimeUnlockObject(gMutex);
  gMutex = nullptr;
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
