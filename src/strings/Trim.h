// LTrim, RTrim and Trim: text without its leading and/or trailing Unicode white space
// (0x09-0x0D, 0x20, 0x85, 0xA0, 0x1680, 0x180E, 0x2000-0x200A, 0x2028, 0x2029, 0x202F, 0x205F,
// 0x3000 in UTF-8 and 16-bit text; 0x09-0x0D and 0x20 in ASCII and unlabelled text).
//
// Text in any other encoding is trimmed as 16-bit Unicode and converted back, so the result
// always keeps the text's encoding; text that has nothing to trim is returned itself.
#pragma once

#include "strings/RuntimeString.h"

string TrimText(const string& text, bool leading, bool trailing);

extern "C" {
stringStorage* runLTrim(stringStorage* text);
stringStorage* runRTrim(stringStorage* text);
stringStorage* runTrim(stringStorage* text);
}
