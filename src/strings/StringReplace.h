// The language's Replace and ReplaceAll. The text forms match ignoring case and first bring
// find and replacement to the source's encoding (an ASCII source first takes on the encoding of
// a find or replacement it cannot hold, see WidenASCIIText; text that cannot be matched in its
// own bytes is matched in UTF-8, see SearchEncoding); the byte forms (suffix B) match
// exact bytes and convert nothing. Matches are found left to right and never overlap; text
// inside a replacement is never matched again. The result carries the source's encoding.
#pragma once

#include "strings/RuntimeString.h"

// The source with the first (or every) match of find replaced; the source itself when find is
// empty or absent.
string ReplaceText(const string& source, const string& find, const string& replacement, bool all,
                   bool exactBytes);

extern "C" {
stringStorage* StringReplace(stringStorage* source, stringStorage* find,
                             stringStorage* replacement);
stringStorage* StringReplaceAll(stringStorage* source, stringStorage* find,
                                stringStorage* replacement);
stringStorage* StringReplaceB(stringStorage* source, stringStorage* find,
                              stringStorage* replacement);
stringStorage* StringReplaceAllB(stringStorage* source, stringStorage* find,
                                 stringStorage* replacement);
}
