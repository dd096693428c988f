// Percent-escaping of path components: every byte outside A-Z, a-z, 0-9, "-", "_" and "."
// becomes "%" and two upper-case hexadecimal digits, and back.
#pragma once

#include "strings/RuntimeString.h"

// The escaped text, ASCII.
string EncodeURLComponent(const string& s);
// Each "%" and the two characters after it become one byte (a character that is no hexadecimal
// digit counts as 0); a "%" with fewer than two characters after it is kept as it stands with
// them. The result is labelled encoding.
string DecodeURLComponent(const string& s, TextEncoding encoding);
