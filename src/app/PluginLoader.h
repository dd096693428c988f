// Installing and loading the plug-in libraries an image carries.
//
// Each 'QVPl' resource holds a length byte n, n bytes of the library's file name and the
// library itself. In resource order, each library is written to a new file of its own (made
// by mkstemps in the plug-in folder: "$HOME/.tmpAppData", made with mode 0700, else "/tmp"),
// locked through the descriptor that wrote it, opened with the dynamic loader, and entered:
// its QUORPluginMain is called with the lookup callback while QVPLUGINPATH names the file, and
// calls the registration callbacks. A file of the same name elsewhere, in the current folder
// say, is never loaded in place of the carried bytes.
//
// A library that cannot be installed or entered (a malformed resource, no file, a dynamic
// loader failure, no entry) ends start-up: the failure is reported, the libraries installed so
// far are unloaded and their files deleted, and the process exits with status 1. At quit, a
// shutdown task unloads every library and deletes its file; the plug-in folder goes with the
// temporary files.
#pragma once

#include <string>

#include "image/ResourceTable.h"

inline constexpr char kPluginEntryName[] = "QUORPluginMain";
inline constexpr char kPluginPathVariable[] = "QVPLUGINPATH";

// The one argument of every plug-in's entry: a framework function's address by export name
// (case ignored), or nil.
using PluginLookup = void* (*)(const char* name);
extern "C" void* PluginLookupCallback(const char* name);

// Installs and enters every plug-in of the image, then resolves the plug-in classes; exits
// with status 1 after a failure (see above). A start-up step.
void LoadImagePlugins();

// Installs and enters every plug-in of the resource table in order. False at the first
// failure, with its text in *failure; what was installed before it stays loaded.
bool InstallImagePlugins(std::string* failure);

// Installs and enters the plug-in of one resource row; false with the failure's text when it
// cannot (nothing of it is left then).
bool InstallPlugin(const ResourceEntry& row, std::string* failure);

// The folder plug-ins are installed in, made on first use.
const std::string& PluginFolderPath();

// Unloads every library and deletes the files written for them (the plug-in shutdown task's
// work, run at quit).
void UnloadPlugins();
