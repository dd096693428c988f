// Running the application: the loader has found, read and linked the image; the application
// layer calls its entry and, once the entry returns, runs the shutdown tasks.
#pragma once

// Loads the image of the executable at path (see LoadApplicationImage), calls its entry, then
// runs the shutdown tasks. False, after the loader's report, when there is no usable image: the
// entry is never called then, and the caller ends the process with a non-zero status.
bool RunApplicationImage(const char* executablePath);

// The stack pointer at the moment the entry was called (null before).
void* GetImageEntryStackMark();
