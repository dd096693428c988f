// The language's case functions (LCase, UCase, TitleCase) and its two comparisons: StrComp,
// whose mode 0 orders raw bytes and whose other modes order characters with case counting, and
// the comparison behind the string operators and array sorting, which ignores case. Both bring
// their operands to one encoding first, so equal texts in different encodings compare equal.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// Case conversion keeps the encoding: UTF-8 and 16-bit Unicode by the Unicode case table, any
// other encoding ASCII letters only.
string LowerCase(const string& s);
string UpperCase(const string& s);

// The comparison behind the string operators for two texts of one encoding (nil is empty),
// compared where they lie: -1, 0 or 1.
int32_t CompareTextsOfOneEncoding(const stringStorage* a, const stringStorage* b);

extern "C" {
stringStorage* StringLCase(stringStorage* s);
stringStorage* StringUCase(stringStorage* s);
stringStorage* StringTitleCase(stringStorage* s);
// -1, 0 or 1; nil sorts before any text.
int32_t StringStrCompare(stringStorage* a, stringStorage* b, int32_t mode);
int32_t RuntimeStringCompare(stringStorage* a, stringStorage* b);
}
