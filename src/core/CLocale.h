// The "C" locale as a locale object, for number parsing and printing that must not follow the
// user's locale (the toolkit installs that one process-wide at start-up).
#pragma once

#include <locale.h>

// Made on first use and kept for the life of the process.
locale_t CLocale();

// The C library's text for an errno value in the C locale: the framework's messages are English
// and their text must not arrive in a translation of the locale's character set.
const char* ErrorText(int errorNumber);
