// Data sources: database engines that plug-ins offer by type name while their entry runs. The
// database layer opens an embedded or described database of any engine but its own through
// OpenRegisteredDataSource.
//
// The list only grows, newest first, and lives until the process ends; each entry remembers
// the plug-in that was being registered when it was made. Names are compared ignoring case; a
// name registered again is found in its newest registration.
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"
#include "strings/RuntimeString.h"

// A plug-in's open function: two words whose meaning is the database layer's (the data and
// its length), and a database object (one reference for the caller) or nil.
using DataSourceOpener = RuntimeObject* (*)(uint32_t first, uint32_t second);

extern "C" {
// Adds a data source; a nil name registers the empty name.
void RegisterDataSource(const char* typeName, DataSourceOpener open);
// What the newest data source of that name opens for the two words (called as plug-in code);
// nil when none is registered under the name.
RuntimeObject* OpenRegisteredDataSource(stringStorage* typeName, uint32_t first, uint32_t second);
// Accepted and ignored, whatever they are given.
void RegisterDataSourceInterface();
void DesignAddDataSource();
}
