#include "core/StringMapFlat.h"

namespace {

constexpr uint32_t kFlatBucketCount = 256;

}  // namespace

StringMapULong* NewStringMapULong() { return new StringMapULong(kFlatBucketCount); }

void DeleteStringMapULong(StringMapULong* map) { delete map; }

void StringMapULongInsert(StringMapULong* map, const char* key, unsigned long value) {
  if (!QV_CHECK(map)) return;
  map->AddEntry(string(key), value);
}

unsigned long StringMapULongLookup(const StringMapULong* map, const char* key) {
  if (!QV_CHECK(map)) return 0;
  unsigned long value = 0;
  return map->GetEntry(string(key), &value) ? value : 0;
}

StringMapULongIterator* NewStringMapULongIterator(StringMapULong* map) {
  if (!QV_CHECK(map)) return nullptr;
  return new StringMapULongIterator(map);
}

void DeleteStringMapULongIterator(StringMapULongIterator* iterator) { delete iterator; }

bool StringMapULongIteratorNext(StringMapULongIterator* iterator) {
  if (!QV_CHECK(iterator)) return false;
  return iterator->Next();
}

unsigned long StringMapULongIteratorValue(const StringMapULongIterator* iterator) {
  if (!QV_CHECK(iterator)) return 0;
  unsigned long value = 0;
  return iterator->GetValue(&value) ? value : 0;
}

string StringMapULongIteratorKey(const StringMapULongIterator* iterator) {
  if (!QV_CHECK(iterator)) return string();
  return iterator->GetKey();
}

StringSet* NewStringSet() { return new StringSet(kFlatBucketCount); }

void DeleteStringSet(StringSet* set) { delete set; }

void StringSetAdd(StringSet* set, const char* key) {
  if (!QV_CHECK(set)) return;
  set->Add(string(key));
}

void StringSetRemove(StringSet* set, const char* key) {
  if (!QV_CHECK(set)) return;
  set->Remove(string(key));
}

void StringSetClear(StringSet* set) {
  if (!QV_CHECK(set)) return;
  set->Clear();
}

bool StringSetContains(const StringSet* set, const char* key) {
  if (!QV_CHECK(set)) return false;
  return set->Contains(string(key));
}

StringSetIterator* NewStringSetIterator(StringSet* set) {
  if (!QV_CHECK(set)) return nullptr;
  return new StringSetIterator(set);
}

void DeleteStringSetIterator(StringSetIterator* iterator) { delete iterator; }

bool StringSetIteratorNext(StringSetIterator* iterator) {
  if (!QV_CHECK(iterator)) return false;
  return iterator->Next();
}

string StringSetIteratorKey(const StringSetIterator* iterator) {
  if (!QV_CHECK(iterator)) return string();
  return iterator->GetKey();
}

string StringSetIteratorNextKey(StringSetIterator* iterator) {
  if (!QV_CHECK(iterator)) return string();
  return iterator->NextKey();
}
