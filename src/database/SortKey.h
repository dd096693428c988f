// Sort keys: the byte strings by which the records of a tree are ordered, compared byte by byte
// as unsigned values with a prefix before its extensions. A directory record
// is keyed by its collated name, an index record by the key it stores, a row by its key
// columns (or, without any, by its row id least significant byte first).
#pragma once

#include <cstdint>
#include <vector>

#include "database/RecordFormat.h"

// Sort weight of each byte value in text keys: letters alphabetically, upper case first, the
// accented letters of Mac OS Roman beside their base letters.
extern const uint8_t kDbCollation[256];

inline int32_t CompareKeys(const uint8_t* a, uint32_t aLength, const uint8_t* b, uint32_t bLength) {
  uint32_t common = aLength < bLength ? aLength : bLength;
  int32_t order = common ? __builtin_memcmp(a, b, common) : 0;  // empty keys may have no bytes
  return order ? order : (aLength < bLength ? -1 : aLength > bLength ? 1 : 0);
}

// Key bytes of one present value of a key column (after its 0x01 marker); -1 for a type that
// has no key. AppendValueKey appends exactly that many bytes.
int32_t ValueKeySize(uint8_t type, uint32_t valueSize);
void AppendValueKey(uint8_t* out, uint8_t type, const uint8_t* value, uint32_t valueSize);

// Builds keys with the key columns of one cursor; reuses its buffers from key to key.
class SortKeyBuilder {
 public:
  void SetKeyColumns(const uint8_t* columns, uint32_t count);
  uint32_t KeyColumnCount() const { return static_cast<uint32_t>(mColumns.size()); }
  const std::vector<uint8_t>& KeyColumns() const { return mColumns; }

  // The key of a checked record standing on a page of the given kind. False, reported, when a
  // row value of a key column has a type no key is defined for.
  bool Build(uint32_t kind, const uint8_t* record, uint32_t length);
  // The key of a table's storage name in the directory.
  void BuildName(const uint8_t* name, uint32_t length);
  // The order of the record's key (as Build makes it) against key, worked out only as far as
  // it decides, without making the key. With prefixOnly a record key that begins with key
  // answers 0 (the key is a filter: greater means past every record that begins with it).
  int32_t CompareRecord(uint32_t kind, const uint8_t* record, uint32_t length,
                        const uint8_t* key, uint32_t keyLength, bool prefixOnly);

  const uint8_t* Data() const { return mKey.data(); }
  uint32_t Size() const { return static_cast<uint32_t>(mKey.size()); }
  const std::vector<uint8_t>& Key() const { return mKey; }

 private:
  bool BuildRowKey(const uint8_t* record, uint32_t length);
  // Each key column's first value in the record into mFound (type 0: none).
  void FindKeyValues(const uint8_t* record, uint32_t length);

  std::vector<uint8_t> mColumns;
  std::vector<DbColumnValue> mFound;
  std::vector<uint8_t> mKey;
};
