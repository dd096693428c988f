// The language class "Dictionary": a map from variant keys to variant values. A chained hash
// table (bin = stored hash mod bin count) holds the entries, and a vector holds the same
// entries in insertion order, which Key, Keys, Values and dictionaryValueByIndex follow.
//
// Invariants: every entry lies in exactly one chain, that of its stored hash, and at its index
// in the entry list, which has no holes; the bin count is never 0. Removing an entry moves the
// last entry into its place (constant time, at the price of the order).
//
// Keys match when their hashes (VariantHash, computed once per entry) are equal and the keys
// compare equal; keys of types that do not compare are different keys. Bins grow through the
// primes 61, 127, ..., 65521 as the count passes three quarters of the bin count, unless
// BinCount fixed the number.
//
// An operation is not re-entrant: code reached from inside one (a key's own Operator_Hash)
// that uses the same dictionary raises a RuntimeException and changes nothing. Values and keys
// that an operation lets go are released after it has finished, so their destructors find the
// dictionary whole and free to use.
#pragma once

#include <cstdint>

#include "arrays/RuntimeArray.h"
#include "core/ObjectDefinition.h"
#include "core/RuntimeObject.h"
#include "core/SimpleVector.h"

struct DictionaryEntry {
  RuntimeObject* key;  // retained
  RuntimeObject* value;  // retained
  uint32_t hash;
  int32_t index;  // in the entry list
  DictionaryEntry* next;  // in the same bin
};

struct DictionaryObject {
  RuntimeObject header;
  bool fixedBinCount;  // BinCount was set to a positive number: no automatic growth
  SimpleVector<DictionaryEntry*> entries;
  uint32_t binCount;
  DictionaryEntry** bins;
  bool busy;
};

constexpr uint32_t kDictionaryInitialBins = 61;

ObjectDefinition* DictionaryClassDefinition();

extern "C" {
RuntimeClass* RuntimeLookupDictionaryClass();
void dictionaryConstructor(RuntimeObject* dictionary);
void dictionaryDestructor(RuntimeObject* dictionary);
int32_t dictionaryCount(RuntimeObject* dictionary);
int32_t dictionaryGetBins(RuntimeObject* dictionary);
// A positive count rehashes to exactly that many bins and stops growth; 0 or less rehashes to
// the prime for the count and lets growth resume. Bins that cannot be had raise
// OutOfMemoryException and the old ones stay.
void dictionarySetBins(RuntimeObject* dictionary, int32_t unused, int32_t binCount);
void dictionaryRemoveAll(RuntimeObject* dictionary);
int32_t dictionaryHasKey(RuntimeObject* dictionary, RuntimeObject* key);
// Values and keys handed out carry one reference for the caller.
RuntimeObject* dictionaryValueGetter(RuntimeObject* dictionary, RuntimeObject* key);
void dictionaryValueSetter(RuntimeObject* dictionary, RuntimeObject* key, RuntimeObject* value);
RuntimeObject* DictionaryLookup(RuntimeObject* dictionary, RuntimeObject* key,
                                RuntimeObject* defaultValue);
void dictionaryRemove(RuntimeObject* dictionary, RuntimeObject* key);
RuntimeObject* dictionaryKey(RuntimeObject* dictionary, int32_t index);
RuntimeObject* dictionaryValueByIndex(RuntimeObject* dictionary, int32_t index);
RuntimeArray* dictionaryKeys(RuntimeObject* dictionary);
RuntimeArray* dictionaryValues(RuntimeObject* dictionary);
}
