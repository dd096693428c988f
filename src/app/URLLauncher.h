// Opening a URL, or a document by its path, without waiting for it to be shown. The first that
// applies of:
//   1. the browser command in BROWSER, when it begins with "/";
//   2. the desktop's URL handler, gnome_url_show of libgnome-2 (loaded when present): done when
//      it answers true;
//   3. the first of firefox, galeon, konqueror, mozilla and opera found on PATH, when found
//      under an absolute folder.
// Nothing is reported, whatever happens.
//
// The URL never becomes shell syntax: BROWSER is split into words as the shell splits a simple
// command (blanks between words, quotes and backslashes removed), and the URL follows as one
// argument of its own, in UTF-8. The browser runs as a background child of the shell runner,
// whose task reaps it.
//
// BROWSER, the desktop library and its function are each fetched once, on first need, and
// kept: a later change of BROWSER has no effect.
#pragma once

#include "strings/RuntimeString.h"

void ShowURL(const string& url);

extern "C" void GlobalShowURL(stringStorage* url);

// Forgets the fetched values, so that the next call fetches them again.
void ForgetURLLauncherValuesForTesting();
