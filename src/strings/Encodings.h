// The Encodings module (class "_Encodings"): one read-only TextEncoding property per named
// encoding, all read by EncodingsGetter with the property's index (1 to 92), and GetFromCode.
// UTF8, UTF16 and ASCII answer the shared objects of their codes; every other entry a new
// object each time.
#pragma once

#include <cstdint>

#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "strings/TextEncodingObjects.h"

constexpr int32_t kEncodingsPropertyCount = 92;

ObjectDefinition* EncodingsClassDefinition();

extern "C" {
RuntimeObject* GetEncodingsObject();  // a new instance of the module class
TextEncodingObject* EncodingsGetter(RuntimeObject* module, uint32_t index);  // nil off the table
TextEncodingObject* EncodingsGetFromCode(RuntimeObject* module, TextEncoding code);
}
