// The plug-in interface's plain functions for strings, objects and the environment. Strings
// and objects follow the usual reference rules: a function that returns one hands the plug-in
// a reference it releases (QUORUnlockString, QUORUnlockObject); a text pointer into a string
// adds none and lives as long as the plug-in's own reference. Nil is the empty string and is
// never a fault.
//
// The lock and unlock functions and the text views are the runtime's own exported functions
// under the interface's names: StringGetCString is StringToCString, StringGetPString
// StringToPString, QUORLockString RuntimeLockString, QUORUnlockString RuntimeUnlockString,
// QUORLockObject RuntimeLockObject and QUORUnlockObject RuntimeUnlockObject.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The framework's release: the year and the release of that year.
constexpr int32_t kFrameworkReleaseYear = 2006;
constexpr int32_t kFrameworkRelease = 4;

extern "C" {
// A new string of length bytes copied from bytes (all zero when bytes is nil), encoding
// kEncodingNone until the plug-in sets one; nil for a length of 0 or less.
stringStorage* QUORBuildString(const void* bytes, int32_t length);
// The current folder as a new FolderItem.
RuntimeObject* QUORGetProjectFolder();
// The release year plus the release in hundredths.
double QUORGetQVVersion();
}
