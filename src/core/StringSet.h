// StringSet: a set of case-insensitive string keys, kept in insertion order. It is a string map
// whose byte value is 1 for each member, so it hashes, compares and orders exactly as
// StringMap does.
#pragma once

#include "core/StringMap.h"

class StringSet : public StringMap<unsigned char> {
 public:
  explicit StringSet(uint32_t bucketCount = 256) : StringMap<unsigned char>(bucketCount) {}

  void Add(const string& key) { AddEntry(key, 1); }
  void Remove(const string& key) { RemoveEntry(key); }
};

// Walks a set's members in insertion order, with the iterator rules of StringMapIterator (made
// with new: a set deletes the iterators still attached when it goes).
class StringSetIterator : public StringMapIterator<unsigned char> {
 public:
  explicit StringSetIterator(StringSet* set) : StringMapIterator<unsigned char>(set) {}

  // Moves on and answers the member now current, or the empty string at the end.
  string NextKey() { return Next() ? GetKey() : string(); }
};
