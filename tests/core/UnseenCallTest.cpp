// Calls made from inline assembly: the arguments arrive in order, the answer comes back, and the
// caller's own values survive a callee that uses every register it may.
#include "core/UnseenCall.h"

#include <gtest/gtest.h>

extern "C" {

// Mixes its arguments so that any one out of place shows, and leaves scratch registers
// changed.
[[gnu::noinline, gnu::used]] uint32_t UnseenCallTestMix(uint32_t a, uint32_t b, uint32_t c,
                                                        uint32_t d) {
  volatile uint32_t spill[4] = {a, b, c, d};
  return spill[0] * 1000 + spill[1] * 100 + spill[2] * 10 + spill[3];
}

[[gnu::noinline, gnu::used]] uint32_t UnseenCallTestThree(const char* text, int32_t at,
                                                          int32_t n) {
  return uint32_t(text[at] + n);
}

[[gnu::noinline, gnu::used]] uint32_t UnseenCallTestOne(uint32_t* counter) {
  return ++*counter;
}
}

namespace {

// A leaf of its own, as the exported functions that use these calls are.
[[gnu::noinline]] uint32_t Caller(uint32_t a, uint32_t b, uint32_t c, uint32_t d) {
  const uint32_t before = a ^ b ^ c ^ d;
  const uint32_t mixed = QV_UNSEEN_CALL4(UnseenCallTestMix, a, b, c, d);
  return mixed + (a ^ b ^ c ^ d) - before;  // the caller's values, still in their registers
}

TEST(UnseenCall, ArgumentsInOrderAnswerBackAndTheCallersValuesSurvive) {
  EXPECT_EQ(Caller(1, 2, 3, 4), 1234u);
  EXPECT_EQ(Caller(9, 0, 0, 7), 9007u);
  static const char kText[] = "abc";
  EXPECT_EQ(QV_UNSEEN_CALL3(UnseenCallTestThree, kText, int32_t{2}, int32_t{-1}), uint32_t('b'));
  uint32_t counter = 41;
  EXPECT_EQ(QV_UNSEEN_CALL1(UnseenCallTestOne, &counter), 42u);
  EXPECT_EQ(counter, 42u);
  for (uint32_t i = 0; i < 100; ++i) {  // the stack comes back level every time
    ASSERT_EQ(Caller(i % 10, (i / 10) % 10, 3, 1), (i % 10) * 1000 + ((i / 10) % 10) * 100 + 31);
  }
}

}  // namespace
