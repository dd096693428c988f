// Digits of integers in bases 2, 8 and 16 (the language's Bin, Oct and Hex, and the "&b",
// "&o" and "&h" prefixes of Val), and their parsers.
//
// A value prints the bit pattern of its type's width, most significant digit first, without
// leading zeros ("0" for zero): a negative value prints its two's complement. Parsers skip any
// byte that is not a digit of their base, reporting it through the optional bad-digit flag, and
// wrap at 32 bits. Results are ASCII strings.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// Type codes of the typed conversions; any other code gives the empty string.
enum IntegerTypeCode : int32_t {
  kTypeInt8 = 0,
  kTypeUInt8 = 1,
  kTypeInt16 = 2,
  kTypeUInt16 = 3,
  kTypeInt32 = 4,
  kTypeUInt32 = 5,
  kTypeInt64 = 6,
  kTypeUInt64 = 7,
};

string BinToString(int32_t value);
string OctToString(int32_t value);
string HexToString(uint32_t value);
// value points to an integer of the type that typeCode names.
string ValueToBinaryString(const void* value, int32_t typeCode);
string ValueToOctalString(const void* value, int32_t typeCode);
string ValueToHexString(const void* value, int32_t typeCode);

// Every ASCII letter counts as a digit of HexVal: "A"-"Z" and "a"-"z" are 10 to 35.
uint32_t HexVal(const char* text, int32_t length, bool* badDigit = nullptr);
uint32_t ParseOctalDigits(const char* text, int32_t length, bool* badDigit = nullptr);
uint32_t ParseBinaryDigits(const char* text, int32_t length, bool* badDigit = nullptr);

// Bin, Oct and Hex of compiled code: the plain forms take a 32-bit integer, the typed forms a
// value of their type, the floating-point forms a value truncated toward zero to 32 bits.
extern "C" {
stringStorage* RuntimeBin(int32_t value);
stringStorage* RuntimeOct(int32_t value);
stringStorage* RuntimeHex(int32_t value);
stringStorage* RuntimeBinInt8(int8_t value);
stringStorage* RuntimeBinUInt8(uint8_t value);
stringStorage* RuntimeBinInt16(int16_t value);
stringStorage* RuntimeBinUInt16(uint16_t value);
stringStorage* RuntimeBinUInt32(uint32_t value);
stringStorage* RuntimeBinInt64(int64_t value);
stringStorage* RuntimeBinUInt64(uint64_t value);
stringStorage* RuntimeBinSingle(float value);
stringStorage* RuntimeBinDouble(double value);
stringStorage* RuntimeOctInt8(int8_t value);
stringStorage* RuntimeOctUInt8(uint8_t value);
stringStorage* RuntimeOctInt16(int16_t value);
stringStorage* RuntimeOctUInt16(uint16_t value);
stringStorage* RuntimeOctUInt32(uint32_t value);
stringStorage* RuntimeOctInt64(int64_t value);
stringStorage* RuntimeOctUInt64(uint64_t value);
stringStorage* RuntimeOctSingle(float value);
stringStorage* RuntimeOctDouble(double value);
stringStorage* RuntimeHexInt8(int8_t value);
stringStorage* RuntimeHexUInt8(uint8_t value);
stringStorage* RuntimeHexInt16(int16_t value);
stringStorage* RuntimeHexUInt16(uint16_t value);
stringStorage* RuntimeHexUInt32(uint32_t value);
stringStorage* RuntimeHexInt64(int64_t value);
stringStorage* RuntimeHexUInt64(uint64_t value);
stringStorage* RuntimeHexSingle(float value);
stringStorage* RuntimeHexDouble(double value);
}
