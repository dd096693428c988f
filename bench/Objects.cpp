// Language objects beside the standard smart pointers: making an object, taking and dropping
// references, and making and releasing a long chain of objects whose finalizers release the
// next one. Prints the ratio of each pair's times (aim: at most 2; an object also joins and
// leaves the live-object list, which a plain heap block does not).
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>

#include "BenchRatio.h"
#include "core/RuntimeClass.h"
#include "core/RuntimeObject.h"

namespace {

constexpr int kReferences = 64;
constexpr int kChain = 10000;

RuntimeClass* PlainClass() {
  static RuntimeClass* cls = [] {
    RuntimeClass* made = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
    made->instanceSize = 32;
    return made;
  }();
  return cls;
}

void ReleaseNext(RuntimeObject* object) {
  RuntimeUnlockObject(*reinterpret_cast<RuntimeObject**>(object + 1));
}

RuntimeClass* ChainClass() {
  static RuntimeClass* cls = [] {
    RuntimeClass* made = RuntimeNewClass(nullptr, 0, 0, 0, 0, 0);
    made->instanceSize = 28;
    made->finalizer = ReleaseNext;
    return made;
  }();
  return cls;
}

struct Payload {
  uint32_t fields[2];
};

void BM_ObjectReferences(benchmark::State& state) {
  for (auto _ : state) {
    RuntimeObject* object = RuntimeNewObject(PlainClass());
    for (int i = 0; i < kReferences; ++i) RuntimeLockObject(object);
    for (int i = 0; i < kReferences; ++i) RuntimeUnlockObject(object);
    benchmark::DoNotOptimize(object);
    RuntimeUnlockObject(object);
  }
}
BENCHMARK(BM_ObjectReferences);

void BM_SharedPtrReferences(benchmark::State& state) {
  std::shared_ptr<Payload> copies[kReferences];
  for (auto _ : state) {
    auto object = std::make_shared<Payload>();
    for (auto& copy : copies) copy = object;
    for (auto& copy : copies) copy.reset();
    benchmark::DoNotOptimize(object.get());
  }
}
BENCHMARK(BM_SharedPtrReferences);

struct Link {
  std::unique_ptr<Link> next;
  // Iterative, as a chain this long would overflow a recursive destructor.
  ~Link() {
    std::unique_ptr<Link> rest = std::move(next);
    while (rest) rest = std::move(rest->next);
  }
};

void BM_ObjectChainRelease(benchmark::State& state) {
  for (auto _ : state) {
    RuntimeObject* head = RuntimeNewObject(ChainClass());
    RuntimeObject* tail = head;
    for (int i = 1; i < kChain; ++i) {
      RuntimeObject* next = RuntimeNewObject(ChainClass());
      *reinterpret_cast<RuntimeObject**>(tail + 1) = next;
      tail = next;
    }
    RuntimeUnlockObject(head);
  }
}
BENCHMARK(BM_ObjectChainRelease);

void BM_UniquePtrChainRelease(benchmark::State& state) {
  for (auto _ : state) {
    auto head = std::make_unique<Link>();
    Link* tail = head.get();
    for (int i = 1; i < kChain; ++i) {
      tail->next = std::make_unique<Link>();
      tail = tail->next.get();
    }
    head.reset();
  }
}
BENCHMARK(BM_UniquePtrChainRelease);

}  // namespace

int main(int argc, char** argv) {
  return qvbench::RunWithRatios(argc, argv,
                                {{"BM_ObjectReferences", "BM_SharedPtrReferences"},
                                 {"BM_ObjectChainRelease", "BM_UniquePtrChainRelease"}},
                                2.0);
}
