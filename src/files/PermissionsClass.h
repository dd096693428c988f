// The Permissions class: a Unix permission mode held as an integer, each bit shown as a
// Boolean property. A FolderItem's Permissions takes either an integer or one of these.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct PermissionsObject {
  RuntimeObject header;
  int32_t mode;
};
static_assert(sizeof(PermissionsObject) == 28 && offsetof(PermissionsObject, mode) == 24,
              "Permissions instances are read by code");

ObjectDefinition* PermissionsClassDefinition();

// The object's mode; 0 for nil.
int32_t PermissionsMode(RuntimeObject* permissions);

extern "C" {
void PermissionsInitializer(RuntimeObject* permissions);
void PermissionsCtor(RuntimeObject* permissions, int32_t mode);
// Whether every bit of mask is set.
int32_t PermissionsGetter(RuntimeObject* permissions, uint32_t mask);
// Sets the bits of mask (value true) or clears them.
void PermissionsSetter(RuntimeObject* permissions, uint32_t mask, int32_t value);
}
