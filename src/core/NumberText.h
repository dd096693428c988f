// Decimal and hexadecimal text of integers and doubles, as ASCII strings (encoding 0x0600).
// The text never follows the user's locale: a double always prints with a point.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

string ultoa(int32_t value);    // as "%ld" prints it
string ulltoa(int64_t value);   // with "-" when negative, the most negative value included
string uulltoa(uint64_t value);
// "%e" when exponent is set, else "%g"; a negative zero prints as zero.
string udtoa(double value, bool exponent);
string ultohexa(uint32_t value);  // exactly eight upper-case digits, leading zeros kept
