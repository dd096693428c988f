#include "core/SystemBeep.h"

#include <gdk/gdk.h>

#include "core/Export.h"

void SystemBeep() {
  if (!gdk_display_get_default()) return;
  gdk_beep();
}

extern "C" void RuntimeBeep() { SystemBeep(); }
QV_EXPORT(RuntimeBeep)
