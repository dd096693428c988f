// Opening a URL, or a document by its path, with the user's browser, without waiting for it.
#pragma once

#include "strings/RuntimeString.h"

// Starts the program that the BROWSER variable names, when that is an absolute path, with the
// URL (as UTF-8) as its one argument, detached. False when nothing was started.
bool ShowURL(const string& url);
