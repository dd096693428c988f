// The System module's members that need no display: the command line, environment variables,
// logging to syslog and to standard error, the Quicktime status, and the members that have no
// effect on this platform (Gestalt, key script, pen, localised strings). The module's class and
// its members that read the screen live with the windows (windows/SystemModule.h).
//
// Every member receives the System object first (no state is kept in it) and raises nothing.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// "_QuicktimeInstallStatus": Installed, always False.
ObjectDefinition* QuicktimeInstallStatusClassDefinition();

// Whether s holds a NUL byte, where its C text would end early.
bool HoldsNul(const string& s);

// Whether name can name an environment variable: not empty, no "=" and no NUL.
bool IsEnvironmentName(const string& name);

extern "C" {
// Every stored argument from the program path on, joined by one blank, as UTF-8; built on the
// first call, then the same string (with a reference for the caller) ever after.
stringStorage* SystemGetCommandLine(RuntimeObject* system);
// The variable's value, tagged ASCII when every byte is below 0x80, else UTF-8; empty for an
// unset variable and for a name that cannot be one.
stringStorage* SystemGetEnvVariable(RuntimeObject* system, stringStorage* name);
// Sets (or replaces) the variable, to the empty text too. A name that cannot be one, or a
// value holding a NUL, changes nothing.
void SystemSetEnvVariable(RuntimeObject* system, stringStorage* name, stringStorage* value);
// To syslog, as the program path, with the priority of level: 1000 to 1007 are emergency to
// debug, 1008 (success) and any other level information. A nil message logs nothing.
void SystemLogger(RuntimeObject* system, int32_t level, stringStorage* message);
// The message and a newline on standard error, flushed; nothing for nil.
void SystemDebugLogger(RuntimeObject* system, stringStorage* message);

int32_t systemGestalt(RuntimeObject* system, stringStorage* code, int32_t* result);
int32_t systemGetKeyScript(RuntimeObject* system, uint32_t parameter);
void systemSetKeyScript(RuntimeObject* system, uint32_t parameter, int32_t script);
double SystemGetPenPressure(RuntimeObject* system, uint32_t parameter);
int32_t SystemGetPenType(RuntimeObject* system, uint32_t parameter);
int32_t SystemGetPenButton(RuntimeObject* system, int32_t index);
// defaultValue itself, with a reference for the caller.
stringStorage* SystemGetLocalizedString(RuntimeObject* system, stringStorage* name,
                                        stringStorage* defaultValue);
// A new "_QuicktimeInstallStatus" object on every read.
RuntimeObject* systemGetQTInstallStatus(RuntimeObject* system, uint32_t parameter);
int32_t QTInstalledGetter(RuntimeObject* status, uint32_t parameter);
}
