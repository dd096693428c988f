// The small remaining services of the plug-in interface: the defaults plug-in controls start
// from, a mark that a plug-in uses sockets, a constant's text, and the command line.
//
// PluginInterpretConstantValue is RuntimeLockString under the interface's name: the string
// itself with one more reference, its text not interpreted.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

extern "C" {
// New strings, one reference each for the caller: "System" and "Untitled".
stringStorage* PluginDefaultControlFont();
stringStorage* PluginDefaultControlCaption();
int32_t PluginDefaultControlFontSize();
// Marks the plug-in being registered as one that uses sockets; nothing outside registration.
void PluginMarkSocketUsage();
// The argument vector main received (ended by nil), the very array GTK removed its own options
// from; not a copy.
char** QUORGetCommandLineForUnix();
}
