// Split and Join: a string cut into a new one-dimensional String array, and a String array
// joined back with a delimiter between neighbours. Split's pieces are those of the split
// engine (StringFields.h); Join works in the encoding its parts have in common.
#pragma once

#include "arrays/RuntimeArray.h"
#include "strings/RuntimeString.h"

extern "C" {
// A new array (upper bound pieces - 1; -1 for an empty source) with one reference.
RuntimeArray* StringSplit(stringStorage* source, stringStorage* delimiter);
RuntimeArray* StringSplitB(stringStorage* source, stringStorage* delimiter);
// The elements joined by delimiter; nil for a nil array or one without elements.
stringStorage* StringJoin(RuntimeArray* array, stringStorage* delimiter);
}
