/* The console application that carries the interface plug-in (tests/plugins/interface): after
 * start-up it calls the plug-in's InterfaceChecks, which says what it saw, and then says how
 * many live objects the checks left behind. */
#include "pluginchecks.h"

QV_PLUGIN_CHECKS_ENTRY("InterfaceChecks() As Integer")
