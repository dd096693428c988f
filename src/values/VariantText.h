// The text of a Variant for compiled code's Str, CStr, Bin, Oct and Hex: the number functions
// of the string layer applied to the value a variant holds.
#pragma once

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

extern "C" {
// Str and CStr of a variant: the variant's text (CStr: Single and Double as Str gives them).
stringStorage* StringStrVariant(RuntimeObject* variant);
stringStorage* runCStr(RuntimeObject* variant);
// Bin and Oct of the 64-bit value; Hex of the 32-bit value of an Int32 or UInt32, of the 64-bit
// value of an Int64, UInt64 or String, and nothing of any other type. A variant with no integer
// value raises TypeMismatchException and gives nothing.
stringStorage* RuntimeBinVariant(RuntimeObject* variant);
stringStorage* RuntimeOctVariant(RuntimeObject* variant);
stringStorage* RuntimeHexVariant(RuntimeObject* variant);
}
