#include "values/Collection.h"

#include "core/ClassDefinitionRows.h"
#include "core/ClassRegistry.h"
#include "core/Export.h"
#include "core/Memory.h"
#include "core/ObjectDefinitionConverter.h"
#include "core/RaiseException.h"
#include "core/Startup.h"
#include "strings/StringCase.h"

namespace {

struct CollectionElement {
  stringStorage* key;     // retained
  RuntimeObject* value;   // retained
};

CollectionObject* AsCollection(RuntimeObject* object) {
  if (!object) RaiseNilObjectException();
  return reinterpret_cast<CollectionObject*>(object);
}

int32_t CountOf(const CollectionObject* c) { return c->elements ? c->elements->Count() : 0; }

CollectionElement* ElementAt(const CollectionObject* c, int32_t position) {
  return reinterpret_cast<CollectionElement*>(c->elements->GetAt(position));
}

void FreeElement(CollectionElement* element) {
  stringStorage::RemoveReference(element->key);
  RuntimeUnlockObject(element->value);
  OSfreelen(element, sizeof(CollectionElement));
}

// Position (from 0) of the first element whose key equals key ignoring case, or -1.
int32_t FindKey(const CollectionObject* c, stringStorage* key) {
  for (int32_t i = 0; i < CountOf(c); ++i) {
    if (RuntimeStringCompare(ElementAt(c, i)->key, key) == 0) return i;
  }
  return -1;
}

// The element leaves the list before its key and value go.
void RemoveAtPosition(CollectionObject* c, int32_t position) {
  CollectionElement* element = ElementAt(c, position);
  c->elements->RemoveAt(position);
  FreeElement(element);
}

bool IsItemIndex(const CollectionObject* c, int32_t index) {
  if (index >= 1 && index <= CountOf(c)) return true;
  RaiseOutOfBoundsException();
  return false;
}

}  // namespace

extern "C" {

void collectionDestructor(RuntimeObject* collection) {
  if (!collection) return;
  auto* c = reinterpret_cast<CollectionObject*>(collection);
  GenericArray* elements = c->elements;
  c->elements = nullptr;
  if (!elements) return;
  for (int32_t i = 0; i < elements->Count(); ++i) {
    FreeElement(reinterpret_cast<CollectionElement*>(elements->GetAt(i)));
  }
  elements->Dispose();
  OSfree(elements);
}
QV_EXPORT(collectionDestructor)

int32_t collectionCount(RuntimeObject* collection) {
  CollectionObject* c = AsCollection(collection);
  return c ? CountOf(c) : 0;
}
QV_EXPORT(collectionCount)

RuntimeObject* collectionIdxItem(RuntimeObject* collection, int32_t index) {
  CollectionObject* c = AsCollection(collection);
  if (!c || !IsItemIndex(c, index)) return nullptr;
  RuntimeObject* value = ElementAt(c, index - 1)->value;
  RuntimeLockObject(value);
  return value;
}
QV_EXPORT(collectionIdxItem)

RuntimeObject* collectionItem(RuntimeObject* collection, stringStorage* key) {
  CollectionObject* c = AsCollection(collection);
  const int32_t position = c ? FindKey(c, key) : -1;
  if (position < 0) return nullptr;
  RuntimeObject* value = ElementAt(c, position)->value;
  RuntimeLockObject(value);
  return value;
}
QV_EXPORT(collectionItem)

void collectionAdd(RuntimeObject* collection, RuntimeObject* value, stringStorage* key) {
  CollectionObject* c = AsCollection(collection);
  if (!c) return;
  if (!c->elements) {
    c->elements = static_cast<GenericArray*>(OSalloc(sizeof(GenericArray), kMemFullQuit));
    c->elements->Init();
  }
  auto* element =
      static_cast<CollectionElement*>(OSalloclen(sizeof(CollectionElement), kMemFullQuit));
  stringStorage::AddReference(key);
  RuntimeLockObject(value);
  *element = {key, value};
  c->elements->Append(reinterpret_cast<uint32_t>(element));
}
QV_EXPORT(collectionAdd)

void collectionIdxRemove(RuntimeObject* collection, int32_t index) {
  CollectionObject* c = AsCollection(collection);
  if (c && IsItemIndex(c, index)) RemoveAtPosition(c, index - 1);
}
QV_EXPORT(collectionIdxRemove)

void collectionKeyRemove(RuntimeObject* collection, stringStorage* key) {
  CollectionObject* c = AsCollection(collection);
  const int32_t position = c ? FindKey(c, key) : -1;
  if (position >= 0) RemoveAtPosition(c, position);
}
QV_EXPORT(collectionKeyRemove)

}  // extern "C"

namespace {

using namespace lang;

const PropertyRow kCollectionProperties[] = {
    QV_READONLY("Count", Integer, collectionCount),
};
const MethodRow kCollectionMethods[] = {
    QV_FUNCTION("Item", Class<"Variant">, collectionIdxItem, Param("index", Integer)),
    QV_FUNCTION("Item", Class<"Variant">, collectionItem, Param("key", String)),
    QV_SUB("Add", collectionAdd, Param("value", Class<"Variant">), Param("key", String)),
    QV_SUB("Remove", collectionIdxRemove, Param("index", Integer)),
    QV_SUB("Remove", collectionKeyRemove, Param("key", String)),
};

}  // namespace

QV_CLASS(CollectionElementClassDefinition, .name = "CollectionElement")
QV_CLASS(CollectionClassDefinition,
         .name = "Collection",
         .objectSize = sizeof(CollectionObject),
         .properties = kCollectionProperties,
         .methods = kCollectionMethods,
         .finalizer = QV_CODE(collectionDestructor))
QV_STARTUP_CLASS(kStartupCollectionElementClass, CollectionElementClassDefinition)
QV_STARTUP_CLASS(kStartupCollectionClass, CollectionClassDefinition)

extern "C" RuntimeClass* RuntimeLookupCollectionClass() {
  return RuntimeClassForDefinition(CollectionClassDefinition());
}
QV_EXPORT(RuntimeLookupCollectionClass)
