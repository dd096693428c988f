// Conversions between the language's numeric types, called by compiled code. 64-bit results come
// back in EDX:EAX and doubles in st(0), as plain cdecl functions return them.
//
// Floating-point to integer conversions truncate toward zero whatever the rounding mode. A value
// outside the target's signed range, or NaN, gives the most negative value of that range.
// Double results are rounded to double precision before they are returned, never left with the
// x87 unit's wider mantissa.
#pragma once

#include <cstdint>

#include "core/Currency.h"

extern "C" {
double RuntimeCvtSInt32ToReal64(int32_t value);
double RuntimeCvtUInt32ToReal64(uint32_t value);
double RuntimeCvtSInt64ToReal64(int64_t value);
double RuntimeCvtUInt64ToReal64(uint64_t value);

// value x 10,000, wrapping modulo 2^64.
Currency RuntimeCvtSInt32ToCurrency(int32_t value);
Currency RuntimeCvtUInt32ToCurrency(uint32_t value);
Currency RuntimeCvtSInt64ToCurrency(int64_t value);
Currency RuntimeCvtUInt64ToCurrency(uint64_t value);

// Also exported as SingleToInt and FPToInt; RuntimeCvtSInt32ToReal64 also as IntToFP.
int32_t RuntimeCvtReal32ToSInt32(float value);
int32_t RuntimeCvtReal64ToSInt32(double value);
// The low 32 bits of the signed 64-bit truncation (-1.0 gives 4,294,967,295).
uint32_t RuntimeCvtReal32ToUInt32(float value);
uint32_t RuntimeCvtReal64ToUInt32(double value);
int64_t RuntimeCvtReal32ToSInt64(float value);
int64_t RuntimeCvtReal64ToSInt64(double value);
// Exact from 2^63 to below 2^64; any other value gives the bits of the signed conversion.
uint64_t RuntimeCvtReal32ToUInt64(float value);
uint64_t RuntimeCvtReal64ToUInt64(double value);
// value x 10,000.0 as a double product, then truncated (1.23456 gives 12,345).
Currency RuntimeCvtReal32ToCurrency(float value);
Currency RuntimeCvtReal64ToCurrency(double value);

// amount / 10,000 truncated toward zero (-1.9999 gives -1); the 32-bit forms keep the low bits.
int32_t RuntimeCvtCurrencyToSInt32(Currency amount);
uint32_t RuntimeCvtCurrencyToUInt32(Currency amount);
int64_t RuntimeCvtCurrencyToSInt64(Currency amount);
uint64_t RuntimeCvtCurrencyToUInt64(Currency amount);
// The amount as a double, divided by 10,000.0.
double RuntimeCvtCurrencyToReal64(Currency amount);
}
