// The window order list: each operation on windows in and out of the list and at its ends.
#include "windows/WindowOrder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The list holds no references and never looks inside a window, so letters stand in for them.
Window* W(char name) { return reinterpret_cast<Window*>(uintptr_t(name)); }

std::string Order() {
  std::string names;
  for (int32_t i = 0; i < WindowOrderCount(); ++i) names += char(uintptr_t(WindowOrderAt(uint32_t(i))));
  return names;
}

struct Step {
  char window;
  uint32_t operation;
  const char* order;  // front first, after the step
};

TEST(WindowOrder, EachOperationMovesOnlyWindowsInTheListAndStopsAtTheEnds) {
  ASSERT_EQ(WindowOrderCount(), 0);
  EXPECT_EQ(FrontNativeWindow(), nullptr);
  EXPECT_EQ(WindowOrderAt(0), nullptr);
  EXPECT_EQ(FrontWindowOtherThan(W('a')), nullptr);
  UpdateWindowOrder(W('a'), kWindowOrderRemove);  // an empty list: nothing to do
  const Step steps[] = {
      {'a', kWindowOrderAddAtFront, "a"},   {'b', kWindowOrderAddAtFront, "ba"},
      {'c', kWindowOrderAddAtFront, "cba"}, {'a', kWindowOrderBringToFront, "acb"},
      {'a', kWindowOrderForwardOne, "acb"}, {'b', kWindowOrderForwardOne, "abc"},
      {'c', kWindowOrderBackOne, "abc"},    {'a', kWindowOrderBackOne, "bac"},
      {'b', kWindowOrderSendToBack, "acb"}, {'b', kWindowOrderSendToBack, "acb"},
      {'z', kWindowOrderBringToFront, "acb"}, {'z', kWindowOrderForwardOne, "acb"},
      {'z', kWindowOrderBackOne, "acb"},    {'z', kWindowOrderSendToBack, "acb"},
      {'z', kWindowOrderRemove, "acb"},     {'c', 6, "acb"},
      {'c', 0xFFFFFFFF, "acb"},             {'c', kWindowOrderRemove, "ab"},
  };
  for (const Step& step : steps) {
    UpdateWindowOrder(W(step.window), step.operation);
    EXPECT_EQ(Order(), step.order) << step.window << " " << step.operation;
  }
  EXPECT_EQ(FrontNativeWindow(), W('a'));
  EXPECT_EQ(FrontWindowOtherThan(W('a')), nullptr);
  EXPECT_EQ(FrontWindowOtherThan(W('b')), W('a'));
  EXPECT_EQ(WindowOrderAt(2), nullptr);
  UpdateWindowOrder(W('a'), kWindowOrderRemove);
  UpdateWindowOrder(W('b'), kWindowOrderRemove);
  EXPECT_EQ(WindowOrderCount(), 0);
}

}  // namespace
