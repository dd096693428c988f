#include "core/ScriptEntries.h"

#include "core/Export.h"

extern "C" void RuntimeScriptExecute(stringStorage*) {}
QV_EXPORT(RuntimeScriptExecute)

extern "C" stringStorage* RuntimeScriptFunction(stringStorage*) { return nullptr; }
QV_EXPORT(RuntimeScriptFunction)

extern "C" void RuntimeStartParamScript() {}
QV_EXPORT(RuntimeStartParamScript)

extern "C" void RuntimeAddStringScriptParam(stringStorage*) {}
QV_EXPORT(RuntimeAddStringScriptParam)

extern "C" void RuntimeAddIntegerScriptParam(int32_t) {}
QV_EXPORT(RuntimeAddIntegerScriptParam)

extern "C" void RuntimeCompleteParamScriptExecute(stringStorage*) {}
QV_EXPORT(RuntimeCompleteParamScriptExecute)

extern "C" stringStorage* RuntimeCompleteParamScriptFunction(stringStorage*) { return nullptr; }
QV_EXPORT(RuntimeCompleteParamScriptFunction)
