// Functions of other shared libraries that compiled code declares and resolves on first call.
//
// Compiled code passes the function's and the library's names as constant string records of
// the image; each pair is resolved once and remembered, found or not. The caches are keyed by
// the identity of the records and hold a reference on each, so a key can never be freed and
// its address reused by another string.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

extern "C" {
// The function's address, or 0 when the library or the function cannot be found.
void* LoadFunctionPointerFromLibrary(stringStorage* function, stringStorage* library);
// 1 when LoadFunctionPointerFromLibrary gives an address, else 0.
int32_t IsFunctionAvailable(stringStorage* function, stringStorage* library);
}

// Opens a library by name: as given and in /usr/local/lib and /usr/lib, then the same with
// ".so", then through its symbolic links, then through a linker script's GROUP line. Nil when
// nothing opens.
void* OpenSharedLibraryByName(const string& name);
