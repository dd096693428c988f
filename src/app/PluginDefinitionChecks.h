// The checks a plug-in's definition records pass before anything of them is registered: a
// name, every list its count promises, and a name or declaration in every row and entry. (A
// control without behaviour table is sound: every entry counts as absent.) A record that fails is reported once (naming the plug-in and the
// definition) and refused whole; the plug-in's other definitions go on loading.
#pragma once

#include "app/PluginDefinitions.h"

bool ClassDefinitionUsable(const PluginClassDefinition* definition);
bool InterfaceDefinitionUsable(const PluginInterfaceDefinition* definition);
bool ModuleDefinitionUsable(const PluginModuleDefinition* definition);
bool ExtensionDefinitionUsable(const PluginExtensionDefinition* extension);
// record: a PluginControlDefinition, or a PluginControlDefinitionV1 when its version is 1.
bool ControlDefinitionUsable(const void* record);
