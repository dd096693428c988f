// The interfaces the standard streams and pollable objects implement: Readable (Read, EOF,
// ReadError), Writeable (Write, Flush, WriteError) and _Pollable (_Poll). Compiled classes
// implement them as well; the framework's own implementers name them in their rows.
#pragma once

#include "core/ObjectDefinition.h"

ObjectDefinition* ReadableInterfaceDefinition();
ObjectDefinition* WriteableInterfaceDefinition();
ObjectDefinition* PollableInterfaceDefinition();
