#include "core/ToolkitContext.h"

#include <glib.h>

namespace {
void (*gWait)() = nullptr;
}

ScopedToolkitContext::ScopedToolkitContext() {
  for (;;) {
    mAcquired = g_main_context_acquire(nullptr);
    if (mAcquired || !gWait) return;
    gWait();
  }
}

ScopedToolkitContext::~ScopedToolkitContext() {
  if (mAcquired) g_main_context_release(nullptr);
}

void SetToolkitContextWait(void (*wait)()) { gWait = wait; }
