// Opening a database of any engine by the engine's type name, as an embedded database (the
// image's 'DBAS' resources, through the resource manager's GetDatabase) is opened.
//
// For now every engine is a data source that a plug-in registered (app/PluginDataSources.h);
// the built-in engine joins with the database classes. This file installs the opener as the
// resource manager's database maker at start-up.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// The database that the engine named engineType (case ignored) opens over length bytes at
// data (one reference for the caller), or nil when no engine of that name is registered or it
// opens nothing.
RuntimeObject* OpenDatabaseOfType(const string& engineType, const uint8_t* data, uint32_t length);
