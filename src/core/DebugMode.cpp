#include "core/DebugMode.h"

namespace {
bool gDebugMode = false;
}  // namespace

void SetDebugMode() { gDebugMode = true; }
bool InDebugMode() { return gDebugMode; }
