// The EndOfLine class: an object that stands for the platform's line ending, converts to it,
// joins and compares with strings, and names the endings of the three platform families. Its
// members are the routines of strings/EndOfLine.h; this file only describes the class.
#pragma once

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

// Built on the first call, released at exit.
ObjectDefinition* EndOfLineClassDefinition();

extern "C" RuntimeObject* RuntimeGetEndOfLineObject();  // a new object, one reference
