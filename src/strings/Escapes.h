// Backslash escapes as C writes them: EncodeBackslashEscapeString turns every byte that is not
// printable ASCII into an escape (\a \b \t \n \v \f \r, or \xHH) and puts a backslash before
// '"', '\'', '?' and '\'; DecodeBackslashEscapeString reverses it.
//
// Decoding never reads past the end of the text. A backslash before any other character, a
// "\x" without two hexadecimal digits and a backslash at the very end are kept as written, so
// that decoding loses nothing it does not understand.
#pragma once

#include "strings/RuntimeString.h"

string EncodeBackslashEscapes(const string& text);  // labelled ASCII
string DecodeBackslashEscapes(const string& text);  // keeps the text's label

extern "C" {
stringStorage* EncodeBackslashEscapeString(stringStorage* text);
stringStorage* DecodeBackslashEscapeString(stringStorage* text);
}
