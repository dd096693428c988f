// The language class "Collection": an ordered list of (key, value) elements addressed by a
// 1-based index or by a text key, searched in index order. Keys compare ignoring case and may
// repeat; the first match wins. "CollectionElement" is registered beside it and has no members.
//
// A removed element's key and value are released after it has left the list, so their
// destructors find the collection whole.
#pragma once

#include <cstdint>

#include "core/GenericArray.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"

struct CollectionObject {
  RuntimeObject header;
  GenericArray* elements;  // of CollectionElement pointers; nil until the first Add
};

ObjectDefinition* CollectionClassDefinition();
ObjectDefinition* CollectionElementClassDefinition();

extern "C" {
RuntimeClass* RuntimeLookupCollectionClass();
void collectionDestructor(RuntimeObject* collection);
int32_t collectionCount(RuntimeObject* collection);
// Values carry one reference for the caller.
RuntimeObject* collectionIdxItem(RuntimeObject* collection, int32_t index);  // 1 .. Count
RuntimeObject* collectionItem(RuntimeObject* collection, stringStorage* key);  // nil: no match
void collectionAdd(RuntimeObject* collection, RuntimeObject* value, stringStorage* key);
void collectionIdxRemove(RuntimeObject* collection, int32_t index);
void collectionKeyRemove(RuntimeObject* collection, stringStorage* key);  // no match: nothing
}
