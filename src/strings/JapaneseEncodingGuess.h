// Guessing which Japanese encoding unlabelled bytes use: ISO-2022-JP by its escapes, EUC-JP
// and Shift_JIS by the byte ranges only one of them uses. The scan stops at the first decisive
// byte; every look-ahead stops at the end of the text.
#pragma once

#include "strings/TextEncodingObjects.h"

// 0x820 (ISO-2022-JP), 0x920 (EUC-JP), 0xA01 (Shift_JIS), or kEncodingNone when the bytes do
// not tell.
TextEncoding GuessJapaneseEncoding(const unsigned char* bytes, int32_t length);

extern "C" {
// Labelled text answers a new object of its label (ASCII for nil); unlabelled text the guess,
// or nil when the bytes do not tell.
TextEncodingObject* guessJapaneseEncoding(stringStorage* s);
}
