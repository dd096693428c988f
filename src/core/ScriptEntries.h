// The entries of the language's scripting calls. Scripting is not available on this platform:
// each does nothing, and those that answer give the empty string.
#pragma once

#include <cstdint>

#include "strings/RuntimeString.h"

extern "C" {
void RuntimeScriptExecute(stringStorage* script);
stringStorage* RuntimeScriptFunction(stringStorage* script);
void RuntimeStartParamScript();
void RuntimeAddStringScriptParam(stringStorage* value);
void RuntimeAddIntegerScriptParam(int32_t value);
void RuntimeCompleteParamScriptExecute(stringStorage* script);
stringStorage* RuntimeCompleteParamScriptFunction(stringStorage* script);
}
