#include "core/SystemBeep.h"

#include <gdk/gdk.h>

void SystemBeep() {
  if (!gdk_display_get_default()) return;
  gdk_beep();
}
