// The windows layer's hooks into the runtime, installed by its start-up step.
#include "windows/DrawFocus.h"

#include <gtest/gtest.h>

#include "core/Memory.h"

namespace {

TEST(DrawFocus, TheOutOfMemoryPathClearsTheDrawingFocus) {
  const OutOfMemoryHook installed = SetOutOfMemoryHook(nullptr);
  SetOutOfMemoryHook(installed);
  EXPECT_EQ(installed, &ClearDrawFocus);
}

}  // namespace
