// Functions of other shared libraries that compiled code declares and resolves on first call.
//
// Compiled code passes the function's and the library's names as constant string records of
// the image; each pair is resolved once and remembered. The function cache is keyed by the
// identity of the records and holds a reference on each, so a key can never be freed and its
// address reused by another string; libraries are found, once per name, by the library finder
// (core/LibraryFinder.h).
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

extern "C" {
// The function's address, or 0 when the library or the function cannot be found.
void* LoadFunctionPointerFromLibrary(stringStorage* function, stringStorage* library);
// System.IsFunctionAvailable (the System object is not read): 1 when
// LoadFunctionPointerFromLibrary gives an address, else 0.
int32_t IsFunctionAvailable(RuntimeObject* system, stringStorage* function,
                            stringStorage* library);
}
