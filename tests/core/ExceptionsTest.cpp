// Raising through compiled-style frames (ExceptionFrames.S): handlers found after return
// addresses, entered by rewriting one return address, with every routine in between returning
// normally. Each test runs in a child process, because it builds the exception classes, which
// turns every later raise of the process into a real one.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "arrays/RuntimeArray.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/RaiseException.h"
#include "image/ImageSymbols.h"
#include "support/TestSupport.h"

extern "C" {
extern const uint8_t ExcCodeBegin[], ExcCodeEnd[];
using Raiser = void (*)(void* argument);
RuntimeObject* ExcHandlerAfterCall(Raiser raiser, void* argument);
RuntimeObject* ExcOuter(Raiser raiser, void* argument, int32_t* innerReturns);
void ExcInner(Raiser raiser, void* argument, int32_t* innerReturns);
RuntimeObject* ExcNested(Raiser raiser, void* argument);
int32_t ExcCloseThenJump(Raiser raiser, void* argument);
int32_t ExcFar(Raiser raiser, void* argument);
}

namespace {

// What the raisers saw, for the assertions after the compiled code returned.
struct RaiseRecord {
  RuntimeObject* raised = nullptr;
  int32_t countWhileHeld = 0;
  int32_t frameworkReturns = 0;
};
RaiseRecord gRecord;

// Creates, raises and releases as the framework's raisers do, noting the count in between.
extern "C" void RaiseFresh(void*) {
  RuntimeObject* exception = RuntimeNewObject(RuntimeExceptionClass());
  gRecord.raised = exception;
  RuntimeRaiseException(exception);
  gRecord.countWhileHeld = exception->refCount;
  RuntimeUnlockObject(exception);
}

extern "C" void NoOpRaiser(void*) {}

extern "C" void RaiseAgain(void* exception) {
  RuntimeReraiseException(static_cast<RuntimeObject*>(exception));
}

// A framework routine that raises from inside: an index past the array's bound.
extern "C" void ReadPastTheEnd(void* array) {
  auto* a = static_cast<RuntimeArray*>(array);
  reinterpret_cast<int32_t (*)(RuntimeArray*, int32_t)>(a->table->get)(a, 99);
  ++gRecord.frameworkReturns;
}

std::vector<ImageSymbol> CompiledSymbols() {
  const std::pair<const void*, const char*> functions[] = {
      {reinterpret_cast<const void*>(&ExcHandlerAfterCall), "ExcHandlerAfterCall"},
      {reinterpret_cast<const void*>(&ExcInner), "ExcInner"},
      {reinterpret_cast<const void*>(&ExcOuter), "ExcOuter"},
      {reinterpret_cast<const void*>(&ExcNested), "ExcNested"},
  };
  std::vector<ImageSymbol> symbols;
  for (const auto& [address, name] : functions) {
    symbols.push_back({uint32_t(static_cast<const uint8_t*>(address) - ExcCodeBegin), name});
  }
  return symbols;
}

std::vector<std::string> StackNames(RuntimeObject* exception) {
  RuntimeArray* stack = RuntimeExceptionStack(exception);
  std::vector<std::string> names;
  const auto get = reinterpret_cast<stringStorage* (*)(RuntimeArray*, int32_t)>(stack->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(stack); ++i) {
    stringStorage* name = get(stack, i);
    names.push_back(stringStorage::CString(name));
    stringStorage::RemoveReference(name);
  }
  RuntimeUnlockArray(stack);
  return names;
}

RuntimeObject* gUnhandled = nullptr;
void NoteUnhandled(RuntimeObject* exception) { gUnhandled = exception; }

// Runs body in a child with the exception classes built and the test code named as compiled.
void InChild(const std::function<void()>& body) {
  std::string output;
  const int status = qvtest::RunInChild(
      [&] {
        RegisterExceptionClasses();
        const std::vector<ImageSymbol> symbols = CompiledSymbols();
        SetCompiledCodeRange(ExcCodeBegin, uint32_t(ExcCodeEnd - ExcCodeBegin), &symbols);
        body();
        std::fflush(stdout);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

TEST(ExceptionsTest, HandlerRightAfterTheCallGetsTheExceptionWithItsOwnReference) {
  InChild([] {
    RuntimeObject* caught = ExcHandlerAfterCall(&RaiseFresh, nullptr);
    ASSERT_EQ(caught, gRecord.raised);
    EXPECT_EQ(gRecord.countWhileHeld, 2);
    EXPECT_EQ(caught->refCount, 1);
    EXPECT_EQ(StackNames(caught), std::vector<std::string>{"ExcHandlerAfterCall"});
    RuntimeUnlockObject(caught);
  });
}

TEST(ExceptionsTest, InnerFunctionRunsOnToItsReturnThenTheOuterHandlerRuns) {
  InChild([] {
    int32_t innerReturns = 0;
    RuntimeObject* caught = ExcOuter(&RaiseFresh, nullptr, &innerReturns);
    EXPECT_EQ(innerReturns, 1);
    ASSERT_EQ(caught, gRecord.raised);
    EXPECT_EQ(StackNames(caught), (std::vector<std::string>{"ExcInner", "ExcOuter"}));
    RuntimeUnlockObject(caught);
    EXPECT_EQ(ExcOuter(&NoOpRaiser, nullptr, &innerReturns), nullptr);
  });
}

TEST(ExceptionsTest, RegionsAndJumpsThatAreNoMarkers) {
  InChild([] {
    RuntimeObject* nested = ExcNested(&RaiseFresh, nullptr);
    EXPECT_EQ(nested, gRecord.raised);
    RuntimeUnlockObject(nested);
    // A handler without a variable adds no reference: only the raiser's, dropped at return.
    EXPECT_EQ(ExcCloseThenJump(&RaiseFresh, nullptr), 3);
    EXPECT_EQ(LiveObjectCount(), 0);
  });
}

TEST(ExceptionsTest, FrameworkRoutinesBetweenReturnNormally) {
  InChild([] {
    RuntimeArray* array = CreateArray(1, kArrayInt32, 2);
    RuntimeObject* caught = ExcHandlerAfterCall(&ReadPastTheEnd, array);
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(GetObjectClass(caught), OutOfBoundsExceptionClass());
    EXPECT_EQ(gRecord.frameworkReturns, 1);
    EXPECT_EQ(caught->refCount, 1);
    RuntimeUnlockObject(caught);
    RuntimeUnlockArray(array);
    caught = ExcHandlerAfterCall([](void*) { RaiseNilObjectException(); }, nullptr);
    EXPECT_EQ(GetObjectClass(caught), NilObjectExceptionClass());
    RuntimeUnlockObject(caught);
  });
}

TEST(ExceptionsTest, ReraiseKeepsTheFirstStack) {
  InChild([] {
    int32_t innerReturns = 0;
    RuntimeObject* caught = ExcOuter(&RaiseFresh, nullptr, &innerReturns);
    RuntimeObject* again = ExcHandlerAfterCall(&RaiseAgain, caught);
    EXPECT_EQ(again, caught);
    EXPECT_EQ(StackNames(again), (std::vector<std::string>{"ExcInner", "ExcOuter"}));
    EXPECT_EQ(caught->refCount, 2);
    RuntimeUnlockObject(again);
    RuntimeUnlockObject(caught);
  });
}

TEST(ExceptionsTest, NoReachableHandlerTakesTheUnhandledPath) {
  InChild([] {
    {
      qvtest::ReportCapture reports;
      int32_t innerReturns = 0;
      ExcInner(&RaiseFresh, nullptr, &innerReturns);
      EXPECT_EQ(innerReturns, 1);
      ASSERT_EQ(reports.count(), 1u);
      EXPECT_EQ(reports.reports()[0].code, kErrorFailedAssertion);
      EXPECT_EQ(reports.reports()[0].condition, "0");
    }
    SetUnhandledExceptionHook(&NoteUnhandled);
    EXPECT_EQ(ExcFar(&RaiseFresh, nullptr), 0);  // its handler lies beyond a 4 KB frame
    EXPECT_EQ(gUnhandled, gRecord.raised);
    SetUnhandledExceptionHook(nullptr);
    EXPECT_EQ(LiveObjectCount(), 0);
  });
}

RuntimeObject* gKept = nullptr;
void KeepUnhandled(RuntimeObject* exception) {
  RuntimeLockObject(exception);
  gKept = exception;
}
int32_t gStackSizeSeenByHook = -2;
void NoteRaise(RuntimeObject* exception) {
  RuntimeArray* stack = RuntimeExceptionStack(exception);
  gStackSizeSeenByHook = RuntimeUBound(stack) + 1;
  RuntimeUnlockArray(stack);
}

TEST(ExceptionsTest, RaisersWithMessagesAndHooks) {
  InChild([] {
    SetUnhandledExceptionHook(&KeepUnhandled);
    string function("cos"), library("libm.so.6");
    RuntimeRaiseFunctionNotFoundException(function.Storage(), library.Storage());
    ASSERT_NE(gKept, nullptr);
    EXPECT_EQ(GetObjectClass(gKept), FunctionNotFoundExceptionClass());
    EXPECT_STREQ(stringStorage::CString(AsException(gKept)->message),
                 "Could not load cos from libm.so.6");
    EXPECT_EQ(AsException(gKept)->errorNumber, 0);
    RuntimeUnlockObject(gKept);

    string message("no such key");
    RaiseNewExceptionWithMessage(KeyNotFoundExceptionDefinition(), message.Storage(), 42);
    EXPECT_EQ(AsException(gKept)->message, message.Storage());
    EXPECT_EQ(message.Storage()->refCount, 2);
    EXPECT_EQ(AsException(gKept)->errorNumber, 42);
    EXPECT_EQ(gKept->refCount, 1);
    RuntimeUnlockObject(gKept);
    EXPECT_EQ(message.Storage()->refCount, 1);
    SetUnhandledExceptionHook(nullptr);

    // The raise hook sees the trace already recorded; a re-raise does not call it again.
    SetRaiseExceptionHook(&NoteRaise);
    RuntimeObject* caught = ExcHandlerAfterCall(&RaiseFresh, nullptr);
    EXPECT_EQ(gStackSizeSeenByHook, 1);
    gStackSizeSeenByHook = -2;
    RuntimeUnlockObject(ExcHandlerAfterCall(&RaiseAgain, caught));
    EXPECT_EQ(gStackSizeSeenByHook, -2);
    SetRaiseExceptionHook(nullptr);
    RuntimeUnlockObject(caught);
    RuntimeRaiseException(nullptr);
    RuntimeReraiseException(nullptr);
    EXPECT_EQ(LiveObjectCount(), 0);
  });
}

// Until start-up builds the classes a raise has nothing to create: the report says so.
TEST(ExceptionsTest, RaiseWithoutAClassIsReported) {
  qvtest::ReportCapture reports;
  RaiseNewExceptionOfClass(nullptr);
  EXPECT_TRUE(reports.HasCondition("exclass"));
}

// Markers copied out of the compiled code are not handlers: the framework, libc and GTK hold
// byte patterns of every kind.
TEST(ExceptionsTest, ScanLooksOnlyAtCompiledCode) {
  InChild([] {
    const uint8_t* start = reinterpret_cast<const uint8_t*>(&ExcHandlerAfterCall);
    const uint8_t* handler = FindExceptionHandler(start);
    ASSERT_NE(handler, nullptr);
    EXPECT_EQ(handler[0], 0xE9);
    std::vector<uint8_t> copy(start, ExcCodeEnd);
    EXPECT_EQ(FindExceptionHandler(copy.data()), nullptr);
    // Ending the range inside the header leaves nothing whole to take.
    SetCompiledCodeRange(ExcCodeBegin, uint32_t(handler + 10 - ExcCodeBegin), nullptr);
    EXPECT_EQ(FindExceptionHandler(start), nullptr);
    qvtest::ReportCapture reports;
    EXPECT_EQ(FindExceptionHandler(nullptr), nullptr);
    EXPECT_TRUE(reports.HasCondition("ptr"));
  });
}

// A model of the byte scan over random streams of markers, jumps and function ends.
TEST(ExceptionsTest, ScanAgreesWithAModelOnRandomCode) {
  InChild([] {
    std::vector<uint8_t> code;
    uint32_t seed = 12345;
    auto next = [&seed] { return (seed = seed * 1103515245u + 12345u) >> 16; };
    for (int round = 0; round < 300; ++round) {
      code.clear();
      while (code.size() < 120) {
        const uint32_t pick = next() % 8;
        if (pick < 3) {
          const uint32_t marker = 0x411 + pick;
          const uint8_t header[13] = {0xE9, 8, 0, 0, 0, uint8_t(marker), uint8_t(marker >> 8)};
          code.insert(code.end(), header, header + 13);
        } else if (pick == 3) {
          code.insert(code.end(), {uint8_t(next() % 2 ? 0xC9 : 0x5D), 0xC3});
        } else if (pick == 4) {
          code.insert(code.end(), {0xEB, uint8_t(next())});
        } else {
          code.push_back(uint8_t(next()));
        }
      }
      // The model: the same rules, written from the description of the markers.
      const uint8_t* expected = nullptr;
      int depth = 0;
      for (size_t i = 0; i < code.size();) {
        const uint8_t b = code[i];
        if ((b == 0xC9 || b == 0x5D) && i + 1 < code.size() && code[i + 1] == 0xC3) break;
        if ((b == 0xE9 || b == 0xEB) && i + 9 <= code.size()) {
          uint32_t w;
          std::memcpy(&w, &code[i + 5], 4);
          if (w == 0x411 && depth == 0) {
            if (i + 14 <= code.size()) expected = &code[i];
            break;
          }
          if (w == 0x412) ++depth;
          if (w == 0x413 && depth > 0) --depth;
          i += (w >= 0x411 && w <= 0x413) ? 1 : (b == 0xE9 ? 5 : 2);
          continue;
        }
        ++i;
      }
      SetCompiledCodeRange(code.data(), uint32_t(code.size()), nullptr);
      ASSERT_EQ(FindExceptionHandler(code.data()), expected) << "round " << round;
    }
  });
}

}  // namespace
