// The start of a benchmark that uses the toolkit, in the executable's order: the hooks, GTK,
// the settings read from it once GTK is up (the desktop font among them) and the default font.
// Without the steps after GTK, text was laid out at size 0 and a list's rows were 4 pixels
// tall, so a list bench drew five times the rows an application shows.
#pragma once

#include <gtk/gtk.h>

#include "core/Memory.h"
#include "core/Startup.h"
#include "strings/TextStyle.h"

namespace qvbench {

// Whether a display is there; every step but GTK's own runs either way.
inline bool StartToolkit(int* argc, char*** argv) {
  initializeMemoryCriticalSection();
  RunStartupSteps(kStartupHooksBegin, kStartupHooksEnd);
  const bool display = gtk_init_check(argc, argv);
  RunStartupSteps(kStartupToolkitBegin, kStartupToolkitEnd);
  InitDefaultFontSpec(true);
  return display;
}

}  // namespace qvbench
