// Format's picture language: a format text of up to three sections (positive;negative;zero)
// whose placeholders ("#", "0"), decimal point, grouping comma, percent, sign and exponent
// characters lay out the digits that FormatDoubleDigits prints. Every other character is
// dropped unless a backslash escapes it. The locale's thousands separator and decimal point
// are printed for "," and "."; the sign of a negative value only through "+" or "-".
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// The section for a value of this sign (1, 0 or -1); "Scientific", in any case, stands for
// "-#.000000E+". Escaped ";" characters do not separate sections.
string SelectFormatSection(int32_t sign, const string& formatText);

// value laid out by formatText, tagged with the format text's encoding (ASCII for nil). Text
// whose ASCII characters are not single bytes (16- and 32-bit Unicode) is read as UTF-8 and
// the result converted back; an ASCII-tagged result that takes a non-ASCII locale separator is
// tagged UTF-8, and other encodings take the separators as LocaleSeparatorBytesIn gives them.
string FormatNumber(double value, const string& formatText);

// The first index at or after max(start, 0) holding byte, or -1 (empty text, start past the
// end, or no such byte).
int32_t FindByteFrom(int32_t start, const string& text, uint8_t byte);

extern "C" stringStorage* StringFormat(double value, stringStorage* formatText);
