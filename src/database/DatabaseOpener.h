// Opening a database by its engine's type name: "quordb" (case ignored) is the built-in engine,
// any other name a data source that a plug-in registered. Embedded databases (the image's
// 'DBAS' resources, through the resource manager's GetDatabase, which this file installs as
// its database maker at start-up) and databases opened on first use come this way.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The Database (one reference for the caller, its opened flag set) that the engine named
// engineType opens over length bytes at data, or nil when no engine of that name opens one.
RuntimeObject* OpenDatabaseOfType(const string& engineType, const uint8_t* data, uint32_t length);

extern "C" {
// The database of the image's 'DBAS' resource with this id, or nil.
RuntimeObject* RuntimeGetDatabaseFromResource(int32_t id);
}
