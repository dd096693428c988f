/* The application that carries the runtime plug-in (tests/plugins/runtime): after start-up it
 * calls the plug-in's RuntimeChecks, which says what it saw, and then says how many live
 * objects the checks left behind. The plug-in's library says when it is closed, at exit. */
#include "pluginchecks.h"

QV_PLUGIN_CHECKS_ENTRY("RuntimeChecks() As Integer")
