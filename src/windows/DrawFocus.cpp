#include "windows/DrawFocus.h"

#include "core/Memory.h"
#include "core/Startup.h"

// No pane can hold the drawing focus until panes exist; detaching is then nothing to do.
void ClearDrawFocus() {}

// A process that ends for want of memory leaves no pane drawing.
QV_STARTUP(kStartupDrawFocusHook, +[] { SetOutOfMemoryHook(&ClearDrawFocus); })
