// Raising through compiled-style frames (ExceptionFrames.S): handlers found after return
// addresses, entered by rewriting one return address, with every routine in between returning
// normally. Each test runs in a child process, because it builds the exception classes, which
// turns every later raise of the process into a real one.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <random>

#include "arrays/RuntimeArray.h"
#include "core/CodeSymbols.h"
#include "core/ExceptionClasses.h"
#include "core/Exceptions.h"
#include "core/RaiseException.h"
#include "support/TestSupport.h"
#include "values/VariantTypes.h"

extern "C" {
extern const uint8_t ExcCodeBegin[], ExcCodeEnd[];
using Raiser = void (*)(void* argument);
RuntimeObject* ExcHandlerAfterCall(Raiser raiser, void* argument);
RuntimeObject* ExcOuter(Raiser raiser, void* argument, int32_t* innerReturns);
void ExcInner(Raiser raiser, void* argument, int32_t* innerReturns);
RuntimeObject* ExcNested(Raiser raiser, void* argument);
int32_t ExcCloseThenJump(Raiser raiser, void* argument);
int32_t ExcFar(Raiser raiser, void* argument);
uintptr_t ExcLocalHoldsReturn(Raiser raiser, void* argument, uint32_t padding);
extern const uint8_t ExcLocalReturnPoint[];
}

namespace {

// What the raisers saw, for the assertions after the compiled code returned.
RuntimeObject* gRaised = nullptr;
int32_t gCountWhileHeld = 0, gFrameworkReturns = 0, gStackSizeSeenByHook = -2;

// Creates, raises and releases as the framework's raisers do, noting the count in between.
void RaiseFresh(void*) {
  gRaised = RuntimeNewObject(RuntimeExceptionClass());
  RuntimeRaiseException(gRaised);
  gCountWhileHeld = gRaised->refCount;
  RuntimeUnlockObject(gRaised);
}

// A framework routine that realigns its stack: it returns through the original return address,
// above the alignment pad, not through the copy in its frame record.
[[gnu::force_align_arg_pointer, gnu::noinline]] void RaiseFromRealignedFrame(void*) {
  RaiseFresh(nullptr);
  ++gFrameworkReturns;
}

void RaiseAgain(void* exception) {
  RuntimeReraiseException(static_cast<RuntimeObject*>(exception));
}

// A framework routine that raises from inside: an index past the array's bound.
void ReadPastTheEnd(void* array) {
  auto* a = static_cast<RuntimeArray*>(array);
  reinterpret_cast<int32_t (*)(RuntimeArray*, int32_t)>(a->table->get)(a, 99);
  ++gFrameworkReturns;
}

// The names of the exception's Stack, each followed by a space.
std::string StackNames(RuntimeObject* exception) {
  RuntimeArray* stack = RuntimeExceptionStack(exception);
  std::string names;
  const auto get = reinterpret_cast<stringStorage* (*)(RuntimeArray*, int32_t)>(stack->table->get);
  for (int32_t i = 0; i <= RuntimeUBound(stack); ++i) {
    names += string::Adopt(get(stack, i)).CString() + std::string(" ");
  }
  RuntimeUnlockArray(stack);
  return names;
}

// Objects alive in the child beyond those it started with. Earlier tests of the process may
// have left variants in the string-variant pool, which a variant freed meanwhile may join.
int32_t gOutsidePoolAtStart = 0;
int32_t NewLiveObjects() {
  return LiveObjectCount() - int32_t(StringVariantPoolSize()) - gOutsidePoolAtStart;
}

// Runs body in a child (building the exception classes makes every later raise of the process
// real) with the classes built and the test code named as compiled.
void InChild(const std::function<void()>& body) {
  std::string output;
  const int status = qvtest::RunInChild(
      [&] {
        RegisterExceptionClasses();
        gOutsidePoolAtStart = LiveObjectCount() - int32_t(StringVariantPoolSize());
        std::vector<ImageSymbol> symbols;
        for (auto [address, name] :
             {std::pair{(const void*)&ExcHandlerAfterCall, "ExcHandlerAfterCall"},
              {(const void*)&ExcInner, "ExcInner"},
              {(const void*)&ExcOuter, "ExcOuter"}}) {
          symbols.push_back({uint32_t(static_cast<const uint8_t*>(address) - ExcCodeBegin), name});
        }
        SetCompiledCodeRange(ExcCodeBegin, uint32_t(ExcCodeEnd - ExcCodeBegin), &symbols);
        body();
      },
      &output);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
}

TEST(ExceptionsTest, AHandlerAfterTheCallGetsTheExceptionWithItsOwnReference) {
  InChild([] {
    RuntimeObject* caught = ExcHandlerAfterCall(&RaiseFresh, nullptr);
    ASSERT_EQ(caught, gRaised);
    EXPECT_EQ(gCountWhileHeld, 2);
    EXPECT_EQ(caught->refCount, 1);
    EXPECT_EQ(StackNames(caught), "ExcHandlerAfterCall ");
    RuntimeUnlockObject(caught);
    EXPECT_EQ(NewLiveObjects(), 0);
  });
}

// The inner function runs on to its return, then the outer handler runs; without a raise the
// handler is skipped.
TEST(ExceptionsTest, TheInnerFrameReturnsBeforeTheOuterHandlerRuns) {
  InChild([] {
    int32_t innerReturns = 0;
    RuntimeObject* caught = ExcOuter(&RaiseFresh, nullptr, &innerReturns);
    EXPECT_EQ(innerReturns, 1);
    EXPECT_EQ(caught, gRaised);
    EXPECT_EQ(StackNames(caught), "ExcInner ExcOuter ");
    RuntimeUnlockObject(caught);
    EXPECT_EQ(ExcOuter([](void*) {}, nullptr, &innerReturns), nullptr);
  });
}

TEST(ExceptionsTest, AReraiseKeepsTheFirstStackAndAddsAReference) {
  InChild([] {
    int32_t innerReturns = 0;
    RuntimeObject* caught = ExcOuter(&RaiseFresh, nullptr, &innerReturns);
    ASSERT_EQ(caught, gRaised);
    RuntimeObject* again = ExcHandlerAfterCall(&RaiseAgain, caught);
    EXPECT_EQ(again, caught);
    EXPECT_EQ(StackNames(again), "ExcInner ExcOuter ");
    EXPECT_EQ(caught->refCount, 2);
    RuntimeUnlockObject(again);
    RuntimeUnlockObject(caught);
    EXPECT_EQ(NewLiveObjects(), 0);
  });
}

// Regions, jumps that are no markers, and framework routines in between; a handler without a
// variable adds no reference: only the raiser's, dropped at return.
TEST(ExceptionsTest, RegionsAndHandlersWithoutAVariable) {
  InChild([] {
    RuntimeObject* nested = ExcNested(&RaiseFresh, nullptr);
    EXPECT_EQ(nested, gRaised);
    RuntimeUnlockObject(nested);
    EXPECT_EQ(ExcCloseThenJump(&RaiseFresh, nullptr), 3);
    EXPECT_EQ(NewLiveObjects(), 0);
  });
}

TEST(ExceptionsTest, AFrameworkRoutineThatRaisesReturnsNormally) {
  InChild([] {
    RuntimeArray* array = CreateArray(1, kArrayInt32, 2);
    RuntimeObject* caught = ExcHandlerAfterCall(&ReadPastTheEnd, array);
    ASSERT_NE(caught, nullptr);
    EXPECT_EQ(GetObjectClass(caught), OutOfBoundsExceptionClass());
    EXPECT_EQ(gFrameworkReturns, 1);
    EXPECT_EQ(caught->refCount, 1);
    RuntimeUnlockObject(caught);
    RuntimeUnlockArray(array);
  });
}

RuntimeObject* gKept = nullptr;

// Keeps each unhandled exception in gKept, with a reference.
void KeepUnhandled() {
  SetUnhandledExceptionHook([](RuntimeObject* exception) {
    RuntimeLockObject(exception);
    gKept = exception;
  });
}

// No handler, no hook: the report with condition "0", and the raising frame runs on.
TEST(ExceptionsTest, AnUnhandledExceptionIsReported) {
  InChild([] {
    qvtest::ReportCapture reports;
    int32_t innerReturns = 0;
    ExcInner(&RaiseFresh, nullptr, &innerReturns);
    EXPECT_EQ(innerReturns, 1);
    ASSERT_EQ(reports.count(), 1u);
    EXPECT_EQ(reports.reports()[0].code, kErrorFailedAssertion);
    EXPECT_EQ(reports.reports()[0].condition, "0");
  });
}

TEST(ExceptionsTest, AHandlerBeyondAFarFrameIsNotFoundAndTheHookGetsTheException) {
  InChild([] {
    KeepUnhandled();
    EXPECT_EQ(ExcFar(&RaiseFresh, nullptr), 0);  // its handler lies beyond a 4 KB frame
    EXPECT_EQ(gKept, gRaised);
    RuntimeUnlockObject(gKept);
    EXPECT_EQ(NewLiveObjects(), 0);
  });
}

TEST(ExceptionsTest, RaisersMakeTheirClassWithItsMessageAndNilIsIgnored) {
  InChild([] {
    KeepUnhandled();
    string function("cos"), library("libm.so.6"), message("no such key");
    RuntimeRaiseFunctionNotFoundException(function.Storage(), library.Storage());
    EXPECT_EQ(GetObjectClass(gKept), FunctionNotFoundExceptionClass());
    EXPECT_STREQ(stringStorage::CString(AsException(gKept)->message),
                 "Could not load cos from libm.so.6");
    RuntimeUnlockObject(gKept);
    RaiseNewExceptionWithMessage(KeyNotFoundExceptionDefinition(), message.Storage(), 42);
    EXPECT_EQ(AsException(gKept)->message, message.Storage());
    EXPECT_EQ(message.Storage()->refCount, 2);
    EXPECT_EQ(AsException(gKept)->errorNumber, 42);
    EXPECT_EQ(gKept->refCount, 1);
    RuntimeUnlockObject(gKept);
    EXPECT_EQ(message.Storage()->refCount, 1);
    gKept = nullptr;
    RuntimeRaiseException(nullptr);
    RuntimeReraiseException(nullptr);
    EXPECT_EQ(gKept, nullptr);
    EXPECT_EQ(NewLiveObjects(), 0);
  });
}

// The raise hook sees the trace already recorded; a re-raise does not call it again.
TEST(ExceptionsTest, TheRaiseHookSeesTheTraceButNotAReraise) {
  InChild([] {
    SetRaiseExceptionHook([](RuntimeObject* exception) {
      RuntimeArray* stack = RuntimeExceptionStack(exception);
      gStackSizeSeenByHook = RuntimeUBound(stack) + 1;
      RuntimeUnlockArray(stack);
    });
    RuntimeObject* caught = ExcHandlerAfterCall(&RaiseFresh, nullptr);
    EXPECT_EQ(gStackSizeSeenByHook, 1);
    gStackSizeSeenByHook = -2;
    RuntimeUnlockObject(ExcHandlerAfterCall(&RaiseAgain, caught));
    EXPECT_EQ(gStackSizeSeenByHook, -2);
    RuntimeUnlockObject(caught);
  });
}

// Entering the handler rewrites the one word the raising routine returns through, whether or not
// it realigned its stack, and no word of the compiled caller that holds the same address.
TEST(ExceptionsTest, OnlyTheReturnAddressSlotIsRedirected) {
  InChild([] {
    const auto returnPoint = reinterpret_cast<uintptr_t>(ExcLocalReturnPoint);
    for (Raiser raiser : {&RaiseFresh, &RaiseFromRealignedFrame}) {
      for (uint32_t padding : {0, 4, 8, 12})
        EXPECT_EQ(ExcLocalHoldsReturn(raiser, nullptr, padding), returnPoint) << padding;
    }
    EXPECT_EQ(NewLiveObjects(), 0) << "a handler without a variable keeps no reference";
    EXPECT_EQ(gFrameworkReturns, 4) << "the realigned routine returned normally";
  });
}

// Until start-up builds the classes a raise has nothing to create: the report says so.
TEST(ExceptionsTest, RaiseWithoutAClassIsReported) {
  qvtest::ReportCapture reports;
  RaiseNewExceptionOfClass(nullptr);
  EXPECT_TRUE(reports.HasCondition("exclass"));
}

// Markers copied out of the compiled code are not handlers: the framework, libc and GTK hold
// byte patterns of every kind. Within compiled code, a model of the byte scan over random
// streams of markers, jumps and function ends.
TEST(ExceptionsTest, ScanLooksOnlyAtCompiledCodeAndAgreesWithAModel) {
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
    std::mt19937 rng(12345);
    for (int round = 0; round < 300; ++round) {
      std::vector<uint8_t> code;
      while (code.size() < 120) {
        const uint32_t pick = rng() % 8, marker = 0x411 + pick;
        if (pick < 3)
          code.insert(code.end(),
                      {0xE9, 8, 0, 0, 0, uint8_t(marker), uint8_t(marker >> 8), 0, 0, 0, 0, 0, 0});
        if (pick == 3) code.insert(code.end(), {uint8_t(rng() % 2 ? 0xC9 : 0x5D), 0xC3});
        if (pick == 4) code.insert(code.end(), {0xEB, uint8_t(rng())});
        if (pick > 4) code.push_back(uint8_t(rng()));
      }
      // The model: the same rules, written from the description of the markers.
      const uint8_t* expected = nullptr;
      for (size_t i = 0, depth = 0; i < code.size();) {
        const uint8_t b = code[i];
        if ((b == 0xC9 || b == 0x5D) && i + 1 < code.size() && code[i + 1] == 0xC3) break;
        uint32_t w = 0;
        if ((b == 0xE9 || b == 0xEB) && i + 9 <= code.size()) std::memcpy(&w, &code[i + 5], 4);
        if (w == 0x411 && depth == 0) {
          expected = i + 14 <= code.size() ? &code[i] : nullptr;
          break;
        }
        depth += (w == 0x412) - (w == 0x413 && depth > 0);
        i += w >= 0x411 && w <= 0x413            ? 1
             : b == 0xE9 && i + 9 <= code.size() ? 5
             : b == 0xEB && i + 9 <= code.size() ? 2
                                                 : 1;
      }
      SetCompiledCodeRange(code.data(), uint32_t(code.size()), nullptr);
      ASSERT_EQ(FindExceptionHandler(code.data()), expected) << "round " << round;
    }
  });
}

// A jump opcode inside a call's displacement steps the scan over the function's return; the
// next function's handler must still not be taken for this one's.
TEST(ExceptionsTest, ScanStopsWhereTheNextFunctionBegins) {
  InChild([] {
    const std::vector<uint8_t> code = {
        0x6A, 0x00, 0xE8, 0xE9, 0x00, 0x00, 0x00, 0xC9, 0xC3,  // push 0; call; leave; ret
        0x55, 0x89, 0xE5,                                      // the next function
        0xE9, 8, 0, 0, 0, 0x11, 0x04, 0, 0, 0, 0, 0xFC, 0xFF, 0x90, 0xC9, 0xC3};
    std::vector<ImageSymbol> symbols = {{0, string("First")}, {9, string("Second")}};
    SetCompiledCodeRange(code.data(), uint32_t(code.size()), &symbols);
    EXPECT_EQ(FindExceptionHandler(code.data()), nullptr);
    EXPECT_EQ(FindExceptionHandler(code.data() + 9), code.data() + 12);
  });
}

// Before start-up has built the exception classes there is nothing to raise: the report names
// the exception. Other tests of the process build them, so this runs in a fresh one.
void RaiseBeforeTheClassesExist() {
  qvtest::ReportCapture capture;
  RaiseNilObjectException();
  RaiseIllegalCastException();
  EXPECT_EQ(capture.count(), 2u);
  EXPECT_TRUE(capture.HasCondition("NilObjectException"));
  EXPECT_TRUE(capture.HasCondition("IllegalCastException"));
  std::exit(testing::Test::HasFailure() ? 1 : 0);
}

TEST(ExceptionsTest, ARaiseBeforeTheClassesExistIsReportedByName) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(RaiseBeforeTheClassesExist(), testing::ExitedWithCode(0), "");
}

}  // namespace
