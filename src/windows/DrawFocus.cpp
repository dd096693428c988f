#include "windows/DrawFocus.h"

// No pane can hold the drawing focus until panes exist; detaching is then nothing to do.
void ClearDrawFocus() {}
