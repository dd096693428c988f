// SaveInfo strings: a reference to a file that an application stores and resolves later, also
// after the file and a base folder have moved together. The bytes:
//
//   0  4  magic 00 F1 D1 73
//   4  1  version, 1 (not checked when reading)
//   5  1  kind: 0 relative and absolute, 1 relative only, 2 absolute only
//   6  .. records: type (2 bytes, low byte first), length (4 bytes, high byte first), data
//
// Record types: 1 the absolute path, 2 the path relative to the base's folder, 3 and 4 one byte
// each (1, then 0), 0 the end (length 0). FolderItemImpUnix writes them (GetSaveInfo) and reads
// them back (FromSaveInfo); a record running past the end, or an absolute path that does not
// begin with "/" or holds a NUL, makes the whole string invalid.
#pragma once

#include <string>

#include "app/FolderItemImp.h"
#include "strings/RuntimeString.h"

constexpr int32_t kSaveInfoBoth = 0;
constexpr int32_t kSaveInfoRelative = 1;
constexpr int32_t kSaveInfoAbsolute = 2;

// The text begins with the SaveInfo magic.
bool IsSaveInfo(const string& text);

// relative (from a SaveInfo) taken from base's folder (base itself when it is a folder, else its
// parent): an absolute path, or "" when it climbs above the root. A nil base is a failed check.
std::string ResolveSaveInfoRelativePath(const std::string& relative, const FolderItemImp* base);
