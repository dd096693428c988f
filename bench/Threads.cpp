// Switching between language threads: 100,000 YieldToNextThread round trips between two
// language threads (the main thread suspended meanwhile), beside two POSIX threads passing a
// token through a mutex and two condition variables, the least a handover between two real
// threads does. swapcontext between two contexts on one thread is reported for scale.
#include <pthread.h>
#include <ucontext.h>

#include "BenchRatio.h"
#include "app/ExternalClasses.h"
#include "app/ThreadClass.h"
#include "app/ThreadScheduler.h"
#include "core/EventHandlers.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/Startup.h"

namespace {

constexpr int kRoundTrips = 100000;

// ---- language threads ----

int gFinished = 0;

void YieldRoundTrips(RuntimeObject*) {
  for (int i = 0; i < kRoundTrips; ++i) YieldToNextThread(nullptr);
  if (++gFinished == 2) ResumeThreadRecord(MainThreadRecord());
}

RuntimeObject* NewYieldingThread() {
  RuntimeObject* thread = NewObjectFromDefinition(ThreadClassDefinition());
  RuntimeInstallInstanceEventHandler(thread, string("Run").Storage(),
                                     reinterpret_cast<void*>(&YieldRoundTrips));
  ThreadSetPriority(thread, 0, 1);
  return thread;
}

void BM_LanguageThreadRoundTrips(benchmark::State& state) {
  RuntimeObject* a = NewYieldingThread();
  RuntimeObject* b = NewYieldingThread();
  for (auto _ : state) {
    gFinished = 0;
    threadRun(a);
    threadRun(b);
    SuspendThreadRecord(MainThreadRecord());  // back when both are done
  }
  RuntimeUnlockObject(a);
  RuntimeUnlockObject(b);
}
BENCHMARK(BM_LanguageThreadRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- two POSIX threads and a token ----

struct Token {
  pthread_mutex_t mutex = PTHREAD_MUTEX_INITIALIZER;
  pthread_cond_t turn[2] = {PTHREAD_COND_INITIALIZER, PTHREAD_COND_INITIALIZER};
  int holder = 0;
};

struct Player {
  Token* token;
  int me;
};

void* PassTheToken(void* argument) {
  auto* player = static_cast<Player*>(argument);
  Token& token = *player->token;
  pthread_mutex_lock(&token.mutex);
  for (int i = 0; i < kRoundTrips; ++i) {
    while (token.holder != player->me) pthread_cond_wait(&token.turn[player->me], &token.mutex);
    token.holder = 1 - player->me;
    pthread_cond_signal(&token.turn[1 - player->me]);
  }
  pthread_mutex_unlock(&token.mutex);
  return nullptr;
}

void BM_PosixTokenRoundTrips(benchmark::State& state) {
  for (auto _ : state) {
    Token token;
    Player players[2] = {{&token, 0}, {&token, 1}};
    pthread_t threads[2];
    for (int i = 0; i < 2; ++i) pthread_create(&threads[i], nullptr, PassTheToken, &players[i]);
    for (pthread_t thread : threads) pthread_join(thread, nullptr);
  }
}
BENCHMARK(BM_PosixTokenRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- two contexts on one thread, for scale ----

ucontext_t gMainContext, gOtherContext;
char gOtherStack[64 * 1024];

void OtherSide() {
  for (;;) swapcontext(&gOtherContext, &gMainContext);
}

void BM_SwapcontextRoundTrips(benchmark::State& state) {
  getcontext(&gOtherContext);
  gOtherContext.uc_stack.ss_sp = gOtherStack;
  gOtherContext.uc_stack.ss_size = sizeof gOtherStack;
  gOtherContext.uc_link = nullptr;
  makecontext(&gOtherContext, OtherSide, 0);
  for (auto _ : state) {
    for (int i = 0; i < kRoundTrips; ++i) swapcontext(&gMainContext, &gOtherContext);
  }
}
BENCHMARK(BM_SwapcontextRoundTrips)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  RuntimeInitExternalClasses();
  return qvbench::RunWithRatios(
      argc, argv,
      {{"BM_LanguageThreadRoundTrips/real_time", "BM_PosixTokenRoundTrips/real_time", 2.0},
       {"BM_SwapcontextRoundTrips/real_time", "BM_PosixTokenRoundTrips/real_time", 0}});
}
