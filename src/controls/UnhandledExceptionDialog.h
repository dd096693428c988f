// The unhandled-exception report as a modal message dialog: the application layer shows it
// through the hook this layer installs at start-up.
#pragma once

#include "strings/RuntimeString.h"

void ShowUnhandledExceptionDialog(const string& message, const string& explanation);
