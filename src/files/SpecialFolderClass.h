// The language's SpecialFolder: an object without state whose read-only properties answer
// well-known folders as new FolderItems, each property standing for one numeric folder code of
// the Unix folder items' special-folder lookup; codes it does not know answer nil. GetFromCode
// takes the code from the first four bytes of a text (the first byte least significant); a
// shorter text counts its missing bytes as zero and is never read past its end.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// Built on the first call, released at exit; usable by every kind of application.
ObjectDefinition* SpecialFolderClassDefinition();

extern "C" {
RuntimeObject* systemGetSpecialFoldersClass();  // a new object, one reference
// A new FolderItem for the folder of code, or nil.
RuntimeObject* GetSpecialFolder(RuntimeObject* specialFolder, int32_t code);
// nil for an empty text.
RuntimeObject* GetSpecialFolderFromCode(RuntimeObject* specialFolder, stringStorage* code);
}
