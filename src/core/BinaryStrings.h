// Values carried as the raw bytes of a string: four-character codes (most significant byte
// first, as resource types are written) and 16- and 32-bit values in a fixed byte order.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

// The code's four bytes, most significant first, labelled Mac OS Roman.
string FourCharCodeToString(uint32_t code);
// The Mac OS Roman form of s; exactly four bytes give their big-endian value, any other length
// gives '????'.
uint32_t StringToFourCharCode(const string& s);

string WriteShortAsBits(uint16_t value);  // two bytes, low byte first
string WriteLongAsBits(uint32_t value);   // four bytes, high byte first
// The reverse readers; a string too short for the value is reported and reads as 0.
uint16_t ReadShortAsBits(const string& bytes);
uint32_t ReadLongAsBits(const string& bytes);
