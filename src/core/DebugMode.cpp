#include "core/DebugMode.h"

#include "core/Export.h"

namespace {
bool gDebugMode = false;
}  // namespace

void SetDebugMode() { gDebugMode = true; }
bool InDebugMode() { return gDebugMode; }

// Line tracing has no listener on this platform: compiled code may call it, and nothing
// happens.
extern "C" void lineTrace() {}
QV_EXPORT(lineTrace)
