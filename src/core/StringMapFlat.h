// Flat calls over StringMap<unsigned long> and StringSet, for code that keeps a keyword table by
// pointer (the plug-in declaration lexer). Keys are NUL-terminated texts (nil is the empty key)
// and compare ignoring ASCII case. Every call accepts a nil map, set or iterator: it reports the
// failed check and answers 0, false or the empty string.
#pragma once

#include "core/StringMap.h"
#include "core/StringSet.h"

using StringMapULong = StringMap<unsigned long>;
using StringMapULongIterator = StringMapIterator<unsigned long>;

StringMapULong* NewStringMapULong();  // 256 buckets
void DeleteStringMapULong(StringMapULong* map);
void StringMapULongInsert(StringMapULong* map, const char* key, unsigned long value);
// The value of key, or 0 when absent.
unsigned long StringMapULongLookup(const StringMapULong* map, const char* key);

StringMapULongIterator* NewStringMapULongIterator(StringMapULong* map);
void DeleteStringMapULongIterator(StringMapULongIterator* iterator);
bool StringMapULongIteratorNext(StringMapULongIterator* iterator);
// The current value, or 0 when the iterator is not on an entry.
unsigned long StringMapULongIteratorValue(const StringMapULongIterator* iterator);
string StringMapULongIteratorKey(const StringMapULongIterator* iterator);

StringSet* NewStringSet();  // 256 buckets
void DeleteStringSet(StringSet* set);
void StringSetAdd(StringSet* set, const char* key);
void StringSetRemove(StringSet* set, const char* key);
void StringSetClear(StringSet* set);
bool StringSetContains(const StringSet* set, const char* key);

StringSetIterator* NewStringSetIterator(StringSet* set);
void DeleteStringSetIterator(StringSetIterator* iterator);
bool StringSetIteratorNext(StringSetIterator* iterator);
string StringSetIteratorKey(const StringSetIterator* iterator);
// Moves on and answers the member now current, or the empty string at the end.
string StringSetIteratorNextKey(StringSetIterator* iterator);
