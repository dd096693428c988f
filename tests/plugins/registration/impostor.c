/* A library planted under a carried plug-in's file name in the current folder: the framework
 * must load the bytes it carries, never this. */
#include "qvplugin.h"

QV_PLUGIN_EXPORT void QUORPluginMain(QVLookup lookup) {
  (void)lookup;
  dprintf(1, "impostor entry\n");
}
