// For benchmarks that time a framework window beside plain GTK widgets: the start every one of
// them makes, and a window of their own opened as compiled code opens it.
#pragma once

#include <gtk/gtk.h>

#include <cstdio>
#include <functional>

#include "BenchClasses.h"
#include "app/ExternalClasses.h"
#include "app/MainLoop.h"
#include "core/Memory.h"
#include "core/Startup.h"
#include "windows/RuntimeViewWindow.h"
#include "windows/WindowEntryPoints.h"
#include "windows/WindowObject.h"

namespace qvbench {

// The framework and GTK started; false, after saying so, without a display.
inline bool StartWithDisplay(int* argc, char*** argv, const char* name) {
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  if (!gtk_init_check(argc, argv)) {
    std::fprintf(stderr, "%s needs a display (scripts/with-display)\n", name);
    return false;
  }
  RuntimeInitExternalClasses();
  return true;
}

// Runs the main loop until ready() holds; false when it still does not after some seconds.
inline bool PumpUntil(const std::function<bool()>& ready) {
  for (int pass = 0; pass < 5000; ++pass) {
    MainLoopDoEvents(false);
    if (ready()) return true;
    g_usleep(1000);
  }
  return false;
}

inline bool WindowMapped(RuntimeObject* window) {
  RuntimeViewWindow* native = window ? AsWindow(window)->mImp : nullptr;
  return native && GTK_WIDGET_MAPPED(native->GetGtkWindow());
}

// A shown window of a Window subclass with these Layout and CreateControls handlers.
inline RuntimeObject* ShowWindow(const char* className, void* layout, void* createControls) {
  RuntimeClass* windowClass = Subclass(WindowClassDefinition(), className);
  SetEvent(windowClass, "Layout", layout);
  SetEvent(windowClass, "CreateControls", createControls);
  RuntimeObject* window = RuntimeNewObject(windowClass);
  WindowDefaultConstructor(window);
  RuntimeShowWindow(window);
  return window;
}

}  // namespace qvbench
