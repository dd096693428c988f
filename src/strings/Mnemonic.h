// Mnemonic markers of captions: "&" before the character that the keyboard shortcut uses.
// Controls and menus show the caption without the markers and underline the mnemonic.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// Removes every "&" from caption, keeping (and skipping over) the character after it, so "&&"
// leaves one "&". *mnemonic (when given) receives the character after the last marker, or 0
// when there is none or the last "&" ends the caption; a kept "&" is never the mnemonic.
// Characters are 16-bit units in 16-bit text, code points in UTF-8 text, bytes otherwise.
void StripMnemonicInPlace(string& caption, uint32_t* mnemonic);
string StripMnemonic(const string& caption);
