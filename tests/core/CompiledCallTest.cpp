// Calls into compiled code: arguments and results in the shapes compiled code uses, and the
// protecting references with the still-open answer. The handlers below are declared as
// compiled code sees its parameters: every value of 32 bits or less is a full word.
#include <gtest/gtest.h>

#include <cstring>

#include "TestClasses.h"
#include "core/CompiledCall.h"
#include "support/TestSupport.h"

namespace {

struct Seen {
  RuntimeObject* object;
  int32_t small;
  uint32_t byte, flag;
  int64_t wide;
  double real;
  float single;
} gSeen;

extern "C" uint32_t TakesEveryShape(RuntimeObject* object, int32_t small, uint32_t byte,
                                    uint32_t flag, int64_t wide, double real, float single) {
  gSeen = {object, small, byte, flag, wide, real, single};
  return 0x1234;
}

// Booleans whose upper bytes are not clean, as C plug-ins leave them: only AL counts.
extern "C" uint32_t DirtyTrue() { return 0xABCDEF01u; }
extern "C" uint32_t DirtyFalse() { return 0xABCDEF00u; }
extern "C" uint64_t Joined(uint32_t low, uint32_t high) { return uint64_t(high) << 32 | low; }
extern "C" double Scaled(double x, int32_t n) { return x * n; }
extern "C" float Halved(float x) { return x / 2; }
extern "C" RuntimeObject* Echo(RuntimeObject* object) { return object; }

int32_t gCalls = 0;
RuntimeObject* gOtherHolder = nullptr;  // stands for the window list holding an object

// Drops the other holder's reference, as a handler that closes its window does.
extern "C" void ReleasesTheHolder(RuntimeObject*) {
  ++gCalls;
  RuntimeUnlockObject(gOtherHolder);
  gOtherHolder = nullptr;
}

// Marks the object closing in its first field.
extern "C" void StartsClosing(RuntimeObject* object) {
  ++gCalls;
  qvtest::Field(object, 0) = 1;
}

struct FieldCloseState final : ObjectCloseState {
  bool IsClosing(const RuntimeObject* object) const override {
    return qvtest::Field(const_cast<RuntimeObject*>(object), 0) != 0;
  }
} const kFieldCloseState;

template <typename F>
const void* Code(F* function) {
  return reinterpret_cast<const void*>(function);
}

enum class Mode : int16_t { kLeft = -3 };

TEST(CompiledCallTest, ArgumentsAndResultsTravelAsCompiledCodeHasThem) {
  CompiledCall call;
  RuntimeObject* object = reinterpret_cast<RuntimeObject*>(0x1000);
  EXPECT_EQ(call.Invoke<int32_t>(Code(&TakesEveryShape), object, int16_t(-5), uint8_t(200), true,
                                 int64_t(-1) << 40, 2.5, 0.25f),
            0x1234);
  EXPECT_EQ(gSeen.object, object);
  EXPECT_EQ(gSeen.small, -5);
  EXPECT_EQ(gSeen.byte, 200u);
  EXPECT_EQ(gSeen.flag, 1u);
  EXPECT_EQ(gSeen.wide, int64_t(-1) << 40);
  EXPECT_EQ(gSeen.real, 2.5);
  EXPECT_EQ(gSeen.single, 0.25f);
  call.Invoke(Code(&TakesEveryShape), nullptr, Mode::kLeft, char(-1), false, uint64_t(7), 0.0,
              -1.0f);
  EXPECT_EQ(gSeen.object, nullptr);
  EXPECT_EQ(gSeen.small, -3);
  EXPECT_EQ(gSeen.byte, 0xFFFFFFFFu);  // a signed char widens with its sign
  EXPECT_EQ(gSeen.flag, 0u);

  EXPECT_TRUE(call.Invoke<bool>(Code(&DirtyTrue)));
  EXPECT_FALSE(call.Invoke<bool>(Code(&DirtyFalse)));
  EXPECT_EQ(call.Invoke<uint64_t>(Code(&Joined), 0x89ABCDEFu, 0x01234567u), 0x0123456789ABCDEFull);
  EXPECT_EQ(call.Invoke<int64_t>(Code(&Joined), 0u, 0x80000000u), INT64_MIN);
  EXPECT_EQ(call.Invoke<double>(Code(&Scaled), 1.25, -4), -5.0);
  EXPECT_EQ(call.Invoke<float>(Code(&Halved), 3.0f), 1.5f);
  EXPECT_EQ(call.Invoke<RuntimeObject*>(Code(&Echo), object), object);
  // No handler: nothing is called and the result is neutral.
  EXPECT_EQ(call.Invoke<int32_t>(nullptr, object), 0);
  EXPECT_FALSE(call.Invoke<bool>(nullptr));
  EXPECT_EQ(call.UnhandledCount(), 0);
  EXPECT_EQ(GetCurrentThreadRecord()->InnermostBarrier(), nullptr);
}

TEST(CompiledCallTest, ProtectedObjectsOutliveTheHandlerAndReportWhetherStillOpen) {
  RuntimeClass* cls = qvtest::MakeClass(nullptr, "Protected", 1);
  const int32_t liveBefore = LiveObjectCount();
  RuntimeObject* window = RuntimeNewObject(cls);  // held only by "the window list"
  RuntimeObject* control = RuntimeNewObject(cls);
  gOtherHolder = window;
  gCalls = 0;
  {
    CompiledCall call;
    call.Protect(window).Protect(control, &kFieldCloseState).Protect(window).Protect(nullptr);
    EXPECT_EQ(window->refCount, 2);  // protected once, however often named
    EXPECT_TRUE(call.StillOpen());
    call.Invoke(Code(&ReleasesTheHolder), window);
    EXPECT_EQ(gCalls, 1);
    // Only the call's reference keeps the window now: not open, but still safe to read.
    EXPECT_FALSE(call.StillOpen());
    EXPECT_FALSE(call.StillOpen(window));
    EXPECT_TRUE(call.StillOpen(control));
    EXPECT_EQ(window->refCount, 1);
    EXPECT_EQ(LiveObjectCount(), liveBefore + 2);
    call.Invoke(Code(&StartsClosing), control);
    EXPECT_FALSE(call.StillOpen(control));  // referenced, but its close state says closing
    EXPECT_FALSE(call.StillOpen(gOtherHolder));  // nil: not an object this call protects
  }
  // The call's references were the window's last: it is freed with the call.
  EXPECT_EQ(LiveObjectCount(), liveBefore + 1);
  EXPECT_EQ(control->refCount, 1);
  RuntimeUnlockObject(control);
  EXPECT_EQ(LiveObjectCount(), liveBefore);
}

// Too many objects, or one already being freed: nothing is called, nothing counts as open.
TEST(CompiledCallTest, ProtectionThatFailsCallsNothing) {
  RuntimeClass* cls = qvtest::MakeClass(nullptr, "Crowded", 1);
  RuntimeObject* objects[CompiledCall::kMaxProtected + 1];
  for (RuntimeObject*& object : objects) object = RuntimeNewObject(cls);
  RuntimeObject dying;
  std::memset(&dying, 0, sizeof dying);
  gCalls = 0;
  for (int crowded = 0; crowded < 2; ++crowded) {
    qvtest::ReportCapture reports;
    CompiledCall call;
    if (crowded) {
      for (RuntimeObject* object : objects) call.Protect(object);
    } else {
      call.Protect(&dying);
    }
    EXPECT_EQ(reports.count(), 1u);
    call.Invoke(Code(&StartsClosing), objects[0]);
    EXPECT_EQ(gCalls, 0);
    EXPECT_FALSE(call.StillOpen());
  }
  EXPECT_EQ(dying.refCount, 0);
  for (RuntimeObject* object : objects) {
    EXPECT_EQ(object->refCount, 1);
    RuntimeUnlockObject(object);
  }
}

}  // namespace
