// The registration callbacks that plug-ins call while their entry runs (each looked up by name
// through the lookup callback), and the resolution of plug-in classes after all have run.
#pragma once

#include <cstdint>

#include "app/PluginDefinitions.h"
#include "app/PluginRegistry.h"

extern "C" {
void PluginRegisterClass(const PluginClassDefinition* definition);
void PluginRegisterInterface(const PluginInterfaceDefinition* definition);
void PluginRegisterClassExtension(const PluginExtensionDefinition* extension);
void PluginRegisterModule(const PluginModuleDefinition* module);
void PluginRegisterMethod(const PluginMethodDefinition* method);
// record: a PluginControlDefinition, or a PluginControlDefinitionV1 when its version is 1.
void PluginRegisterControl(const void* record);
void RegisterPluginExports(const PluginExportRow* table);
void RegisterPluginVersion(int32_t version);
void Win32InstallPlugins();
}

// Adds the members of every plug-in class not yet resolved (classes registered before stop,
// all of them for nil), links its interfaces and its superclass (resolving a plug-in
// superclass first), each under its own plug-in. A class or interface that nothing registers
// is reported and left out.
void ResolvePluginClasses(LoadedClass* stop);
