// Objects compiled code finds by index in the project: the project-object table behind
// RuntimeProjectObject and RuntimePictureReference. Nothing on this platform fills the table,
// so every index answers nil (index 0 stands for nil by definition).
#pragma once

#include <cstdint>

#include "core/RuntimeObject.h"

extern "C" {
// The object of that index with one reference for the caller, or nil.
RuntimeObject* RuntimeProjectObject(int32_t index);
RuntimeObject* RuntimePictureReference(int32_t index);
}
